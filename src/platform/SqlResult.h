#pragma once

#include "platform/Decimal.h"

#include <QString>

#include <cstdint>
#include <initializer_list>
#include <string>
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
    friend class SqlStatus;
    QString m_state = QStringLiteral("00000");
    QString m_message;
    bool m_connectionLost = false;
    unsigned int m_errorNumber = 0; // the server's or the library's own number
    ConnectFailure m_connectFailure = ConnectFailure::None;
    static constexpr unsigned int kLockWaitTimeout = 1205;
};

// The outcome of the last call on one connection, set by whichever half
// made it (connecting, or executing) and read by the caller. Every distinct
// failure is written to the support log once: a server that stays away is
// not written down again at every retry.
class SqlStatus
{
public:
    const SqlResult &result() const { return m_result; }
    void set(const QString &state, const QString &message, unsigned int errorNumber = 0);
    void set(const SqlResult &result) { m_result = result; }
    // The call failed for want of a server.
    void markLost() { m_result.m_connectionLost = true; }
    void setConnectFailure(ConnectFailure why) { m_result.m_connectFailure = why; }
    // A connection was made: the next failure is news again.
    void connected() { m_lastLogged.clear(); }

private:
    SqlResult m_result;
    QString m_lastLogged;
};

} // namespace qv
