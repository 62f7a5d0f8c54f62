#include "board/BoardReader.h"

#include "data/Statements.h"
#include "data/Tables.h"
#include "platform/Sql.h"

namespace qv {

namespace {
const Layout kCount("count", {FieldDef::N("count", 11)});
const Layout kClock("clock", {FieldDef::C("hora", 5)});
} // namespace

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

    // 3. The listing, in table order, through the filter. A look-up that
    // fails leaves its row with less information: no waiter's name, no
    // "*", the kitchen flag off; nothing is taken from an answer that was
    // not given.
    struct Listed
    {
        int table = 0;
        KitchenFlag kitchen;
        std::optional<std::size_t> waiter;
        std::size_t busy = 0;
    };
    std::vector<Listed> shownTables;
    SqlBatch perTable;
    for (int t = 1; !listed && t <= BoardSummary::kTables; ++t) {
        const auto &table = board.summary.table(t);
        if (!boardstate::passesFilter(query.filter, table.state))
            continue;
        Listed entry{t, KitchenFlag(KitchenFlag::Asking::Count, t), std::nullopt, 0};
        entry.kitchen.askOrders(perTable);
        if (table.waiter != 0)
            entry.waiter = perTable.add(stmt::kOperatorById, {table.waiter}, tables::tabOperador);
        entry.busy = perTable.add(stmt::kCountBusyPositions, {t * 100, t * 100 + 99}, kCount);
        shownTables.push_back(std::move(entry));
    }
    if (!perTable.empty())
        m_sql.run(perTable);
    auto count = [](const SqlBatch &batch, std::size_t index) -> std::optional<int> {
        if (!batch.result(index).ok() || !batch.row(index))
            return std::nullopt;
        return int(batch.row(index)->num(0).toInt());
    };

    // 4. The second kitchen questions, where the first found orders, and
    // the counters.
    SqlBatch last;
    for (Listed &entry : shownTables)
        entry.kitchen.askWaiting(perTable, last);
    const std::size_t busyTables = last.add(stmt::kCountBusyTables, {}, kCount);
    // The business date as year, month, day and two blanks.
    const QString &date = query.businessDate;
    const QString day = date.mid(4, 4) + date.mid(2, 2) + date.mid(0, 2) + QStringLiteral("  ");
    const std::size_t closedSales = last.add(stmt::kCountTableSales, {day, query.period}, kCount);
    m_sql.run(last);

    for (const Listed &entry : shownTables) {
        const auto &table = board.summary.table(entry.table);
        BoardRow shown;
        shown.table = entry.table;
        shown.state = table.state;
        shown.icon = boardstate::icon(table.state, entry.kitchen.allCollected(last));
        shown.people = table.people;
        if (entry.waiter && perTable.result(*entry.waiter).ok())
            shown.waiterName = perTable.row(*entry.waiter)->text("nome").trimmed();
        shown.severalPositions = count(perTable, entry.busy).value_or(0) > 1;
        board.rows.push_back(std::move(shown));
    }
    const std::optional<int> busy = count(last, busyTables);
    const std::optional<int> closed = count(last, closedSales);
    board.busyTables = busy.value_or(0);
    board.busyTablesRead = busy.has_value();
    board.closedSales = closed.value_or(0);
    board.closedSalesRead = closed.has_value();
    return board;
}

} // namespace qv
