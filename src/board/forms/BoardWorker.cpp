#include "board/forms/BoardWorker.h"

#include "platform/SqlProbe.h"
#include "platform/SqlThread.h"

#include <QSemaphore>

namespace qv {

BoardWorker::BoardWorker(QObject *parent) : QObject(parent), m_thread(std::make_unique<SqlThread>())
{
    m_thread->setObjectName(QStringLiteral("board"));
    m_context = new QObject;
    m_context->moveToThread(m_thread.get());
    m_thread->start();
}

BoardWorker::~BoardWorker()
{
    // A rebuild in flight ends first; its snapshot, posted to this object,
    // is discarded with it.
    m_thread.reset();
    delete m_context;
}

void BoardWorker::onThread(std::function<void()> work)
{
    QMetaObject::invokeMethod(m_context, std::move(work), Qt::QueuedConnection);
}

bool BoardWorker::start(const BoardQuery &query, std::optional<Sql::Connection> like)
{
    if (m_running)
        return false;
    m_running = true;
    SqlThread *thread = m_thread.get();
    onThread([this, thread, query, like = std::move(like)] {
        Sql &sql = thread->sql();
        // The same endpoints, failover and limits as the event thread's
        // connection; changed settings take a fresh connection.
        if (like && (!sql.connection() || !(*sql.connection() == *like)))
            sql.setConnection(*like);
        BoardSnapshot board = BoardReader(sql).MESAS(query);
        QMetaObject::invokeMethod(
            this,
            [this, board = std::move(board)] {
                m_running = false;
                emit built(board);
            },
            Qt::QueuedConnection);
    });
    return true;
}

void BoardWorker::checkConnectionNext()
{
    SqlThread *thread = m_thread.get();
    onThread([thread] { thread->sql().checkBeforeNextUse(); });
}

void BoardWorker::failNext(const std::string &text)
{
    SqlThread *thread = m_thread.get();
    onThread([thread, text] { SqlTestProbe::on(thread->sql()).failNext(text); });
}

void BoardWorker::holdOn(QSemaphore &gate)
{
    onThread([&gate] { gate.acquire(); });
}

} // namespace qv
