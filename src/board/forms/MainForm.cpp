#include "board/forms/MainForm.h"
#include "platform/ui/Desk.h"

#include "board/forms/Board.h"
#include "board/forms/ConnectionDialog.h"
#include "board/forms/ConnectionWatch.h"
#include "board/forms/Detail.h"
#include "board/forms/KeyBar.h"
#include "board/forms/KeyMap.h"
#include "board/forms/SuiteLinks.h"
#include "items/forms/CancelCommands.h"
#include "items/forms/ItemCommands.h"
#include "platform/Config.h"
#include "platform/Log.h"
#include "platform/SharedRecords.h"
#include "platform/Sql.h"
#include "platform/ui/Keys.h"
#include "platform/ui/UiService.h"
#include "printing/forms/PrintCommands.h"
#include "session/ConnectionCheck.h"
#include "session/Exchanges.h"
#include "session/Session.h"
#include "session/Startup.h"
#include "tables/forms/SplitTransfer.h"
#include "tables/forms/TableCommands.h"
#include "ui_MainForm.h"

#include <QButtonGroup>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QRegularExpression>

#include <algorithm>

namespace qv {

namespace {
const QStringList kStatusFilter = {
    QStringLiteral("Todas"),        QStringLiteral("Abertas"),  QStringLiteral("Pedido"),
    QStringLiteral("Sobremesa"),    QStringLiteral("Fechadas"), QStringLiteral("Bloqueadas"),
    QStringLiteral("Em Andamento"),
};
}

MainForm::MainForm(QWidget *parent) : QWidget(parent), m_ui(std::make_unique<Ui::MainForm>())
{
    m_ui->setupUi(this);
    setObjectName(QStringLiteral("08-Quorvel"));
    setAttribute(Qt::WA_DeleteOnClose, false);

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

    m_board = std::make_unique<Board>(*this);
    m_detail = std::make_unique<Detail>(*this);
    m_items = std::make_unique<ItemCommands>(*this);
    m_cancel = std::make_unique<CancelCommands>(*this);
    m_tables = std::make_unique<TableCommands>(*this, TableCommands::Fields{m_ui->Ed_QTDEPES, m_ui->Ed_DESCMANT,
                                                                            m_ui->Cb_Operador, m_ui->Ds_CODIDES,
                                                                            m_ui->Ds_OPERDES});
    m_splitTransfer = std::make_unique<SplitTransfer>(*this);
    m_printing = std::make_unique<PrintCommands>(*this, *m_ui->ReportsLayout);
    m_links = std::make_unique<SuiteLinks>(*this);

    wireEvents();
    // The bar's entries go into a grid of their own, so the bar can take a
    // second row on a screen too narrow for one.
    m_keyBar = std::make_unique<KeyBar>(*m_ui->CmFrame47);

    // Across the form under the header, shown only while the database
    // cannot be reached.
    m_watch = new ConnectionWatch(*this, *m_ui->MainLayout, 1, *m_ui->Lv_Mesas);
    connect(m_watch, &ConnectionWatch::retry, this, &MainForm::tryReconnect);

    // The start procedure runs from the event loop, once the form shows
    // "Aguarde, conectando com o banco de dados !!!".
    m_ui->Frm_Aguarde->show();
    m_ui->Frm_Aguarde->raise();
    m_ui->Frm_AguardeMesas->hide();
    // The counters show only on request (Home) until the next timed rebuild.
    m_ui->Frm_EmAndamento->hide();
    m_ui->Frm_Fechadas->hide();
    // Ed_FOCO only receives the focus when the table field is left; it must
    // be shown to take it, so it takes no room instead.
    m_ui->Ed_FOCO->setFixedSize(0, 0);
    m_ui->Ed_FOCO->setFrame(false);
    Cm_Timer_ABRAR->start();
    Cm_TimerPermanencia->start();
}

MainForm::~MainForm() = default;

void MainForm::wireEvents()
{
    connect(Cm_Timer_ABRAR, &QTimer::timeout, this, [this] { watchingServer([this] { ABRAR(); }); });
    connect(Cm_TimerMesas, &QTimer::timeout, this, &MainForm::onBoardTimer);
    connect(Cm_TimerPermanencia, &QTimer::timeout, this, [this] { m_detail->refreshTimeOpen(); });
    connect(m_ui->Bt_CX, &QButtonGroup::buttonClicked, this,
            [this](QAbstractButton *button) { chooseDesk(button->objectName().right(1).toInt()); });
    connect(m_ui->Bt_Sair, &QPushButton::clicked, this, &MainForm::closeForm);
    connect(m_ui->Cb_STATUSM, &QComboBox::currentIndexChanged, this, &MainForm::onFilterChanged);
    connect(m_ui->Lv_Mesas, &QTreeWidget::itemClicked, this, &MainForm::onBoardRowClicked);

    connect(m_ui->Frm_DIVIDE, &QPushButton::clicked, this, [this] {
        if (!commandFrameOpen())
            m_splitTransfer->DIVIDIR();
    });
    connect(m_ui->Frm_DIVIDE1, &QPushButton::clicked, this, [this] { m_items->productSearch(); });
    m_ui->CmStatic50->setProperty("qvAction", QStringLiteral("PESQUISA"));
    m_ui->CmStatic50->installEventFilter(this);
    connect(m_ui->Bt_MFECH, &QPushButton::clicked, this, [this] { m_links->report('M'); });
    connect(m_ui->Bt_COMIS, &QPushButton::clicked, this, [this] { m_links->report('C'); });
    connect(m_ui->Bt_IMPPRO6, &QPushButton::clicked, this, [this] { m_links->report('P'); });
    connect(m_ui->Bt_GEREN, &QPushButton::clicked, this, [this] { m_links->management(); });
    connect(m_ui->Bt_IMPPRO4, &QPushButton::clicked, this, [this] { m_printing->TESTEIMP(); });
    // The item last clicked is the one a double click edits and the print
    // menu reprints; an observation row edits nothing.
    connect(m_ui->Lv_Itens, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem *row) { pickItem(row); });
    connect(m_ui->Lv_Itens, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem *row) {
        if (const std::int64_t idItem = pickItem(row))
            m_items->CARITEM(idItem);
    });

    m_ui->Ed_CODIMES->installEventFilter(this);
    m_ui->Ed_FOCO->installEventFilter(this);
    m_ui->Lv_Itens->installEventFilter(this);
    // The other fields the cashier can be in (each reached by the Alt key
    // of its label) hand the function keys on; a combo box would otherwise
    // open its list on F4.
    for (QWidget *field : std::initializer_list<QWidget *>{m_ui->Ed_QTDEPES, m_ui->Ed_DESCMANT, m_ui->Cb_Operador,
                                                           m_ui->Cb_STATUSM, m_ui->Cb_IMPRE, m_ui->Bt_Sair}) {
        field->setProperty("qvDeskField", true);
        field->installEventFilter(this);
    }

    // The function-key bar: a click on an entry or on its key label hands
    // the entry's key code to the key procedure.
    const struct
    {
        QPushButton *entry;
        QLabel *label;
        int key;
    } bar[] = {
        {m_ui->Frm_Imprimir, m_ui->CmStatic38, vk::kF1}, {m_ui->Bt_Bloqueio, m_ui->CmStatic39, vk::kF2},
        {m_ui->Frm_DEL, m_ui->CmStatic40, vk::kDelete},  {m_ui->Frm_INS, m_ui->CmStatic41, vk::kInsert},
        {m_ui->Bt_Bloqueio1, m_ui->CmStatic42, vk::kF3}, {m_ui->Frm_INS1, m_ui->CmStatic43, vk::kF6},
        {m_ui->Bt_Bloqueio2, m_ui->CmStatic44, vk::kF9}, {m_ui->Bt_SERVICO, m_ui->CmStatic45, vk::kF8},
        {m_ui->Bt_MOSTRA, m_ui->CmStatic46, vk::kF7},    {m_ui->Bt_MOSTRA1, m_ui->CmStatic47, vk::kF10},
        {m_ui->Bt_Bloqueio3, m_ui->CmStatic48, vk::kF4}, {m_ui->Frm_INS2, m_ui->CmStatic49, vk::kF12},
    };
    for (const auto &entry : bar) {
        const int key = entry.key;
        connect(entry.entry, &QPushButton::clicked, this, [this, key] { pressKey(key); });
        entry.label->setProperty("qvKey", key);
        entry.label->installEventFilter(this);
    }
}

void MainForm::rebuildBoard()
{
    watchingServer([this] { m_board->MESAS(); });
}

void MainForm::watchingServer(const std::function<void()> &command)
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

void MainForm::closeForm()
{
    if (m_closed)
        return;
    m_closed = true;
    Cm_TimerMesas->stop();
    Cm_TimerPermanencia->stop();
    Cm_Timer_ABRAR->stop();
    close();
}

void MainForm::closeAfterFailure()
{
    if (!m_closed && m_exitStatus == 0)
        m_exitStatus = m_started ? kFailed : kStartupFailed;
    closeForm();
}

bool MainForm::failStartup(const QString &message)
{
    UiService::instance().message(this, message, style::kStop);
    if (!m_closed)
        m_exitStatus = kStartupFailed;
    m_started = true;
    closeForm();
    return false;
}

void MainForm::fitKeyBar()
{
    const int available = m_keyBar->fit(*this, *m_ui->MainLayout);
    // The program's name is in the title bar too: on a small screen its
    // room goes to the session fields.
    m_ui->Lb_Sistema->setVisible(available >= 1280);
    // The smaller minimum is in force at once, so the window can be fitted
    // to the screen right after it shows.
    layout()->activate();
}

void MainForm::placeFrames()
{
    // The overlay frames sit centred over the form, the waiting frames over
    // the board.
    auto centre = [](QWidget *frame, const QRect &area) {
        frame->adjustSize();
        QSize size = frame->size().expandedTo(frame->minimumSizeHint());
        frame->setGeometry(QRect(area.center() - QPoint(size.width() / 2, size.height() / 2), size));
    };
    centre(m_ui->Frm_Escolhe, rect());
    centre(m_ui->Frm_Aguarde, rect());
    const QRect boardArea(m_ui->Lv_Mesas->mapTo(this, QPoint(0, 0)), m_ui->Lv_Mesas->size());
    centre(m_ui->Frm_AguardeMesas, boardArea);
    for (QWidget *frame : {m_ui->Frm_Escolhe, m_ui->Frm_Aguarde, m_ui->Frm_AguardeMesas})
        frame->raise();
}

void MainForm::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // The entries whose caption follows the table keep the width of their
    // longer caption, so showing another table never resizes the window.
    // Measured once shown, when the style sheet's font is in force.
    const struct
    {
        QPushButton *button;
        const char *longer;
    } toggles[] = {
        {m_ui->Bt_Bloqueio, "DESBLOQUEIA MESA"},
        {m_ui->Bt_SERVICO, "INCLUIR SERVIÇO"},
        {m_ui->Bt_MOSTRA, "NÃO MOSTRA OBS"},
    };
    for (const auto &toggle : toggles) {
        const int needed = toggle.button->fontMetrics().horizontalAdvance(QString::fromUtf8(toggle.longer)) + 14;
        toggle.button->setMinimumWidth(std::max(toggle.button->minimumWidth(), needed));
    }
    fitKeyBar();
    placeFrames();
    // The window asks for the keyboard itself: without a window manager
    // (a kiosk session) nobody else gives it, and the Alt shortcuts only
    // work in the active window.
    activateWindow();
}

void MainForm::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeFrames();
}

void MainForm::ABRAR()
{
    Session &session = desk::session();
    Sql &sql = desk::sql();

    // Frames in place: only the wait notice while the connection is made.
    // The cash-desk choice shows once everything it depends on is read, so
    // the notice never shows through between a warning and the buttons.
    placeFrames();
    m_ui->Frm_Escolhe->hide();
    m_ui->Frm_Aguarde->show();
    m_ui->Frm_Aguarde->raise();

    StartupService startup(sql, session);
    StartupResult found = startup.ABRAR();
    while (found.stop == StartupResult::Stop::Database) {
        // Without a database nothing of this screen works: say why, in the
        // server's words and, when the server refused the desk, in plain
        // ones, and offer to correct the connection before stopping.
        UiService &ui = UiService::instance();
        const SqlResult &failed = found.database;
        ui.message(this,
                   QStringLiteral("Erro ") + failed.state() + QStringLiteral(" na conexão com o banco de dados !!!"),
                   style::kStop);
        if (failed.connectFailure() != ConnectFailure::None) {
            const Sql::Connection *connection = sql.connection();
            ui.longMessage(this,
                           connectFailureText(failed.connectFailure(), connection ? connection->where() : QString(),
                                              connection ? connection->database : QString())
                               + QStringLiteral("\n\n") + failed.message(),
                           style::kStop);
        } else {
            ui.longMessage(this, failed.message(), style::kStop);
        }
        if (ui.message(this, QStringLiteral("Corrigir a conexão com o banco de dados agora ?"), style::kAsk)
                != answer::kYes
            || ui.openForm(QString::fromLatin1(kConnectionForm), this) != QDialog::Accepted) {
            m_exitStatus = kStartupFailed;
            m_started = true;
            closeForm();
            return;
        }
        // The settings just written are in force: the next try uses them.
        log::hide(Config::current().dbPassword);
        sql.setConnection(Sql::Connection::fromConfig());
        found = startup.ABRAR();
    }
    if (found.stop == StartupResult::Stop::Variables || found.stop == StartupResult::Stop::CashDesk)
        return (void)failStartup(found.message);

    // The connection is made: the notice has said what it had to.
    m_ui->Frm_Aguarde->hide();
    for (const QString &warning : found.warnings)
        UiService::instance().message(this, warning, style::kInformation);

    // The status filter, set without running a rebuild: the board timer
    // starts only with the cash-desk choice.
    {
        const QSignalBlocker block(m_ui->Cb_STATUSM);
        m_ui->Cb_STATUSM->clear();
        m_ui->Cb_STATUSM->addItems(kStatusFilter);
        m_ui->Cb_STATUSM->setCurrentIndex(6);
    }
    m_board->prepareListViews();

    // Operators, cancellation reasons, printers and the saved printer.
    m_ui->Cb_Operador->clear();
    for (const OperatorEntry &op : session.operators())
        m_ui->Cb_Operador->addItem(op.name, op.code);
    m_ui->Cb_Operador->setCurrentIndex(-1);
    m_ui->Cb_IMPRE->clear();
    m_ui->Cb_IMPRE->addItems(session.printers());
    m_ui->Cb_IMPRE->setCurrentIndex(session.printers().indexOf(session.savedPrinter()));
    m_cancel->loadReasons();
    m_printing->loadPrinters();
    m_ui->Ds_TURNO->setText(session.periodCaption());

    // Cash-desk buttons of the open desks.
    QAbstractButton *firstOpenDesk = nullptr;
    for (QAbstractButton *button : m_ui->Bt_CX->buttons()) {
        button->setEnabled(session.deskOpen(button->objectName().right(1).toInt()));
        if (button->isEnabled() && (!firstOpenDesk || button->objectName() < firstOpenDesk->objectName()))
            firstOpenDesk = button;
    }

    if (found.stop == StartupResult::Stop::Observations) {
        UiService &ui = UiService::instance();
        ui.console(QString(40, QLatin1Char('-')));
        ui.console(QStringLiteral("Mesa - Erro lendo observações"));
        ui.console(found.database.state());
        ui.console(found.database.message());
        return (void)failStartup(found.message);
    }
    m_items->loadObservationList();

    // The rights of the logged-in operator.
    m_ui->Bt_GEREN->setEnabled(session.hasRight(5));
    m_ui->Bt_MFECH->setEnabled(session.hasRight(7));
    m_ui->Bt_COMIS->setEnabled(session.hasRight(7));

    // The board (nothing until a cash desk is chosen).
    rebuildBoard();

    // The choice. The focus waits on the first open desk, so a key pressed
    // right away cannot end the program; with no desk to choose the frame
    // says why, and leaving is all there is to do.
    if (!firstOpenDesk)
        m_ui->Lb_EscolheDica->setText(session.deskOpen(0)
                                          ? QStringLiteral("Nenhum caixa aberto neste período: abra um caixa e "
                                                           "acesse novamente\u00A0!!!")
                                          : QStringLiteral("Nenhum período aberto (almoço ou jantar): abra o "
                                                           "período e acesse novamente\u00A0!!!"));
    placeFrames();
    m_ui->Frm_Escolhe->show();
    m_ui->Frm_Escolhe->raise();
    if (firstOpenDesk)
        firstOpenDesk->setFocus();
    else
        m_ui->Bt_Sair->setFocus();
    m_started = true;
}

void MainForm::chooseDesk(int n)
{
    Session &session = desk::session();
    if (n > 1
        && UiService::instance().message(this, QStringLiteral("Você não escolheu o CAIXA 1, tem certeza ?"),
                                         style::kAsk | style::kDefaultButton2)
               != answer::kYes)
        return;

    const QString printer = m_ui->Cb_IMPRE->currentIndex() >= 0 ? m_ui->Cb_IMPRE->currentText() : QString();
    const QString status = session.savePrinter(printer);
    if (status != QLatin1String("00")) {
        // The choice is only a convenience for the next start: say so, go on.
        UiService::instance().message(
            this, QStringLiteral("Erro ") + status + QStringLiteral(" gravando C:\\Velmorant\\Temp\\ImprMes.txt !!!"),
            style::kInformation);
    }

    session.chooseDesk(n);
    m_ui->Frm_Escolhe->hide();

    const QString date = records::W_CABEDAT().text();
    m_ui->Ds_DTCAIXA->setText(date.mid(0, 2) + QLatin1Char('/') + date.mid(2, 2) + QLatin1Char('/') + date.mid(4, 4));
    m_ui->Ds_PERIODO->setText(session.periodName());
    m_ui->Ds_CAIXA->setText(QString::number(n));
    m_ui->Ds_OPERADOR->setText(session.operatorName().trimmed());
    log::info(QStringLiteral("caixa %1 escolhido, período %2 de %3, operador %4 %5")
                  .arg(n)
                  .arg(session.periodName().trimmed(), m_ui->Ds_DTCAIXA->text())
                  .arg(session.operatorCode())
                  .arg(session.operatorName().trimmed()));

    rebuildWaiting();
    if (!m_closed)
        m_ui->Ed_CODIMES->setFocus();
}

bool MainForm::sessionStillOpen()
{
    switch (desk::session().check()) {
    case Session::Check::NoDesk: return false;
    case Session::Check::Unreadable:
        // The reading stops; the cashier learns why instead of seeing
        // nothing happen. The desk stays: the file may be back at once.
        UiService::instance().message(this, QStringLiteral("Erro na abertura dos caixas !!!"), style::kStop);
        return false;
    case Session::Check::PeriodClosed:
        UiService::instance().message(this, QStringLiteral("Periodo fechado, acesse novamente !!!"), style::kStop);
        closeForm();
        return false;
    case Session::Check::DeskClosed:
        UiService::instance().message(this, QStringLiteral("Caixa fechado, acesse novamente !!!"), style::kStop);
        closeForm();
        return false;
    case Session::Check::Open: return true;
    }
    return false;
}

int MainForm::typedTable() const
{
    QString digits = m_ui->Ed_CODIMES->text();
    digits.remove(QRegularExpression(QStringLiteral("[^0-9]")));
    return digits.isEmpty() ? 0 : digits.right(9).toInt();
}

void MainForm::showTableNumber(int idMesa)
{
    if (idMesa <= 0) {
        m_ui->Ed_CODIMES->clear();
        return;
    }
    // Mask "999/99": table, slash, position.
    m_ui->Ed_CODIMES->setText(
        QStringLiteral("%1/%2").arg(idMesa / 100, 3, 10, QLatin1Char('0')).arg(idMesa % 100, 2, 10, QLatin1Char('0')));
    // Typing the next number replaces the one shown.
    m_ui->Ed_CODIMES->selectAll();
}

void MainForm::rebuildWaiting()
{
    // The cashier asked for it: "Aguarde !!!" over the board until it is
    // shown, then the board timer on again. The field takes typing meanwhile.
    m_board->MESAS(Board::Waiting | Board::StartTimer);
}

void MainForm::onBoardTimer()
{
    // Stopped until this rebuild is shown: ticks never pile up behind a
    // slow one.
    Cm_TimerMesas->stop();
    m_board->MESAS(Board::StartTimer | Board::HideCounters);
}

void MainForm::onFilterChanged()
{
    Cm_TimerMesas->stop();
    rebuildWaiting();
    if (!m_closed)
        m_ui->Ed_CODIMES->setFocus();
}

void MainForm::goOffline(const QString &message, const DbError &why)
{
    if (m_closed)
        return;
    if (desk::sqlLent()) {
        // The board lost the server while a command's unit of work has the
        // desk's connection on another thread: the desk goes offline once
        // that unit is back (it will likely have met the loss too).
        QTimer::singleShot(50, this, [this, message, why] { goOffline(message, why); });
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

bool MainForm::offline() const
{
    return m_watch->offline();
}

int MainForm::retryIntervalMs() const
{
    return m_watch->retryIntervalMs();
}

void MainForm::tryReconnect()
{
    if (!offline() || m_closed)
        return;
    // The server is asked by a board rebuild, on the board's own thread: a
    // stalled server keeps that thread waiting up to the timeout, never the
    // screen. A rebuild that finds the server again brings the desk back
    // (backOnline); one that does not leaves it waiting, in silence.
    m_board->MESAS(m_currentTable == 0 ? Board::StartTimer : 0);
}

void MainForm::backOnline()
{
    if (!m_watch->backOnline())
        return;
    // Work resumes where it was: the same desk, the fresh board, and a table
    // on show read again, as what it showed may have changed meanwhile. A
    // command frame still open keeps the table as it is until the cashier
    // leaves it.
    if (m_currentTable != 0 && !commandFrameOpen())
        reread();
}

bool MainForm::refuseOffline()
{
    return m_watch->refuse();
}

void MainForm::onTableEntered()
{
    if (commandFrameOpen())
        return;
    if (refuseOffline()) {
        m_ui->Ed_CODIMES->setFocus();
        return;
    }
    watchingServer([this] { m_board->tableNumberProcedure(/*typed=*/true); });
    if (!m_closed)
        m_ui->Ed_CODIMES->setFocus();
}

void MainForm::onBoardRowClicked(QTreeWidgetItem *item)
{
    if (!item || commandFrameOpen())
        return;
    showTableNumber(0);
    m_ui->Ed_CODIMES->setText(item->text(1).trimmed());
    watchingServer([this] { m_board->tableNumberProcedure(/*typed=*/false); });
}

void MainForm::pressKey(int keyCode)
{
    m_keyCode = keyCode;
    watchingServer([this] { TECLA(); });
}

void MainForm::enterItemList()
{
    QTreeWidget *list = m_ui->Lv_Itens;
    if (list->topLevelItemCount() == 0 || !list->isEnabled())
        return;
    list->setFocus(Qt::ShortcutFocusReason);
    if (!list->currentItem())
        list->selectionModel()->setCurrentIndex(list->model()->index(0, 0), QItemSelectionModel::NoUpdate);
}

void MainForm::moveInItemList(DeskCommand command)
{
    QTreeWidget *list = m_ui->Lv_Itens;
    QItemSelectionModel *selection = list->selectionModel();
    const int rows = list->topLevelItemCount();
    const int at = list->currentItem() ? list->indexOfTopLevelItem(list->currentItem()) : -1;
    // Moving never changes what is selected: the rows for DEL, F9 or F3
    // are gathered one by one with Space.
    auto moveTo = [&](int row) {
        if (rows == 0)
            return;
        row = std::clamp(row, 0, rows - 1);
        selection->setCurrentIndex(list->model()->index(row, 0), QItemSelectionModel::NoUpdate);
        list->scrollToItem(list->topLevelItem(row));
    };
    const int page = std::max(1, list->viewport()->height() / std::max(1, list->sizeHintForRow(0)) - 1);
    switch (command) {
    case DeskCommand::ListUp: moveTo(at - 1); break;
    case DeskCommand::ListDown: moveTo(at + 1); break;
    case DeskCommand::ListPageUp: moveTo(at - page); break;
    case DeskCommand::ListPageDown: moveTo(at + page); break;
    case DeskCommand::ListEnd: moveTo(rows - 1); break;
    case DeskCommand::ListToggle:
        if (list->currentItem())
            selection->select(list->currentIndex(), QItemSelectionModel::Toggle | QItemSelectionModel::Rows);
        break;
    case DeskCommand::ListOpen:
        if (QTreeWidgetItem *item = list->currentItem())
            emit list->itemDoubleClicked(item, 0);
        break;
    default: break;
    }
}

void MainForm::refuseBlocked()
{
    UiService::instance().message(this, QStringLiteral("Mesa Bloqueada !!!"), style::kInformation);
}

bool MainForm::commandFrameOpen() const
{
    return m_frameOpen;
}

void MainForm::setFrameOpen(bool open)
{
    // Every command frame (include, reason, print, transfer) disables the
    // table area while it is shown.
    m_frameOpen = open;
    m_ui->Frm_CaixaM->setEnabled(!open);
}

void MainForm::pauseBoard()
{
    Cm_TimerMesas->stop();
}

void MainForm::resumeBoard()
{
    Cm_TimerMesas->start();
}

std::int64_t MainForm::pickItem(QTreeWidgetItem *row)
{
    // The list is painted from the reading's rows, in the same order.
    const std::vector<ItemListRow> rows = m_detail->shown().listRows();
    const int at = m_ui->Lv_Itens->indexOfTopLevelItem(row);
    const ItemListRow picked = at >= 0 && at < int(rows.size()) ? rows[std::size_t(at)] : ItemListRow{};
    exchange::ItemEditExchange::write({picked.idItem, picked.idItem != 0 ? picked.idComanda : 0});
    return picked.idItem;
}

const ShownTable &MainForm::shown() const
{
    return m_detail->shown();
}

int MainForm::shownTable() const
{
    const int typed = typedTable();
    return typed != 0 && typed == m_currentTable ? typed : 0;
}

std::vector<ItemListRow> MainForm::selectedRows() const
{
    // The list is painted from the reading's rows, in the same order.
    const std::vector<ItemListRow> rows = m_detail->shown().listRows();
    std::vector<ItemListRow> selected;
    const int count = std::min<int>(m_ui->Lv_Itens->topLevelItemCount(), int(rows.size()));
    for (int i = 0; i < count; ++i)
        if (m_ui->Lv_Itens->topLevelItem(i)->isSelected())
            selected.push_back(rows[std::size_t(i)]);
    return selected;
}

QWidget *MainForm::tableArea()
{
    return m_ui->Frm_CaixaM;
}

int MainForm::groupedItemsTop() const
{
    return m_ui->Lv_Consol->mapTo(this, QPoint(0, 0)).y();
}

void MainForm::showPeople(int people, const TableTotals &totals)
{
    m_detail->peopleChanged(people, totals);
}

void MainForm::showService(bool on, const TableTotals &totals)
{
    m_detail->serviceSwitched(on, totals);
}

void MainForm::focusTableField()
{
    m_ui->Ed_CODIMES->setFocus(Qt::OtherFocusReason);
}

void MainForm::present(const Outcome &outcome, bool serverTextBox)
{
    UiService &ui = UiService::instance();
    for (const QString &line : outcome.console)
        ui.console(line);
    if (!outcome.message.isEmpty()) {
        ui.message(this, outcome.message,
                   outcome.severity == Outcome::Severity::Stop ? style::kStop : style::kInformation);
        // The server's own words never get lost to the box's length: they
        // follow in a box of their own.
        if (serverTextBox && outcome.failed() && !outcome.error.message.isEmpty()
            && !outcome.message.contains(outcome.error.message))
            ui.longMessage(this, outcome.error.message, style::kStop);
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

void MainForm::lostConnection()
{
    // The command has told its failure already (a refusal is told again,
    // in its own words: the command's message reads as a lost server).
    goOffline(QString(), desk::sql().result().error());
}

void MainForm::reread()
{
    watchingServer([this] { m_detail->LERMESA(); });
}

void MainForm::release()
{
    m_board->release();
}

void MainForm::closeAccount()
{
    m_tables->closeAccount();
}

void MainForm::requestBill()
{
    m_tables->IMPMESA();
}

void MainForm::TECLA()
{
    const int key = m_keyCode;
    // Without the database every command would fail halfway or write
    // nothing: each key is answered at once, but the cashier may still
    // leave the program.
    if (key != vk::kF6 && refuseOffline())
        return;
    // A command frame has the keyboard until it is left: a click on the key
    // bar meanwhile must not start a second command on the same table.
    if (commandFrameOpen())
        return;
    // 1-2. Keys act only on the table shown: a number still being typed, or
    // one out of range, sends the cashier back to the table field.
    const int typed = typedTable();
    if (typed > 8001 || typed != m_currentTable) {
        m_ui->Ed_CODIMES->setFocus();
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
    m_itemRows = m_ui->Lv_Itens->topLevelItemCount();
    m_hasSelection = !m_ui->Lv_Itens->selectedItems().isEmpty();

    // 5. The command of the key.
    const bool shown = m_currentTable != 0;
    switch (key) {
    case vk::kEscape:
        // Leaving a table by Esc is leaving it like any other way: the
        // board is rebuilt and keeps refreshing.
        release();
        if (!m_closed)
            m_ui->Ed_CODIMES->setFocus();
        break;
    case vk::kHome:
        if (desk::session().hasRight(7)) {
            m_ui->Frm_EmAndamento->show();
            m_ui->Frm_Fechadas->show();
        } else {
            UiService::instance().console(QStringLiteral("sem direito"));
        }
        break;
    case vk::kInsert:
        if (shown)
            m_items->INSITEM();
        break;
    case vk::kDelete: m_cancel->CANCITE(); break;
    case vk::kF1: m_printing->openPrintMenu(); break;
    case vk::kF2: m_tables->toggleBlock(); break;
    case vk::kF3:
        if (shown && m_hasSelection)
            m_splitTransfer->openTransfer();
        break;
    case vk::kF4: m_tables->tableDiscount(); break;
    case vk::kF6: closeForm(); break;
    case vk::kF7:
        if (shown && m_itemRows > 0) {
            m_detail->switchObservations();
            reread();
        }
        break;
    case vk::kF8: m_tables->toggleService(); break;
    case vk::kF9: m_cancel->BAIXITE(); break;
    case vk::kF10: m_tables->closeAccount(); break;
    case vk::kF11: m_items->productSearch(); break;
    case vk::kF12: m_links->takeAway(); break;
    default: break;
    }
}

bool MainForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        const QVariant key = watched->property("qvKey");
        if (key.isValid()) {
            pressKey(key.toInt());
            return true;
        }
        if (watched->property("qvAction").toString() == QLatin1String("PESQUISA")) {
            m_items->productSearch();
            return true;
        }
    }
    if (watched == m_ui->Ed_FOCO && event->type() == QEvent::FocusIn) {
        // Leaving the table field lands here: run the table-number
        // procedure, then go back to the field.
        QMetaObject::invokeMethod(this, &MainForm::onTableEntered, Qt::QueuedConnection);
        return false;
    }
    if (event->type() == QEvent::KeyPress) {
        const DeskField field = watched == m_ui->Ed_CODIMES                 ? DeskField::TableNumber
                                : watched == m_ui->Lv_Itens                 ? DeskField::ItemList
                                : watched->property("qvDeskField").toBool() ? DeskField::Other
                                                                            : DeskField::Window;
        if (field != DeskField::Window && runKey(mapDeskKey(field, *static_cast<QKeyEvent *>(event), keyState())))
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

DeskKeyState MainForm::keyState() const
{
    const bool choosing = m_ui->Frm_Escolhe->isVisible();
    return {m_started && !m_closed, choosing, commandFrameOpen(),
            m_ui->Bt_CX->buttons().contains(qobject_cast<QAbstractButton *>(focusWidget()))};
}

bool MainForm::runKey(const DeskKey &key)
{
    switch (key.command) {
    case DeskCommand::Pass: return false;
    case DeskCommand::KeyAndPass: pressKey(key.key); return false;
    case DeskCommand::Key: pressKey(key.key); return true;
    case DeskCommand::LeaveThenKey:
    case DeskCommand::LeaveThenSplit:
        m_ui->Ed_CODIMES->setFocus(Qt::TabFocusReason);
        if (key.command == DeskCommand::LeaveThenKey)
            pressKey(key.key);
        else
            m_ui->Frm_DIVIDE->click();
        return true;
    case DeskCommand::Split:
        // "CONTA DIVIDIDA" goes straight to the split, as its button does.
        m_ui->Frm_DIVIDE->click();
        return true;
    case DeskCommand::ReadTable:
        // Started here rather than from Ed_FOCO's focus event: a window that
        // is not active (after a dialog, without a window manager) delivers
        // no focus events.
        QMetaObject::invokeMethod(this, &MainForm::onTableEntered, Qt::QueuedConnection);
        return true;
    case DeskCommand::EnterItemList: enterItemList(); return true;
    case DeskCommand::BackToTable:
        // Back to the table number, selected so the next number replaces it.
        m_ui->Ed_CODIMES->setFocus(Qt::ShortcutFocusReason);
        m_ui->Ed_CODIMES->selectAll();
        return true;
    case DeskCommand::Close: closeForm(); return true;
    case DeskCommand::ChooseDesk:
    case DeskCommand::ChooseFocused: {
        auto *button = key.command == DeskCommand::ChooseDesk
                           ? findChild<QAbstractButton *>(QStringLiteral("Bt_CX%1").arg(key.key))
                           : qobject_cast<QAbstractButton *>(focusWidget());
        if (!button || !button->isEnabled())
            return false;
        button->click();
        return true;
    }
    default: moveInItemList(key.command); return true;
    }
}

void MainForm::keyPressEvent(QKeyEvent *event)
{
    if (!runKey(mapDeskKey(DeskField::Window, *event, keyState())))
        QWidget::keyPressEvent(event);
}

} // namespace qv
