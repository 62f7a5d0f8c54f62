#pragma once

#include "board/Totals.h"
#include "platform/Decimal.h"

#include <QString>

#include <cstdint>
#include <optional>

// Input rules and arithmetic of the table commands that price an account,
// kept apart from the widgets so they can be checked on their own.
namespace qv::account {

// The largest manual discount the table row can hold: descontoManual has
// five integer digits.
Decimal maxManualDiscount();

// The manual discount typed in Ed_DESCMANT: blank is 0 (no discount); the
// cents beyond the second decimal are dropped. nullopt for anything that is
// not an amount, a negative amount, or one that does not fit the column —
// a discount cut to its low-order digits would charge the wrong account.
std::optional<Decimal> manualDiscountFrom(const QString &text);

// The people count typed in Ed_QTDEPES: 0 to 999, blank is 0. nullopt for
// anything else.
std::optional<int> peopleFrom(const QString &text);

// The totals right after the service fee is switched to `percent`: the fee
// is charged on the same base the table reading uses, so the total shown is
// the total charged. `people` divides the total when not 0.
TableTotals withService(const TableTotals &reading, Decimal percent, int people);

// Cents of an amount for a zoned field of the shared records (cut, never
// rounded); a negative amount is handed over as 0.
std::uint64_t centsOf(Decimal amount);

} // namespace qv::account
