#pragma once

#include "board/ShownTable.h"
#include "data/Outcome.h"

#include <cstdint>
#include <vector>

namespace qv {

class Sql;

// Moving items of the table on show to another position (Frm_NovaMesa):
// each item goes with its kitchen record and its observations.
class TransferService
{
public:
    explicit TransferService(Sql &sql);

    // What the target position is. A closed one may be opened by the
    // cashier first; any other than an open one is refused.
    enum class Target {
        Open,
        Closed,
        Refused
    };
    // 1-2. `refusal` carries the message of a refused target.
    Target target(int idMesa, Outcome &refusal);

    // 3-4. Moves `items` of `source` (the table on show) to `idMesa`, all
    // or none. When done the source is read again; when every item it
    // showed has gone, the next step is its closing.
    Outcome TRANSFERE(const ShownTable &source, int idMesa, const std::vector<std::int64_t> &items);

private:
    Sql &m_sql;
};

} // namespace qv
