// Against a three-node Galera cluster on loopback (scripts/cluster, started
// by scripts/test): the connection goes on through another node when the
// one in use dies, a transaction in flight is rolled back and told, never
// half-stored, and two desks writing the same row on two nodes cannot both
// store their write.
#include "data/Tables.h"
#include "data/UnitOfWork.h"
#include "platform/Sql.h"

#include <QProcess>
#include <QString>
#include <QThread>

#include <gtest/gtest.h>

#include <set>

using namespace qv;

namespace {

const QString kScript = QStringLiteral(QUORVEL_SOURCE_DIR "/scripts/cluster");
const Layout kNode("node", {FieldDef::C("node", 20)});
const Layout kCount("count", {FieldDef::N("count", 11)});

// Statements of the test's own bookkeeping (the program's are in the
// statement catalogue; these only exist to count what the cluster stored).
constexpr std::string_view kWhichNode = "SELECT @@wsrep_node_name";
constexpr std::string_view kClusterSize = "SELECT VARIABLE_VALUE FROM information_schema.GLOBAL_STATUS WHERE "
                                          "VARIABLE_NAME='WSREP_CLUSTER_SIZE'";
constexpr std::string_view kCreateLedger =
    "CREATE TABLE IF NOT EXISTS test_ledger(sale INT NOT NULL PRIMARY KEY,desk INT NOT NULL)";
constexpr std::string_view kClearLedger = "DELETE FROM test_ledger WHERE sale>=?";
constexpr std::string_view kRecordSale = "INSERT INTO test_ledger VALUES(?,?)";
constexpr std::string_view kCountSales = "SELECT COUNT(*)FROM test_ledger WHERE sale>=? AND sale<?";
constexpr std::string_view kSetStatus = "UPDATE mov_Mesa SET status=? WHERE idMesa=?";
constexpr std::string_view kLockRow = "SELECT status FROM mov_Mesa WHERE idMesa=? FOR UPDATE";

QString clusterDir()
{
    return qEnvironmentVariable("QUORVEL_CLUSTER_DIR");
}

bool script(const QStringList &arguments)
{
    QProcess p;
    p.start(kScript, arguments);
    return p.waitForFinished(180000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

Sql::Connection endpoints(const QStringList &hosts)
{
    Sql::Connection c;
    c.hosts = hosts;
    c.host = QStringLiteral("127.0.0.1");
    c.database = QStringLiteral("quorvel");
    c.timeoutSeconds = 5;
    return c;
}

QStringList allNodes()
{
    const int base = qEnvironmentVariableIntValue("QUORVEL_CLUSTER_PORT")
                         ? qEnvironmentVariableIntValue("QUORVEL_CLUSTER_PORT")
                         : 33060;
    return {QStringLiteral("127.0.0.1:%1").arg(base + 1), QStringLiteral("127.0.0.1:%1").arg(base + 2),
            QStringLiteral("127.0.0.1:%1").arg(base + 3)};
}

// The node number (1..3) the connection is on; 0 when it cannot tell.
int nodeInUse(Sql &sql)
{
    Record node(kNode);
    if (!sql.exec(kWhichNode, {}, &node).ok())
        return 0;
    return node.text("node").trimmed().mid(4).toInt();
}

int clusterSize(Sql &sql)
{
    Record size(kCount);
    return sql.exec(kClusterSize, {}, &size).ok() ? int(size.integer("count")) : 0;
}

class ClusterTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (clusterDir().isEmpty())
            GTEST_SKIP() << "no cluster: scripts/test starts one and sets QUORVEL_CLUSTER_DIR";
        ASSERT_TRUE(script({QStringLiteral("start"), clusterDir()})) << "the cluster did not start";
        Sql setup;
        setup.setConnection(endpoints(allNodes()));
        ASSERT_TRUE(setup.exec(kCreateLedger).ok()) << setup.message().toStdString();
        ASSERT_TRUE(setup.exec(kClearLedger, {0}).ok());
    }
};

// One "sale" as a desk writes it: the position's row changed and the sale
// recorded, all or nothing.
bool writeSale(Sql &sql, int sale, int desk, int idMesa)
{
    UnitOfWork unit(sql);
    if (!unit.started())
        return false;
    if (!sql.exec(kLockRow, {idMesa}).answered())
        return false;
    if (!sql.exec(kSetStatus, {QStringLiteral("F"), idMesa}).ok())
        return false;
    if (!sql.exec(kRecordSale, {sale, desk}).ok())
        return false;
    return unit.commit();
}

TEST_F(ClusterTest, TheDeskGoesOnThroughAnotherNodeWhenItsNodeDies)
{
    Sql desk;
    desk.setConnection(endpoints(allNodes()));
    const int first = nodeInUse(desk);
    ASSERT_GE(first, 1);

    // The desk writes sales 1..20; the node in use dies after the tenth.
    // A sale whose write fails is written again, as the cashier would
    // close the account again: none may be lost and none stored twice.
    int failures = 0;
    for (int sale = 1; sale <= 20; ++sale) {
        if (sale == 11) {
            ASSERT_TRUE(script({QStringLiteral("kill"), clusterDir(), QString::number(first)}));
        }
        bool stored = writeSale(desk, sale, 1, 7001);
        for (int retry = 0; !stored && retry < 3; ++retry) {
            ++failures;
            EXPECT_TRUE(desk.result().connectionLost() || desk.result().failed());
            stored = writeSale(desk, sale, 1, 7001);
        }
        ASSERT_TRUE(stored) << "sale " << sale << ": " << desk.message().toStdString();
    }
    EXPECT_GE(failures, 1) << "the death of the node in use went unnoticed";
    const int now = nodeInUse(desk);
    EXPECT_NE(now, first);
    EXPECT_EQ(clusterSize(desk), 2);

    Record count(kCount);
    ASSERT_TRUE(desk.exec(kCountSales, {1, 21}, &count).ok());
    EXPECT_EQ(count.integer("count"), 20);

    // The node comes back and catches up; the cluster is whole again for
    // the next test.
    ASSERT_TRUE(script({QStringLiteral("node"), clusterDir(), QString::number(first)}));
    Sql back;
    back.setConnection(endpoints({allNodes().at(first - 1)}));
    ASSERT_TRUE(back.exec(kCountSales, {1, 21}, &count).ok());
    EXPECT_EQ(count.integer("count"), 20);
}

TEST_F(ClusterTest, TwoDesksOnTwoNodesCannotBothStoreTheSameClosing)
{
    const QStringList nodes = allNodes();
    Sql deskA, deskB;
    deskA.setConnection(endpoints({nodes[0]}));
    deskB.setConnection(endpoints({nodes[1]}));
    ASSERT_TRUE(deskA.exec(kSetStatus, {QStringLiteral("B"), 7002}).ok());

    // Both lock the position on their own node (locks are not shared across
    // nodes) and write; the first commit wins, the second is refused by
    // certification and rolled back.
    UnitOfWork unitA(deskA), unitB(deskB);
    ASSERT_TRUE(unitA.started() && unitB.started());
    ASSERT_TRUE(deskA.exec(kLockRow, {7002}).ok());
    ASSERT_TRUE(deskB.exec(kLockRow, {7002}).ok());
    ASSERT_TRUE(deskA.exec(kSetStatus, {QStringLiteral("F"), 7002}).ok());
    ASSERT_TRUE(deskA.exec(kRecordSale, {101, 1}).ok());
    ASSERT_TRUE(unitA.commit()) << deskA.message().toStdString();

    bool storedB = deskB.exec(kSetStatus, {QStringLiteral("F"), 7002}).ok() && deskB.exec(kRecordSale, {102, 2}).ok();
    if (storedB)
        storedB = unitB.commit();
    EXPECT_FALSE(storedB);
    EXPECT_TRUE(deskB.result().conflict()) << deskB.state().toStdString() << " " << deskB.message().toStdString();

    Record count(kCount);
    ASSERT_TRUE(deskA.exec(kCountSales, {101, 103}, &count).ok());
    EXPECT_EQ(count.integer("count"), 1);
}

} // namespace

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

TEST_F(ClusterTest, BatchesGoBackToBackThroughTheClusterAndReadAsOneByOne)
{
    const QStringList nodes = allNodes();
    Sql desk;
    desk.setConnection(endpoints(nodes));
    Sql elsewhere;
    elsewhere.setConnection(endpoints({nodes[1]}));
    for (const bool pipeline : {true, false}) {
        SCOPED_TRACE(pipeline);
        desk.setPipeline(pipeline);
        const int first = pipeline ? 50000 : 60000;
        // A unit's writes in one batch, read back inside it, then stored.
        {
            UnitOfWork unit(desk);
            ASSERT_TRUE(unit.started());
            SqlBatch writes;
            for (int sale = first; sale < first + 300; ++sale)
                writes.add(kRecordSale, {sale, 1});
            writes.add(kCountSales, {first, first + 300}, kCount);
            ASSERT_TRUE(desk.run(writes)) << desk.message().toStdString();
            EXPECT_EQ(writes.row(300)->integer("count"), 300);
            ASSERT_TRUE(unit.commit());
        }
        // Another node applies the write set a moment later.
        Record stored(kCount);
        for (int tries = 0; tries < 50; ++tries) {
            ASSERT_TRUE(elsewhere.exec(kCountSales, {first, first + 300}, &stored).ok());
            if (stored.integer("count") == 300)
                break;
            QThread::msleep(100);
        }
        EXPECT_EQ(stored.integer("count"), 300);

        // A read batch answers each execution as the single statement does.
        SqlBatch reads;
        for (int sale = first; sale < first + 300; sale += 3)
            reads.add(kCountSales, {first, sale}, kCount);
        ASSERT_TRUE(desk.run(reads));
        for (std::size_t i = 0; i < reads.size(); ++i)
            EXPECT_EQ(reads.row(i)->integer("count"), std::int64_t(i) * 3) << i;
    }
}
