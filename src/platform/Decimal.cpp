#include "platform/Decimal.h"

#include <QByteArray>

#include <algorithm>
#include <cassert>
#include <string>

namespace qv {

namespace {

using Wide = __int128;

constexpr std::int64_t kPow10[] = {
    1LL,           10LL,           100LL,           1000LL,           10000LL,
    100000LL,      1000000LL,      10000000LL,      100000000LL,      1000000000LL,
    10000000000LL, 100000000000LL, 1000000000000LL, 10000000000000LL, 100000000000000LL,
};

// 10^14: the integer part of every value lives modulo this.
constexpr std::int64_t kIntegerModulus = kPow10[Decimal::kIntegerDigits];

// Callers pass literal decimal counts; anything outside 0..4 is a programming
// error. Release builds clamp rather than index out of the power table.
int checkedDecimals(int decimals)
{
    assert(decimals >= 0 && decimals <= Decimal::kScale);
    if (decimals < 0)
        return 0;
    if (decimals > Decimal::kScale)
        return Decimal::kScale;
    return decimals;
}

// Drops the units below `decimals` decimals. C++ integer division already
// truncates toward zero, which is exactly the cut the cash desk expects.
Wide cutUnits(Wide units, int decimals)
{
    const std::int64_t step = kPow10[Decimal::kScale - decimals];
    return units / step * step;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// "1.234.567": a first group of one to three digits, then groups of exactly
// three, each introduced by a point. Anything looser is more likely a typo
// than a grouped number, so it is refused rather than guessed at.
bool isGroupedInteger(std::string_view text)
{
    std::size_t group = 0;
    bool first = true;
    for (char c : text) {
        if (c == '.') {
            if (group == 0 || (first && group > 3) || (!first && group != 3))
                return false;
            first = false;
            group = 0;
        } else if (isDigit(c)) {
            ++group;
        } else {
            return false;
        }
    }
    return first ? group > 0 : group == 3;
}

// Spells the magnitude as integer digits (optionally grouped) and exactly
// `decimals` decimals after `separator`.
QString spell(std::int64_t units, int decimals, char separator, char thousands)
{
    const bool negative = units < 0;
    const std::int64_t magnitude = negative ? -units : units;
    const std::int64_t whole = magnitude / Decimal::kOne;
    const std::int64_t fraction = magnitude % Decimal::kOne;

    std::string digits = std::to_string(whole);
    std::string out;
    out.reserve(digits.size() + digits.size() / 3 + 8);
    if (negative)
        out.push_back('-');
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (thousands != '\0' && i > 0 && (digits.size() - i) % 3 == 0)
            out.push_back(thousands);
        out.push_back(digits[i]);
    }
    if (decimals > 0) {
        out.push_back(separator);
        // Zero-padded to four places, then the leading `decimals` kept.
        std::string frac = std::to_string(fraction + Decimal::kOne).substr(1);
        out.append(frac, 0, static_cast<std::size_t>(decimals));
    }
    return QString::fromLatin1(out.data(), static_cast<qsizetype>(out.size()));
}

} // namespace

std::int64_t Decimal::wrap(Wide units)
{
    // Sign and magnitude are handled apart so the kept digits do not depend
    // on the sign, as in a fixed-width field that stores its sign separately.
    const bool negative = units < 0;
    const Wide magnitude = negative ? -units : units;
    const Wide whole = (magnitude / kOne) % kIntegerModulus;
    const Wide fraction = magnitude % kOne;
    const auto kept = static_cast<std::int64_t>(whole * kOne + fraction);
    return negative ? -kept : kept;
}

Decimal Decimal::fromInt(std::int64_t value)
{
    return Decimal(wrap(static_cast<Wide>(value) * kOne));
}

Decimal Decimal::fromUnits(std::int64_t units)
{
    return Decimal(wrap(units));
}

Decimal Decimal::fromCents(std::int64_t cents)
{
    return Decimal(wrap(static_cast<Wide>(cents) * (kOne / 100)));
}

std::optional<Decimal> Decimal::parse(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);

    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }

    const std::size_t points = static_cast<std::size_t>(std::count(text.begin(), text.end(), '.'));
    const std::size_t commas = static_cast<std::size_t>(std::count(text.begin(), text.end(), ','));

    std::string_view integerPart = text;
    std::string_view fractionPart;
    bool grouped = false;
    if (points > 0 && commas > 0) {
        // Both present: the operator typed a grouped Brazilian amount,
        // "1.234,56". Points group thousands, the single comma separates.
        if (commas != 1)
            return std::nullopt;
        const std::size_t comma = text.find(',');
        integerPart = text.substr(0, comma);
        fractionPart = text.substr(comma + 1);
        if (!isGroupedInteger(integerPart))
            return std::nullopt;
        grouped = true;
    } else if (points + commas > 1) {
        // "1.234.567" or "1,2,3": without the other separator there is no
        // telling grouping from a typo, so it is refused.
        return std::nullopt;
    } else if (points + commas == 1) {
        const std::size_t sep = text.find_first_of(".,");
        integerPart = text.substr(0, sep);
        fractionPart = text.substr(sep + 1);
    }

    if (integerPart.empty() && fractionPart.empty())
        return std::nullopt;

    // The integer part is accumulated modulo 10^14 so any length of digits
    // is read in without overflow and keeps its low-order digits.
    std::int64_t whole = 0;
    for (char c : integerPart) {
        if (c == '.' && grouped)
            continue;
        if (!isDigit(c))
            return std::nullopt;
        whole = (whole * 10 + (c - '0')) % kIntegerModulus;
    }

    std::int64_t fraction = 0;
    int taken = 0;
    for (char c : fractionPart) {
        if (!isDigit(c))
            return std::nullopt;
        // Decimals past the fourth are validated but cut, never rounded.
        if (taken < kScale) {
            fraction = fraction * 10 + (c - '0');
            ++taken;
        }
    }
    fraction *= kPow10[kScale - taken];

    const std::int64_t units = whole * kOne + fraction;
    return Decimal(negative ? -units : units);
}

std::optional<Decimal> Decimal::parse(const QString &text)
{
    // trimmed() also drops Unicode blanks (no-break space from pasted text);
    // any non-ASCII left over is not a digit and is rejected below.
    const QByteArray bytes = text.trimmed().toUtf8();
    return parse(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

Decimal Decimal::parseOrZero(const QString &text)
{
    return parse(text).value_or(Decimal());
}

Decimal Decimal::operator+(Decimal other) const
{
    return Decimal(wrap(static_cast<Wide>(m_units) + other.m_units));
}

Decimal Decimal::operator-(Decimal other) const
{
    return Decimal(wrap(static_cast<Wide>(m_units) - other.m_units));
}

Decimal Decimal::operator-() const
{
    // |m_units| < 10^18, so negation never overflows.
    return Decimal(-m_units);
}

Decimal &Decimal::operator+=(Decimal other)
{
    *this = *this + other;
    return *this;
}

Decimal &Decimal::operator-=(Decimal other)
{
    *this = *this - other;
    return *this;
}

Decimal Decimal::mul(Decimal other, int decimals) const
{
    decimals = checkedDecimals(decimals);
    // Both operands are below 10^18 units, so the raw product (scale 8) stays
    // below 10^36 and fits in 128 bits before it is cut back.
    const Wide product = static_cast<Wide>(m_units) * other.m_units;
    const Wide atDecimals = product / kPow10[2 * kScale - decimals];
    return Decimal(wrap(atDecimals * kPow10[kScale - decimals]));
}

Decimal Decimal::div(Decimal other, int decimals) const
{
    decimals = checkedDecimals(decimals);
    // A zero divisor is a caller bug: debug builds stop on it, release builds
    // answer zero so a bad figure cannot take the till down mid-sale.
    assert(other.m_units != 0 && "Decimal::div by zero");
    if (other.m_units == 0)
        return Decimal();
    // Both operands share the 10^4 scale, so their ratio is the plain value;
    // scaling the dividend by 10^decimals first gives the cut quotient.
    const Wide quotient = static_cast<Wide>(m_units) * kPow10[decimals] / other.m_units;
    return Decimal(wrap(quotient * kPow10[kScale - decimals]));
}

Decimal Decimal::mulInt(std::int64_t factor) const
{
    return Decimal(wrap(static_cast<Wide>(m_units) * factor));
}

Decimal Decimal::divInt(std::int64_t divisor, int decimals) const
{
    decimals = checkedDecimals(decimals);
    // Same contract as div(): debug builds stop, release builds answer zero.
    assert(divisor != 0 && "Decimal::divInt by zero");
    if (divisor == 0)
        return Decimal();
    const Wide quotient = static_cast<Wide>(m_units) * kPow10[decimals] / (static_cast<Wide>(divisor) * kOne);
    return Decimal(wrap(quotient * kPow10[kScale - decimals]));
}

Decimal Decimal::cut(int decimals) const
{
    return Decimal(static_cast<std::int64_t>(cutUnits(m_units, checkedDecimals(decimals))));
}

Decimal Decimal::narrowed(int integerDigits, int decimals) const
{
    decimals = checkedDecimals(decimals);
    assert(integerDigits >= 0);
    if (integerDigits < 0)
        integerDigits = 0;
    if (integerDigits > kIntegerDigits)
        integerDigits = kIntegerDigits;

    const bool negative = m_units < 0;
    const std::int64_t magnitude = negative ? -m_units : m_units;
    const std::int64_t whole = (magnitude / kOne) % kPow10[integerDigits];
    const std::int64_t fraction = static_cast<std::int64_t>(cutUnits(magnitude % kOne, decimals));
    const std::int64_t kept = whole * kOne + fraction;
    return Decimal(negative ? -kept : kept);
}

QString Decimal::toSqlText(int decimals) const
{
    decimals = checkedDecimals(decimals);
    return spell(cut(decimals).m_units, decimals, '.', '\0');
}

QString Decimal::toDisplay(int decimals, bool thousands) const
{
    decimals = checkedDecimals(decimals);
    return spell(cut(decimals).m_units, decimals, ',', thousands ? '.' : '\0');
}

} // namespace qv
