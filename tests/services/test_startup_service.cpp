// The desk's start without any form: what ABRAR reads and where it stops.
#include "platform/SharedRecords.h"
#include "platform/Sql.h"
#include "platform/ui/Desk.h"
#include "session/Paths.h"
#include "session/Session.h"
#include "session/Startup.h"

#include "TestSupport.h"

#include <QDate>

#include <functional>

#include <gtest/gtest.h>

namespace qv::test {
namespace {

using Stop = StartupResult::Stop;

StartupResult runStartup()
{
    return StartupService(desk::sql(), desk::session()).ABRAR();
}

// A fresh session: operator 1 logged in, no shared record left over.
class StartupServiceTest : public ::testing::Test
{
protected:
    StartupServiceTest()
    {
        SharedRecord::resetAll();
        desk::session().reset();
        files.login(1, QStringLiteral("MARIANA SOUZA"));
    }

    TestDatabase db{true};
    TestFiles files;
};

TEST_F(StartupServiceTest, ReadsEverythingTheDeskNeedsAndWarnsOfAPeriodLeftOpen)
{
    const QString yesterday = QDate::currentDate().addDays(-1).toString(QStringLiteral("ddMMyyyy"));
    files.openPeriod(1, {1}, yesterday);
    files.openPeriod(2, {1, 3});
    const StartupResult found = runStartup();
    ASSERT_TRUE(found.ok()) << found.message.toStdString();
    ASSERT_EQ(found.warnings.size(), 1);
    EXPECT_TRUE(found.warnings[0].contains(QDate::currentDate().addDays(-1).toString(QStringLiteral("dd/MM/yyyy"))));
    Session &session = desk::session();
    EXPECT_EQ(session.period(), 2); // dinner wins
    EXPECT_TRUE(session.deskOpen(3));
    EXPECT_FALSE(session.deskOpen(2));
    EXPECT_FALSE(session.operators().empty());
    EXPECT_FALSE(session.reasons().empty());
    EXPECT_FALSE(session.observations().empty());
    EXPECT_EQ(session.operatorCode(), 1);
}

TEST(StartupService, StopsAtTheFirstStepThatFails)
{
    const struct
    {
        const char *name;
        std::function<void(TestFiles &, TestDatabase &)> spoil;
        Stop stop;
        const char *message;
    } cases[] = {
        {"no variables", [](TestFiles &f, TestDatabase &) { f.writeRaw(QString::fromLatin1(paths::kVariaveis), {}); },
         Stop::Variables, "Erro na passagem de parametros !!!"},
        {"garbled cash-desk file",
         [](TestFiles &f, TestDatabase &) { f.writeRaw(QString::fromLatin1(paths::kCaixaCt), QByteArray(200, 'A')); },
         Stop::CashDesk, "Erro na leitura do arquivo de caixas !!!"},
        {"no observations",
         [](TestFiles &, TestDatabase &d) {
             d.run(QStringLiteral("RENAME TABLE tab_Observacao TO tab_Observacao_old"));
         },
         Stop::Observations, "Erro na leitura das observações !!!"},
    };
    for (const auto &c : cases) {
        TestDatabase fresh{true};
        TestFiles session;
        SharedRecord::resetAll();
        desk::session().reset();
        session.login(1, QStringLiteral("MARIANA SOUZA"));
        session.openPeriod(2, {1});
        c.spoil(session, fresh);
        const StartupResult found = runStartup();
        EXPECT_EQ(found.stop, c.stop) << c.name;
        EXPECT_EQ(found.message, QString::fromUtf8(c.message)) << c.name;
        if (c.stop == Stop::Observations) {
            EXPECT_EQ(found.database.state(), QStringLiteral("42S02")) << c.name;
        }
    }
}

TEST_F(StartupServiceTest, AnUnreachableServerStopsAtTodaysDateWithTheServersAnswer)
{
    files.openPeriod(2, {1});
    Sql::Connection c;
    c.socket = QStringLiteral("/nonexistent/socket");
    desk::sql().setConnection(c);
    const StartupResult found = runStartup();
    EXPECT_EQ(found.stop, Stop::Database);
    EXPECT_TRUE(found.database.failed());
    EXPECT_FALSE(found.database.state().isEmpty());
}

} // namespace
} // namespace qv::test
