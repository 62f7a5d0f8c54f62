#include "board/forms/Board.h"
#include "platform/ui/ColumnFit.h"
#include "platform/ui/Desk.h"

#include "board/forms/BoardWorker.h"
#include "board/forms/Detail.h"
#include "board/forms/MainForm.h"
#include "data/Tables.h"
#include "platform/SharedRecords.h"
#include "platform/Sql.h"
#include "platform/ui/UiService.h"
#include "session/Exchanges.h"
#include "session/Session.h"
#include "ui_MainForm.h"

#include <QComboBox>
#include <QFont>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QShortcut>

#include <algorithm>

namespace qv {

const QIcon &stateIcon(int number)
{
    static const std::array<QIcon, 6> icons = {
        QIcon(QStringLiteral(":/icons/state1-open.svg")),
        QIcon(QStringLiteral(":/icons/state2-order.svg")),
        QIcon(QStringLiteral(":/icons/state3-dessert.svg")),
        QIcon(QStringLiteral(":/icons/state4-closed.svg")),
        QIcon(QStringLiteral(":/icons/state5-blocked.svg")),
        QIcon(QStringLiteral(":/icons/state6-order-collected.svg")),
    };
    return icons[std::size_t(std::clamp(number, 1, 6) - 1)];
}

QString stateName(char state)
{
    switch (state) {
    case 'A': return QStringLiteral("Aberta");
    case 'P': return QStringLiteral("Pedido");
    case 'S': return QStringLiteral("Sobremesa");
    case 'I': return QStringLiteral("Conta pedida");
    case 'B': return QStringLiteral("Bloqueada");
    default: return QStringLiteral("Fechada");
    }
}

namespace {

// Every entry of the board filter rebuilds the board and sends the focus
// back to Mesa: an arrow on the closed box would apply each entry passed
// on the way. So an arrow opens the list instead, the arrows walk it, and
// Enter applies the entry reached (Esc leaves the filter as it was).
class FilterKeys : public QObject
{
public:
    explicit FilterKeys(QComboBox &box) : QObject(&box), m_box(box)
    {
        setObjectName(QStringLiteral("qvFilterKeys"));
        box.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != &m_box || event->type() != QEvent::KeyPress)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        switch (key->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Home:
        case Qt::Key_End:
            if (key->modifiers() & ~Qt::KeypadModifier)
                return false;
            m_box.showPopup();
            return true;
        default: return false;
        }
    }

private:
    QComboBox &m_box;
};

// In a list with nothing to expand, Left and Right scroll it sideways, a
// column's worth at a time, to the amounts a narrow screen leaves out.
class SidewaysKeys : public QObject
{
public:
    explicit SidewaysKeys(QTreeWidget &list) : QObject(&list), m_list(list) { list.installEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != &m_list || event->type() != QEvent::KeyPress)
            return false;
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key != Qt::Key_Left && key != Qt::Key_Right)
            return false;
        QScrollBar *bar = m_list.horizontalScrollBar();
        const int step = std::max(20, m_list.viewport()->width() / 3);
        bar->setValue(bar->value() + (key == Qt::Key_Right ? step : -step));
        return true;
    }

private:
    QTreeWidget &m_list;
};

} // namespace

Board::Board(MainForm &form) : m_form(form), m_worker(std::make_unique<BoardWorker>())
{
    QObject::connect(m_worker.get(), &BoardWorker::built, &m_form,
                     [this](const BoardSnapshot &board) { onBuilt(board); });
}

Board::~Board() = default;

void Board::prepareListViews()
{
    auto &ui = m_form.ui();
    for (QTreeWidget *list : {ui.Lv_Mesas, ui.Lv_Itens}) {
        list->setSelectionBehavior(QAbstractItemView::SelectRows);
        list->setProperty("grid", true);
    }
    // The board: state icon, table, people, waiter, several-positions mark.
    // Every title is whole, and the board is never so narrow that the
    // waiter's column loses its title (a longer name shows in its tooltip).
    ui.Lv_Mesas->setSelectionMode(QAbstractItemView::SingleSelection);
    auto *header = ui.Lv_Mesas->header();
    header->setStretchLastSection(false);
    header->setMinimumSectionSize(20);
    header->setSectionResizeMode(QHeaderView::Fixed);
    const int boardWidths[] = {30, std::max(48, titleWidth(*ui.Lv_Mesas, 1)), titleWidth(*ui.Lv_Mesas, 2), 0, 20};
    for (int c : {0, 1, 2, 4})
        header->resizeSection(c, boardWidths[c]);
    header->setSectionResizeMode(3, QHeaderView::Stretch);
    const int waiterColumn =
        std::max(titleWidth(*ui.Lv_Mesas, 3), QFontMetrics(ui.Lv_Mesas->font()).averageCharWidth() * 10);
    ui.Lv_Mesas->setMinimumWidth(boardWidths[0] + boardWidths[1] + boardWidths[2] + waiterColumn + boardWidths[4]
                                 + listChrome(*ui.Lv_Mesas));

    auto *items = ui.Lv_Itens->header();
    const int widths[] = {70, 22, 260, 80, 120, 70, 70, 30, 70, 64, 72, 120, 64};
    // A column is never narrower than its title, and the list scrolls
    // sideways.
    for (int c = 0; c < 13; ++c)
        items->resizeSection(c, std::max(widths[c], titleWidth(*ui.Lv_Itens, c)));
    for (int c : {3, 10})
        ui.Lv_Itens->headerItem()->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);

    // The products grouped: the description takes what the numbers leave,
    // never less than its title; on a narrow screen the list scrolls.
    auto *consol = ui.Lv_Consol->header();
    for (int c = 1; c <= 3; ++c) {
        consol->setSectionResizeMode(c, QHeaderView::ResizeToContents);
        ui.Lv_Consol->headerItem()->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
    }
    fillColumn(*ui.Lv_Consol, 0);
    // Its figures are never cut: the list keeps room for the figure columns
    // at their titles' width and the description's title; wider amounts
    // widen their columns and the list scrolls sideways (Alt+O, arrows).
    int grouped = listChrome(*ui.Lv_Consol);
    for (int c = 0; c <= 3; ++c)
        grouped += titleWidth(*ui.Lv_Consol, c);
    ui.Lv_Consol->setMinimumWidth(grouped);
    if (!m_form.findChild<QShortcut *>(QStringLiteral("qvGroupedKey"))) {
        auto *reach = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_O), &m_form);
        reach->setObjectName(QStringLiteral("qvGroupedKey"));
        new SidewaysKeys(*ui.Lv_Consol);
        QTreeWidget *grouped = ui.Lv_Consol;
        QObject::connect(reach, &QShortcut::activated, grouped, [grouped] {
            grouped->setFocus(Qt::ShortcutFocusReason);
            if (!grouped->currentItem() && grouped->topLevelItemCount() > 0)
                grouped->setCurrentItem(grouped->topLevelItem(0), 0, QItemSelectionModel::NoUpdate);
        });
    }

    if (!ui.Cb_STATUSM->findChild<QObject *>(QStringLiteral("qvFilterKeys"), Qt::FindDirectChildrenOnly))
        new FilterKeys(*ui.Cb_STATUSM);
}

char examinePosition(int idMesa, char status)
{
    return examinePosition(desk::sql(), idMesa, status);
}

void Board::MESAS(int then)
{
    if (desk::session().desk() == 0 || m_form.closedDown())
        return;
    m_then |= then;
    if (m_then & Waiting) {
        m_form.ui().Frm_AguardeMesas->show();
        m_form.ui().Frm_AguardeMesas->raise();
    }
    if (m_worker->running()) {
        // Never two at once: one more follows the one running, which may
        // have been started with another filter.
        m_again = true;
        return;
    }
    launch();
}

void Board::launch()
{
    BoardQuery query;
    query.filter = m_form.ui().Cb_STATUSM->currentIndex() + 1;
    // The sales carry the period's business date, whatever day this desk
    // was opened on: the closed-accounts counter must count by the same.
    query.businessDate = records::W_PABEDAT().text();
    query.period = desk::session().period();
    const Sql::Connection *main = desk::sql().connection();
    m_worker->start(query, main ? std::optional<Sql::Connection>(*main) : std::nullopt);
    ++m_started;
}

bool Board::rebuilding() const
{
    return m_worker->running() || m_again;
}

void Board::keepTimerStopped()
{
    m_then &= ~StartTimer;
}

void Board::onBuilt(const BoardSnapshot &board)
{
    if (m_form.closedDown()) {
        // Nothing more is shown on a closed form, nor asked for.
        m_again = false;
        m_then = Nothing;
        return;
    }
    if (m_again) {
        // Already out of date: the next one replaces it.
        m_again = false;
        launch();
        return;
    }
    const int then = m_then;
    m_then = Nothing;
    m_form.ui().Frm_AguardeMesas->hide();
    if (board.result == BoardSnapshot::Result::Failed && board.failure.error.connectionLost) {
        // The server went away: the board keeps what it showed, marked
        // stale, and the desk waits for the server instead of closing.
        m_form.goOffline(board.failure.message, board.failure.error);
        return;
    }
    if (board.result != BoardSnapshot::Result::Failed)
        m_lastGood = QTime::currentTime();
    if (board.result == BoardSnapshot::Result::Failed) {
        UiService::instance().message(&m_form, board.failure.message, style::kStop);
        if (board.fatal)
            m_form.closeAfterFailure();
    }
    // Only the board's own widgets change: a table shown meanwhile, or a
    // command on it, goes on as it was.
    show(board);
    if (m_form.closedDown())
        return;
    if (board.result != BoardSnapshot::Result::Failed && m_form.offline())
        m_form.backOnline();
    if (then & StartTimer)
        m_form.resumeBoard();
    if (then & HideCounters) {
        m_form.ui().Frm_EmAndamento->hide();
        m_form.ui().Frm_Fechadas->hide();
    }
}

void Board::checkConnectionNext()
{
    m_worker->checkConnectionNext();
}

void Board::failNextRebuild(const std::string &text)
{
    m_worker->failNext(text);
}

void Board::holdRebuildsOn(QSemaphore &gate)
{
    m_worker->holdOn(gate);
}

void Board::show(const BoardSnapshot &board)
{
    auto &ui = m_form.ui();
    if (!board.clock.isEmpty())
        ui.Ds_HORABCO->setText(board.clock);
    // The list is replaced in one step: nothing half-built is ever shown.
    ui.Lv_Mesas->setUpdatesEnabled(false);
    ui.Lv_Mesas->clear();
    for (const BoardRow &row : board.rows) {
        auto *item = new QTreeWidgetItem(ui.Lv_Mesas);
        item->setIcon(0, stateIcon(row.icon));
        item->setData(0, Qt::UserRole, QChar::fromLatin1(row.state));
        item->setData(0, Qt::UserRole + 1, row.icon);
        item->setToolTip(0, stateName(row.state));
        item->setText(1, QStringLiteral("%1").arg(row.table, 3));
        item->setText(2, QStringLiteral("%1").arg(row.people, 3));
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        item->setText(3, row.waiterName);
        item->setToolTip(3, row.waiterName);
        item->setText(4, row.severalPositions ? QStringLiteral("*") : QString());
        item->setTextAlignment(4, Qt::AlignCenter);
    }
    ui.Lv_Mesas->setUpdatesEnabled(true);
    m_summary = board.summary;
    if (board.busyTablesRead)
        ui.Ds_MESALAN->setText(QString::number(board.busyTables));
    if (board.closedSalesRead)
        ui.Ds_MESAFEC->setText(QString::number(board.closedSales));
}

void Board::tableNumberProcedure(bool typed)
{
    auto &ui = m_form.ui();
    int value = m_form.typedTable();
    if (value < 100) {
        if (value == 0 && typed) {
            // An empty field: nothing to choose.
            return;
        }
        // A bare table number: the chooser picks the position.
        exchange::TableChooserExchange::write({value * 100, value * 100 + 99});
        UiService::instance().openForm(QStringLiteral("99-Mesa"), &m_form);
        const int chosen = exchange::TableChooserExchange::read().chosen;
        if (chosen == 0) {
            if (typed) {
                m_form.showTableNumber(m_form.currentTable());
                ui.Ed_CODIMES->setFocus();
            } else {
                ui.Ed_CODIMES->setText(QStringLiteral("0"));
            }
            return;
        }
        m_form.showTableNumber(chosen);
        value = chosen;
    }
    if (typed) {
        if (value > 8001) {
            m_form.showTableNumber(m_form.currentTable());
            ui.Ed_CODIMES->setFocus();
            return;
        }
        if (value == m_form.currentTable()) {
            m_form.showTableNumber(value);
            return;
        }
    }
    m_form.reread();
}

void Board::release()
{
    m_form.detail().clear();
    m_form.setCurrentTable(0);
    m_form.showTableNumber(0);
    m_form.rebuildBoard();
    if (!m_form.closedDown())
        m_form.resumeBoard();
}

} // namespace qv
