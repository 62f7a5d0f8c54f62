#pragma once

#include "data/Outcome.h"

#include <QString>

#include <cstdint>

namespace qv {

class Sql;

// One payment per account. The payment module is a window of its own and
// takes money while no transaction is open, so nothing in the closing's
// own transaction can keep two cash desks from collecting the same bill.
// Before the module opens, the desk claims the account: a row of
// mov_MesaCobranca keyed by the position, naming the opening (the account),
// the desk, the operator and this program's own key. The row is an ordinary
// replicated change: on one server the row lock orders two claims, on a
// Galera cluster certification lets one of them commit (a user-level lock
// would be per node there). The claim ends with the sale (deleted in the
// same transaction), when the payment is abandoned, or when it has not
// been renewed for `boundSeconds`: a desk that crashed or lost its
// connection holds a table no longer than that.
class PaymentClaims
{
public:
    static constexpr int kBoundSeconds = 60;

    explicit PaymentClaims(Sql &sql, int boundSeconds = kBoundSeconds);

    // Who holds a claim.
    struct Holder
    {
        int desk = 0;
        int idOperador = 0;
        QString operatorName; // trimmed; empty when unknown
        QString since;        // HH:MM:SS, the server's time of the claim
    };

    struct Claim
    {
        Outcome outcome; // done: this desk holds the claim
        // A claim left by a desk that stopped renewing it was taken over:
        // whose it was, for the cashier to see.
        QString notice;
    };
    // Claims the account `openedAt` of `idMesa` for `desk`. Refused, before
    // any payment, while another desk's claim on the same account stands,
    // with a message naming that desk, its operator and since when. A claim
    // of an earlier account of the position, or one not renewed within the
    // bound, is taken over.
    Claim claim(int idMesa, const QString &openedAt, int desk, int idOperador);

    // Keeps this desk's claim alive while its payment module is open; false
    // when it is no longer this desk's (taken over, or the sale written).
    bool renew(int idMesa);
    // The payment was abandoned: this desk's claim ends (another desk's is
    // left alone). False when that could not be stored: the claim then
    // lasts until it expires.
    bool release(int idMesa);

    int boundSeconds() const { return m_bound; }
    // This program's own key, the claim's owner.
    std::int64_t key() const { return m_key; }

    static QString heldBy(const Holder &holder);

private:
    Holder named(int desk, int idOperador, const QString &since);

    Sql &m_sql;
    int m_bound;
    std::int64_t m_key;
};

} // namespace qv
