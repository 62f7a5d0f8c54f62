// The checks the key procedure TECLA makes before any key acts, and the
// keys it handles itself, through the real main form.
#include "FormHarness.h"
#include "Seed.h"

#include "DeskDriver.h"
#include "items/forms/CancelCommands.h"
#include "items/forms/ItemCommands.h"
#include "modules/Registration.h"
#include "platform/SharedRecords.h"
#include "platform/ui/Keys.h"
#include "platform/ui/UiService.h"

#include <QApplication>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

using namespace qv;
using namespace qv::test;

namespace {

// Replaces a registered form by a recorder for the scope; the real forms
// are registered again afterwards.
class FakeForm
{
public:
    explicit FakeForm(const QString &name, std::function<void()> action = {})
    {
        FormRegistry::instance().add(name, [this, action](QWidget *) {
            ++opened;
            if (action)
                action();
            return 0;
        });
    }
    ~FakeForm() { registerAllForms(); }
    int opened = 0;
};

class KeysTest : public ::testing::Test
{
protected:
    void SetUp() override { h.standardSession(); }

    MainForm &show(const QString &table) { return h.showTable(table); }
    DeskDriver ui() { return DeskDriver(h.form()); }
    void key(Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(ui().Ed_CODIMES, k, modifiers);
    }
    bool reasonFrameShown() { return DeskDriver(h.form()).control("Frm_MOT")->isVisible(); }
    int blockedMessages() { return int(h.texts().count(QStringLiteral("Mesa Bloqueada !!!"))); }

    FormHarness h;
};

} // namespace

TEST_F(KeysTest, ANumberTypedButNotReadOnlySendsTheFocusBackToTheField)
{
    show(QStringLiteral("1201"));
    ASSERT_EQ(h.form().currentTable(), 1201);
    // Another number typed, not yet read, and the cashier goes to the list.
    ui().Ed_CODIMES->setText(QStringLiteral("301"));
    ui().Lv_Itens->selectAll();
    ui().Lv_Itens->setFocus();
    QTest::keyClick(ui().Lv_Itens, Qt::Key_F7);
    EXPECT_TRUE(ui().Ed_CODIMES->hasFocus());
    EXPECT_EQ(ui().Bt_MOSTRA->text(), QStringLiteral("MOSTRA OBS"));

    ui().Lv_Itens->setFocus();
    QTest::keyClick(ui().Lv_Itens, Qt::Key_Delete);
    EXPECT_TRUE(ui().Ed_CODIMES->hasFocus());
    EXPECT_FALSE(reasonFrameShown());

    key(Qt::Key_F9);
    key(Qt::Key_Escape);
    key(Qt::Key_F1);
    EXPECT_EQ(h.db().value(QStringLiteral("SELECT COUNT(*) FROM mov_MesaItem WHERE idMesa=1201 AND status='I'")),
              QStringLiteral("3"));
    // ESC did not clear the table shown either.
    EXPECT_EQ(h.form().currentTable(), 1201);
    EXPECT_EQ(ui().Lv_Itens->topLevelItemCount(), 3);
    EXPECT_TRUE(h.texts().isEmpty());
}

TEST_F(KeysTest, NumbersAbove8001DisableEveryKey)
{
    show(QStringLiteral("1201"));
    // As if 8002 had been read: only the limit stands in the way.
    h.form().setCurrentTable(8002);
    ui().Ed_CODIMES->setText(QStringLiteral("8002"));
    ui().Lv_Itens->selectAll();
    for (Qt::Key k : {Qt::Key_F7, Qt::Key_Delete, Qt::Key_Home, Qt::Key_Escape, Qt::Key_F9})
        key(k);
    EXPECT_EQ(ui().Bt_MOSTRA->text(), QStringLiteral("MOSTRA OBS"));
    EXPECT_FALSE(reasonFrameShown());
    EXPECT_FALSE(ui().Frm_EmAndamento->isVisible());
    EXPECT_EQ(ui().Lv_Itens->topLevelItemCount(), 3);
    EXPECT_EQ(h.form().currentTable(), 8002);
    EXPECT_EQ(h.db().value(QStringLiteral("SELECT COUNT(*) FROM mov_MesaItem WHERE idMesa=1201 AND status='I'")),
              QStringLiteral("3"));

    // 8001 is still a number the keys work on.
    h.form().setCurrentTable(8001);
    ui().Ed_CODIMES->setText(QStringLiteral("8001"));
    key(Qt::Key_Escape);
    EXPECT_EQ(h.form().currentTable(), 0);
    EXPECT_EQ(ui().Lv_Itens->topLevelItemCount(), 0);
}

TEST_F(KeysTest, ABlockedTableRefusesTheItemAndPrintKeysAndPassesTheOthersOn)
{
    show(QStringLiteral("1501"));
    ASSERT_EQ(ui().Bt_Bloqueio->text(), QStringLiteral("DESBLOQUEIA MESA"));
    ui().Lv_Itens->selectAll();

    int refused = 0;
    for (Qt::Key k : {Qt::Key_Insert, Qt::Key_Delete, Qt::Key_F1, Qt::Key_F3, Qt::Key_F8, Qt::Key_F9}) {
        key(k);
        EXPECT_EQ(blockedMessages(), ++refused) << "key " << k;
        EXPECT_EQ(h.ui().messages.back().style, style::kInformation);
    }
    EXPECT_FALSE(reasonFrameShown());
    EXPECT_EQ(h.db().value(QStringLiteral("SELECT COUNT(*) FROM mov_MesaItem WHERE idMesa=1501 AND status='E'")),
              QStringLiteral("7"));

    // F7 is not refused: it switches the observation rows on.
    key(Qt::Key_F7);
    EXPECT_EQ(ui().Bt_MOSTRA->text(), QStringLiteral("NÃO MOSTRA OBS"));
    EXPECT_EQ(blockedMessages(), refused);

    // F4 reaches the table discount, which asks the discount search.
    {
        FakeForm discountSearch(QStringLiteral("99-Lissor"));
        key(Qt::Key_F4);
        EXPECT_EQ(blockedMessages(), refused);
        EXPECT_EQ(discountSearch.opened, 1);
    }
    // F10 reaches the close-account command: a blocked table with items
    // goes to the payment module (left here without paying).
    {
        FakeForm payment(QStringLiteral("99-Fennoc"), [] { records::L_LINK().setAt(312, ' '); });
        h.typeTable(QStringLiteral("1501"));
        key(Qt::Key_F10);
        EXPECT_EQ(blockedMessages(), refused);
        EXPECT_EQ(payment.opened, 1);
    }
    // F2 reaches blocking and unblocking: the table is unblocked.
    h.typeTable(QStringLiteral("1501"));
    key(Qt::Key_F2);
    EXPECT_EQ(blockedMessages(), refused);
    EXPECT_EQ(h.db().value(QStringLiteral("SELECT status FROM mov_Mesa WHERE idMesa=1501")), QStringLiteral("A"));
}

TEST(KeysRights, HomeShowsTheCountersOnlyWithTheRight)
{
    {
        FormHarness h;
        h.standardSession();
        h.startOnDesk(1);
        QTest::keyClick(DeskDriver(h.form()).Ed_CODIMES, Qt::Key_Home);
        EXPECT_TRUE(DeskDriver(h.form()).Frm_EmAndamento->isVisible());
        EXPECT_TRUE(DeskDriver(h.form()).Frm_Fechadas->isVisible());
        EXPECT_TRUE(h.ui().consoleLines.isEmpty());
    }
    {
        FormHarness h;
        h.files().login(4, QStringLiteral("JOAO PEREIRA"));
        h.files().openPeriod(2, {1, 2, 3});
        h.startOnDesk(1);
        QTest::keyClick(DeskDriver(h.form()).Ed_CODIMES, Qt::Key_Home);
        EXPECT_FALSE(DeskDriver(h.form()).Frm_EmAndamento->isVisible());
        EXPECT_FALSE(DeskDriver(h.form()).Frm_Fechadas->isVisible());
        EXPECT_EQ(h.ui().consoleLines, QStringList{QStringLiteral("sem direito")});
    }
}

TEST_F(KeysTest, KeypadDigitsAndBackspaceStayInTheFieldMainDigitsReachTheKeyProcedure)
{
    show(QStringLiteral("1201"));
    key(Qt::Key_F7); // a known key code to start from
    ASSERT_EQ(h.form().keyCode(), vk::kF7);
    ui().Ed_CODIMES->clear();

    key(Qt::Key_3, Qt::KeypadModifier);
    key(Qt::Key_0, Qt::KeypadModifier);
    EXPECT_EQ(ui().Ed_CODIMES->text(), QStringLiteral("30"));
    EXPECT_EQ(h.form().keyCode(), vk::kF7);
    key(Qt::Key_Backspace);
    EXPECT_EQ(ui().Ed_CODIMES->text(), QStringLiteral("3"));
    EXPECT_EQ(h.form().keyCode(), vk::kF7);

    // A main-keyboard digit goes to the field and through the key
    // procedure, which ignores it.
    key(Qt::Key_1);
    EXPECT_EQ(ui().Ed_CODIMES->text(), QStringLiteral("31"));
    EXPECT_EQ(h.form().keyCode(), 49);
    EXPECT_TRUE(h.texts().isEmpty());
}

TEST_F(KeysTest, F7SwitchesTheObservationRowsOnlyOnATableWithItems)
{
    show(QStringLiteral("1201"));
    key(Qt::Key_F7);
    EXPECT_EQ(ui().Bt_MOSTRA->text(), QStringLiteral("NÃO MOSTRA OBS"));
    EXPECT_EQ(ui().Lv_Itens->topLevelItemCount(), 5); // 3 items, 2 observations of item 19
    // The bar entry and its key label hand the same key.
    QTest::mouseClick(ui().CmStatic46, Qt::LeftButton);
    EXPECT_EQ(ui().Bt_MOSTRA->text(), QStringLiteral("MOSTRA OBS"));
    EXPECT_EQ(ui().Lv_Itens->topLevelItemCount(), 3);

    show(QStringLiteral("2101")); // open, nothing ordered
    key(Qt::Key_F7);
    EXPECT_EQ(ui().Bt_MOSTRA->text(), QStringLiteral("MOSTRA OBS"));
}

TEST_F(KeysTest, EscapeReleasesTheTableShownAndTheBoardRefreshesAgain)
{
    show(QStringLiteral("1201"));
    // A table opened at a waiter's terminal while the cashier was on 12/01,
    // with the board timer off as every table reading leaves it.
    DeskDriver(h.form()).boardTimer()->stop();
    h.db().run(QStringLiteral("UPDATE mov_Mesa SET status='A', qtdPessoas=2, idGarcon=4, "
                              "horaAbertura='21:00:00', taxaServico=10.00 WHERE idMesa=2401"));
    auto boardHas2401 = [this] {
        for (int i = 0; i < ui().Lv_Mesas->topLevelItemCount(); ++i)
            if (ui().Lv_Mesas->topLevelItem(i)->text(1).trimmed().toInt() == 24)
                return true;
        return false;
    };
    ASSERT_FALSE(boardHas2401());
    key(Qt::Key_Escape);
    EXPECT_EQ(h.form().currentTable(), 0);
    EXPECT_TRUE(ui().Ed_CODIMES->text().isEmpty());
    EXPECT_EQ(ui().Lv_Itens->topLevelItemCount(), 0);
    EXPECT_TRUE(ui().Ds_NOMEGAR->text().isEmpty());
    EXPECT_TRUE(ui().Ed_CODIMES->hasFocus());
    // Released as every other way of leaving a table releases it.
    h.settleBoard();
    EXPECT_TRUE(DeskDriver(h.form()).boardTimer()->isActive());
    EXPECT_TRUE(boardHas2401());
    EXPECT_TRUE(h.texts().isEmpty());
}

namespace {

// The keyboard alone, from the table field into the item list and the
// other fields of the form.
class KeyboardMapTest : public KeysTest
{
protected:
    void SetUp() override
    {
        KeysTest::SetUp();
        show(QStringLiteral("1201"));
        h.form().activateWindow();
        (void)QTest::qWaitForWindowActive(&h.form(), 2000);
    }
    QWidget *focus() { return QApplication::focusWidget() ? QApplication::focusWidget() : &h.form(); }
    void press(Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) { QTest::keyClick(focus(), k, modifiers); }
    int currentRow() { return ui().Lv_Itens->indexOfTopLevelItem(ui().Lv_Itens->currentItem()); }
    std::vector<int> selectedRows()
    {
        std::vector<int> rows;
        for (int i = 0; i < ui().Lv_Itens->topLevelItemCount(); ++i)
            if (ui().Lv_Itens->topLevelItem(i)->isSelected())
                rows.push_back(i);
        return rows;
    }
    // Puts the focus where a key is to be pressed from: the table field
    // or the item list, reached by Down.
    void from(bool itemList)
    {
        ui().Ed_CODIMES->setFocus();
        if (itemList)
            press(Qt::Key_Down);
        ASSERT_EQ(focus(), itemList ? static_cast<QWidget *>(ui().Lv_Itens) : ui().Ed_CODIMES);
    }
};

} // namespace

TEST_F(KeyboardMapTest, DownEntersTheItemListWhereSpaceSelectsSeveralRowsAndBackspaceLeaves)
{
    press(Qt::Key_Down);
    ASSERT_EQ(focus(), ui().Lv_Itens);
    EXPECT_EQ(currentRow(), 0);
    EXPECT_TRUE(selectedRows().empty()); // entering selects nothing

    press(Qt::Key_Space);
    press(Qt::Key_Down);
    press(Qt::Key_Down);
    EXPECT_EQ(currentRow(), 2);
    press(Qt::Key_Space);
    EXPECT_EQ(selectedRows(), (std::vector<int>{0, 2})); // moving kept the first
    press(Qt::Key_Up);
    press(Qt::Key_Space);
    press(Qt::Key_Space); // a second Space unselects
    EXPECT_EQ(selectedRows(), (std::vector<int>{0, 2}));
    press(Qt::Key_Down);
    press(Qt::Key_Down); // past the last row: stays there
    EXPECT_EQ(currentRow(), 2);
    EXPECT_EQ(h.form().selectedRows().size(), 2u);

    // Back to the table number, selected for the next one.
    press(Qt::Key_Backspace);
    EXPECT_EQ(focus(), ui().Ed_CODIMES);
    EXPECT_EQ(ui().Ed_CODIMES->selectedText(), ui().Ed_CODIMES->text());
    EXPECT_EQ(h.form().currentTable(), 1201);
    EXPECT_EQ(selectedRows(), (std::vector<int>{0, 2}));
    EXPECT_TRUE(h.texts().isEmpty());
}

TEST_F(KeyboardMapTest, EnterInTheItemListEditsTheItemAsTheDoubleClickDoes)
{
    press(Qt::Key_Down);
    press(Qt::Key_Down);
    const QString id = ui().Lv_Itens->currentItem()->text(0);
    press(Qt::Key_Return);
    ASSERT_TRUE(DeskDriver(h.form()).control("Frm_INC")->isVisible());
    EXPECT_EQ(records::W_INCREME().digits(), id.toULongLong());
    EXPECT_FALSE(ui().Frm_CaixaM->isEnabled());
}

TEST_F(KeyboardMapTest, EveryBarKeyReachesItsCommandFromTheTableFieldAndFromTheItemList)
{
    for (bool itemList : {false, true}) {
        SCOPED_TRACE(itemList ? "from the item list" : "from the table field");
        // F7: the observation rows on, then off again.
        from(itemList);
        press(Qt::Key_F7);
        EXPECT_EQ(ui().Bt_MOSTRA->text(), QStringLiteral("NÃO MOSTRA OBS"));
        from(itemList);
        press(Qt::Key_F7);
        EXPECT_EQ(ui().Bt_MOSTRA->text(), QStringLiteral("MOSTRA OBS"));
        // DEL: the reason frame, for the row selected with Space.
        from(itemList);
        if (itemList)
            press(Qt::Key_Space);
        else
            ui().Lv_Itens->topLevelItem(0)->setSelected(true);
        press(Qt::Key_Delete);
        EXPECT_TRUE(reasonFrameShown());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        EXPECT_FALSE(reasonFrameShown());
        ui().Lv_Itens->clearSelection();
        // F4: the discount search; F11: the product search.
        {
            FakeForm discountSearch(QStringLiteral("99-Lissor"));
            FakeForm productSearch(QStringLiteral("99-Tessup"));
            from(itemList);
            press(Qt::Key_F4);
            from(itemList);
            press(Qt::Key_F11);
            EXPECT_EQ(discountSearch.opened, 1);
            EXPECT_EQ(productSearch.opened, 1);
        }
        // INS: the include frame, left again with Esc.
        from(itemList);
        press(Qt::Key_Insert);
        ASSERT_TRUE(DeskDriver(h.form()).control("Frm_INC")->isVisible());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        ASSERT_FALSE(DeskDriver(h.form()).control("Frm_INC")->isVisible());
        // The fields of the table, each by the Alt key of its label.
        const struct
        {
            Qt::Key key;
            QWidget *field;
        } fields[] = {
            {Qt::Key_P, ui().Ed_QTDEPES},
            {Qt::Key_D, ui().Ed_DESCMANT},
            {Qt::Key_G, ui().Cb_Operador},
            {Qt::Key_S, ui().Cb_STATUSM},
        };
        for (const auto &field : fields) {
            from(itemList);
            press(field.key, Qt::AltModifier);
            EXPECT_EQ(focus(), field.field) << field.field->objectName().toStdString();
        }
        // Alt+M comes back to the table field from any of them.
        press(Qt::Key_M, Qt::AltModifier);
        EXPECT_EQ(focus(), ui().Ed_CODIMES);
    }
    EXPECT_EQ(h.form().currentTable(), 1201);
}

TEST_F(KeyboardMapTest, F5SplitsABlockedTableFromTheTableFieldAndFromTheItemList)
{
    h.typeTable(QStringLiteral("1501")); // blocked for closing
    FakeForm split(QStringLiteral("99-Divide"));
    from(false);
    press(Qt::Key_F5);
    EXPECT_EQ(split.opened, 1);
    from(true);
    press(Qt::Key_F5);
    EXPECT_EQ(split.opened, 2);
    // Nothing ticked in the chooser: nothing split, the table still shown.
    EXPECT_EQ(h.form().currentTable(), 1501);
    EXPECT_TRUE(h.texts().isEmpty());
}

TEST_F(KeyboardMapTest, FunctionKeysKeepTheirMeaningFromEveryFieldOfTheForm)
{
    for (QWidget *field : std::initializer_list<QWidget *>{ui().Ed_QTDEPES, ui().Ed_DESCMANT, ui().Cb_Operador,
                                                           ui().Cb_STATUSM, ui().Cb_IMPRE}) {
        SCOPED_TRACE(field->objectName().toStdString());
        field->setFocus();
        ASSERT_EQ(focus(), field);
        press(Qt::Key_F7);
        EXPECT_EQ(ui().Bt_MOSTRA->text(), QStringLiteral("NÃO MOSTRA OBS"));
        field->setFocus();
        press(Qt::Key_F7);
        EXPECT_EQ(ui().Bt_MOSTRA->text(), QStringLiteral("MOSTRA OBS"));
        {
            // F4 is the table discount, not the combo box's list.
            FakeForm discountSearch(QStringLiteral("99-Lissor"));
            field->setFocus();
            press(Qt::Key_F4);
            EXPECT_EQ(discountSearch.opened, 1);
            EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
        }
    }
    // Esc from the people count releases the table.
    ui().Ed_QTDEPES->setFocus();
    press(Qt::Key_Escape);
    EXPECT_EQ(h.form().currentTable(), 0);
    EXPECT_EQ(focus(), ui().Ed_CODIMES);
    EXPECT_TRUE(h.texts().isEmpty());
}

TEST_F(KeyboardMapTest, AManualDiscountConfirmedWithEnterLeavesTheFunctionKeysWorking)
{
    press(Qt::Key_D, Qt::AltModifier);
    ASSERT_EQ(focus(), ui().Ed_DESCMANT);
    QTest::keyClicks(focus(), QStringLiteral("1,00"));
    press(Qt::Key_Return);
    EXPECT_EQ(h.db().value(QStringLiteral("SELECT descontoManual FROM mov_Mesa WHERE idMesa=1201")),
              QStringLiteral("1.00"));
    press(Qt::Key_F7);
    EXPECT_EQ(ui().Bt_MOSTRA->text(), QStringLiteral("NÃO MOSTRA OBS"));
}

TEST_F(KeyboardMapTest, EveryButtonHasAKeyOrAnUnderlinedAltShortcutAndNoTwoShare)
{
    QStringList mnemonics;
    for (QWidget *w : h.form().findChildren<QWidget *>()) {
        QString text;
        if (auto *label = qobject_cast<QLabel *>(w); label && label->buddy())
            text = label->text();
        else if (auto *button = qobject_cast<QPushButton *>(w))
            text = button->text();
        const QKeySequence alt = QKeySequence::mnemonic(text);
        if (!alt.isEmpty()) {
            EXPECT_FALSE(mnemonics.contains(alt.toString())) << alt.toString().toStdString();
            mnemonics << alt.toString();
        }
    }
    // The report and test buttons have no function key: each has its Alt key.
    for (QPushButton *button : {ui().Bt_MFECH, ui().Bt_COMIS, ui().Bt_IMPPRO6, ui().Bt_GEREN, ui().Bt_IMPPRO4})
        EXPECT_FALSE(QKeySequence::mnemonic(button->text()).isEmpty()) << button->objectName().toStdString();
    // Every entry of the bar shows its key above it; the split has F5.
    EXPECT_EQ(ui().Lb_DIVIDE->text(), QStringLiteral("F5"));
    FakeForm management(QStringLiteral("05-Olvant"));
    press(Qt::Key_T, Qt::AltModifier);
    QTest::qWait(300); // a mnemonic clicks its button animated
    EXPECT_EQ(management.opened, 1);
}
