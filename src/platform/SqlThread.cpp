#include "platform/SqlThread.h"

#include <mysql.h>

namespace qv {

SqlThread::SqlThread(QObject *parent) : QThread(parent)
{
    // The library's global set-up is not safe to race: it is done here, on
    // the thread that starts the other one, before that one can connect.
    mysql_library_init(0, nullptr, nullptr);
}

SqlThread::~SqlThread()
{
    quit();
    wait();
}

void SqlThread::run()
{
    mysql_thread_init();
    m_sql = std::make_unique<Sql>();
    exec();
    // Closed here, where the connection was made and used.
    m_sql.reset();
    mysql_thread_end();
}

} // namespace qv
