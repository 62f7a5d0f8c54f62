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
    return examinePositions(sql, {{idMesa, status}}).front();
}

std::vector<char> examinePositions(Sql &sql, const std::vector<std::pair<int, char>> &positions)
{
    // Both look-ups of every open position in one wave.
    std::vector<char> states;
    states.reserve(positions.size());
    SqlBatch wave;
    for (const auto &[idMesa, status] : positions) {
        if (status != 'A')
            continue;
        wave.add(stmt::kLiveItemProduct, {idMesa}, kProductCode);
        wave.add(stmt::kLiveDessertProduct, {idMesa}, kProductCode);
    }
    if (!wave.empty())
        sql.run(wave);
    auto found = [&](std::size_t index) { return wave.result(index).ok() && !wave.row(index)->num(0).isZero(); };
    std::size_t next = 0;
    for (const auto &[idMesa, status] : positions) {
        if (status != 'A') {
            states.push_back(status);
            continue;
        }
        char state = 'A';
        if (found(next))
            state = 'P';
        if (found(next + 1))
            state = 'S';
        next += 2;
        states.push_back(state);
    }
    return states;
}

BoardReader::BoardReader(Sql &sql) : m_sql(sql) {}

BoardSnapshot BoardReader::MESAS(const BoardQuery &query)
{
    BoardSnapshot board;

    // The rebuild goes out in four waves of one round trip each, every
    // statement as soon as what decides it is known, in the order the
    // rebuild has always sent them: the clock and the positions; the item
    // look-ups of every open position; the statements of every listed
    // table; the second kitchen counts and the counters.
    // 1. Clock and positions.
    SqlBatch wave;
    const std::size_t clockRead = wave.add(stmt::kClock, {}, kClock);
    const std::size_t positionsRead = wave.add(stmt::kTableRows, {}, tables::movMesa);
    wave.readAs(positionsRead, "CUR1");
    m_sql.run(wave);
    if (wave.result(clockRead).ok())
        board.clock = wave.row(clockRead)->text(0);

    bool listed = false;
    const SqlResult &positions = wave.result(positionsRead);
    if (positions.failed()) {
        board.result = BoardSnapshot::Result::Failed;
        board.fatal = true;
        board.failure =
            Outcome::fail(wave.fetchFailed(positionsRead) ? QStringLiteral("Erro na leitura do cursor (MESAS) !!!")
                                                          : QStringLiteral("Erro na leitura das mesas !!!"),
                          positions);
        listed = true; // nothing is listed once the screen closes
    }

    // 2. Every position, merged into its table.
    std::vector<std::pair<int, char>> stored;
    stored.reserve(wave.rows(positionsRead).size());
    for (const Record &row : wave.rows(positionsRead))
        stored.emplace_back(int(row.integer("idMesa")), row.text("status").at(0).toLatin1());
    const std::vector<char> states = examinePositions(m_sql, stored);
    for (std::size_t i = 0; i < stored.size(); ++i) {
        const Record &row = wave.rows(positionsRead)[i];
        board.summary.add(stored[i].first, stored[i].second, states[i], int(row.integer("qtdPessoas")),
                          int(row.integer("idGarcon")));
    }

    // 3. The listing, in table order, through the filter.
    struct Listed
    {
        int table = 0;
        std::size_t orders = 0;
        std::optional<std::size_t> waiter;
        std::size_t busy = 0;
        std::optional<std::size_t> waiting;
    };
    std::vector<Listed> shownTables;
    SqlBatch perTable;
    for (int t = 1; !listed && t <= BoardSummary::kTables; ++t) {
        const auto &table = board.summary.table(t);
        if (!boardstate::passesFilter(query.filter, table.state))
            continue;
        Listed entry;
        entry.table = t;
        entry.orders = perTable.add(stmt::kCountKitchenOrders, {t}, kCount);
        if (table.waiter != 0)
            entry.waiter = perTable.add(stmt::kOperatorById, {table.waiter}, tables::tabOperador);
        entry.busy = perTable.add(stmt::kCountBusyPositions, {t * 100, t * 100 + 99}, kCount);
        shownTables.push_back(entry);
    }
    if (!perTable.empty())
        m_sql.run(perTable);
    auto number = [](const SqlBatch &batch, std::size_t index) {
        return batch.row(index) ? batch.row(index)->num(0) : Decimal();
    };

    // 4. The second kitchen counts, where the first found orders, and the
    // counters.
    SqlBatch last;
    for (Listed &entry : shownTables)
        if (!number(perTable, entry.orders).isZero())
            entry.waiting = last.add(stmt::kCountKitchenWaiting, {entry.table}, kCount);
    const std::size_t busyTables = last.add(stmt::kCountBusyTables, {}, kCount);
    // The business date as year, month, day and two blanks.
    const QString &date = query.businessDate;
    const QString day = date.mid(4, 4) + date.mid(2, 2) + date.mid(0, 2) + QStringLiteral("  ");
    const std::size_t closedSales = last.add(stmt::kCountTableSales, {day, query.period}, kCount);
    m_sql.run(last);

    for (const Listed &entry : shownTables) {
        const auto &table = board.summary.table(entry.table);
        const bool allCollected = entry.waiting && number(last, *entry.waiting).isZero();
        BoardRow shown;
        shown.table = entry.table;
        shown.state = table.state;
        shown.icon = boardstate::icon(table.state, allCollected);
        shown.people = table.people;
        if (entry.waiter && perTable.row(*entry.waiter))
            shown.waiterName = perTable.row(*entry.waiter)->text("nome").trimmed();
        shown.severalPositions = number(perTable, entry.busy).toInt() > 1;
        board.rows.push_back(std::move(shown));
    }
    board.busyTables = number(last, busyTables).toInt();
    board.closedSales = number(last, closedSales).toInt();
    return board;
}

} // namespace qv
