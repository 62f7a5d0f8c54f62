#pragma once

#include <functional>

class QObject;

namespace qv {

class Session;
class Sql;

// The running desk's connection and session. app/ builds them and installs
// them before the main form opens; the forms, the dialogs and the stand-ins
// of the sibling modules find them here and hand them to the services they
// build. The widget-free core never looks them up: every reader and service
// there gets its Sql and Session through its constructor.
namespace desk {

Sql &sql();
Session &session();

// Installs the desk's own pair (app/); with nulls, goes back to a default
// pair made on first use, which is what a test program works with.
void install(Sql *sql, Session *session);

// The desk's connection is at work on another thread (a command's unit of
// work run off the event thread, OffThread): until it comes back nothing
// on the event thread may send a statement on it or look at its state.
bool sqlLent();
void setSqlLent(bool lent);

// Runs `work` on the event thread once the connection is back (at once if
// it is not lent), unless `context` is gone by then.
void whenSqlBack(QObject *context, std::function<void()> work);

} // namespace desk
} // namespace qv
