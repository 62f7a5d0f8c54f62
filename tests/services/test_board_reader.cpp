// The board rebuild without any form: the snapshot a rebuild hands over.
#include "board/BoardReader.h"
#include "data/Statements.h"
#include "platform/Sql.h"
#include "platform/SqlProbe.h"
#include "platform/ui/Desk.h"

#include "Seed.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace qv::test {
namespace {

class BoardReaderTest : public ::testing::Test
{
protected:
    TestDatabase db{true};
    BoardReader reader{desk::sql()};

    BoardSnapshot rebuild(int filter)
    {
        BoardQuery query;
        query.filter = filter;
        query.businessDate = QStringLiteral("08122026");
        query.period = 2;
        return reader.MESAS(query);
    }
    static QList<int> tables(const BoardSnapshot &board)
    {
        QList<int> listed;
        for (const BoardRow &row : board.rows)
            listed.append(row.table);
        return listed;
    }
    static const BoardRow *row(const BoardSnapshot &board, int table)
    {
        for (const BoardRow &r : board.rows)
            if (r.table == table)
                return &r;
        return nullptr;
    }
};

TEST_F(BoardReaderTest, SnapshotListsFilteredTablesWithTheirStateAndCounters)
{
    setPosition(db, 3001, 'A', 2, 4);
    setPosition(db, 3002, 'A', 3, 5);
    addItem(db, {3002});
    const qint64 ordered = addItem(db, {3301});
    setPosition(db, 3301, 'A');
    addKitchen(db, ordered, 33, true);
    db.run(QStringLiteral("INSERT INTO mov_Vendas(idVenda,tipo,data,turno,nrCaixa,pontoMesa) "
                          "VALUES(0,'M','20261208',2,1,1),(0,'M','20261208',1,1,1)"));

    const BoardSnapshot board = rebuild(7);
    ASSERT_EQ(board.result, BoardSnapshot::Result::Built);
    EXPECT_EQ(tables(board), (QList<int>{3, 5, 7, 12, 15, 18, 21, 25, 30, 33}));
    const BoardRow *thirty = row(board, 30);
    ASSERT_TRUE(thirty);
    EXPECT_EQ(thirty->state, 'A'); // an open position without items wins
    EXPECT_EQ(thirty->icon, 1);
    EXPECT_EQ(thirty->people, 5);
    EXPECT_TRUE(thirty->severalPositions);
    EXPECT_EQ(row(board, 33)->icon, 6); // every kitchen order collected
    EXPECT_EQ(board.busyTables, 10);
    EXPECT_EQ(board.closedSales, 1); // this period's only
    EXPECT_EQ(board.clock.size(), 5);

    EXPECT_EQ(tables(rebuild(2)), (QList<int>{21, 30}));
    EXPECT_EQ(rebuild(1).rows.size(), 80u);
}

TEST_F(BoardReaderTest, UnreadableTableListFailsTheRebuildAndListsNothing)
{
    SqlTestProbe::on(desk::sql()).failNext("FETCH CUR1");
    const BoardSnapshot board = rebuild(1);
    EXPECT_EQ(board.result, BoardSnapshot::Result::Failed);
    EXPECT_TRUE(board.fatal);
    EXPECT_EQ(board.failure.message, QStringLiteral("Erro na leitura do cursor (MESAS) !!!"));
    EXPECT_TRUE(board.rows.empty());

    SqlTestProbe::on(desk::sql()).failNext(stmt::kTableRows);
    EXPECT_EQ(rebuild(1).failure.message, QStringLiteral("Erro na leitura das mesas !!!"));
}

} // namespace
} // namespace qv::test
