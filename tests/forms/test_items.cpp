// Launching and editing items through the include frame Frm_INC of the main
// form, driven from the keyboard against the demo restaurant: the product
// lookup, observations, discounts, the checks of F9 and what is written.
#include "FormHarness.h"
#include "ModalScript.h"
#include "Seed.h"
#include "platform/SqlProbe.h"
#include "platform/ui/Desk.h"

#include "DeskDriver.h"
#include "items/forms/ItemCommands.h"
#include "modules/DiscountSearch.h"
#include "modules/ProductSearch.h"
#include "platform/SharedRecords.h"
#include "platform/Sql.h"
#include "platform/ui/Keys.h"
#include "ui_DiscountSearch.h"
#include "ui_IncludeFrame.h"

#include <QApplication>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using namespace qv;
using namespace qv::test;

namespace {

constexpr int kTable = 2101; // open, nothing ordered yet

// An observation row's text: the prefix of its kind and the 20-character
// text of tab_Observacao.
QString obsText(const char *prefix, const char *text)
{
    return QString::fromUtf8(prefix) + QString::fromUtf8(text).leftJustified(20, QLatin1Char(' '));
}

class ItemsTest : public ::testing::Test
{
protected:
    void SetUp() override { h.standardSession(); }
    void TearDown() override { EXPECT_EQ(QApplication::activeModalWidget(), nullptr); }

    // The form on desk 1 with table 21/01 shown.
    MainForm &start()
    {
        h.startOnDesk(1);
        h.typeTable(QString::number(kTable));
        EXPECT_EQ(h.form().currentTable(), kTable);
        return h.form();
    }
    ItemCommands &items() { return DeskDriver(h.form()).items(); }
    Ui::IncludeFrame &frame() { return items().ui(); }

    void activate()
    {
        h.form().activateWindow();
        (void)QTest::qWaitForWindowActive(&h.form(), 2000);
    }
    QWidget *focus()
    {
        QWidget *w = QApplication::focusWidget();
        EXPECT_NE(w, nullptr) << "nothing has the focus";
        return w ? w : &h.form();
    }
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(focus(), key, modifiers);
    }
    void type(const QString &text) { QTest::keyClicks(focus(), text); }

    // INS on the table field: the frame opens on the product field.
    void include()
    {
        activate();
        QTest::keyClick(DeskDriver(h.form()).Ed_CODIMES, Qt::Key_Insert);
        ASSERT_TRUE(items().isOpen());
        ASSERT_TRUE(items().frame()->isVisible());
        EXPECT_EQ(focus(), frame().Ed_CODIPROD);
    }
    // Types a product code or description and presses Enter.
    void product(const QString &typed)
    {
        if (focus() != frame().Ed_CODIPROD)
            frame().Ed_CODIPROD->setFocus(Qt::TabFocusReason);
        type(typed);
        press(Qt::Key_Return);
    }
    // Chooses an observation in Cb_OBSERVA (open) by its text, with the
    // arrow keys, and confirms with Enter.
    void choose(const QString &description)
    {
        QComboBox *combo = frame().Cb_OBSERVA;
        ASSERT_TRUE(frame().Frm_Observacoes->isVisible());
        ASSERT_EQ(focus(), combo);
        const int index = combo->findText(description, Qt::MatchStartsWith);
        ASSERT_GT(index, 0) << description.toStdString();
        for (int i = combo->currentIndex(); i < index; ++i)
            press(Qt::Key_Down);
        press(Qt::Key_Return);
    }
    QStringList row(int i)
    {
        QStringList texts;
        QTreeWidgetItem *item = frame().Lv_Produtos->topLevelItem(i);
        for (int c = 0; item && c < 5; ++c)
            texts << item->text(c);
        return texts;
    }
    QString value(const QString &sql) { return h.db().value(sql); }
    int count(const QString &sql) { return value(sql).toInt(); }
    int itemsOnTable()
    {
        return count(QStringLiteral("SELECT COUNT(*) FROM mov_MesaItem WHERE idMesa=%1").arg(kTable));
    }
    int observationsOnTable()
    {
        return count(QStringLiteral("SELECT COUNT(*) FROM mov_MesaItemObs WHERE idMesa=%1").arg(kTable));
    }
    QString lastMessage() { return h.ui().messages.empty() ? QString() : h.ui().messages.back().text; }
    int lastStyle() { return h.ui().messages.empty() ? -1 : h.ui().messages.back().style; }

    FormHarness h;
};

} // namespace

TEST_F(ItemsTest, CodeLookupShowsTheProductAndDescriptionLookupListsCandidates)
{
    start();
    include();
    auto &f = frame();

    // A code: column 5 is the price charged; the focus ends on the quantity.
    product(QStringLiteral("309"));
    EXPECT_EQ(f.Ds_CODIRED->text(), QStringLiteral("000309"));
    EXPECT_EQ(f.Ds_DESCRIC->text(), QStringLiteral("CAIPIRINHA DE LIMÃO"));
    EXPECT_EQ(f.Ds_VALOVEN->text(), QStringLiteral("19,90"));
    EXPECT_EQ(f.Ed_QUANTID->text(), QStringLiteral("1"));
    EXPECT_EQ(focus(), f.Ed_QUANTID);
    EXPECT_EQ(records::L_LINK().text(26, 6), QStringLiteral("000309"));

    // Digits split by a blank are still a code (001234: none such, silently).
    f.Ed_CODIPROD->setFocus(Qt::BacktabFocusReason);
    // Coming back keeps the product; the code is selected, so the next one
    // typed replaces it.
    EXPECT_EQ(f.Ds_CODIRED->text(), QStringLiteral("000309"));
    EXPECT_EQ(f.Ed_CODIPROD->selectedText(), f.Ed_CODIPROD->text());
    product(QStringLiteral("12 34"));
    EXPECT_TRUE(f.Ds_CODIRED->text().isEmpty()); // the new lookup replaced it
    EXPECT_EQ(records::L_LINK().text(26, 6), QStringLiteral("001234"));
    EXPECT_TRUE(f.Ds_DESCRIC->text().isEmpty());
    EXPECT_EQ(focus(), f.Ed_CODIPROD);
    EXPECT_TRUE(h.ui().messages.empty());

    // A description lists by description, with column 6 as the price, and
    // chooses nothing until the operator moves.
    f.Ed_CODIPROD->clear();
    product(QStringLiteral("CAIPIRINHA"));
    ASSERT_EQ(f.Lv_Produtos->topLevelItemCount(), 1);
    EXPECT_EQ(row(0), (QStringList{"CAIPIRINHA DE LIMÃO", "000309", "22,00", "000000", ""}));
    EXPECT_EQ(focus(), f.Lv_Produtos);
    EXPECT_EQ(records::L_LINK().text(26, 6), QStringLiteral("000000"));
    press(Qt::Key_Return); // nothing chosen: nothing happens
    EXPECT_TRUE(f.Ds_CODIRED->text().isEmpty());
    press(Qt::Key_Down);
    EXPECT_EQ(records::L_LINK().text(26, 6), QStringLiteral("000309"));
    press(Qt::Key_Return);
    EXPECT_EQ(f.Ds_CODIRED->text(), QStringLiteral("000309"));
    EXPECT_EQ(f.Ds_VALOVEN->text(), QStringLiteral("19,90"));
    EXPECT_EQ(f.Lv_Produtos->topLevelItemCount(), 0);

    // Whatever follows a double blank is ignored: COCA, two blanks, COLA
    // looks for "COCA".
    f.Ed_CODIPROD->setFocus(Qt::BacktabFocusReason);
    product(QStringLiteral("COCA  COLA"));
    ASSERT_EQ(f.Lv_Produtos->topLevelItemCount(), 1);
    EXPECT_EQ(row(0).at(1), QStringLiteral("000303"));

    // Several candidates stand in description order.
    f.Ed_CODIPROD->setFocus(Qt::BacktabFocusReason);
    product(QStringLiteral("SUCO"));
    ASSERT_EQ(f.Lv_Produtos->topLevelItemCount(), 2);
    EXPECT_EQ(row(0).at(0), QStringLiteral("SUCO DE LARANJA NATURAL"));
    EXPECT_EQ(row(1).at(0), QStringLiteral("SUCO DE MARACUJÁ"));
    // A double click picks a row as Enter does.
    QTreeWidgetItem *second = f.Lv_Produtos->topLevelItem(1);
    const QRect rect = f.Lv_Produtos->visualItemRect(second);
    QTest::mouseClick(f.Lv_Produtos->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(f.Lv_Produtos->viewport(), Qt::LeftButton, {}, rect.center());
    EXPECT_EQ(f.Ds_CODIRED->text(), QStringLiteral("000306"));

    // A letter among digits makes a description; nothing matches, nothing said.
    f.Ed_CODIPROD->setFocus(Qt::BacktabFocusReason);
    product(QStringLiteral("30A"));
    EXPECT_EQ(f.Lv_Produtos->topLevelItemCount(), 0);
    EXPECT_TRUE(f.Ds_CODIRED->text().isEmpty());
    EXPECT_EQ(focus(), f.Ed_CODIPROD);
    EXPECT_TRUE(h.ui().messages.empty());
}

TEST_F(ItemsTest, InactiveProductIsRefusedAndBottledDrinksTakeNoJa)
{
    start();
    include();
    auto &f = frame();

    product(QStringLiteral("114"));
    EXPECT_EQ(lastMessage(), QStringLiteral("Produto inativo !!!"));
    EXPECT_EQ(lastStyle(), style::kStop);
    EXPECT_TRUE(f.Ds_CODIRED->text().isEmpty());
    EXPECT_EQ(focus(), f.Ed_CODIPROD);

    // Column 18 'N': "Já" is off for the can of Coke, F6 adds nothing.
    f.Ed_CODIPROD->clear();
    product(QStringLiteral("303"));
    EXPECT_FALSE(f.Bt_JA->isEnabled());
    press(Qt::Key_F6);
    EXPECT_EQ(f.Lv_Produtos->topLevelItemCount(), 0);

    // Back on the product field the can is still shown, "Já" still off;
    // the next product looked up turns it on again, and the burger takes it.
    f.Ed_CODIPROD->setFocus(Qt::BacktabFocusReason);
    EXPECT_FALSE(f.Bt_JA->isEnabled());
    product(QStringLiteral("112"));
    EXPECT_TRUE(f.Bt_JA->isEnabled());
    press(Qt::Key_F6);
    ASSERT_EQ(f.Lv_Produtos->topLevelItemCount(), 1);
    EXPECT_EQ(row(0), (QStringList{obsText("  -> ", "Já"), "000000", "0,00", "000099", "O"}));
    EXPECT_EQ(focus(), f.Bt_Confirma);
}

TEST_F(ItemsTest, QuantityThreeGivesThreeItemsEachWithItsOwnObservations)
{
    MainForm &form = start();
    const int before = itemsOnTable();
    include();
    auto &f = frame();

    product(QStringLiteral("112"));
    type(QStringLiteral("3"));
    EXPECT_EQ(f.Ed_QUANTID->text(), QStringLiteral("3"));
    press(Qt::Key_F4);
    EXPECT_EQ(f.Frm_Observacoes->title(), QStringLiteral("Com"));
    choose(QStringLiteral("Bacon"));
    press(Qt::Key_F2);
    EXPECT_EQ(f.Frm_Observacoes->title(), QStringLiteral("Sem"));
    choose(QStringLiteral("Cebola"));
    press(Qt::Key_F3);
    EXPECT_EQ(f.Frm_Observacoes->title(), QStringLiteral("Observações"));
    choose(QStringLiteral("Queijo"));
    ASSERT_EQ(f.Lv_Produtos->topLevelItemCount(), 3);
    EXPECT_EQ(row(0), (QStringList{obsText("  -> Com ", "Bacon"), "000000", "4,00", "000002", "C"}));
    EXPECT_EQ(row(1), (QStringList{obsText("  -> Sem ", "Cebola"), "000000", "0,00", "000001", "S"}));
    EXPECT_EQ(row(2).at(4), QStringLiteral("O"));

    // The third one goes again: back through the fields to the list, the
    // arrows to it and Delete. Tab never leaves the frame.
    press(Qt::Key_Backtab);
    EXPECT_EQ(focus(), f.Ed_DESCMAN);
    press(Qt::Key_Backtab);
    EXPECT_EQ(focus(), f.Lv_Produtos);
    // Enter here, with L-LINK still holding the code just looked up, keeps
    // the product and its observations.
    EXPECT_EQ(records::L_LINK().text(26, 6), QStringLiteral("000112"));
    press(Qt::Key_Return);
    EXPECT_EQ(f.Lv_Produtos->topLevelItemCount(), 3);
    EXPECT_EQ(f.Ds_CODIRED->text(), QStringLiteral("000112"));
    press(Qt::Key_Down);
    press(Qt::Key_Down);
    press(Qt::Key_Down);
    press(Qt::Key_Delete);
    ASSERT_EQ(f.Lv_Produtos->topLevelItemCount(), 2);
    // So does Enter on a chosen observation row.
    press(Qt::Key_Up);
    press(Qt::Key_Return);
    EXPECT_EQ(f.Lv_Produtos->topLevelItemCount(), 2);
    EXPECT_EQ(f.Ds_CODIRED->text(), QStringLiteral("000112"));
    press(Qt::Key_F9);
    EXPECT_FALSE(items().isOpen());
    EXPECT_FALSE(items().frame()->isVisible());
    EXPECT_TRUE(DeskDriver(form).Frm_CaixaM->isEnabled());
    EXPECT_TRUE(h.ui().messages.empty()) << lastMessage().toStdString();

    EXPECT_EQ(itemsOnTable(), before + 3);
    // Two observations per item, in the list's order.
    EXPECT_EQ(observationsOnTable(), 6);
    EXPECT_EQ(
        count(QStringLiteral("SELECT COUNT(*) FROM (SELECT idItem FROM mov_MesaItemObs WHERE idMesa=%1 "
                             "GROUP BY idItem HAVING GROUP_CONCAT(CONCAT(idObs,tipo) ORDER BY idItemObs)='2C,1S')x")
                  .arg(kTable)),
        3);
    // The table shows them, and the frame opens clean next time.
    EXPECT_EQ(DeskDriver(form).Lv_Itens->topLevelItemCount(), before + 3);
    include();
    EXPECT_TRUE(f.Ds_DESCRIC->text().isEmpty());
    EXPECT_EQ(f.Lv_Produtos->topLevelItemCount(), 0);
    EXPECT_TRUE(f.Bt_JA->isEnabled());
}

TEST_F(ItemsTest, MovingTheFocusNeverDropsWhatWasChosen)
{
    MainForm &form = start();
    const int before = itemsOnTable();
    include();
    auto &f = frame();

    product(QStringLiteral("112"));
    type(QStringLiteral("2"));
    press(Qt::Key_F2);
    choose(QStringLiteral("Cebola"));
    ASSERT_EQ(f.Lv_Produtos->topLevelItemCount(), 1);

    // Tab back round to the code field, and on again: nothing is dropped.
    for (int i = 0; i < 6 && focus() != f.Ed_CODIPROD; ++i)
        press(Qt::Key_Backtab);
    ASSERT_EQ(focus(), f.Ed_CODIPROD);
    press(Qt::Key_Tab);
    EXPECT_EQ(focus(), f.Ed_QUANTID);
    EXPECT_EQ(f.Ed_QUANTID->text(), QStringLiteral("2"));
    EXPECT_EQ(f.Ds_CODIRED->text(), QStringLiteral("000112"));
    EXPECT_EQ(f.Lv_Produtos->topLevelItemCount(), 1);
    EXPECT_TRUE(h.ui().messages.empty());

    // Another code with observations chosen asks first; No keeps it all.
    f.Ed_CODIPROD->setFocus(Qt::BacktabFocusReason);
    h.ui().answer(answer::kNo);
    product(QStringLiteral("309"));
    ASSERT_EQ(h.ui().messages.size(), 1u);
    EXPECT_EQ(lastMessage(), QStringLiteral("As observações escolhidas serão descartadas, troca o produto ?"));
    EXPECT_EQ(lastStyle(), style::kAsk | style::kDefaultButton2);
    EXPECT_EQ(f.Ed_CODIPROD->text(), QStringLiteral("112"));
    EXPECT_EQ(f.Ds_CODIRED->text(), QStringLiteral("000112"));
    EXPECT_EQ(f.Ed_QUANTID->text(), QStringLiteral("2"));
    EXPECT_EQ(f.Lv_Produtos->topLevelItemCount(), 1);

    // F9 then writes the two units with their observation.
    press(Qt::Key_F9);
    EXPECT_FALSE(items().isOpen());
    EXPECT_EQ(itemsOnTable(), before + 2);
    EXPECT_EQ(observationsOnTable(), 2);
    EXPECT_EQ(DeskDriver(form).Lv_Itens->topLevelItemCount(), before + 2);

    // Yes: the new product, without the observations.
    include();
    product(QStringLiteral("112"));
    press(Qt::Key_F2);
    choose(QStringLiteral("Cebola"));
    f.Ed_CODIPROD->setFocus(Qt::BacktabFocusReason);
    h.ui().answer(answer::kYes);
    product(QStringLiteral("309"));
    EXPECT_EQ(f.Ds_CODIRED->text(), QStringLiteral("000309"));
    EXPECT_EQ(f.Lv_Produtos->topLevelItemCount(), 0);
    EXPECT_EQ(f.Ed_QUANTID->text(), QStringLiteral("1"));
}

TEST_F(ItemsTest, ChecksOfConfirmAndTheItemDiscounts)
{
    start();
    include();
    auto &f = frame();

    // No product: back to the field, nothing said.
    press(Qt::Key_F9);
    EXPECT_EQ(focus(), f.Ed_CODIPROD);
    EXPECT_TRUE(h.ui().messages.empty());

    // Coffee: 6,00, on no menu.
    product(QStringLiteral("311"));
    type(QStringLiteral("0"));
    press(Qt::Key_F9);
    EXPECT_EQ(lastMessage(), QStringLiteral("Quantidade inválida !!!"));
    EXPECT_EQ(lastStyle(), style::kInformation);
    EXPECT_EQ(focus(), f.Ed_QUANTID);
    type(QStringLiteral("2"));
    press(Qt::Key_Return);
    EXPECT_EQ(focus(), f.Bt_Confirma);

    // One cent above the unit price is refused; the quantity plays no part.
    f.Ed_DESCMAN->setFocus(Qt::TabFocusReason);
    type(QStringLiteral("6,01"));
    press(Qt::Key_F9);
    EXPECT_EQ(lastMessage(), QStringLiteral("Desconto inválido !!!"));
    EXPECT_EQ(focus(), f.Ed_DESCMAN);
    EXPECT_EQ(itemsOnTable(), 0);
    // Something that is no amount never gets in.
    type(QStringLiteral("-1x"));
    EXPECT_EQ(f.Ed_DESCMAN->text(), QStringLiteral("1"));
    f.Ed_DESCMAN->selectAll();
    type(QStringLiteral("6,00"));
    press(Qt::Key_F9);
    EXPECT_FALSE(items().isOpen());
    EXPECT_EQ(value(QStringLiteral("SELECT GROUP_CONCAT(CONCAT_WS('|',idCardapio,idGrupo,descontoManual,idDesconto,"
                                   "CONCAT('[',operDesc,']'))) FROM mov_MesaItem WHERE idMesa=%1")
                        .arg(kTable)),
              QStringLiteral("0|0|6.00|0|[],0|0|6.00|0|[]"));

    // F5: the discount kind chosen in the discount search, given by the
    // operator logged in.
    include();
    product(QStringLiteral("101"));
    {
        ModalScript<DiscountSearch> script([](DiscountSearch &d) {
            QTest::keyClick(d.ui().Lv_Descontos, Qt::Key_Down);
            QTest::keyClick(d.ui().Lv_Descontos, Qt::Key_Down);
            QTest::keyClick(d.ui().Lv_Descontos, Qt::Key_Return);
        });
        press(Qt::Key_F5);
        EXPECT_TRUE(script.ran());
        EXPECT_FALSE(script.leftOpen());
    }
    EXPECT_EQ(f.Ds_CODESCO->text(), QStringLiteral("3"));
    EXPECT_EQ(f.Ds_DESCDES->text(), QStringLiteral("Cliente VIP"));
    EXPECT_EQ(f.Ds_OPDESCO->text(), QStringLiteral("MARIANA SOUZA"));
    activate();
    EXPECT_EQ(focus(), f.Bt_Confirma);
    press(Qt::Key_F9);
    EXPECT_EQ(value(QStringLiteral("SELECT CONCAT_WS('|',idDesconto,descontoManual,operDesc) FROM mov_MesaItem "
                                   "WHERE idMesa=%1 AND idProduto=101")
                        .arg(kTable)),
              QStringLiteral("3|0.00|MARIANA SOUZA"));

    // Leaving the discount search with Escape takes the discount away.
    include();
    product(QStringLiteral("101"));
    {
        ModalScript<DiscountSearch> pick(
            [](DiscountSearch &d) { QTest::keyClick(d.ui().Lv_Descontos, Qt::Key_Return); });
        press(Qt::Key_F5);
    }
    EXPECT_EQ(f.Ds_CODESCO->text(), QStringLiteral("1"));
    activate();
    {
        ModalScript<DiscountSearch> leave(
            [](DiscountSearch &d) { QTest::keyClick(d.ui().Lv_Descontos, Qt::Key_Escape); });
        press(Qt::Key_F5);
        EXPECT_TRUE(leave.ran());
    }
    EXPECT_TRUE(f.Ds_CODESCO->text().isEmpty());
    EXPECT_TRUE(f.Ds_DESCDES->text().isEmpty());
    EXPECT_TRUE(f.Ds_OPDESCO->text().isEmpty());
}

TEST_F(ItemsTest, ItemDiscountKindIsTheLastTwoDigitsOfTheSearchCode)
{
    // The suite's discount search may answer any six-digit code; the item,
    // like the table, takes its kind from the last two digits, and the kind
    // described is the kind written.
    FormRegistry::instance().add(QStringLiteral("99-Lissor"), [](QWidget *) {
        records::L_LINK().setText(26, 6, QStringLiteral("000103"));
        return 1;
    });
    struct Restore
    {
        ~Restore() { registerDiscountSearch(); }
    } restore;
    start();
    include();
    auto &f = frame();
    product(QStringLiteral("101"));
    press(Qt::Key_F5);
    EXPECT_TRUE(h.ui().messages.empty());
    EXPECT_EQ(f.Ds_CODESCO->text(), QStringLiteral("103"));
    EXPECT_EQ(f.Ds_DESCDES->text(), QStringLiteral("Cliente VIP"));
    activate();
    press(Qt::Key_F9);
    EXPECT_EQ(value(QStringLiteral("SELECT CONCAT_WS('|',idDesconto,operDesc) FROM mov_MesaItem "
                                   "WHERE idMesa=%1 AND idProduto=101")
                        .arg(kTable)),
              QStringLiteral("3|MARIANA SOUZA"));
}

TEST_F(ItemsTest, TwentyObservationsAtMostWhicheverKeyAddsThem)
{
    start();
    include();
    auto &f = frame();
    product(QStringLiteral("112"));
    for (int i = 0; i < 19; ++i)
        press(Qt::Key_F6);
    press(Qt::Key_F4);
    choose(QStringLiteral("Bacon"));
    ASSERT_EQ(f.Lv_Produtos->topLevelItemCount(), 20);
    EXPECT_TRUE(h.ui().messages.empty());

    // The 21st is refused by every key, "Já" included.
    for (Qt::Key key : {Qt::Key_F2, Qt::Key_F3, Qt::Key_F4, Qt::Key_F6}) {
        h.ui().messages.clear();
        press(key);
        ASSERT_EQ(h.ui().messages.size(), 1u) << key;
        EXPECT_EQ(lastMessage(), QStringLiteral("Limite de 20 observações preenchidas !!"));
        EXPECT_EQ(lastStyle(), style::kInformation);
        EXPECT_FALSE(f.Frm_Observacoes->isVisible());
        EXPECT_EQ(f.Lv_Produtos->topLevelItemCount(), 20);
    }
    press(Qt::Key_F9);
    EXPECT_EQ(observationsOnTable(), 20);
}

TEST_F(ItemsTest, DoubleClickOpensTheItemAsStoredAndF9HandsWhatTheFrameHoldsToTheEdit)
{
    setPosition(h.db(), kTable, 'A');
    ItemSpec discounted{kTable, 112, "30.00"};
    discounted.discount = 3;
    const qint64 first = addItem(h.db(), discounted);
    h.db().run(QStringLiteral("UPDATE mov_MesaItem SET operDesc='ROBERTO LIMA' WHERE idItem=%1").arg(first));
    addObservation(h.db(), first, kTable, 2, 'C');
    addObservation(h.db(), first, kTable, 1, 'S');
    ItemSpec stale{kTable, 201, "28.00"};
    stale.manual = "2.50";
    const qint64 second = addItem(h.db(), stale);
    h.db().run(QStringLiteral("UPDATE mov_MesaItem SET operDesc='FULANO' WHERE idItem=%1").arg(second));

    MainForm &form = start();
    QTreeWidget *list = DeskDriver(form).Lv_Itens;
    auto open = [&](qint64 idItem) {
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            QTreeWidgetItem *item = list->topLevelItem(i);
            if (item->text(0).toLongLong() != idItem)
                continue;
            const QPoint at = list->visualItemRect(item).center();
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
            return;
        }
        ADD_FAILURE() << "item " << idItem << " not listed";
    };
    auto &f = frame();

    open(first);
    ASSERT_TRUE(items().isOpen());
    EXPECT_FALSE(f.Frm_PROD->isEnabled());
    EXPECT_FALSE(f.Lv_Produtos->isEnabled());
    EXPECT_FALSE(f.Bt_JA->isEnabled());
    EXPECT_FALSE(DeskDriver(form).Frm_CaixaM->isEnabled());
    EXPECT_EQ(f.Ed_CODIPROD->text(), QStringLiteral("000112"));
    EXPECT_EQ(f.Ds_VALOVEN->text(), QStringLiteral("30,00")); // the item's price, not today's
    EXPECT_EQ(f.Ed_QUANTID->text(), QStringLiteral("1"));
    EXPECT_EQ(f.Ds_CODESCO->text(), QStringLiteral("3"));
    EXPECT_EQ(f.Ds_DESCDES->text(), QStringLiteral("Cliente VIP"));
    EXPECT_EQ(f.Ds_OPDESCO->text(), QStringLiteral("ROBERTO LIMA"));
    EXPECT_EQ(f.Ed_DESCMAN->text(), QStringLiteral("0,00"));
    ASSERT_EQ(f.Lv_Produtos->topLevelItemCount(), 2);
    EXPECT_EQ(row(0), (QStringList{obsText("  -> Com ", "Bacon"), "000000", "4,00", "000002", "C"}));
    EXPECT_EQ(row(1).at(4), QStringLiteral("S"));
    activate();
    EXPECT_EQ(focus(), f.Bt_Confirma);
    press(Qt::Key_F6); // no "Já" while editing
    EXPECT_EQ(f.Lv_Produtos->topLevelItemCount(), 2);

    // Confirmed unchanged: the discount kind and name shown are what the
    // edit writes back; the frame closes, the desk takes the keys again.
    press(Qt::Key_F9);
    EXPECT_FALSE(items().isOpen());
    EXPECT_EQ(
        value(QStringLiteral("SELECT CONCAT_WS('|',idDesconto,operDesc) FROM mov_MesaItem WHERE idItem=%1").arg(first)),
        QStringLiteral("3|ROBERTO LIMA"));
    EXPECT_FALSE(DeskDriver(form).control("Frm_INC")->isVisible());
    EXPECT_TRUE(DeskDriver(form).Frm_CaixaM->isEnabled());
    EXPECT_EQ(focus(), DeskDriver(form).Ed_CODIMES);
    EXPECT_TRUE(h.ui().messages.empty()) << lastMessage().toStdString();

    // The second item shows no discount kind, so no name.
    open(second);
    ASSERT_TRUE(items().isOpen());
    EXPECT_EQ(f.Ed_DESCMAN->text(), QStringLiteral("2,50"));
    EXPECT_TRUE(f.Ds_OPDESCO->text().isEmpty());
    activate();
    press(Qt::Key_F4); // observations may be added while editing
    choose(QStringLiteral("Sal"));
    press(Qt::Key_F9);
    // What the frame held reached the edit: the manual discount shown and
    // the observation added.
    EXPECT_EQ(value(QStringLiteral("SELECT CONCAT_WS('|',descontoManual,(SELECT GROUP_CONCAT(CONCAT(idObs,tipo)) FROM "
                                   "mov_MesaItemObs o WHERE o.idItem=i.idItem)) FROM mov_MesaItem i WHERE idItem=%1")
                        .arg(second)),
              QStringLiteral("2.50|10C"));
    EXPECT_FALSE(DeskDriver(form).control("Frm_INC")->isVisible());
}

TEST_F(ItemsTest, EscapeWritesNothing)
{
    MainForm &form = start();
    const QString items0 = value(QStringLiteral("CHECKSUM TABLE mov_MesaItem"));
    const QString obs0 = value(QStringLiteral("CHECKSUM TABLE mov_MesaItemObs"));
    include();
    auto &f = frame();
    EXPECT_FALSE(DeskDriver(form).Frm_CaixaM->isEnabled());
    product(QStringLiteral("112"));
    type(QStringLiteral("2"));
    press(Qt::Key_F4);
    // Escape in the chooser closes only the chooser.
    press(Qt::Key_Escape);
    EXPECT_TRUE(items().isOpen());
    EXPECT_FALSE(f.Frm_Observacoes->isVisible());
    EXPECT_EQ(f.Lv_Produtos->topLevelItemCount(), 0);
    press(Qt::Key_F4);
    choose(QStringLiteral("Bacon"));
    EXPECT_EQ(f.Lv_Produtos->topLevelItemCount(), 1);

    // Tab goes round the frame and never reaches the table field; passing
    // the product field drops nothing.
    for (int i = 0; i < 8; ++i) {
        press(Qt::Key_Tab);
        ASSERT_TRUE(items().frame()->isAncestorOf(focus())) << i;
    }
    EXPECT_EQ(form.currentTable(), kTable);
    EXPECT_EQ(f.Ds_DESCRIC->text(), QStringLiteral("HAMBÚRGUER DA CASA"));
    EXPECT_EQ(f.Ed_QUANTID->text(), QStringLiteral("2"));
    EXPECT_EQ(f.Lv_Produtos->topLevelItemCount(), 1);

    press(Qt::Key_Escape);
    EXPECT_FALSE(items().isOpen());
    EXPECT_FALSE(items().frame()->isVisible());
    EXPECT_TRUE(DeskDriver(form).Frm_CaixaM->isEnabled());
    EXPECT_EQ(focus(), DeskDriver(form).Ed_CODIMES);
    EXPECT_EQ(value(QStringLiteral("CHECKSUM TABLE mov_MesaItem")), items0);
    EXPECT_EQ(value(QStringLiteral("CHECKSUM TABLE mov_MesaItemObs")), obs0);
    EXPECT_EQ(form.currentTable(), kTable);

    // The exit button does the same.
    include();
    product(QStringLiteral("112"));
    QTest::mouseClick(f.CmCommand2, Qt::LeftButton);
    EXPECT_FALSE(items().isOpen());
    EXPECT_EQ(value(QStringLiteral("CHECKSUM TABLE mov_MesaItem")), items0);
}

TEST_F(ItemsTest, AFailedConfirmationIsToldAndTheFrameKeepsAllOfItForTheNextF9)
{
    MainForm &form = start();
    include();
    auto &f = frame();
    product(QStringLiteral("112"));
    type(QStringLiteral("2"));
    press(Qt::Key_F4);
    choose(QStringLiteral("Bacon"));
    press(Qt::Key_F2);
    choose(QStringLiteral("Cebola"));

    // The first observation fails, after the first unit was inserted.
    SqlTestProbe::on(desk::sql()).failNext("INSERT INTO mov_MesaItemObs VALUES(?,?,?,?,?)");
    press(Qt::Key_F9);
    ASSERT_EQ(h.ui().messages.size(), 1u);
    EXPECT_EQ(lastStyle(), style::kStop);
    EXPECT_TRUE(lastMessage().contains(QStringLiteral("HY000"))) << lastMessage().toStdString();
    EXPECT_TRUE(items().isOpen());
    EXPECT_FALSE(DeskDriver(form).Frm_CaixaM->isEnabled());
    EXPECT_EQ(f.Ds_CODIRED->text(), QStringLiteral("000112"));
    EXPECT_EQ(f.Ed_QUANTID->text(), QStringLiteral("2"));
    EXPECT_EQ(f.Lv_Produtos->topLevelItemCount(), 2);

    // Confirmed again, all the frame kept goes in.
    activate();
    press(Qt::Key_F9);
    EXPECT_FALSE(items().isOpen());
    EXPECT_EQ(itemsOnTable(), 2);
    EXPECT_EQ(observationsOnTable(), 4);

    // An edit that fails is told and keeps its frame.
    const qint64 idItem =
        value(QStringLiteral("SELECT MIN(idItem) FROM mov_MesaItem WHERE idMesa=%1").arg(kTable)).toLongLong();
    items().CARITEM(idItem);
    ASSERT_TRUE(items().isOpen());
    SqlTestProbe::on(desk::sql())
        .failNext("UPDATE mov_MesaItem SET idDesconto=?,operDesc=?,descontoManual=? WHERE idItem=?");
    items().pressKey(vk::kF9);
    EXPECT_EQ(lastStyle(), style::kStop);
    EXPECT_EQ(h.ui().messages.size(), 2u);
    EXPECT_TRUE(items().isOpen());
    EXPECT_EQ(f.Lv_Produtos->topLevelItemCount(), 2);
    items().pressKey(vk::kEscape);
}

TEST_F(ItemsTest, EditOfAnItemGoneMeanwhileIsToldClosesTheFrameAndReadsTheTableAgain)
{
    setPosition(h.db(), kTable, 'A');
    const qint64 idItem = addItem(h.db(), {kTable, 112, "38.50"});
    addObservation(h.db(), idItem, kTable, 2, 'C');
    start();
    items().CARITEM(idItem);
    ASSERT_TRUE(items().isOpen());
    // Another terminal closes the position under the cashier's eyes.
    h.db().run(QStringLiteral("DELETE FROM mov_MesaItem WHERE idItem=%1; DELETE FROM mov_MesaItemObs WHERE idItem=%1")
                   .arg(idItem));
    items().pressKey(vk::kF9);
    ASSERT_FALSE(h.ui().messages.empty());
    EXPECT_EQ(h.ui().messages.back().text,
              QStringLiteral("Itens da mesa foram alterados em outro terminal, confira a mesa !!!"));
    EXPECT_EQ(lastStyle(), style::kInformation);
    // Nothing left to edit: the frame is gone and the table shows what is.
    EXPECT_FALSE(items().isOpen());
    EXPECT_EQ(DeskDriver(h.form()).Lv_Itens->topLevelItemCount(), 0);
    EXPECT_TRUE(DeskDriver(h.form()).Frm_CaixaM->isEnabled());
}

TEST_F(ItemsTest, AnObservationCodeAboveNineHundredNinetyNineIsListedAndHandedOnWhole)
{
    h.db().run(QStringLiteral("INSERT INTO tab_Observacao VALUES(1001,'Sem lactose',0,0,1.00,0,0,0),"
                              "(500,'',0,0,0,0,0,0)"));
    start();
    // Start-up list: the blank entry first, blank texts left out.
    QComboBox *combo = frame().Cb_OBSERVA;
    EXPECT_EQ(combo->itemText(0), QString(27, QLatin1Char(' ')) + QStringLiteral("000"));
    EXPECT_EQ(combo->itemText(1), QStringLiteral("Cebola") + QString(21, QLatin1Char(' ')) + QStringLiteral("001"));
    EXPECT_EQ(combo->findText(QStringLiteral("000"), Qt::MatchEndsWith), 0);
    EXPECT_EQ(combo->findText(QStringLiteral("500"), Qt::MatchEndsWith), -1);
    include();
    product(QStringLiteral("112"));
    press(Qt::Key_F3);
    choose(QStringLiteral("Sem lactose"));
    ASSERT_EQ(frame().Lv_Produtos->topLevelItemCount(), 1);
    EXPECT_EQ(row(0).at(3), QStringLiteral("001001"));
    // The frame's row hands the whole code to the launch, not its last
    // three digits.
    press(Qt::Key_F9);
    EXPECT_FALSE(DeskDriver(h.form()).control("Frm_INC")->isVisible());
    EXPECT_TRUE(h.ui().messages.empty()) << lastMessage().toStdString();
    EXPECT_EQ(value(QStringLiteral("SELECT CONCAT(idObs,tipo) FROM mov_MesaItemObs WHERE idMesa=%1").arg(kTable)),
              QStringLiteral("1001O"));
}

TEST_F(ItemsTest, ProductSearchOpensFromTheBarAndFromF11)
{
    start();
    int opened = 0;
    FormRegistry::instance().add(QStringLiteral("99-Tessup"), [&opened](QWidget *) {
        ++opened;
        return 0;
    });
    QTest::mouseClick(DeskDriver(h.form()).Frm_DIVIDE1, Qt::LeftButton);
    QTest::mouseClick(DeskDriver(h.form()).CmStatic50, Qt::LeftButton);
    activate();
    QTest::keyClick(DeskDriver(h.form()).Ed_CODIMES, Qt::Key_F11);
    include();
    press(Qt::Key_F11); // from inside the frame as well
    EXPECT_TRUE(items().isOpen());
    registerProductSearch();
    EXPECT_EQ(opened, 4);
}

TEST_F(ItemsTest, UnreadableProductListClosesTheForm)
{
    start();
    include();
    SqlTestProbe::on(desk::sql()).failNext("SELECT*FROM cad_Produtos WHERE descricao LIKE ? ORDER BY descricao");
    product(QStringLiteral("PIZZA"));
    EXPECT_EQ(lastMessage(), QStringLiteral("Erro na leitura dos produtos !!!"));
    EXPECT_EQ(lastStyle(), style::kStop);
    EXPECT_TRUE(h.form().closedDown());
}

TEST_F(ItemsTest, FailedProductFetchClosesTheForm)
{
    start();
    include();
    SqlTestProbe::on(desk::sql()).failNext("FETCH CURP");
    product(QStringLiteral("SUCO"));
    EXPECT_EQ(lastMessage(), QStringLiteral("Erro na leitura do cursor (LERPRO) !!!"));
    EXPECT_TRUE(h.form().closedDown());
}
