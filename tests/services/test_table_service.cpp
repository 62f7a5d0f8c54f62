// The table commands and the opening without any form: what each writes,
// refuses and tells.
#include "board/TableReader.h"
#include "data/Statements.h"
#include "platform/SharedRecords.h"
#include "platform/Sql.h"
#include "platform/SqlProbe.h"
#include "platform/ui/Desk.h"
#include "session/Session.h"
#include "tables/AccountMath.h"
#include "tables/OpenTableService.h"
#include "tables/TableService.h"

#include "Seed.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace qv::test {
namespace {

// Demo table 12/01: open, 2 people, waiter 8, fee 10 %; 77,00 of products,
// fee 7,70, total 84,70.
constexpr int kOpenTable = 1201;

class TableServiceTest : public ::testing::Test
{
protected:
    TableServiceTest()
    {
        SharedRecord::resetAll();
        desk::session().reset();
        desk::session().loadOperators();
        desk::session().readParameters();
    }
    // Services tell, they never show: this program links no message
    // service at all. Nor do they leave a unit of work open.
    void TearDown() override { EXPECT_FALSE(desk::sql().inUnitOfWork()); }

    ShownTable shown(int idMesa)
    {
        const auto reading = reader.LERMESA(idMesa, false);
        EXPECT_EQ(reading.result, TableReader::Reading::Result::Shown) << idMesa;
        return reading.table;
    }
    // status|qtdPessoas|idGarcon|idDesconto|descontoManual|operDesc|taxaServico|dividida
    QString row(int idMesa) const
    {
        return db.value(QStringLiteral("SELECT CONCAT_WS('|',status,qtdPessoas,idGarcon,idDesconto,descontoManual,"
                                       "operDesc,taxaServico,dividida) FROM mov_Mesa WHERE idMesa=%1")
                            .arg(idMesa));
    }
    QString column(int idMesa, const char *name) const
    {
        return db.value(QStringLiteral("SELECT %1 FROM mov_Mesa WHERE idMesa=%2").arg(QLatin1String(name)).arg(idMesa));
    }
    static QString money(Decimal value) { return value.toDisplay(2); }

    TestDatabase db{true};
    TableReader reader{desk::sql(), desk::session()};
    TableService service{desk::sql(), desk::session()};
};

void expectWriteFailure(const Outcome &o, const QString &what, Outcome::Next next)
{
    EXPECT_TRUE(o.failed());
    EXPECT_EQ(o.severity, Outcome::Severity::Stop);
    EXPECT_EQ(o.message, QStringLiteral("Erro HY000 gravando %1 !!!").arg(what));
    EXPECT_EQ(o.console, QStringList{QStringLiteral("Mesa - Erro gravando %1: HY000 injected failure").arg(what)});
    EXPECT_EQ(o.next, next);
}

TEST_F(TableServiceTest, PeopleCountIsStoredOnlyWhenItIsACount)
{
    Outcome o = service.peopleCount(shown(kOpenTable), QStringLiteral("4"));
    EXPECT_TRUE(o.done());
    // The value per person waits for the next reading: nothing to repaint.
    EXPECT_EQ(o.next, Outcome::Next::Stay);
    EXPECT_EQ(column(kOpenTable, "qtdPessoas"), QStringLiteral("4"));
    EXPECT_TRUE(service.peopleCount(shown(kOpenTable), QString()).done());
    EXPECT_EQ(column(kOpenTable, "qtdPessoas"), QStringLiteral("0"));

    for (const char *typed : {"abc", "1000", "-1"}) {
        o = service.peopleCount(shown(kOpenTable), QString::fromLatin1(typed));
        EXPECT_TRUE(o.refused()) << typed;
        EXPECT_EQ(o.message, QStringLiteral("Número de pessoas inválido !!!")) << typed;
        EXPECT_EQ(o.severity, Outcome::Severity::Information) << typed;
        EXPECT_EQ(column(kOpenTable, "qtdPessoas"), QStringLiteral("0")) << typed;
    }

    SqlTestProbe::on(desk::sql()).failNext(stmt::kSetPeople);
    expectWriteFailure(service.peopleCount(shown(kOpenTable), QStringLiteral("3")),
                       QStringLiteral("as pessoas da mesa"), Outcome::Next::Stay);
    EXPECT_EQ(column(kOpenTable, "qtdPessoas"), QStringLiteral("0"));
}

TEST_F(TableServiceTest, BlockingFollowsTheStoredStatusAndReopensTheTable)
{
    // Bill requested ('I') reads as not blocked: blocking stores 'B'.
    Outcome o = service.toggleBlock(shown(1801));
    EXPECT_TRUE(o.done());
    EXPECT_EQ(o.next, Outcome::Next::Reread);
    EXPECT_EQ(column(1801, "status"), QStringLiteral("B"));

    // Unblocking reopens it as 'A' and ends a split under way.
    db.run(QStringLiteral("UPDATE mov_Mesa SET dividida='S' WHERE idMesa=1801"));
    EXPECT_TRUE(service.toggleBlock(shown(1801)).done());
    EXPECT_EQ(column(1801, "status"), QStringLiteral("A"));
    EXPECT_EQ(column(1801, "dividida"), QStringLiteral("N"));

    // A failed write still has the table read again, to show what is stored.
    SqlTestProbe::on(desk::sql()).failNext(stmt::kBlock);
    expectWriteFailure(service.toggleBlock(shown(kOpenTable)), QStringLiteral("o bloqueio da mesa"),
                       Outcome::Next::Reread);
    EXPECT_EQ(column(kOpenTable, "status"), QStringLiteral("A"));
    SqlTestProbe::on(desk::sql()).failNext(stmt::kUnblock);
    expectWriteFailure(service.toggleBlock(shown(1501)), QStringLiteral("o desbloqueio da mesa"),
                       Outcome::Next::Reread);
    EXPECT_EQ(column(1501, "status"), QStringLiteral("B"));
}

TEST_F(TableServiceTest, BillRequestRecordsTheChosenWaiterAndReleases)
{
    // A second operator with the same name, loaded after JOAO PEREIRA (4).
    db.run(QStringLiteral("INSERT INTO tab_Operador(idOperador,nome,situacao) VALUES(30,'JOAO PEREIRA','A')"));
    desk::session().loadOperators();

    Outcome o = service.IMPMESA(shown(kOpenTable), QStringLiteral("ANTONIO SILVA"));
    EXPECT_TRUE(o.done());
    EXPECT_EQ(o.next, Outcome::Next::Release);
    EXPECT_EQ(row(kOpenTable), QStringLiteral("I|2|5|0|0.00||10.00|N"));

    // The later of two equal names wins.
    EXPECT_TRUE(service.IMPMESA(shown(kOpenTable), QStringLiteral("JOAO PEREIRA")).done());
    EXPECT_EQ(column(kOpenTable, "idGarcon"), QStringLiteral("30"));

    // No name chosen: the waiter stays, the bill is still requested.
    db.run(QStringLiteral("UPDATE mov_Mesa SET status='A' WHERE idMesa=1201"));
    EXPECT_TRUE(service.IMPMESA(shown(kOpenTable), QString()).done());
    EXPECT_EQ(row(kOpenTable), QStringLiteral("I|2|30|0|0.00||10.00|N"));

    // No table on show: nothing to store, the screen is released all the same.
    const QString before = db.value(QStringLiteral("CHECKSUM TABLE mov_Mesa"));
    o = service.IMPMESA(ShownTable(), QStringLiteral("ANTONIO SILVA"));
    EXPECT_TRUE(o.done());
    EXPECT_EQ(o.next, Outcome::Next::Release);
    EXPECT_EQ(db.value(QStringLiteral("CHECKSUM TABLE mov_Mesa")), before);
}

TEST_F(TableServiceTest, BillRequestThatCannotBeStoredStoresNeitherHalf)
{
    db.run(QStringLiteral("UPDATE mov_Mesa SET status='A' WHERE idMesa=1201"));
    SqlTestProbe::on(desk::sql()).failNext(stmt::kMarkBillRequested);
    expectWriteFailure(service.IMPMESA(shown(kOpenTable), QStringLiteral("ANTONIO SILVA")),
                       QStringLiteral("o pedido de conta"), Outcome::Next::Stay);
    // Waiter and mark go together: neither was stored.
    EXPECT_EQ(row(kOpenTable), QStringLiteral("A|2|8|0|0.00||10.00|N"));
}

TEST_F(TableServiceTest, TableDiscountIsStoredWithItsAuthoriser)
{
    const QString mariana = QStringLiteral("MARIANA SOUZA").leftJustified(20, QLatin1Char(' '));
    Outcome o = service.tableDiscount(shown(kOpenTable), {105, 5}, mariana);
    EXPECT_TRUE(o.done());
    EXPECT_EQ(o.next, Outcome::Next::Reread);
    EXPECT_EQ(row(kOpenTable), QStringLiteral("A|2|8|5|0.00|MARIANA SOUZA|10.00|N"));
    const ShownTable table = shown(kOpenTable);
    EXPECT_EQ(money(table.totals.discountPercent), QStringLiteral("5,00"));
    EXPECT_EQ(money(table.totals.discountValue), QStringLiteral("3,85"));

    // Nothing chosen: the discount goes, the operator is still recorded.
    db.run(QStringLiteral("UPDATE mov_Mesa SET operDesc='ROBERTO LIMA' WHERE idMesa=1201"));
    EXPECT_TRUE(service.tableDiscount(shown(kOpenTable), {0, 0}, mariana).done());
    EXPECT_EQ(row(kOpenTable), QStringLiteral("A|2|8|0|0.00|MARIANA SOUZA|10.00|N"));

    // Kind and authoriser are stored together or not at all.
    db.run(QStringLiteral("UPDATE mov_Mesa SET idDesconto=3,operDesc='ROBERTO LIMA' WHERE idMesa=1201"));
    SqlTestProbe::on(desk::sql()).failNext(stmt::kSetTableDiscountOperator);
    expectWriteFailure(service.tableDiscount(shown(kOpenTable), {101, 1}, mariana),
                       QStringLiteral("o desconto da mesa"), Outcome::Next::Reread);
    EXPECT_EQ(row(kOpenTable), QStringLiteral("A|2|8|3|0.00|ROBERTO LIMA|10.00|N"));
}

TEST_F(TableServiceTest, ManualDiscountIsStoredOnlyWhenItFits)
{
    Outcome o = service.manualDiscount(shown(kOpenTable), QStringLiteral("7,50"));
    EXPECT_TRUE(o.done());
    EXPECT_EQ(o.next, Outcome::Next::Reread);
    EXPECT_EQ(column(kOpenTable, "descontoManual"), QStringLiteral("7.50"));
    // The fee is charged before the manual discount.
    const ShownTable table = shown(kOpenTable);
    EXPECT_EQ(money(table.totals.subtotal), QStringLiteral("69,50"));
    EXPECT_EQ(money(table.totals.serviceValue), QStringLiteral("7,70"));
    EXPECT_EQ(money(table.totals.tableTotal), QStringLiteral("77,20"));

    // Thousands may be grouped; the largest discount that fits the column
    // is read as typed.
    EXPECT_EQ(account::manualDiscountFrom(QStringLiteral("1.000,25")), Decimal::fromCents(100025));
    EXPECT_EQ(account::manualDiscountFrom(QStringLiteral("99999,99")), Decimal::fromCents(9999999));
    EXPECT_TRUE(service.manualDiscount(shown(kOpenTable), QStringLiteral("5")).done());
    EXPECT_EQ(column(kOpenTable, "descontoManual"), QStringLiteral("5.00"));

    // Cut to its low-order digits 123456,78 would be 23456,78: refused
    // whole, as is anything that is no amount or a negative one, and any
    // discount above the products after the table discount (77,00 here):
    // the bill would go below zero.
    for (const char *typed : {"123456,78", "abc", "-3,00", "5,0,0", "1.000,25", "99999,99", "77,01"}) {
        o = service.manualDiscount(shown(kOpenTable), QString::fromLatin1(typed));
        EXPECT_TRUE(o.refused()) << typed;
        EXPECT_EQ(o.message, QStringLiteral("Desconto inválido !!!")) << typed;
        EXPECT_EQ(o.severity, Outcome::Severity::Information) << typed;
        EXPECT_EQ(o.next, Outcome::Next::Stay) << typed;
        EXPECT_EQ(column(kOpenTable, "descontoManual"), QStringLiteral("5.00")) << typed;
    }

    // The whole bill may be given away, not more.
    EXPECT_TRUE(service.manualDiscount(shown(kOpenTable), QStringLiteral("77,00")).done());
    EXPECT_EQ(column(kOpenTable, "descontoManual"), QStringLiteral("77.00"));
    EXPECT_TRUE(shown(kOpenTable).totals.subtotal.isZero());
    // The fee is still charged on the products.
    EXPECT_EQ(money(shown(kOpenTable).totals.tableTotal), QStringLiteral("7,70"));
    ASSERT_TRUE(service.manualDiscount(shown(kOpenTable), QStringLiteral("5")).done());

    SqlTestProbe::on(desk::sql()).failNext(stmt::kSetManualDiscount);
    expectWriteFailure(service.manualDiscount(shown(kOpenTable), QStringLiteral("1")),
                       QStringLiteral("o desconto manual"), Outcome::Next::Reread);
    EXPECT_EQ(column(kOpenTable, "descontoManual"), QStringLiteral("5.00"));
}

TEST_F(TableServiceTest, ServiceFeeSwitchedOffAndOnFromTheStoredFee)
{
    TableService::ServiceSwitch s = service.toggleService(shown(kOpenTable), QStringLiteral("2"));
    EXPECT_TRUE(s.applies);
    EXPECT_FALSE(s.on);
    EXPECT_TRUE(s.outcome.done());
    EXPECT_EQ(s.outcome.next, Outcome::Next::Stay);
    EXPECT_EQ(money(s.totals.servicePercent), QStringLiteral("0,00"));
    EXPECT_EQ(money(s.totals.serviceValue), QStringLiteral("0,00"));
    EXPECT_EQ(money(s.totals.tableTotal), QStringLiteral("77,00"));
    EXPECT_EQ(money(s.totals.perPerson), QStringLiteral("38,50"));
    EXPECT_EQ(column(kOpenTable, "taxaServico"), QStringLiteral("0.00"));

    // On again at the house's rate; a count typed but not yet stored divides.
    s = service.toggleService(shown(kOpenTable), QStringLiteral("4"));
    EXPECT_TRUE(s.on);
    EXPECT_EQ(money(s.totals.servicePercent), QStringLiteral("10,00"));
    EXPECT_EQ(money(s.totals.serviceValue), QStringLiteral("7,70"));
    EXPECT_EQ(money(s.totals.tableTotal), QStringLiteral("84,70"));
    EXPECT_EQ(money(s.totals.perPerson), QStringLiteral("21,17"));
    EXPECT_EQ(column(kOpenTable, "taxaServico"), QStringLiteral("10.00"));

    // Nothing to charge a fee on: nothing happens.
    const QString before = row(2101);
    s = service.toggleService(shown(2101), QString());
    EXPECT_FALSE(s.applies);
    EXPECT_EQ(row(2101), before);

    // A fee that could not be stored: the table is read again.
    SqlTestProbe::on(desk::sql()).failNext(stmt::kSetService);
    s = service.toggleService(shown(kOpenTable), QString());
    expectWriteFailure(s.outcome, QStringLiteral("a taxa de serviço"), Outcome::Next::Reread);
    EXPECT_EQ(column(kOpenTable, "taxaServico"), QStringLiteral("10.00"));
}

TEST_F(TableServiceTest, FeeSwitchChargesWhatTheReadingCharges)
{
    // Sub-total 100,00 of which take-away 20,00, table discount 10 %,
    // 3 people, no fee yet.
    setPosition(db, 4501, 'A', 3, 4, "0.00");
    addItem(db, {4501, 112, "50.00"});
    addItem(db, {4501, 101, "41.12"});
    ItemSpec away{4501, 201, "20.00"};
    away.takeAway = 'S';
    addItem(db, away);
    db.run(QStringLiteral("UPDATE mov_Mesa SET idDesconto=1 WHERE idMesa=4501"));
    TableService::ServiceSwitch s = service.toggleService(shown(4501), QStringLiteral("3"));
    ASSERT_EQ(money(s.totals.subtotal), QStringLiteral("100,00"));
    EXPECT_EQ(money(s.totals.takeAwayNet), QStringLiteral("18,00"));
    EXPECT_EQ(money(s.totals.serviceValue), QStringLiteral("8,20"));
    EXPECT_EQ(money(s.totals.tableTotal), QStringLiteral("108,20"));
    EXPECT_EQ(money(s.totals.perPerson), QStringLiteral("36,06"));
    EXPECT_EQ(column(4501, "taxaServico"), QStringLiteral("10.00"));

    // Manual discount 5,00 on a sub-total of 100,00: the fee right after the
    // switch is the one the next reading charges.
    setPosition(db, 4601, 'A', 2, 4, "0.00");
    addItem(db, {4601, 112, "100.00"});
    addItem(db, {4601, 301, "5.00"});
    db.run(QStringLiteral("UPDATE mov_Mesa SET descontoManual=5 WHERE idMesa=4601"));
    s = service.toggleService(shown(4601), QStringLiteral("2"));
    EXPECT_EQ(money(s.totals.serviceValue), QStringLiteral("10,50"));
    EXPECT_EQ(money(s.totals.tableTotal), QStringLiteral("110,50"));
    EXPECT_EQ(money(s.totals.perPerson), QStringLiteral("55,25"));
    const ShownTable again = shown(4601);
    EXPECT_EQ(money(again.totals.serviceValue), QStringLiteral("10,50"));
    EXPECT_EQ(money(again.totals.tableTotal), QStringLiteral("110,50"));

    // Everything to take away, nobody seated: no fee, no value per person.
    setPosition(db, 4701, 'A', 0, 4, "0.00");
    addItem(db, ItemSpec{4701, 201, "30.00", 'I', 0, 'S'});
    s = service.toggleService(shown(4701), QString());
    EXPECT_TRUE(s.on);
    EXPECT_EQ(money(s.totals.serviceValue), QStringLiteral("0,00"));
    EXPECT_EQ(money(s.totals.tableTotal), QStringLiteral("30,00"));
    EXPECT_FALSE(s.totals.hasPerPerson);
}

// ---------------------------------------------------------------------------
// The opening
// ---------------------------------------------------------------------------

class OpenTableServiceTest : public TableServiceTest
{
protected:
    // The columns the opening writes, '|'-separated.
    QString opening(int idMesa) const
    {
        return db.value(QStringLiteral("SELECT CONCAT_WS('|',status,qtdPessoas,idGarcon,idDesconto,descontoManual,"
                                       "CONCAT('[',operDesc,']'),taxaServico,dividida) FROM mov_Mesa WHERE idMesa=%1")
                            .arg(idMesa));
    }
    QString snapshot() const { return db.value(QStringLiteral("CHECKSUM TABLE mov_Mesa")); }
    OpenTableService::Opening request(int idMesa, int people, const char *waiter) const
    {
        OpenTableService::Opening o;
        o.idMesa = idMesa;
        o.people = people;
        o.waiterName = QString::fromLatin1(waiter);
        o.fallbackWaiter = 3;
        o.serviceFee = Decimal::fromCents(1250);
        return o;
    }

    OpenTableService opener{desk::sql()};
};

// The fee a new opening starts with is found, absent (no parameters row)
// or failed: a failure is never a fee of zero.
TEST_F(OpenTableServiceTest, TheDefaultFeeIsFoundAbsentOrFailed)
{
    SqlTestProbe::on(desk::sql()).failNext(stmt::kParameters, QStringLiteral("HY000"), QStringLiteral("gone"));
    const Read<Decimal> failed = opener.serviceFee();
    EXPECT_TRUE(failed.isFailed());
    EXPECT_EQ(failed.error().state, QStringLiteral("HY000"));
    EXPECT_EQ(failed.error().message, QStringLiteral("gone"));
    EXPECT_TRUE(opener.serviceFee().isFound());
    db.run(QStringLiteral("DELETE FROM tab_Parametros"));
    EXPECT_TRUE(opener.serviceFee().isAbsent());
}

TEST_F(OpenTableServiceTest, OpeningWritesServerTimeFeeAndResetsTheLastAccount)
{
    db.run(QStringLiteral("UPDATE mov_Mesa SET idDesconto=3,descontoManual=7.50,operDesc='ANDRE MARTINS',"
                          "dividida='S',taxaServico=0,qtdPessoas=9,idGarcon=2 WHERE idMesa=2201;"
                          "UPDATE tab_Parametros SET taxaServicoParam=12.50 WHERE idParam=1"));
    // Position 1 itself needs no position-1 check.
    SqlTestProbe::on(desk::sql()).failNext(stmt::kTableById);
    EXPECT_TRUE(opener.mayOpen(2201).done());
    EXPECT_EQ(opener.serviceFee().value(), Decimal::fromCents(1250));

    const OpenTableService::Opened opened = opener.ABRIR(request(2201, 12, "JOAO PEREIRA"));
    EXPECT_TRUE(opened.outcome.done());
    EXPECT_TRUE(opened.notice.isEmpty());
    EXPECT_EQ(opening(2201), QStringLiteral("A|12|4|0|0.00|[]|12.50|N"));
    EXPECT_LE(db.value(QStringLiteral("SELECT ABS(TIME_TO_SEC(TIMEDIFF(CURTIME(),horaAbertura))) FROM mov_Mesa "
                                      "WHERE idMesa=2201"))
                  .toInt(),
              2);
    // The injected failure is still waiting: nobody read position 1.
    Record any(tables::movMesa);
    EXPECT_EQ(desk::sql().exec(stmt::kTableById, {2201}, &any).state(), QStringLiteral("HY000"));
}

TEST_F(OpenTableServiceTest, LaterPositionOnlyBesideAPositionOneInUse)
{
    // Position 1 of table 22 is closed in the demo.
    Outcome o = opener.mayOpen(2202);
    EXPECT_TRUE(o.refused());
    EXPECT_EQ(o.severity, Outcome::Severity::Stop);
    EXPECT_EQ(o.message, QStringLiteral("Posição 1 da mesa fechada, abra a posição 1 primeiro !!!"));

    // Unreadable or missing, position 1 counts as no position.
    SqlTestProbe::on(desk::sql()).failNext(stmt::kTableById);
    o = opener.mayOpen(2202);
    EXPECT_EQ(o.message, QStringLiteral("Erro ao acessar a posição da mesa !!!"));
    EXPECT_EQ(opener.mayOpen(9902).message, QStringLiteral("Erro ao acessar a posição da mesa !!!"));

    setPosition(db, 2201, 'A');
    EXPECT_TRUE(opener.mayOpen(2202).done());
}

TEST_F(OpenTableServiceTest, RenamedWaiterOpensInTheFallbackName)
{
    db.run(QStringLiteral("UPDATE tab_Operador SET nome='JOAO P. PEREIRA' WHERE idOperador=4"));
    const OpenTableService::Opened opened = opener.ABRIR(request(2201, 2, "JOAO PEREIRA"));
    EXPECT_TRUE(opened.outcome.done());
    EXPECT_EQ(opened.notice, QStringLiteral("Não foi possível associoar o Garçon à mesa !!!"));
    EXPECT_EQ(opening(2201), QStringLiteral("A|2|3|0|0.00|[]|12.50|N"));
}

TEST_F(OpenTableServiceTest, FailedWriteOrServerTimeOpensNothing)
{
    const QString before = snapshot();
    const QString longText = QStringLiteral("Duplicate entry ") + QString(140, QLatin1Char('x'));
    SqlTestProbe::on(desk::sql()).failNext(stmt::kOpenFreeTable, QStringLiteral("23000"), longText);
    OpenTableService::Opened opened = opener.ABRIR(request(2201, 4, "JOAO PEREIRA"));
    EXPECT_TRUE(opened.outcome.failed());
    EXPECT_EQ(opened.outcome.message, QStringLiteral("Erro 23000 na abertura da mesa !!!"));
    EXPECT_EQ(opened.outcome.error.message, longText);
    EXPECT_EQ(snapshot(), before);

    // Without the server's time there is no opening: a blank time would
    // make the time at the table meaningless.
    SqlTestProbe::on(desk::sql()).failNext(stmt::kServerTime);
    opened = opener.ABRIR(request(2201, 4, "JOAO PEREIRA"));
    EXPECT_FALSE(opened.outcome.done());
    EXPECT_EQ(opened.outcome.severity, Outcome::Severity::Stop);
    EXPECT_EQ(opened.outcome.message, QStringLiteral("Erro HY000 lendo a hora do servidor, a mesa não foi aberta !!!"));
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(column(2201, "status"), QStringLiteral("F"));
}

} // namespace
} // namespace qv::test
