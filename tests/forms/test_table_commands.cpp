#include "FormHarness.h"
#include "Seed.h"
#include "platform/SqlProbe.h"
#include "platform/ui/Desk.h"

#include "DeskDriver.h"
#include "board/forms/Detail.h"
#include "board/forms/MainForm.h"
#include "modules/DiscountSearch.h"
#include "platform/SharedRecords.h"
#include "platform/Sql.h"
#include "platform/ui/Keys.h"
#include "platform/ui/UiService.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::test;

namespace {

// Demo table 12/01: open, 2 people, waiter 8, fee 10 %; a hamburger with
// bacon (42,50), fries (28,00) and a soda (6,50): 77,00 of products, fee
// 7,70, total 84,70.
constexpr int kOpenTable = 1201;

class TableCommandsTest : public ::testing::Test
{
protected:
    void SetUp() override { h.standardSession(); }
    void TearDown() override
    {
        registerDiscountSearch();
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }

    MainForm &show(int idMesa)
    {
        if (!m_started) {
            h.startOnDesk(1);
            m_started = true;
        }
        h.typeTable(QString::number(idMesa));
        EXPECT_EQ(h.form().currentTable(), idMesa);
        return h.form();
    }
    DeskDriver ui() { return DeskDriver(h.form()); }
    void key(int code) { h.form().pressKey(code); }

    // Types into a field of the main form as the cashier does.
    void type(QLineEdit *field, const QString &text)
    {
        h.form().activateWindow();
        (void)QTest::qWaitForWindowActive(&h.form(), 2000);
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, text);
    }

    // status|qtdPessoas|idGarcon|idDesconto|descontoManual|operDesc|taxaServico|dividida
    QString row(int idMesa)
    {
        return h.db().value(QStringLiteral("SELECT CONCAT_WS('|',status,qtdPessoas,idGarcon,idDesconto,descontoManual,"
                                           "operDesc,taxaServico,dividida) FROM mov_Mesa WHERE idMesa=%1")
                                .arg(idMesa));
    }
    QString column(int idMesa, const char *name)
    {
        return h.db().value(
            QStringLiteral("SELECT %1 FROM mov_Mesa WHERE idMesa=%2").arg(QLatin1String(name)).arg(idMesa));
    }
    void chooseWaiter(const QString &name)
    {
        QComboBox *list = ui().Cb_Operador;
        for (int i = 0; i < list->count(); ++i) {
            if (list->itemText(i).trimmed() == name) {
                list->setCurrentIndex(i);
                return;
            }
        }
        ADD_FAILURE() << "waiter not listed: " << name.toStdString();
    }
    // Stands in for the discount search: answers `code` and counts calls.
    void discountSearchAnswers(const QString &code)
    {
        FormRegistry::instance().add(QStringLiteral("99-Lissor"), [this, code](QWidget *) {
            ++searches;
            EXPECT_EQ(records::L_LINK().text(26, 6), QStringLiteral("000000"));
            records::L_LINK().setText(26, 6, code);
            return 1;
        });
    }
    bool lastMessageIs(const QString &text, int style)
    {
        const auto &m = h.ui().messages;
        return !m.empty() && m.back().text == text && m.back().style == style;
    }

    FormHarness h;
    int searches = 0;

private:
    bool m_started = false;
};

} // namespace

TEST_F(TableCommandsTest, PeopleCountIsStoredWhenTheFieldIsLeft)
{
    show(kOpenTable);
    EXPECT_EQ(ui().Ed_QTDEPES->text(), QStringLiteral("2"));
    EXPECT_EQ(ui().Ed_VALOPES->text(), QStringLiteral("42,35"));

    type(ui().Ed_QTDEPES, QStringLiteral("4"));
    QTest::keyClick(ui().Ed_QTDEPES, Qt::Key_Tab);
    EXPECT_EQ(column(kOpenTable, "qtdPessoas"), QStringLiteral("4"));
    // Stored at once, and the value per person follows at once: 84,70 / 4.
    EXPECT_EQ(ui().Ed_VALOPES->text(), QStringLiteral("21,17"));
    EXPECT_EQ(QApplication::focusWidget(), ui().Ed_CODIMES);

    type(ui().Ed_QTDEPES, QStringLiteral("3"));
    QTest::keyClick(ui().Ed_QTDEPES, Qt::Key_Return);
    EXPECT_EQ(column(kOpenTable, "qtdPessoas"), QStringLiteral("3"));
    EXPECT_EQ(ui().Ed_VALOPES->text(), QStringLiteral("28,23"));
    EXPECT_EQ(h.form().shown().people(), 3);

    // Only letters or more than three digits never get in.
    type(ui().Ed_QTDEPES, QStringLiteral("a12345"));
    EXPECT_EQ(ui().Ed_QTDEPES->text(), QStringLiteral("123"));

    // Passing through the field without typing writes nothing: a count
    // another terminal stored meanwhile stays.
    h.db().run(QStringLiteral("UPDATE mov_Mesa SET qtdPessoas=7 WHERE idMesa=1201"));
    h.form().reread();
    h.db().run(QStringLiteral("UPDATE mov_Mesa SET qtdPessoas=9 WHERE idMesa=1201"));
    ui().Ed_QTDEPES->setFocus();
    QTest::keyClick(ui().Ed_QTDEPES, Qt::Key_Tab);
    EXPECT_EQ(column(kOpenTable, "qtdPessoas"), QStringLiteral("9"));
    EXPECT_TRUE(h.ui().messages.empty()) << h.texts().join(QLatin1Char('|')).toStdString();
}

TEST_F(TableCommandsTest, PeopleCountNeverLandsOnAnotherTable)
{
    show(kOpenTable);
    // A number typed but not read yet is not the table on show.
    ui().Ed_CODIMES->setText(QStringLiteral("1801"));
    ui().Ed_QTDEPES->setText(QStringLiteral("8"));
    ui().Ed_QTDEPES->setModified(true);
    QTest::keyClick(ui().Ed_QTDEPES, Qt::Key_Return);
    EXPECT_EQ(column(1801, "qtdPessoas"), QStringLiteral("2"));
    EXPECT_EQ(column(kOpenTable, "qtdPessoas"), QStringLiteral("2"));
}

TEST_F(TableCommandsTest, BlockingFollowsTheCaptionAndReopensTheTable)
{
    // Bill requested ('I'): blocking stores 'B'.
    show(1801);
    EXPECT_EQ(ui().Bt_Bloqueio->text(), QStringLiteral("BLOQUEIA MESA"));
    key(vk::kF2);
    EXPECT_EQ(column(1801, "status"), QStringLiteral("B"));
    EXPECT_EQ(ui().Bt_Bloqueio->text(), QStringLiteral("DESBLOQUEIA MESA"));
    key(vk::kInsert);
    EXPECT_TRUE(lastMessageIs(QStringLiteral("Mesa Bloqueada !!!"), style::kInformation));

    // Split elsewhere after this reading: unblocking would end a split the
    // cashier has not seen, so it is refused and the table read again.
    h.db().run(QStringLiteral("UPDATE mov_Mesa SET dividida='S' WHERE idMesa=1801"));
    key(vk::kF2);
    EXPECT_TRUE(lastMessageIs(QStringLiteral("Conta da mesa foi dividida em outro caixa, confira a mesa !!!"),
                              style::kInformation));
    EXPECT_EQ(column(1801, "status"), QStringLiteral("B"));
    EXPECT_EQ(column(1801, "dividida"), QStringLiteral("S"));

    // Unblocking the split shown reopens it as 'A' and ends the split.
    key(vk::kF2);
    EXPECT_EQ(column(1801, "status"), QStringLiteral("A"));
    EXPECT_EQ(column(1801, "dividida"), QStringLiteral("N"));
    EXPECT_EQ(ui().Bt_Bloqueio->text(), QStringLiteral("BLOQUEIA MESA"));

    // No table: nothing happens.
    key(vk::kEscape);
    key(vk::kF2);
    EXPECT_EQ(column(1801, "status"), QStringLiteral("A"));
}

TEST_F(TableCommandsTest, AFailedWriteIsReportedAndTheTableShowsWhatIsStored)
{
    show(kOpenTable);
    SqlTestProbe::on(desk::sql()).failNext("UPDATE mov_Mesa SET status='B'WHERE idMesa=?");
    key(vk::kF2);
    EXPECT_TRUE(lastMessageIs(QStringLiteral("Erro HY000 gravando o bloqueio da mesa !!!"), style::kStop));
    EXPECT_EQ(column(kOpenTable, "status"), QStringLiteral("A"));
    EXPECT_EQ(ui().Bt_Bloqueio->text(), QStringLiteral("BLOQUEIA MESA"));

    // The fee switch shows again what is charged when it could not store.
    SqlTestProbe::on(desk::sql()).failNext("UPDATE mov_Mesa SET taxaServico=? WHERE idMesa=?");
    key(vk::kF8);
    EXPECT_TRUE(lastMessageIs(QStringLiteral("Erro HY000 gravando a taxa de serviço !!!"), style::kStop));
    EXPECT_EQ(column(kOpenTable, "taxaServico"), QStringLiteral("10.00"));
    EXPECT_EQ(ui().Bt_SERVICO->text(), QStringLiteral("EXCLUIR SERVIÇO"));
    EXPECT_EQ(ui().Ds_TOTMESA->text(), QStringLiteral("84,70"));
}

TEST_F(TableCommandsTest, BillRequestRecordsTheChosenWaiterAndReleasesTheTable)
{
    // A second operator with the same name, loaded after JOAO PEREIRA (4).
    h.db().run(QStringLiteral("INSERT INTO tab_Operador(idOperador,nome,situacao) VALUES(30,'JOAO PEREIRA','A')"));
    show(kOpenTable);
    chooseWaiter(QStringLiteral("ANTONIO SILVA"));
    h.form().requestBill();
    EXPECT_EQ(row(kOpenTable), QStringLiteral("I|2|5|0|0.00||10.00|N"));
    EXPECT_EQ(h.form().currentTable(), 0);
    EXPECT_TRUE(ui().Ed_CODIMES->text().isEmpty());
    EXPECT_EQ(ui().Lv_Itens->topLevelItemCount(), 0);
    EXPECT_TRUE(DeskDriver(h.form()).boardTimer()->isActive());

    // The later of two equal names wins.
    show(kOpenTable);
    chooseWaiter(QStringLiteral("JOAO PEREIRA"));
    h.form().requestBill();
    EXPECT_EQ(column(kOpenTable, "idGarcon"), QStringLiteral("30"));

    // No name chosen: the waiter stays, the bill is still requested.
    h.db().run(QStringLiteral("UPDATE mov_Mesa SET status='A' WHERE idMesa=1201"));
    show(kOpenTable);
    ui().Cb_Operador->setCurrentIndex(-1);
    h.form().requestBill();
    EXPECT_EQ(row(kOpenTable), QStringLiteral("I|2|30|0|0.00||10.00|N"));
    EXPECT_TRUE(h.ui().messages.empty()) << h.texts().join(QLatin1Char('|')).toStdString();
}

TEST_F(TableCommandsTest, BillRequestThatCannotBeStoredKeepsTheTableOnShow)
{
    show(kOpenTable);
    chooseWaiter(QStringLiteral("ANTONIO SILVA"));
    SqlTestProbe::on(desk::sql()).failNext("UPDATE mov_Mesa SET status='I'WHERE idMesa=?");
    h.form().requestBill();
    EXPECT_TRUE(lastMessageIs(QStringLiteral("Erro HY000 gravando o pedido de conta !!!"), style::kStop));
    // Waiter and mark go together: neither was stored.
    EXPECT_EQ(row(kOpenTable), QStringLiteral("A|2|8|0|0.00||10.00|N"));
    EXPECT_EQ(h.form().currentTable(), kOpenTable);
}

TEST_F(TableCommandsTest, TableDiscountFromTheDiscountSearch)
{
    discountSearchAnswers(QStringLiteral("000105"));
    show(kOpenTable);
    key(vk::kF4);
    EXPECT_EQ(searches, 1);
    EXPECT_EQ(row(kOpenTable), QStringLiteral("A|2|8|5|0.00|MARIANA SOUZA|10.00|N"));
    EXPECT_EQ(ui().Ds_CODIDES->text(), QStringLiteral("5"));
    EXPECT_EQ(ui().Ds_OPERDES->text(), QStringLiteral("MARIANA SOUZA"));
    EXPECT_EQ(ui().Ds_PERCDES->text(), QStringLiteral("5,00"));
    EXPECT_EQ(ui().Ds_VALODES->text(), QStringLiteral("3,85"));

    // Nothing chosen: the discount goes, the operator is still recorded.
    h.db().run(QStringLiteral("UPDATE mov_Mesa SET operDesc='ROBERTO LIMA' WHERE idMesa=1201"));
    discountSearchAnswers(QStringLiteral("000000"));
    key(vk::kF4);
    EXPECT_EQ(row(kOpenTable), QStringLiteral("A|2|8|0|0.00|MARIANA SOUZA|10.00|N"));
    EXPECT_EQ(ui().Ds_PERCDES->text(), QStringLiteral("0,00"));

    // A table without products: no search at all.
    show(2101);
    key(vk::kF4);
    EXPECT_EQ(searches, 2);

    // A blocked table still takes a discount.
    discountSearchAnswers(QStringLiteral("000001"));
    show(1501);
    key(vk::kF4);
    EXPECT_EQ(searches, 3);
    EXPECT_EQ(column(1501, "idDesconto"), QStringLiteral("1"));
}

TEST_F(TableCommandsTest, DiscountSearchThatCannotOpenKeepsTheDiscount)
{
    show(1501); // table discount 5, by MARIANA SOUZA
    h.db().run(QStringLiteral("UPDATE mov_Mesa SET operDesc='ROBERTO LIMA' WHERE idMesa=1501"));
    FormRegistry::instance().remove(QStringLiteral("99-Lissor"));
    key(vk::kF4);
    EXPECT_TRUE(lastMessageIs(QStringLiteral("Formulário 99-Lissor não encontrado !!!"), style::kStop));
    EXPECT_EQ(column(1501, "idDesconto"), QStringLiteral("5"));
    EXPECT_EQ(column(1501, "operDesc"), QStringLiteral("ROBERTO LIMA"));
}

TEST_F(TableCommandsTest, ManualDiscountConfirmedFromItsField)
{
    show(kOpenTable);
    type(ui().Ed_DESCMANT, QStringLiteral("7,50"));
    QTest::keyClick(ui().Ed_DESCMANT, Qt::Key_Return);
    EXPECT_EQ(column(kOpenTable, "descontoManual"), QStringLiteral("7.50"));
    EXPECT_EQ(ui().Ed_DESCMANT->text(), QStringLiteral("7,50"));
    EXPECT_EQ(ui().Ds_SUBTOTA->text(), QStringLiteral("69,50"));
    // The fee is charged before the manual discount.
    EXPECT_EQ(ui().Ds_VALOSER->text(), QStringLiteral("7,70"));
    EXPECT_EQ(ui().Ds_TOTMESA->text(), QStringLiteral("77,20"));

    // Leaving the field confirms too; thousands may be grouped (on a bill
    // that large).
    addItem(h.db(), {kOpenTable, 112, "990.00"});
    h.form().reread();
    ASSERT_EQ(ui().Ds_SUBTOTA->text(), QStringLiteral("1.059,50"));
    type(ui().Ed_DESCMANT, QStringLiteral("1.000,25"));
    QTest::keyClick(ui().Ed_DESCMANT, Qt::Key_Tab);
    EXPECT_EQ(column(kOpenTable, "descontoManual"), QStringLiteral("1000.25"));

    type(ui().Ed_DESCMANT, QStringLiteral("0"));
    QTest::keyClick(ui().Ed_DESCMANT, Qt::Key_Return);
    EXPECT_EQ(column(kOpenTable, "descontoManual"), QStringLiteral("0.00"));
    EXPECT_TRUE(h.ui().messages.empty()) << h.texts().join(QLatin1Char('|')).toStdString();
}

TEST_F(TableCommandsTest, ManualDiscountThatDoesNotFitIsRefused)
{
    show(kOpenTable);
    type(ui().Ed_DESCMANT, QStringLiteral("5"));
    QTest::keyClick(ui().Ed_DESCMANT, Qt::Key_Return);
    ASSERT_EQ(column(kOpenTable, "descontoManual"), QStringLiteral("5.00"));

    // Cut to its low-order digits it would be 23456,78: refused whole.
    type(ui().Ed_DESCMANT, QStringLiteral("123456,78"));
    QTest::keyClick(ui().Ed_DESCMANT, Qt::Key_Return);
    EXPECT_TRUE(lastMessageIs(QStringLiteral("Desconto inválido !!!"), style::kInformation));
    EXPECT_EQ(column(kOpenTable, "descontoManual"), QStringLiteral("5.00"));
    EXPECT_EQ(ui().Ed_DESCMANT->text(), QStringLiteral("5,00"));

    // Not an amount, or a negative one: refused the same way.
    for (const char *typed : {"abc", "-3,00", "5,0,0"}) {
        const std::size_t before = h.ui().messages.size();
        type(ui().Ed_DESCMANT, QString::fromLatin1(typed));
        QTest::keyClick(ui().Ed_DESCMANT, Qt::Key_Tab);
        EXPECT_EQ(h.ui().messages.size(), before + 1) << typed;
        EXPECT_TRUE(lastMessageIs(QStringLiteral("Desconto inválido !!!"), style::kInformation)) << typed;
        EXPECT_EQ(column(kOpenTable, "descontoManual"), QStringLiteral("5.00")) << typed;
    }

    // Above the products (77,00): the bill would go below zero. The
    // stored discount stays and shows again.
    for (const char *typed : {"77,01", "99999,99"}) {
        type(ui().Ed_DESCMANT, QString::fromLatin1(typed));
        QTest::keyClick(ui().Ed_DESCMANT, Qt::Key_Return);
        EXPECT_TRUE(lastMessageIs(QStringLiteral("Desconto inválido !!!"), style::kInformation)) << typed;
        EXPECT_EQ(column(kOpenTable, "descontoManual"), QStringLiteral("5.00")) << typed;
        EXPECT_EQ(ui().Ed_DESCMANT->text(), QStringLiteral("5,00")) << typed;
        EXPECT_EQ(ui().Ds_SUBTOTA->text(), QStringLiteral("72,00")) << typed;
    }
    type(ui().Ed_DESCMANT, QStringLiteral("77,00"));
    QTest::keyClick(ui().Ed_DESCMANT, Qt::Key_Return);
    EXPECT_EQ(column(kOpenTable, "descontoManual"), QStringLiteral("77.00"));
    EXPECT_EQ(ui().Ds_SUBTOTA->text(), QStringLiteral("0,00"));

    // No table shown: no row is touched.
    key(vk::kEscape);
    type(ui().Ed_DESCMANT, QStringLiteral("1"));
    QTest::keyClick(ui().Ed_DESCMANT, Qt::Key_Return);
    EXPECT_EQ(h.db().value(QStringLiteral("SELECT COUNT(*) FROM mov_Mesa WHERE descontoManual=1")),
              QStringLiteral("0"));
}

TEST_F(TableCommandsTest, ServiceFeeSwitchedOffAndOn)
{
    show(kOpenTable);
    EXPECT_EQ(ui().Bt_SERVICO->text(), QStringLiteral("EXCLUIR SERVIÇO"));
    key(vk::kF8);
    EXPECT_EQ(ui().Bt_SERVICO->text(), QStringLiteral("INCLUIR SERVIÇO"));
    EXPECT_EQ(ui().Ds_TAXASER->text(), QStringLiteral("0,00"));
    EXPECT_EQ(ui().Ds_VALOSER->text(), QStringLiteral("0,00"));
    EXPECT_EQ(ui().Ds_TOTMESA->text(), QStringLiteral("77,00"));
    EXPECT_EQ(ui().Ed_VALOPES->text(), QStringLiteral("38,50"));
    EXPECT_EQ(column(kOpenTable, "taxaServico"), QStringLiteral("0.00"));

    key(vk::kF8);
    EXPECT_EQ(ui().Bt_SERVICO->text(), QStringLiteral("EXCLUIR SERVIÇO"));
    EXPECT_EQ(ui().Ds_TAXASER->text(), QStringLiteral("10,00"));
    EXPECT_EQ(ui().Ds_VALOSER->text(), QStringLiteral("7,70"));
    EXPECT_EQ(ui().Ds_TOTMESA->text(), QStringLiteral("84,70"));
    EXPECT_EQ(ui().Ed_VALOPES->text(), QStringLiteral("42,35"));
    EXPECT_EQ(column(kOpenTable, "taxaServico"), QStringLiteral("10.00"));

    // Nothing to charge a fee on: nothing happens.
    show(2101);
    const QString before = row(2101);
    key(vk::kF8);
    EXPECT_EQ(row(2101), before);
    EXPECT_EQ(ui().Bt_SERVICO->text(), QStringLiteral("EXCLUIR SERVIÇO"));
}

TEST_F(TableCommandsTest, FeeExamplesOfTheSwitch)
{
    // Sub-total 100,00 of which take-away 20,00, table discount 10 %,
    // 3 people, no fee yet.
    setPosition(h.db(), 4501, 'A', 3, 4, "0.00");
    addItem(h.db(), {4501, 112, "50.00"});
    addItem(h.db(), {4501, 101, "41.12"});
    ItemSpec away{4501, 201, "20.00"};
    away.takeAway = 'S';
    addItem(h.db(), away);
    h.db().run(QStringLiteral("UPDATE mov_Mesa SET idDesconto=1 WHERE idMesa=4501"));
    show(4501);
    ASSERT_EQ(ui().Ds_SUBTOTA->text(), QStringLiteral("100,00"));
    key(vk::kF8);
    EXPECT_EQ(ui().Ds_VIAGLIQ->text(), QStringLiteral("18,00"));
    EXPECT_EQ(ui().Ds_VALOSER->text(), QStringLiteral("8,20"));
    EXPECT_EQ(ui().Ds_TOTMESA->text(), QStringLiteral("108,20"));
    EXPECT_EQ(ui().Ed_VALOPES->text(), QStringLiteral("36,06"));
    EXPECT_EQ(column(4501, "taxaServico"), QStringLiteral("10.00"));

    // Manual discount 5,00 on a sub-total of 100,00: the fee shown right
    // after the switch is the one the table reading charges.
    setPosition(h.db(), 4601, 'A', 2, 4, "0.00");
    addItem(h.db(), {4601, 112, "100.00"});
    addItem(h.db(), {4601, 301, "5.00"});
    h.db().run(QStringLiteral("UPDATE mov_Mesa SET descontoManual=5 WHERE idMesa=4601"));
    show(4601);
    ASSERT_EQ(ui().Ds_SUBTOTA->text(), QStringLiteral("100,00"));
    key(vk::kF8);
    EXPECT_EQ(ui().Ds_VALOSER->text(), QStringLiteral("10,50"));
    EXPECT_EQ(ui().Ds_TOTMESA->text(), QStringLiteral("110,50"));
    EXPECT_EQ(ui().Ed_VALOPES->text(), QStringLiteral("55,25"));
    h.form().reread();
    EXPECT_EQ(ui().Ds_VALOSER->text(), QStringLiteral("10,50"));
    EXPECT_EQ(ui().Ds_TOTMESA->text(), QStringLiteral("110,50"));

    // Everything to take away at 0 % discount, nobody seated: no fee, no
    // value per person.
    setPosition(h.db(), 4701, 'A', 0, 4, "0.00");
    addItem(h.db(), ItemSpec{4701, 201, "30.00", 'I', 0, 'S'});
    show(4701);
    key(vk::kF8);
    EXPECT_EQ(ui().Bt_SERVICO->text(), QStringLiteral("EXCLUIR SERVIÇO"));
    EXPECT_EQ(ui().Ds_VALOSER->text(), QStringLiteral("0,00"));
    EXPECT_EQ(ui().Ds_TOTMESA->text(), QStringLiteral("30,00"));
    EXPECT_TRUE(ui().Ed_VALOPES->text().isEmpty());
}
