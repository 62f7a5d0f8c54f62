// The split account: "CONTA DIVIDIDA" on the main form, the dialog
// "99-Divide" and the split position's later closing.
#include "FormHarness.h"
#include "ModalWatch.h"
#include "Seed.h"
#include "platform/SqlProbe.h"
#include "platform/ui/Desk.h"

#include "DeskDriver.h"
#include "platform/Sql.h"
#include "platform/ui/Keys.h"
#include "tables/forms/SplitDialog.h"
#include "ui_SplitDialog.h"

#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

#include <set>

using namespace qv;
using namespace qv::test;

namespace {

const char *const kMarkSplit = "UPDATE mov_Mesa SET dividida='S',taxaServico=0 WHERE idMesa=?";
const char *const kInsertItem = "INSERT INTO mov_MesaItem VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)";

struct Share
{
    int idMesa;
    QString value;
    QStringList row; // idCardapio idGrupo idProduto idOperador status idComanda horaPedido produzido viagem
};

class SplitTest : public ::testing::Test
{
protected:
    void SetUp() override { h.standardSession(); }

    // Table 42: 01 blocked with two items, 02 to 04 open (02 with an order),
    // 05 bill requested, 06 blocked, 07 free.
    void splitTable(const char *first, const char *second, const char *manual, const char *service)
    {
        setPosition(h.db(), 4201, 'B', 4, 4, service);
        addItem(h.db(), {4201, 112, first});
        addItem(h.db(), {4201, 201, second});
        h.db().run(
            QStringLiteral("UPDATE mov_Mesa SET descontoManual=%1 WHERE idMesa=4201").arg(QLatin1String(manual)));
        setPosition(h.db(), 4202, 'A', 2, 5);
        addItem(h.db(), {4202, 303, "7.00"});
        setPosition(h.db(), 4203, 'A', 1, 6);
        setPosition(h.db(), 4204, 'A', 3, 8);
        setPosition(h.db(), 4205, 'I');
        setPosition(h.db(), 4206, 'B');
        setPosition(h.db(), 4207, 'F', 0, 0);
    }
    MainForm &show(const QString &table) { return h.showTable(table); }
    DeskDriver ui() { return DeskDriver(h.form()); }

    // Clicks "CONTA DIVIDIDA"; when the dialog opens, `play` works it.
    ModalWatch::Script dialogScript(std::function<void(SplitDialog &)> play)
    {
        return [this, play](QDialog &d) {
            auto *split = qobject_cast<SplitDialog *>(&d);
            if (!split)
                return true; // not expected: rejected and recorded
            if (!split->started())
                return false;
            offered.clear();
            QTreeWidget *list = split->ui().Lv_Mesas;
            for (int i = 0; i < list->topLevelItemCount(); ++i)
                offered << list->topLevelItem(i)->text(1) + QLatin1Char(' ') + list->topLevelItem(i)->text(3);
            shownMesa = split->ui().Ed_MESA->text();
            play(*split);
            return true;
        };
    }
    // Ticks the listed positions with the mouse and presses DIVIDIR.
    QStringList split(std::set<int> ticks)
    {
        ModalWatch watch(dialogScript([this, ticks](SplitDialog &d) {
            QTreeWidget *list = d.ui().Lv_Mesas;
            for (int i = 0; i < list->topLevelItemCount(); ++i) {
                QTreeWidgetItem *row = list->topLevelItem(i);
                if (ticks.count(row->data(1, SplitDialog::kMesaRole).toInt()))
                    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(row).center());
            }
            ticked = d.ui().Ed_QUANTAS->text();
            QTest::mouseClick(d.ui().Bt_VOLTA, Qt::LeftButton);
        }));
        QTest::mouseClick(ui().Frm_DIVIDE, Qt::LeftButton);
        EXPECT_EQ(watch.leftOpen(), 0);
        return watch.seen();
    }
    std::vector<Share> shares()
    {
        std::vector<Share> all;
        const QString rows = h.db().value(QStringLiteral(
            "SELECT idMesa,valorUnitario,idCardapio,idGrupo,idProduto,idOperador,status,idComanda,horaPedido,"
            "produzido,viagem FROM mov_MesaItem WHERE idProduto=999999 ORDER BY idMesa"));
        for (const QString &line : rows.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            QStringList fields = line.split(QLatin1Char('\t'));
            const int idMesa = fields.takeFirst().toInt();
            const QString value = fields.takeFirst();
            all.push_back({idMesa, value, fields});
        }
        return all;
    }
    QString tableColumn(const char *column, int idMesa)
    {
        return h.db().value(
            QStringLiteral("SELECT %1 FROM mov_Mesa WHERE idMesa=%2").arg(QLatin1String(column)).arg(idMesa));
    }

    FormHarness h;
    QStringList offered;
    QString shownMesa;
    QString ticked;
};

} // namespace

TEST_F(SplitTest, NinetyWithNineOfServiceGivesThreeSharesOfTwentySeven)
{
    // 90,00 of products, 9,00 manual discount, 10 % service on 90,00.
    splitTable("50.00", "40.00", "9.00", "10.00");
    MainForm &f = show(QStringLiteral("4201"));
    ASSERT_EQ(ui().Ds_TOTMESA->text(), QStringLiteral("90,00"));
    ASSERT_EQ(ui().Ds_VALOSER->text(), QStringLiteral("9,00"));

    EXPECT_EQ(split({4202, 4203, 4204}), QStringList{QStringLiteral("99-Divide")});
    // Only the open positions of the table, never the one being split.
    EXPECT_EQ(offered, (QStringList{QStringLiteral("4202 ANTONIO SILVA"), QStringLiteral("4203 CARLOS OLIVEIRA"),
                                    QStringLiteral("4204 JOSE RODRIGUES")}));
    EXPECT_EQ(shownMesa, QStringLiteral(" 42 01"));
    EXPECT_EQ(ticked, QStringLiteral("03"));

    // The chosen positions reach the writing; the rows themselves are the
    // service's tests'. The logged-in operator is this session's.
    const std::vector<Share> all = shares();
    ASSERT_EQ(all.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(all[i].idMesa, 4202 + int(i));
        EXPECT_EQ(all[i].value, QStringLiteral("27.00"));
        EXPECT_EQ(all[i].row[3], QStringLiteral("1"));
    }
    // The split position flagged, and the table released.
    EXPECT_EQ(tableColumn("dividida", 4201), QStringLiteral("S"));
    EXPECT_EQ(f.currentTable(), 0);
    EXPECT_TRUE(ui().Ed_CODIMES->text().isEmpty());
    EXPECT_TRUE(h.texts().isEmpty()) << h.texts().join(QLatin1Char('|')).toStdString();
}

TEST_F(SplitTest, HundredOverThreeGivesTheCentToTheLastTickedPosition)
{
    splitTable("60.00", "40.00", "0", "0.00");
    show(QStringLiteral("4201"));
    ASSERT_EQ(ui().Ds_TOTMESA->text(), QStringLiteral("100,00"));

    // By keyboard: Space ticks, the arrows move without ticking, Enter divides.
    ModalWatch watch(dialogScript([this](SplitDialog &d) {
        QTreeWidget *list = d.ui().Lv_Mesas;
        QTest::keyClick(list, Qt::Key_Space);
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Space);
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Space);
        QTest::keyClick(list, Qt::Key_Space); // untick
        QTest::keyClick(list, Qt::Key_Space); // and tick again
        ticked = d.ui().Ed_QUANTAS->text();
        QTest::keyClick(list, Qt::Key_Return);
    }));
    QTest::mouseClick(ui().Frm_DIVIDE, Qt::LeftButton);
    EXPECT_EQ(ticked, QStringLiteral("03"));

    const std::vector<Share> all = shares();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].value, QStringLiteral("33.33"));
    EXPECT_EQ(all[1].value, QStringLiteral("33.33"));
    EXPECT_EQ(all[2].value, QStringLiteral("33.34"));
    EXPECT_EQ(all[2].idMesa, 4204);
    EXPECT_EQ(h.db().value(QStringLiteral("SELECT SUM(valorUnitario) FROM mov_MesaItem WHERE idProduto=999999")),
              QStringLiteral("100.00"));
}

TEST_F(SplitTest, ASecondSplitOfTheSamePositionIsRefused)
{
    splitTable("60.00", "40.00", "0", "0.00");
    MainForm &f = show(QStringLiteral("4201"));
    split({4202, 4203});
    ASSERT_EQ(shares().size(), 2u);

    show(QStringLiteral("4201"));
    ASSERT_EQ(f.currentTable(), 4201);
    ASSERT_EQ(ui().Bt_Bloqueio->text(), QStringLiteral("DESBLOQUEIA MESA"));
    EXPECT_TRUE(split({4202, 4203}).isEmpty());
    EXPECT_EQ(shares().size(), 2u);
    EXPECT_TRUE(h.texts().isEmpty());
}

TEST_F(SplitTest, OnlyTheBlockedPositionOnShowCanBeSplit)
{
    splitTable("60.00", "40.00", "0", "0.00");
    MainForm &f = show(QStringLiteral("4202")); // open, not blocked
    ASSERT_EQ(f.currentTable(), 4202);
    EXPECT_TRUE(split({4203}).isEmpty());
    show(QStringLiteral("4205")); // bill requested, not yet blocked
    ASSERT_EQ(f.currentTable(), 4205);
    EXPECT_TRUE(split({4203}).isEmpty());

    // A number typed but not read yet is not the table on show.
    show(QStringLiteral("4201"));
    ui().Ed_CODIMES->setText(QStringLiteral("4206"));
    EXPECT_TRUE(split({4203}).isEmpty());
    ui().Ed_CODIMES->setText(QStringLiteral("8101"));
    EXPECT_TRUE(split({4203}).isEmpty());

    EXPECT_TRUE(shares().empty());
    EXPECT_EQ(tableColumn("dividida", 4201), QStringLiteral("N"));
    EXPECT_TRUE(h.texts().isEmpty());
}

TEST_F(SplitTest, NothingTickedLeavesThePositionAsItWas)
{
    splitTable("60.00", "40.00", "0", "10.00");
    MainForm &f = show(QStringLiteral("4201"));
    EXPECT_EQ(split({}), QStringList{QStringLiteral("99-Divide")});
    EXPECT_EQ(ticked, QStringLiteral("00"));
    EXPECT_TRUE(shares().empty());
    EXPECT_EQ(tableColumn("dividida", 4201), QStringLiteral("N"));
    EXPECT_EQ(tableColumn("taxaServico", 4201), QStringLiteral("10.00"));
    EXPECT_EQ(f.currentTable(), 4201); // still on show
}

TEST_F(SplitTest, AFailureWritesNoShareAndNoFlag)
{
    splitTable("60.00", "40.00", "0", "0.00");
    MainForm &f = show(QStringLiteral("4201"));

    // The flag fails after every share was written: the shares go too.
    SqlTestProbe::on(desk::sql()).failNext(kMarkSplit, QStringLiteral("40001"));
    split({4202, 4203, 4204});
    EXPECT_TRUE(shares().empty());
    EXPECT_EQ(tableColumn("dividida", 4201), QStringLiteral("N"));
    ASSERT_EQ(h.ui().messages.size(), 1u);
    EXPECT_EQ(h.ui().messages[0].text,
              QStringLiteral("Erro 40001 na gravação da conta dividida, nada foi dividido !!!"));
    EXPECT_EQ(h.ui().messages[0].style, style::kStop);
    EXPECT_EQ(f.currentTable(), 4201);

    // A share that cannot be written: the dialog says so, nothing is split.
    SqlTestProbe::on(desk::sql()).failNext(kInsertItem, QStringLiteral("23000"));
    split({4202, 4203});
    EXPECT_TRUE(shares().empty());
    EXPECT_EQ(tableColumn("dividida", 4201), QStringLiteral("N"));
    ASSERT_EQ(h.ui().messages.size(), 2u);
    EXPECT_EQ(h.ui().messages[1].text,
              QStringLiteral("Erro 23000 na gravação da conta dividida, nada foi dividido !!!"));

    // And the split still works afterwards.
    split({4202, 4203});
    EXPECT_EQ(shares().size(), 2u);
    EXPECT_EQ(tableColumn("dividida", 4201), QStringLiteral("S"));
}

TEST_F(SplitTest, TheSplitPositionIsClosedWithoutPayment)
{
    splitTable("50.00", "40.00", "9.00", "10.00");
    MainForm &f = show(QStringLiteral("4201"));
    split({4202, 4203, 4204});
    ASSERT_EQ(tableColumn("dividida", 4201), QStringLiteral("S"));

    show(QStringLiteral("4201"));
    ASSERT_EQ(f.currentTable(), 4201);
    ModalWatch watch; // the payment module must not open
    f.pressKey(vk::kF10);
    EXPECT_TRUE(watch.seen().isEmpty()) << watch.seen().join(QLatin1Char(',')).toStdString();

    EXPECT_EQ(tableColumn("status", 4201), QStringLiteral("F"));
    EXPECT_EQ(tableColumn("dividida", 4201), QStringLiteral("N"));
    EXPECT_EQ(h.db().value(QStringLiteral("SELECT COUNT(*) FROM mov_MesaItem WHERE idMesa=4201")), QStringLiteral("0"));
    const QString sale = h.db().value(QStringLiteral("SELECT idVenda FROM mov_Vendas WHERE nrMesa=42 AND pontoMesa=1"));
    ASSERT_FALSE(sale.isEmpty());
    EXPECT_EQ(h.db().value(QStringLiteral("SELECT COUNT(*) FROM mov_VendasItem WHERE idVenda=%1").arg(sale)),
              QStringLiteral("2"));
    // No payment was taken: the receipt details are all zeros.
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^0+$"))
            .match(h.db().value(QStringLiteral("SELECT recebimento FROM mov_Vendas WHERE idVenda=%1").arg(sale)))
            .hasMatch());
    // The receiving positions keep their shares, to be paid on their own.
    EXPECT_EQ(shares().size(), 3u);
}
