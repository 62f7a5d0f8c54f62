#include "tables/TableService.h"

#include "board/PositionGuard.h"
#include "data/Statements.h"
#include "data/UnitOfWork.h"
#include "platform/Sql.h"
#include "session/Session.h"
#include "tables/AccountMath.h"
#include "tables/Sale.h"

namespace qv {

TableService::TableService(Sql &sql, Session &session) : m_sql(sql), m_session(session), m_guard(sql) {}

Outcome TableService::writeFailed(const QString &what, Outcome::Next next) const
{
    const SqlResult &result = m_sql.result();
    Outcome o = Outcome::fail(QStringLiteral("Erro %1 gravando %2 !!!").arg(result.state(), what), result, what, next);
    o.console << QStringLiteral("Mesa - Erro gravando %1: %2 %3").arg(what, result.state(), result.message());
    return o;
}

Outcome TableService::peopleCount(const ShownTable &table, const QString &typed)
{
    const std::optional<int> people = account::peopleFrom(typed);
    if (!people)
        return Outcome::refuse(QStringLiteral("Número de pessoas inválido !!!"));
    const int idMesa = table.idMesa;
    return m_guard.write(
        table.opening(), {},
        [&] {
            if (!m_sql.exec(stmt::kSetPeople, {*people, idMesa}).ok())
                return writeFailed(QStringLiteral("as pessoas da mesa"), Outcome::Next::Stay);
            return Outcome::ok();
        },
        [&] { return writeFailed(QStringLiteral("as pessoas da mesa"), Outcome::Next::Stay); });
}

Outcome TableService::toggleBlock(const ShownTable &table)
{
    const bool blocking = !table.blocked();
    const QString what = blocking ? QStringLiteral("o bloqueio da mesa") : QStringLiteral("o desbloqueio da mesa");
    // The key does the opposite of what the screen shows, so it depends on
    // that; and unblocking ends a split, which must not end one made
    // elsewhere after this reading (its shares would be charged twice).
    PositionGuard::Needs needs;
    needs.sameBlock = true;
    needs.sameSplit = true;
    const auto failed = [&] { return writeFailed(what, Outcome::Next::Reread); };
    return m_guard.write(
        table.opening(), needs,
        [&] {
            if (!m_sql.exec(blocking ? stmt::kBlock : stmt::kUnblock, {table.idMesa}).ok())
                return failed();
            return Outcome::ok(Outcome::Next::Reread);
        },
        failed);
}

Outcome TableService::IMPMESA(const ShownTable &table, const QString &chosenWaiter)
{
    if (!table.shown())
        return Outcome::ok(Outcome::Next::Release);
    const int idMesa = table.idMesa;
    const int waiter = sale::waiterFor(m_session.operators(), chosenWaiter, 0);
    // Failed, the table stays on show, so the cashier can ask again.
    const auto failed = [&] { return writeFailed(QStringLiteral("o pedido de conta"), Outcome::Next::Stay); };
    // Marking the bill asked for would unblock a table another desk has
    // blocked to take its payment.
    PositionGuard::Needs needs;
    needs.sameBlock = true;
    // The waiter and the mark go together: a bill requested in the old
    // waiter's name would pay the wrong commission.
    return m_guard.write(
        table.opening(), needs,
        [&] {
            if ((waiter != 0 && !m_sql.exec(stmt::kSetWaiter, {waiter, idMesa}).ok())
                || !m_sql.exec(stmt::kMarkBillRequested, {idMesa}).ok())
                return failed();
            return Outcome::ok(Outcome::Next::Release);
        },
        failed);
}

Outcome TableService::tableDiscount(const ShownTable &table, const exchange::DiscountSearchExchange::Answer &chosen,
                                    const QString &authoriser)
{
    const int idMesa = table.idMesa;
    const auto failed = [&] { return writeFailed(QStringLiteral("o desconto da mesa"), Outcome::Next::Reread); };
    // Kind and authoriser together: a discount must never be stored in
    // someone else's name. "None chosen" is a choice too: the discount goes.
    return m_guard.write(
        table.opening(), {},
        [&] {
            if (!m_sql.exec(stmt::kSetTableDiscount, {chosen.kind, idMesa}).ok()
                || !m_sql.exec(stmt::kSetTableDiscountOperator, {authoriser, idMesa}).ok())
                return failed();
            return Outcome::ok(Outcome::Next::Reread);
        },
        failed);
}

Outcome TableService::manualDiscount(const ShownTable &table, const QString &typed)
{
    const std::optional<Decimal> amount = account::manualDiscountFrom(typed);
    const TableTotals &t = table.totals;
    if (!amount || t.products - t.discountValue < *amount)
        return Outcome::refuse(QStringLiteral("Desconto inválido !!!"));
    const auto failed = [&] { return writeFailed(QStringLiteral("o desconto manual"), Outcome::Next::Reread); };
    return m_guard.write(
        table.opening(), {},
        [&] {
            if (!m_sql.exec(stmt::kSetManualDiscount, {*amount, table.idMesa}).ok())
                return failed();
            return Outcome::ok(Outcome::Next::Reread);
        },
        failed);
}

TableService::ServiceSwitch TableService::toggleService(const ShownTable &table, const QString &typedPeople)
{
    ServiceSwitch result;
    const TableTotals &reading = table.totals;
    if (reading.products.isZero())
        return result;
    result.applies = true;
    result.on = !table.serviceOn();
    const Decimal percent = result.on ? m_session.parameters().num("taxaServicoParam") : Decimal();
    const int people = account::peopleFrom(typedPeople).value_or(reading.people);
    result.totals = account::withService(reading, percent, people);
    // A fee that could not be stored is not charged: the table is read
    // again to show what is. A table blocked elsewhere meanwhile has had
    // its bill printed: its fee no longer changes.
    const auto failed = [&] { return writeFailed(QStringLiteral("a taxa de serviço"), Outcome::Next::Reread); };
    PositionGuard::Needs needs;
    needs.sameBlock = true;
    result.outcome = m_guard.write(
        table.opening(), needs,
        [&] {
            if (!m_sql.exec(stmt::kSetService, {percent, table.idMesa}).ok())
                return failed();
            return Outcome::ok();
        },
        failed);
    return result;
}

} // namespace qv
