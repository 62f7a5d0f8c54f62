// The buttons that reach the other modules of the suite (reports,
// management, take-away program) and our stand-ins for the first two.
#include "FormHarness.h"
#include "platform/SqlProbe.h"
#include "platform/ui/Desk.h"

#include "DeskDriver.h"
#include "board/forms/SuiteLinks.h"
#include "modules/Management.h"
#include "modules/Registration.h"
#include "modules/Reports.h"
#include "platform/Config.h"
#include "platform/SharedRecords.h"
#include "platform/Sql.h"
#include "ui_Management.h"
#include "ui_Reports.h"

#include <QApplication>
#include <QDate>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::test;

namespace {

// Puts the real forms back when a test replaced one of them.
struct RegistryGuard
{
    ~RegistryGuard() { registerAllForms(); }
};

// The take-away program of the configuration, for the scope.
struct TakeAwayProgram
{
    explicit TakeAwayProgram(const QString &program)
    {
        Config c = Config::current();
        c.takeAwayProgram = program;
        Config::setCurrent(c);
    }
    ~TakeAwayProgram()
    {
        Config c = Config::current();
        c.takeAwayProgram.clear();
        Config::setCurrent(c);
    }
};

QString today()
{
    return QDate::currentDate().toString(QStringLiteral("yyyyMMdd"));
}

struct Sale
{
    QString date;
    int period = 2;
    int desk = 1;
    int table = 3;
    int position = 1;
    int people = 2;
    int waiter = 4;
    const char *opened = "20:00:00";
    const char *closed = "21:00:00";
    const char *service = "0.00";
    const char *total = "0.00";
    char cancelled = 'N';
    bool split = false; // a split position's sale: written with an empty receipt
};

qint64 addSale(const TestDatabase &db, const Sale &s)
{
    return db
        .run(QStringLiteral("INSERT INTO mov_Vendas(tipo,data,turno,nrCaixa,nrMesa,pontoMesa,qtdPessoas,idGarcon,"
                            "horaAbertura,horaFechamento,valorServico,valorTotal,cancelada,recebimento) "
                            "VALUES('M','%1',%2,%3,%4,%5,%6,%7,'%8','%9',%10,%11,'%12',%13); "
                            "SELECT LAST_INSERT_ID();")
                 .arg(s.date.isEmpty() ? today() : s.date)
                 .arg(s.period)
                 .arg(s.desk)
                 .arg(s.table)
                 .arg(s.position)
                 .arg(s.people)
                 .arg(s.waiter)
                 .arg(QLatin1String(s.opened), QLatin1String(s.closed), QLatin1String(s.service),
                      QLatin1String(s.total), QString(QLatin1Char(s.cancelled)),
                      s.split ? QStringLiteral("REPEAT('0',350)") : QStringLiteral("'01'")))
        .toLongLong();
}

void addSaleItem(const TestDatabase &db, qint64 sale, int sequence, int product, const char *price,
                 char cancelled = 'N')
{
    db.run(QStringLiteral("INSERT INTO mov_VendasItem(idVenda,sequencia,idProduto,valorUnitario,cancelado) "
                          "VALUES(%1,%2,%3,%4,'%5')")
               .arg(sale)
               .arg(sequence)
               .arg(product)
               .arg(QLatin1String(price))
               .arg(QLatin1Char(cancelled)));
}

// The rows of a list, each as its column texts joined by '|'.
QStringList rows(QTreeWidget *list)
{
    QStringList all;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        QStringList cells;
        for (int c = 0; c < list->columnCount(); ++c)
            cells << list->topLevelItem(i)->text(c);
        all << cells.join(QLatin1Char('|'));
    }
    return all;
}

class SuiteLinksTest : public ::testing::Test
{
protected:
    void SetUp() override { h.standardSession(); }

    // A dinner's sales: two accounts at desk 1 for waiter 4, one for
    // waiter 8, and the sales no report of desk 1 tonight may count.
    void seedSales()
    {
        Sale a;
        a.table = 3, a.people = 4, a.waiter = 4, a.opened = "19:30:00", a.closed = "21:10:00";
        a.service = "10.00", a.total = "110.00";
        const qint64 saleA = addSale(h.db(), a);
        Sale b;
        b.table = 12, b.position = 2, b.people = 2, b.waiter = 8, b.opened = "20:12:00", b.closed = "20:50:00";
        b.service = "5.55", b.total = "61.05";
        const qint64 saleB = addSale(h.db(), b);
        Sale c;
        c.table = 7, c.people = 1, c.waiter = 4, c.opened = "21:00:00", c.closed = "21:30:00";
        c.service = "2.50", c.total = "27.50";
        addSale(h.db(), c);

        Sale otherDesk = a;
        otherDesk.desk = 2, otherDesk.total = "999.00", otherDesk.service = "99.00";
        const qint64 saleDesk2 = addSale(h.db(), otherDesk);
        Sale lunch = a;
        lunch.period = 1, lunch.total = "500.00";
        const qint64 saleLunch = addSale(h.db(), lunch);
        Sale yesterday = a;
        yesterday.date = QDate::currentDate().addDays(-1).toString(QStringLiteral("yyyyMMdd"));
        yesterday.total = "400.00";
        addSale(h.db(), yesterday);
        Sale cancelled = a;
        cancelled.cancelled = 'S', cancelled.total = "300.00", cancelled.service = "30.00";
        const qint64 saleCancelled = addSale(h.db(), cancelled);

        addSaleItem(h.db(), saleA, 1, 112, "38.50");
        addSaleItem(h.db(), saleA, 2, 112, "38.50");
        addSaleItem(h.db(), saleA, 3, 303, "7.00", 'S');
        addSaleItem(h.db(), saleB, 1, 201, "28.00");
        addSaleItem(h.db(), saleDesk2, 1, 201, "28.00");
        addSaleItem(h.db(), saleLunch, 1, 112, "38.50");
        addSaleItem(h.db(), saleCancelled, 1, 112, "38.50");
    }

    // Opens the report of that kind through its button on the main form
    // and returns the rows it listed; the report is closed with Escape.
    QStringList reportThroughButton(QPushButton *button, QString *title = nullptr)
    {
        QStringList listed;
        bool closedByEscape = false;
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<ReportsDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            listed = rows(dialog->ui().Lv_Relatorio);
            if (title)
                *title = dialog->ui().Lb_TITULO->text();
            QTest::keyClick(dialog->ui().Lv_Relatorio, Qt::Key_Escape);
            closedByEscape = !dialog->isVisible();
        });
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_TRUE(closedByEscape);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        return listed;
    }

    FormHarness h;
};

} // namespace

TEST_F(SuiteLinksTest, ReportButtonsHandPeriodDeskAndKindAndGiveTheFocusBack)
{
    h.startOnDesk(3);
    RegistryGuard guard;
    struct Seen
    {
        char period, desk, kind;
    };
    std::vector<Seen> seen;
    FormRegistry::instance().add(QStringLiteral("15-Pemrick"), [&seen](QWidget *) {
        seen.push_back({records::W_VARS_SQL().at(31), records::W_VARS_SQL().at(32), records::L_LINK().at(312)});
        return 0;
    });
    const DeskDriver ui(h.form());
    records::W_VARS_SQL().setText(31, 2, QStringLiteral("xy"));

    ui.Lv_Itens->setFocus();
    QTest::mouseClick(ui.Bt_IMPPRO6, Qt::LeftButton);
    EXPECT_TRUE(ui.Ed_CODIMES->hasFocus());
    QTest::mouseClick(ui.Bt_MFECH, Qt::LeftButton);
    QTest::mouseClick(ui.Bt_COMIS, Qt::LeftButton);

    ASSERT_EQ(seen.size(), 3u);
    // The menu mix covers every desk: byte 32 is left as it was.
    EXPECT_EQ(seen[0].period, '2');
    EXPECT_EQ(seen[0].desk, 'y');
    EXPECT_EQ(seen[0].kind, 'P');
    EXPECT_EQ(seen[1].period, '2');
    EXPECT_EQ(seen[1].desk, '3');
    EXPECT_EQ(seen[1].kind, 'M');
    EXPECT_EQ(seen[2].desk, '3');
    EXPECT_EQ(seen[2].kind, 'C');
    EXPECT_TRUE(ui.Ed_CODIMES->hasFocus());
}

TEST_F(SuiteLinksTest, ManagementButtonOpensTheManagementModule)
{
    h.startOnDesk(1);
    RegistryGuard guard;
    int opened = 0;
    FormRegistry::instance().add(QStringLiteral("05-Olvant"), [&opened](QWidget *) {
        ++opened;
        return 0;
    });
    QTest::mouseClick(DeskDriver(h.form()).Bt_GEREN, Qt::LeftButton);
    EXPECT_EQ(opened, 1);
}

TEST_F(SuiteLinksTest, ClosedTablesReportListsTheDesksAccountsOfTonightWithATotalLine)
{
    seedSales();
    h.startOnDesk(1);
    QString title;
    const QStringList listed = reportThroughButton(DeskDriver(h.form()).Bt_MFECH, &title);
    EXPECT_EQ(title, QStringLiteral("Mesas Fechadas"));
    EXPECT_EQ(listed, (QStringList{
                          QStringLiteral("12|02|2|JOSE RODRIGUES|20:12:00|20:50:00|61,05"),
                          QStringLiteral("3|01|4|JOAO PEREIRA|19:30:00|21:10:00|110,00"),
                          QStringLiteral("7|01|1|JOAO PEREIRA|21:00:00|21:30:00|27,50"),
                          QStringLiteral("TOTAL||7|3 conta(s)|||198,55"),
                      }));
    EXPECT_TRUE(h.texts().isEmpty());
}

TEST_F(SuiteLinksTest, ASplitBillCountsOnceWhereItsSharesWerePaid)
{
    // Table 9/01 was split over 9/02 and 9/03: its sale took no payment,
    // the two shares were paid with the other positions' accounts.
    Sale split;
    split.table = 9, split.position = 1, split.people = 2, split.closed = "21:00:00", split.total = "40.00";
    split.split = true;
    const qint64 splitSale = addSale(h.db(), split);
    addSaleItem(h.db(), splitSale, 1, 112, "40.00");
    for (int position : {2, 3}) {
        Sale share;
        share.table = 9, share.position = position, share.people = 1, share.total = "20.00";
        share.closed = position == 2 ? "21:10:00" : "21:20:00";
        addSaleItem(h.db(), addSale(h.db(), share), 1, 999999, "20.00");
    }
    h.startOnDesk(1);
    const QStringList closed = reportThroughButton(DeskDriver(h.form()).Bt_MFECH);
    EXPECT_EQ(closed, (QStringList{
                          QStringLiteral("9|01|2|JOAO PEREIRA|20:00:00|21:00:00|40,00 (dividida)"),
                          QStringLiteral("9|02|1|JOAO PEREIRA|20:00:00|21:10:00|20,00"),
                          QStringLiteral("9|03|1|JOAO PEREIRA|20:00:00|21:20:00|20,00"),
                          QStringLiteral("TOTAL||2|2 conta(s)|||40,00"),
                      }));
    // The dishes the split table served, not the shares that paid them.
    const QStringList mix = reportThroughButton(DeskDriver(h.form()).Bt_IMPPRO6);
    EXPECT_EQ(mix, (QStringList{QStringLiteral("112|HAMBÚRGUER DA CASA|1|40,00"), QStringLiteral("TOTAL||1|40,00")}));
}

TEST_F(SuiteLinksTest, CommissionsReportSumsTheServiceFeePerWaiter)
{
    seedSales();
    h.startOnDesk(1);
    const QStringList listed = reportThroughButton(DeskDriver(h.form()).Bt_COMIS);
    EXPECT_EQ(listed, (QStringList{
                          QStringLiteral("4|JOAO PEREIRA|2|12,50"),
                          QStringLiteral("8|JOSE RODRIGUES|1|5,55"),
                          QStringLiteral("TOTAL||3|18,05"),
                      }));
}

TEST_F(SuiteLinksTest, MenuMixCountsTheProductsSoldAtEveryDeskLeavingCancelledOnesOut)
{
    seedSales();
    h.startOnDesk(1);
    const QStringList listed = reportThroughButton(DeskDriver(h.form()).Bt_IMPPRO6);
    EXPECT_EQ(listed, (QStringList{
                          QStringLiteral("201|BATATA FRITA|2|56,00"),
                          QStringLiteral("112|HAMBÚRGUER DA CASA|2|77,00"),
                          QStringLiteral("TOTAL||4|133,00"),
                      }));
}

TEST_F(SuiteLinksTest, AnUnreadableReportSaysSoAndDoesNotOpen)
{
    h.startOnDesk(1);
    records::L_LINK().setAt(312, 'P');
    {
        ReportsDialog dialog(&h.form());
        SqlTestProbe::on(desk::sql()).failNext("FETCH CURVEN");
        EXPECT_FALSE(dialog.load());
    }
    {
        records::L_LINK().setAt(312, 'X');
        ReportsDialog dialog(&h.form());
        EXPECT_FALSE(dialog.load());
    }
    ASSERT_EQ(h.ui().messages.size(), 2u);
    EXPECT_TRUE(h.ui().messages[0].text.startsWith(QStringLiteral("Erro HY000 na leitura do relatório !!!")));
    EXPECT_EQ(h.ui().messages[0].style, style::kStop);
    EXPECT_EQ(h.ui().messages[1].style, style::kStop);
}

TEST_F(SuiteLinksTest, ManagementOverviewCountsOpenTablesAndThePeriodsClosedAccounts)
{
    seedSales();
    h.startOnDesk(1);
    ManagementDialog dialog(&h.form());
    ASSERT_TRUE(dialog.load());
    auto &ui = dialog.ui();
    // Demo: tables 3, 5, 7, 12 (two positions), 15, 18, 21, 25.
    EXPECT_EQ(ui.Ds_MESAS->text(), QStringLiteral("8"));
    EXPECT_EQ(ui.Ds_POSICOES->text(), QStringLiteral("9"));
    EXPECT_EQ(ui.Lv_Abertas->topLevelItemCount(), 9);
    EXPECT_EQ(ui.Lv_Abertas->topLevelItem(4)->text(0), QStringLiteral("012/02"));
    EXPECT_EQ(ui.Lv_Abertas->topLevelItem(5)->text(1), QStringLiteral("B - Bloqueada"));
    // Tonight's accounts at every desk, the cancelled one left out.
    EXPECT_EQ(ui.Ds_CONTAS->text(), QStringLiteral("4"));
    EXPECT_EQ(ui.Ds_TOTAL->text(), QStringLiteral("1.197,55"));
}

TEST_F(SuiteLinksTest, F12WithoutATakeAwayProgramSaysSo)
{
    h.startOnDesk(1);
    TakeAwayProgram none{QString()};
    QTest::keyClick(DeskDriver(h.form()).Ed_CODIMES, Qt::Key_F12);
    EXPECT_TRUE(h.ui().started.isEmpty());
    ASSERT_EQ(h.ui().messages.size(), 1u);
    EXPECT_EQ(h.ui().messages[0].text, QStringLiteral("Nenhum programa de viagem configurado !!!"));
    EXPECT_EQ(h.ui().messages[0].style, style::kInformation);
}

TEST_F(SuiteLinksTest, F12StartsTheConfiguredProgramOnceWhileItRuns)
{
    // A program of our own, so that nothing else on the machine runs it.
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("drumwel-stub"));
    ASSERT_TRUE(QFile::copy(QStringLiteral("/bin/sleep"), program));
    QFile::setPermissions(program, QFile::permissions(program) | QFile::ExeOwner);
    TakeAwayProgram configured(program);
    h.startOnDesk(1);

    QTest::keyClick(DeskDriver(h.form()).Ed_CODIMES, Qt::Key_F12);
    EXPECT_EQ(h.ui().started, QStringList{program});
    EXPECT_TRUE(h.texts().isEmpty());

    // Already running: no second copy.
    QProcess running;
    running.start(program, {QStringLiteral("60")});
    ASSERT_TRUE(running.waitForStarted());
    EXPECT_TRUE(SuiteLinks::programRunning(program));
    QTest::mouseClick(DeskDriver(h.form()).Frm_INS2, Qt::LeftButton);
    EXPECT_EQ(h.ui().started.size(), 1);
    EXPECT_EQ(h.texts(), QStringList{QStringLiteral("O programa de viagem já está aberto !!!")});

    // Closed again: F12 starts it.
    running.kill();
    running.waitForFinished();
    EXPECT_FALSE(SuiteLinks::programRunning(program));
    QTest::keyClick(DeskDriver(h.form()).Ed_CODIMES, Qt::Key_F12);
    EXPECT_EQ(h.ui().started, (QStringList{program, program}));
}
