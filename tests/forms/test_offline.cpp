// The database going away under an idle or working desk: the desk stays
// open, says so once, refuses every command while it waits, and resumes
// when the server answers again. The test server is really stopped and
// started again.
#include "FormHarness.h"
#include "ModalScript.h"
#include "Seed.h"

#include "DeskDriver.h"
#include "board/forms/Board.h"
#include "board/forms/MainForm.h"
#include "platform/Sql.h"
#include "platform/ui/Desk.h"
#include "platform/ui/UiService.h"
#include "tables/forms/TableChooser.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::test;

namespace {

// Starts the server again at the end of the scope, whatever the test did.
struct ServerBack
{
    ~ServerBack()
    {
        try {
            TestDatabase::startServer();
        } catch (...) {
        }
    }
};

class OfflineTest : public ::testing::Test
{
protected:
    void SetUp() override { h.standardSession(); }

    QLabel *banner() { return h.form().findChild<QLabel *>(QStringLiteral("Lb_SEMCONEXAO")); }
    int stopBoxes()
    {
        int count = 0;
        for (const Shown &m : h.ui().messages)
            count += m.style == style::kStop ? 1 : 0;
        return count;
    }

    FormHarness h;
};

TEST_F(OfflineTest, AnIdleDeskRidesOutARestartOfTheServer)
{
    MainForm &f = h.startOnDesk(1);
    const DeskDriver ui(f);
    const int rows = ui.Lv_Mesas->topLevelItemCount();
    ASSERT_GT(rows, 0);
    ASSERT_FALSE(banner()->isVisible());

    ServerBack back;
    TestDatabase::stopServer();
    // The 30-second tick finds the server gone.
    f.rebuildBoard();
    h.settleBoard();
    EXPECT_FALSE(f.closedDown());
    EXPECT_TRUE(f.offline());
    ASSERT_EQ(stopBoxes(), 1);
    EXPECT_TRUE(banner()->isVisible());
    EXPECT_TRUE(banner()->text().startsWith(QStringLiteral("Sem conexão com o banco de dados, tentando novamente…")));
    // The board keeps what it showed, marked stale.
    EXPECT_EQ(ui.Lv_Mesas->topLevelItemCount(), rows);
    EXPECT_FALSE(ui.Lv_Mesas->isEnabled());
    EXPECT_FALSE(DeskDriver(f).boardTimer()->isActive());

    // Every command waits, and says so; a failed try says nothing more.
    h.ui().messages.clear();
    QTest::keyClick(ui.Ed_CODIMES, Qt::Key_F2);
    h.typeTable(QStringLiteral("1201"));
    // The retry asks the server from the board's thread, so that a stalled
    // server never holds the screen: the call returns with the question in
    // flight, and its failure says nothing.
    f.tryReconnect();
    EXPECT_TRUE(DeskDriver(f).board().rebuilding());
    h.settleBoard();
    // One box for the burst of keys.
    ASSERT_EQ(h.ui().messages.size(), 1u) << h.texts().join(QStringLiteral(" | ")).toStdString();
    for (const Shown &m : h.ui().messages) {
        EXPECT_EQ(m.text, QStringLiteral("Sem conexão com o banco de dados, aguarde !!!"));
        EXPECT_EQ(m.style, style::kInformation);
    }
    EXPECT_EQ(f.currentTable(), 0);
    EXPECT_TRUE(f.offline());

    // The server answers again: the banner goes, the board is rebuilt and
    // refreshes on its own again, on the same desk.
    TestDatabase::startServer();
    h.ui().messages.clear();
    f.tryReconnect();
    h.settleBoard();
    EXPECT_FALSE(f.offline());
    EXPECT_FALSE(banner()->isVisible());
    EXPECT_TRUE(ui.Lv_Mesas->isEnabled());
    EXPECT_EQ(ui.Lv_Mesas->topLevelItemCount(), rows);
    EXPECT_TRUE(DeskDriver(f).boardTimer()->isActive());
    EXPECT_TRUE(h.ui().messages.empty());
    // The desk's own connection, which never saw the server go, works at
    // once.
    h.typeTable(QStringLiteral("1201"));
    EXPECT_EQ(f.currentTable(), 1201) << h.texts().join(QStringLiteral(" | ")).toStdString();
}

TEST_F(OfflineTest, AReadingThatLosesTheServerShowsNothingHalfReadAndWaits)
{
    MainForm &f = h.startOnDesk(1);
    ServerBack back;
    TestDatabase::stopServer();
    h.typeTable(QStringLiteral("1201"));
    EXPECT_FALSE(f.closedDown());
    EXPECT_TRUE(f.offline()) << h.texts().join(QStringLiteral(" | ")).toStdString();
    EXPECT_EQ(f.currentTable(), 0);
    EXPECT_EQ(DeskDriver(f).Lv_Itens->topLevelItemCount(), 0);
    EXPECT_EQ(stopBoxes(), 1);

    TestDatabase::startServer();
    f.tryReconnect();
    h.settleBoard();
    EXPECT_FALSE(f.offline());
    h.typeTable(QStringLiteral("1201"));
    EXPECT_EQ(f.currentTable(), 1201) << h.texts().join(QStringLiteral(" | ")).toStdString();
    EXPECT_GT(DeskDriver(f).Lv_Itens->topLevelItemCount(), 0);
}

TEST_F(OfflineTest, ACommandThatLosesTheServerTellsItsFailureAndTheDeskWaits)
{
    MainForm &f = h.showTable(QStringLiteral("1201"));
    const DeskDriver ui(f);
    const int items = ui.Lv_Itens->topLevelItemCount();
    ASSERT_GT(items, 0);
    f.activateWindow();
    (void)QTest::qWaitForWindowActive(&f, 2000);

    ServerBack back;
    TestDatabase::stopServer();
    // The fee switch fails: its own box, then the desk waits.
    QTest::keyClick(ui.Ed_CODIMES, Qt::Key_F8);
    EXPECT_EQ(stopBoxes(), 1) << h.texts().join(QStringLiteral(" | ")).toStdString();
    EXPECT_TRUE(f.offline());
    EXPECT_TRUE(banner()->isVisible());
    EXPECT_FALSE(f.closedDown());
    EXPECT_EQ(f.currentTable(), 1201);
    // Every other command waits for the server.
    h.ui().messages.clear();
    QTest::keyClick(ui.Ed_CODIMES, Qt::Key_F2);
    EXPECT_EQ(h.texts(), QStringList{QStringLiteral("Sem conexão com o banco de dados, aguarde !!!")});

    // Back: the banner goes and the table shown is read again.
    TestDatabase::startServer();
    h.db().run(QStringLiteral("DELETE FROM mov_MesaItem WHERE idItem=21"));
    h.ui().messages.clear();
    f.tryReconnect();
    h.settleBoard();
    EXPECT_FALSE(f.offline());
    EXPECT_FALSE(banner()->isVisible());
    EXPECT_EQ(f.currentTable(), 1201);
    EXPECT_EQ(ui.Lv_Itens->topLevelItemCount(), items - 1);
    EXPECT_TRUE(h.ui().messages.empty()) << h.texts().join(QStringLiteral(" | ")).toStdString();
}

TEST_F(OfflineTest, AProductLookupThatLosesTheServerKeepsTheFrameForATryAfterwards)
{
    MainForm &f = h.showTable(QStringLiteral("1201"));
    const DeskDriver ui(f);
    f.activateWindow();
    (void)QTest::qWaitForWindowActive(&f, 2000);
    QTest::keyClick(ui.Ed_CODIMES, Qt::Key_Insert);
    QWidget *code = QApplication::focusWidget();
    ASSERT_NE(code, nullptr);
    ASSERT_EQ(code->objectName(), QStringLiteral("Ed_CODIPROD"));

    ServerBack back;
    TestDatabase::stopServer();
    QTest::keyClicks(code, QStringLiteral("201"));
    QTest::keyClick(code, Qt::Key_Return);
    ASSERT_EQ(stopBoxes(), 1);
    EXPECT_TRUE(h.texts().constLast().endsWith(QStringLiteral("na leitura do produto !!!")))
        << h.texts().join(QStringLiteral(" | ")).toStdString();
    EXPECT_TRUE(f.offline());

    // The server back, the same Enter finds the product; the frame kept
    // what was typed.
    TestDatabase::startServer();
    f.tryReconnect();
    h.settleBoard();
    EXPECT_FALSE(f.offline());
    QWidget *field = f.findChild<QWidget *>(QStringLiteral("Ed_CODIPROD"));
    ASSERT_TRUE(field && field->isVisible());
    field->setFocus();
    QTest::keyClick(field, Qt::Key_Return);
    auto *description = f.findChild<QLineEdit *>(QStringLiteral("Ds_DESCRIC"));
    ASSERT_NE(description, nullptr);
    EXPECT_EQ(description->text().trimmed(), QStringLiteral("BATATA FRITA"));
}

TEST_F(OfflineTest, ThePositionChooserThatLosesTheServerLeavesTheDeskWaiting)
{
    MainForm &f = h.startOnDesk(1);
    ServerBack back;
    TestDatabase::stopServer();
    // The chooser reads the table once on screen; failing, it closes itself.
    // One left open is closed by the watchdog and counted.
    ModalScript<TableChooser> chooser({}, [](TableChooser &) { return false; });
    h.typeTable(QStringLiteral("12"));
    EXPECT_FALSE(chooser.leftOpen());
    EXPECT_EQ(h.texts(), QStringList{QStringLiteral("Erro na leitura das mesas !!!")});
    // The next key is answered at once instead of waiting out the timeout.
    EXPECT_TRUE(f.offline());
    EXPECT_TRUE(banner()->isVisible());
    EXPECT_EQ(f.currentTable(), 0);

    TestDatabase::startServer();
    f.tryReconnect();
    h.settleBoard();
    EXPECT_FALSE(f.offline());
}

} // namespace

// The desk's account refused mid-shift (its password changed on the
// server): told as such in the server's words, not as a server gone, and
// asked again ever more rarely until someone fixes it.
TEST_F(OfflineTest, AccessDeniedMidShiftIsToldAndTheRetriesBackOff)
{
    const QString user = QStringLiteral("qv_shift%1").arg(QCoreApplication::applicationPid());
    const auto sqlText = [&](const QString &text) { TestDatabase::client(QString(), text); };
    sqlText(QStringLiteral("CREATE OR REPLACE USER '%1'@'localhost' IDENTIFIED BY 'certa,1'").arg(user));
    sqlText(QStringLiteral("GRANT ALL ON %1.* TO '%2'@'localhost'").arg(h.db().name(), user));
    struct DropUser
    {
        QString user;
        ~DropUser()
        {
            TestDatabase::client(QString(), QStringLiteral("DROP USER IF EXISTS '%1'@'localhost'").arg(user));
        }
    } drop{user};
    Sql::Connection account;
    account.socket = TestDatabase::socket();
    account.user = user;
    account.password = QStringLiteral("certa,1");
    account.database = h.db().name();
    desk::sql().setConnection(account);

    MainForm &f = h.startOnDesk(1);
    ASSERT_FALSE(f.offline()) << h.texts().join(QStringLiteral(" | ")).toStdString();
    h.ui().messages.clear();

    // The password changes on the server and the desk's sessions end.
    sqlText(QStringLiteral("ALTER USER '%1'@'localhost' IDENTIFIED BY 'outra'").arg(user));
    const QStringList ids =
        TestDatabase::client(QString(),
                             QStringLiteral("SELECT ID FROM information_schema.PROCESSLIST WHERE USER='%1'").arg(user))
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &id : ids)
        sqlText(QStringLiteral("KILL %1").arg(id.trimmed()));

    f.rebuildBoard();
    h.settleBoard();
    ASSERT_TRUE(f.offline());
    ASSERT_EQ(stopBoxes(), 1) << h.texts().join(QStringLiteral(" | ")).toStdString();
    const QString told = h.ui().messages.back().text;
    EXPECT_TRUE(told.startsWith(QStringLiteral("Acesso negado pelo banco de dados"))) << told.toStdString();
    EXPECT_TRUE(told.contains(QStringLiteral("Access denied for user '%1'").arg(user))) << told.toStdString();
    EXPECT_TRUE(banner()->text().startsWith(QStringLiteral("Acesso negado pelo banco de dados")))
        << banner()->text().toStdString();
    EXPECT_FALSE(banner()->text().contains(QStringLiteral("Sem conexão")));

    // Every refusal doubles the pause, up to its cap; none says more.
    const int expected[] = {6000, 12000, 24000, 48000, 96000, 120000, 120000};
    EXPECT_EQ(f.retryIntervalMs(), expected[0]);
    for (std::size_t i = 1; i < std::size(expected); ++i) {
        f.tryReconnect();
        h.settleBoard();
        EXPECT_EQ(f.retryIntervalMs(), expected[i]) << i;
        EXPECT_TRUE(banner()->text().contains(QStringLiteral("nova tentativa em %1 s").arg(expected[i] / 1000)));
    }
    EXPECT_EQ(stopBoxes(), 1);

    // Fixed on the server: the next try brings the desk back, and the
    // pause is short again should the server go away later.
    sqlText(QStringLiteral("ALTER USER '%1'@'localhost' IDENTIFIED BY 'certa,1'").arg(user));
    f.tryReconnect();
    h.settleBoard();
    EXPECT_FALSE(f.offline());
    EXPECT_FALSE(banner()->isVisible());
    EXPECT_EQ(f.retryIntervalMs(), MainForm::kRetryMs);
}
