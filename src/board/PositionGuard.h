#pragma once

#include "board/ShownTable.h"
#include "data/Outcome.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace qv {

class Sql;
class SqlBatch;

// A write on a position acts on the opening the cashier sees, or not at all.
// Other cash desks, the waiters' terminals and the kitchen change the same
// rows at any time, so what the screen shows may be seconds old: the
// position freed and perhaps opened again for other guests, blocked, split,
// its items cancelled or moved. Every command that writes on a position
// runs its writes through here, in one unit of work that first locks the
// position's row (and the rows of the items it acts on) and compares them
// with the reading the command was given. Only what the command depends on
// is compared: a waiter launching an item meanwhile does not refuse a
// change of the service fee.
class PositionGuard
{
public:
    explicit PositionGuard(Sql &sql);

    // What a command relies on besides the position being the same opening.
    struct Needs
    {
        bool sameBlock = false; // blocked or not, as shown
        bool sameSplit = false; // split or not, as shown
        // Items acted on: each still on the position and not cancelled.
        std::vector<std::int64_t> items;
    };

    // Builds the command's failure from the connection's last result.
    using Failed = std::function<Outcome()>;
    // The command's writes, inside the unit of work. Done commits; anything
    // else rolls everything back.
    using Writes = std::function<Outcome()>;

    // Locks and compares, then writes, all in one unit of work. A position
    // that is no longer the one on screen writes nothing and is told (see
    // the refusals below). A write that met another desk's lock for longer
    // than allowed, or that lost to another desk's write (a deadlock, a
    // cluster's certification), is rolled back and the position read again,
    // so the cashier is told what happened instead of a bare SQLSTATE.
    Outcome write(const ShownOpening &shown, const Needs &needs, const Writes &writes, const Failed &failed);

    // The same, for a command that reads before it writes: `reads` adds the
    // command's first reads to the wave the guard's locks lead, so the
    // locks cost no round trip of their own; `writes` gets the wave once the
    // locks found the position as shown (a refused check writes nothing).
    using Reads = std::function<void(SqlBatch &wave)>;
    using WritesAfter = std::function<Outcome(const SqlBatch &wave)>;
    Outcome write(const ShownOpening &shown, const Needs &needs, const Reads &reads, const WritesAfter &writes,
                  const Failed &failed);

    // Inside a unit of work the caller holds: locks the position and the
    // items, and tells why the command must not write, or nothing.
    std::optional<Outcome> hold(const ShownOpening &shown, const Needs &needs, const Failed &failed);

    // Another position a command writes on (the target of a transfer, a
    // position sharing a split bill): it must still be open for customers
    // ('A'), and the same opening when `openedAt` is given.
    std::optional<Outcome> holdOpen(int idMesa, const QString &openedAt, const Failed &failed);

    // The position as stored now against the opening shown, read without a
    // lock after a unit of work was rolled back.
    enum class Now {
        Same,     // the same opening
        Freed,    // closed (status 'F')
        Reopened, // closed and opened again
        Unknown,  // it could not be read
    };
    Now now(const ShownOpening &shown);

    // After a failed unit of work has been rolled back: a lock wait that ran
    // out, or a lost conflict, is told as such, and a position that was freed
    // or reopened meanwhile as that; any other failure is `failure` as it is.
    Outcome afterFailure(const ShownOpening &shown, const Outcome &failure);

    // The refusals, each with what the screen does next.
    static Outcome closedElsewhere();    // freed: the position is left
    static Outcome reopenedElsewhere();  // freed and opened again: read again
    static Outcome blockedElsewhere();   // read again
    static Outcome unblockedElsewhere(); // read again
    static Outcome splitElsewhere();     // read again
    static Outcome itemsChanged();       // read again
    static Outcome busyElsewhere();      // a lock wait ran out: try again
    static Outcome notOpen(int idMesa);  // another position is no longer open

private:
    // The locking reads of `hold`, added to a wave; `check` then tells from
    // their answers why the command must not write, or nothing.
    static void addLocks(SqlBatch &wave, const ShownOpening &shown, const Needs &needs);
    static std::optional<Outcome> check(const SqlBatch &wave, const ShownOpening &shown, const Needs &needs,
                                        const Failed &failed);

    Sql &m_sql;
};

} // namespace qv
