#include "platform/Sql.h"

#include "platform/Config.h"
#include "platform/Log.h"
#include "platform/SqlProbe.h"

#include <errmsg.h>
#include <mysql.h>

#include <QFile>

#include <algorithm>
#include <cstring>
#include <span>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

namespace qv {

namespace {

const QString kSuccess = QStringLiteral("00000");
const QString kNoData = QStringLiteral("02000");

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

SqlParam::SqlParam(std::int64_t value) : m_kind(Integer), m_integer(value) {}

SqlParam::SqlParam(Decimal value, int decimals) : m_kind(Exact), m_bytes(value.toSqlText(decimals).toStdString()) {}

SqlParam::SqlParam(const QString &value) : m_kind(Text), m_bytes(value.toUtf8().toStdString()) {}

struct Sql::Prepared
{
    MYSQL_STMT *stmt = nullptr;
    std::string text;
    std::string cursor; // empty for a plain statement
    unsigned long paramCount = 0;
    unsigned int columnCount = 0;
    // Result buffers, one per column; every column travels as text so that
    // DECIMAL values keep every digit.
    std::vector<MYSQL_BIND> result;
    std::vector<std::vector<char>> buffers;
    std::vector<unsigned long> lengths;
    std::vector<my_bool> nulls;
    std::vector<my_bool> errors;
    bool stored = false;

    ~Prepared()
    {
        if (stmt)
            mysql_stmt_close(stmt);
    }
};

Sql::Sql() = default;

Sql::~Sql()
{
    disconnect();
}

Sql::Connection Sql::Connection::fromConfig()
{
    return fromConfig(Config::current());
}

Sql::Connection Sql::Connection::fromConfig(const Config &c)
{
    Connection connection;
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

QString Sql::Connection::where() const
{
    if (!socket.isEmpty())
        return socket;
    if (!hosts.isEmpty())
        return hosts.join(QLatin1Char(','));
    return QStringLiteral("%1:%2").arg(host).arg(port);
}

bool Sql::connectNow()
{
    if (m_connected) {
        setState(kSuccess, QString());
        return true;
    }
    if (!ensureConnected())
        return false;
    setState(kSuccess, QString());
    return true;
}

QString Sql::tlsInUse() const
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

void Sql::setConnection(const Connection &connection)
{
    disconnect();
    m_connection = connection;
    m_hasConnection = true;
}

void Sql::disconnect()
{
    m_cursors.clear();
    m_byAddress.clear();
    m_prepared.clear();
    if (m_mysql) {
        mysql_close(db(m_mysql));
        m_mysql = nullptr;
    }
    m_connected = false;
}

int Sql::preparedCount() const
{
    return int(m_prepared.size());
}

void Sql::setState(const QString &state, const QString &message, unsigned int errorNumber)
{
    m_result.m_state = state;
    m_result.m_message = message;
    m_result.m_connectionLost = false;
    m_result.m_errorNumber = errorNumber;
    m_result.m_connectFailure = ConnectFailure::None;
    if (m_result.failed()) {
        // One line per distinct failure: a server that stays away is not
        // written down again at every retry.
        const QString line =
            QStringLiteral("SQLSTATE %1%2: %3")
                .arg(state, errorNumber ? QStringLiteral(" (%1)").arg(errorNumber) : QString(), message);
        if (line != m_lastLogged)
            log::error(QStringLiteral("banco de dados: ") + line);
        m_lastLogged = line;
    }
}

void Sql::setStateFromConnection()
{
    const unsigned int error = mysql_errno(db(m_mysql));
    QString state = QString::fromLatin1(mysql_sqlstate(db(m_mysql)));
    if ((state == kSuccess || state.isEmpty()) && error != 0)
        state = QStringLiteral("HY000");
    setState(state, QString::fromUtf8(mysql_error(db(m_mysql))), error);
    noteLostConnection(error);
}

void Sql::setStateFromStmt(Prepared &p)
{
    const unsigned int error = mysql_stmt_errno(p.stmt);
    QString state = QString::fromLatin1(mysql_stmt_sqlstate(p.stmt));
    // A failure must never read as success, whatever the library reports.
    if (state == kSuccess || state.isEmpty())
        state = QStringLiteral("HY000");
    setState(state, QString::fromUtf8(mysql_stmt_error(p.stmt)), error);
    noteLostConnection(error);
}

void Sql::markLost()
{
    m_result.m_connectionLost = true;
    ++m_losses;
}

void Sql::noteLostConnection(unsigned int errorNumber)
{
    if (isConnectionLoss(errorNumber)) {
        if (m_connected)
            log::warning(QStringLiteral("conexão com o banco de dados perdida"));
        noteSilence(m_endpoint);
        markLost();
        if (m_unit.depth > 0)
            m_unit.lost = true;
        // Everything prepared on the dead connection is gone with it; the
        // next statement connects again and prepares afresh.
        m_connected = false;
    }
}

std::vector<Sql::Endpoint> Sql::endpoints() const
{
    std::vector<Endpoint> list;
    if (!m_connection.socket.isEmpty()) {
        list.push_back({QString(), 0, m_connection.socket});
        return list;
    }
    for (const QString &entry : m_connection.hosts) {
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
        list.push_back({m_connection.host, m_connection.port, QString()});
    return list;
}

void Sql::setTlsOptions(void *handle, bool enforce, bool verify) const
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
        path(MYSQL_OPT_SSL_CA, m_connection.sslCa);
        path(MYSQL_OPT_SSL_CAPATH, m_connection.sslCapath);
        path(MYSQL_OPT_SSL_CERT, m_connection.sslCert);
        path(MYSQL_OPT_SSL_KEY, m_connection.sslKey);
    }
    mysql_optionsv(mysql, MYSQL_OPT_SSL_VERIFY_SERVER_CERT, verify ? &on : &off);
}

ConnectFailure Sql::classify(const Endpoint &endpoint, unsigned int error, const QString &message) const
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
        if (m_connection.ssl || !endpoint.socket.isEmpty())
            return ConnectFailure::AccessDenied;
        MYSQL *probe = mysql_init(nullptr);
        if (!probe)
            return ConnectFailure::AccessDenied;
        const unsigned int limit = unsigned(std::max(1, m_connection.timeoutSeconds));
        mysql_options(probe, MYSQL_OPT_CONNECT_TIMEOUT, &limit);
        mysql_options(probe, MYSQL_OPT_READ_TIMEOUT, &limit);
        const my_bool on = 1;
        const my_bool off = 0;
        mysql_optionsv(probe, MYSQL_OPT_SSL_ENFORCE, &on);
        mysql_optionsv(probe, MYSQL_OPT_SSL_VERIFY_SERVER_CERT, &off);
        const QByteArray host = endpoint.host.toUtf8();
        const QByteArray user = m_connection.user.toUtf8();
        const QByteArray password = m_connection.password.toUtf8();
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

bool Sql::connectTo(const Endpoint &endpoint)
{
    m_mysql = mysql_init(nullptr);
    if (!m_mysql) {
        setState(QStringLiteral("HY001"), QStringLiteral("out of memory"));
        return false;
    }
    // Every wait on the server is bounded: a server that is stopped,
    // stalled or unreachable costs at most the configured limit per
    // statement, never the library's minute.
    // The server's answer is waited for a second longer than a row lock:
    // a statement waiting on another desk's lock then ends with the
    // server's "Lock wait timeout exceeded", told as such, rather than
    // looking like a server gone away.
    const unsigned int limit = unsigned(std::max(1, m_connection.timeoutSeconds));
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
    setTlsOptions(m_mysql, m_connection.ssl, m_connection.ssl && m_connection.verifiesServer());

    const QByteArray host = endpoint.host.toUtf8();
    const QByteArray user = m_connection.user.toUtf8();
    const QByteArray password = m_connection.password.toUtf8();
    const QByteArray database = m_connection.database.toUtf8();
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
        setState(state, message + QStringLiteral(" [") + where + QLatin1Char(']'), error);
        noteLostConnection(error);
        m_result.m_connectFailure = why;
        // No connection at all is a lost one for the callers: a later
        // statement tries again.
        markLost();
        return false;
    }
    const QString tls = tlsInUse();
    if (m_connection.ssl && tls.isEmpty()) {
        // Without verification the library goes on in clear with a server
        // that offers no TLS: not one statement is sent over it.
        mysql_close(db(m_mysql));
        m_mysql = nullptr;
        setState(QStringLiteral("08001"),
                 QStringLiteral("TLS/SSL error: TLS is required, but the server does not offer it [%1]").arg(where),
                 CR_SSL_CONNECTION_ERROR);
        m_result.m_connectFailure = ConnectFailure::TlsUnavailable;
        markLost();
        return false;
    }
    const QString how = tls.isEmpty() ? QStringLiteral("sem TLS") : QStringLiteral("TLS %1").arg(tls);
    log::info(QStringLiteral("conectado a %1 como %2 (%3)").arg(where, m_connection.user, how));
    m_lastLogged.clear();
    return true;
}

int Sql::limitMs() const
{
    return std::max(1, m_connection.timeoutSeconds) * 1000;
}

void Sql::noteSilence(std::optional<std::size_t> endpoint)
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

bool Sql::ensureConnected()
{
    m_callClock.start();
    if (m_connected && !m_unit.lost) {
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
    if (m_unit.depth > 0) {
        // The transaction died with its connection: the server rolled it
        // back. Reconnecting now would store the rest of the command on its
        // own, so every statement of the unit fails until it ends.
        m_unit.lost = true;
        setState(QStringLiteral("08003"),
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
    if (!m_hasConnection) {
        m_connection = Connection::fromConfig();
        m_hasConnection = true;
    }
    // Failover: start with the endpoint in use last and go round the list
    // once; the first that answers is the new one.
    const std::vector<Endpoint> list = endpoints();
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
        setState(QStringLiteral("08001"), QStringLiteral("the server did not answer; not asked again for a moment"));
        markLost();
        return false;
    }
    // Next time the following endpoint is tried first.
    m_endpoint = (m_endpoint + 1) % list.size();
    noteSilence(std::nullopt);
    return false;
}

Sql::Prepared *Sql::prepare(const char *cursor, std::string_view text)
{
    const std::pair<const void *, const void *> address(cursor, text.data());
    if (auto it = m_byAddress.find(address);
        it != m_byAddress.end() && it->second->text == text && (!cursor || it->second->cursor == cursor))
        return it->second;
    // Each cursor gets its own statement handle, so the same text may run
    // as a plain statement while the cursor is open.
    const std::string key = cursor ? std::string(cursor) + '\x1f' + std::string(text) : std::string(text);
    if (auto it = m_prepared.find(key); it != m_prepared.end()) {
        m_byAddress[address] = it->second.get();
        return it->second.get();
    }

    auto p = std::make_unique<Prepared>();
    p->text = std::string(text);
    if (cursor)
        p->cursor = cursor;
    p->stmt = mysql_stmt_init(db(m_mysql));
    if (!p->stmt) {
        setStateFromConnection();
        return nullptr;
    }
    // Buffered results keep their rows client-side, so statements issued
    // inside a cursor loop do not collide with the open result.
    waited();
    if (mysql_stmt_prepare(p->stmt, p->text.data(), p->text.size()) != 0) {
        setStateFromStmt(*p);
        return nullptr;
    }
    p->paramCount = mysql_stmt_param_count(p->stmt);
    p->columnCount = mysql_stmt_field_count(p->stmt);
    if (p->columnCount > 0) {
        MYSQL_RES *meta = mysql_stmt_result_metadata(p->stmt);
        p->result.assign(p->columnCount, MYSQL_BIND{});
        p->buffers.resize(p->columnCount);
        p->lengths.assign(p->columnCount, 0);
        p->nulls.assign(p->columnCount, 0);
        p->errors.assign(p->columnCount, 0);
        for (unsigned int i = 0; i < p->columnCount; ++i) {
            unsigned long width = 64;
            if (meta) {
                const MYSQL_FIELD *f = mysql_fetch_field_direct(meta, i);
                width = std::max<unsigned long>(width, f->length + 1);
            }
            p->buffers[i].assign(width, '\0');
            MYSQL_BIND &b = p->result[i];
            b.buffer_type = MYSQL_TYPE_STRING;
            b.buffer = p->buffers[i].data();
            b.buffer_length = width;
            b.length = &p->lengths[i];
            b.is_null = &p->nulls[i];
            b.error = &p->errors[i];
        }
        if (meta)
            mysql_free_result(meta);
    }
    Prepared *raw = p.get();
    m_prepared.emplace(key, std::move(p));
    m_byAddress[address] = raw;
    return raw;
}

bool Sql::bindAndExecute(Prepared &p, SqlParams in)
{
    if (!bindAndSend(p, in.begin(), in.size()))
        return false;
    if (p.columnCount > 0) {
        if (mysql_stmt_bind_result(p.stmt, p.result.data()) != 0 || mysql_stmt_store_result(p.stmt) != 0) {
            setStateFromStmt(p);
            return false;
        }
        p.stored = true;
        m_affected = std::int64_t(mysql_stmt_num_rows(p.stmt));
    } else {
        m_affected = std::int64_t(mysql_stmt_affected_rows(p.stmt));
    }
    setState(kSuccess, QString());
    return true;
}

bool Sql::bindAndSend(Prepared &p, const SqlParam *in, std::size_t count)
{
    if (count != p.paramCount) {
        setState(QStringLiteral("07001"),
                 QStringLiteral("statement expects %1 values, %2 given").arg(p.paramCount).arg(count));
        return false;
    }
    if (p.stored)
        release(p);
    // Every statement of the screen takes a handful of values: they are
    // bound from the stack, not from three allocations per statement.
    constexpr std::size_t kInline = 8;
    MYSQL_BIND inlineBinds[kInline];
    unsigned long inlineLengths[kInline];
    long long inlineIntegers[kInline];
    std::vector<MYSQL_BIND> moreBinds;
    std::vector<unsigned long> moreLengths;
    std::vector<long long> moreIntegers;
    MYSQL_BIND *binds = inlineBinds;
    unsigned long *lengths = inlineLengths;
    long long *integers = inlineIntegers;
    if (count > kInline) {
        moreBinds.resize(count);
        moreLengths.resize(count);
        moreIntegers.resize(count);
        binds = moreBinds.data();
        lengths = moreLengths.data();
        integers = moreIntegers.data();
    }
    std::fill(binds, binds + count, MYSQL_BIND{});
    std::fill(lengths, lengths + count, 0UL);
    std::fill(integers, integers + count, 0LL);
    std::size_t i = 0;
    for (const SqlParam &param : std::span(in, count)) {
        MYSQL_BIND &b = binds[i];
        switch (param.kind()) {
        case SqlParam::Integer:
            integers[i] = param.integer();
            b.buffer_type = MYSQL_TYPE_LONGLONG;
            b.buffer = &integers[i];
            break;
        case SqlParam::Exact:
        case SqlParam::Text:
            lengths[i] = param.bytes().size();
            b.buffer_type = param.kind() == SqlParam::Exact ? MYSQL_TYPE_NEWDECIMAL : MYSQL_TYPE_STRING;
            b.buffer = const_cast<char *>(param.bytes().data());
            b.buffer_length = lengths[i];
            b.length = &lengths[i];
            break;
        }
        ++i;
    }
    if (count > 0 && mysql_stmt_bind_param(p.stmt, binds) != 0) {
        setStateFromStmt(p);
        return false;
    }
    if (m_probe)
        m_probe->executed();
    if (!m_sendOnly)
        waited();
    // Sends the execution; the answer is read here too, unless a batch
    // asked the connection to leave it for later.
    if (mysql_stmt_execute(p.stmt) != 0) {
        setStateFromStmt(p);
        return false;
    }
    return true;
}

void Sql::release(Prepared &p)
{
    // The library frees a stored result and settles the handle only while
    // its row cursor still points at a row: a result read to its last row
    // but not past it would leave the handle half-fetched, and its next
    // execution sent without reading (a batch) would then try to flush the
    // old result from the connection, swallowing another execution's
    // answer. Rewinding first settles every handle the same way.
    if (mysql_stmt_num_rows(p.stmt) > 0)
        mysql_stmt_data_seek(p.stmt, 0);
    mysql_stmt_free_result(p.stmt);
    p.stored = false;
}

bool Sql::checkColumns(Prepared &p, const Layout &layout)
{
    if (int(p.columnCount) == layout.size())
        return true;
    // A table whose columns were added, removed or moved would silently
    // shift every value of an all-column read: refuse it instead.
    setState(QStringLiteral("07002"), QStringLiteral("%1: the statement returns %2 columns, the record has %3")
                                          .arg(QLatin1String(layout.table()))
                                          .arg(p.columnCount)
                                          .arg(layout.size()));
    return false;
}

int Sql::fetchInto(Prepared &p, Record &into)
{
    const int rc = mysql_stmt_fetch(p.stmt);
    if (rc == MYSQL_NO_DATA) {
        // The library leaves the state at "00000" here; the callers need
        // the end-of-data state to end their loops.
        setState(kNoData, QStringLiteral("no data"));
        return 1;
    }
    if (rc == 1) {
        setStateFromStmt(p);
        return -1;
    }
    for (unsigned int i = 0; i < p.columnCount; ++i) {
        if (p.errors[i]) {
            // Longer than the buffer: read the whole value.
            p.buffers[i].assign(p.lengths[i] + 1, '\0');
            MYSQL_BIND b{};
            b.buffer_type = MYSQL_TYPE_STRING;
            b.buffer = p.buffers[i].data();
            b.buffer_length = p.lengths[i] + 1;
            unsigned long len = 0;
            b.length = &len;
            mysql_stmt_fetch_column(p.stmt, &b, i, 0);
            p.result[i].buffer = p.buffers[i].data();
            p.result[i].buffer_length = p.lengths[i] + 1;
            mysql_stmt_bind_result(p.stmt, p.result.data());
        }
        // Text is padded to the column width and numbers parsed exactly;
        // NULL reads as zero or blanks.
        const std::size_t length = std::min<std::size_t>(p.lengths[i], p.buffers[i].size());
        into.setBytes(int(i), std::string_view(p.buffers[i].data(), p.nulls[i] ? 0 : length), p.nulls[i] != 0);
    }
    setState(kSuccess, QString());
    return 0;
}

void Sql::setProbe(std::unique_ptr<SqlProbe> probe)
{
    m_probe = std::move(probe);
}

void Sql::waited(int count)
{
    if (m_probe)
        m_probe->waited(count);
}

void Sql::noteSent(std::string_view text, SqlParams in)
{
    if (m_probe)
        m_probe->sent(text, std::span(in.begin(), in.size()));
}

bool Sql::injected(std::string_view text)
{
    if (!m_probe)
        return false;
    const std::optional<SqlProbe::Failure> failure = m_probe->failure(text);
    if (!failure)
        return false;
    setState(failure->state, failure->message);
    return true;
}

std::size_t SqlBatch::add(std::string_view text, SqlParams in, const Layout &layout)
{
    const std::size_t index = add(text, in);
    m_entries[index].layout = &layout;
    return index;
}

std::size_t SqlBatch::add(std::string_view text, SqlParams in)
{
    Entry &entry = m_entries.emplace_back();
    entry.text = text;
    entry.params.assign(in.begin(), in.end());
    return m_entries.size() - 1;
}

const Record *SqlBatch::row(std::size_t index) const
{
    const Entry &entry = m_entries[index];
    return entry.rows.empty() ? nullptr : &entry.rows.front();
}

std::optional<std::size_t> SqlBatch::firstFailure() const
{
    for (std::size_t i = 0; i < m_entries.size(); ++i)
        if (m_entries[i].result.failed())
            return i;
    return std::nullopt;
}

namespace {

// Bounds of one chunk of a batch: what one round trip carries at most, so
// that a huge batch does not hold every answer in memory at once before
// the caller sees any (the sending itself never fills the buffers: see
// run).
constexpr std::size_t kChunkExecutions = 1000;
constexpr std::size_t kChunkRequestBytes = 64 * 1024;

// Whether the connection takes another request now, without waiting.
bool writable(int socket)
{
    if (socket < 0)
        return true;
    pollfd probe{socket, POLLOUT, 0};
    return ::poll(&probe, 1, 0) > 0 && (probe.revents & POLLOUT) != 0;
}

// Holds small writes back until uncorked (TCP only; a local socket has no
// such option and sends at once anyway).
void cork(int socket, bool on)
{
    if (socket < 0)
        return;
    const int value = on ? 1 : 0;
    ::setsockopt(socket, IPPROTO_TCP, TCP_CORK, &value, sizeof value);
}

std::size_t requestBytes(const std::vector<SqlParam> &params)
{
    std::size_t bytes = 16; // header, command, statement id, flags, iterations
    for (const SqlParam &param : params)
        bytes += 3 + (param.kind() == SqlParam::Integer ? 8 : param.bytes().size() + 3);
    return bytes;
}

} // namespace

void Sql::failRest(SqlBatch &batch, std::size_t from, const SqlResult &lost)
{
    // Whatever was sent after a lost answer is lost with it, and nothing
    // is sent on another connection: inside a unit of work that would
    // store the rest of a command on its own.
    for (std::size_t i = from; i < batch.m_entries.size(); ++i) {
        SqlBatch::Entry &entry = batch.m_entries[i];
        entry.result = lost;
        entry.result.m_connectionLost = true;
        entry.rows.clear();
        entry.affected = 0;
        ++m_losses;
    }
}

bool Sql::readAnswer(Prepared &p, SqlBatch::Entry &entry)
{
    m_callClock.start();
    MYSQL *handle = db(m_mysql);
    if (handle->methods->db_read_execute_response(p.stmt) != 0) {
        setStateFromStmt(p);
        return false;
    }
    if (p.columnCount == 0) {
        entry.affected = std::int64_t(mysql_stmt_affected_rows(p.stmt));
        setState(kSuccess, QString());
        return true;
    }
    // The library counts the rows of every answer a handle received since
    // its last execution was sent; with several executions of one handle
    // in flight that runs on across their answers.
    const my_ulonglong before = mysql_stmt_num_rows(p.stmt);
    if (mysql_stmt_bind_result(p.stmt, p.result.data()) != 0 || mysql_stmt_store_result(p.stmt) != 0) {
        setStateFromStmt(p);
        return false;
    }
    p.stored = true;
    entry.affected = std::int64_t(mysql_stmt_num_rows(p.stmt) - before);
    setState(entry.affected == 0 ? kNoData : kSuccess, entry.affected == 0 ? QStringLiteral("no data") : QString());
    if (entry.layout) {
        entry.rows.reserve(std::size_t(entry.affected));
        for (;;) {
            Record row(*entry.layout);
            const int rc = fetchInto(p, row);
            if (rc == -1)
                entry.fetchFailed = true;
            if (rc != 0)
                break;
            entry.rows.push_back(std::move(row));
        }
        if (m_result.noRow() && !entry.rows.empty())
            setState(kSuccess, QString());
    }
    if (entry.cursor && m_probe && injected(std::string("FETCH ") + entry.cursor)) {
        entry.rows.clear();
        entry.fetchFailed = true;
    }
    release(p);
    return true;
}

bool Sql::run(SqlBatch &batch)
{
    auto &entries = batch.m_entries;
    // Every entry starts unanswered, and again when the batch is sent anew.
    const auto unanswered = [&entries] {
        for (SqlBatch::Entry &entry : entries) {
            entry.result = SqlResult();
            entry.rows.clear();
            entry.affected = 0;
            entry.fetchFailed = false;
            entry.sent = false;
            entry.prepared = nullptr;
        }
    };
    unanswered();
    // One at a time, each answer read before the next leaves, is the same
    // code with chunks of one: the same outcomes by construction.
    const std::size_t chunkLimit = m_connection.pipeline ? kChunkExecutions : 1;
    std::size_t next = 0;
    bool connectedAgain = false;
    const std::int64_t lossesBefore = m_losses;
    while (next < entries.size()) {
        if (!ensureConnected()) {
            failRest(batch, next, m_result);
            break;
        }
        // Everything the chunk needs is prepared before any of it is sent:
        // a prepare reads its own answer, which must not be one of theirs.
        // An execution a test injects a failure into, or that cannot be
        // prepared, fails here and is not sent, as it would not be one by
        // one.
        const std::size_t first = next;
        std::size_t pending = 0;
        std::size_t bytes = 0;
        std::optional<std::size_t> lostAt;
        while (next < entries.size() && pending < chunkLimit && (pending == 0 || bytes < kChunkRequestBytes)) {
            SqlBatch::Entry &entry = entries[next];
            if (injected(entry.text)) {
                entry.result = m_result;
                ++next;
                continue;
            }
            Prepared *p = prepare(nullptr, entry.text);
            if (!p && m_result.connectionLost()) {
                lostAt = next;
                break;
            }
            ++next;
            if (!p || (entry.layout && !checkColumns(*p, *entry.layout))) {
                entry.result = m_result;
                continue;
            }
            entry.prepared = p;
            ++pending;
            bytes += requestBytes(entry.params);
        }
        if (lostAt) {
            // A connection that died while it sat idle is found by the first
            // prepare, before anything of the batch left. As the next single
            // statement would, the batch connects again once (the server
            // may also refuse this desk now, which is then what it is told),
            // unless a unit of work was open on the dead connection.
            if (!connectedAgain && first == 0 && pending == *lostAt && !inUnitOfWork()) {
                connectedAgain = true;
                // Found dead and replaced before it was needed: nothing this
                // batch asked for was lost.
                m_losses = lossesBefore;
                next = 0;
                continue;
            }
            failRest(batch, first, m_result);
            break;
        }

        // Send the chunk without waiting for answers. Whenever the
        // connection will not take another request at once (the server is
        // busy writing answers nobody reads yet), the answers already sent
        // for are read first, in order: neither side then waits on the
        // other with full buffers, however long the chunk.
        MYSQL *handle = db(m_mysql);
        const int socket = int(mysql_get_socket(handle));
        bool lost = false;
        bool anySent = false;
        SqlResult lostResult;
        std::size_t answered = first; // the answers before it were read
        auto readNext = [&](std::size_t limit) {
            while (answered < limit && !entries[answered].sent)
                ++answered;
            if (answered >= limit)
                return false;
            SqlBatch::Entry &entry = entries[answered++];
            if (lost) {
                // The connection died under an earlier answer or a later
                // send: this execution's answer cannot be read.
                entry.result = lostResult;
                entry.result.m_connectionLost = true;
                ++m_losses;
                return true;
            }
            readAnswer(*static_cast<Prepared *>(entry.prepared), entry);
            entry.result = m_result;
            m_affected = entry.affected;
            if (m_result.connectionLost()) {
                lost = true;
                lostResult = m_result;
            }
            return true;
        };
        const my_bool skip = 1;
        mysql_optionsv(handle, MARIADB_OPT_SKIP_READ_RESPONSE, &skip);
        m_sendOnly = true;
        // Over TCP the requests are corked while the chunk is written, so
        // they leave in a few full segments instead of one small segment
        // each: the server's side acknowledges full segments at once, while
        // small ones wait for its delayed acknowledgement and fill this
        // side's buffer with unacknowledged data.
        cork(socket, true);
        constexpr int kAskEvery = 8;
        int sinceAsked = 0;
        for (std::size_t i = first; i < next && !lost; ++i) {
            SqlBatch::Entry &entry = entries[i];
            if (!entry.prepared)
                continue;
            // Asked every few requests only: a connection's buffers hold
            // hundreds of them, and asking costs a system call.
            if (++sinceAsked >= kAskEvery) {
                sinceAsked = 0;
                if (!writable(socket)) {
                    cork(socket, false);
                    while (!lost && !writable(socket) && readNext(i)) {
                    }
                    cork(socket, true);
                }
            }
            if (lost)
                break;
            if (m_probe)
                m_probe->sent(entry.text, entry.params);
            auto &p = *static_cast<Prepared *>(entry.prepared);
            if (bindAndSend(p, entry.params.data(), entry.params.size())) {
                entry.sent = true;
                anySent = true;
            } else {
                entry.result = m_result;
                if (m_result.connectionLost()) {
                    lost = true;
                    lostResult = m_result;
                }
            }
        }
        m_sendOnly = false;
        cork(socket, false);
        if (m_mysql) {
            const my_bool read = 0;
            mysql_optionsv(handle, MARIADB_OPT_SKIP_READ_RESPONSE, &read);
        }
        if (anySent)
            waited();
        // Prepared but never sent: the connection died first.
        for (std::size_t i = first; lost && i < next; ++i) {
            SqlBatch::Entry &entry = entries[i];
            if (entry.prepared && !entry.sent && !entry.result.failed()) {
                entry.result = lostResult;
                entry.result.m_connectionLost = true;
                ++m_losses;
            }
        }
        // The rest of the answers, in order, each wholly before the next.
        while (readNext(next)) {
        }
        if (lost && !connectedAgain && first == 0 && !inUnitOfWork() && entries[0].result.connectionLost()
            && std::all_of(entries.begin(), entries.end(),
                           [](const SqlBatch::Entry &e) { return e.text.substr(0, 6) == "SELECT"; })) {
            // The connection had died while idle and not one answer came:
            // reads only, outside any unit of work, so asking again on a
            // new connection is what the next single statement would do.
            connectedAgain = true;
            m_losses = lossesBefore;
            unanswered();
            next = 0;
            continue;
        }
        if (lost) {
            failRest(batch, next, lostResult);
            break;
        }
    }
    for (SqlBatch::Entry &entry : entries)
        entry.prepared = nullptr;
    if (const auto failure = batch.firstFailure()) {
        m_result = entries[*failure].result;
        return false;
    }
    if (!entries.empty())
        m_result = entries.back().result;
    return true;
}

const SqlResult &Sql::exec(std::string_view text, SqlParams in, Record *into)
{
    m_affected = 0;
    if (injected(text) || !ensureConnected())
        return m_result;
    Prepared *p = prepare(nullptr, text);
    if (!p)
        return m_result;
    if (into && !checkColumns(*p, into->layout()))
        return m_result;
    noteSent(text, in);
    if (!bindAndExecute(*p, in))
        return m_result;
    if (p->columnCount > 0) {
        if (into) {
            fetchInto(*p, *into);
        } else if (mysql_stmt_num_rows(p->stmt) == 0) {
            setState(kNoData, QStringLiteral("no data"));
        }
        release(*p);
    }
    return m_result;
}

const SqlResult &Sql::execRows(std::string_view text, SqlParams in, const Layout &layout, std::vector<Record> &rows,
                               int maxRows)
{
    rows.clear();
    m_affected = 0;
    if (injected(text) || !ensureConnected())
        return m_result;
    Prepared *p = prepare(nullptr, text);
    if (!p || !checkColumns(*p, layout))
        return m_result;
    noteSent(text, in);
    if (!bindAndExecute(*p, in))
        return m_result;
    while (int(rows.size()) < maxRows) {
        Record r(layout);
        const int rc = fetchInto(*p, r);
        if (rc != 0)
            break;
        rows.push_back(std::move(r));
    }
    if (!rows.empty() && m_result.answered())
        setState(kSuccess, QString());
    release(*p);
    return m_result;
}

const SqlResult &Sql::open(const char *cursor, std::string_view text, SqlParams in)
{
    m_affected = 0;
    m_cursors.erase(cursor);
    if (injected(text) || !ensureConnected())
        return m_result;
    Prepared *p = prepare(cursor, text);
    if (!p)
        return m_result;
    noteSent(text, in);
    if (!bindAndExecute(*p, in))
        return m_result;
    m_cursors[cursor] = p;
    return m_result;
}

const SqlResult &Sql::fetch(const char *cursor, Record &into)
{
    auto it = m_cursors.find(cursor);
    if (it == m_cursors.end() || !m_connected) {
        setState(QStringLiteral("24000"), QStringLiteral("cursor %1 is not open").arg(QLatin1String(cursor)));
        return m_result;
    }
    if (m_probe && injected(std::string("FETCH ") + cursor))
        return m_result;
    Prepared &p = *it->second;
    if (!checkColumns(p, into.layout()))
        return m_result;
    fetchInto(p, into);
    return m_result;
}

const SqlResult &Sql::close(const char *cursor)
{
    auto it = m_cursors.find(cursor);
    if (it == m_cursors.end()) {
        setState(QStringLiteral("24000"), QStringLiteral("cursor %1 is not open").arg(QLatin1String(cursor)));
        return m_result;
    }
    if (m_connected && it->second->stored)
        release(*it->second);
    m_cursors.erase(it);
    setState(kSuccess, QString());
    return m_result;
}

bool Sql::begin()
{
    if (!ensureConnected())
        return false;
    waited();
    if (mysql_autocommit(db(m_mysql), 0) != 0) {
        setStateFromConnection();
        return false;
    }
    setState(kSuccess, QString());
    return true;
}

bool Sql::commit()
{
    if (!m_connected) {
        setState(QStringLiteral("08003"), QStringLiteral("connection lost before commit"));
        return false;
    }
    if (injected(kCommit)) {
        // Refused as a cluster refuses a conflicting write set: nothing of
        // the transaction stays.
        mysql_rollback(db(m_mysql));
        mysql_autocommit(db(m_mysql), 1);
        return false;
    }
    // Switching autocommit back on commits the open transaction in the
    // same exchange: one round trip instead of a COMMIT and then the
    // switch. When that commit fails (a lost conflict, a cluster's
    // certification) the server leaves autocommit off and says why; the
    // transaction is then rolled back before autocommit goes on, so
    // nothing of it is stored by the switch.
    waited();
    const bool committed = mysql_autocommit(db(m_mysql), 1) == 0;
    if (!committed) {
        setStateFromConnection();
        if (m_connected) {
            waited(2);
            mysql_rollback(db(m_mysql));
            mysql_autocommit(db(m_mysql), 1);
        }
        return false;
    }
    setState(kSuccess, QString());
    return true;
}

bool Sql::rollback()
{
    if (!m_connected)
        return false; // the server rolled back when the connection dropped
    // The state of the statement that failed stays readable for the
    // caller's message: rolling back is not the news.
    waited(2);
    const bool done = mysql_rollback(db(m_mysql)) == 0;
    mysql_autocommit(db(m_mysql), 1);
    return done;
}

} // namespace qv
