#include "items/ItemService.h"

#include "data/RowInsert.h"
#include "data/Statements.h"
#include "data/Status.h"
#include "data/Tables.h"
#include "data/UnitOfWork.h"
#include "items/ProductLookup.h"
#include "platform/Record.h"
#include "platform/Sql.h"

namespace qv {

namespace {

const Layout kTime("time", {FieldDef::C("horaPedido", 8)});
const Layout kLastIdLayout("lastId", {FieldDef::N("idItem", 18)});

// The most observations an item keeps: the closing and the edit read back
// only this many.
constexpr int kObservationLimit = 20;
constexpr int kItemsTicket = 999999;

QString blanks(int count)
{
    return QString(count, QLatin1Char(' '));
}

QString first20(const QString &text)
{
    return text.left(20).leftJustified(20, QLatin1Char(' '));
}

const QString kNewItemFailure = QStringLiteral("Erro %1 na gravação do item: nada foi gravado !!!");
const QString kEditFailure = QStringLiteral("Erro %1 na alteração do item: nada foi alterado !!!");

} // namespace

ItemService::ItemService(Sql &sql) : m_sql(sql), m_guard(sql) {}

Decimal ItemService::observationValue(char kind, const Record &observation)
{
    switch (kind) {
    case letterOf(ObservationKind::With): return observation.num("valorCom");
    case letterOf(ObservationKind::Without): return observation.num("valorSem");
    default: return observation.num("valorObs");
    }
}

// ---------------------------------------------------------------------------
// Reads
// ---------------------------------------------------------------------------

ItemService::Lookup ItemService::LERPRO(const QString &text)
{
    Lookup lookup;
    const QString typed = text.left(lookup::kConsidered);
    if (typed.trimmed().isEmpty())
        return lookup;

    if (lookup::isProductCode(typed)) {
        const int code = lookup::productCode(typed);
        lookup.code = code;
        Record product(tables::cadProdutos);
        const SqlResult state = m_sql.exec(stmt::kProductById, {code}, &product);
        if (state.ok() && holds(product.text("inativo"), Flag::Yes)) {
            lookup.result = Lookup::Result::Inactive;
            lookup.outcome = Outcome::refuse(QStringLiteral("Produto inativo !!!"), Outcome::Severity::Stop);
            return lookup;
        }
        if (!state.ok()) {
            // An unknown code says nothing; a failed read is said, so it is
            // not taken for an unknown code.
            lookup.result = Lookup::Result::Unknown;
            lookup.outcome =
                state.noRow()
                    ? Outcome::refuse(QString())
                    : Outcome::fail(QStringLiteral("Erro %1 na leitura do produto !!!").arg(state.state()), state);
            return lookup;
        }
        lookup.result = Lookup::Result::Found;
        lookup.product.code = code;
        lookup.product.description = product.text("descricao").trimmed();
        lookup.product.price = product.num("valorVenda");
        lookup.product.allowsJa = !holds(product.text("permiteJa"), Flag::No);
        return lookup;
    }

    // A description: the products whose description has it. A list that
    // cannot be read ends the screen, as every cursor failure does.
    const QString pattern = lookup::likePattern(typed);
    if (!m_sql.open("CURP", stmt::kProductsLike, {pattern}).ok()) {
        lookup.result = Lookup::Result::Failed;
        lookup.outcome = Outcome::fail(QStringLiteral("Erro na leitura dos produtos !!!"), m_sql.result());
        return lookup;
    }
    Record product(tables::cadProdutos);
    for (;;) {
        const SqlResult &state = m_sql.fetch("CURP", product);
        if (state.noRow())
            break;
        if (!state.ok()) {
            lookup.result = Lookup::Result::Failed;
            lookup.outcome = Outcome::fail(QStringLiteral("Erro na leitura do cursor (LERPRO) !!!"), state);
            m_sql.close("CURP");
            lookup.listed.clear();
            return lookup;
        }
        lookup.listed.push_back(
            {int(product.integer("idProduto")), product.text("descricao").trimmed(), product.num("valorCardapio")});
    }
    m_sql.close("CURP");
    lookup.result = Lookup::Result::Listed;
    return lookup;
}

ItemService::EditRead ItemService::readItem(std::int64_t idItem)
{
    EditRead read;
    StoredItem &stored = read.item;

    Record item(tables::movMesaItem);
    const SqlResult itemState = m_sql.exec(stmt::kItemById, {idItem}, &item);
    if (!itemState.ok()) {
        // Cancelled or moved from another terminal since the list was read.
        read.outcome =
            itemState.noRow()
                ? Outcome::refuse(QStringLiteral("Item não está mais na mesa !!!"), Outcome::Severity::Information,
                                  Outcome::Next::Reread)
                : Outcome::fail(QStringLiteral("Erro %1 na leitura do item !!!").arg(itemState.state()), itemState);
        return read;
    }
    Record product(tables::cadProdutos);
    const int code = int(item.integer("idProduto"));
    const SqlResult productState = m_sql.exec(stmt::kProductById, {code}, &product);
    if (productState.failed()) {
        read.outcome =
            Outcome::fail(QStringLiteral("Erro %1 na leitura do produto !!!").arg(productState.state()), productState);
        return read;
    }

    // The product, its price and quantity are what was launched: only the
    // observations and the discount change.
    stored.idItem = idItem;
    stored.idMesa = int(item.integer("idMesa"));
    stored.productCode = code;
    stored.description = product.text("descricao").trimmed();
    stored.price = item.num("valorUnitario");
    stored.manualDiscount = item.num("descontoManual");

    const int discount = int(item.integer("idDesconto"));
    if (discount != 0) {
        Record kind(tables::tabDesconto);
        const SqlResult kindState = m_sql.exec(stmt::kDiscountById, {discount}, &kind);
        if (kindState.failed()) {
            read.outcome =
                Outcome::fail(QStringLiteral("Erro %1 na leitura do desconto !!!").arg(kindState.state()), kindState);
            return read;
        }
        stored.discountKind = discount;
        stored.discountDescription = kind.text("descricao").trimmed();
        stored.discountOperator = item.text("operDesc").trimmed();
    }

    // A list that could not be read must not open: confirming it would
    // replace the stored observations with none.
    const QString observationFailure = QStringLiteral("Erro %1 na leitura das observações do item !!!");
    std::vector<Record> entries;
    const SqlResult listState =
        m_sql.execRows(stmt::kItemObservations, {idItem}, tables::movMesaItemObs, entries, kObservationLimit);
    if (listState.failed()) {
        read.outcome = Outcome::fail(observationFailure.arg(listState.state()), listState);
        return read;
    }
    Record observation(tables::tabObservacao);
    for (const Record &entry : entries) {
        if (entry.integer("idItemObs") == 0)
            continue;
        const int idObs = int(entry.integer("idObs"));
        observation.clear();
        const SqlResult state = m_sql.exec(stmt::kObservationById, {idObs}, &observation);
        if (state.failed()) {
            read.outcome = Outcome::fail(observationFailure.arg(state.state()), state);
            return read;
        }
        // An observation no longer in the catalogue still belongs to the
        // item: it is kept, without its text.
        const char kind = entry.text("tipo").at(0).toLatin1();
        stored.observations.push_back(
            {kind, idObs, observation.text("descricao"), observationValue(kind, observation)});
    }
    return read;
}

ItemService::ObservationRead ItemService::observation(char kind, int idObs)
{
    ObservationRead read;
    Record observation(tables::tabObservacao);
    const SqlResult state = m_sql.exec(stmt::kObservationById, {idObs}, &observation);
    if (!state.ok()) {
        read.outcome =
            state.noRow()
                ? Outcome::refuse(QStringLiteral("Observação %1 não cadastrada !!!").arg(idObs))
                : Outcome::fail(QStringLiteral("Erro %1 na leitura da observação !!!").arg(state.state()), state);
        return read;
    }
    read.observation = {kind, idObs, observation.text("descricao"), observationValue(kind, observation)};
    return read;
}

ItemService::DiscountRead ItemService::discountKind(int code, int kind)
{
    DiscountRead read;
    Record row(tables::tabDesconto);
    const SqlResult state = m_sql.exec(stmt::kDiscountById, {kind}, &row);
    if (!state.ok()) {
        read.outcome =
            state.noRow()
                ? Outcome::refuse(QStringLiteral("Desconto %1 não cadastrado !!!").arg(code))
                : Outcome::fail(QStringLiteral("Erro %1 na leitura do desconto !!!").arg(state.state()), state);
        return read;
    }
    read.description = row.text("descricao").trimmed();
    return read;
}

// ---------------------------------------------------------------------------
// Confirmation and the writes
// ---------------------------------------------------------------------------

ItemService::Invalid ItemService::check(int quantity, const std::optional<Decimal> &manualDiscount, Decimal price)
{
    if (quantity <= 0)
        return Invalid::Quantity;
    if (!manualDiscount || manualDiscount->isNegative() || *manualDiscount > price)
        return Invalid::Discount;
    return Invalid::Nothing;
}

Outcome ItemService::refusal(Invalid invalid)
{
    switch (invalid) {
    case Invalid::Quantity: return Outcome::refuse(QStringLiteral("Quantidade inválida !!!"));
    case Invalid::Discount: return Outcome::refuse(QStringLiteral("Desconto inválido !!!"));
    case Invalid::Nothing: break;
    }
    return Outcome::ok();
}

Outcome ItemService::writeFailure(const QString &what) const
{
    return writeFailure(what, m_sql.result());
}

Outcome ItemService::writeFailure(const QString &what, const SqlResult &result) const
{
    // The server's own words go with the outcome, not into this text: the
    // desk shows them whole in a box of their own, where a box of 120
    // characters would cut them.
    return Outcome::fail(what.arg(result.state()), result);
}

Outcome ItemService::INSITEM(const NewItem &item)
{
    if (const Invalid invalid = check(item.quantity, item.manualDiscount, item.price); invalid != Invalid::Nothing)
        return refusal(invalid);

    const int idMesa = item.shown.idMesa;
    const auto failed = [this] { return writeFailure(kNewItemFailure); };
    // The include frame is refused on a blocked table: one blocked since
    // has its bill printed and perhaps under payment.
    PositionGuard::Needs needs;
    needs.sameBlock = true;
    std::size_t menuAt = 0;
    std::size_t timeAt = 0;
    return m_guard.write(
        item.shown, needs,
        [&](SqlBatch &wave) {
            // The menu entry of the product, when it has one, and one order
            // time for every unit of this launch (the kitchen groups by it),
            // with the position's lock.
            menuAt = wave.add(stmt::kMenuEntry, {item.productCode}, tables::cadCardapioProd);
            timeAt = wave.add(stmt::kServerTime, {}, kTime);
        },
        [&](const SqlBatch &reads) {
            if (reads.result(menuAt).failed())
                return writeFailure(kNewItemFailure, reads.result(menuAt));
            if (!reads.result(timeAt).ok() || !reads.row(timeAt))
                return writeFailure(kNewItemFailure, reads.result(timeAt));
            const Record menu = reads.row(menuAt) ? *reads.row(menuAt) : Record(tables::cadCardapioProd);
            const bool discounted = item.discountChosen || !item.manualDiscount.isZero();
            const QString operDesc = discounted ? first20(item.discountOperator) : blanks(20);
            const int idCardapio = int(menu.integer("idCardapio"));
            const int idGrupo = int(menu.integer("idGrupo"));
            const QString orderTime = reads.row(timeAt)->text(0);

            // Every unit and the number the server gave it, in one wave;
            // then the observations of every unit, which need those
            // numbers, in another.
            Record unit(tables::movMesaItem);
            rows::fillNewItem(unit, {idMesa, idCardapio, idGrupo, item.productCode, item.price, item.idOperador,
                                     kItemsTicket, orderTime, item.discountKind, item.manualDiscount, operDesc});
            SqlBatch units;
            for (int n = 0; n < item.quantity; ++n) {
                rows::addInsert(units, unit);
                units.add(stmt::kLastInsertId, {}, kLastIdLayout);
            }
            if (!m_sql.run(units))
                return writeFailure(kNewItemFailure, units.result(*units.firstFailure()));
            SqlBatch observations;
            for (int n = 0; n < item.quantity; ++n) {
                const std::int64_t idItem = units.row(std::size_t(2 * n + 1))->integer("idItem");
                for (const ChosenObservation &obs : item.observations)
                    observations.add(stmt::kInsertItemObservation,
                                     {std::int64_t(0), idItem, obs.idObs, idMesa, QString(QLatin1Char(obs.kind))});
            }
            if (!observations.empty() && !m_sql.run(observations))
                return writeFailure(kNewItemFailure, observations.result(*observations.firstFailure()));
            return Outcome::ok(Outcome::Next::Reread);
        },
        failed);
}

std::optional<Outcome> ItemService::stillAsRead(const StoredItem &read, const std::function<Outcome()> &failed)
{
    Record stored(tables::movMesaItem);
    const SqlResult &found = m_sql.exec(stmt::kItemById, {read.idItem}, &stored);
    if (found.noRow())
        return PositionGuard::itemsChanged();
    if (!found.ok())
        return failed();
    std::vector<Record> entries;
    const SqlResult &listed =
        m_sql.execRows(stmt::kItemObservations, {read.idItem}, tables::movMesaItemObs, entries, kObservationLimit);
    if (listed.failed())
        return failed();
    std::vector<std::pair<QString, int>> now;
    for (const Record &entry : entries) {
        if (entry.integer("idItemObs") != 0)
            now.emplace_back(entry.text("tipo"), int(entry.integer("idObs")));
    }
    std::vector<std::pair<QString, int>> before;
    for (const ChosenObservation &observation : read.observations)
        before.emplace_back(QString(QLatin1Char(observation.kind)), observation.idObs);
    if (int(stored.integer("idDesconto")) != read.discountKind || stored.num("descontoManual") != read.manualDiscount
        || now != before)
        return PositionGuard::itemsChanged();
    return std::nullopt;
}

Outcome ItemService::CARITEM(const EditedItem &item)
{
    const auto failed = [this] { return writeFailure(kEditFailure); };
    // The item must still be on the position shown, not cancelled: its
    // observations must not be written for an item that is gone.
    PositionGuard::Needs needs;
    needs.items = {item.idItem};
    return m_guard.write(
        item.shown, needs,
        [&] {
            if (item.asRead) {
                if (std::optional<Outcome> changed = stillAsRead(*item.asRead, failed))
                    return *changed;
            }
            if (!m_sql.exec(stmt::kDeleteItemObservations, {item.idItem}).ok())
                return failed();
            for (const ChosenObservation &obs : item.observations) {
                if (!m_sql
                         .exec(stmt::kInsertItemObservation, {std::int64_t(0), item.idItem, obs.idObs,
                                                              item.shown.idMesa, QString(QLatin1Char(obs.kind))})
                         .ok())
                    return failed();
            }
            if (!m_sql
                     .exec(stmt::kSetItemDiscount,
                           {item.discountKind, first20(item.discountOperator), item.manualDiscount, item.idItem})
                     .ok())
                return failed();
            return Outcome::ok(Outcome::Next::Reread);
        },
        failed);
}

} // namespace qv
