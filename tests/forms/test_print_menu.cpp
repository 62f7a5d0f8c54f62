// The print menu Frm_IMP (bill, product and comanda reprint requests) and
// the printer test against the demo restaurant.
#include "FormHarness.h"
#include "Seed.h"
#include "platform/SqlProbe.h"
#include "platform/ui/Desk.h"

#include "DeskDriver.h"
#include "platform/Sql.h"
#include "platform/ui/Keys.h"
#include "printing/PrinterConfig.h"
#include "printing/forms/PrintCommands.h"
#include "session/Paths.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::test;

namespace {

class PrintMenuTest : public ::testing::Test
{
protected:
    void SetUp() override { h.standardSession(); }

    MainForm &start() { return h.startOnDesk(1); }
    MainForm &show(const QString &table) { return h.showTable(table); }
    DeskDriver ui() { return DeskDriver(h.form()); }
    // The print menu's controls, as the desk driver finds them.
    struct PrintMenu
    {
        QPushButton *Bt_IMPCMD, *Bt_IMPCTA, *Bt_IMPPRO, *Bt_VOLTA;
    };
    PrintMenu menu()
    {
        const DeskDriver d(h.form());
        return {d.control<QPushButton>("Bt_IMPCMD"), d.control<QPushButton>("Bt_IMPCTA"),
                d.control<QPushButton>("Bt_IMPPRO"), d.control<QPushButton>("Bt_VOLTA")};
    }
    QGroupBox *Frm_IMP() { return DeskDriver(h.form()).control<QGroupBox>("Frm_IMP"); }
    QComboBox *Cb_TESTEIMP() { return DeskDriver(h.form()).control<QComboBox>("Cb_TESTEIMP"); }

    // Selects exactly the rows whose "Controle" is listed (0 = observation rows).
    void select(std::initializer_list<qint64> ids, bool observationRows = false)
    {
        auto *list = ui().Lv_Itens;
        list->clearSelection();
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            QTreeWidgetItem *row = list->topLevelItem(i);
            const qint64 id = row->text(0).toLongLong();
            if (id == 0 ? observationRows : std::find(ids.begin(), ids.end(), id) != ids.end())
                row->setSelected(true);
        }
    }
    QString itemStatus(qint64 idItem)
    {
        return h.db().value(QStringLiteral("SELECT status FROM mov_MesaItem WHERE idItem=%1").arg(idItem));
    }
    bool menuOpen() { return Frm_IMP()->isVisible(); }
    void openMenu()
    {
        h.form().pressKey(vk::kF1);
        ASSERT_TRUE(menuOpen());
    }
    QString pdfFolder() { return h.files().root() + QStringLiteral("/pdf"); }
    QStringList pdfFiles() { return QDir(pdfFolder()).entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Name); }
    QByteArray configFile()
    {
        QFile f(h.files().path(QString::fromLatin1(paths::kFormPrt)));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void chooseTestPrinter(const QString &entry)
    {
        QComboBox *list = Cb_TESTEIMP();
        const int at = list->findText(entry, Qt::MatchStartsWith);
        ASSERT_GE(at, 0) << entry.toStdString();
        list->setCurrentIndex(at);
    }

    FormHarness h;
};

} // namespace

TEST_F(PrintMenuTest, F1OpensTheMenuOverTheTableAreaAndEveryButtonLeavesIt)
{
    MainForm &f = show(QStringLiteral("1201"));
    EXPECT_FALSE(menuOpen());
    openMenu();
    EXPECT_FALSE(ui().Frm_CaixaM->isEnabled());
    EXPECT_EQ(Frm_IMP()->title(), QStringLiteral("Imprimir"));
    const QRect area(ui().Frm_CaixaM->mapTo(&f, QPoint(0, 0)), ui().Frm_CaixaM->size());
    EXPECT_TRUE(area.contains(Frm_IMP()->geometry().center()));

    // VOLTAR, by key from the menu: back to the same table, nothing written.
    QTest::keyClick(menu().Bt_IMPCTA, Qt::Key_Escape);
    EXPECT_FALSE(menuOpen());
    EXPECT_TRUE(ui().Frm_CaixaM->isEnabled());
    EXPECT_EQ(f.currentTable(), 1201);

    // PRODUTO and COMANDA with nothing selected leave it too, writing nothing.
    for (QPushButton *button : {menu().Bt_IMPPRO, menu().Bt_IMPCMD, menu().Bt_VOLTA}) {
        select({});
        openMenu();
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_FALSE(menuOpen()) << button->text().toStdString();
        EXPECT_TRUE(ui().Frm_CaixaM->isEnabled()) << button->text().toStdString();
        EXPECT_EQ(f.currentTable(), 1201);
    }
    for (qint64 id : {19, 20, 21})
        EXPECT_EQ(itemStatus(id), QStringLiteral("I"));
    EXPECT_TRUE(h.texts().isEmpty()) << h.texts().join(QLatin1Char('|')).toStdString();
}

TEST_F(PrintMenuTest, F1IsRefusedOnABlockedTableAndDoesNothingWithoutATableOrItems)
{
    MainForm &f = start();
    f.pressKey(vk::kF1); // no table shown
    EXPECT_FALSE(menuOpen());

    show(QStringLiteral("2101")); // open, nothing ordered
    ASSERT_EQ(f.currentTable(), 2101);
    f.pressKey(vk::kF1);
    EXPECT_FALSE(menuOpen());
    EXPECT_TRUE(h.texts().isEmpty());

    show(QStringLiteral("1501")); // blocked
    ASSERT_EQ(f.currentTable(), 1501);
    f.pressKey(vk::kF1);
    EXPECT_FALSE(menuOpen());
    ASSERT_EQ(h.ui().messages.size(), 1u);
    EXPECT_EQ(h.ui().messages[0].text, QStringLiteral("Mesa Bloqueada !!!"));
    EXPECT_EQ(h.ui().messages[0].style, style::kInformation);
    EXPECT_TRUE(ui().Frm_CaixaM->isEnabled());
}

TEST_F(PrintMenuTest, ContaRecordsTheBillRequestAndReleasesTheTable)
{
    MainForm &f = show(QStringLiteral("1201"));
    openMenu();
    QTest::mouseClick(menu().Bt_IMPCTA, Qt::LeftButton);
    EXPECT_FALSE(menuOpen());
    EXPECT_TRUE(ui().Frm_CaixaM->isEnabled());
    EXPECT_EQ(h.db().value(QStringLiteral("SELECT status FROM mov_Mesa WHERE idMesa=1201")), QStringLiteral("I"));
    EXPECT_EQ(f.currentTable(), 0);
}

TEST_F(PrintMenuTest, ProdutoAndComandaHandTheSelectionOnAndReadTheTableAgain)
{
    // Items 19, 20 and 21 of 12/01 share ticket 1004: PRODUTO on item 20
    // asks for it alone, COMANDA for its whole ticket.
    const struct
    {
        const char *button;
        QStringList shown; // "Controle:status" of every row, read again
    } cases[] = {
        {"Bt_IMPPRO", {QStringLiteral("19:I"), QStringLiteral("20:R"), QStringLiteral("21:I")}},
        {"Bt_IMPCMD", {QStringLiteral("19:R"), QStringLiteral("20:R"), QStringLiteral("21:R")}},
    };
    for (const auto &c : cases) {
        h.db().run(QStringLiteral("UPDATE mov_MesaItem SET status='I' WHERE idMesa=1201"));
        MainForm &f = show(QStringLiteral("1201"));
        select({20});
        openMenu();
        QTest::mouseClick(ui().control<QPushButton>(c.button), Qt::LeftButton);

        EXPECT_FALSE(menuOpen()) << c.button;
        EXPECT_TRUE(ui().Frm_CaixaM->isEnabled()) << c.button;
        EXPECT_EQ(f.currentTable(), 1201) << c.button;
        EXPECT_TRUE(ui().Ed_CODIMES->hasFocus()) << c.button;
        QStringList shown;
        for (int i = 0; i < ui().Lv_Itens->topLevelItemCount(); ++i) {
            const QTreeWidgetItem *row = ui().Lv_Itens->topLevelItem(i);
            shown << row->text(0) + QLatin1Char(':') + row->text(7);
        }
        EXPECT_EQ(shown, c.shown) << c.button;
    }
    EXPECT_TRUE(h.texts().isEmpty()) << h.texts().join(QLatin1Char('|')).toStdString();
}

TEST_F(PrintMenuTest, EverySelectedItemIsRequestedWhenObservationsAreShown)
{
    // Tickets 1, 2, 3 in that order; the first item carries two observations,
    // so with observations shown the list has five rows and three items, the
    // last item on the fifth row.
    setPosition(h.db(), 4201, 'A');
    ItemSpec a{4201, 112, "38.50"};
    a.comanda = 1;
    ItemSpec b{4201, 201, "28.00"};
    b.comanda = 2;
    ItemSpec c{4201, 303, "7.00"};
    c.comanda = 3;
    const qint64 first = addItem(h.db(), a);
    const qint64 second = addItem(h.db(), b);
    const qint64 third = addItem(h.db(), c);
    addObservation(h.db(), first, 4201, 2, 'C');
    addObservation(h.db(), first, 4201, 5, 'S');
    MainForm &f = show(QStringLiteral("4201"));
    f.pressKey(vk::kF7);
    ASSERT_EQ(ui().Lv_Itens->topLevelItemCount(), 5);
    ASSERT_EQ(ui().Ds_TOTITENS->text(), QStringLiteral("3"));
    ASSERT_EQ(ui().Lv_Itens->topLevelItem(3)->text(0).toLongLong(), second);
    ASSERT_EQ(ui().Lv_Itens->topLevelItem(4)->text(0).toLongLong(), third);

    // The selected observation rows ask for nothing of their own.
    select({second, third}, /*observationRows=*/true);
    openMenu();
    QTest::mouseClick(menu().Bt_IMPPRO, Qt::LeftButton);
    EXPECT_EQ(itemStatus(first), QStringLiteral("I"));
    EXPECT_EQ(itemStatus(second), QStringLiteral("R"));
    EXPECT_EQ(itemStatus(third), QStringLiteral("R"));

    h.db().run(QStringLiteral("UPDATE mov_MesaItem SET status='I' WHERE idMesa=4201"));
    show(QStringLiteral("4201"));
    ASSERT_EQ(ui().Lv_Itens->topLevelItemCount(), 5);
    select({first, third});
    openMenu();
    QTest::mouseClick(menu().Bt_IMPCMD, Qt::LeftButton);
    EXPECT_EQ(itemStatus(first), QStringLiteral("R"));
    EXPECT_EQ(itemStatus(second), QStringLiteral("I"));
    EXPECT_EQ(itemStatus(third), QStringLiteral("R"));
    EXPECT_TRUE(h.texts().isEmpty()) << h.texts().join(QLatin1Char('|')).toStdString();
}

TEST_F(PrintMenuTest, AFailedRequestIsToldInOneStopBoxAndTheTableReadAgain)
{
    show(QStringLiteral("1201"));
    select({19, 20});
    SqlTestProbe::on(desk::sql())
        .failNext("UPDATE mov_MesaItem SET status=\"R\"WHERE idItem=?", QStringLiteral("40001"));
    openMenu();
    QTest::mouseClick(menu().Bt_IMPPRO, Qt::LeftButton);
    ASSERT_EQ(h.ui().messages.size(), 1u);
    EXPECT_EQ(h.ui().messages[0].text,
              QStringLiteral("Erro 40001 gravando o pedido de impressão, confira os itens !!!"));
    EXPECT_EQ(h.ui().messages[0].style, style::kStop);
    EXPECT_FALSE(menuOpen());
    EXPECT_TRUE(ui().Frm_CaixaM->isEnabled());
    // The request that went through shows in the list.
    int requested = 0;
    for (int i = 0; i < ui().Lv_Itens->topLevelItemCount(); ++i)
        requested += ui().Lv_Itens->topLevelItem(i)->text(7) == QLatin1String("R");
    EXPECT_EQ(requested, 1);
}

TEST_F(PrintMenuTest, PrinterListOffersTodasAndEveryPrinter)
{
    start();
    QComboBox *list = Cb_TESTEIMP();
    ASSERT_EQ(list->count(), 4);
    EXPECT_EQ(list->itemText(0), QStringLiteral("Todas"));
    EXPECT_EQ(list->itemText(1).trimmed(), QStringLiteral("COZINHA"));
    EXPECT_EQ(list->itemText(3).trimmed(), QStringLiteral("CAIXA"));
    EXPECT_EQ(list->currentIndex(), 0);
}

TEST_F(PrintMenuTest, TodasPrintsOnePagePerNamedPrinterEachAfterItsOwnConfiguration)
{
    // A printer whose name has a double space, and a code without a name.
    h.db().run(QStringLiteral("UPDATE tab_Impressoras SET nome='COZINHA  NOVA' WHERE idImpressora=1; "
                              "INSERT INTO tab_Impressoras VALUES(7,'')"));
    MainForm &f = start();
    ASSERT_TRUE(DeskDriver(f).boardTimer()->isActive());
    struct Seen
    {
        QString text;
        QByteArray config;
        bool timerActive;
    };
    std::vector<Seen> seen;
    h.ui().onMessage = [&](const QString &text) {
        seen.push_back({text, configFile(), DeskDriver(f).boardTimer()->isActive()});
    };
    chooseTestPrinter(QStringLiteral("Todas"));
    QTest::mouseClick(ui().Bt_IMPPRO4, Qt::LeftButton);

    EXPECT_EQ(pdfFiles(), (QStringList{QStringLiteral("teste-impressora-01-COZINHA.pdf"),
                                       QStringLiteral("teste-impressora-02-BAR.pdf"),
                                       QStringLiteral("teste-impressora-03-CAIXA.pdf")}));
    for (const QString &file : pdfFiles())
        EXPECT_GT(QFileInfo(QDir(pdfFolder()).filePath(file)).size(), 100) << file.toStdString();
    // One box at the end lists every page written, one line each, and is
    // not cut at a message box's 120 characters.
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(h.ui().messages[0].style, style::kInformation);
    EXPECT_TRUE(h.ui().messages[0].whole);
    EXPECT_GT(seen[0].text.size(), 120);
    const QStringList lines = seen[0].text.split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 3);
    const char *const names[] = {"COZINHA", "BAR", "CAIXA"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(lines[i].startsWith(QStringLiteral("Impressora %1 não instalada").arg(QLatin1String(names[i]))))
            << lines[i].toStdString();
        EXPECT_TRUE(lines[i].contains(pdfFolder())) << lines[i].toStdString();
        EXPECT_TRUE(lines[i].endsWith(pdfFiles()[i])) << lines[i].toStdString();
    }
    // The box comes before the board refreshes again.
    EXPECT_FALSE(seen[0].timerActive);
    EXPECT_TRUE(DeskDriver(f).boardTimer()->isActive());
    EXPECT_EQ(configFile(), PrinterConfig(QStringLiteral("CAIXA")).bytes());

    // The pages name their printers.
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty())
        GTEST_SKIP() << "pdftotext not installed: the page text was not read back";
    for (int i = 0; i < 3; ++i) {
        QProcess reader;
        reader.start(pdftotext, {QDir(pdfFolder()).filePath(pdfFiles()[i]), QStringLiteral("-")});
        ASSERT_TRUE(reader.waitForFinished(30000));
        const QString text = QString::fromUtf8(reader.readAllStandardOutput());
        EXPECT_TRUE(text.contains(QStringLiteral("Impressora: ") + QLatin1String(names[i]))) << text.toStdString();
        EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("Hora: \\d\\d:\\d\\d:\\d\\d"))))
            << text.toStdString();
    }
}

TEST_F(PrintMenuTest, OnePrinterChosenPrintsExactlyOnePage)
{
    start();
    chooseTestPrinter(QStringLiteral("BAR"));
    QTest::mouseClick(ui().Bt_IMPPRO4, Qt::LeftButton);
    EXPECT_EQ(pdfFiles(), QStringList{QStringLiteral("teste-impressora-02-BAR.pdf")});
    EXPECT_EQ(configFile(), PrinterConfig(QStringLiteral("BAR")).bytes());
    EXPECT_EQ(h.ui().messages.size(), 1u);
}

TEST_F(PrintMenuTest, AConfigurationFileThatCannotBeWrittenStopsTheTest)
{
    MainForm &f = start();
    // A folder where the file should be.
    ASSERT_TRUE(QDir().mkpath(h.files().path(QString::fromLatin1(paths::kFormPrt))));
    QTest::mouseClick(ui().Bt_IMPPRO4, Qt::LeftButton);
    EXPECT_TRUE(pdfFiles().isEmpty());
    ASSERT_EQ(h.ui().messages.size(), 1u);
    EXPECT_EQ(h.ui().messages[0].text, QStringLiteral("Erro 30 gravando C:\\Velmorant\\Temp\\FORMPRT.PRT !!!"));
    EXPECT_EQ(h.ui().messages[0].style, style::kStop);
    EXPECT_TRUE(DeskDriver(f).boardTimer()->isActive());
}
