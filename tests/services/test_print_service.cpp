// The print requests and the printer test's configuration without any
// form, against the demo restaurant.
#include "board/TableReader.h"
#include "data/Statements.h"
#include "platform/Sql.h"
#include "platform/SqlProbe.h"
#include "platform/ui/Desk.h"
#include "printing/PrintService.h"
#include "printing/PrinterConfig.h"
#include "session/Paths.h"
#include "session/Session.h"

#include "Seed.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace qv::test {
namespace {

class PrintServiceTest : public ::testing::Test
{
protected:
    ShownTable read(int idMesa, bool observations = false)
    {
        TableReader reader(desk::sql(), desk::session());
        return reader.LERMESA(idMesa, observations).table;
    }
    QString itemStatus(qint64 idItem)
    {
        return db.value(QStringLiteral("SELECT status FROM mov_MesaItem WHERE idItem=%1").arg(idItem));
    }
    QString itemComanda(qint64 idItem)
    {
        return db.value(QStringLiteral("SELECT idComanda FROM mov_MesaItem WHERE idItem=%1").arg(idItem));
    }
    qint64 looseItem(int idMesa, int product, const char *price)
    {
        ItemSpec loose{idMesa, product, price};
        loose.comanda = 0;
        return addItem(db, loose);
    }

    TestDatabase db{true};
    PrintService service{desk::sql()};
};

TEST_F(PrintServiceTest, ProdutoRequestsEachItemAndALooseOneJoinsTheItemsWithoutTicket)
{
    // An item that never went to a ticket, one on ticket 1004 (whose other
    // items stay as they are) and one launched here (999999).
    const qint64 loose = looseItem(1201, 201, "28.00");
    const qint64 launchedHere = addItem(db, {1201, 303, "7.00"});
    const Outcome outcome = service.reprintProducts(read(1201), {loose, 19, launchedHere});
    ASSERT_TRUE(outcome.done());
    EXPECT_TRUE(outcome.message.isEmpty());
    EXPECT_EQ(outcome.next, Outcome::Next::Reread);
    EXPECT_EQ(itemStatus(loose), QStringLiteral("P"));
    EXPECT_EQ(itemComanda(loose), QStringLiteral("999999"));
    EXPECT_EQ(itemStatus(19), QStringLiteral("R"));
    EXPECT_EQ(itemComanda(19), QStringLiteral("1004"));
    EXPECT_EQ(itemStatus(launchedHere), QStringLiteral("R"));
    EXPECT_EQ(itemStatus(20), QStringLiteral("I"));
    EXPECT_EQ(itemStatus(21), QStringLiteral("I"));

    // Nothing selected asks for nothing.
    EXPECT_TRUE(service.reprintProducts(read(1201), {}).done());
    EXPECT_EQ(itemStatus(20), QStringLiteral("I"));
}

TEST_F(PrintServiceTest, ComandaRequestsTheWholeTicketStillWaiting)
{
    // Ticket 1004: items 19, 20, 21 of 12/01; 21 already delivered.
    db.run(QStringLiteral("UPDATE mov_MesaItem SET status='E' WHERE idItem=21"));
    const qint64 loose = looseItem(1201, 201, "28.00");
    const qint64 otherLoose = looseItem(1201, 202, "26.00");
    const Outcome outcome = service.reprintComandas(read(1201), {20, loose});
    ASSERT_TRUE(outcome.done());
    EXPECT_TRUE(outcome.message.isEmpty());
    EXPECT_EQ(outcome.next, Outcome::Next::Reread);
    EXPECT_EQ(itemStatus(19), QStringLiteral("R")); // same ticket, not selected
    EXPECT_EQ(itemStatus(20), QStringLiteral("R"));
    EXPECT_EQ(itemStatus(21), QStringLiteral("E"));
    EXPECT_EQ(itemStatus(loose), QStringLiteral("R"));
    EXPECT_EQ(itemComanda(loose), QStringLiteral("0"));
    EXPECT_EQ(itemStatus(otherLoose), QStringLiteral("I")); // no ticket binds it
}

TEST_F(PrintServiceTest, ComandaOnAnItemWithoutTicketStaysOnThePositionShown)
{
    const qint64 sibling = addItem(db, {1202, 303, "7.00"});
    const QString elsewhere =
        QStringLiteral("SELECT COUNT(*) FROM mov_MesaItem WHERE idComanda=999999 AND status='I' AND idMesa<>1202");
    const QString before = db.value(elsewhere);
    ASSERT_NE(before, QStringLiteral("0"));

    ASSERT_TRUE(service.reprintComandas(read(1202), {24}).done());
    EXPECT_EQ(itemStatus(24), QStringLiteral("R"));
    EXPECT_EQ(itemStatus(sibling), QStringLiteral("R"));
    EXPECT_EQ(itemStatus(22), QStringLiteral("I")); // ticket 1005, not asked for
    EXPECT_EQ(db.value(elsewhere), before);
    for (qint64 id : {5, 6, 11, 12, 18, 36})
        EXPECT_EQ(itemStatus(id), QStringLiteral("I")) << id;
}

TEST_F(PrintServiceTest, ItemsBelowTheObservationRowsAreRequestedToo)
{
    // Tickets 1, 2, 3; the first item carries two observations, so with
    // observations shown its rows push the other items down the list.
    setPosition(db, 4201, 'A');
    ItemSpec a{4201, 112, "38.50"};
    a.comanda = 1;
    ItemSpec b{4201, 201, "28.00"};
    b.comanda = 2;
    ItemSpec c{4201, 303, "7.00"};
    c.comanda = 3;
    const qint64 first = addItem(db, a);
    const qint64 second = addItem(db, b);
    const qint64 third = addItem(db, c);
    addObservation(db, first, 4201, 2, 'C');
    addObservation(db, first, 4201, 5, 'S');
    const ShownTable table = read(4201, true);
    ASSERT_EQ(table.listRows().size(), 5u);

    ASSERT_TRUE(service.reprintProducts(table, {second, third}).done());
    EXPECT_EQ(itemStatus(first), QStringLiteral("I"));
    EXPECT_EQ(itemStatus(second), QStringLiteral("R"));
    EXPECT_EQ(itemStatus(third), QStringLiteral("R"));

    db.run(QStringLiteral("UPDATE mov_MesaItem SET status='I' WHERE idMesa=4201"));
    ASSERT_TRUE(service.reprintComandas(table, {third}).done());
    EXPECT_EQ(itemStatus(first), QStringLiteral("I"));
    EXPECT_EQ(itemStatus(third), QStringLiteral("R"));
}

TEST_F(PrintServiceTest, AFailedRequestIsToldOnceAndTheOtherItemsGoOn)
{
    SqlTestProbe::on(desk::sql()).failNext(stmt::kReprintItem, QStringLiteral("40001"));
    Outcome outcome = service.reprintProducts(read(1201), {19, 20});
    EXPECT_TRUE(outcome.failed());
    EXPECT_EQ(outcome.message, QStringLiteral("Erro 40001 gravando o pedido de impressão, confira os itens !!!"));
    EXPECT_EQ(outcome.severity, Outcome::Severity::Stop);
    EXPECT_EQ(outcome.next, Outcome::Next::Reread);
    EXPECT_EQ(itemStatus(19), QStringLiteral("I"));
    EXPECT_EQ(itemStatus(20), QStringLiteral("R"));

    // A loose item whose request fails keeps its ticket number: the clearing
    // is not tried.
    const qint64 loose = looseItem(1201, 201, "28.00");
    SqlTestProbe::on(desk::sql()).failNext(stmt::kReprintProduct, QStringLiteral("40002"));
    SqlTestProbe::on(desk::sql()).failNext(stmt::kReprintItem, QStringLiteral("40003"));
    outcome = service.reprintProducts(read(1201), {loose, 21});
    EXPECT_EQ(outcome.message, QStringLiteral("Erro 40002 gravando o pedido de impressão, confira os itens !!!"));
    EXPECT_EQ(itemComanda(loose), QStringLiteral("0"));

    SqlTestProbe::on(desk::sql()).failNext(stmt::kReprintComanda, QStringLiteral("40004"));
    outcome = service.reprintComandas(read(1202), {22});
    EXPECT_EQ(outcome.message, QStringLiteral("Erro 40004 gravando o pedido de impressão, confira os itens !!!"));
    EXPECT_EQ(itemStatus(22), QStringLiteral("I"));
}

TEST_F(PrintServiceTest, TheTestWalksThePrintersInCodeOrderEachWithItsConfiguration)
{
    TestFiles files;
    // A printer whose name has a double space, and a code without a name.
    db.run(QStringLiteral("UPDATE tab_Impressoras SET nome='COZINHA  NOVA' WHERE idImpressora=1; "
                          "INSERT INTO tab_Impressoras VALUES(7,'')"));
    const QString formPrt = QString::fromLatin1(paths::kFormPrt);
    QStringList walked;
    PrintService::TestPrinter printer;
    for (;;) {
        ASSERT_TRUE(service.nextTestPrinter(printer.code, QStringLiteral("Todas"), printer).done());
        if (printer.code == 0)
            break;
        ASSERT_TRUE(service.TESTEIMP(printer, formPrt).done());
        QFile file(files.path(formPrt));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), PrinterConfig(printer.name).bytes());
        EXPECT_EQ(printer.time.size(), 8);
        walked << QStringLiteral("%1 %2").arg(printer.code).arg(PrinterConfig::driverName(printer.name));
    }
    EXPECT_EQ(walked, (QStringList{QStringLiteral("1 COZINHA"), QStringLiteral("2 BAR"), QStringLiteral("3 CAIXA")}));

    // One printer chosen, as the list shows it (blank-padded).
    ASSERT_TRUE(service.nextTestPrinter(0, QStringLiteral("BAR                 "), printer).done());
    EXPECT_EQ(printer.code, 2);
    ASSERT_TRUE(service.nextTestPrinter(printer.code, QStringLiteral("BAR"), printer).done());
    EXPECT_EQ(printer.code, 0);
}

TEST_F(PrintServiceTest, TheTestStopsWhenThePrintersTheFileOrTheTimeFail)
{
    TestFiles files;
    const QString formPrt = QString::fromLatin1(paths::kFormPrt);
    PrintService::TestPrinter printer;

    SqlTestProbe::on(desk::sql()).failNext(stmt::kPrinterName, QStringLiteral("40001"));
    Outcome outcome = service.nextTestPrinter(0, QStringLiteral("Todas"), printer);
    EXPECT_TRUE(outcome.failed());
    EXPECT_EQ(outcome.message, QStringLiteral("Erro 40001 na leitura das impressoras !!!"));
    EXPECT_EQ(printer.code, 0);

    ASSERT_TRUE(service.nextTestPrinter(0, QStringLiteral("Todas"), printer).done());
    ASSERT_EQ(printer.code, 1);
    SqlTestProbe::on(desk::sql()).failNext(stmt::kServerTime, QStringLiteral("40002"));
    outcome = service.TESTEIMP(printer, formPrt);
    EXPECT_TRUE(outcome.failed());
    EXPECT_EQ(outcome.message, QStringLiteral("Erro 40002 na leitura da hora do servidor !!!"));

    // A folder where the file should be.
    QFile::remove(files.path(formPrt));
    ASSERT_TRUE(QDir().mkpath(files.path(formPrt)));
    outcome = service.TESTEIMP(printer, formPrt);
    EXPECT_TRUE(outcome.failed());
    EXPECT_EQ(outcome.severity, Outcome::Severity::Stop);
    EXPECT_EQ(outcome.message, QStringLiteral("Erro 30 gravando C:\\Velmorant\\Temp\\FORMPRT.PRT !!!"));
}

} // namespace
} // namespace qv::test
