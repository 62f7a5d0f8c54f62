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
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QThread>

#include <mysql.h>

#include <stdexcept>

namespace qv::test {

int ScriptedUi::showLongMessage(QWidget *parent, const QString &text, int style)
{
    const int reply = showMessage(parent, text, style);
    messages.back().whole = true;
    return reply;
}

int ScriptedUi::showMessage(QWidget *, const QString &text, int style)
{
    messages.push_back({text, style});
    if (onMessage)
        onMessage(text);
    if ((style & 0x0F) != style::kYesNo)
        return answer::kOk;
    if (m_answers.empty())
        return answer::kNo;
    const int reply = m_answers.front();
    m_answers.pop_front();
    return reply;
}

bool ScriptedUi::startProgram(const QString &program, const QStringList &arguments)
{
    started << (program + QLatin1Char(' ') + arguments.join(QLatin1Char(' '))).trimmed();
    return true;
}

void ScriptedUi::writeConsole(const QString &line)
{
    consoleLines << line;
}

ScriptedUiScope::ScriptedUiScope()
{
    auto ui = std::make_unique<ScriptedUi>();
    m_ui = ui.get();
    UiService::install(std::move(ui));
}

ScriptedUiScope::~ScriptedUiScope()
{
    UiService::install(nullptr);
}

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
        client(QString(), QStringLiteral("CREATE DATABASE %1").arg(m_name));
        static const QString schema = readSource(QStringLiteral("db/schema.sql"));
        client(m_name, schema);
        if (withDemo) {
            static const QString demo = readSource(QStringLiteral("db/demo.sql"));
            client(m_name, demo);
        }
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
