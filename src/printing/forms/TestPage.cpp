#include "printing/forms/TestPage.h"

#include "printing/PrinterConfig.h"

#include <QDir>
#include <QFont>
#include <QFontMetrics>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

namespace qv {

TestPage::TestPage(const QString &printerName, const QString &time)
    : m_printerName(printerName),
      m_printerGroup(
          printerName.left(PrinterConfig::kNameLength).leftJustified(PrinterConfig::kNameLength, QLatin1Char(' '))
          + QString(7, QLatin1Char(' '))),
      m_timeGroup(time.left(8).leftJustified(8, QLatin1Char(' ')))
{}

QStringList TestPage::lines() const
{
    return {
        QStringLiteral("Impressão de Comanda"),          QStringLiteral("TESTE DE IMPRESSORA"),  QString(),
        QStringLiteral("Impressora: ") + m_printerGroup, QStringLiteral("Hora: ") + m_timeGroup,
    };
}

QString TestPage::systemPrinterName(const QString &printerName)
{
    QString name = PrinterConfig::driverName(printerName);
    while (name.endsWith(QLatin1Char(' ')))
        name.chop(1);
    return name;
}

QString TestPage::pdfFileFor(const QString &folder, int code, const QString &printerName)
{
    // The name comes from the database: it must never reach outside the
    // folder (a "/" or "..") nor trip a file system over its characters.
    QString safe = systemPrinterName(printerName);
    for (QChar &c : safe) {
        const bool plain = (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
                           || (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
                           || (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('-');
        if (!plain)
            c = QLatin1Char('_');
    }
    if (safe.isEmpty())
        safe = QStringLiteral("sem_nome");
    return QDir(folder).filePath(
        QStringLiteral("teste-impressora-%1-%2.pdf").arg(code, 2, 10, QLatin1Char('0')).arg(safe));
}

TestPage::Outcome TestPage::print(int code, const QString &pdfFolder) const
{
    Outcome outcome;
    QPrinter printer(QPrinter::HighResolution);
    const QString system = systemPrinterName(m_printerName);
    if (!system.isEmpty() && !QPrinterInfo::printerInfo(system).isNull()) {
        printer.setPrinterName(system);
    } else {
        outcome.toPdf = true;
        outcome.pdfFile = pdfFileFor(pdfFolder, code, m_printerName);
        if (pdfFolder.isEmpty() || !QDir().mkpath(pdfFolder)) {
            outcome.error = QStringLiteral("pasta %1 indisponível").arg(pdfFolder);
            return outcome;
        }
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(outcome.pdfFile);
    }
    // The form the runtime was told to use: A4, Courier New.
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setDocName(QStringLiteral("Teste de impressora ") + system);

    QPainter painter;
    if (!painter.begin(&printer)) {
        outcome.error = outcome.toPdf ? QStringLiteral("não foi possível gravar %1").arg(outcome.pdfFile)
                                      : QStringLiteral("impressora %1 não aceitou a página").arg(system);
        return outcome;
    }
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setPointSize(12);
    painter.setFont(font);
    const QFontMetrics metrics = painter.fontMetrics();
    int y = metrics.ascent();
    for (const QString &line : lines()) {
        painter.drawText(0, y, line);
        y += metrics.lineSpacing();
    }
    if (!painter.end()) {
        outcome.error = outcome.toPdf ? QStringLiteral("não foi possível gravar %1").arg(outcome.pdfFile)
                                      : QStringLiteral("impressora %1 não aceitou a página").arg(system);
        return outcome;
    }
    outcome.printed = true;
    return outcome;
}

} // namespace qv
