#pragma once

#include "board/PositionGuard.h"
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
    // 1-2. `refusal` carries the message of a refused target; an open one
    // gives its opening time in `openedAt`, for TRANSFERE to check.
    Target target(int idMesa, Outcome &refusal, QString *openedAt = nullptr);

    // 3-4. Moves `items` of `source` (the table on show) to `idMesa`, all
    // or none. When done the source is read again; when every item it
    // showed has gone, the next step is its closing. Both ends are checked
    // under their locks (PositionGuard): the source must be the opening
    // shown, not blocked since, with every item still live on it; the
    // target still open, and the opening `targetOpenedAt` when given.
    Outcome TRANSFERE(const ShownTable &source, int idMesa, const QString &targetOpenedAt,
                      const std::vector<std::int64_t> &items);

private:
    Sql &m_sql;
    PositionGuard m_guard;
};

} // namespace qv
