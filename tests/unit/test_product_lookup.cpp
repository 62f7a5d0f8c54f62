// The rules behind Ed_CODIPROD and Cb_OBSERVA: code or description, the
// six-digit code, the 17-character LIKE value and the observation entries.
#include "items/ProductLookup.h"

#include <gtest/gtest.h>

using namespace qv::lookup;

TEST(ProductLookup, DigitsAndBlanksAloneMakeACode)
{
    EXPECT_TRUE(isProductCode(QStringLiteral("123")));
    EXPECT_TRUE(isProductCode(QStringLiteral("12 34")));
    EXPECT_TRUE(isProductCode(QStringLiteral("  7")));
    EXPECT_TRUE(isProductCode(QStringLiteral("123456789012345")));
    EXPECT_FALSE(isProductCode(QStringLiteral("PIZZA")));
    EXPECT_FALSE(isProductCode(QStringLiteral("12A4")));           // a letter among digits
    EXPECT_FALSE(isProductCode(QStringLiteral("1234567890123X"))); // the 14th counts
    EXPECT_FALSE(isProductCode(QStringLiteral("12,5")));
    // Only the first 15 characters decide.
    EXPECT_TRUE(isProductCode(QStringLiteral("123456789012345X")));
    // Digits of other scripts are not digits of a code.
    EXPECT_FALSE(isProductCode(QString::fromUtf8("\u0661\u0662")));
}

TEST(ProductLookup, TheCodeTakesTheDigitsOfTheFirstSixCharacters)
{
    EXPECT_EQ(productCode(QStringLiteral("123")), 123);
    EXPECT_EQ(productCode(QStringLiteral("12 34")), 1234);
    EXPECT_EQ(productCode(QStringLiteral(" 1 2 3")), 123);
    EXPECT_EQ(productCode(QStringLiteral("1234567")), 123456);
    EXPECT_EQ(productCode(QStringLiteral("12345 7")), 12345);
    EXPECT_EQ(productCode(QStringLiteral("000112")), 112);
    EXPECT_EQ(productCode(QStringLiteral("      9")), 0);
}

TEST(ProductLookup, PatternIsSeventeenCharactersWithTrailingWildcards)
{
    EXPECT_EQ(likePattern(QStringLiteral("PIZZA")), QStringLiteral("%PIZZA%%%%%%%%%%%"));
    // Everything after a double blank is ignored.
    EXPECT_EQ(likePattern(QStringLiteral("COCA  COLA")), QStringLiteral("%COCA%%%%%%%%%%%%"));
    // A single blank inside stays a blank.
    EXPECT_EQ(likePattern(QStringLiteral("SUCO DE")), QStringLiteral("%SUCO DE%%%%%%%%%"));
    // Sixteen characters or more: the first sixteen, no wildcard after them.
    EXPECT_EQ(likePattern(QStringLiteral("ABCDEFGHIJKLMNOPQRS")), QStringLiteral("%ABCDEFGHIJKLMNOP"));
    EXPECT_EQ(likePattern(QStringLiteral("ABCDEFGHIJKLMNOP")), QStringLiteral("%ABCDEFGHIJKLMNOP"));
    EXPECT_EQ(likePattern(QStringLiteral("ABCDEFGHIJKLMNO")), QStringLiteral("%ABCDEFGHIJKLMNO%"));
    // The case is kept as typed.
    EXPECT_EQ(likePattern(QStringLiteral("pizza")), QStringLiteral("%pizza%%%%%%%%%%%"));
    for (const char *typed : {"A", "PIZZA", "COCA  COLA", "ABCDEFGHIJKLMNOPQRSTUVWXYZ", "A B C"})
        EXPECT_EQ(likePattern(QString::fromLatin1(typed)).size(), 17) << typed;
}

TEST(ProductLookup, ObservationEntriesCarryTheirCodeAtTwentyEight)
{
    const QString entry = observationEntry(QStringLiteral("Cebola"), 1);
    EXPECT_EQ(entry, QStringLiteral("Cebola") + QString(21, QLatin1Char(' ')) + QStringLiteral("001"));
    EXPECT_EQ(entry.size(), 30);
    EXPECT_EQ(observationCode(entry), 1);
    EXPECT_EQ(observationCode(observationEntry(QString::fromUtf8("Açúcar"), 9)), 9);
    // Only the last three digits show.
    EXPECT_EQ(observationEntry(QStringLiteral("Sem sal"), 1001).right(3), QStringLiteral("001"));
    // The blank first entry means no observation.
    EXPECT_EQ(emptyObservationEntry(), QString(27, QLatin1Char(' ')) + QStringLiteral("000"));
    EXPECT_EQ(observationCode(emptyObservationEntry()), 0);
    EXPECT_EQ(observationCode(QStringLiteral("short")), 0);
}

TEST(ProductLookup, ObservationKindAndRowTextFollowTheChooserCaption)
{
    EXPECT_EQ(observationKind(QStringLiteral("Com")), 'C');
    EXPECT_EQ(observationKind(QStringLiteral("Sem")), 'S');
    EXPECT_EQ(observationKind(QStringLiteral("Observações")), 'O');
    EXPECT_EQ(observationKind(QStringLiteral("Obs")), 0);
    EXPECT_EQ(observationRowText('C', QStringLiteral("Bacon")), QStringLiteral("  -> Com Bacon               "));
    EXPECT_EQ(observationRowText('S', QStringLiteral("Cebola")), QStringLiteral("  -> Sem Cebola              "));
    EXPECT_EQ(observationRowText('O', QString::fromUtf8("Já")), QString::fromUtf8("  -> Já                  "));
}
