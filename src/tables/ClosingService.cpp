#include "tables/ClosingService.h"

#include "board/TableReader.h"
#include "data/Statements.h"
#include "data/Tables.h"
#include "data/UnitOfWork.h"
#include "platform/Record.h"
#include "platform/SharedRecords.h"
#include "platform/Sql.h"
#include "session/Exchanges.h"
#include "session/Session.h"
#include "tables/AccountMath.h"
#include "tables/Sale.h"

#include <map>
#include <optional>
#include <set>

namespace qv {

namespace {

constexpr const char *kItemCursor = "CUR4";

const Layout kSplitFlag("mov_Mesa", {FieldDef::C("dividida", 1)});
const Layout kStatus("mov_Mesa", {FieldDef::C("status", 1)});
const Layout kTime("time", {FieldDef::C("hora", 8)});
const Layout kLatest("mov_Cozinha", {FieldDef::C("hrPronto", 8)});
const Layout kDiff("timediff", {FieldDef::C("diferenca", 12)});
const Layout kInsertId("last_insert_id", {FieldDef::N("idVenda", 11)});

const QString kNoTime = QStringLiteral("00:00:00");
const QString kClosedElsewhere = QStringLiteral("fechada");
const QString kChanged = QStringLiteral("alterada");

// Another desk closed the account: nothing to retry, the position goes.
Outcome closedElsewhere()
{
    return Outcome::refuse(QStringLiteral("Mesa já foi fechada em outro caixa !!!"), Outcome::Severity::Stop,
                           Outcome::Next::Release);
}

// A bill below zero: the manual discount exceeds what the products cost
// after the table's percentage discount.
bool negativeBill(const TableTotals &t)
{
    return t.subtotal.isNegative() || t.tableTotal.isNegative();
}

Outcome invalidDiscount()
{
    return Outcome::refuse(QStringLiteral("Desconto inválido !!!"));
}

// Every amount of the bill the cashier sees and the payment module is told.
bool sameMoney(const TableTotals &a, const TableTotals &b)
{
    return a.products == b.products && a.discountPercent == b.discountPercent && a.discountValue == b.discountValue
           && a.manualDiscount == b.manualDiscount && a.takeAway == b.takeAway && a.servicePercent == b.servicePercent
           && a.serviceValue == b.serviceValue && a.tableTotal == b.tableTotal;
}

// The same live items at the same prices: what the bill is made of.
bool sameItems(const ShownTable &a, const ShownTable &b)
{
    if (a.items.size() != b.items.size())
        return false;
    for (std::size_t i = 0; i < a.items.size(); ++i) {
        const ShownItem &x = a.items[i];
        const ShownItem &y = b.items[i];
        if (x.idItem != y.idItem || x.price != y.price || x.takeAway != y.takeAway)
            return false;
    }
    return true;
}

// How the cashier learns that items launched after the bill stayed behind.
QString lateItemsMessage(std::size_t count)
{
    if (count == 1)
        return QStringLiteral("1 item lançado depois da conta ficou na mesa, que continua aberta !!!");
    return QStringLiteral("%1 itens lançados depois da conta ficaram na mesa, que continua aberta !!!").arg(count);
}

// An observation beyond the twentieth never reaches the sale: the item
// dialog and the table reading hold twenty.
constexpr int kMaxObservations = 20;

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

// Why the sale could not be written: the step, the server's answer, and the
// diagnostic lines the console gets for a failed insert or release.
struct Failure
{
    QString step;
    DbError error;
    QStringList console;
};

} // namespace

ClosingService::ClosingService(Sql &sql, Session &session) : m_sql(sql), m_session(session) {}

ClosingService::Preparation ClosingService::prepare(const ShownTable &table)
{
    Preparation p;
    const int idMesa = table.idMesa;
    const bool hasItems = table.itemCount() != 0;
    if (!table.blocked() && hasItems) {
        p.outcome = Outcome::refuse(QStringLiteral("Mesa ainda não foi impressa !!!"));
        return p;
    }

    // The position as stored now, right before any money is taken: the
    // cashier must charge exactly what can still be closed as shown.
    TableReader reader(m_sql, m_session);
    const TableReader::Reading now = reader.LERMESA(idMesa, table.observationsVisible);
    if (now.result == TableReader::Reading::Result::Failed
        || (now.result == TableReader::Reading::Result::Missing && now.failure.failed())) {
        p.outcome = now.failure;
        if (p.outcome.message.isEmpty())
            p.outcome.message = QStringLiteral("Erro %1 lendo a mesa !!!").arg(p.outcome.error.state);
        p.outcome.step = QStringLiteral("mesa");
        p.outcome.next = Outcome::Next::Stay;
        return p;
    }
    // Freed, or freed and opened again for other customers.
    if (now.result != TableReader::Reading::Result::Shown || now.table.openedAt != table.openedAt) {
        p.outcome = closedElsewhere();
        return p;
    }
    if (now.table.blocked() != table.blocked() || !sameItems(now.table, table)
        || !sameMoney(now.table.totals, table.totals)) {
        p.outcome = Outcome::refuse(QStringLiteral("Mesa foi alterada em outro terminal, confira a nova conta !!!"),
                                    Outcome::Severity::Information, Outcome::Next::Reread);
        return p;
    }
    if (hasItems && negativeBill(table.totals)) {
        p.outcome = invalidDiscount();
        return p;
    }

    if (!hasItems) {
        // Nothing was consumed: the position is simply free again.
        if (!m_sql.exec(stmt::kResetTable, {idMesa}).ok()) {
            const SqlResult &result = m_sql.result();
            const QString what = QStringLiteral("a liberação da mesa");
            p.outcome =
                Outcome::fail(QStringLiteral("Erro %1 gravando %2 !!!").arg(result.state(), what), result, what);
            p.outcome.console
                << QStringLiteral("Mesa - Erro gravando %1: %2 %3").arg(what, result.state(), result.message());
            return p;
        }
        p.outcome = Outcome::ok(Outcome::Next::Release);
        return p;
    }

    // The split mark as stored now, not as read: the split dialog may have
    // been used since.
    Record split(kSplitFlag);
    const SqlResult &read = m_sql.exec(stmt::kTableSplitFlag, {idMesa}, &split);
    if (read.failed()) {
        p.outcome =
            Outcome::fail(QStringLiteral("Erro %1 lendo a mesa !!!").arg(read.state()), read, QStringLiteral("mesa"));
        return p;
    }

    // What the payment module hands back must be this table's: a tip or a
    // service amount left over from the last closing must never reach this
    // sale.
    exchange::PaymentExchange::clearReturns();

    if (split.text(0) == QLatin1String("S")) {
        // The other positions pay the shares; this one is written as it is.
        exchange::PaymentExchange::writeSplitReceipt();
        p.then = Then::Write;
        return p;
    }
    exchange::PaymentExchange::write({table.totals.tableTotal, table.totals.servicePercent});
    p.then = Then::Pay;
    return p;
}

Outcome ClosingService::GRAVAR(const ShownTable &shown, const Inputs &inputs)
{
    Sql &sql = m_sql;
    const int idMesa = shown.idMesa;
    const TableTotals &totals = shown.totals;
    const Record &table = shown.row;

    // A read that found its row, or found none (the record then keeps what
    // it held); anything else is a failure.
    auto read = [&sql](std::string_view text, SqlParams in = {}, Record *into = nullptr) {
        return sql.exec(text, in, into).answered();
    };

    // Everything the header needs, taken before anything is written.
    sale::SaleHeader header;
    header.idMesa = idMesa;
    header.businessDate = records::W_PABEDAT().text();
    header.period = int(records::W_NRTURNO().digits());
    header.desk = int(records::W_NRCAIXA().digits());
    header.people = account::peopleFrom(inputs.typedPeople).value_or(int(table.integer("qtdPessoas")));
    header.waiter = sale::waiterFor(m_session.operators(), inputs.chosenWaiter, int(table.integer("idGarcon")));
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

    // A sale never takes money back.
    if (negativeBill(totals))
        return invalidDiscount();

    // A sale holds exactly what was charged: the live items of `shown`,
    // the reading the payment was taken for (the one `prepare` confirmed),
    // plus the cancelled items, which are worth nothing. With the position
    // and its items locked, the closing reads them again and compares:
    //  - an item the reading did not show was launched after the bill; it
    //    is not copied and not deleted, and the position stays open with
    //    it, so it is billed once, later;
    //  - a charged item that is gone or costs something else now, or
    //    totals that differ, mean the bill is no longer what was paid:
    //    nothing is written.
    // Items are copied and deleted one by one under the same locks, so
    // every item ends either in this sale or on the position, never both,
    // and a second closing of the same account finds the position freed
    // (or a different account on it) and writes nothing.
    std::map<std::int64_t, const ShownItem *> charged;
    for (const ShownItem &item : shown.items)
        charged.emplace(item.idItem, &item);
    std::set<std::int64_t> late;
    std::vector<std::int64_t> copied;

    auto failure = [&sql](const QString &step, QStringList console = {}) {
        return Failure{step, sql.result().error(), std::move(console)};
    };
    // The diagnostic block of a write that failed while the sale was being
    // written.
    auto block = [&sql](const QString &what) {
        return QStringList{QString(40, QLatin1Char('-')), what, sql.state(), sql.message()};
    };

    // The whole closing is one transaction: the sale, its items, their
    // observations, the reset and the deletes are stored together or not
    // at all, so a failure never leaves a sale without items or a table
    // freed without its sale.
    std::optional<Failure> failed;
    {
        UnitOfWork transaction(sql);
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
                return Failure{kClosedElsewhere, {}, {}};
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

            TableReader reader(sql, m_session);
            const TableReader::Reading locked = reader.LERMESA(idMesa, false);
            if (locked.result == TableReader::Reading::Result::Failed
                || (locked.result == TableReader::Reading::Result::Missing && locked.failure.failed()))
                return Failure{QStringLiteral("mesa"), locked.failure.error, {}};
            if (locked.result != TableReader::Reading::Result::Shown || locked.table.openedAt != shown.openedAt)
                return Failure{kClosedElsewhere, {}, {}};
            TableTotals stillCharged;
            std::size_t found = 0;
            for (const ShownItem &item : locked.table.items) {
                const auto it = charged.find(item.idItem);
                if (it == charged.end()) {
                    late.insert(item.idItem);
                    continue;
                }
                if (item.price != it->second->price || item.takeAway != it->second->takeAway)
                    return Failure{kChanged, {}, {}};
                ++found;
                stillCharged.products += item.price;
                if (item.takeAway)
                    stillCharged.takeAway += item.price;
            }
            stillCharged.discountPercent = locked.table.totals.discountPercent;
            stillCharged.manualDiscount = locked.table.totals.manualDiscount;
            stillCharged.servicePercent = locked.table.totals.servicePercent;
            stillCharged.people = totals.people;
            stillCharged.compute();
            if (found != charged.size() || !sameMoney(stillCharged, totals))
                return Failure{kChanged, {}, {}};

            Record saleRow(tables::movVendas);
            sale::fillSale(saleRow, header);
            const Record &s = saleRow;
            if (!sql.exec(stmt::kInsertSale,
                          {column(s, 0),  column(s, 1),  column(s, 2),  column(s, 3),  column(s, 4),  column(s, 5),
                           column(s, 6),  column(s, 7),  column(s, 8),  column(s, 9),  column(s, 10), column(s, 11),
                           column(s, 12), column(s, 13), column(s, 14), column(s, 15), column(s, 16), column(s, 17),
                           column(s, 18), column(s, 19), column(s, 20), column(s, 21), column(s, 22), column(s, 23)})
                     .ok())
                return failure(QStringLiteral("venda"), block(QStringLiteral("Mesa - Erro gravando Vendas")));
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
                if (late.count(item.integer("idItem")) != 0)
                    continue;
                copied.push_back(item.integer("idItem"));

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
                               column(i, 6), column(i, 7), column(i, 8), column(i, 9), column(i, 10), column(i, 11),
                               column(i, 12), column(i, 13), column(i, 14), column(i, 15), column(i, 16)})
                         .ok())
                    return failure(QStringLiteral("itens"),
                                   block(QStringLiteral("Mesa - Erro gravando Vendas_Item_Obs")));

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
                                  {column(o, 0), column(o, 1), column(o, 2), column(o, 3), column(o, 4)})
                             .ok())
                        return failure(QStringLiteral("observações"),
                                       block(QStringLiteral("Mesa - Erro gravando Vendas_Item_Obs")));
                }
            }
            sql.close(kItemCursor);

            auto releaseFailed = [&]() {
                return failure(QStringLiteral("liberação da mesa"),
                               block(QStringLiteral("Mesa - Erro liberando a mesa")));
            };
            if (late.empty()) {
                const std::string_view resets[] = {stmt::kResetTable, stmt::kDeleteTableItems,
                                                   stmt::kDeleteTableObservations};
                for (const std::string_view statement : resets) {
                    if (!sql.exec(statement, {idMesa}).ok())
                        return releaseFailed();
                }
            } else {
                // Only what was sold leaves the position. The rest must be
                // billed again: the position is open (not blocked, not
                // split) and the manual discount, given in this sale, goes.
                for (const std::int64_t idItem : copied) {
                    if (!sql.exec(stmt::kDeleteItemObservations, {idItem}).ok()
                        || !sql.exec(stmt::kDeleteItem, {idItem}).ok())
                        return releaseFailed();
                }
                if (!sql.exec(stmt::kUnblock, {idMesa}).ok()
                    || !sql.exec(stmt::kSetManualDiscount, {Decimal(), idMesa}).ok())
                    return releaseFailed();
            }
            if (!transaction.commit()) {
                // The cluster refused this write set at commit (or a
                // deadlock chose this closing): another desk's closing of
                // the same account won, and this one was rolled back.
                if (sql.result().conflict())
                    return Failure{kClosedElsewhere, {}, {}};
                return failure(QStringLiteral("confirmação"));
            }
            return std::nullopt;
        };
        failed = write();
        if (failed)
            sql.close(kItemCursor);
        // Leaving the scope rolls back whatever a failure left uncommitted,
        // before the cashier is told, so no lock outlives the closing.
    }
    if (!failed && late.empty())
        return Outcome::ok(Outcome::Next::Release);
    if (!failed) {
        Outcome o = Outcome::ok(Outcome::Next::Reread);
        o.message = lateItemsMessage(late.size());
        return o;
    }
    if (failed->step == kClosedElsewhere)
        return closedElsewhere(); // nothing to retry: the account is closed already
    if (failed->step == kChanged) {
        return Outcome::refuse(
            QStringLiteral("Mesa foi alterada durante o pagamento: nada foi gravado, confira a conta !!!"),
            Outcome::Severity::Stop, Outcome::Next::Reread);
    }
    Outcome o;
    o.kind = Outcome::Kind::Failed;
    o.severity = Outcome::Severity::Stop;
    o.message = QStringLiteral("Erro %1 gravando a venda (%2): nada foi gravado, a mesa continua bloqueada !!!")
                    .arg(failed->error.state, failed->step);
    o.step = failed->step;
    o.error = failed->error;
    o.console = failed->console;
    return o;
}

} // namespace qv
