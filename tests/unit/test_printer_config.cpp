#include "TestSupport.h"

#include "platform/Files.h"
#include "printing/PrinterConfig.h"
#include "printing/forms/TestPage.h"
#include "session/Paths.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace qv;

namespace {

// One record of the file as the other modules read it: the text, blanks to
// 80 characters, CR LF.
QByteArray line(const char *text)
{
    QByteArray bytes = QString::fromUtf8(text).toLatin1();
    EXPECT_LE(bytes.size(), 80) << text;
    return bytes + QByteArray(80 - bytes.size(), ' ') + "\r\n";
}

QByteArray expectedFile(const char *driverLine)
{
    return line("* Velmorant Ltda - Tarvine") + line("PRTID        \"Impressão de Comanda\"") + line(driverLine)
           + line("PRTFORM      \"PO\"") + line("FORMKIND      C") + line("FORMSIZE      A4") + line("PRTDIALOG     N")
           + line("PREVIEW       1") + line("FONTFACE     \"Courier New\"");
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

} // namespace

TEST(PrinterConfig, FileIsNineRecordsOfEightyCharactersByteForByte)
{
    const QByteArray bytes = PrinterConfig(QStringLiteral("COZINHA             ")).bytes();
    EXPECT_EQ(bytes, expectedFile("PRTDRV       \"COZINHA\""));
    EXPECT_EQ(bytes.size(), 9 * 82);
    // "Impressão" is one byte in the suite's Latin-1 files.
    EXPECT_TRUE(bytes.contains("Impress\xe3o de Comanda"));
}

TEST(PrinterConfig, QuotedValuesStartInColumn14AndBareOnesIn15)
{
    const QStringList lines = PrinterConfig(QStringLiteral("BAR")).lines();
    ASSERT_EQ(lines.size(), 9);
    for (const QString &l : lines)
        EXPECT_EQ(l.size(), 80) << l.toStdString();
    for (int quoted : {1, 2, 3, 8})
        EXPECT_EQ(lines[quoted].indexOf(QLatin1Char('"')), 13) << lines[quoted].toStdString();
    for (int bare : {4, 5, 6, 7}) {
        EXPECT_EQ(lines[bare].at(13), QLatin1Char(' ')) << lines[bare].toStdString();
        EXPECT_NE(lines[bare].at(14), QLatin1Char(' ')) << lines[bare].toStdString();
    }
}

TEST(PrinterConfig, PrinterNameIsCutAtItsFirstDoubleSpace)
{
    EXPECT_EQ(PrinterConfig(QStringLiteral("COZINHA  NOVA       ")).bytes(), expectedFile("PRTDRV       \"COZINHA\""));
    EXPECT_EQ(PrinterConfig::driverName(QStringLiteral("BAR DA PISCINA      ")), QStringLiteral("BAR DA PISCINA"));
    // A name that fills its 20 characters has no padding to cut at.
    EXPECT_EQ(PrinterConfig(QStringLiteral("IMPRESSORA DO BAR 01")).bytes(),
              expectedFile("PRTDRV       \"IMPRESSORA DO BAR 01\""));
    // Never more than the column holds, and a single trailing blank is no
    // double space.
    EXPECT_EQ(PrinterConfig::driverName(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ")),
              QStringLiteral("ABCDEFGHIJKLMNOPQRST"));
    EXPECT_EQ(PrinterConfig::driverName(QStringLiteral("ABCDEFGHIJKLMNOPQRS ")),
              QStringLiteral("ABCDEFGHIJKLMNOPQRS "));
    EXPECT_EQ(PrinterConfig::driverName(QStringLiteral("  CAIXA")), QString());
}

TEST(PrinterConfig, WriteReplacesTheWholeFileEveryTime)
{
    test::TestFiles files;
    const QString windowsPath = QString::fromLatin1(paths::kFormPrt);
    const QString mapped = files.path(windowsPath);
    // A longer, stale file must not leave a tail behind.
    files.writeRaw(windowsPath, QByteArray(2000, 'x'));

    EXPECT_EQ(PrinterConfig(QStringLiteral("COZINHA")).write(windowsPath), QStringLiteral("00"));
    EXPECT_EQ(readAll(mapped), expectedFile("PRTDRV       \"COZINHA\""));
    EXPECT_EQ(PrinterConfig(QStringLiteral("CAIXA  2")).write(windowsPath), QStringLiteral("00"));
    EXPECT_EQ(readAll(mapped), expectedFile("PRTDRV       \"CAIXA\""));
}

TEST(PrinterConfig, WriteFailureIsReportedAsAFileStatus)
{
    test::TestFiles files;
    const QString windowsPath = QString::fromLatin1(paths::kFormPrt);
    // The file's place is taken by a folder: nothing can be written there.
    ASSERT_TRUE(QDir().mkpath(files.path(windowsPath)));
    EXPECT_EQ(PrinterConfig(QStringLiteral("BAR")).write(windowsPath), QStringLiteral("30"));
    EXPECT_TRUE(QFileInfo(files.path(windowsPath)).isDir());

    // A folder of the path that is a file.
    files.writeRaw(QStringLiteral("C:\\Velmorant\\Bloqueado"), "not a folder");
    EXPECT_EQ(PrinterConfig(QStringLiteral("BAR")).write(QStringLiteral("C:\\Velmorant\\Bloqueado\\FORMPRT.PRT")),
              QStringLiteral("30"));
}

TEST(TestPage, GroupsAndTextNameThePrinterAndTheTime)
{
    const TestPage page(QStringLiteral("COZINHA             "), QStringLiteral("20:15:31"));
    EXPECT_EQ(page.printerGroup(), QStringLiteral("COZINHA") + QString(20, QLatin1Char(' ')));
    EXPECT_EQ(page.printerGroup().size(), 27);
    EXPECT_EQ(page.timeGroup(), QStringLiteral("20:15:31"));
    const QStringList lines = page.lines();
    EXPECT_TRUE(lines.contains(QStringLiteral("Impressora: ") + page.printerGroup()));
    EXPECT_TRUE(lines.contains(QStringLiteral("Hora: 20:15:31")));
    EXPECT_TRUE(lines.contains(QStringLiteral("TESTE DE IMPRESSORA")));

    // A name longer than its column is cut like the column.
    EXPECT_EQ(TestPage(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ"), QStringLiteral("20:15:31")).printerGroup(),
              QStringLiteral("ABCDEFGHIJKLMNOPQRST       "));
}

TEST(TestPage, PdfFilesStayInTheirFolderWhateverThePrinterIsCalled)
{
    const QString folder = QStringLiteral("/tmp/pdfs");
    EXPECT_EQ(TestPage::pdfFileFor(folder, 1, QStringLiteral("COZINHA             ")),
              QStringLiteral("/tmp/pdfs/teste-impressora-01-COZINHA.pdf"));
    EXPECT_EQ(TestPage::pdfFileFor(folder, 12, QStringLiteral("../../etc/passwd")),
              QStringLiteral("/tmp/pdfs/teste-impressora-12-______etc_passwd.pdf"));
    EXPECT_EQ(TestPage::pdfFileFor(folder, 3, QStringLiteral("CAIXA 1  FUNDOS")),
              QStringLiteral("/tmp/pdfs/teste-impressora-03-CAIXA_1.pdf"));
    EXPECT_EQ(TestPage::pdfFileFor(folder, 4, QStringLiteral("  ")),
              QStringLiteral("/tmp/pdfs/teste-impressora-04-sem_nome.pdf"));
    EXPECT_EQ(TestPage::systemPrinterName(QStringLiteral("BAR DA PISCINA  X   ")), QStringLiteral("BAR DA PISCINA"));
}

TEST(TestPage, AnUnknownPrinterGetsItsPageAsPdf)
{
    QTemporaryDir dir;
    const QString folder = dir.path() + QStringLiteral("/novas/pdf");
    const TestPage page(QStringLiteral("QV-NAO-EXISTE-77"), QStringLiteral("21:05:09"));
    const TestPage::Outcome outcome = page.print(7, folder);
    ASSERT_TRUE(outcome.printed) << outcome.error.toStdString();
    EXPECT_TRUE(outcome.toPdf);
    EXPECT_EQ(outcome.pdfFile, folder + QStringLiteral("/teste-impressora-07-QV-NAO-EXISTE-77.pdf"));
    EXPECT_TRUE(readAll(outcome.pdfFile).startsWith("%PDF"));

    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty())
        GTEST_SKIP() << "pdftotext not installed: the page text was not read back";
    QProcess reader;
    reader.start(pdftotext, {outcome.pdfFile, QStringLiteral("-")});
    ASSERT_TRUE(reader.waitForFinished(30000));
    const QString text = QString::fromUtf8(reader.readAllStandardOutput());
    EXPECT_TRUE(text.contains(QStringLiteral("QV-NAO-EXISTE-77"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("21:05:09"))) << text.toStdString();
}

TEST(TestPage, AFolderThatCannotBeMadeIsAFailureNotAPage)
{
    QTemporaryDir dir;
    QFile blocker(dir.path() + QStringLiteral("/arquivo"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const TestPage::Outcome outcome = TestPage(QStringLiteral("QV-NAO-EXISTE-77"), QStringLiteral("21:05:09"))
                                          .print(1, blocker.fileName() + QStringLiteral("/pdf"));
    EXPECT_FALSE(outcome.printed);
    EXPECT_FALSE(outcome.error.isEmpty());
}
