#pragma once

#include "board/PositionGuard.h"
#include "board/ShownTable.h"
#include "data/Outcome.h"
#include "session/Exchanges.h"

#include <QString>

namespace qv {

class Session;
class Sql;

// The commands on a table position as a whole, below any screen: the people
// count, blocking, the bill request (IMPMESA), the table and the manual
// discount and the service fee. Each takes the position on show (or the
// table as the last reading found it) and what the cashier typed or chose,
// writes, and tells what happened; none of them opens a window.
class TableService
{
public:
    TableService(Sql &sql, Session &session);

    // Every write below acts on the opening shown (PositionGuard): on a
    // position freed, reopened or, where it matters, blocked or split
    // elsewhere since `table` was read, nothing is written and the outcome
    // says what happened.

    // The people count typed for the position on show. Refused (nothing written) when it
    // is no count of 0 to 999. The value per person keeps the old count
    // until the next reading, so the table is not read again.
    Outcome peopleCount(const ShownTable &table, const QString &typed);

    // Blocks an unblocked table, unblocks a blocked one (reopening it as 'A'
    // whatever it was before, and ending any split under way). The table is
    // read again afterwards whatever happened (left when it was closed
    // elsewhere), so it shows what is stored.
    Outcome toggleBlock(const ShownTable &table);

    // The bill request: the waiter chosen by name (none chosen keeps the
    // stored one) and status 'I', together; then the table is released.
    // Without a table on show it only releases. Refused when the table was
    // blocked elsewhere meanwhile.
    Outcome IMPMESA(const ShownTable &table, const QString &chosenWaiter);

    // The discount search's answer for the position on show, stored with who authorised
    // it (the logged-in operator, blank-padded as the session holds it).
    Outcome tableDiscount(const ShownTable &table, const exchange::DiscountSearchExchange::Answer &chosen,
                          const QString &authoriser);

    // The manual discount typed for the position on show. Refused (nothing
    // written) when it is no amount that fits the table row, or when it is
    // more than the products cost after the table's percentage discount: a
    // bill never goes below zero.
    Outcome manualDiscount(const ShownTable &table, const QString &typed);

    // The service fee switched: off when the table carries one, else on at
    // the house's rate. `totals` are what the table owes right after the
    // switch (for the screen to show at once); `on` is the new state.
    struct ServiceSwitch
    {
        bool applies = false; // false: no products to charge a fee on, nothing done
        bool on = false;
        TableTotals totals;
        Outcome outcome;
    };
    // `typedPeople` divides the new total (the stored count when it is not
    // a count). A failed write has the table read again, so the screen
    // shows what is really charged.
    ServiceSwitch toggleService(const ShownTable &table, const QString &typedPeople);

private:
    Outcome writeFailed(const QString &what, Outcome::Next next) const;

    Sql &m_sql;
    Session &m_session;
    PositionGuard m_guard;
};

} // namespace qv
