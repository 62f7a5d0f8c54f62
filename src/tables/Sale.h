#pragma once

#include "platform/Decimal.h"
#include "platform/Record.h"
#include "session/Session.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

// The widget-free half of closing an account: how a table position, its
// items and their kitchen records become the rows of a sale, and the small
// rules of the table commands that must hold whatever the screen shows.
namespace qv::sale {

// The waiter a name chosen in Cb_Operador stands for: the code of the last
// operator-list entry whose 20-character name equals the text (the text's
// first 20 characters, anything after them blank). A later equal entry
// wins. `fallback` when no entry matches.
int waiterFor(const std::vector<OperatorEntry> &operators, const QString &comboText, int fallback);

// Minutes of a TIMEDIFF result ("00:15:30", "838:59:59", "-01:02:03"):
// hours × 60 + minutes, seconds dropped, negative when it starts with "-".
int minutesOfTimeDiff(const QString &text);

// Kitchen times of one sale item, each "HH:MM:SS" ("00:00:00" = none).
struct KitchenTimes
{
    QString ready;     // P: the latest ready time of the table's kitchen orders
    QString collected; // Q: the waiter collected the item at the pass
    QString delivered; // R: the item reached the table
};

struct KitchenMinutes
{
    int toCollect = 0; // A: ready -> collected
    int toTable = 0;   // B: collected (or ready, when never collected) -> table
};

// The difference later − earlier as TIMEDIFF text; nullopt when it could not
// be computed (the closing then fails as a whole).
using TimeDiff = std::function<std::optional<QString>(const QString &later, const QString &earlier)>;

// Minutes A and B. Times are compared as 8-character text, so only the
// pairs that are really in order are ever subtracted.
std::optional<KitchenMinutes> kitchenMinutes(const KitchenTimes &times, const TimeDiff &diff);

// The business date of the period, DDMMYYYY as W-PABEDAT holds it, as the
// sale stores it: YYYYMMDD.
QString saleDate(const QString &ddmmyyyy);

// Everything the sale header takes from the table, the session and the
// payment module.
struct SaleHeader
{
    int idMesa = 0;
    QString businessDate; // DDMMYYYY
    int period = 0;       // W-NRTURNO
    int desk = 0;         // W-NRCAIXA
    int people = 0;
    int waiter = 0;
    QString openedAt;         // horaAbertura of the table
    QString closedAt;         // the server's CURTIME()
    QString receipt;          // W-TAB-RECEBIM, 350 characters
    Decimal tip;              // W-TAB-REPIQUE
    Decimal products;         // Ds_TOTPROD
    int discountKind = 0;     // Ds_CODIDES
    Decimal manualDiscount;   // Ed_DESCMANT
    QString discountOperator; // Ds_OPERDES
    Decimal serviceValue;     // Ds_VALOSER
    Decimal returnedService;  // W-TAB-SERVICO
    Decimal tableTotal;       // Ds_TOTMESA
};

// Fills a mov_Vendas record (tables::movVendas). The fee the table carried
// wins over a service amount taken by the payment module; the total always
// adds what the payment module took as service.
void fillSale(Record &sale, const SaleHeader &header);

// Fills a mov_VendasItem record from a mov_MesaItem row and the item's
// mov_Cozinha row (zeros and blanks when it has none).
void fillSaleItem(Record &saleItem, std::int64_t idVenda, int sequence, const Record &item, const Record &kitchen,
                  const KitchenMinutes &minutes);

// Fills a mov_VendasItemObs record from a mov_MesaItemObs row.
void fillSaleObservation(Record &saleObservation, std::int64_t idVenda, int sequence, const Record &observation);

// Whether an item status counts as cancelled in the sale: "C" (here) or
// "K" (by another module).
bool cancelled(const QString &status);

} // namespace qv::sale
