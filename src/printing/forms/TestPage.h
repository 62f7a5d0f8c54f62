#pragma once

#include <QString>
#include <QStringList>

namespace qv {

// The printer test page: which printer printed it and when, so the cashier
// can tell the pages of a "Todas" test apart at the printers.
class TestPage
{
public:
    // `printerName` as read from tab_Impressoras; `time` HH:MM:SS from the
    // server (its CURTIME()).
    TestPage(const QString &printerName, const QString &time);

    // The two groups of the print file: "CN12" the printer name (20
    // characters followed by 7 spaces) and "HORA" the time (8 characters).
    const QString &printerGroup() const { return m_printerGroup; }
    const QString &timeGroup() const { return m_timeGroup; }
    // The text of the page, line by line, as it is printed.
    QStringList lines() const;

    // Where the page went.
    struct Outcome
    {
        bool printed = false; // false: nothing came out, see `error`
        bool toPdf = false;   // no system printer of that name
        QString pdfFile;      // the file written when toPdf
        QString error;        // why nothing came out
    };

    // The system printer that the page goes to: the driver name of the
    // configuration file, without trailing blanks.
    static QString systemPrinterName(const QString &printerName);
    // Where the page of printer code `code` goes when the system has no
    // printer of that name: one file per printer code in `folder`, named
    // after the printer with anything unsafe for a file name replaced.
    static QString pdfFileFor(const QString &folder, int code, const QString &printerName);

    // Prints the page on the system printer of that name; when there is
    // none, into the PDF file of pdfFileFor(). Qt would silently send a
    // page for an unknown printer name to the default printer, so the name
    // is looked up first.
    Outcome print(int code, const QString &pdfFolder) const;

private:
    QString m_printerName;
    QString m_printerGroup;
    QString m_timeGroup;
};

} // namespace qv
