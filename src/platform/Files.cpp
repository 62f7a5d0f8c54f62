#include "platform/Files.h"

#include "platform/Config.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <thread>

namespace qv {

QString mapWindowsPath(const QString &windowsPath, const QString &root, const QString &drive)
{
    QString path = windowsPath;
    QString letter = drive.left(1).toUpper();
    if (path.size() >= 2 && path.at(1) == QLatin1Char(':')) {
        letter = path.left(1).toUpper();
        path = path.mid(2);
    }
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (!path.startsWith(QLatin1Char('/')))
        path.prepend(QLatin1Char('/'));
    return QDir::cleanPath(root + QLatin1Char('/') + letter + path);
}

QString mapWindowsPath(const QString &windowsPath)
{
    const Config &c = Config::current();
    return mapWindowsPath(windowsPath, c.root, c.drive);
}

namespace {

QString statusFromErrno(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR: return QString::fromLatin1(filestatus::kNotFound);
    case EACCES:
    case EPERM: return QString::fromLatin1(filestatus::kNoPermission);
    default: return QString::fromLatin1(filestatus::kFailure);
    }
}

// Closes a descriptor on every way out.
struct Fd
{
    int fd;
    explicit Fd(int f) : fd(f) {}
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

bool readAll(int fd, QByteArray &out)
{
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            return true;
        out.append(buffer, n);
    }
}

} // namespace

QString TextFile::openStatus(const QString &windowsPath)
{
    const QByteArray path = QFile::encodeName(mapWindowsPath(windowsPath));
    Fd f(::open(path.constData(), O_RDONLY));
    if (f.fd < 0)
        return statusFromErrno(errno);
    return QString::fromLatin1(filestatus::kOk);
}

QString TextFile::readFirstLine(const QString &windowsPath, QString &line)
{
    const QByteArray path = QFile::encodeName(mapWindowsPath(windowsPath));
    Fd f(::open(path.constData(), O_RDONLY));
    if (f.fd < 0)
        return statusFromErrno(errno);
    QByteArray data;
    if (!readAll(f.fd, data))
        return QString::fromLatin1(filestatus::kFailure);
    if (data.isEmpty())
        return QString::fromLatin1(filestatus::kEndOfFile);
    qsizetype end = data.indexOf('\n');
    if (end < 0)
        end = data.size();
    QByteArray first = data.left(end);
    if (first.endsWith('\r'))
        first.chop(1);
    line = QString::fromLatin1(first);
    return QString::fromLatin1(filestatus::kOk);
}

QString TextFile::writeOnlyLine(const QString &windowsPath, const QString &line)
{
    const QString mapped = mapWindowsPath(windowsPath);
    QDir().mkpath(QFileInfo(mapped).absolutePath());
    const QByteArray path = QFile::encodeName(mapped);
    Fd f(::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644));
    if (f.fd < 0)
        return statusFromErrno(errno);
    const QByteArray bytes = line.toLatin1() + "\r\n";
    if (::write(f.fd, bytes.constData(), size_t(bytes.size())) != bytes.size())
        return QString::fromLatin1(filestatus::kFailure);
    return QString::fromLatin1(filestatus::kOk);
}

KeyedFile::Read KeyedFile::read(const QString &windowsPath, char key, int recordLength, QByteArray &record)
{
    const QByteArray path = QFile::encodeName(mapWindowsPath(windowsPath));
    Fd f(::open(path.constData(), O_RDONLY));
    if (f.fd < 0)
        return Read::OpenFailed;
    // A shared lock taken without waiting: the cash-desk module holds a
    // write lock while it rewrites the record, and a half-written record
    // must not be read.
    struct flock lock
    {};
    lock.l_type = F_RDLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 0;
    if (::fcntl(f.fd, F_SETLK, &lock) != 0) {
        if (errno == EACCES || errno == EAGAIN)
            return Read::Locked;
        return Read::Failed;
    }
    QByteArray data;
    if (!readAll(f.fd, data))
        return Read::Failed;
    for (qsizetype at = 0; at + recordLength <= data.size(); at += recordLength) {
        if (data.at(at) == key) {
            record = data.mid(at, recordLength);
            return Read::Ok;
        }
    }
    // Missing key, short or garbled file.
    return Read::Failed;
}

QString KeyedFile::write(const QString &windowsPath, const QByteArray &record, int holdMs)
{
    const QString mapped = mapWindowsPath(windowsPath);
    QDir().mkpath(QFileInfo(mapped).absolutePath());
    const QByteArray path = QFile::encodeName(mapped);
    Fd f(::open(path.constData(), O_RDWR | O_CREAT, 0644));
    if (f.fd < 0)
        return statusFromErrno(errno);
    struct flock lock
    {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    if (::fcntl(f.fd, F_SETLKW, &lock) != 0)
        return QString::fromLatin1(filestatus::kFailure);
    QByteArray data;
    if (!readAll(f.fd, data))
        return QString::fromLatin1(filestatus::kFailure);
    const qsizetype length = record.size();
    qsizetype at = 0;
    while (at + length <= data.size() && data.at(at) != record.at(0))
        at += length;
    if (at + length > data.size()) {
        data.truncate(at); // drop a trailing partial record
        data.append(record);
    } else {
        data.replace(at, length, record);
    }
    if (::lseek(f.fd, 0, SEEK_SET) != 0 || ::ftruncate(f.fd, 0) != 0
        || ::write(f.fd, data.constData(), size_t(data.size())) != data.size())
        return QString::fromLatin1(filestatus::kFailure);
    ::fsync(f.fd);
    if (holdMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(holdMs));
    return QString::fromLatin1(filestatus::kOk);
}

} // namespace qv
