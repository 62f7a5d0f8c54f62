#pragma once

#include "board/ShownTable.h"
#include "data/Outcome.h"

#include <QString>

namespace qv {

class Session;
class Sql;

// Closing the account of a table position into a sale, below any screen.
// The closing runs in two steps around the payment module, which is a
// window of its own and therefore the caller's: `prepare` decides whether
// there is anything to pay and hands the module its request; `GRAVAR`
// writes the sale once the payment was taken. No transaction is open
// between the two, so the module never runs while rows are locked.
class ClosingService
{
public:
    ClosingService(Sql &sql, Session &session);

    // What comes after `prepare`.
    enum class Then {
        Stop,  // nothing more: `outcome` tells why (refused, freed, failed)
        Pay,   // open the payment module, then GRAVAR if it took a payment
        Write, // a split position: GRAVAR at once, its shares were paid elsewhere
    };
    struct Preparation
    {
        Then then = Then::Stop;
        Outcome outcome;
    };

    // The checks before any payment: a table with items must have been
    // printed (blocked) first. Then the position is read again, so no money
    // is taken for an account that can no longer be closed as shown: freed
    // (or opened anew) meanwhile, it was closed at another desk and goes;
    // with other items, prices or totals it is refused and read again for
    // the cashier to charge the current bill; a bill below zero is refused.
    // A table without items is simply freed; a split position is written
    // without the module. For the module, the table's total and fee are
    // handed over, and whatever an earlier closing left in the returned
    // amounts is cleared.
    Preparation prepare(const ShownTable &table);

    // What the cashier may have changed on the screen since the reading:
    // the people count as typed (blank is 0; text that is no count leaves
    // the stored one) and the waiter chosen (none, or a name not in the
    // list, leaves the stored one).
    struct Inputs
    {
        QString typedPeople;
        QString chosenWaiter;
    };

    // Writes the sale of the position, its items and their observations,
    // frees the position and deletes its items, all in one transaction.
    // The sale holds exactly the items of `table`, the reading the payment
    // was taken for: an item launched since stays on the position, which
    // then stays open (done, with a message saying how many stayed, and
    // the table read again). Done: released. Another desk closed it
    // meanwhile (or won at commit): refused, released, nothing written.
    // Charged items changed during the payment: refused, read again,
    // nothing written. A negative bill: refused, nothing written. Failed:
    // nothing written, the table stays on show (blocked) with the server's
    // state and the step in the message, and the diagnostic lines of a
    // failed insert in `console`.
    Outcome GRAVAR(const ShownTable &table, const Inputs &inputs);

private:
    Sql &m_sql;
    Session &m_session;
};

} // namespace qv
