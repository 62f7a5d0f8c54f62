#include "tables/SplitService.h"

#include "board/TableReader.h"
#include "data/RowInsert.h"
#include "data/Statements.h"
#include "data/Status.h"
#include "data/Tables.h"
#include "data/UnitOfWork.h"
#include "platform/Record.h"
#include "platform/Sql.h"
#include "session/Session.h"
#include "tables/SplitShares.h"

namespace qv {

namespace {
const Layout kSplitFlag("mov_Mesa", {FieldDef::C("dividida", 1)});
const Layout kTime("time", {FieldDef::C("hora", 8)});

constexpr int kHighestPosition = 8001;

// The share item: the split-account product, on the menu and group the
// rest of the suite books split shares under, never on a kitchen ticket.
constexpr int kShareMenu = 30;
constexpr int kShareGroup = 19;
constexpr int kShareProduct = 999999;
constexpr int kNoComanda = 999999;

Outcome writeFailed(const SqlResult &result)
{
    return Outcome::fail(QStringLiteral("Erro ") + result.state()
                             + QStringLiteral(" na gravação da conta dividida, nada foi dividido !!!"),
                         result, QStringLiteral("a gravação da conta dividida"));
}
} // namespace

SplitService::SplitService(Sql &sql, Session &session) : m_sql(sql), m_session(session), m_guard(sql) {}

Outcome SplitService::check(const ShownTable &table, int idMesa, Request &request)
{
    // 1-5. Only the blocked position on show, and only once.
    if (idMesa > kHighestPosition || idMesa == 0 || idMesa != table.idMesa)
        return Outcome::refuse(QString());
    if (!table.blocked())
        return Outcome::refuse(QString());
    Record flag(kSplitFlag);
    const SqlResult readState = m_sql.exec(stmt::kTableSplitFlag, {idMesa}, &flag);
    if (!readState.ok()) {
        // Unknown whether it was split already: splitting again would
        // charge the bill twice.
        return Outcome::fail(QStringLiteral("Erro ") + readState.state()
                                 + QStringLiteral(" na leitura da mesa, conta não dividida !!!"),
                             readState, QStringLiteral("a leitura da mesa"));
    }
    if (holds(flag.text(0), Flag::Yes))
        return Outcome::refuse(QString());

    // 6. The service fee stays out of the amount shared: each receiving
    // position charges its own.
    request = {idMesa, table.totals.tableTotal - table.totals.serviceValue, table.opening()};
    return Outcome::ok();
}

Outcome SplitService::DIVIDIR(const Request &request, const std::vector<int> &positions)
{
    if (positions.empty())
        return Outcome::refuse(QString());

    // 7-9. The shares and the flag are one transaction: shares on the other
    // positions without the flag would let this bill be paid in full too,
    // the flag without all shares would lose part of it.
    const auto failed = [this] { return writeFailed(m_sql.result()); };
    PositionGuard::Needs needs;
    needs.sameBlock = true;
    needs.sameSplit = true;
    return m_guard.write(
        request.shown, needs,
        [&] {
            // One order time for every share.
            Record now(kTime);
            if (!m_sql.exec(stmt::kServerTime, {}, &now).ok())
                return failed();

            // The amount shared is the bill as checked: items launched or
            // cancelled since would make the shares wrong.
            TableReader reader(m_sql, m_session);
            const TableReader::Reading current = reader.LERMESA(request.position, false);
            if (current.result == TableReader::Reading::Result::Failed)
                return failed();
            const TableTotals &t = current.table.totals;
            if (current.result != TableReader::Reading::Result::Shown
                || t.tableTotal - t.serviceValue != request.amount)
                return PositionGuard::itemsChanged();
            for (const int position : positions) {
                if (std::optional<Outcome> closed = m_guard.holdOpen(position, QString(), failed))
                    return *closed;
            }

            const std::vector<Decimal> shares = splitShares(request.amount, int(positions.size()));
            const int waiter = m_session.operatorCode();
            // Every share and the flag in one wave; the first write that
            // failed, in that order, is told.
            SqlBatch writes;
            Record share(tables::movMesaItem);
            for (std::size_t i = 0; i < positions.size(); ++i) {
                rows::fillNewItem(share, {positions[i], kShareMenu, kShareGroup, kShareProduct, shares[i], waiter,
                                          kNoComanda, now.text(0), 0, Decimal(), QString()});
                rows::addInsert(writes, share);
            }
            writes.add(stmt::kMarkSplit, {request.position});
            if (!m_sql.run(writes))
                return writeFailed(writes.result(*writes.firstFailure()));
            return Outcome::ok(Outcome::Next::Release);
        },
        failed);
}

} // namespace qv
