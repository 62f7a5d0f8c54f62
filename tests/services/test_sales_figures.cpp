// The managers' figures over a real evening: accounts closed through the
// services, one of them split, one item transferred and one cancelled. The
// four screens must agree with each other and with the sales.
#include "board/TableReader.h"
#include "items/CancelService.h"
#include "platform/SharedRecords.h"
#include "platform/Sql.h"
#include "platform/SqlProbe.h"
#include "platform/ui/Desk.h"
#include "session/Exchanges.h"
#include "session/Session.h"
#include "tables/ClosingService.h"
#include "tables/SalesFigures.h"
#include "tables/SplitService.h"
#include "tables/TransferService.h"

#include "Seed.h"
#include "TestSupport.h"

#include <QDate>

#include <algorithm>
#include <map>

#include <gtest/gtest.h>

namespace qv::test {
namespace {

using Then = ClosingService::Then;

class SalesFiguresTest : public ::testing::Test
{
protected:
    SalesFiguresTest()
    {
        SharedRecord::resetAll();
        desk::session().reset();
        desk::session().loadOperators();
        desk::session().readParameters();
        exchange::SessionVariables::write(
            QStringLiteral("%1%2").arg(QStringLiteral("MARIA"), -20).arg(7, 2, 10, QLatin1Char('0')));
        exchange::DeskSession::setPeriod(2);
        exchange::DeskSession::setDesk(1);
        // The period was opened yesterday evening, the desk after midnight:
        // the sales carry the period's date, and so must every figure.
        const QString periodDate = QDate::currentDate().addDays(-1).toString(QStringLiteral("ddMMyyyy"));
        exchange::DeskSession::setOpening(
            {periodDate, QStringLiteral("180000"), todayDDMMYYYY(), QStringLiteral("000500")});
        period = {QDate::currentDate().addDays(-1).toString(QStringLiteral("yyyyMMdd")), 2};
    }

    ShownTable shown(int idMesa) { return reader.LERMESA(idMesa, false).table; }

    // prepare, the payment module taking the bill, GRAVAR.
    void close(int idMesa, Then expected = Then::Pay)
    {
        const ShownTable table = shown(idMesa);
        const ClosingService::Preparation p = closing.prepare(table);
        ASSERT_EQ(p.then, expected) << idMesa << " " << p.outcome.message.toStdString();
        if (expected == Then::Pay)
            exchange::PaymentExchange::answer(
                {true, QStringLiteral("01").leftJustified(350, QLatin1Char(' ')), Decimal(), Decimal()});
        const Outcome written = closing.GRAVAR(table, {QString::number(table.people()), QString()});
        ASSERT_TRUE(written.done()) << idMesa << " " << written.message.toStdString();
    }
    QString sql(const QString &text) const { return db.value(text); }

    TestDatabase db{true};
    TableReader reader{desk::sql(), desk::session()};
    ClosingService closing{desk::sql(), desk::session()};
    SalesFigures figures{desk::sql()};
    SalesFigures::Period period;
};

TEST_F(SalesFiguresTest, ASplitAccountCountsOnceAsTheDishesServedAndTheMoneyTaken)
{
    // Table 44: 44/01 is the family's bill, 44/02 and 44/03 two of them
    // who pay a share each (44/02 also had a coffee of its own); table 45
    // receives a hamburger moved from 44/01.
    setPosition(db, 4401, 'A', 3, 4, "10.00");
    const qint64 burger1 = addItem(db, {4401, 112, "40.00"});
    const qint64 burger2 = addItem(db, {4401, 112, "40.00"});
    const qint64 fries = addItem(db, {4401, 201, "28.00"});
    const qint64 dessert = addItem(db, {4401, 303, "7.00"});
    setPosition(db, 4402, 'A', 1, 8, "10.00");
    addItem(db, {4402, 303, "7.00", 'I', 0, 'N', "0", 999999, 8});
    setPosition(db, 4403, 'A', 1, 8, "0.00");
    setPosition(db, 4501, 'A', 2, 4, "10.00");
    addItem(db, {4501, 201, "28.00"});

    CancelService cancel(desk::sql());
    CancelService::Cancellation c;
    c.shown = shown(4401).opening(), c.items = {dessert}, c.liveItems = {burger1, burger2, fries, dessert};
    c.reasonCode = 1, c.idOperador = 1;
    ASSERT_TRUE(cancel.CANCITE(c).done());
    TransferService transfer(desk::sql());
    Outcome refusal;
    QString targetOpened;
    ASSERT_EQ(transfer.target(4501, refusal, &targetOpened), TransferService::Target::Open);
    ASSERT_TRUE(transfer.TRANSFERE(shown(4401), 4501, targetOpened, {burger2}).done());

    // The bill of 44/01 (40,00 + 28,00) printed and shared by 44/02 and 44/03.
    db.run(QStringLiteral("UPDATE mov_Mesa SET status='B' WHERE idMesa=4401"));
    SplitService split(desk::sql(), desk::session());
    SplitService::Request request;
    ASSERT_TRUE(split.check(shown(4401), 4401, request).done());
    ASSERT_EQ(request.amount.toDisplay(2), QStringLiteral("68,00"));
    ASSERT_TRUE(split.DIVIDIR(request, {4402, 4403}).done());

    close(4401, Then::Write);
    for (int idMesa : {4402, 4403, 4501}) {
        db.run(QStringLiteral("UPDATE mov_Mesa SET status='B' WHERE idMesa=%1").arg(idMesa));
        close(idMesa);
    }
    // 44/02: 34,00 + 7,00 + 10 %; 44/03: 34,00 without service;
    // 45/01: 28,00 + 40,00 + 10 %.
    const Decimal taken = Decimal::fromCents(4510 + 3400 + 7480);
    ASSERT_EQ(sql(QStringLiteral("SELECT SUM(valorTotal) FROM mov_Vendas WHERE recebimento<>REPEAT('0',350)")),
              QStringLiteral("153.90"));

    const auto tables = figures.closedTables(period, 1);
    const auto commissions = figures.commissions(period, 1);
    const auto mix = figures.menuMix(period);
    const auto overview = figures.overview(period);
    ASSERT_TRUE(tables && commissions && mix && overview) << figures.error().message.toStdString();

    // The money taken, once, in every screen that shows money taken.
    EXPECT_EQ(tables->total, taken);
    EXPECT_EQ(overview->total, taken);
    // The accounts paid: 44/02, 44/03 and 45/01; the split position is
    // listed, marked, and counted nowhere.
    EXPECT_EQ(tables->accounts, 3);
    EXPECT_EQ(overview->accounts, 3);
    EXPECT_EQ(commissions->count, 3);
    ASSERT_EQ(tables->rows.size(), 4u);
    EXPECT_EQ(std::count_if(tables->rows.begin(), tables->rows.end(), [](const auto &r) { return r.split; }), 1);
    // The people who sat: the family at its two paying positions and 45/01.
    EXPECT_EQ(tables->people, 4);
    // The service of the paid accounts: 4,10 at 44/02, none at 44/03 (no
    // service there), 6,80 at 45/01; the split position had none left.
    EXPECT_EQ(commissions->total, Decimal::fromCents(410 + 680));
    // The dishes served, wherever they ended up: no share item, no
    // cancelled dessert, the moved hamburger once.
    std::map<std::int64_t, std::pair<std::int64_t, QString>> dishes;
    for (const auto &line : mix->rows)
        dishes[line.code] = {line.count, line.value.toDisplay(2)};
    EXPECT_EQ(dishes, (std::map<std::int64_t, std::pair<std::int64_t, QString>>{
                          {112, {2, QStringLiteral("80,00")}},
                          {201, {2, QStringLiteral("56,00")}},
                          {303, {1, QStringLiteral("7,00")}},
                      }));
    EXPECT_EQ(mix->count, 5);
}

TEST_F(SalesFiguresTest, AFailedReadGivesNothingAndTheServersAnswer)
{
    SqlTestProbe::on(desk::sql())
        .failNext("FETCH CURVEN", QStringLiteral("HY000"), QStringLiteral("lost in the middle"));
    EXPECT_FALSE(figures.overview(period));
    EXPECT_EQ(figures.error().state, QStringLiteral("HY000"));
    EXPECT_EQ(figures.error().message, QStringLiteral("lost in the middle"));
    // The cursor was closed: the next read works.
    EXPECT_TRUE(figures.menuMix(period));
}

} // namespace
} // namespace qv::test
