#include "board/PositionReader.h"

#include "board/BoardState.h"
#include "data/Statements.h"
#include "data/Status.h"
#include "data/Tables.h"
#include "platform/Sql.h"

namespace qv {

namespace {
// Projections read by the look-ups. A Record keeps a pointer to its layout,
// so these live for the whole program.
const Layout kProductCode("cad_Produtos", {FieldDef::N("idProduto", 6)});
const Layout kCount("count", {FieldDef::N("count", 11)});
const Layout kKitchenItem("mov_Cozinha", {FieldDef::N("idItem", 11)});

// Both dialogs have always read their list through this cursor.
const char *const kCursor = "CUR8";

constexpr char kOpen = letterOf(TableStatus::Open);
constexpr char kFree = letterOf(TableStatus::Free);
constexpr char kOrdered = letterOf(ShownState::Ordered);
constexpr char kDessert = letterOf(ShownState::Dessert);

using namespace chooser;

// The status letter the chooser's list query is asked for. Unlike the
// board, "Bloqueadas" asks for 'B' alone: a position whose bill was
// requested ('I') is not blocked yet and is found under "Todas" and
// "Em Andamento".
QString statusLetter(int filter)
{
    switch (filter) {
    case Abertas:
    case Pedido:
    case Sobremesa: return textOf(TableStatus::Open);
    case Fechadas: return textOf(TableStatus::Free);
    case Bloqueadas: return textOf(TableStatus::Blocked);
    default: return QStringLiteral("*");
    }
}

char storedLetter(const Record &position)
{
    const QString status = position.text("status");
    return status.isEmpty() ? ' ' : status.at(0).toLatin1();
}

ListedPosition listed(const Record &row, char state)
{
    ListedPosition p;
    p.idMesa = int(row.integer("idMesa"));
    p.status = storedLetter(row);
    p.state = state;
    p.people = int(row.integer("qtdPessoas"));
    return p;
}

// The waiter of every listed row that has one, in one wave; a failed or
// missing look-up leaves the name blank: the row shows less, nothing more.
class WaiterNames
{
public:
    void ask(SqlBatch &wave, const std::vector<Record> &rows)
    {
        m_reads.assign(rows.size(), std::nullopt);
        for (std::size_t i = 0; i < rows.size(); ++i)
            if (const int idGarcon = int(rows[i].integer("idGarcon")); idGarcon != 0)
                m_reads[i] = wave.add(stmt::kOperatorById, {idGarcon}, tables::tabOperador);
    }
    QString name(const SqlBatch &wave, std::size_t row) const
    {
        if (!m_reads[row] || !wave.result(*m_reads[row]).ok())
            return QString();
        return wave.row(*m_reads[row])->text("nome").trimmed();
    }

private:
    std::vector<std::optional<std::size_t>> m_reads;
};

// The list of a dialog, read through the cursor: its rows, or the failure
// each dialog tells before it closes.
Outcome readList(Sql &sql, SqlBatch &wave, std::size_t index)
{
    wave.readAs(index, kCursor);
    sql.run(wave);
    if (!wave.result(index).failed())
        return Outcome::ok();
    return Outcome::fail(wave.fetchFailed(index) ? QStringLiteral("Erro na leitura do cursor !!!")
                                                 : QStringLiteral("Erro na leitura das mesas !!!"),
                         wave.result(index));
}

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
        if (status != kOpen)
            continue;
        wave.add(stmt::kLiveItemProduct, {idMesa}, kProductCode);
        wave.add(stmt::kLiveDessertProduct, {idMesa}, kProductCode);
    }
    if (!wave.empty())
        sql.run(wave);
    auto found = [&](std::size_t index) { return wave.result(index).ok() && !wave.row(index)->num(0).isZero(); };
    std::size_t next = 0;
    for (const auto &[idMesa, status] : positions) {
        if (status != kOpen) {
            states.push_back(status);
            continue;
        }
        char state = kOpen;
        if (found(next))
            state = kOrdered;
        if (found(next + 1))
            state = kDessert;
        next += 2;
        states.push_back(state);
    }
    return states;
}

void KitchenFlag::askOrders(SqlBatch &wave)
{
    m_orders = wave.add(m_asking == Asking::Count ? stmt::kCountKitchenOrders : stmt::kKitchenOrders, {m_table},
                        m_asking == Asking::Count ? kCount : kKitchenItem);
}

void KitchenFlag::askWaiting(const SqlBatch &firstWave, SqlBatch &wave)
{
    if (!m_orders || anyFound(firstWave, *m_orders) != true)
        return;
    m_waiting = wave.add(m_asking == Asking::Count ? stmt::kCountKitchenWaiting : stmt::kKitchenWaiting, {m_table},
                         m_asking == Asking::Count ? kCount : kKitchenItem);
}

bool KitchenFlag::allCollected(const SqlBatch &secondWave) const
{
    return m_waiting && anyFound(secondWave, *m_waiting) == false;
}

std::optional<bool> KitchenFlag::anyFound(const SqlBatch &wave, std::size_t index) const
{
    const SqlResult &result = wave.result(index);
    if (m_asking == Asking::Rows)
        return result.failed() ? std::nullopt : std::optional<bool>(result.ok());
    if (!result.ok() || !wave.row(index))
        return std::nullopt;
    return !wave.row(index)->num(0).isZero();
}

PositionReader::PositionReader(Sql &sql) : m_sql(sql) {}

Read<Record> PositionReader::positionInUse(int lowest, int highest)
{
    Record row(tables::movMesa);
    const SqlResult &result = m_sql.exec(stmt::kOpenPositions, {lowest, highest}, &row);
    return Read<Record>::of(result, row);
}

PositionListing PositionReader::chooserList(int lowest, int highest, int filter)
{
    PositionListing listing;
    // The positions of the table (positions 01 to 98: both bounds are
    // excluded), in the order the server returns them; their look-ups then
    // go out in waves: the item look-ups of every open one; the first
    // kitchen question of every 'P' row with the waiters' names; the second
    // where the first found orders.
    const QString letter = statusLetter(filter);
    SqlBatch list;
    const std::size_t read = list.add(stmt::kPositionsByStatus, {letter, letter, lowest, highest}, tables::movMesa);
    listing.outcome = readList(m_sql, list, read);
    if (listing.outcome.failed())
        return listing;

    std::vector<Record> rows;
    std::vector<std::pair<int, char>> stored;
    for (const Record &position : list.rows(read)) {
        // In progress: closed positions are left out.
        if (filter == EmAndamento && storedLetter(position) == kFree)
            continue;
        rows.push_back(position);
        stored.emplace_back(int(position.integer("idMesa")), storedLetter(position));
    }
    const std::vector<char> states = examinePositions(m_sql, stored);

    // Only a 'P' row shows the kitchen flag, so only a 'P' row asks for it;
    // the order and dessert filters keep the examined state they name.
    std::vector<Record> shown;
    std::vector<ListedPosition> positions;
    std::vector<KitchenFlag> flags;
    std::vector<std::optional<std::size_t>> flagOf;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if ((filter == Pedido && states[i] != kOrdered) || (filter == Sobremesa && states[i] != kDessert))
            continue;
        shown.push_back(rows[i]);
        positions.push_back(listed(rows[i], states[i]));
        flagOf.emplace_back();
        if (states[i] == kOrdered) {
            flagOf.back() = flags.size();
            flags.emplace_back(KitchenFlag::Asking::Rows, stored[i].first / 100);
        }
    }
    SqlBatch first;
    for (KitchenFlag &flag : flags)
        flag.askOrders(first);
    WaiterNames waiters;
    waiters.ask(first, shown);
    if (!first.empty())
        m_sql.run(first);
    SqlBatch second;
    for (KitchenFlag &flag : flags)
        flag.askWaiting(first, second);
    if (!second.empty())
        m_sql.run(second);

    for (std::size_t i = 0; i < positions.size(); ++i) {
        const bool allCollected = flagOf[i] && flags[*flagOf[i]].allCollected(second);
        positions[i].icon = boardstate::icon(positions[i].state, allCollected);
        positions[i].waiterName = waiters.name(first, i);
    }
    listing.positions = std::move(positions);
    return listing;
}

PositionListing PositionReader::splitCandidates(int position)
{
    PositionListing listing;
    // The open positions of the same table (01 to 98).
    const int table = position / 100;
    SqlBatch list;
    const std::size_t read = list.add(stmt::kSplitCandidates, {table * 100, table * 100 + 99}, tables::movMesa);
    listing.outcome = readList(m_sql, list, read);
    if (listing.outcome.failed())
        return listing;

    std::vector<Record> rows;
    std::vector<std::pair<int, char>> stored;
    for (const Record &candidate : list.rows(read)) {
        // The position being split never pays a share of itself, even when
        // another terminal unblocked it since the split began.
        if (int(candidate.integer("idMesa")) == position)
            continue;
        rows.push_back(candidate);
        stored.emplace_back(int(candidate.integer("idMesa")), storedLetter(candidate));
    }
    // An open position shows what it has on order; the split list shows no
    // kitchen flag.
    const std::vector<char> states = examinePositions(m_sql, stored);
    SqlBatch names;
    WaiterNames waiters;
    waiters.ask(names, rows);
    if (!names.empty())
        m_sql.run(names);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        ListedPosition p = listed(rows[i], states[i]);
        p.icon = boardstate::icon(p.state, false);
        p.waiterName = waiters.name(names, i);
        listing.positions.push_back(std::move(p));
    }
    return listing;
}

} // namespace qv
