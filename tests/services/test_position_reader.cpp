// The positions of one table as the chooser and the split dialog list them,
// read by the core against the demo restaurant: which positions each filter
// lists, with which icon and waiter, and what a failed look-up leaves.
#include "board/BoardReader.h"
#include "board/PositionReader.h"
#include "data/Statements.h"
#include "platform/Sql.h"
#include "platform/SqlProbe.h"
#include "platform/ui/Desk.h"

#include "Seed.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace qv::test {
namespace {

using namespace chooser;

class PositionReaderTest : public ::testing::Test
{
protected:
    TestDatabase db{true};
    PositionReader reader{desk::sql()};

    PositionListing list(int table, int filter) { return reader.chooserList(table * 100, table * 100 + 99, filter); }
    static QList<int> ids(const PositionListing &l)
    {
        QList<int> all;
        for (const ListedPosition &p : l.positions)
            all << p.idMesa;
        return all;
    }
    static QList<int> icons(const PositionListing &l)
    {
        QList<int> all;
        for (const ListedPosition &p : l.positions)
            all << p.icon;
        return all;
    }
};

TEST_F(PositionReaderTest, AFilterListsItsPositionsWithTheirIcons)
{
    // Positions 00 and 99 lie outside both exclusive bounds.
    db.run(QStringLiteral("INSERT INTO mov_Mesa (idMesa, status) VALUES (1200, 'A'), (1299, 'B');"
                          "UPDATE mov_Mesa SET status='B', idGarcon=13 WHERE idMesa=1803;"));
    const struct
    {
        int table;
        int filter;
        QList<int> positions;
        QList<int> icons;
    } cases[] = {
        {12, EmAndamento, {1201, 1202}, {2, 2}}, // kitchen orders still waiting
        {12, Todas, {1201, 1202, 1203, 1204}, {2, 2, 4, 4}},
        {12, Pedido, {1201, 1202}, {2, 2}},
        {12, Sobremesa, {}, {}},
        {12, Bloqueadas, {}, {}},
        {12, Fechadas, {1203, 1204}, {4, 4}},
        // A dessert on order: still "Abertas", no longer "Pedido".
        {5, EmAndamento, {501}, {3}},
        {5, Abertas, {501}, {3}},
        {5, Pedido, {}, {}},
        {5, Sobremesa, {501}, {3}},
        // Open with nothing ordered.
        {21, EmAndamento, {2101}, {1}},
        {21, Pedido, {}, {}},
        // Bill requested ('I'): icon 5 in progress and under "Todas", but
        // not blocked; "Bloqueadas" asks for 'B' alone.
        {18, EmAndamento, {1801, 1803}, {5, 5}},
        {18, Todas, {1801, 1802, 1803, 1804}, {5, 4, 5, 4}},
        {18, Bloqueadas, {1803}, {5}},
        // Every table order collected; the counter's take-away order
        // numbered 7 ('V') still waits but does not count.
        {7, EmAndamento, {701}, {6}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "table " << c.table << " filter " << c.filter);
        const PositionListing l = list(c.table, c.filter);
        ASSERT_TRUE(l.outcome.done());
        EXPECT_EQ(ids(l), c.positions);
        EXPECT_EQ(icons(l), c.icons);
    }

    const PositionListing twelve = list(12, EmAndamento);
    EXPECT_EQ(twelve.positions[0].people, 2);
    EXPECT_EQ(twelve.positions[0].waiterName, QStringLiteral("JOSE RODRIGUES"));
    EXPECT_EQ(list(18, Todas).positions[1].waiterName, QString()); // no waiter
}

TEST_F(PositionReaderTest, KitchenFlagChoosesBetweenTheOrderIcons)
{
    // 2201 has only cancelled items (no order); 2301 an order without any
    // kitchen record.
    db.run(QStringLiteral("INSERT INTO mov_MesaItem (idItem, idMesa, idProduto, status) VALUES"
                          " (500, 2201, 101, 'C'), (501, 2201, 404, 'K'), (502, 2301, 303, 'I');"
                          "UPDATE mov_Mesa SET status='A', qtdPessoas=2, idGarcon=4 WHERE idMesa IN (2201, 2301);"));
    EXPECT_EQ(icons(list(22, EmAndamento)), QList<int>{1});
    EXPECT_EQ(icons(list(23, EmAndamento)), QList<int>{2});

    // Kitchen records are per table: collecting table 12's orders flags
    // both positions; a dessert on one of them still shows the dessert.
    db.run(QStringLiteral("UPDATE mov_Cozinha SET baixaGarHora='21:10:00' WHERE idPedMesa=12 AND tipo='M';"
                          "UPDATE mov_MesaItem SET idProduto=405 WHERE idItem=23;"));
    EXPECT_EQ(icons(list(12, EmAndamento)), (QList<int>{6, 3}));
}

// A question that failed is no answer: the row shows less (no flag, no
// waiter), never "every order collected".
TEST_F(PositionReaderTest, AFailedLookUpShowsLessNeverMore)
{
    Sql &sql = desk::sql();
    SqlTestProbe::on(sql).failNext(stmt::kKitchenWaiting);
    EXPECT_EQ(icons(list(7, EmAndamento)), QList<int>{2});
    SqlTestProbe::on(sql).failNext(stmt::kKitchenOrders);
    EXPECT_EQ(icons(list(7, EmAndamento)), QList<int>{2});
    SqlTestProbe::on(sql).failNext(stmt::kOperatorById);
    const PositionListing twelve = list(12, EmAndamento);
    EXPECT_EQ(twelve.positions[0].waiterName, QString());
    EXPECT_EQ(twelve.positions[1].waiterName, QStringLiteral("JOSE RODRIGUES"));
    EXPECT_EQ(icons(list(7, EmAndamento)), QList<int>{6});

    // The board asks with counts, under the same rule: with tables 3 and 5
    // without kitchen records, table 7 is the first the second count is
    // asked for.
    db.run(QStringLiteral("DELETE FROM mov_Cozinha WHERE idPedMesa IN (3, 5)"));
    BoardQuery query;
    query.filter = EmAndamento;
    query.businessDate = QStringLiteral("08122026");
    query.period = 2;
    auto seven = [](const BoardSnapshot &board) {
        for (const BoardRow &r : board.rows)
            if (r.table == 7)
                return r.icon;
        return 0;
    };
    EXPECT_EQ(seven(BoardReader(sql).MESAS(query)), 6);
    SqlTestProbe::on(sql).failNext(stmt::kCountKitchenWaiting);
    EXPECT_EQ(seven(BoardReader(sql).MESAS(query)), 2);

    // A counter that could not be read is not a count of zero.
    SqlTestProbe::on(sql).failNext(stmt::kCountBusyTables);
    const BoardSnapshot board = BoardReader(sql).MESAS(query);
    EXPECT_FALSE(board.busyTablesRead);
    EXPECT_TRUE(board.closedSalesRead);
}

TEST_F(PositionReaderTest, AnUnreadableListIsToldAndListsNothing)
{
    Sql &sql = desk::sql();
    SqlTestProbe::on(sql).failNext(stmt::kPositionsByStatus);
    PositionListing l = list(12, Todas);
    EXPECT_TRUE(l.outcome.failed());
    EXPECT_EQ(l.outcome.message, QStringLiteral("Erro na leitura das mesas !!!"));
    EXPECT_TRUE(l.positions.empty());

    SqlTestProbe::on(sql).failNext("FETCH CUR8");
    l = reader.splitCandidates(1201);
    EXPECT_EQ(l.outcome.message, QStringLiteral("Erro na leitura do cursor !!!"));
    EXPECT_TRUE(l.positions.empty());
}

TEST_F(PositionReaderTest, SplitCandidatesAreTheOtherOpenPositionsOfTheTable)
{
    setPosition(db, 1203, 'I');
    setPosition(db, 1204, 'A', 3, 0);
    db.run(QStringLiteral("UPDATE mov_Mesa SET status='B' WHERE idMesa=1202"));
    // 1202 is the one split: blocked, and never its own candidate even when
    // unblocked meanwhile.
    const PositionListing l = reader.splitCandidates(1202);
    ASSERT_TRUE(l.outcome.done());
    EXPECT_EQ(ids(l), (QList<int>{1201, 1204}));
    EXPECT_EQ(icons(l), (QList<int>{2, 1})); // no kitchen flag in the split list
    EXPECT_EQ(l.positions[1].waiterName, QString());
    db.run(QStringLiteral("UPDATE mov_Mesa SET status='A' WHERE idMesa=1202"));
    EXPECT_EQ(ids(reader.splitCandidates(1202)), (QList<int>{1201, 1204}));
}

TEST_F(PositionReaderTest, APositionInUseIsFoundAbsentOrFailed)
{
    EXPECT_EQ(reader.positionInUse(1200, 1299).value().integer("idMesa"), 1201);
    EXPECT_TRUE(reader.positionInUse(4000, 4099).isAbsent()); // every position free
    EXPECT_TRUE(reader.positionInUse(9000, 9099).isAbsent()); // no row at all
    SqlTestProbe::on(desk::sql()).failNext(stmt::kOpenPositions, QStringLiteral("HY000"), QStringLiteral("gone"));
    const Read<Record> failed = reader.positionInUse(1200, 1299);
    EXPECT_TRUE(failed.isFailed());
    EXPECT_EQ(failed.error().message, QStringLiteral("gone"));
}

} // namespace
} // namespace qv::test
