// quorvel-admin: sets up and looks after the restaurant's database on its
// server. Run by the server's administrator (by default MariaDB's root over
// the local socket, as `sudo quorvel-admin ...` on Debian), never by a desk.
// Every command can run again at any time: what is already done is said
// and left as it is.
#include "data/Statements.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

#include <mysql.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <vector>

namespace {

namespace admin = qv::stmt::admin;

// A step that cannot be done: told on stderr, exit status 1.
struct Failure
{
    QString text;
};
// A command line that cannot be understood: exit status 2.
struct Usage
{
    QString text;
};

constexpr int kBoardTables = 80;
constexpr int kShareProduct = 999999;
const QString kVersionTable = QStringLiteral("tab_VersaoEsquema");

// The cashier's rights on the restaurant's database, and nothing more: a
// desk reads every table and writes only these. A table of the program's
// own that the desks write is added here with the rights they need; the
// next `init` grants them, and `check --account` asks for them.
struct Right
{
    const char *table; // nullptr: the whole database
    std::vector<const char *> privileges;
};
const std::vector<Right> kCashierRights = {
    {nullptr, {"SELECT"}},
    {"mov_Mesa", {"UPDATE"}},
    {"mov_Cozinha", {"UPDATE"}},
    {"mov_MesaItem", {"INSERT", "UPDATE", "DELETE"}},
    {"mov_MesaItemObs", {"INSERT", "UPDATE", "DELETE"}},
    {"mov_MesaCobranca", {"INSERT", "UPDATE", "DELETE"}},
    {"mov_Vendas", {"INSERT"}},
    {"mov_VendasItem", {"INSERT"}},
    {"mov_VendasItemObs", {"INSERT"}},
};

// Names put into statement texts (see data/Statements.h): nothing that
// could end a quoted name or string.
const QRegularExpression kDatabaseName(QStringLiteral("^[A-Za-z0-9_]{1,54}$"));
const QRegularExpression kUserName(QStringLiteral("^[A-Za-z0-9_.-]{1,80}$"));
const QRegularExpression kHostPattern(QStringLiteral("^[A-Za-z0-9_.%:/-]{1,255}$"));
const QRegularExpression kPasswordHash(QStringLiteral("^\\*[0-9A-F]{40}$"));
const QRegularExpression kPrivilege(QStringLiteral("^[A-Z][A-Z ]{0,40}$"));

QString text(std::string_view s)
{
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

void say(const QString &line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

// One connection to the server, as its administrator. Every statement is
// prepared and executed with its values bound; only the packaged SQL files
// (schema, demo, upgrades) go as scripts.
class Link
{
public:
    struct Options
    {
        QString socket;
        QString host;
        int port = 0;
        QString user = QStringLiteral("root");
        std::optional<QByteArray> password;
    };

    explicit Link(const Options &options) : m_mysql(mysql_init(nullptr))
    {
        if (!m_mysql)
            throw Failure{QStringLiteral("out of memory")};
        // The [client] and [quorvel-admin] groups of MariaDB's option files
        // (/etc/mysql/my.cnf, ~/.my.cnf) apply, TLS settings included; what
        // the command line gives wins.
        mysql_optionsv(m_mysql, MYSQL_READ_DEFAULT_GROUP, "quorvel-admin");
        mysql_optionsv(m_mysql, MYSQL_SET_CHARSET_NAME, "utf8mb4");
        unsigned int timeout = 10;
        mysql_optionsv(m_mysql, MYSQL_OPT_CONNECT_TIMEOUT, &timeout);
        const QByteArray host = options.host.toUtf8();
        const QByteArray user = options.user.toUtf8();
        const QByteArray socket = options.socket.toUtf8();
        if (!options.socket.isEmpty())
            m_where = QStringLiteral("the server on socket %1").arg(options.socket);
        else if (!options.host.isEmpty())
            m_where = QStringLiteral("the server at %1:%2").arg(options.host).arg(options.port ? options.port : 3306);
        else
            m_where = QStringLiteral("the local server");
        if (!mysql_real_connect(m_mysql, options.host.isEmpty() ? nullptr : host.constData(), user.constData(),
                                options.password ? options.password->constData() : nullptr, nullptr,
                                unsigned(options.port), options.socket.isEmpty() ? nullptr : socket.constData(), 0))
            throw Failure{QStringLiteral("cannot connect to %1 as %2: %3").arg(m_where, options.user, error())};
    }
    ~Link() { mysql_close(m_mysql); }
    Link(const Link &) = delete;
    Link &operator=(const Link &) = delete;

    const QString &where() const { return m_where; }

    // Runs one statement with its text values bound; the rows it returns,
    // every value as text (NULL as an empty one).
    std::vector<QStringList> rows(const QString &statement, const QList<QByteArray> &values = {})
    {
        MYSQL_STMT *stmt = mysql_stmt_init(m_mysql);
        if (!stmt)
            throw Failure{QStringLiteral("out of memory")};
        struct Closer
        {
            MYSQL_STMT *s;
            ~Closer() { mysql_stmt_close(s); }
        } closer{stmt};
        const QByteArray sql = statement.toUtf8();
        const auto fail = [&] {
            return Failure{QStringLiteral("%1\n  statement: %2").arg(stmtError(stmt), statement)};
        };
        if (mysql_stmt_prepare(stmt, sql.constData(), sql.size()) != 0)
            throw fail();
        std::vector<MYSQL_BIND> in(values.size());
        std::vector<unsigned long> inLengths(values.size());
        for (qsizetype i = 0; i < values.size(); ++i) {
            in[i] = MYSQL_BIND{};
            in[i].buffer_type = MYSQL_TYPE_STRING;
            in[i].buffer = const_cast<char *>(values[i].constData());
            inLengths[i] = values[i].size();
            in[i].buffer_length = inLengths[i];
            in[i].length = &inLengths[i];
        }
        if (qsizetype(mysql_stmt_param_count(stmt)) != values.size())
            throw Failure{QStringLiteral("internal: %1 values for %2").arg(values.size()).arg(statement)};
        if ((!in.empty() && mysql_stmt_bind_param(stmt, in.data())) || mysql_stmt_execute(stmt) != 0)
            throw fail();
        m_affected = mysql_stmt_affected_rows(stmt);
        std::vector<QStringList> out;
        MYSQL_RES *meta = mysql_stmt_result_metadata(stmt);
        if (!meta)
            return out;
        struct MetaFree
        {
            MYSQL_RES *r;
            ~MetaFree() { mysql_free_result(r); }
        } metaFree{meta};
        my_bool update = 1;
        mysql_stmt_attr_set(stmt, STMT_ATTR_UPDATE_MAX_LENGTH, &update);
        if (mysql_stmt_store_result(stmt) != 0)
            throw fail();
        const unsigned int columns = mysql_num_fields(meta);
        const MYSQL_FIELD *fields = mysql_fetch_fields(meta);
        std::vector<QByteArray> buffers(columns);
        std::vector<MYSQL_BIND> result(columns);
        std::vector<unsigned long> lengths(columns);
        std::vector<my_bool> nulls(columns);
        for (unsigned int c = 0; c < columns; ++c) {
            buffers[c].resize(qsizetype(fields[c].max_length) + 1);
            result[c] = MYSQL_BIND{};
            result[c].buffer_type = MYSQL_TYPE_STRING;
            result[c].buffer = buffers[c].data();
            result[c].buffer_length = buffers[c].size();
            result[c].length = &lengths[c];
            result[c].is_null = &nulls[c];
        }
        if (columns && mysql_stmt_bind_result(stmt, result.data()) != 0)
            throw fail();
        int status;
        while ((status = mysql_stmt_fetch(stmt)) == 0) {
            QStringList row;
            for (unsigned int c = 0; c < columns; ++c)
                row << (nulls[c] ? QString() : QString::fromUtf8(buffers[c].constData(), qsizetype(lengths[c])));
            out.push_back(row);
        }
        if (status != MYSQL_NO_DATA)
            throw fail();
        return out;
    }

    void run(const QString &statement, const QList<QByteArray> &values = {}) { rows(statement, values); }
    std::uint64_t affected() const { return m_affected; }

    long long number(const QString &statement, const QList<QByteArray> &values = {})
    {
        const auto r = rows(statement, values);
        return r.empty() || r[0].isEmpty() ? 0 : r[0][0].toLongLong();
    }

    void use(const QString &database)
    {
        if (mysql_select_db(m_mysql, database.toUtf8().constData()) != 0)
            throw Failure{QStringLiteral("cannot use the database %1: %2").arg(database, error())};
    }

    // A packaged SQL file, all its statements in order; stops at the first
    // that fails and says which.
    void script(const QString &path, const QByteArray &sql)
    {
        mysql_set_server_option(m_mysql, MYSQL_OPTION_MULTI_STATEMENTS_ON);
        // Each statement's result is read before the next one runs; the
        // count is of the statement whose result is awaited.
        int statement = 1;
        int status = mysql_real_query(m_mysql, sql.constData(), sql.size());
        while (status == 0) {
            if (MYSQL_RES *r = mysql_store_result(m_mysql))
                mysql_free_result(r);
            ++statement;
            status = mysql_next_result(m_mysql);
        }
        const bool failed = status > 0;
        const QString why = failed ? error() : QString();
        mysql_set_server_option(m_mysql, MYSQL_OPTION_MULTI_STATEMENTS_OFF);
        if (failed)
            throw Failure{QStringLiteral("%1: statement %2 failed: %3").arg(path).arg(statement).arg(why)};
    }

    bool begin() { return mysql_autocommit(m_mysql, 0) == 0; }
    void commit()
    {
        const bool ok = mysql_commit(m_mysql) == 0;
        const QString why = ok ? QString() : error();
        mysql_autocommit(m_mysql, 1);
        if (!ok)
            throw Failure{QStringLiteral("commit failed: %1").arg(why)};
    }
    void rollback()
    {
        mysql_rollback(m_mysql);
        mysql_autocommit(m_mysql, 1);
    }

private:
    QString error() const
    {
        return QStringLiteral("%1 (error %2, SQLSTATE %3)")
            .arg(QString::fromUtf8(mysql_error(m_mysql)))
            .arg(mysql_errno(m_mysql))
            .arg(QString::fromLatin1(mysql_sqlstate(m_mysql)));
    }
    static QString stmtError(MYSQL_STMT *stmt)
    {
        return QStringLiteral("%1 (error %2, SQLSTATE %3)")
            .arg(QString::fromUtf8(mysql_stmt_error(stmt)))
            .arg(mysql_stmt_errno(stmt))
            .arg(QString::fromLatin1(mysql_stmt_sqlstate(stmt)));
    }

    MYSQL *m_mysql;
    QString m_where;
    std::uint64_t m_affected = 0;
};

// The packaged SQL files: schema.sql, demo.sql and upgrade/NNN.sql.
class Share
{
public:
    explicit Share(const QString &folder)
    {
        m_folder = folder;
        if (m_folder.isEmpty()) {
            const QString schema =
                QStandardPaths::locate(QStandardPaths::GenericDataLocation, QStringLiteral("quorvel/schema.sql"));
            if (schema.isEmpty())
                throw Failure{QStringLiteral("cannot find quorvel/schema.sql in %1: give its folder with --share")
                                  .arg(QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)
                                           .join(QLatin1Char(':')))};
            m_folder = QFileInfo(schema).absolutePath();
        }
    }
    QString path(const QString &name) const { return QDir(m_folder).filePath(name); }
    QByteArray read(const QString &name) const
    {
        QFile f(path(name));
        if (!f.open(QIODevice::ReadOnly))
            throw Failure{QStringLiteral("cannot read %1: %2").arg(f.fileName(), f.errorString())};
        return f.readAll();
    }
    static QString upgradeName(int version)
    {
        return QStringLiteral("upgrade/%1.sql").arg(version, 3, 10, QChar(u'0'));
    }

private:
    QString m_folder;
};

// What a schema is made of, table by table: its columns (name, type,
// nullability, default, collation) in order, and its indexes.
struct Shape
{
    std::map<QString, QStringList> columns;
    std::map<QString, std::map<QString, QString>> indexes; // table → index → its columns and uniqueness
};

Shape shapeOf(Link &link, const QString &database)
{
    Shape shape;
    for (const QStringList &r : link.rows(text(admin::kTableNames), {database.toUtf8()}))
        shape.columns[r[0]];
    for (const QStringList &r : link.rows(text(admin::kColumns), {database.toUtf8()})) {
        shape.columns[r[0]] << QStringLiteral("%1 %2%3 default %4%5%6")
                                   .arg(r[2], r[3],
                                        r[4] == QLatin1String("YES") ? QString() : QStringLiteral(" not null"), r[5],
                                        r[6].isEmpty() ? QString() : QStringLiteral(" collate ") + r[6],
                                        r[7].isEmpty() ? QString() : QLatin1Char(' ') + r[7]);
    }
    for (const QStringList &r : link.rows(text(admin::kIndexes), {database.toUtf8()})) {
        QString &index = shape.indexes[r[0]][r[1]];
        if (index.isEmpty())
            index = r[4] == QLatin1String("0") ? QStringLiteral("unique") : QStringLiteral("non-unique");
        index += QLatin1Char(' ') + r[3];
    }
    return shape;
}

// How `have` differs from `want`: what a desk would trip over. Tables that
// are not the program's own (another module's, in the same database) are
// only noted.
QStringList differences(const Shape &want, const Shape &have, int version, QStringList &notes)
{
    QStringList out;
    for (const auto &[table, columns] : want.columns) {
        const auto found = have.columns.find(table);
        if (found == have.columns.end()) {
            out << QStringLiteral("table %1 is missing").arg(table);
            continue;
        }
        const QStringList &actual = found->second;
        for (qsizetype i = 0; i < std::max(columns.size(), actual.size()); ++i) {
            if (i >= actual.size())
                out << QStringLiteral("table %1: column %2 (%3) is missing").arg(table).arg(i + 1).arg(columns[i]);
            else if (i >= columns.size())
                out << QStringLiteral("table %1: column %2 (%3) is not in version %4")
                           .arg(table)
                           .arg(i + 1)
                           .arg(actual[i])
                           .arg(version);
            else if (columns[i] != actual[i])
                out << QStringLiteral("table %1: column %2 is \"%3\", version %4 has \"%5\"")
                           .arg(table)
                           .arg(i + 1)
                           .arg(actual[i])
                           .arg(version)
                           .arg(columns[i]);
        }
        const auto wantIndexes = want.indexes.find(table);
        const auto haveIndexes = have.indexes.find(table);
        const std::map<QString, QString> none;
        const auto &wi = wantIndexes == want.indexes.end() ? none : wantIndexes->second;
        const auto &hi = haveIndexes == have.indexes.end() ? none : haveIndexes->second;
        for (const auto &[name, definition] : wi) {
            const auto h = hi.find(name);
            if (h == hi.end())
                out << QStringLiteral("table %1: index %2 (%3) is missing").arg(table, name, definition);
            else if (h->second != definition)
                out << QStringLiteral("table %1: index %2 is (%3), version %4 has (%5)")
                           .arg(table, name, h->second)
                           .arg(version)
                           .arg(definition);
        }
        for (const auto &[name, definition] : hi)
            if (!wi.count(name))
                notes << QStringLiteral("table %1 has an index of its own: %2 (%3)").arg(table, name, definition);
    }
    for (const auto &[table, columns] : have.columns)
        if (!want.columns.count(table))
            notes << QStringLiteral("table %1 is not Quorvel's: left alone").arg(table);
    return out;
}

// The packaged schema loaded into a database of its own for as long as it
// is needed: its version and shape are what the restaurant's database is
// compared with.
class PackagedSchema
{
public:
    PackagedSchema(Link &link, const Share &share, const QString &database)
        : m_link(link), m_name(database + QStringLiteral("_qvcheck"))
    {
        m_link.run(text(admin::kDropDatabase).arg(m_name));
        m_link.run(text(admin::kCreateDatabase).arg(m_name));
        m_created = true;
        m_link.use(m_name);
        m_link.script(share.path(QStringLiteral("schema.sql")), share.read(QStringLiteral("schema.sql")));
        version = int(m_link.number(text(admin::kSchemaVersion)));
        shape = shapeOf(m_link, m_name);
        m_link.run(text(admin::kDropDatabase).arg(m_name));
        m_created = false;
        m_link.use(database);
    }
    ~PackagedSchema()
    {
        if (!m_created)
            return;
        try {
            m_link.run(text(admin::kDropDatabase).arg(m_name));
        } catch (const Failure &f) {
            std::fprintf(stderr, "quorvel-admin: could not drop the scratch database %s: %s\n", qPrintable(m_name),
                         qPrintable(f.text));
        }
    }
    int version = 0;
    Shape shape;

private:
    Link &m_link;
    QString m_name;
    bool m_created = false;
};

bool databaseExists(Link &link, const QString &database)
{
    return link.number(text(admin::kDatabaseExists), {database.toUtf8()}) > 0;
}

QStringList tablesOf(Link &link, const QString &database)
{
    QStringList out;
    for (const QStringList &r : link.rows(text(admin::kTableNames), {database.toUtf8()}))
        out << r[0];
    return out;
}

// The database's recorded version; 0 when it holds tables but no record
// (loaded from a schema older than the record), -1 when it holds nothing.
int recordedVersion(Link &link, const QString &database)
{
    const QStringList tables = tablesOf(link, database);
    if (tables.isEmpty())
        return -1;
    if (!tables.contains(kVersionTable))
        return 0;
    return int(link.number(text(admin::kSchemaVersion)));
}

// Brings the database from its version to the packaged one, one upgrade
// script at a time, recording each version as it is reached.
void upgrade(Link &link, const Share &share, const QString &database)
{
    const PackagedSchema packaged(link, share, database);
    const int from = recordedVersion(link, database);
    if (from < 0)
        throw Failure{
            QStringLiteral("the database %1 holds no tables: quorvel-admin init loads the schema").arg(database)};
    if (from > packaged.version)
        throw Failure{QStringLiteral("the database %1 is at schema version %2, newer than this package's %3: "
                                     "install the newer package")
                          .arg(database)
                          .arg(from)
                          .arg(packaged.version)};
    if (from == packaged.version)
        say(QStringLiteral("schema: at version %1, the package's").arg(from));
    for (int v = from + 1; v <= packaged.version; ++v) {
        const QString name = Share::upgradeName(v);
        link.script(share.path(name), share.read(name));
        link.run(text(admin::kRecordVersion), {QByteArray::number(v), name.toUtf8()});
        say(QStringLiteral("schema: upgraded to version %1 (%2)").arg(v).arg(name));
    }
    QStringList notes;
    const QStringList diff = differences(packaged.shape, shapeOf(link, database), packaged.version, notes);
    for (const QString &n : notes)
        say(QStringLiteral("note: ") + n);
    if (!diff.isEmpty())
        throw Failure{QStringLiteral("the database %1 differs from schema version %2:\n  %3")
                          .arg(database)
                          .arg(packaged.version)
                          .arg(diff.join(QStringLiteral("\n  ")))};
}

// --- the cashier's account

struct Account
{
    QString user;
    QString host;
    QString grantee() const { return QStringLiteral("'%1'@'%2'").arg(user, host); }
    QString shown() const { return user + QLatin1Char('@') + host; }
};

Account parseAccount(const QString &written)
{
    const qsizetype at = written.lastIndexOf(QLatin1Char('@'));
    if (at <= 0 || at == written.size() - 1)
        throw Usage{QStringLiteral("--account wants USER@HOST (HOST a host name, an address or a pattern such as "
                                   "192.168.0.%), not \"%1\"")
                        .arg(written)};
    Account a{written.left(at), written.mid(at + 1)};
    if (!kUserName.match(a.user).hasMatch())
        throw Usage{
            QStringLiteral("the account's user \"%1\" may hold only letters, digits, '_', '.' and '-'").arg(a.user)};
    if (!kHostPattern.match(a.host).hasMatch())
        throw Usage{
            QStringLiteral("the account's host \"%1\" may hold only letters, digits and _ . %% : / -").arg(a.host)};
    if (a.user == QLatin1String("root"))
        throw Usage{QStringLiteral("the cashier's account cannot be root")};
    return a;
}

using Rights = std::map<QString, std::set<QString>>; // "*" or a table → privileges
struct HeldRights
{
    QStringList global; // beyond USAGE
    Rights rights;
    std::set<QString> grantable; // "*" or tables with GRANT OPTION
    std::set<QString> columnTables;
};

Rights wantedRights()
{
    Rights out;
    for (const Right &r : kCashierRights)
        for (const char *p : r.privileges)
            out[r.table ? QString::fromLatin1(r.table) : QStringLiteral("*")].insert(QString::fromLatin1(p));
    return out;
}

HeldRights heldRights(Link &link, const Account &account, const QString &database)
{
    HeldRights held;
    const QByteArray grantee = account.grantee().toUtf8();
    for (const QStringList &r : link.rows(text(admin::kGlobalRights), {grantee})) {
        if (r[0] != QLatin1String("USAGE"))
            held.global << r[0];
        else if (r[1] == QLatin1String("YES"))
            held.global << QStringLiteral("GRANT OPTION");
    }
    for (const QStringList &r : link.rows(text(admin::kDatabaseRights), {grantee, database.toUtf8()})) {
        held.rights[QStringLiteral("*")].insert(r[0]);
        if (r[1] == QLatin1String("YES"))
            held.grantable.insert(QStringLiteral("*"));
    }
    for (const QStringList &r : link.rows(text(admin::kTableRights), {grantee, database.toUtf8()})) {
        held.rights[r[0]].insert(r[1]);
        if (r[2] == QLatin1String("YES"))
            held.grantable.insert(r[0]);
    }
    for (const QStringList &r : link.rows(text(admin::kColumnRights), {grantee, database.toUtf8()}))
        held.columnTables.insert(r[0]);
    return held;
}

QString on(const QString &target)
{
    return target == QLatin1String("*") ? target : QLatin1Char('`') + target + QLatin1Char('`');
}

// What the account holds on the database beyond or short of the cashier's
// rights, one line each; empty when it holds exactly them.
QStringList rightsProblems(Link &link, const Account &account, const QString &database)
{
    const HeldRights held = heldRights(link, account, database);
    const Rights wanted = wantedRights();
    QStringList out;
    if (!held.global.isEmpty())
        out << QStringLiteral("%1 holds rights on the whole server: %2").arg(account.shown(), held.global.join(u", "));
    std::set<QString> targets;
    for (const auto &[t, p] : wanted)
        targets.insert(t);
    for (const auto &[t, p] : held.rights)
        targets.insert(t);
    for (const QString &t : targets) {
        const auto w = wanted.count(t) ? wanted.at(t) : std::set<QString>();
        const auto h = held.rights.count(t) ? held.rights.at(t) : std::set<QString>();
        const QString where = t == QLatin1String("*") ? QStringLiteral("the database") : t;
        for (const QString &p : w)
            if (!h.count(p))
                out << QStringLiteral("%1 lacks %2 on %3").arg(account.shown(), p, where);
        for (const QString &p : h)
            if (!w.count(p))
                out << QStringLiteral("%1 holds %2 on %3, more than a desk needs").arg(account.shown(), p, where);
    }
    for (const QString &t : held.grantable)
        out << QStringLiteral("%1 may grant its rights on %2 to others")
                   .arg(account.shown(), t == QLatin1String("*") ? QStringLiteral("the database") : t);
    for (const QString &t : held.columnTables)
        out << QStringLiteral("%1 holds rights on columns of %2").arg(account.shown(), t);
    return out;
}

// Creates the account, or gives it the new password, and makes its rights
// on the database exactly the cashier's: what is missing is granted, what
// is more is revoked, and rights it holds on other databases stay.
void ensureAccount(Link &link, const Account &account, const QString &database, const QByteArray &password)
{
    const auto hashRows = link.rows(text(admin::kPasswordHash), {password});
    const QString hash = hashRows.empty() ? QString() : hashRows[0].value(0);
    if (!kPasswordHash.match(hash).hasMatch())
        throw Failure{QStringLiteral("the server did not give a password hash MariaDB's native log-in can use "
                                     "(is old_passwords set?)")};
    const QByteArray user = account.user.toUtf8();
    const QByteArray host = account.host.toUtf8();
    const auto refuseWide = [&](const HeldRights &held) {
        if (!held.global.isEmpty())
            throw Failure{QStringLiteral("%1 holds rights on the whole server (%2): a desk's account must not. Give "
                                         "the desks another account, or revoke those rights first")
                              .arg(account.shown(), held.global.join(u", "))};
    };
    // An account that is more than a desk's is refused before anything
    // of it changes, its password included.
    refuseWide(heldRights(link, account, database));
    if (link.number(text(admin::kAccountExists), {user, host}) == 0) {
        link.run(text(admin::kCreateAccount).arg(account.user, account.host, hash));
        say(QStringLiteral("account %1: created").arg(account.shown()));
    } else {
        link.run(text(admin::kSetAccountPassword).arg(account.user, account.host, hash));
        say(QStringLiteral("account %1: exists; password set").arg(account.shown()));
    }

    HeldRights held = heldRights(link, account, database);
    refuseWide(held);
    int revoked = 0;
    int granted = 0;
    const auto revoke = [&](const QString &privileges, const QString &target) {
        for (const QString &p : privileges.split(QStringLiteral(", ")))
            if (!kPrivilege.match(p).hasMatch())
                throw Failure{QStringLiteral("unexpected privilege name \"%1\" on %2").arg(p, target)};
        link.run(text(admin::kRevoke).arg(privileges, database, on(target), account.user, account.host));
        ++revoked;
    };
    // Rights on single columns go with everything on their table; the
    // table's own are granted again below.
    for (const QString &t : held.columnTables) {
        revoke(QStringLiteral("ALL PRIVILEGES"), t);
        held.rights.erase(t);
    }
    for (const QString &t : held.grantable)
        revoke(QStringLiteral("GRANT OPTION"), t);
    const Rights wanted = wantedRights();
    for (const auto &[target, privileges] : held.rights) {
        QStringList extra;
        for (const QString &p : privileges)
            if (!wanted.count(target) || !wanted.at(target).count(p))
                extra << p;
        if (!extra.isEmpty())
            revoke(extra.join(QStringLiteral(", ")), target);
    }
    for (const auto &[target, privileges] : wanted) {
        QStringList missing;
        for (const QString &p : privileges)
            if (!held.rights.count(target) || !held.rights.at(target).count(p))
                missing << p;
        if (missing.isEmpty())
            continue;
        link.run(text(admin::kGrant)
                     .arg(missing.join(QStringLiteral(", ")), database, on(target), account.user, account.host));
        ++granted;
    }
    const QStringList problems = rightsProblems(link, account, database);
    if (!problems.isEmpty())
        throw Failure{QStringLiteral("the account's rights are not as set:\n  ")
                      + problems.join(QStringLiteral("\n  "))};
    if (granted == 0 && revoked == 0)
        say(QStringLiteral("account %1: rights on %2 already exactly a desk's").arg(account.shown(), database));
    else
        say(QStringLiteral("account %1: rights on %2 set to exactly a desk's (%3 grant(s), %4 revoke(s))")
                .arg(account.shown(), database)
                .arg(granted)
                .arg(revoked));
}

// --- passwords

QByteArray stripLineEnd(QByteArray line)
{
    if (line.endsWith('\n'))
        line.chop(1);
    if (line.endsWith('\r'))
        line.chop(1);
    return line;
}

QByteArray readPasswordFile(const QString &path)
{
    QFile f;
    const bool opened = path == QLatin1String("-") ? f.open(stdin, QIODevice::ReadOnly)
                                                   : (f.setFileName(path), f.open(QIODevice::ReadOnly));
    if (!opened)
        throw Failure{QStringLiteral("cannot read the password file %1: %2").arg(path, f.errorString())};
    return stripLineEnd(f.readLine());
}

QByteArray promptHidden(const char *prompt)
{
    std::fputs(prompt, stderr);
    std::fflush(stderr);
    termios saved{};
    const bool tty = tcgetattr(STDIN_FILENO, &saved) == 0;
    if (tty) {
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    char buffer[1024];
    const bool read = std::fgets(buffer, sizeof buffer, stdin) != nullptr;
    if (tty) {
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        std::fputs("\n", stderr);
    }
    return read ? stripLineEnd(QByteArray(buffer)) : QByteArray();
}

// The cashier's password: from --password-file (a file, or - for standard
// input; its first line as written, blanks included), from the environment
// variable QUORVEL_CASHIER_PASSWORD, or typed twice at the terminal.
QByteArray cashierPassword(const QString &file)
{
    QByteArray password;
    if (!file.isEmpty()) {
        password = readPasswordFile(file);
    } else if (qEnvironmentVariableIsSet("QUORVEL_CASHIER_PASSWORD")) {
        password = qgetenv("QUORVEL_CASHIER_PASSWORD");
    } else if (isatty(STDIN_FILENO)) {
        password = promptHidden("Password of the cashier's account: ");
        if (promptHidden("The same again: ") != password)
            throw Failure{QStringLiteral("the two passwords differ")};
    } else {
        throw Usage{QStringLiteral("--account needs the cashier's password: --password-file FILE (- for standard "
                                   "input) or QUORVEL_CASHIER_PASSWORD")};
    }
    if (password.isEmpty())
        throw Failure{QStringLiteral("the cashier's password is empty")};
    return password;
}

// --- table positions

// "1-20,25,30-32" → the numbers, each within [low, high].
std::vector<int> parseList(const QString &option, const QString &value, int low, int high)
{
    std::set<int> out;
    for (const QString &part : value.split(QLatin1Char(','))) {
        const QStringList ends = part.trimmed().split(QLatin1Char('-'));
        bool ok1 = false;
        bool ok2 = false;
        const int from = ends.value(0).toInt(&ok1);
        const int to = ends.size() == 2 ? ends[1].toInt(&ok2) : from;
        if (!ok1 || (ends.size() == 2 && !ok2) || ends.size() > 2 || from > to || from < low || to > high)
            throw Usage{QStringLiteral("%1 wants numbers or ranges from %2 to %3, such as %2-%4,%5, not \"%6\"")
                            .arg(option)
                            .arg(low)
                            .arg(high)
                            .arg(low + 9)
                            .arg(low + 14)
                            .arg(value)};
        for (int n = from; n <= to; ++n)
            out.insert(n);
    }
    return {out.begin(), out.end()};
}

// The positions of the tables: --positions 4 is positions 1 to 4.
std::vector<int> positionIds(const std::vector<int> &tables, const QString &positions)
{
    bool ok = false;
    const int count = positions.toInt(&ok);
    std::vector<int> numbers = ok && count >= 1 && count <= 98
                                   ? parseList(QStringLiteral("--positions"), QStringLiteral("1-%1").arg(count), 1, 98)
                                   : parseList(QStringLiteral("--positions"), positions, 1, 98);
    std::vector<int> ids;
    for (int t : tables)
        for (int p : numbers)
            ids.push_back(t * 100 + p);
    return ids;
}

QString positionText(int id)
{
    return QStringLiteral("%1/%2").arg(id / 100).arg(id % 100, 2, 10, QChar(u'0'));
}

QString compactList(const std::vector<int> &ids, int shown = 12)
{
    QStringList out;
    for (std::size_t i = 0; i < ids.size() && int(i) < shown; ++i)
        out << positionText(ids[i]);
    if (int(ids.size()) > shown)
        out << QStringLiteral("… (%1 in all)").arg(ids.size());
    return out.join(u", ");
}

// --- the commands

struct Options
{
    Link::Options server;
    QString database = QStringLiteral("quorvel");
    QString share;
    QString account;
    QString passwordFile;
    QString tables;
    QString positions;
    bool demo = false;
};

int init(const Options &o)
{
    const Share share(o.share);
    std::optional<Account> account;
    QByteArray password;
    if (!o.account.isEmpty()) {
        account = parseAccount(o.account);
        password = cashierPassword(o.passwordFile);
    }
    Link link(o.server);
    if (databaseExists(link, o.database)) {
        say(QStringLiteral("database %1: exists").arg(o.database));
    } else {
        link.run(text(admin::kCreateDatabase).arg(o.database));
        say(QStringLiteral("database %1: created").arg(o.database));
    }
    link.use(o.database);
    if (recordedVersion(link, o.database) < 0) {
        link.script(share.path(QStringLiteral("schema.sql")), share.read(QStringLiteral("schema.sql")));
        say(QStringLiteral("schema: loaded, version %1").arg(link.number(text(admin::kSchemaVersion))));
    } else {
        upgrade(link, share, o.database);
    }
    if (account)
        ensureAccount(link, *account, o.database, password);
    if (o.demo) {
        const bool empty = link.number(text(admin::kParametersRow)) == 0 && link.number(text(admin::kProductCount)) == 0
                           && link.number(text(admin::kActiveOperators)) == 0
                           && link.rows(text(admin::kPositionIds)).empty();
        if (empty) {
            link.script(share.path(QStringLiteral("demo.sql")), share.read(QStringLiteral("demo.sql")));
            say(QStringLiteral("demo restaurant: loaded"));
        } else {
            say(QStringLiteral("demo restaurant: not loaded, the database already holds a restaurant's data"));
        }
    }
    return 0;
}

int upgradeCommand(const Options &o)
{
    const Share share(o.share);
    Link link(o.server);
    if (!databaseExists(link, o.database))
        throw Failure{QStringLiteral("the database %1 does not exist: quorvel-admin init creates it").arg(o.database)};
    link.use(o.database);
    upgrade(link, share, o.database);
    return 0;
}

int positions(const Options &o)
{
    if (o.tables.isEmpty() || o.positions.isEmpty())
        throw Usage{QStringLiteral("positions wants --tables (e.g. 1-40) and --positions (e.g. 4, or 1-2,5)")};
    const std::vector<int> tables = parseList(QStringLiteral("--tables"), o.tables, 1, 999);
    const std::vector<int> wanted = positionIds(tables, o.positions);
    Link link(o.server);
    if (!databaseExists(link, o.database))
        throw Failure{QStringLiteral("the database %1 does not exist: quorvel-admin init creates it").arg(o.database)};
    link.use(o.database);
    std::set<int> existing;
    for (const QStringList &r : link.rows(text(admin::kPositionIds)))
        existing.insert(r[0].toInt());
    link.begin();
    int created = 0;
    try {
        for (int id : wanted) {
            if (existing.count(id))
                continue;
            const QString description = QStringLiteral("Mesa %1 - Posição %2")
                                            .arg(id / 100, 2, 10, QChar(u'0'))
                                            .arg(id % 100, 2, 10, QChar(u'0'));
            link.run(text(admin::kInsertPosition), {QByteArray::number(id), description.toUtf8()});
            ++created;
        }
        link.commit();
    } catch (...) {
        link.rollback();
        throw;
    }
    say(QStringLiteral("positions: %1 created, %2 already there").arg(created).arg(int(wanted.size()) - created));
    if (tables.back() > kBoardTables)
        say(QStringLiteral("note: the board shows tables 1 to %1; tables above it are reached only by their number")
                .arg(kBoardTables));
    return 0;
}

int check(const Options &o)
{
    const Share share(o.share);
    std::optional<Account> account;
    if (!o.account.isEmpty())
        account = parseAccount(o.account);
    std::optional<std::vector<int>> layout;
    if (!o.tables.isEmpty() || !o.positions.isEmpty()) {
        if (o.tables.isEmpty() || o.positions.isEmpty())
            throw Usage{QStringLiteral("check wants both --tables and --positions, or neither")};
        layout = positionIds(parseList(QStringLiteral("--tables"), o.tables, 1, 999), o.positions);
    }
    Link link(o.server);
    QStringList problems;
    const auto ok = [](const QString &line) { say(QStringLiteral("ok: ") + line); };
    const auto problem = [&](const QString &line) {
        say(QStringLiteral("problem: ") + line);
        problems << line;
    };
    const auto finish = [&] {
        if (problems.isEmpty()) {
            say(QStringLiteral("%1 on %2: ready for the desks").arg(o.database, link.where()));
            return 0;
        }
        say(QStringLiteral("%1 problem(s) found").arg(problems.size()));
        return 1;
    };

    if (!databaseExists(link, o.database)) {
        problem(QStringLiteral("the database %1 does not exist (quorvel-admin init creates it)").arg(o.database));
        return finish();
    }
    const PackagedSchema packaged(link, share, o.database);
    link.use(o.database);
    const int version = recordedVersion(link, o.database);
    if (version < 0) {
        problem(
            QStringLiteral("the database %1 holds no tables (quorvel-admin init loads the schema)").arg(o.database));
        return finish();
    }
    QStringList notes;
    const QStringList diff = differences(packaged.shape, shapeOf(link, o.database), packaged.version, notes);
    if (version == 0)
        problem(QStringLiteral("no schema version recorded (quorvel-admin upgrade records it)"));
    else if (version < packaged.version)
        problem(QStringLiteral("schema version %1 is older than the package's %2 (quorvel-admin upgrade brings it up)")
                    .arg(version)
                    .arg(packaged.version));
    else if (version > packaged.version)
        problem(QStringLiteral("schema version %1 is newer than the package's %2: install the newer package")
                    .arg(version)
                    .arg(packaged.version));
    else if (diff.isEmpty())
        ok(QStringLiteral("schema version %1, as packaged").arg(version));
    if (version == packaged.version)
        for (const QString &d : diff)
            problem(d);
    for (const QString &n : notes)
        say(QStringLiteral("note: ") + n);

    // Base data, each read on its own: a missing table fails its own line.
    const auto count = [&](std::string_view statement,
                           const QList<QByteArray> &values = {}) -> std::optional<long long> {
        try {
            return link.number(text(statement), values);
        } catch (const Failure &f) {
            problem(QStringLiteral("cannot read: %1").arg(f.text));
            return std::nullopt;
        }
    };
    if (auto n = count(admin::kParametersRow); n && *n == 0)
        problem(QStringLiteral("the restaurant's parameters (tab_Parametros, idParam 1) are missing"));
    else if (n)
        ok(QStringLiteral("parameters row 1"));
    if (auto n = count(admin::kActiveOperators); n && *n == 0)
        problem(QStringLiteral("no operator (tab_Operador) works here: nobody can log in"));
    else if (n)
        ok(QStringLiteral("%1 operator(s)").arg(*n));
    if (auto n = count(admin::kProductCount); n && *n == 0)
        problem(QStringLiteral("no product (cad_Produtos): nothing can be launched"));
    else if (n)
        ok(QStringLiteral("%1 product(s)").arg(*n));
    if (auto n = count(admin::kProductExists, {QByteArray::number(kShareProduct)}); n && *n == 0)
        problem(QStringLiteral("the share product %1 (cad_Produtos), which a split bill launches, is missing")
                    .arg(kShareProduct));
    else if (n)
        ok(QStringLiteral("share product %1").arg(kShareProduct));

    std::vector<int> ids;
    bool positionsRead = true;
    try {
        for (const QStringList &r : link.rows(text(admin::kPositionIds)))
            ids.push_back(r[0].toInt());
    } catch (const Failure &f) {
        problem(QStringLiteral("cannot read: %1").arg(f.text));
        positionsRead = false;
    }
    if (positionsRead) {
        const std::set<int> have(ids.begin(), ids.end());
        std::vector<int> missing;
        if (layout) {
            for (int id : *layout)
                if (!have.count(id))
                    missing.push_back(id);
        } else {
            // Every table's positions from 01 up to its highest.
            std::map<int, int> highest;
            for (int id : ids)
                highest[id / 100] = std::max(highest[id / 100], id % 100);
            for (const auto &[table, top] : highest)
                for (int p = 1; p < top; ++p)
                    if (!have.count(table * 100 + p))
                        missing.push_back(table * 100 + p);
        }
        if (ids.empty())
            problem(QStringLiteral("no table position (mov_Mesa is empty): quorvel-admin positions --tables 1-N "
                                   "--positions P creates them"));
        else if (!missing.empty())
            problem(QStringLiteral("%1 table position(s) missing in mov_Mesa: %2 (quorvel-admin positions creates "
                                   "them)")
                        .arg(missing.size())
                        .arg(compactList(missing)));
        else
            ok(QStringLiteral("%1 table position(s)").arg(ids.size()));
        std::vector<int> unseen;
        for (int id : ids)
            if (id / 100 > kBoardTables || id % 100 == 0 || id % 100 == 99)
                unseen.push_back(id);
        if (!unseen.empty())
            say(QStringLiteral("note: positions the board does not list (tables above %1, positions 00 and 99): %2")
                    .arg(kBoardTables)
                    .arg(compactList(unseen)));
    }

    if (account) {
        const QStringList rights = rightsProblems(link, *account, o.database);
        for (const QString &r : rights)
            problem(r);
        if (rights.isEmpty())
            ok(QStringLiteral("%1 holds exactly a desk's rights on %2").arg(account->shown(), o.database));
    }
    return finish();
}

const char *const kUsage = "usage: quorvel-admin COMMAND [OPTIONS]\n"
                           "\n"
                           "Sets up and looks after the restaurant's Quorvel database on its server.\n"
                           "\n"
                           "commands:\n"
                           "  init       creates the database (if missing), loads the schema and\n"
                           "             records its version (or upgrades an older one); with\n"
                           "             --account, creates the cashier's account (or sets its\n"
                           "             password) with exactly a desk's rights; with --demo, loads\n"
                           "             the demo restaurant into a database without one\n"
                           "  check      says whether the schema matches its version and what base\n"
                           "             data is missing; exit status 1 when something is\n"
                           "  positions  creates the rows of the tables' positions (--tables,\n"
                           "             --positions); those already there stay as they are\n"
                           "  upgrade    brings the schema up to this package's version\n"
                           "\n"
                           "options:\n"
                           "  --database NAME        the restaurant's database (default quorvel)\n"
                           "  --account USER@HOST    the cashier's account; HOST may be a pattern,\n"
                           "                         such as 192.168.0.% (init, check)\n"
                           "  --password-file FILE   the cashier's password: the file's first line\n"
                           "                         (- reads standard input); or the variable\n"
                           "                         QUORVEL_CASHIER_PASSWORD; or asked (init)\n"
                           "  --demo                 load the demo restaurant (init)\n"
                           "  --tables LIST          tables, such as 1-40 or 1-20,30-35\n"
                           "  --positions N|LIST     positions 1 to N of each table, or a list\n"
                           "                         (positions; check: the layout to expect)\n"
                           "  --share DIR            the folder of schema.sql, demo.sql and\n"
                           "                         upgrade/ (default: the installed one)\n"
                           "\n"
                           "the administrator's connection (default: root over the local socket;\n"
                           "the [client] and [quorvel-admin] groups of MariaDB's option files apply):\n"
                           "  --socket PATH | --host HOST [--port N]\n"
                           "  --admin-user USER      (default root)\n"
                           "  --admin-password-file FILE\n"
                           "\n"
                           "exit status: 0 done (check: nothing missing), 1 failed (check: something\n"
                           "missing), 2 wrong command line.\n";

Options parse(const QStringList &args, QString &command)
{
    Options o;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString a = args[i];
        const auto value = [&]() -> QString {
            if (i + 1 >= args.size())
                throw Usage{QStringLiteral("%1 wants a value").arg(a)};
            return args[++i];
        };
        if (a == QLatin1String("--database")) {
            o.database = value();
            if (!kDatabaseName.match(o.database).hasMatch())
                throw Usage{QStringLiteral("the database name \"%1\" may hold only letters, digits and '_' "
                                           "(at most 54)")
                                .arg(o.database)};
        } else if (a == QLatin1String("--account")) {
            o.account = value();
        } else if (a == QLatin1String("--password-file")) {
            o.passwordFile = value();
        } else if (a == QLatin1String("--demo")) {
            o.demo = true;
        } else if (a == QLatin1String("--tables")) {
            o.tables = value();
        } else if (a == QLatin1String("--positions")) {
            o.positions = value();
        } else if (a == QLatin1String("--share")) {
            o.share = value();
        } else if (a == QLatin1String("--socket")) {
            o.server.socket = value();
        } else if (a == QLatin1String("--host")) {
            o.server.host = value();
        } else if (a == QLatin1String("--port")) {
            bool ok = false;
            o.server.port = value().toInt(&ok);
            if (!ok || o.server.port < 1 || o.server.port > 65535)
                throw Usage{QStringLiteral("--port wants a port number")};
        } else if (a == QLatin1String("--admin-user")) {
            o.server.user = value();
        } else if (a == QLatin1String("--admin-password-file")) {
            o.server.password = readPasswordFile(value());
        } else if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            command = QStringLiteral("help");
        } else if (!a.startsWith(QLatin1Char('-')) && command.isEmpty()) {
            command = a;
        } else {
            throw Usage{QStringLiteral("unknown argument \"%1\"").arg(a)};
        }
    }
    return o;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    mysql_library_init(0, nullptr, nullptr);
    int status = 0;
    try {
        QString command;
        const Options o = parse(app.arguments().mid(1), command);
        if (command == QLatin1String("help")) {
            std::fputs(kUsage, stdout);
        } else if (command == QLatin1String("init")) {
            status = init(o);
        } else if (command == QLatin1String("check")) {
            status = check(o);
        } else if (command == QLatin1String("positions")) {
            status = positions(o);
        } else if (command == QLatin1String("upgrade")) {
            status = upgradeCommand(o);
        } else {
            throw Usage{command.isEmpty() ? QStringLiteral("no command given")
                                          : QStringLiteral("unknown command \"%1\"").arg(command)};
        }
    } catch (const Usage &u) {
        std::fprintf(stderr, "quorvel-admin: %s\n\n%s", qPrintable(u.text), kUsage);
        status = 2;
    } catch (const Failure &f) {
        std::fprintf(stderr, "quorvel-admin: %s\n", qPrintable(f.text));
        status = 1;
    }
    mysql_library_end();
    return status;
}
