#pragma once

#include "platform/Sql.h"

#include <QString>
#include <QStringList>

namespace qv {

class Session;

// What the start of the desk found, for the main form to paint: the step
// that stopped it, if any, with the words the cashier is told, and the
// warnings to show on the way.
struct StartupResult
{
    enum class Stop {
        None,
        Variables,    // the shared-variables file: `message`
        CashDesk,     // the cash-desk control file: `message`
        Database,     // today's date could not be read: `database` says why
        Observations, // the observation list: `message`, the server's words in `database`
    };
    Stop stop = Stop::None;
    QString message;
    SqlResult database;
    // A period left open on another day, one warning each.
    QStringList warnings;

    bool ok() const { return stop == Stop::None; }
};

// "ABRAR": everything the desk reads before the cash desk is chosen, in
// the order it always read it: the logged-in operator, the cash-desk
// control record, today's date (the first statement, so the connection is
// made there), the parameters, the operators, reasons, printers, the
// period, the observation list and the operator's rights. The lists land
// in the Session; the result says what the form must tell.
class StartupService
{
public:
    StartupService(Sql &sql, Session &session);

    [[nodiscard]] StartupResult ABRAR();

private:
    Sql &m_sql;
    Session &m_session;
};

} // namespace qv
