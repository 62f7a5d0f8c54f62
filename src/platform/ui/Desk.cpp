#include "platform/ui/Desk.h"

#include "platform/Sql.h"
#include "session/Session.h"

#include <atomic>
#include <memory>

namespace qv::desk {

namespace {

struct Installed
{
    Sql *sql = nullptr;
    Session *session = nullptr;
};

std::atomic<bool> g_lent{false};

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

bool sqlLent()
{
    return g_lent.load();
}

void setSqlLent(bool lent)
{
    g_lent.store(lent);
}

} // namespace qv::desk
