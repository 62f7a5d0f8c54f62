// Cancelling items with a reason (DEL, Frm_MOT) and the waiter's delivery
// acknowledgement (F9), driven from the keyboard on the real main form.
#include "FormHarness.h"
#include "Seed.h"
#include "platform/SqlProbe.h"
#include "platform/ui/Desk.h"

#include "DeskDriver.h"
#include "items/forms/CancelCommands.h"
#include "platform/Sql.h"
#include "platform/ui/Keys.h"
#include <QCheckBox>

#include <QTest>

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::test;

namespace {

const char *const kCancelText =
    "UPDATE mov_MesaItem SET produzido=?,idMotivoCanc=?,idOpeCanc=?,status=\"C\"WHERE idItem=?";
const char *const kAcknowledgeText = "UPDATE mov_MesaItem SET status=\"E\",operBaixa=? WHERE idItem=? AND status=\"I\"";

class CancelTest : public ::testing::Test
{
protected:
    void SetUp() override { h.standardSession(); }

    MainForm &show(const QString &table) { return h.showTable(table); }
    DeskDriver ui() { return DeskDriver(h.form()); }
    // The reason frame's controls, as the desk driver finds them.
    struct ReasonFrame
    {
        QComboBox *Cb_MOTICAN;
        QCheckBox *Chk_PRODUZI;
        QPushButton *Bt_CONFIRMA1, *Bt_VOLTA1;
    };
    ReasonFrame frame()
    {
        const DeskDriver d = ui();
        return {d.control<QComboBox>("Cb_MOTICAN"), d.control<QCheckBox>("Chk_PRODUZI"),
                d.control<QPushButton>("Bt_CONFIRMA1"), d.control<QPushButton>("Bt_VOLTA1")};
    }
    QWidget *reasonFrame() { return ui().control("Frm_MOT"); }
    bool frameShown() { return reasonFrame()->isVisible(); }

    // Selects exactly the rows of Lv_Itens whose "Controle" is listed
    // (0 selects the observation rows).
    void select(const QList<qint64> &ids)
    {
        auto *list = ui().Lv_Itens;
        list->clearSelection();
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            QTreeWidgetItem *row = list->topLevelItem(i);
            row->setSelected(ids.contains(row->text(0).toLongLong()));
        }
    }
    void pressInList(Qt::Key key)
    {
        ui().Lv_Itens->setFocus();
        QTest::keyClick(ui().Lv_Itens, key);
    }
    int indexOfReason(int code)
    {
        auto *combo = frame().Cb_MOTICAN;
        for (int i = 0; i < combo->count(); ++i) {
            if (combo->itemText(i).right(3).toInt() == code)
                return i;
        }
        return -1;
    }
    // One column of an item, as stored.
    QString item(qint64 id, const char *column)
    {
        return h.db().value(
            QStringLiteral("SELECT %1 FROM mov_MesaItem WHERE idItem=%2").arg(QLatin1String(column)).arg(id));
    }
    QString cancelColumns(qint64 id)
    {
        return h.db().value(
            QStringLiteral(
                "SELECT CONCAT_WS(',',status,produzido,idMotivoCanc,idOpeCanc) FROM mov_MesaItem WHERE idItem=%1")
                .arg(id));
    }
    QStringList rowIds()
    {
        QStringList ids;
        for (int i = 0; i < ui().Lv_Itens->topLevelItemCount(); ++i)
            ids << ui().Lv_Itens->topLevelItem(i)->text(0);
        return ids;
    }

    FormHarness h;
};

} // namespace

TEST_F(CancelTest, ReasonListHoldsDescriptionSevenBlanksAndThreeDigitCodeInCodeOrder)
{
    // A reason without a description is not offered.
    h.db().run(QStringLiteral("INSERT INTO tab_MotivoCancelamento VALUES(9,''),(42,'Cortesia da casa')"));
    show(QStringLiteral("1201"));
    auto *combo = frame().Cb_MOTICAN;
    ASSERT_EQ(combo->count(), 7);
    const QString fifth = combo->itemText(4);
    EXPECT_EQ(fifth,
              QStringLiteral("Item veio errado da cozinha   ") + QString(7, QLatin1Char(' ')) + QStringLiteral("005"));
    EXPECT_EQ(fifth.size(), 40);
    EXPECT_EQ(combo->itemText(0).right(3), QStringLiteral("001"));
    EXPECT_EQ(combo->itemText(6).right(3), QStringLiteral("042"));
    EXPECT_EQ(CancelCommands::reasonEntry(5, QStringLiteral("Lançamento errado")).mid(30, 7),
              QString(7, QLatin1Char(' ')));
}

TEST_F(CancelTest, DelOpensTheFrameOnlyOverASelectionAndEscapeLeavesEverythingAsItWas)
{
    show(QStringLiteral("1201"));
    select({});
    pressInList(Qt::Key_Delete);
    EXPECT_FALSE(frameShown());
    EXPECT_TRUE(ui().Frm_CaixaM->isEnabled());

    select({20});
    pressInList(Qt::Key_Delete);
    ASSERT_TRUE(frameShown());
    EXPECT_FALSE(ui().Frm_CaixaM->isEnabled());
    EXPECT_EQ(frame().Cb_MOTICAN->currentIndex(), -1);
    EXPECT_TRUE(frame().Cb_MOTICAN->hasFocus());
    // The frame sits over the table area.
    const QRect area(ui().Frm_CaixaM->mapTo(&h.form(), QPoint(0, 0)), ui().Frm_CaixaM->size());
    EXPECT_TRUE(area.contains(reasonFrame()->geometry().center()));

    // Tab stays inside the frame.
    QTest::keyClick(frame().Bt_VOLTA1, Qt::Key_Tab);
    EXPECT_TRUE(frame().Cb_MOTICAN->hasFocus());

    QTest::keyClick(frame().Cb_MOTICAN, Qt::Key_Down);
    QTest::keyClick(frame().Cb_MOTICAN, Qt::Key_Escape);
    EXPECT_FALSE(frameShown());
    EXPECT_TRUE(ui().Frm_CaixaM->isEnabled());
    EXPECT_EQ(item(20, "status"), QStringLiteral("I"));
    EXPECT_EQ(ui().Lv_Itens->topLevelItemCount(), 3);

    // The next DEL starts again without a reason.
    select({20});
    pressInList(Qt::Key_Delete);
    EXPECT_EQ(frame().Cb_MOTICAN->currentIndex(), -1);
    QTest::mouseClick(frame().Bt_VOLTA1, Qt::LeftButton);
    EXPECT_FALSE(frameShown());
    EXPECT_TRUE(ui().Frm_CaixaM->isEnabled());
}

TEST_F(CancelTest, TwoProducedItemsCancelledFromTheKeyboardWithTheSameReasonAndOperator)
{
    show(QStringLiteral("1201"));
    // With the observations listed, the observation rows of item 19 are
    // selected too: they are no item and change nothing.
    QTest::keyClick(ui().Ed_CODIMES, Qt::Key_F7);
    ASSERT_EQ(ui().Lv_Itens->topLevelItemCount(), 5);
    select({19, 0, 21});
    pressInList(Qt::Key_Delete);
    ASSERT_TRUE(frameShown());

    // Down five times: the fifth reason, code 5.
    for (int i = 0; i < 5; ++i)
        QTest::keyClick(frame().Cb_MOTICAN, Qt::Key_Down);
    ASSERT_EQ(frame().Cb_MOTICAN->currentText().right(3), QStringLiteral("005"));
    QTest::keyClick(frame().Cb_MOTICAN, Qt::Key_Return);
    ASSERT_TRUE(frame().Chk_PRODUZI->hasFocus());
    QTest::keyClick(frame().Chk_PRODUZI, Qt::Key_Space);
    ASSERT_TRUE(frame().Chk_PRODUZI->isChecked());
    QTest::keyClick(frame().Chk_PRODUZI, Qt::Key_Return);
    ASSERT_TRUE(frame().Bt_CONFIRMA1->hasFocus());
    QTest::keyClick(frame().Bt_CONFIRMA1, Qt::Key_Return);

    EXPECT_EQ(cancelColumns(19), QStringLiteral("C,S,5,1"));
    EXPECT_EQ(cancelColumns(21), QStringLiteral("C,S,5,1"));
    EXPECT_EQ(cancelColumns(20), QStringLiteral("I,N,0,0"));

    // The table is read again; the frame is gone and "Produzido" cleared.
    EXPECT_EQ(rowIds(), QStringList{QStringLiteral("20")});
    EXPECT_FALSE(frameShown());
    EXPECT_TRUE(ui().Frm_CaixaM->isEnabled());
    EXPECT_FALSE(frame().Chk_PRODUZI->isChecked());
    EXPECT_TRUE(ui().Ed_CODIMES->hasFocus());
    // An item was left: the account is not closed.
    EXPECT_EQ(h.form().keyCode(), vk::kDelete);
    EXPECT_TRUE(h.texts().isEmpty());
}

TEST_F(CancelTest, ConfirmingWithoutAReasonIsRefusedAndStoresNothing)
{
    show(QStringLiteral("1201"));
    select({19, 20});
    pressInList(Qt::Key_Delete);
    frame().Chk_PRODUZI->setChecked(true);
    QTest::mouseClick(frame().Bt_CONFIRMA1, Qt::LeftButton);

    ASSERT_EQ(h.ui().messages.size(), 1u);
    EXPECT_EQ(h.ui().messages[0].text, QStringLiteral("Escolha o motivo do cancelamento !!!"));
    EXPECT_EQ(h.ui().messages[0].style, style::kInformation);
    EXPECT_EQ(cancelColumns(19), QStringLiteral("I,N,0,0"));
    EXPECT_EQ(cancelColumns(20), QStringLiteral("I,N,0,0"));
    // Nothing typed is lost: the frame stays with its tick, on the reason.
    EXPECT_TRUE(frameShown());
    EXPECT_FALSE(ui().Frm_CaixaM->isEnabled());
    EXPECT_TRUE(frame().Chk_PRODUZI->isChecked());
    EXPECT_TRUE(frame().Cb_MOTICAN->hasFocus());

    // Choosing one then goes through.
    frame().Cb_MOTICAN->setCurrentIndex(indexOfReason(3));
    QTest::mouseClick(frame().Bt_CONFIRMA1, Qt::LeftButton);
    EXPECT_EQ(cancelColumns(19), QStringLiteral("C,S,3,1"));
    EXPECT_EQ(cancelColumns(20), QStringLiteral("C,S,3,1"));
}

TEST_F(CancelTest, CancellingTheLastItemClosesTheAccount)
{
    show(QStringLiteral("2501"));
    ui().Lv_Itens->selectAll();
    pressInList(Qt::Key_Delete);
    frame().Cb_MOTICAN->setCurrentIndex(indexOfReason(1));
    QTest::mouseClick(frame().Bt_CONFIRMA1, Qt::LeftButton);

    // The account was closed on the table read again, empty; no key was
    // faked for it. The closing freed the position and released the desk.
    EXPECT_EQ(h.form().keyCode(), vk::kDelete);
    EXPECT_EQ(ui().Lv_Itens->topLevelItemCount(), 0);
    EXPECT_EQ(h.db().value(QStringLiteral("SELECT status FROM mov_Mesa WHERE idMesa=2501")), QStringLiteral("F"));
    EXPECT_EQ(h.form().currentTable(), 0);
    EXPECT_TRUE(h.texts().isEmpty());
}

TEST_F(CancelTest, AFailingUpdateStopsTheCancellationSaysSoAndReadsTheTableAgain)
{
    show(QStringLiteral("1201"));
    select({19, 21});
    pressInList(Qt::Key_Delete);
    frame().Cb_MOTICAN->setCurrentIndex(indexOfReason(1));
    // Someone else cancels item 20 meanwhile: the new reading shows it.
    h.db().run(QStringLiteral("UPDATE mov_MesaItem SET status='C' WHERE idItem=20"));
    SqlTestProbe::on(desk::sql())
        .failNext(kCancelText, QStringLiteral("HY000"), QStringLiteral("Lock wait timeout exceeded"));
    QTest::mouseClick(frame().Bt_CONFIRMA1, Qt::LeftButton);

    ASSERT_EQ(h.ui().messages.size(), 1u);
    EXPECT_EQ(h.ui().messages[0].style, style::kStop);
    EXPECT_TRUE(h.ui().messages[0].text.startsWith(QStringLiteral("Erro HY000 no cancelamento do item 19 !!!")));
    EXPECT_TRUE(h.ui().messages[0].text.contains(QStringLiteral("Lock wait timeout exceeded")));
    EXPECT_EQ(rowIds(), (QStringList{QStringLiteral("19"), QStringLiteral("21")}));
    EXPECT_NE(h.form().keyCode(), vk::kF10);
    EXPECT_TRUE(ui().Frm_CaixaM->isEnabled());
}

TEST_F(CancelTest, F9AcknowledgesTheSelectionInTheWaitersNameAndRereadsTheList)
{
    show(QStringLiteral("1201"));
    select({19});
    pressInList(Qt::Key_F9);

    EXPECT_TRUE(h.texts().isEmpty());
    // The waiter of the table on show is who took it.
    EXPECT_EQ(item(19, "operBaixa"), QStringLiteral("JOSE RODRIGUES"));
    // Read again: the list shows the new status, of the selected row only.
    QStringList shownStatus;
    for (int i = 0; i < ui().Lv_Itens->topLevelItemCount(); ++i)
        shownStatus << ui().Lv_Itens->topLevelItem(i)->text(0) + QLatin1Char(':')
                           + ui().Lv_Itens->topLevelItem(i)->text(7);
    EXPECT_EQ(shownStatus, (QStringList{QStringLiteral("19:E"), QStringLiteral("20:I"), QStringLiteral("21:I")}));
    EXPECT_EQ(h.form().currentTable(), 1201);
    // The cashier stays in the list, on the table shown.
    EXPECT_TRUE(ui().Lv_Itens->hasFocus());
}

TEST_F(CancelTest, AFailingAcknowledgementIsReportedAndChangesNothing)
{
    show(QStringLiteral("1201"));
    select({19, 21});
    SqlTestProbe::on(desk::sql()).failNext(kAcknowledgeText);
    pressInList(Qt::Key_F9);
    ASSERT_EQ(h.ui().messages.size(), 1u);
    EXPECT_EQ(h.ui().messages[0].style, style::kStop);
    EXPECT_TRUE(h.ui().messages[0].text.startsWith(QStringLiteral("Erro HY000 na baixa do item 19 !!!")));
}

TEST(CancelRights, F9WithoutTheRightShowsTheRefusalEvenWithNothingSelectedAndNothingOnAnEmptyTable)
{
    // Operator 4 has no direito8.
    FormHarness h;
    h.files().login(4, QStringLiteral("JOAO PEREIRA"));
    h.files().openPeriod(2, {1, 2, 3});
    h.startOnDesk(1);
    h.typeTable(QStringLiteral("1201"));
    DeskDriver(h.form()).Lv_Itens->clearSelection();
    QTest::keyClick(DeskDriver(h.form()).Ed_CODIMES, Qt::Key_F9);
    ASSERT_EQ(h.ui().messages.size(), 1u);
    EXPECT_EQ(h.ui().messages[0].text, QStringLiteral("Operador sem direito a Baixa !!!"));
    EXPECT_EQ(h.ui().messages[0].style, style::kInformation);
    EXPECT_EQ(h.form().currentTable(), 1201);

    h.typeTable(QStringLiteral("2101"));
    QTest::keyClick(DeskDriver(h.form()).Ed_CODIMES, Qt::Key_F9);
    EXPECT_EQ(h.ui().messages.size(), 1u);
}

TEST_F(CancelTest, TheExcluiEntryOfTheBarOpensTheFrameToo)
{
    show(QStringLiteral("1201"));
    select({21});
    QTest::mouseClick(ui().Frm_DEL, Qt::LeftButton);
    EXPECT_TRUE(frameShown());
    QTest::keyClick(frame().Bt_CONFIRMA1, Qt::Key_Escape);
    EXPECT_FALSE(frameShown());
    EXPECT_EQ(item(21, "status"), QStringLiteral("I"));
}
