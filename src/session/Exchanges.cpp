#include "session/Exchanges.h"

#include "platform/SharedRecords.h"

#include <algorithm>

namespace qv::exchange {

namespace {

// The zoned fields carry no sign.
std::uint64_t unsignedOf(std::int64_t value)
{
    return value < 0 ? 0 : std::uint64_t(value);
}

// Cents cut toward zero, as every amount of the suite is cut.
std::uint64_t centsOf(Decimal amount)
{
    return amount.isNegative() ? 0 : std::uint64_t(amount.cents());
}

Decimal amountOf(std::uint64_t cents)
{
    return Decimal::fromCents(std::int64_t(cents));
}

char flag(int at)
{
    return records::L_LINK().at(at);
}

void setFlag(int at, char value)
{
    records::L_LINK().setAt(at, value);
}

// The date records are DDMMYYYY.
constexpr int kDayFrom = 1, kMonthFrom = 3, kYearFrom = 5;
constexpr int kDayLength = 2, kMonthLength = 2, kYearLength = 4;

} // namespace

// ---------------------------------------------------------------------------
// Session

void SessionVariables::write(const QString &line)
{
    records::W_VARS_SQL().setText(line.left(kLength));
}

QString SessionVariables::operatorName()
{
    return records::W_VARS_SQL().text(kOperatorNameFrom, kOperatorNameLength);
}

int SessionVariables::operatorCode()
{
    return int(records::W_VARS_SQL().digits(kOperatorCodeFrom, kOperatorCodeDigits));
}

int DeskSession::period()
{
    return int(records::W_NRTURNO().digits());
}

void DeskSession::setPeriod(int period)
{
    records::W_NRTURNO().setDigits(unsignedOf(period));
}

int DeskSession::desk()
{
    return int(records::W_NRCAIXA().digits());
}

void DeskSession::setDesk(int desk)
{
    records::W_NRCAIXA().setDigits(unsignedOf(desk));
}

void DeskSession::setOpening(const Opening &opening)
{
    records::W_PABEDAT().setText(opening.periodDate);
    records::W_PABEHOR().setText(opening.periodTime);
    records::W_CABEDAT().setText(opening.deskDate);
    records::W_CABEHOR().setText(opening.deskTime);
}

QString DeskSession::periodDate()
{
    return records::W_PABEDAT().text();
}

QString DeskSession::deskDate()
{
    return records::W_CABEDAT().text();
}

namespace {
QString sortable(const SharedRecord &date)
{
    return date.text(kYearFrom, kYearLength) + date.text(kMonthFrom, kMonthLength) + date.text(kDayFrom, kDayLength);
}

QString shown(const SharedRecord &date)
{
    return date.text(kDayFrom, kDayLength) + QLatin1Char('/') + date.text(kMonthFrom, kMonthLength) + QLatin1Char('/')
           + date.text(kYearFrom, kYearLength);
}
} // namespace

QString DeskSession::periodDateSortable()
{
    return sortable(records::W_PABEDAT());
}

QString DeskSession::periodDateShown()
{
    return shown(records::W_PABEDAT());
}

QString DeskSession::deskDateSortable()
{
    return sortable(records::W_CABEDAT());
}

QString DeskSession::deskDateShown()
{
    return shown(records::W_CABEDAT());
}

// ---------------------------------------------------------------------------
// Open table

void OpenTableExchange::write(const Request &request)
{
    writePosition(request.position);
    setFlag(kFlag, ' ');
}

void OpenTableExchange::writePosition(int position)
{
    records::W_VARS_SQL().setDigits(kPositionFrom, kPositionDigits, unsignedOf(position));
}

OpenTableExchange::Answer OpenTableExchange::read()
{
    return Answer{flag(kFlag) == kOpened};
}

OpenTableExchange::Request OpenTableExchange::request()
{
    return Request{int(records::W_VARS_SQL().digits(kPositionFrom, kPositionDigits))};
}

void OpenTableExchange::answer(const Answer &answer)
{
    setFlag(kFlag, answer.opened ? kOpened : ' ');
}

// ---------------------------------------------------------------------------
// Table chooser

void TableChooserExchange::write(const Request &request)
{
    SharedRecord &vars = records::W_VARS_SQL();
    vars.setDigits(kLowestFrom, kBoundDigits, unsignedOf(request.lowest));
    vars.setDigits(kHighestFrom, kBoundDigits, unsignedOf(request.highest));
}

TableChooserExchange::Answer TableChooserExchange::read()
{
    return Answer{int(records::W_VARS_SQL().digits(kChosenFrom, kBoundDigits))};
}

TableChooserExchange::Request TableChooserExchange::request()
{
    const SharedRecord &vars = records::W_VARS_SQL();
    return Request{int(vars.digits(kLowestFrom, kBoundDigits)), int(vars.digits(kHighestFrom, kBoundDigits))};
}

void TableChooserExchange::answer(const Answer &answer)
{
    records::W_VARS_SQL().setDigits(kChosenFrom, kBoundDigits, unsignedOf(answer.chosen));
}

// ---------------------------------------------------------------------------
// Discount search and the include frame's product

void DiscountSearchExchange::write()
{
    records::L_LINK().setDigits(kCodeFrom, kCodeDigits, 0);
}

DiscountSearchExchange::Answer DiscountSearchExchange::read()
{
    const SharedRecord &link = records::L_LINK();
    return Answer{int(link.digits(kCodeFrom, kCodeDigits)), int(link.digits(kKindFrom, kKindDigits))};
}

void DiscountSearchExchange::answer(int code)
{
    records::L_LINK().setDigits(kCodeFrom, kCodeDigits, unsignedOf(code));
}

void ProductCodeExchange::write(int code)
{
    records::L_LINK().setDigits(kCodeFrom, kCodeDigits, unsignedOf(code));
}

int ProductCodeExchange::read()
{
    return int(records::L_LINK().digits(kCodeFrom, kCodeDigits));
}

// ---------------------------------------------------------------------------
// Payment

void PaymentExchange::clearReturns()
{
    records::W_TAB_REPIQUE().setDigits(0);
    records::W_TAB_SERVICO().setDigits(0);
}

void PaymentExchange::write(const Request &request)
{
    SharedRecord &link = records::L_LINK();
    records::W_TAB_RECEBIM().blank();
    link.setAt(kFlag, kRequested);
    link.setDigits(kTotalFrom, kTotalDigits, centsOf(request.total));
    // The module shares the code field with the searches: it starts empty.
    link.setDigits(kLinkCodeFrom, kLinkCodeDigits, 0);
    records::W_TAB_TAXASER().setDigits(centsOf(request.servicePercent));
}

void PaymentExchange::writeSplitReceipt()
{
    records::W_TAB_RECEBIM().setText(QString(kReceiptLength, QLatin1Char('0')));
}

PaymentExchange::Answer PaymentExchange::read()
{
    return Answer{flag(kFlag) != kNothingPaid, records::W_TAB_RECEBIM().text(),
                  amountOf(records::W_TAB_REPIQUE().digits()), amountOf(records::W_TAB_SERVICO().digits())};
}

PaymentExchange::Request PaymentExchange::request()
{
    return Request{amountOf(records::L_LINK().digits(kTotalFrom, kTotalDigits)),
                   amountOf(records::W_TAB_TAXASER().digits())};
}

void PaymentExchange::answer(const Answer &answer)
{
    if (!answer.paid) {
        // Abandoned: the caller looks at nothing else.
        setFlag(kFlag, kNothingPaid);
        return;
    }
    records::W_TAB_RECEBIM().setText(answer.receipt);
    records::W_TAB_REPIQUE().setDigits(centsOf(answer.tip));
    records::W_TAB_SERVICO().setDigits(centsOf(answer.returnedService));
    setFlag(kFlag, kPaid);
}

// ---------------------------------------------------------------------------
// Split

void SplitExchange::write(const Request &request)
{
    records::W_VARS_SQL().setDigits(kPositionFrom, kPositionDigits, unsignedOf(request.position));
    records::W_TAB_TOTMESA().setDigits(centsOf(request.amount));
    setFlag(kFlag, ' ');
}

SplitExchange::Answer SplitExchange::read()
{
    Answer answer;
    answer.split = flag(kFlag) == kSplit;
    if (!answer.split)
        return answer;
    const SharedRecord &link = records::L_LINK();
    const int table = request().position / 100;
    const int count = std::min(int(link.digits(kCountFrom, kCountDigits)), kMaxPoints);
    for (int i = 0; i < count; ++i)
        answer.positions.push_back(table * 100 + int(link.digits(kPointsFrom + i * kPointDigits, kPointDigits)));
    return answer;
}

SplitExchange::Request SplitExchange::request()
{
    return Request{int(records::W_VARS_SQL().digits(kPositionFrom, kPositionDigits)),
                   amountOf(records::W_TAB_TOTMESA().digits(1, kAmountDigits))};
}

void SplitExchange::answer(const Answer &answer)
{
    SharedRecord &link = records::L_LINK();
    // Without positions the list is left alone: only the flag changes.
    const int count = answer.split ? std::min(int(answer.positions.size()), kMaxPoints) : 0;
    if (count > 0) {
        link.setDigits(kCountFrom, kCountDigits, unsignedOf(count));
        for (int i = 0; i < count; ++i)
            link.setDigits(kPointsFrom + i * kPointDigits, kPointDigits,
                           unsignedOf(answer.positions[std::size_t(i)] % 100));
    }
    setFlag(kFlag, answer.split ? kSplit : ' ');
}

// ---------------------------------------------------------------------------
// Reports

void ReportExchange::write(const Request &request)
{
    SharedRecord &vars = records::W_VARS_SQL();
    vars.setDigits(kPeriodAt, 1, unsignedOf(request.period));
    if (request.desk)
        vars.setDigits(kDeskAt, 1, unsignedOf(*request.desk));
    setFlag(kKindAt, request.kind);
}

ReportExchange::Request ReportExchange::request()
{
    const SharedRecord &vars = records::W_VARS_SQL();
    return Request{flag(kKindAt), int(vars.digits(kPeriodAt, 1)), int(vars.digits(kDeskAt, 1))};
}

// ---------------------------------------------------------------------------
// Item edit

void ItemEditExchange::write(const Selection &selection)
{
    records::W_INCREME().setDigits(unsignedOf(selection.idItem));
    records::W_COMANDA().setDigits(unsignedOf(selection.comanda));
}

ItemEditExchange::Selection ItemEditExchange::read()
{
    return Selection{std::int64_t(records::W_INCREME().digits()), std::int64_t(records::W_COMANDA().digits())};
}

void ItemEditExchange::writeNewItem(int position)
{
    records::W_INCREME().setDigits(0);
    records::W_VARS_SQL().setDigits(kWorkedPositionFrom, kWorkedPositionDigits, unsignedOf(position));
}

} // namespace qv::exchange
