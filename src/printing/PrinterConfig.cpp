#include "printing/PrinterConfig.h"

#include "platform/Files.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace qv {

namespace {
QString quoted(const QString &value)
{
    return QLatin1Char('"') + value + QLatin1Char('"');
}

// Key, the run of spaces the readers count on, value; padded (or cut) to
// the record length.
QString record(const char *key, int spaces, const QString &value)
{
    return (QLatin1String(key) + QString(spaces, QLatin1Char(' ')) + value)
        .leftJustified(PrinterConfig::kLineLength, QLatin1Char(' '), true);
}

QString statusOf(QFileDevice::FileError error)
{
    return QString::fromLatin1(error == QFileDevice::PermissionsError ? filestatus::kNoPermission
                                                                      : filestatus::kFailure);
}
} // namespace

PrinterConfig::PrinterConfig(const QString &printerName) : m_driver(driverName(printerName)) {}

QString PrinterConfig::driverName(const QString &printerName)
{
    const QString name = printerName.left(kNameLength);
    const int cut = name.indexOf(QStringLiteral("  "));
    return cut < 0 ? name : name.left(cut);
}

QStringList PrinterConfig::lines() const
{
    return {
        QStringLiteral("* Velmorant Ltda - Tarvine").leftJustified(kLineLength, QLatin1Char(' ')),
        record("PRTID", 8, quoted(QStringLiteral("Impressão de Comanda"))),
        record("PRTDRV", 7, quoted(m_driver)),
        record("PRTFORM", 6, quoted(QStringLiteral("PO"))),
        record("FORMKIND", 6, QStringLiteral("C")),
        record("FORMSIZE", 6, QStringLiteral("A4")),
        record("PRTDIALOG", 5, QStringLiteral("N")),
        record("PREVIEW", 7, QStringLiteral("1")),
        record("FONTFACE", 5, quoted(QStringLiteral("Courier New"))),
    };
}

QByteArray PrinterConfig::bytes() const
{
    QByteArray all;
    all.reserve(kLineCount * (kLineLength + 2));
    for (const QString &line : lines())
        all += line.toLatin1() + "\r\n";
    return all;
}

QString PrinterConfig::write(const QString &windowsPath) const
{
    const QString mapped = mapWindowsPath(windowsPath);
    if (!QDir().mkpath(QFileInfo(mapped).absolutePath()))
        return QString::fromLatin1(filestatus::kFailure);
    QSaveFile file(mapped);
    if (!file.open(QIODevice::WriteOnly))
        return statusOf(file.error());
    const QByteArray contents = bytes();
    if (file.write(contents) != contents.size()) {
        const QString status = statusOf(file.error());
        file.cancelWriting();
        return status;
    }
    if (!file.commit())
        return statusOf(file.error());
    return QString::fromLatin1(filestatus::kOk);
}

} // namespace qv
