#include "platform/Config.h"
#include "platform/IniFile.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace qv;
using test::EnvScope;

namespace {

void writeFile(const QString &path, const QByteArray &text, int mode = 0600)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
    file.close();
    ::chmod(QFile::encodeName(path).constData(), mode_t(mode));
}

// Passwords a generator or a person may choose, each with the line that
// writes it and, when it needs quotes, the quoted line too.
struct PasswordCase
{
    const char *written; // what follows "password=" in the file
    const char *meant;   // the password itself (UTF-8)
};

const PasswordCase kPasswords[] = {
    {"a,b,c", "a,b,c"},
    {"x;y", "x;y"},
    {"he said \"hi\"", "he said \"hi\""},
    {"back\\slash\\", "back\\slash\\"},
    {"hash#tag", "hash#tag"},
    {"k=v==", "k=v=="},
    {"\" leading blank\"", " leading blank"},
    {"\"trailing blank \"", "trailing blank "},
    {"\"\"quoted\"\"", "\"quoted\""},
    {"açúcar-Ñandú-ß", "açúcar-Ñandú-ß"},
    {"\"", "\""},
    {"  spaced out  ", "spaced out"},
    {"", ""},
    {"%General@x!$&'()*+-./:<>?[]^_`{|}~", "%General@x!$&'()*+-./:<>?[]^_`{|}~"},
};

} // namespace

TEST(IniFile, EveryPasswordReadsExactlyAsWrittenAndWritesBackTheSame)
{
    for (const PasswordCase &c : kPasswords) {
        SCOPED_TRACE(c.written);
        const QByteArray text = QByteArray("[database]\r\npassword=") + c.written + "\nuser=caixa\n";
        const IniFile ini = IniFile::parse(text);
        EXPECT_EQ(ini.value(QStringLiteral("database/password")), QString::fromUtf8(c.meant));
        EXPECT_EQ(ini.value(QStringLiteral("database/user")), QStringLiteral("caixa"));

        // What the program writes for a password reads back as the password.
        IniFile written;
        written.set(QStringLiteral("database/password"), QString::fromUtf8(c.meant));
        EXPECT_EQ(IniFile::parse(written.text()).value(QStringLiteral("database/password")), QString::fromUtf8(c.meant))
            << written.text().toStdString();
    }
}

TEST(IniFile, SectionsCommentsAndOddLines)
{
    const IniFile ini = IniFile::parse("\xEF\xBB\xBF# comment = not a key\n"
                                       "top=level\n"
                                       "[database]\n"
                                       "  ; another comment\n"
                                       "  host =  db1  \n"
                                       "not a key line\n"
                                       "=no key\n"
                                       "host=db2\n"
                                       "[ paths ]\n"
                                       "root=/srv/x # not a comment\n");
    const struct
    {
        const char *key;
        std::optional<QString> value;
    } cases[] = {
        {"top", QStringLiteral("level")},
        {"database/host", QStringLiteral("db2")}, // the last line wins
        {"paths/root", QStringLiteral("/srv/x # not a comment")},
        {"database/# comment ", std::nullopt},
        {"database/root", std::nullopt},
        {"paths/host", std::nullopt},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ini.value(QString::fromUtf8(c.key)), c.value) << c.key;
    EXPECT_EQ(ini.skippedLines(), 2);
}

TEST(IniFile, SetKeepsEveryOtherLineAndAddsToItsSection)
{
    IniFile ini = IniFile::parse("# desk 3\n[database]\nhost=a\n\n[paths]\nroot=/r\n");
    ini.set(QStringLiteral("database/host"), QStringLiteral("b"));
    ini.set(QStringLiteral("database/port"), QStringLiteral("3307"));
    ini.set(QStringLiteral("printing/pdfFolder"), QStringLiteral("/p"));
    EXPECT_EQ(ini.text(), QByteArray("# desk 3\n[database]\nhost=b\nport=3307\n\n[paths]\nroot=/r\n\n"
                                     "[printing]\npdfFolder=/p\n"));
}

TEST(Config, TheUserFileWinsKeyByKeyOverTheSystemFiles)
{
    QTemporaryDir home;
    QTemporaryDir sys1;
    QTemporaryDir sys2;
    EnvScope configHome("XDG_CONFIG_HOME", home.path().toUtf8());
    EnvScope configDirs("XDG_CONFIG_DIRS", (sys1.path() + QLatin1Char(':') + sys2.path()).toUtf8());
    writeFile(sys2.path() + QStringLiteral("/quorvel/quorvel.ini"),
              "[database]\nhost=far\nuser=far\nname=farbase\ntimeout=9\n[paths]\nroot=/far\n");
    writeFile(sys1.path() + QStringLiteral("/quorvel/quorvel.ini"), "[database]\nhost=near\npassword=a,b;\"c\\\n",
              0640);
    writeFile(home.path() + QStringLiteral("/quorvel/quorvel.ini"), "[database]\nuser=caixa3\n");

    const Config c = Config::load();
    EXPECT_EQ(c.dbHost, QStringLiteral("near"));   // the first system folder over the second
    EXPECT_EQ(c.dbUser, QStringLiteral("caixa3")); // the user's file over both
    EXPECT_EQ(c.dbName, QStringLiteral("farbase"));
    EXPECT_EQ(c.dbTimeoutSeconds, 9);
    EXPECT_EQ(c.root, QStringLiteral("/far"));
    EXPECT_EQ(c.dbPassword, QStringLiteral("a,b;\"c\\"));
    EXPECT_EQ(c.passwordFile, sys1.path() + QStringLiteral("/quorvel/quorvel.ini"));
    EXPECT_EQ(c.files.size(), 3);
}

TEST(Config, TlsKeysUnderMariaDbsNames)
{
    QTemporaryDir home;
    EnvScope configHome("XDG_CONFIG_HOME", home.path().toUtf8());
    EnvScope configDirs("XDG_CONFIG_DIRS", home.path().toUtf8() + "/none");
    const QString ini = home.path() + QStringLiteral("/quorvel/quorvel.ini");
    const struct
    {
        const char *lines;
        bool ssl;
        std::optional<bool> verify;
        const char *ca;
    } cases[] = {
        {"", false, std::nullopt, ""},
        {"ssl=1\n", true, std::nullopt, ""},
        {"ssl\n", true, std::nullopt, ""},
        {"ssl-ca=/etc/ca.pem\n", true, std::nullopt, "/etc/ca.pem"}, // a file turns it on
        {"ssl=0\nssl-ca=/etc/ca.pem\n", false, std::nullopt, "/etc/ca.pem"},
        {"ssl-verify-server-cert=ON\n", true, true, ""},
        {"ssl=on\nssl-verify-server-cert=0\n", true, false, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.lines);
        writeFile(ini, QByteArray("[database]\n") + c.lines);
        const Config read = Config::load();
        EXPECT_EQ(read.dbSsl, c.ssl);
        EXPECT_EQ(read.dbSslVerify, c.verify);
        EXPECT_EQ(read.dbSslCa, QString::fromUtf8(c.ca));
    }
}

TEST(Config, WarnsWhenThePasswordFileIsReadableByOthers)
{
    QTemporaryDir home;
    QTemporaryDir sys;
    ::chmod(QFile::encodeName(home.path()).constData(), 0755);
    ::chmod(QFile::encodeName(sys.path()).constData(), 0755);
    EnvScope configHome("XDG_CONFIG_HOME", home.path().toUtf8());
    EnvScope configDirs("XDG_CONFIG_DIRS", sys.path().toUtf8());
    const QString user = home.path() + QStringLiteral("/quorvel/quorvel.ini");
    const QString system = sys.path() + QStringLiteral("/quorvel/quorvel.ini");
    const struct
    {
        bool inSystemFile;
        int mode;
        int folderMode; // of the quorvel folder
        bool warned;
    } cases[] = {
        {false, 0600, 0755, false}, {false, 0640, 0755, true},
        {false, 0644, 0755, true},  {false, 0644, 0700, false}, // nobody else can enter the folder
        {false, 0644, 0750, true},                              // the group can
        {true, 0640, 0755, false},                              // the cashiers' group may read the system file
        {true, 0644, 0755, true},   {true, 0644, 0750, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.inSystemFile << " " << std::oct << c.mode << " " << c.folderMode);
        QFile::remove(user);
        QFile::remove(system);
        const QString path = c.inSystemFile ? system : user;
        writeFile(path, "[database]\npassword=segredo\n", c.mode);
        ::chmod(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), mode_t(c.folderMode));
        const QString warning = Config::load().passwordExposure();
        EXPECT_EQ(!warning.isEmpty(), c.warned) << warning.toStdString();
        if (c.warned) {
            EXPECT_TRUE(warning.contains(path));
            EXPECT_FALSE(warning.contains(QStringLiteral("segredo")));
        }
        ::chmod(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), 0755);
    }
}

TEST(Config, SavingTheConnectionKeepsTheRestAndOnlyTheOwnerReadsIt)
{
    QTemporaryDir home;
    EnvScope configHome("XDG_CONFIG_HOME", home.path().toUtf8());
    EnvScope configDirs("XDG_CONFIG_DIRS", home.path().toUtf8() + "/none");
    const QString ini = home.path() + QStringLiteral("/quorvel/quorvel.ini");
    writeFile(ini, "# desk 2\n[database]\nhost=old\ntimeout=7\n[paths]\nroot=/srv/v\n", 0644);

    Config c = Config::load();
    c.dbHost = QStringLiteral("db.local");
    c.dbPassword = QStringLiteral(" a,b;\"c\\#=ç");
    c.dbSsl = true;
    c.dbSslCa = QStringLiteral("/etc/ssl/ca.pem");
    c.dbSslVerify = true;
    ASSERT_EQ(c.saveDatabase(), QString());

    struct stat info
    {};
    ASSERT_EQ(::stat(QFile::encodeName(ini).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    const Config read = Config::load();
    EXPECT_EQ(read.dbHost, QStringLiteral("db.local"));
    EXPECT_EQ(read.dbPassword, c.dbPassword);
    EXPECT_EQ(read.dbTimeoutSeconds, 7);
    EXPECT_EQ(read.root, QStringLiteral("/srv/v"));
    EXPECT_TRUE(read.dbSsl);
    EXPECT_EQ(read.dbSslCa, QStringLiteral("/etc/ssl/ca.pem"));
    EXPECT_EQ(read.dbSslVerify, true);
    QFile file(ini);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().startsWith("# desk 2\n"));
}
