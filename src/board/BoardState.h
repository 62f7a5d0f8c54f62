#pragma once

#include "data/Status.h"

#include <array>
#include <cstdint>

namespace qv {

// Board states of a table: 'A' open without live items, 'P' with live
// items, 'S' with a live dessert, 'I' bill requested, 'B' blocked, 'F' free.
namespace boardstate {

// The state a table shows after one more position of it was read, with the
// priority A > P > S > I > B > F.
char merge(char boardState, char positionState);

// Icon of the image strip (1..6) for a board state; a 'P' table whose every
// kitchen order was collected by the waiter shows 6 instead of 2.
int icon(char state, bool kitchenAllCollected);

// Whether a table in `state` is listed under filter entry `position` (1..7:
// Todas, Abertas, Pedido, Sobremesa, Fechadas, Bloqueadas, Em Andamento).
// No selection (0) lists nothing.
bool passesFilter(int position, char state);

} // namespace boardstate

// What one rebuild of the board keeps per table 1..80.
class BoardSummary
{
public:
    static constexpr int kTables = 80;

    struct Table
    {
        char state = letterOf(ShownState::Free);
        int people = 0; // three digits kept
        int waiter = 0;
    };

    BoardSummary() { reset(); }
    void reset();
    // One position read in idMesa order; `positionState` is its stored
    // status, or 'P'/'S' for an open position with (dessert) items.
    void add(int idMesa, char status, char positionState, int people, int waiter);
    // Table t (1..80).
    const Table &table(int t) const { return m_tables[std::size_t(t - 1)]; }

private:
    std::array<Table, kTables> m_tables;
};

} // namespace qv
