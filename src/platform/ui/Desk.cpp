#include "platform/ui/Desk.h"

#include "platform/Sql.h"
#include "session/Session.h"

#include <memory>

namespace qv::desk {

namespace {

struct Installed
{
    Sql *sql = nullptr;
    Session *session = nullptr;
};

Installed &installed()
{
    static Installed pair;
    return pair;
}

// Made only when nothing was installed: a test program's desk.
struct Fallback
{
    Sql sql;
    Session session{sql};
};

Fallback &fallback()
{
    static Fallback pair;
    return pair;
}

} // namespace

Sql &sql()
{
    Installed &pair = installed();
    return pair.sql ? *pair.sql : fallback().sql;
}

Session &session()
{
    Installed &pair = installed();
    return pair.session ? *pair.session : fallback().session;
}

void install(Sql *sql, Session *session)
{
    installed() = {sql, session};
}

} // namespace qv::desk
