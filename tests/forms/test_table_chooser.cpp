// The table chooser "99-Mesa" against the demo restaurant: what it offers
// for a table, through which filter and with which icon, and what it hands
// back in W-VARS-SQL for every way out.
#include "FormHarness.h"
#include "platform/SqlProbe.h"
#include "platform/ui/Desk.h"

#include "DeskDriver.h"
#include "board/forms/Board.h"
#include "platform/SharedRecords.h"
#include "platform/Sql.h"
#include "tables/forms/TableChooser.h"
#include "ui_TableChooser.h"

#include <QApplication>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using namespace qv;
using test::DeskDriver;

namespace {

const char *const kPositions = "SELECT*FROM mov_Mesa WHERE(status=? OR ?='*')AND(idMesa>? AND idMesa<?)";
enum Filter {
    Todas,
    Abertas,
    Pedido,
    Sobremesa,
    Fechadas,
    Bloqueadas,
    EmAndamento
};

TableChooser *visibleChooser()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *c = qobject_cast<TableChooser *>(w); c && c->isVisible())
            return c;
    return nullptr;
}

// Plays a script on the chooser once its start procedure has run, from
// inside the exec() of whoever opened it. A dialog the script leaves open
// is closed for it (and counted), so a broken dialog fails, never hangs.
struct ChooserScript
{
    explicit ChooserScript(std::function<void(TableChooser &)> script)
    {
        QObject::connect(&poll, &QTimer::timeout, [this, script] {
            TableChooser *c = visibleChooser();
            if (!c || c->ui().Cb_STATUSM->count() != 7)
                return;
            poll.stop();
            driven = true;
            script(*c);
            if (c->isVisible()) {
                leftOpen = true;
                c->reject();
            }
        });
        poll.start(2);
        QTimer::singleShot(15000, &poll, [] {
            if (TableChooser *c = visibleChooser())
                c->reject();
        });
    }
    QTimer poll;
    bool driven = false;
    bool leftOpen = false;
};

// Opens the chooser for `table` as the board does; the position handed back.
int choose(int table, std::function<void(TableChooser &)> script, bool expectDriven = true)
{
    SharedRecord &vars = records::W_VARS_SQL();
    vars.setDigits(33, 5, std::uint64_t(table * 100));
    vars.setDigits(38, 5, std::uint64_t(table * 100 + 99));
    ChooserScript run(std::move(script));
    FormRegistry::instance().open(QStringLiteral("99-Mesa"), nullptr);
    EXPECT_EQ(run.driven, expectDriven) << "table " << table;
    EXPECT_FALSE(run.leftOpen) << "table " << table;
    return int(vars.digits(33, 5));
}

QStringList positions(const TableChooser &c)
{
    QStringList all;
    for (int i = 0; i < c.ui().Lv_Mesas->topLevelItemCount(); ++i)
        all << c.ui().Lv_Mesas->topLevelItem(i)->text(1);
    return all;
}

std::vector<int> icons(const TableChooser &c)
{
    std::vector<int> all;
    for (int i = 0; i < c.ui().Lv_Mesas->topLevelItemCount(); ++i) {
        QTreeWidgetItem *item = c.ui().Lv_Mesas->topLevelItem(i);
        const int n = item->data(0, TableChooser::kIconRole).toInt();
        EXPECT_EQ(item->icon(0).cacheKey(), stateIcon(n).cacheKey()); // the image shown is that number's
        all.push_back(n);
    }
    return all;
}

// The highlighted row, which must be the only selected one and the current.
int currentRow(const TableChooser &c)
{
    QTreeWidget *list = c.ui().Lv_Mesas;
    const auto selected = list->selectedItems();
    if (selected.size() != 1 || selected.front() != list->currentItem())
        return -1;
    return list->indexOfTopLevelItem(list->currentItem());
}

void setFilter(TableChooser &c, Filter f)
{
    c.ui().Cb_STATUSM->setCurrentIndex(f);
}

class TableChooserTest : public ::testing::Test
{
protected:
    TableChooserTest()
    {
        SharedRecord::resetAll();
        registerTableChooser(); // the opener the program registers
    }
    test::TestDatabase db{true};
    test::ScriptedUiScope ui;
};

TEST_F(TableChooserTest, StartFilterAndThePositionOffered)
{
    // Table 12: 1201 and 1202 open, 1203 and 1204 free.
    EXPECT_EQ(choose(12,
                     [](TableChooser &c) {
                         EXPECT_EQ(c.objectName(), QStringLiteral("99-Mesa"));
                         EXPECT_EQ(c.windowTitle(), QStringLiteral("Detalhamento da Mesa"));
                         EXPECT_FALSE(c.Cm_Timer->isActive());
                         QStringList entries;
                         for (int i = 0; i < c.ui().Cb_STATUSM->count(); ++i)
                             entries << c.ui().Cb_STATUSM->itemText(i);
                         EXPECT_EQ(entries, (QStringList{"Todas", "Abertas", "Pedido", "Sobremesa", "Fechadas",
                                                         "Bloqueadas", "Em Andamento"}));
                         EXPECT_EQ(c.ui().Cb_STATUSM->currentIndex(), EmAndamento);
                         EXPECT_EQ(positions(c), (QStringList{"1201", "1202"}));
                         EXPECT_EQ(currentRow(c), 0);
                         EXPECT_EQ(c.ui().Ed_MESA->text(), QStringLiteral(" 12 01"));
                         EXPECT_EQ(c.ui().Lv_Mesas->topLevelItem(0)->text(2).trimmed(), QStringLiteral("2"));
                         EXPECT_EQ(c.ui().Lv_Mesas->topLevelItem(0)->text(3), QStringLiteral("JOSE RODRIGUES"));
                         EXPECT_EQ(QApplication::focusWidget(), c.ui().Lv_Mesas);
                         QTest::keyClick(c.ui().Lv_Mesas, Qt::Key_Return);
                     }),
              1201);

    // Table 3: 0301 open with items; the free 0302 is not in progress.
    EXPECT_EQ(choose(3,
                     [](TableChooser &c) {
                         EXPECT_EQ(positions(c), QStringList{"301"});
                         EXPECT_EQ(c.ui().Ed_MESA->text(), QStringLiteral("  3 01"));
                         QTest::keyClick(c.ui().Lv_Mesas, Qt::Key_Return);
                     }),
              301);

    // Table 90 has no row at all: "Todas", nothing listed, Enter gives 0.
    EXPECT_EQ(choose(90,
                     [](TableChooser &c) {
                         EXPECT_EQ(c.ui().Cb_STATUSM->currentIndex(), Todas);
                         EXPECT_EQ(c.ui().Lv_Mesas->topLevelItemCount(), 0);
                         EXPECT_EQ(c.ui().Ed_MESA->text(), QStringLiteral("  0 00"));
                         QTest::keyClick(c.ui().Lv_Mesas, Qt::Key_Down); // nothing to move to
                         QTest::keyClick(c.ui().Lv_Mesas, Qt::Key_Enter);
                     }),
              0);

    // Table 40, every position free: "Todas" lists and offers them.
    EXPECT_EQ(choose(40,
                     [](TableChooser &c) {
                         EXPECT_EQ(c.ui().Cb_STATUSM->currentIndex(), Todas);
                         EXPECT_EQ(positions(c), (QStringList{"4001", "4002", "4003", "4004"}));
                         EXPECT_EQ(icons(c), (std::vector<int>{4, 4, 4, 4}));
                         QTest::keyClick(c.ui().Lv_Mesas, Qt::Key_Return);
                     }),
              4001);

    // Only "no row" means nothing in use: a failed read opens in progress.
    SqlTestProbe::on(desk::sql()).failNext("SELECT*FROM mov_Mesa WHERE(status<>'F')AND(idMesa>? AND idMesa<?)");
    choose(40, [](TableChooser &c) {
        EXPECT_EQ(c.ui().Cb_STATUSM->currentIndex(), EmAndamento);
        QTest::keyClick(c.ui().Lv_Mesas, Qt::Key_Escape);
    });
    EXPECT_TRUE(ui.ui().messages.empty());
}

// Which positions a filter lists, and with which icon, is the core's
// (services/test_position_reader.cpp); here: a filter chosen lists again,
// each row shows its icon's image, and the position offered is the first.
TEST_F(TableChooserTest, AFilterChosenListsAgainWithTheIcons)
{
    choose(18, [](TableChooser &c) {
        EXPECT_EQ(positions(c), QStringList{"1801"});
        EXPECT_EQ(icons(c), std::vector<int>{5});
        setFilter(c, Todas);
        EXPECT_EQ(positions(c), (QStringList{"1801", "1802", "1803", "1804"}));
        EXPECT_EQ(icons(c), (std::vector<int>{5, 4, 4, 4}));
        EXPECT_EQ(c.ui().Lv_Mesas->topLevelItem(1)->text(3), QString()); // no waiter
        setFilter(c, Fechadas);
        EXPECT_EQ(c.ui().Ed_MESA->text(), QStringLiteral(" 18 02"));
        setFilter(c, Bloqueadas);
        EXPECT_TRUE(positions(c).isEmpty());
        // Nothing listed: the position offered stays the last one shown.
        EXPECT_EQ(c.ui().Ed_MESA->text(), QStringLiteral(" 18 02"));
        QTest::keyClick(c.ui().Lv_Mesas, Qt::Key_Escape);
    });
    choose(7, [](TableChooser &c) {
        EXPECT_EQ(icons(c), std::vector<int>{6});
        QTest::keyClick(c.ui().Lv_Mesas, Qt::Key_Escape);
    });
}

TEST_F(TableChooserTest, KeysAndMouse)
{
    // Arrows move the choice with the highlight and stop at either end.
    EXPECT_EQ(choose(12,
                     [](TableChooser &c) {
                         QTreeWidget *list = c.ui().Lv_Mesas;
                         setFilter(c, Todas);
                         QTest::keyClick(list, Qt::Key_Up);
                         EXPECT_EQ(currentRow(c), 0);
                         QTest::keyClick(list, Qt::Key_Down);
                         EXPECT_EQ(currentRow(c), 1);
                         EXPECT_EQ(c.ui().Ed_MESA->text(), QStringLiteral(" 12 02"));
                         for (int i = 0; i < 5; ++i)
                             QTest::keyClick(list, Qt::Key_Down);
                         EXPECT_EQ(currentRow(c), 3);
                         EXPECT_EQ(c.ui().Ed_MESA->text(), QStringLiteral(" 12 04"));
                         // Nothing else moves the highlight away from what Enter returns.
                         for (Qt::Key k : {Qt::Key_Home, Qt::Key_PageUp, Qt::Key_1})
                             QTest::keyClick(list, k);
                         EXPECT_EQ(currentRow(c), 3);
                         QTest::keyClick(list, Qt::Key_Up);
                         QTest::keyClick(list, Qt::Key_Return);
                     }),
              1203);

    // A click shows the row; a double click takes it.
    EXPECT_EQ(choose(12,
                     [](TableChooser &c) {
                         QTreeWidget *list = c.ui().Lv_Mesas;
                         const QPoint second = list->visualItemRect(list->topLevelItem(1)).center();
                         QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second);
                         EXPECT_EQ(c.ui().Ed_MESA->text(), QStringLiteral(" 12 02"));
                         EXPECT_TRUE(c.isVisible());
                         QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, second);
                     }),
              1202);

    // Escape gives 0 even after a row was clicked, from the filter as well.
    EXPECT_EQ(choose(12,
                     [](TableChooser &c) {
                         QTreeWidget *list = c.ui().Lv_Mesas;
                         QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                                           list->visualItemRect(list->topLevelItem(1)).center());
                         QTest::keyClick(list, Qt::Key_Escape);
                     }),
              0);
    EXPECT_EQ(choose(12, [](TableChooser &c) { QTest::keyClick(c.ui().Cb_STATUSM, Qt::Key_Escape); }), 0);

    // Closing the window hands back what Ed_MESA shows.
    EXPECT_EQ(choose(12,
                     [](TableChooser &c) {
                         QTest::keyClick(c.ui().Lv_Mesas, Qt::Key_Down);
                         c.close();
                     }),
              1202);
}

TEST_F(TableChooserTest, UnreadableListClosesTheDialog)
{
    SqlTestProbe::on(desk::sql()).failNext(kPositions);
    EXPECT_EQ(choose(
                  12, [](TableChooser &) {}, /*expectDriven=*/false),
              0);
    // Later, after a position was shown: that one is handed back.
    EXPECT_EQ(choose(12,
                     [](TableChooser &c) {
                         SqlTestProbe::on(desk::sql()).failNext(kPositions);
                         setFilter(c, Todas);
                     }),
              1201);
    ASSERT_EQ(ui.ui().messages.size(), 2u);
    for (const test::Shown &m : ui.ui().messages) {
        EXPECT_EQ(m.text, QStringLiteral("Erro na leitura das mesas !!!"));
        EXPECT_EQ(m.style, style::kStop);
    }
}

TEST(TableChooserFromMainForm, TypedTableLoadsThePositionChosen)
{
    registerTableChooser();
    test::FormHarness h;
    h.standardSession();
    MainForm &f = h.startOnDesk(1);

    ChooserScript leave([](TableChooser &c) { QTest::keyClick(c.ui().Lv_Mesas, Qt::Key_Escape); });
    h.typeTable(QStringLiteral("12"));
    EXPECT_TRUE(leave.driven);
    EXPECT_EQ(f.currentTable(), 0);
    EXPECT_EQ(DeskDriver(f).Ed_CODIMES->text(), QString());
    EXPECT_EQ(f.focusWidget(), DeskDriver(f).Ed_CODIMES);
    // The offscreen platform gives the activation back to no window once a
    // dialog closes; a desktop gives it back to the form.
    f.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    EXPECT_EQ(QApplication::focusWidget(), DeskDriver(f).Ed_CODIMES);

    ChooserScript take([](TableChooser &c) {
        EXPECT_EQ(positions(c), (QStringList{"1201", "1202"}));
        QTest::keyClick(c.ui().Lv_Mesas, Qt::Key_Return);
    });
    h.typeTable(QStringLiteral("12"));
    EXPECT_TRUE(take.driven);
    EXPECT_EQ(DeskDriver(f).Ed_CODIMES->text(), QStringLiteral("012/01"));
    EXPECT_EQ(f.currentTable(), 1201);
    EXPECT_TRUE(h.ui().messages.empty()) << h.texts().join(QLatin1Char('|')).toStdString();
}

} // namespace
