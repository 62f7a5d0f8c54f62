#include "items/CancelService.h"

#include "data/Statements.h"
#include "data/Status.h"
#include "data/Tables.h"
#include "data/UnitOfWork.h"
#include "platform/Log.h"
#include "platform/Record.h"
#include "platform/Sql.h"

#include <algorithm>

namespace qv {

CancelService::CancelService(Sql &sql) : m_sql(sql), m_guard(sql) {}

Outcome CancelService::failure(const QString &what, std::int64_t idItem) const
{
    return Outcome::fail(QStringLiteral("Erro %1 %2 do item %3 !!!\n%4")
                             .arg(m_sql.state(), what, QString::number(idItem), m_sql.message()),
                         m_sql.result(), what, Outcome::Next::Reread);
}

Outcome CancelService::CANCITE(const Cancellation &c)
{
    if (c.shown.idMesa == 0 || c.liveItems.empty())
        return Outcome::refuse(QString());

    const QString produzido = textOf(c.produced ? Flag::Yes : Flag::No);
    const int idMotivoCanc = storedReason(c.reasonCode);
    const std::int64_t first = c.items.empty() ? 0 : c.items.front();
    std::int64_t current = first;
    const auto failed = [&] { return failure(QStringLiteral("no cancelamento"), current); };
    // A cancellation that fails part way leaves every item as it was: the
    // cashier reads the reason and does it again, not half of it. An item
    // cancelled or moved elsewhere meanwhile refuses the whole of it.
    PositionGuard::Needs needs;
    needs.sameBlock = true;
    needs.items = c.items;
    const Outcome written = m_guard.write(
        c.shown, needs,
        [&] {
            for (const std::int64_t idItem : c.items) {
                current = idItem;
                if (!m_sql.exec(stmt::kCancelItem, {produzido, idMotivoCanc, c.idOperador, idItem}).ok())
                    return failed();
            }
            return Outcome::ok();
        },
        failed);
    if (!written.done())
        return written;
    log::info(QStringLiteral("%1 item(ns) cancelado(s) na mesa %2 pelo operador %3, motivo %4%5")
                  .arg(c.items.size())
                  .arg(positionLabel(c.shown.idMesa))
                  .arg(c.idOperador)
                  .arg(c.reasonCode)
                  .arg(c.produced ? QStringLiteral(", já produzido(s)") : QString()));

    const bool anyLeft = std::any_of(c.liveItems.begin(), c.liveItems.end(), [&c](std::int64_t live) {
        return std::find(c.items.begin(), c.items.end(), live) == c.items.end();
    });
    return Outcome::ok(anyLeft ? Outcome::Next::Reread : Outcome::Next::CloseAccount);
}

Outcome CancelService::BAIXITE(const Acknowledgement &a)
{
    if (a.shown.idMesa == 0 || a.itemCount == 0)
        return Outcome::refuse(QString());

    // The right is read afresh: it may have been taken away since log-in.
    Record loggedIn(tables::tabOperador);
    const SqlResult state = m_sql.exec(stmt::kOperatorById, {a.idOperador}, &loggedIn);
    if (state.failed())
        return Outcome::fail(
            QStringLiteral("Erro %1 na leitura do operador !!!\n%2").arg(state.state(), state.message()), state);
    if (!holds(loggedIn.text("direito8"), Right::Granted))
        return Outcome::refuse(QStringLiteral("Operador sem direito a Baixa !!!"));

    // The status condition keeps an item another terminal has already moved
    // on (printed, cancelled, acknowledged) from being acknowledged here.
    const QString waiter = a.waiterName.leftJustified(20, QLatin1Char(' '), true);
    std::int64_t current = a.items.empty() ? 0 : a.items.front();
    const auto failed = [&] { return failure(QStringLiteral("na baixa"), current); };
    PositionGuard::Needs needs;
    needs.sameBlock = true;
    needs.items = a.items;
    return m_guard.write(
        a.shown, needs,
        [&] {
            for (const std::int64_t idItem : a.items) {
                current = idItem;
                if (!m_sql.exec(stmt::kAcknowledgeItem, {waiter, idItem}).ok())
                    return failed();
            }
            return Outcome::ok(Outcome::Next::Reread);
        },
        failed);
}

} // namespace qv
