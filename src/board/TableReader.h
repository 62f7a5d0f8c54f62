#pragma once

#include "board/ShownTable.h"
#include "data/Outcome.h"
#include "session/Session.h"

#include <optional>
#include <vector>

namespace qv {

class Sql;
class SqlBatch;

// The table reading LERMESA without the screen: reads the position's row,
// its live items with their products, observations, discounts and
// waiters, and computes every total from exact values.
class TableReader
{
public:
    TableReader(Sql &sql, const Session &session);
    // The waiters' names looked up in `operators`, the session's list as
    // it was taken: a reader off the event thread never touches the
    // Session itself. The list must outlive the reader.
    TableReader(Sql &sql, const std::vector<OperatorEntry> &operators);

    struct Reading
    {
        enum class Result {
            Shown,   // `table` holds the position
            Free,    // the position is free: offer to open it
            Missing, // no such position, or its row could not be read
            Failed,  // a read failed: `failure` says which, the table must not be shown
        };
        Result result = Result::Missing;
        ShownTable table;
        Outcome failure;
        // The item cursors themselves failed: the screen cannot go on
        // reading tables and closes, as at start-up.
        bool fatal = false;
    };

    Reading LERMESA(int idMesa, bool observationsVisible);

    // The time open of a table opened at `openedAt`, from the server's
    // clock; nothing when the clock could not be read.
    std::optional<QString> timeOpenSince(const QString &openedAt);

private:
    // The table's own reads, sent with the last wave of the items' reads.
    struct TableReads
    {
        std::optional<std::size_t> clock;
        std::size_t percent = 0;
    };
    bool readItems(ShownTable &table, const SqlBatch &listed, std::size_t itemsRead, SqlBatch &last,
                   TableReads &tableReads, Outcome &failure, bool &fatal);

    Sql &m_sql;
    const std::vector<OperatorEntry> &m_operators;
};

} // namespace qv
