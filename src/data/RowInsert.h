#pragma once

#include "platform/Decimal.h"
#include "platform/Record.h"

#include <QString>

#include <cstddef>
#include <string_view>
#include <vector>

namespace qv {

class SqlBatch;
class SqlParam;

// The whole-row inserts bind one value per column, in the table's column
// order. Writing those values out by hand, a column left out or written
// twice shifts every later value into its neighbour's column without a
// word from the server (most columns take any number). So a row is first
// filled by column name into a record of the table's layout, and the
// record alone decides the order the values are bound in.
namespace rows {

// The insert statement of a table's layout; empty for a table the program
// never inserts into whole.
std::string_view insertStatement(const Layout &layout);

// The values an insert binds for the record, in column order: whole
// numbers as integers, amounts with their decimals, text as stored.
std::vector<SqlParam> insertValues(const Record &row);

// Adds the insert of the record's table, bound from the record, to the
// batch; its index there. The record must be of the table's own layout
// (data/Tables.h): any other layout, even one with the same columns in
// another order, is a programming error and throws std::invalid_argument.
std::size_t addInsert(SqlBatch &batch, const Record &row);

// A new item of a position (mov_MesaItem): what the launching desk decides;
// the server numbers it, nothing is cancelled, discounted by the kitchen
// or collected yet.
struct NewItem
{
    int idMesa = 0;
    int idCardapio = 0;
    int idGrupo = 0;
    int idProduto = 0;
    Decimal price;
    int idOperador = 0;
    int idComanda = 0;
    QString orderedAt; // horaPedido, HH:MM:SS
    int idDesconto = 0;
    Decimal manualDiscount;
    QString discountOperator; // operDesc; blank when no discount
};

// Fills a mov_MesaItem record (tables::movMesaItem) for a launched item.
void fillNewItem(Record &item, const NewItem &values);

} // namespace rows

} // namespace qv
