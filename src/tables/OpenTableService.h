#pragma once

#include "data/Outcome.h"
#include "data/Read.h"
#include "platform/Decimal.h"

#include <QString>

namespace qv {

class Sql;

// Opening a closed table position ('F') as an open one ('A'), below the
// "Abre Mesa" dialog: whether the position may be opened, and the row the
// opening writes.
class OpenTableService
{
public:
    explicit OpenTableService(Sql &sql);

    // A later position only opens while position 1 of the table is in use:
    // the table's account starts at position 1. Refused, with the stop
    // message to show, otherwise.
    Outcome mayOpen(int idMesa);

    // The service fee every new opening starts with: the parameters row's.
    // A failed read is no fee of zero: the dialog refuses to open with the
    // server's error rather than open a table that silently charges none.
    Read<Decimal> serviceFee();

    struct Opening
    {
        int idMesa = 0;
        int people = 0;         // 1 to 999
        QString waiterName;     // as chosen in the list
        int fallbackWaiter = 0; // the logged-in operator, for a name no longer there
        Decimal serviceFee;
    };
    struct Opened
    {
        // Shown before the outcome: the waiter's name was not found, the
        // table opens in the logged-in operator's name.
        QString notice;
        Outcome outcome;
    };
    // Writes the opening: the server's time, the waiter found by name, the
    // fee, and everything the last account left (discounts, split) reset.
    // Refused when the server's time cannot be read: an opening without a
    // time would make every time at the table meaningless. A position that
    // is no longer free (another terminal opened it meanwhile) is refused
    // with Reread: it is shown as the other terminal opened it.
    Opened ABRIR(const Opening &opening);

private:
    Sql &m_sql;
};

} // namespace qv
