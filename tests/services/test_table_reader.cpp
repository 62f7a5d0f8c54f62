// The table reading without any form: what LERMESA finds and computes.
#include "board/TableReader.h"
#include "data/Statements.h"
#include "platform/Sql.h"
#include "platform/SqlProbe.h"
#include "platform/ui/Desk.h"
#include "session/Session.h"

#include "Seed.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace qv::test {
namespace {

using Result = TableReader::Reading::Result;

class TableReaderTest : public ::testing::Test
{
protected:
    TestDatabase db{true};
    TableReader reader{desk::sql(), desk::session()};
};

TEST_F(TableReaderTest, FreeMissingAndShownPositionsAreToldApart)
{
    setPosition(db, 4001, 'F');
    EXPECT_EQ(reader.LERMESA(4001, false).result, Result::Free);
    EXPECT_EQ(reader.LERMESA(99999, false).result, Result::Missing);

    setPosition(db, 4001, 'B', 3, 4, "10.00");
    addItem(db, {4001, 112, "12.50"});
    const auto reading = reader.LERMESA(4001, false);
    ASSERT_EQ(reading.result, Result::Shown);
    EXPECT_EQ(reading.table.idMesa, 4001);
    EXPECT_TRUE(reading.table.blocked());
    EXPECT_TRUE(reading.table.serviceOn());
    EXPECT_EQ(reading.table.people(), 3);
    EXPECT_EQ(reading.table.totals.products.toDisplay(2), QStringLiteral("12,50"));
    EXPECT_EQ(reading.table.totals.serviceValue.toDisplay(2), QStringLiteral("1,25"));
}

TEST_F(TableReaderTest, ItemsOfOneComandaKeepTheirLaunchOrderAndListRowsFollowThem)
{
    setPosition(db, 4002, 'A');
    std::vector<qint64> launched;
    for (int i = 0; i < 3; ++i)
        launched.push_back(addItem(db, {4002, 112, "10.00", 'I', 0, 'N', "0", 7}));
    const qint64 loose = addItem(db, {4002});
    addObservation(db, launched[1], 4002, 1, 'C');

    for (int round = 0; round < 3; ++round) {
        const auto reading = reader.LERMESA(4002, true);
        ASSERT_EQ(reading.result, Result::Shown);
        ASSERT_EQ(reading.table.itemCount(), 4);
        for (std::size_t i = 0; i < launched.size(); ++i)
            EXPECT_EQ(reading.table.items[i].idItem, launched[i]);
        EXPECT_EQ(reading.table.items.back().idItem, loose); // no comanda: last

        // The observation row follows its item and carries no item id.
        const auto rows = reading.table.listRows();
        ASSERT_EQ(rows.size(), 5u);
        EXPECT_EQ(rows[1].idItem, launched[1]);
        EXPECT_EQ(rows[2].idItem, 0);
        EXPECT_EQ(rows[2].item, 1);
        EXPECT_EQ(rows[3].idItem, launched[2]);
    }
    EXPECT_EQ(reader.LERMESA(4002, false).table.listRows().size(), 4u);
}

TEST_F(TableReaderTest, UnreadablePricesRefuseTheReadingInsteadOfAWrongTotal)
{
    setPosition(db, 4003, 'A');
    const qint64 item = addItem(db, {4003, 112, "10.00", 'I', 1});
    addObservation(db, item, 4003, 1, 'C');

    for (const std::string_view statement : {stmt::kObservationById, stmt::kDiscountById, stmt::kProductById}) {
        SqlTestProbe::on(desk::sql()).failNext(statement);
        const auto reading = reader.LERMESA(4003, true);
        EXPECT_EQ(reading.result, Result::Failed) << statement;
        EXPECT_FALSE(reading.fatal) << statement;
        EXPECT_TRUE(reading.failure.failed()) << statement;
        EXPECT_TRUE(reading.failure.message.startsWith(QStringLiteral("Erro HY000 na leitura"))) << statement;
    }
    // The item cursor itself failing ends the screen, as before.
    SqlTestProbe::on(desk::sql()).failNext(stmt::kLiveItems);
    const auto reading = reader.LERMESA(4003, true);
    EXPECT_EQ(reading.result, Result::Failed);
    EXPECT_TRUE(reading.fatal);
    EXPECT_EQ(reading.failure.message, QStringLiteral("Erro na leitura dos itens da mesa !!!"));
}

TEST_F(TableReaderTest, AnItemsWaiterThatCannotBeReadLeavesItsNameBlankAndTheTableStillRead)
{
    // The only read that failed is the last of its wave: nothing else stops
    // the reading, which must still ask for the table's own time open and
    // discount instead of looking for answers never asked.
    setPosition(db, 4004, 'A');
    addItem(db, {4004, 112, "10.00", 'I', 1});
    SqlTestProbe::on(desk::sql()).failNext(stmt::kOperatorById);
    const auto reading = reader.LERMESA(4004, true);
    ASSERT_EQ(reading.result, Result::Shown);
    ASSERT_EQ(reading.table.items.size(), 1u);
    EXPECT_TRUE(reading.table.items[0].waiterName.isEmpty());
    EXPECT_FALSE(reading.table.timeOpen.isEmpty());
}

} // namespace
} // namespace qv::test
