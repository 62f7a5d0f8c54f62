#pragma once

#include "platform/Sql.h"

#include <QString>
#include <QStringList>

namespace qv {

// What a technician is told about a connection: the one thing to fix.
enum class ConnectionProblem {
    None,
    Unreachable,
    AccessDenied,
    UnknownDatabase,
    TlsRequired,
    TlsUnavailable,
    TlsCertificate,
    SchemaMissing, // none of the program's tables is there
    SchemaOlder,   // some tables or columns are missing: an older schema
    Other,
};

struct ConnectionReport
{
    ConnectionProblem problem = ConnectionProblem::None;
    QString text;   // in Portuguese, for the dialog and the log
    QString detail; // the server's (or the library's) own words; empty when none
};

// Connects with these settings on a connection of its own (the desk's is
// not touched), then checks the schema. The report names exactly what
// failed.
ConnectionReport checkConnection(const Sql::Connection &connection);

// The short Portuguese statement of a refused or failed connection, as the
// desk and the dialog tell it (`where` names the server, `database` the
// database).
QString connectFailureText(ConnectFailure failure, const QString &where, const QString &database);

// "table.column" of every column the program uses that the connected
// database lacks (a whole missing table gives "table"). Sets `failed`
// when the question itself failed; the result is then empty.
QStringList missingSchema(Sql &sql, bool &failed);

} // namespace qv
