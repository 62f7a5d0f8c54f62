#pragma once

#include "platform/Decimal.h"
#include "platform/Record.h"

#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

struct Config;
class SqlProbe;

// One positional input value of a statement. Numbers go to the server as
// integers or exact decimal text; text as UTF-8. A Decimal is cut to two
// decimals unless told otherwise: every money and percent column has two,
// and the server would round the extra ones on store.
class SqlParam
{
public:
    SqlParam(int value) : SqlParam(std::int64_t(value)) {}
    SqlParam(std::int64_t value);
    SqlParam(Decimal value, int decimals = 2);
    SqlParam(const QString &value);
    SqlParam(const char *value) : SqlParam(QString::fromUtf8(value)) {}

    enum Kind {
        Integer,
        Exact,
        Text
    };
    Kind kind() const { return m_kind; }
    std::int64_t integer() const { return m_integer; }
    const std::string &bytes() const { return m_bytes; }

private:
    Kind m_kind;
    std::int64_t m_integer = 0;
    std::string m_bytes;
};

using SqlParams = std::initializer_list<SqlParam>;

// A statement as it was sent, with its values: what a benchmark replays.
struct SentStatement
{
    std::string text;
    std::vector<SqlParam> params;
};

// Why a connection could not be made, as far as the server and the client
// library tell it: what a technician must change differs for each.
enum class ConnectFailure {
    None,
    Unreachable,     // no server answered at that address, or it stopped answering
    AccessDenied,    // the server refused the user and password
    UnknownDatabase, // the database named does not exist there
    TlsRequired,     // the server accepts this account only over TLS
    TlsUnavailable,  // TLS was asked for and the server does not offer it
    TlsCertificate,  // the server's certificate did not verify
    Other,
};

// What the server said of a failed statement: the 5-character SQLSTATE and
// its text, and whether the connection itself went away with it.
struct DbError
{
    QString state;
    QString message;
    bool connectionLost = false;
    ConnectFailure connectFailure = ConnectFailure::None;
    bool conflict = false;    // see SqlResult::conflict
    bool lockTimeout = false; // see SqlResult::lockTimeout
    // The server answered but would not let the desk in.
    bool refused() const
    {
        return connectFailure != ConnectFailure::None && connectFailure != ConnectFailure::Unreachable;
    }
};

// The outcome of the last call: "00000" success, "02000" no (more) rows,
// anything else a failure. The states are compared here and nowhere else.
class SqlResult
{
public:
    bool ok() const { return m_state == QLatin1String("00000"); }
    bool noRow() const { return m_state == QLatin1String("02000"); }
    // A read that found its row or found none; the caller decides what an
    // absent row means, but a failure is never taken for one.
    bool answered() const { return ok() || noRow(); }
    bool failed() const { return !answered(); }
    bool connectionLost() const { return m_connectionLost; }
    // Another connection's write won: a deadlock, or a cluster's
    // certification refusing this transaction at COMMIT. The server rolled
    // the transaction back.
    bool conflict() const { return m_state == QLatin1String("40001"); }
    // A row lock held elsewhere was waited for as long as allowed.
    bool lockTimeout() const { return m_errorNumber == kLockWaitTimeout; }
    // No connection could be made, and why (None: the failure is another).
    ConnectFailure connectFailure() const { return m_connectFailure; }
    // The server answered but would not let this desk in (credentials,
    // database, TLS): trying again at once will not help, a person must.
    bool refused() const
    {
        return m_connectFailure != ConnectFailure::None && m_connectFailure != ConnectFailure::Unreachable;
    }
    unsigned int errorNumber() const { return m_errorNumber; }
    const QString &state() const { return m_state; }
    const QString &message() const { return m_message; }
    DbError error() const
    {
        return {m_state, m_message, m_connectionLost, m_connectFailure, conflict(), lockTimeout()};
    }

private:
    friend class Sql;
    QString m_state = QStringLiteral("00000");
    QString m_message;
    bool m_connectionLost = false;
    unsigned int m_errorNumber = 0; // the server's or the library's own number
    ConnectFailure m_connectFailure = ConnectFailure::None;
    static constexpr unsigned int kLockWaitTimeout = 1205;
};

// Several executions of prepared statements, sent back to back and
// answered in order (Sql::run): one round trip for the lot instead of one
// each. Every execution keeps the outcome it would have had on its own: its
// SQLSTATE and message, its rows, its affected rows. The server runs them
// one after another as if they had come one by one, so an execution that
// fails does not stop the ones after it: writes are batched only inside a
// unit of work, which then rolls the whole command back.
class SqlBatch
{
public:
    // A read: every row of the answer, each into a record of `layout` (the
    // statement must return exactly its columns). "02000" when none came.
    std::size_t add(std::string_view text, SqlParams in, const Layout &layout);
    // A write (or a read whose rows are only counted: "02000" when none).
    std::size_t add(std::string_view text, SqlParams in = {});

    std::size_t size() const { return m_entries.size(); }
    bool empty() const { return m_entries.empty(); }
    // Drops every execution, to build the next wave.
    void clear() { m_entries.clear(); }

    const SqlResult &result(std::size_t index) const { return m_entries[index].result; }
    const std::vector<Record> &rows(std::size_t index) const { return m_entries[index].rows; }
    // The first row, or nothing when none came (or the execution failed).
    const Record *row(std::size_t index) const;
    // Rows matched by an UPDATE/DELETE, inserted by an INSERT, read by a
    // SELECT.
    std::int64_t affectedRows(std::size_t index) const { return m_entries[index].affected; }
    // Names the rows of an execution as a cursor's: a failure while they
    // are read is then told apart from the execution's own (fetchFailed),
    // and a test can inject one as "FETCH <cursor>".
    void readAs(std::size_t index, const char *cursor) { m_entries[index].cursor = cursor; }
    // The execution ran, but its rows could not be read.
    bool fetchFailed(std::size_t index) const { return m_entries[index].fetchFailed; }
    // The first execution that failed, in the order they were added.
    std::optional<std::size_t> firstFailure() const;

private:
    friend class Sql;
    struct Entry
    {
        std::string_view text; // a constant of data/Statements.h (or a test's literal)
        std::vector<SqlParam> params;
        const Layout *layout = nullptr;
        SqlResult result;
        std::vector<Record> rows;
        std::int64_t affected = 0;
        const char *cursor = nullptr;
        bool fetchFailed = false;
        bool sent = false;
        void *prepared = nullptr; // Sql::Prepared of the execution in flight
    };
    std::vector<Entry> m_entries;
};

// The embedded-SQL runtime of the program: one connection made lazily from
// the configuration by the first statement, every statement text prepared
// once and cached by its text, positional inputs, typed outputs into
// records, named cursors, and after every call a 5-character SQLSTATE
// ("00000" success, "02000" no row / end of data) with the server's message.
//
// A lost connection fails the statement in flight with a state and a
// message; the next statement reconnects and prepares again. Automatic
// reconnection of the client library stays off: it would silently drop the
// prepared statements and any open transaction.
class Sql
{
public:
    struct Connection
    {
        QString socket;
        QString host = QStringLiteral("localhost");
        int port = 3306;
        QString user = QStringLiteral("root");
        QString password;
        QString database;
        // host:port endpoints of a cluster (or socket paths), tried in
        // turn; when empty, host and port above. A socket, when set, wins
        // over both.
        QStringList hosts;
        // The longest any statement, connection or row lock may keep the
        // screen waiting.
        int timeoutSeconds = 5;
        // TLS (MariaDB's ssl, ssl-ca, ssl-capath, ssl-cert, ssl-key,
        // ssl-verify-server-cert). With `ssl` the connection is encrypted or
        // not made; the certificate is verified when `sslVerify` says so,
        // and by default whenever a CA file or folder is given.
        bool ssl = false;
        QString sslCa;
        QString sslCapath;
        QString sslCert;
        QString sslKey;
        std::optional<bool> sslVerify;

        bool verifiesServer() const { return sslVerify.value_or(!sslCa.isEmpty() || !sslCapath.isEmpty()); }
        // The connection of a configuration (the one in force by default).
        static Connection fromConfig();
        static Connection fromConfig(const Config &config);
        // host:port, the socket, or the cluster's list: for messages.
        QString where() const;
        // Batches go out back to back (see run).
        bool pipeline = true;

        bool operator==(const Connection &) const = default;
    };

    // Overrides the connection taken from the configuration file; the next
    // statement connects with it.
    void setConnection(const Connection &connection);
    // The settings this connection uses (set, or taken from the
    // configuration by its first statement); nothing before either.
    const Connection *connection() const { return m_hasConnection ? &m_connection : nullptr; }
    // Closes the connection and drops every prepared statement and cursor.
    void disconnect();
    // Connects now (when not connected) and says whether it could; the
    // result tells why not.
    bool connectNow();
    // The encryption in use ("TLSv1.3 TLS_AES_256_GCM_SHA384"); empty
    // when the connection is not encrypted or not made.
    QString tlsInUse() const;
    // The server is known to have gone away (another connection lost it):
    // the next statement makes sure this connection is alive first, and
    // connects again if not, however recently it was used.
    void checkBeforeNextUse() { m_checkNext = true; }
    // Another connection reached the server: a pause after a server that
    // did not answer (see ensureConnected) ends now.
    void serverAnswered() { m_pausedAfterSilence = false; }

    // Runs a statement. With `into`, the first row (if any) fills it and a
    // statement that returns no row reports "02000"; `into` is then left as
    // it was. The row must have exactly as many columns as the record.
    const SqlResult &exec(std::string_view text, SqlParams in = {}, Record *into = nullptr);
    // Runs a statement and reads up to `maxRows` rows into `rows` (cleared
    // first): the single-statement array read. "02000" when none.
    const SqlResult &execRows(std::string_view text, SqlParams in, const Layout &layout, std::vector<Record> &rows,
                              int maxRows);

    // Named cursors. The rows are buffered at open, so other statements may
    // run while the cursor is being fetched.
    const SqlResult &open(const char *cursor, std::string_view text, SqlParams in = {});
    const SqlResult &fetch(const char *cursor, Record &into);
    const SqlResult &close(const char *cursor);

    // Runs a batch: sends its executions back to back and reads their
    // answers in order, each checked as the single statement would be.
    // Without pipelining (database/pipeline off: a proxy that cannot take
    // it) each execution is sent only once the one before it was answered;
    // the outcomes are the same. The executions are sent in bounded
    // chunks, so neither side fills its socket buffers while the other is
    // still writing. A connection lost in the middle fails that execution
    // and every one after it as lost. False when any execution failed; the
    // last state is then the first failure's.
    bool run(SqlBatch &batch);
    void setPipeline(bool on) { m_connection.pipeline = on; }
    bool pipelining() const { return m_connection.pipeline; }

    // Transactions for the commands that must write all or nothing. They
    // are API calls, not statement texts.
    bool begin();
    bool commit();
    bool rollback();

    // The units of work of this connection (data/UnitOfWork): how deep
    // they nest and whether an inner one gave up.
    struct UnitState
    {
        int depth = 0;
        bool spoiled = false;
        bool lost = false; // the connection died under the open transaction
    };
    UnitState &unitState() { return m_unit; }
    // A transaction is open: no modal form may open now, or its locks would
    // wait on the person in front of it.
    bool inUnitOfWork() const { return m_unit.depth > 0; }

    const SqlResult &result() const { return m_result; }
    const QString &state() const { return m_result.state(); }
    const QString &message() const { return m_result.message(); }
    bool ok() const { return m_result.ok(); }
    bool noRow() const { return m_result.noRow(); }
    // Rows matched by the last UPDATE/DELETE, inserted by an INSERT.
    std::int64_t affectedRows() const { return m_affected; }

    // Statements that failed because the server could not be reached, since
    // start: whether a command met a lost server, whatever ran after.
    std::int64_t lostCount() const { return m_losses; }
    // Prepared statements currently cached.
    int preparedCount() const;

    // Installs what watches this connection from outside (a test, the
    // benchmark; see SqlProbe), replacing any before; null removes it. The
    // desk runs without one.
    void setProbe(std::unique_ptr<SqlProbe> probe);
    SqlProbe *probe() const { return m_probe.get(); }
    // The name a probe is asked by before a commit.
    static constexpr std::string_view kCommit = "COMMIT";

    // A connection of its own (a second screen thread, a test's other
    // desk); it connects from the configuration unless told otherwise.
    Sql();
    ~Sql();
    Sql(const Sql &) = delete;
    Sql &operator=(const Sql &) = delete;

private:
    struct Prepared;
    struct Cursor;

    struct Endpoint
    {
        QString host;
        int port = 0;
        QString socket;
    };
    std::vector<Endpoint> endpoints() const;
    bool connectTo(const Endpoint &endpoint);
    void setTlsOptions(void *handle, bool enforce, bool verify) const;
    ConnectFailure classify(const Endpoint &endpoint, unsigned int error, const QString &message) const;
    int limitMs() const;
    void noteSilence(std::optional<std::size_t> endpoint);
    // The statement failed for want of a server: told as lost, and counted.
    void markLost();
    bool ensureConnected();
    Prepared *prepare(const char *cursor, std::string_view text);
    void noteSent(std::string_view text, SqlParams in);
    void waited(int count = 1);
    bool bindAndExecute(Prepared &p, SqlParams in);
    bool checkColumns(Prepared &p, const Layout &layout);
    void release(Prepared &p);                // frees a stored result and settles the handle
    int fetchInto(Prepared &p, Record &into); // 0 row, 1 no data, -1 error
    void setStateFromStmt(Prepared &p);
    void setStateFromConnection();
    void setState(const QString &state, const QString &message, unsigned int errorNumber = 0);
    void noteLostConnection(unsigned int errorNumber);
    bool injected(std::string_view text);
    bool bindAndSend(Prepared &p, const SqlParam *in, std::size_t count);
    bool readAnswer(Prepared &p, SqlBatch::Entry &entry);
    void failRest(SqlBatch &batch, std::size_t from, const SqlResult &lost);

    void *m_mysql = nullptr; // MYSQL*
    bool m_connected = false;
    bool m_hasConnection = false;
    Connection m_connection;
    std::size_t m_endpoint = 0; // index of the endpoint in use, or to try first
    QElapsedTimer m_lastUse;    // since the connection last did something
    bool m_checkNext = false;   // ping before the next statement, idle or not
    std::int64_t m_losses = 0;
    // A server that kept a statement waiting the whole limit and then lost
    // it is not asked again for one limit's time: the statements that
    // follow in the same command fail at once instead of each waiting out
    // the limit again.
    QElapsedTimer m_callClock; // since the statement in progress began
    QElapsedTimer m_silenceClock;
    bool m_pausedAfterSilence = false;
    std::optional<std::size_t> m_silentEndpoint; // none: every endpoint
    static constexpr qint64 kIdleCheckMs = 2000;
    std::map<std::string, std::unique_ptr<Prepared>, std::less<>> m_prepared;
    // The statement texts are constants: once prepared, each is found again
    // by the address of its text (and of its cursor's name), not compared
    // character by character with every other. The text is still checked.
    std::map<std::pair<const void *, const void *>, Prepared *> m_byAddress;
    std::map<std::string, Prepared *, std::less<>> m_cursors;
    SqlResult m_result;
    UnitState m_unit;
    std::int64_t m_affected = 0;
    bool m_sendOnly = false;                    // a batch is sending: the answers are read later
    std::unique_ptr<SqlProbe> m_probe;          // none in production
    QString m_lastLogged;                       // the last failure written to the log
    std::optional<std::size_t> m_lastConnected; // the endpoint of the last connection made
};

} // namespace qv
