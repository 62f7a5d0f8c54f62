#include "tables/ClosingService.h"

#include "board/TableReader.h"
#include "data/RowInsert.h"
#include "data/Statements.h"
#include "data/Status.h"
#include "data/Tables.h"
#include "data/UnitOfWork.h"
#include "platform/Log.h"
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

// Why the sale could not be written: the step, the server's answer, and the
// diagnostic lines the console gets for a failed insert or release.
struct Failure
{
    QString step;
    DbError error;
    QStringList console;
};

} // namespace

ClosingService::ClosingService(Sql &sql, Session &session, int claimSeconds)
    : m_sql(sql), m_session(session), m_guard(sql), m_claims(sql, claimSeconds)
{}

ClosingService::Preparation ClosingService::freeEmpty(const ShownTable &table)
{
    // Nothing was consumed: the position is simply free again, unless an
    // item was launched on it since it was read, or it is no longer this
    // opening. Freed with items on it, they would be billed to the next
    // guests.
    Preparation p;
    const int idMesa = table.idMesa;
    const QString what = QStringLiteral("a liberação da mesa");
    const auto failed = [&] {
        const SqlResult &result = m_sql.result();
        Outcome o = Outcome::fail(QStringLiteral("Erro %1 gravando %2 !!!").arg(result.state(), what), result, what);
        o.console << QStringLiteral("Mesa - Erro gravando %1: %2 %3").arg(what, result.state(), result.message());
        return o;
    };
    p.outcome = m_guard.write(
        table.opening(), {},
        [&] {
            std::vector<Record> live;
            const SqlResult &items = m_sql.execRows(stmt::kLiveItems, {idMesa}, tables::movMesaItem, live, 1);
            if (items.failed())
                return failed();
            if (!live.empty())
                return Outcome::refuse(QStringLiteral("Mesa foi alterada em outro terminal, confira a nova conta !!!"),
                                       Outcome::Severity::Information, Outcome::Next::Reread);
            if (!m_sql.exec(stmt::kResetTable, {idMesa}).ok())
                return failed();
            return Outcome::ok(Outcome::Next::Release);
        },
        failed);
    return p;
}

bool ClosingService::renewClaim(const ShownTable &table)
{
    return m_claims.renew(table.idMesa);
}

bool ClosingService::abandonPayment(const ShownTable &table)
{
    return m_claims.release(table.idMesa);
}

ClosingService::Preparation ClosingService::prepare(const ShownTable &table)
{
    const Preparation p = check(table, sessionOf(m_session));
    handOver(p, table);
    return p;
}

void ClosingService::handOver(const Preparation &preparation, const ShownTable &table)
{
    if (preparation.then == Then::Stop)
        return;
    // What the payment module hands back must be this table's: a tip or a
    // service amount left over from the last closing must never reach this
    // sale.
    exchange::PaymentExchange::clearReturns();
    if (preparation.then == Then::Write)
        exchange::PaymentExchange::writeSplitReceipt(); // the other positions paid the shares
    else
        exchange::PaymentExchange::write({table.totals.tableTotal, table.totals.servicePercent});
}

ClosingService::Preparation ClosingService::check(const ShownTable &table, const SaleSession &session)
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
    TableReader reader(m_sql, session.operators);
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

    if (!hasItems)
        return freeEmpty(table);

    // The split mark as stored now, not as read: the split dialog may have
    // been used since.
    Record split(kSplitFlag);
    const SqlResult &read = m_sql.exec(stmt::kTableSplitFlag, {idMesa}, &split);
    if (read.failed()) {
        p.outcome =
            Outcome::fail(QStringLiteral("Erro %1 lendo a mesa !!!").arg(read.state()), read, QStringLiteral("mesa"));
        return p;
    }

    if (holds(split.text(0), Flag::Yes)) {
        // The other positions pay the shares; this one is written as it is.
        p.then = Then::Write;
        return p;
    }

    // One desk at a time takes the money of an account.
    const PaymentClaims::Claim claim = m_claims.claim(idMesa, table.openedAt, session.desk, session.operatorCode);
    if (!claim.outcome.done()) {
        p.outcome = claim.outcome;
        return p;
    }
    p.notice = claim.notice;
    p.then = Then::Pay;
    return p;
}

namespace {

// The sale's header: the session's day, period and desk, the table as read,
// what the cashier changed on the screen and what the payment module
// handed back. The closing time is stamped once the position is locked.
sale::SaleHeader headerFor(const ShownTable &shown, const ClosingService::Inputs &inputs,
                           const ClosingService::SaleSession &session)
{
    const Record &table = shown.row;
    const TableTotals &totals = shown.totals;
    sale::SaleHeader header;
    header.idMesa = shown.idMesa;
    header.businessDate = session.businessDate;
    header.period = session.period;
    header.desk = session.desk;
    header.people = account::peopleFrom(inputs.typedPeople).value_or(int(table.integer("qtdPessoas")));
    header.waiter = sale::waiterFor(session.operators, inputs.chosenWaiter, int(table.integer("idGarcon")));
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
    return header;
}

// The steps of writing one sale, all inside the closing's transaction. A
// step answers nothing when it went well, or why the sale cannot be
// written; the caller stops at the first that fails and rolls back.
//
// A sale holds exactly what was charged: the live items of the reading the
// payment was taken for (the one `prepare` confirmed), plus the cancelled
// items, which are worth nothing. With the position and its items locked,
// the closing reads them again and compares:
//  - an item the reading did not show was launched after the bill; it is
//    not copied and not deleted, and the position stays open with it, so
//    it is billed once, later;
//  - a charged item that is gone or costs something else now, or totals
//    that differ, mean the bill is no longer what was paid: nothing is
//    written.
// Items are copied and deleted one by one under the same locks, so every
// item ends either in this sale or on the position, never both, and a
// second closing of the same account finds the position freed (or a
// different account on it) and writes nothing.
class SaleWriter
{
public:
    using Step = std::optional<Failure>;

    SaleWriter(Sql &sql, const std::vector<OperatorEntry> &operators, const ShownTable &shown, sale::SaleHeader header)
        : m_sql(sql), m_operators(operators), m_shown(shown), m_idMesa(shown.idMesa), m_header(std::move(header)),
          m_saleItem(tables::movVendasItem), m_saleObservation(tables::movVendasItemObs)
    {
        for (const ShownItem &item : shown.items)
            m_charged.emplace(item.idItem, &item);
    }

    // Items launched after the bill, left on the position.
    const std::set<std::int64_t> &late() const { return m_late; }
    std::int64_t saleId() const { return m_idVenda; }

    // The position first: another cash desk that closed it meanwhile has
    // freed it, and a second sale of the same account must not be written.
    // Then its items and observations, before anything is read: an item
    // another terminal launches now waits for the closing and then stays on
    // the table, instead of being deleted without having been copied.
    Step lockPosition()
    {
        // The position's lock leads the wave, with the locks of its items
        // and observations and the closing time's reads (see
        // stampClosingTime): one round trip. Its answer is judged first, so
        // a position found freed is told as today, before anything is
        // written; the unit then rolls back the other locks.
        SqlBatch &locks = m_locked;
        locks.add(stmt::kLockTable, {m_idMesa}, kStatus);
        locks.add(stmt::kLockTableItems, {m_idMesa});
        locks.add(stmt::kLockTableObservations, {m_idMesa});
        locks.add(stmt::kParameters, {}, tables::tabParametros);
        locks.add(stmt::kServerTime, {}, kTime);
        m_sql.run(locks);
        if (!locks.result(0).ok() || !locks.row(0))
            return failure(QStringLiteral("mesa"), locks.result(0));
        if (holds(locks.row(0)->text(0), TableStatus::Free))
            return Failure{kClosedElsewhere, {}, {}};
        if (!locks.result(1).answered())
            return failure(QStringLiteral("itens"), locks.result(1));
        if (!locks.result(2).answered())
            return failure(QStringLiteral("observações"), locks.result(2));
        return {};
    }

    // Read with the locks (lockPosition).
    Step stampClosingTime()
    {
        const SqlBatch &reads = m_locked;
        if (!reads.result(3).answered())
            return failure(QStringLiteral("parâmetros"), reads.result(3));
        if (!reads.result(4).ok())
            return failure(QStringLiteral("hora"), reads.result(4));
        m_header.closedAt = reads.row(4)->text(0);
        return {};
    }

    // The locked position read again with the screen's own reader: every
    // charged item still there at its price, the same totals, and the
    // items nobody was charged for set aside as late.
    Step checkStillCharged()
    {
        TableReader reader(m_sql, m_operators);
        const TableReader::Reading locked = reader.LERMESA(m_idMesa, false);
        if (locked.result == TableReader::Reading::Result::Failed
            || (locked.result == TableReader::Reading::Result::Missing && locked.failure.failed()))
            return Failure{QStringLiteral("mesa"), locked.failure.error, {}};
        if (locked.result != TableReader::Reading::Result::Shown || locked.table.openedAt != m_shown.openedAt)
            return Failure{kClosedElsewhere, {}, {}};
        TableTotals stillCharged;
        std::size_t found = 0;
        for (const ShownItem &item : locked.table.items) {
            const auto it = m_charged.find(item.idItem);
            if (it == m_charged.end()) {
                m_late.insert(item.idItem);
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
        stillCharged.people = m_shown.totals.people;
        stillCharged.compute();
        if (found != m_charged.size() || !sameMoney(stillCharged, m_shown.totals))
            return Failure{kChanged, {}, {}};
        return {};
    }

    Step insertSale()
    {
        Record saleRow(tables::movVendas);
        sale::fillSale(saleRow, m_header);
        const Record &s = saleRow;
        // The sale, its number, and the position's items to copy into it
        // (copyItems), in one wave.
        SqlBatch &wave = m_sale;
        rows::addInsert(wave, s);
        wave.add(stmt::kLastInsertId, {}, kInsertId);
        wave.add(stmt::kTableItems, {m_idMesa}, tables::movMesaItem);
        wave.readAs(2, kItemCursor);
        m_sql.run(wave);
        if (!wave.result(0).ok())
            return failure(QStringLiteral("venda"), wave.result(0),
                           block(QStringLiteral("Mesa - Erro gravando Vendas"), wave.result(0)));
        if (!wave.result(1).ok())
            return failure(QStringLiteral("venda"), wave.result(1));
        m_idVenda = wave.row(1)->num(0).toInt();
        return {};
    }

    // Every item of the position that was charged, in the order the
    // position lists them, with its kitchen times and its observations. The
    // statements go out in waves: the item list (with the sale); every item's product,
    // kitchen record, the table's latest ready time and the item's
    // observations; the time differences the kitchen times call for; then
    // the writes, which release() completes and sends. The answers are
    // checked in the order the statements were always sent one by one.
    Step copyItems()
    {
        const SqlBatch &listed = m_sale; // read with the sale (insertSale)
        if (listed.result(2).failed())
            return failure(QStringLiteral("leitura dos itens"), listed.result(2));
        std::vector<const Record *> copied;
        for (const Record &item : listed.rows(2)) {
            if (m_late.count(item.integer("idItem")) != 0)
                continue;
            copied.push_back(&item);
            m_copied.push_back(item.integer("idItem"));
        }

        struct Reads
        {
            std::size_t product = 0, kitchen = 0, latest = 0, observations = 0;
        };
        std::vector<Reads> reads(copied.size());
        SqlBatch perItem;
        for (std::size_t i = 0; i < copied.size(); ++i) {
            const Record &item = *copied[i];
            reads[i].product = perItem.add(stmt::kProductById, {item.integer("idProduto")}, tables::cadProdutos);
            reads[i].kitchen = perItem.add(stmt::kKitchenByItem, {item.integer("idItem")}, tables::movCozinha);
            reads[i].latest = perItem.add(stmt::kLatestReady, {m_idMesa / 100}, kLatest);
            reads[i].observations =
                perItem.add(stmt::kItemObservations, {item.integer("idItem")}, tables::movMesaItemObs);
        }
        m_sql.run(perItem);

        // Each item's kitchen times as read; the time differences they
        // call for are asked all together.
        std::vector<sale::KitchenTimes> times(copied.size());
        std::vector<Record> kitchens;
        kitchens.reserve(copied.size());
        SqlBatch diffs;
        std::vector<std::size_t> firstDiff(copied.size() + 1, 0);
        std::size_t readable = copied.size(); // the items read without a failure, from the first
        for (std::size_t i = 0; i < copied.size(); ++i) {
            firstDiff[i] = diffs.size();
            if (perItem.result(reads[i].product).failed() || perItem.result(reads[i].kitchen).failed()
                || perItem.result(reads[i].latest).failed()) {
                readable = i;
                break;
            }
            // An item the kitchen never saw reads as no times and no cook.
            Record &kitchen = kitchens.emplace_back(tables::movCozinha);
            if (const Record *row = perItem.row(reads[i].kitchen)) {
                kitchen = *row;
            } else {
                kitchen.setText("hrPronto", kNoTime);
                kitchen.setText("baixaGarHora", kNoTime);
                kitchen.setText("hrEntrega", kNoTime);
                kitchen.setInt("idCozinheiro", 0);
            }
            // The table's latest ready time stands for the item's own; a
            // table without kitchen orders keeps the item's.
            times[i] = {kitchen.text("hrPronto"), kitchen.text("baixaGarHora"), kitchen.text("hrEntrega")};
            const Record *latest = perItem.row(reads[i].latest);
            if (latest && !latest->text(0).trimmed().isEmpty())
                times[i].ready = latest->text(0);
            sale::kitchenMinutes(times[i], [&diffs](const QString &later, const QString &earlier) {
                diffs.add(stmt::kTimeDiff, {later, earlier}, kDiff);
                return std::optional<QString>(kNoTime);
            });
        }
        firstDiff[readable] = diffs.size();
        if (!diffs.empty())
            m_sql.run(diffs);

        for (std::size_t i = 0; i < copied.size(); ++i) {
            const Record &item = *copied[i];
            const int sequence = int(i) + 1;
            if (perItem.result(reads[i].product).failed())
                return failure(QStringLiteral("produtos"), perItem.result(reads[i].product));
            if (perItem.result(reads[i].kitchen).failed())
                return failure(QStringLiteral("cozinha"), perItem.result(reads[i].kitchen));
            if (perItem.result(reads[i].latest).failed())
                return failure(QStringLiteral("cozinha"), perItem.result(reads[i].latest));
            std::size_t next = firstDiff[i];
            std::optional<DbError> diffFailure;
            const std::optional<sale::KitchenMinutes> minutes =
                sale::kitchenMinutes(times[i], [&](const QString &, const QString &) {
                    const std::size_t d = next++;
                    if (!diffs.result(d).ok()) {
                        diffFailure = diffs.result(d).error();
                        return std::optional<QString>();
                    }
                    return std::optional<QString>(diffs.row(d)->text(0));
                });
            if (!minutes)
                return Failure{QStringLiteral("cozinha"), diffFailure.value_or(DbError{}), {}};

            sale::fillSaleItem(m_saleItem, m_idVenda, sequence, item, kitchens[i], *minutes);
            const Record &r = m_saleItem;
            m_writes.push_back({rows::addInsert(m_batch, r), Write::Item});
            const SqlResult &observations = perItem.result(reads[i].observations);
            if (observations.failed())
                return failure(QStringLiteral("observações"), observations);
            int listedObservations = 0;
            for (const Record &observation : perItem.rows(reads[i].observations)) {
                if (++listedObservations > kMaxObservations)
                    break;
                if (observation.num("idItemObs").isZero())
                    continue;
                sale::fillSaleObservation(m_saleObservation, m_idVenda, sequence, observation);
                const Record &o = m_saleObservation;
                m_writes.push_back({rows::addInsert(m_batch, o), Write::Observation});
            }
        }
        return {};
    }

    // Only what was sold leaves the position. Everything sold: the position
    // is free again. Items left behind must be billed again: the position
    // is open (not blocked, not split) and the manual discount, given in
    // this sale, goes. These writes go out with the sale's items and
    // observations, in one wave, checked in their order.
    Step release()
    {
        // The account is closed: whichever desk claimed its payment, the
        // claim ends with the sale.
        m_writes.push_back({m_batch.add(stmt::kDropPaymentClaims, {m_idMesa}), Write::Release});
        if (m_late.empty()) {
            for (const std::string_view statement :
                 {stmt::kResetTable, stmt::kDeleteTableItems, stmt::kDeleteTableObservations})
                m_writes.push_back({m_batch.add(statement, {m_idMesa}), Write::Release});
        } else {
            for (const std::int64_t idItem : m_copied) {
                m_writes.push_back({m_batch.add(stmt::kDeleteItemObservations, {idItem}), Write::Release});
                m_writes.push_back({m_batch.add(stmt::kDeleteItem, {idItem}), Write::Release});
            }
            m_writes.push_back({m_batch.add(stmt::kUnblock, {m_idMesa}), Write::Release});
            m_writes.push_back({m_batch.add(stmt::kSetManualDiscount, {Decimal(), m_idMesa}), Write::Release});
        }
        m_sql.run(m_batch);
        for (const auto &[index, kind] : m_writes) {
            const SqlResult &written = m_batch.result(index);
            if (written.ok())
                continue;
            switch (kind) {
            case Write::Item:
                return failure(QStringLiteral("itens"), written,
                               block(QStringLiteral("Mesa - Erro gravando Vendas_Item_Obs"), written));
            case Write::Observation:
                return failure(QStringLiteral("observações"), written,
                               block(QStringLiteral("Mesa - Erro gravando Vendas_Item_Obs"), written));
            case Write::Release:
                return failure(QStringLiteral("liberação da mesa"), written,
                               block(QStringLiteral("Mesa - Erro liberando a mesa"), written));
            }
        }
        return {};
    }

    Failure failure(const QString &step, QStringList console = {}) const
    {
        return Failure{step, m_sql.result().error(), std::move(console)};
    }
    Failure failure(const QString &step, const SqlResult &result, QStringList console = {}) const
    {
        return Failure{step, result.error(), std::move(console)};
    }

private:
    // The diagnostic block of a write that failed while the sale was being
    // written.
    static QStringList block(const QString &what, const SqlResult &result)
    {
        return QStringList{QString(40, QLatin1Char('-')), what, result.state(), result.message()};
    }

    Sql &m_sql;
    const std::vector<OperatorEntry> &m_operators;
    const ShownTable &m_shown;
    const int m_idMesa;
    sale::SaleHeader m_header;
    std::map<std::int64_t, const ShownItem *> m_charged;
    std::set<std::int64_t> m_late;
    std::vector<std::int64_t> m_copied;
    std::int64_t m_idVenda = 0;
    // The sale's items and observations and the release, written in one
    // wave: each write's place in the batch and what it writes.
    enum class Write {
        Item,
        Observation,
        Release
    };
    SqlBatch m_locked; // the locks and the closing time's reads
    SqlBatch m_sale;   // the sale, its number and the items to copy
    SqlBatch m_batch;
    std::vector<std::pair<std::size_t, Write>> m_writes;
    Record m_saleItem;
    Record m_saleObservation;
};

// How a closing that wrote nothing is told.
Outcome failedClosing(const Failure &failed)
{
    if (failed.step == kClosedElsewhere)
        return closedElsewhere(); // nothing to retry: the account is closed already
    if (failed.step == kChanged) {
        return Outcome::refuse(
            QStringLiteral("Mesa foi alterada durante o pagamento: nada foi gravado, confira a conta !!!"),
            Outcome::Severity::Stop, Outcome::Next::Reread);
    }
    Outcome o;
    o.kind = Outcome::Kind::Failed;
    o.severity = Outcome::Severity::Stop;
    o.message = QStringLiteral("Erro %1 gravando a venda (%2): nada foi gravado, a mesa continua bloqueada !!!")
                    .arg(failed.error.state, failed.step);
    o.step = failed.step;
    o.error = failed.error;
    o.console = failed.console;
    return o;
}

} // namespace

namespace {

Outcome interrupted(PositionGuard &guard, const ShownTable &shown, const Failure &failed)
{
    if (!failed.error.conflict && !failed.error.lockTimeout)
        return failedClosing(failed);
    // Another desk's or terminal's write met this closing at some statement
    // (a deadlock, a cluster's certification, a lock held too long): it was
    // rolled back. Read again, the position says what happened.
    switch (guard.now(shown.opening())) {
    case PositionGuard::Now::Freed:
    case PositionGuard::Now::Reopened: {
        Outcome o = closedElsewhere();
        o.step = failed.step;
        return o;
    }
    case PositionGuard::Now::Same:
    case PositionGuard::Now::Unknown: break;
    }
    Outcome o = failed.error.lockTimeout
                    ? Outcome::refuse(QStringLiteral("Mesa em uso em outro caixa ou terminal: nada foi gravado, a mesa "
                                                     "continua bloqueada, tente novamente !!!"),
                                      Outcome::Severity::Stop, Outcome::Next::Stay)
                    : Outcome::refuse(QStringLiteral("Mesa foi alterada em outro caixa ou terminal durante o "
                                                     "fechamento: nada foi gravado, tente novamente !!!"),
                                      Outcome::Severity::Stop, Outcome::Next::Reread);
    o.step = failed.step;
    o.error = failed.error;
    return o;
}

} // namespace

ClosingService::SaleSession ClosingService::sessionOf(const Session &session)
{
    return {exchange::DeskSession::periodDate(), session.period(), session.desk(), session.operators(),
            session.operatorCode()};
}

ClosingService::SaleOrder ClosingService::order(const ShownTable &shown, const Inputs &inputs) const
{
    SaleOrder o{shown, sessionOf(m_session), {}};
    o.header = headerFor(shown, inputs, o.session);
    return o;
}

Outcome ClosingService::GRAVAR(const ShownTable &shown, const Inputs &inputs)
{
    return write(order(shown, inputs));
}

Outcome ClosingService::write(const SaleOrder &order)
{
    const ShownTable &shown = order.shown;
    // A sale never takes money back.
    if (negativeBill(shown.totals))
        return invalidDiscount();

    SaleWriter writer(m_sql, order.session.operators, shown, order.header);

    // The whole closing is one transaction: the sale, its items, their
    // observations, the reset and the deletes are stored together or not
    // at all, so a failure never leaves a sale without items or a table
    // freed without its sale.
    std::optional<Failure> failed;
    {
        UnitOfWork transaction(m_sql);
        auto write = [&]() -> SaleWriter::Step {
            if (!transaction.started())
                return writer.failure(QStringLiteral("início"));
            for (auto step : {&SaleWriter::lockPosition, &SaleWriter::stampClosingTime, &SaleWriter::checkStillCharged,
                              &SaleWriter::insertSale, &SaleWriter::copyItems, &SaleWriter::release}) {
                if (SaleWriter::Step failed = (writer.*step)())
                    return failed;
            }
            if (!transaction.commit())
                return writer.failure(QStringLiteral("confirmação"));
            return {};
        };
        failed = write();
        // Leaving the scope rolls back whatever a failure left uncommitted,
        // before the cashier is told, so no lock outlives the closing.
    }
    if (failed) {
        const Outcome told = interrupted(m_guard, shown, *failed);
        // Nothing left to pay here: whatever this desk claimed ends.
        if (told.refused())
            m_claims.release(shown.idMesa);
        return told;
    }
    // Money that changed hands is in the support log, so a question about
    // a closed account can start from the log before the database.
    log::info(QStringLiteral("venda %1 gravada: mesa %2, caixa %3, período %4, total %5")
                  .arg(writer.saleId())
                  .arg(positionLabel(shown.idMesa))
                  .arg(order.session.desk)
                  .arg(order.session.period)
                  .arg(order.header.tableTotal.toDisplay(2, false)));
    if (writer.late().empty())
        return Outcome::ok(Outcome::Next::Release);
    Outcome o = Outcome::ok(Outcome::Next::Reread);
    o.message = lateItemsMessage(writer.late().size());
    return o;
}

} // namespace qv
