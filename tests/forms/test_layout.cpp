// The main form on the monitors a cash desk has: at each size the whole
// function-key bar and every total lie inside the window, the window fits
// the screen, and the lists take the room that is left.
#include "FormHarness.h"

#include "DeskDriver.h"
#include "modules/Registration.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::test;

namespace {

struct ScreenSize
{
    int width;
    int height;
};

// The sizes of the monitors found on cash desks; a maximised window loses
// a title bar and a task bar of about 60 pixels.
const ScreenSize kScreens[] = {{1024, 768}, {1280, 800}, {1366, 768}, {1920, 1080}};
constexpr int kDesktopChrome = 60;

class LayoutTest : public ::testing::TestWithParam<ScreenSize>
{
protected:
    void SetUp() override
    {
        // The sizes are those of the program as it runs: with its style.
        applyStyle();
        h.standardSession();
        h.showTable(QStringLiteral("1201"));
    }
    MainForm &form() { return h.form(); }
    DeskDriver ui() { return DeskDriver(h.form()); }
    // Where a control lies, in the form's coordinates.
    QRect placed(const QWidget *w) { return QRect(w->mapTo(&form(), QPoint(0, 0)), w->size()); }
    void expectInside(const QWidget *w)
    {
        EXPECT_TRUE(w->isVisible()) << w->objectName().toStdString();
        EXPECT_TRUE(form().rect().contains(placed(w)))
            << w->objectName().toStdString() << " at " << placed(w).x() << "," << placed(w).y() << " "
            << placed(w).width() << "x" << placed(w).height();
    }

    // Every column at least as wide as its bold title and its padding.
    static void expectWholeTitles(QTreeWidget *list)
    {
        QFont bold = list->header()->font();
        bold.setBold(true);
        const QFontMetrics titles(bold);
        for (int c = 0; c < list->columnCount(); ++c) {
            EXPECT_GE(list->header()->sectionSize(c), titles.horizontalAdvance(list->headerItem()->text(c)) + 8)
                << list->objectName().toStdString() << " column " << c;
        }
    }
    // Whether a text shows whole in a combo box.
    static bool fits(QComboBox *box, const QString &text)
    {
        QStyleOptionComboBox option;
        option.initFrom(box);
        const QRect field =
            box->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, box);
        return field.width() >= box->fontMetrics().horizontalAdvance(text);
    }

    FormHarness h;
};

} // namespace

TEST_P(LayoutTest, TheBarAndTheTotalsLieInsideTheWindowAndTheWindowInsideTheScreen)
{
    const ScreenSize screen = GetParam();
    const QSize usable(screen.width, screen.height - kDesktopChrome);
    // The window can be made as small as the screen leaves it.
    EXPECT_LE(form().minimumSizeHint().width(), usable.width());
    EXPECT_LE(form().minimumSizeHint().height(), usable.height());
    form().resize(usable);
    QTest::qWait(1);
    QCoreApplication::processEvents();
    ASSERT_EQ(form().size(), usable);

    // Every entry of the function-key bar, with its key label, whole.
    int entries = 0;
    for (QPushButton *entry : ui().CmFrame47->findChildren<QPushButton *>()) {
        expectInside(entry);
        // The caption is not cut.
        EXPECT_GE(entry->width(), entry->fontMetrics().horizontalAdvance(entry->text()))
            << entry->objectName().toStdString();
        ++entries;
    }
    EXPECT_EQ(entries, 14);
    for (QLabel *label : ui().CmFrame47->findChildren<QLabel *>())
        expectInside(label);

    // Every total, the table's own first.
    for (QWidget *total : ui().Frm_Totais->findChildren<QLineEdit *>())
        expectInside(total);
    expectInside(ui().Ds_TOTMESA);
    expectInside(ui().Frm_Totais);
    // The rest of the screen's controls too.
    for (QWidget *w : std::initializer_list<QWidget *>{ui().Bt_Sair, ui().Cb_IMPRE, ui().Ed_CODIMES, ui().Ed_QTDEPES,
                                                       ui().Cb_Operador, ui().Ed_DESCMANT, ui().Cb_STATUSM,
                                                       ui().Lv_Mesas, ui().Lv_Itens, ui().Lv_Consol, ui().Bt_MFECH,
                                                       ui().Bt_COMIS, ui().Bt_IMPPRO6, ui().Bt_GEREN, ui().Bt_IMPPRO4})
        expectInside(w);

    // The item list shows a useful number of rows.
    EXPECT_GE(ui().Lv_Itens->viewport()->height(), 4 * ui().Lv_Itens->sizeHintForRow(0));
}

TEST_P(LayoutTest, NoTitleOrChoiceIsCut)
{
    const ScreenSize screen = GetParam();
    form().resize(screen.width, screen.height - kDesktopChrome);
    QTest::qWait(1);
    QCoreApplication::processEvents();

    // Every column title whole (the list may scroll sideways to reach it).
    for (QTreeWidget *list : {ui().Lv_Mesas, ui().Lv_Itens, ui().Lv_Consol})
        expectWholeTitles(list);
    // The board never scrolls sideways: every column is in sight.
    EXPECT_LE(ui().Lv_Mesas->header()->length(), ui().Lv_Mesas->viewport()->width());

    // The filter's every entry and the waiter's name fit their boxes.
    for (int i = 0; i < ui().Cb_STATUSM->count(); ++i) {
        EXPECT_TRUE(fits(ui().Cb_STATUSM, ui().Cb_STATUSM->itemText(i))) << ui().Cb_STATUSM->itemText(i).toStdString();
    }
    ASSERT_EQ(ui().Cb_Operador->currentText().trimmed(), QStringLiteral("JOSE RODRIGUES"));
    EXPECT_TRUE(fits(ui().Cb_Operador, ui().Cb_Operador->currentText().trimmed()));
}

TEST_P(LayoutTest, EveryCommandFrameFitsOverTheTableArea)
{
    const ScreenSize screen = GetParam();
    form().resize(screen.width, screen.height - kDesktopChrome);
    QCoreApplication::processEvents();
    form().activateWindow();
    (void)QTest::qWaitForWindowActive(&form(), 2000);

    const struct
    {
        Qt::Key key;
        const char *frame;
    } frames[] = {{Qt::Key_Insert, "Frm_INC"},
                  {Qt::Key_F1, "Frm_IMP"},
                  {Qt::Key_Delete, "Frm_MOT"},
                  {Qt::Key_F3, "Frm_NovaMesa"}};
    for (const auto &opened : frames) {
        SCOPED_TRACE(opened.frame);
        ui().Lv_Itens->topLevelItem(0)->setSelected(true);
        ui().Ed_CODIMES->setFocus();
        QTest::keyClick(ui().Ed_CODIMES, opened.key);
        auto *frame = form().findChild<QWidget *>(QLatin1String(opened.frame));
        ASSERT_TRUE(frame && frame->isVisible());
        expectInside(frame);
        // Never squeezed below what its controls need: nothing overlaps.
        EXPECT_GE(frame->width(), frame->minimumSizeHint().width());
        EXPECT_GE(frame->height(), frame->minimumSizeHint().height());
        for (QTreeWidget *list : frame->findChildren<QTreeWidget *>())
            expectWholeTitles(list);
        // The observation chooser shows its entries whole.
        if (auto *chooser = frame->findChild<QComboBox *>(QStringLiteral("Cb_OBSERVA"))) {
            QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("112"));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_F3);
            ASSERT_TRUE(chooser->isVisible());
            EXPECT_TRUE(fits(chooser, chooser->itemText(1)));
            QTest::keyClick(chooser, Qt::Key_Escape);
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        ASSERT_FALSE(frame->isVisible());
    }
}

TEST_P(LayoutTest, TheListsGrowWithTheWindow)
{
    const ScreenSize screen = GetParam();
    form().resize(1024, 768 - kDesktopChrome);
    QCoreApplication::processEvents();
    const QSize items = ui().Lv_Itens->size();
    const QSize board = ui().Lv_Mesas->size();
    form().resize(screen.width, screen.height - kDesktopChrome);
    QCoreApplication::processEvents();
    EXPECT_GE(ui().Lv_Itens->width(), items.width());
    EXPECT_GE(ui().Lv_Itens->height(), items.height());
    EXPECT_GE(ui().Lv_Mesas->height(), board.height());
    if (screen.height > 768) {
        EXPECT_GT(ui().Lv_Itens->height(), items.height());
        EXPECT_GT(ui().Lv_Mesas->height(), board.height());
    }
    if (screen.width > 1024) {
        EXPECT_GT(ui().Lv_Itens->width() + ui().Lv_Mesas->width(), items.width() + board.width());
    }
}

INSTANTIATE_TEST_SUITE_P(Screens, LayoutTest, ::testing::ValuesIn(kScreens),
                         [](const ::testing::TestParamInfo<ScreenSize> &info) {
                             return std::to_string(info.param.width) + "x" + std::to_string(info.param.height);
                         });
