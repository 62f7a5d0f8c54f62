#include "ModalScript.h"
#include "TestSupport.h"

#include "modules/Payment.h"
#include "modules/PaymentTally.h"
#include "platform/SharedRecords.h"
#include "platform/ui/UiService.h"
#include "ui_Payment.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::test;

namespace {

class PaymentTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        registerPayment();
        SharedRecord::resetAll();
    }
    void TearDown() override { EXPECT_EQ(QApplication::activeModalWidget(), nullptr); }

    // The close-account command's side: amount, percent, flag, then the
    // module by name.
    int pay(std::uint64_t dueCents, std::uint64_t percentCents, ModalScript<PaymentDialog> &script)
    {
        records::L_LINK().setDigits(301, 11, dueCents);
        records::W_TAB_TAXASER().setDigits(percentCents);
        records::L_LINK().setAt(312, 'M');
        const int result = FormRegistry::instance().open(QStringLiteral("99-Fennoc"), nullptr);
        EXPECT_TRUE(script.ran());
        EXPECT_FALSE(script.leftOpen()) << "the dialog stayed open";
        return result;
    }

    static void enter(PaymentDialog &d, Qt::Key kind, const QString &amount)
    {
        QTest::keyClick(d.ui().Ed_VALOR, kind);
        QTest::keyClicks(d.ui().Ed_VALOR, amount);
        QTest::keyClick(d.ui().Ed_VALOR, Qt::Key_Return);
    }
    QString lastMessage() const { return m_ui.ui().messages.empty() ? QString() : m_ui.ui().messages.back().text; }
    std::size_t messageCount() const { return m_ui.ui().messages.size(); }

private:
    ScriptedUiScope m_ui;
};

} // namespace

TEST_F(PaymentTest, ConfirmsOnlyOnceTheTotalIsPaid)
{
    ModalScript<PaymentDialog> script([this](PaymentDialog &d) {
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Pagamento"));
        EXPECT_EQ(d.ui().Ds_VALOR->text(), QStringLiteral("108,20"));
        EXPECT_EQ(d.ui().Ds_TAXASER->text(), QStringLiteral("10,00"));
        EXPECT_EQ(d.ui().Ds_TOTAL->text(), QStringLiteral("108,20"));
        EXPECT_EQ(d.ui().Ds_FALTA->text(), QStringLiteral("108,20"));
        EXPECT_FALSE(d.ui().Ed_SERVICO->isEnabled()); // the fee is in the amount due
        EXPECT_FALSE(d.ui().Bt_CONFIRMA->isEnabled());

        QTest::keyClick(d.ui().Ed_VALOR, Qt::Key_F10);
        EXPECT_EQ(lastMessage(), QStringLiteral("O pagamento não cobre o total a pagar !!!"));
        EXPECT_TRUE(d.isVisible());

        enter(d, Qt::Key_F1, QStringLiteral("100"));
        EXPECT_EQ(d.ui().Lb_FALTA->text(), QStringLiteral("Falta"));
        EXPECT_EQ(d.ui().Ds_FALTA->text(), QStringLiteral("8,20"));
        EXPECT_EQ(d.ui().Ed_VALOR->placeholderText(), QStringLiteral("8,20"));
        // Blank: the rest, in the kind chosen.
        enter(d, Qt::Key_F2, QString());
        EXPECT_EQ(d.ui().Lv_Pagamentos->topLevelItemCount(), 2);
        EXPECT_EQ(d.ui().Lv_Pagamentos->topLevelItem(1)->text(0), QStringLiteral("Cartão de Débito"));
        EXPECT_EQ(d.ui().Lv_Pagamentos->topLevelItem(1)->text(1), QStringLiteral("8,20"));
        EXPECT_EQ(d.ui().Ds_FALTA->text(), QStringLiteral("0,00"));
        EXPECT_TRUE(d.ui().Bt_CONFIRMA->isEnabled());
        // Enter never confirms by itself.
        QTest::keyClick(d.ui().Ed_VALOR, Qt::Key_Return);
        EXPECT_EQ(lastMessage(), QStringLiteral("A conta já está paga !!!"));
        EXPECT_TRUE(d.isVisible());
        QTest::keyClick(d.ui().Ed_VALOR, Qt::Key_F10);
    });
    EXPECT_EQ(pay(10820, 1000, script), int(QDialog::Accepted));
    EXPECT_EQ(records::L_LINK().at(312), 'S');
    EXPECT_EQ(records::W_TAB_REPIQUE().text(), QStringLiteral("0000000"));
    EXPECT_EQ(records::W_TAB_SERVICO().text(), QStringLiteral("0000000"));
    const auto receipt = payment::readReceipt(records::W_TAB_RECEBIM().text());
    ASSERT_TRUE(receipt);
    EXPECT_EQ(receipt->total, *Decimal::parse("108.20"));
    EXPECT_EQ(receipt->paid, *Decimal::parse("108.20"));
    ASSERT_EQ(receipt->lines.size(), 2u);
    EXPECT_EQ(receipt->lines[0].kind, payment::Kind::Cash);
    EXPECT_EQ(receipt->lines[1].kind, payment::Kind::Debit);
    EXPECT_EQ(receipt->lines[1].amount, *Decimal::parse("8.20"));
}

TEST_F(PaymentTest, OnlyCashGivesChange)
{
    ModalScript<PaymentDialog> script([this](PaymentDialog &d) {
        enter(d, Qt::Key_F3, QStringLiteral("60"));
        EXPECT_EQ(lastMessage(), QStringLiteral("Cartão e PIX só até o valor que falta pagar !!!"));
        EXPECT_EQ(d.ui().Lv_Pagamentos->topLevelItemCount(), 0);
        enter(d, Qt::Key_F4, QStringLiteral("20"));
        enter(d, Qt::Key_F1, QStringLiteral("50"));
        EXPECT_EQ(d.ui().Ds_PAGO->text(), QStringLiteral("70,00"));
        EXPECT_EQ(d.ui().Lb_FALTA->text(), QStringLiteral("Troco"));
        EXPECT_EQ(d.ui().Ds_FALTA->text(), QStringLiteral("20,00"));
        // Del takes a payment back.
        d.ui().Lv_Pagamentos->setCurrentItem(d.ui().Lv_Pagamentos->topLevelItem(1));
        QTest::keyClick(d.ui().Lv_Pagamentos, Qt::Key_Delete);
        EXPECT_EQ(d.ui().Lv_Pagamentos->topLevelItemCount(), 1);
        EXPECT_EQ(d.ui().Ds_FALTA->text(), QStringLiteral("30,00"));
        // Not an amount: refused, nothing taken.
        enter(d, Qt::Key_F1, QStringLiteral("1,2,3"));
        EXPECT_EQ(lastMessage(), QStringLiteral("Valor inválido !!!"));
        EXPECT_EQ(d.ui().Lv_Pagamentos->topLevelItemCount(), 1);
        d.ui().Ed_VALOR->clear();
        enter(d, Qt::Key_F1, QStringLiteral("1.000,00"));
        EXPECT_EQ(d.ui().Ds_FALTA->text(), QStringLiteral("970,00"));
        QTest::keyClick(d.ui().Ed_VALOR, Qt::Key_F10);
    });
    EXPECT_EQ(pay(5000, 0, script), int(QDialog::Accepted));
    const auto receipt = payment::readReceipt(records::W_TAB_RECEBIM().text());
    ASSERT_TRUE(receipt);
    EXPECT_EQ(receipt->change, *Decimal::parse("970"));
}

TEST_F(PaymentTest, TabNeverLeavesTheKeysWhereNothingShows)
{
    ModalScript<PaymentDialog> script([](PaymentDialog &d) {
        // No payment yet: Tab from the amount passes the empty list by.
        d.ui().Ed_VALOR->setFocus();
        QTest::keyClick(d.ui().Ed_VALOR, Qt::Key_Tab);
        EXPECT_EQ(d.focusWidget(), d.ui().Ed_REPIQUE);
        // With a payment the list is a stop, and digits typed there make the
        // next amount.
        enter(d, Qt::Key_F1, QStringLiteral("10"));
        d.ui().Ed_VALOR->setFocus();
        QTest::keyClick(d.ui().Ed_VALOR, Qt::Key_Tab);
        ASSERT_EQ(d.focusWidget(), d.ui().Lv_Pagamentos);
        QTest::keyClicks(d.ui().Lv_Pagamentos, QStringLiteral("5,5"));
        EXPECT_EQ(d.focusWidget(), d.ui().Ed_VALOR);
        EXPECT_EQ(d.ui().Ed_VALOR->text(), QStringLiteral("5,5"));
        // The last payment taken back: the empty list gives the focus back.
        d.ui().Lv_Pagamentos->setFocus();
        d.ui().Lv_Pagamentos->setCurrentItem(d.ui().Lv_Pagamentos->topLevelItem(0));
        QTest::keyClick(d.ui().Lv_Pagamentos, Qt::Key_Delete);
        EXPECT_EQ(d.focusWidget(), d.ui().Ed_VALOR);
        QTest::keyClick(d.ui().Ed_VALOR, Qt::Key_Escape);
    });
    EXPECT_EQ(pay(5000, 0, script), int(QDialog::Rejected));
}

TEST_F(PaymentTest, TipAndServiceOnATableWithoutFee)
{
    ModalScript<PaymentDialog> script([this](PaymentDialog &d) {
        EXPECT_TRUE(d.ui().Ed_SERVICO->isEnabled());
        QTest::keyClicks(d.ui().Ed_SERVICO, QStringLiteral("5"));
        QTest::keyClicks(d.ui().Ed_REPIQUE, QStringLiteral("2,5"));
        EXPECT_EQ(d.ui().Ds_TOTAL->text(), QStringLiteral("49,40"));

        // A tip that is not an amount blocks the confirmation until fixed.
        QTest::keyClicks(d.ui().Ed_REPIQUE, QStringLiteral(",1"));
        EXPECT_EQ(d.ui().Lb_AVISO->text(), QStringLiteral("Repique inválido"));
        enter(d, Qt::Key_F1, QStringLiteral("60"));
        EXPECT_FALSE(d.ui().Bt_CONFIRMA->isEnabled());
        const std::size_t before = messageCount();
        QTest::keyClick(d.ui().Ed_VALOR, Qt::Key_F10);
        EXPECT_EQ(messageCount(), before + 1);
        EXPECT_EQ(lastMessage(), QStringLiteral("Valor inválido !!!"));
        EXPECT_TRUE(d.isVisible());

        d.ui().Ed_REPIQUE->setText(QStringLiteral("2,50"));
        EXPECT_TRUE(d.ui().Lb_AVISO->text().isEmpty());
        EXPECT_EQ(d.ui().Ds_FALTA->text(), QStringLiteral("10,60"));
        QTest::keyClick(d.ui().Ed_VALOR, Qt::Key_F10);
    });
    EXPECT_EQ(pay(4190, 0, script), int(QDialog::Accepted));
    EXPECT_EQ(records::W_TAB_SERVICO().text(), QStringLiteral("0000500"));
    EXPECT_EQ(records::W_TAB_REPIQUE().text(), QStringLiteral("0000250"));
}

TEST_F(PaymentTest, EscapeWritesNothing)
{
    records::W_TAB_REPIQUE().setDigits(1234);
    records::W_TAB_RECEBIM().setText(QStringLiteral("antes"));
    ModalScript<PaymentDialog> script([](PaymentDialog &d) {
        QTest::keyClicks(d.ui().Ed_REPIQUE, QStringLiteral("3"));
        enter(d, Qt::Key_F1, QStringLiteral("100"));
        QTest::keyClick(d.ui().Ed_VALOR, Qt::Key_Escape);
    });
    EXPECT_EQ(pay(5000, 1000, script), int(QDialog::Rejected));
    EXPECT_EQ(records::L_LINK().at(312), ' ');
    EXPECT_EQ(records::W_TAB_REPIQUE().text(), QStringLiteral("0001234"));
    EXPECT_EQ(records::W_TAB_RECEBIM().text().trimmed(), QStringLiteral("antes"));
}
