// Two cash desks closing the same account: exactly one of them opens the
// payment module, the other is refused before taking any money, with the
// desk, operator and time of the claim that stands. The claim ends with
// the sale, with an abandoned payment, and when the desk that took it stops
// renewing it for longer than the bound.
#include "board/TableReader.h"
#include "data/Statements.h"
#include "platform/SharedRecords.h"
#include "platform/Sql.h"
#include "platform/ui/Desk.h"
#include "session/Exchanges.h"
#include "session/Session.h"
#include "tables/ClosingService.h"

#include "Seed.h"
#include "TestSupport.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

namespace qv::test {
namespace {

using Then = ClosingService::Then;

constexpr int kBound = 2; // seconds without renewal before a claim may be taken over

class PaymentClaimTest : public ::testing::Test
{
protected:
    PaymentClaimTest()
    {
        startDinnerAtDesk1();
        records::W_VARS_SQL().setDigits(21, 2, 1); // MARIANA SOUZA logged in
        Sql::Connection c;
        c.socket = TestDatabase::socket();
        c.database = db.name();
        otherSql.setConnection(c);
    }

    ShownTable shown(Sql &sql, int idMesa)
    {
        TableReader reader(sql, desk::session());
        const TableReader::Reading reading = reader.LERMESA(idMesa, false);
        EXPECT_EQ(reading.result, TableReader::Reading::Result::Shown) << idMesa;
        return reading.table;
    }
    // Whether the payment module was handed a request since the flag was
    // cleared: a refused desk must not have reached it.
    static void clearRequest() { records::L_LINK().setAt(exchange::PaymentExchange::kFlag, ' '); }
    static bool requested() { return records::L_LINK().at(exchange::PaymentExchange::kFlag) != ' '; }
    QString claims() const { return db.value(QStringLiteral("SELECT COUNT(*) FROM mov_MesaCobranca")); }

    static void expectRefusedByDesk1(const ClosingService::Preparation &p)
    {
        EXPECT_EQ(p.then, Then::Stop);
        EXPECT_TRUE(p.outcome.refused());
        EXPECT_EQ(p.outcome.severity, Outcome::Severity::Stop);
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^Mesa em pagamento no caixa 1 \\(MARIANA SOUZA\\) desde "
                                                      "\\d\\d:\\d\\d:\\d\\d, aguarde !!!$"))
                        .match(p.outcome.message)
                        .hasMatch())
            << p.outcome.message.toStdString();
    }

    TestDatabase db{true};
    Sql otherSql;
    ClosingService deskA{desk::sql(), desk::session(), kBound};
    ClosingService deskB{otherSql, desk::session(), kBound};
};

TEST_F(PaymentClaimTest, OneDeskTakesThePaymentAndTheOtherIsRefusedBeforeIt)
{
    const ShownTable atA = shown(desk::sql(), 1501);
    const ShownTable atB = shown(otherSql, 1501);

    clearRequest();
    ASSERT_EQ(deskA.prepare(atA).then, Then::Pay);
    EXPECT_TRUE(requested());
    clearRequest();
    expectRefusedByDesk1(deskB.prepare(atB));
    EXPECT_FALSE(requested());
    // The desk that holds the claim may come back to it.
    EXPECT_EQ(deskA.prepare(atA).then, Then::Pay);

    // Abandoned: the other desk may take it at once.
    ASSERT_TRUE(deskA.abandonPayment(atA));
    EXPECT_EQ(claims(), QStringLiteral("0"));
    clearRequest();
    const ClosingService::Preparation taken = deskB.prepare(atB);
    ASSERT_EQ(taken.then, Then::Pay);
    EXPECT_TRUE(taken.notice.isEmpty());
    EXPECT_TRUE(requested());
    clearRequest();
    expectRefusedByDesk1(deskA.prepare(atA));
    EXPECT_FALSE(requested());

    // The sale ends the claim with it.
    exchange::PaymentExchange::answer({true, QStringLiteral("01").leftJustified(350), Decimal(), Decimal()});
    ASSERT_TRUE(deskB.GRAVAR(atB, {}).done());
    EXPECT_EQ(claims(), QStringLiteral("0"));
    EXPECT_EQ(deskA.prepare(atA).outcome.message, QStringLiteral("Mesa já foi fechada em outro caixa !!!"));
}

TEST_F(PaymentClaimTest, ADeskThatDiedHoldsTheAccountNoLongerThanTheBound)
{
    const ShownTable atB = shown(otherSql, 1501);
    {
        // Desk A claims, keeps its claim alive for a while, and dies with
        // its payment module open: its connection goes, nothing is released.
        Sql dying;
        Sql::Connection c;
        c.socket = TestDatabase::socket();
        c.database = db.name();
        dying.setConnection(c);
        ClosingService deskDying(dying, desk::session(), kBound);
        const ShownTable atA = shown(dying, 1501);
        ASSERT_EQ(deskDying.prepare(atA).then, Then::Pay);
        for (int i = 0; i < 3; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(900));
            ASSERT_TRUE(deskDying.renewClaim(atA));
            // Renewed, the claim stands past the bound counted from the claim.
            expectRefusedByDesk1(deskB.prepare(atB));
        }
        dying.disconnect();
    }
    expectRefusedByDesk1(deskB.prepare(atB));

    // Past the bound without renewal it is taken over, and the cashier is
    // told whose claim it was.
    std::this_thread::sleep_for(std::chrono::milliseconds(kBound * 1000 + 1100));
    clearRequest();
    const ClosingService::Preparation taken = deskB.prepare(atB);
    ASSERT_EQ(taken.then, Then::Pay) << taken.outcome.message.toStdString();
    EXPECT_TRUE(requested());
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^Pagamento do caixa 1 \\(MARIANA SOUZA\\) desde \\d\\d:\\d\\d:\\d\\d "
                                          "foi abandonado, a mesa passa para este caixa !!!$"))
            .match(taken.notice)
            .hasMatch())
        << taken.notice.toStdString();
    // One claim per position: desk B's replaced the dead desk's.
    EXPECT_EQ(db.value(QStringLiteral("SELECT COUNT(*) FROM mov_MesaCobranca WHERE idMesa=1501")), QStringLiteral("1"));
}

TEST_F(PaymentClaimTest, AClaimOfAnEarlierAccountDoesNotHoldTheNextOne)
{
    const ShownTable atA = shown(desk::sql(), 1501);
    ASSERT_EQ(deskA.prepare(atA).then, Then::Pay);
    // The account was closed and the position opened again elsewhere, with
    // desk A's claim left behind: the new account is free to be paid.
    db.run(QStringLiteral("UPDATE mov_Mesa SET horaAbertura='23:30:00' WHERE idMesa=1501"));
    const ShownTable next = shown(otherSql, 1501);
    const ClosingService::Preparation p = deskB.prepare(next);
    EXPECT_EQ(p.then, Then::Pay) << p.outcome.message.toStdString();
    EXPECT_TRUE(p.notice.isEmpty());
    // Desk A's renewal finds the claim is no longer its own.
    EXPECT_FALSE(deskA.renewClaim(atA));
}

} // namespace
} // namespace qv::test
