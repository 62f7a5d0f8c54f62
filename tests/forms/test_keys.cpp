// The checks the key procedure TECLA makes before any key acts, and the
// keys it handles itself, through the real main form.
#include "FormHarness.h"
#include "Seed.h"

#include "items/forms/CancelCommands.h"
#include "modules/Registration.h"
#include "platform/SharedRecords.h"
#include "platform/ui/Keys.h"
#include "platform/ui/UiService.h"
#include "ui_MainForm.h"

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
    Ui::MainForm &ui() { return h.form().ui(); }
    void key(Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(ui().Ed_CODIMES, k, modifiers);
    }
    bool reasonFrameShown() { return h.form().cancel().reasonFrame().isVisible(); }
    int blockedMessages()
    {
        return int(h.texts().count(QStringLiteral("Mesa Bloqueada !!!")));
    }

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
        QTest::keyClick(h.form().ui().Ed_CODIMES, Qt::Key_Home);
        EXPECT_TRUE(h.form().ui().Frm_EmAndamento->isVisible());
        EXPECT_TRUE(h.form().ui().Frm_Fechadas->isVisible());
        EXPECT_TRUE(h.ui().consoleLines.isEmpty());
    }
    {
        FormHarness h;
        h.files().login(4, QStringLiteral("JOAO PEREIRA"));
        h.files().openPeriod(2, {1, 2, 3});
        h.startOnDesk(1);
        QTest::keyClick(h.form().ui().Ed_CODIMES, Qt::Key_Home);
        EXPECT_FALSE(h.form().ui().Frm_EmAndamento->isVisible());
        EXPECT_FALSE(h.form().ui().Frm_Fechadas->isVisible());
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

TEST_F(KeysTest, EscapeClearsTheTableShown)
{
    show(QStringLiteral("1201"));
    key(Qt::Key_Escape);
    EXPECT_EQ(h.form().currentTable(), 0);
    EXPECT_TRUE(ui().Ed_CODIMES->text().isEmpty());
    EXPECT_EQ(ui().Lv_Itens->topLevelItemCount(), 0);
    EXPECT_TRUE(ui().Ds_NOMEGAR->text().isEmpty());
    EXPECT_TRUE(ui().Ed_CODIMES->hasFocus());
}
