#pragma once

#include "board/Totals.h"
#include "data/Status.h"
#include "data/Tables.h"
#include "platform/Decimal.h"
#include "platform/Record.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace qv {

// A position as the cashier reads and types it: table, slash, position
// ("012/01" for 1201).
inline QString positionLabel(int idMesa)
{
    return QStringLiteral("%1/%2")
        .arg(idMesa / 100, 3, 10, QLatin1Char('0'))
        .arg(idMesa % 100, 2, 10, QLatin1Char('0'));
}

// One observation of an item as the table shows it.
struct ShownObservation
{
    char kind = 'O'; // ObservationKind letter
    std::int64_t idObs = 0;
    QString text; // tab_Observacao.descricao, 20 characters
};

// A live item of the table on show, with the price it is charged at.
struct ShownItem
{
    std::int64_t idItem = 0;
    std::int64_t idProduto = 0;
    std::int64_t idComanda = 0;
    QString description; // as listed: trimmed, " - VIAGEM" for take-away
    Decimal price;       // unit price moved by observations and item discount
    QString waiterName;  // who launched it, trimmed
    QString orderedAt;   // horaPedido
    QString status;      // one letter
    int idDesconto = 0;
    Decimal manualDiscount;
    QString discountOperator; // trimmed
    bool takeAway = false;
    std::vector<ShownObservation> observations;
};

// A row of the item list: an item, or one of its observations (idItem 0).
struct ItemListRow
{
    std::int64_t idItem = 0;
    std::int64_t idComanda = 0;
    int item = -1;        // index into ShownTable::items of the item the row belongs to
    int observation = -1; // index of the observation, -1 for the item's own row
};

// The opening of a position as the cashier sees it: what a write on the
// position must still find when it is stored (see PositionGuard).
struct ShownOpening
{
    int idMesa = 0;
    QString openedAt; // horaAbertura of the reading
    bool blocked = false;
    bool split = false;
};

// The position on show as one reading (LERMESA) found it: its mov_Mesa row,
// its live items, the consolidated list and every total. The screen paints
// it; every command reads what it needs from here, never from a control.
struct ShownTable
{
    int idMesa = 0; // 0: no table on show
    Record row{tables::movMesa};
    std::vector<ShownItem> items;
    Consolidation consolidation;
    TableTotals totals;
    Decimal totalPrincipal; // Ds_TOTPRIN
    bool observationsVisible = false;

    int waiter = 0;
    QString waiterName;   // as stored, 20 characters
    int waiterIndex = -1; // in the session's operator list; -1 when not there
    bool waiterNameMismatch = false;

    QString openedAt; // horaAbertura
    QString timeOpen; // "HHh MMm"

    bool shown() const { return idMesa != 0; }
    int itemCount() const { return int(items.size()); }
    bool blocked() const { return holds(row.text("status"), TableStatus::Blocked); }
    bool serviceOn() const { return !totals.servicePercent.isZero(); }
    int people() const { return int(row.integer("qtdPessoas")); }
    bool split() const { return holds(row.text("dividida"), Flag::Yes); }
    ShownOpening opening() const { return {idMesa, openedAt, blocked(), split()}; }

    // The rows of the item list in order: each item, then its observations
    // (up to twenty) when they are visible.
    std::vector<ItemListRow> listRows() const;
};

} // namespace qv
