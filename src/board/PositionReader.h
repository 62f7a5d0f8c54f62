#pragma once

#include "data/Outcome.h"
#include "data/Read.h"
#include "platform/Record.h"

#include <QString>

#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

namespace qv {

class Sql;
class SqlBatch;

// The state a position shows: its stored status, except that an open one
// ('A') becomes 'P' with a live item and 'S' with a live dessert. A look-up
// that fails or finds no product leaves it as it was. Shared by the board
// and the dialogs that list positions.
char examinePosition(Sql &sql, int idMesa, char status);
// The same for a list of positions (idMesa, stored status), their look-ups
// sent together; the states in the list's order.
std::vector<char> examinePositions(Sql &sql, const std::vector<std::pair<int, char>> &positions);

// Whether every kitchen order of a table was collected by the waiter: the
// table has orders, and none of them still waits for the waiter. Kitchen
// records are kept per table (idPedMesa), not per position. The board asks
// with counts, the position lists ask for a row; either way the second
// question goes out only where the first found orders, in a later wave, and
// an answer that failed never counts as "all collected".
class KitchenFlag
{
public:
    enum class Asking {
        Count, // SELECT COUNT(*) ...: the board
        Rows,  // SELECT idItem ...: the position lists
    };
    KitchenFlag(Asking asking, int table) : m_asking(asking), m_table(table) {}

    // The first question, into the first wave.
    void askOrders(SqlBatch &wave);
    // Once the first wave has run: the second question, into the next wave,
    // where orders were found.
    void askWaiting(const SqlBatch &firstWave, SqlBatch &wave);
    // Once the second wave has run.
    bool allCollected(const SqlBatch &secondWave) const;

private:
    // Whether the answer says at least one row qualifies; nullopt when the
    // statement failed.
    std::optional<bool> anyFound(const SqlBatch &wave, std::size_t index) const;

    Asking m_asking;
    int m_table;
    std::optional<std::size_t> m_orders;
    std::optional<std::size_t> m_waiting;
};

// One listed position of a table, with everything its row shows.
struct ListedPosition
{
    int idMesa = 0;
    char status = ' '; // stored
    char state = ' ';  // examined: 'P' or 'S' for an open one with (dessert) items
    int people = 0;
    int icon = 4;       // of the state strip, 1..6
    QString waiterName; // trimmed; blank when none or when the look-up failed
};

// The positions of one table, or why they could not be read.
struct [[nodiscard]] PositionListing
{
    std::vector<ListedPosition> positions;
    // Done, or failed with the message the dialog shows before it closes.
    Outcome outcome;
};

namespace chooser {
// The table chooser's filter entries, in the order of its list (from 1).
enum Filter {
    Todas = 1,
    Abertas,
    Pedido,
    Sobremesa,
    Fechadas,
    Bloqueadas,
    EmAndamento
};
} // namespace chooser

// The positions of one table as the dialogs that list them show them: the
// list read, each open position examined, the kitchen flag and the waiter's
// name, in waves. Reads only.
class PositionReader
{
public:
    explicit PositionReader(Sql &sql);

    // A position of the table between the exclusive bounds is in use (not
    // free); found carries the first such row.
    Read<Record> positionInUse(int lowest, int highest);
    // The positions between the exclusive bounds through a filter entry of
    // the table chooser (chooser::Filter), in the order the server returns
    // them.
    PositionListing chooserList(int lowest, int highest, int filter);
    // The positions that may share the bill of `position`: the open ones of
    // the same table, never the position itself.
    PositionListing splitCandidates(int position);

private:
    Sql &m_sql;
};

} // namespace qv
