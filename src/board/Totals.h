#pragma once

#include "platform/Decimal.h"

#include <QString>

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

namespace qv {

// The price of an item as the table is charged: the unit price, plus or
// minus its observations' values, then the item discount cut to the cent.
struct PriceAdjustment
{
    // Observation kinds 'C' (add valorCom), 'S' (subtract valorSem),
    // 'O' (add valorObs), with the three values of the observation.
    static Decimal observation(Decimal price, char kind, Decimal valorCom, Decimal valorSem, Decimal valorObs);
    // price × (100 − percent) / 100 cut to two decimals: with P the price in
    // cents and R the percent in hundredths, D = trunc(P×R/100) and the new
    // price is trunc((P×100 − D)/100) cents.
    static Decimal discount(Decimal price, Decimal percent);
};

// The totals of a table position, from the sums over its live items.
struct TableTotals
{
    // Inputs
    Decimal products;        // Ds_TOTPROD, sum of adjusted prices
    Decimal discountPercent; // Ds_PERCDES
    Decimal manualDiscount;  // Ed_DESCMANT
    Decimal servicePercent;  // Ds_TAXASER
    Decimal takeAway;        // Ds_TOTVIAG
    int people = 0;          // Ed_QTDEPES

    // Results, every product and quotient cut, never rounded.
    Decimal discountValue;    // Ds_VALODES = TP × PD / 100
    Decimal subtotal;         // Ds_SUBTOTA = TP − Ds_VALODES − DM
    Decimal takeAwayDiscount; // TV × PD / 100, cut to the cent
    Decimal takeAwayNet;      // Ds_VIAGLIQ = TV − take-away discount
    Decimal serviceValue;     // Ds_VALOSER = (Ds_SUBTOTA + DM − Ds_VIAGLIQ) × TS / 100
    Decimal tableTotal;       // Ds_TOTMESA = Ds_SUBTOTA + Ds_VALOSER
    bool hasPerPerson = false;
    Decimal perPerson; // Ed_VALOPES = Ds_TOTMESA / N; none when N = 0

    void compute();
};

// The service value the fee switch puts on a table: charged on the same base
// the table reading uses, so what the cashier sees is what is charged.
Decimal serviceOn(Decimal subtotal, Decimal manualDiscount, Decimal takeAwayNet, Decimal percent);

// How long a table has been open, "HHh MMm", from two HH:MM[:SS] times.
// Seconds are ignored; a table opened before midnight and seen after it
// counts the hours across midnight (23:50 → 00:10 is 00h 20m).
QString timeOpen(const QString &opened, const QString &now);

// The consolidated list: items grouped by product code and adjusted price,
// in the order of that key.
class Consolidation
{
public:
    struct Line
    {
        QString description;
        int count = 0;
    };
    using Key = std::pair<std::int64_t, Decimal>;

    void clear() { m_lines.clear(); }
    void add(std::int64_t product, Decimal price, const QString &description);
    const std::map<Key, Line> &lines() const { return m_lines; }

private:
    std::map<Key, Line> m_lines;
};

} // namespace qv
