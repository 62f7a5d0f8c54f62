#include "app/FirstRun.h"
#include "platform/Config.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>

using namespace qv;

namespace {

using test::EnvScope;

// Everything written to a C stream, read back.
class CapturedStream
{
public:
    CapturedStream() : m_file(std::tmpfile()) {}
    ~CapturedStream() { std::fclose(m_file); }
    std::FILE *file() const { return m_file; }
    QString text() const
    {
        std::fflush(m_file);
        const long size = std::ftell(m_file);
        QByteArray bytes(size, '\0');
        std::rewind(m_file);
        if (std::fread(bytes.data(), 1, size, m_file) != std::size_t(size))
            bytes.clear();
        return QString::fromUtf8(bytes);
    }

private:
    std::FILE *m_file;
};

Config sampleDefaults()
{
    Config d;
    d.root = QStringLiteral("/home/caixa/.local/share/quorvel/drives");
    d.pdfFolder = QStringLiteral("/home/caixa/quorvel-prints");
    return d;
}

// The "section/key" names the instructions tell the technician to write:
// every "[section]" header followed by lines "key, key — meaning".
QStringList keysNamedIn(const QString &text)
{
    QStringList keys;
    QString section;
    static const QRegularExpression header(QStringLiteral("^\\[(\\w+)\\]"));
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        const auto m = header.match(line);
        if (m.hasMatch()) {
            section = m.captured(1);
            continue;
        }
        const qsizetype dash = line.indexOf(QStringLiteral(" — "));
        if (section.isEmpty() || dash < 0)
            continue;
        for (const QString &key : line.left(dash).split(QLatin1Char(',')))
            keys << section + QLatin1Char('/') + key.trimmed();
    }
    return keys;
}

} // namespace

TEST(FirstRunText, NamesTheFileTheDefaultsAndWhereTheDatabaseFilesAre)
{
    const QString text = missingConfigurationText(QStringLiteral("/home/caixa/.config/quorvel/quorvel.ini"),
                                                  sampleDefaults(), QStringLiteral("/usr/share/quorvel"));
    EXPECT_TRUE(text.startsWith(QStringLiteral("Configuração não encontrada: crie o arquivo\n"
                                               "/home/caixa/.config/quorvel/quorvel.ini\n")))
        << text.toStdString();
    // The values a key left out takes, as Config gives them.
    EXPECT_TRUE(text.contains(QStringLiteral("(padrão localhost e 3306)")));
    EXPECT_TRUE(text.contains(QStringLiteral("(padrão root, senha vazia)")));
    EXPECT_TRUE(text.contains(QStringLiteral("(padrão quorvel)")));
    EXPECT_TRUE(text.contains(QStringLiteral("(padrão /home/caixa/.local/share/quorvel/drives)")));
    EXPECT_TRUE(text.contains(QStringLiteral("(padrão C)")));
    EXPECT_TRUE(text.contains(QStringLiteral("(padrão /home/caixa/quorvel-prints)")));
    EXPECT_TRUE(text.contains(QStringLiteral("estão em /usr/share/quorvel (schema.sql e demo.sql)")));

    // Run from a build tree nothing is installed: no folder to point at.
    const QString bare = missingConfigurationText(QStringLiteral("/x/quorvel.ini"), sampleDefaults(), QString());
    EXPECT_FALSE(bare.contains(QStringLiteral("schema.sql")));
}

TEST(FirstRunText, EveryKeyItNamesIsOneTheProgramReads)
{
    const QStringList keys =
        keysNamedIn(missingConfigurationText(QStringLiteral("/x/quorvel.ini"), sampleDefaults(), QString()));
    // Every key of the README's table, in its order.
    EXPECT_EQ(keys, (QStringList{QStringLiteral("database/socket"), QStringLiteral("database/host"),
                                 QStringLiteral("database/port"), QStringLiteral("database/user"),
                                 QStringLiteral("database/password"), QStringLiteral("database/name"),
                                 QStringLiteral("database/ssl"), QStringLiteral("database/ssl-ca"),
                                 QStringLiteral("database/ssl-capath"), QStringLiteral("database/ssl-cert"),
                                 QStringLiteral("database/ssl-key"), QStringLiteral("database/ssl-verify-server-cert"),
                                 QStringLiteral("paths/root"), QStringLiteral("paths/drive"),
                                 QStringLiteral("takeaway/program"), QStringLiteral("printing/pdfFolder")}));

    // A file written with exactly those keys changes every setting: a key
    // misspelt in the instructions would leave its default in place.
    QTemporaryDir xdg;
    EnvScope env("XDG_CONFIG_HOME", xdg.path().toUtf8());
    {
        QDir().mkpath(xdg.path() + QStringLiteral("/quorvel"));
        QSettings ini(Config::filePath(), QSettings::IniFormat);
        for (const QString &key : keys)
            ini.setValue(key, key == QLatin1String("database/port") ? QStringLiteral("3307")
                              : key == QLatin1String("paths/drive") ? QStringLiteral("D")
                                                                    : QStringLiteral("set-") + key);
    }
    const Config defaults;
    const Config read = Config::load();
    EXPECT_EQ(read.dbSocket, QStringLiteral("set-database/socket"));
    EXPECT_NE(read.dbHost, defaults.dbHost);
    EXPECT_EQ(read.dbPort, 3307);
    EXPECT_NE(read.dbUser, defaults.dbUser);
    EXPECT_EQ(read.dbPassword, QStringLiteral("set-database/password"));
    EXPECT_NE(read.dbName, defaults.dbName);
    EXPECT_EQ(read.root, QStringLiteral("set-paths/root"));
    EXPECT_EQ(read.drive, QStringLiteral("D"));
    EXPECT_EQ(read.takeAwayProgram, QStringLiteral("set-takeaway/program"));
    EXPECT_EQ(read.pdfFolder, QStringLiteral("set-printing/pdfFolder"));
    EXPECT_EQ(read.dbSslCa, QStringLiteral("set-database/ssl-ca"));
    EXPECT_EQ(read.dbSslCapath, QStringLiteral("set-database/ssl-capath"));
    EXPECT_EQ(read.dbSslCert, QStringLiteral("set-database/ssl-cert"));
    EXPECT_EQ(read.dbSslKey, QStringLiteral("set-database/ssl-key"));
}

TEST(FirstRunCheck, MissingFileStopsWithOneStopBoxAndTheSameTextOnStderr)
{
    QTemporaryDir xdg;
    EnvScope env("XDG_CONFIG_HOME", xdg.path().toUtf8());
    const QString ini = xdg.path() + QStringLiteral("/quorvel/quorvel.ini");
    test::ScriptedUiScope scope;
    CapturedStream err;

    EXPECT_FALSE(checkConfiguration(scope.ui(), true, err.file()));
    ASSERT_EQ(scope.ui().messages.size(), 1u);
    EXPECT_EQ(scope.ui().messages[0].style, style::kStop);
    const QString shown = scope.ui().messages[0].text;
    EXPECT_TRUE(shown.contains(QStringLiteral("crie o arquivo\n") + ini + QLatin1Char('\n'))) << shown.toStdString();
    EXPECT_EQ(err.text().trimmed(), shown);
    // Reading the defaults must not leave an empty file behind, or the
    // next start would go on with them and fail at the first statement.
    EXPECT_FALSE(QFileInfo::exists(ini));
    EXPECT_FALSE(QFileInfo::exists(xdg.path() + QStringLiteral("/quorvel")));
}

TEST(FirstRunCheck, WithoutXdgConfigHomeTheFileIsUnderHomeDotConfig)
{
    QTemporaryDir home;
    EnvScope unsetXdg("XDG_CONFIG_HOME", std::nullopt);
    EnvScope env("HOME", home.path().toUtf8());
    test::ScriptedUiScope scope;
    CapturedStream err;

    EXPECT_FALSE(checkConfiguration(scope.ui(), false, err.file()));
    EXPECT_TRUE(scope.ui().messages.empty()); // no screen anyone sees: no box to wait on
    EXPECT_TRUE(err.text().contains(QStringLiteral("crie o arquivo\n") + home.path()
                                    + QStringLiteral("/.config/quorvel/quorvel.ini\n")))
        << err.text().toStdString();
}

TEST(FirstRunCheck, ExistingFileLetsTheProgramGoOnSilently)
{
    QTemporaryDir xdg;
    EnvScope env("XDG_CONFIG_HOME", xdg.path().toUtf8());
    QDir().mkpath(xdg.path() + QStringLiteral("/quorvel"));
    QFile file(xdg.path() + QStringLiteral("/quorvel/quorvel.ini"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[database]\nname=quorvel\n");
    file.close();
    test::ScriptedUiScope scope;
    CapturedStream err;

    EXPECT_TRUE(checkConfiguration(scope.ui(), true, err.file()));
    EXPECT_TRUE(scope.ui().messages.empty());
    EXPECT_TRUE(err.text().isEmpty());
}
