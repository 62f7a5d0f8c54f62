// The main form on the monitors a cash desk has: at each size the whole
// function-key bar and every total lie inside the window, the window fits
// the screen, and the lists take the room that is left.
#include "FormHarness.h"

#include "DeskDriver.h"
#include "board/forms/Board.h"
#include "modules/Registration.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTest>
#include <QTimer>
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
    // The board never scrolls sideways: every column is in sight. Nor do
    // the products grouped: their figures are never cut, in the list or at
    // its edge.
    EXPECT_LE(ui().Lv_Mesas->header()->length(), ui().Lv_Mesas->viewport()->width());
    QTreeWidget *grouped = ui().Lv_Consol;
    ASSERT_GT(grouped->topLevelItemCount(), 0);
    EXPECT_LE(grouped->header()->length(), grouped->viewport()->width());
    for (int r = 0; r < grouped->topLevelItemCount(); ++r)
        for (int c = 1; c <= 3; ++c)
            EXPECT_LE(grouped->fontMetrics().horizontalAdvance(grouped->topLevelItem(r)->text(c)),
                      grouped->header()->sectionSize(c) - 8)
                << grouped->topLevelItem(r)->text(c).toStdString();

    // The filter's every entry and the waiter's name fit their boxes.
    for (int i = 0; i < ui().Cb_STATUSM->count(); ++i) {
        EXPECT_TRUE(fits(ui().Cb_STATUSM, ui().Cb_STATUSM->itemText(i))) << ui().Cb_STATUSM->itemText(i).toStdString();
    }
    ASSERT_EQ(ui().Cb_Operador->currentText().trimmed(), QStringLiteral("JOSE RODRIGUES"));
    EXPECT_TRUE(fits(ui().Cb_Operador, ui().Cb_Operador->currentText().trimmed()));
    // And the table's own waiter beside it, and the times after it: a line
    // edit's frame, padding and margins take 14 pixels of its width.
    ASSERT_EQ(ui().Ds_NOMEGAR->text(), QStringLiteral("JOSE RODRIGUES"));
    for (QLineEdit *field : {ui().Ds_NOMEGAR, ui().Ds_HORAABE, ui().Ds_PERMANE, ui().Ed_QTDEPES, ui().Ds_CODIGAR}) {
        EXPECT_GE(field->width() - 14, field->fontMetrics().horizontalAdvance(field->text()))
            << field->objectName().toStdString() << " " << field->text().toStdString();
    }
    // The waiter's code holds the widest it can be: two digits.
    EXPECT_GE(ui().Ds_CODIGAR->width() - 14, ui().Ds_CODIGAR->fontMetrics().horizontalAdvance(QStringLiteral("99")));
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

// What the keyboard reaches and where it stands, at the smallest screen.
namespace {

const QColor kFocusFrame(0xe0, 0x7a, 0x1f);
const QColor kCurrentRow(0x2f, 0x3e, 0x46);

class KeyboardTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        applyStyle();
        h.standardSession();
        h.showTable(QStringLiteral("1201"));
        form().resize(1024, 768 - kDesktopChrome);
        QCoreApplication::processEvents();
        form().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form(), 2000));
    }
    MainForm &form() { return h.form(); }
    DeskDriver ui() { return DeskDriver(h.form()); }
    void alt(Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key, Qt::AltModifier); }

    FormHarness h;
};

} // namespace

TEST_F(KeyboardTest, TheFocusIsFramedAndTheCurrentRowBanded)
{
    // A combo box in focus wears the strong frame, out of focus it does not.
    for (QComboBox *box : {ui().Cb_STATUSM, ui().Cb_Operador}) {
        SCOPED_TRACE(box->objectName().toStdString());
        ui().Ed_CODIMES->setFocus();
        const QImage resting = box->grab().toImage();
        box->setFocus();
        ASSERT_TRUE(box->hasFocus());
        const QImage focused = box->grab().toImage();
        const QPoint edge(0, focused.height() / 2);
        EXPECT_EQ(focused.pixelColor(edge), kFocusFrame);
        EXPECT_NE(resting.pixelColor(edge), kFocusFrame);
    }

    // The item list's cursor is a dark frame round its row, apart from the
    // selected rows' shade.
    QTreeWidget *items = ui().Lv_Itens;
    ASSERT_GE(items->topLevelItemCount(), 2);
    items->setFocus();
    items->clearSelection();
    items->setCurrentItem(items->topLevelItem(1), 0, QItemSelectionModel::NoUpdate);
    const QImage list = items->viewport()->grab().toImage();
    const auto rowEdge = [&](int row) {
        // The top edge of the row, under the Comanda column, away from the
        // column of the current cell.
        const QRect cell = items->visualItemRect(items->topLevelItem(row));
        return list.pixelColor(items->header()->sectionViewportPosition(5) + 10, cell.top() + 1);
    };
    EXPECT_EQ(rowEdge(1), kCurrentRow);
    EXPECT_NE(rowEdge(0), kCurrentRow);
    EXPECT_EQ(items->grab().toImage().pixelColor(0, items->height() / 2), kFocusFrame);
}

TEST_F(KeyboardTest, TheFilterArrowsWalkTheOpenListAndEnterApplies)
{
    QComboBox *filter = ui().Cb_STATUSM;
    const int before = filter->currentIndex();
    ASSERT_EQ(filter->itemText(before), QStringLiteral("Em Andamento"));
    alt(Qt::Key_S);
    ASSERT_TRUE(filter->hasFocus());
    const int rebuilds = DeskDriver(form()).board().rebuildsStarted();

    // The first arrow opens the list on the entry shown; the next ones walk
    // it, nothing applied on the way.
    QTest::keyClick(filter, Qt::Key_Up);
    ASSERT_TRUE(filter->view()->isVisible());
    QTest::keyClick(filter->view(), Qt::Key_Up);
    QTest::keyClick(filter->view(), Qt::Key_Up);
    EXPECT_EQ(filter->currentIndex(), before);
    EXPECT_EQ(DeskDriver(form()).board().rebuildsStarted(), rebuilds);

    // Enter applies the entry reached, once.
    QTest::keyClick(filter->view(), Qt::Key_Return);
    EXPECT_FALSE(filter->view()->isVisible());
    EXPECT_EQ(filter->currentText(), QStringLiteral("Fechadas"));
    EXPECT_EQ(DeskDriver(form()).board().rebuildsStarted(), rebuilds + 1);
    h.settleBoard();

    // Esc on the open list leaves the filter as it was.
    alt(Qt::Key_S);
    QTest::keyClick(filter, Qt::Key_Down);
    ASSERT_TRUE(filter->view()->isVisible());
    QTest::keyClick(filter->view(), Qt::Key_Down);
    QTest::keyClick(filter->view(), Qt::Key_Escape);
    EXPECT_EQ(filter->currentText(), QStringLiteral("Fechadas"));
    EXPECT_EQ(DeskDriver(form()).board().rebuildsStarted(), rebuilds + 1);
}

TEST_F(KeyboardTest, ThePrinterTestListHasItsAltKeyAndItsTabStop)
{
    auto *printers = form().findChild<QComboBox *>(QStringLiteral("Cb_TESTEIMP"));
    ASSERT_TRUE(printers && printers->isVisible());
    EXPECT_TRUE(printers->focusPolicy() & Qt::TabFocus);
    ui().Ed_CODIMES->setFocus();
    alt(Qt::Key_E);
    EXPECT_TRUE(printers->hasFocus());
    // The arrows choose the printer the test prints on.
    QTest::keyClick(printers, Qt::Key_Down);
    EXPECT_EQ(printers->currentIndex(), 1);
}

TEST_F(KeyboardTest, TheGroupedProductsAreReachedByAltO)
{
    ui().Ed_CODIMES->setFocus();
    alt(Qt::Key_O);
    EXPECT_TRUE(ui().Lv_Consol->hasFocus());
    EXPECT_EQ(ui().Lv_Consol->currentItem(), ui().Lv_Consol->topLevelItem(0));
    // Wider than its room (a large amount), Right and Left scroll it.
    ui().Lv_Consol->header()->resizeSection(0, 600);
    QCoreApplication::processEvents();
    QScrollBar *sideways = ui().Lv_Consol->horizontalScrollBar();
    ASSERT_GT(sideways->maximum(), 0);
    QTest::keyClick(ui().Lv_Consol, Qt::Key_Right);
    EXPECT_GT(sideways->value(), 0);
    QTest::keyClick(ui().Lv_Consol, Qt::Key_Left);
    EXPECT_EQ(sideways->value(), 0);
    alt(Qt::Key_M);
    EXPECT_TRUE(ui().Ed_CODIMES->hasFocus());
}

TEST_F(KeyboardTest, AnotherTableStartsAtTheItemListsFirstColumns)
{
    QScrollBar *sideways = ui().Lv_Itens->horizontalScrollBar();
    ASSERT_GT(sideways->maximum(), 0); // at 1024 the list is wider than its room
    sideways->setValue(sideways->maximum());
    h.typeTable(QStringLiteral("0301"));
    ASSERT_EQ(form().currentTable(), 301);
    EXPECT_EQ(sideways->value(), 0);
}

TEST_F(KeyboardTest, TheHeaderShowsThePrinterNameWhole)
{
    const QString name = QStringLiteral("BAR  CENTRAL");
    ui().Cb_IMPRE->addItem(name);
    ui().Cb_IMPRE->setCurrentText(name);
    QCoreApplication::processEvents();
    QStyleOptionComboBox option;
    option.initFrom(ui().Cb_IMPRE);
    const QRect field = ui().Cb_IMPRE->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                               QStyle::SC_ComboBoxEditField, ui().Cb_IMPRE);
    EXPECT_GE(field.width(), ui().Cb_IMPRE->fontMetrics().horizontalAdvance(name));
}

TEST_F(KeyboardTest, APositionThatMayNotOpenIsToldWithoutAnEmptyDialogBehind)
{
    registerAllForms();
    h.ui().answer(answer::kYes); // "Mesa fechada, abre ?"
    QStringList dialogsBehind;
    h.ui().onMessage = [&](const QString &text) {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (qobject_cast<QDialog *>(w) && w->isVisible())
                dialogsBehind << text + QStringLiteral(" over ") + w->objectName();
    };
    h.typeTable(QStringLiteral("2702"));
    ASSERT_EQ(h.texts().size(), 2);
    EXPECT_EQ(h.texts().at(1), QStringLiteral("Posição 1 da mesa fechada, abra a posição 1 primeiro !!!"));
    EXPECT_TRUE(dialogsBehind.isEmpty()) << dialogsBehind.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(form().currentTable(), 0);
}

TEST(MessageBoxText, TheClosingMarksStayWithTheirWord)
{
    // The real box, not the scripted one: what it is given to show.
    WidgetUi real;
    QString shown;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        ASSERT_TRUE(box);
        shown = box->text();
        box->accept();
    });
    real.message(nullptr, QStringLiteral("Nenhum período aberto, abra o período e acesse novamente !!!"), style::kStop);
    EXPECT_TRUE(shown.endsWith(QStringLiteral("novamente\u00A0!!!"))) << shown.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Screens, LayoutTest, ::testing::ValuesIn(kScreens),
                         [](const ::testing::TestParamInfo<ScreenSize> &info) {
                             return std::to_string(info.param.width) + "x" + std::to_string(info.param.height);
                         });
