#include "platform/Config.h"

#include "platform/IniFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <sys/stat.h>

#include <algorithm>
#include <optional>

namespace qv {

namespace {
std::optional<Config> &slot()
{
    static std::optional<Config> config;
    return config;
}

const QString kRelative = QStringLiteral("/quorvel/quorvel.ini");

// The value of a key in the files, the last file that sets it winning.
struct Layers
{
    std::vector<std::pair<QString, IniFile>> files; // least important first

    std::optional<QString> value(const QString &key, QString *from = nullptr) const
    {
        for (auto it = files.rbegin(); it != files.rend(); ++it)
            if (std::optional<QString> v = it->second.value(key)) {
                if (from)
                    *from = it->first;
                return v;
            }
        return std::nullopt;
    }
    QString text(const QString &key, const QString &fallback) const { return value(key).value_or(fallback); }
    int number(const QString &key, int fallback) const
    {
        bool ok = false;
        const int n = value(key).value_or(QString()).trimmed().toInt(&ok);
        return ok ? n : fallback;
    }
    std::optional<bool> flag(const QString &key) const
    {
        const std::optional<QString> v = value(key);
        if (!v)
            return std::nullopt;
        const QString t = v->trimmed().toLower();
        // A bare `ssl` line (MariaDB's option files allow it) means on.
        if (t.isEmpty() || t == QLatin1String("1") || t == QLatin1String("on") || t == QLatin1String("true")
            || t == QLatin1String("yes"))
            return true;
        return false;
    }
};

} // namespace

QString Config::filePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + kRelative;
}

QStringList Config::systemFilePaths()
{
    QStringList dirs = qEnvironmentVariable("XDG_CONFIG_DIRS").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    if (dirs.isEmpty())
        dirs << QStringLiteral("/etc/xdg");
    QStringList paths;
    for (const QString &dir : dirs)
        if (QDir::isAbsolutePath(dir))
            paths << QDir::cleanPath(dir) + kRelative;
    paths.removeDuplicates();
    paths.removeAll(filePath());
    return paths;
}

Config Config::load()
{
    Config c;
    Layers s;
    QStringList paths = systemFilePaths();
    std::reverse(paths.begin(), paths.end());
    paths << filePath();
    for (const QString &path : paths)
        if (std::optional<IniFile> ini = IniFile::read(path)) {
            s.files.emplace_back(path, *ini);
            c.files << path;
        }

    c.dbSocket = s.text("database/socket", c.dbSocket).trimmed();
    c.dbHost = s.text("database/host", c.dbHost).trimmed();
    c.dbPort = s.number("database/port", c.dbPort);
    c.dbUser = s.text("database/user", c.dbUser);
    // Exactly as written: a password may begin or end with anything.
    c.dbPassword = s.value("database/password", &c.passwordFile).value_or(c.dbPassword);
    c.dbName = s.text("database/name", c.dbName).trimmed();
    for (const QString &host : s.text("database/hosts", QString()).split(QLatin1Char(','), Qt::SkipEmptyParts))
        if (!host.trimmed().isEmpty())
            c.dbHosts.append(host.trimmed());
    c.dbTimeoutSeconds = std::clamp(s.number("database/timeout", c.dbTimeoutSeconds), 1, 600);
    // Batches sent back to back unless a proxy on the way cannot take them.
    c.dbPipeline = s.flag("database/pipeline").value_or(c.dbPipeline);
    c.dbSslCa = s.text("database/ssl-ca", QString()).trimmed();
    c.dbSslCapath = s.text("database/ssl-capath", QString()).trimmed();
    c.dbSslCert = s.text("database/ssl-cert", QString()).trimmed();
    c.dbSslKey = s.text("database/ssl-key", QString()).trimmed();
    c.dbSslVerify = s.flag("database/ssl-verify-server-cert");
    const bool anyTlsFile =
        !c.dbSslCa.isEmpty() || !c.dbSslCapath.isEmpty() || !c.dbSslCert.isEmpty() || !c.dbSslKey.isEmpty();
    c.dbSsl = s.flag("database/ssl").value_or(anyTlsFile || c.dbSslVerify.value_or(false));
    c.root = s.text("paths/root", QDir::homePath() + QStringLiteral("/.local/share/quorvel/drives"));
    c.drive = s.text("paths/drive", c.drive).trimmed().left(1).toUpper();
    c.takeAwayProgram = s.text("takeaway/program", c.takeAwayProgram);
    c.pdfFolder = s.text("printing/pdfFolder", QDir::homePath() + QStringLiteral("/quorvel-prints"));
    return c;
}

QString Config::saveDatabase() const
{
    const QString path = filePath();
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return QStringLiteral("não foi possível criar a pasta %1").arg(QFileInfo(path).absolutePath());
    IniFile ini = IniFile::read(path).value_or(IniFile());
    const auto setOrKeep = [&ini](const QString &key, const QString &value) {
        // An empty value is written only over a key the file had: an unused
        // option does not clutter a new file.
        if (!value.isEmpty() || ini.value(key))
            ini.set(key, value);
    };
    setOrKeep(QStringLiteral("database/socket"), dbSocket);
    setOrKeep(QStringLiteral("database/hosts"), dbHosts.join(QLatin1Char(',')));
    ini.set(QStringLiteral("database/host"), dbHost);
    ini.set(QStringLiteral("database/port"), QString::number(dbPort));
    ini.set(QStringLiteral("database/user"), dbUser);
    ini.set(QStringLiteral("database/password"), dbPassword);
    ini.set(QStringLiteral("database/name"), dbName);
    ini.set(QStringLiteral("database/ssl"), dbSsl ? QStringLiteral("1") : QStringLiteral("0"));
    setOrKeep(QStringLiteral("database/ssl-ca"), dbSslCa);
    setOrKeep(QStringLiteral("database/ssl-capath"), dbSslCapath);
    setOrKeep(QStringLiteral("database/ssl-cert"), dbSslCert);
    setOrKeep(QStringLiteral("database/ssl-key"), dbSslKey);
    if (dbSslVerify)
        ini.set(QStringLiteral("database/ssl-verify-server-cert"),
                *dbSslVerify ? QStringLiteral("1") : QStringLiteral("0"));

    // The password is in it: readable by the owner only, from the first
    // byte written (the new file replaces the old in one step).
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    file.write(ini.text());
    if (!file.commit())
        return file.errorString();
    // QSaveFile keeps an existing file's mode: an old world-readable file
    // must not stay so.
    if (::chmod(QFile::encodeName(path).constData(), S_IRUSR | S_IWUSR) != 0)
        return QStringLiteral("não foi possível restringir as permissões de %1").arg(path);
    return QString();
}

int Config::readableBeyondOwner(const QString &path)
{
    struct stat info
    {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return 0;
    int level = (info.st_mode & S_IROTH) ? 2 : (info.st_mode & S_IRGRP) ? 1 : 0;
    // Every folder on the way must let them through.
    QDir dir = QFileInfo(path).absoluteDir();
    while (level > 0) {
        struct stat folder
        {};
        if (::stat(QFile::encodeName(dir.absolutePath()).constData(), &folder) != 0)
            break;
        if (level == 2 && !(folder.st_mode & S_IXOTH))
            level = (info.st_mode & S_IRGRP) && (folder.st_mode & S_IXGRP) ? 1 : 0;
        if (level == 1 && !(folder.st_mode & S_IXGRP))
            level = 0;
        if (dir.isRoot() || !dir.cdUp())
            break;
    }
    return level;
}

QString Config::passwordExposure() const
{
    if (passwordFile.isEmpty() || dbPassword.isEmpty())
        return QString();
    const bool system = passwordFile != filePath();
    const int level = readableBeyondOwner(passwordFile);
    if (level == 2)
        return QStringLiteral("A senha do banco de dados está em %1, que qualquer usuário desta máquina pode ler. "
                              "Restrinja o arquivo: chmod %2 %1")
            .arg(passwordFile, system ? QStringLiteral("640") : QStringLiteral("600"));
    if (level == 1 && !system)
        return QStringLiteral("A senha do banco de dados está em %1, que o grupo do arquivo pode ler. "
                              "Restrinja o arquivo: chmod 600 %1")
            .arg(passwordFile);
    return QString();
}

const Config &Config::current()
{
    if (!slot())
        slot() = load();
    return *slot();
}

void Config::setCurrent(const Config &config)
{
    slot() = config;
}

} // namespace qv
