#include "tables/OpenTableService.h"

#include "data/Statements.h"
#include "data/Status.h"
#include "data/Tables.h"
#include "platform/Record.h"
#include "platform/Sql.h"

namespace qv {

namespace {

// The one column of the server's time: HH:MM:SS.
const Layout kTime("time", {FieldDef::C("horaAbertura", 8)});

} // namespace

OpenTableService::OpenTableService(Sql &sql) : m_sql(sql) {}

Outcome OpenTableService::mayOpen(int idMesa)
{
    const int firstPosition = (idMesa / 100) * 100 + 1;
    if (idMesa == firstPosition)
        return Outcome::ok();
    Record first(tables::movMesa);
    const SqlResult &state = m_sql.exec(stmt::kTableById, {firstPosition}, &first);
    // A read that fails for any reason other than "no row" leaves the record
    // as it was, not as the database holds it; judging the status from it
    // could let a position open beside a closed position 1. Every failure
    // therefore counts as "no such position".
    if (!state.ok())
        return Outcome::refuse(QStringLiteral("Erro ao acessar a posição da mesa !!!"), Outcome::Severity::Stop);
    if (holds(first.text("status"), TableStatus::Free))
        return Outcome::refuse(QStringLiteral("Posição 1 da mesa fechada, abra a posição 1 primeiro !!!"),
                               Outcome::Severity::Stop);
    return Outcome::ok();
}

Read<Decimal> OpenTableService::serviceFee()
{
    Record parameters(tables::tabParametros);
    const SqlResult &read = m_sql.exec(stmt::kParameters, {}, &parameters);
    return Read<Decimal>::of(read, parameters.num("taxaServicoParam"));
}

OpenTableService::Opened OpenTableService::ABRIR(const Opening &opening)
{
    Opened result;

    // The opening time is the server's: every terminal and the kitchen
    // measure the time at the table against the same clock.
    Record now(kTime);
    const SqlResult &time = m_sql.exec(stmt::kServerTime, {}, &now);
    if (!time.ok()) {
        result.outcome = Outcome::fail(
            QStringLiteral("Erro %1 lendo a hora do servidor, a mesa não foi aberta !!!").arg(time.state()), time,
            QStringLiteral("hora"));
        return result;
    }
    const QString openedAt = now.text(0);

    // The waiter by name; a name that is no longer there (renamed since the
    // list was built) still opens the table, in the cashier's name.
    const QString name = opening.waiterName.left(20).leftJustified(20, QLatin1Char(' '));
    Record oper(tables::tabOperador);
    int waiter = opening.fallbackWaiter;
    if (m_sql.exec(stmt::kOperatorByName, {name}, &oper).ok())
        waiter = int(oper.integer("idOperador"));
    else
        result.notice = QStringLiteral("Não foi possível associoar o Garçon à mesa !!!");

    // Opening also clears whatever discount, split or fee the position kept
    // from its last account. Only a free position opens: one another
    // terminal opened since the cashier saw it free has guests, items and
    // an opening time of its own, which must not be written over.
    const SqlResult &state =
        m_sql.exec(stmt::kOpenFreeTable, {opening.people, waiter, openedAt, opening.serviceFee, opening.idMesa});
    if (!state.ok()) {
        result.outcome =
            Outcome::fail(QStringLiteral("Erro ") + state.state() + QStringLiteral(" na abertura da mesa !!!"), state,
                          QStringLiteral("abertura"));
        return result;
    }
    if (m_sql.affectedRows() == 0) {
        result.outcome = Outcome::refuse(QStringLiteral("Mesa já foi aberta em outro terminal !!!"),
                                         Outcome::Severity::Information, Outcome::Next::Reread);
        return result;
    }
    result.outcome = Outcome::ok();
    return result;
}

} // namespace qv
