#pragma once

// Test helper of the split and transfer tests: watches for modal dialogs
// opened by the command under test and plays a script on each, from inside
// the dialog's own exec(). A dialog the script leaves open (or that no
// script expected) is rejected and recorded, so a broken command fails its
// test instead of hanging it.

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <functional>

namespace qv::test {

class ModalWatch
{
public:
    // The script gets each dialog once it is on screen; it returns false
    // while the dialog is not ready yet (it is asked again shortly).
    using Script = std::function<bool(QDialog &)>;

    explicit ModalWatch(Script script = {}) : m_script(std::move(script))
    {
        QObject::connect(&m_poll, &QTimer::timeout, [this] { poll(); });
        m_poll.start(3);
    }

    // objectName of every dialog seen, in order.
    const QStringList &seen() const { return m_seen; }
    // Dialogs the script did not close.
    int leftOpen() const { return m_leftOpen; }

private:
    void poll()
    {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible() || dialog == m_handled)
            return;
        if (m_script && !m_script(*dialog))
            return;
        m_handled = dialog;
        m_seen << dialog->objectName();
        if (dialog->isVisible()) {
            ++m_leftOpen;
            dialog->reject();
        }
    }

    Script m_script;
    QTimer m_poll;
    QPointer<QDialog> m_handled;
    QStringList m_seen;
    int m_leftOpen = 0;
};

} // namespace qv::test
