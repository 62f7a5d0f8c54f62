#pragma once

#include "board/PositionGuard.h"
#include "board/ShownTable.h"
#include "data/Outcome.h"
#include "tables/PaymentClaims.h"
#include "tables/Sale.h"

#include <QString>

#include <vector>

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
    // `claimSeconds`: how long a desk's claim on an account lasts without
    // being renewed (PaymentClaims).
    ClosingService(Sql &sql, Session &session, int claimSeconds = PaymentClaims::kBoundSeconds);

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
        // Pay: told before the module opens (a claim left by a desk that
        // stopped renewing it was taken over).
        QString notice;
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
    // amounts is cleared. Before the module opens, the account is claimed
    // for this desk (PaymentClaims): while another desk's claim stands the
    // closing is refused at once, naming that desk. Freeing a table
    // without items is checked under its lock like every other write.
    Preparation prepare(const ShownTable &table);

    // What a closing takes from the desk's session, copied once on the
    // thread that owns it: the business day, the period, the desk and
    // operator a claim and a sale are stored for, and the operator list the
    // readings and the sale look waiters' names up in.
    struct SaleSession
    {
        QString businessDate; // DDMMYYYY
        int period = 0;
        int desk = 0;
        std::vector<OperatorEntry> operators;
        int operatorCode = 0;
    };
    static SaleSession sessionOf(const Session &session);

    // `prepare` in two halves, as GRAVAR: `check` reads the position
    // again, claims the account or frees an empty table, and touches
    // neither the Session nor a shared record, so it may run on any thread
    // the connection is handed to; `handOver` then gives the payment module
    // (or the split position's sale) its request, on the thread that owns
    // the shared records.
    Preparation check(const ShownTable &table, const SaleSession &session);
    static void handOver(const Preparation &preparation, const ShownTable &table);

    // While the payment module is open: keeps the claim alive. False when
    // it is no longer this desk's.
    bool renewClaim(const ShownTable &table);
    // The payment module closed without a payment: the claim ends. False
    // when that could not be stored (the claim then expires).
    bool abandonPayment(const ShownTable &table);
    int claimSeconds() const { return m_claims.boundSeconds(); }

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
    // nothing written. Another desk's write met at any statement (a
    // deadlock, a cluster's certification): rolled back, the position read
    // again, and told as closed elsewhere when it was, else as changed, to
    // be tried again; a row lock that stayed held too long is told as
    // another desk or terminal working on the table. The claim on the
    // account ends with the sale, and with any refusal. A negative bill: refused, nothing written. Failed:
    // nothing written, the table stays on show (blocked) with the server's
    // state and the step in the message, and the diagnostic lines of a
    // failed insert in `console`.
    Outcome GRAVAR(const ShownTable &table, const Inputs &inputs);

    // GRAVAR in two halves. `order` takes, on the thread that owns the
    // session and the shared records, everything the sale needs: the table
    // the payment was taken for, the session's values, the cashier's inputs
    // and the payment module's answer. `write` then writes it and touches
    // neither the Session nor a shared record, so it may run on any thread
    // the connection is handed to (one at a time); it opens no box either.
    struct SaleOrder
    {
        ShownTable shown;
        SaleSession session;
        sale::SaleHeader header;
    };
    SaleOrder order(const ShownTable &table, const Inputs &inputs) const;
    Outcome write(const SaleOrder &order);

private:
    Preparation freeEmpty(const ShownTable &table);

    Sql &m_sql;
    Session &m_session;
    PositionGuard m_guard;
    PaymentClaims m_claims;
};

} // namespace qv
