#pragma once

#include "platform/Sql.h"

#include <QThread>

#include <memory>

namespace qv {

// A thread with a database connection of its own. Connector/C keeps
// per-thread state that must be set up before the thread's first call and
// released after its last, so the connection is made, used and closed on
// the thread itself: objects moved onto it use sql() from their slots.
class SqlThread : public QThread
{
public:
    explicit SqlThread(QObject *parent = nullptr);
    // Stops the event loop and waits for the statement in flight to end.
    ~SqlThread() override;

    // The thread's connection; only code running on this thread may use it.
    Sql &sql() { return *m_sql; }

protected:
    void run() override;

private:
    std::unique_ptr<Sql> m_sql;
};

} // namespace qv
