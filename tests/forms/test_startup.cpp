#include "FormHarness.h"
#include "platform/ui/Desk.h"

#include "DeskDriver.h"
#include "platform/SharedRecords.h"
#include "platform/Sql.h"
#include "session/Paths.h"
#include "session/Session.h"

#include <QApplication>
#include <QDate>
#include <QTest>

#include <gtest/gtest.h>

using namespace qv;
using test::DeskDriver;
using test::FormHarness;

namespace {
const QString kVariaveis = QString::fromLatin1(paths::kVariaveis);
const QString kCaixaCt = QString::fromLatin1(paths::kCaixaCt);
const QString kImprMes = QString::fromLatin1(paths::kImprMes);

// Start-up must fail with exactly this one error box and close the form.
void expectFailure(FormHarness &h, const QString &message)
{
    h.start();
    EXPECT_TRUE(h.form().closedDown());
    EXPECT_EQ(h.form().exitStatus(), MainForm::kStartupFailed);
    ASSERT_FALSE(h.ui().messages.empty());
    EXPECT_EQ(h.ui().messages.back().text, message);
    EXPECT_EQ(h.ui().messages.back().style, style::kStop);
    EXPECT_FALSE(DeskDriver(h.form()).boardTimer()->isActive());
}
} // namespace

TEST(StartupFailures, SharedVariablesFileMissing)
{
    FormHarness h;
    h.files().openPeriod(2, {1});
    expectFailure(h, QStringLiteral("Erro 35 na abertura C:\\Velmorant\\Temp\\VARIAVEIS.TXT !!!"));
}

TEST(StartupFailures, SharedVariablesFileEmpty)
{
    FormHarness h;
    h.files().openPeriod(2, {1});
    h.files().writeRaw(kVariaveis, QByteArray());
    expectFailure(h, QStringLiteral("Erro na passagem de parametros !!!"));
}

TEST(StartupFailures, CashDeskFileMissing)
{
    FormHarness h;
    h.files().login(1, QStringLiteral("MARIANA SOUZA"));
    expectFailure(h, QStringLiteral("Erro na abertura dos caixas !!!"));
}

TEST(StartupFailures, CashDeskRecordLocked)
{
    FormHarness h;
    h.standardSession();
    auto holder = h.files().holdCashDeskLock(3000);
    expectFailure(h, QStringLiteral("Arquivo dos caixas sendo acessado !!!"));
    holder->waitForFinished(10000);
}

TEST(StartupFailures, CashDeskRecordGarbled)
{
    FormHarness h;
    h.files().login(1, QStringLiteral("MARIANA SOUZA"));
    h.files().writeRaw(kCaixaCt, QByteArray(200, 'A'));
    expectFailure(h, QStringLiteral("Erro na leitura do arquivo de caixas !!!"));
}

TEST(StartupFailures, ObservationListUnreadable)
{
    FormHarness h;
    h.standardSession();
    h.db().run(QStringLiteral("RENAME TABLE tab_Observacao TO tab_Observacao_old"));
    expectFailure(h, QStringLiteral("Erro na leitura das observações !!!"));
    ASSERT_EQ(h.ui().consoleLines.size(), 4);
    EXPECT_EQ(h.ui().consoleLines[0], QString(40, QLatin1Char('-')));
    EXPECT_EQ(h.ui().consoleLines[1], QStringLiteral("Mesa - Erro lendo observações"));
    EXPECT_EQ(h.ui().consoleLines[2], QStringLiteral("42S02"));
    EXPECT_TRUE(h.ui().consoleLines[3].contains(QStringLiteral("tab_Observacao")));
}

TEST(StartupFailures, DatabaseUnreachableIsReported)
{
    FormHarness h;
    h.standardSession();
    Sql::Connection c;
    c.socket = QStringLiteral("/nonexistent/socket");
    desk::sql().setConnection(c);
    h.start();
    EXPECT_TRUE(h.form().closedDown());
    ASSERT_GE(h.ui().messages.size(), 1u);
    EXPECT_TRUE(h.ui().messages.front().text.contains(QStringLiteral("banco de dados")));
}

TEST(Startup, BothPeriodsOpenMeansDinner)
{
    FormHarness h;
    h.files().login(1, QStringLiteral("MARIANA SOUZA"));
    h.files().openPeriod(1, {1, 2, 3, 4, 5});
    h.files().openPeriod(2, {1, 4});
    MainForm &f = h.start();
    ASSERT_FALSE(f.closedDown());
    EXPECT_TRUE(h.ui().messages.empty()) << h.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(records::W_NRTURNO().digits(), 2u);
    EXPECT_EQ(DeskDriver(f).Ds_TURNO->text(), QStringLiteral("2 - Jantar"));
    // The buttons follow the dinner desks, not the lunch ones.
    EXPECT_TRUE(DeskDriver(f).Bt_CX1->isEnabled());
    EXPECT_FALSE(DeskDriver(f).Bt_CX2->isEnabled());
    EXPECT_FALSE(DeskDriver(f).Bt_CX3->isEnabled());
    EXPECT_TRUE(DeskDriver(f).Bt_CX4->isEnabled());
    EXPECT_FALSE(DeskDriver(f).Bt_CX5->isEnabled());
    EXPECT_TRUE(DeskDriver(f).Frm_Escolhe->isVisible());
    EXPECT_FALSE(DeskDriver(f).Frm_Aguarde->isVisible());
    EXPECT_EQ(DeskDriver(f).Cb_STATUSM->currentText(), QStringLiteral("Em Andamento"));
    EXPECT_EQ(DeskDriver(f).Cb_STATUSM->count(), 7);
    // Nothing on the board before a desk is chosen, and no timer.
    EXPECT_EQ(DeskDriver(f).Lv_Mesas->topLevelItemCount(), 0);
    EXPECT_FALSE(DeskDriver(f).boardTimer()->isActive());
    // The focus waits on the cash-desk choice, never on the exit.
    EXPECT_EQ(QApplication::focusWidget(), DeskDriver(f).Bt_CX1);
    EXPECT_EQ(desk::session().operators().size(), 14u); // operator 10 is excluded
    EXPECT_EQ(DeskDriver(f).Cb_Operador->count(), 14);
}

TEST(Startup, TheTitleNamesTheProgramOnce)
{
    // main() makes this the display name too, so Qt appends nothing to it.
    FormHarness h;
    h.standardSession();
    EXPECT_EQ(h.start().windowTitle(), QStringLiteral("Quorvel · Caixa de Mesas"));
}

TEST(Startup, PeriodOpenedYesterdayWarnsAndGoesOn)
{
    FormHarness h;
    h.files().login(1, QStringLiteral("MARIANA SOUZA"));
    const QDate yesterday = QDate::currentDate().addDays(-1);
    h.files().openPeriod(1, {1}, yesterday.toString(QStringLiteral("ddMMyyyy")));
    MainForm &f = h.start();
    ASSERT_FALSE(f.closedDown());
    ASSERT_EQ(h.ui().messages.size(), 1u);
    EXPECT_EQ(h.ui().messages[0].text, QStringLiteral("Caixa aberto em ")
                                           + yesterday.toString(QStringLiteral("dd/MM/yyyy"))
                                           + QStringLiteral(", precisa ser fechado !!!"));
    EXPECT_EQ(h.ui().messages[0].style, style::kInformation);
    EXPECT_EQ(DeskDriver(f).Ds_TURNO->text(), QStringLiteral("1 - Almoço"));
    EXPECT_TRUE(DeskDriver(f).Bt_CX1->isEnabled());
}

TEST(Startup, TheWarningShowsAloneAndTheChoiceAfterIt)
{
    FormHarness h;
    h.files().login(1, QStringLiteral("MARIANA SOUZA"));
    h.files().openPeriod(1, {1}, QDate::currentDate().addDays(-1).toString(QStringLiteral("ddMMyyyy")));
    bool waitShown = true;
    bool choiceShown = true;
    h.ui().onMessage = [&](const QString &) {
        waitShown = DeskDriver(h.form()).Frm_Aguarde->isVisible();
        choiceShown = DeskDriver(h.form()).Frm_Escolhe->isVisible();
    };
    MainForm &f = h.start();
    ASSERT_EQ(h.ui().messages.size(), 1u);
    // While the warning is up, neither the connection notice nor the
    // buttons are behind it; after it, the buttons and nothing over them.
    EXPECT_FALSE(waitShown);
    EXPECT_FALSE(choiceShown);
    EXPECT_TRUE(DeskDriver(f).Frm_Escolhe->isVisible());
    EXPECT_FALSE(DeskDriver(f).Frm_Aguarde->isVisible());
}

TEST(Startup, SpaceOrEnterRightAfterStartUpChoosesTheFirstOpenDesk)
{
    for (Qt::Key key : {Qt::Key_Space, Qt::Key_Return}) {
        FormHarness h;
        h.files().login(1, QStringLiteral("MARIANA SOUZA"));
        h.files().openPeriod(2, {2, 3});
        MainForm &f = h.start();
        f.activateWindow();
        (void)QTest::qWaitForWindowActive(&f, 2000);
        ASSERT_EQ(QApplication::focusWidget(), DeskDriver(f).Bt_CX2);
        h.ui().answer(answer::kNo); // not desk 1: asked, and kept
        QTest::keyClick(QApplication::focusWidget(), key);
        EXPECT_FALSE(f.closedDown());
        ASSERT_EQ(h.ui().messages.size(), 1u);
        EXPECT_EQ(h.ui().messages[0].text, QStringLiteral("Você não escolheu o CAIXA 1, tem certeza ?"));
        EXPECT_TRUE(DeskDriver(f).Frm_Escolhe->isVisible());
    }
}

TEST(Startup, NeitherPeriodOpenEnablesNoDeskAndTheCheckSaysClosed)
{
    FormHarness h;
    h.files().login(1, QStringLiteral("MARIANA SOUZA"));
    h.files().openPeriod(2, {1, 2});
    h.files().closePeriod(2);
    MainForm &f = h.start();
    ASSERT_FALSE(f.closedDown());
    for (QAbstractButton *b : DeskDriver(f).Bt_CX->buttons())
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
    // The frame says why there is nothing to choose; leaving is what is left.
    EXPECT_TRUE(DeskDriver(f).Frm_Escolhe->isVisible());
    EXPECT_EQ(DeskDriver(f).Lb_EscolheDica->text(),
              QStringLiteral("Nenhum período aberto (almoço ou jantar): abra o período e acesse novamente\u00A0!!!"));
    EXPECT_EQ(QApplication::focusWidget(), DeskDriver(f).Bt_Sair);
    // Were a desk digit set anyway, the first reading closes the form.
    records::W_NRCAIXA().setDigits(1);
    EXPECT_FALSE(f.sessionStillOpen());
    EXPECT_EQ(h.texts().last(), QStringLiteral("Periodo fechado, acesse novamente !!!"));
    EXPECT_TRUE(f.closedDown());
}

TEST(DeskChoice, DeskOneAsksNothing)
{
    FormHarness h;
    h.standardSession();
    MainForm &f = h.startOnDesk(1);
    EXPECT_TRUE(h.ui().messages.empty()) << h.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(records::W_NRCAIXA().digits(), 1u);
    EXPECT_FALSE(DeskDriver(f).Frm_Escolhe->isVisible());
    EXPECT_TRUE(DeskDriver(f).boardTimer()->isActive());
    EXPECT_EQ(DeskDriver(f).Ds_CAIXA->text(), QStringLiteral("1"));
    EXPECT_EQ(DeskDriver(f).Ds_PERIODO->text(), QStringLiteral("Jantar"));
    EXPECT_EQ(DeskDriver(f).Ds_OPERADOR->text(), QStringLiteral("MARIANA SOUZA"));
    EXPECT_EQ(DeskDriver(f).Ds_DTCAIXA->text(), QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy")));
    EXPECT_EQ(records::W_CABEDAT().text(), test::todayDDMMYYYY());
    EXPECT_EQ(records::W_PABEHOR().text(), QStringLiteral("18:00:00"));
    EXPECT_EQ(records::W_CABEHOR().text(), QStringLiteral("18:05:00"));
    EXPECT_GT(DeskDriver(f).Lv_Mesas->topLevelItemCount(), 0);
    EXPECT_EQ(QApplication::focusWidget(), DeskDriver(f).Ed_CODIMES);
}

TEST(DeskChoice, OtherDeskAsksAndNoKeepsTheChoice)
{
    FormHarness h;
    h.standardSession();
    MainForm &f = h.start();
    h.ui().answer(answer::kNo);
    QTest::mouseClick(DeskDriver(f).Bt_CX3, Qt::LeftButton);
    ASSERT_EQ(h.ui().messages.size(), 1u);
    EXPECT_EQ(h.ui().messages[0].text, QStringLiteral("Você não escolheu o CAIXA 1, tem certeza ?"));
    EXPECT_EQ(h.ui().messages[0].style, style::kAsk | style::kDefaultButton2);
    EXPECT_TRUE(DeskDriver(f).Frm_Escolhe->isVisible());
    EXPECT_EQ(records::W_NRCAIXA().digits(), 0u);
    EXPECT_FALSE(DeskDriver(f).boardTimer()->isActive());

    h.ui().answer(answer::kYes);
    QTest::mouseClick(DeskDriver(f).Bt_CX3, Qt::LeftButton);
    EXPECT_EQ(records::W_NRCAIXA().digits(), 3u);
    EXPECT_FALSE(DeskDriver(f).Frm_Escolhe->isVisible());
}

TEST(DeskChoice, SavedPrinterIsSelectedAndRewritten)
{
    FormHarness h;
    h.standardSession();
    h.files().writeRaw(kImprMes, "BAR                 \r\n");
    MainForm &f = h.start();
    EXPECT_EQ(DeskDriver(f).Cb_IMPRE->currentText().trimmed(), QStringLiteral("BAR"));
    DeskDriver(f).Cb_IMPRE->setCurrentIndex(0);
    QTest::mouseClick(DeskDriver(f).Bt_CX1, Qt::LeftButton);
    QString line;
    ASSERT_EQ(TextFile::readFirstLine(kImprMes, line), QStringLiteral("00"));
    EXPECT_EQ(line, QStringLiteral("COZINHA").leftJustified(20));
}

TEST(DeskChoice, UnknownSavedPrinterLeavesNoSelection)
{
    FormHarness h;
    h.standardSession();
    h.files().writeRaw(kImprMes, "NO SUCH PRINTER     \r\n");
    MainForm &f = h.start();
    EXPECT_EQ(DeskDriver(f).Cb_IMPRE->currentIndex(), -1);
    EXPECT_EQ(DeskDriver(f).Cb_IMPRE->count(), 3);
    EXPECT_TRUE(h.ui().messages.empty()) << h.texts().join(QLatin1Char('|')).toStdString();
}

TEST(Rights, ButtonsFollowTheLoggedInOperator)
{
    {
        FormHarness h;
        h.files().login(12, QStringLiteral("ANDRE MARTINS")); // direito5 but not direito7
        h.files().openPeriod(2, {1});
        MainForm &f = h.start();
        EXPECT_TRUE(DeskDriver(f).Bt_GEREN->isEnabled());
        EXPECT_FALSE(DeskDriver(f).Bt_MFECH->isEnabled());
        EXPECT_FALSE(DeskDriver(f).Bt_COMIS->isEnabled());
    }
    {
        FormHarness h;
        h.files().login(3, QStringLiteral("PAULO SANTOS")); // direito7 but not direito5
        h.files().openPeriod(2, {1});
        MainForm &f = h.start();
        EXPECT_FALSE(DeskDriver(f).Bt_GEREN->isEnabled());
        EXPECT_TRUE(DeskDriver(f).Bt_MFECH->isEnabled());
        EXPECT_TRUE(DeskDriver(f).Bt_COMIS->isEnabled());
    }
}

TEST(SessionCheck, DeskClosedElsewhereClosesTheFormAtTheNextReading)
{
    FormHarness h;
    h.standardSession();
    MainForm &f = h.startOnDesk(1);
    h.files().closeDesk(2, 1);
    h.typeTable(QStringLiteral("1201"));
    EXPECT_EQ(h.texts().last(), QStringLiteral("Caixa fechado, acesse novamente !!!"));
    EXPECT_TRUE(f.closedDown());
}

TEST(SessionCheck, SairAndF6CloseTheForm)
{
    FormHarness h;
    h.standardSession();
    MainForm &f = h.startOnDesk(1);
    QTest::keyClick(DeskDriver(f).Ed_CODIMES, Qt::Key_F6);
    EXPECT_TRUE(f.closedDown());
    FormHarness h2;
    h2.standardSession();
    MainForm &g = h2.start();
    QTest::mouseClick(DeskDriver(g).Bt_Sair, Qt::LeftButton);
    EXPECT_TRUE(g.closedDown());
}

TEST(DeskChoice, TheDesksDigitChoosesIt)
{
    FormHarness h;
    h.standardSession();
    MainForm &f = h.start();
    QTest::keyClick(&f, Qt::Key_5); // desk 5 is closed: nothing
    EXPECT_EQ(records::W_NRCAIXA().digits(), 0u);
    EXPECT_TRUE(h.ui().messages.empty());
    h.ui().answer(answer::kYes);
    QTest::keyClick(&f, Qt::Key_2);
    ASSERT_EQ(h.ui().messages.size(), 1u);
    EXPECT_EQ(h.ui().messages[0].text, QStringLiteral("Você não escolheu o CAIXA 1, tem certeza ?"));
    EXPECT_EQ(records::W_NRCAIXA().digits(), 2u);
    EXPECT_FALSE(DeskDriver(f).Frm_Escolhe->isVisible());
}
