#include "data/RowInsert.h"
#include "data/Statements.h"
#include "data/Tables.h"
#include "platform/Sql.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

#include <gtest/gtest.h>

#include <stdexcept>

using namespace qv;

namespace {

// The column names of a table as db/schema.sql creates them, in order;
// an invisible column is neither read by SELECT* nor bound by an insert.
QStringList schemaColumns(const QString &table)
{
    QFile file(QFileInfo(QStringLiteral(__FILE__)).absolutePath() + QStringLiteral("/../../db/schema.sql"));
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("db/schema.sql not found");
    const QString schema = QString::fromUtf8(file.readAll());
    const qsizetype start = schema.indexOf(QStringLiteral("CREATE TABLE %1 (").arg(table));
    if (start < 0)
        return {};
    const qsizetype end = schema.indexOf(QStringLiteral("\n)"), start);
    QStringList columns;
    static const QRegularExpression column(QStringLiteral("^\\s+([A-Za-z]\\w*)\\s+[A-Z]"));
    for (const QString &line : schema.mid(start, end - start).split(QLatin1Char('\n')).mid(1)) {
        const QRegularExpressionMatch m = column.match(line);
        if (m.hasMatch() && m.captured(1) != QLatin1String("PRIMARY") && m.captured(1) != QLatin1String("KEY")
            && m.captured(1) != QLatin1String("UNIQUE") && m.captured(1) != QLatin1String("INDEX")
            && !line.contains(QLatin1String(" INVISIBLE")))
            columns << m.captured(1);
    }
    return columns;
}

QStringList layoutColumns(const Layout &layout)
{
    QStringList names;
    for (int i = 0; i < layout.size(); ++i)
        names << QString::fromLatin1(layout.field(i).name);
    return names;
}

QString bound(const SqlParam &p)
{
    return p.kind() == SqlParam::Integer ? QString::number(p.integer()) : QString::fromStdString(p.bytes());
}

} // namespace

// Every whole-row insert: the statement's values, the record's layout and
// the table the schema creates have the same columns in the same order.
TEST(RowInsert, EveryInsertBindsTheTablesColumnsInSchemaOrder)
{
    const struct
    {
        const Layout &layout;
        const char *table;
    } inserts[] = {
        {tables::movVendas, "mov_Vendas"},
        {tables::movVendasItem, "mov_VendasItem"},
        {tables::movVendasItemObs, "mov_VendasItemObs"},
        {tables::movMesaItem, "mov_MesaItem"},
        {tables::movMesaItemObs, "mov_MesaItemObs"},
    };
    for (const auto &insert : inserts) {
        SCOPED_TRACE(insert.table);
        const std::string_view text = rows::insertStatement(insert.layout);
        ASSERT_FALSE(text.empty());
        EXPECT_EQ(std::count(text.begin(), text.end(), '?'), insert.layout.size());
        EXPECT_EQ(layoutColumns(insert.layout), schemaColumns(QString::fromLatin1(insert.table)));

        Record row(insert.layout);
        EXPECT_EQ(rows::insertValues(row).size(), std::size_t(insert.layout.size()));
        SqlBatch batch;
        EXPECT_EQ(rows::addInsert(batch, row), 0u);
        EXPECT_EQ(batch.size(), 1u);
    }
}

// A layout with two columns swapped (or one that is no table's) is never
// bound to a table's insert: the values would land one column off.
TEST(RowInsert, AShiftedLayoutIsRefused)
{
    static const Layout shifted("mov_MesaItemObs", {
                                                       FieldDef::N("idItemObs", 11),
                                                       FieldDef::N("idObs", 6),
                                                       FieldDef::N("idItem", 11),
                                                       FieldDef::N("idMesa", 5),
                                                       FieldDef::C("tipo", 1),
                                                   });
    Record row(shifted);
    SqlBatch batch;
    EXPECT_TRUE(rows::insertStatement(shifted).empty());
    EXPECT_THROW(rows::addInsert(batch, row), std::invalid_argument);
    EXPECT_TRUE(batch.empty());
    Record other(tables::movMesa);
    EXPECT_THROW(rows::addInsert(batch, other), std::invalid_argument);
}

// A launched item lands in its columns, whatever order they are filled in:
// each value is checked at the column the schema gives its name.
TEST(RowInsert, ANewItemBindsEachValueInItsColumn)
{
    Record item(tables::movMesaItem);
    rows::fillNewItem(item, {1203, 30, 19, 4711, *Decimal::parse("12.50"), 7, 999999, QStringLiteral("12:34:56"), 3,
                             *Decimal::parse("1.25"), QStringLiteral("MARIA")});
    const std::vector<SqlParam> values = rows::insertValues(item);
    const QStringList columns = schemaColumns(QStringLiteral("mov_MesaItem"));
    ASSERT_EQ(values.size(), std::size_t(columns.size()));
    auto at = [&](const char *name) { return bound(values[std::size_t(columns.indexOf(QLatin1String(name)))]); };
    const std::pair<const char *, QString> expected[] = {
        {"idItem", QStringLiteral("0")},
        {"idMesa", QStringLiteral("1203")},
        {"idCardapio", QStringLiteral("30")},
        {"idGrupo", QStringLiteral("19")},
        {"idProduto", QStringLiteral("4711")},
        {"valorUnitario", QStringLiteral("12.50")},
        {"idOperador", QStringLiteral("7")},
        {"status", QStringLiteral("I")},
        {"idComanda", QStringLiteral("999999")},
        {"horaPedido", QStringLiteral("12:34:56")},
        {"produzido", QStringLiteral("N")},
        {"idMotivoCanc", QStringLiteral("0")},
        {"idOpeCanc", QStringLiteral("0")},
        {"idDesconto", QStringLiteral("3")},
        {"descontoManual", QStringLiteral("1.25")},
        {"operDesc", QStringLiteral("MARIA").leftJustified(20)},
        {"viagem", QStringLiteral("N")},
        {"operBaixa", QString(20, QLatin1Char(' '))},
        {"reservado", QString(20, QLatin1Char(' '))},
    };
    for (const auto &[name, value] : expected)
        EXPECT_EQ(at(name), value) << name;
}
