#include "FormHarness.h"
#include "ModalScript.h"
#include "Seed.h"
#include "platform/SqlProbe.h"
#include "platform/ui/Desk.h"

#include "DeskDriver.h"
#include "board/TableReader.h"
#include "board/forms/Detail.h"
#include "board/forms/MainForm.h"
#include "modules/Payment.h"
#include "platform/SharedRecords.h"
#include "platform/Sql.h"
#include "platform/ui/Keys.h"
#include "platform/ui/UiService.h"
#include "tables/ClosingService.h"
#include "tables/forms/OpenTable.h"
#include "ui_OpenTable.h"
#include "ui_Payment.h"

#include <QApplication>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

using namespace qv;
using namespace qv::test;

namespace {

// Stand-in for the payment module when the test is not about the dialog:
// checks what the closing hands over and answers like a paid module.
struct PaymentAnswer
{
    int calls = 0;
    bool pay = true;
    QString receipt = QStringLiteral("01").leftJustified(350, QLatin1Char(' '));
    std::uint64_t tipCents = 0;
    std::uint64_t serviceCents = 0;
    std::uint64_t dueSeen = 0;
    std::uint64_t percentSeen = 0;
    char flagSeen = 0;
    QString discountAreaSeen;
    std::function<void()> meanwhile;

    void install()
    {
        FormRegistry::instance().add(QStringLiteral("99-Fennoc"), [this](QWidget *) {
            ++calls;
            auto &link = records::L_LINK();
            flagSeen = link.at(312);
            dueSeen = link.digits(301, 11);
            discountAreaSeen = link.text(26, 6);
            percentSeen = records::W_TAB_TAXASER().digits();
            if (meanwhile)
                meanwhile();
            if (!pay) {
                link.setAt(312, ' ');
                return 0;
            }
            records::W_TAB_RECEBIM().setText(receipt);
            records::W_TAB_REPIQUE().setDigits(tipCents);
            records::W_TAB_SERVICO().setDigits(serviceCents);
            link.setAt(312, 'S');
            return 1;
        });
    }
};

void chooseIn(QComboBox *list, const QString &name)
{
    for (int i = 0; i < list->count(); ++i) {
        if (list->itemText(i).trimmed() == name) {
            list->setCurrentIndex(i);
            return;
        }
    }
    ADD_FAILURE() << "not listed: " << name.toStdString();
}

class CloseAccountTest : public ::testing::Test
{
protected:
    void SetUp() override { h.standardSession(); }
    void TearDown() override
    {
        registerPayment();
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }

    MainForm &start()
    {
        if (!m_started) {
            h.startOnDesk(1);
            m_started = true;
        }
        return h.form();
    }
    MainForm &show(int idMesa)
    {
        start();
        h.typeTable(QString::number(idMesa));
        EXPECT_EQ(h.form().currentTable(), idMesa);
        return h.form();
    }
    DeskDriver ui() { return DeskDriver(h.form()); }
    void key(int code) { h.form().pressKey(code); }
    // The table on show, blocked as the bill was printed, then F10.
    void blockAndClose()
    {
        if (ui().Bt_Bloqueio->text() == QLatin1String("BLOQUEIA MESA"))
            key(vk::kF2);
        ASSERT_EQ(ui().Bt_Bloqueio->text(), QStringLiteral("DESBLOQUEIA MESA"));
        key(vk::kF10);
    }

    QString value(const QString &sql) { return h.db().value(sql); }
    QString sales() { return value(QStringLiteral("SELECT COUNT(*) FROM mov_Vendas")); }
    QString items(int idMesa)
    {
        return value(QStringLiteral("SELECT COUNT(*) FROM mov_MesaItem WHERE idMesa=%1").arg(idMesa));
    }
    QString observations(int idMesa)
    {
        return value(QStringLiteral("SELECT COUNT(*) FROM mov_MesaItemObs WHERE idMesa=%1").arg(idMesa));
    }
    QString status(int idMesa)
    {
        return value(QStringLiteral("SELECT status FROM mov_Mesa WHERE idMesa=%1").arg(idMesa));
    }
    QString freeRow(int idMesa)
    {
        return value(
            QStringLiteral("SELECT CONCAT_WS('|',status,qtdPessoas,idGarcon,horaAbertura,idDesconto,descontoManual,"
                           "CONCAT('[',operDesc,']'),taxaServico,dividida) FROM mov_Mesa WHERE idMesa=%1")
                .arg(idMesa));
    }
    // The sale items, one line each, in sequence order.
    QString saleItems()
    {
        return value(QStringLiteral(
            "SELECT GROUP_CONCAT(CONCAT_WS('|',sequencia,idProduto,valorUnitario,idOperador,idDesconto,descontoManual,"
            "operDesc,viagem,cancelado,produzido,idMotivoCanc,idOpeCanc,idCozinheiro,minutosRetirada,minutosEntrega,"
            "operBaixa) ORDER BY sequencia SEPARATOR ';') FROM mov_VendasItem"));
    }
    void kitchen(qint64 idItem, int table, const char *ready, const char *collected, const char *delivered, int cook)
    {
        h.db().run(QStringLiteral("INSERT INTO mov_Cozinha(idItem,tipo,idPedMesa,hrPronto,idCozinheiro,baixaGarHora,"
                                  "hrEntrega) VALUES(%1,'M',%2,'%3',%4,'%5','%6')")
                       .arg(idItem)
                       .arg(table)
                       .arg(QLatin1String(ready))
                       .arg(cook)
                       .arg(QLatin1String(collected), QLatin1String(delivered)));
    }
    bool lastMessageIs(const QString &text, int style)
    {
        const auto &m = h.ui().messages;
        return !m.empty() && m.back().text == text && m.back().style == style;
    }

    FormHarness h;
    PaymentAnswer payment;

private:
    bool m_started = false;
};

QString businessDate()
{
    const QString ddmmyyyy = todayDDMMYYYY();
    return ddmmyyyy.mid(4, 4) + ddmmyyyy.mid(2, 2) + ddmmyyyy.left(2);
}

} // namespace

TEST_F(CloseAccountTest, TypicalTableEndToEnd)
{
    MainForm &f = start();
    const QString closedBefore = ui().Ds_MESAFEC->text();
    ASSERT_EQ(closedBefore, QStringLiteral("0"));

    // 1-2. Table 40/01 is free: opened on request through 99-AbreMesa.
    h.ui().answer(answer::kYes);
    ModalScript<OpenTable> opening(
        [](OpenTable &d) {
            QTest::keyClicks(d.ui().Ed_QTDEPES, QStringLiteral("3"));
            chooseIn(d.ui().Cb_Operador, QStringLiteral("JOAO PEREIRA"));
            QTest::mouseClick(d.ui().Bt_Gravar, Qt::LeftButton);
        },
        [](OpenTable &d) { return d.started(); });
    h.typeTable(QStringLiteral("4001"));
    ASSERT_TRUE(opening.ran());
    ASSERT_EQ(f.currentTable(), 4001);
    EXPECT_TRUE(h.texts().contains(QStringLiteral("Mesa fechada, abre ?")));
    EXPECT_EQ(freeRow(4001).left(6), QStringLiteral("A|3|4|"));
    const QString opened = value(QStringLiteral("SELECT horaAbertura FROM mov_Mesa WHERE idMesa=4001"));

    // 3. The waiter's terminal launches a hamburger with bacon and without
    // tomato, fries to take away and a soda that is then cancelled; the
    // kitchen prepares the dishes.
    const qint64 burger = addItem(h.db(), {4001, 112, "38.50"});
    addObservation(h.db(), burger, 4001, 2, 'C');
    addObservation(h.db(), burger, 4001, 5, 'S');
    const qint64 fries = addItem(h.db(), {4001, 201, "28.00", 'I', 0, 'S'});
    const qint64 soda = addItem(h.db(), {4001, 303, "7.00", 'C'});
    h.db().run(
        QStringLiteral("UPDATE mov_MesaItem SET idMotivoCanc=2,idOpeCanc=1,produzido='N' WHERE idItem=%1").arg(soda));
    kitchen(burger, 40, "20:10:00", "20:25:30", "20:40:00", 2);
    kitchen(fries, 40, "20:05:00", "00:00:00", "20:40:00", 3);
    f.reread();
    EXPECT_EQ(ui().Ds_TOTPROD->text(), QStringLiteral("70,50"));
    EXPECT_EQ(ui().Ds_VALOSER->text(), QStringLiteral("4,25"));
    EXPECT_EQ(ui().Ds_TOTMESA->text(), QStringLiteral("74,75"));

    // 4. The bill, in the name of the waiter who served it; the table is released.
    chooseIn(ui().Cb_Operador, QStringLiteral("ANTONIO SILVA"));
    f.requestBill();
    EXPECT_EQ(freeRow(4001).left(6), QStringLiteral("I|3|5|"));
    EXPECT_EQ(f.currentTable(), 0);

    // Blocked, then F10: the payment module takes 74,75 + a tip of 5,00 by
    // credit card and cash.
    h.typeTable(QStringLiteral("4001"));
    ASSERT_EQ(f.currentTable(), 4001);
    key(vk::kF2);
    EXPECT_EQ(status(4001), QStringLiteral("B"));
    ModalScript<PaymentDialog> paying([](PaymentDialog &d) {
        EXPECT_EQ(d.ui().Ds_VALOR->text(), QStringLiteral("74,75"));
        EXPECT_EQ(d.ui().Ds_TAXASER->text(), QStringLiteral("10,00"));
        EXPECT_FALSE(d.ui().Ed_SERVICO->isEnabled());
        QTest::keyClicks(d.ui().Ed_REPIQUE, QStringLiteral("5"));
        QTest::keyClick(d.ui().Ed_REPIQUE, Qt::Key_Return);
        QTest::keyClick(d.ui().Ed_VALOR, Qt::Key_F3);
        QTest::keyClicks(d.ui().Ed_VALOR, QStringLiteral("50"));
        QTest::keyClick(d.ui().Ed_VALOR, Qt::Key_Return);
        QTest::keyClick(d.ui().Ed_VALOR, Qt::Key_F1);
        QTest::keyClicks(d.ui().Ed_VALOR, QStringLiteral("40"));
        QTest::keyClick(d.ui().Ed_VALOR, Qt::Key_Return);
        EXPECT_EQ(d.ui().Lb_FALTA->text(), QStringLiteral("Troco"));
        EXPECT_EQ(d.ui().Ds_FALTA->text(), QStringLiteral("10,25"));
        QTest::keyClick(d.ui().Ed_VALOR, Qt::Key_F10);
    });
    key(vk::kF10);
    ASSERT_TRUE(paying.ran());
    EXPECT_FALSE(paying.leftOpen());

    // The sale.
    ASSERT_EQ(sales(), QStringLiteral("1"));
    EXPECT_EQ(value(QStringLiteral("SELECT CONCAT_WS('|',tipo,data,turno,nrCaixa,idCliente,nrSenha,nrMesa,pontoMesa,"
                                   "qtdPessoas,idGarcon,horaAbertura,valorRepique,valorProdutos,idDesconto,"
                                   "descontoManual,operDesc,valorServico,valorTotal,horaEntrega,cancelada,"
                                   "CONCAT('[',cpfCliente,']')) FROM mov_Vendas")),
              QStringLiteral("M|%1|2|1|0|0|40|1|3|5|%2|5.00|70.50|0|0.00||4.25|74.75|00:00:00|N|[]")
                  .arg(businessDate(), opened));
    const QString closedAt = value(QStringLiteral("SELECT horaFechamento FROM mov_Vendas"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d$")).match(closedAt).hasMatch())
        << closedAt.toStdString();
    EXPECT_EQ(value(QStringLiteral("SELECT LENGTH(recebimento) FROM mov_Vendas")), QStringLiteral("350"));
    EXPECT_EQ(value(QStringLiteral("SELECT LEFT(recebimento,59) FROM mov_Vendas")),
              QStringLiteral("02") + QStringLiteral("00000007975") + QStringLiteral("00000009000")
                  + QStringLiteral("00000001025") + QStringLiteral("300000005000") + QStringLiteral("100000004000"));

    // Its items in cursor order: the ready time is the table's latest
    // (20:10:00); the fries were never collected, so their wait to the
    // table runs from ready; the cancelled soda keeps reason and operator.
    EXPECT_EQ(saleItems(), QStringLiteral("1|112|38.50|4|0|0.00||N|N|N|0|0|2|15|14|;"
                                          "2|201|28.00|4|0|0.00||S|N|N|0|0|3|0|30|;"
                                          "3|303|7.00|4|0|0.00||N|S|N|2|1|0|0|0|"));
    EXPECT_EQ(value(QStringLiteral("SELECT GROUP_CONCAT(CONCAT_WS('|',o.idVenda=v.idVenda,sequencia,idObs,"
                                   "idItemOrigem,o.tipo) ORDER BY idObs SEPARATOR ';') FROM mov_VendasItemObs o, "
                                   "mov_Vendas v")),
              QStringLiteral("1|1|2|0|C;1|1|5|0|S"));

    // The position is free again and its items are gone.
    EXPECT_EQ(freeRow(4001), QStringLiteral("F|0|0|00:00:00|0|0.00|[]|0.00|N"));
    EXPECT_EQ(items(4001), QStringLiteral("0"));
    EXPECT_EQ(observations(4001), QStringLiteral("0"));

    // The board shows it free and counts the closing.
    EXPECT_EQ(f.currentTable(), 0);
    EXPECT_TRUE(ui().Ed_CODIMES->text().isEmpty());
    EXPECT_EQ(ui().Lv_Itens->topLevelItemCount(), 0);
    EXPECT_TRUE(DeskDriver(f).boardTimer()->isActive());
    h.settleBoard();
    EXPECT_EQ(ui().Ds_MESAFEC->text(), QStringLiteral("1"));
    EXPECT_EQ(records::L_LINK().at(312), 'S');
}

TEST_F(CloseAccountTest, F10OnATableNotBlockedShowsTheRefusalAndKeepsItOnShow)
{
    payment.install();
    show(1201);
    key(vk::kF10);
    EXPECT_TRUE(lastMessageIs(QStringLiteral("Mesa ainda não foi impressa !!!"), style::kInformation));
    EXPECT_EQ(h.ui().messages.size(), 1u);
    EXPECT_EQ(payment.calls, 0);
    EXPECT_EQ(h.form().currentTable(), 1201);
    EXPECT_EQ(ui().Bt_Bloqueio->text(), QStringLiteral("BLOQUEIA MESA"));
}

TEST_F(CloseAccountTest, F10OnAnEmptyPositionFreesItAndRebuildsTheBoard)
{
    payment.install();
    show(2101); // open, nothing ordered
    key(vk::kF10);
    EXPECT_EQ(status(2101), QStringLiteral("F"));
    EXPECT_EQ(payment.calls, 0);
    EXPECT_TRUE(h.ui().messages.empty()) << h.texts().join(QLatin1Char('|')).toStdString();
    // Released: nothing on show, the board asked for again.
    EXPECT_EQ(h.form().currentTable(), 0);
    EXPECT_TRUE(ui().Ed_CODIMES->text().isEmpty());
    EXPECT_TRUE(ui().Ed_CODIMES->hasFocus());
    EXPECT_TRUE(DeskDriver(h.form()).boardTimer()->isActive());
}

TEST_F(CloseAccountTest, AbandonedPaymentWritesNothing)
{
    show(1501);
    records::W_TAB_REPIQUE().setDigits(1234);
    ModalScript<PaymentDialog> leaving([](PaymentDialog &d) {
        QTest::keyClicks(d.ui().Ed_VALOR, QStringLiteral("50"));
        QTest::keyClick(d.ui().Ed_VALOR, Qt::Key_Return);
        QTest::keyClick(d.ui().Ed_VALOR, Qt::Key_Escape);
    });
    key(vk::kF10);
    ASSERT_TRUE(leaving.ran());
    EXPECT_FALSE(leaving.leftOpen());
    EXPECT_EQ(records::L_LINK().at(312), ' ');
    EXPECT_EQ(sales(), QStringLiteral("0"));
    EXPECT_EQ(items(1501), QStringLiteral("8"));
    EXPECT_EQ(status(1501), QStringLiteral("B"));
    EXPECT_EQ(h.form().currentTable(), 1501);
}

TEST_F(CloseAccountTest, PaymentModuleThatCannotOpenTakesNoPayment)
{
    FormRegistry::instance().remove(QStringLiteral("99-Fennoc"));
    show(1501);
    key(vk::kF10);
    EXPECT_TRUE(lastMessageIs(QStringLiteral("Formulário 99-Fennoc não encontrado !!!"), style::kStop));
    EXPECT_EQ(sales(), QStringLiteral("0"));
    EXPECT_EQ(status(1501), QStringLiteral("B"));
}

TEST_F(CloseAccountTest, F10OnASplitPositionWritesTheSaleWithoutThePaymentModuleAndReleases)
{
    payment.install();
    h.db().run(QStringLiteral("UPDATE mov_Mesa SET dividida='S',taxaServico=0 WHERE idMesa=1501"));
    show(1501);
    key(vk::kF10);
    EXPECT_EQ(payment.calls, 0);
    EXPECT_EQ(sales(), QStringLiteral("1"));
    EXPECT_TRUE(h.ui().messages.empty()) << h.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(h.form().currentTable(), 0);
    EXPECT_TRUE(ui().Ed_CODIMES->hasFocus());
    EXPECT_TRUE(DeskDriver(h.form()).boardTimer()->isActive());
}

TEST_F(CloseAccountTest, AFailedClosingShowsOneStopBoxAndTheConsoleAndKeepsTheTableBlockedOnShow)
{
    payment.install();
    show(1501);
    SqlTestProbe::on(desk::sql())
        .failNext("INSERT INTO mov_VendasItemObs VALUES(?,?,?,?,?)", QStringLiteral("23000"),
                  QStringLiteral("duplicate"));
    key(vk::kF10);
    ASSERT_EQ(payment.calls, 1);
    ASSERT_EQ(h.ui().messages.size(), 1u) << h.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(h.ui().messages[0].text, QStringLiteral("Erro 23000 gravando a venda (observações): nada foi gravado, "
                                                      "a mesa continua bloqueada !!!"));
    EXPECT_EQ(h.ui().messages[0].style, style::kStop);
    EXPECT_EQ(h.ui().consoleLines,
              QStringList({QString(40, QLatin1Char('-')), QStringLiteral("Mesa - Erro gravando Vendas_Item_Obs"),
                           QStringLiteral("23000"), QStringLiteral("duplicate")}));
    // Still on show, still blocked: the cashier can try again.
    EXPECT_EQ(h.form().currentTable(), 1501);
    EXPECT_EQ(ui().Bt_Bloqueio->text(), QStringLiteral("DESBLOQUEIA MESA"));

    key(vk::kF10);
    EXPECT_EQ(payment.calls, 2);
    EXPECT_EQ(sales(), QStringLiteral("1"));
    EXPECT_EQ(h.ui().messages.size(), 1u);
    EXPECT_EQ(h.form().currentTable(), 0);
}

TEST_F(CloseAccountTest, AnAccountClosedElsewhereDuringThePaymentIsToldAndTheDeskReleased)
{
    // While the payment is taken here, another cash desk closes the table.
    payment.meanwhile = [this] {
        h.db().run(QStringLiteral("UPDATE mov_Mesa SET status='F' WHERE idMesa=1501; "
                                  "DELETE FROM mov_MesaItem WHERE idMesa=1501"));
    };
    payment.install();
    show(1501);
    key(vk::kF10);
    ASSERT_EQ(payment.calls, 1);
    EXPECT_TRUE(lastMessageIs(QStringLiteral("Mesa já foi fechada em outro caixa !!!"), style::kStop));
    EXPECT_EQ(h.ui().messages.size(), 1u);
    EXPECT_EQ(h.form().currentTable(), 0);
    EXPECT_TRUE(DeskDriver(h.form()).boardTimer()->isActive());
}

TEST_F(CloseAccountTest, AnAccountClosedAtAnotherDeskIsToldBeforeThePayment)
{
    payment.install();
    show(1501);
    // Desk 1 closed it while this desk had it on show.
    h.db().run(
        QStringLiteral("UPDATE mov_Mesa SET status='F' WHERE idMesa=1501; DELETE FROM mov_MesaItem WHERE idMesa=1501"));
    key(vk::kF10);
    EXPECT_EQ(payment.calls, 0);
    EXPECT_TRUE(lastMessageIs(QStringLiteral("Mesa já foi fechada em outro caixa !!!"), style::kStop));
    EXPECT_EQ(sales(), QStringLiteral("0"));
    EXPECT_EQ(h.form().currentTable(), 0);
}

TEST_F(CloseAccountTest, WhileAnotherDeskTakesThePaymentF10IsRefusedBeforeTheModule)
{
    payment.install();
    show(1501);
    // Another desk, on its own connection, has the payment module open for
    // this account.
    Sql otherDesk;
    Sql::Connection c;
    c.socket = TestDatabase::socket();
    c.database = h.db().name();
    otherDesk.setConnection(c);
    ClosingService other(otherDesk, desk::session());
    TableReader reader(otherDesk, desk::session());
    const ShownTable there = reader.LERMESA(1501, false).table;
    ASSERT_EQ(other.prepare(there).then, ClosingService::Then::Pay);

    key(vk::kF10);
    EXPECT_EQ(payment.calls, 0);
    EXPECT_TRUE(h.texts().last().startsWith(QStringLiteral("Mesa em pagamento no caixa ")))
        << h.texts().last().toStdString();
    EXPECT_EQ(sales(), QStringLiteral("0"));
    EXPECT_EQ(h.form().currentTable(), 1501);

    // The other desk gives up: this one takes the payment, and giving it up
    // here ends this desk's claim too.
    ASSERT_TRUE(other.abandonPayment(there));
    payment.pay = false;
    key(vk::kF10);
    EXPECT_EQ(payment.calls, 1);
    EXPECT_EQ(value(QStringLiteral("SELECT COUNT(*) FROM mov_MesaCobranca")), QStringLiteral("0"));
    EXPECT_EQ(sales(), QStringLiteral("0"));
}

TEST_F(CloseAccountTest, ABillChangedSinceShownIsShownAgainBeforeThePayment)
{
    payment.install();
    show(1501);
    ASSERT_EQ(ui().Ds_TOTMESA->text(), QStringLiteral("190,08"));
    addItem(h.db(), {1501, 311, "6.00"});
    key(vk::kF10);
    EXPECT_EQ(payment.calls, 0);
    EXPECT_TRUE(lastMessageIs(QStringLiteral("Mesa foi alterada em outro terminal, confira a nova conta !!!"),
                              style::kInformation));
    // Read again: the current bill is on show and is what gets charged.
    EXPECT_EQ(h.form().currentTable(), 1501);
    EXPECT_EQ(ui().Ds_TOTMESA->text(), QStringLiteral("196,35"));
    key(vk::kF10);
    EXPECT_EQ(payment.calls, 1);
    EXPECT_EQ(payment.dueSeen, 19635u);
    EXPECT_EQ(value(QStringLiteral("SELECT valorTotal FROM mov_Vendas")), QStringLiteral("196.35"));
}

TEST_F(CloseAccountTest, AnItemLaunchedDuringThePaymentIsToldAndTheTableReadAgain)
{
    payment.meanwhile = [this] { addItem(h.db(), {1501, 311, "6.00"}); };
    payment.install();
    show(1501);
    key(vk::kF10);
    ASSERT_EQ(payment.calls, 1);
    EXPECT_TRUE(lastMessageIs(QStringLiteral("1 item lançado depois da conta ficou na mesa, que continua aberta !!!"),
                              style::kInformation));
    // Still on show, read again: open, with the item that stayed.
    EXPECT_EQ(h.form().currentTable(), 1501);
    EXPECT_EQ(ui().Lv_Itens->topLevelItemCount(), 1);
    EXPECT_EQ(ui().Bt_Bloqueio->text(), QStringLiteral("BLOQUEIA MESA"));
}
