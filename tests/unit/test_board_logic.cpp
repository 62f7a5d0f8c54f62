#include "board/BoardState.h"
#include "board/Totals.h"

#include <gtest/gtest.h>

using namespace qv;

namespace {
Decimal d(const char *text)
{
    return *Decimal::parse(text);
}
} // namespace

TEST(BoardState, PrioritiesOfTheMerge)
{
    using boardstate::merge;
    // A beats everything, whatever was read before it.
    for (char before : {'P', 'S', 'I', 'B', 'F', 'A'})
        EXPECT_EQ(merge(before, 'A'), 'A') << before;
    EXPECT_EQ(merge('A', 'P'), 'A'); // position 02 opened without items next to 01 with items
    EXPECT_EQ(merge('S', 'P'), 'P');
    EXPECT_EQ(merge('P', 'S'), 'P');
    EXPECT_EQ(merge('B', 'S'), 'S');
    EXPECT_EQ(merge('B', 'I'), 'I'); // I with B gives I
    EXPECT_EQ(merge('I', 'B'), 'I');
    EXPECT_EQ(merge('F', 'B'), 'B'); // blocked and closed give blocked
    EXPECT_EQ(merge('B', 'F'), 'B');
    EXPECT_EQ(merge('P', 'F'), 'P');
}

TEST(BoardState, IconsAndFilters)
{
    using boardstate::icon;
    using boardstate::passesFilter;
    EXPECT_EQ(icon('A', true), 1);
    EXPECT_EQ(icon('P', false), 2);
    EXPECT_EQ(icon('P', true), 6);
    EXPECT_EQ(icon('S', true), 3);
    EXPECT_EQ(icon('F', false), 4);
    EXPECT_EQ(icon('B', false), 5);
    EXPECT_EQ(icon('I', false), 5);

    EXPECT_TRUE(passesFilter(6, 'B'));
    EXPECT_TRUE(passesFilter(6, 'I'));
    EXPECT_FALSE(passesFilter(6, 'A'));
    EXPECT_TRUE(passesFilter(7, 'I'));
    EXPECT_FALSE(passesFilter(7, 'F'));
    EXPECT_TRUE(passesFilter(5, 'F'));
    EXPECT_FALSE(passesFilter(0, 'A')); // no selection lists nothing
    for (char s : {'A', 'P', 'S', 'I', 'B', 'F'})
        EXPECT_TRUE(passesFilter(1, s));
}

TEST(BoardSummary, PeopleAndWaiter)
{
    BoardSummary s;
    // Position 01 closed but carrying a waiter code, 02 open with people.
    s.add(1201, 'F', 'F', 9, 4);
    s.add(1202, 'A', 'P', 3, 7);
    s.add(1203, 'B', 'B', 2, 0);
    EXPECT_EQ(s.table(12).people, 5); // closed positions do not count
    EXPECT_EQ(s.table(12).waiter, 4); // first non-zero, even from a closed position
    EXPECT_EQ(s.table(12).state, 'P');
    s.add(8101, 'A', 'A', 1, 1); // beyond the board: ignored
    s.add(5001, 'A', 'A', 999, 1);
    s.add(5002, 'A', 'A', 2, 1);
    EXPECT_EQ(s.table(50).people, 1); // three digits kept
    s.reset();
    EXPECT_EQ(s.table(12).state, 'F');
    EXPECT_EQ(s.table(12).people, 0);
}

TEST(PriceAdjustment, ObservationsThenDiscountCut)
{
    // 10.00 with "Com" worth 2.00 and "Sem" worth 0.50 → 11.50.
    Decimal p = d("10.00");
    p = PriceAdjustment::observation(p, 'C', d("2.00"), d("9"), d("9"));
    p = PriceAdjustment::observation(p, 'S', d("9"), d("0.50"), d("9"));
    EXPECT_EQ(p, d("11.50"));
    EXPECT_EQ(PriceAdjustment::observation(d("1"), 'O', d("5"), d("5"), d("0.25")), d("1.25"));
    // 10.05 with 15 % is 8.5425: cut to 8.54.
    EXPECT_EQ(PriceAdjustment::discount(d("10.05"), d("15.00")), d("8.54"));
    // Odd cents: 0.01 with 10 % stays 0.00 after the cut; 9.99 with 33.33 %.
    EXPECT_EQ(PriceAdjustment::discount(d("0.01"), d("10")), d("0.00"));
    EXPECT_EQ(PriceAdjustment::discount(d("9.99"), d("33.33")), d("6.66"));
    EXPECT_EQ(PriceAdjustment::discount(d("25.00"), d("100")), d("0"));
}

TEST(TableTotals, WorkedExamples)
{
    TableTotals t;
    t.products = d("100.00");
    t.discountPercent = d("10");
    t.manualDiscount = d("5.00");
    t.servicePercent = d("10");
    t.people = 4;
    t.compute();
    EXPECT_EQ(t.discountValue, d("10.00"));
    EXPECT_EQ(t.subtotal, d("85.00"));
    EXPECT_EQ(t.serviceValue, d("9.00"));
    EXPECT_EQ(t.tableTotal, d("94.00"));
    ASSERT_TRUE(t.hasPerPerson);
    EXPECT_EQ(t.perPerson, d("23.50"));

    // The same with a take-away item of 20.00 inside the 100.00.
    t.takeAway = d("20.00");
    t.compute();
    EXPECT_EQ(t.takeAwayNet, d("18.00"));
    EXPECT_EQ(t.serviceValue, d("7.20"));
    EXPECT_EQ(t.tableTotal, d("92.20"));

    // Zero people: no value per person.
    t.people = 0;
    t.compute();
    EXPECT_FALSE(t.hasPerPerson);
}

TEST(TableTotals, CutsNeverRound)
{
    TableTotals t;
    t.products = d("33.33");
    t.discountPercent = d("12.5");
    t.servicePercent = d("10");
    t.takeAway = d("3.33");
    t.people = 3;
    t.compute();
    // 33.33 × 12.5 / 100 = 4.166250: kept to four decimals, cut.
    EXPECT_EQ(t.discountValue, d("4.1662"));
    EXPECT_EQ(t.subtotal, d("29.1638"));
    // 3.33 × 12.5 % = 0.41625, cut to the cent: 0.41.
    EXPECT_EQ(t.takeAwayDiscount, d("0.41"));
    EXPECT_EQ(t.takeAwayNet, d("2.92"));
    // (29.1638 − 2.92) × 10 % = 2.62438 → 2.6243.
    EXPECT_EQ(t.serviceValue, d("2.6243"));
    EXPECT_EQ(t.tableTotal, d("31.7881"));
    EXPECT_EQ(t.perPerson, d("10.5960"));
    EXPECT_EQ(t.tableTotal.toDisplay(2), QStringLiteral("31,78"));
}

TEST(TimeOpen, SameDayAndAcrossMidnight)
{
    EXPECT_EQ(timeOpen(QStringLiteral("19:30:00"), QStringLiteral("21:05:59")), QStringLiteral("01h 35m"));
    EXPECT_EQ(timeOpen(QStringLiteral("19:30:59"), QStringLiteral("19:30:00")), QStringLiteral("00h 00m"));
    // Opened at 23:50, seen at 00:10: twenty minutes, not 23h 40m.
    EXPECT_EQ(timeOpen(QStringLiteral("23:50:00"), QStringLiteral("00:10:00")), QStringLiteral("00h 20m"));
}

TEST(Consolidation, GroupsByProductAndPrice)
{
    Consolidation c;
    c.add(201, d("30.00"), QStringLiteral("PICANHA"));
    c.add(105, d("12.00"), QStringLiteral("ARROZ"));
    c.add(201, d("30.00"), QStringLiteral("PICANHA"));
    c.add(201, d("25.50"), QStringLiteral("PICANHA"));
    ASSERT_EQ(c.lines().size(), 3u);
    auto it = c.lines().begin();
    EXPECT_EQ(it->first.first, 105);
    ++it;
    EXPECT_EQ(it->first.second, d("25.50")); // same product: by price
    EXPECT_EQ(it->second.count, 1);
    ++it;
    EXPECT_EQ(it->second.count, 2);
}
