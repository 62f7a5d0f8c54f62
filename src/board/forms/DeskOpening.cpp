#include "board/forms/DeskOpening.h"
#include "platform/ui/Desk.h"

#include "board/forms/ConnectionDialog.h"
#include "board/forms/DeskController.h"
#include "platform/Config.h"
#include "platform/Log.h"
#include "platform/SharedRecords.h"
#include "platform/Sql.h"
#include "platform/ui/UiService.h"
#include "session/ConnectionCheck.h"
#include "session/Session.h"
#include "session/Startup.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace qv {

namespace {
const QStringList kStatusFilter = {
    QStringLiteral("Todas"),        QStringLiteral("Abertas"),  QStringLiteral("Pedido"),
    QStringLiteral("Sobremesa"),    QStringLiteral("Fechadas"), QStringLiteral("Bloqueadas"),
    QStringLiteral("Em Andamento"),
};
}

DeskOpening::DeskOpening(DeskController &desk, const OpeningWidgets &widgets) : m_desk(desk), m_w(widgets)
{
    // The start procedure runs from the event loop, once the form shows
    // "Aguarde, conectando com o banco de dados !!!".
    m_w.wait->show();
    m_w.wait->raise();
    QObject::connect(m_w.desks, &QButtonGroup::buttonClicked, &desk,
                     [this](QAbstractButton *button) { chooseDesk(button->objectName().right(1).toInt()); });
}

void DeskOpening::ABRAR()
{
    Session &session = desk::session();

    // Frames in place: only the wait notice while the connection is made.
    // The cash-desk choice shows once everything it depends on is read, so
    // the notice never shows through between a warning and the buttons.
    m_desk.commands().placeFrames();
    m_w.choice->hide();
    m_w.wait->show();
    m_w.wait->raise();

    StartupService startup(desk::sql(), session);
    StartupResult found = startup.ABRAR();
    if (!connected(startup, found))
        return;
    if (found.stop == StartupResult::Stop::Variables || found.stop == StartupResult::Stop::CashDesk)
        return (void)m_desk.failStartup(found.message);

    // The connection is made: the notice has said what it had to.
    m_w.wait->hide();
    for (const QString &warning : found.warnings)
        UiService::instance().message(m_desk.window(), warning, style::kInformation);
    fillLists(session);
    QAbstractButton *firstOpenDesk = enableOpenDesks(session);

    if (found.stop == StartupResult::Stop::Observations) {
        UiService &ui = UiService::instance();
        ui.console(QString(40, QLatin1Char('-')));
        ui.console(QStringLiteral("Mesa - Erro lendo observações"));
        ui.console(found.database.state());
        ui.console(found.database.message());
        return (void)m_desk.failStartup(found.message);
    }
    m_desk.commands().loadObservations();

    // The rights of the logged-in operator.
    m_w.management->setEnabled(session.hasRight(5));
    m_w.closedReport->setEnabled(session.hasRight(7));
    m_w.commissions->setEnabled(session.hasRight(7));

    // The board (nothing until a cash desk is chosen).
    m_desk.rebuildBoard();
    offerChoice(session, firstOpenDesk);
    m_desk.markStarted();
}

bool DeskOpening::connected(StartupService &startup, StartupResult &found)
{
    Sql &sql = desk::sql();
    while (found.stop == StartupResult::Stop::Database) {
        // Without a database nothing of this screen works: say why, in the
        // server's words and, when the server refused the desk, in plain
        // ones, and offer to correct the connection before stopping.
        UiService &ui = UiService::instance();
        const SqlResult &failed = found.database;
        ui.message(m_desk.window(),
                   QStringLiteral("Erro ") + failed.state() + QStringLiteral(" na conexão com o banco de dados !!!"),
                   style::kStop);
        if (failed.connectFailure() != ConnectFailure::None) {
            const Sql::Connection *connection = sql.connection();
            ui.longMessage(m_desk.window(),
                           connectFailureText(failed.connectFailure(), connection ? connection->where() : QString(),
                                              connection ? connection->database : QString())
                               + QStringLiteral("\n\n") + failed.message(),
                           style::kStop);
        } else {
            ui.longMessage(m_desk.window(), failed.message(), style::kStop);
        }
        if (ui.message(m_desk.window(), QStringLiteral("Corrigir a conexão com o banco de dados agora ?"), style::kAsk)
                != answer::kYes
            || ui.openForm(QString::fromLatin1(kConnectionForm), m_desk.window()) != QDialog::Accepted) {
            m_desk.failStartup(QString());
            return false;
        }
        // The settings just written are in force: the next try uses them.
        log::hide(Config::current().dbPassword);
        sql.setConnection(Sql::Connection::fromConfig());
        found = startup.ABRAR();
    }
    return true;
}

void DeskOpening::fillLists(const Session &session)
{
    // The status filter, set without running a rebuild: the board timer
    // starts only with the cash-desk choice.
    {
        const QSignalBlocker block(m_w.filter);
        m_w.filter->clear();
        m_w.filter->addItems(kStatusFilter);
        m_w.filter->setCurrentIndex(6);
    }
    m_desk.board().prepareList();
    m_desk.detail().prepareLists();

    // Operators, cancellation reasons, printers and the saved printer.
    m_w.waiters->clear();
    for (const OperatorEntry &op : session.operators())
        m_w.waiters->addItem(op.name, op.code);
    m_w.waiters->setCurrentIndex(-1);
    m_w.printers->clear();
    m_w.printers->addItems(session.printers());
    m_w.printers->setCurrentIndex(session.printers().indexOf(session.savedPrinter()));
    m_desk.commands().loadLists();
    m_w.shift->setText(session.periodCaption());
}

QAbstractButton *DeskOpening::enableOpenDesks(const Session &session)
{
    QAbstractButton *firstOpenDesk = nullptr;
    for (QAbstractButton *button : m_w.desks->buttons()) {
        button->setEnabled(session.deskOpen(button->objectName().right(1).toInt()));
        if (button->isEnabled() && (!firstOpenDesk || button->objectName() < firstOpenDesk->objectName()))
            firstOpenDesk = button;
    }
    return firstOpenDesk;
}

void DeskOpening::offerChoice(const Session &session, QAbstractButton *firstOpenDesk)
{
    // The focus waits on the first open desk, so a key pressed right away
    // cannot end the program; with no desk to choose the frame says why,
    // and leaving is all there is to do.
    if (!firstOpenDesk)
        m_w.choiceHint->setText(session.deskOpen(0)
                                    ? QStringLiteral("Nenhum caixa aberto neste período: abra um caixa e "
                                                     "acesse novamente\u00A0!!!")
                                    : QStringLiteral("Nenhum período aberto (almoço ou jantar): abra o "
                                                     "período e acesse novamente\u00A0!!!"));
    m_desk.commands().placeFrames();
    m_w.choice->show();
    m_w.choice->raise();
    if (firstOpenDesk)
        firstOpenDesk->setFocus();
    else
        m_w.leave->setFocus();
}

void DeskOpening::chooseDesk(int n)
{
    Session &session = desk::session();
    if (n > 1
        && UiService::instance().message(m_desk.window(), QStringLiteral("Você não escolheu o CAIXA 1, tem certeza ?"),
                                         style::kAsk | style::kDefaultButton2)
               != answer::kYes)
        return;

    const QString printer = m_w.printers->currentIndex() >= 0 ? m_w.printers->currentText() : QString();
    const QString status = session.savePrinter(printer);
    if (status != QLatin1String("00")) {
        // The choice is only a convenience for the next start: say so, go on.
        UiService::instance().message(m_desk.window(),
                                      QStringLiteral("Erro ") + status
                                          + QStringLiteral(" gravando C:\\Velmorant\\Temp\\ImprMes.txt !!!"),
                                      style::kInformation);
    }

    session.chooseDesk(n);
    m_w.choice->hide();

    const QString date = records::W_CABEDAT().text();
    m_w.deskDate->setText(date.mid(0, 2) + QLatin1Char('/') + date.mid(2, 2) + QLatin1Char('/') + date.mid(4, 4));
    m_w.period->setText(session.periodName());
    m_w.desk->setText(QString::number(n));
    m_w.operatorName->setText(session.operatorName().trimmed());
    log::info(QStringLiteral("caixa %1 escolhido, período %2 de %3, operador %4 %5")
                  .arg(n)
                  .arg(session.periodName().trimmed(), m_w.deskDate->text())
                  .arg(session.operatorCode())
                  .arg(session.operatorName().trimmed()));

    m_desk.rebuildWaiting();
    if (!m_desk.closing())
        m_desk.focusTableField();
}

} // namespace qv
