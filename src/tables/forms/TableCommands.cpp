#include "tables/forms/TableCommands.h"
#include "data/Statements.h"
#include "data/UnitOfWork.h"

#include "board/forms/Board.h"
#include "board/forms/Detail.h"
#include "board/forms/MainForm.h"
#include "data/Tables.h"
#include "platform/ui/Keys.h"
#include "platform/Record.h"
#include "platform/SharedRecords.h"
#include "platform/Sql.h"
#include "platform/ui/UiService.h"
#include "session/Exchanges.h"
#include "session/Session.h"
#include "tables/AccountMath.h"
#include "tables/Sale.h"
#include "ui_MainForm.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QRegularExpressionValidator>

#include <optional>

namespace qv {

namespace {


// The closing.
constexpr const char *kItemCursor = "CUR4";

const Layout kSplitFlag("mov_Mesa", {FieldDef::C("dividida", 1)});
const Layout kStatus("mov_Mesa", {FieldDef::C("status", 1)});
const Layout kTime("time", {FieldDef::C("hora", 8)});
const Layout kLatest("mov_Cozinha", {FieldDef::C("hrPronto", 8)});
const Layout kDiff("timediff", {FieldDef::C("diferenca", 12)});
const Layout kInsertId("last_insert_id", {FieldDef::N("idVenda", 11)});

const QString kNotBlocked = QStringLiteral("BLOQUEIA MESA");
const QString kBlocked = QStringLiteral("DESBLOQUEIA MESA");
const QString kServiceOff = QStringLiteral("INCLUIR SERVIÇO");
const QString kServiceOn = QStringLiteral("EXCLUIR SERVIÇO");
const QString kNoTime = QStringLiteral("00:00:00");

// An observation beyond the twentieth never reaches the sale: the item
// dialog and the table reading hold twenty.
constexpr int kMaxObservations = 20;

QString money(Decimal value)
{
    return value.toDisplay(2);
}

// A read that found its row, or found none (the record then keeps what it
// held); anything else is a failure.
bool read(std::string_view text, SqlParams in = {}, Record *into = nullptr)
{
    Sql &sql = Sql::instance();
    sql.exec(text, in, into);
    return sql.ok() || sql.noRow();
}

// One column of a record as the statement's input value: whole numbers as
// integers, amounts with their decimals, text as stored.
SqlParam column(const Record &r, int index)
{
    const FieldDef &f = r.layout().field(index);
    if (f.kind == FieldDef::Text)
        return SqlParam(r.text(index));
    if (f.scale == 0)
        return SqlParam(std::int64_t(r.num(index).toInt()));
    return SqlParam(r.num(index), f.scale);
}

// The diagnostic block the console gets for every write that failed while a
// sale was being written.
void consoleBlock(const QString &what, const QString &state, const QString &message)
{
    UiService &ui = UiService::instance();
    ui.console(QString(40, QLatin1Char('-')));
    ui.console(what);
    ui.console(state);
    ui.console(message);
}

struct Failure
{
    QString step;
    QString state;
    QString message;
};

Failure failure(const QString &step)
{
    const Sql &sql = Sql::instance();
    return {step, sql.state(), sql.message()};
}

class BusyGuard
{
public:
    explicit BusyGuard(bool &flag) : m_flag(flag), m_previous(flag) { m_flag = true; }
    ~BusyGuard() { m_flag = m_previous; }

private:
    bool &m_flag;
    bool m_previous;
};

} // namespace

TableCommands::TableCommands(MainForm &form) : m_form(form)
{
    auto &ui = m_form.ui();
    // Mask "zz9": up to three digits, nothing else gets in.
    ui.Ed_QTDEPES->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), ui.Ed_QTDEPES));
    ui.Ed_QTDEPES->installEventFilter(this);
    ui.Ed_DESCMANT->installEventFilter(this);
}

TableCommands::~TableCommands() = default;

bool TableCommands::eventFilter(QObject *watched, QEvent *event)
{
    auto &ui = m_form.ui();
    QLineEdit *field = nullptr;
    if (watched == ui.Ed_QTDEPES)
        field = ui.Ed_QTDEPES;
    else if (watched == ui.Ed_DESCMANT)
        field = ui.Ed_DESCMANT;
    if (!field)
        return QObject::eventFilter(watched, event);

    // A value is confirmed once, when it was typed: merely passing through
    // the field writes nothing, and the table reading that follows a
    // confirmation marks the field as unchanged again.
    auto confirm = [this, field, &ui] {
        if (m_busy || !field->isModified())
            return;
        if (field == ui.Ed_QTDEPES)
            peopleCount();
        else
            manualDiscount();
    };
    if (event->type() == QEvent::KeyPress
        && virtualKey(*static_cast<QKeyEvent *>(event)) == vk::kEnter) {
        confirm();
        return true;
    }
    if (event->type() == QEvent::FocusOut) {
        // A message box or another window taking the focus is not the
        // cashier leaving the field.
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            confirm();
    }
    return QObject::eventFilter(watched, event);
}

int TableCommands::shownTable() const
{
    // A number typed but not yet read belongs to no table on show: writing
    // the detail's values onto it would change the wrong table.
    const int typed = m_form.typedTable();
    return typed != 0 && typed == m_form.currentTable() ? typed : 0;
}

void TableCommands::reportWriteError(const QString &what)
{
    const Sql &sql = Sql::instance();
    UiService::instance().console(QStringLiteral("Mesa - Erro gravando %1: %2 %3").arg(what, sql.state(), sql.message()));
    UiService::instance().message(&m_form, QStringLiteral("Erro %1 gravando %2 !!!").arg(sql.state(), what),
                                  style::kStop);
}

void TableCommands::rereadTable()
{
    m_form.dispatch(QStringLiteral("LERMESA"));
}

void TableCommands::peopleCount()
{
    BusyGuard busy(m_busy);
    auto &ui = m_form.ui();
    const int idMesa = shownTable();
    if (idMesa == 0)
        return;
    const std::optional<int> people = account::peopleFrom(ui.Ed_QTDEPES->text());
    if (!people) {
        UiService::instance().message(&m_form, QStringLiteral("Número de pessoas inválido !!!"), style::kInformation);
        ui.Ed_QTDEPES->setText(QString::number(m_form.detail().table().integer("qtdPessoas")));
        ui.Ed_QTDEPES->setFocus();
        ui.Ed_QTDEPES->selectAll();
        return;
    }
    // The value per person keeps the old count until the next reading.
    if (!Sql::instance().exec(stmt::kSetPeople, {*people, idMesa}).ok())
        reportWriteError(QStringLiteral("as pessoas da mesa"));
    ui.Ed_QTDEPES->setModified(false);
    if (ui.Frm_CaixaM->isEnabled())
        ui.Ed_CODIMES->setFocus();
}

void TableCommands::toggleBlock()
{
    auto &ui = m_form.ui();
    const int idMesa = shownTable();
    if (idMesa == 0)
        return;
    Sql &sql = Sql::instance();
    // Unblocking reopens the table whatever it was before ('I' included)
    // and ends any split under way.
    if (ui.Bt_Bloqueio->text() == kNotBlocked) {
        ui.Bt_Bloqueio->setText(kBlocked);
        if (!sql.exec(stmt::kBlock, {idMesa}).ok())
            reportWriteError(QStringLiteral("o bloqueio da mesa"));
    } else {
        ui.Bt_Bloqueio->setText(kNotBlocked);
        if (!sql.exec(stmt::kUnblock, {idMesa}).ok())
            reportWriteError(QStringLiteral("o desbloqueio da mesa"));
    }
    // The caption follows what is stored, whatever happened above.
    rereadTable();
}

void TableCommands::IMPMESA()
{
    auto &ui = m_form.ui();
    const int waiter = sale::waiterFor(Session::instance().operators(), ui.Cb_Operador->currentText(), 0);
    const int idMesa = shownTable();
    if (idMesa != 0) {
        // The waiter and the mark go together: a bill requested in the old
        // waiter's name would pay the wrong commission.
        bool written = false;
        {
            UnitOfWork transaction(Sql::instance());
            Sql &sql = Sql::instance();
            written = transaction.started()
                      && (waiter == 0 || sql.exec(stmt::kSetWaiter, {waiter, idMesa}).ok())
                      && sql.exec(stmt::kMarkBillRequested, {idMesa}).ok() && transaction.commit();
        }
        if (!written) {
            // The table stays on show, so the cashier can ask again.
            reportWriteError(QStringLiteral("o pedido de conta"));
            return;
        }
    }
    m_form.board().release();
}

void TableCommands::tableDiscount()
{
    const int idMesa = shownTable();
    if (idMesa == 0 || m_form.detail().totals().products.isZero())
        return;
    auto &ui = m_form.ui();
    exchange::DiscountSearchExchange::write();
    // Without the search there was no choice at all, not a choice of
    // "none": the table keeps its discount.
    if (UiService::instance().openForm(QStringLiteral("99-Lissor"), &m_form, QStringLiteral("99-Sandral.dll")) == -1)
        return;
    const exchange::DiscountSearchExchange::Answer chosen = exchange::DiscountSearchExchange::read();
    const int kind = chosen.kind;
    const QString operatorName = exchange::SessionVariables::operatorName();
    ui.Ds_CODIDES->setText(QString::number(chosen.code));
    ui.Ds_OPERDES->setText(operatorName.trimmed());
    // Kind and authoriser together: a discount must never be stored in
    // someone else's name.
    bool written = false;
    {
        UnitOfWork transaction(Sql::instance());
        Sql &sql = Sql::instance();
        written = transaction.started() && sql.exec(stmt::kSetTableDiscount, {kind, idMesa}).ok()
                  && sql.exec(stmt::kSetTableDiscountOperator, {operatorName, idMesa}).ok()
                  && transaction.commit();
    }
    if (!written)
        reportWriteError(QStringLiteral("o desconto da mesa"));
    rereadTable();
}

void TableCommands::manualDiscount()
{
    BusyGuard busy(m_busy);
    auto &ui = m_form.ui();
    const int idMesa = shownTable();
    if (idMesa == 0)
        return;
    const std::optional<Decimal> amount = account::manualDiscountFrom(ui.Ed_DESCMANT->text());
    if (!amount) {
        UiService::instance().message(&m_form, QStringLiteral("Desconto inválido !!!"), style::kInformation);
        // The stored discount stays; the field shows it again, ready to be
        // typed over.
        ui.Ed_DESCMANT->setText(money(m_form.detail().totals().manualDiscount));
        ui.Ed_DESCMANT->setFocus();
        ui.Ed_DESCMANT->selectAll();
        return;
    }
    if (!Sql::instance().exec(stmt::kSetManualDiscount, {*amount, idMesa}).ok())
        reportWriteError(QStringLiteral("o desconto manual"));
    rereadTable();
}

void TableCommands::toggleService()
{
    const int idMesa = shownTable();
    const TableTotals &reading = m_form.detail().totals();
    if (idMesa == 0 || reading.products.isZero())
        return;
    auto &ui = m_form.ui();
    Decimal percent;
    if (ui.Bt_SERVICO->text() == kServiceOff) {
        ui.Bt_SERVICO->setText(kServiceOn);
        percent = Session::instance().parameters().num("taxaServicoParam");
    } else {
        ui.Bt_SERVICO->setText(kServiceOff);
    }
    const int people = account::peopleFrom(ui.Ed_QTDEPES->text()).value_or(reading.people);
    const TableTotals t = account::withService(reading, percent, people);
    ui.Ds_TAXASER->setText(money(t.servicePercent));
    ui.Ds_VIAGLIQ->setText(money(t.takeAwayNet));
    ui.Ds_VALOSER->setText(money(t.serviceValue));
    ui.Ds_TOTMESA->setText(money(t.tableTotal));
    ui.Ed_VALOPES->setText(t.hasPerPerson ? money(t.perPerson) : QString());
    if (!Sql::instance().exec(stmt::kSetService, {percent, idMesa}).ok()) {
        reportWriteError(QStringLiteral("a taxa de serviço"));
        // Show what is really charged.
        rereadTable();
    }
}

void TableCommands::closeAccount()
{
    auto &ui = m_form.ui();
    const int idMesa = shownTable();
    if (idMesa == 0)
        return;
    const int rows = ui.Lv_Itens->topLevelItemCount();
    if (ui.Bt_Bloqueio->text() == kNotBlocked && rows != 0) {
        UiService::instance().message(&m_form, QStringLiteral("Mesa ainda não foi impressa !!!"), style::kInformation);
        return;
    }

    Sql &sql = Sql::instance();
    if (rows == 0) {
        // Nothing was consumed: the position is simply free again.
        if (!sql.exec(stmt::kResetTable, {idMesa}).ok()) {
            reportWriteError(QStringLiteral("a liberação da mesa"));
            return;
        }
        m_form.board().release();
        return;
    }

    Record split(kSplitFlag);
    if (!read(stmt::kTableSplitFlag, {idMesa}, &split)) {
        UiService::instance().message(&m_form, QStringLiteral("Erro %1 lendo a mesa !!!").arg(sql.state()),
                                      style::kStop);
        return;
    }

    // What the payment module hands back must be this table's: a tip or a
    // service amount left over from the last closing must never reach this
    // sale.
    exchange::PaymentExchange::clearReturns();

    if (split.text(0) == QLatin1String("S")) {
        // The other positions pay the shares; this one is written as it is.
        exchange::PaymentExchange::writeSplitReceipt();
        if (GRAVAR())
            m_form.board().release();
        return;
    }

    const TableTotals &totals = m_form.detail().totals();
    exchange::PaymentExchange::write({totals.tableTotal, totals.servicePercent});
    const int opened =
        UiService::instance().openForm(QStringLiteral("99-Fennoc"), &m_form, QStringLiteral("99-Sandral.dll"));
    // A payment module that could not even start took no payment, whatever
    // the flag still says.
    if (opened == -1 || !exchange::PaymentExchange::read().paid)
        return;
    if (GRAVAR())
        m_form.board().release();
}

bool TableCommands::GRAVAR()
{
    auto &ui = m_form.ui();
    Sql &sql = Sql::instance();
    // Only the position on show: its detail is what the sale is made of.
    const int idMesa = shownTable();
    if (idMesa == 0)
        return false;
    const TableTotals &totals = m_form.detail().totals();
    const Record &table = m_form.detail().table();

    // Everything the header needs from the screen, taken before anything
    // is written.
    sale::SaleHeader header;
    header.idMesa = idMesa;
    header.businessDate = records::W_PABEDAT().text();
    header.period = int(records::W_NRTURNO().digits());
    header.desk = int(records::W_NRCAIXA().digits());
    header.people = account::peopleFrom(ui.Ed_QTDEPES->text()).value_or(int(table.integer("qtdPessoas")));
    header.waiter = sale::waiterFor(Session::instance().operators(), ui.Cb_Operador->currentText(),
                                    int(table.integer("idGarcon")));
    header.openedAt = table.text("horaAbertura");
    const exchange::PaymentExchange::Answer payment = exchange::PaymentExchange::read();
    header.receipt = payment.receipt;
    header.tip = payment.tip;
    header.products = totals.products;
    header.discountKind = int(table.integer("idDesconto"));
    header.manualDiscount = totals.manualDiscount;
    header.discountOperator = table.text("operDesc");
    header.serviceValue = totals.serviceValue;
    header.returnedService = payment.returnedService;
    header.tableTotal = totals.tableTotal;

    // The whole closing is one transaction: the sale, its items, their
    // observations, the reset and the deletes are stored together or not
    // at all, so a failure never leaves a sale without items or a table
    // freed without its sale.
    std::optional<Failure> failed;
    {
        UnitOfWork transaction(Sql::instance());
        auto write = [&]() -> std::optional<Failure> {
            if (!transaction.started())
                return failure(QStringLiteral("início"));
            // The position itself first: another cash desk that closed it
            // meanwhile has freed it, and a second sale of the same account
            // must not be written.
            Record status(kStatus);
            if (!sql.exec(stmt::kLockTable, {idMesa}, &status).ok())
                return failure(QStringLiteral("mesa"));
            if (status.text(0) == QLatin1String("F"))
                return Failure{QStringLiteral("fechada"), QString(), QString()};
            // The position's items and observations are locked before
            // anything is read: an item another terminal launches now waits
            // for the closing and then stays on the table, instead of being
            // deleted without having been copied.
            if (!read(stmt::kLockTableItems, {idMesa}))
                return failure(QStringLiteral("itens"));
            if (!read(stmt::kLockTableObservations, {idMesa}))
                return failure(QStringLiteral("observações"));

            Record parameters(tables::tabParametros);
            if (!read(stmt::kParameters, {}, &parameters))
                return failure(QStringLiteral("parâmetros"));
            Record now(kTime);
            if (!sql.exec(stmt::kServerTime, {}, &now).ok())
                return failure(QStringLiteral("hora"));
            header.closedAt = now.text(0);

            Record saleRow(tables::movVendas);
            sale::fillSale(saleRow, header);
            const Record &s = saleRow;
            if (!sql.exec(stmt::kInsertSale,
                         {column(s, 0), column(s, 1), column(s, 2), column(s, 3), column(s, 4), column(s, 5),
                          column(s, 6), column(s, 7), column(s, 8), column(s, 9), column(s, 10), column(s, 11),
                          column(s, 12), column(s, 13), column(s, 14), column(s, 15), column(s, 16),
                          column(s, 17), column(s, 18), column(s, 19), column(s, 20), column(s, 21),
                          column(s, 22), column(s, 23)}).ok()) {
                consoleBlock(QStringLiteral("Mesa - Erro gravando Vendas"), sql.state(), sql.message());
                return failure(QStringLiteral("venda"));
            }
            Record inserted(kInsertId);
            if (!sql.exec(stmt::kLastInsertId, {}, &inserted).ok())
                return failure(QStringLiteral("venda"));
            const std::int64_t idVenda = inserted.num(0).toInt();

            if (!sql.open(kItemCursor, stmt::kTableItems, {idMesa}).ok())
                return failure(QStringLiteral("leitura dos itens"));
            Record item(tables::movMesaItem);
            Record product(tables::cadProdutos);
            Record kitchen(tables::movCozinha);
            Record latest(kLatest);
            Record saleItem(tables::movVendasItem);
            Record saleObservation(tables::movVendasItemObs);
            std::vector<Record> observations;
            const sale::TimeDiff timeDiff = [&sql](const QString &later, const QString &earlier) {
                Record diff(kDiff);
                if (!sql.exec(stmt::kTimeDiff, {later, earlier}, &diff).ok())
                    return std::optional<QString>();
                return std::optional<QString>(diff.text(0));
            };
            int sequence = 0;
            for (;;) {
                const SqlResult &state = sql.fetch(kItemCursor, item);
                if (state.noRow())
                    break;
                if (!state.ok())
                    return failure(QStringLiteral("leitura dos itens"));

                product.clear();
                if (!read(stmt::kProductById, {item.integer("idProduto")}, &product))
                    return failure(QStringLiteral("produtos"));

                // An item the kitchen never saw reads as no times and no cook.
                kitchen.clear();
                kitchen.setText("hrPronto", kNoTime);
                kitchen.setText("baixaGarHora", kNoTime);
                kitchen.setText("hrEntrega", kNoTime);
                kitchen.setInt("idCozinheiro", 0);
                if (!read(stmt::kKitchenByItem, {item.integer("idItem")}, &kitchen))
                    return failure(QStringLiteral("cozinha"));
                ++sequence;

                // The table's latest ready time stands for the item's own;
                // a table without kitchen orders keeps the item's.
                sale::KitchenTimes times{kitchen.text("hrPronto"), kitchen.text("baixaGarHora"),
                                         kitchen.text("hrEntrega")};
                latest.clear();
                if (!read(stmt::kLatestReady, {idMesa / 100}, &latest))
                    return failure(QStringLiteral("cozinha"));
                if (sql.ok() && !latest.text(0).trimmed().isEmpty())
                    times.ready = latest.text(0);
                const std::optional<sale::KitchenMinutes> minutes = sale::kitchenMinutes(times, timeDiff);
                if (!minutes)
                    return failure(QStringLiteral("cozinha"));

                sale::fillSaleItem(saleItem, idVenda, sequence, item, kitchen, *minutes);
                const Record &i = saleItem;
                if (!sql.exec(stmt::kInsertSaleItem,
                             {column(i, 0), column(i, 1), column(i, 2), column(i, 3), column(i, 4), column(i, 5),
                              column(i, 6), column(i, 7), column(i, 8), column(i, 9), column(i, 10),
                              column(i, 11), column(i, 12), column(i, 13), column(i, 14), column(i, 15),
                              column(i, 16)}).ok()) {
                    consoleBlock(QStringLiteral("Mesa - Erro gravando Vendas_Item_Obs"), sql.state(),
                                 sql.message());
                    return failure(QStringLiteral("itens"));
                }

                sql.execRows(stmt::kItemObservations, {item.integer("idItem")}, tables::movMesaItemObs, observations,
                             kMaxObservations);
                if (!sql.ok() && !sql.noRow())
                    return failure(QStringLiteral("observações"));
                for (const Record &observation : observations) {
                    if (observation.num("idItemObs").isZero())
                        continue;
                    sale::fillSaleObservation(saleObservation, idVenda, sequence, observation);
                    const Record &o = saleObservation;
                    if (!sql.exec(stmt::kInsertSaleObservation,
                                 {column(o, 0), column(o, 1), column(o, 2), column(o, 3), column(o, 4)}).ok()) {
                        consoleBlock(QStringLiteral("Mesa - Erro gravando Vendas_Item_Obs"), sql.state(),
                                     sql.message());
                        return failure(QStringLiteral("observações"));
                    }
                }
            }
            sql.close(kItemCursor);

            const std::string_view resets[] = {stmt::kResetTable, stmt::kDeleteTableItems, stmt::kDeleteTableObservations};
            for (const std::string_view statement : resets) {
                if (!sql.exec(statement, {idMesa}).ok()) {
                    consoleBlock(QStringLiteral("Mesa - Erro liberando a mesa"), sql.state(), sql.message());
                    return failure(QStringLiteral("liberação da mesa"));
                }
            }
            if (!transaction.commit())
                return failure(QStringLiteral("confirmação"));
            return std::nullopt;
        };
        failed = write();
        if (failed)
            sql.close(kItemCursor);
        // Leaving the scope rolls back whatever a failure left uncommitted,
        // before the cashier is told, so no lock outlives the closing.
    }
    if (!failed)
        return true;
    if (failed->step == QLatin1String("fechada")) {
        // Nothing to retry: the account is closed already.
        UiService::instance().message(&m_form, QStringLiteral("Mesa já foi fechada em outro caixa !!!"),
                                      style::kStop);
        m_form.board().release();
        return false;
    }
    UiService::instance().message(
        &m_form,
        QStringLiteral("Erro %1 gravando a venda (%2): nada foi gravado, a mesa continua bloqueada !!!")
            .arg(failed->state, failed->step),
        style::kStop);
    return false;
}

} // namespace qv
