#include "tables/TableService.h"

#include "data/Statements.h"
#include "data/UnitOfWork.h"
#include "platform/Sql.h"
#include "session/Session.h"
#include "tables/AccountMath.h"
#include "tables/Sale.h"

namespace qv {

TableService::TableService(Sql &sql, Session &session) : m_sql(sql), m_session(session) {}

Outcome TableService::writeFailed(const QString &what, Outcome::Next next) const
{
    const SqlResult &result = m_sql.result();
    Outcome o = Outcome::fail(QStringLiteral("Erro %1 gravando %2 !!!").arg(result.state(), what), result, what, next);
    o.console << QStringLiteral("Mesa - Erro gravando %1: %2 %3").arg(what, result.state(), result.message());
    return o;
}

Outcome TableService::peopleCount(int idMesa, const QString &typed)
{
    const std::optional<int> people = account::peopleFrom(typed);
    if (!people)
        return Outcome::refuse(QStringLiteral("Número de pessoas inválido !!!"));
    if (!m_sql.exec(stmt::kSetPeople, {*people, idMesa}).ok())
        return writeFailed(QStringLiteral("as pessoas da mesa"), Outcome::Next::Stay);
    return Outcome::ok();
}

Outcome TableService::toggleBlock(const ShownTable &table)
{
    const bool blocking = !table.blocked();
    const SqlResult &result = m_sql.exec(blocking ? stmt::kBlock : stmt::kUnblock, {table.idMesa});
    if (!result.ok())
        return writeFailed(blocking ? QStringLiteral("o bloqueio da mesa") : QStringLiteral("o desbloqueio da mesa"),
                           Outcome::Next::Reread);
    return Outcome::ok(Outcome::Next::Reread);
}

Outcome TableService::IMPMESA(int idMesa, const QString &chosenWaiter)
{
    if (idMesa == 0)
        return Outcome::ok(Outcome::Next::Release);
    const int waiter = sale::waiterFor(m_session.operators(), chosenWaiter, 0);
    // The waiter and the mark go together: a bill requested in the old
    // waiter's name would pay the wrong commission.
    bool written = false;
    {
        UnitOfWork transaction(m_sql);
        written = transaction.started() && (waiter == 0 || m_sql.exec(stmt::kSetWaiter, {waiter, idMesa}).ok())
                  && m_sql.exec(stmt::kMarkBillRequested, {idMesa}).ok() && transaction.commit();
    }
    // Failed, the table stays on show, so the cashier can ask again.
    if (!written)
        return writeFailed(QStringLiteral("o pedido de conta"), Outcome::Next::Stay);
    return Outcome::ok(Outcome::Next::Release);
}

Outcome TableService::tableDiscount(int idMesa, const exchange::DiscountSearchExchange::Answer &chosen,
                                    const QString &authoriser)
{
    // Kind and authoriser together: a discount must never be stored in
    // someone else's name. "None chosen" is a choice too: the discount goes.
    bool written = false;
    {
        UnitOfWork transaction(m_sql);
        written = transaction.started() && m_sql.exec(stmt::kSetTableDiscount, {chosen.kind, idMesa}).ok()
                  && m_sql.exec(stmt::kSetTableDiscountOperator, {authoriser, idMesa}).ok() && transaction.commit();
    }
    if (!written)
        return writeFailed(QStringLiteral("o desconto da mesa"), Outcome::Next::Reread);
    return Outcome::ok(Outcome::Next::Reread);
}

Outcome TableService::manualDiscount(const ShownTable &table, const QString &typed)
{
    const std::optional<Decimal> amount = account::manualDiscountFrom(typed);
    const TableTotals &t = table.totals;
    if (!amount || t.products - t.discountValue < *amount)
        return Outcome::refuse(QStringLiteral("Desconto inválido !!!"));
    if (!m_sql.exec(stmt::kSetManualDiscount, {*amount, table.idMesa}).ok())
        return writeFailed(QStringLiteral("o desconto manual"), Outcome::Next::Reread);
    return Outcome::ok(Outcome::Next::Reread);
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
    // again to show what is.
    if (!m_sql.exec(stmt::kSetService, {percent, table.idMesa}).ok())
        result.outcome = writeFailed(QStringLiteral("a taxa de serviço"), Outcome::Next::Reread);
    return result;
}

} // namespace qv
