// quorvel-admin against the test server: what it creates, what its check
// finds, and that every step can run again.
#include "TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <mysql.h>

#include <functional>
#include <set>

using namespace qv::test;

namespace {

struct Result
{
    int status = -1;
    QString out;
    QString err;
};

Result admin(QStringList args, const QByteArray &input = {},
             const QString &share = QStringLiteral(QUORVEL_SOURCE_DIR "/db"))
{
    args << QStringLiteral("--socket") << TestDatabase::socket() << QStringLiteral("--share") << share;
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QUORVEL_CASHIER_PASSWORD"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(QUORVEL_ADMIN_TOOL), args);
    p.write(input);
    p.closeWriteChannel();
    EXPECT_TRUE(p.waitForFinished(120000));
    Result r;
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QString root(const QString &sql, bool *ok = nullptr)
{
    return TestDatabase::client(QString(), sql, ok);
}

// A database and account names of the test's own, dropped at its end.
class AdminTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        static int counter = 0;
        db = QStringLiteral("qa%1_%2").arg(QCoreApplication::applicationPid()).arg(++counter);
        user = QStringLiteral("k") + db;
        account = user + QStringLiteral("@localhost");
    }
    void TearDown() override
    {
        bool ok = false;
        root(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(db), &ok);
        root(QStringLiteral("DROP DATABASE IF EXISTS %1_other").arg(db), &ok);
        root(QStringLiteral("DROP USER IF EXISTS '%1'@'localhost'").arg(user), &ok);
    }
    Result init(QStringList extra = {}, const QByteArray &password = "segredo")
    {
        QStringList args{QStringLiteral("init"), QStringLiteral("--database"), db};
        if (!password.isEmpty())
            args << QStringLiteral("--account") << account << QStringLiteral("--password-file") << QStringLiteral("-");
        return admin(args + extra, password + '\n');
    }
    Result check(QStringList extra = {}, const QString &share = QStringLiteral(QUORVEL_SOURCE_DIR "/db"))
    {
        return admin(QStringList{QStringLiteral("check"), QStringLiteral("--database"), db} + extra, {}, share);
    }
    QString sql(const QString &text) { return TestDatabase::client(db, text); }
    // The account's grants as the server lists them, one per line, sorted.
    std::set<QString> grants()
    {
        std::set<QString> out;
        for (const QString &line : root(QStringLiteral("SHOW GRANTS FOR '%1'@'localhost'").arg(user)).split(u'\n'))
            if (!line.startsWith(QLatin1String("GRANT USAGE")))
                out.insert(line);
        return out;
    }
    std::set<QString> deskGrants()
    {
        const QString to = QStringLiteral(" TO `%1`@`localhost`").arg(user);
        return {
            QStringLiteral("GRANT SELECT ON `%1`.*").arg(db) + to,
            QStringLiteral("GRANT UPDATE ON `%1`.`mov_Mesa`").arg(db) + to,
            QStringLiteral("GRANT UPDATE ON `%1`.`mov_Cozinha`").arg(db) + to,
            QStringLiteral("GRANT INSERT, UPDATE, DELETE ON `%1`.`mov_MesaItem`").arg(db) + to,
            QStringLiteral("GRANT INSERT, UPDATE, DELETE ON `%1`.`mov_MesaItemObs`").arg(db) + to,
            QStringLiteral("GRANT INSERT, UPDATE, DELETE ON `%1`.`mov_MesaCobranca`").arg(db) + to,
            QStringLiteral("GRANT INSERT ON `%1`.`mov_Vendas`").arg(db) + to,
            QStringLiteral("GRANT INSERT ON `%1`.`mov_VendasItem`").arg(db) + to,
            QStringLiteral("GRANT INSERT ON `%1`.`mov_VendasItemObs`").arg(db) + to,
        };
    }
    // Connects as the account with the password, over the test socket.
    bool connects(const QByteArray &password, QString *why = nullptr)
    {
        MYSQL *m = mysql_init(nullptr);
        const QByteArray socket = TestDatabase::socket().toUtf8();
        const bool ok = mysql_real_connect(m, nullptr, user.toUtf8().constData(), password.constData(),
                                           db.toUtf8().constData(), 0, socket.constData(), 0)
                        != nullptr;
        if (!ok && why)
            *why = QString::fromUtf8(mysql_error(m));
        mysql_close(m);
        return ok;
    }

    QString db;
    QString user;
    QString account;
};

// The schema version of the package as built: what schema.sql records.
int packagedVersion()
{
    QFile f(QStringLiteral(QUORVEL_SOURCE_DIR "/db/schema.sql"));
    f.open(QIODevice::ReadOnly);
    const auto m =
        QRegularExpression(QStringLiteral("VALUES \\((\\d+), 'schema.sql'\\)")).match(QString::fromUtf8(f.readAll()));
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

QString packaged()
{
    return QString::number(packagedVersion());
}

TEST_F(AdminTest, InitCreatesTheDatabaseTheVersionAndAnAccountWithExactlyADesksRights)
{
    const Result first = init({QStringLiteral("--demo")});
    ASSERT_EQ(first.status, 0) << first.err.toStdString();
    EXPECT_TRUE(first.out.contains(QStringLiteral("database %1: created").arg(db)));
    EXPECT_TRUE(first.out.contains(QStringLiteral("schema: loaded, version ") + packaged()));
    EXPECT_TRUE(first.out.contains(QStringLiteral("demo restaurant: loaded")));
    EXPECT_EQ(sql(QStringLiteral("SELECT MAX(versao) FROM tab_VersaoEsquema")), packaged());
    EXPECT_EQ(grants(), deskGrants());
    EXPECT_TRUE(connects("segredo"));

    // Everything again: nothing changes, the demo is not loaded twice.
    const QString sales = sql(QStringLiteral("SELECT COUNT(*) FROM mov_Mesa"));
    const Result again = init({QStringLiteral("--demo")});
    ASSERT_EQ(again.status, 0) << again.err.toStdString();
    EXPECT_TRUE(again.out.contains(QStringLiteral("database %1: exists").arg(db)));
    EXPECT_TRUE(again.out.contains(QStringLiteral("rights on %1 already exactly a desk's").arg(db)));
    EXPECT_TRUE(again.out.contains(QStringLiteral("demo restaurant: not loaded")));
    EXPECT_EQ(sql(QStringLiteral("SELECT COUNT(*) FROM mov_Mesa")), sales);
    EXPECT_EQ(grants(), deskGrants());
}

TEST_F(AdminTest, InitTrimsExtraRightsOnTheDatabaseAndKeepsThoseOnOthers)
{
    ASSERT_EQ(init().status, 0);
    root(QStringLiteral("CREATE DATABASE %1_other").arg(db));
    root(QStringLiteral("GRANT DELETE ON %1.mov_Mesa TO '%2'@'localhost';"
                        "GRANT INSERT ON %1.* TO '%2'@'localhost' WITH GRANT OPTION;"
                        "GRANT SELECT (idMesa) ON %1.mov_Mesa TO '%2'@'localhost';"
                        "REVOKE INSERT ON %1.mov_Vendas FROM '%2'@'localhost';"
                        "GRANT SELECT ON %1_other.* TO '%2'@'localhost'")
             .arg(db, user));
    const Result before = check({QStringLiteral("--account"), account});
    EXPECT_EQ(before.status, 1);
    for (const QString &expected :
         {QStringLiteral("holds INSERT on the database, more than a desk needs"),
          QStringLiteral("holds DELETE on mov_Mesa, more than a desk needs"),
          QStringLiteral("lacks INSERT on mov_Vendas"), QStringLiteral("may grant its rights on the database"),
          QStringLiteral("holds rights on columns of mov_Mesa")})
        EXPECT_TRUE(before.out.contains(expected)) << expected.toStdString() << "\n" << before.out.toStdString();

    const Result fixed = init({}, "outra senha");
    ASSERT_EQ(fixed.status, 0) << fixed.err.toStdString();
    std::set<QString> expected = deskGrants();
    expected.insert(QStringLiteral("GRANT SELECT ON `%1_other`.* TO `%2`@`localhost`").arg(db, user));
    EXPECT_EQ(grants(), expected);
    EXPECT_TRUE(connects("outra senha"));
    EXPECT_FALSE(connects("segredo"));
    EXPECT_EQ(check({QStringLiteral("--account"), account}).out.count(QStringLiteral("problem: ") + account), 0);
}

TEST_F(AdminTest, PasswordsAreTakenAsWritten)
{
    for (const QByteArray &password :
         {QByteArray(" começa com espaço"), QByteArray("a,b;c\"d\\e#f=g'h`i%j"), QByteArray("senha\ttab ")}) {
        const Result r = init({}, password);
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        QString why;
        EXPECT_TRUE(connects(password, &why)) << password.constData() << ": " << why.toStdString();
    }
}

TEST_F(AdminTest, RefusesWhatItCannotDoSafely)
{
    struct Case
    {
        QStringList args;
        int status;
        QString says;
    };
    const QString base = QStringLiteral("init");
    const std::vector<Case> cases = {
        {{QStringLiteral("init"), QStringLiteral("--database"), QStringLiteral("a;DROP")},
         2,
         QStringLiteral("database name")},
        {{QStringLiteral("init"), QStringLiteral("--database"), db, QStringLiteral("--account"),
          QStringLiteral("x'y@localhost")},
         2,
         QStringLiteral("account's user")},
        {{QStringLiteral("init"), QStringLiteral("--database"), db, QStringLiteral("--account"),
          QStringLiteral("caixa@local'host")},
         2,
         QStringLiteral("account's host")},
        {{QStringLiteral("init"), QStringLiteral("--database"), db, QStringLiteral("--account"),
          QStringLiteral("caixa")},
         2,
         QStringLiteral("USER@HOST")},
        {{QStringLiteral("init"), QStringLiteral("--database"), db, QStringLiteral("--account"),
          QStringLiteral("root@localhost")},
         2,
         QStringLiteral("cannot be root")},
        {{QStringLiteral("positions"), QStringLiteral("--database"), db, QStringLiteral("--tables"),
          QStringLiteral("0-3"), QStringLiteral("--positions"), QStringLiteral("4")},
         2,
         QStringLiteral("--tables wants")},
        {{QStringLiteral("positions"), QStringLiteral("--database"), db, QStringLiteral("--tables"),
          QStringLiteral("1-3"), QStringLiteral("--positions"), QStringLiteral("99")},
         2,
         QStringLiteral("--positions wants")},
        {{QStringLiteral("frobnicate")}, 2, QStringLiteral("unknown command")},
        {{QStringLiteral("upgrade"), QStringLiteral("--database"), db}, 1, QStringLiteral("does not exist")},
    };
    for (const Case &c : cases) {
        const Result r = admin(c.args, "segredo\n");
        EXPECT_EQ(r.status, c.status) << c.args.join(u' ').toStdString();
        EXPECT_TRUE(r.err.contains(c.says)) << c.args.join(u' ').toStdString() << ": " << r.err.toStdString();
    }
    EXPECT_EQ(root(QStringLiteral("SELECT COUNT(*) FROM mysql.user WHERE User IN ('x''y','caixa')")),
              QStringLiteral("0"));

    // An account that holds rights on the whole server is not made a desk's.
    root(QStringLiteral("CREATE USER '%1'@'localhost'; GRANT PROCESS ON *.* TO '%1'@'localhost'").arg(user));
    const Result wide = init();
    EXPECT_EQ(wide.status, 1);
    EXPECT_TRUE(wide.err.contains(QStringLiteral("rights on the whole server (PROCESS)"))) << wide.err.toStdString();
    EXPECT_FALSE(connects("segredo"));
    EXPECT_EQ(grants().size(), 1u);
}

TEST_F(AdminTest, CheckNamesEveryMissingPieceOfBaseData)
{
    const Result missing = check();
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(missing.out.contains(QStringLiteral("the database %1 does not exist").arg(db)));

    ASSERT_EQ(init({}, {}).status, 0);
    const Result empty = check();
    EXPECT_EQ(empty.status, 1);
    EXPECT_TRUE(empty.out.contains(QStringLiteral("ok: schema version %1, as packaged").arg(packaged())))
        << empty.out.toStdString();
    for (const QString &expected :
         {QStringLiteral("parameters (tab_Parametros, idParam 1) are missing"), QStringLiteral("no operator"),
          QStringLiteral("no product"), QStringLiteral("share product 999999"), QStringLiteral("mov_Mesa is empty")})
        EXPECT_TRUE(empty.out.contains(expected)) << expected.toStdString();
    EXPECT_TRUE(empty.out.contains(QStringLiteral("5 problem(s) found")));

    ASSERT_EQ(init({QStringLiteral("--demo")}, {}).status, 0);
    const Result complete = check();
    EXPECT_EQ(complete.status, 0) << complete.out.toStdString();
    EXPECT_TRUE(complete.out.contains(QStringLiteral("ready for the desks")));

    // One fault at a time, each undone before the next (the last one for good).
    struct Case
    {
        QString breaks;
        QString repairs;
        QString says;
    };
    const std::vector<Case> cases = {
        {QStringLiteral("DELETE FROM tab_Parametros"),
         QStringLiteral("INSERT INTO tab_Parametros (idParam) VALUES (1)"),
         QStringLiteral("tab_Parametros, idParam 1")},
        {QStringLiteral("UPDATE tab_Operador SET situacao='E'"), QStringLiteral("UPDATE tab_Operador SET situacao='A'"),
         QStringLiteral("no operator")},
        {QStringLiteral("DELETE FROM cad_Produtos WHERE idProduto=999999"),
         QStringLiteral("INSERT INTO cad_Produtos (idProduto, descricao) VALUES (999999, 'COTA')"),
         QStringLiteral("share product 999999")},
        {QStringLiteral("DELETE FROM mov_Mesa WHERE idMesa IN (1202,4003)"),
         QStringLiteral("INSERT INTO mov_Mesa (idMesa) VALUES (1202),(4003)"),
         QStringLiteral("2 table position(s) missing in mov_Mesa: 12/02, 40/03")},
        {QStringLiteral("ALTER TABLE mov_Mesa MODIFY qtdPessoas INT NOT NULL DEFAULT 0"),
         QStringLiteral("ALTER TABLE mov_Mesa MODIFY qtdPessoas SMALLINT NOT NULL DEFAULT 0"),
         QStringLiteral("table mov_Mesa: column 4 is \"qtdPessoas int(11) not null default 0\"")},
        {QStringLiteral("ALTER TABLE mov_Vendas ADD COLUMN extra INT NOT NULL DEFAULT 0"),
         QStringLiteral("ALTER TABLE mov_Vendas DROP COLUMN extra"), QStringLiteral("is not in version ") + packaged()},
        {QStringLiteral("ALTER TABLE mov_MesaItem DROP INDEX idx_mesaitem_mesa"),
         QStringLiteral("ALTER TABLE mov_MesaItem ADD KEY idx_mesaitem_mesa (idMesa, idItem, status, idProduto)"),
         QStringLiteral("index idx_mesaitem_mesa")},
        {QStringLiteral("DROP TABLE tab_MotivoCancelamento"), QString(),
         QStringLiteral("table tab_MotivoCancelamento is missing")},
    };
    for (const Case &c : cases) {
        sql(c.breaks);
        const Result r = check();
        EXPECT_EQ(r.status, 1) << c.breaks.toStdString();
        EXPECT_TRUE(r.out.contains(c.says)) << c.breaks.toStdString() << "\n" << r.out.toStdString();
        if (!c.repairs.isEmpty()) {
            sql(c.repairs);
            EXPECT_EQ(check().status, 0) << c.repairs.toStdString();
        }
    }
}

TEST_F(AdminTest, PositionsCreatesWhatIsMissingAndCheckHoldsTheLayout)
{
    ASSERT_EQ(init({}, {}).status, 0);
    const QStringList layout{QStringLiteral("--tables"), QStringLiteral("1-10,12"), QStringLiteral("--positions"),
                             QStringLiteral("3")};
    const Result first = admin(QStringList{QStringLiteral("positions"), QStringLiteral("--database"), db} + layout);
    ASSERT_EQ(first.status, 0) << first.err.toStdString();
    EXPECT_TRUE(first.out.contains(QStringLiteral("positions: 33 created, 0 already there")));
    EXPECT_EQ(sql(QStringLiteral("SELECT CONCAT(MIN(idMesa),' ',MAX(idMesa),' ',COUNT(*)) FROM mov_Mesa")),
              QStringLiteral("101 1203 33"));
    EXPECT_EQ(
        sql(QStringLiteral("SELECT CONCAT(descricao,'|',status,'|',horaAbertura) FROM mov_Mesa WHERE idMesa=1203")),
        QStringLiteral("Mesa 12 - Posição 03|F|00:00:00"));

    sql(QStringLiteral("DELETE FROM mov_Mesa WHERE idMesa=502"));
    const Result again = admin(QStringList{QStringLiteral("positions"), QStringLiteral("--database"), db} + layout);
    EXPECT_TRUE(again.out.contains(QStringLiteral("positions: 1 created, 32 already there")))
        << again.out.toStdString();

    // The check with the layout finds a whole table missing, which the
    // check without it cannot know of.
    sql(QStringLiteral("DELETE FROM mov_Mesa WHERE idMesa DIV 100=12"));
    EXPECT_TRUE(check().out.contains(QStringLiteral("ok: 30 table position(s)")));
    EXPECT_TRUE(
        check(layout).out.contains(QStringLiteral("3 table position(s) missing in mov_Mesa: 12/01, 12/02, 12/03")));
}

// The packaged SQL files in a folder of the test's own, to give the
// package a later schema version.
class Share
{
public:
    Share()
    {
        QDir().mkpath(m_dir.filePath(QStringLiteral("upgrade")));
        const QString db = QStringLiteral(QUORVEL_SOURCE_DIR "/db/");
        for (const QString &name : {QStringLiteral("schema.sql"), QStringLiteral("demo.sql")})
            QFile::copy(db + name, m_dir.filePath(name));
        for (const QString &name : QDir(db + QStringLiteral("upgrade")).entryList({QStringLiteral("*.sql")}))
            QFile::copy(db + QStringLiteral("upgrade/") + name, m_dir.filePath(QStringLiteral("upgrade/") + name));
    }
    QString path() const { return m_dir.path(); }
    static QString upgradeName(int version)
    {
        return QStringLiteral("upgrade/%1.sql").arg(version, 3, 10, QChar(u'0'));
    }
    // The package after this one: version + 1, its schema and its upgrade.
    void nextVersion(const QByteArray &upgrade, const std::function<void(QByteArray &)> &changeSchema = {})
    {
        const int v = packagedVersion();
        write(upgradeName(v + 1), upgrade);
        QFile f(m_dir.filePath(QStringLiteral("schema.sql")));
        f.open(QIODevice::ReadOnly);
        QByteArray schema = f.readAll();
        f.close();
        if (changeSchema)
            changeSchema(schema);
        schema.replace(QStringLiteral("VALUES (%1, 'schema.sql')").arg(v).toUtf8(),
                       QStringLiteral("VALUES (%1, 'schema.sql')").arg(v + 1).toUtf8());
        write(QStringLiteral("schema.sql"), schema);
    }
    void write(const QString &name, const QByteArray &text)
    {
        QFile f(m_dir.filePath(name));
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(text);
    }
    void append(const QString &name, const QByteArray &text)
    {
        QFile f(m_dir.filePath(name));
        f.open(QIODevice::Append);
        f.write(text);
    }

private:
    QTemporaryDir m_dir;
};

TEST_F(AdminTest, UpgradeBringsAnOlderDatabaseToThePackagedVersionOnce)
{
    // A database loaded from the schema before it recorded its version (and
    // before the kitchen's ready-time index): every upgrade brings it up.
    ASSERT_EQ(init({QStringLiteral("--demo")}, {}).status, 0);
    sql(QStringLiteral("DROP TABLE tab_VersaoEsquema"));
    sql(QStringLiteral("DROP INDEX idx_cozinha_pronto ON mov_Cozinha"));
    const Result unversioned = check();
    EXPECT_EQ(unversioned.status, 1);
    EXPECT_TRUE(unversioned.out.contains(QStringLiteral("no schema version recorded")));
    const Result adopt = admin({QStringLiteral("upgrade"), QStringLiteral("--database"), db});
    ASSERT_EQ(adopt.status, 0) << adopt.err.toStdString();
    EXPECT_TRUE(adopt.out.contains(QStringLiteral("schema: upgraded to version 1 (upgrade/001.sql)")));
    EXPECT_EQ(check().status, 0);

    // The next package adds a column.
    const int v = packagedVersion();
    ASSERT_GE(v, 1);
    Share next;
    next.nextVersion(
        "ALTER TABLE tab_Impressoras ADD COLUMN IF NOT EXISTS fila CHAR(20) NOT NULL DEFAULT '';\n",
        [](QByteArray &schema) {
            schema.replace("    nome            CHAR(20)      NOT NULL DEFAULT '',\n    PRIMARY KEY (idImpressora)",
                           "    nome            CHAR(20)      NOT NULL DEFAULT '',\n    fila            CHAR(20)      "
                           "NOT NULL DEFAULT '',\n    PRIMARY KEY (idImpressora)");
        });

    const Result older = check({}, next.path());
    EXPECT_EQ(older.status, 1);
    EXPECT_TRUE(
        older.out.contains(QStringLiteral("schema version %1 is older than the package's %2").arg(v).arg(v + 1)))
        << older.out.toStdString();
    const Result up = admin({QStringLiteral("upgrade"), QStringLiteral("--database"), db}, {}, next.path());
    ASSERT_EQ(up.status, 0) << up.err.toStdString();
    EXPECT_TRUE(up.out.contains(
        QStringLiteral("schema: upgraded to version %1 (%2)").arg(v + 1).arg(Share::upgradeName(v + 1))));
    EXPECT_EQ(check({}, next.path()).status, 0);
    const Result twice = admin({QStringLiteral("upgrade"), QStringLiteral("--database"), db}, {}, next.path());
    EXPECT_EQ(twice.status, 0);
    EXPECT_TRUE(twice.out.contains(QStringLiteral("schema: at version %1, the package's").arg(v + 1)));
    // The older package refuses to touch a newer database.
    const Result newer = admin({QStringLiteral("upgrade"), QStringLiteral("--database"), db});
    EXPECT_EQ(newer.status, 1);
    EXPECT_TRUE(newer.err.contains(QStringLiteral("newer than this package's %1").arg(v)));
}

TEST_F(AdminTest, AFailedUpgradeRecordsNoVersionAndNamesTheScript)
{
    ASSERT_EQ(init({}, {}).status, 0);
    const int v = packagedVersion();
    Share next;
    next.nextVersion("SELECT 1;\nALTER TABLE no_such_table ADD COLUMN x INT;\n");
    const Result r = admin({QStringLiteral("upgrade"), QStringLiteral("--database"), db}, {}, next.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(Share::upgradeName(v + 1) + QStringLiteral(": statement 2 failed")))
        << r.err.toStdString();
    EXPECT_EQ(sql(QStringLiteral("SELECT MAX(versao) FROM tab_VersaoEsquema")), QString::number(v));
    // No scratch database left behind.
    EXPECT_EQ(
        root(QStringLiteral("SELECT COUNT(*) FROM information_schema.SCHEMATA WHERE SCHEMA_NAME LIKE '%1%%'").arg(db)),
        QStringLiteral("1"));
}

TEST(AdminShare, EveryVersionOfTheSchemaHasItsUpgradeScript)
{
    QFile f(QStringLiteral(QUORVEL_SOURCE_DIR "/db/schema.sql"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString schema = QString::fromUtf8(f.readAll());
    const auto m =
        QRegularExpression(
            QStringLiteral("INSERT INTO tab_VersaoEsquema \\(versao, origem\\) VALUES \\((\\d+), 'schema.sql'\\)"))
            .match(schema);
    ASSERT_TRUE(m.hasMatch());
    const int version = m.captured(1).toInt();
    for (int v = 1; v <= version; ++v)
        EXPECT_TRUE(QFile::exists(QStringLiteral(QUORVEL_SOURCE_DIR "/db/upgrade/%1.sql").arg(v, 3, 10, QChar(u'0'))))
            << v;
    EXPECT_FALSE(
        QFile::exists(QStringLiteral(QUORVEL_SOURCE_DIR "/db/upgrade/%1.sql").arg(version + 1, 3, 10, QChar(u'0'))));
}

} // namespace
