#include "board/TableReader.h"

#include "data/Statements.h"
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

TableReader::TableReader(Sql &sql, const Session &session) : m_sql(sql), m_session(session) {}

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

    const SqlResult &found = m_sql.exec(stmt::kTableById, {idMesa}, &table.row);
    if (!found.ok()) {
        // No such position, or the row cannot be read: nothing to show. A
        // lost connection is the caller's to tell.
        if (found.failed())
            reading.failure = readFailure(QString(), found);
        reading.result = Reading::Result::Missing;
        return reading;
    }
    if (holds(table.row.text("status"), TableStatus::Free)) {
        reading.result = Reading::Result::Free;
        return reading;
    }

    table.idMesa = int(table.row.integer("idMesa"));
    table.waiter = int(table.row.integer("idGarcon"));

    // The table's waiter, checked against the operator list.
    Record name(kName);
    const SqlResult &named = m_sql.exec(stmt::kOperatorName, {table.waiter}, &name);
    if (named.failed()) {
        reading.result = Reading::Result::Failed;
        reading.failure =
            readFailure(QStringLiteral("Erro %1 na leitura do garçon da mesa !!!").arg(named.state()), named);
        return reading;
    }
    table.waiterName = name.text(0);
    const auto &operators = m_session.operators();
    for (std::size_t i = 0; i < operators.size(); ++i) {
        if (operators[i].name == table.waiterName) {
            table.waiterIndex = int(i);
            break;
        }
    }
    const QString listed = table.waiterIndex < 0 ? QString() : operators[std::size_t(table.waiterIndex)].name;
    table.waiterNameMismatch = listed.leftJustified(20, QLatin1Char(' '), true) != table.waiterName;

    table.totals.servicePercent = table.row.num("taxaServico");

    if (!readItems(table, reading.failure, reading.fatal)) {
        reading.result = Reading::Result::Failed;
        return reading;
    }

    table.openedAt = table.row.text("horaAbertura");
    table.timeOpen = timeOpenSince(table.openedAt).value_or(QString());

    // The table discount's percent.
    Record percent(kPercent);
    const SqlResult &discount = m_sql.exec(stmt::kTableDiscountPercent, {idMesa}, &percent);
    if (discount.failed()) {
        reading.result = Reading::Result::Failed;
        reading.failure =
            readFailure(QStringLiteral("Erro %1 na leitura do desconto da mesa !!!").arg(discount.state()), discount);
        return reading;
    }

    table.totals.discountPercent = percent.num(0);
    table.totals.manualDiscount = table.row.num("descontoManual");
    table.totals.people = table.people();
    table.totals.compute();
    reading.result = Reading::Result::Shown;
    return reading;
}

bool TableReader::readItems(ShownTable &table, Outcome &failure, bool &fatal)
{
    if (!m_sql.open("CUR2", stmt::kLiveItems, {table.idMesa}).ok()) {
        failure = readFailure(QStringLiteral("Erro na leitura dos itens da mesa !!!"), m_sql.result());
        fatal = true;
        return false;
    }

    Record item(tables::movMesaItem);
    Record product(tables::cadProdutos);
    Record observation(tables::movMesaItemObs);
    Record text(tables::tabObservacao);
    Record discount(tables::tabDesconto);
    Record itemWaiter(tables::tabOperador);
    auto fail = [&](const QString &message, bool cursor = false) {
        failure = readFailure(message, m_sql.result());
        fatal = cursor;
        m_sql.close("CUR3");
        m_sql.close("CUR2");
        return false;
    };
    for (;;) {
        const SqlResult &state = m_sql.fetch("CUR2", item);
        if (state.noRow())
            break;
        if (!state.ok())
            return fail(QStringLiteral("Erro na leitura do cursor (ITENS) !!!"), true);

        // A price or total read from a product, observation or discount
        // that could not be read would be silently wrong: such a reading
        // is refused instead.
        product.clear();
        const SqlResult &productRead = m_sql.exec(stmt::kProductById, {item.integer("idProduto")}, &product);
        if (productRead.failed())
            return fail(QStringLiteral("Erro %1 na leitura do produto !!!").arg(productRead.state()));

        ShownItem shown;
        shown.idItem = item.integer("idItem");
        shown.idProduto = item.integer("idProduto");
        shown.idComanda = item.integer("idComanda");
        shown.orderedAt = item.text("horaPedido");
        shown.status = item.text("status");
        shown.idDesconto = int(item.integer("idDesconto"));
        shown.manualDiscount = item.num("descontoManual");
        shown.discountOperator = item.text("operDesc").trimmed();
        shown.takeAway = item.text("viagem") == QLatin1String("S");

        // Observations: the price moves with each of them.
        Decimal price = item.num("valorUnitario");
        if (!m_sql.open("CUR3", stmt::kItemObservations, {shown.idItem}).ok())
            return fail(QStringLiteral("Erro na leitura das observações dos itens da mesa !!!"), true);
        for (;;) {
            const SqlResult &obsState = m_sql.fetch("CUR3", observation);
            if (obsState.noRow())
                break;
            if (!obsState.ok())
                return fail(QStringLiteral("Erro na leitura do cursor (OBS) !!!"), true);
            text.clear();
            const SqlResult &textRead = m_sql.exec(stmt::kObservationById, {observation.integer("idObs")}, &text);
            if (textRead.failed())
                return fail(QStringLiteral("Erro %1 na leitura da observação !!!").arg(textRead.state()));
            const char kind = observation.text("tipo").at(0).toLatin1();
            price = PriceAdjustment::observation(price, kind, text.num("valorCom"), text.num("valorSem"),
                                                 text.num("valorObs"));
            shown.observations.push_back({kind, observation.integer("idObs"), text.text("descricao")});
        }
        m_sql.close("CUR3");

        if (shown.idDesconto != 0) {
            discount.clear();
            const SqlResult &discountRead = m_sql.exec(stmt::kDiscountById, {shown.idDesconto}, &discount);
            if (discountRead.failed())
                return fail(QStringLiteral("Erro %1 na leitura do desconto !!!").arg(discountRead.state()));
            price = PriceAdjustment::discount(price, discount.num("percentual"));
        }
        shown.price = price;

        const QString description = product.text("descricao");
        table.consolidation.add(shown.idProduto, price, description);
        shown.description = (shown.takeAway ? takeAwayName(description) : description).trimmed();

        itemWaiter.clear();
        m_sql.exec(stmt::kOperatorById, {item.integer("idOperador")}, &itemWaiter);
        shown.waiterName = itemWaiter.text("nome").trimmed();

        table.totals.products += price;
        if (product.text(18) == QLatin1String("S") && shown.idDesconto == 0 && shown.manualDiscount.isZero())
            table.totalPrincipal += price;
        if (shown.takeAway)
            table.totals.takeAway += price;
        table.items.push_back(std::move(shown));
    }
    m_sql.close("CUR2");
    // The server orders by comanda only; within a comanda the items keep
    // the order they were launched in, so a reading never reshuffles them.
    std::stable_sort(table.items.begin(), table.items.end(), [](const ShownItem &a, const ShownItem &b) {
        return a.idComanda != b.idComanda ? a.idComanda < b.idComanda : a.idItem < b.idItem;
    });
    return true;
}

} // namespace qv
