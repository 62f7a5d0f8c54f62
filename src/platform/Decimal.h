#pragma once

#include <QString>

#include <compare>
#include <cstdint>
#include <optional>
#include <string_view>

namespace qv {

// Exact fixed-point number with 14 integer and 4 decimal digits, the
// precision of every numeric form field of the cash-desk screens.
//
// Money never touches floating point. Products and quotients are cut
// (truncated toward zero) to the decimals asked for, never rounded, and a
// result that outgrows 14 integer digits keeps its low-order digits, the way
// a fixed-width numeric field of the old runtime did.
class Decimal
{
public:
    static constexpr int kScale = 4;            // decimals carried
    static constexpr int kIntegerDigits = 14;   // integer digits carried
    static constexpr std::int64_t kOne = 10000; // 10^kScale

    constexpr Decimal() = default;

    // From a whole number (kept to its low-order 14 digits).
    static Decimal fromInt(std::int64_t value);
    // From a count of 1/10000 units.
    static Decimal fromUnits(std::int64_t units);
    // From a count of cents.
    static Decimal fromCents(std::int64_t cents);
    // Parses "123", "-12.5", "12,50", " 7.0001 " (point or comma as separator).
    // Digits past the fourth decimal are cut. Anything else is nullopt.
    static std::optional<Decimal> parse(std::string_view text);
    static std::optional<Decimal> parse(const QString &text);
    static std::optional<Decimal> parse(const char *text) { return parse(std::string_view(text)); }
    // Like parse(), but blank or malformed text reads as zero, the way an
    // empty numeric field reads.
    static Decimal parseOrZero(const QString &text);

    std::int64_t units() const { return m_units; }
    // Whole part, cut toward zero.
    std::int64_t toInt() const { return m_units / kOne; }
    // Value in cents, cut toward zero.
    std::int64_t cents() const { return m_units / (kOne / 100); }
    bool isZero() const { return m_units == 0; }
    bool isNegative() const { return m_units < 0; }

    Decimal operator+(Decimal other) const;
    Decimal operator-(Decimal other) const;
    Decimal operator-() const;
    Decimal &operator+=(Decimal other);
    Decimal &operator-=(Decimal other);

    // Product and quotient, exact, then cut to `decimals` (0..4).
    Decimal mul(Decimal other, int decimals = kScale) const;
    Decimal div(Decimal other, int decimals = kScale) const; // other must not be zero
    Decimal mulInt(std::int64_t factor) const;
    Decimal divInt(std::int64_t divisor, int decimals = kScale) const;

    // Cut to `decimals` (0..4) toward zero.
    Decimal cut(int decimals) const;
    // The value a field of `integerDigits` integer and `decimals` decimal
    // digits would hold: the low-order integer digits and the leading
    // decimals are kept, the rest is dropped. Sign kept.
    Decimal narrowed(int integerDigits, int decimals) const;

    // Plain text with exactly `decimals` decimals (cut), '.' as separator,
    // '-' in front when negative: the form the database takes and gives.
    QString toSqlText(int decimals) const;
    // Brazilian display form: thousands with '.', decimals with ',':
    // "1.234,50". `decimals` digits after the comma (cut).
    QString toDisplay(int decimals = 2, bool thousands = true) const;

    friend auto operator<=>(const Decimal &, const Decimal &) = default;
    friend bool operator==(const Decimal &, const Decimal &) = default;

private:
    constexpr explicit Decimal(std::int64_t units) : m_units(units) {}
    static std::int64_t wrap(__int128 units);

    std::int64_t m_units = 0; // value × 10^4
};

} // namespace qv
