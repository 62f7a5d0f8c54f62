#include "platform/Files.h"
#include "session/CashDesk.h"
#include "session/Paths.h"

#include "TestSupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

using namespace qv;

TEST(Files, WindowsPathsMapUnderTheRoot)
{
    EXPECT_EQ(
        mapWindowsPath(QStringLiteral("C:\\Velmorant\\Temp\\Variaveis.txt"), QStringLiteral("/r"), QStringLiteral("C")),
        QStringLiteral("/r/C/Velmorant/Temp/Variaveis.txt"));
    // A path without a drive is on the current drive.
    EXPECT_EQ(mapWindowsPath(QStringLiteral("\\Velmorant\\TARVINE\\Arquivos\\CAIXACT.PAD"), QStringLiteral("/r"),
                             QStringLiteral("D")),
              QStringLiteral("/r/D/Velmorant/TARVINE/Arquivos/CAIXACT.PAD"));
    EXPECT_EQ(mapWindowsPath(QStringLiteral("e:\\x.txt"), QStringLiteral("/r"), QStringLiteral("C")),
              QStringLiteral("/r/E/x.txt"));
}

TEST(Files, TextFileFirstLine)
{
    test::TestFiles files;
    const QString name = QStringLiteral("C:\\Velmorant\\Temp\\t.txt");
    QString line;
    EXPECT_EQ(TextFile::readFirstLine(name, line), QStringLiteral("35"));
    EXPECT_EQ(TextFile::openStatus(name), QStringLiteral("35"));
    files.writeRaw(name, QByteArray());
    EXPECT_EQ(TextFile::openStatus(name), QStringLiteral("00"));
    EXPECT_EQ(TextFile::readFirstLine(name, line), QStringLiteral("10"));
    files.writeRaw(name, "first line\r\nsecond\r\n");
    EXPECT_EQ(TextFile::readFirstLine(name, line), QStringLiteral("00"));
    EXPECT_EQ(line, QStringLiteral("first line"));
    EXPECT_EQ(TextFile::writeOnlyLine(name, QStringLiteral("COZINHA")), QStringLiteral("00"));
    EXPECT_EQ(TextFile::readFirstLine(name, line), QStringLiteral("00"));
    EXPECT_EQ(line, QStringLiteral("COZINHA"));
}

TEST(Files, KeyedRecordReadTellsMissingLockedAndGarbledApart)
{
    test::TestFiles files;
    const QString name = QString::fromLatin1(paths::kCaixaCt);
    QByteArray record;
    EXPECT_EQ(KeyedFile::read(name, '1', 445, record), KeyedFile::Read::OpenFailed);

    CashDeskRecord r;
    r.setEntry(1, 0, 'A', QStringLiteral("01012026"), QStringLiteral("11:00:00"));
    ASSERT_EQ(KeyedFile::write(name, r.bytes()), QStringLiteral("00"));
    ASSERT_EQ(KeyedFile::read(name, '1', 445, record), KeyedFile::Read::Ok);
    EXPECT_EQ(record, r.bytes());
    // Rewriting replaces the record instead of adding another.
    r.setEntry(2, 0, 'A', QStringLiteral("01012026"), QStringLiteral("18:00:00"));
    ASSERT_EQ(KeyedFile::write(name, r.bytes()), QStringLiteral("00"));
    EXPECT_EQ(QFile(files.path(name)).size(), 445);

    files.writeRaw(name, r.bytes().left(300));
    EXPECT_EQ(KeyedFile::read(name, '1', 445, record), KeyedFile::Read::Failed);
    files.writeRaw(name, QByteArray(445, 'x'));
    EXPECT_EQ(KeyedFile::read(name, '1', 445, record), KeyedFile::Read::Failed);
    ASSERT_EQ(KeyedFile::write(name, r.bytes()), QStringLiteral("00"));

    // The cash-desk module holding its write lock while it writes: the
    // reader reports it at once instead of waiting.
    auto writer = files.holdCashDeskLock(2500);
    EXPECT_EQ(KeyedFile::read(name, '1', 445, record), KeyedFile::Read::Locked);
    ASSERT_TRUE(writer->waitForFinished(10000));
    EXPECT_EQ(writer->exitCode(), 0);
    ASSERT_EQ(KeyedFile::read(name, '1', 445, record), KeyedFile::Read::Ok);
    // The tool changed desk 2 of lunch and kept the rest of the record.
    auto written = CashDeskRecord::fromBytes(record);
    ASSERT_TRUE(written);
    EXPECT_TRUE(written->entry(1, 2).isOpen());
    EXPECT_TRUE(written->entry(2, 0).isOpen());
}
