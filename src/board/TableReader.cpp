#include "board/TableReader.h"

#include "data/Statements.h"
#include "data/Status.h"
#include "data/Tables.h"
#include "platform/Sql.h"
#include "session/Session.h"

#include <algorithm>

namespace qv {

namespace {
const Layout kName("tab_Operador", {FieldDef::C("nome", 20)});
const Layout kPercent("tab_Desconto", {FieldDef::N("percentual", 3, 2)});
const Layout kTime("time", {FieldDef::C("hora", 8)});

// An observation beyond the twentieth is kept but not listed.
constexpr int kListedObservations = 20;

// "descricao" of a take-away item: up to its first double blank.
QString takeAwayName(const QString &description)
{
    const int cut = description.indexOf(QStringLiteral("  "));
    return (cut < 0 ? description : description.left(cut)) + QStringLiteral(" - VIAGEM");
}

Outcome readFailure(const QString &message, const SqlResult &result)
{
    return Outcome::fail(message, result);
}
} // namespace

std::vector<ItemListRow> ShownTable::listRows() const
{
    std::vector<ItemListRow> rows;
    rows.reserve(items.size());
    for (int i = 0; i < int(items.size()); ++i) {
        const ShownItem &item = items[std::size_t(i)];
        rows.push_back({item.idItem, item.idComanda, i, -1});
        if (!observationsVisible)
            continue;
        const int listed = std::min<int>(int(item.observations.size()), kListedObservations);
        for (int o = 0; o < listed; ++o)
            rows.push_back({0, 0, i, o});
    }
    return rows;
}

TableReader::TableReader(Sql &sql, const Session &session) : TableReader(sql, session.operators()) {}

TableReader::TableReader(Sql &sql, const std::vector<OperatorEntry> &operators) : m_sql(sql), m_operators(operators) {}

std::optional<QString> TableReader::timeOpenSince(const QString &openedAt)
{
    if (openedAt.trimmed().isEmpty())
        return std::nullopt;
    Record now(kTime);
    if (!m_sql.exec(stmt::kServerTime, {}, &now).ok())
        return std::nullopt;
    return timeOpen(openedAt, now.text(0));
}

TableReader::Reading TableReader::LERMESA(int idMesa, bool observationsVisible)
{
    Reading reading;
    ShownTable &table = reading.table;
    table.observationsVisible = observationsVisible;

    // The reading goes out in waves, each one round trip: a statement
    // leaves once the answers it depends on are in, in the order the
    // reading has always sent them; the answers are then checked in that
    // same order, so a failure is told exactly as it was.
    SqlBatch wave;
    wave.add(stmt::kTableById, {idMesa}, tables::movMesa);
    m_sql.run(wave);
    const SqlResult &found = wave.result(0);
    if (!found.ok()) {
        // No such position, or the row cannot be read: nothing to show. A
        // lost connection is the caller's to tell.
        if (found.failed())
            reading.failure = readFailure(QString(), found);
        reading.result = Reading::Result::Missing;
        return reading;
    }
    table.row = *wave.row(0);
    if (holds(table.row.text("status"), TableStatus::Free)) {
        reading.result = Reading::Result::Free;
        return reading;
    }

    table.idMesa = int(table.row.integer("idMesa"));
    table.waiter = int(table.row.integer("idGarcon"));

    // The table's waiter, checked against the operator list, and its live
    // items.
    wave.clear();
    wave.add(stmt::kOperatorName, {table.waiter}, kName);
    const std::size_t itemsRead = wave.add(stmt::kLiveItems, {table.idMesa}, tables::movMesaItem);
    wave.readAs(itemsRead, "CUR2");
    m_sql.run(wave);
    const SqlResult &named = wave.result(0);
    if (named.failed()) {
        reading.result = Reading::Result::Failed;
        reading.failure =
            readFailure(QStringLiteral("Erro %1 na leitura do garçon da mesa !!!").arg(named.state()), named);
        return reading;
    }
    table.waiterName = wave.row(0) ? wave.row(0)->text(0) : Record(kName).text(0);
    const auto &operators = m_operators;
    for (std::size_t i = 0; i < operators.size(); ++i) {
        if (operators[i].name == table.waiterName) {
            table.waiterIndex = int(i);
            break;
        }
    }
    const QString listed = table.waiterIndex < 0 ? QString() : operators[std::size_t(table.waiterIndex)].name;
    table.waiterNameMismatch = listed.leftJustified(20, QLatin1Char(' '), true) != table.waiterName;

    table.totals.servicePercent = table.row.num("taxaServico");
    table.openedAt = table.row.text("horaAbertura");

    // The items' reads, and with their last wave the table's own: the time
    // open and the table discount's percent.
    SqlBatch last;
    TableReads tableReads;
    if (!readItems(table, wave, itemsRead, last, tableReads, reading.failure, reading.fatal)) {
        reading.result = Reading::Result::Failed;
        return reading;
    }
    if (tableReads.clock && last.result(*tableReads.clock).ok())
        table.timeOpen = timeOpen(table.openedAt, last.row(*tableReads.clock)->text(0));

    const std::size_t percentRead = tableReads.percent;
    const SqlBatch &tableWave = last;
    const SqlResult &discount = tableWave.result(percentRead);
    if (discount.failed()) {
        reading.result = Reading::Result::Failed;
        reading.failure =
            readFailure(QStringLiteral("Erro %1 na leitura do desconto da mesa !!!").arg(discount.state()), discount);
        return reading;
    }

    table.totals.discountPercent = tableWave.row(percentRead) ? tableWave.row(percentRead)->num(0) : Decimal();
    table.totals.manualDiscount = table.row.num("descontoManual");
    table.totals.people = table.people();
    table.totals.compute();
    reading.result = Reading::Result::Shown;
    return reading;
}

bool TableReader::readItems(ShownTable &table, const SqlBatch &listed, std::size_t itemsRead, SqlBatch &last,
                            TableReads &tableReads, Outcome &failure, bool &fatal)
{
    if (listed.result(itemsRead).failed()) {
        failure = readFailure(listed.fetchFailed(itemsRead) ? QStringLiteral("Erro na leitura do cursor (ITENS) !!!")
                                                            : QStringLiteral("Erro na leitura dos itens da mesa !!!"),
                              listed.result(itemsRead));
        fatal = true;
        return false;
    }
    const std::vector<Record> &items = listed.rows(itemsRead);

    // Every item's own reads in one wave, item after item: its product,
    // its observations, its discount (when it has one) and its waiter.
    struct Reads
    {
        std::size_t product = 0;
        std::size_t observations = 0;
        std::optional<std::size_t> discount;
        std::size_t waiter = 0;
    };
    std::vector<Reads> reads(items.size());
    SqlBatch perItem;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const Record &item = items[i];
        reads[i].product = perItem.add(stmt::kProductById, {item.integer("idProduto")}, tables::cadProdutos);
        reads[i].observations = perItem.add(stmt::kItemObservations, {item.integer("idItem")}, tables::movMesaItemObs);
        perItem.readAs(reads[i].observations, "CUR3");
        if (item.integer("idDesconto") != 0)
            reads[i].discount = perItem.add(stmt::kDiscountById, {item.integer("idDesconto")}, tables::tabDesconto);
        reads[i].waiter = perItem.add(stmt::kOperatorById, {item.integer("idOperador")}, tables::tabOperador);
    }
    m_sql.run(perItem);

    // The observations' texts, for the items whose reading would have got
    // as far: the first item with a failed read stops it there.
    std::vector<std::size_t> firstText(items.size(), 0);
    SqlBatch &texts = last;
    bool stopped = false;
    for (std::size_t i = 0; i < items.size() && !stopped; ++i) {
        firstText[i] = texts.size();
        if (perItem.result(reads[i].product).failed() || perItem.result(reads[i].observations).failed()) {
            stopped = true;
            break;
        }
        for (const Record &observation : perItem.rows(reads[i].observations))
            texts.add(stmt::kObservationById, {observation.integer("idObs")}, tables::tabObservacao);
        stopped = reads[i].discount && perItem.result(*reads[i].discount).failed();
    }
    // The table's own reads follow, unless an item's read already failed
    // the reading. A waiter's look-up that failed does not (the item shows
    // no name): the reading goes on and needs them.
    if (!stopped) {
        if (!table.openedAt.trimmed().isEmpty())
            tableReads.clock = texts.add(stmt::kServerTime, {}, kTime);
        tableReads.percent = texts.add(stmt::kTableDiscountPercent, {table.idMesa}, kPercent);
    }
    if (!texts.empty())
        m_sql.run(texts);

    auto fail = [&](const QString &message, const SqlResult &result, bool cursor = false) {
        failure = readFailure(message, result);
        fatal = cursor;
        return false;
    };
    const Record noProduct(tables::cadProdutos);
    const Record noText(tables::tabObservacao);
    const Record noDiscount(tables::tabDesconto);
    const Record noWaiter(tables::tabOperador);
    for (std::size_t i = 0; i < items.size(); ++i) {
        const Record &item = items[i];
        // A price or total read from a product, observation or discount
        // that could not be read would be silently wrong: such a reading
        // is refused instead.
        const SqlResult &productRead = perItem.result(reads[i].product);
        if (productRead.failed())
            return fail(QStringLiteral("Erro %1 na leitura do produto !!!").arg(productRead.state()), productRead);
        const Record &product = perItem.row(reads[i].product) ? *perItem.row(reads[i].product) : noProduct;

        ShownItem shown;
        shown.idItem = item.integer("idItem");
        shown.idProduto = item.integer("idProduto");
        shown.idComanda = item.integer("idComanda");
        shown.orderedAt = item.text("horaPedido");
        shown.status = item.text("status");
        shown.idDesconto = int(item.integer("idDesconto"));
        shown.manualDiscount = item.num("descontoManual");
        shown.discountOperator = item.text("operDesc").trimmed();
        shown.takeAway = holds(item.text("viagem"), Flag::Yes);

        // Observations: the price moves with each of them.
        Decimal price = item.num("valorUnitario");
        const SqlResult &observationsRead = perItem.result(reads[i].observations);
        if (observationsRead.failed())
            return fail(perItem.fetchFailed(reads[i].observations)
                            ? QStringLiteral("Erro na leitura do cursor (OBS) !!!")
                            : QStringLiteral("Erro na leitura das observações dos itens da mesa !!!"),
                        observationsRead, true);
        std::size_t t = firstText[i];
        for (const Record &observation : perItem.rows(reads[i].observations)) {
            const SqlResult &textRead = texts.result(t);
            if (textRead.failed())
                return fail(QStringLiteral("Erro %1 na leitura da observação !!!").arg(textRead.state()), textRead);
            const Record &text = texts.row(t) ? *texts.row(t) : noText;
            ++t;
            const char kind = observation.text("tipo").at(0).toLatin1();
            price = PriceAdjustment::observation(price, kind, text.num("valorCom"), text.num("valorSem"),
                                                 text.num("valorObs"));
            shown.observations.push_back({kind, observation.integer("idObs"), text.text("descricao")});
        }

        if (reads[i].discount) {
            const SqlResult &discountRead = perItem.result(*reads[i].discount);
            if (discountRead.failed())
                return fail(QStringLiteral("Erro %1 na leitura do desconto !!!").arg(discountRead.state()),
                            discountRead);
            const Record &discount = perItem.row(*reads[i].discount) ? *perItem.row(*reads[i].discount) : noDiscount;
            price = PriceAdjustment::discount(price, discount.num("percentual"));
        }
        shown.price = price;

        const QString description = product.text("descricao");
        table.consolidation.add(shown.idProduto, price, description);
        shown.description = (shown.takeAway ? takeAwayName(description) : description).trimmed();

        const Record &itemWaiter = perItem.row(reads[i].waiter) ? *perItem.row(reads[i].waiter) : noWaiter;
        shown.waiterName = itemWaiter.text("nome").trimmed();

        table.totals.products += price;
        if (holds(product.text(18), Flag::Yes) && shown.idDesconto == 0 && shown.manualDiscount.isZero())
            table.totalPrincipal += price;
        if (shown.takeAway)
            table.totals.takeAway += price;
        table.items.push_back(std::move(shown));
    }
    // The server orders by comanda only; within a comanda the items keep
    // the order they were launched in, so a reading never reshuffles them.
    std::stable_sort(table.items.begin(), table.items.end(), [](const ShownItem &a, const ShownItem &b) {
        return a.idComanda != b.idComanda ? a.idComanda < b.idComanda : a.idItem < b.idItem;
    });
    return true;
}

} // namespace qv
