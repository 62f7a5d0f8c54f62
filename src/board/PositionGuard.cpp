#include "board/PositionGuard.h"

#include "data/Statements.h"
#include "data/Status.h"
#include "data/Tables.h"
#include "data/UnitOfWork.h"
#include "platform/Record.h"
#include "platform/Sql.h"

namespace qv {

namespace {

const Layout kPosition("mov_Mesa",
                       {FieldDef::C("status", 1), FieldDef::C("horaAbertura", 8), FieldDef::C("dividida", 1)});
const Layout kItem("mov_MesaItem", {FieldDef::N("idMesa", 6), FieldDef::C("status", 1)});

bool isSplit(const Record &row)
{
    return holds(row.text("dividida"), Flag::Yes);
}

} // namespace

PositionGuard::PositionGuard(Sql &sql) : m_sql(sql) {}

Outcome PositionGuard::closedElsewhere()
{
    return Outcome::refuse(QStringLiteral("Mesa já foi fechada em outro caixa !!!"), Outcome::Severity::Stop,
                           Outcome::Next::Release);
}

Outcome PositionGuard::reopenedElsewhere()
{
    return Outcome::refuse(QStringLiteral("Mesa foi fechada e aberta de novo em outro caixa, confira a mesa !!!"),
                           Outcome::Severity::Stop, Outcome::Next::Reread);
}

Outcome PositionGuard::blockedElsewhere()
{
    return Outcome::refuse(QStringLiteral("Mesa foi bloqueada em outro caixa, confira a mesa !!!"),
                           Outcome::Severity::Information, Outcome::Next::Reread);
}

Outcome PositionGuard::unblockedElsewhere()
{
    return Outcome::refuse(QStringLiteral("Mesa foi desbloqueada em outro caixa, confira a mesa !!!"),
                           Outcome::Severity::Information, Outcome::Next::Reread);
}

Outcome PositionGuard::splitElsewhere()
{
    return Outcome::refuse(QStringLiteral("Conta da mesa foi dividida em outro caixa, confira a mesa !!!"),
                           Outcome::Severity::Information, Outcome::Next::Reread);
}

Outcome PositionGuard::itemsChanged()
{
    return Outcome::refuse(QStringLiteral("Itens da mesa foram alterados em outro terminal, confira a mesa !!!"),
                           Outcome::Severity::Information, Outcome::Next::Reread);
}

Outcome PositionGuard::busyElsewhere()
{
    return Outcome::refuse(
        QStringLiteral("Mesa em uso em outro caixa ou terminal, nada foi gravado, tente novamente !!!"),
        Outcome::Severity::Stop, Outcome::Next::Stay);
}

Outcome PositionGuard::notOpen(int idMesa)
{
    return Outcome::refuse(QStringLiteral("Mesa %1/%2 não está mais aberta, nada foi gravado !!!")
                               .arg(idMesa / 100, 3, 10, QLatin1Char('0'))
                               .arg(idMesa % 100, 2, 10, QLatin1Char('0')),
                           Outcome::Severity::Stop, Outcome::Next::Reread);
}

void PositionGuard::addLocks(SqlBatch &wave, const ShownOpening &shown, const Needs &needs)
{
    // The position's lock leads the wave (check reads it first), then the
    // items' in the order given.
    wave.add(stmt::kLockShownPosition, {shown.idMesa}, kPosition);
    for (const std::int64_t idItem : needs.items)
        wave.add(stmt::kLockShownItem, {idItem}, kItem);
}

std::optional<Outcome> PositionGuard::check(const SqlBatch &wave, const ShownOpening &shown, const Needs &needs,
                                            const Failed &failed)
{
    // The answers are judged in the order they were sent, as one by one:
    // the position decides before any item does. A wave's first failure is
    // the connection's last state, so `failed` tells the lock's own.
    const SqlResult &state = wave.result(0);
    if (state.noRow())
        return closedElsewhere(); // no such position any more: nothing to write on
    const Record *row = wave.row(0);
    if (!state.ok() || !row)
        return failed();
    if (holds(row->text("status"), TableStatus::Free))
        return closedElsewhere();
    if (row->text("horaAbertura") != shown.openedAt)
        return reopenedElsewhere();
    const bool blocked = holds(row->text("status"), TableStatus::Blocked);
    if (needs.sameBlock && blocked != shown.blocked)
        return blocked ? blockedElsewhere() : unblockedElsewhere();
    if (needs.sameSplit && isSplit(*row) != shown.split)
        return splitElsewhere();

    for (std::size_t i = 0; i < needs.items.size(); ++i) {
        const SqlResult &found = wave.result(1 + i);
        if (found.noRow())
            return itemsChanged();
        const Record *item = wave.row(1 + i);
        if (!found.ok() || !item)
            return failed();
        if (item->integer("idMesa") != shown.idMesa || isCancelled(item->text("status")))
            return itemsChanged();
    }
    return std::nullopt;
}

std::optional<Outcome> PositionGuard::hold(const ShownOpening &shown, const Needs &needs, const Failed &failed)
{
    SqlBatch locks;
    addLocks(locks, shown, needs);
    m_sql.run(locks);
    return check(locks, shown, needs, failed);
}

std::optional<Outcome> PositionGuard::holdOpen(int idMesa, const QString &openedAt, const Failed &failed)
{
    Record row(kPosition);
    const SqlResult &state = m_sql.exec(stmt::kLockShownPosition, {idMesa}, &row);
    if (state.noRow())
        return notOpen(idMesa);
    if (!state.ok())
        return failed();
    if (!holds(row.text("status"), TableStatus::Open) || (!openedAt.isEmpty() && row.text("horaAbertura") != openedAt))
        return notOpen(idMesa);
    return std::nullopt;
}

Outcome PositionGuard::write(const ShownOpening &shown, const Needs &needs, const Writes &writes, const Failed &failed)
{
    return write(
        shown, needs, [](SqlBatch &) {}, [&writes](const SqlBatch &) { return writes(); }, failed);
}

Outcome PositionGuard::write(const ShownOpening &shown, const Needs &needs, const Reads &reads,
                             const WritesAfter &writes, const Failed &failed)
{
    Outcome outcome;
    {
        UnitOfWork unit(m_sql);
        if (!unit.started()) {
            outcome = failed();
        } else {
            // The locks and the command's first reads in one round trip.
            // The reads run whatever the locks find, but nothing is written
            // before the locks were checked, and a refused check rolls the
            // unit back.
            SqlBatch wave;
            addLocks(wave, shown, needs);
            reads(wave);
            m_sql.run(wave);
            if (std::optional<Outcome> stale = check(wave, shown, needs, failed)) {
                outcome = *stale;
            } else {
                outcome = writes(wave);
                if (outcome.done() && !unit.commit())
                    outcome = failed();
            }
        }
        // Leaving the scope rolls back whatever was not committed, before
        // anything is read again or told.
    }
    return afterFailure(shown, outcome);
}

PositionGuard::Now PositionGuard::now(const ShownOpening &shown)
{
    Record row(tables::movMesa);
    if (!m_sql.exec(stmt::kTableAfterConflict, {shown.idMesa}, &row).ok())
        return Now::Unknown;
    if (holds(row.text("status"), TableStatus::Free))
        return Now::Freed;
    if (row.text("horaAbertura") != shown.openedAt)
        return Now::Reopened;
    return Now::Same;
}

Outcome PositionGuard::afterFailure(const ShownOpening &shown, const Outcome &failure)
{
    if (!failure.failed() || !(failure.error.conflict || failure.error.lockTimeout))
        return failure;
    // The truth first: a position another desk closed is said to be closed,
    // whatever statement of ours met that desk's write.
    switch (now(shown)) {
    case Now::Freed: return closedElsewhere();
    case Now::Reopened: return reopenedElsewhere();
    case Now::Same:
    case Now::Unknown: break;
    }
    if (failure.error.lockTimeout) {
        Outcome busy = busyElsewhere();
        busy.error = failure.error;
        busy.step = failure.step;
        busy.console = failure.console;
        return busy;
    }
    return failure;
}

} // namespace qv
