#include "modules/PaymentTally.h"

#include "session/Exchanges.h"

namespace qv::payment {

namespace {
// Receipt layout (docs/PAYMENT.md), 1-based positions.
constexpr int kCountFrom = 1, kCountDigits = 2;
constexpr int kTotalFrom = 3;
constexpr int kPaidFrom = 14;
constexpr int kChangeFrom = 25;
constexpr int kAmountDigits = 11; // nine integer digits and two decimals
constexpr int kLinesFrom = 36;
constexpr int kLineLength = 12; // kind digit + amount

QString zoned(std::uint64_t value, int digits)
{
    return QStringLiteral("%1").arg(value, digits, 10, QLatin1Char('0')).right(digits);
}

std::uint64_t cents(Decimal amount)
{
    return amount.isNegative() ? 0 : std::uint64_t(amount.cents());
}

std::optional<std::uint64_t> digitsAt(const QString &text, int from, int count)
{
    const QString part = text.mid(from - 1, count);
    if (part.size() != count)
        return std::nullopt;
    std::uint64_t value = 0;
    for (QChar c : part) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        value = value * 10 + std::uint64_t(c.unicode() - '0');
    }
    return value;
}

Decimal maxZero(Decimal value)
{
    return value.isNegative() ? Decimal() : value;
}
} // namespace

QString kindName(Kind kind)
{
    switch (kind) {
    case Kind::Cash: return QStringLiteral("Dinheiro");
    case Kind::Debit: return QStringLiteral("Cartão de Débito");
    case Kind::Credit: return QStringLiteral("Cartão de Crédito");
    case Kind::Pix: return QStringLiteral("PIX");
    }
    return QString();
}

std::optional<Decimal> amountFrom(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return Decimal();
    const std::optional<Decimal> value = Decimal::parse(trimmed);
    if (!value || value->isNegative() || value->cut(2) != *value)
        return std::nullopt;
    // parse() keeps only the low-order digits of a very long number; such a
    // number is no amount anyone pays.
    int integerDigits = 0;
    for (QChar c : trimmed) {
        if (c == QLatin1Char(',') || (c == QLatin1Char('.') && !trimmed.contains(QLatin1Char(','))))
            break;
        if (c.isDigit() && (integerDigits > 0 || c != QLatin1Char('0')))
            ++integerDigits;
    }
    if (integerDigits > 9)
        return std::nullopt;
    return value;
}

Decimal maxExtra()
{
    return Decimal::fromCents(9999999);
}

Decimal maxPayment()
{
    return Decimal::fromCents(99999999999);
}

Tally::Tally(Decimal due, Decimal servicePercent) : m_due(maxZero(due)), m_servicePercent(servicePercent) {}

Tally Tally::fromSharedRecords()
{
    const exchange::PaymentExchange::Request request = exchange::PaymentExchange::request();
    return Tally(request.total, request.servicePercent);
}

Refusal Tally::setTip(Decimal tip)
{
    if (tip.isNegative() || tip.cut(2) != tip)
        return Refusal::Invalid;
    if (tip > maxExtra())
        return Refusal::TooLarge;
    m_tip = tip;
    return Refusal::None;
}

Refusal Tally::setService(Decimal service)
{
    if (service.isNegative() || service.cut(2) != service)
        return Refusal::Invalid;
    if (!service.isZero() && !serviceAllowed())
        return Refusal::NotAllowed;
    if (service > maxExtra())
        return Refusal::TooLarge;
    m_service = service;
    return Refusal::None;
}

Refusal Tally::add(Kind kind, Decimal amount)
{
    if (amount.isZero() || amount.isNegative() || amount.cut(2) != amount)
        return Refusal::Invalid;
    if (amount > maxPayment() || paid() + amount > maxPayment())
        return Refusal::TooLarge;
    if (int(m_lines.size()) >= kMaxLines)
        return Refusal::TooManyLines;
    // Only cash gives change: a card or PIX is charged what is due, never
    // more, and nothing is taken once the total is paid.
    if (remaining().isZero() || (kind != Kind::Cash && amount > remaining()))
        return Refusal::OverPaid;
    m_lines.push_back({kind, amount});
    return Refusal::None;
}

void Tally::remove(int index)
{
    if (index >= 0 && index < int(m_lines.size()))
        m_lines.erase(m_lines.begin() + index);
}

Decimal Tally::total() const
{
    return m_due + m_service + m_tip;
}

Decimal Tally::paid() const
{
    Decimal sum;
    for (const Line &line : m_lines)
        sum += line.amount;
    return sum;
}

Decimal Tally::paidOtherThanCash() const
{
    Decimal sum;
    for (const Line &line : m_lines) {
        if (line.kind != Kind::Cash)
            sum += line.amount;
    }
    return sum;
}

Decimal Tally::remaining() const
{
    return maxZero(total() - paid());
}

Decimal Tally::change() const
{
    return maxZero(paid() - total());
}

Refusal Tally::readiness() const
{
    if (paid() < total())
        return Refusal::NotCovered;
    // A tip lowered after a card was charged must not turn the card into
    // cash change.
    if (paidOtherThanCash() > total())
        return Refusal::OverPaid;
    if (total() > maxPayment())
        return Refusal::TooLarge;
    return Refusal::None;
}

QString Tally::receipt() const
{
    QString text = zoned(std::uint64_t(m_lines.size()), kCountDigits) + zoned(cents(total()), kAmountDigits)
                   + zoned(cents(paid()), kAmountDigits) + zoned(cents(change()), kAmountDigits);
    for (const Line &line : m_lines)
        text += QString::number(int(line.kind)) + zoned(cents(line.amount), kAmountDigits);
    return text.leftJustified(kReceiptLength, QLatin1Char(' '), true);
}

Refusal Tally::confirm() const
{
    const Refusal ready = readiness();
    if (ready != Refusal::None)
        return ready;
    exchange::PaymentExchange::answer({true, receipt(), m_tip, m_service});
    return Refusal::None;
}

std::optional<Receipt> readReceipt(const QString &text)
{
    if (text.size() != Tally::kReceiptLength)
        return std::nullopt;
    const auto count = digitsAt(text, kCountFrom, kCountDigits);
    const auto total = digitsAt(text, kTotalFrom, kAmountDigits);
    const auto paid = digitsAt(text, kPaidFrom, kAmountDigits);
    const auto change = digitsAt(text, kChangeFrom, kAmountDigits);
    if (!count || !total || !paid || !change || *count > std::uint64_t(Tally::kMaxLines))
        return std::nullopt;
    Receipt receipt;
    receipt.total = Decimal::fromCents(std::int64_t(*total));
    receipt.paid = Decimal::fromCents(std::int64_t(*paid));
    receipt.change = Decimal::fromCents(std::int64_t(*change));
    for (int i = 0; i < int(*count); ++i) {
        const int from = kLinesFrom + i * kLineLength;
        const auto kind = digitsAt(text, from, 1);
        const auto amount = digitsAt(text, from + 1, kAmountDigits);
        if (!kind || !amount || *kind < 1 || *kind > 4)
            return std::nullopt;
        receipt.lines.push_back({Kind(int(*kind)), Decimal::fromCents(std::int64_t(*amount))});
    }
    return receipt;
}

} // namespace qv::payment
