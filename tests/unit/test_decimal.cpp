#include "platform/Decimal.h"

#include <gtest/gtest.h>

#include <ostream>

namespace qv {
// Failure messages show the value instead of raw object bytes.
void PrintTo(const Decimal &value, std::ostream *os)
{
    *os << value.toSqlText(4).toStdString();
}
} // namespace qv

using qv::Decimal;

namespace {

Decimal dec(const char *text)
{
    const auto parsed = Decimal::parse(std::string_view(text));
    EXPECT_TRUE(parsed.has_value()) << "test literal did not parse: " << text;
    return parsed.value_or(Decimal());
}

constexpr std::int64_t kMaxUnits = 999999999999999999LL; // 99999999999999.9999

} // namespace

// --- cutting, never rounding ---------------------------------------------

TEST(DecimalCut, TruncatesTowardZeroOnBothSigns)
{
    EXPECT_EQ(dec("8.5425").cut(2), dec("8.54"));
    EXPECT_EQ(dec("-8.5425").cut(2), dec("-8.54"));
    EXPECT_EQ(dec("8.9999").cut(2), dec("8.99"));
    EXPECT_EQ(dec("-8.9999").cut(0), Decimal::fromInt(-8));
    EXPECT_EQ(dec("-0.0099").cut(2), Decimal());
    EXPECT_EQ(dec("1.2345").cut(4), dec("1.2345"));
    EXPECT_EQ(dec("1.2345").cut(3), dec("1.234"));
}

TEST(DecimalCut, CentsAndToIntCutToo)
{
    EXPECT_EQ(dec("10.0599").cents(), 1005);
    EXPECT_EQ(dec("-10.0599").cents(), -1005);
    EXPECT_EQ(dec("-7.99").toInt(), -7);
    EXPECT_EQ(Decimal::fromCents(1005), dec("10.05"));
    EXPECT_EQ(Decimal::fromCents(-1), dec("-0.01"));
}

TEST(DecimalCut, MulAndDivCutInsteadOfRounding)
{
    // 2/3 = 0.6666…: rounding would give 0.67.
    EXPECT_EQ(Decimal::fromInt(2).div(Decimal::fromInt(3), 2), dec("0.66"));
    EXPECT_EQ(Decimal::fromInt(-2).div(Decimal::fromInt(3), 2), dec("-0.66"));
    EXPECT_EQ(Decimal::fromInt(2).div(Decimal::fromInt(-3), 4), dec("-0.6666"));
    EXPECT_EQ(Decimal::fromInt(2).divInt(3, 0), Decimal());
    EXPECT_EQ(Decimal::fromInt(200).divInt(3), dec("66.6666"));
    EXPECT_EQ(dec("-200").divInt(3, 1), dec("-66.6"));
    // 1.9999 × 1.9999 = 3.99960001: the eighth-decimal tail is dropped.
    EXPECT_EQ(dec("1.9999").mul(dec("1.9999")), dec("3.9996"));
    EXPECT_EQ(dec("1.9999").mul(dec("1.9999"), 2), dec("3.99"));
    EXPECT_EQ(dec("-1.9999").mul(dec("1.9999"), 0), Decimal::fromInt(-3));
    // Exactness: 0.0001 × 0.0001 is below one unit and cuts to zero.
    EXPECT_EQ(dec("0.0001").mul(dec("0.0001")), Decimal());
}

// --- worked cash-desk computations ---------------------------------------

TEST(DecimalWorked, TableDiscountOnUnitPrice)
{
    // Price 10.05 with a 15.00 % discount. In integer terms the discount is
    // trunc(1005 cents × 1500 hundredths-of-percent / 100) = 15075, i.e.
    // 1.5075, and the new price is trunc((100500 - 15075) / 100) = 854 cents.
    const Decimal price = dec("10.05");
    const Decimal rate = dec("15.00");
    const Decimal discount = price.mul(rate).divInt(100);
    EXPECT_EQ(discount, dec("1.5075"));
    EXPECT_EQ(discount.units(), 15075);

    const Decimal newPrice = (price - discount).cut(2);
    EXPECT_EQ(newPrice, dec("8.54"));
    EXPECT_EQ(newPrice.cents(), 854);

    // The same figures through plain integers, as the formula states them.
    const std::int64_t p = 1005, r = 1500;
    const std::int64_t d = p * r / 100;
    EXPECT_EQ(d, discount.units());
    EXPECT_EQ((p * 100 - d) / 100, newPrice.cents());

    // Cutting the discount to cents first would charge 8.55: the order of
    // cuts matters and is why the discount is kept at four decimals.
    EXPECT_EQ(discount.cut(2), dec("1.50"));
    EXPECT_NE((price - discount.cut(2)).cut(2), newPrice);
}

TEST(DecimalWorked, PercentagesOfRoundTotals)
{
    const Decimal products = dec("100.00");
    const Decimal tenPercent = products.mul(dec("10")).divInt(100, 2);
    EXPECT_EQ(tenPercent, dec("10.00"));

    const Decimal subtotal = products - tenPercent - dec("5.00");
    EXPECT_EQ(subtotal, dec("85.00"));
    EXPECT_EQ(subtotal.toDisplay(), "85,00");

    const Decimal service = subtotal.mul(dec("10")).divInt(100, 2);
    EXPECT_EQ(service, dec("8.50"));
    EXPECT_EQ((subtotal + service).toSqlText(2), "93.50");
}

TEST(DecimalWorked, DiscountComputedInCentsCutsFraction)
{
    // 10.05 × 15 / 100 in cents is 150.75: the cent fraction is cut.
    const Decimal cents = Decimal::fromInt(1005).mulInt(15).divInt(100, 2);
    EXPECT_EQ(cents, dec("150.75"));
    EXPECT_EQ(cents.cut(0), Decimal::fromInt(150));
}

// --- wrap past 14 integer digits -----------------------------------------

TEST(DecimalWrap, KeepsLowOrderIntegerDigitsAndSign)
{
    const Decimal max = Decimal::fromUnits(kMaxUnits);
    EXPECT_EQ(max.toSqlText(4), "99999999999999.9999");
    EXPECT_EQ(max + dec("0.0001"), Decimal());
    EXPECT_EQ(max + dec("0.0002"), dec("0.0001"));
    EXPECT_EQ(-max - dec("0.0002"), dec("-0.0001"));
    EXPECT_EQ(Decimal::fromInt(123456789012345678LL), Decimal::fromInt(56789012345678LL));
    EXPECT_EQ(Decimal::fromInt(-100000000000005LL), Decimal::fromInt(-5));
    EXPECT_EQ(Decimal::fromCents(10000000000000050LL), dec("0.50"));
    EXPECT_EQ(Decimal::fromUnits(1000000000000000000LL + 12345), dec("1.2345"));
}

TEST(DecimalWrap, WideProductsDoNotOverflow)
{
    const Decimal max = Decimal::fromUnits(kMaxUnits);
    // Exact product 9998999999999999.990001: cut to 4 decimals, then the
    // integer part keeps its low-order 14 digits.
    EXPECT_EQ(max.mul(dec("99.99")), dec("98999999999999.99"));
    EXPECT_EQ(max.mul(dec("-99.99"), 0), dec("-98999999999999"));
    // The raw product (~10^36 at scale 8) is far outside int64; exact value
    // 9999999999999999980000000000.00000001.
    EXPECT_EQ(max.mul(max), dec("99980000000000"));
    EXPECT_EQ(max.mulInt(1000), dec("99999999999999.9000"));
    EXPECT_EQ(max.div(dec("0.0001")), Decimal::fromInt(99999999999999));
    EXPECT_EQ(max.divInt(-1), -max);
    EXPECT_EQ(max.divInt(std::numeric_limits<std::int64_t>::max()), Decimal());
}

TEST(DecimalDivision, ByZeroStopsDebugBuildsAndGivesZeroOtherwise)
{
    const Decimal ten = Decimal::fromInt(10);
    EXPECT_DEBUG_DEATH(EXPECT_EQ(ten.div(Decimal()), Decimal()), "by zero");
    EXPECT_DEBUG_DEATH(EXPECT_EQ(ten.divInt(0, 2), Decimal()), "by zero");
}

// --- narrowing into smaller fields ---------------------------------------

TEST(DecimalNarrow, KeepsLowIntegerAndLeadingDecimalDigits)
{
    EXPECT_EQ(dec("12345.678").narrowed(3, 2), dec("345.67"));
    EXPECT_EQ(dec("-12345.678").narrowed(3, 2), dec("-345.67"));
    EXPECT_EQ(dec("12345.678").narrowed(5, 0), Decimal::fromInt(12345));
    EXPECT_EQ(dec("12345.678").narrowed(0, 4), dec("0.678"));
    EXPECT_EQ(dec("1000.99").narrowed(3, 1), dec("0.9"));
    EXPECT_EQ(dec("-1000.01").narrowed(3, 1), Decimal());
    EXPECT_EQ(dec("99.9999").narrowed(14, 4), dec("99.9999"));
    // Wider than the carried precision: nothing to drop.
    EXPECT_EQ(Decimal::fromUnits(kMaxUnits).narrowed(20, 4), Decimal::fromUnits(kMaxUnits));
}

// --- parsing ---------------------------------------------------------------

struct ParseCase
{
    const char *text;
    std::int64_t units;

    friend void PrintTo(const ParseCase &c, std::ostream *os) { *os << '"' << c.text << '"'; }
};

class DecimalParseAccepts : public ::testing::TestWithParam<ParseCase>
{};

TEST_P(DecimalParseAccepts, ReadsValue)
{
    const auto parsed = Decimal::parse(std::string_view(GetParam().text));
    ASSERT_TRUE(parsed.has_value()) << GetParam().text;
    EXPECT_EQ(parsed->units(), GetParam().units) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Forms, DecimalParseAccepts,
                         ::testing::Values(ParseCase{"0", 0}, ParseCase{"123", 1230000}, ParseCase{"-12.5", -125000},
                                           ParseCase{"+12.5", 125000}, ParseCase{"12,50", 125000},
                                           ParseCase{" 7.0001 ", 70001}, ParseCase{"\t42\n", 420000},
                                           ParseCase{"-0", 0}, ParseCase{"007.50", 75000}, ParseCase{".5", 5000},
                                           ParseCase{"5.", 50000}, ParseCase{"-,25", -2500},
                                           ParseCase{"1.23456789", 12345},  // decimals past the 4th cut
                                           ParseCase{"-1.99999", -19999},   // cut, not rounded to -2
                                           ParseCase{"1.234", 12340},       // lone point is decimal
                                           ParseCase{"1.234,56", 12345600}, // Brazilian grouping
                                           ParseCase{"-1.234.567,8", -12345678000}, ParseCase{"12.345,", 123450000},
                                           ParseCase{"999,99", 9999900}, ParseCase{"99999999999999.9999", kMaxUnits},
                                           ParseCase{"123456789012345678.5", 567890123456785000}, // low 14 digits kept
                                           ParseCase{"100000000000000", 0}, ParseCase{"-100000000000001.5", -15000}));

class DecimalParseRejects : public ::testing::TestWithParam<const char *>
{};

TEST_P(DecimalParseRejects, GivesNothing)
{
    EXPECT_FALSE(Decimal::parse(std::string_view(GetParam())).has_value()) << GetParam();
    EXPECT_EQ(Decimal::parseOrZero(QString::fromLatin1(GetParam())), Decimal()) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(Malformed, DecimalParseRejects,
                         ::testing::Values("", "   ", "-", "+", ".", ",", "-.", "abc", "12a", "1e5", "0x10", "1.2.3",
                                           "1,2,3", "1,234.56", "1.234,56,7", "1..2", "--1", "+-1", "- 1", "1 2",
                                           "1.23,4", "1234.567,8", ".123,4", "1.2345,6", "12.,5", "1.234.", "1,5-"));

TEST(DecimalParse, QStringOverload)
{
    EXPECT_EQ(Decimal::parse(QStringLiteral("  1.234,56 ")), dec("1234.56"));
    // A no-break space pasted from elsewhere counts as a blank.
    EXPECT_EQ(Decimal::parse(QString(QChar(0x00A0)) + QStringLiteral("3,5")), dec("3.5"));
    // Non-ASCII digits are not digits here.
    EXPECT_FALSE(Decimal::parse(QString(QChar(0x0663))).has_value());
    EXPECT_EQ(Decimal::parseOrZero(QStringLiteral(" -2,75 ")), dec("-2.75"));
    EXPECT_EQ(Decimal::parseOrZero(QString()), Decimal());
}

// --- text forms -------------------------------------------------------------

TEST(DecimalText, SqlText)
{
    EXPECT_EQ(dec("12.3456").toSqlText(2), "12.34");
    EXPECT_EQ(dec("12.3456").toSqlText(0), "12");
    EXPECT_EQ(dec("12.3456").toSqlText(4), "12.3456");
    EXPECT_EQ(dec("-0.5").toSqlText(2), "-0.50");
    EXPECT_EQ(Decimal().toSqlText(2), "0.00");
    EXPECT_EQ(dec("0.0007").toSqlText(3), "0.000");
    // A negative that cuts to zero prints without a sign.
    EXPECT_EQ(dec("-0.0099").toSqlText(2), "0.00");
    EXPECT_EQ(dec("1234567.0102").toSqlText(4), "1234567.0102");
    EXPECT_EQ(Decimal::fromUnits(-kMaxUnits).toSqlText(4), "-99999999999999.9999");
}

TEST(DecimalText, BrazilianDisplay)
{
    EXPECT_EQ(dec("1234.5").toDisplay(), "1.234,50");
    EXPECT_EQ(dec("-1234.5").toDisplay(), "-1.234,50");
    EXPECT_EQ(Decimal().toDisplay(), "0,00");
    EXPECT_EQ(dec("1234.5").toDisplay(2, false), "1234,50");
    EXPECT_EQ(dec("999.999").toDisplay(), "999,99");
    EXPECT_EQ(dec("100").toDisplay(0), "100");
    EXPECT_EQ(dec("1000").toDisplay(0), "1.000");
    EXPECT_EQ(dec("123456").toDisplay(1), "123.456,0");
    EXPECT_EQ(dec("-1234567.8912").toDisplay(4), "-1.234.567,8912");
    EXPECT_EQ(Decimal::fromUnits(kMaxUnits).toDisplay(), "99.999.999.999.999,99");
}

TEST(DecimalText, DisplayParsesBack)
{
    for (const char *text : {"0", "-0.01", "1234.56", "-987654.32", "99999999999999.99"}) {
        const Decimal value = dec(text);
        EXPECT_EQ(Decimal::parse(value.toDisplay()), value) << text;
        EXPECT_EQ(Decimal::parse(value.toSqlText(2)), value) << text;
    }
}

// --- comparison and sign ------------------------------------------------------

TEST(DecimalCompare, OrdersByValue)
{
    EXPECT_LT(dec("-1"), dec("-0.9999"));
    EXPECT_LT(dec("-0.0001"), Decimal());
    EXPECT_GT(dec("10.05"), dec("10.0499"));
    EXPECT_EQ(dec("10.50"), dec("10,5"));
    EXPECT_NE(dec("10.5"), dec("10.05"));
    EXPECT_TRUE(dec("-0.0001").isNegative());
    EXPECT_FALSE(Decimal().isNegative());
    EXPECT_TRUE(dec("-0").isZero());
}

TEST(DecimalArithmetic, CompoundAssignmentMatchesOperators)
{
    Decimal total;
    total += dec("10.05");
    total += dec("0.95");
    total -= dec("12");
    EXPECT_EQ(total, dec("-1"));
    EXPECT_EQ(-total, Decimal::fromInt(1));
    EXPECT_EQ(dec("3").mulInt(-4), dec("-12"));
}
