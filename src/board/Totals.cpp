#include "board/Totals.h"

#include "data/Status.h"

namespace qv {

Decimal PriceAdjustment::observation(Decimal price, char kind, Decimal valorCom, Decimal valorSem, Decimal valorObs)
{
    switch (kind) {
    case letterOf(ObservationKind::With): price += valorCom; break;
    case letterOf(ObservationKind::Without): price -= valorSem; break;
    case letterOf(ObservationKind::Free): price += valorObs; break;
    default: break;
    }
    // The adjusted price is held in a 5-digit, 2-decimal field.
    return price.narrowed(5, 2);
}

Decimal PriceAdjustment::discount(Decimal price, Decimal percent)
{
    const std::int64_t p = price.cents();
    const std::int64_t r = percent.cents(); // hundredths of a percent
    const std::int64_t d = (p * r) / 100;
    return Decimal::fromCents((p * 100 - d) / 100);
}

void TableTotals::compute()
{
    const Decimal hundred = Decimal::fromInt(100);
    discountValue = products.mul(discountPercent).div(hundred);
    subtotal = products - discountValue - manualDiscount;
    takeAwayDiscount = takeAway.mul(discountPercent).div(hundred, 2);
    takeAwayNet = takeAway - takeAwayDiscount;
    serviceValue = serviceOn(subtotal, manualDiscount, takeAwayNet, servicePercent);
    tableTotal = subtotal + serviceValue;
    hasPerPerson = people != 0;
    perPerson = hasPerPerson ? tableTotal.divInt(people) : Decimal();
}

Decimal serviceOn(Decimal subtotal, Decimal manualDiscount, Decimal takeAwayNet, Decimal percent)
{
    return (subtotal + manualDiscount - takeAwayNet).mul(percent).div(Decimal::fromInt(100));
}

namespace {
int minutesOf(const QString &time)
{
    return time.mid(0, 2).toInt() * 60 + time.mid(3, 2).toInt();
}
} // namespace

QString timeOpen(const QString &opened, const QString &now)
{
    int d = minutesOf(now) - minutesOf(opened);
    if (d < 0)
        d += 24 * 60;
    d %= 10000; // a four-digit field
    return QStringLiteral("%1h %2m").arg(d / 60, 2, 10, QLatin1Char('0')).arg(d % 60, 2, 10, QLatin1Char('0'));
}

void Consolidation::add(std::int64_t product, Decimal price, const QString &description)
{
    Line &line = m_lines[{product, price}];
    if (line.count == 0)
        line.description = description;
    line.count = (line.count + 1) % 10000;
}

} // namespace qv
