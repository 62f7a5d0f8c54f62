// Moving items to another table: F3, the frame Frm_NovaMesa, the target
// checks, the item, kitchen and observation updates, and the source's
// closing when it is left empty.
#include "FormHarness.h"
#include "ModalWatch.h"
#include "Seed.h"
#include "platform/SqlProbe.h"
#include "platform/ui/Desk.h"

#include "DeskDriver.h"
#include "platform/Sql.h"
#include "platform/ui/Keys.h"
#include "tables/forms/OpenTable.h"
#include "tables/forms/SplitTransfer.h"
#include "ui_OpenTable.h"

#include <QGroupBox>
#include <QTest>

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::test;

namespace {

class TransferTest : public ::testing::Test
{
protected:
    void SetUp() override { h.standardSession(); }

    MainForm &show(const QString &table) { return h.showTable(table); }
    DeskDriver ui() { return DeskDriver(h.form()); }
    // The transfer frame's controls, as the desk driver finds them.
    struct TransferFrame
    {
        QLineEdit *Ed_NOVAMES;
        QPushButton *Bt_TRANSFERE, *Bt_VOLTA2;
    };
    TransferFrame frame()
    {
        const DeskDriver d(h.form());
        return {d.control<QLineEdit>("Ed_NOVAMES"), d.control<QPushButton>("Bt_TRANSFERE"),
                d.control<QPushButton>("Bt_VOLTA2")};
    }
    QGroupBox *Frm_NovaMesa() { return DeskDriver(h.form()).control<QGroupBox>("Frm_NovaMesa"); }
    bool frameOpen() { return Frm_NovaMesa()->isVisible(); }

    // Selects exactly the rows whose "Controle" is listed (0 = observation rows).
    void select(std::initializer_list<qint64> ids)
    {
        auto *list = ui().Lv_Itens;
        list->clearSelection();
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            QTreeWidgetItem *row = list->topLevelItem(i);
            if (std::find(ids.begin(), ids.end(), row->text(0).toLongLong()) != ids.end())
                row->setSelected(true);
        }
    }
    void openFrame(std::initializer_list<qint64> ids)
    {
        select(ids);
        h.form().pressKey(vk::kF3);
        ASSERT_TRUE(frameOpen());
    }
    // Types the target and presses Enter in the field.
    void transferTo(const QString &target)
    {
        frame().Ed_NOVAMES->setText(target);
        QTest::keyClick(frame().Ed_NOVAMES, Qt::Key_Return);
    }
    QString itemTable(qint64 idItem)
    {
        return h.db().value(QStringLiteral("SELECT idMesa FROM mov_MesaItem WHERE idItem=%1").arg(idItem));
    }
    QString kitchenTable(qint64 idItem)
    {
        return h.db().value(QStringLiteral("SELECT idPedMesa FROM mov_Cozinha WHERE idItem=%1").arg(idItem));
    }
    QString observationTables(qint64 idItem)
    {
        return h.db().value(
            QStringLiteral("SELECT GROUP_CONCAT(idMesa ORDER BY idItemObs) FROM mov_MesaItemObs WHERE idItem=%1")
                .arg(idItem));
    }

    FormHarness h;
};

} // namespace

TEST_F(TransferTest, F3OpensTheFrameForSelectedRowsAndVoltarMovesNothing)
{
    MainForm &f = show(QStringLiteral("1201"));
    select({});
    f.pressKey(vk::kF3);
    EXPECT_FALSE(frameOpen());

    openFrame({19});
    EXPECT_FALSE(ui().Frm_CaixaM->isEnabled());
    EXPECT_EQ(Frm_NovaMesa()->title(), QStringLiteral(" Transferir para Mesa"));
    EXPECT_TRUE(frame().Ed_NOVAMES->text().isEmpty());
    const QRect area(ui().Frm_CaixaM->mapTo(&f, QPoint(0, 0)), ui().Frm_CaixaM->size());
    EXPECT_TRUE(area.contains(Frm_NovaMesa()->geometry().center()));

    frame().Ed_NOVAMES->setText(QStringLiteral("1202"));
    QTest::mouseClick(frame().Bt_VOLTA2, Qt::LeftButton);
    EXPECT_FALSE(frameOpen());
    EXPECT_TRUE(ui().Frm_CaixaM->isEnabled());
    EXPECT_EQ(itemTable(19), QStringLiteral("1201"));
    EXPECT_EQ(f.currentTable(), 1201);

    // Escape leaves the same way.
    openFrame({19});
    QTest::keyClick(frame().Ed_NOVAMES, Qt::Key_Escape);
    EXPECT_FALSE(frameOpen());
    EXPECT_TRUE(ui().Frm_CaixaM->isEnabled());

    // A blocked table moves nothing.
    show(QStringLiteral("1501"));
    select({25});
    f.pressKey(vk::kF3);
    EXPECT_FALSE(frameOpen());
    EXPECT_EQ(h.texts(), QStringList{QStringLiteral("Mesa Bloqueada !!!")});
}

TEST_F(TransferTest, TargetsThatAreMissingOrNotOpenAreRefusedAndTheFrameStays)
{
    show(QStringLiteral("1201"));
    openFrame({19});

    transferTo(QString()); // no number: nothing said, nothing done
    EXPECT_TRUE(frameOpen());
    EXPECT_TRUE(h.texts().isEmpty());

    transferTo(QStringLiteral("9950"));
    ASSERT_EQ(h.ui().messages.size(), 1u);
    EXPECT_EQ(h.ui().messages[0].text, QStringLiteral("Mesa/Posição não existe !!!"));
    EXPECT_EQ(h.ui().messages[0].style, style::kStop);
    EXPECT_TRUE(frameOpen());

    transferTo(QStringLiteral("1801")); // bill requested
    transferTo(QStringLiteral("1501")); // blocked
    ASSERT_EQ(h.ui().messages.size(), 3u);
    for (std::size_t i : {1u, 2u}) {
        EXPECT_EQ(h.ui().messages[i].text, QStringLiteral("Erro, mesa não está aberta !!!"));
        EXPECT_EQ(h.ui().messages[i].style, style::kStop);
    }
    EXPECT_TRUE(frameOpen());

    transferTo(QStringLiteral("2201")); // closed, and the answer is No
    ASSERT_EQ(h.ui().messages.size(), 4u);
    EXPECT_EQ(h.ui().messages[3].text, QStringLiteral("Mesa fechada, abre ?"));
    EXPECT_EQ(h.ui().messages[3].style, style::kAsk);
    EXPECT_TRUE(frameOpen());
    EXPECT_EQ(itemTable(19), QStringLiteral("1201"));
    EXPECT_EQ(h.db().value(QStringLiteral("SELECT status FROM mov_Mesa WHERE idMesa=2201")), QStringLiteral("F"));
}

TEST_F(TransferTest, AClosedTargetIsOpenedOnTheWayAndTakesTheItems)
{
    MainForm &f = show(QStringLiteral("1201"));
    openFrame({19, 20});

    // Yes, then the dialog is cancelled: the question comes again; Yes, and
    // this time the table is opened for two people.
    h.ui().answer(answer::kYes);
    h.ui().answer(answer::kYes);
    int opened = 0;
    ModalWatch watch([&opened](QDialog &d) {
        auto *dialog = qobject_cast<OpenTable *>(&d);
        if (!dialog)
            return true;
        if (!dialog->started())
            return false;
        if (++opened == 1) {
            QTest::mouseClick(dialog->ui().Bt_Sair, Qt::LeftButton);
            return true;
        }
        dialog->ui().Ed_QTDEPES->setText(QStringLiteral("2"));
        dialog->ui().Cb_Operador->setCurrentIndex(0);
        QTest::mouseClick(dialog->ui().Bt_Gravar, Qt::LeftButton);
        return true;
    });
    transferTo(QStringLiteral("2201"));

    EXPECT_EQ(watch.seen(), (QStringList{QStringLiteral("99-AbreMesa"), QStringLiteral("99-AbreMesa")}));
    EXPECT_EQ(watch.leftOpen(), 0);
    EXPECT_EQ(h.texts(), (QStringList{QStringLiteral("Mesa fechada, abre ?"), QStringLiteral("Mesa fechada, abre ?")}));
    EXPECT_EQ(h.db().value(QStringLiteral("SELECT CONCAT(status,qtdPessoas) FROM mov_Mesa WHERE idMesa=2201")),
              QStringLiteral("A2"));
    EXPECT_EQ(itemTable(19), QStringLiteral("2201"));
    EXPECT_EQ(itemTable(20), QStringLiteral("2201"));
    EXPECT_EQ(itemTable(21), QStringLiteral("1201"));
    EXPECT_EQ(kitchenTable(19), QStringLiteral("22"));
    EXPECT_FALSE(frameOpen());
    EXPECT_TRUE(ui().Frm_CaixaM->isEnabled());
    EXPECT_EQ(f.currentTable(), 1201);
    EXPECT_EQ(ui().Lv_Itens->topLevelItemCount(), 1);
}

TEST_F(TransferTest, TheKitchenRecordTakesTheTableWithoutThePosition)
{
    setPosition(h.db(), 1203, 'A');
    MainForm &f = show(QStringLiteral("301"));
    ASSERT_EQ(kitchenTable(1), QStringLiteral("3"));
    openFrame({1});
    transferTo(QStringLiteral("1203"));
    EXPECT_EQ(itemTable(1), QStringLiteral("1203"));
    EXPECT_EQ(kitchenTable(1), QStringLiteral("12"));
    // The source still has items: no closing.
    EXPECT_EQ(f.currentTable(), 301);
    EXPECT_NE(f.keyCode(), vk::kF10);
}

TEST_F(TransferTest, AnObservationRowAloneMovesNothingButRefreshesTheSource)
{
    MainForm &f = show(QStringLiteral("1201"));
    f.pressKey(vk::kF7); // observation rows shown
    ASSERT_EQ(ui().Lv_Itens->topLevelItemCount(), 5);
    select({0});
    ASSERT_FALSE(ui().Lv_Itens->selectedItems().isEmpty());
    f.pressKey(vk::kF3);
    ASSERT_TRUE(frameOpen());
    transferTo(QStringLiteral("1202"));

    EXPECT_FALSE(frameOpen());
    for (qint64 id : {19, 20, 21})
        EXPECT_EQ(itemTable(id), QStringLiteral("1201"));
    EXPECT_EQ(observationTables(19), QStringLiteral("1201,1201"));
    EXPECT_EQ(f.currentTable(), 1201);
    EXPECT_EQ(ui().Lv_Itens->topLevelItemCount(), 5);
    EXPECT_TRUE(ui().Lv_Itens->selectedItems().isEmpty()); // read again
    EXPECT_NE(f.keyCode(), vk::kF10);
}

TEST_F(TransferTest, EmptyingTheSourceGoesOnToItsClosing)
{
    MainForm &f = show(QStringLiteral("1202"));
    openFrame({22, 23, 24});
    transferTo(QStringLiteral("1201"));

    for (qint64 id : {22, 23, 24})
        EXPECT_EQ(itemTable(id), QStringLiteral("1201"));
    EXPECT_EQ(observationTables(24), QStringLiteral("1201"));
    EXPECT_EQ(h.db().value(QStringLiteral("SELECT COUNT(*) FROM mov_MesaItem WHERE idMesa=1202")), QStringLiteral("0"));
    // The emptied source went on to its closing: with nothing consumed the
    // position is simply free again and the table is left.
    EXPECT_EQ(h.db().value(QStringLiteral("SELECT status FROM mov_Mesa WHERE idMesa=1202")), QStringLiteral("F"));
    EXPECT_EQ(f.currentTable(), 0);
    EXPECT_TRUE(h.texts().isEmpty()) << h.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_FALSE(frameOpen());
    EXPECT_TRUE(ui().Frm_CaixaM->isEnabled());
}

TEST_F(TransferTest, ObservationsFollowTheirItemsAndSurviveTheSourcesClosing)
{
    show(QStringLiteral("1201"));
    openFrame({19});
    transferTo(QStringLiteral("1202"));
    EXPECT_EQ(itemTable(19), QStringLiteral("1202"));
    EXPECT_EQ(observationTables(19), QStringLiteral("1202,1202"));

    // The source is closed (the deletes of its sale's last step).
    h.db().run(
        QStringLiteral("DELETE FROM mov_MesaItem WHERE idMesa=1201; DELETE FROM mov_MesaItemObs WHERE idMesa=1201"));
    EXPECT_EQ(observationTables(19), QStringLiteral("1202,1202"));

    // And the target charges them: hambúrguer 38,50 + bacon 4,00.
    show(QStringLiteral("1202"));
    QString price;
    for (int i = 0; i < ui().Lv_Itens->topLevelItemCount(); ++i)
        if (ui().Lv_Itens->topLevelItem(i)->text(0) == QLatin1String("19"))
            price = ui().Lv_Itens->topLevelItem(i)->text(3);
    EXPECT_EQ(price, QStringLiteral("42,50"));
}

TEST_F(TransferTest, AFailedTransferMovesNothingAndSaysSo)
{
    setPosition(h.db(), 1203, 'A');
    MainForm &f = show(QStringLiteral("301"));
    openFrame({1, 2});
    // The first item's item and kitchen rows are already moved when its
    // observations fail.
    SqlTestProbe::on(desk::sql())
        .failNext("UPDATE mov_MesaItemObs SET idMesa=? WHERE idItem=?", QStringLiteral("40001"));
    transferTo(QStringLiteral("1203"));

    EXPECT_EQ(itemTable(1), QStringLiteral("301"));
    ASSERT_EQ(h.ui().messages.size(), 1u);
    EXPECT_EQ(h.ui().messages[0].text, QStringLiteral("Erro 40001 na transferência, nenhum item foi transferido !!!"));
    EXPECT_EQ(h.ui().messages[0].style, style::kStop);
    EXPECT_TRUE(frameOpen());

    // Tried again, it goes through.
    QTest::mouseClick(frame().Bt_TRANSFERE, Qt::LeftButton);
    EXPECT_EQ(itemTable(1), QStringLiteral("1203"));
    EXPECT_FALSE(frameOpen());
    EXPECT_EQ(f.currentTable(), 301);
}
