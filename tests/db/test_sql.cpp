#include "data/Tables.h"
#include "data/UnitOfWork.h"
#include "platform/Sql.h"
#include "platform/SqlProbe.h"
#include "platform/SqlThread.h"
#include "platform/ui/Desk.h"

#include "TestSupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>
#include <memory>
#include <span>

#include <gtest/gtest.h>

using namespace qv;

namespace {
Decimal d(const char *text)
{
    return *Decimal::parse(text);
}
const Layout kCount("count", {FieldDef::N("count", 11)});
} // namespace

class SqlTest : public ::testing::Test
{
protected:
    // The desk's connection through these endpoints, waiting two seconds at
    // most.
    void connectWithShortLimit(const QStringList &endpoints)
    {
        Sql::Connection c;
        c.hosts = endpoints;
        c.database = db.name();
        c.timeoutSeconds = 2;
        sql.setConnection(c);
    }

    test::TestDatabase db{/*withDemo=*/true};
    Sql &sql = desk::sql();
};

TEST_F(SqlTest, StatesForFoundRowNoRowAndFailure)
{
    Record mesa(tables::movMesa);
    EXPECT_EQ(sql.exec("SELECT*FROM mov_Mesa WHERE idMesa=?", {1201}, &mesa).state(), QStringLiteral("00000"));
    EXPECT_EQ(mesa.integer("idMesa"), 1201);
    EXPECT_EQ(mesa.text("status"), QStringLiteral("A"));
    EXPECT_EQ(mesa.text("horaAbertura").size(), 8);

    // No row: "02000", and the record keeps what it held.
    EXPECT_EQ(sql.exec("SELECT*FROM mov_Mesa WHERE idMesa=?", {9999}, &mesa).state(), QStringLiteral("02000"));
    EXPECT_TRUE(sql.noRow());
    EXPECT_EQ(mesa.integer("idMesa"), 1201);

    // A failing statement reports a failure state and the server's text.
    EXPECT_NE(sql.exec("SELECT*FROM no_such_table WHERE x=?", {1}).state(), QStringLiteral("00000"));
    EXPECT_EQ(sql.state(), QStringLiteral("42S02"));
    EXPECT_TRUE(sql.message().contains(QStringLiteral("no_such_table")));
    // A wrong number of values is refused before it reaches the server.
    EXPECT_EQ(sql.exec("SELECT*FROM mov_Mesa WHERE idMesa=?", {}, &mesa).state(), QStringLiteral("07001"));
    // And the next statement works.
    EXPECT_EQ(sql.exec("SELECT*FROM mov_Mesa WHERE idMesa=?", {301}, &mesa).state(), QStringLiteral("00000"));
}

TEST_F(SqlTest, CursorEndsWithNoData)
{
    ASSERT_EQ(sql.open("CUR1", "SELECT*FROM mov_Mesa WHERE(status=? OR ?='*')AND(idMesa>? AND idMesa<?)",
                       {"*", "*", 1200, 1299})
                  .state(),
              QStringLiteral("00000"));
    Record row(tables::movMesa);
    int rows = 0;
    Record other(tables::tabOperador);
    while (sql.fetch("CUR1", row).state() == QLatin1String("00000")) {
        ++rows;
        // Statements inside the loop do not disturb the open cursor.
        EXPECT_EQ(sql.exec("SELECT*FROM tab_Operador WHERE idOperador=?", {1}, &other).state(),
                  QStringLiteral("00000"));
    }
    EXPECT_EQ(sql.state(), QStringLiteral("02000"));
    EXPECT_EQ(rows, 4);
    EXPECT_EQ(sql.close("CUR1").state(), QStringLiteral("00000"));
    EXPECT_EQ(sql.fetch("CUR1", row).state(), QStringLiteral("24000"));
}

TEST_F(SqlTest, ColumnCountMismatchIsRefused)
{
    Record operador(tables::tabOperador);
    EXPECT_EQ(sql.exec("SELECT*FROM mov_Mesa WHERE idMesa=?", {1201}, &operador).state(), QStringLiteral("07002"));
    EXPECT_TRUE(sql.message().contains(QStringLiteral("tab_Operador")));
    db.run(QStringLiteral("ALTER TABLE tab_Desconto ADD COLUMN extra INT NOT NULL DEFAULT 0"));
    Record desconto(tables::tabDesconto);
    EXPECT_EQ(sql.exec("SELECT*FROM tab_Desconto WHERE idDesconto=?", {1}, &desconto).state(), QStringLiteral("07002"));
}

TEST_F(SqlTest, CharAndDecimalRoundTrip)
{
    // Trailing blanks come back: the value is padded to the column width.
    ASSERT_EQ(sql.exec("UPDATE mov_Mesa SET operDesc=? WHERE idMesa=?", {"ANA  ", 101}).state(),
              QStringLiteral("00000"));
    Record mesa(tables::movMesa);
    ASSERT_EQ(sql.exec("SELECT*FROM mov_Mesa WHERE idMesa=?", {101}, &mesa).state(), QStringLiteral("00000"));
    EXPECT_EQ(mesa.text("operDesc"), QStringLiteral("ANA").leftJustified(20));
    // One blank stays one blank in the database, and reads back padded.
    ASSERT_EQ(sql.exec("UPDATE mov_Mesa SET operDesc=' ',descontoManual=? WHERE idMesa=?", {d("0.105"), 101}).state(),
              QStringLiteral("00000"));
    ASSERT_EQ(sql.exec("SELECT*FROM mov_Mesa WHERE idMesa=?", {101}, &mesa).state(), QStringLiteral("00000"));
    EXPECT_EQ(mesa.text("operDesc"), QString(20, QLatin1Char(' ')));
    // Cut to the cent before binding, so the server has nothing to round.
    EXPECT_EQ(mesa.num("descontoManual"), d("0.10"));
    EXPECT_EQ(db.value(QStringLiteral("SELECT descontoManual FROM mov_Mesa WHERE idMesa=101")), QStringLiteral("0.10"));
    // Accents travel intact.
    ASSERT_EQ(sql.exec("UPDATE mov_Mesa SET operDesc=? WHERE idMesa=?", {QStringLiteral("JOÃO ÇÉ"), 101}).state(),
              QStringLiteral("00000"));
    ASSERT_EQ(sql.exec("SELECT*FROM mov_Mesa WHERE idMesa=?", {101}, &mesa).state(), QStringLiteral("00000"));
    EXPECT_EQ(mesa.text("operDesc").trimmed(), QStringLiteral("JOÃO ÇÉ"));
    // Strict mode: out of range is an error, not a silent clamp.
    EXPECT_EQ(sql.exec("UPDATE mov_Mesa SET descontoManual=? WHERE idMesa=?", {d("123456"), 101}).state(),
              QStringLiteral("22003"));
}

TEST_F(SqlTest, StatementsArePreparedOnceAndArrayReadIsCapped)
{
    Record count(kCount);
    sql.exec("SELECT COUNT(*)FROM mov_Mesa WHERE status<>\"F\"AND(idMesa>? AND idMesa<?)", {1200, 1299}, &count);
    const int prepared = sql.preparedCount();
    for (int t = 1; t <= 20; ++t)
        sql.exec("SELECT COUNT(*)FROM mov_Mesa WHERE status<>\"F\"AND(idMesa>? AND idMesa<?)", {t * 100, t * 100 + 99},
                 &count);
    EXPECT_EQ(sql.preparedCount(), prepared);

    for (int i = 0; i < 25; ++i)
        db.run(QStringLiteral("INSERT INTO mov_MesaItemObs VALUES(0,1,1,301,'C')"));
    std::vector<Record> rows;
    EXPECT_EQ(sql.execRows("SELECT*FROM mov_MesaItemObs WHERE idItem=?", {1}, tables::movMesaItemObs, rows, 20).state(),
              QStringLiteral("00000"));
    EXPECT_EQ(rows.size(), 20u);
    EXPECT_EQ(
        sql.execRows("SELECT*FROM mov_MesaItemObs WHERE idItem=?", {987654}, tables::movMesaItemObs, rows, 20).state(),
        QStringLiteral("02000"));
    EXPECT_TRUE(rows.empty());
}

TEST_F(SqlTest, ATextReusingAnotherTextsAddressIsAStatementOfItsOwn)
{
    // Prepared statements are found again by the address of their text; a
    // buffer reused for another text must not run the first one.
    Record count(kCount);
    std::string text = "SELECT COUNT(*)FROM mov_Mesa WHERE idMesa<?";
    ASSERT_TRUE(sql.exec(text, {1200}, &count).ok());
    EXPECT_EQ(count.num(0).toInt(),
              db.value(QStringLiteral("SELECT COUNT(*) FROM mov_Mesa WHERE idMesa<1200")).toInt());
    const char *address = text.data();
    text[text.size() - 2] = '>';
    ASSERT_EQ(text.data(), address);
    ASSERT_TRUE(sql.exec(text, {1200}, &count).ok());
    EXPECT_EQ(count.num(0).toInt(),
              db.value(QStringLiteral("SELECT COUNT(*) FROM mov_Mesa WHERE idMesa>1200")).toInt());

    // The same text under two cursors: two handles, fetched in turn.
    const std::string rows = "SELECT*FROM mov_Mesa WHERE idMesa>? AND idMesa<? ORDER BY idMesa";
    ASSERT_TRUE(sql.open("CUR1", rows, {1200, 1299}).ok());
    ASSERT_TRUE(sql.open("CUR2", rows, {1300, 1399}).ok());
    Record first(tables::movMesa), second(tables::movMesa);
    ASSERT_TRUE(sql.fetch("CUR1", first).ok());
    ASSERT_TRUE(sql.fetch("CUR2", second).ok());
    EXPECT_EQ(first.integer("idMesa") / 100, 12);
    EXPECT_EQ(second.integer("idMesa") / 100, 13);
    sql.close("CUR1");
    sql.close("CUR2");
}

TEST_F(SqlTest, RecordedStatementsCarryTheirValuesAndFetchesAreNotSent)
{
    std::vector<SentStatement> sent;
    SqlTestProbe::on(sql).recordInto(&sent);
    Record count(kCount), row(tables::movMesa);
    sql.exec("SELECT COUNT(*)FROM mov_Mesa WHERE idMesa<?", {1200}, &count);
    sql.open("CUR1", "SELECT*FROM mov_Mesa WHERE idMesa>? AND idMesa<?", {1200, QStringLiteral("1299")});
    while (sql.fetch("CUR1", row).ok()) {
    }
    sql.close("CUR1");
    SqlTestProbe::on(sql).recordInto(nullptr);
    sql.exec("SELECT COUNT(*)FROM mov_Mesa WHERE idMesa<?", {1300}, &count);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].text, "SELECT COUNT(*)FROM mov_Mesa WHERE idMesa<?");
    ASSERT_EQ(sent[0].params.size(), 1u);
    EXPECT_EQ(sent[0].params[0].integer(), 1200);
    EXPECT_EQ(sent[1].text, "SELECT*FROM mov_Mesa WHERE idMesa>? AND idMesa<?");
    ASSERT_EQ(sent[1].params.size(), 2u);
    EXPECT_EQ(sent[1].params[1].kind(), SqlParam::Text);
    EXPECT_EQ(sent[1].params[1].bytes(), "1299");
}

TEST_F(SqlTest, AConnectionOnItsOwnThreadReadsAlongsideTheEventThreads)
{
    // Declared first, so that it goes once the thread has stopped.
    QObject onThread;
    SqlThread thread;
    onThread.moveToThread(&thread);
    thread.start();
    const Sql::Connection like = *sql.connection();
    int counted = -1;
    QString state;
    QMetaObject::invokeMethod(
        &onThread,
        [&] {
            Sql &own = thread.sql();
            own.setConnection(like);
            Record count(kCount);
            own.exec("SELECT COUNT(*)FROM mov_Mesa WHERE idMesa<?", {1200}, &count);
            state = own.state();
            counted = int(count.num(0).toInt());
        },
        Qt::BlockingQueuedConnection);
    EXPECT_EQ(state, QStringLiteral("00000"));
    Record count(kCount);
    ASSERT_TRUE(sql.exec("SELECT COUNT(*)FROM mov_Mesa WHERE idMesa<?", {1200}, &count).ok());
    EXPECT_EQ(counted, int(count.num(0).toInt()));
}

TEST_F(SqlTest, InsertAndLastInsertId)
{
    const Layout id("id", {FieldDef::N("id", 11)});
    ASSERT_EQ(sql.exec("INSERT INTO mov_MesaItemObs VALUES(?,?,?,?,?)", {0, 5, 1, 301, "O"}).state(),
              QStringLiteral("00000"));
    EXPECT_EQ(sql.affectedRows(), 1);
    Record last(id);
    ASSERT_EQ(sql.exec("SELECT LAST_INSERT_ID()", {}, &last).state(), QStringLiteral("00000"));
    EXPECT_GT(last.integer("id"), 0);
    // A guarded update that finds its row counts it even when nothing changes.
    ASSERT_EQ(sql.exec("UPDATE mov_Mesa SET status=? WHERE idMesa=?", {"F", 101}).state(), QStringLiteral("00000"));
    EXPECT_EQ(sql.affectedRows(), 1);
    ASSERT_EQ(sql.exec("UPDATE mov_Mesa SET status=? WHERE idMesa=?", {"F", 99999}).state(), QStringLiteral("00000"));
    EXPECT_EQ(sql.affectedRows(), 0);
}

TEST_F(SqlTest, UnitOfWorkRollsBackOnScopeExitAndCommitsWhole)
{
    {
        UnitOfWork unit(sql);
        ASSERT_TRUE(unit.started());
        EXPECT_TRUE(sql.inUnitOfWork());
        sql.exec("UPDATE mov_Mesa SET status='B'WHERE idMesa=?", {101});
    }
    EXPECT_FALSE(sql.inUnitOfWork());
    EXPECT_EQ(db.value(QStringLiteral("SELECT status FROM mov_Mesa WHERE idMesa=101")), QStringLiteral("F"));
    {
        UnitOfWork unit(sql);
        sql.exec("UPDATE mov_Mesa SET status='B'WHERE idMesa=?", {101});
        EXPECT_TRUE(unit.commit());
        EXPECT_FALSE(unit.commit()); // once only
    }
    EXPECT_EQ(db.value(QStringLiteral("SELECT status FROM mov_Mesa WHERE idMesa=101")), QStringLiteral("B"));
}

TEST_F(SqlTest, NestedUnitOfWorkJoinsAndOnlyTheOutermostCommits)
{
    {
        UnitOfWork outer(sql);
        sql.exec("UPDATE mov_Mesa SET status='B'WHERE idMesa=?", {101});
        {
            UnitOfWork inner(sql);
            ASSERT_TRUE(inner.started());
            EXPECT_FALSE(inner.outermost());
            sql.exec("UPDATE mov_Mesa SET status='B'WHERE idMesa=?", {102});
            EXPECT_TRUE(inner.commit());
        }
        // The inner commit stored nothing yet: another connection still
        // sees the rows as they were.
        EXPECT_EQ(db.value(QStringLiteral("SELECT status FROM mov_Mesa WHERE idMesa=102")), QStringLiteral("F"));
        EXPECT_TRUE(outer.commit());
    }
    EXPECT_EQ(db.value(QStringLiteral("SELECT status FROM mov_Mesa WHERE idMesa IN (101,102) GROUP BY status")),
              QStringLiteral("B"));
}

TEST_F(SqlTest, InnerUnitOfWorkGivingUpSpoilsTheWhole)
{
    {
        UnitOfWork outer(sql);
        sql.exec("UPDATE mov_Mesa SET status='B'WHERE idMesa=?", {101});
        {
            UnitOfWork inner(sql);
            sql.exec("UPDATE mov_Mesa SET status='B'WHERE idMesa=?", {102});
            // left without a commit: its part failed
        }
        EXPECT_FALSE(outer.commit());
    }
    EXPECT_FALSE(sql.inUnitOfWork());
    EXPECT_EQ(db.value(QStringLiteral("SELECT COUNT(*) FROM mov_Mesa WHERE idMesa IN (101,102) AND status='B'")),
              QStringLiteral("0"));
    // The next unit starts clean.
    {
        UnitOfWork unit(sql);
        sql.exec("UPDATE mov_Mesa SET status='B'WHERE idMesa=?", {101});
        EXPECT_TRUE(unit.commit());
    }
    EXPECT_EQ(db.value(QStringLiteral("SELECT status FROM mov_Mesa WHERE idMesa=101")), QStringLiteral("B"));
}

TEST_F(SqlTest, LostConnectionFailsOnceThenReconnects)
{
    const Layout id("id", {FieldDef::N("id", 11)});
    Record connection(id);
    ASSERT_EQ(sql.exec("SELECT CONNECTION_ID()", {}, &connection).state(), QStringLiteral("00000"));
    const qint64 before = connection.integer("id");
    db.run(QStringLiteral("KILL %1").arg(before));

    Record mesa(tables::movMesa);
    const SqlResult result = sql.exec("SELECT*FROM mov_Mesa WHERE idMesa=?", {1201}, &mesa);
    EXPECT_TRUE(result.failed());
    EXPECT_TRUE(result.connectionLost());
    EXPECT_FALSE(sql.message().isEmpty());

    // The next statement connects again and prepares afresh.
    EXPECT_EQ(sql.exec("SELECT*FROM mov_Mesa WHERE idMesa=?", {1201}, &mesa).state(), QStringLiteral("00000"));
    connection.clear();
    ASSERT_EQ(sql.exec("SELECT CONNECTION_ID()", {}, &connection).state(), QStringLiteral("00000"));
    EXPECT_NE(connection.integer("id"), before);
}

TEST_F(SqlTest, ConnectionLostInsideAUnitOfWorkStoresNothingAndNeverReconnectsMidway)
{
    const Layout id("id", {FieldDef::N("id", 11)});
    Record connection(id);
    ASSERT_TRUE(sql.exec("SELECT CONNECTION_ID()", {}, &connection).ok());
    {
        UnitOfWork unit(sql);
        ASSERT_TRUE(unit.started());
        ASSERT_TRUE(sql.exec("UPDATE mov_Mesa SET status='B'WHERE idMesa=?", {101}).ok());
        db.run(QStringLiteral("KILL %1").arg(connection.integer("id")));
        const SqlResult second = sql.exec("UPDATE mov_Mesa SET status='B'WHERE idMesa=?", {102});
        EXPECT_TRUE(second.connectionLost());
        // A reconnection now would store the third write on its own.
        EXPECT_TRUE(sql.exec("UPDATE mov_Mesa SET status='B'WHERE idMesa=?", {103}).failed());
        EXPECT_FALSE(unit.commit());
        EXPECT_FALSE(sql.state().isEmpty());
    }
    EXPECT_EQ(db.value(QStringLiteral("SELECT COUNT(*) FROM mov_Mesa WHERE idMesa IN (101,102,103) AND status='B'")),
              QStringLiteral("0"));
    // Once the unit is over the next statement connects again.
    EXPECT_TRUE(sql.exec("SELECT CONNECTION_ID()", {}, &connection).ok());
}

TEST_F(SqlTest, FailoverTakesTheNextEndpointThatAnswers)
{
    Sql::Connection c;
    c.hosts = {QStringLiteral("/nonexistent/first.sock"), test::TestDatabase::socket()};
    c.database = db.name();
    c.timeoutSeconds = 2;
    sql.setConnection(c);
    Record mesa(tables::movMesa);
    EXPECT_TRUE(sql.exec("SELECT*FROM mov_Mesa WHERE idMesa=?", {1201}, &mesa).ok());

    // Lost again: the endpoint in use is tried first, the dead one not at all.
    const Layout id("id", {FieldDef::N("id", 11)});
    Record connection(id);
    ASSERT_TRUE(sql.exec("SELECT CONNECTION_ID()", {}, &connection).ok());
    db.run(QStringLiteral("KILL %1").arg(connection.integer("id")));
    EXPECT_TRUE(sql.exec("SELECT*FROM mov_Mesa WHERE idMesa=?", {1201}, &mesa).connectionLost());
    EXPECT_TRUE(sql.exec("SELECT*FROM mov_Mesa WHERE idMesa=?", {1201}, &mesa).ok());

    // Every endpoint gone: a failure that says the connection is lost.
    c.hosts = {QStringLiteral("/nonexistent/a.sock"), QStringLiteral("/nonexistent/b.sock")};
    sql.setConnection(c);
    const SqlResult none = sql.exec("SELECT*FROM mov_Mesa WHERE idMesa=?", {1201}, &mesa);
    EXPECT_TRUE(none.failed());
    EXPECT_TRUE(none.connectionLost());
}

TEST_F(SqlTest, ARowLockHeldElsewhereIsWaitedForOnlyAsLongAsAllowed)
{
    Sql::Connection c;
    c.socket = test::TestDatabase::socket();
    c.database = db.name();
    c.timeoutSeconds = 1;
    Sql other;
    other.setConnection(c);
    sql.setConnection(c);

    UnitOfWork holder(other);
    ASSERT_TRUE(holder.started());
    ASSERT_TRUE(other.exec("SELECT status FROM mov_Mesa WHERE idMesa=? FOR UPDATE", {1201}).ok());

    UnitOfWork waiter(sql);
    ASSERT_TRUE(waiter.started());
    QElapsedTimer clock;
    clock.start();
    const SqlResult result = sql.exec("SELECT status FROM mov_Mesa WHERE idMesa=? FOR UPDATE", {1201});
    EXPECT_TRUE(result.failed());
    EXPECT_TRUE(result.lockTimeout()) << result.state().toStdString() << " " << result.message().toStdString();
    EXPECT_FALSE(result.connectionLost());
    EXPECT_LT(clock.elapsed(), 4000);
}

namespace {

// Stops the test server's process (as a hung machine would be) for the
// scope and lets it go on at its end.
class StalledServer
{
public:
    explicit StalledServer(const test::TestDatabase &db)
    {
        QFile pidFile(db.value(QStringLiteral("SELECT @@pid_file")));
        if (pidFile.open(QIODevice::ReadOnly))
            m_pid = pidFile.readAll().trimmed().toLongLong();
        if (m_pid <= 0 || ::kill(pid_t(m_pid), SIGSTOP) != 0) {
            m_pid = 0;
            return;
        }
        // The stop reaches the server's threads asynchronously: wait until
        // the kernel shows it stopped, or a busy machine lets it answer
        // first.
        QElapsedTimer settle;
        settle.start();
        for (;;) {
            QFile stat(QStringLiteral("/proc/%1/stat").arg(m_pid));
            const bool stopped = stat.open(QIODevice::ReadOnly) && stat.readAll().split(' ').value(2) == "T";
            if (stopped || settle.elapsed() > 3000)
                break;
            QThread::msleep(10);
        }
    }
    ~StalledServer() { resume(); }
    bool stalled() const { return m_pid > 0; }
    void resume()
    {
        if (m_pid > 0)
            ::kill(pid_t(m_pid), SIGCONT);
        m_pid = 0;
    }

private:
    qint64 m_pid = 0;
};

} // namespace

TEST_F(SqlTest, AStalledServerHoldsAStatementNoLongerThanTheLimit)
{
    // The statement gives up after the configured limit and the connection
    // is taken as lost, so the next statement, once the server is back,
    // connects again.
    connectWithShortLimit({test::TestDatabase::socket()});
    ASSERT_TRUE(sql.exec("SELECT CONNECTION_ID()").ok());

    StalledServer stall(db);
    ASSERT_TRUE(stall.stalled());
    QElapsedTimer clock;
    clock.start();
    const SqlResult stalled = sql.exec("SELECT CONNECTION_ID()");
    const qint64 waited = clock.elapsed();
    stall.resume();
    EXPECT_TRUE(stalled.failed());
    EXPECT_TRUE(stalled.connectionLost());
    EXPECT_LT(waited, 7000) << "a stalled server held the statement " << waited << " ms";
    // The statements that follow in the same command are not sent to a
    // server that just let one wait the whole limit: each would wait as
    // long again. They fail at once, as lost.
    const std::int64_t losses = sql.lostCount();
    const SqlResult paused = sql.exec("SELECT CONNECTION_ID()");
    EXPECT_TRUE(paused.connectionLost());
    EXPECT_EQ(paused.state(), QStringLiteral("08001"));
    EXPECT_EQ(paused.message(), QStringLiteral("the server did not answer; not asked again for a moment"));
    EXPECT_EQ(sql.lostCount(), losses + 1);
    // Once another connection has reached the server, or after the pause,
    // the next statement connects again.
    sql.serverAnswered();
    EXPECT_TRUE(sql.exec("SELECT CONNECTION_ID()").ok()) << sql.message().toStdString();
}

TEST_F(SqlTest, OnlyTheEndpointThatWentSilentSitsOut)
{
    // Two endpoints; the second reaches the same server by another path,
    // as a second cluster node would reach the same data.
    QTemporaryDir dir;
    const QString other = dir.filePath(QStringLiteral("other.sock"));
    ASSERT_TRUE(QFile::link(test::TestDatabase::socket(), other));
    connectWithShortLimit({test::TestDatabase::socket(), other});
    ASSERT_TRUE(sql.exec("SELECT CONNECTION_ID()").ok());

    {
        StalledServer stall(db);
        ASSERT_TRUE(stall.stalled());
        EXPECT_TRUE(sql.exec("SELECT CONNECTION_ID()").connectionLost());
    }
    // The first endpoint sits out its pause; the next statement goes to
    // the other at once instead of failing.
    EXPECT_TRUE(sql.exec("SELECT CONNECTION_ID()").ok()) << sql.message().toStdString();
}

namespace {

// Everything a probe is asked and told, in order.
class ListeningProbe final : public SqlProbe
{
public:
    std::vector<std::string> asked;
    std::vector<std::string> sentTexts;
    int executions = 0;
    int waits = 0;

    std::optional<Failure> failure(std::string_view text) override
    {
        asked.emplace_back(text);
        return std::nullopt;
    }
    void sent(std::string_view text, std::span<const SqlParam>) override { sentTexts.emplace_back(text); }
    void executed() override { ++executions; }
    void waited(int count) override { waits += count; }
};

} // namespace

// A hook point missed on any path (a cursor's fetch, a batch, the commit, a
// connection attempt) would let a test inject nothing where it believes it
// did, and the benchmark undercount what the screen costs.
TEST_F(SqlTest, AProbeIsAskedBeforeEveryStatementFetchAndCommitAndToldOfEveryWait)
{
    const char *count = "SELECT COUNT(*)FROM mov_Mesa WHERE idMesa<?";
    const char *rows = "SELECT*FROM mov_Mesa WHERE idMesa>? AND idMesa<? ORDER BY idMesa";
    const char *touch = "UPDATE mov_Mesa SET status=status WHERE idMesa=?";
    Sql own;
    own.setConnection(*sql.connection());
    auto installed = std::make_unique<ListeningProbe>();
    ListeningProbe &probe = *installed;
    own.setProbe(std::move(installed));

    Record total(kCount), row(tables::movMesa);
    ASSERT_TRUE(own.exec(count, {1200}, &total).ok()); // connects, prepares, executes
    ASSERT_TRUE(own.open("CUR9", rows, {1200, 1299}).ok());
    ASSERT_TRUE(own.fetch("CUR9", row).ok()); // the rows came at open
    own.close("CUR9");
    {
        UnitOfWork unit(own);
        ASSERT_TRUE(own.exec(touch, {1201}).ok());
        ASSERT_TRUE(unit.commit());
    }
    SqlBatch batch;
    batch.add(count, {1300}, kCount);
    batch.readAs(batch.add(rows, {1300, 1399}, tables::movMesa), "CURB");
    ASSERT_TRUE(own.run(batch));

    EXPECT_EQ(probe.asked, (std::vector<std::string>{count, rows, "FETCH CUR9", touch, std::string(Sql::kCommit), count,
                                                     rows, "FETCH CURB"}));
    EXPECT_EQ(probe.sentTexts, (std::vector<std::string>{count, rows, touch, count, rows}));
    EXPECT_EQ(probe.executions, 5);
    // 3 for the first read, 2 for the cursor, begin, 2 for the write,
    // commit, and the batch: the plain handle of `rows` prepared, then one
    // chunk.
    EXPECT_EQ(probe.waits, 3 + 2 + 1 + 2 + 1 + 2);
}

TEST_F(SqlTest, OnlyAnInstalledProbeSteersTheConnectionAndTheTestsShareOne)
{
    const char *count = "SELECT COUNT(*)FROM mov_Mesa WHERE idMesa<?";
    Sql own;
    own.setConnection(*sql.connection());
    EXPECT_EQ(own.probe(), nullptr); // as the desk runs
    SqlTestProbe &probe = SqlTestProbe::on(own);
    EXPECT_EQ(&SqlTestProbe::on(own), &probe);
    EXPECT_EQ(own.probe(), &probe);

    Record total(kCount);
    probe.failNext(count, QStringLiteral("40001"), QStringLiteral("injected"));
    EXPECT_EQ(own.exec(count, {1200}, &total).state(), QStringLiteral("40001"));
    EXPECT_TRUE(own.exec(count, {1200}, &total).ok()); // once only

    // A failure still pending goes with the probe that held it.
    probe.failNext(count);
    own.setProbe(nullptr);
    EXPECT_EQ(own.probe(), nullptr);
    EXPECT_TRUE(own.exec(count, {1200}, &total).ok());

    // A probe of another kind is replaced by the tests' own.
    own.setProbe(std::make_unique<ListeningProbe>());
    SqlTestProbe &replaced = SqlTestProbe::on(own);
    EXPECT_EQ(own.probe(), &replaced);
    replaced.failNext(count);
    EXPECT_EQ(own.exec(count, {1200}, &total).state(), QStringLiteral("HY000"));
}

TEST(SqlConnection, UnreachableServerReportsInsteadOfHanging)
{
    Sql::Connection c;
    c.socket = QStringLiteral("/nonexistent/quorvel.sock");
    c.database = QStringLiteral("x");
    desk::sql().setConnection(c);
    const SqlResult result = desk::sql().exec("SELECT CURTIME()");
    EXPECT_TRUE(result.failed());
    EXPECT_TRUE(result.connectionLost());
    EXPECT_FALSE(desk::sql().message().isEmpty());
    desk::sql().disconnect();
}

class SqlBatchTest : public SqlTest
{
protected:
    // Whatever an earlier test's stalled server left paused is over.
    void SetUp() override { sql.serverAnswered(); }
};

namespace {

// What a batch answered, execution by execution, in a form two runs can be
// compared by.
struct Answer
{
    QString state;
    QString message;
    bool lost = false;
    std::int64_t affected = 0;
    QStringList rows;
    bool operator==(const Answer &) const = default;
};

std::vector<Answer> answers(const SqlBatch &batch)
{
    std::vector<Answer> all;
    for (std::size_t i = 0; i < batch.size(); ++i) {
        Answer a{batch.result(i).state(),
                 batch.result(i).message(),
                 batch.result(i).connectionLost(),
                 batch.affectedRows(i),
                 {}};
        for (const Record &row : batch.rows(i)) {
            QStringList fields;
            for (int f = 0; f < row.size(); ++f)
                fields << row.text(f);
            a.rows << fields.join(QLatin1Char('|'));
        }
        all.push_back(a);
    }
    return all;
}

void PrintTo(const Answer &a, std::ostream *out)
{
    *out << a.state.toStdString() << ' ' << a.message.toStdString() << (a.lost ? " lost" : "") << " affected "
         << a.affected << " rows " << a.rows.size();
}

const char *kRowById = "SELECT*FROM mov_Mesa WHERE idMesa=?";
const char *kCountBelow = "SELECT COUNT(*)FROM mov_Mesa WHERE idMesa<?";
const char *kSetStatus = "UPDATE mov_Mesa SET status=? WHERE idMesa=?";
const char *kInsertObs = "INSERT INTO mov_MesaItemObs VALUES(?,?,?,?,?)";
const char *kObsCount = "SELECT COUNT(*)FROM mov_MesaItemObs WHERE idItem=?";

// Every kind of outcome an execution can have, the same text several
// times over with other values, reads and writes mixed.
void fillMixedBatch(SqlBatch &batch)
{
    batch.add(kRowById, {1201}, tables::movMesa);                  // found
    batch.add(kRowById, {9999}, tables::movMesa);                  // no row
    batch.add(kCountBelow, {1200}, kCount);                        // a count
    batch.add("SELECT*FROM no_such_table WHERE x=?", {1}, kCount); // cannot be prepared
    batch.add(kRowById, {}, tables::movMesa);                      // too few values
    batch.add(kRowById, {301}, kCount);                            // columns do not match the record
    batch.add(kSetStatus, {"B", 101});                             // one row matched
    batch.add(kSetStatus, {"B", 99999});                           // none matched
    batch.add("UPDATE mov_Mesa SET descontoManual=? WHERE idMesa=?", {d("123456"), 101}); // refused by the server
    batch.add(kInsertObs, {0, 987654, 1, 301, "O"});                                      // an insert
    batch.add(kObsCount, {987654}, kCount);      // sees the insert just before it
    batch.add(kRowById, {101}, tables::movMesa); // reads the update before it
    for (int t = 1; t <= 30; ++t)
        batch.add(kCountBelow, {t * 100}, kCount);
}

} // namespace

TEST_F(SqlBatchTest, ABatchAnswersEachExecutionAsOneByOneAndInOneRoundTrip)
{
    // Both runs start from the same data: each in a unit that is rolled back.
    std::vector<Answer> pipelined, oneByOne;
    std::int64_t pipelinedTrips = 0, oneByOneTrips = 0, statements[2] = {0, 0};
    for (const bool pipeline : {true, false}) {
        sql.setPipeline(pipeline);
        SqlBatch warm;
        fillMixedBatch(warm);
        {
            UnitOfWork unit(sql);
            sql.run(warm); // prepares whatever is new
        }
        SqlBatch batch;
        fillMixedBatch(batch);
        UnitOfWork unit(sql);
        const std::int64_t trips = SqlTestProbe::on(sql).roundTrips();
        const std::int64_t sent = SqlTestProbe::on(sql).statementCount();
        EXPECT_FALSE(sql.run(batch));
        (pipeline ? pipelinedTrips : oneByOneTrips) = SqlTestProbe::on(sql).roundTrips() - trips;
        statements[pipeline] = SqlTestProbe::on(sql).statementCount() - sent;
        (pipeline ? pipelined : oneByOne) = answers(batch);
        // The first failure is the connection's last state, as one by one.
        EXPECT_EQ(sql.state(), QStringLiteral("42S02"));
    }
    sql.setPipeline(true);

    ASSERT_EQ(pipelined.size(), oneByOne.size());
    for (std::size_t i = 0; i < pipelined.size(); ++i)
        EXPECT_EQ(pipelined[i], oneByOne[i]) << "execution " << i;
    // The prepare failed and the values and columns were refused before
    // anything was sent; the rest went to the server, in one round trip
    // or one each (and the failed prepare is asked again every time).
    EXPECT_EQ(statements[true], 39);
    EXPECT_EQ(statements[false], 39);
    EXPECT_EQ(pipelinedTrips, 1 + 1);
    EXPECT_EQ(oneByOneTrips, 39 + 1);

    const struct
    {
        std::size_t index;
        const char *state;
        std::int64_t affected;
        int rows;
    } expected[] = {
        {0, "00000", 1, 1}, {1, "02000", 0, 0}, {2, "00000", 1, 1},  {3, "42S02", 0, 0},
        {4, "07001", 0, 0}, {5, "07002", 0, 0}, {6, "00000", 1, 0},  {7, "00000", 0, 0},
        {8, "22003", 0, 0}, {9, "00000", 1, 0}, {10, "00000", 1, 1}, {11, "00000", 1, 1},
    };
    for (const auto &e : expected) {
        SCOPED_TRACE(e.index);
        EXPECT_EQ(pipelined[e.index].state, QLatin1String(e.state));
        EXPECT_EQ(pipelined[e.index].affected, e.affected);
        EXPECT_EQ(pipelined[e.index].rows.size(), e.rows);
        EXPECT_FALSE(pipelined[e.index].lost);
    }
    EXPECT_TRUE(pipelined[0].rows[0].startsWith(QStringLiteral("1201|")));
    EXPECT_EQ(pipelined[10].rows[0], QStringLiteral("1"));
    EXPECT_TRUE(pipelined[11].rows[0].contains(QStringLiteral("|B|")));
    for (int t = 1; t <= 30; ++t)
        EXPECT_EQ(pipelined[11 + std::size_t(t)].rows[0],
                  db.value(QStringLiteral("SELECT COUNT(*) FROM mov_Mesa WHERE idMesa<%1").arg(t * 100)));
    // Nothing of the rolled-back units stayed, and the connection goes on.
    EXPECT_EQ(db.value(QStringLiteral("SELECT COUNT(*) FROM mov_MesaItemObs WHERE idItem=987654")),
              QStringLiteral("0"));
    Record mesa(tables::movMesa);
    EXPECT_TRUE(sql.exec(kRowById, {1201}, &mesa).ok());
}

TEST_F(SqlBatchTest, ABatchFarLargerThanTheSocketBuffersGoesThroughInOrder)
{
    // Thousands of answers, more than either side's buffers hold while the
    // other is still writing: the batch reads as it sends and never stalls.
    SqlBatch batch;
    for (int i = 0; i < 2500; ++i) {
        batch.add(kCountBelow, {i}, kCount);
        batch.add(kRowById, {i % 2 ? 1201 : 301}, tables::movMesa);
    }
    sql.exec(kCountBelow, {0});
    sql.exec(kRowById, {0});
    const std::int64_t trips = SqlTestProbe::on(sql).roundTrips();
    ASSERT_TRUE(sql.run(batch));
    // Bounded chunks of a thousand executions each.
    EXPECT_EQ(SqlTestProbe::on(sql).roundTrips() - trips, 5);
    EXPECT_EQ(batch.row(2 * 1201)->num(0).toInt(),
              db.value(QStringLiteral("SELECT COUNT(*) FROM mov_Mesa WHERE idMesa<1201")).toInt());
    EXPECT_EQ(batch.row(2 * 2499)->num(0).toInt(),
              db.value(QStringLiteral("SELECT COUNT(*) FROM mov_Mesa WHERE idMesa<2499")).toInt());
    EXPECT_EQ(batch.row(2 * 2499 + 1)->integer("idMesa"), 1201);
    EXPECT_EQ(batch.row(2 * 2498 + 1)->integer("idMesa"), 301);
}

TEST_F(SqlBatchTest, AFailureAtAnyPositionOfAWriteBatchLeavesNothingWritten)
{
    const std::vector<std::pair<const char *, std::vector<SqlParam>>> writes = {
        {kSetStatus, {"B", 101}},
        {kInsertObs, {0, 9, 1, 301, "O"}},
        {"UPDATE mov_Mesa SET qtdPessoas=? WHERE idMesa=?", {9, 102}},
        {"DELETE FROM mov_MesaItemObs WHERE idMesa=?", {1201}},
        {"UPDATE mov_Mesa SET idGarcon=? WHERE idMesa=?", {7, 103}},
    };
    const QString stored =
        QStringLiteral("SELECT CONCAT((SELECT GROUP_CONCAT(idMesa,status,qtdPessoas,idGarcon ORDER BY "
                       "idMesa) FROM mov_Mesa),'/',(SELECT GROUP_CONCAT(idItemObs ORDER BY "
                       "idItemObs) FROM mov_MesaItemObs))");
    const QString before = db.value(stored);
    for (const bool pipeline : {true, false}) {
        sql.setPipeline(pipeline);
        for (std::size_t failing = 0; failing < writes.size(); ++failing) {
            SCOPED_TRACE(testing::Message() << "pipeline " << pipeline << " failing " << failing);
            SqlTestProbe::on(sql).failNext(writes[failing].first, QStringLiteral("HY000"), QStringLiteral("injected"));
            SqlBatch batch;
            for (const auto &[text, values] : writes) {
                if (values.size() == 2)
                    batch.add(text, {values[0], values[1]});
                else if (values.size() == 1)
                    batch.add(text, {values[0]});
                else
                    batch.add(text, {values[0], values[1], values[2], values[3], values[4]});
            }
            {
                UnitOfWork unit(sql);
                EXPECT_FALSE(sql.run(batch));
                EXPECT_EQ(batch.firstFailure(), std::optional<std::size_t>(failing));
                EXPECT_EQ(sql.message(), QStringLiteral("injected"));
                // The executions after the failing one ran all the same.
                for (std::size_t i = failing + 1; i < writes.size(); ++i)
                    EXPECT_TRUE(batch.result(i).ok()) << i;
            }
            EXPECT_EQ(db.value(stored), before);
        }
    }
    sql.setPipeline(true);
}

TEST_F(SqlBatchTest, AConnectionLostInTheMiddleOfABatchLosesTheRestAndTheNextStatementReconnects)
{
    const Layout id("id", {FieldDef::N("id", 11)});
    const Layout slept("slept", {FieldDef::N("slept", 11)});
    for (const bool pipeline : {true, false}) {
        SCOPED_TRACE(pipeline);
        sql.setPipeline(pipeline);
        Record connection(id);
        ASSERT_TRUE(sql.exec("SELECT CONNECTION_ID()", {}, &connection).ok());
        const QString killer = QStringLiteral("KILL %1").arg(connection.integer("id"));
        SqlBatch batch;
        batch.add(kRowById, {1201}, tables::movMesa);
        batch.add("SELECT SLEEP(?)", {3}, slept);
        batch.add(kRowById, {1202}, tables::movMesa);
        batch.add(kCountBelow, {1200}, kCount);
        const std::int64_t losses = sql.lostCount();
        QThread *kill = QThread::create([&] {
            QThread::msleep(400);
            db.run(killer);
        });
        kill->start();
        EXPECT_FALSE(sql.run(batch));
        kill->wait();
        delete kill;
        EXPECT_TRUE(batch.result(0).ok());
        for (std::size_t i = 1; i < batch.size(); ++i) {
            EXPECT_TRUE(batch.result(i).failed()) << i;
            EXPECT_TRUE(batch.result(i).connectionLost()) << i;
        }
        EXPECT_TRUE(sql.result().connectionLost());
        EXPECT_GT(sql.lostCount(), losses);
        Record mesa(tables::movMesa);
        EXPECT_TRUE(sql.exec(kRowById, {1201}, &mesa).ok());
    }
    sql.setPipeline(true);
}
