#pragma once

#include "platform/SqlResult.h"

#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace qv {

struct Config;
class SqlProbe;

// The link under a Sql: which server (a socket, one host, or the endpoints
// of a cluster tried in turn from the one in use last), making the
// connection (bounded waits, TLS, why it could not be made), finding out
// that it died (a failed call's error, a ping after idling or when told),
// and the pause after a server that kept a call waiting the whole limit. It
// owns the client library's handle; what runs on the handle is Sql's.
//
// Automatic reconnection of the client library stays off: it would
// silently drop the prepared statements and any open transaction. A dead
// connection is replaced only when the next call asks for one.
class SqlConnection
{
public:
    struct Settings
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
        static Settings fromConfig();
        static Settings fromConfig(const Config &config);
        // host:port, the socket, or the cluster's list: for messages.
        QString where() const;
        // Batches go out back to back (see Sql::run).
        bool pipeline = true;

        bool operator==(const Settings &) const = default;
    };

    struct Endpoint
    {
        QString host;
        int port = 0;
        QString socket;
        bool operator==(const Endpoint &) const = default;
    };
    // The endpoints of `settings` in the order they are tried: the socket
    // alone when set; else the cluster's list (host:port, a host alone on
    // 3306, or a socket path; blanks skipped); else host and port.
    static std::vector<Endpoint> endpoints(const Settings &settings);

    // Every call's outcome goes to `status`. `beforeClose` runs whenever
    // the handle is about to close, so that what was prepared on it goes
    // first.
    SqlConnection(SqlStatus &status, std::function<void()> beforeClose);
    // Closes the handle without `beforeClose`: the owner has dropped its
    // statements already.
    ~SqlConnection();
    SqlConnection(const SqlConnection &) = delete;
    SqlConnection &operator=(const SqlConnection &) = delete;

    // Closes the connection; the next call connects with these settings.
    void setSettings(const Settings &settings);
    // The settings in use (set, or taken from the configuration by the
    // first connection); nothing before either.
    const Settings *settings() const { return m_hasSettings ? &m_settings : nullptr; }
    void setPipeline(bool on) { m_settings.pipeline = on; }
    bool pipelining() const { return m_settings.pipeline; }
    void setProbe(SqlProbe *probe) { m_probe = probe; }

    bool connected() const { return m_connected; }
    // The client library's MYSQL*, or null.
    void *handle() const { return m_mysql; }
    // The encryption in use ("TLSv1.3 TLS_AES_256_GCM_SHA384"); empty when
    // the connection is not encrypted or not made.
    QString tlsInUse() const;
    void disconnect();

    // Before a call: a live connection, made (or replaced, failing over)
    // when there is none or the one there turns out dead. With a
    // transaction open nothing is replaced: the server rolled the
    // transaction back with its connection, and a new one would store the
    // rest of the command on its own; the call fails as lost instead.
    bool ensureConnected(bool transactionOpen, bool transactionLost);
    // A call is waiting on the server from now (see noteSilence).
    void startCall() { m_callClock.start(); }
    // The error number of a failed call: when it says the connection went
    // away, the connection is taken as dead (logged, the call told and
    // counted as lost, its server paused if it was silent) and true comes
    // back.
    bool noteLostConnection(unsigned int errorNumber);
    // The call failed for want of a server: told as lost, and counted.
    void markLost();
    // A call failed with its connection without a state of its own (the
    // rest of a batch).
    void countLoss() { ++m_losses; }
    // Calls that failed because the server could not be reached, since
    // start.
    std::int64_t lostCount() const { return m_losses; }
    // Takes back the losses since `count`: a dead connection found and
    // replaced before anything needed it lost nothing.
    void forgetLossesSince(std::int64_t count) { m_losses = count; }

    // The server is known to have gone away (another connection lost it):
    // the next call makes sure this connection is alive first, and
    // connects again if not, however recently it was used.
    void checkBeforeNextUse() { m_checkNext = true; }
    // Another connection reached the server: a pause after a server that
    // did not answer ends now.
    void serverAnswered() { m_pausedAfterSilence = false; }
    // The connection waited on the server `count` times (for a probe).
    void waited(int count = 1);

private:
    bool connectTo(const Endpoint &endpoint);
    void setTlsOptions(void *handle, bool enforce, bool verify) const;
    ConnectFailure classify(const Endpoint &endpoint, unsigned int error, const QString &message) const;
    int limitMs() const;
    void noteSilence(std::optional<std::size_t> endpoint);
    void close();

    SqlStatus &m_status;
    std::function<void()> m_beforeClose;
    SqlProbe *m_probe = nullptr;
    void *m_mysql = nullptr; // MYSQL*
    bool m_connected = false;
    bool m_hasSettings = false;
    Settings m_settings;
    std::size_t m_endpoint = 0; // index of the endpoint in use, or to try first
    QElapsedTimer m_lastUse;    // since the connection last did something
    bool m_checkNext = false;   // ping before the next call, idle or not
    std::int64_t m_losses = 0;
    // A server that kept a call waiting the whole limit and then lost it is
    // not asked again for one limit's time: the calls that follow in the
    // same command fail at once instead of each waiting out the limit
    // again.
    QElapsedTimer m_callClock; // since the call in progress began
    QElapsedTimer m_silenceClock;
    bool m_pausedAfterSilence = false;
    std::optional<std::size_t> m_silentEndpoint; // none: every endpoint
    static constexpr qint64 kIdleCheckMs = 2000;
    std::optional<std::size_t> m_lastConnected; // the endpoint of the last connection made
};

} // namespace qv
