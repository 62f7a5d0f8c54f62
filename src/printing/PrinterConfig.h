#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace qv {

// The printer configuration file "C:\Velmorant\Temp\FORMPRT.PRT" that the
// print runtime of the suite reads when a print file is opened: nine
// records of exactly 80 characters, Latin-1, each ended by CR LF. Only the
// "PRTDRV" line changes with the printer being tested; the other modules
// read the file as fixed columns, so quoted values start in column 14 and
// bare ones in column 15, whatever the key's length.
class PrinterConfig
{
public:
    static constexpr int kLineLength = 80;
    static constexpr int kLineCount = 9;
    // The longest printer name the file carries (tab_Impressoras.nome).
    static constexpr int kNameLength = 20;

    // `printerName` is the nome column as read, blank-padded or not.
    explicit PrinterConfig(const QString &printerName);

    // The driver name of a printer: its name up to the first two
    // consecutive spaces, at most 20 characters. Names are stored
    // blank-padded, so the padding is where most of them end.
    static QString driverName(const QString &printerName);

    const QString &driver() const { return m_driver; }
    // The nine records, each exactly 80 characters.
    QStringList lines() const;
    // The file's contents, byte for byte.
    QByteArray bytes() const;

    // Rewrites the file from scratch at its mapped place: "00" when it was
    // written, otherwise the file status of the failure ("37" no
    // permission, "30" anything else). The new contents replace the old in
    // one step, so a failure leaves the previous file whole.
    QString write(const QString &windowsPath) const;

private:
    QString m_driver;
};

} // namespace qv
