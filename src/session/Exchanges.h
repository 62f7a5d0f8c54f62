#pragma once

#include "platform/Decimal.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

// What this program and the dialogs and sibling modules of the suite hand
// each other. They share nothing but the bytes of the shared records, so a
// position written one byte off is a silent wrong answer on the other side:
// every position lives here, once, as a named constant, and the callers deal
// in typed requests and answers. Both sides go through the same codec, since
// this program's stand-in dialogs are the other side of the exchange.
//
// Amounts travel as unsigned zoned cents: a negative amount goes as zero and
// only the low-order digits that fit the field are kept, as the suite's
// modules have always read them.
namespace qv::exchange {

// The session variables the menu program leaves in W-VARS-SQL: who is
// logged in.
struct SessionVariables
{
    static constexpr int kLength = 42;
    static constexpr int kOperatorNameFrom = 1;
    static constexpr int kOperatorNameLength = 20;
    static constexpr int kOperatorCodeFrom = 21;
    static constexpr int kOperatorCodeDigits = 2;

    // The shared-variables line; only its first 42 characters fit.
    static void write(const QString &line);
    // Blank-padded to its 20 characters.
    static QString operatorName();
    static int operatorCode();
};

// The period, the cash desk and when they were opened, as the cash-desk
// choice leaves them for every module (W-NRTURNO, W-NRCAIXA, W-PABEDAT,
// W-PABEHOR, W-CABEDAT, W-CABEHOR).
struct DeskSession
{
    struct Opening
    {
        QString periodDate; // DDMMYYYY
        QString periodTime;
        QString deskDate; // DDMMYYYY
        QString deskTime;
    };

    static int period(); // 1 lunch, 2 dinner
    static void setPeriod(int period);
    static int desk(); // 0 until one is chosen
    static void setDesk(int desk);
    static void setOpening(const Opening &opening);
    // The business date of the period, DDMMYYYY: the date of its sales,
    // whatever day the desk was opened on; YYYYMMDD the way sales keep it,
    // DD/MM/YYYY as the cashier reads it.
    static QString periodDate();
    static QString periodDateSortable();
    static QString periodDateShown();
    // The opening date of the cash desk: DDMMYYYY as stored, YYYYMMDD the
    // way sales keep dates, DD/MM/YYYY as the cashier reads it.
    static QString deskDate();
    static QString deskDateSortable();
    static QString deskDateShown();
};

// W-VARS-SQL 23-27: the position worked on, where the open-table dialog
// and the modules that read the table find it.
constexpr int kWorkedPositionFrom = 23;
constexpr int kWorkedPositionDigits = 5;

// "99-AbreMesa": the position to open goes in W-VARS-SQL, the dialog's
// verdict comes back in the common flag of L-LINK.
struct OpenTableExchange
{
    static constexpr int kPositionFrom = kWorkedPositionFrom;
    static constexpr int kPositionDigits = kWorkedPositionDigits;
    static constexpr int kFlag = 312; // L-LINK
    static constexpr char kOpened = 'S';

    struct Request
    {
        int position = 0; // idMesa
    };
    struct Answer
    {
        bool opened = false;
    };

    // Caller: the position and a blank flag, so an 'S' left by an earlier
    // dialog is not taken for this opening.
    static void write(const Request &request);
    // Caller that reads the row again instead of the flag (the transfer):
    // the position only, the flag stays as it is.
    static void writePosition(int position);
    static Answer read();
    // Dialog.
    static Request request();
    static void answer(const Answer &answer);
};

// "99-Mesa", the table chooser: the bounds of the table's positions go in,
// the chosen position comes back over the lower bound.
struct TableChooserExchange
{
    static constexpr int kLowestFrom = 33; // W-VARS-SQL
    static constexpr int kHighestFrom = 38;
    static constexpr int kBoundDigits = 5;
    static constexpr int kChosenFrom = kLowestFrom;

    struct Request
    {
        int lowest = 0;
        int highest = 0;
    };
    struct Answer
    {
        int chosen = 0; // idMesa; 0 when the chooser was left without a choice
    };

    static void write(const Request &request);
    static Answer read();
    static Request request();
    static void answer(const Answer &answer);
};

// L-LINK 26-31: six digits where the discount search answers and where the
// include frame keeps the product it is working on.
constexpr int kLinkCodeFrom = 26;
constexpr int kLinkCodeDigits = 6;

// "99-Lissor", the discount search. Its answer is the six-digit code of the
// chosen discount, of which the last two digits are the discount kind
// (idDesconto, two digits wherever it is stored).
struct DiscountSearchExchange
{
    static constexpr int kCodeFrom = kLinkCodeFrom;
    static constexpr int kCodeDigits = kLinkCodeDigits;
    static constexpr int kKindFrom = 30;
    static constexpr int kKindDigits = 2;

    struct Answer
    {
        int code = 0; // 0 when nothing was chosen
        int kind = 0; // idDesconto
        bool chosen() const { return code != 0; }
    };

    // Caller: "000000", so leaving without a choice reads as none.
    static void write();
    static Answer read();
    // Dialog: the chosen code, 0 for none.
    static void answer(int code);
};

// The include frame's product: the code picked in its list or being looked
// up, in the place the suite's product search leaves its answer.
struct ProductCodeExchange
{
    static constexpr int kCodeFrom = kLinkCodeFrom;
    static constexpr int kCodeDigits = kLinkCodeDigits;

    static void write(int code); // 0 = none
    static int read();
};

// "99-Fennoc", the payment module: the amount and the table's fee go in;
// the receipt, the tip and the service amount it took come back, with the
// flag saying whether anything was paid.
struct PaymentExchange
{
    static constexpr int kFlag = 312; // L-LINK
    static constexpr int kTotalFrom = 301;
    static constexpr int kTotalDigits = 11; // 9 integer digits and 2 decimals
    static constexpr char kRequested = 'M';
    static constexpr char kPaid = 'S';
    static constexpr char kNothingPaid = ' ';
    // W-TAB-TAXASER (2 + 2 digits), W-TAB-REPIQUE and W-TAB-SERVICO (5 + 2
    // digits) are whole records of their own.
    static constexpr int kReceiptLength = 350; // W-TAB-RECEBIM

    struct Request
    {
        Decimal total;          // what the table owes, fee included
        Decimal servicePercent; // the table's fee, 10.00 for 10 %
    };
    struct Answer
    {
        bool paid = false;
        QString receipt; // 350 characters (docs/PAYMENT.md)
        Decimal tip;
        Decimal returnedService;
    };

    // Caller: before a closing, with or without the module, so a tip or a
    // service amount of an earlier closing never reaches this sale.
    static void clearReturns();
    // Caller: the request, the flag "M", a blank receipt and a zero code.
    static void write(const Request &request);
    // Caller: a split position is written without the module; its receipt
    // is all zeros, which reads as nothing paid.
    static void writeSplitReceipt();
    // paid is true for anything but a blank flag: only abandoning blanks it.
    static Answer read();
    // Module.
    static Request request();
    // Paid: receipt, tip, service and "S". Not paid: the blank flag only.
    static void answer(const Answer &answer);
};

// "99-Divide", the split dialog: the position and the amount to share go
// in; the positions the cashier chose to share the bill come back, with
// their count and the flag. The dialog only chooses: the caller writes the
// shares once it has closed, so no transaction waits on the cashier.
struct SplitExchange
{
    static constexpr int kPositionFrom = 33; // W-VARS-SQL
    static constexpr int kPositionDigits = 5;
    static constexpr int kAmountDigits = 7; // W-TAB-TOTMESA: 5 + 2 digits
    static constexpr int kFlag = 312;       // L-LINK
    static constexpr char kSplit = 'S';
    // L-LINK: how many positions were chosen, then the point (the last two
    // digits of idMesa) of each, in list order. Every chosen position is of
    // the same table as the one being split, so the point says which.
    static constexpr int kCountFrom = 313;
    static constexpr int kCountDigits = 2;
    static constexpr int kPointsFrom = 101;
    static constexpr int kPointDigits = 2;
    static constexpr int kMaxPoints = 98; // points 01 to 99 but the one split

    struct Request
    {
        int position = 0;
        Decimal amount;
    };
    struct Answer
    {
        bool split = false;
        // idMesa of every chosen position; empty unless split.
        std::vector<int> positions;
    };

    // Caller: the request and a blank flag.
    static void write(const Request &request);
    // The chosen positions are of the table of the request.
    static Answer read();
    static Request request();
    // Dialog: split with the positions chosen (at most kMaxPoints), or not.
    static void answer(const Answer &answer);
};

// "15-Pemrick", the reports: which report, for which period and desk.
struct ReportExchange
{
    static constexpr int kPeriodAt = 31; // W-VARS-SQL, one digit
    static constexpr int kDeskAt = 32;   // W-VARS-SQL, one digit
    static constexpr int kKindAt = 312;  // L-LINK
    static constexpr char kClosedTables = 'M';
    static constexpr char kCommissions = 'C';
    static constexpr char kMenuMix = 'P';

    struct Request
    {
        char kind = ' ';
        int period = 0;
        // Without a desk the byte is left as it is: the menu mix covers
        // every desk. Always read back.
        std::optional<int> desk;
    };

    static void write(const Request &request);
    static Request request();
};

// The item a double click edits and its comanda, for the include frame and
// the print menu's reprints (W-INCREME, W-COMANDA).
struct ItemEditExchange
{
    struct Selection
    {
        std::int64_t idItem = 0; // 0: an observation row or a new item
        std::int64_t comanda = 0;
    };

    static void write(const Selection &selection);
    static Selection read();
    // A new item on `position`: nothing selected to edit, and the position
    // where the sibling modules look for the table worked on.
    static void writeNewItem(int position);
};

} // namespace qv::exchange
