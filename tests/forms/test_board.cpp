#include "FormHarness.h"
#include "Seed.h"
#include "platform/ui/Desk.h"

#include "DeskDriver.h"
#include "board/BoardReader.h"
#include "board/forms/Board.h"
#include "platform/SharedRecords.h"
#include "platform/Sql.h"
#include "session/Session.h"

#include <QSemaphore>
#include <QTest>

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::test;

namespace {

constexpr int kTodas = 0, kAbertas = 1, kPedido = 2, kFechadas = 4, kBloqueadas = 5, kEmAndamento = 6;

class BoardTest : public ::testing::Test
{
protected:
    void SetUp() override { h.standardSession(); }

    MainForm &rebuild(int filter = kTodas)
    {
        if (!started) {
            h.startOnDesk(1);
            started = true;
        }
        // A filter change rebuilds; choosing the same one again would not.
        auto *combo = DeskDriver(h.form()).Cb_STATUSM;
        if (combo->currentIndex() == filter)
            h.form().rebuildBoard();
        else
            combo->setCurrentIndex(filter);
        h.settleBoard();
        return h.form();
    }
    QTreeWidgetItem *row(int table)
    {
        auto *list = DeskDriver(h.form()).Lv_Mesas;
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            if (list->topLevelItem(i)->text(1).trimmed().toInt() == table)
                return list->topLevelItem(i);
        }
        return nullptr;
    }
    char state(int table) { return row(table)->data(0, Qt::UserRole).toChar().toLatin1(); }
    int icon(int table) { return row(table)->data(0, Qt::UserRole + 1).toInt(); }
    QList<int> listed()
    {
        QList<int> tables;
        auto *list = DeskDriver(h.form()).Lv_Mesas;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            tables << list->topLevelItem(i)->text(1).trimmed().toInt();
        return tables;
    }

    FormHarness h;
    bool started = false;
};

} // namespace

TEST_F(BoardTest, OpenPositionWithoutItemsBeatsOrderedOne)
{
    setPosition(h.db(), 3001, 'A');
    addItem(h.db(), {3001});
    setPosition(h.db(), 3002, 'A');
    rebuild();
    EXPECT_EQ(state(30), 'A');
    EXPECT_EQ(icon(30), 1);
    EXPECT_EQ(row(30)->text(4), QStringLiteral("*"));
}

TEST_F(BoardTest, BlockedAndBillRequestedPositions)
{
    setPosition(h.db(), 3101, 'B');
    setPosition(h.db(), 3201, 'I');
    setPosition(h.db(), 3202, 'B');
    rebuild(kBloqueadas);
    EXPECT_EQ(state(31), 'B'); // one blocked, the rest closed
    EXPECT_EQ(state(32), 'I'); // I with B gives I, same icon
    EXPECT_EQ(icon(31), 5);
    EXPECT_EQ(icon(32), 5);
    EXPECT_TRUE(listed().contains(15)); // demo: blocked
    EXPECT_TRUE(listed().contains(18)); // demo: bill requested
    EXPECT_FALSE(listed().contains(12));
}

TEST_F(BoardTest, KitchenFlagChoosesIconSixOnlyWhenEveryOrderWasCollected)
{
    setPosition(h.db(), 3301, 'A');
    const qint64 a = addItem(h.db(), {3301});
    const qint64 b = addItem(h.db(), {3301});
    addKitchen(h.db(), a, 33, true);
    addKitchen(h.db(), b, 33, true);
    setPosition(h.db(), 3401, 'A');
    addItem(h.db(), {3401}); // no kitchen order at all
    setPosition(h.db(), 3501, 'A');
    const qint64 c = addItem(h.db(), {3501});
    addKitchen(h.db(), c, 35, false);
    rebuild(kPedido);
    EXPECT_EQ(icon(33), 6);
    EXPECT_EQ(icon(34), 2);
    EXPECT_EQ(icon(35), 2);
    EXPECT_EQ(icon(7), 6); // demo table, whose stray non-table order must not count
    EXPECT_EQ(icon(3), 2);
}

TEST_F(BoardTest, DessertAndCancelledItems)
{
    setPosition(h.db(), 3601, 'A');
    addItem(h.db(), {3601, 401}); // dessert
    setPosition(h.db(), 3701, 'A');
    addItem(h.db(), {3701, 401, "9.00", 'C'}); // cancelled dessert: no live item
    rebuild();
    EXPECT_EQ(state(36), 'S');
    EXPECT_EQ(icon(36), 3);
    EXPECT_EQ(state(37), 'A');
}

TEST_F(BoardTest, MultiPositionMarkIgnoresPositionsZeroAndNinetyNine)
{
    setPosition(h.db(), 3800, 'A');
    setPosition(h.db(), 3801, 'A');
    setPosition(h.db(), 3899, 'A');
    rebuild();
    EXPECT_EQ(row(38)->text(4), QString());
    setPosition(h.db(), 3802, 'B');
    rebuild();
    EXPECT_EQ(row(38)->text(4), QStringLiteral("*"));
}

TEST_F(BoardTest, PeopleAndWaiterSummary)
{
    // A closed position may still carry a waiter and people.
    setPosition(h.db(), 3901, 'F', 5, 13);
    setPosition(h.db(), 3902, 'A', 3, 6);
    setPosition(h.db(), 3903, 'B', 2, 9);
    rebuild();
    EXPECT_EQ(row(39)->text(2).trimmed(), QStringLiteral("5"));
    EXPECT_EQ(row(39)->text(3), QStringLiteral("FERNANDA ROCHA"));
}

TEST_F(BoardTest, FiltersAndCounters)
{
    h.db().run(QStringLiteral("DELETE FROM mov_Mesa WHERE idMesa DIV 100 = 40"));
    rebuild(kFechadas);
    const QList<int> closed = listed();
    EXPECT_TRUE(closed.contains(40)); // a table without rows is a closed table
    EXPECT_FALSE(closed.contains(12));
    EXPECT_EQ(closed.size(), 80 - 8); // the demo has eight tables in progress

    rebuild(kEmAndamento);
    EXPECT_EQ(listed(), (QList<int>{3, 5, 7, 12, 15, 18, 21, 25}));
    rebuild(kAbertas);
    EXPECT_EQ(listed(), (QList<int>{21}));

    // Counters: tables in progress, accounts closed in this desk date and period.
    const QString day = todayDDMMYYYY();
    const QString ymd = day.mid(4, 4) + day.mid(2, 2) + day.mid(0, 2);
    for (int position : {1, 1, 2})
        h.db().run(QStringLiteral("INSERT INTO mov_Vendas(idVenda,tipo,data,turno,nrCaixa,pontoMesa) "
                                  "VALUES(0,'M','%1',2,1,%2)")
                       .arg(ymd)
                       .arg(position));
    h.db().run(QStringLiteral("INSERT INTO mov_Vendas(idVenda,tipo,data,turno,nrCaixa,pontoMesa) "
                              "VALUES(0,'M','%1',1,1,1)")
                   .arg(ymd));
    rebuild(kTodas);
    EXPECT_EQ(listed().size(), 80);
    EXPECT_EQ(DeskDriver(h.form()).Ds_MESALAN->text(), QStringLiteral("8"));
    EXPECT_EQ(DeskDriver(h.form()).Ds_MESAFEC->text(), QStringLiteral("2"));
    EXPECT_FALSE(DeskDriver(h.form()).Ds_HORABCO->text().isEmpty());
}

TEST_F(BoardTest, TimerStopsWhileATableIsShownAndRestartsOnRelease)
{
    MainForm &f = rebuild(kEmAndamento);
    EXPECT_TRUE(DeskDriver(f).boardTimer()->isActive());
    EXPECT_EQ(DeskDriver(f).boardTimer()->interval(), 30000);
    h.typeTable(QStringLiteral("1201"));
    EXPECT_EQ(f.currentTable(), 1201);
    EXPECT_FALSE(DeskDriver(f).boardTimer()->isActive());
    // A row changed elsewhere meanwhile appears when the table is released.
    setPosition(h.db(), 4101, 'A');
    DeskDriver(f).desk().release();
    h.settleBoard();
    EXPECT_TRUE(DeskDriver(f).boardTimer()->isActive());
    EXPECT_EQ(f.currentTable(), 0);
    EXPECT_EQ(DeskDriver(f).Lv_Itens->topLevelItemCount(), 0);
    EXPECT_TRUE(DeskDriver(f).Ed_CODIMES->text().isEmpty());
    EXPECT_TRUE(listed().contains(41));
}

TEST_F(BoardTest, TypedNumbersAboveTheLimitPutTheShownTableBack)
{
    MainForm &f = rebuild(kEmAndamento);
    h.typeTable(QStringLiteral("1201"));
    ASSERT_EQ(f.currentTable(), 1201);
    h.typeTable(QStringLiteral("9001"));
    EXPECT_EQ(f.currentTable(), 1201);
    EXPECT_EQ(DeskDriver(f).Ed_CODIMES->text(), QStringLiteral("012/01"));
    EXPECT_TRUE(h.ui().messages.empty());
}

TEST_F(BoardTest, ReadFailuresCloseTheForm)
{
    MainForm &f = rebuild(kEmAndamento);
    DeskDriver(f).board().failNextRebuild("FETCH CUR1");
    f.rebuildBoard();
    h.settleBoard();
    EXPECT_EQ(h.texts().last(), QStringLiteral("Erro na leitura do cursor (MESAS) !!!"));
    EXPECT_TRUE(f.closedDown());
}

TEST_F(BoardTest, UnreadableTableListClosesTheForm)
{
    MainForm &f = rebuild(kEmAndamento);
    DeskDriver(f).board().failNextRebuild("SELECT*FROM mov_Mesa ORDER BY idMesa");
    f.rebuildBoard();
    h.settleBoard();
    ASSERT_FALSE(h.ui().messages.empty());
    EXPECT_EQ(h.ui().messages.back().text, QStringLiteral("Erro na leitura das mesas !!!"));
    EXPECT_EQ(h.ui().messages.back().style, style::kStop);
    EXPECT_TRUE(f.closedDown());
}

TEST_F(BoardTest, ReleasingATableRestsTheCaptionsThatFollowIt)
{
    MainForm &f = rebuild(kEmAndamento);
    h.typeTable(QStringLiteral("1501")); // blocked, with a service fee
    ASSERT_EQ(DeskDriver(f).Bt_Bloqueio->text(), QStringLiteral("DESBLOQUEIA MESA"));
    ASSERT_EQ(DeskDriver(f).Bt_SERVICO->text(), QStringLiteral("EXCLUIR SERVIÇO"));
    DeskDriver(f).desk().release();
    EXPECT_EQ(DeskDriver(f).Bt_Bloqueio->text(), QStringLiteral("BLOQUEIA MESA"));
    EXPECT_EQ(DeskDriver(f).Bt_SERVICO->text(), QStringLiteral("INCLUIR SERVIÇO"));
}

TEST_F(BoardTest, BoardBuiltOnItsOwnThreadEqualsTheOneBuiltOnTheEventThread)
{
    setPosition(h.db(), 3001, 'A', 2, 4);
    setPosition(h.db(), 3002, 'A', 3, 5);
    addItem(h.db(), {3002});
    const qint64 ordered = addItem(h.db(), {3301});
    setPosition(h.db(), 3301, 'A', 4, 6);
    addKitchen(h.db(), ordered, 33, true);
    const qint64 waiting = addItem(h.db(), {3401});
    setPosition(h.db(), 3401, 'A');
    addKitchen(h.db(), waiting, 34, false);
    setPosition(h.db(), 3501, 'B');
    setPosition(h.db(), 3601, 'I');
    for (int filter : {kTodas, kEmAndamento, kPedido}) {
        SCOPED_TRACE(filter);
        MainForm &f = rebuild(filter);
        BoardQuery query;
        query.filter = filter + 1;
        query.businessDate = records::W_PABEDAT().text();
        query.period = desk::session().period();
        const BoardSnapshot expected = BoardReader(desk::sql()).MESAS(query);
        ASSERT_EQ(expected.result, BoardSnapshot::Result::Built);
        ASSERT_EQ(listed().size(), qsizetype(expected.rows.size()));
        auto *list = DeskDriver(f).Lv_Mesas;
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            const BoardRow &want = expected.rows[std::size_t(i)];
            QTreeWidgetItem *item = list->topLevelItem(i);
            EXPECT_EQ(item->text(1).trimmed().toInt(), want.table);
            EXPECT_EQ(item->data(0, Qt::UserRole).toChar().toLatin1(), want.state);
            EXPECT_EQ(item->data(0, Qt::UserRole + 1).toInt(), want.icon);
            EXPECT_EQ(item->text(2).trimmed().toInt(), want.people);
            EXPECT_EQ(item->text(3), want.waiterName);
            EXPECT_EQ(item->text(4) == QStringLiteral("*"), want.severalPositions);
        }
        EXPECT_EQ(DeskDriver(f).Ds_MESALAN->text(), QString::number(expected.busyTables));
        EXPECT_EQ(DeskDriver(f).Ds_MESAFEC->text(), QString::number(expected.closedSales));
        for (int t = 1; t <= BoardSummary::kTables; ++t) {
            EXPECT_EQ(DeskDriver(f).board().summary().table(t).state, expected.summary.table(t).state) << t;
            EXPECT_EQ(DeskDriver(f).board().summary().table(t).people, expected.summary.table(t).people) << t;
            EXPECT_EQ(DeskDriver(f).board().summary().table(t).waiter, expected.summary.table(t).waiter) << t;
        }
    }
}

TEST_F(BoardTest, RebuildsNeverOverlapAndTicksWaitForTheOneRunning)
{
    MainForm &f = rebuild(kEmAndamento);
    const int before = DeskDriver(f).board().rebuildsStarted();
    QSemaphore gate;
    DeskDriver(f).board().holdRebuildsOn(gate);
    f.rebuildBoard();
    EXPECT_EQ(DeskDriver(f).board().rebuildsStarted(), before + 1);
    f.rebuildBoard();
    f.rebuildBoard();
    // A tick while one runs: the timer stays off until that one is shown.
    DeskDriver(f).boardTimer()->start(1);
    QTest::qWait(30);
    EXPECT_FALSE(DeskDriver(f).boardTimer()->isActive());
    EXPECT_EQ(DeskDriver(f).board().rebuildsStarted(), before + 1);
    EXPECT_TRUE(DeskDriver(f).board().rebuilding());
    DeskDriver(f).boardTimer()->setInterval(30000);
    gate.release();
    h.settleBoard();
    // The asked-for ones became a single one more, after the first.
    EXPECT_EQ(DeskDriver(f).board().rebuildsStarted(), before + 2);
    EXPECT_TRUE(DeskDriver(f).boardTimer()->isActive());
    EXPECT_FALSE(f.closedDown());
}

TEST_F(BoardTest, BoardFinishedAfterATableWasShownLeavesTheTableAlone)
{
    MainForm &f = rebuild(kEmAndamento);
    QSemaphore gate;
    DeskDriver(f).board().holdRebuildsOn(gate);
    setPosition(h.db(), 4101, 'A');
    DeskDriver(f).Cb_STATUSM->setCurrentIndex(kTodas);
    EXPECT_TRUE(DeskDriver(f).Frm_AguardeMesas->isVisible());
    // The screen does not wait: a table is read while the board is built.
    h.typeTable(QStringLiteral("1201"));
    ASSERT_EQ(f.currentTable(), 1201);
    const int items = DeskDriver(f).Lv_Itens->topLevelItemCount();
    const QString total = DeskDriver(f).Ds_TOTPROD->text();
    gate.release();
    h.settleBoard();
    EXPECT_EQ(f.currentTable(), 1201);
    EXPECT_EQ(DeskDriver(f).Ed_CODIMES->text(), QStringLiteral("012/01"));
    EXPECT_EQ(DeskDriver(f).Lv_Itens->topLevelItemCount(), items);
    EXPECT_EQ(DeskDriver(f).Ds_TOTPROD->text(), total);
    // The board itself is the new one, and the timer stays off while the
    // table is shown.
    EXPECT_FALSE(DeskDriver(f).Frm_AguardeMesas->isVisible());
    EXPECT_TRUE(listed().contains(41));
    EXPECT_EQ(listed().size(), 80);
    EXPECT_FALSE(DeskDriver(f).boardTimer()->isActive());
    EXPECT_TRUE(h.ui().messages.empty());
}

TEST_F(BoardTest, ABoardFinishingAfterTheFormClosedIsDropped)
{
    MainForm &f = rebuild(kEmAndamento);
    const int before = DeskDriver(f).board().rebuildsStarted();
    QSemaphore gate;
    DeskDriver(f).board().holdRebuildsOn(gate);
    DeskDriver(f).board().failNextRebuild("FETCH CUR1");
    f.rebuildBoard();
    f.rebuildBoard();
    f.closeForm();
    gate.release();
    h.settleBoard();
    // Neither its failure is told nor another one started.
    EXPECT_TRUE(h.ui().messages.empty());
    EXPECT_EQ(DeskDriver(f).board().rebuildsStarted(), before + 1);
    EXPECT_FALSE(DeskDriver(f).boardTimer()->isActive());
}

TEST(BoardCounters, ClosedAccountsCountByThePeriodsDateNotTheDesks)
{
    // Dinner opened yesterday, desk 1 of it opened today: the sales carry
    // yesterday's date, and so does the counter.
    FormHarness h;
    const QDate yesterday = QDate::currentDate().addDays(-1);
    h.files().login(1, QStringLiteral("MARIANA SOUZA"));
    h.files().openPeriod(2, {1}, yesterday.toString(QStringLiteral("ddMMyyyy")), todayDDMMYYYY());
    for (const QDate &day : {yesterday, yesterday, QDate::currentDate()})
        h.db().run(QStringLiteral("INSERT INTO mov_Vendas(idVenda,tipo,data,turno,nrCaixa,pontoMesa) "
                                  "VALUES(0,'M','%1',2,1,1)")
                       .arg(day.toString(QStringLiteral("yyyyMMdd"))));
    MainForm &f = h.startOnDesk(1);
    EXPECT_EQ(DeskDriver(f).Ds_MESAFEC->text(), QStringLiteral("2"));
}
