#include "FormHarness.h"
#include "Seed.h"
#include "platform/SqlProbe.h"
#include "platform/ui/Desk.h"

#include "DeskDriver.h"
#include "board/forms/Detail.h"
#include "platform/Sql.h"

#include <QTest>

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::test;

namespace {

class DetailTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        h.standardSession();
        // Observations worth exactly what the examples need.
        h.db().run(QStringLiteral("INSERT INTO tab_Observacao VALUES(501,'Queijo extra',2.00,0,0,0,0,0),"
                                  "(502,'Cebola',0,0.50,0,0,0,0),(503,'Embrulhar',0,0,0.25,0,0,0)"));
    }
    MainForm &show(const QString &table) { return h.showTable(table); }
    // The table with 100.00 of products, 10 % table discount, 5.00 manual
    // discount, 10 % service and 4 people.
    void hundredTable(int idMesa, bool takeAway)
    {
        setPosition(h.db(), idMesa, 'A', 4);
        addItem(h.db(), {idMesa, 112, "50.00"});
        addItem(h.db(), {idMesa, 201, "30.00"});
        ItemSpec last{idMesa, 113, "20.00"};
        last.takeAway = takeAway ? 'S' : 'N';
        addItem(h.db(), last);
        h.db().run(QStringLiteral("UPDATE mov_Mesa SET idDesconto=1,descontoManual=5.00,operDesc='MARIANA SOUZA' "
                                  "WHERE idMesa=%1")
                       .arg(idMesa));
    }
    QString field(QLineEdit *edit) { return edit->text(); }

    FormHarness h;
};

} // namespace

TEST_F(DetailTest, TotalsOfTheWorkedExample)
{
    hundredTable(4201, false);
    MainForm &f = show(QStringLiteral("4201"));
    const DeskDriver ui(f);
    EXPECT_EQ(ui.Ds_TOTITENS->text(), QStringLiteral("3"));
    EXPECT_EQ(ui.Ds_TOTPROD->text(), QStringLiteral("100,00"));
    EXPECT_EQ(ui.Ds_PERCDES->text(), QStringLiteral("10,00"));
    EXPECT_EQ(ui.Ds_VALODES->text(), QStringLiteral("10,00"));
    EXPECT_EQ(ui.Ed_DESCMANT->text(), QStringLiteral("5,00"));
    EXPECT_EQ(ui.Ds_SUBTOTA->text(), QStringLiteral("85,00"));
    EXPECT_EQ(ui.Ds_TAXASER->text(), QStringLiteral("10,00"));
    EXPECT_EQ(ui.Ds_VALOSER->text(), QStringLiteral("9,00"));
    EXPECT_EQ(ui.Ds_TOTMESA->text(), QStringLiteral("94,00"));
    EXPECT_EQ(ui.Ed_VALOPES->text(), QStringLiteral("23,50"));
    EXPECT_EQ(ui.Ds_CODIDES->text(), QStringLiteral("1"));
    EXPECT_EQ(ui.Ds_OPERDES->text(), QStringLiteral("MARIANA SOUZA"));
    EXPECT_EQ(ui.Bt_Bloqueio->text(), QStringLiteral("BLOQUEIA MESA"));
    EXPECT_EQ(ui.Bt_SERVICO->text(), QStringLiteral("EXCLUIR SERVIÇO"));
}

TEST_F(DetailTest, TakeAwayIsNeverChargedService)
{
    hundredTable(4301, true);
    MainForm &f = show(QStringLiteral("4301"));
    const DeskDriver ui(f);
    EXPECT_EQ(ui.Ds_TOTVIAG->text(), QStringLiteral("20,00"));
    EXPECT_EQ(ui.Ds_VIAGLIQ->text(), QStringLiteral("18,00"));
    EXPECT_EQ(ui.Ds_VALOSER->text(), QStringLiteral("7,20"));
    EXPECT_EQ(ui.Ds_TOTMESA->text(), QStringLiteral("92,20"));
    // The take-away item shows its name up to the first double blank.
    bool found = false;
    for (int i = 0; i < ui.Lv_Itens->topLevelItemCount(); ++i)
        found |= ui.Lv_Itens->topLevelItem(i)->text(2).endsWith(QStringLiteral(" - VIAGEM"));
    EXPECT_TRUE(found);
}

TEST_F(DetailTest, OddCentsAreCutAndTotalsKeepFourDecimals)
{
    setPosition(h.db(), 4401, 'A', 3, 4, "10.00");
    ItemSpec a{4401, 112, "10.05"};
    a.discount = 3; // 15 %
    addItem(h.db(), a);
    ItemSpec b{4401, 201, "33.33"};
    addItem(h.db(), b);
    h.db().run(QStringLiteral("UPDATE mov_Mesa SET idDesconto=4 WHERE idMesa=4401")); // 12.5 %
    MainForm &f = show(QStringLiteral("4401"));
    const DeskDriver ui(f);
    EXPECT_EQ(ui.Lv_Itens->topLevelItem(0)->text(3), QStringLiteral("8,54"));
    // 41.87 × 12.5 % = 5.233750 → shown 5,23; subtotal 36.6363 → 36,63;
    // service 3.6636 → 3,66; total 40.2999 → 40,29 (never rounded up).
    EXPECT_EQ(ui.Ds_TOTPROD->text(), QStringLiteral("41,87"));
    EXPECT_EQ(ui.Ds_VALODES->text(), QStringLiteral("5,23"));
    EXPECT_EQ(ui.Ds_SUBTOTA->text(), QStringLiteral("36,63"));
    EXPECT_EQ(ui.Ds_VALOSER->text(), QStringLiteral("3,66"));
    EXPECT_EQ(ui.Ds_TOTMESA->text(), QStringLiteral("40,29"));
    EXPECT_EQ(f.shown().totals.tableTotal, *Decimal::parse("40.2999"));
    EXPECT_EQ(ui.Ed_VALOPES->text(), QStringLiteral("13,43"));
    // Only the undiscounted main course counts as principal.
    EXPECT_EQ(ui.Ds_TOTPRIN->text(), QStringLiteral("0,00"));
}

TEST_F(DetailTest, ObservationsAdjustThePriceAndShowOnRequest)
{
    setPosition(h.db(), 4501, 'A', 0);
    const qint64 item = addItem(h.db(), {4501, 112, "10.00"});
    addObservation(h.db(), item, 4501, 501, 'C');
    addObservation(h.db(), item, 4501, 502, 'S');
    addObservation(h.db(), item, 4501, 503, 'O');
    MainForm &f = show(QStringLiteral("4501"));
    const DeskDriver ui(f);
    ASSERT_EQ(ui.Lv_Itens->topLevelItemCount(), 1);
    EXPECT_EQ(ui.Lv_Itens->topLevelItem(0)->text(1), QStringLiteral("*"));
    EXPECT_EQ(ui.Lv_Itens->topLevelItem(0)->text(3), QStringLiteral("11,75"));
    EXPECT_TRUE(ui.Ed_VALOPES->text().isEmpty()); // nobody at the table

    // F7 lists the observation rows under the item.
    QTest::keyClick(ui.Ed_CODIMES, Qt::Key_F7);
    EXPECT_EQ(ui.Bt_MOSTRA->text(), QStringLiteral("NÃO MOSTRA OBS"));
    ASSERT_EQ(ui.Lv_Itens->topLevelItemCount(), 4);
    EXPECT_EQ(ui.Lv_Itens->topLevelItem(1)->text(0), QStringLiteral("0"));
    EXPECT_EQ(ui.Lv_Itens->topLevelItem(1)->text(2), QStringLiteral("  -> Com Queijo extra        "));
    EXPECT_EQ(ui.Lv_Itens->topLevelItem(2)->text(2), QStringLiteral("  -> Sem Cebola              "));
    EXPECT_EQ(ui.Lv_Itens->topLevelItem(3)->text(2), QStringLiteral("  -> Embrulhar           "));
    EXPECT_EQ(ui.Ds_TOTITENS->text(), QStringLiteral("1"));
    QTest::keyClick(ui.Ed_CODIMES, Qt::Key_F7);
    EXPECT_EQ(ui.Lv_Itens->topLevelItemCount(), 1);
}

TEST_F(DetailTest, ConsolidatedListGroupsByProductAndPrice)
{
    setPosition(h.db(), 4601, 'A');
    addItem(h.db(), {4601, 201, "30.00"});
    addItem(h.db(), {4601, 201, "30.00"});
    ItemSpec discounted{4601, 201, "30.00"};
    discounted.discount = 1;
    addItem(h.db(), discounted);
    addItem(h.db(), {4601, 201, "30.00", 'C'}); // cancelled: neither listed nor summed
    MainForm &f = show(QStringLiteral("4601"));
    auto *consol = DeskDriver(f).Lv_Consol;
    ASSERT_EQ(consol->topLevelItemCount(), 2);
    EXPECT_EQ(consol->topLevelItem(0)->text(1), QStringLiteral("1"));
    EXPECT_EQ(consol->topLevelItem(0)->text(2), QStringLiteral("27,00"));
    EXPECT_EQ(consol->topLevelItem(1)->text(1), QStringLiteral("2"));
    EXPECT_EQ(consol->topLevelItem(1)->text(3), QStringLiteral("60,00"));
    EXPECT_EQ(DeskDriver(f).Ds_TOTPROD->text(), QStringLiteral("87,00"));
}

TEST_F(DetailTest, ItemsWithoutTicketComeLast)
{
    setPosition(h.db(), 4701, 'A');
    ItemSpec late{4701, 112, "1.00"};
    addItem(h.db(), late); // 999999
    ItemSpec early{4701, 201, "2.00"};
    early.comanda = 1500;
    addItem(h.db(), early);
    MainForm &f = show(QStringLiteral("4701"));
    EXPECT_EQ(DeskDriver(f).Lv_Itens->topLevelItem(0)->text(5), QStringLiteral("1500"));
    EXPECT_EQ(DeskDriver(f).Lv_Itens->topLevelItem(1)->text(5), QStringLiteral("999999"));
}

TEST_F(DetailTest, TimeOpenAcrossMidnightCountsForward)
{
    // Opened ten minutes "after" the server's clock: that is yesterday.
    setPosition(h.db(), 4801, 'A');
    h.db().run(QStringLiteral("UPDATE mov_Mesa SET horaAbertura=TIME_FORMAT(SEC_TO_TIME(MOD(TIME_TO_SEC(CURTIME())"
                              "+600,86400)),'%H:%i:%s') WHERE idMesa=4801"));
    MainForm &f = show(QStringLiteral("4801"));
    const QString shown = DeskDriver(f).Ds_PERMANE->text();
    EXPECT_TRUE(shown == QStringLiteral("23h 50m") || shown == QStringLiteral("23h 51m")) << shown.toStdString();
    // The minute timer does the same from the text of Ds_HORAABE.
    DeskDriver(f).Ds_PERMANE->clear();
    DeskDriver(f).timeOpenTimer()->timeout({});
    EXPECT_EQ(DeskDriver(f).Ds_PERMANE->text().left(3), QStringLiteral("23h"));
    EXPECT_EQ(DeskDriver(f).timeOpenTimer()->interval(), 60000);
}

TEST_F(DetailTest, WaiterFurtherDownTheListIsNoAlarm)
{
    for (int code = 41; code <= 70; ++code)
        h.db().run(
            QStringLiteral("INSERT INTO tab_Operador(idOperador,nome,situacao) VALUES(%1,'GARCOM %1','A')").arg(code));
    setPosition(h.db(), 4901, 'A', 2, 65);
    setPosition(h.db(), 5001, 'A', 2, 10); // operator 10 left the list ('E')
    MainForm &f = show(QStringLiteral("4901"));
    EXPECT_TRUE(h.ui().messages.empty()) << h.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(DeskDriver(f).Cb_Operador->currentText(), QStringLiteral("GARCOM 65").leftJustified(20));
    EXPECT_EQ(DeskDriver(f).Ds_NOMEGAR->text(), QStringLiteral("GARCOM 65"));

    h.typeTable(QStringLiteral("5001"));
    ASSERT_EQ(h.ui().messages.size(), 1u);
    EXPECT_EQ(h.ui().messages[0].text, QStringLiteral("Atenção, erro no nome do Garçon, reinicie seu computador !!!"));
    EXPECT_EQ(f.currentTable(), 5001); // the reading goes on
}

TEST_F(DetailTest, FreeTableAsksAndNoLeavesNothingShown)
{
    MainForm &f = show(QStringLiteral("1201"));
    ASSERT_EQ(f.currentTable(), 1201);
    h.typeTable(QStringLiteral("1301"));
    ASSERT_EQ(h.ui().messages.size(), 1u);
    EXPECT_EQ(h.ui().messages[0].text, QStringLiteral("Mesa fechada, abre ?"));
    EXPECT_EQ(h.ui().messages[0].style, style::kAsk);
    EXPECT_EQ(f.currentTable(), 0);
    EXPECT_TRUE(DeskDriver(f).Ed_CODIMES->text().isEmpty());
    EXPECT_EQ(DeskDriver(f).Lv_Itens->topLevelItemCount(), 0);
}

TEST_F(DetailTest, BlockedTableAndServiceCaptions)
{
    MainForm &f = show(QStringLiteral("1501"));
    EXPECT_EQ(DeskDriver(f).Bt_Bloqueio->text(), QStringLiteral("DESBLOQUEIA MESA"));
    h.typeTable(QStringLiteral("2501")); // no service fee
    EXPECT_EQ(DeskDriver(f).Bt_Bloqueio->text(), QStringLiteral("BLOQUEIA MESA"));
    EXPECT_EQ(DeskDriver(f).Bt_SERVICO->text(), QStringLiteral("INCLUIR SERVIÇO"));
    EXPECT_EQ(DeskDriver(f).Ds_VALOSER->text(), QStringLiteral("0,00"));
}

TEST_F(DetailTest, ItemReadFailureClosesTheForm)
{
    MainForm &f = show(QStringLiteral("1201"));
    SqlTestProbe::on(desk::sql()).failNext("FETCH CUR2");
    h.typeTable(QStringLiteral("0301"));
    EXPECT_EQ(h.texts().last(), QStringLiteral("Erro na leitura do cursor (ITENS) !!!"));
    EXPECT_TRUE(f.closedDown());
}
