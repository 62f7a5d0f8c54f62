#include "tables/SplitShares.h"

#include <gtest/gtest.h>

using namespace qv;

namespace {
Decimal money(const char *text)
{
    return *Decimal::parse(text);
}

Decimal sum(const std::vector<Decimal> &shares)
{
    Decimal total;
    for (Decimal share : shares)
        total += share;
    return total;
}
} // namespace

TEST(SplitShares, EvenAmountsSplitIntoEqualShares)
{
    EXPECT_EQ(splitShares(money("81.00"), 3), (std::vector<Decimal>{money("27"), money("27"), money("27")}));
    EXPECT_EQ(splitShares(money("50.00"), 1), (std::vector<Decimal>{money("50")}));
}

TEST(SplitShares, TheLastPositionTakesTheCentsTheCutLeaves)
{
    EXPECT_EQ(splitShares(money("100.00"), 3), (std::vector<Decimal>{money("33.33"), money("33.33"), money("33.34")}));
    EXPECT_EQ(splitShares(money("0.05"), 3), (std::vector<Decimal>{money("0.01"), money("0.01"), money("0.03")}));
    EXPECT_EQ(splitShares(money("0.02"), 3), (std::vector<Decimal>{money("0"), money("0"), money("0.02")}));
}

TEST(SplitShares, SharesAlwaysAddUpToTheAmount)
{
    for (const char *amount : {"0.00", "0.01", "1.00", "99.99", "100.00", "1234.57", "99999.99"}) {
        for (int parts = 1; parts <= 98; ++parts) {
            const std::vector<Decimal> shares = splitShares(money(amount), parts);
            ASSERT_EQ(int(shares.size()), parts);
            EXPECT_EQ(sum(shares), money(amount)) << amount << " / " << parts;
            // Every share is in cents and none is more than the cut share
            // plus the cents of the remainder.
            for (Decimal share : shares)
                EXPECT_EQ(share, share.cut(2));
            EXPECT_LT(shares.back() - shares.front(), Decimal::fromCents(parts));
        }
    }
}

TEST(SplitShares, AmountsAreTakenToTheCentAndNothingIsSplitOverNoPositions)
{
    // The amount handed over carries cents only.
    EXPECT_EQ(splitShares(money("10.0099"), 2), (std::vector<Decimal>{money("5"), money("5")}));
    EXPECT_TRUE(splitShares(money("10.00"), 0).empty());
    EXPECT_TRUE(splitShares(money("10.00"), -1).empty());
}
