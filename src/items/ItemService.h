#pragma once

#include "data/Status.h"

#include "board/PositionGuard.h"
#include "board/ShownTable.h"
#include "data/Outcome.h"
#include "platform/Decimal.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace qv {

class Record;
class Sql;
class SqlResult;

// An observation chosen for an item: its kind letter ('C' com, 'S' sem,
// 'O' observação), its code, its catalogue text and what it adds to the
// price for that kind.
struct ChosenObservation
{
    char kind = letterOf(ObservationKind::Free);
    int idObs = 0;
    QString description; // tab_Observacao.descricao as stored; blank when it is no longer there
    Decimal value;
};

// Launching and editing the items of a table without the screen: the
// product lookup, the reads the include frame shows, and the writes of a
// new or an edited item. Every write is whole or nothing.
class ItemService
{
public:
    explicit ItemService(Sql &sql);

    // A product found by its code.
    struct Product
    {
        int code = 0;
        QString description; // trimmed
        Decimal price;       // valorVenda: what the item is charged
        bool allowsJa = true;
    };
    // A product listed by a description search.
    struct ListedProduct
    {
        int code = 0;
        QString description; // trimmed
        Decimal menuPrice;   // valorCardapio
    };
    struct Lookup
    {
        enum class Result {
            Nothing,  // nothing typed
            Found,    // `product` holds it
            Inactive, // refused: `outcome` says so
            Unknown,  // no such code; `outcome` tells a failed read apart
            Listed,   // a description: `listed` (possibly empty)
            Failed,   // the product list could not be read: the screen ends
        };
        Result result = Result::Nothing;
        int code = 0; // the code a code text names (Found, Inactive, Unknown)
        Product product;
        std::vector<ListedProduct> listed;
        Outcome outcome;
    };
    // LERPRO: what the cashier typed in the product field, as a code or as
    // part of a description.
    Lookup LERPRO(const QString &typed);

    // The item as it was launched, to be edited.
    struct StoredItem
    {
        std::int64_t idItem = 0;
        int idMesa = 0;
        int productCode = 0;
        QString description; // of the product, trimmed
        Decimal price;       // valorUnitario
        Decimal manualDiscount;
        int discountKind = 0; // 0: none
        QString discountDescription;
        QString discountOperator; // trimmed
        std::vector<ChosenObservation> observations;
    };
    struct [[nodiscard]] EditRead
    {
        Outcome outcome; // done, or why the frame must not open
        StoredItem item;
    };
    // CARITEM's reading: the item, its product, its discount kind and its
    // observations. An item no longer on the table is refused (and the
    // table is read again).
    EditRead readItem(std::int64_t idItem);

    // An observation of the catalogue, for the kind chosen.
    struct [[nodiscard]] ObservationRead
    {
        Outcome outcome;
        ChosenObservation observation;
    };
    ObservationRead observation(char kind, int idObs);

    // The discount kind `kind` the discount search named with `code`.
    struct [[nodiscard]] DiscountRead
    {
        Outcome outcome;
        QString description; // trimmed
    };
    DiscountRead discountKind(int code, int kind);

    // The checks of a confirmation: at least one unit, and a manual discount
    // per unit that may take the whole price and no more.
    enum class Invalid {
        Nothing,
        Quantity,
        Discount
    };
    static Invalid check(int quantity, const std::optional<Decimal> &manualDiscount, Decimal price);
    static Outcome refusal(Invalid invalid);

    struct NewItem
    {
        ShownOpening shown; // the position on show when the frame opened
        int productCode = 0;
        Decimal price;
        int quantity = 1;
        bool discountChosen = false; // a discount code was given
        int discountKind = 0;
        Decimal manualDiscount;
        QString discountOperator; // who gave the discount, as shown
        int idOperador = 0;       // who launches it
        std::vector<ChosenObservation> observations;
    };
    // INSITEM's confirmation: one row per unit, each with its own copy of
    // the observations, all with one order time. Only on the opening shown
    // (PositionGuard), never on a position freed, reopened or blocked
    // elsewhere meanwhile: the next guests must not find it on their bill.
    Outcome INSITEM(const NewItem &item);

    struct EditedItem
    {
        std::int64_t idItem = 0;
        ShownOpening shown; // the position on show when the frame opened
        int discountKind = 0;
        Decimal manualDiscount;
        QString discountOperator;
        std::vector<ChosenObservation> observations;
        // What the edit frame was filled from (readItem): the edit replaces
        // the discount and every observation, so it must not replace those
        // another terminal changed since. Without it only the item's place
        // is checked.
        std::optional<StoredItem> asRead;
    };
    // CARITEM's confirmation: the observations are written again and the
    // discount columns set. An item removed, cancelled or moved meanwhile,
    // or a position no longer the opening shown, is refused whole.
    Outcome CARITEM(const EditedItem &item);

    // What an observation adds to the price for its kind.
    static Decimal observationValue(char kind, const Record &observation);

private:
    Outcome writeFailure(const QString &what) const;
    // Under the item's lock: its discount and observations still as read.
    std::optional<Outcome> stillAsRead(const StoredItem &read, const std::function<Outcome()> &failed);
    Outcome writeFailure(const QString &what, const SqlResult &result) const;

    Sql &m_sql;
    PositionGuard m_guard;
};

} // namespace qv
