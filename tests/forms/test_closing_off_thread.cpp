#include "FormHarness.h"
#include "Seed.h"
#include "platform/ui/Desk.h"

#include "DeskDriver.h"
#include "board/forms/MainForm.h"
#include "data/Statements.h"
#include "modules/Payment.h"
#include "platform/SharedRecords.h"
#include "platform/Sql.h"
#include "platform/ui/Keys.h"
#include "platform/ui/UiService.h"
#include "session/Exchanges.h"

#include <QApplication>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::test;

// The sale's unit of work runs off the event thread: while it waits on the
// server the screen's timers fire, and the desk takes no key that could
// send a statement on its busy connection.
namespace {

// Desk 1 with position 15/01 on show, and another terminal's connection to
// the same database to hold a lock the desk's work then waits on.
class ClosingOffThread : public ::testing::Test
{
protected:
    void SetUp() override
    {
        h.standardSession();
        h.startOnDesk(1);
        h.typeTable(QStringLiteral("1501"));
        ASSERT_EQ(h.form().currentTable(), 1501);
        Sql::Connection c;
        c.socket = TestDatabase::socket();
        c.database = h.db().name();
        terminal.setConnection(c);
    }

    FormHarness h;
    Sql terminal;
};

} // namespace

TEST_F(ClosingOffThread, TheScreenRunsAndRefusesKeysWhileTheSaleIsWritten)
{
    DeskDriver ui(h.form());
    // The other terminal holds the position's row: the sale's first wave
    // waits for it until the screen's timer lets it go.

    struct Tick
    {
        bool fired = false;
        bool lent = false;
        QString fieldBefore, fieldAfter;
        bool released = false;
        QWidget *focusAfterShortcut = nullptr;
        bool closed = true;
    } tick;
    int payments = 0;
    FormRegistry::instance().add(QStringLiteral("99-Fennoc"), [&](QWidget *) {
        ++payments;
        EXPECT_TRUE(terminal.begin());
        EXPECT_TRUE(terminal.exec(stmt::kLockTable, {1501}).answered());
        QTimer::singleShot(300, [&] {
            tick.fired = true;
            tick.lent = desk::sqlLent();
            // A digit and F10 typed now reach nothing.
            tick.fieldBefore = ui.Ed_CODIMES->text();
            QTest::keyClick(ui.Ed_CODIMES, Qt::Key_7);
            QTest::keyClick(ui.Ed_CODIMES, Qt::Key_F10);
            // Nor does a shortcut of the window's own (the grouped items').
            QTest::keyClick(ui.Ed_CODIMES, Qt::Key_O, Qt::AltModifier);
            tick.focusAfterShortcut = QApplication::focusWidget();
            tick.fieldAfter = ui.Ed_CODIMES->text();
            // The title bar's close button does not end the program under it.
            tick.closed = h.form().close();
            tick.released = terminal.rollback();
        });
        records::W_TAB_RECEBIM().setText(QStringLiteral("01").leftJustified(350, QLatin1Char(' ')));
        records::L_LINK().setAt(312, 'S');
        return 1;
    });

    h.form().pressKey(vk::kF10);

    EXPECT_EQ(payments, 1);
    EXPECT_TRUE(tick.fired);
    EXPECT_TRUE(tick.lent);
    EXPECT_TRUE(tick.released);
    EXPECT_EQ(tick.fieldAfter, tick.fieldBefore);
    EXPECT_NE(tick.focusAfterShortcut, ui.Lv_Consol);
    EXPECT_FALSE(tick.closed);
    EXPECT_TRUE(h.form().isVisible());
    EXPECT_EQ(h.db().value(QStringLiteral("SELECT COUNT(*) FROM mov_Vendas")), QStringLiteral("1"));
    EXPECT_EQ(h.db().value(QStringLiteral("SELECT status FROM mov_Mesa WHERE idMesa=1501")), QStringLiteral("F"));
    EXPECT_EQ(h.form().currentTable(), 0);
    EXPECT_FALSE(desk::sqlLent());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    registerPayment();
}

// The checks before the payment (the position read again, the account
// claimed) run off the event thread too: a claim that waits on another
// connection's lock leaves the screen turning and its keys refused.
TEST_F(ClosingOffThread, TheChecksBeforeThePaymentRunOffTheEventThread)
{
    DeskDriver ui(h.form());
    // Another desk's claim in progress holds the gap where this desk's
    // claim goes: the claim waits until the timer lets it go.
    ASSERT_TRUE(terminal.begin());
    static const Layout kOpenedAt("claim", {FieldDef::C("horaAbertura", 8)});
    Record claim(kOpenedAt);
    ASSERT_TRUE(terminal.exec("SELECT horaAbertura FROM mov_MesaCobranca WHERE idMesa=? FOR UPDATE", {1501}, &claim)
                    .answered());

    bool fired = false, lent = false, released = false;
    QString fieldBefore, fieldAfter;
    QTimer::singleShot(300, [&] {
        fired = true;
        lent = desk::sqlLent();
        fieldBefore = ui.Ed_CODIMES->text();
        QTest::keyClick(ui.Ed_CODIMES, Qt::Key_7);
        QTest::keyClick(ui.Ed_CODIMES, Qt::Key_F10);
        fieldAfter = ui.Ed_CODIMES->text();
        released = terminal.rollback();
    });
    int payments = 0;
    FormRegistry::instance().add(QStringLiteral("99-Fennoc"), [&](QWidget *) {
        ++payments;
        // Handed over once the checks were back: the claim stored, the
        // table's total asked for.
        EXPECT_FALSE(desk::sqlLent());
        EXPECT_EQ(h.db().value(QStringLiteral("SELECT nrCaixa FROM mov_MesaCobranca WHERE idMesa=1501")),
                  QStringLiteral("1"));
        EXPECT_EQ(exchange::PaymentExchange::request().total.cents(), h.form().shown().totals.tableTotal.cents());
        exchange::PaymentExchange::answer({}); // no payment taken
        return 1;
    });

    h.form().pressKey(vk::kF10);

    EXPECT_TRUE(fired);
    EXPECT_TRUE(lent);
    EXPECT_TRUE(released);
    EXPECT_EQ(fieldAfter, fieldBefore);
    EXPECT_EQ(payments, 1);
    // No payment: the claim was given up, nothing was sold.
    EXPECT_EQ(h.db().value(QStringLiteral("SELECT COUNT(*) FROM mov_MesaCobranca")), QStringLiteral("0"));
    EXPECT_EQ(h.db().value(QStringLiteral("SELECT COUNT(*) FROM mov_Vendas")), QStringLiteral("0"));
    EXPECT_FALSE(desk::sqlLent());
    registerPayment();
}
