// The database going away under an idle or working desk: the desk stays
// open, says so once, refuses every command while it waits, and resumes
// when the server answers again. The test server is really stopped and
// started again.
#include "FormHarness.h"
#include "ModalScript.h"
#include "Seed.h"

#include "board/forms/Board.h"
#include "board/forms/MainForm.h"
#include "platform/ui/UiService.h"
#include "tables/forms/TableChooser.h"
#include "ui_MainForm.h"

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
    auto &ui = f.ui();
    const int rows = ui.Lv_Mesas->topLevelItemCount();
    ASSERT_GT(rows, 0);
    ASSERT_FALSE(banner()->isVisible());

    ServerBack back;
    TestDatabase::stopServer();
    // The 30-second tick finds the server gone.
    f.dispatch(QStringLiteral("MESAS"));
    h.settleBoard();
    EXPECT_FALSE(f.closedDown());
    EXPECT_TRUE(f.offline());
    ASSERT_EQ(stopBoxes(), 1);
    EXPECT_TRUE(banner()->isVisible());
    EXPECT_TRUE(banner()->text().startsWith(QStringLiteral("Sem conexão com o banco de dados, tentando novamente…")));
    // The board keeps what it showed, marked stale.
    EXPECT_EQ(ui.Lv_Mesas->topLevelItemCount(), rows);
    EXPECT_FALSE(ui.Lv_Mesas->isEnabled());
    EXPECT_FALSE(f.Cm_TimerMesas->isActive());

    // Every command waits, and says so; a failed try says nothing more.
    h.ui().messages.clear();
    QTest::keyClick(ui.Ed_CODIMES, Qt::Key_F2);
    h.typeTable(QStringLiteral("1201"));
    // The retry asks the server from the board's thread, so that a stalled
    // server never holds the screen: the call returns with the question in
    // flight, and its failure says nothing.
    f.tryReconnect();
    EXPECT_TRUE(f.board().rebuilding());
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
    EXPECT_TRUE(f.Cm_TimerMesas->isActive());
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
    EXPECT_EQ(f.ui().Lv_Itens->topLevelItemCount(), 0);
    EXPECT_EQ(stopBoxes(), 1);

    TestDatabase::startServer();
    f.tryReconnect();
    h.settleBoard();
    EXPECT_FALSE(f.offline());
    h.typeTable(QStringLiteral("1201"));
    EXPECT_EQ(f.currentTable(), 1201) << h.texts().join(QStringLiteral(" | ")).toStdString();
    EXPECT_GT(f.ui().Lv_Itens->topLevelItemCount(), 0);
}

TEST_F(OfflineTest, ACommandThatLosesTheServerTellsItsFailureAndTheDeskWaits)
{
    MainForm &f = h.showTable(QStringLiteral("1201"));
    auto &ui = f.ui();
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
    auto &ui = f.ui();
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
