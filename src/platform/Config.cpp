#include "platform/Config.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <algorithm>
#include <optional>

namespace qv {

namespace {
std::optional<Config> &slot()
{
    static std::optional<Config> config;
    return config;
}
} // namespace

QString Config::filePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + QStringLiteral("/quorvel/quorvel.ini");
}

Config Config::load()
{
    Config c;
    QSettings s(filePath(), QSettings::IniFormat);
    c.dbSocket = s.value("database/socket", c.dbSocket).toString();
    c.dbHost = s.value("database/host", c.dbHost).toString();
    c.dbPort = s.value("database/port", c.dbPort).toInt();
    c.dbUser = s.value("database/user", c.dbUser).toString();
    c.dbPassword = s.value("database/password", c.dbPassword).toString();
    c.dbName = s.value("database/name", c.dbName).toString();
    // "a:1,b:2" reads as a list already (QSettings splits at commas).
    for (const QString &entry : s.value("database/hosts").toStringList())
        for (const QString &host : entry.split(QLatin1Char(','), Qt::SkipEmptyParts))
            if (!host.trimmed().isEmpty())
                c.dbHosts.append(host.trimmed());
    c.dbTimeoutSeconds = std::clamp(s.value("database/timeout", c.dbTimeoutSeconds).toInt(), 1, 600);
    c.dbPipeline = s.value("database/pipeline", c.dbPipeline).toBool();
    c.root = s.value("paths/root", QDir::homePath() + QStringLiteral("/.local/share/quorvel/drives")).toString();
    c.drive = s.value("paths/drive", c.drive).toString().left(1).toUpper();
    c.takeAwayProgram = s.value("takeaway/program", c.takeAwayProgram).toString();
    c.pdfFolder = s.value("printing/pdfFolder", QDir::homePath() + QStringLiteral("/quorvel-prints")).toString();
    return c;
}

void Config::save() const
{
    QDir().mkpath(QFileInfo(filePath()).absolutePath());
    QSettings s(filePath(), QSettings::IniFormat);
    s.setValue("database/socket", dbSocket);
    s.setValue("database/host", dbHost);
    s.setValue("database/port", dbPort);
    s.setValue("database/user", dbUser);
    s.setValue("database/password", dbPassword);
    s.setValue("database/name", dbName);
    if (!dbHosts.isEmpty())
        s.setValue("database/hosts", dbHosts.join(QLatin1Char(',')));
    s.setValue("database/timeout", dbTimeoutSeconds);
    if (!dbPipeline)
        s.setValue("database/pipeline", false);
    s.setValue("paths/root", root);
    s.setValue("paths/drive", drive);
    s.setValue("takeaway/program", takeAwayProgram);
    s.setValue("printing/pdfFolder", pdfFolder);
    s.sync();
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
