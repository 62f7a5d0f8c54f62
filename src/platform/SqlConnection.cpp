#include "platform/SqlConnection.h"

#include "platform/Config.h"
#include "platform/Log.h"
#include "platform/SqlProbe.h"

#include <errmsg.h>
#include <mysql.h>

#include <QFile>

#include <algorithm>

namespace qv {

namespace {

const QString kSuccess = QStringLiteral("00000");

MYSQL *db(void *handle)
{
    return static_cast<MYSQL *>(handle);
}

bool isConnectionLoss(unsigned int error)
{
    return error == CR_SERVER_GONE_ERROR || error == CR_SERVER_LOST || error == CR_CONNECTION_ERROR
           || error == CR_CONN_HOST_ERROR
           || error == 1927 /* ER_CONNECTION_KILLED */ || error == 4031 /* ER_CLIENT_INTERACTION_TIMEOUT */;
}

} // namespace

SqlConnection::SqlConnection(SqlStatus &status, std::function<void()> beforeClose)
    : m_status(status), m_beforeClose(std::move(beforeClose))
{}

SqlConnection::~SqlConnection()
{
    close();
}

void SqlConnection::setSettings(const Settings &settings)
{
    disconnect();
    m_settings = settings;
    m_hasSettings = true;
}

void SqlConnection::disconnect()
{
    if (m_beforeClose)
        m_beforeClose();
    close();
}

void SqlConnection::close()
{
    if (m_mysql) {
        mysql_close(db(m_mysql));
        m_mysql = nullptr;
    }
    m_connected = false;
}

void SqlConnection::waited(int count)
{
    if (m_probe)
        m_probe->waited(count);
}

SqlConnection::Settings SqlConnection::Settings::fromConfig()
{
    return fromConfig(Config::current());
}

SqlConnection::Settings SqlConnection::Settings::fromConfig(const Config &c)
{
    Settings connection;
    connection.socket = c.dbSocket;
    connection.host = c.dbHost;
    connection.port = c.dbPort;
    connection.hosts = c.dbHosts;
    connection.user = c.dbUser;
    connection.password = c.dbPassword;
    connection.database = c.dbName;
    connection.timeoutSeconds = c.dbTimeoutSeconds;
    connection.ssl = c.dbSsl;
    connection.sslCa = c.dbSslCa;
    connection.sslCapath = c.dbSslCapath;
    connection.sslCert = c.dbSslCert;
    connection.sslKey = c.dbSslKey;
    connection.sslVerify = c.dbSslVerify;
    connection.pipeline = c.dbPipeline;
    return connection;
}

QString SqlConnection::Settings::where() const
{
    if (!socket.isEmpty())
        return socket;
    if (!hosts.isEmpty())
        return hosts.join(QLatin1Char(','));
    return QStringLiteral("%1:%2").arg(host).arg(port);
}

QString SqlConnection::tlsInUse() const
{
    if (!m_mysql)
        return QString();
    const char *cipher = mysql_get_ssl_cipher(db(m_mysql));
    if (!cipher)
        return QString();
    const char *version = nullptr;
    mariadb_get_infov(db(m_mysql), MARIADB_CONNECTION_TLS_VERSION, &version);
    return version ? QStringLiteral("%1 %2").arg(QLatin1String(version), QLatin1String(cipher))
                   : QString::fromLatin1(cipher);
}

void SqlConnection::markLost()
{
    m_status.markLost();
    ++m_losses;
}

bool SqlConnection::noteLostConnection(unsigned int errorNumber)
{
    if (!isConnectionLoss(errorNumber))
        return false;
    if (m_connected)
        log::warning(QStringLiteral("conexão com o banco de dados perdida"));
    noteSilence(m_endpoint);
    markLost();
    // Everything prepared on the dead connection is gone with it; the next
    // statement connects again and prepares afresh.
    m_connected = false;
    return true;
}

std::vector<SqlConnection::Endpoint> SqlConnection::endpoints(const Settings &settings)
{
    std::vector<Endpoint> list;
    if (!settings.socket.isEmpty()) {
        list.push_back({QString(), 0, settings.socket});
        return list;
    }
    for (const QString &entry : settings.hosts) {
        const QString trimmed = entry.trimmed();
        if (trimmed.isEmpty())
            continue;
        if (trimmed.startsWith(QLatin1Char('/'))) {
            // A server on this machine, by its socket.
            list.push_back({QString(), 0, trimmed});
            continue;
        }
        const int colon = trimmed.lastIndexOf(QLatin1Char(':'));
        bool numeric = false;
        const int port = colon > 0 ? trimmed.mid(colon + 1).toInt(&numeric) : 0;
        if (colon > 0 && numeric)
            list.push_back({trimmed.left(colon), port, QString()});
        else
            list.push_back({trimmed, 3306, QString()});
    }
    if (list.empty())
        list.push_back({settings.host, settings.port, QString()});
    return list;
}

void SqlConnection::setTlsOptions(void *handle, bool enforce, bool verify) const
{
    MYSQL *mysql = db(handle);
    const my_bool on = 1;
    const my_bool off = 0;
    const auto path = [mysql](mysql_option option, const QString &value) {
        if (!value.isEmpty())
            mysql_optionsv(mysql, option, QFile::encodeName(value).constData());
    };
    if (enforce) {
        // Encrypted or not at all: a server that does not offer TLS is
        // refused, never talked to in clear.
        mysql_optionsv(mysql, MYSQL_OPT_SSL_ENFORCE, &on);
        path(MYSQL_OPT_SSL_CA, m_settings.sslCa);
        path(MYSQL_OPT_SSL_CAPATH, m_settings.sslCapath);
        path(MYSQL_OPT_SSL_CERT, m_settings.sslCert);
        path(MYSQL_OPT_SSL_KEY, m_settings.sslKey);
    }
    mysql_optionsv(mysql, MYSQL_OPT_SSL_VERIFY_SERVER_CERT, verify ? &on : &off);
}

ConnectFailure SqlConnection::classify(const Endpoint &endpoint, unsigned int error, const QString &message) const
{
    switch (error) {
    case CR_CONNECTION_ERROR:
    case CR_CONN_HOST_ERROR:
    case CR_UNKNOWN_HOST:
    case CR_SERVER_GONE_ERROR:
    case CR_SERVER_LOST:
    case CR_SERVER_HANDSHAKE_ERR: return ConnectFailure::Unreachable;
    case 1049: // ER_BAD_DB_ERROR
        return ConnectFailure::UnknownDatabase;
    case 1044: // ER_DBACCESS_DENIED_ERROR: the user may not use that database
    case 1698: // ER_ACCESS_DENIED_NO_PASSWORD_ERROR
        return ConnectFailure::AccessDenied;
    case 3159: // ER_SECURE_TRANSPORT_REQUIRED (MySQL's)
        return ConnectFailure::TlsRequired;
    case 1045: { // ER_ACCESS_DENIED_ERROR
        // MariaDB answers a client without TLS that a server with
        // require_secure_transport (or an account with REQUIRE SSL) turns
        // away with the same "Access denied" as a wrong password. Asked
        // again over TLS, without checking the certificate and for nothing
        // but this answer, a server that then lets the account in has said
        // what it wants. The password does not travel in either attempt.
        if (m_settings.ssl || !endpoint.socket.isEmpty())
            return ConnectFailure::AccessDenied;
        MYSQL *probe = mysql_init(nullptr);
        if (!probe)
            return ConnectFailure::AccessDenied;
        const unsigned int limit = unsigned(std::max(1, m_settings.timeoutSeconds));
        mysql_options(probe, MYSQL_OPT_CONNECT_TIMEOUT, &limit);
        mysql_options(probe, MYSQL_OPT_READ_TIMEOUT, &limit);
        const my_bool on = 1;
        const my_bool off = 0;
        mysql_optionsv(probe, MYSQL_OPT_SSL_ENFORCE, &on);
        mysql_optionsv(probe, MYSQL_OPT_SSL_VERIFY_SERVER_CERT, &off);
        const QByteArray host = endpoint.host.toUtf8();
        const QByteArray user = m_settings.user.toUtf8();
        const QByteArray password = m_settings.password.toUtf8();
        const bool inOverTls = mysql_real_connect(probe, host.constData(), user.constData(), password.constData(),
                                                  nullptr, unsigned(endpoint.port), nullptr, 0)
                               != nullptr;
        mysql_close(probe);
        return inOverTls ? ConnectFailure::TlsRequired : ConnectFailure::AccessDenied;
    }
    case CR_SSL_CONNECTION_ERROR: {
        // The library says "TLS/SSL error" for both: the server offered no
        // TLS, or its certificate did not verify.
        const QString m = message.toLower();
        if (m.contains(QLatin1String("doesn't support")) || m.contains(QLatin1String("does not support"))
            || m.contains(QLatin1String("not support")))
            return ConnectFailure::TlsUnavailable;
        return ConnectFailure::TlsCertificate;
    }
    default: break;
    }
    if (error >= 2000 && error < 3000 && message.contains(QLatin1String("SSL"), Qt::CaseInsensitive))
        return ConnectFailure::TlsCertificate;
    return ConnectFailure::Other;
}

bool SqlConnection::connectTo(const Endpoint &endpoint)
{
    m_mysql = mysql_init(nullptr);
    if (!m_mysql) {
        m_status.set(QStringLiteral("HY001"), QStringLiteral("out of memory"));
        return false;
    }
    // Every wait on the server is bounded: a server that is stopped,
    // stalled or unreachable costs at most the configured limit per
    // statement, never the library's minute.
    // The server's answer is waited for a second longer than a row lock:
    // a statement waiting on another desk's lock then ends with the
    // server's "Lock wait timeout exceeded", told as such, rather than
    // looking like a server gone away.
    const unsigned int limit = unsigned(std::max(1, m_settings.timeoutSeconds));
    const unsigned int ioLimit = limit + 1;
    const my_bool reconnect = 0;
    mysql_options(db(m_mysql), MYSQL_OPT_CONNECT_TIMEOUT, &limit);
    mysql_options(db(m_mysql), MYSQL_OPT_READ_TIMEOUT, &ioLimit);
    mysql_options(db(m_mysql), MYSQL_OPT_WRITE_TIMEOUT, &ioLimit);
    mysql_options(db(m_mysql), MYSQL_OPT_RECONNECT, &reconnect);
    mysql_options(db(m_mysql), MYSQL_SET_CHARSET_NAME, "utf8mb4");
    // A row lock held by another desk is waited for as long, and then the
    // statement fails with the server's "Lock wait timeout exceeded".
    const QByteArray init = QByteArrayLiteral("SET SESSION innodb_lock_wait_timeout=") + QByteArray::number(limit);
    mysql_options(db(m_mysql), MYSQL_INIT_COMMAND, init.constData());
    setTlsOptions(m_mysql, m_settings.ssl, m_settings.ssl && m_settings.verifiesServer());

    const QByteArray host = endpoint.host.toUtf8();
    const QByteArray user = m_settings.user.toUtf8();
    const QByteArray password = m_settings.password.toUtf8();
    const QByteArray database = m_settings.database.toUtf8();
    const QByteArray socket = endpoint.socket.toUtf8();
    const bool viaSocket = !endpoint.socket.isEmpty();
    const QString where = viaSocket ? endpoint.socket : QStringLiteral("%1:%2").arg(endpoint.host).arg(endpoint.port);
    waited(); // a connection's handshake and log-in counted as one
    // CLIENT_FOUND_ROWS: an UPDATE reports the rows it matched, so a guarded
    // update that found its row is told apart from one that found none.
    if (!mysql_real_connect(db(m_mysql), viaSocket ? nullptr : host.constData(), user.constData(), password.constData(),
                            database.isEmpty() ? nullptr : database.constData(),
                            viaSocket ? 0 : unsigned(endpoint.port), viaSocket ? socket.constData() : nullptr,
                            CLIENT_FOUND_ROWS)) {
        const unsigned int error = mysql_errno(db(m_mysql));
        const QString message = QString::fromUtf8(mysql_error(db(m_mysql)));
        QString state = QString::fromLatin1(mysql_sqlstate(db(m_mysql)));
        if (state.isEmpty() || state == kSuccess)
            state = QStringLiteral("08001");
        mysql_close(db(m_mysql));
        m_mysql = nullptr;
        const ConnectFailure why = classify(endpoint, error, message);
        m_status.set(state, message + QStringLiteral(" [") + where + QLatin1Char(']'), error);
        noteLostConnection(error);
        m_status.setConnectFailure(why);
        // No connection at all is a lost one for the callers: a later
        // statement tries again.
        markLost();
        return false;
    }
    const QString tls = tlsInUse();
    if (m_settings.ssl && tls.isEmpty()) {
        // Without verification the library goes on in clear with a server
        // that offers no TLS: not one statement is sent over it.
        mysql_close(db(m_mysql));
        m_mysql = nullptr;
        m_status.set(QStringLiteral("08001"),
                     QStringLiteral("TLS/SSL error: TLS is required, but the server does not offer it [%1]").arg(where),
                     CR_SSL_CONNECTION_ERROR);
        m_status.setConnectFailure(ConnectFailure::TlsUnavailable);
        markLost();
        return false;
    }
    const QString how = tls.isEmpty() ? QStringLiteral("sem TLS") : QStringLiteral("TLS %1").arg(tls);
    log::info(QStringLiteral("conectado a %1 como %2 (%3)").arg(where, m_settings.user, how));
    m_status.connected();
    return true;
}

int SqlConnection::limitMs() const
{
    return std::max(1, m_settings.timeoutSeconds) * 1000;
}

void SqlConnection::noteSilence(std::optional<std::size_t> endpoint)
{
    // Lost only after waiting (almost) the whole limit: the server is there
    // but does not answer (stalled, or its machine hung), and asking it
    // again right away would wait as long again.
    if (m_callClock.isValid() && m_callClock.elapsed() >= limitMs() - 500) {
        m_pausedAfterSilence = true;
        m_silentEndpoint = endpoint;
        m_silenceClock.start();
    }
}

bool SqlConnection::ensureConnected(bool transactionOpen, bool transactionLost)
{
    m_callClock.start();
    if (m_connected && !transactionLost) {
        // A connection idle for a while may have died with its server (a
        // restart, a cluster node gone): find out before the statement, so
        // it runs on a live connection instead of failing.
        const bool check = m_checkNext || (m_lastUse.isValid() && m_lastUse.elapsed() > kIdleCheckMs);
        m_checkNext = false;
        if (check)
            waited();
        if (check && mysql_ping(db(m_mysql)) != 0) {
            noteLostConnection(mysql_errno(db(m_mysql)));
            m_connected = false;
        } else {
            m_lastUse.start();
            return true;
        }
    }
    if (transactionOpen) {
        // The transaction died with its connection: the server rolled it
        // back. Reconnecting now would store the rest of the command on its
        // own, so every statement of the unit fails until it ends.
        m_status.set(QStringLiteral("08003"),
                     QStringLiteral("connection lost during the transaction; nothing of it was stored"));
        markLost();
        return false;
    }
    // After a silent server, its endpoint (every endpoint, when none
    // answered) sits out one limit's time; the others are asked at once.
    const bool paused = m_pausedAfterSilence && m_silenceClock.elapsed() < limitMs();
    if (!paused)
        m_pausedAfterSilence = false;
    disconnect();
    if (!m_hasSettings) {
        m_settings = Settings::fromConfig();
        m_hasSettings = true;
    }
    // Failover: start with the endpoint in use last and go round the list
    // once; the first that answers is the new one.
    const std::vector<Endpoint> list = endpoints(m_settings);
    bool asked = false;
    for (std::size_t attempt = 0; attempt < list.size(); ++attempt) {
        const std::size_t index = (m_endpoint + attempt) % list.size();
        if (paused && (!m_silentEndpoint || *m_silentEndpoint == index))
            continue;
        asked = true;
        if (connectTo(list[index])) {
            if (m_lastConnected && *m_lastConnected != index)
                log::warning(QStringLiteral("failover: o servidor em uso passou a ser o %1 de %2 da lista")
                                 .arg(index + 1)
                                 .arg(list.size()));
            m_lastConnected = index;
            m_endpoint = index;
            m_connected = true;
            m_lastUse.start();
            return true;
        }
    }
    if (!asked) {
        m_status.set(QStringLiteral("08001"),
                     QStringLiteral("the server did not answer; not asked again for a moment"));
        markLost();
        return false;
    }
    // Next time the following endpoint is tried first.
    m_endpoint = (m_endpoint + 1) % list.size();
    noteSilence(std::nullopt);
    return false;
}

} // namespace qv
