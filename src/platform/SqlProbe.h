#pragma once

#include "platform/SqlResult.h"

#include <QString>

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

class Sql;

// What watches a connection from outside: a test that makes a statement
// fail against the real server, a benchmark that counts what the screen
// costs. A connection has none unless one is installed (Sql::setProbe), so
// the desk's own paths only ever ask whether the pointer is set.
class SqlProbe
{
public:
    struct Failure
    {
        QString state;
        QString message;
    };

    virtual ~SqlProbe() = default;

    // Asked before `text` runs: a statement's text, "FETCH <cursor>" before
    // a cursor's (or a batch execution read as one's) rows are read, or
    // Sql::kCommit before a commit. A failure returned is reported instead,
    // and the statement is not sent.
    virtual std::optional<Failure> failure(std::string_view text) = 0;
    // A statement left with these values (cursor opens and the executions
    // of a batch included).
    virtual void sent(std::string_view text, std::span<const SqlParam> params) = 0;
    // A statement was executed (fetches not counted).
    virtual void executed() = 0;
    // The connection waited on the server `count` times: an execution, a
    // batch's chunk, a prepare, a transaction call, a ping, a connection
    // attempt.
    virtual void waited(int count) = 0;
};

// The probe the tests and the benchmark use: failures to inject, one each,
// the statements sent, and the counts.
class SqlTestProbe final : public SqlProbe
{
public:
    // The test probe of `sql`, installed now when it has none: the one call
    // a test makes before steering or watching a connection.
    static SqlTestProbe &on(Sql &sql);

    // The statement with exactly this text fails once with a state and
    // message instead of running, so callers' failure paths can be
    // exercised against the real server. Sql::kCommit stands for the next
    // commit, which then rolls back as the server does when it refuses one.
    void failNext(std::string_view text, const QString &state = QStringLiteral("HY000"),
                  const QString &message = QStringLiteral("injected failure"));
    // While set, every statement sent is appended to `sent` with its
    // values.
    void recordInto(std::vector<SentStatement> *sent) { m_sent = sent; }
    // Statements executed since the probe was installed.
    std::int64_t statementCount() const { return m_statements; }
    // Waits for the server since the probe was installed.
    std::int64_t roundTrips() const { return m_roundTrips; }

    std::optional<Failure> failure(std::string_view text) override;
    void sent(std::string_view text, std::span<const SqlParam> params) override;
    void executed() override { ++m_statements; }
    void waited(int count) override { m_roundTrips += count; }

private:
    std::map<std::string, Failure, std::less<>> m_failures;
    std::vector<SentStatement> *m_sent = nullptr;
    std::int64_t m_statements = 0;
    std::int64_t m_roundTrips = 0;
};

} // namespace qv
