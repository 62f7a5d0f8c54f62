#include "platform/Config.h"
#include "platform/IniFile.h"
#include "platform/Log.h"
#include "platform/Sql.h"

#include "TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace qv;
using test::EnvScope;
using test::TestDatabase;

namespace {

// A string literal for the test's own account setup (never the program's).
QString literal(const QString &text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('\''), QStringLiteral("\\'"));
    return QLatin1Char('\'') + escaped + QLatin1Char('\'');
}

// An account on the test server, dropped at the end of the scope.
class Account
{
public:
    Account(const QString &user, const QString &password, const QString &database) : m_user(user)
    {
        TestDatabase::client(
            QString(),
            QStringLiteral("CREATE OR REPLACE USER %1@'%' IDENTIFIED BY %2").arg(literal(user), literal(password)));
        TestDatabase::client(QString(), QStringLiteral("CREATE OR REPLACE USER %1@'localhost' IDENTIFIED BY %2")
                                            .arg(literal(user), literal(password)));
        for (const char *host : {"%", "localhost"})
            TestDatabase::client(
                QString(),
                QStringLiteral("GRANT SELECT ON %1.* TO %2@'%3'").arg(database, literal(user), QLatin1String(host)));
    }
    ~Account()
    {
        for (const char *host : {"%", "localhost"})
            TestDatabase::client(
                QString(), QStringLiteral("DROP USER IF EXISTS %1@'%2'").arg(literal(m_user), QLatin1String(host)));
    }

private:
    QString m_user;
};

// A TCP port nothing listens on now.
int freePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

QString run(const QString &program, const QStringList &arguments, const QString &folder,
            const QStringList &environment = {})
{
    QProcess p;
    p.setWorkingDirectory(folder);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString &entry : environment)
        env.insert(entry.section(QLatin1Char('='), 0, 0), entry.section(QLatin1Char('='), 1));
    p.setProcessEnvironment(env);
    p.start(program, arguments);
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        throw std::runtime_error((program + QLatin1Char(' ') + arguments.join(QLatin1Char(' ')) + QStringLiteral(": ")
                                  + QString::fromUtf8(p.readAllStandardError()))
                                     .toStdString());
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

// Passwords as a password generator or a person writes them: every one
// reaches the server exactly, written in the INI as the README says.
TEST(Connection, PasswordsWithAnyPrintableCharacterConnect)
{
    TestDatabase db;
    const struct
    {
        const char *password;
        const char *written; // after "password=" in the file
    } cases[] = {
        {"vírgula,ponto;e-vírgula", "vírgula,ponto;e-vírgula"},
        {"aspas\"dentro\"", "aspas\"dentro\""},
        {"barra\\invertida\\", "barra\\invertida\\"},
        {"cerquilha#igual=fim", "cerquilha#igual=fim"},
        {" começa com espaço", "\" começa com espaço\""},
        {"\"entre aspas\"", "\"\"entre aspas\"\""},
        {"ÇÃOñßüé€", "ÇÃOñßüé€"},
        {",;\"\\#= mistura", ",;\"\\#= mistura"},
    };
    QTemporaryDir home;
    EnvScope configHome("XDG_CONFIG_HOME", home.path().toUtf8());
    EnvScope configDirs("XDG_CONFIG_DIRS", home.path().toUtf8() + "/none");
    QDir().mkpath(home.path() + QStringLiteral("/quorvel"));
    int n = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.password);
        const QString user = QStringLiteral("qv_pw%1_%2").arg(QCoreApplication::applicationPid()).arg(++n);
        const Account account(user, QString::fromUtf8(c.password), db.name());
        QFile ini(Config::filePath());
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ini.write(QByteArray("[database]\nsocket=") + TestDatabase::socket().toUtf8() + "\nuser=" + user.toUtf8()
                  + "\npassword=" + c.written + "\nname=" + db.name().toUtf8() + "\n");
        ini.close();
        Config::setCurrent(Config::load());
        EXPECT_EQ(Config::current().dbPassword, QString::fromUtf8(c.password));

        Sql sql; // connects from the configuration
        EXPECT_TRUE(sql.exec("SELECT CURRENT_USER()").ok()) << sql.message().toStdString();

        // A wrong one is refused as such.
        Sql::Connection wrong = Sql::Connection::fromConfig();
        wrong.password.chop(1);
        sql.setConnection(wrong);
        EXPECT_FALSE(sql.connectNow());
        EXPECT_EQ(sql.result().connectFailure(), ConnectFailure::AccessDenied);
    }
    Config::setCurrent(Config::load());
}

TEST(Connection, EachFailureIsNamedWithTheServersStateAndTheLogNeverHoldsThePassword)
{
    TestDatabase db;
    QTemporaryDir logs;
    const QString logPath = logs.path() + QStringLiteral("/quorvel.log");
    log::open(logPath);
    const QString password = QStringLiteral("Segr3do,Únic0;\"");
    const QString user = QStringLiteral("qv_fail%1").arg(QCoreApplication::applicationPid());
    const Account account(user, password, db.name());
    log::hide(password);

    Sql::Connection good;
    good.socket = TestDatabase::socket();
    good.user = user;
    good.password = password;
    good.database = db.name();
    good.timeoutSeconds = 2;
    const struct
    {
        const char *name;
        std::function<void(Sql::Connection &)> change;
        ConnectFailure failure;
        const char *state;
    } cases[] = {
        {"connects", [](Sql::Connection &) {}, ConnectFailure::None, "00000"},
        {"wrong password", [](Sql::Connection &c) { c.password += QLatin1Char('x'); }, ConnectFailure::AccessDenied,
         "28000"},
        {"unknown user", [](Sql::Connection &c) { c.user += QLatin1Char('x'); }, ConnectFailure::AccessDenied, "28000"},
        {"no right on the database", [](Sql::Connection &c) { c.database = QStringLiteral("mysql"); },
         ConnectFailure::AccessDenied, "42000"},
        {"unknown database",
         [](Sql::Connection &c) {
             c.user = QStringLiteral("root");
             c.password.clear();
             c.database = QStringLiteral("qv_no_such_database");
         },
         ConnectFailure::UnknownDatabase, "42000"},
        {"no server at the socket", [](Sql::Connection &c) { c.socket = QStringLiteral("/nonexistent/sock"); },
         ConnectFailure::Unreachable, "HY000"},
        {"no server at the port",
         [](Sql::Connection &c) {
             c.socket.clear();
             c.host = QStringLiteral("127.0.0.1");
             c.port = freePort();
         },
         ConnectFailure::Unreachable, "HY000"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Sql::Connection connection = good;
        c.change(connection);
        Sql sql;
        sql.setConnection(connection);
        EXPECT_EQ(sql.connectNow(), c.failure == ConnectFailure::None) << sql.message().toStdString();
        EXPECT_EQ(sql.result().connectFailure(), c.failure) << sql.message().toStdString();
        EXPECT_EQ(sql.state(), QString::fromLatin1(c.state)) << sql.message().toStdString();
        EXPECT_EQ(sql.result().refused(),
                  c.failure != ConnectFailure::None && c.failure != ConnectFailure::Unreachable);
    }
    log::close();

    QFile file(logPath);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("SQLSTATE 28000 (1045): Access denied for user '%1'").arg(user)))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("SQLSTATE 42000 (1049)"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("conectado a ") + TestDatabase::socket())) << text.toStdString();
    EXPECT_FALSE(text.contains(password));
    EXPECT_FALSE(text.contains(QStringLiteral("Segr3do")));
}

TEST(Log, KeepsToItsSizeByRotationAndMasksWhatItMustNotHold)
{
    QTemporaryDir logs;
    const QString path = logs.path() + QStringLiteral("/sub/quorvel.log");
    ASSERT_TRUE(log::open(path, 4096, 2));
    log::hide(QStringLiteral("abc"));
    log::hide(QStringLiteral("abcdef"));
    for (int i = 0; i < 400; ++i)
        log::info(QStringLiteral("linha %1 com abcdef e abc").arg(i, 4, 10, QLatin1Char('0')));
    log::close();
    log::info(QStringLiteral("depois de fechado"));

    qint64 total = 0;
    QString all;
    for (const QString &name : {path, path + QStringLiteral(".1"), path + QStringLiteral(".2")}) {
        QFile f(name);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
        EXPECT_LE(f.size(), 4096);
        total += f.size();
        all += QString::fromUtf8(f.readAll());
    }
    EXPECT_FALSE(QFile::exists(path + QStringLiteral(".3")));
    EXPECT_GT(total, 8192); // three files in use, each filled in turn
    EXPECT_TRUE(all.contains(QStringLiteral("linha 0399 com **** e ****")));
    EXPECT_FALSE(all.contains(QStringLiteral("linha 0000"))); // dropped with the oldest file
    EXPECT_FALSE(all.contains(QStringLiteral("abc")));
    EXPECT_FALSE(all.contains(QStringLiteral("depois de fechado")));
}

// A second server with a certificate of its own throw-away authority,
// refusing any connection without TLS.
class TlsServer : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_dir = new QTemporaryDir;
        const QString d = s_dir->path();
        const auto openssl = [&d](const QString &arguments) {
            run(QStringLiteral("openssl"), arguments.split(QLatin1Char(' ')), d);
        };
        openssl(QStringLiteral("req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=QuorvelTestCA -keyout ca.key "
                               "-out ca.pem"));
        openssl(QStringLiteral("req -newkey rsa:2048 -nodes -subj /CN=localhost -keyout server.key -out server.csr"));
        QFile ext(d + QStringLiteral("/ext.cnf"));
        ext.open(QIODevice::WriteOnly);
        ext.write("subjectAltName=DNS:localhost,IP:127.0.0.1\n");
        ext.close();
        openssl(QStringLiteral("x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 "
                               "-extfile ext.cnf -out server.pem"));
        openssl(QStringLiteral("req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=OtherCA -keyout other.key "
                               "-out other.pem"));
        // A folder of authorities, as ssl-capath wants it: hashed names.
        QDir().mkpath(d + QStringLiteral("/authorities"));
        QFile::copy(d + QStringLiteral("/ca.pem"), d + QStringLiteral("/authorities/ca.pem"));
        openssl(QStringLiteral("rehash authorities"));
        s_port = freePort();
        const QString script = QStringLiteral(QUORVEL_SOURCE_DIR "/scripts/db");
        // First without TLS at all: a desk asking for TLS must say the
        // server does not offer it.
        run(QStringLiteral("bash"),
            {script, QStringLiteral("start"), d + QStringLiteral("/db"), QString::number(s_port)}, d);
        createAccount();
        {
            Sql sql;
            Sql::Connection c = connection();
            c.ssl = true;
            sql.setConnection(c);
            s_withoutTls = sql.connectNow() ? ConnectFailure::None : sql.result().connectFailure();
            s_withoutTlsMessage = sql.message();
        }
        run(QStringLiteral("bash"), {script, QStringLiteral("stop"), d + QStringLiteral("/db")}, d);
        run(QStringLiteral("bash"),
            {script, QStringLiteral("start"), d + QStringLiteral("/db"), QString::number(s_port)}, d,
            {QStringLiteral("QUORVEL_DB_OPTIONS=--ssl-ca=%1/ca.pem --ssl-cert=%1/server.pem --ssl-key=%1/server.key "
                            "--require-secure-transport=ON "
                            "--bind-address=127.0.0.1,127.0.0.2")
                 .arg(d)});
    }
    static void TearDownTestSuite()
    {
        run(QStringLiteral("bash"),
            {QStringLiteral(QUORVEL_SOURCE_DIR "/scripts/db"), QStringLiteral("stop"),
             s_dir->path() + QStringLiteral("/db")},
            s_dir->path());
        delete s_dir;
    }
    static void createAccount()
    {
        run(QStringLiteral("mariadb"),
            {QStringLiteral("--no-defaults"), QStringLiteral("--socket=") + s_dir->path() + QStringLiteral("/db/sock"),
             QStringLiteral("-uroot"), QStringLiteral("-e"),
             QStringLiteral("CREATE USER IF NOT EXISTS 'caixa'@'%' IDENTIFIED BY 'c,a;i\"x\\\\a'; "
                            "CREATE DATABASE IF NOT EXISTS quorvel; GRANT SELECT ON quorvel.* TO 'caixa'@'%'")},
            s_dir->path());
    }
    static Sql::Connection connection()
    {
        Sql::Connection c;
        c.host = QStringLiteral("127.0.0.1");
        c.port = s_port;
        c.user = QStringLiteral("caixa");
        c.password = QStringLiteral("c,a;i\"x\\a");
        c.database = QStringLiteral("quorvel");
        c.timeoutSeconds = 3;
        return c;
    }
    static QString file(const char *name) { return s_dir->path() + QLatin1Char('/') + QLatin1String(name); }

    static inline QTemporaryDir *s_dir = nullptr;
    static inline int s_port = 0;
    static inline ConnectFailure s_withoutTls = ConnectFailure::None;
    static inline QString s_withoutTlsMessage;
};

TEST_F(TlsServer, ConnectsAndVerifiesWithItsAuthorityAndSaysClearlyWhatElseFails)
{
    EXPECT_EQ(s_withoutTls, ConnectFailure::TlsUnavailable) << s_withoutTlsMessage.toStdString();

    const struct
    {
        const char *name;
        std::function<void(Sql::Connection &)> change;
        ConnectFailure failure;
    } cases[] = {
        {"its own authority, verified",
         [](Sql::Connection &c) {
             c.ssl = true;
             c.sslCa = file("ca.pem");
         },
         ConnectFailure::None},
        {"the authority's folder",
         [](Sql::Connection &c) {
             c.ssl = true;
             c.sslCapath = file("authorities");
             c.sslVerify = true;
         },
         ConnectFailure::None},
        {"encrypted without verifying", [](Sql::Connection &c) { c.ssl = true; }, ConnectFailure::None},
        {"without TLS", [](Sql::Connection &) {}, ConnectFailure::TlsRequired},
        {"another authority",
         [](Sql::Connection &c) {
             c.ssl = true;
             c.sslCa = file("other.pem");
         },
         ConnectFailure::TlsCertificate},
        {"a name the certificate does not carry",
         [](Sql::Connection &c) {
             c.ssl = true;
             c.sslCa = file("ca.pem");
             c.host = QStringLiteral("127.0.0.2");
         },
         ConnectFailure::TlsCertificate},
        {"wrong password over TLS",
         [](Sql::Connection &c) {
             c.ssl = true;
             c.sslCa = file("ca.pem");
             c.password = QStringLiteral("nope");
         },
         ConnectFailure::AccessDenied},
        {"wrong password without TLS", [](Sql::Connection &c) { c.password = QStringLiteral("nope"); },
         ConnectFailure::AccessDenied},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Sql::Connection connection = TlsServer::connection();
        c.change(connection);
        Sql sql;
        sql.setConnection(connection);
        const bool connected = sql.connectNow();
        EXPECT_EQ(connected, c.failure == ConnectFailure::None) << sql.message().toStdString();
        EXPECT_EQ(sql.result().connectFailure(), c.failure) << sql.message().toStdString();
        if (connected) {
            EXPECT_TRUE(sql.tlsInUse().startsWith(QStringLiteral("TLSv1."))) << sql.tlsInUse().toStdString();
            EXPECT_TRUE(sql.exec("SELECT CURRENT_USER()").ok()) << sql.message().toStdString();
        }
    }
}

TEST_F(TlsServer, TheIniFilesTlsKeysReachTheConnection)
{
    QTemporaryDir home;
    EnvScope configHome("XDG_CONFIG_HOME", home.path().toUtf8());
    EnvScope configDirs("XDG_CONFIG_DIRS", home.path().toUtf8() + "/none");
    QDir().mkpath(home.path() + QStringLiteral("/quorvel"));
    QFile ini(Config::filePath());
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write(QStringLiteral("[database]\nhost=127.0.0.1\nport=%1\nuser=caixa\npassword=c,a;i\"x\\a\nname=quorvel\n"
                             "ssl-ca=%2\nssl-verify-server-cert=1\n")
                  .arg(s_port)
                  .arg(file("ca.pem"))
                  .toUtf8());
    ini.close();
    Config::setCurrent(Config::load());
    Sql sql;
    EXPECT_TRUE(sql.exec("SELECT CURRENT_USER()").ok()) << sql.message().toStdString();
    EXPECT_FALSE(sql.tlsInUse().isEmpty());
    Config::setCurrent(Config::load());
}

// A cluster's endpoint lost: the log says the connection was lost and that
// the desk went on at another server of the list.
TEST(Log, ALostConnectionAndTheFailoverAreWrittenDown)
{
    TestDatabase db;
    QTemporaryDir dir;
    const QString link = dir.path() + QStringLiteral("/first.sock");
    ASSERT_TRUE(QFile::link(TestDatabase::socket(), link));
    const QString logPath = dir.path() + QStringLiteral("/quorvel.log");
    log::open(logPath);

    Sql sql;
    Sql::Connection c;
    c.hosts = {link, TestDatabase::socket()};
    c.database = db.name();
    c.timeoutSeconds = 2;
    sql.setConnection(c);
    ASSERT_TRUE(sql.exec("SELECT CURTIME()").ok()) << sql.message().toStdString();
    // The first endpoint goes away with the connection made through it.
    QFile::remove(link);
    const QString id = TestDatabase::client(db.name(), QStringLiteral("SELECT ID FROM information_schema.PROCESSLIST "
                                                                      "WHERE DB='%1' AND ID<>CONNECTION_ID()")
                                                           .arg(db.name()));
    for (const QString &each : id.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        TestDatabase::client(QString(), QStringLiteral("KILL %1").arg(each));
    EXPECT_TRUE(sql.exec("SELECT CURTIME()").connectionLost());
    EXPECT_TRUE(sql.exec("SELECT CURTIME()").ok()) << sql.message().toStdString();
    log::close();

    QFile file(logPath);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("conexão com o banco de dados perdida"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("failover: o servidor em uso passou a ser o 2 de 2 da lista")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("conectado a ") + TestDatabase::socket())) << text.toStdString();
}
