#pragma once

#include "platform/Decimal.h"
#include "platform/Sql.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace qv {

// The figures the managers read about a period's closed accounts: the
// closed tables of a desk, the service per waiter, the products sold and
// the overview of the whole house.
//
// A split account is one bill with two kinds of sales behind it: the split
// position's own sale holds the dishes served but took no payment (its
// receipt is all zeros), and each share was paid as an item of product
// 999999 in the sale of another position. Every figure counts such an
// account once: accounts, people and money from the sales that took a
// payment, dishes from the sales that hold them, never the share items.
// A cancelled sale took no money and counts nowhere.
class SalesFigures
{
public:
    explicit SalesFigures(Sql &sql);

    // The business date (YYYYMMDD) and period the sales carry.
    struct Period
    {
        QString date;
        int period = 0;
    };

    struct ClosedTable
    {
        int table = 0;
        int position = 0;
        int people = 0;
        QString waiter;
        QString opened;
        QString closed;
        Decimal total;
        bool split = false; // listed, but neither its money nor its people count
    };
    struct ClosedTables
    {
        std::vector<ClosedTable> rows;
        int accounts = 0;
        std::int64_t people = 0;
        Decimal total;
    };
    // One line of the commissions or the menu mix: a code, a name, how
    // many (accounts or units) and how much (service or product value).
    struct Line
    {
        std::int64_t code = 0;
        QString name;
        std::int64_t count = 0;
        Decimal value;
    };
    struct Lines
    {
        std::vector<Line> rows;
        std::int64_t count = 0;
        Decimal total;
    };
    struct OpenPosition
    {
        int idMesa = 0;
        QString status;
        int people = 0;
        QString waiter;
        QString opened;
    };
    struct Overview
    {
        std::vector<OpenPosition> open; // every position not free, whatever period opened it
        int tables = 0;                 // tables with at least one of them
        std::int64_t accounts = 0;      // accounts closed in the period, every desk
        Decimal total;                  // the money they took
    };

    // Each read gives nothing when the database failed; error() then says
    // what the server answered.
    std::optional<ClosedTables> closedTables(const Period &period, int desk);
    std::optional<Lines> commissions(const Period &period, int desk);
    std::optional<Lines> menuMix(const Period &period);
    std::optional<Overview> overview(const Period &period);

    const DbError &error() const { return m_error; }

private:
    template <typename Row>
    bool readAll(std::string_view text, SqlParams in, const Layout &layout, Row &&addRow);
    std::optional<Lines> lines(std::string_view text, SqlParams in, const Layout &layout);

    Sql &m_sql;
    DbError m_error;
};

} // namespace qv
