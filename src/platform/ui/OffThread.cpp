#include "platform/ui/OffThread.h"

#include "platform/ConnectorThread.h"
#include "platform/ui/Desk.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QWidget>
#include <QWindow>

#include <thread>

namespace qv {

OffThread::OffThread(QWidget *window) : m_window(window) {}

void OffThread::run(const std::function<void()> &work)
{
    QEventLoop loop;
    desk::setSqlLent(true);
    QCoreApplication::instance()->installEventFilter(this);
    std::thread worker([&work, &loop] {
        {
            const ConnectorThreadScope connector;
            work();
        }
        // Posted: the loop ends even if the work was quicker than its start.
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
    QCoreApplication::instance()->removeEventFilter(this);
    desk::setSqlLent(false);
}

bool OffThread::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    // Nor is the window closed under the work: the program would end with
    // the connection still lent and the cashier not told how it went.
    case QEvent::Close: break;
    default: return false;
    }
    if (!m_window || !aimedAtWindow(watched))
        return false;
    // A close refused must say so, or the window system takes it as done.
    if (event->type() == QEvent::Close)
        event->ignore();
    return true;
}

bool OffThread::aimedAtWindow(QObject *watched) const
{
    if (auto *window = qobject_cast<QWindow *>(watched))
        return window == m_window->windowHandle();
    // A shortcut's event goes to the shortcut itself, which belongs to a
    // widget of the window: the nearest widget up the chain decides.
    for (QObject *object = watched; object; object = object->parent()) {
        if (auto *widget = qobject_cast<QWidget *>(object))
            return widget->window() == m_window;
    }
    return false;
}

} // namespace qv
