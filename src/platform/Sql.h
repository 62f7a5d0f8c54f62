#pragma once

#include "platform/Record.h"
#include "platform/SqlConnection.h"
#include "platform/SqlResult.h"

#include <QString>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

class SqlProbe;

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

// The embedded-SQL runtime of the program: every statement text prepared
// once per connection and cached by its text, positional inputs, typed
// outputs into records, named cursors, batches, transactions, and after
// every call a 5-character SQLSTATE ("00000" success, "02000" no row / end
// of data) with the server's message. The connection under it
// (SqlConnection) is made lazily from the configuration by the first
// statement.
//
// A lost connection fails the statement in flight with a state and a
// message; the next statement reconnects and prepares again.
class Sql
{
public:
    // Where and how to connect (see SqlConnection::Settings).
    using Connection = SqlConnection::Settings;

    // Overrides the connection taken from the configuration file; the next
    // statement connects with it.
    void setConnection(const Connection &connection) { m_link.setSettings(connection); }
    // The settings this connection uses (set, or taken from the
    // configuration by its first statement); nothing before either.
    const Connection *connection() const { return m_link.settings(); }
    // Closes the connection and drops every prepared statement and cursor.
    void disconnect() { m_link.disconnect(); }
    // Connects now (when not connected) and says whether it could; the
    // result tells why not.
    bool connectNow();
    // The encryption in use ("TLSv1.3 TLS_AES_256_GCM_SHA384"); empty
    // when the connection is not encrypted or not made.
    QString tlsInUse() const { return m_link.tlsInUse(); }
    // The server is known to have gone away (another connection lost it):
    // the next statement makes sure this connection is alive first, and
    // connects again if not, however recently it was used.
    void checkBeforeNextUse() { m_link.checkBeforeNextUse(); }
    // Another connection reached the server: a pause after a server that
    // did not answer ends now.
    void serverAnswered() { m_link.serverAnswered(); }

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
    void setPipeline(bool on) { m_link.setPipeline(on); }
    bool pipelining() const { return m_link.pipelining(); }

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

    const SqlResult &result() const { return m_status.result(); }
    const QString &state() const { return result().state(); }
    const QString &message() const { return result().message(); }
    bool ok() const { return result().ok(); }
    bool noRow() const { return result().noRow(); }
    // Rows matched by the last UPDATE/DELETE, inserted by an INSERT.
    std::int64_t affectedRows() const { return m_affected; }

    // Statements that failed because the server could not be reached, since
    // start: whether a command met a lost server, whatever ran after.
    std::int64_t lostCount() const { return m_link.lostCount(); }
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

    // A live connection for the next call (see SqlConnection); a unit of
    // work whose connection died is lost for good.
    bool ensureConnected();
    // The error of a failed call: a lost connection also loses the unit of
    // work open on it.
    void noteLostConnection(unsigned int errorNumber);
    // Drops every prepared statement and cursor: the handle they live on
    // is about to close.
    void dropStatements();
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
    bool injected(std::string_view text);
    bool bindAndSend(Prepared &p, const SqlParam *in, std::size_t count);
    bool readAnswer(Prepared &p, SqlBatch::Entry &entry);
    void failRest(SqlBatch &batch, std::size_t from, const SqlResult &lost);

    SqlStatus m_status;
    SqlConnection m_link{m_status, [this] { dropStatements(); }};
    std::map<std::string, std::unique_ptr<Prepared>, std::less<>> m_prepared;
    // The statement texts are constants: once prepared, each is found again
    // by the address of its text (and of its cursor's name), not compared
    // character by character with every other. The text is still checked.
    std::map<std::pair<const void *, const void *>, Prepared *> m_byAddress;
    std::map<std::string, Prepared *, std::less<>> m_cursors;
    UnitState m_unit;
    std::int64_t m_affected = 0;
    bool m_sendOnly = false;           // a batch is sending: the answers are read later
    std::unique_ptr<SqlProbe> m_probe; // none in production
};

} // namespace qv
