#include "board/Board.h"
#include "data/Statements.h"

#include "board/Detail.h"
#include "board/forms/MainForm.h"
#include "data/Tables.h"
#include "platform/SharedRecords.h"
#include "platform/Sql.h"
#include "platform/UiService.h"
#include "session/Exchanges.h"
#include "session/Session.h"
#include "ui_MainForm.h"

namespace qv {

namespace {
const Layout kProductCode("cad_Produtos", {FieldDef::N("idProduto", 6)});
const Layout kCount("count", {FieldDef::N("count", 11)});
const Layout kClock("clock", {FieldDef::C("hora", 5)});

} // namespace

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

Board::Board(MainForm &form) : m_form(form) {}

void Board::prepareListViews()
{
    auto &ui = m_form.ui();
    for (QTreeWidget *list : {ui.Lv_Mesas, ui.Lv_Itens}) {
        list->setSelectionBehavior(QAbstractItemView::SelectRows);
        list->setProperty("grid", true);
    }
    ui.Lv_Mesas->setSelectionMode(QAbstractItemView::SingleSelection);
    auto *header = ui.Lv_Mesas->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::Fixed);
    header->resizeSection(0, 34);
    header->resizeSection(1, 56);
    header->resizeSection(2, 70);
    header->setSectionResizeMode(3, QHeaderView::Stretch);
    header->resizeSection(4, 24);

    auto *items = ui.Lv_Itens->header();
    const int widths[] = {70, 22, 260, 80, 120, 70, 70, 30, 70, 64, 72, 120, 64};
    for (int c = 0; c < 13; ++c)
        items->resizeSection(c, widths[c]);
    for (int c : {3, 10})
        ui.Lv_Itens->headerItem()->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
    auto *consol = ui.Lv_Consol->header();
    consol->setStretchLastSection(false);
    consol->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int c = 1; c <= 3; ++c) {
        consol->setSectionResizeMode(c, QHeaderView::ResizeToContents);
        ui.Lv_Consol->headerItem()->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
    }
}

char examinePosition(int idMesa, char status)
{
    if (status != 'A')
        return status;
    Sql &sql = Sql::instance();
    char state = 'A';
    Record product(kProductCode);
    if (sql.exec(stmt::kLiveItemProduct, {idMesa}, &product).ok() && !product.num(0).isZero())
        state = 'P';
    product.clear();
    if (sql.exec(stmt::kLiveDessertProduct, {idMesa}, &product).ok() && !product.num(0).isZero())
        state = 'S';
    return state;
}

void Board::MESAS()
{
    if (Session::instance().desk() == 0)
        return;
    auto &ui = m_form.ui();
    Sql &sql = Sql::instance();

    // 1. Clock, empty list, fresh summary.
    Record clock(kClock);
    if (sql.exec(stmt::kClock, {}, &clock).ok())
        ui.Ds_HORABCO->setText(clock.text(0));
    ui.Lv_Mesas->clear();
    m_summary.reset();

    bool listed = false;
    if (!sql.open("CUR1", stmt::kTableRows).ok()) {
        UiService::instance().message(&m_form, QStringLiteral("Erro na leitura das mesas !!!"), style::kStop);
        m_form.closeForm();
    } else {
        // 2. Every position, merged into its table.
        Record row(tables::movMesa);
        bool failed = false;
        for (;;) {
            const SqlResult &state = sql.fetch("CUR1", row);
            if (state.noRow())
                break;
            if (!state.ok()) {
                UiService::instance().message(&m_form, QStringLiteral("Erro na leitura do cursor (MESAS) !!!"),
                                       style::kStop);
                failed = true;
                break;
            }
            const int idMesa = int(row.integer("idMesa"));
            const char status = row.text("status").at(0).toLatin1();
            m_summary.add(idMesa, status, examinePosition(idMesa, status), int(row.integer("qtdPessoas")),
                          int(row.integer("idGarcon")));
        }
        if (failed) {
            sql.close("CUR1");
            m_form.closeForm();
            listed = true; // nothing more is listed once the form closes
        }
        // 3. The listing, in table order, through the filter.
        const int filter = ui.Cb_STATUSM->currentIndex() + 1;
        Record count(kCount);
        Record waiter(tables::tabOperador);
        for (int t = 1; !listed && t <= BoardSummary::kTables; ++t) {
            const auto &table = m_summary.table(t);
            if (!boardstate::passesFilter(filter, table.state))
                continue;
            bool allCollected = false;
            count.clear();
            sql.exec(stmt::kCountKitchenOrders, {t}, &count);
            if (!count.num(0).isZero()) {
                count.clear();
                sql.exec(stmt::kCountKitchenWaiting,
                         {t}, &count);
                allCollected = count.num(0).isZero();
            }
            auto *item = new QTreeWidgetItem(ui.Lv_Mesas);
            const int icon = boardstate::icon(table.state, allCollected);
            item->setIcon(0, stateIcon(icon));
            item->setData(0, Qt::UserRole, QChar::fromLatin1(table.state));
            item->setData(0, Qt::UserRole + 1, icon);
            item->setToolTip(0, stateName(table.state));
            item->setText(1, QStringLiteral("%1").arg(t, 3));
            item->setText(2, QStringLiteral("%1").arg(table.people, 3));
            item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
            item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
            QString name;
            if (table.waiter != 0) {
                waiter.clear();
                sql.exec(stmt::kOperatorById, {table.waiter}, &waiter);
                name = waiter.text("nome");
            }
            item->setText(3, name.trimmed());
            count.clear();
            sql.exec(stmt::kCountBusyPositions,
                     {t * 100, t * 100 + 99}, &count);
            item->setText(4, count.num(0).toInt() > 1 ? QStringLiteral("*") : QString());
            item->setTextAlignment(4, Qt::AlignCenter);
        }
        if (!failed)
            sql.close("CUR1");
    }

    // 4. Counters.
    Record count(kCount);
    sql.exec(stmt::kCountBusyTables, {}, &count);
    ui.Ds_MESALAN->setText(QString::number(count.num(0).toInt()));
    // The business date of the desk and period, as year, month, day and two
    // blanks.
    const QString date = records::W_CABEDAT().text();
    const QString day = date.mid(4, 4) + date.mid(2, 2) + date.mid(0, 2) + QStringLiteral("  ");
    count.clear();
    sql.exec(stmt::kCountTableSales,
             {day, Session::instance().period()}, &count);
    ui.Ds_MESAFEC->setText(QString::number(count.num(0).toInt()));
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
    m_form.dispatch(QStringLiteral("LERMESA"));
}

void Board::release()
{
    m_form.detail().clear();
    m_form.setCurrentTable(0);
    m_form.showTableNumber(0);
    m_form.dispatch(QStringLiteral("MESAS"));
    if (!m_form.closedDown())
        m_form.Cm_TimerMesas->start();
}

} // namespace qv
