#include "board/forms/Board.h"
#include "platform/ui/ColumnFit.h"
#include "platform/ui/Desk.h"

#include "board/forms/BoardWorker.h"
#include "board/forms/DeskController.h"
#include "data/Status.h"
#include "platform/SharedRecords.h"
#include "platform/Sql.h"
#include "platform/ui/UiService.h"
#include "session/Session.h"

#include <QComboBox>
#include <QFont>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTreeWidget>

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
    switch (ShownState(state)) {
    case ShownState::Open: return QStringLiteral("Aberta");
    case ShownState::Ordered: return QStringLiteral("Pedido");
    case ShownState::Dessert: return QStringLiteral("Sobremesa");
    case ShownState::BillRequested: return QStringLiteral("Conta pedida");
    case ShownState::Blocked: return QStringLiteral("Bloqueada");
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

} // namespace

Board::Board(DeskController &desk, const BoardWidgets &widgets)
    : QObject(&desk), m_desk(desk), m_w(widgets), m_worker(std::make_unique<BoardWorker>())
{
    setObjectName(QStringLiteral("qvBoard"));
    connect(m_worker.get(), &BoardWorker::built, this, [this](const BoardSnapshot &board) { onBuilt(board); });
}

Board::~Board() = default;

void Board::prepareList()
{
    QTreeWidget *list = m_w.list;
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setProperty("grid", true);
    // The board: state icon, table, people, waiter, several-positions mark.
    // Every title is whole, and the board is never so narrow that the
    // waiter's column loses its title (a longer name shows in its tooltip).
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    auto *header = list->header();
    header->setStretchLastSection(false);
    header->setMinimumSectionSize(20);
    header->setSectionResizeMode(QHeaderView::Fixed);
    const int boardWidths[] = {30, std::max(48, titleWidth(*list, 1)), titleWidth(*list, 2), 0, 20};
    for (int c : {0, 1, 2, 4})
        header->resizeSection(c, boardWidths[c]);
    header->setSectionResizeMode(3, QHeaderView::Stretch);
    const int waiterColumn = std::max(titleWidth(*list, 3), QFontMetrics(list->font()).averageCharWidth() * 10);
    list->setMinimumWidth(boardWidths[0] + boardWidths[1] + boardWidths[2] + waiterColumn + boardWidths[4]
                          + listChrome(*list));

    if (!m_w.filter->findChild<QObject *>(QStringLiteral("qvFilterKeys"), Qt::FindDirectChildrenOnly))
        new FilterKeys(*m_w.filter);
}

char examinePosition(int idMesa, char status)
{
    return examinePosition(desk::sql(), idMesa, status);
}

void Board::MESAS(int then)
{
    if (desk::session().desk() == 0 || m_desk.closing())
        return;
    m_then |= then;
    if (m_then & Waiting) {
        m_w.waiting->show();
        m_w.waiting->raise();
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
    query.filter = m_w.filter->currentIndex() + 1;
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

void Board::showCounters()
{
    m_w.inProgress->show();
    m_w.closed->show();
}

void Board::onBuilt(const BoardSnapshot &board)
{
    if (m_desk.closing()) {
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
    m_w.waiting->hide();
    if (board.result == BoardSnapshot::Result::Failed && board.failure.error.connectionLost) {
        // The server went away: the board keeps what it showed, marked
        // stale, and the desk waits for the server instead of closing.
        m_desk.goOffline(board.failure.message, board.failure.error);
        return;
    }
    if (board.result != BoardSnapshot::Result::Failed)
        m_lastGood = QTime::currentTime();
    if (board.result == BoardSnapshot::Result::Failed) {
        UiService::instance().message(m_desk.window(), board.failure.message, style::kStop);
        if (board.fatal)
            m_desk.closeAfterFailure();
    }
    // Only the board's own widgets change: a table shown meanwhile, or a
    // command on it, goes on as it was.
    show(board);
    if (m_desk.closing())
        return;
    if (board.result != BoardSnapshot::Result::Failed && m_desk.offline())
        m_desk.backOnline();
    if (then & StartTimer)
        m_desk.resumeBoard();
    if (then & HideCounters) {
        m_w.inProgress->hide();
        m_w.closed->hide();
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
    if (!board.clock.isEmpty())
        m_w.clock->setText(board.clock);
    // The list is replaced in one step: nothing half-built is ever shown.
    m_w.list->setUpdatesEnabled(false);
    m_w.list->clear();
    for (const BoardRow &row : board.rows) {
        auto *item = new QTreeWidgetItem(m_w.list);
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
    m_w.list->setUpdatesEnabled(true);
    m_summary = board.summary;
    if (board.busyTablesRead)
        m_w.busyTables->setText(QString::number(board.busyTables));
    if (board.closedSalesRead)
        m_w.closedSales->setText(QString::number(board.closedSales));
}

} // namespace qv
