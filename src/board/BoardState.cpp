#include "board/BoardState.h"

#include "data/Status.h"

namespace qv {

namespace boardstate {

namespace {
constexpr char kOpen = letterOf(ShownState::Open);
constexpr char kOrdered = letterOf(ShownState::Ordered);
constexpr char kDessert = letterOf(ShownState::Dessert);
constexpr char kBillRequested = letterOf(ShownState::BillRequested);
constexpr char kBlocked = letterOf(ShownState::Blocked);
constexpr char kFree = letterOf(ShownState::Free);
} // namespace

char merge(char board, char position)
{
    switch (position) {
    case kOpen: return kOpen;
    case kOrdered:
        return (board == kDessert || board == kBillRequested || board == kFree || board == kBlocked) ? kOrdered : board;
    case kDessert: return (board == kBillRequested || board == kFree || board == kBlocked) ? kDessert : board;
    case kBillRequested: return (board == kFree || board == kBlocked) ? kBillRequested : board;
    case kBlocked: return board == kFree ? kBlocked : board;
    default: return board;
    }
}

int icon(char state, bool kitchenAllCollected)
{
    switch (state) {
    case kOpen: return 1;
    case kOrdered: return kitchenAllCollected ? 6 : 2;
    case kDessert: return 3;
    case kBillRequested:
    case kBlocked: return 5;
    default: return 4;
    }
}

bool passesFilter(int position, char state)
{
    switch (position) {
    case 1: return true;
    case 2: return state == kOpen;
    case 3: return state == kOrdered;
    case 4: return state == kDessert;
    case 5: return state == kFree;
    case 6: return state == kBlocked || state == kBillRequested;
    case 7: return state != kFree;
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
    if (status != letterOf(TableStatus::Free))
        table.people = (table.people + people) % 1000;
    // The first position (in idMesa order) with a waiter names the table's
    // waiter, whatever its status.
    if (table.waiter == 0)
        table.waiter = waiter;
    table.state = boardstate::merge(table.state, positionState);
}

} // namespace qv
