#include "tables/AccountMath.h"

namespace qv::account {

Decimal maxManualDiscount()
{
    return Decimal::fromCents(9999999);
}

std::optional<Decimal> manualDiscountFrom(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return Decimal();
    const std::optional<Decimal> value = Decimal::parse(trimmed);
    if (!value || value->isNegative())
        return std::nullopt;
    // parse() keeps the low-order digits of an over-long integer part, so
    // the size is judged on the digits typed as well as on the value.
    const Decimal amount = value->cut(2);
    if (amount > maxManualDiscount())
        return std::nullopt;
    QString digits;
    for (QChar c : trimmed) {
        if (c == QLatin1Char(',') || (c == QLatin1Char('.') && !trimmed.contains(QLatin1Char(','))))
            break;
        if (c.isDigit())
            digits += c;
    }
    while (digits.size() > 1 && digits.startsWith(QLatin1Char('0')))
        digits.remove(0, 1);
    if (digits.size() > 5)
        return std::nullopt;
    return amount;
}

std::optional<int> peopleFrom(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return 0;
    if (trimmed.size() > 3)
        return std::nullopt;
    for (QChar c : trimmed) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    }
    return trimmed.toInt();
}

TableTotals withService(const TableTotals &reading, Decimal percent, int people)
{
    TableTotals t = reading;
    t.servicePercent = percent;
    t.people = people;
    // Same base as the table reading: the manual discount is added back and
    // take-away items carry no fee.
    t.serviceValue = serviceOn(t.subtotal, t.manualDiscount, t.takeAwayNet, percent);
    t.tableTotal = t.subtotal + t.serviceValue;
    t.hasPerPerson = people != 0;
    t.perPerson = t.hasPerPerson ? t.tableTotal.divInt(people) : Decimal();
    return t;
}

std::uint64_t centsOf(Decimal amount)
{
    return amount.isNegative() ? 0 : std::uint64_t(amount.cents());
}

} // namespace qv::account
