#include "board/BoardReader.h"

#include "data/Statements.h"
#include "data/Tables.h"
#include "platform/Sql.h"

namespace qv {

namespace {
const Layout kProductCode("cad_Produtos", {FieldDef::N("idProduto", 6)});
const Layout kCount("count", {FieldDef::N("count", 11)});
const Layout kClock("clock", {FieldDef::C("hora", 5)});
} // namespace

char examinePosition(Sql &sql, int idMesa, char status)
{
    if (status != 'A')
        return status;
    char state = 'A';
    Record product(kProductCode);
    if (sql.exec(stmt::kLiveItemProduct, {idMesa}, &product).ok() && !product.num(0).isZero())
        state = 'P';
    product.clear();
    if (sql.exec(stmt::kLiveDessertProduct, {idMesa}, &product).ok() && !product.num(0).isZero())
        state = 'S';
    return state;
}

BoardReader::BoardReader(Sql &sql) : m_sql(sql) {}

BoardSnapshot BoardReader::MESAS(const BoardQuery &query)
{
    BoardSnapshot board;

    // 1. Clock.
    Record clock(kClock);
    if (m_sql.exec(stmt::kClock, {}, &clock).ok())
        board.clock = clock.text(0);

    bool listed = false;
    if (!m_sql.open("CUR1", stmt::kTableRows).ok()) {
        board.result = BoardSnapshot::Result::Failed;
        board.fatal = true;
        board.failure = Outcome::fail(QStringLiteral("Erro na leitura das mesas !!!"), m_sql.result());
    } else {
        // 2. Every position, merged into its table.
        Record row(tables::movMesa);
        bool failed = false;
        for (;;) {
            const SqlResult &state = m_sql.fetch("CUR1", row);
            if (state.noRow())
                break;
            if (!state.ok()) {
                board.result = BoardSnapshot::Result::Failed;
                board.fatal = true;
                board.failure = Outcome::fail(QStringLiteral("Erro na leitura do cursor (MESAS) !!!"), state);
                failed = true;
                break;
            }
            const int idMesa = int(row.integer("idMesa"));
            const char status = row.text("status").at(0).toLatin1();
            board.summary.add(idMesa, status, examinePosition(m_sql, idMesa, status), int(row.integer("qtdPessoas")),
                              int(row.integer("idGarcon")));
        }
        if (failed) {
            m_sql.close("CUR1");
            listed = true; // nothing more is listed once the screen closes
        }
        // 3. The listing, in table order, through the filter.
        Record count(kCount);
        Record waiter(tables::tabOperador);
        for (int t = 1; !listed && t <= BoardSummary::kTables; ++t) {
            const auto &table = board.summary.table(t);
            if (!boardstate::passesFilter(query.filter, table.state))
                continue;
            bool allCollected = false;
            count.clear();
            m_sql.exec(stmt::kCountKitchenOrders, {t}, &count);
            if (!count.num(0).isZero()) {
                count.clear();
                m_sql.exec(stmt::kCountKitchenWaiting, {t}, &count);
                allCollected = count.num(0).isZero();
            }
            BoardRow shown;
            shown.table = t;
            shown.state = table.state;
            shown.icon = boardstate::icon(table.state, allCollected);
            shown.people = table.people;
            if (table.waiter != 0) {
                waiter.clear();
                m_sql.exec(stmt::kOperatorById, {table.waiter}, &waiter);
                shown.waiterName = waiter.text("nome").trimmed();
            }
            count.clear();
            m_sql.exec(stmt::kCountBusyPositions, {t * 100, t * 100 + 99}, &count);
            shown.severalPositions = count.num(0).toInt() > 1;
            board.rows.push_back(std::move(shown));
        }
        if (!failed)
            m_sql.close("CUR1");
    }

    // 4. Counters.
    Record count(kCount);
    m_sql.exec(stmt::kCountBusyTables, {}, &count);
    board.busyTables = count.num(0).toInt();
    // The business date as year, month, day and two blanks.
    const QString &date = query.businessDate;
    const QString day = date.mid(4, 4) + date.mid(2, 2) + date.mid(0, 2) + QStringLiteral("  ");
    count.clear();
    m_sql.exec(stmt::kCountTableSales, {day, query.period}, &count);
    board.closedSales = count.num(0).toInt();
    return board;
}

} // namespace qv
