#include "tables/PaymentClaims.h"

#include "data/Statements.h"
#include "data/UnitOfWork.h"
#include "platform/Record.h"
#include "platform/Sql.h"

#include <QRandomGenerator>

#include <optional>

namespace qv {

namespace {

const Layout kClaim("mov_MesaCobranca",
                    {FieldDef::C("horaAbertura", 8), FieldDef::N("nrCaixa", 4), FieldDef::N("idOperador", 6),
                     FieldDef::N("chave", 12), FieldDef::C("desde", 8), FieldDef::N("idade", 11)});
const Layout kName("tab_Operador", {FieldDef::C("nome", 20)});

// Keys below 10^12 keep to the twelve digits a record number holds exactly.
constexpr std::int64_t kKeys = 1000000000000LL;

Outcome claimFailed(const SqlResult &result)
{
    return Outcome::fail(QStringLiteral("Erro %1 reservando a mesa para o pagamento !!!").arg(result.state()), result,
                         QStringLiteral("reserva"));
}

} // namespace

PaymentClaims::PaymentClaims(Sql &sql, int boundSeconds)
    : m_sql(sql), m_bound(boundSeconds), m_key(1 + std::int64_t(QRandomGenerator::system()->bounded(qint64(kKeys - 1))))
{}

PaymentClaims::Holder PaymentClaims::named(int desk, int idOperador, const QString &since)
{
    Holder holder{desk, idOperador, QString(), since};
    Record name(kName);
    if (m_sql.exec(stmt::kOperatorName, {idOperador}, &name).ok())
        holder.operatorName = name.text(0).trimmed();
    return holder;
}

QString PaymentClaims::heldBy(const Holder &holder)
{
    const QString who = holder.operatorName.isEmpty() ? QString::number(holder.idOperador) : holder.operatorName;
    return QStringLiteral("caixa %1 (%2) desde %3").arg(holder.desk).arg(who, holder.since);
}

PaymentClaims::Claim PaymentClaims::claim(int idMesa, const QString &openedAt, int desk, int idOperador)
{
    Claim result;
    std::optional<Holder> standing;
    std::optional<Holder> abandoned;
    bool written = false;
    SqlResult failure;
    {
        UnitOfWork unit(m_sql);
        Record row(kClaim);
        if (!unit.started()) {
            failure = m_sql.result();
        } else if (const SqlResult read = m_sql.exec(stmt::kLockPaymentClaim, {idMesa}, &row); read.failed()) {
            failure = read;
        } else {
            const bool another = read.ok() && row.integer("chave") != m_key && row.text("horaAbertura") == openedAt;
            if (another && row.integer("idade") < m_bound) {
                standing = named(int(row.integer("nrCaixa")), int(row.integer("idOperador")), row.text("desde"));
            } else {
                if (another)
                    abandoned = named(int(row.integer("nrCaixa")), int(row.integer("idOperador")), row.text("desde"));
                written = m_sql.exec(stmt::kTakePaymentClaim, {idMesa, openedAt, desk, idOperador, m_key}).ok()
                          && unit.commit();
                if (!written)
                    failure = m_sql.result();
            }
        }
    }
    if (!standing && !written && failure.conflict()) {
        // Two desks claimed at the same moment and the other one's claim
        // was stored first: it holds the account now.
        Record row(kClaim);
        if (m_sql.exec(stmt::kPaymentClaim, {idMesa}, &row).ok() && row.integer("chave") != m_key)
            standing = named(int(row.integer("nrCaixa")), int(row.integer("idOperador")), row.text("desde"));
        else
            result.outcome = Outcome::refuse(QStringLiteral("Mesa em pagamento em outro caixa, aguarde !!!"),
                                             Outcome::Severity::Stop, Outcome::Next::Stay);
    }
    if (standing) {
        result.outcome = Outcome::refuse(QStringLiteral("Mesa em pagamento no %1, aguarde !!!").arg(heldBy(*standing)),
                                         Outcome::Severity::Stop, Outcome::Next::Stay);
        return result;
    }
    if (!written) {
        if (result.outcome.refused())
            return result;
        if (failure.lockTimeout()) {
            result.outcome = Outcome::refuse(
                QStringLiteral("Mesa em uso em outro caixa ou terminal, nada foi gravado, tente novamente !!!"),
                Outcome::Severity::Stop, Outcome::Next::Stay);
            return result;
        }
        result.outcome = claimFailed(failure);
        return result;
    }
    if (abandoned)
        result.notice =
            QStringLiteral("Pagamento do %1 foi abandonado, a mesa passa para este caixa !!!").arg(heldBy(*abandoned));
    result.outcome = Outcome::ok();
    return result;
}

bool PaymentClaims::renew(int idMesa)
{
    return m_sql.exec(stmt::kRenewPaymentClaim, {idMesa, m_key}).ok() && m_sql.affectedRows() == 1;
}

bool PaymentClaims::release(int idMesa)
{
    return m_sql.exec(stmt::kDropPaymentClaim, {idMesa, m_key}).ok();
}

} // namespace qv
