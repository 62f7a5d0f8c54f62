// The split account without any form: the checks before the chooser and
// the shares written after it.
#include "board/TableReader.h"
#include "data/Statements.h"
#include "platform/Sql.h"
#include "platform/SqlProbe.h"
#include "platform/ui/Desk.h"
#include "session/Exchanges.h"
#include "session/Session.h"
#include "tables/SplitService.h"

#include "Seed.h"
#include "TestSupport.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

namespace qv::test {
namespace {

class SplitServiceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // Operator 07 is logged in: the shares are booked in that name.
        exchange::SessionVariables::write(
            QStringLiteral("%1%2").arg(QStringLiteral("MARIA"), -20).arg(7, 2, 10, QLatin1Char('0')));
    }

    // Table 42: 01 blocked with two items, 02 to 04 open, 05 bill requested.
    void splitTable(const char *first, const char *second, const char *manual, const char *service)
    {
        setPosition(db, 4201, 'B', 4, 4, service);
        addItem(db, {4201, 112, first});
        addItem(db, {4201, 201, second});
        db.run(QStringLiteral("UPDATE mov_Mesa SET descontoManual=%1 WHERE idMesa=4201").arg(QLatin1String(manual)));
        for (int point : {2, 3, 4})
            setPosition(db, 4200 + point, 'A');
        setPosition(db, 4205, 'I');
    }
    ShownTable read(int idMesa)
    {
        TableReader reader(desk::sql(), desk::session());
        return reader.LERMESA(idMesa, false).table;
    }
    // check() on the position as read, then the writing for `positions`.
    Outcome split(int idMesa, const std::vector<int> &positions)
    {
        SplitService::Request request;
        const Outcome checked = service.check(read(idMesa), idMesa, request);
        if (!checked.done())
            return checked;
        EXPECT_EQ(request.position, idMesa);
        return service.DIVIDIR(request, positions);
    }
    QStringList shares()
    {
        return db
            .value(QStringLiteral("SELECT CONCAT_WS(' ',idMesa,valorUnitario,idCardapio,idGrupo,idProduto,idOperador,"
                                  "status,idComanda,produzido,viagem) FROM mov_MesaItem WHERE idProduto=999999 "
                                  "ORDER BY idItem"))
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    QString column(const char *name, int idMesa)
    {
        return db.value(QStringLiteral("SELECT %1 FROM mov_Mesa WHERE idMesa=%2").arg(QLatin1String(name)).arg(idMesa));
    }

    TestDatabase db{true};
    SplitService service{desk::sql(), desk::session()};
};

TEST_F(SplitServiceTest, TheAmountSharedLeavesTheServiceOutAndEveryShareIsOneItem)
{
    // 90,00 of products, 9,00 manual discount, 10 % service on 90,00.
    splitTable("50.00", "40.00", "9.00", "10.00");
    SplitService::Request request;
    ASSERT_TRUE(service.check(read(4201), 4201, request).done());
    EXPECT_EQ(request.amount.toDisplay(2), QStringLiteral("81,00"));

    const Outcome outcome = service.DIVIDIR(request, {4202, 4203, 4204});
    ASSERT_TRUE(outcome.done()) << outcome.message.toStdString();
    EXPECT_EQ(outcome.next, Outcome::Next::Release);
    EXPECT_TRUE(outcome.message.isEmpty());
    // Menu 30, group 19, product 999999, the logged-in operator, no ticket.
    EXPECT_EQ(shares(), (QStringList{QStringLiteral("4202 27.00 30 19 999999 7 I 999999 N N"),
                                     QStringLiteral("4203 27.00 30 19 999999 7 I 999999 N N"),
                                     QStringLiteral("4204 27.00 30 19 999999 7 I 999999 N N")}));
    // One order time for all, the server's.
    const QString times =
        db.value(QStringLiteral("SELECT GROUP_CONCAT(DISTINCT horaPedido) FROM mov_MesaItem WHERE idProduto=999999"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d$")).match(times).hasMatch())
        << times.toStdString();
    // The split position: flagged, no service any more, still blocked.
    EXPECT_EQ(column("dividida", 4201), QStringLiteral("S"));
    EXPECT_EQ(column("taxaServico", 4201), QStringLiteral("0.00"));
    EXPECT_EQ(column("status", 4201), QStringLiteral("B"));
    EXPECT_FALSE(desk::sql().inUnitOfWork());
}

TEST_F(SplitServiceTest, TheLastChosenPositionTakesTheCentsInTheChoosersOrder)
{
    splitTable("60.00", "40.00", "0", "0.00");
    ASSERT_TRUE(split(4201, {4204, 4202, 4203}).done());
    EXPECT_EQ(shares(), (QStringList{QStringLiteral("4204 33.33 30 19 999999 7 I 999999 N N"),
                                     QStringLiteral("4202 33.33 30 19 999999 7 I 999999 N N"),
                                     QStringLiteral("4203 33.34 30 19 999999 7 I 999999 N N")}));
    EXPECT_EQ(db.value(QStringLiteral("SELECT SUM(valorUnitario) FROM mov_MesaItem WHERE idProduto=999999")),
              QStringLiteral("100.00"));
}

TEST_F(SplitServiceTest, OnlyTheBlockedPositionOnShowAndOnlyOnceAreSplitAndRefusalsSayNothing)
{
    splitTable("60.00", "40.00", "0", "0.00");
    setPosition(db, 8101, 'B');
    const auto silentlyRefused = [](const Outcome &outcome) { return outcome.refused() && outcome.message.isEmpty(); };
    SplitService::Request request;
    EXPECT_TRUE(silentlyRefused(service.check(read(4202), 4202, request))); // open
    EXPECT_TRUE(silentlyRefused(service.check(read(4205), 4205, request))); // bill requested
    EXPECT_TRUE(silentlyRefused(service.check(read(4201), 0, request)));    // typed, not read
    EXPECT_TRUE(silentlyRefused(service.check(read(4201), 4206, request))); // another position
    EXPECT_TRUE(silentlyRefused(service.check(read(8101), 8101, request))); // past the last position
    EXPECT_TRUE(shares().isEmpty());

    // Nothing chosen writes nothing.
    ASSERT_TRUE(service.check(read(4201), 4201, request).done());
    EXPECT_TRUE(silentlyRefused(service.DIVIDIR(request, {})));
    EXPECT_EQ(column("dividida", 4201), QStringLiteral("N"));

    // Once split, never again.
    ASSERT_TRUE(split(4201, {4202, 4203}).done());
    EXPECT_TRUE(silentlyRefused(split(4201, {4202, 4203})));
    EXPECT_EQ(shares().size(), 2);
}

TEST_F(SplitServiceTest, AnyFailureWritesNoShareAndNoFlagAndTellsItsState)
{
    splitTable("60.00", "40.00", "0", "10.00");
    const QString lost = QStringLiteral(" na gravação da conta dividida, nada foi dividido !!!");
    for (const std::string_view statement : {stmt::kServerTime, stmt::kInsertItem, stmt::kMarkSplit}) {
        SplitService::Request request;
        ASSERT_TRUE(service.check(read(4201), 4201, request).done());
        SqlTestProbe::on(desk::sql()).failNext(statement, QStringLiteral("40001"));
        const Outcome outcome = service.DIVIDIR(request, {4202, 4203, 4204});
        EXPECT_TRUE(outcome.failed()) << statement;
        EXPECT_EQ(outcome.message, QStringLiteral("Erro 40001") + lost) << statement;
        EXPECT_EQ(outcome.severity, Outcome::Severity::Stop);
        EXPECT_EQ(outcome.error.state, QStringLiteral("40001"));
        EXPECT_EQ(outcome.next, Outcome::Next::Stay) << statement;
        EXPECT_TRUE(shares().isEmpty()) << statement;
        EXPECT_EQ(column("dividida", 4201), QStringLiteral("N")) << statement;
        EXPECT_EQ(column("taxaServico", 4201), QStringLiteral("10.00")) << statement;
        EXPECT_FALSE(desk::sql().inUnitOfWork()) << statement;
    }

    // An unreadable flag splits nothing: it could have been split already.
    const ShownTable table = read(4201);
    SqlTestProbe::on(desk::sql()).failNext(stmt::kTableSplitFlag, QStringLiteral("HY000"));
    SplitService::Request request;
    const Outcome unread = service.check(table, 4201, request);
    EXPECT_TRUE(unread.failed());
    EXPECT_EQ(unread.message, QStringLiteral("Erro HY000 na leitura da mesa, conta não dividida !!!"));

    // And the split works afterwards.
    EXPECT_TRUE(split(4201, {4202, 4203}).done());
    EXPECT_EQ(shares().size(), 2);
}

TEST(SplitExchangeChoice, TheChosenPositionsComeBackInOrderOnTheTableOfTheRequest)
{
    using exchange::SplitExchange;
    SplitExchange::write({4201, Decimal::fromCents(10000)});
    EXPECT_FALSE(SplitExchange::read().split);
    EXPECT_TRUE(SplitExchange::read().positions.empty());

    SplitExchange::answer({true, {4207, 4202, 4298}});
    const SplitExchange::Answer chosen = SplitExchange::read();
    EXPECT_TRUE(chosen.split);
    EXPECT_EQ(chosen.positions, (std::vector<int>{4207, 4202, 4298}));

    // A new request forgets the last answer.
    SplitExchange::write({4301, Decimal::fromCents(500)});
    EXPECT_FALSE(SplitExchange::read().split);
    EXPECT_TRUE(SplitExchange::read().positions.empty());
}

} // namespace
} // namespace qv::test
