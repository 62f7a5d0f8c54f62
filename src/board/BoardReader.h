#pragma once

#include "data/Status.h"

#include "board/BoardState.h"
#include "board/PositionReader.h"
#include "data/Outcome.h"

#include <QString>

#include <utility>
#include <vector>

namespace qv {

class Sql;

// One listed table of the board.
struct BoardRow
{
    int table = 0; // 1..80
    char state = letterOf(ShownState::Free);
    int icon = 4; // image of the state strip, 1..6
    int people = 0;
    QString waiterName;            // trimmed; empty when the table has no waiter
    bool severalPositions = false; // more than one position in use
};

// A finished board: everything a rebuild (MESAS) read, ready to replace
// the list in one step.
struct BoardSnapshot
{
    QString clock; // "HH:MM"; empty when the clock could not be read
    std::vector<BoardRow> rows;
    BoardSummary summary;
    int busyTables = 0;  // " Em andamento"
    int closedSales = 0; // " Fechadas"
    // False when that count could not be read: the screen keeps the figure
    // it showed last rather than a 0 nobody counted.
    bool busyTablesRead = true;
    bool closedSalesRead = true;

    enum class Result {
        Built,
        Failed
    };
    Result result = Result::Built;
    Outcome failure; // the message of a failed rebuild
    // The table list itself could not be read: the screen cannot go on.
    bool fatal = false;
};

// The inputs of a rebuild: the filter entry (1..7) and the period the
// closed-sales counter looks at.
struct BoardQuery
{
    int filter = 7;
    QString businessDate; // the period's, DDMMYYYY, as W-PABEDAT holds it: the date the sales carry
    int period = 0;
};

// The board rebuild without the screen, on the connection it is given.
class BoardReader
{
public:
    explicit BoardReader(Sql &sql);
    BoardSnapshot MESAS(const BoardQuery &query);

private:
    Sql &m_sql;
};

} // namespace qv
