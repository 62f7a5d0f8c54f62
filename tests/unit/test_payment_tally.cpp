#include "modules/PaymentTally.h"
#include "platform/SharedRecords.h"

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::payment;

namespace {
Decimal d(const char *text)
{
    return *Decimal::parse(text);
}
} // namespace

TEST(PaymentAmount, TypedAmounts)
{
    EXPECT_EQ(amountFrom(QString()), Decimal());
    EXPECT_EQ(amountFrom(QStringLiteral("50")), d("50"));
    EXPECT_EQ(amountFrom(QStringLiteral("12,5")), d("12.50"));
    EXPECT_EQ(amountFrom(QStringLiteral("1.234,56")), d("1234.56"));
    EXPECT_FALSE(amountFrom(QStringLiteral("12,345")));
    EXPECT_FALSE(amountFrom(QStringLiteral("-1")));
    EXPECT_FALSE(amountFrom(QStringLiteral("1,2,3")));
    EXPECT_FALSE(amountFrom(QStringLiteral("1000000000"))); // ten integer digits
    EXPECT_EQ(amountFrom(QStringLiteral("999999999,99")), d("999999999.99"));
}

TEST(PaymentTally, CashGivesChangeCardsAndPixDoNot)
{
    Tally t(d("108.20"), d("10"));
    EXPECT_EQ(t.total(), d("108.20"));
    EXPECT_EQ(t.readiness(), Refusal::NotCovered);
    EXPECT_EQ(t.add(Kind::Debit, d("108.21")), Refusal::OverPaid);
    EXPECT_EQ(t.add(Kind::Pix, d("50")), Refusal::None);
    EXPECT_EQ(t.remaining(), d("58.20"));
    EXPECT_EQ(t.add(Kind::Cash, d("100")), Refusal::None);
    EXPECT_EQ(t.remaining(), Decimal());
    EXPECT_EQ(t.change(), d("41.80"));
    EXPECT_EQ(t.readiness(), Refusal::None);
    // Nothing more is taken once it is paid.
    EXPECT_EQ(t.add(Kind::Cash, d("1")), Refusal::OverPaid);
    t.remove(1);
    EXPECT_EQ(t.remaining(), d("58.20"));
    EXPECT_EQ(t.add(Kind::Credit, d("58.20")), Refusal::None);
    EXPECT_EQ(t.change(), Decimal());
    EXPECT_EQ(t.readiness(), Refusal::None);
}

TEST(PaymentTally, TipAndServiceAddToWhatIsPaid)
{
    Tally noFee(d("41.90"), Decimal());
    EXPECT_TRUE(noFee.serviceAllowed());
    EXPECT_EQ(noFee.setService(d("5")), Refusal::None);
    EXPECT_EQ(noFee.setTip(d("3.10")), Refusal::None);
    EXPECT_EQ(noFee.total(), d("50"));
    EXPECT_EQ(noFee.setTip(d("100000")), Refusal::TooLarge);
    EXPECT_EQ(noFee.setTip(d("-1")), Refusal::Invalid);
    EXPECT_EQ(noFee.tip(), d("3.10")); // a refused value changes nothing

    Tally withFee(d("110"), d("10"));
    EXPECT_FALSE(withFee.serviceAllowed());
    EXPECT_EQ(withFee.setService(d("5")), Refusal::NotAllowed);
    EXPECT_EQ(withFee.setService(Decimal()), Refusal::None);
    EXPECT_EQ(withFee.total(), d("110"));

    // A card charged for the tip, then the tip taken back: the card would
    // turn into cash change.
    Tally t(d("20"), d("10"));
    t.setTip(d("5"));
    ASSERT_EQ(t.add(Kind::Credit, d("25")), Refusal::None);
    EXPECT_EQ(t.readiness(), Refusal::None);
    t.setTip(Decimal());
    EXPECT_EQ(t.readiness(), Refusal::OverPaid);
}

TEST(PaymentTally, TwentyPaymentsAtMost)
{
    Tally t(d("100"), Decimal());
    for (int i = 0; i < Tally::kMaxLines; ++i)
        ASSERT_EQ(t.add(Kind::Pix, d("1")), Refusal::None) << i;
    EXPECT_EQ(t.add(Kind::Cash, d("80")), Refusal::TooManyLines);
    EXPECT_EQ(t.add(Kind::Cash, Decimal()), Refusal::Invalid);
}

TEST(PaymentTally, ReceiptLayout)
{
    Tally t(d("95.10"), Decimal());
    t.setService(d("4.90"));
    t.setTip(d("10"));
    t.add(Kind::Debit, d("60"));
    t.add(Kind::Cash, d("100"));
    const QString r = t.receipt();
    ASSERT_EQ(r.size(), 350);
    EXPECT_EQ(r.left(35), QStringLiteral("02") + QStringLiteral("00000011000") + QStringLiteral("00000016000")
                              + QStringLiteral("00000005000"));
    EXPECT_EQ(r.mid(35, 24), QStringLiteral("200000006000") + QStringLiteral("100000010000"));
    EXPECT_EQ(r.mid(59), QString(350 - 59, QLatin1Char(' ')));

    const auto back = readReceipt(r);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->total, d("110"));
    EXPECT_EQ(back->paid, d("160"));
    EXPECT_EQ(back->change, d("50"));
    ASSERT_EQ(back->lines.size(), 2u);
    EXPECT_EQ(back->lines[0].kind, Kind::Debit);
    EXPECT_EQ(back->lines[1].amount, d("100"));
    // The split closing's all-zero receipt reads as nothing paid.
    const auto zeros = readReceipt(QString(350, QLatin1Char('0')));
    ASSERT_TRUE(zeros);
    EXPECT_TRUE(zeros->lines.empty());
    EXPECT_FALSE(readReceipt(QStringLiteral("xx")));
}

TEST(PaymentTally, ConfirmationWritesTheRecordsOnlyWhenPaid)
{
    SharedRecord::resetAll();
    records::L_LINK().setDigits(301, 11, 4190);
    records::W_TAB_TAXASER().setDigits(0);
    records::L_LINK().setAt(312, 'M');
    Tally t = Tally::fromSharedRecords();
    EXPECT_EQ(t.due(), d("41.90"));
    EXPECT_TRUE(t.serviceAllowed());
    t.setService(d("5"));
    t.setTip(d("2.50"));

    EXPECT_EQ(t.confirm(), Refusal::NotCovered);
    EXPECT_EQ(records::W_TAB_RECEBIM().text().trimmed(), QString());
    EXPECT_EQ(records::L_LINK().at(312), 'M');

    t.add(Kind::Cash, d("50"));
    EXPECT_EQ(t.confirm(), Refusal::None);
    EXPECT_EQ(records::W_TAB_SERVICO().text(), QStringLiteral("0000500"));
    EXPECT_EQ(records::W_TAB_REPIQUE().text(), QStringLiteral("0000250"));
    EXPECT_EQ(records::W_TAB_RECEBIM().text(), t.receipt());
    EXPECT_EQ(records::L_LINK().at(312), 'S');

    // A table with nothing to pay (a courtesy) confirms without payments.
    EXPECT_EQ(Tally(Decimal(), d("10")).readiness(), Refusal::None);
}
