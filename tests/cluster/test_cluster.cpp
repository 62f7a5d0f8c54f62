// Against a three-node Galera cluster on loopback (scripts/cluster, started
// by scripts/test): the connection goes on through another node when the
// one in use dies, a transaction in flight is rolled back and told, never
// half-stored, and two desks writing the same row on two nodes cannot both
// store their write; two desks on two nodes claim the same account and
// only one of them takes the payment; a closing that meets another node's
// write at any of its statements writes nothing and says what happened.
#include "board/TableReader.h"
#include "data/Statements.h"
#include "data/Tables.h"
#include "data/UnitOfWork.h"
#include "platform/SharedRecords.h"
#include "platform/Sql.h"
#include "session/Exchanges.h"
#include "session/Session.h"
#include "tables/ClosingService.h"
#include "tables/PaymentClaims.h"

#include <QProcess>
#include <QString>
#include <QThread>

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <atomic>
#include <chrono>
#include <latch>
#include <set>
#include <thread>

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

// Claims left by an earlier run of these tests on the same cluster.
constexpr std::string_view kClearClaims = "DELETE FROM mov_MesaCobranca WHERE idMesa>=? AND idMesa<?";
constexpr std::string_view kCountClaims = "SELECT COUNT(*)FROM mov_MesaCobranca WHERE idMesa=?";
constexpr std::string_view kCountTableSales = "SELECT COUNT(*)FROM mov_Vendas WHERE nrMesa=?";
constexpr std::string_view kPositionStatus = "SELECT status FROM mov_Mesa WHERE idMesa=?";
constexpr std::string_view kSetUpPosition =
    "UPDATE mov_Mesa SET status='B',qtdPessoas=2,idGarcon=4,horaAbertura='20:00:00',idDesconto=0,descontoManual=0,"
    "taxaServico=0,dividida='N' WHERE idMesa=?";
constexpr std::string_view kClearPosition = "DELETE FROM mov_MesaItem WHERE idMesa=?";
constexpr std::string_view kLaunch = "INSERT INTO mov_MesaItem(idMesa,idProduto,valorUnitario,idOperador,status,"
                                     "horaPedido) VALUES(?,112,10,4,'I','20:00:00')";
// Another desk's closing of the same account, as it reaches this node.
constexpr std::string_view kOtherDeskFrees =
    "UPDATE mov_Mesa SET status='F',horaAbertura='00:00:00' WHERE idMesa=? AND status<>'F'";

bool positionWithItems(Sql &sql, int idMesa, int items)
{
    if (!sql.exec(kSetUpPosition, {idMesa}).ok() || !sql.exec(kClearPosition, {idMesa}).ok())
        return false;
    UnitOfWork unit(sql);
    for (int i = 0; i < items; ++i)
        if (!sql.exec(kLaunch, {idMesa}).ok())
            return false;
    return unit.commit();
}

std::int64_t count(Sql &sql, std::string_view text, int idMesa)
{
    Record n(kCount);
    return sql.exec(text, {idMesa}, &n).ok() ? n.integer("count") : -1;
}

// A desk's session: dinner of today at desk `desk`, operator 1.
void deskSession(int desk)
{
    SharedRecord::resetAll();
    exchange::DeskSession::setPeriod(2);
    exchange::DeskSession::setDesk(desk);
    records::W_VARS_SQL().setDigits(21, 2, 1);
}

TEST_F(ClusterTest, TwoDesksOnTwoNodesClaimingOneAccountOpenOnePayment)
{
    const QStringList nodes = allNodes();
    Sql deskA, deskB;
    deskA.setConnection(endpoints({nodes[0]}));
    deskB.setConnection(endpoints({nodes[1]}));
    deskSession(1);
    Session session(deskA);
    session.loadOperators();
    ASSERT_TRUE(session.readParameters());
    ASSERT_TRUE(positionWithItems(deskA, 7101, 3));
    ASSERT_TRUE(deskA.exec(kClearClaims, {7000, 8000}).ok());

    // The closing as each desk starts it: exactly one payment module opens.
    ClosingService closingA(deskA, session, 2), closingB(deskB, session, 2);
    TableReader readerA(deskA, session), readerB(deskB, session);
    const ShownTable atA = readerA.LERMESA(7101, false).table;
    const ShownTable atB = readerB.LERMESA(7101, false).table;
    ASSERT_TRUE(atA.shown() && atB.shown());
    ASSERT_EQ(closingA.prepare(atA).then, ClosingService::Then::Pay);
    const ClosingService::Preparation refused = closingB.prepare(atB);
    EXPECT_EQ(refused.then, ClosingService::Then::Stop);
    EXPECT_TRUE(refused.outcome.message.startsWith(QStringLiteral("Mesa em pagamento no caixa 1 ")))
        << refused.outcome.message.toStdString();

    // Desk A dies with its payment open: within the bound desk B may pay.
    deskA.disconnect();
    QElapsedTimer waited;
    waited.start();
    ClosingService::Preparation taken;
    while (waited.elapsed() < 10000) {
        taken = closingB.prepare(atB);
        if (taken.then == ClosingService::Then::Pay)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    EXPECT_EQ(taken.then, ClosingService::Then::Pay) << taken.outcome.message.toStdString();
    EXPECT_LT(waited.elapsed(), 2000 + 2500) << "the claim outlived its bound";
    EXPECT_FALSE(taken.notice.isEmpty());

    // Claimed at the same moment on two nodes, round after round: one desk
    // wins, the other is refused, never both.
    Sql deskC;
    deskC.setConnection(endpoints({nodes[2]}));
    for (int round = 0; round < 20; ++round) {
        const int idMesa = 7200 + round;
        PaymentClaims a(deskB, 60), c(deskC, 60);
        std::latch start(2);
        PaymentClaims::Claim byA, byC;
        std::thread other([&] {
            start.arrive_and_wait();
            byC = c.claim(idMesa, QStringLiteral("20:00:00"), 3, 1);
        });
        start.arrive_and_wait();
        byA = a.claim(idMesa, QStringLiteral("20:00:00"), 2, 1);
        other.join();
        EXPECT_NE(byA.outcome.done(), byC.outcome.done())
            << "round " << round << ": " << byA.outcome.message.toStdString() << " / "
            << byC.outcome.message.toStdString();
        const Outcome &loser = byA.outcome.done() ? byC.outcome : byA.outcome;
        EXPECT_TRUE(loser.refused() && loser.message.startsWith(QStringLiteral("Mesa em pagamento ")))
            << loser.message.toStdString();
        // Read where it was written: another node may apply it a moment later.
        EXPECT_EQ(count(byA.outcome.done() ? deskB : deskC, kCountClaims, idMesa), 1);
    }
}

TEST_F(ClusterTest, AClosingThatMeetsAnotherNodesWriteMidwayWritesNothingAndSaysItWasClosed)
{
    const QStringList nodes = allNodes();
    Sql cashier, other;
    cashier.setConnection(endpoints({nodes[1]}));
    other.setConnection(endpoints({nodes[0]}));
    deskSession(1);
    Session session(cashier);
    session.loadOperators();
    ASSERT_TRUE(session.readParameters());
    ClosingService closing(cashier, session);
    TableReader reader(cashier, session);
    const auto pay = [] {
        exchange::PaymentExchange::answer({true, QStringLiteral("01").leftJustified(350), Decimal(), Decimal()});
    };

    // How long a closing of this size takes here, undisturbed.
    constexpr int kItems = 150;
    ASSERT_TRUE(positionWithItems(cashier, 7301, kItems));
    ShownTable shown = reader.LERMESA(7301, false).table;
    pay();
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(closing.GRAVAR(shown, {}).done());
    const qint64 undisturbed = clock.elapsed();

    // The other desk's closing reaches this node while the cashier's is
    // being written: the cashier's transaction is aborted at whatever
    // statement it is running, not only at its commit.
    int midway = 0;
    for (int round = 0; round < 6 && midway == 0; ++round) {
        const int idMesa = 7302 + round;
        ASSERT_TRUE(positionWithItems(cashier, idMesa, kItems));
        shown = reader.LERMESA(idMesa, false).table;
        ASSERT_TRUE(shown.shown());
        const std::int64_t salesBefore = count(cashier, kCountTableSales, idMesa / 100);
        pay();
        std::atomic<bool> otherStored{false};
        std::thread otherDesk([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(undisturbed / 3));
            UnitOfWork unit(other);
            otherStored = unit.started() && other.exec(kLockRow, {idMesa}).answered()
                          && other.exec(kOtherDeskFrees, {idMesa}).ok() && other.affectedRows() == 1 && unit.commit();
        });
        const Outcome o = closing.GRAVAR(shown, {});
        otherDesk.join();
        if (o.done()) {
            // The cashier's closing was certified first: one sale.
            EXPECT_EQ(count(cashier, kCountTableSales, idMesa / 100), salesBefore + 1);
            continue;
        }
        ASSERT_TRUE(otherStored) << o.message.toStdString();
        EXPECT_TRUE(o.refused()) << o.message.toStdString();
        EXPECT_EQ(o.message, QStringLiteral("Mesa já foi fechada em outro caixa !!!")) << o.step.toStdString();
        EXPECT_EQ(o.next, Outcome::Next::Release);
        EXPECT_EQ(count(cashier, kCountTableSales, idMesa / 100), salesBefore) << "a sale was written";
        if (!o.step.isEmpty() && o.step != QStringLiteral("confirmação") && o.step != QStringLiteral("fechada"))
            ++midway;
    }
    EXPECT_GE(midway, 1) << "no round met the other node's write before the commit";
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
