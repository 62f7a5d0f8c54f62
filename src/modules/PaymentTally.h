#pragma once

#include "platform/Decimal.h"
#include "session/Exchanges.h"

#include <QString>

#include <optional>
#include <vector>

// The arithmetic and the records of the payment module "99-Fennoc", apart
// from its dialog. docs/PAYMENT.md describes the receipt layout.
namespace qv::payment {

enum class Kind {
    Cash = 1,
    Debit = 2,
    Credit = 3,
    Pix = 4
};

// "Dinheiro", "Cartão de Débito", "Cartão de Crédito", "PIX".
QString kindName(Kind kind);

struct Line
{
    Kind kind = Kind::Cash;
    Decimal amount;
};

enum class Refusal {
    None,
    Invalid,      // zero, negative or not an amount
    TooLarge,     // does not fit its field
    NotAllowed,   // a service amount on a table that already carries the fee
    OverPaid,     // a card or PIX beyond what is still due; nothing left to pay
    TooManyLines, // the receipt holds twenty payments
    NotCovered,   // confirmation before the total is paid
};

// An amount typed by the cashier: blank is 0; "1.234,56", "12,5" and "12.50"
// are read; negative amounts, more than two decimals and anything else are
// nullopt.
std::optional<Decimal> amountFrom(const QString &text);

// The largest tip or service amount (W-TAB-REPIQUE / W-TAB-SERVICO: five
// integer digits) and the largest payment (nine integer digits).
Decimal maxExtra();
Decimal maxPayment();

// One payment being taken: what the table owes, the extras the customer
// adds, and the payments by kind.
class Tally
{
public:
    static constexpr int kMaxLines = 20;
    static constexpr int kReceiptLength = exchange::PaymentExchange::kReceiptLength;

    Tally(Decimal due, Decimal servicePercent);
    // From what the close-account command hands over: the amount due and
    // the table's fee percent.
    static Tally fromSharedRecords();

    Decimal due() const { return m_due; }
    Decimal servicePercent() const { return m_servicePercent; }
    Decimal tip() const { return m_tip; }
    Decimal service() const { return m_service; }
    // A service amount is taken only from a table that carries no fee: the
    // fee is already in the amount due.
    bool serviceAllowed() const { return m_servicePercent.isZero(); }

    Refusal setTip(Decimal tip);
    Refusal setService(Decimal service);
    Refusal add(Kind kind, Decimal amount);
    void remove(int index);
    const std::vector<Line> &lines() const { return m_lines; }

    // Amount due + service + tip.
    Decimal total() const;
    Decimal paid() const;
    Decimal paidOtherThanCash() const;
    // What is still to pay (0 once covered) and the change (cash only).
    Decimal remaining() const;
    Decimal change() const;
    // None when the payment may be confirmed.
    Refusal readiness() const;

    // The 350 characters of W-TAB-RECEBIM.
    QString receipt() const;
    // Confirms: W-TAB-RECEBIM, W-TAB-REPIQUE, W-TAB-SERVICO and L-LINK
    // character 312 = 'S'. Refused (nothing written) unless ready.
    Refusal confirm() const;

private:
    Decimal m_due;
    Decimal m_servicePercent;
    Decimal m_tip;
    Decimal m_service;
    std::vector<Line> m_lines;
};

// A receipt read back (reports, tests). nullopt when it does not follow the
// layout.
struct Receipt
{
    Decimal total;
    Decimal paid;
    Decimal change;
    std::vector<Line> lines;
};
std::optional<Receipt> readReceipt(const QString &text);

} // namespace qv::payment
