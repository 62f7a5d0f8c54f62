#pragma once

#include "board/PositionGuard.h"
#include "board/ShownTable.h"
#include "data/Outcome.h"
#include "platform/Decimal.h"

#include <vector>

namespace qv {

class Session;
class Sql;

// The split account ("CONTA DIVIDIDA"): the bill of a blocked position is
// shared by other open positions of its table, each of them receiving one
// share item, and the position itself is flagged so that its closing takes
// no payment. The cashier chooses the positions in between the check and
// the writing; nothing is held open while the cashier chooses.
class SplitService
{
public:
    SplitService(Sql &sql, Session &session);

    // What the chooser is handed: the position being split and the amount
    // its receiving positions share.
    struct Request
    {
        int position = 0;
        Decimal amount;
        ShownOpening shown; // the position split, as the check saw it
    };

    // DIVIDIR's checks, in order: `idMesa` is the position on show (0 when
    // the number typed is not the table on show), `table` its reading. Only
    // a blocked position, and only once; these refusals say nothing. A
    // failed reading of the split flag refuses with its message, since an
    // unknown flag could charge the bill twice. When done, `request` is set.
    Outcome check(const ShownTable &table, int idMesa, Request &request);

    // DIVIDIR's writing: one share item on each of `positions` (in the
    // chooser's order; the last one takes the cents the division leaves),
    // then the flag on the split position, all or nothing. No position
    // chosen is a silent refusal. Nothing is written unless, under their
    // locks, the split position is still the opening checked, blocked and
    // not split, with the same amount to share, and every receiving
    // position is still open (PositionGuard).
    Outcome DIVIDIR(const Request &request, const std::vector<int> &positions);

private:
    Sql &m_sql;
    Session &m_session;
    PositionGuard m_guard;
};

} // namespace qv
