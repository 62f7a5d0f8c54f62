#include "data/Tables.h"
#include "data/UnitOfWork.h"
#include "platform/Sql.h"
#include "platform/SqlThread.h"
#include "platform/ui/Desk.h"

#include "TestSupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>

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
    sql.recordInto(&sent);
    Record count(kCount), row(tables::movMesa);
    sql.exec("SELECT COUNT(*)FROM mov_Mesa WHERE idMesa<?", {1200}, &count);
    sql.open("CUR1", "SELECT*FROM mov_Mesa WHERE idMesa>? AND idMesa<?", {1200, QStringLiteral("1299")});
    while (sql.fetch("CUR1", row).ok()) {
    }
    sql.close("CUR1");
    sql.recordInto(nullptr);
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
