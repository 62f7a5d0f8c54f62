#include "tables/TransferService.h"

#include "data/Statements.h"
#include "data/Status.h"
#include "data/UnitOfWork.h"
#include "platform/Log.h"
#include "platform/Record.h"
#include "platform/Sql.h"

#include <algorithm>

namespace qv {

namespace {
Outcome moveFailed(const SqlResult &result)
{
    return Outcome::fail(QStringLiteral("Erro ") + result.state()
                             + QStringLiteral(" na transferência, nenhum item foi transferido !!!"),
                         result, QStringLiteral("a transferência"));
}
} // namespace

TransferService::TransferService(Sql &sql) : m_sql(sql), m_guard(sql) {}

TransferService::Target TransferService::target(int idMesa, Outcome &refusal, QString *openedAt)
{
    Record row(tables::movMesa);
    if (!m_sql.exec(stmt::kTableById, {idMesa}, &row).ok()) {
        refusal = Outcome::refuse(QStringLiteral("Mesa/Posição não existe !!!"), Outcome::Severity::Stop);
        return Target::Refused;
    }
    const QString status = row.text("status");
    if (holds(status, TableStatus::Free))
        return Target::Closed;
    if (!holds(status, TableStatus::Open)) {
        refusal = Outcome::refuse(QStringLiteral("Erro, mesa não está aberta !!!"), Outcome::Severity::Stop);
        return Target::Refused;
    }
    if (openedAt)
        *openedAt = row.text("horaAbertura");
    return Target::Open;
}

Outcome TransferService::TRANSFERE(const ShownTable &source, int idMesa, const QString &targetOpenedAt,
                                   const std::vector<std::int64_t> &items)
{
    // Every item moves with its kitchen record and its observations, and
    // all of them move or none: half a transfer would leave a table's
    // order split between two bills without anyone knowing. The
    // observations carry their position too, and the closing of a position
    // deletes its observations by it: left behind, they would be lost with
    // the source's closing and missing from the target's sale.
    const int kitchenTable = idMesa / 100;
    if (!items.empty()) {
        const auto failed = [this] { return moveFailed(m_sql.result()); };
        PositionGuard::Needs needs;
        needs.sameBlock = true;
        needs.items = items;
        const Outcome moved = m_guard.write(
            source.opening(), needs,
            [&] {
                if (std::optional<Outcome> closed = m_guard.holdOpen(idMesa, targetOpenedAt, failed))
                    return *closed;
                // Every move in one wave, item after item; the first that
                // failed, in that order, is told.
                SqlBatch moves;
                for (const std::int64_t idItem : items) {
                    moves.add(stmt::kMoveItem, {idMesa, idItem});
                    moves.add(stmt::kMoveKitchen, {kitchenTable, idItem});
                    moves.add(stmt::kMoveItemObservations, {idMesa, idItem});
                }
                if (!m_sql.run(moves))
                    return moveFailed(moves.result(*moves.firstFailure()));
                return Outcome::ok();
            },
            failed);
        if (!moved.done())
            return moved;
        log::info(QStringLiteral("%1 item(ns) transferido(s) da mesa %2 para a mesa %3")
                      .arg(items.size())
                      .arg(positionLabel(source.idMesa))
                      .arg(positionLabel(idMesa)));
    }

    // A source left without items goes on to its closing.
    const bool emptied = source.itemCount() > 0
                         && std::all_of(source.items.begin(), source.items.end(), [&items](const ShownItem &item) {
                                return std::find(items.begin(), items.end(), item.idItem) != items.end();
                            });
    return Outcome::ok(emptied ? Outcome::Next::CloseAccount : Outcome::Next::Reread);
}

} // namespace qv
