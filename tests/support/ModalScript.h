#pragma once

// Drives a modal dialog from inside its own exec(), for the form tests.

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <functional>

namespace qv::test {

// Acts inside the modal loop of a dialog of type T: once one is on screen
// (and `ready` says it finished starting), `action` gets it; without an
// action the dialog is simply closed. A dialog still
// open after the action, or one nobody acted on within the watchdog time,
// is rejected and reported, so a test never hangs on it.
template <typename T>
class ModalScript
{
public:
    explicit ModalScript(std::function<void(T &)> action, std::function<bool(T &)> ready = {})
        : m_action(std::move(action)), m_ready(std::move(ready))
    {
        m_poll.setInterval(5);
        QObject::connect(&m_poll, &QTimer::timeout, [this] { poll(); });
        m_poll.start();
        m_watchdog.setSingleShot(true);
        m_watchdog.setInterval(20000);
        QObject::connect(&m_watchdog, &QTimer::timeout, [this] {
            if (T *d = current()) {
                m_leftOpen = true;
                d->reject();
            }
        });
        m_watchdog.start();
    }

    bool ran() const { return m_ran; }
    bool leftOpen() const { return m_leftOpen; }

private:
    static T *current() { return qobject_cast<T *>(QApplication::activeModalWidget()); }

    void poll()
    {
        T *d = current();
        if (!d || !d->isVisible() || (m_ready && !m_ready(*d)))
            return;
        m_poll.stop();
        if (m_action) {
            m_ran = true;
            m_action(*d);
        }
        if (d->isVisible()) {
            m_leftOpen = true;
            d->reject();
        }
    }

    std::function<void(T &)> m_action;
    std::function<bool(T &)> m_ready;
    QTimer m_poll;
    QTimer m_watchdog;
    bool m_ran = false;
    bool m_leftOpen = false;
};

} // namespace qv::test
