#pragma once

#include "platform/Decimal.h"
#include "platform/Record.h"

#include <QString>

#include <cstdint>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

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

    enum Kind { Integer, Exact, Text };
    Kind kind() const { return m_kind; }
    std::int64_t integer() const { return m_integer; }
    const std::string &bytes() const { return m_bytes; }

private:
    Kind m_kind;
    std::int64_t m_integer = 0;
    std::string m_bytes;
};

using SqlParams = std::initializer_list<SqlParam>;

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
    };

    static Sql &instance();

    // Overrides the connection taken from the configuration file; the next
    // statement connects with it.
    void setConnection(const Connection &connection);
    // Closes the connection and drops every prepared statement and cursor.
    void disconnect();

    // Runs a statement. With `into`, the first row (if any) fills it and a
    // statement that returns no row reports "02000"; `into` is then left as
    // it was. The row must have exactly as many columns as the record.
    const QString &exec(std::string_view text, SqlParams in = {}, Record *into = nullptr);
    // Runs a statement and reads up to `maxRows` rows into `rows` (cleared
    // first): the single-statement array read. "02000" when none.
    const QString &execRows(std::string_view text, SqlParams in, const Layout &layout,
                            std::vector<Record> &rows, int maxRows);

    // Named cursors. The rows are buffered at open, so other statements may
    // run while the cursor is being fetched.
    const QString &open(const char *cursor, std::string_view text, SqlParams in = {});
    const QString &fetch(const char *cursor, Record &into);
    const QString &close(const char *cursor);

    // Transactions for the commands that must write all or nothing. They
    // are API calls, not statement texts.
    bool begin();
    bool commit();
    bool rollback();

    const QString &state() const { return m_state; }
    const QString &message() const { return m_message; }
    bool ok() const { return m_state == QLatin1String("00000"); }
    bool noRow() const { return m_state == QLatin1String("02000"); }
    // Rows matched by the last UPDATE/DELETE, inserted by an INSERT.
    std::int64_t affectedRows() const { return m_affected; }

    // Statements executed (cursor opens included, fetches not) since start:
    // what the benchmark counts.
    std::int64_t statementCount() const { return m_statements; }
    // Prepared statements currently cached.
    int preparedCount() const;

    // Test hook: the statement with exactly this text fails once with a
    // state and message instead of running, so callers' failure paths can
    // be exercised against the real server.
    void failNext(std::string_view text, const QString &state = QStringLiteral("HY000"),
                  const QString &message = QStringLiteral("injected failure"));

    ~Sql();

private:
    Sql();
    struct Prepared;
    struct Cursor;

    bool ensureConnected();
    Prepared *prepare(const std::string &key, std::string_view text);
    bool bindAndExecute(Prepared &p, SqlParams in);
    bool checkColumns(Prepared &p, const Layout &layout);
    int fetchInto(Prepared &p, Record &into); // 0 row, 1 no data, -1 error
    void setStateFromStmt(Prepared &p);
    void setStateFromConnection();
    void setState(const QString &state, const QString &message);
    void noteLostConnection(unsigned int errorNumber);
    bool injected(std::string_view text);

    void *m_mysql = nullptr; // MYSQL*
    bool m_connected = false;
    bool m_hasConnection = false;
    Connection m_connection;
    std::map<std::string, std::unique_ptr<Prepared>, std::less<>> m_prepared;
    std::map<std::string, Prepared *, std::less<>> m_cursors;
    QString m_state = QStringLiteral("00000");
    QString m_message;
    std::int64_t m_affected = 0;
    std::int64_t m_statements = 0;
    std::map<std::string, std::pair<QString, QString>, std::less<>> m_failures;
};

// Scope guard of a database transaction: rolls back unless commit() was
// called and succeeded.
class SqlTransaction
{
public:
    SqlTransaction();
    ~SqlTransaction();
    SqlTransaction(const SqlTransaction &) = delete;
    SqlTransaction &operator=(const SqlTransaction &) = delete;

    bool started() const { return m_started; }
    bool commit();

private:
    bool m_started = false;
    bool m_done = false;
};

} // namespace qv
