// Whole accounts worked from the keyboard alone. Every step is a key
// pressed where the focus is, in the main form and in the dialogs it opens;
// only the message boxes are answered by the scripted platform service, and
// the checks read the database and what the screen shows.
#include "FormHarness.h"
#include "ModalScript.h"

#include "DeskDriver.h"
#include "modules/DiscountSearch.h"
#include "modules/Payment.h"
#include "platform/ui/UiService.h"
#include "tables/forms/OpenTable.h"
#include "tables/forms/SplitDialog.h"
#include "ui_Payment.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::test;

namespace {

class KeyboardAccountTest : public ::testing::Test
{
protected:
    void SetUp() override { h.standardSession(); }
    void TearDown() override { EXPECT_EQ(QApplication::activeModalWidget(), nullptr); }

    // Where a key goes: the focused control of the window on top (a modal
    // dialog, or the main form). As a window manager would, that window is
    // made active first; the offscreen platform does not do it by itself.
    QWidget *focus()
    {
        QWidget *window = QApplication::activeModalWidget();
        if (!window)
            window = &h.form();
        if (QApplication::activeWindow() != window) {
            window->activateWindow();
            (void)QTest::qWaitForWindowActive(window, 2000);
        }
        // The focus arrives with the activation, from the event loop.
        (void)QTest::qWaitFor(
            [window] { return QApplication::focusWidget() && QApplication::focusWidget()->window() == window; }, 1000);
        QWidget *w = window->focusWidget();
        return w ? w : window;
    }
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(focus(), key, modifiers);
        // Commands queued by a key run from the event loop.
        QCoreApplication::processEvents();
    }
    void type(const QString &text) { QTest::keyClicks(focus(), text); }
    void repeat(Qt::Key key, int times)
    {
        for (int i = 0; i < times; ++i)
            press(key);
    }
    bool focused(const QWidget *w) { return focus() == w; }
    bool focused(const char *name) { return focus()->objectName() == QLatin1String(name); }
    bool shown(const char *name)
    {
        auto *w = h.form().findChild<QWidget *>(QLatin1String(name));
        return w && w->isVisible();
    }

    // The program as it starts: the cash-desk choice, taken with Enter.
    void startOnDeskOne()
    {
        h.start();
        press(Qt::Key_Return);
        h.settleBoard();
        ASSERT_TRUE(focused(ui().Ed_CODIMES));
    }
    // A position typed in the table field (Alt+M reaches it from anywhere).
    void typeTable(const QString &number)
    {
        press(Qt::Key_M, Qt::AltModifier);
        type(number);
        press(Qt::Key_Return);
    }
    // A free position, opened on the question and through the opening
    // dialog: the people count, Enter, the waiter by the first letters of
    // the name, Enter to "Gravar" and Enter on it.
    void openTable(const QString &number, const QString &people, const QString &waiter)
    {
        h.ui().answer(answer::kYes);
        ModalScript<OpenTable> dialog(
            [&](OpenTable &) {
                type(people);
                press(Qt::Key_Return);
                type(waiter);
                press(Qt::Key_Return);
                press(Qt::Key_Return);
            },
            [](OpenTable &d) { return d.started(); });
        typeTable(number);
        ASSERT_TRUE(dialog.ran());
        ASSERT_FALSE(dialog.leftOpen());
        ASSERT_EQ(h.form().currentTable(), number.toInt());
    }
    // INS, a product code and Enter, then the quantity; `more` works the
    // frame further (observations) before F9 confirms.
    void launch(const QString &code, const QString &quantity, const std::function<void()> &more = {})
    {
        press(Qt::Key_M, Qt::AltModifier);
        press(Qt::Key_Insert);
        type(code);
        press(Qt::Key_Return);
        type(quantity);
        if (more)
            more();
        press(Qt::Key_F9);
        ASSERT_TRUE(focused(ui().Ed_CODIMES)) << "the frame stayed: " << lastText().toStdString();
    }
    // In the open observation chooser, the arrows down to the entry and Enter.
    void chooseObservation(const QString &text)
    {
        auto *chooser = qobject_cast<QComboBox *>(focus());
        ASSERT_NE(chooser, nullptr);
        const int at = chooser->findText(text, Qt::MatchStartsWith);
        ASSERT_GT(at, 0) << text.toStdString();
        repeat(Qt::Key_Down, at - chooser->currentIndex());
        press(Qt::Key_Return);
    }
    // From the table field down into the item list, onto row `row`.
    void intoList(int row)
    {
        press(Qt::Key_M, Qt::AltModifier);
        press(Qt::Key_Down);
        ASSERT_TRUE(focused(ui().Lv_Itens));
        repeat(Qt::Key_Down, row);
    }
    int rowOf(const QString &product)
    {
        for (int i = 0; i < ui().Lv_Itens->topLevelItemCount(); ++i)
            if (ui().Lv_Itens->topLevelItem(i)->text(2).startsWith(product))
                return i;
        ADD_FAILURE() << "not listed: " << product.toStdString();
        return 0;
    }

    DeskDriver ui() { return DeskDriver(h.form()); }
    QString value(const QString &sql) { return h.db().value(sql); }
    QString lastText() { return h.texts().isEmpty() ? QString() : h.texts().constLast(); }

    FormHarness h;
};

} // namespace

TEST_F(KeyboardAccountTest, AnAccountFromOpeningToPayment)
{
    startOnDeskOne();
    openTable(QStringLiteral("4001"), QStringLiteral("3"), QStringLiteral("JOAO"));
    EXPECT_EQ(value(QStringLiteral("SELECT CONCAT_WS('|',status,qtdPessoas,idGarcon) FROM mov_Mesa WHERE idMesa=4001")),
              QStringLiteral("A|3|4"));

    // Two burgers with extra bacon, fries, and cassava that goes again.
    launch(QStringLiteral("112"), QStringLiteral("2"), [this] {
        press(Qt::Key_F4);
        chooseObservation(QStringLiteral("Bacon"));
    });
    launch(QStringLiteral("201"), QStringLiteral("1"));
    launch(QStringLiteral("202"), QStringLiteral("1"));
    ASSERT_EQ(value(QStringLiteral("SELECT COUNT(*) FROM mov_MesaItem WHERE idMesa=4001")), QStringLiteral("4"));
    EXPECT_EQ(value(QStringLiteral("SELECT COUNT(*) FROM mov_MesaItemObs WHERE idMesa=4001 AND idObs=2 AND tipo='C'")),
              QStringLiteral("2"));

    // The fries edited: Enter on the row, "Sem" salt added, F9.
    const QString fries = value(QStringLiteral("SELECT idItem FROM mov_MesaItem WHERE idMesa=4001 AND idProduto=201"));
    intoList(rowOf(QStringLiteral("BATATA")));
    press(Qt::Key_Return);
    ASSERT_TRUE(shown("Frm_INC"));
    press(Qt::Key_F2);
    chooseObservation(QStringLiteral("Sal"));
    press(Qt::Key_F9);
    EXPECT_EQ(value(QStringLiteral("SELECT CONCAT(idObs,tipo) FROM mov_MesaItemObs WHERE idItem=%1").arg(fries)),
              QStringLiteral("10S"));

    // The cassava cancelled: Space selects its row, DEL, a reason by the
    // arrows, Enter through the frame and on its confirmation.
    intoList(rowOf(QStringLiteral("MANDIOCA")));
    press(Qt::Key_Space);
    press(Qt::Key_Delete);
    ASSERT_TRUE(focused("Cb_MOTICAN"));
    repeat(Qt::Key_Down, 2); // "Cliente desistiu"
    press(Qt::Key_Return);   // on to "Produzido", left unticked
    press(Qt::Key_Return);   // on to the confirmation
    press(Qt::Key_Return);
    EXPECT_EQ(value(QStringLiteral("SELECT CONCAT_WS('|',status,idMotivoCanc,idOpeCanc) FROM mov_MesaItem "
                                   "WHERE idMesa=4001 AND idProduto=202")),
              QStringLiteral("C|2|1"));

    // A burger reprinted: selected, F1, Down to "PRODUTO", Enter.
    const QString burger =
        value(QStringLiteral("SELECT MIN(idItem) FROM mov_MesaItem WHERE idMesa=4001 AND idProduto=112"));
    intoList(rowOf(QStringLiteral("HAMB")));
    press(Qt::Key_Space);
    press(Qt::Key_F1);
    press(Qt::Key_Down);
    press(Qt::Key_Return);
    EXPECT_NE(value(QStringLiteral("SELECT status FROM mov_MesaItem WHERE idItem=%1").arg(burger)),
              QStringLiteral("I"));
    EXPECT_TRUE(focused(ui().Ed_CODIMES));

    // The table discount: F4, the birthday discount (the 5th) by the arrows.
    {
        ModalScript<DiscountSearch> search([this](DiscountSearch &) {
            repeat(Qt::Key_Down, 4);
            press(Qt::Key_Return);
        });
        press(Qt::Key_F4);
        EXPECT_TRUE(search.ran());
        EXPECT_FALSE(search.leftOpen());
    }
    // A manual discount and the people count, each by its Alt key.
    press(Qt::Key_D, Qt::AltModifier);
    type(QStringLiteral("2,00"));
    press(Qt::Key_Return);
    press(Qt::Key_P, Qt::AltModifier);
    type(QStringLiteral("4"));
    press(Qt::Key_Return);
    // The fee off and on again.
    press(Qt::Key_F8);
    EXPECT_EQ(value(QStringLiteral("SELECT taxaServico FROM mov_Mesa WHERE idMesa=4001")), QStringLiteral("0.00"));
    press(Qt::Key_F8);
    EXPECT_EQ(value(QStringLiteral("SELECT CONCAT_WS('|',idDesconto,descontoManual,qtdPessoas,taxaServico) FROM "
                                   "mov_Mesa WHERE idMesa=4001")),
              QStringLiteral("5|2.00|4|10.00"));
    // 2 x 42,50 + 28,00 = 113,00; 5 % is 5,65 and 2,00 by hand off it,
    // 105,35. The 10 % fee is on the total before the manual discount,
    // 107,35: 10,735, cut to 10,73.
    EXPECT_EQ(ui().Ds_TOTPROD->text(), QStringLiteral("113,00"));
    EXPECT_EQ(ui().Ds_VALODES->text(), QStringLiteral("5,65"));
    EXPECT_EQ(ui().Ds_VALOSER->text(), QStringLiteral("10,73"));
    EXPECT_EQ(ui().Ds_TOTMESA->text(), QStringLiteral("116,08"));

    // The bill, in the name of the waiter chosen in the list (Alt+G and the
    // first letters): F1, Enter on "CONTA". The table is released.
    press(Qt::Key_G, Qt::AltModifier);
    type(QStringLiteral("ANTONIO"));
    press(Qt::Key_F1);
    press(Qt::Key_Return);
    EXPECT_EQ(value(QStringLiteral("SELECT CONCAT_WS('|',status,idGarcon) FROM mov_Mesa WHERE idMesa=4001")),
              QStringLiteral("I|5"));
    EXPECT_EQ(h.form().currentTable(), 0);

    // Shown again, blocked with F2, closed with F10: cash over the total.
    typeTable(QStringLiteral("4001"));
    press(Qt::Key_F2);
    EXPECT_EQ(value(QStringLiteral("SELECT status FROM mov_Mesa WHERE idMesa=4001")), QStringLiteral("B"));
    {
        ModalScript<PaymentDialog> payment([this](PaymentDialog &d) {
            EXPECT_EQ(d.ui().Ds_VALOR->text(), QStringLiteral("116,08"));
            press(Qt::Key_F1);
            type(QStringLiteral("120"));
            press(Qt::Key_Return);
            press(Qt::Key_F10);
        });
        press(Qt::Key_F10);
        EXPECT_TRUE(payment.ran());
        EXPECT_FALSE(payment.leftOpen());
    }
    EXPECT_EQ(value(QStringLiteral("SELECT CONCAT_WS('|',nrMesa,pontoMesa,qtdPessoas,idGarcon,valorProdutos,"
                                   "idDesconto,descontoManual,valorServico,valorTotal) FROM mov_Vendas")),
              QStringLiteral("40|1|4|5|113.00|5|2.00|10.73|116.08"));
    EXPECT_EQ(value(QStringLiteral("SELECT GROUP_CONCAT(CONCAT(idProduto,cancelado) ORDER BY sequencia) FROM "
                                   "mov_VendasItem")),
              QStringLiteral("112N,112N,201N,202S"));
    EXPECT_EQ(value(QStringLiteral("SELECT CONCAT(m.status,COUNT(i.idItem)) FROM mov_Mesa m LEFT JOIN mov_MesaItem i "
                                   "USING(idMesa) WHERE m.idMesa=4001 GROUP BY m.idMesa")),
              QStringLiteral("F0"));
    EXPECT_EQ(h.form().currentTable(), 0);
    EXPECT_TRUE(focused(ui().Ed_CODIMES));
    // Every box shown was a question answered or the payment's own.
    EXPECT_EQ(h.texts(), QStringList{QStringLiteral("Mesa fechada, abre ?")});
}

TEST_F(KeyboardAccountTest, ItemsTransferredAndABillSplitOverTheTablesOtherPositions)
{
    startOnDeskOne();
    openTable(QStringLiteral("4001"), QStringLiteral("2"), QStringLiteral("JOAO"));
    launch(QStringLiteral("112"), QStringLiteral("1"));
    launch(QStringLiteral("201"), QStringLiteral("1"));
    const QString fries = value(QStringLiteral("SELECT idItem FROM mov_MesaItem WHERE idMesa=4001 AND idProduto=201"));

    // The fries go to 41/01, which is free: F3, the target and Enter; the
    // question is answered and the opening dialog worked by keys.
    intoList(rowOf(QStringLiteral("BATATA")));
    press(Qt::Key_Space);
    press(Qt::Key_F3);
    ASSERT_TRUE(focused("Ed_NOVAMES"));
    h.ui().answer(answer::kYes);
    {
        ModalScript<OpenTable> dialog(
            [this](OpenTable &) {
                type(QStringLiteral("1"));
                press(Qt::Key_Return);
                type(QStringLiteral("CARLOS"));
                press(Qt::Key_Return);
                press(Qt::Key_Return);
            },
            [](OpenTable &d) { return d.started(); });
        type(QStringLiteral("4101"));
        press(Qt::Key_Return);
        EXPECT_TRUE(dialog.ran());
        EXPECT_FALSE(dialog.leftOpen());
    }
    EXPECT_EQ(value(QStringLiteral("SELECT idMesa FROM mov_MesaItem WHERE idItem=%1").arg(fries)),
              QStringLiteral("4101"));
    EXPECT_EQ(value(QStringLiteral("SELECT CONCAT_WS('|',status,qtdPessoas,idGarcon) FROM mov_Mesa WHERE idMesa=4101")),
              QStringLiteral("A|1|6"));
    EXPECT_EQ(h.form().currentTable(), 4001);
    EXPECT_EQ(ui().Lv_Itens->topLevelItemCount(), 1);
    EXPECT_TRUE(focused(ui().Ed_CODIMES));

    // Two more positions of table 40 for the split.
    openTable(QStringLiteral("4002"), QStringLiteral("1"), QStringLiteral("ANTONIO"));
    openTable(QStringLiteral("4003"), QStringLiteral("1"), QStringLiteral("MARCOS"));

    // 40/01 blocked and split: F5, Space on each position, Enter.
    typeTable(QStringLiteral("4001"));
    press(Qt::Key_F2);
    ASSERT_EQ(value(QStringLiteral("SELECT status FROM mov_Mesa WHERE idMesa=4001")), QStringLiteral("B"));
    {
        ModalScript<SplitDialog> dialog(
            [this](SplitDialog &) {
                press(Qt::Key_Space);
                press(Qt::Key_Down);
                press(Qt::Key_Space);
                press(Qt::Key_Return);
            },
            [](SplitDialog &d) { return d.started(); });
        press(Qt::Key_F5);
        EXPECT_TRUE(dialog.ran());
        EXPECT_FALSE(dialog.leftOpen());
    }
    // 38,50 of products; the fee is not shared: 19,25 to each.
    EXPECT_EQ(value(QStringLiteral("SELECT GROUP_CONCAT(CONCAT(idMesa,'=',valorUnitario) ORDER BY idMesa) FROM "
                                   "mov_MesaItem WHERE idProduto=999999")),
              QStringLiteral("4002=19.25,4003=19.25"));
    EXPECT_EQ(value(QStringLiteral("SELECT dividida FROM mov_Mesa WHERE idMesa=4001")), QStringLiteral("S"));
    EXPECT_EQ(h.form().currentTable(), 0);

    // The split position closes with F10, with no payment to take.
    typeTable(QStringLiteral("4001"));
    press(Qt::Key_F10);
    EXPECT_EQ(value(QStringLiteral("SELECT CONCAT_WS('|',status,dividida) FROM mov_Mesa WHERE idMesa=4001")),
              QStringLiteral("F|N"));
    EXPECT_EQ(value(QStringLiteral("SELECT COUNT(*) FROM mov_Vendas WHERE nrMesa=40 AND pontoMesa=1")),
              QStringLiteral("1"));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(h.texts(), QStringList(4, QStringLiteral("Mesa fechada, abre ?")));
}
