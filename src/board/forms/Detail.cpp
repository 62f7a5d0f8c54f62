#include "board/forms/Detail.h"
#include "platform/ui/Desk.h"

#include "board/TableReader.h"
#include "board/forms/DeskController.h"
#include "data/Status.h"
#include "platform/Sql.h"
#include "platform/ui/ColumnFit.h"
#include "platform/ui/UiService.h"
#include "session/Exchanges.h"
#include "session/Session.h"

#include <QComboBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QTreeWidget>

#include <algorithm>

namespace qv {

namespace {
QString money(Decimal value)
{
    return value.toDisplay(2);
}

// Another table starts with its lists at their first columns (Controle,
// Produto): a list left scrolled sideways for the last table would hide
// what the cashier reads first.
void scrollToFirstColumns(std::initializer_list<QTreeWidget *> lists)
{
    for (QTreeWidget *list : lists)
        list->horizontalScrollBar()->setValue(0);
}

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

Detail::Detail(DeskController &desk, const DetailWidgets &widgets)
    : m_desk(desk), m_w(widgets), m_reader(desk::sql(), desk::session())
{}

void Detail::prepareLists()
{
    m_w.items->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_w.items->setProperty("grid", true);
    auto *items = m_w.items->header();
    const int widths[] = {70, 22, 260, 80, 120, 70, 70, 30, 70, 64, 72, 120, 64};
    // A column is never narrower than its title, and the list scrolls
    // sideways.
    for (int c = 0; c < 13; ++c)
        items->resizeSection(c, std::max(widths[c], titleWidth(*m_w.items, c)));
    for (int c : {3, 10})
        m_w.items->headerItem()->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);

    // The products grouped: the description takes what the numbers leave,
    // never less than its title; on a narrow screen the list scrolls.
    QTreeWidget *grouped = m_w.grouped;
    auto *consol = grouped->header();
    for (int c = 1; c <= 3; ++c) {
        consol->setSectionResizeMode(c, QHeaderView::ResizeToContents);
        grouped->headerItem()->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
    }
    fillColumn(*grouped, 0);
    // Its figures are never cut: the list keeps room for the figure columns
    // at their titles' width and the description's title; wider amounts
    // widen their columns and the list scrolls sideways (Alt+O, arrows).
    int room = listChrome(*grouped);
    for (int c = 0; c <= 3; ++c)
        room += titleWidth(*grouped, c);
    grouped->setMinimumWidth(room);
    if (!m_w.window->findChild<QShortcut *>(QStringLiteral("qvGroupedKey"))) {
        auto *reach = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_O), m_w.window);
        reach->setObjectName(QStringLiteral("qvGroupedKey"));
        new SidewaysKeys(*grouped);
        QObject::connect(reach, &QShortcut::activated, grouped, [grouped] {
            grouped->setFocus(Qt::ShortcutFocusReason);
            if (!grouped->currentItem() && grouped->topLevelItemCount() > 0)
                grouped->setCurrentItem(grouped->topLevelItem(0), 0, QItemSelectionModel::NoUpdate);
        });
    }
}

void Detail::switchObservations()
{
    m_showObservations = !m_showObservations;
    // The caption names what the button will do next.
    m_w.showObs->setText(m_showObservations ? QStringLiteral("NÃO MOSTRA OBS") : QStringLiteral("MOSTRA OBS"));
}

void Detail::clear()
{
    m_w.items->clear();
    m_w.grouped->clear();
    m_shown = ShownTable();
    for (QLineEdit *field :
         {m_w.waiterCode,    m_w.waiterName,     m_w.people,       m_w.openedAt,         m_w.timeOpen,
          m_w.itemCount,     m_w.products,       m_w.discountCode, m_w.discountOperator, m_w.discountPercent,
          m_w.discountValue, m_w.manualDiscount, m_w.subtotal,     m_w.servicePercent,   m_w.serviceValue,
          m_w.tableTotal,    m_w.perPerson,      m_w.principal,    m_w.takeAway,         m_w.takeAwayNet})
        field->clear();
    m_w.waiter->setCurrentIndex(-1);
    // The captions tell the state of the table shown; with none shown they
    // go back to their resting texts.
    m_w.block->setText(QStringLiteral("BLOQUEIA MESA"));
    m_w.service->setText(QStringLiteral("INCLUIR SERVIÇO"));
}

void Detail::refreshTimeOpen()
{
    // The desk's connection is busy on another thread: the next tick asks.
    if (desk::sqlLent())
        return;
    if (const auto open = m_reader.timeOpenSince(m_shown.openedAt))
        m_w.timeOpen->setText(*open);
}

void Detail::LERMESA()
{
    Session &session = desk::session();

    TableReader::Reading reading;
    for (;;) {
        // 1-2. Only within an open session.
        if (session.desk() == 0)
            return;
        if (!m_desk.sessionStillOpen())
            return;

        // 3. The position typed or chosen.
        const int idMesa = m_desk.typedTable();
        if (idMesa == 0)
            return;
        reading = m_reader.LERMESA(idMesa, showsObservations());
        if (reading.result == TableReader::Reading::Result::Missing) {
            // No such position: nothing to show. A row that could not be
            // read is said, never passed over in silence.
            if (!reading.failure.error.state.isEmpty()) {
                const QString told = QStringLiteral("Erro %1 na leitura da mesa !!!").arg(reading.failure.error.state);
                if (reading.failure.error.connectionLost) {
                    clear();
                    m_desk.setCurrentTable(0);
                    m_desk.showTableNumber(0);
                    m_desk.goOffline(told, reading.failure.error);
                    return;
                }
                UiService::instance().message(m_desk.window(), told, style::kStop);
                // The server's own text whole, wrapped: cut, it loses the
                // part that says what to do.
                UiService::instance().longMessage(m_desk.window(), reading.failure.error.message, style::kStop);
            }
            m_desk.showTableNumber(m_desk.currentTable());
            return;
        }

        // 4. A free position is opened first, on request.
        if (reading.result == TableReader::Reading::Result::Free) {
            if (UiService::instance().message(m_desk.window(), QStringLiteral("Mesa fechada, abre ?"), style::kAsk)
                == answer::kYes) {
                exchange::OpenTableExchange::write({idMesa});
                UiService::instance().openForm(QStringLiteral("99-AbreMesa"), m_desk.window());
                if (exchange::OpenTableExchange::read().opened) {
                    m_desk.showTableNumber(idMesa);
                    continue; // read it again, now open
                }
            }
            clear();
            m_desk.showTableNumber(0);
            m_desk.setCurrentTable(0);
            return;
        }
        break;
    }

    if (reading.result == TableReader::Reading::Result::Failed) {
        if (reading.failure.error.connectionLost) {
            // The server went away: nothing half-read is shown, and the
            // desk waits for it instead of closing.
            clear();
            m_desk.setCurrentTable(0);
            m_desk.showTableNumber(0);
            m_desk.goOffline(reading.failure.message, reading.failure.error);
            return;
        }
        UiService::instance().message(m_desk.window(), reading.failure.message, style::kStop);
        if (reading.fatal) {
            m_desk.closeAfterFailure();
            return;
        }
        // Prices that could not be read are never shown as if they were
        // right: the table is left.
        clear();
        m_desk.setCurrentTable(0);
        m_desk.showTableNumber(0);
        return;
    }

    // 5. The board stays as it is while a table is worked on.
    m_desk.pauseBoard();
    m_desk.keepBoardStill();
    const bool another = reading.table.idMesa != m_shown.idMesa;
    m_shown = std::move(reading.table);
    m_desk.showTableNumber(m_shown.idMesa);
    m_desk.setCurrentTable(m_shown.idMesa);
    paint();
    if (another)
        scrollToFirstColumns({m_w.items, m_w.grouped});
    if (m_shown.waiterNameMismatch)
        UiService::instance().message(m_desk.window(),
                                      QStringLiteral("Atenção, erro no nome do Garçon, reinicie seu computador !!!"),
                                      style::kStop);
}

void Detail::paint()
{
    const ShownTable &t = m_shown;
    m_w.items->clear();
    m_w.grouped->clear();
    m_w.waiterCode->setText(QString::number(t.waiter));
    m_w.waiterName->setText(t.waiterName.trimmed());
    m_w.waiterName->home(false); // a narrow field shows the first name, not the end
    m_w.waiter->setCurrentIndex(t.waiterIndex);
    m_w.people->setText(QString::number(t.people()));
    m_w.block->setText(t.blocked() ? QStringLiteral("DESBLOQUEIA MESA") : QStringLiteral("BLOQUEIA MESA"));
    m_w.service->setText(t.serviceOn() ? QStringLiteral("EXCLUIR SERVIÇO") : QStringLiteral("INCLUIR SERVIÇO"));

    for (const ItemListRow &r : t.listRows()) {
        const ShownItem &item = t.items[std::size_t(r.item)];
        auto *row = new QTreeWidgetItem(m_w.items);
        row->setData(0, Qt::UserRole, QVariant::fromValue<qlonglong>(r.idItem));
        if (r.observation >= 0) {
            const ShownObservation &obs = item.observations[std::size_t(r.observation)];
            const QString prefix = obs.kind == letterOf(ObservationKind::With)      ? QStringLiteral("  -> Com ")
                                   : obs.kind == letterOf(ObservationKind::Without) ? QStringLiteral("  -> Sem ")
                                                                                    : QStringLiteral("  -> ");
            row->setText(0, QStringLiteral("0"));
            row->setText(2, prefix + obs.text);
            row->setText(5, QStringLiteral("0"));
            row->setForeground(2, QBrush(QColor(0x55, 0x55, 0x55)));
            continue;
        }
        row->setText(0, QString::number(item.idItem));
        row->setText(1, item.observations.empty() ? QString() : QStringLiteral("*"));
        row->setText(2, item.description);
        row->setText(3, money(item.price));
        row->setText(4, item.waiterName);
        row->setText(5, QString::number(item.idComanda));
        row->setText(6, item.orderedAt);
        row->setText(7, item.status);
        row->setText(8, QString::number(item.idProduto));
        row->setText(9, QString::number(item.idDesconto));
        row->setText(10, money(item.manualDiscount));
        row->setText(11, item.discountOperator);
        row->setText(12, item.takeAway ? QStringLiteral("S") : QStringLiteral("N"));
        row->setTextAlignment(3, Qt::AlignRight | Qt::AlignVCenter);
        row->setTextAlignment(10, Qt::AlignRight | Qt::AlignVCenter);
    }
    m_w.principal->setText(money(t.totalPrincipal));
    m_w.openedAt->setText(t.openedAt);
    m_w.timeOpen->setText(t.timeOpen);
    m_w.discountCode->setText(QString::number(t.row.integer("idDesconto")));
    m_w.discountOperator->setText(t.row.text("operDesc").trimmed());

    m_w.itemCount->setText(QString::number(t.itemCount()));
    m_w.manualDiscount->setText(money(t.totals.manualDiscount));
    paintTotals();

    for (const auto &[key, line] : t.consolidation.lines()) {
        auto *row = new QTreeWidgetItem(m_w.grouped);
        row->setText(0, line.description.trimmed());
        row->setText(1, QString::number(line.count));
        row->setText(2, money(key.second));
        row->setText(3, money(key.second.mulInt(line.count)));
        for (int c = 1; c <= 3; ++c)
            row->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
    }
}

void Detail::paintTotals()
{
    // The one place the totals are painted: a reading, the fee switch and a
    // people count all show them the same way.
    const TableTotals &totals = m_shown.totals;
    m_w.products->setText(money(totals.products));
    m_w.discountPercent->setText(money(totals.discountPercent));
    m_w.discountValue->setText(money(totals.discountValue));
    m_w.subtotal->setText(money(totals.subtotal));
    m_w.servicePercent->setText(money(totals.servicePercent));
    m_w.serviceValue->setText(money(totals.serviceValue));
    m_w.tableTotal->setText(money(totals.tableTotal));
    m_w.perPerson->setText(totals.hasPerPerson ? money(totals.perPerson) : QString());
    m_w.takeAway->setText(money(totals.takeAway));
    m_w.takeAwayNet->setText(money(totals.takeAwayNet));
}

void Detail::peopleChanged(int people, const TableTotals &totals)
{
    m_shown.row.setInt("qtdPessoas", people);
    m_shown.totals = totals;
    paintTotals();
}

void Detail::serviceSwitched(bool on, const TableTotals &totals)
{
    m_shown.totals = totals;
    m_w.service->setText(on ? QStringLiteral("EXCLUIR SERVIÇO") : QStringLiteral("INCLUIR SERVIÇO"));
    paintTotals();
}

int Detail::groupedTop() const
{
    return m_w.grouped->mapTo(m_w.window, QPoint(0, 0)).y();
}

int Detail::rowCount() const
{
    return m_w.items->topLevelItemCount();
}

bool Detail::hasSelection() const
{
    return !m_w.items->selectedItems().isEmpty();
}

std::vector<ItemListRow> Detail::selectedRows() const
{
    // The list is painted from the reading's rows, in the same order.
    const std::vector<ItemListRow> rows = m_shown.listRows();
    std::vector<ItemListRow> selected;
    const int count = std::min<int>(m_w.items->topLevelItemCount(), int(rows.size()));
    for (int i = 0; i < count; ++i)
        if (m_w.items->topLevelItem(i)->isSelected())
            selected.push_back(rows[std::size_t(i)]);
    return selected;
}

std::int64_t Detail::pick(QTreeWidgetItem *row)
{
    const std::vector<ItemListRow> rows = m_shown.listRows();
    const int at = m_w.items->indexOfTopLevelItem(row);
    const ItemListRow picked = at >= 0 && at < int(rows.size()) ? rows[std::size_t(at)] : ItemListRow{};
    exchange::ItemEditExchange::write({picked.idItem, picked.idItem != 0 ? picked.idComanda : 0});
    return picked.idItem;
}

void Detail::enterList()
{
    QTreeWidget *list = m_w.items;
    if (list->topLevelItemCount() == 0 || !list->isEnabled())
        return;
    list->setFocus(Qt::ShortcutFocusReason);
    if (!list->currentItem())
        list->selectionModel()->setCurrentIndex(list->model()->index(0, 0), QItemSelectionModel::NoUpdate);
}

void Detail::moveInList(DeskCommand command)
{
    QTreeWidget *list = m_w.items;
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

} // namespace qv
