#include "data/Tables.h"
#include "tables/AccountMath.h"
#include "tables/Sale.h"

#include <QTime>

#include <gtest/gtest.h>

using namespace qv;

namespace {

Decimal d(const char *text)
{
    return *Decimal::parse(text);
}

std::vector<OperatorEntry> staff()
{
    return {{4, QStringLiteral("JOAO PEREIRA").leftJustified(20)},
            {5, QStringLiteral("ANTONIO SILVA").leftJustified(20)},
            {21, QStringLiteral("JOAO PEREIRA").leftJustified(20)}};
}

// TIMEDIFF as the server gives it, for times of one day; records the pairs
// it was asked for.
struct LocalDiff
{
    std::vector<std::pair<QString, QString>> asked;
    bool fail = false;

    sale::TimeDiff function()
    {
        return [this](const QString &later, const QString &earlier) -> std::optional<QString> {
            asked.emplace_back(later, earlier);
            if (fail)
                return std::nullopt;
            const int s = QTime::fromString(earlier, QStringLiteral("HH:mm:ss"))
                              .secsTo(QTime::fromString(later, QStringLiteral("HH:mm:ss")));
            const int a = std::abs(s);
            return QStringLiteral("%1%2:%3:%4")
                .arg(s < 0 ? QStringLiteral("-") : QString())
                .arg(a / 3600, 2, 10, QLatin1Char('0'))
                .arg(a / 60 % 60, 2, 10, QLatin1Char('0'))
                .arg(a % 60, 2, 10, QLatin1Char('0'));
        };
    }
};

} // namespace

TEST(SaleWaiter, NameChosenForTheBillMapsToTheLastEqualEntry)
{
    // The combo shows padded names; the typed form without padding is the
    // same name.
    EXPECT_EQ(sale::waiterFor(staff(), QStringLiteral("ANTONIO SILVA").leftJustified(20), 0), 5);
    EXPECT_EQ(sale::waiterFor(staff(), QStringLiteral("ANTONIO SILVA"), 0), 5);
    // Two entries with the same name: the later one wins.
    EXPECT_EQ(sale::waiterFor(staff(), QStringLiteral("JOAO PEREIRA"), 0), 21);
    // No match, nothing chosen, or text beyond the 20 characters: fallback.
    EXPECT_EQ(sale::waiterFor(staff(), QStringLiteral("MARIA"), 9), 9);
    EXPECT_EQ(sale::waiterFor(staff(), QString(), 9), 9);
    EXPECT_EQ(sale::waiterFor(staff(), QStringLiteral("ANTONIO SILVA").leftJustified(20) + QStringLiteral("X"), 0), 0);
    // A longer name is compared on its 20 characters only when the rest is blank.
    EXPECT_EQ(sale::waiterFor(staff(), QStringLiteral("ANTONIO SILVA").leftJustified(26), 0), 5);
}

TEST(SaleKitchen, MinutesOfATimeDifference)
{
    EXPECT_EQ(sale::minutesOfTimeDiff(QStringLiteral("00:15:30")), 15);
    EXPECT_EQ(sale::minutesOfTimeDiff(QStringLiteral("01:02:59")), 62);
    EXPECT_EQ(sale::minutesOfTimeDiff(QStringLiteral("-00:05:00")), -5);
    EXPECT_EQ(sale::minutesOfTimeDiff(QStringLiteral("-02:00:10")), -120);
    EXPECT_EQ(sale::minutesOfTimeDiff(QStringLiteral("838:59:59")), 838 * 60 + 59);
}

TEST(SaleKitchen, WaitingMinutesOfTheWorkedExample)
{
    LocalDiff diff;
    auto m = sale::kitchenMinutes({QStringLiteral("12:10:00"), QStringLiteral("12:25:30"), QStringLiteral("12:40:00")},
                                  diff.function());
    ASSERT_TRUE(m);
    EXPECT_EQ(m->toCollect, 15);
    EXPECT_EQ(m->toTable, 14);

    // Never collected at the pass: from ready to the table.
    m = sale::kitchenMinutes({QStringLiteral("12:10:00"), QStringLiteral("00:00:00"), QStringLiteral("12:40:00")},
                             diff.function());
    ASSERT_TRUE(m);
    EXPECT_EQ(m->toCollect, 0);
    EXPECT_EQ(m->toTable, 30);
}

TEST(SaleKitchen, OnlyOrderedPairsAreSubtracted)
{
    LocalDiff diff;
    // The table's latest ready time is after this item was collected, and
    // the item never reached the table: no minutes at all.
    auto m = sale::kitchenMinutes({QStringLiteral("12:30:00"), QStringLiteral("12:25:30"), QStringLiteral("00:00:00")},
                                  diff.function());
    ASSERT_TRUE(m);
    EXPECT_EQ(m->toCollect, 0);
    EXPECT_EQ(m->toTable, 0);
    EXPECT_TRUE(diff.asked.empty());

    // No kitchen record: nothing to subtract either.
    m = sale::kitchenMinutes({QStringLiteral("00:00:00"), QStringLiteral("00:00:00"), QStringLiteral("00:00:00")},
                             diff.function());
    ASSERT_TRUE(m);
    EXPECT_EQ(m->toCollect + m->toTable, 0);
    EXPECT_TRUE(diff.asked.empty());

    // Delivered before it was collected (clock trouble): B stays 0.
    m = sale::kitchenMinutes({QStringLiteral("12:10:00"), QStringLiteral("12:25:30"), QStringLiteral("12:20:00")},
                             diff.function());
    ASSERT_TRUE(m);
    EXPECT_EQ(m->toCollect, 15);
    EXPECT_EQ(m->toTable, 0);
    ASSERT_EQ(diff.asked.size(), 1u);
    EXPECT_EQ(diff.asked[0].first, QStringLiteral("12:25:30"));
    EXPECT_EQ(diff.asked[0].second, QStringLiteral("12:10:00"));
}

TEST(SaleKitchen, AFailedDifferenceFailsTheItem)
{
    LocalDiff diff;
    diff.fail = true;
    EXPECT_FALSE(sale::kitchenMinutes(
        {QStringLiteral("12:10:00"), QStringLiteral("12:25:30"), QStringLiteral("12:40:00")}, diff.function()));
}

TEST(SaleRows, HeaderDateTableAndCutAmounts)
{
    sale::SaleHeader h;
    h.idMesa = 1203;
    h.businessDate = QStringLiteral("07032025");
    h.serviceValue = d("11.0999");
    h.tableTotal = d("122.0999");

    Record s(tables::movVendas);
    sale::fillSale(s, h);
    EXPECT_EQ(s.text("data"), QStringLiteral("20250307"));
    EXPECT_EQ(s.integer("nrMesa"), 12);
    EXPECT_EQ(s.integer("pontoMesa"), 3);
    // Cents cut, never rounded.
    EXPECT_EQ(s.num("valorServico"), d("11.09"));
    EXPECT_EQ(s.num("valorTotal"), d("122.09"));
    EXPECT_EQ(s.text("cpfCliente"), QString(11, QLatin1Char(' ')));
}

TEST(SaleRows, ServiceTakenByThePaymentModule)
{
    sale::SaleHeader h;
    h.idMesa = 2501;
    h.businessDate = QStringLiteral("07032025");
    h.tableTotal = d("41.90");
    h.returnedService = d("5.00");
    Record s(tables::movVendas);

    // A table without fee: the service the customer paid is the sale's.
    sale::fillSale(s, h);
    EXPECT_EQ(s.num("valorServico"), d("5.00"));
    EXPECT_EQ(s.num("valorTotal"), d("46.90"));

    // A table with its fee keeps the fee; the total still adds what was taken.
    h.serviceValue = d("4.19");
    sale::fillSale(s, h);
    EXPECT_EQ(s.num("valorServico"), d("4.19"));
    EXPECT_EQ(s.num("valorTotal"), d("46.90"));
}

TEST(SaleRows, ItemFlagsAndKitchenColumns)
{
    Record item(tables::movMesaItem);
    item.setText("viagem", QStringLiteral("S"));
    item.setText("produzido", QStringLiteral("N"));
    Record kitchen(tables::movCozinha);
    kitchen.setInt("idCozinheiro", 6);
    Record out(tables::movVendasItem);

    // Column 9 take-away, 10 cancelled, 11 produced: cancelled here ('C')
    // or by another module ('K'); every other status is not.
    for (const char *status : {"K", "C"}) {
        item.setText("status", QString::fromLatin1(status));
        sale::fillSaleItem(out, 900, 3, item, kitchen, {15, 14});
        EXPECT_EQ(out.text(8) + out.text(9) + out.text(10), QStringLiteral("SSN")) << status;
    }
    for (const char *status : {"I", "E", "R", "P"}) {
        item.setText("status", QString::fromLatin1(status));
        sale::fillSaleItem(out, 900, 3, item, kitchen, {15, 14});
        EXPECT_EQ(out.text(9), QStringLiteral("N")) << status;
    }
    EXPECT_EQ(out.integer("sequencia"), 3);
    EXPECT_EQ(out.integer("idCozinheiro"), 6);
    EXPECT_EQ(out.integer("minutosRetirada"), 15);
    EXPECT_EQ(out.integer("minutosEntrega"), 14);
}

TEST(AccountInput, ManualDiscountMustFitItsColumn)
{
    using account::manualDiscountFrom;
    EXPECT_EQ(manualDiscountFrom(QString()), Decimal());
    EXPECT_EQ(manualDiscountFrom(QStringLiteral("  ")), Decimal());
    EXPECT_EQ(manualDiscountFrom(QStringLiteral("5,00")), d("5"));
    EXPECT_EQ(manualDiscountFrom(QStringLiteral("1.234,56")), d("1234.56"));
    EXPECT_EQ(manualDiscountFrom(QStringLiteral("99999,99")), d("99999.99"));
    EXPECT_EQ(manualDiscountFrom(QStringLiteral("00099999,99")), d("99999.99"));
    // Further decimals are dropped, never rounded.
    EXPECT_EQ(manualDiscountFrom(QStringLiteral("12,349")), d("12.34"));
    // Too large for the column, however it is written.
    EXPECT_FALSE(manualDiscountFrom(QStringLiteral("123456,78")));
    EXPECT_FALSE(manualDiscountFrom(QStringLiteral("100000")));
    EXPECT_FALSE(manualDiscountFrom(QStringLiteral("100.000,00")));
    EXPECT_FALSE(manualDiscountFrom(QStringLiteral("100000000000000"))); // wraps to 0 when parsed
    // Not an amount, or a discount that would charge more.
    EXPECT_FALSE(manualDiscountFrom(QStringLiteral("abc")));
    EXPECT_FALSE(manualDiscountFrom(QStringLiteral("5,0,0")));
    EXPECT_FALSE(manualDiscountFrom(QStringLiteral("-5,00")));
}

TEST(AccountInput, PeopleCount)
{
    using account::peopleFrom;
    EXPECT_EQ(peopleFrom(QString()), 0);
    EXPECT_EQ(peopleFrom(QStringLiteral("2")), 2);
    EXPECT_EQ(peopleFrom(QStringLiteral(" 999 ")), 999);
    EXPECT_FALSE(peopleFrom(QStringLiteral("1000")));
    EXPECT_FALSE(peopleFrom(QStringLiteral("-1")));
    EXPECT_FALSE(peopleFrom(QStringLiteral("2a")));
}

TEST(AccountService, WorkedExampleOfTheSwitch)
{
    // Sub-total 100,00 of which take-away 20,00, discount 10 %, 3 people.
    TableTotals reading;
    reading.products = d("111.12");
    reading.discountPercent = d("10");
    reading.takeAway = d("20");
    reading.people = 3;
    reading.compute();
    ASSERT_EQ(reading.subtotal.toDisplay(2), QStringLiteral("100,00"));

    const TableTotals on = account::withService(reading, d("10"), 3);
    EXPECT_EQ(on.takeAwayNet.toDisplay(2), QStringLiteral("18,00"));
    EXPECT_EQ(on.serviceValue.toDisplay(2), QStringLiteral("8,20"));
    EXPECT_EQ(on.tableTotal.toDisplay(2), QStringLiteral("108,20"));
    ASSERT_TRUE(on.hasPerPerson);
    EXPECT_EQ(on.perPerson.toDisplay(2), QStringLiteral("36,06"));

    const TableTotals off = account::withService(on, Decimal(), 3);
    EXPECT_TRUE(off.serviceValue.isZero());
    EXPECT_EQ(off.tableTotal, off.subtotal);

    // No people: no value per person.
    EXPECT_FALSE(account::withService(reading, d("10"), 0).hasPerPerson);
}

TEST(AccountService, SwitchChargesWhatTheReadingCharges)
{
    // Manual discount 5,00 on 105,00 of products: sub-total 100,00; the fee
    // is charged on 105,00 both right after the switch and after a reading.
    TableTotals reading;
    reading.products = d("105");
    reading.manualDiscount = d("5");
    reading.people = 2;
    reading.compute();
    const TableTotals on = account::withService(reading, d("10"), 2);
    EXPECT_EQ(on.serviceValue, d("10.50"));
    EXPECT_EQ(on.tableTotal, d("110.50"));

    TableTotals reread = reading;
    reread.servicePercent = d("10");
    reread.compute();
    EXPECT_EQ(on.serviceValue, reread.serviceValue);
    EXPECT_EQ(on.tableTotal, reread.tableTotal);
    EXPECT_EQ(on.perPerson, reread.perPerson);

    // Every item to take away, no discount: nothing carries the fee.
    TableTotals takeAway;
    takeAway.products = d("50");
    takeAway.takeAway = d("50");
    takeAway.compute();
    EXPECT_TRUE(account::withService(takeAway, d("10"), 1).serviceValue.isZero());
}

TEST(AccountService, AmountsHandedToTheSharedRecords)
{
    EXPECT_EQ(account::centsOf(d("40.2999")), 4029u);
    EXPECT_EQ(account::centsOf(d("0")), 0u);
    EXPECT_EQ(account::centsOf(d("-3.00")), 0u);
}
