#include "TestSupport.h"

#include "platform/ui/Desk.h"

#include "platform/Config.h"
#include "platform/Files.h"
#include "platform/SharedRecords.h"
#include "platform/Sql.h"
#include "session/CashDesk.h"
#include "session/Exchanges.h"
#include "session/Paths.h"
#include "session/Session.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QThread>

#include <mysql.h>

#include <map>
#include <stdexcept>

namespace qv::test {

namespace {
void serverScript(const QString &command)
{
    QProcess p;
    p.start(QStringLiteral(QUORVEL_SOURCE_DIR "/scripts/db"),
            {command, QFileInfo(TestDatabase::socket()).absolutePath()});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        throw std::runtime_error(("scripts/db " + command + " failed: " + p.readAllStandardError()).toStdString());
}
} // namespace

void TestDatabase::stopServer()
{
    serverScript(QStringLiteral("stop"));
}

void TestDatabase::startServer()
{
    serverScript(QStringLiteral("start"));
}

QString TestDatabase::socket()
{
    const QString s = qEnvironmentVariable("QUORVEL_TEST_SOCKET");
    if (s.isEmpty())
        throw std::runtime_error("QUORVEL_TEST_SOCKET is not set: run the tests through scripts/test");
    return s;
}

namespace {

// The tests' own line to the server, for setting rows up and checking what
// the program stored: one Connector/C connection for the whole test
// program, instead of a command-line client started for every check. It
// takes any SQL text, several statements at once included, and answers as
// the command-line client in batch mode would: the rows of every result,
// columns separated by tabs, NULL as "NULL".
class ClientLine
{
public:
    ~ClientLine()
    {
        if (m_mysql)
            mysql_close(m_mysql);
    }

    QString run(const QString &database, const QString &sql, bool *ok)
    {
        QString failure;
        QString out;
        if (!connect(failure) || !use(database, failure))
            return finish(ok, failure, out);
        const QByteArray text = sql.toUtf8();
        int status = mysql_real_query(m_mysql, text.constData(), text.size());
        if (status != 0 && (mysql_errno(m_mysql) == 2006 || mysql_errno(m_mysql) == 2013)) {
            // The server was restarted by a test: one new connection.
            mysql_close(m_mysql);
            m_mysql = nullptr;
            m_database.clear();
            if (!connect(failure) || !use(database, failure))
                return finish(ok, failure, out);
            status = mysql_real_query(m_mysql, text.constData(), text.size());
        }
        if (status != 0)
            return finish(ok, error(), out);
        QStringList lines;
        do {
            if (MYSQL_RES *result = mysql_store_result(m_mysql)) {
                const unsigned int columns = mysql_num_fields(result);
                while (MYSQL_ROW row = mysql_fetch_row(result)) {
                    const unsigned long *lengths = mysql_fetch_lengths(result);
                    QStringList values;
                    for (unsigned int c = 0; c < columns; ++c)
                        values << (row[c] ? QString::fromUtf8(row[c], int(lengths[c])) : QStringLiteral("NULL"));
                    lines << values.join(QLatin1Char('\t'));
                }
                mysql_free_result(result);
            } else if (mysql_field_count(m_mysql) != 0) {
                return finish(ok, error(), out);
            }
            status = mysql_next_result(m_mysql);
            if (status > 0)
                return finish(ok, error(), out);
        } while (status == 0);
        out = lines.join(QLatin1Char('\n')).trimmed();
        return finish(ok, QString(), out);
    }

private:
    bool connect(QString &failure)
    {
        if (m_mysql)
            return true;
        m_mysql = mysql_init(nullptr);
        mysql_options(m_mysql, MYSQL_SET_CHARSET_NAME, "utf8mb4");
        const QByteArray socket = TestDatabase::socket().toUtf8();
        if (!mysql_real_connect(m_mysql, nullptr, "root", "", nullptr, 0, socket.constData(),
                                CLIENT_MULTI_STATEMENTS)) {
            failure = error();
            mysql_close(m_mysql);
            m_mysql = nullptr;
            return false;
        }
        return true;
    }

    bool use(const QString &database, QString &failure)
    {
        if (database.isEmpty() || database == m_database)
            return true;
        if (mysql_select_db(m_mysql, database.toUtf8().constData()) != 0) {
            failure = error();
            return false;
        }
        m_database = database;
        return true;
    }

    QString error() const { return QString::fromUtf8(mysql_error(m_mysql)); }

    QString finish(bool *ok, const QString &failure, const QString &out)
    {
        if (!failure.isEmpty()) {
            // Whatever the failing text left unread is dropped with the
            // connection, so the next check starts clean.
            mysql_close(m_mysql);
            m_mysql = nullptr;
            m_database.clear();
        }
        if (ok)
            *ok = failure.isEmpty();
        else if (!failure.isEmpty())
            throw std::runtime_error(("test SQL failed: " + failure).toStdString());
        return out;
    }

    MYSQL *m_mysql = nullptr;
    QString m_database;
};

} // namespace

QString TestDatabase::client(const QString &database, const QString &sql, bool *ok)
{
    static ClientLine line;
    return line.run(database, sql, ok);
}

namespace {
QString readSource(const QString &relative)
{
    QFile f(QStringLiteral(QUORVEL_SOURCE_DIR "/") + relative);
    if (!f.open(QIODevice::ReadOnly))
        throw std::runtime_error(("cannot read " + relative).toStdString());
    return QString::fromUtf8(f.readAll());
}
} // namespace

namespace {
// With QUORVEL_TEST_ACCOUNT set, every test database is made by
// quorvel-admin init and the program connects with the cashier's account
// it creates: the tests then run with exactly a desk's rights. The
// password holds the characters an option file or a quoting mistake would
// trip over.
bool underDeskAccount()
{
    return qEnvironmentVariableIsSet("QUORVEL_TEST_ACCOUNT");
}
const QString kDeskPassword = QStringLiteral(" caixa, \"1;2\" \\ #=ção");

void adminInit(const QString &database, const QString &user, bool withDemo)
{
    QStringList args{QStringLiteral("init"),
                     QStringLiteral("--socket"),
                     TestDatabase::socket(),
                     QStringLiteral("--share"),
                     QStringLiteral(QUORVEL_SOURCE_DIR "/db"),
                     QStringLiteral("--database"),
                     database,
                     QStringLiteral("--account"),
                     user + QStringLiteral("@localhost"),
                     QStringLiteral("--password-file"),
                     QStringLiteral("-")};
    if (withDemo)
        args << QStringLiteral("--demo");
    QProcess admin;
    admin.start(QStringLiteral(QUORVEL_ADMIN_TOOL), args);
    admin.write(kDeskPassword.toUtf8() + '\n');
    admin.closeWriteChannel();
    if (!admin.waitForFinished(120000) || admin.exitStatus() != QProcess::NormalExit || admin.exitCode() != 0)
        throw std::runtime_error(("quorvel-admin init failed: " + admin.readAllStandardError()).toStdString());
}
} // namespace

namespace {
// The template a fresh test database is copied from: made once on the
// server (under a server-wide lock, as programs start side by side), marked
// ready only once whole, so a program stopped half-way leaves no template
// a later one would take for complete.
struct Template
{
    QString name;
    QStringList tables;
};

const Template &templateDatabase(bool withDemo)
{
    static std::map<bool, Template> made;
    if (auto it = made.find(withDemo); it != made.end())
        return it->second;
    const QString schema = readSource(QStringLiteral("db/schema.sql"));
    const QString demo = withDemo ? readSource(QStringLiteral("db/demo.sql")) : QString();
    const QByteArray hash = QCryptographicHash::hash((schema + QChar(0) + demo).toUtf8(), QCryptographicHash::Sha1);
    Template t;
    t.name = QStringLiteral("qvtpl_%1_%2")
                 .arg(withDemo ? QStringLiteral("demo") : QStringLiteral("schema"),
                      QString::fromLatin1(hash.toHex().left(16)));
    const QString readyTable = QStringLiteral("template_ready");
    const QString ready = QStringLiteral("SELECT COUNT(*) FROM information_schema.TABLES WHERE TABLE_SCHEMA='%1' "
                                         "AND TABLE_NAME='%2'")
                              .arg(t.name, readyTable);
    if (TestDatabase::client(QString(), QStringLiteral("SELECT GET_LOCK('quorvel_test_template', 300)"))
        != QStringLiteral("1"))
        throw std::runtime_error("the lock on the test template was not granted");
    try {
        if (TestDatabase::client(QString(), ready) != QStringLiteral("1")) {
            TestDatabase::client(QString(),
                                 QStringLiteral("DROP DATABASE IF EXISTS %1; CREATE DATABASE %1").arg(t.name));
            TestDatabase::client(t.name, schema);
            if (withDemo)
                TestDatabase::client(t.name, demo);
            TestDatabase::client(t.name, QStringLiteral("CREATE TABLE %1 (made INT)").arg(readyTable));
        }
    } catch (...) {
        bool ok = false;
        TestDatabase::client(QString(), QStringLiteral("DO RELEASE_LOCK('quorvel_test_template')"), &ok);
        throw;
    }
    TestDatabase::client(QString(), QStringLiteral("DO RELEASE_LOCK('quorvel_test_template')"));
    t.tables = TestDatabase::client(QString(), QStringLiteral("SELECT TABLE_NAME FROM information_schema.TABLES "
                                                              "WHERE TABLE_SCHEMA='%1' AND TABLE_NAME<>'%2' "
                                                              "ORDER BY TABLE_NAME")
                                                   .arg(t.name, readyTable))
                   .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (t.tables.isEmpty())
        throw std::runtime_error("the test template holds no table");
    return made.emplace(withDemo, std::move(t)).first->second;
}
} // namespace

TestDatabase::TestDatabase(bool withDemo)
{
    static int counter = 0;
    m_name = QStringLiteral("t%1_%2").arg(QCoreApplication::applicationPid()).arg(++counter);
    Sql::Connection c;
    c.socket = socket();
    c.database = m_name;
    if (underDeskAccount()) {
        adminInit(m_name, QStringLiteral("u") + m_name, withDemo);
        c.user = QStringLiteral("u") + m_name;
        c.password = kDeskPassword;
    } else {
        const Template &from = templateDatabase(withDemo);
        client(QString(), QStringLiteral("CREATE DATABASE %1").arg(m_name));
        QString copy;
        for (const QString &table : from.tables)
            copy +=
                QStringLiteral("CREATE TABLE %1 LIKE %2.%1; INSERT INTO %1 SELECT * FROM %2.%1;").arg(table, from.name);
        client(m_name, copy);
    }
    desk::sql().setConnection(c);
}

TestDatabase::~TestDatabase()
{
    desk::sql().disconnect();
    bool ok = false;
    client(QString(), QStringLiteral("DROP DATABASE IF EXISTS %1").arg(m_name), &ok);
    if (underDeskAccount())
        client(QString(), QStringLiteral("DROP USER IF EXISTS 'u%1'@'localhost'").arg(m_name), &ok);
}

QString TestDatabase::value(const QString &sql) const
{
    return run(sql);
}

TestFiles::TestFiles()
{
    Config c = Config::current();
    c.root = m_dir.path();
    c.drive = QStringLiteral("C");
    c.pdfFolder = m_dir.path() + QStringLiteral("/pdf");
    Config::setCurrent(c);
}

TestFiles::~TestFiles() = default;

QString TestFiles::path(const QString &windowsPath) const
{
    return mapWindowsPath(windowsPath, m_dir.path(), QStringLiteral("C"));
}

void TestFiles::login(int code, const QString &name)
{
    const QString line = name.leftJustified(20, QLatin1Char(' '), true)
                         + QStringLiteral("%1").arg(code, 2, 10, QLatin1Char('0')) + QString(20, QLatin1Char(' '));
    TextFile::writeOnlyLine(QString::fromLatin1(paths::kVariaveis), line);
}

namespace {
CashDeskRecord currentRecord()
{
    QByteArray bytes;
    if (KeyedFile::read(QString::fromLatin1(paths::kCaixaCt), '1', CashDeskRecord::kLength, bytes)
        == KeyedFile::Read::Ok) {
        if (auto r = CashDeskRecord::fromBytes(bytes))
            return *r;
    }
    return CashDeskRecord();
}
} // namespace

void TestFiles::openPeriod(int period, const std::vector<int> &desks, const QString &date, const QString &deskDate)
{
    CashDeskRecord r = currentRecord();
    const QString d = date.isEmpty() ? todayDDMMYYYY() : date;
    r.setEntry(period, 0, 'A', d, QStringLiteral("18:00:00"));
    for (int n : desks)
        r.setEntry(period, n, 'A', deskDate.isEmpty() ? d : deskDate, QStringLiteral("18:05:00"));
    KeyedFile::write(QString::fromLatin1(paths::kCaixaCt), r.bytes());
}

void TestFiles::closePeriod(int period)
{
    CashDeskRecord r = currentRecord();
    const auto e = r.entry(period, 0);
    r.setEntry(period, 0, 'F', e.openDate, e.openTime);
    KeyedFile::write(QString::fromLatin1(paths::kCaixaCt), r.bytes());
}

void TestFiles::closeDesk(int period, int desk)
{
    CashDeskRecord r = currentRecord();
    const auto e = r.entry(period, desk);
    r.setEntry(period, desk, 'F', e.openDate, e.openTime);
    KeyedFile::write(QString::fromLatin1(paths::kCaixaCt), r.bytes());
}

void TestFiles::writeRaw(const QString &windowsPath, const QByteArray &bytes)
{
    const QString p = path(windowsPath);
    QDir().mkpath(QFileInfo(p).absolutePath());
    QFile f(p);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error("cannot write test file");
    f.write(bytes);
}

std::unique_ptr<QProcess> TestFiles::holdCashDeskLock(int ms, int desk)
{
    {
        QSettings ini(m_xdg.path() + QStringLiteral("/quorvel/quorvel.ini"), QSettings::IniFormat);
        ini.setValue("paths/root", root());
        ini.setValue("paths/drive", "C");
    }
    auto writer = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_xdg.path());
    writer->setProcessEnvironment(env);
    writer->start(QStringLiteral(QUORVEL_SESSION_TOOL),
                  {QStringLiteral("desk"), QStringLiteral("open"), QStringLiteral("1"), QString::number(desk),
                   QStringLiteral("--hold"), QString::number(ms)});
    if (!writer->waitForStarted())
        throw std::runtime_error("cannot start the session tool");
    QElapsedTimer clock;
    clock.start();
    QByteArray record;
    while (clock.elapsed() < 2000
           && KeyedFile::read(QString::fromLatin1(paths::kCaixaCt), '1', 445, record) != KeyedFile::Read::Locked)
        QThread::msleep(10);
    return writer;
}

void startDinnerAtDesk1()
{
    SharedRecord::resetAll();
    desk::session().reset();
    desk::session().loadOperators();
    desk::session().readParameters();
    exchange::DeskSession::setPeriod(2);
    exchange::DeskSession::setDesk(1);
    exchange::DeskSession::setOpening(
        {todayDDMMYYYY(), QStringLiteral("180000"), todayDDMMYYYY(), QStringLiteral("180000")});
}

QString todayDDMMYYYY()
{
    return QDate::currentDate().toString(QStringLiteral("ddMMyyyy"));
}

} // namespace qv::test
