#pragma once

#include "board/PositionGuard.h"
#include "board/ShownTable.h"
#include "data/Outcome.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace qv {

class Sql;

// Cancelling items with a reason (CANCITE) and the waiter's delivery
// acknowledgement (BAIXITE) without the screen. Both act on the items the
// cashier selected, all of them or none, and end by reading the table again.
class CancelService
{
public:
    explicit CancelService(Sql &sql);

    struct Cancellation
    {
        ShownOpening shown;                  // the position on show
        std::vector<std::int64_t> items;     // the selected items
        std::vector<std::int64_t> liveItems; // every live item of the table as last read
        int reasonCode = 0;                  // tab_MotivoCancelamento code
        bool produced = false;               // "Produzido": the kitchen already made it
        int idOperador = 0;                  // who cancels
    };
    // Cancels the selected items, only while they are still live on the
    // opening shown and the table is not blocked elsewhere (PositionGuard).
    // Done with Reread, or with CloseAccount
    // when no live item of the table is left: a position without items is
    // closed as F10 would close it.
    Outcome CANCITE(const Cancellation &cancellation);

    struct Acknowledgement
    {
        ShownOpening shown; // the position on show
        int itemCount = 0;  // live items of the table on show
        std::vector<std::int64_t> items;
        QString waiterName; // the table's waiter, who delivered
        int idOperador = 0; // who acknowledges: needs the right as stored now
    };
    // Acknowledges the delivery of the selected items still launched, on
    // the opening shown, as CANCITE checks it.
    Outcome BAIXITE(const Acknowledgement &acknowledgement);

    // The code a reason is stored with: the column holds two digits.
    static int storedReason(int reasonCode) { return reasonCode % 100; }

private:
    Outcome failure(const QString &what, std::int64_t idItem) const;

    Sql &m_sql;
    PositionGuard m_guard;
};

} // namespace qv
