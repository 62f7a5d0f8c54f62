#include "data/RowInsert.h"

#include "data/Statements.h"
#include "data/Status.h"
#include "data/Tables.h"
#include "platform/Sql.h"

#include <stdexcept>
#include <utility>

namespace qv::rows {

namespace {

SqlParam column(const Record &r, int index)
{
    const FieldDef &f = r.layout().field(index);
    if (f.kind == FieldDef::Text)
        return SqlParam(r.text(index));
    if (f.scale == 0)
        return SqlParam(std::int64_t(r.num(index).toInt()));
    return SqlParam(r.num(index), f.scale);
}

// A batch takes its values as one list; the list is spelled out here by
// the compiler, one value per column, for each width an insert has.
template <std::size_t... Index>
std::size_t addBound(SqlBatch &batch, std::string_view text, const Record &r, std::index_sequence<Index...>)
{
    return batch.add(text, {column(r, int(Index))...});
}

constexpr std::size_t placeholders(std::string_view text)
{
    std::size_t count = 0;
    for (const char c : text)
        count += c == '?' ? 1 : 0;
    return count;
}

template <std::size_t Columns>
std::size_t addInsertOf(SqlBatch &batch, std::string_view text, const Record &r)
{
    return addBound(batch, text, r, std::make_index_sequence<Columns>());
}

static_assert(placeholders(stmt::kInsertSale) == 24);
static_assert(placeholders(stmt::kInsertSaleItem) == 17);
static_assert(placeholders(stmt::kInsertSaleObservation) == 5);
static_assert(placeholders(stmt::kInsertItem) == 19);
static_assert(placeholders(stmt::kInsertItemObservation) == 5);

} // namespace

std::string_view insertStatement(const Layout &layout)
{
    if (&layout == &tables::movVendas)
        return stmt::kInsertSale;
    if (&layout == &tables::movVendasItem)
        return stmt::kInsertSaleItem;
    if (&layout == &tables::movVendasItemObs)
        return stmt::kInsertSaleObservation;
    if (&layout == &tables::movMesaItem)
        return stmt::kInsertItem;
    if (&layout == &tables::movMesaItemObs)
        return stmt::kInsertItemObservation;
    return {};
}

std::vector<SqlParam> insertValues(const Record &row)
{
    std::vector<SqlParam> values;
    values.reserve(std::size_t(row.size()));
    for (int i = 0; i < row.size(); ++i)
        values.push_back(column(row, i));
    return values;
}

std::size_t addInsert(SqlBatch &batch, const Record &row)
{
    const std::string_view text = insertStatement(row.layout());
    if (text.empty() || std::size_t(row.size()) != placeholders(text))
        throw std::invalid_argument(std::string("no whole-row insert for the layout of ") + row.layout().table());
    switch (row.size()) {
    case 24: return addInsertOf<24>(batch, text, row);
    case 19: return addInsertOf<19>(batch, text, row);
    case 17: return addInsertOf<17>(batch, text, row);
    case 5: return addInsertOf<5>(batch, text, row);
    default: break;
    }
    throw std::invalid_argument(std::string("no whole-row insert of this width for ") + row.layout().table());
}

void fillNewItem(Record &item, const NewItem &values)
{
    item.clear();
    item.setInt("idItem", 0); // numbered by the server
    item.setInt("idMesa", values.idMesa);
    item.setInt("idCardapio", values.idCardapio);
    item.setInt("idGrupo", values.idGrupo);
    item.setInt("idProduto", values.idProduto);
    item.setNum("valorUnitario", values.price);
    item.setInt("idOperador", values.idOperador);
    item.setText("status", textOf(ItemStatus::Launched));
    item.setInt("idComanda", values.idComanda);
    item.setText("horaPedido", values.orderedAt);
    item.setText("produzido", textOf(Flag::No));
    item.setInt("idMotivoCanc", 0);
    item.setInt("idOpeCanc", 0);
    item.setInt("idDesconto", values.idDesconto);
    item.setNum("descontoManual", values.manualDiscount);
    item.setText("operDesc", values.discountOperator);
    item.setText("viagem", textOf(Flag::No));
    item.setText("operBaixa", QString());
    item.setText("reservado", QString());
}

} // namespace qv::rows
