#pragma once

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

} // namespace desk
} // namespace qv
