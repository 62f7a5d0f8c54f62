#include "board/BoardState.h"

namespace qv {

namespace boardstate {

char merge(char board, char position)
{
    switch (position) {
    case 'A': return 'A';
    case 'P': return (board == 'S' || board == 'I' || board == 'F' || board == 'B') ? 'P' : board;
    case 'S': return (board == 'I' || board == 'F' || board == 'B') ? 'S' : board;
    case 'I': return (board == 'F' || board == 'B') ? 'I' : board;
    case 'B': return board == 'F' ? 'B' : board;
    default: return board;
    }
}

int icon(char state, bool kitchenAllCollected)
{
    switch (state) {
    case 'A': return 1;
    case 'P': return kitchenAllCollected ? 6 : 2;
    case 'S': return 3;
    case 'I':
    case 'B': return 5;
    default: return 4;
    }
}

bool passesFilter(int position, char state)
{
    switch (position) {
    case 1: return true;
    case 2: return state == 'A';
    case 3: return state == 'P';
    case 4: return state == 'S';
    case 5: return state == 'F';
    case 6: return state == 'B' || state == 'I';
    case 7: return state != 'F';
    default: return false;
    }
}

} // namespace boardstate

void BoardSummary::reset()
{
    m_tables.fill(Table{});
}

void BoardSummary::add(int idMesa, char status, char positionState, int people, int waiter)
{
    const int t = idMesa / 100;
    if (t < 1 || t > kTables)
        return; // the board has room for tables 1 to 80 only
    Table &table = m_tables[std::size_t(t - 1)];
    if (status != 'F')
        table.people = (table.people + people) % 1000;
    // The first position (in idMesa order) with a waiter names the table's
    // waiter, whatever its status.
    if (table.waiter == 0)
        table.waiter = waiter;
    table.state = boardstate::merge(table.state, positionState);
}

} // namespace qv
