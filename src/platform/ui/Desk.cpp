#include "platform/ui/Desk.h"

#include "platform/Sql.h"
#include "session/Session.h"

#include <QMetaObject>
#include <QObject>
#include <QPointer>

#include <atomic>
#include <memory>
#include <utility>
#include <vector>

namespace qv::desk {

namespace {

struct Installed
{
    Sql *sql = nullptr;
    Session *session = nullptr;
};

std::atomic<bool> g_lent{false};

struct Waiting
{
    QPointer<QObject> context;
    std::function<void()> work;
};

// Touched on the event thread only: the lending and its return happen there.
std::vector<Waiting> &waiting()
{
    static std::vector<Waiting> list;
    return list;
}

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
    if (lent)
        return;
    // Posted, not run here: whoever lent the connection tells what the work
    // found first.
    for (Waiting &entry : std::exchange(waiting(), {})) {
        if (entry.context)
            QMetaObject::invokeMethod(entry.context, std::move(entry.work), Qt::QueuedConnection);
    }
}

void whenSqlBack(QObject *context, std::function<void()> work)
{
    if (!sqlLent()) {
        work();
        return;
    }
    waiting().push_back({context, std::move(work)});
}

} // namespace qv::desk
