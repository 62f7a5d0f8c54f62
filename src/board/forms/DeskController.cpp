#include "board/forms/DeskController.h"
#include "platform/ui/Desk.h"

#include "board/forms/ConnectionWatch.h"
#include "board/forms/DeskOpening.h"
#include "platform/Sql.h"
#include "platform/ui/Keys.h"
#include "platform/ui/UiService.h"
#include "session/Exchanges.h"
#include "session/Session.h"

#include <QAbstractButton>
#include <QBoxLayout>
#include <QButtonGroup>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QTreeWidget>

namespace qv {

DeskController::DeskController(const Widgets &widgets, const BoardWidgets &board, const DetailWidgets &detail,
                               const OpeningWidgets &opening)
    : QObject(widgets.window), m_w(widgets)
{
    setObjectName(QStringLiteral("qvDesk"));
    Cm_TimerMesas = new QTimer(this);
    Cm_TimerMesas->setObjectName(QStringLiteral("Cm_TimerMesas"));
    Cm_TimerMesas->setInterval(30000);
    Cm_TimerPermanencia = new QTimer(this);
    Cm_TimerPermanencia->setObjectName(QStringLiteral("Cm_TimerPermanencia"));
    Cm_TimerPermanencia->setInterval(60000);
    Cm_Timer_ABRAR = new QTimer(this);
    Cm_Timer_ABRAR->setObjectName(QStringLiteral("Cm_Timer_ABRAR"));
    Cm_Timer_ABRAR->setInterval(1);
    Cm_Timer_ABRAR->setSingleShot(true);

    m_board = std::make_unique<Board>(*this, board);
    m_detail = std::make_unique<Detail>(*this, detail);
    m_opening = std::make_unique<DeskOpening>(*this, opening);

    connect(Cm_Timer_ABRAR, &QTimer::timeout, this, [this] { watchingServer([this] { m_opening->ABRAR(); }); });
    connect(Cm_TimerMesas, &QTimer::timeout, this, &DeskController::onBoardTimer);
    connect(Cm_TimerPermanencia, &QTimer::timeout, this, [this] { m_detail->refreshTimeOpen(); });
    connect(m_w.leave, &QPushButton::clicked, this, &DeskController::closeForm);
    connect(board.filter, &QComboBox::currentIndexChanged, this, &DeskController::onFilterChanged);
    connect(board.list, &QTreeWidget::itemClicked, this, &DeskController::onBoardRowClicked);
    connect(m_w.split, &QPushButton::clicked, this, [this] {
        if (!m_frameOpen)
            m_commands.split();
    });
    // The item last clicked is the one a double click edits and the print
    // menu reprints; an observation row edits nothing.
    connect(detail.items, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem *row) { m_detail->pick(row); });
    connect(detail.items, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem *row) {
        if (const std::int64_t idItem = m_detail->pick(row))
            m_commands.editItem(idItem);
    });

    // Ed_FOCO only receives the focus when the table field is left; it must
    // be shown to take it, so it takes no room instead.
    m_w.focusSink->setFixedSize(0, 0);
    m_w.focusSink->setFrame(false);

    // Across the form under the header, shown only while the database
    // cannot be reached.
    m_watch = new ConnectionWatch(*m_w.window, *m_w.bannerLayout, 1, *board.list);
    connect(m_watch, &ConnectionWatch::retry, this, &DeskController::tryReconnect);
}

DeskController::~DeskController() = default;

void DeskController::start(DeskCommands commands)
{
    m_commands = std::move(commands);
    // The desk's key filters go on last, so they see a key before the
    // filters the controllers put on the same fields.
    m_w.tableField->installEventFilter(this);
    m_w.focusSink->installEventFilter(this);
    m_detail->list()->installEventFilter(this);
    // The other fields the cashier can be in (each reached by the Alt key
    // of its label) hand the function keys on; a combo box would otherwise
    // open its list on F4.
    for (QWidget *field : m_w.otherFields) {
        field->setProperty("qvDeskField", true);
        field->installEventFilter(this);
    }
    Cm_Timer_ABRAR->start();
    Cm_TimerPermanencia->start();
}

void DeskController::rebuildBoard()
{
    watchingServer([this] { m_board->MESAS(); });
}

void DeskController::rebuildWaiting()
{
    // The cashier asked for it: "Aguarde !!!" over the board until it is
    // shown, then the board timer on again. The field takes typing meanwhile.
    m_board->MESAS(Board::Waiting | Board::StartTimer);
}

void DeskController::keepBoardStill()
{
    m_board->keepTimerStopped();
}

void DeskController::watchingServer(const std::function<void()> &command)
{
    const Sql &sql = desk::sql();
    const std::int64_t lossesBefore = sql.lostCount();
    command();
    // A command, or a dialog it opened, that met a lost server has told its
    // failure in its own words: the desk now waits for the server, instead
    // of letting every next key wait out the timeout again. A connection
    // that failed over to another server and went on waits for nothing.
    if (!offline() && !m_closed && sql.lostCount() != lossesBefore && sql.result().connectionLost())
        goOffline(QString(), sql.result().error());
}

void DeskController::closeForm()
{
    if (m_closed)
        return;
    m_closed = true;
    Cm_TimerMesas->stop();
    Cm_TimerPermanencia->stop();
    Cm_Timer_ABRAR->stop();
    m_w.window->close();
}

void DeskController::closeAfterFailure()
{
    if (!m_closed && m_exitStatus == 0)
        m_exitStatus = m_started ? kFailed : kStartupFailed;
    closeForm();
}

bool DeskController::failStartup(const QString &message)
{
    // An empty message: the cashier declined what would have let start-up
    // go on, and has been told already.
    if (!message.isEmpty())
        UiService::instance().message(m_w.window, message, style::kStop);
    if (!m_closed)
        m_exitStatus = kStartupFailed;
    m_started = true;
    closeForm();
    return false;
}

bool DeskController::sessionStillOpen()
{
    switch (desk::session().check()) {
    case Session::Check::NoDesk: return false;
    case Session::Check::Unreadable:
        // The reading stops; the cashier learns why instead of seeing
        // nothing happen. The desk stays: the file may be back at once.
        UiService::instance().message(m_w.window, QStringLiteral("Erro na abertura dos caixas !!!"), style::kStop);
        return false;
    case Session::Check::PeriodClosed:
        UiService::instance().message(m_w.window, QStringLiteral("Periodo fechado, acesse novamente !!!"),
                                      style::kStop);
        closeForm();
        return false;
    case Session::Check::DeskClosed:
        UiService::instance().message(m_w.window, QStringLiteral("Caixa fechado, acesse novamente !!!"), style::kStop);
        closeForm();
        return false;
    case Session::Check::Open: return true;
    }
    return false;
}

int DeskController::typedTable() const
{
    QString digits = m_w.tableField->text();
    digits.remove(QRegularExpression(QStringLiteral("[^0-9]")));
    return digits.isEmpty() ? 0 : digits.right(9).toInt();
}

int DeskController::shownTable() const
{
    const int typed = typedTable();
    return typed != 0 && typed == m_currentTable ? typed : 0;
}

void DeskController::showTableNumber(int idMesa)
{
    if (idMesa <= 0) {
        m_w.tableField->clear();
        return;
    }
    // Mask "999/99": table, slash, position.
    m_w.tableField->setText(positionLabel(idMesa));
    // Typing the next number replaces the one shown.
    m_w.tableField->selectAll();
}

void DeskController::focusTableField()
{
    m_w.tableField->setFocus(Qt::OtherFocusReason);
}

void DeskController::onBoardTimer()
{
    // Stopped until this rebuild is shown: ticks never pile up behind a
    // slow one.
    Cm_TimerMesas->stop();
    m_board->MESAS(Board::StartTimer | Board::HideCounters);
}

void DeskController::onFilterChanged()
{
    Cm_TimerMesas->stop();
    rebuildWaiting();
    if (!m_closed)
        m_w.tableField->setFocus();
}

void DeskController::goOffline(const QString &message, const DbError &why)
{
    if (m_closed)
        return;
    if (desk::sqlLent()) {
        // The board lost the server while a command's unit of work has the
        // desk's connection on another thread: the desk goes offline once
        // that unit is back (it will likely have met the loss too).
        desk::whenSqlBack(this, [this, message, why] { goOffline(message, why); });
        return;
    }
    // Whichever connection found the server gone, the desk's own and the
    // board's may be dead too: the next statement of each, the retry's
    // rebuild first, checks its connection before it runs.
    desk::sql().checkBeforeNextUse();
    m_board->checkConnectionNext();
    Cm_TimerMesas->stop();
    m_watch->goOffline(message, why, m_board->lastGood());
}

bool DeskController::offline() const
{
    return m_watch->offline();
}

int DeskController::retryIntervalMs() const
{
    return m_watch->retryIntervalMs();
}

void DeskController::tryReconnect()
{
    if (!offline() || m_closed)
        return;
    // The server is asked by a board rebuild, on the board's own thread: a
    // stalled server keeps that thread waiting up to the timeout, never the
    // screen. A rebuild that finds the server again brings the desk back
    // (backOnline); one that does not leaves it waiting, in silence.
    m_board->MESAS(m_currentTable == 0 ? Board::StartTimer : 0);
}

void DeskController::backOnline()
{
    if (!m_watch->backOnline())
        return;
    // Work resumes where it was: the same desk, the fresh board, and a table
    // on show read again, as what it showed may have changed meanwhile. A
    // command frame still open keeps the table as it is until the cashier
    // leaves it.
    if (m_currentTable != 0 && !m_frameOpen)
        reread();
}

bool DeskController::refuseOffline()
{
    return m_watch->refuse();
}

void DeskController::onTableEntered()
{
    if (m_frameOpen)
        return;
    if (refuseOffline()) {
        m_w.tableField->setFocus();
        return;
    }
    watchingServer([this] { tableNumberProcedure(/*typed=*/true); });
    if (!m_closed)
        m_w.tableField->setFocus();
}

void DeskController::onBoardRowClicked(QTreeWidgetItem *item)
{
    if (!item || m_frameOpen)
        return;
    showTableNumber(0);
    m_w.tableField->setText(item->text(1).trimmed());
    watchingServer([this] { tableNumberProcedure(/*typed=*/false); });
}

void DeskController::tableNumberProcedure(bool typed)
{
    int value = typedTable();
    if (value < 100) {
        if (value == 0 && typed) {
            // An empty field: nothing to choose.
            return;
        }
        // A bare table number: the chooser picks the position.
        exchange::TableChooserExchange::write({value * 100, value * 100 + 99});
        UiService::instance().openForm(QStringLiteral("99-Mesa"), m_w.window);
        const int chosen = exchange::TableChooserExchange::read().chosen;
        if (chosen == 0) {
            if (typed) {
                showTableNumber(currentTable());
                m_w.tableField->setFocus();
            } else {
                m_w.tableField->setText(QStringLiteral("0"));
            }
            return;
        }
        showTableNumber(chosen);
        value = chosen;
    }
    if (typed) {
        if (value > 8001) {
            showTableNumber(currentTable());
            m_w.tableField->setFocus();
            return;
        }
        if (value == currentTable()) {
            showTableNumber(value);
            return;
        }
    }
    reread();
}

void DeskController::refuseBlocked()
{
    UiService::instance().message(m_w.window, QStringLiteral("Mesa Bloqueada !!!"), style::kInformation);
}

void DeskController::setFrameOpen(bool open)
{
    // Every command frame (include, reason, print, transfer) disables the
    // table area while it is shown.
    m_frameOpen = open;
    m_w.tableArea->setEnabled(!open);
}

void DeskController::pauseBoard()
{
    Cm_TimerMesas->stop();
}

void DeskController::resumeBoard()
{
    Cm_TimerMesas->start();
}

void DeskController::present(const Outcome &outcome, bool serverTextBox)
{
    UiService &ui = UiService::instance();
    for (const QString &line : outcome.console)
        ui.console(line);
    if (!outcome.message.isEmpty()) {
        ui.message(m_w.window, outcome.message,
                   outcome.severity == Outcome::Severity::Stop ? style::kStop : style::kInformation);
        // The server's own words never get lost to the box's length: they
        // follow in a box of their own.
        if (serverTextBox && outcome.failed() && !outcome.error.message.isEmpty()
            && !outcome.message.contains(outcome.error.message))
            ui.longMessage(m_w.window, outcome.error.message, style::kStop);
    }
    // Without a server nothing that follows can work: the desk waits.
    if (outcome.serverLost()) {
        lostConnection();
        return;
    }
    switch (outcome.next) {
    case Outcome::Next::Stay: break;
    case Outcome::Next::Reread: reread(); break;
    case Outcome::Next::Release: release(); break;
    case Outcome::Next::CloseAccount: closeAccount(); break;
    }
}

void DeskController::lostConnection()
{
    // The command has told its failure already (a refusal is told again,
    // in its own words: the command's message reads as a lost server).
    goOffline(QString(), desk::sql().result().error());
}

void DeskController::reread()
{
    watchingServer([this] { m_detail->LERMESA(); });
}

void DeskController::release()
{
    // Leaving the table shown: detail cleared, board rebuilt, timer on.
    m_detail->clear();
    setCurrentTable(0);
    showTableNumber(0);
    rebuildBoard();
    if (!m_closed)
        resumeBoard();
}

void DeskController::closeAccount()
{
    m_commands.closeAccount();
}

void DeskController::requestBill()
{
    m_commands.requestBill();
}

void DeskController::pressKey(int keyCode)
{
    m_keyCode = keyCode;
    watchingServer([this] { TECLA(); });
}

void DeskController::TECLA()
{
    const int key = m_keyCode;
    // A closed desk takes nothing more: a click queued behind F6, or a key
    // handed on while the window goes down, must not start a command.
    if (m_closed)
        return;
    // Without the database every command would fail halfway or write
    // nothing: each key is answered at once, but the cashier may still
    // leave the program.
    if (key != vk::kF6 && refuseOffline())
        return;
    // A command frame has the keyboard until it is left: a click on the key
    // bar meanwhile must not start a second command on the same table.
    if (m_frameOpen)
        return;
    // 1-2. Keys act only on the table shown: a number still being typed, or
    // one out of range, sends the cashier back to the table field.
    const int typed = typedTable();
    if (typed > 8001 || typed != m_currentTable) {
        m_w.tableField->setFocus();
        return;
    }
    // 3. A blocked table takes no command that changes its items or prints it.
    if (typed != 0 && shown().blocked()
        && (key == vk::kInsert || key == vk::kDelete || key == vk::kF1 || key == vk::kF3 || key == vk::kF8
            || key == vk::kF9)) {
        refuseBlocked();
        return;
    }
    // 4. What the commands need to know of the item list.
    const int itemRows = m_detail->rowCount();
    const bool hasSelection = m_detail->hasSelection();

    // 5. The command of the key.
    const bool shown = m_currentTable != 0;
    switch (key) {
    case vk::kEscape:
        // Leaving a table by Esc is leaving it like any other way: the
        // board is rebuilt and keeps refreshing.
        release();
        if (!m_closed)
            m_w.tableField->setFocus();
        break;
    case vk::kHome:
        if (desk::session().hasRight(7)) {
            m_board->showCounters();
        } else {
            UiService::instance().console(QStringLiteral("sem direito"));
        }
        break;
    case vk::kInsert:
        if (shown)
            m_commands.include();
        break;
    case vk::kDelete: m_commands.cancelItems(); break;
    case vk::kF1: m_commands.printMenu(); break;
    case vk::kF2: m_commands.toggleBlock(); break;
    case vk::kF3:
        if (shown && hasSelection)
            m_commands.transfer();
        break;
    case vk::kF4: m_commands.tableDiscount(); break;
    case vk::kF6: closeForm(); break;
    case vk::kF7:
        if (shown && itemRows > 0) {
            m_detail->switchObservations();
            reread();
        }
        break;
    case vk::kF8: m_commands.toggleService(); break;
    case vk::kF9: m_commands.writeOff(); break;
    case vk::kF10: m_commands.closeAccount(); break;
    case vk::kF11: m_commands.productSearch(); break;
    case vk::kF12: m_commands.takeAway(); break;
    default: break;
    }
}

bool DeskController::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        const QVariant key = watched->property("qvKey");
        if (key.isValid()) {
            pressKey(key.toInt());
            return true;
        }
        if (watched->property("qvAction").toString() == QLatin1String("PESQUISA")) {
            m_commands.productSearch();
            return true;
        }
    }
    if (watched == m_w.focusSink && event->type() == QEvent::FocusIn) {
        // Leaving the table field lands here: run the table-number
        // procedure, then go back to the field.
        QMetaObject::invokeMethod(this, &DeskController::onTableEntered, Qt::QueuedConnection);
        return false;
    }
    if (event->type() == QEvent::KeyPress) {
        const DeskField field = watched == m_w.tableField                   ? DeskField::TableNumber
                                : watched == m_detail->list()               ? DeskField::ItemList
                                : watched->property("qvDeskField").toBool() ? DeskField::Other
                                                                            : DeskField::Window;
        if (field != DeskField::Window && runKey(mapDeskKey(field, *static_cast<QKeyEvent *>(event), keyState())))
            return true;
    }
    return QObject::eventFilter(watched, event);
}

DeskKeyState DeskController::keyState() const
{
    const bool choosing = m_w.choice->isVisible();
    return {m_started && !m_closed, choosing, m_frameOpen,
            m_w.desks->buttons().contains(qobject_cast<QAbstractButton *>(m_w.window->focusWidget()))};
}

bool DeskController::runKey(const DeskKey &key)
{
    switch (key.command) {
    case DeskCommand::Pass: return false;
    case DeskCommand::KeyAndPass: pressKey(key.key); return false;
    case DeskCommand::Key: pressKey(key.key); return true;
    case DeskCommand::LeaveThenKey:
    case DeskCommand::LeaveThenSplit:
        m_w.tableField->setFocus(Qt::TabFocusReason);
        if (key.command == DeskCommand::LeaveThenKey)
            pressKey(key.key);
        else
            m_w.split->click();
        return true;
    case DeskCommand::Split:
        // "CONTA DIVIDIDA" goes straight to the split, as its button does.
        m_w.split->click();
        return true;
    case DeskCommand::ReadTable:
        // Started here rather than from Ed_FOCO's focus event: a window that
        // is not active (after a dialog, without a window manager) delivers
        // no focus events.
        QMetaObject::invokeMethod(this, &DeskController::onTableEntered, Qt::QueuedConnection);
        return true;
    case DeskCommand::EnterItemList: m_detail->enterList(); return true;
    case DeskCommand::BackToTable:
        // Back to the table number, selected so the next number replaces it.
        m_w.tableField->setFocus(Qt::ShortcutFocusReason);
        m_w.tableField->selectAll();
        return true;
    case DeskCommand::Close: closeForm(); return true;
    case DeskCommand::ChooseDesk:
    case DeskCommand::ChooseFocused: {
        auto *button = key.command == DeskCommand::ChooseDesk
                           ? m_w.window->findChild<QAbstractButton *>(QStringLiteral("Bt_CX%1").arg(key.key))
                           : qobject_cast<QAbstractButton *>(m_w.window->focusWidget());
        if (!button || !button->isEnabled())
            return false;
        button->click();
        return true;
    }
    default: m_detail->moveInList(key.command); return true;
    }
}

bool DeskController::windowKey(const QKeyEvent &event)
{
    return runKey(mapDeskKey(DeskField::Window, event, keyState()));
}

} // namespace qv
