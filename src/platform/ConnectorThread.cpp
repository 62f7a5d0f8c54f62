#include "platform/ConnectorThread.h"

#include <mysql.h>

namespace qv {

ConnectorThreadScope::ConnectorThreadScope()
{
    mysql_thread_init();
}

ConnectorThreadScope::~ConnectorThreadScope()
{
    mysql_thread_end();
}

} // namespace qv
