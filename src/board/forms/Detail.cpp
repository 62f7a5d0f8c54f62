#include "board/forms/Detail.h"
#include "platform/ui/Desk.h"

#include "board/TableReader.h"
#include "board/forms/Board.h"
#include "board/forms/MainForm.h"
#include "data/Status.h"
#include "data/Tables.h"
#include "platform/SharedRecords.h"
#include "platform/Sql.h"
#include "platform/ui/UiService.h"
#include "session/Exchanges.h"
#include "session/Session.h"
#include "ui_MainForm.h"

#include <QScrollBar>

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

} // namespace

Detail::Detail(MainForm &form) : m_form(form), m_reader(desk::sql(), desk::session()) {}

void Detail::switchObservations()
{
    m_showObservations = !m_showObservations;
    // The caption names what the button will do next.
    m_form.ui().Bt_MOSTRA->setText(m_showObservations ? QStringLiteral("NÃO MOSTRA OBS")
                                                      : QStringLiteral("MOSTRA OBS"));
}

void Detail::clear()
{
    auto &ui = m_form.ui();
    ui.Lv_Itens->clear();
    ui.Lv_Consol->clear();
    m_shown = ShownTable();
    for (QLineEdit *field :
         {ui.Ds_CODIGAR, ui.Ds_NOMEGAR, ui.Ed_QTDEPES, ui.Ds_HORAABE, ui.Ds_PERMANE,  ui.Ds_TOTITENS, ui.Ds_TOTPROD,
          ui.Ds_CODIDES, ui.Ds_OPERDES, ui.Ds_PERCDES, ui.Ds_VALODES, ui.Ed_DESCMANT, ui.Ds_SUBTOTA,  ui.Ds_TAXASER,
          ui.Ds_VALOSER, ui.Ds_TOTMESA, ui.Ed_VALOPES, ui.Ds_TOTPRIN, ui.Ds_TOTVIAG,  ui.Ds_VIAGLIQ})
        field->clear();
    ui.Cb_Operador->setCurrentIndex(-1);
    // The captions tell the state of the table shown; with none shown they
    // go back to their resting texts.
    ui.Bt_Bloqueio->setText(QStringLiteral("BLOQUEIA MESA"));
    ui.Bt_SERVICO->setText(QStringLiteral("INCLUIR SERVIÇO"));
}

void Detail::refreshTimeOpen()
{
    // The desk's connection is busy on another thread: the next tick asks.
    if (desk::sqlLent())
        return;
    if (const auto open = m_reader.timeOpenSince(m_shown.openedAt))
        m_form.ui().Ds_PERMANE->setText(*open);
}

void Detail::LERMESA()
{
    auto &ui = m_form.ui();
    Session &session = desk::session();

    TableReader::Reading reading;
    for (;;) {
        // 1-2. Only within an open session.
        if (session.desk() == 0)
            return;
        if (!m_form.sessionStillOpen())
            return;

        // 3. The position typed or chosen.
        const int idMesa = m_form.typedTable();
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
                    m_form.setCurrentTable(0);
                    m_form.showTableNumber(0);
                    m_form.goOffline(told, reading.failure.error);
                    return;
                }
                UiService::instance().message(&m_form, told, style::kStop);
                // The server's own text whole, wrapped: cut, it loses the
                // part that says what to do.
                UiService::instance().longMessage(&m_form, reading.failure.error.message, style::kStop);
            }
            m_form.showTableNumber(m_form.currentTable());
            return;
        }

        // 4. A free position is opened first, on request.
        if (reading.result == TableReader::Reading::Result::Free) {
            if (UiService::instance().message(&m_form, QStringLiteral("Mesa fechada, abre ?"), style::kAsk)
                == answer::kYes) {
                exchange::OpenTableExchange::write({idMesa});
                UiService::instance().openForm(QStringLiteral("99-AbreMesa"), &m_form);
                if (exchange::OpenTableExchange::read().opened) {
                    m_form.showTableNumber(idMesa);
                    continue; // read it again, now open
                }
            }
            clear();
            ui.Ed_CODIMES->clear();
            m_form.setCurrentTable(0);
            return;
        }
        break;
    }

    if (reading.result == TableReader::Reading::Result::Failed) {
        if (reading.failure.error.connectionLost) {
            // The server went away: nothing half-read is shown, and the
            // desk waits for it instead of closing.
            clear();
            m_form.setCurrentTable(0);
            m_form.showTableNumber(0);
            m_form.goOffline(reading.failure.message, reading.failure.error);
            return;
        }
        UiService::instance().message(&m_form, reading.failure.message, style::kStop);
        if (reading.fatal) {
            m_form.closeAfterFailure();
            return;
        }
        // Prices that could not be read are never shown as if they were
        // right: the table is left.
        clear();
        m_form.setCurrentTable(0);
        m_form.showTableNumber(0);
        return;
    }

    // 5. The board stays as it is while a table is worked on.
    m_form.pauseBoard();
    m_form.board().keepTimerStopped();
    const bool another = reading.table.idMesa != m_shown.idMesa;
    m_shown = std::move(reading.table);
    m_form.showTableNumber(m_shown.idMesa);
    m_form.setCurrentTable(m_shown.idMesa);
    paint();
    if (another)
        scrollToFirstColumns({ui.Lv_Itens, ui.Lv_Consol});
    if (m_shown.waiterNameMismatch)
        UiService::instance().message(
            &m_form, QStringLiteral("Atenção, erro no nome do Garçon, reinicie seu computador !!!"), style::kStop);
}

void Detail::paint()
{
    auto &ui = m_form.ui();
    const ShownTable &t = m_shown;
    ui.Lv_Itens->clear();
    ui.Lv_Consol->clear();
    ui.Ds_CODIGAR->setText(QString::number(t.waiter));
    ui.Ds_NOMEGAR->setText(t.waiterName.trimmed());
    ui.Ds_NOMEGAR->home(false); // a narrow field shows the first name, not the end
    ui.Cb_Operador->setCurrentIndex(t.waiterIndex);
    ui.Ed_QTDEPES->setText(QString::number(t.people()));
    ui.Bt_Bloqueio->setText(t.blocked() ? QStringLiteral("DESBLOQUEIA MESA") : QStringLiteral("BLOQUEIA MESA"));
    ui.Bt_SERVICO->setText(t.serviceOn() ? QStringLiteral("EXCLUIR SERVIÇO") : QStringLiteral("INCLUIR SERVIÇO"));

    for (const ItemListRow &r : t.listRows()) {
        const ShownItem &item = t.items[std::size_t(r.item)];
        auto *row = new QTreeWidgetItem(ui.Lv_Itens);
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
    ui.Ds_TOTPRIN->setText(money(t.totalPrincipal));
    ui.Ds_HORAABE->setText(t.openedAt);
    ui.Ds_PERMANE->setText(t.timeOpen);
    ui.Ds_CODIDES->setText(QString::number(t.row.integer("idDesconto")));
    ui.Ds_OPERDES->setText(t.row.text("operDesc").trimmed());

    ui.Ds_TOTITENS->setText(QString::number(t.itemCount()));
    ui.Ed_DESCMANT->setText(money(t.totals.manualDiscount));
    paintTotals();

    for (const auto &[key, line] : t.consolidation.lines()) {
        auto *row = new QTreeWidgetItem(ui.Lv_Consol);
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
    auto &ui = m_form.ui();
    const TableTotals &totals = m_shown.totals;
    ui.Ds_TOTPROD->setText(money(totals.products));
    ui.Ds_PERCDES->setText(money(totals.discountPercent));
    ui.Ds_VALODES->setText(money(totals.discountValue));
    ui.Ds_SUBTOTA->setText(money(totals.subtotal));
    ui.Ds_TAXASER->setText(money(totals.servicePercent));
    ui.Ds_VALOSER->setText(money(totals.serviceValue));
    ui.Ds_TOTMESA->setText(money(totals.tableTotal));
    ui.Ed_VALOPES->setText(totals.hasPerPerson ? money(totals.perPerson) : QString());
    ui.Ds_TOTVIAG->setText(money(totals.takeAway));
    ui.Ds_VIAGLIQ->setText(money(totals.takeAwayNet));
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
    m_form.ui().Bt_SERVICO->setText(on ? QStringLiteral("EXCLUIR SERVIÇO") : QStringLiteral("INCLUIR SERVIÇO"));
    paintTotals();
}

} // namespace qv
