#include "board/forms/MainForm.h"
#include "data/Statements.h"
#include "platform/ui/Desk.h"

#include "board/forms/Board.h"
#include "board/forms/ConnectionDialog.h"
#include "board/forms/Detail.h"
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
#include "session/Session.h"
#include "tables/forms/SplitTransfer.h"
#include "tables/forms/TableCommands.h"
#include "ui_MainForm.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QRegularExpression>
#include <QScreen>

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
    m_tables = std::make_unique<TableCommands>(*this);
    m_splitTransfer = std::make_unique<SplitTransfer>(*this);
    m_printing = std::make_unique<PrintCommands>(*this);
    m_links = std::make_unique<SuiteLinks>(*this);

    wireEvents();
    takeKeyBar();

    // Across the form under the header, shown only while the database
    // cannot be reached.
    m_offlineBanner = new QLabel(this);
    m_offlineBanner->setObjectName(QStringLiteral("Lb_SEMCONEXAO"));
    m_offlineBanner->setAlignment(Qt::AlignCenter);
    m_offlineBanner->setWordWrap(true);
    m_offlineBanner->setStyleSheet(
        QStringLiteral("QLabel { background: #b3261e; color: white; font-weight: bold; padding: 6px; }"));
    m_offlineBanner->hide();
    m_ui->MainLayout->insertWidget(1, m_offlineBanner);
    m_retry = new QTimer(this);
    m_retry->setObjectName(QStringLiteral("Cm_TimerReconexao"));
    m_retry->setInterval(kRetryMs);
    connect(m_retry, &QTimer::timeout, this, &MainForm::tryReconnect);

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
    connect(Cm_Timer_ABRAR, &QTimer::timeout, this, [this] { dispatch(QStringLiteral("ABRAR")); });
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
    // The item last clicked is the one a double click edits; an
    // observation row (id 0) edits nothing.
    connect(m_ui->Lv_Itens, &QTreeWidget::itemClicked, this, [](QTreeWidgetItem *item) {
        records::W_INCREME().setDigits(std::uint64_t(item->text(0).toLongLong()));
        records::W_COMANDA().setDigits(std::uint64_t(item->text(5).toLongLong()));
    });
    connect(m_ui->Lv_Itens, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem *item) {
        records::W_INCREME().setDigits(std::uint64_t(item->text(0).toLongLong()));
        records::W_COMANDA().setDigits(std::uint64_t(item->text(5).toLongLong()));
        if (records::W_INCREME().digits() != 0)
            m_items->CARITEM();
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

void MainForm::dispatch(const QString &code)
{
    m_functionCode = code;
    watchingServer([this, &code] {
        if (code == QLatin1String("ABRAR"))
            ABRAR();
        else if (code == QLatin1String("MESAS"))
            m_board->MESAS();
        else if (code == QLatin1String("LERMESA"))
            m_detail->LERMESA();
        else if (code == QLatin1String("TECLA"))
            TECLA();
    });
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
    if (!m_offline && !m_closed && sql.lostCount() != lossesBefore && sql.result().connectionLost())
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

void MainForm::takeKeyBar()
{
    // The bar's entries go into a grid of their own, so the bar can take a
    // second row on a screen too narrow for one.
    QLayout *row = m_ui->CmFrame47->layout();
    const QMargins margins = row->contentsMargins();
    const int spacing = row->spacing();
    while (QLayoutItem *item = row->takeAt(0)) {
        if (item->widget())
            m_keyEntries.push_back(item->widget());
        delete item;
    }
    delete row;
    auto *grid = new QGridLayout(m_ui->CmFrame47);
    grid->setObjectName(QStringLiteral("KeyBarLayout"));
    grid->setContentsMargins(margins);
    grid->setSpacing(spacing);
    arrangeKeyBar(1);
}

void MainForm::arrangeKeyBar(int rows)
{
    auto *grid = static_cast<QGridLayout *>(m_ui->CmFrame47->layout());
    const int count = int(m_keyEntries.size());
    const int columns = (count + rows - 1) / rows;
    if (rows == m_keyBarRows && grid->count() == count)
        return;
    m_keyBarRows = rows;
    for (QWidget *entry : m_keyEntries)
        grid->removeWidget(entry);
    for (int c = 0; c < grid->columnCount(); ++c)
        grid->setColumnStretch(c, 0);
    for (int i = 0; i < count; ++i)
        grid->addWidget(m_keyEntries[std::size_t(i)], i / columns, i % columns);
    for (int c = 0; c < columns; ++c)
        grid->setColumnStretch(c, 1);
}

void MainForm::fitKeyBar()
{
    // One row when the screen is wide enough for every entry side by side,
    // two otherwise: the bar is never cut, whatever monitor the desk has.
    const QMargins margins = m_ui->CmFrame47->layout()->contentsMargins();
    int oneRow = margins.left() + margins.right() + m_ui->MainLayout->contentsMargins().left()
                 + m_ui->MainLayout->contentsMargins().right();
    for (QWidget *entry : m_keyEntries)
        oneRow += entry->minimumSizeHint().width() + m_ui->CmFrame47->layout()->spacing();
    const QScreen *where = screen();
    const int available = where ? where->availableGeometry().width() : oneRow;
    arrangeKeyBar(oneRow <= available ? 1 : 2);
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

    // 1. Frames in place: only the wait notice while the connection is made.
    // The cash-desk choice shows once everything it depends on is read, so
    // the notice never shows through between a warning and the buttons.
    placeFrames();
    m_ui->Frm_Escolhe->hide();
    m_ui->Frm_Aguarde->show();
    m_ui->Frm_Aguarde->raise();

    // 2. The logged-in operator, from the shared-variables file.
    bool openFailed = false;
    const QString varsStatus = session.readVariables(openFailed);
    if (openFailed)
        return (void)failStartup(QStringLiteral("Erro ") + varsStatus
                                 + QStringLiteral(" na abertura C:\\Velmorant\\Temp\\VARIAVEIS.TXT !!!"));
    if (varsStatus != QLatin1String("00"))
        return (void)failStartup(QStringLiteral("Erro na passagem de parametros !!!"));
    log::info(
        QStringLiteral("operador da sessão: %1 %2").arg(session.operatorCode()).arg(session.operatorName().trimmed()));

    // 3. The cash-desk control record.
    switch (session.readCashDesk()) {
    case KeyedFile::Read::Ok: break;
    case KeyedFile::Read::OpenFailed: return (void)failStartup(QStringLiteral("Erro na abertura dos caixas !!!"));
    case KeyedFile::Read::Locked: return (void)failStartup(QStringLiteral("Arquivo dos caixas sendo acessado !!!"));
    case KeyedFile::Read::Failed: return (void)failStartup(QStringLiteral("Erro na leitura do arquivo de caixas !!!"));
    }

    // 4. Today's date; the first statement, so the connection is made here.
    static const Layout kToday("today", {FieldDef::C("hoje", 8)});
    Record today(kToday);
    while (!sql.exec(stmt::kToday, {}, &today).ok()) {
        // Without a database nothing of this screen works: say why, in the
        // server's words and, when the server refused the desk, in plain
        // ones, and offer to correct the connection before stopping.
        UiService &ui = UiService::instance();
        const SqlResult failed = sql.result();
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
            ui.message(this, failed.message().left(120), style::kStop);
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
    }

    // The connection is made: the notice has said what it had to.
    m_ui->Frm_Aguarde->hide();

    // 5. A period left open on another day.
    for (const QString &warning : session.staleWarnings(today.text(0)))
        UiService::instance().message(this, warning, style::kInformation);

    // 6. The status filter, set without running a rebuild: the board timer
    // starts only with the cash-desk choice.
    {
        const QSignalBlocker block(m_ui->Cb_STATUSM);
        m_ui->Cb_STATUSM->clear();
        m_ui->Cb_STATUSM->addItems(kStatusFilter);
        m_ui->Cb_STATUSM->setCurrentIndex(6);
    }
    m_board->prepareListViews();

    // 7. The parameters row.
    session.readParameters();

    // 8. Operators, cancellation reasons, printers and the saved printer.
    session.loadOperators();
    session.loadReasons();
    session.loadPrinters();
    m_ui->Cb_Operador->clear();
    for (const OperatorEntry &op : session.operators())
        m_ui->Cb_Operador->addItem(op.name, op.code);
    m_ui->Cb_Operador->setCurrentIndex(-1);
    m_ui->Cb_IMPRE->clear();
    m_ui->Cb_IMPRE->addItems(session.printers());
    m_ui->Cb_IMPRE->setCurrentIndex(session.printers().indexOf(session.savedPrinter()));
    m_cancel->loadReasons();
    m_printing->loadPrinters();

    // 9. The period: dinner wins when both are open.
    session.choosePeriod();
    m_ui->Ds_TURNO->setText(session.periodCaption());

    // 10. Cash-desk buttons of the open desks.
    QAbstractButton *firstOpenDesk = nullptr;
    for (QAbstractButton *button : m_ui->Bt_CX->buttons()) {
        button->setEnabled(session.deskOpen(button->objectName().right(1).toInt()));
        if (button->isEnabled() && (!firstOpenDesk || button->objectName() < firstOpenDesk->objectName()))
            firstOpenDesk = button;
    }

    // 11. The observation list.
    if (!session.loadObservations()) {
        UiService &ui = UiService::instance();
        ui.console(QString(40, QLatin1Char('-')));
        ui.console(QStringLiteral("Mesa - Erro lendo observações"));
        ui.console(sql.state());
        ui.console(sql.message());
        return (void)failStartup(QStringLiteral("Erro na leitura das observações !!!"));
    }
    m_items->loadObservationList();

    // 12. The rights of the logged-in operator.
    session.readLoggedOperator();
    m_ui->Bt_GEREN->setEnabled(session.hasRight(5));
    m_ui->Bt_MFECH->setEnabled(session.hasRight(7));
    m_ui->Bt_COMIS->setEnabled(session.hasRight(7));

    // 13. The board (nothing until a cash desk is chosen).
    dispatch(QStringLiteral("MESAS"));

    // 14. The choice. The focus waits on the first open desk, so a key
    // pressed right away cannot end the program; with no desk to choose the
    // frame says why, and leaving is all there is to do.
    if (!firstOpenDesk)
        m_ui->Lb_EscolheDica->setText(session.deskOpen(0)
                                          ? QStringLiteral("Nenhum caixa aberto neste período: abra um caixa e "
                                                           "acesse novamente !!!")
                                          : QStringLiteral("Nenhum período aberto (almoço ou jantar): abra o "
                                                           "período e acesse novamente !!!"));
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
    const bool already = m_offline;
    m_offline = true;
    // Whichever connection found the server gone, the desk's own and the
    // board's may be dead too: the next statement of each, the retry's
    // rebuild first, checks its connection before it runs.
    desk::sql().checkBeforeNextUse();
    m_board->checkConnectionNext();
    Cm_TimerMesas->stop();
    const QTime last = m_board->lastGood();
    const QString board =
        last.isValid() ? QStringLiteral(" (quadro das %1)").arg(last.toString(QStringLiteral("HH:mm:ss"))) : QString();
    QString refusal;
    if (why.refused()) {
        // Refused, not gone: hammering the server with the same log-in
        // helps nobody (and looks like an attack in its log).
        ++m_refusals;
        m_retry->setInterval(retryIntervalMs());
        const Sql::Connection *connection = desk::sql().connection();
        refusal = connectFailureText(why.connectFailure, connection ? connection->where() : QString(),
                                     connection ? connection->database : QString());
        log::error(
            QStringLiteral("%1 (%2); nova tentativa em %3 s").arg(refusal, why.message).arg(retryIntervalMs() / 1000));
        m_offlineBanner->setText(QStringLiteral("%1: %2 — nova tentativa em %3 s%4")
                                     .arg(refusal, why.message)
                                     .arg(retryIntervalMs() / 1000)
                                     .arg(board));
    } else {
        if (m_refusals > 0 || !already)
            log::warning(QStringLiteral("sem conexão com o banco de dados; o caixa espera pelo servidor"));
        m_refusals = 0;
        m_toldRefusal = false;
        m_retry->setInterval(kRetryMs);
        m_offlineBanner->setText(QStringLiteral("Sem conexão com o banco de dados, tentando novamente…") + board);
    }
    m_offlineBanner->show();
    // The board keeps what it showed, greyed: it is no longer the truth.
    m_ui->Lv_Mesas->setEnabled(false);
    m_ui->Lv_Mesas->setToolTip(m_offlineBanner->text());
    if (!m_retry->isActive())
        m_retry->start();
    // Told once: the tries that follow fail in silence until one answers.
    if (!refusal.isEmpty()) {
        if (!m_toldRefusal) {
            m_toldRefusal = true;
            UiService::instance().longMessage(this, refusal + QStringLiteral("\n\n") + why.message, style::kStop);
        }
    } else if (!already && !message.isEmpty()) {
        UiService::instance().message(this, message, style::kStop);
    }
}

int MainForm::retryIntervalMs() const
{
    if (m_refusals == 0)
        return kRetryMs;
    return int(std::min<qint64>(qint64(kRetryMs) << std::min(m_refusals, 10), kMaxRetryMs));
}

void MainForm::tryReconnect()
{
    if (!m_offline || m_closed)
        return;
    // The server is asked by a board rebuild, on the board's own thread: a
    // stalled server keeps that thread waiting up to the timeout, never the
    // screen. A rebuild that finds the server again brings the desk back
    // (backOnline); one that does not leaves it waiting, in silence.
    m_board->MESAS(m_currentTable == 0 ? Board::StartTimer : 0);
}

void MainForm::backOnline()
{
    if (!m_offline)
        return;
    m_offline = false;
    m_refusals = 0;
    m_toldRefusal = false;
    m_retry->setInterval(kRetryMs);
    log::info(QStringLiteral("conexão com o banco de dados de volta"));
    desk::sql().serverAnswered();
    m_retry->stop();
    m_offlineBanner->hide();
    m_ui->Lv_Mesas->setEnabled(true);
    m_ui->Lv_Mesas->setToolTip(QString());
    // Work resumes where it was: the same desk, the fresh board, and a table
    // on show read again, as what it showed may have changed meanwhile. A
    // command frame still open keeps the table as it is until the cashier
    // leaves it.
    if (m_currentTable != 0 && !commandFrameOpen())
        reread();
}

bool MainForm::refuseOffline()
{
    if (!m_offline)
        return false;
    // One box for a burst of keys: a cashier trying several commands in a
    // row is told once, not once per key.
    if (!m_lastRefusal.isValid() || m_lastRefusal.elapsed() > 1000)
        UiService::instance().message(this, QStringLiteral("Sem conexão com o banco de dados, aguarde !!!"),
                                      style::kInformation);
    m_lastRefusal.start();
    return true;
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
    dispatch(QStringLiteral("TECLA"));
}

bool MainForm::deskKey(int key)
{
    if (key == vk::kF5) {
        // "CONTA DIVIDIDA" goes straight to the split, as its button does.
        m_ui->Frm_DIVIDE->click();
        return true;
    }
    if (key >= vk::kF1 || key == vk::kInsert || key == vk::kEscape) {
        pressKey(key);
        return true;
    }
    return false;
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

bool MainForm::itemListKey(QKeyEvent &event)
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
    switch (event.key()) {
    case Qt::Key_Up: moveTo(at - 1); return true;
    case Qt::Key_Down: moveTo(at + 1); return true;
    case Qt::Key_PageUp: moveTo(at - page); return true;
    case Qt::Key_PageDown: moveTo(at + page); return true;
    case Qt::Key_End: moveTo(rows - 1); return true;
    case Qt::Key_Space:
        if (list->currentItem())
            selection->select(list->currentIndex(), QItemSelectionModel::Toggle | QItemSelectionModel::Rows);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (QTreeWidgetItem *item = list->currentItem())
            emit list->itemDoubleClicked(item, 0);
        return true;
    case Qt::Key_Backspace:
        // Back to the table number, selected so the next number replaces it.
        m_ui->Ed_CODIMES->setFocus(Qt::ShortcutFocusReason);
        m_ui->Ed_CODIMES->selectAll();
        return true;
    default: return false;
    }
}

void MainForm::refuseBlocked()
{
    UiService::instance().message(this, QStringLiteral("Mesa Bloqueada !!!"), style::kInformation);
}

bool MainForm::commandFrameOpen() const
{
    // Every command frame (include, reason, print, transfer) disables the
    // table area while it is shown.
    return !m_ui->Frm_CaixaM->isEnabled();
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
            ui.message(this, outcome.error.message.left(120), style::kStop);
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
    dispatch(QStringLiteral("LERMESA"));
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
            dispatch(QStringLiteral("LERMESA"));
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
        auto *keyEvent = static_cast<QKeyEvent *>(event);
        const int key = virtualKey(*keyEvent);
        if (watched == m_ui->Ed_CODIMES) {
            if (key == vk::kDown) {
                enterItemList();
                return true;
            }
            if (key == vk::kF5)
                return deskKey(key);
            if (key == vk::kEnter || key == vk::kTab) {
                // Leaving the field runs the table-number procedure. It is
                // started here rather than from Ed_FOCO's focus event: a
                // window that is not active (after a dialog, without a
                // window manager) delivers no focus events.
                QMetaObject::invokeMethod(this, &MainForm::onTableEntered, Qt::QueuedConnection);
                return true;
            }
            if (key == vk::kBackspace || (key >= vk::kNumpad0 && key <= vk::kNumpad9))
                return false; // stays with the field
            if (key >= vk::kF1 || key == vk::kInsert || key == vk::kDelete || key == vk::kHome || key == vk::kEscape) {
                pressKey(key);
                return true;
            }
            if (key >= 48 && key <= 57)
                pressKey(key); // the key procedure ignores digits; the field takes them
            return false;
        }
        if (watched == m_ui->Lv_Itens) {
            if (itemListKey(*keyEvent))
                return true;
            if (key == vk::kF5)
                return deskKey(key);
            if (key != 0) {
                pressKey(key);
                return key >= vk::kF1 || key == vk::kInsert || key == vk::kDelete || key == vk::kEscape;
            }
            return false;
        }
        if (watched->property("qvDeskField").toBool() && keyEvent->modifiers() == Qt::NoModifier
            && (key >= vk::kF1 || key == vk::kEscape) && m_started && !m_closed && !m_ui->Frm_Escolhe->isVisible()) {
            // The function keys mean the same from every field of the form.
            // The field is left first, as Tab would leave it, so a value
            // typed there is confirmed before the key acts.
            if (!commandFrameOpen())
                m_ui->Ed_CODIMES->setFocus(Qt::TabFocusReason);
            return deskKey(key);
        }
    }
    return QWidget::eventFilter(watched, event);
}

void MainForm::keyPressEvent(QKeyEvent *event)
{
    const int key = virtualKey(*event);
    // F6 closes the form from anywhere, the choice frame included.
    if (key == vk::kF6) {
        closeForm();
        return;
    }
    // While the cash desk is being chosen, its digit chooses it, as a click
    // on its button would.
    if (m_ui->Frm_Escolhe->isVisible() && m_started && !m_closed) {
        int desk = 0;
        if (key >= '1' && key <= '5')
            desk = key - '0';
        else if (key >= vk::kNumpad0 + 1 && key <= vk::kNumpad0 + 5)
            desk = key - vk::kNumpad0;
        auto *button = desk ? findChild<QAbstractButton *>(QStringLiteral("Bt_CX%1").arg(desk)) : nullptr;
        // Enter chooses the desk in focus, as Space does.
        if (key == vk::kEnter && m_ui->Bt_CX->buttons().contains(qobject_cast<QAbstractButton *>(focusWidget())))
            button = qobject_cast<QAbstractButton *>(focusWidget());
        if (button && button->isEnabled()) {
            button->click();
            return;
        }
    }
    // A function key that no field took (the focus on a button, say) still
    // reaches the key procedure once a desk is chosen.
    if (m_started && !m_closed && !m_ui->Frm_Escolhe->isVisible() && !commandFrameOpen()
        && event->modifiers() == Qt::NoModifier && (key >= vk::kF1 || key == vk::kInsert || key == vk::kEscape)
        && deskKey(key))
        return;
    QWidget::keyPressEvent(event);
}

} // namespace qv
