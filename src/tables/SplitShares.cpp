#include "tables/SplitShares.h"

namespace qv {

std::vector<Decimal> splitShares(Decimal amount, int parts)
{
    std::vector<Decimal> shares;
    if (parts <= 0)
        return shares;
    const Decimal total = amount.cut(2);
    const Decimal share = total.divInt(parts, 2);
    shares.assign(std::size_t(parts), share);
    shares.back() = total - share.mulInt(parts - 1);
    return shares;
}

} // namespace qv
