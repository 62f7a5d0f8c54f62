#include "data/Tables.h"
#include "platform/Record.h"
#include "platform/SharedRecords.h"
#include "session/CashDesk.h"

#include <gtest/gtest.h>

using namespace qv;

TEST(SharedRecords, LengthsAndPositionsAreFixed)
{
    auto &vars = records::W_VARS_SQL();
    EXPECT_EQ(vars.length(), 42);
    EXPECT_EQ(records::L_LINK().length(), 332);
    EXPECT_EQ(records::W_TAB_RECEBIM().length(), 350);
    EXPECT_EQ(SharedRecord::attach("W-CAMPOS-NFE", 486).length(), 486);
    // The same name is the same bytes everywhere in the process.
    EXPECT_EQ(&SharedRecord::attach("W-VARS-SQL", 42), &vars);
    EXPECT_THROW(SharedRecord::attach("W-VARS-SQL", 40), std::logic_error);

    vars.blank();
    vars.setText(1, 20, QStringLiteral("MARIANA SOUZA"));
    vars.setDigits(21, 2, 7);
    vars.setDigits(33, 5, 1200);
    vars.setDigits(38, 5, 1299);
    EXPECT_EQ(vars.text(1, 20), QStringLiteral("MARIANA SOUZA       "));
    EXPECT_EQ(vars.text(21, 2), QStringLiteral("07"));
    EXPECT_EQ(vars.digits(33, 5), 1200u);
    EXPECT_EQ(vars.text(33, 10), QStringLiteral("0120001299"));
    // Writing never spills into the next field.
    vars.setText(1, 20, QStringLiteral("A NAME LONGER THAN TWENTY CHARACTERS"));
    EXPECT_EQ(vars.text(21, 2), QStringLiteral("07"));
    // Only the low-order digits fit.
    vars.setDigits(21, 2, 123);
    EXPECT_EQ(vars.digits(21, 2), 23u);
    // Blanks and letters read as zero, as an unsigned zoned field would.
    vars.setText(23, 5, QStringLiteral("  1 x"));
    EXPECT_EQ(vars.digits(23, 5), 100u);
    EXPECT_THROW(vars.text(40, 5), std::out_of_range);
}

TEST(Record, NarrowsAndPadsToTheColumn)
{
    Record mesa(tables::movMesa);
    EXPECT_EQ(mesa.size(), 11);
    EXPECT_EQ(mesa.text("operDesc"), QString(20, QLatin1Char(' ')));
    EXPECT_TRUE(mesa.num("descontoManual").isZero());
    mesa.setText("status", QStringLiteral("AB"));
    EXPECT_EQ(mesa.text("status"), QStringLiteral("A"));
    // N(5,2): low-order integer digits, leading decimals.
    mesa.setNum("descontoManual", *Decimal::parse("123456.789"));
    EXPECT_EQ(mesa.num("descontoManual"), *Decimal::parse("23456.78"));
    mesa.setText("idMesa", QStringLiteral("1203"));
    EXPECT_EQ(mesa.integer("idMesa"), 1203);
    EXPECT_THROW(mesa.num("noSuchColumn"), std::logic_error);
}

TEST(Record, ServerBytesReadAsTheSameTextWould)
{
    // Rows from the server are stored from their bytes: every value must
    // come out as setText would have made it.
    Record bytes(tables::movMesa);
    Record text(tables::movMesa);
    const struct
    {
        const char *column;
        const char *value;
    } values[] = {
        {"idMesa", "1203"}, {"descontoManual", "12.50"}, {"descontoManual", "123456.789"},
        {"status", "AB"},   {"operDesc", "JOSÉ"},        {"operDesc", "A NAME LONGER THAN TWENTY CHARS"},
        {"operDesc", ""},   {"taxaServico", "-1.5"},
    };
    for (const auto &v : values) {
        SCOPED_TRACE(std::string(v.column) + "=" + v.value);
        const int index = bytes.layout().indexOf(v.column);
        bytes.setBytes(index, v.value, false);
        text.setText(index, QString::fromUtf8(v.value));
        EXPECT_EQ(bytes.text(index), text.text(index));
        EXPECT_EQ(bytes.num(index), text.num(index));
    }
    // NULL reads as zero or blanks.
    bytes.setBytes(bytes.layout().indexOf("idMesa"), {}, true);
    bytes.setBytes(bytes.layout().indexOf("operDesc"), {}, true);
    EXPECT_EQ(bytes.integer("idMesa"), 0);
    EXPECT_EQ(bytes.text("operDesc"), QString(20, QLatin1Char(' ')));
}

TEST(CashDeskRecord, EntriesSitAtTheirOffsets)
{
    CashDeskRecord r;
    EXPECT_EQ(r.bytes().size(), 445);
    r.setEntry(2, 3, 'A', QStringLiteral("07122026"), QStringLiteral("18:00:00"));
    // Period 2 starts at byte 224; entry 3 is 111 bytes further: byte 335.
    EXPECT_EQ(r.bytes().at(334), 'A');
    EXPECT_EQ(r.bytes().mid(334 + 21, 8), QByteArray("07122026"));
    EXPECT_EQ(r.bytes().mid(334 + 29, 8), QByteArray("18:00:00"));
    EXPECT_TRUE(r.entry(2, 3).isOpen());
    EXPECT_FALSE(r.entry(1, 3).isOpen());
    // Period 0 (none open) and desk 6 index nothing: closed.
    EXPECT_FALSE(r.entry(0, 0).isOpen());
    EXPECT_FALSE(r.entry(2, 6).isOpen());

    auto back = CashDeskRecord::fromBytes(r.bytes());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->entry(2, 3).openDate, QStringLiteral("07122026"));
    EXPECT_FALSE(CashDeskRecord::fromBytes(r.bytes().left(444)));
    QByteArray wrongKey = r.bytes();
    wrongKey[0] = '2';
    EXPECT_FALSE(CashDeskRecord::fromBytes(wrongKey));
}
