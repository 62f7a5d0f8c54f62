// Closing an account without any form: the checks before the payment and
// the sale GRAVAR writes after it.
#include "board/TableReader.h"
#include "data/Statements.h"
#include "platform/Log.h"
#include "platform/SharedRecords.h"
#include "platform/Sql.h"
#include "platform/SqlProbe.h"
#include "platform/ui/Desk.h"
#include "session/Exchanges.h"
#include "session/Session.h"
#include "tables/ClosingService.h"

#include "Seed.h"
#include "TestSupport.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace qv::test {
namespace {

using Then = ClosingService::Then;

class ClosingServiceTest : public ::testing::Test
{
protected:
    ClosingServiceTest() { startDinnerAtDesk1(); }

    ShownTable shown(int idMesa)
    {
        const auto reading = reader.LERMESA(idMesa, false);
        EXPECT_EQ(reading.result, TableReader::Reading::Result::Shown) << idMesa;
        return reading.table;
    }
    // The payment module's side: what it takes, as the module answers.
    static void pay(Decimal tip = Decimal(), Decimal service = Decimal())
    {
        exchange::PaymentExchange::answer(
            {true, QStringLiteral("01").leftJustified(350, QLatin1Char(' ')), tip, service});
    }
    // prepare, the module paying, GRAVAR: the whole closing of a position.
    Outcome close(int idMesa, Decimal tip = Decimal(), Decimal service = Decimal())
    {
        const ShownTable table = shown(idMesa);
        const ClosingService::Preparation p = closing.prepare(table);
        EXPECT_EQ(p.then, Then::Pay) << idMesa;
        EXPECT_FALSE(desk::sql().inUnitOfWork());
        pay(tip, service);
        // The people field shows the stored count; no other waiter chosen.
        return closing.GRAVAR(table, {QString::number(table.people()), QString()});
    }

    QString value(const QString &sql) const { return db.value(sql); }
    QString sales() const { return value(QStringLiteral("SELECT COUNT(*) FROM mov_Vendas")); }
    QString saleItems() const { return value(QStringLiteral("SELECT COUNT(*) FROM mov_VendasItem")); }
    QString saleObservations() const { return value(QStringLiteral("SELECT COUNT(*) FROM mov_VendasItemObs")); }
    QString items(int idMesa) const
    {
        return value(QStringLiteral("SELECT COUNT(*) FROM mov_MesaItem WHERE idMesa=%1").arg(idMesa));
    }
    QString observations(int idMesa) const
    {
        return value(QStringLiteral("SELECT COUNT(*) FROM mov_MesaItemObs WHERE idMesa=%1").arg(idMesa));
    }
    QString freeRow(int idMesa) const
    {
        return value(QStringLiteral("SELECT CONCAT_WS('|',status,qtdPessoas,idGarcon,horaAbertura,idDesconto,"
                                    "descontoManual,CONCAT('[',operDesc,']'),taxaServico,dividida) FROM mov_Mesa "
                                    "WHERE idMesa=%1")
                         .arg(idMesa));
    }
    void kitchen(qint64 idItem, int table, const char *ready, const char *collected, const char *delivered, int cook)
    {
        db.run(QStringLiteral("INSERT INTO mov_Cozinha(idItem,tipo,idPedMesa,hrPronto,idCozinheiro,baixaGarHora,"
                              "hrEntrega) VALUES(%1,'M',%2,'%3',%4,'%5','%6')")
                   .arg(idItem)
                   .arg(table)
                   .arg(QLatin1String(ready))
                   .arg(cook)
                   .arg(QLatin1String(collected), QLatin1String(delivered)));
    }

    TestDatabase db{true};
    TableReader reader{desk::sql(), desk::session()};
    ClosingService closing{desk::sql(), desk::session()};
};

TEST_F(ClosingServiceTest, ATableWithItemsMustBePrintedFirst)
{
    for (const int idMesa : {1201, 1801}) { // 'A', and 'I' reads as not blocked too
        const QString before = freeRow(idMesa);
        records::L_LINK().setAt(exchange::PaymentExchange::kFlag, ' ');
        const ClosingService::Preparation p = closing.prepare(shown(idMesa));
        EXPECT_EQ(p.then, Then::Stop);
        EXPECT_TRUE(p.outcome.refused());
        EXPECT_EQ(p.outcome.message, QStringLiteral("Mesa ainda não foi impressa !!!"));
        EXPECT_EQ(p.outcome.severity, Outcome::Severity::Information);
        EXPECT_EQ(p.outcome.next, Outcome::Next::Stay);
        EXPECT_EQ(freeRow(idMesa), before);
        // Nothing was handed to a payment module.
        EXPECT_EQ(records::L_LINK().at(exchange::PaymentExchange::kFlag), ' ');
    }
    EXPECT_EQ(sales(), QStringLiteral("0"));
}

TEST_F(ClosingServiceTest, EmptyPositionIsFreedWithoutASaleBlockedOrNot)
{
    ClosingService::Preparation p = closing.prepare(shown(2101)); // open, nothing ordered
    EXPECT_EQ(p.then, Then::Stop);
    EXPECT_TRUE(p.outcome.done());
    EXPECT_EQ(p.outcome.next, Outcome::Next::Release);
    // Freed silently: the cashier sees the board, not a box.
    EXPECT_TRUE(p.outcome.message.isEmpty());
    EXPECT_EQ(freeRow(2101), QStringLiteral("F|0|0|00:00:00|0|0.00|[]|0.00|N"));

    // Blocked, split, with a discount: no payment is asked for either.
    setPosition(db, 4101, 'B', 2, 6, "10.00");
    db.run(QStringLiteral("UPDATE mov_Mesa SET idDesconto=3,descontoManual=2,operDesc='ROBERTO LIMA',dividida='S' "
                          "WHERE idMesa=4101"));
    records::L_LINK().setAt(exchange::PaymentExchange::kFlag, ' ');
    p = closing.prepare(shown(4101));
    EXPECT_EQ(p.then, Then::Stop);
    EXPECT_TRUE(p.outcome.done());
    EXPECT_TRUE(p.outcome.message.isEmpty());
    EXPECT_EQ(p.outcome.next, Outcome::Next::Release);
    EXPECT_EQ(records::L_LINK().at(exchange::PaymentExchange::kFlag), ' ');
    EXPECT_EQ(freeRow(4101), QStringLiteral("F|0|0|00:00:00|0|0.00|[]|0.00|N"));
    EXPECT_EQ(sales(), QStringLiteral("0"));

    // A reset that cannot be stored keeps the position.
    setPosition(db, 4102, 'A');
    SqlTestProbe::on(desk::sql()).failNext(stmt::kResetTable);
    p = closing.prepare(shown(4102));
    EXPECT_TRUE(p.outcome.failed());
    EXPECT_EQ(p.outcome.message, QStringLiteral("Erro HY000 gravando a liberação da mesa !!!"));
    EXPECT_EQ(p.outcome.next, Outcome::Next::Stay);
    EXPECT_EQ(value(QStringLiteral("SELECT status FROM mov_Mesa WHERE idMesa=4102")), QStringLiteral("A"));
}

TEST_F(ClosingServiceTest, ThePaymentModuleGetsTheTotalAndTheFee)
{
    // Leftovers of an earlier closing.
    records::W_TAB_REPIQUE().setDigits(1234);
    records::W_TAB_SERVICO().setDigits(777);
    const ClosingService::Preparation p = closing.prepare(shown(1501));
    ASSERT_EQ(p.then, Then::Pay);
    EXPECT_EQ(records::L_LINK().at(exchange::PaymentExchange::kFlag), 'M');
    const exchange::PaymentExchange::Request request = exchange::PaymentExchange::request();
    EXPECT_EQ(request.total.toDisplay(2), QStringLiteral("190,08"));
    EXPECT_EQ(request.servicePercent.toDisplay(2), QStringLiteral("10,00"));
    EXPECT_EQ(records::W_TAB_TAXASER().digits(), 1000u);
    EXPECT_EQ(records::L_LINK().digits(exchange::PaymentExchange::kTotalFrom, exchange::PaymentExchange::kTotalDigits),
              19008u);
    EXPECT_EQ(records::L_LINK().text(26, 6), QStringLiteral("000000"));
    EXPECT_EQ(records::W_TAB_REPIQUE().digits(), 0u);
    EXPECT_EQ(records::W_TAB_SERVICO().digits(), 0u);
    // Nothing is held while the module runs.
    EXPECT_FALSE(desk::sql().inUnitOfWork());
    EXPECT_EQ(sales(), QStringLiteral("0"));
}

TEST_F(ClosingServiceTest, CancelledItemsAreCopiedFlagged)
{
    // Demo table 15/01: blocked, 5 % table discount, one beer cancelled by
    // operator 1 for reason 1.
    QTemporaryDir logs;
    const QString logPath = logs.path() + QStringLiteral("/quorvel.log");
    ASSERT_TRUE(log::open(logPath));
    const Outcome o = close(1501);
    log::close();
    EXPECT_TRUE(o.done());
    // The sale is in the support log with its number, table, desk and total.
    QFile logFile(logPath);
    ASSERT_TRUE(logFile.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(logFile.readAll())
                    .contains(QStringLiteral("venda %1 gravada: mesa 015/01, caixa 1, período 2, total 190,08")
                                  .arg(value(QStringLiteral("SELECT idVenda FROM mov_Vendas")))));
    EXPECT_EQ(o.next, Outcome::Next::Release);
    EXPECT_EQ(saleItems(), QStringLiteral("8"));
    EXPECT_EQ(value(QStringLiteral("SELECT CONCAT_WS('|',sequencia,idProduto,cancelado,idMotivoCanc,idOpeCanc,"
                                   "operBaixa) FROM mov_VendasItem WHERE cancelado='S'")),
              QStringLiteral("6|307|S|1|1|"));
    EXPECT_EQ(value(QStringLiteral("SELECT COUNT(*) FROM mov_VendasItem WHERE cancelado='N' AND "
                                   "operBaixa='MARCOS GOMES'")),
              QStringLiteral("7"));
    EXPECT_EQ(value(QStringLiteral("SELECT CONCAT_WS('|',nrMesa,pontoMesa,qtdPessoas,idGarcon,idDesconto,operDesc,"
                                   "valorProdutos,valorServico,valorTotal) FROM mov_Vendas")),
              QStringLiteral("15|1|5|11|5|MARIANA SOUZA|181.90|17.28|190.08"));
    const QString ddmmyyyy = todayDDMMYYYY();
    EXPECT_EQ(
        value(QStringLiteral("SELECT CONCAT_WS('|',tipo,data,turno,nrCaixa,LENGTH(recebimento)) FROM mov_Vendas")),
        QStringLiteral("M|%1|2|1|350").arg(ddmmyyyy.mid(4, 4) + ddmmyyyy.mid(2, 2) + ddmmyyyy.left(2)));
    EXPECT_EQ(freeRow(1501), QStringLiteral("F|0|0|00:00:00|0|0.00|[]|0.00|N"));
    EXPECT_EQ(items(1501), QStringLiteral("0"));
    EXPECT_EQ(observations(1501), QStringLiteral("0"));
}

TEST_F(ClosingServiceTest, TheCashiersPeopleAndWaiterWinOverTheStoredOnes)
{
    const ShownTable table = shown(1501);
    ASSERT_EQ(closing.prepare(table).then, Then::Pay);
    pay();
    EXPECT_TRUE(closing.GRAVAR(table, {QStringLiteral("7"), QStringLiteral("ANTONIO SILVA")}).done());
    EXPECT_EQ(value(QStringLiteral("SELECT CONCAT_WS('|',qtdPessoas,idGarcon) FROM mov_Vendas")),
              QStringLiteral("7|5"));
}

TEST_F(ClosingServiceTest, ServiceTakenOnATableWithoutFee)
{
    // Demo table 25/01: no fee, manual discount 5,00; the customer pays a
    // service of 5,00 and a tip of 2,50 anyway.
    db.run(QStringLiteral("UPDATE mov_Mesa SET status='B' WHERE idMesa=2501"));
    const ShownTable table = shown(2501);
    EXPECT_EQ(table.totals.tableTotal.toDisplay(2), QStringLiteral("36,90"));
    ASSERT_EQ(closing.prepare(table).then, Then::Pay);
    // The module is told the table carries no fee.
    EXPECT_TRUE(exchange::PaymentExchange::request().servicePercent.isZero());
    EXPECT_EQ(records::W_TAB_TAXASER().digits(), 0u);
    pay(Decimal::fromCents(250), Decimal::fromCents(500));
    EXPECT_TRUE(closing.GRAVAR(table, {QString::number(table.people()), QString()}).done());
    EXPECT_EQ(value(QStringLiteral("SELECT CONCAT_WS('|',valorRepique,valorProdutos,descontoManual,operDesc,"
                                   "valorServico,valorTotal) FROM mov_Vendas")),
              QStringLiteral("2.50|41.90|5.00|ANDRE MARTINS|5.00|41.90"));
}

TEST_F(ClosingServiceTest, SplitPositionIsWrittenWithoutPayment)
{
    records::W_TAB_REPIQUE().setDigits(999);
    records::W_TAB_SERVICO().setDigits(777);
    db.run(QStringLiteral("UPDATE mov_Mesa SET dividida='S',taxaServico=0 WHERE idMesa=1501"));
    const ShownTable table = shown(1501);
    const ClosingService::Preparation p = closing.prepare(table);
    ASSERT_EQ(p.then, Then::Write);
    EXPECT_TRUE(closing.GRAVAR(table, {}).done());
    EXPECT_EQ(value(QStringLiteral("SELECT CONCAT_WS('|',recebimento=REPEAT('0',350),valorRepique,valorServico,"
                                   "valorTotal) FROM mov_Vendas")),
              QStringLiteral("1|0.00|0.00|172.80"));
    EXPECT_EQ(freeRow(1501), QStringLiteral("F|0|0|00:00:00|0|0.00|[]|0.00|N"));
}

TEST_F(ClosingServiceTest, TheSplitMarkThatCannotBeReadStopsTheClosing)
{
    SqlTestProbe::on(desk::sql()).failNext(stmt::kTableSplitFlag);
    const ClosingService::Preparation p = closing.prepare(shown(1501));
    EXPECT_EQ(p.then, Then::Stop);
    EXPECT_TRUE(p.outcome.failed());
    EXPECT_EQ(p.outcome.message, QStringLiteral("Erro HY000 lendo a mesa !!!"));
    EXPECT_EQ(p.outcome.severity, Outcome::Severity::Stop);
    EXPECT_EQ(p.outcome.next, Outcome::Next::Stay);
}

TEST_F(ClosingServiceTest, KitchenMinutesOfTheWorkedExample)
{
    setPosition(db, 4201, 'B', 2, 4, "10.00");
    const qint64 first = addItem(db, {4201, 112, "30.00"});
    const qint64 second = addItem(db, {4201, 101, "50.00"});
    addItem(db, {4201, 303, "7.00"});
    kitchen(first, 42, "12:10:00", "12:25:30", "12:40:00", 4);
    kitchen(second, 42, "12:02:00", "00:00:00", "12:40:00", 5);
    EXPECT_TRUE(close(4201).done());
    EXPECT_EQ(value(QStringLiteral("SELECT GROUP_CONCAT(CONCAT_WS('|',idProduto,idCozinheiro,minutosRetirada,"
                                   "minutosEntrega) ORDER BY sequencia SEPARATOR ';') FROM mov_VendasItem")),
              QStringLiteral("112|4|15|14;101|5|0|30;303|0|0|0"));
    // The kitchen's records are the kitchen's: they stay.
    EXPECT_EQ(value(QStringLiteral("SELECT COUNT(*) FROM mov_Cozinha WHERE idPedMesa=42")), QStringLiteral("2"));
}

TEST_F(ClosingServiceTest, TwentyObservationsReachTheSale)
{
    setPosition(db, 4301, 'B', 1, 4, "10.00");
    const qint64 item = addItem(db, {4301, 112, "38.50"});
    for (int i = 0; i < 23; ++i)
        addObservation(db, item, 4301, 1 + i % 20, 'O');
    const qint64 other = addItem(db, {4301, 201, "28.00"});
    addObservation(db, other, 4301, 7, 'S');
    EXPECT_TRUE(close(4301).done());
    EXPECT_EQ(value(QStringLiteral("SELECT COUNT(*) FROM mov_VendasItemObs WHERE sequencia=1")), QStringLiteral("20"));
    EXPECT_EQ(value(QStringLiteral("SELECT CONCAT_WS('|',idObs,tipo) FROM mov_VendasItemObs WHERE sequencia=2")),
              QStringLiteral("7|S"));
    EXPECT_EQ(observations(4301), QStringLiteral("0"));
}

TEST_F(ClosingServiceTest, AFailureInsideTheClosingRollsEverythingBack)
{
    const QString before = freeRow(1501);
    const QString obsBefore = observations(1501);
    const std::string_view failing[] = {stmt::kInsertSaleObservation,
                                        stmt::kInsertSaleItem,
                                        "FETCH CUR4", // the position's items read with the sale
                                        stmt::kResetTable,
                                        stmt::kDeleteTableObservations,
                                        stmt::kLockTable,
                                        stmt::kLockTableItems,
                                        stmt::kParameters};
    const ShownTable table = shown(1501);
    for (const std::string_view statement : failing) {
        ASSERT_EQ(closing.prepare(table).then, Then::Pay);
        pay();
        SqlTestProbe::on(desk::sql()).failNext(statement);
        const Outcome o = closing.GRAVAR(table, {});
        EXPECT_TRUE(o.failed()) << statement;
        EXPECT_EQ(o.severity, Outcome::Severity::Stop) << statement;
        // Still on show, still blocked: the cashier can try again.
        EXPECT_EQ(o.next, Outcome::Next::Stay) << statement;
        EXPECT_TRUE(o.message.startsWith(QStringLiteral("Erro HY000 gravando a venda ("))) << o.message.toStdString();
        EXPECT_TRUE(o.message.endsWith(QStringLiteral("nada foi gravado, a mesa continua bloqueada !!!")));
        EXPECT_LE(o.message.size(), 120);
        EXPECT_EQ(sales(), QStringLiteral("0")) << statement;
        EXPECT_EQ(saleItems(), QStringLiteral("0")) << statement;
        EXPECT_EQ(saleObservations(), QStringLiteral("0")) << statement;
        EXPECT_EQ(freeRow(1501), before) << statement;
        EXPECT_EQ(items(1501), QStringLiteral("8")) << statement;
        EXPECT_EQ(observations(1501), obsBefore) << statement;
        EXPECT_FALSE(desk::sql().inUnitOfWork()) << statement;
    }
    // The steps are named, and the failed inserts and releases carry their
    // diagnostic block for the console.
    SqlTestProbe::on(desk::sql())
        .failNext(stmt::kInsertSaleObservation, QStringLiteral("23000"), QStringLiteral("duplicate"));
    Outcome o = closing.GRAVAR(table, {});
    EXPECT_EQ(
        o.message,
        QStringLiteral("Erro 23000 gravando a venda (observações): nada foi gravado, a mesa continua bloqueada !!!"));
    EXPECT_EQ(o.console,
              QStringList({QString(40, QLatin1Char('-')), QStringLiteral("Mesa - Erro gravando Vendas_Item_Obs"),
                           QStringLiteral("23000"), QStringLiteral("duplicate")}));
    SqlTestProbe::on(desk::sql()).failNext(stmt::kDeleteTableItems);
    o = closing.GRAVAR(table, {});
    EXPECT_EQ(o.step, QStringLiteral("liberação da mesa"));
    EXPECT_EQ(o.console.value(1), QStringLiteral("Mesa - Erro liberando a mesa"));
    SqlTestProbe::on(desk::sql()).failNext(stmt::kInsertSale);
    o = closing.GRAVAR(table, {});
    EXPECT_EQ(o.step, QStringLiteral("venda"));
    EXPECT_EQ(o.console.value(1), QStringLiteral("Mesa - Erro gravando Vendas"));
    // A failed read carries no block.
    SqlTestProbe::on(desk::sql()).failNext(stmt::kServerTime);
    o = closing.GRAVAR(table, {});
    EXPECT_EQ(o.step, QStringLiteral("hora"));
    EXPECT_TRUE(o.console.isEmpty());
    EXPECT_EQ(sales(), QStringLiteral("0"));

    // Trying again works.
    EXPECT_TRUE(closing.GRAVAR(table, {}).done());
    EXPECT_EQ(sales(), QStringLiteral("1"));
    EXPECT_EQ(saleItems(), QStringLiteral("8"));
    EXPECT_EQ(items(1501), QStringLiteral("0"));
    EXPECT_EQ(observations(1501), QStringLiteral("0"));
    EXPECT_EQ(freeRow(1501), QStringLiteral("F|0|0|00:00:00|0|0.00|[]|0.00|N"));
}

TEST_F(ClosingServiceTest, AnItemLaunchedWhileThePaymentIsTakenStaysOnTheOpenPosition)
{
    const ShownTable table = shown(1501);
    ASSERT_EQ(closing.prepare(table).then, Then::Pay);
    const qint64 late = addItem(db, {1501, 311, "6.00"});
    addObservation(db, late, 1501, 3, 'O');
    pay();
    const Outcome o = closing.GRAVAR(table, {});
    EXPECT_TRUE(o.done());
    EXPECT_EQ(o.message, QStringLiteral("1 item lançado depois da conta ficou na mesa, que continua aberta !!!"));
    EXPECT_EQ(o.severity, Outcome::Severity::Information);
    EXPECT_EQ(o.next, Outcome::Next::Reread);
    // The sale is what was charged, the late item is not in it.
    EXPECT_EQ(saleItems(), QStringLiteral("8"));
    EXPECT_EQ(value(QStringLiteral("SELECT COUNT(*) FROM mov_VendasItem WHERE idProduto=311")), QStringLiteral("0"));
    EXPECT_EQ(value(QStringLiteral("SELECT CONCAT_WS('|',valorProdutos,valorServico,valorTotal) FROM mov_Vendas")),
              QStringLiteral("181.90|17.28|190.08"));
    // The position keeps it with its observation, open again for a new bill;
    // the account's people, waiter, discount and fee stay.
    EXPECT_EQ(value(QStringLiteral("SELECT GROUP_CONCAT(idItem) FROM mov_MesaItem WHERE idMesa=1501")),
              QString::number(late));
    EXPECT_EQ(observations(1501), QStringLiteral("1"));
    EXPECT_EQ(value(QStringLiteral("SELECT CONCAT_WS('|',status,qtdPessoas,idGarcon,idDesconto,descontoManual,"
                                   "taxaServico,dividida) FROM mov_Mesa WHERE idMesa=1501")),
              QStringLiteral("A|5|11|5|0.00|10.00|N"));

    // Two late items are counted as two.
    setPosition(db, 4401, 'B');
    addItem(db, {4401, 112, "10.00"});
    const ShownTable other = shown(4401);
    ASSERT_EQ(closing.prepare(other).then, Then::Pay);
    addItem(db, {4401, 112, "10.00"});
    addItem(db, {4401, 201, "28.00"});
    pay();
    EXPECT_EQ(closing.GRAVAR(other, {}).message,
              QStringLiteral("2 itens lançados depois da conta ficaram na mesa, que continua aberta !!!"));
    EXPECT_EQ(items(4401), QStringLiteral("2"));
    EXPECT_EQ(sales(), QStringLiteral("2"));
}

TEST_F(ClosingServiceTest, ACaughtChangeOfTheChargedItemsWritesNothing)
{
    const QString before = freeRow(1501);
    const ShownTable table = shown(1501);
    ASSERT_EQ(closing.prepare(table).then, Then::Pay);
    // Another desk cancels a charged item while the payment is taken.
    db.run(
        QStringLiteral("UPDATE mov_MesaItem SET status='C' WHERE idMesa=1501 AND status<>'C' ORDER BY idItem LIMIT 1"));
    pay();
    const Outcome o = closing.GRAVAR(table, {});
    EXPECT_TRUE(o.refused());
    EXPECT_EQ(o.message,
              QStringLiteral("Mesa foi alterada durante o pagamento: nada foi gravado, confira a conta !!!"));
    EXPECT_EQ(o.severity, Outcome::Severity::Stop);
    EXPECT_EQ(o.next, Outcome::Next::Reread);
    EXPECT_EQ(sales(), QStringLiteral("0"));
    EXPECT_EQ(items(1501), QStringLiteral("8"));
    EXPECT_EQ(freeRow(1501), before);
    EXPECT_FALSE(desk::sql().inUnitOfWork());

    // A manual discount given meanwhile changes the bill as well.
    const ShownTable again = shown(1501);
    ASSERT_EQ(closing.prepare(again).then, Then::Pay);
    db.run(QStringLiteral("UPDATE mov_Mesa SET descontoManual=1 WHERE idMesa=1501"));
    pay();
    EXPECT_TRUE(closing.GRAVAR(again, {}).refused());
    EXPECT_EQ(sales(), QStringLiteral("0"));
}

TEST_F(ClosingServiceTest, AnAccountClosedMeanwhileAtAnotherDeskIsNotSoldTwice)
{
    const ShownTable table = shown(1501);
    ASSERT_EQ(closing.prepare(table).then, Then::Pay);
    db.run(
        QStringLiteral("UPDATE mov_Mesa SET status='F' WHERE idMesa=1501; DELETE FROM mov_MesaItem WHERE idMesa=1501"));
    pay();
    const Outcome o = closing.GRAVAR(table, {});
    EXPECT_TRUE(o.refused());
    EXPECT_EQ(o.message, QStringLiteral("Mesa já foi fechada em outro caixa !!!"));
    EXPECT_EQ(o.severity, Outcome::Severity::Stop);
    EXPECT_EQ(o.next, Outcome::Next::Release);
    EXPECT_EQ(sales(), QStringLiteral("0"));
}

TEST_F(ClosingServiceTest, AConflictAtCommitWithThePositionStillOpenIsToldAsAChangeToTryAgain)
{
    // The cluster refused the closing at commit, but the position read
    // again is still this account: another terminal's write won, not a
    // closing, so the cashier is asked to try again.
    const QString before = freeRow(1501);
    const ShownTable table = shown(1501);
    ASSERT_EQ(closing.prepare(table).then, Then::Pay);
    pay();
    SqlTestProbe::on(desk::sql())
        .failNext(Sql::kCommit, QStringLiteral("40001"), QStringLiteral("certification failed"));
    const Outcome o = closing.GRAVAR(table, {});
    EXPECT_TRUE(o.refused());
    EXPECT_EQ(o.message, QStringLiteral("Mesa foi alterada em outro caixa ou terminal durante o fechamento: nada foi "
                                        "gravado, tente novamente !!!"));
    EXPECT_EQ(o.severity, Outcome::Severity::Stop);
    EXPECT_EQ(o.next, Outcome::Next::Reread);
    EXPECT_EQ(o.step, QStringLiteral("confirmação"));
    EXPECT_EQ(sales(), QStringLiteral("0"));
    EXPECT_EQ(saleItems(), QStringLiteral("0"));
    EXPECT_EQ(items(1501), QStringLiteral("8"));
    EXPECT_EQ(freeRow(1501), before);
    EXPECT_FALSE(desk::sql().inUnitOfWork());

    // Any other refusal at commit is a failure, named as such.
    SqlTestProbe::on(desk::sql()).failNext(Sql::kCommit);
    const Outcome failed = closing.GRAVAR(table, {});
    EXPECT_TRUE(failed.failed());
    EXPECT_EQ(failed.step, QStringLiteral("confirmação"));
    EXPECT_EQ(sales(), QStringLiteral("0"));
}

TEST_F(ClosingServiceTest, TheSecondDeskIsRefusedBeforeThePayment)
{
    // Both desks show the table; desk 1 closes it on its own connection.
    const ShownTable desk2 = shown(1501);
    {
        Sql other;
        Sql::Connection c;
        c.socket = TestDatabase::socket();
        c.database = db.name();
        other.setConnection(c);
        TableReader reader1(other, desk::session());
        ClosingService desk1(other, desk::session());
        const ShownTable table = reader1.LERMESA(1501, false).table;
        ASSERT_EQ(desk1.prepare(table).then, Then::Pay);
        pay();
        ASSERT_TRUE(desk1.GRAVAR(table, {}).done());
    }
    records::L_LINK().setAt(exchange::PaymentExchange::kFlag, ' ');
    const ClosingService::Preparation p = closing.prepare(desk2);
    EXPECT_EQ(p.then, Then::Stop);
    EXPECT_TRUE(p.outcome.refused());
    EXPECT_EQ(p.outcome.message, QStringLiteral("Mesa já foi fechada em outro caixa !!!"));
    EXPECT_EQ(p.outcome.severity, Outcome::Severity::Stop);
    EXPECT_EQ(p.outcome.next, Outcome::Next::Release);
    // No payment module was asked for anything.
    EXPECT_EQ(records::L_LINK().at(exchange::PaymentExchange::kFlag), ' ');
    EXPECT_EQ(sales(), QStringLiteral("1"));

    // Opened again by a waiter for other customers: still not this account.
    setPosition(db, 1501, 'B');
    db.run(QStringLiteral("UPDATE mov_Mesa SET horaAbertura='23:59:00' WHERE idMesa=1501"));
    addItem(db, {1501, 112, "10.00"});
    EXPECT_EQ(closing.prepare(desk2).outcome.message, QStringLiteral("Mesa já foi fechada em outro caixa !!!"));
}

TEST_F(ClosingServiceTest, ABillChangedSinceShownIsReadAgainBeforeThePayment)
{
    const ShownTable table = shown(1501);
    addItem(db, {1501, 311, "6.00"});
    records::L_LINK().setAt(exchange::PaymentExchange::kFlag, ' ');
    ClosingService::Preparation p = closing.prepare(table);
    EXPECT_EQ(p.then, Then::Stop);
    EXPECT_TRUE(p.outcome.refused());
    EXPECT_EQ(p.outcome.message, QStringLiteral("Mesa foi alterada em outro terminal, confira a nova conta !!!"));
    EXPECT_EQ(p.outcome.next, Outcome::Next::Reread);
    EXPECT_EQ(records::L_LINK().at(exchange::PaymentExchange::kFlag), ' ');

    // Read again, the current bill is charged.
    const ShownTable current = shown(1501);
    p = closing.prepare(current);
    ASSERT_EQ(p.then, Then::Pay);
    EXPECT_EQ(exchange::PaymentExchange::request().total.cents(), current.totals.tableTotal.cents());
    EXPECT_NE(current.totals.tableTotal, table.totals.tableTotal);

    // An empty position that got an item meanwhile is not freed under it.
    const ShownTable empty = shown(2101);
    addItem(db, {2101, 112, "10.00"});
    p = closing.prepare(empty);
    EXPECT_TRUE(p.outcome.refused());
    EXPECT_EQ(p.outcome.next, Outcome::Next::Reread);
    EXPECT_EQ(value(QStringLiteral("SELECT status FROM mov_Mesa WHERE idMesa=2101")), QStringLiteral("A"));
    EXPECT_EQ(sales(), QStringLiteral("0"));
}

TEST_F(ClosingServiceTest, NoSaleWithANegativeBill)
{
    // A discount stored before the products went down (an item cancelled):
    // the bill would be negative.
    db.run(QStringLiteral("UPDATE mov_Mesa SET descontoManual=500 WHERE idMesa=1501"));
    const ShownTable table = shown(1501);
    ASSERT_TRUE(table.totals.tableTotal.isNegative());
    records::L_LINK().setAt(exchange::PaymentExchange::kFlag, ' ');
    const ClosingService::Preparation p = closing.prepare(table);
    EXPECT_EQ(p.then, Then::Stop);
    EXPECT_EQ(p.outcome.message, QStringLiteral("Desconto inválido !!!"));
    EXPECT_EQ(records::L_LINK().at(exchange::PaymentExchange::kFlag), ' ');
    // GRAVAR itself refuses it too (a split position goes there unpaid).
    const Outcome o = closing.GRAVAR(table, {});
    EXPECT_TRUE(o.refused());
    EXPECT_EQ(o.message, QStringLiteral("Desconto inválido !!!"));
    EXPECT_EQ(sales(), QStringLiteral("0"));
    EXPECT_EQ(items(1501), QStringLiteral("8"));
    // A discount of exactly the products is a bill of zero, not refused.
    setPosition(db, 4501, 'B', 2, 4, "0.00");
    addItem(db, {4501, 112, "10.00"});
    db.run(QStringLiteral("UPDATE mov_Mesa SET descontoManual=10 WHERE idMesa=4501"));
    const ShownTable zero = shown(4501);
    ASSERT_TRUE(zero.totals.tableTotal.isZero());
    EXPECT_EQ(closing.prepare(zero).then, Then::Pay);
}

} // namespace
} // namespace qv::test
