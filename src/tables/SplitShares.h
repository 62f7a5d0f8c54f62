#pragma once

#include "platform/Decimal.h"

#include <vector>

namespace qv {

// The shares of a split account: `amount` over `parts` receiving positions,
// in the order the positions are listed. Every share is the quotient cut to
// the cent; the last one also takes what the cuts left over, so the shares
// always add up to the amount split (100,00 over 3: 33,33 + 33,33 + 33,34).
// The amount itself is taken to the cent first, as the split hands it over.
// No parts, no shares.
std::vector<Decimal> splitShares(Decimal amount, int parts);

} // namespace qv
