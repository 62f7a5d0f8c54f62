#include "platform/Log.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QStandardPaths>
#include <QStringList>

#include <cstdio>

namespace qv::log {

namespace {

struct State
{
    QMutex mutex;
    bool open = false;
    QFile file;
    qint64 maxBytes = 0;
    int keep = 0;
    QStringList secrets;
};

State &state()
{
    static State s;
    return s;
}

void rotate(State &s)
{
    const QString base = s.file.fileName();
    s.file.close();
    QFile::remove(base + QLatin1Char('.') + QString::number(s.keep));
    for (int i = s.keep - 1; i >= 1; --i)
        QFile::rename(base + QLatin1Char('.') + QString::number(i), base + QLatin1Char('.') + QString::number(i + 1));
    if (s.keep > 0)
        QFile::rename(base, base + QStringLiteral(".1"));
    else
        QFile::remove(base);
    s.file.open(QIODevice::WriteOnly | QIODevice::Append);
}

void write(const char *kind, const QString &text)
{
    State &s = state();
    const QMutexLocker lock(&s.mutex);
    if (!s.open)
        return;
    QString clean = text;
    for (const QString &secret : s.secrets)
        clean.replace(secret, QStringLiteral("****"));
    // One line per event, whatever the text held.
    clean.replace(QLatin1Char('\n'), QStringLiteral(" | "));
    clean.remove(QLatin1Char('\r'));
    const QByteArray line = (QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"))
                             + QLatin1Char(' ') + QLatin1String(kind) + QLatin1Char(' ') + clean + QLatin1Char('\n'))
                                .toUtf8();
    std::fputs("quorvel: ", stderr);
    std::fputs(line.constData(), stderr);
    std::fflush(stderr);
    if (!s.file.isOpen())
        return;
    if (s.file.size() > 0 && s.file.size() + line.size() > s.maxBytes)
        rotate(s);
    s.file.write(line);
    s.file.flush();
}

} // namespace

QString defaultPath()
{
    // Qt has no name for XDG_STATE_HOME: its rule, by hand.
    QString folder = qEnvironmentVariable("XDG_STATE_HOME");
    if (folder.isEmpty() || !QDir::isAbsolutePath(folder))
        folder = QDir::homePath() + QStringLiteral("/.local/state");
    return folder + QStringLiteral("/quorvel/quorvel.log");
}

bool open(const QString &path, qint64 maxBytes, int keep)
{
    State &s = state();
    const QMutexLocker lock(&s.mutex);
    s.file.close();
    s.open = true;
    s.maxBytes = std::max<qint64>(maxBytes, 1024);
    s.keep = std::max(keep, 0);
    QDir().mkpath(QFileInfo(path).absolutePath());
    s.file.setFileName(path);
    if (!s.file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    // The log names operators and servers: it is the user's own.
    s.file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return true;
}

void close()
{
    State &s = state();
    const QMutexLocker lock(&s.mutex);
    s.file.close();
    s.open = false;
    s.secrets.clear();
}

QString path()
{
    State &s = state();
    const QMutexLocker lock(&s.mutex);
    return s.file.isOpen() ? s.file.fileName() : QString();
}

void hide(const QString &secret)
{
    State &s = state();
    const QMutexLocker lock(&s.mutex);
    if (!secret.isEmpty() && !s.secrets.contains(secret))
        s.secrets << secret;
    // Masking a longer secret first keeps a shorter one inside it from
    // leaving its tail in the clear.
    std::sort(s.secrets.begin(), s.secrets.end(),
              [](const QString &a, const QString &b) { return a.size() > b.size(); });
}

void info(const QString &text)
{
    write("INFO ", text);
}

void warning(const QString &text)
{
    write("AVISO", text);
}

void error(const QString &text)
{
    write("ERRO ", text);
}

} // namespace qv::log
