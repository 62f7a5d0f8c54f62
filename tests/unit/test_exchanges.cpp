#include "platform/SharedRecords.h"
#include "session/Exchanges.h"

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <utility>

using namespace qv;
using namespace qv::exchange;

namespace {

Decimal d(const char *text)
{
    return *Decimal::parse(text);
}

constexpr char kFiller = '#';

// Every record the exchanges touch starts as filler, so a byte written
// where it does not belong shows.
void fillAll()
{
    for (SharedRecord *r :
         {&records::W_VARS_SQL(), &records::L_LINK(), &records::W_TAB_TOTMESA(), &records::W_TAB_TAXASER(),
          &records::W_TAB_SERVICO(), &records::W_TAB_REPIQUE(), &records::W_TAB_RECEBIM(), &records::W_INCREME(),
          &records::W_COMANDA(), &records::W_NRTURNO(), &records::W_NRCAIXA(), &records::W_PABEDAT(),
          &records::W_PABEHOR(), &records::W_CABEDAT(), &records::W_CABEHOR()})
        r->setText(QString(r->length(), QLatin1Char(kFiller)));
}

// The record is filler except for the given (1-based position, bytes).
std::string expected(const SharedRecord &r, std::initializer_list<std::pair<int, std::string>> fields)
{
    std::string bytes(std::size_t(r.length()), kFiller);
    for (const auto &[from, text] : fields)
        bytes.replace(std::size_t(from - 1), text.size(), text);
    return bytes;
}

std::string bytesOf(const SharedRecord &r)
{
    return r.bytes().toStdString();
}

void put(SharedRecord &r, int from, const char *text)
{
    r.setText(from, int(std::strlen(text)), QString::fromLatin1(text));
}

class Exchanges : public ::testing::Test
{
protected:
    void SetUp() override { fillAll(); }
    void TearDown() override { SharedRecord::resetAll(); }

    SharedRecord &vars = records::W_VARS_SQL();
    SharedRecord &link = records::L_LINK();
};

} // namespace

// ---------------------------------------------------------------------------

TEST_F(Exchanges, SessionVariablesTakeTheFirst42CharactersAndTheOperatorFields)
{
    SessionVariables::write(QStringLiteral("MARIANA SOUZA       07") + QString(30, QLatin1Char('9')));
    EXPECT_EQ(bytesOf(vars), "MARIANA SOUZA       07" + std::string(20, '9'));
    EXPECT_EQ(SessionVariables::operatorName(), QStringLiteral("MARIANA SOUZA       "));
    EXPECT_EQ(SessionVariables::operatorCode(), 7);

    // A short line leaves the rest blank, not filler from before.
    SessionVariables::write(QStringLiteral("ANA"));
    EXPECT_EQ(bytesOf(vars), "ANA" + std::string(39, ' '));
    EXPECT_EQ(SessionVariables::operatorCode(), 0);

    put(vars, 21, "1x");
    EXPECT_EQ(SessionVariables::operatorCode(), 10);
}

TEST_F(Exchanges, DeskSessionDigitsAndDates)
{
    DeskSession::setPeriod(2);
    DeskSession::setDesk(3);
    EXPECT_EQ(bytesOf(records::W_NRTURNO()), "2");
    EXPECT_EQ(bytesOf(records::W_NRCAIXA()), "3");
    EXPECT_EQ(DeskSession::period(), 2);
    EXPECT_EQ(DeskSession::desk(), 3);
    DeskSession::setDesk(-1);
    EXPECT_EQ(bytesOf(records::W_NRCAIXA()), "0");

    DeskSession::setOpening(
        {QStringLiteral("01032025"), QStringLiteral("18:00:00"), QStringLiteral("02032025"), QStringLiteral("18:05")});
    EXPECT_EQ(bytesOf(records::W_PABEDAT()), "01032025");
    EXPECT_EQ(bytesOf(records::W_PABEHOR()), "18:00:00");
    EXPECT_EQ(bytesOf(records::W_CABEDAT()), "02032025");
    EXPECT_EQ(bytesOf(records::W_CABEHOR()), "18:05   ");
    EXPECT_EQ(DeskSession::periodDate(), QStringLiteral("01032025"));
    EXPECT_EQ(DeskSession::deskDate(), QStringLiteral("02032025"));
    EXPECT_EQ(DeskSession::deskDateSortable(), QStringLiteral("20250302"));
    EXPECT_EQ(DeskSession::deskDateShown(), QStringLiteral("02/03/2025"));
}

// ---------------------------------------------------------------------------

TEST_F(Exchanges, OpenTableRequestIsThePositionAndABlankFlag)
{
    OpenTableExchange::write({1203});
    EXPECT_EQ(bytesOf(vars), expected(vars, {{23, "01203"}}));
    EXPECT_EQ(bytesOf(link), expected(link, {{312, " "}}));
    EXPECT_EQ(OpenTableExchange::request().position, 1203);

    // The transfer hands over the position and leaves the flag alone.
    fillAll();
    OpenTableExchange::writePosition(99);
    EXPECT_EQ(bytesOf(vars), expected(vars, {{23, "00099"}}));
    EXPECT_EQ(bytesOf(link), expected(link, {}));

    // Only the low-order five digits fit.
    OpenTableExchange::writePosition(123456);
    EXPECT_EQ(vars.text(23, 5), QStringLiteral("23456"));
}

TEST_F(Exchanges, OpenTableAnswerIsACapitalSOnly)
{
    OpenTableExchange::answer({true});
    EXPECT_EQ(bytesOf(link), expected(link, {{312, "S"}}));
    EXPECT_TRUE(OpenTableExchange::read().opened);
    OpenTableExchange::answer({false});
    EXPECT_EQ(bytesOf(link), expected(link, {{312, " "}}));
    for (const char *other : {" ", "s", "M", "#"}) {
        put(link, 312, other);
        EXPECT_FALSE(OpenTableExchange::read().opened) << other;
    }
}

TEST_F(Exchanges, OpenTableRequestReadsBlanksAndLettersAsZero)
{
    put(vars, 23, "     ");
    EXPECT_EQ(OpenTableExchange::request().position, 0);
    put(vars, 23, " 12a3");
    EXPECT_EQ(OpenTableExchange::request().position, 1203);
}

// ---------------------------------------------------------------------------

TEST_F(Exchanges, TableChooserBoundsGoInAndTheChoiceComesBackOverTheLowerOne)
{
    TableChooserExchange::write({1200, 1299});
    EXPECT_EQ(bytesOf(vars), expected(vars, {{33, "0120001299"}}));
    EXPECT_EQ(TableChooserExchange::request().lowest, 1200);
    EXPECT_EQ(TableChooserExchange::request().highest, 1299);

    TableChooserExchange::answer({1203});
    EXPECT_EQ(bytesOf(vars), expected(vars, {{33, "0120301299"}}));
    EXPECT_EQ(TableChooserExchange::read().chosen, 1203);
    TableChooserExchange::answer({0});
    EXPECT_EQ(vars.text(33, 5), QStringLiteral("00000"));
    EXPECT_EQ(TableChooserExchange::read().chosen, 0);

    put(vars, 33, "  9 1");
    EXPECT_EQ(TableChooserExchange::read().chosen, 901);
}

// ---------------------------------------------------------------------------

TEST_F(Exchanges, DiscountSearchStartsFromZerosAndAnswersSixDigits)
{
    DiscountSearchExchange::write();
    EXPECT_EQ(bytesOf(link), expected(link, {{26, "000000"}}));
    EXPECT_FALSE(DiscountSearchExchange::read().chosen());

    DiscountSearchExchange::answer(7);
    EXPECT_EQ(bytesOf(link), expected(link, {{26, "000007"}}));
    EXPECT_EQ(DiscountSearchExchange::read().code, 7);
    EXPECT_EQ(DiscountSearchExchange::read().kind, 7);
    DiscountSearchExchange::answer(-3);
    EXPECT_EQ(link.text(26, 6), QStringLiteral("000000"));
}

TEST_F(Exchanges, DiscountKindIsTheLastTwoDigitsOfTheCode)
{
    put(link, 26, "000123");
    const auto answer = DiscountSearchExchange::read();
    EXPECT_TRUE(answer.chosen());
    EXPECT_EQ(answer.code, 123);
    EXPECT_EQ(answer.kind, 23);

    // A code that names no kind is still a choice; the caller decides.
    put(link, 26, "000100");
    EXPECT_TRUE(DiscountSearchExchange::read().chosen());
    EXPECT_EQ(DiscountSearchExchange::read().kind, 0);

    put(link, 26, "      ");
    EXPECT_FALSE(DiscountSearchExchange::read().chosen());
    put(link, 26, "9x00 5");
    EXPECT_EQ(DiscountSearchExchange::read().code, 900005);
    EXPECT_EQ(DiscountSearchExchange::read().kind, 5);
}

TEST_F(Exchanges, ProductCodeSharesTheSixDigits)
{
    ProductCodeExchange::write(1234);
    EXPECT_EQ(bytesOf(link), expected(link, {{26, "001234"}}));
    EXPECT_EQ(ProductCodeExchange::read(), 1234);
    ProductCodeExchange::write(0);
    EXPECT_EQ(bytesOf(link), expected(link, {{26, "000000"}}));
    put(link, 26, "12 4  ");
    EXPECT_EQ(ProductCodeExchange::read(), 120400);
}

// ---------------------------------------------------------------------------

TEST_F(Exchanges, PaymentRequestBytes)
{
    PaymentExchange::write({d("74.75"), d("10.00")});
    EXPECT_EQ(bytesOf(link), expected(link, {{26, "000000"}, {301, "00000007475M"}}));
    EXPECT_EQ(bytesOf(records::W_TAB_TAXASER()), "1000");
    EXPECT_EQ(bytesOf(records::W_TAB_RECEBIM()), std::string(350, ' '));
    // What the module hands back is not touched by the request.
    EXPECT_EQ(bytesOf(records::W_TAB_REPIQUE()), "#######");
    EXPECT_EQ(bytesOf(records::W_TAB_SERVICO()), "#######");

    const auto request = PaymentExchange::request();
    EXPECT_EQ(request.total, d("74.75"));
    EXPECT_EQ(request.servicePercent, d("10.00"));
}

TEST_F(Exchanges, PaymentAmountsAreCutToCentsAndNeverNegative)
{
    PaymentExchange::write({d("40.2999"), d("-1")});
    EXPECT_EQ(link.text(301, 11), QStringLiteral("00000004029"));
    EXPECT_EQ(bytesOf(records::W_TAB_TAXASER()), "0000");
    PaymentExchange::write({d("-5"), d("12.5")});
    EXPECT_EQ(link.text(301, 11), QStringLiteral("00000000000"));
    EXPECT_EQ(bytesOf(records::W_TAB_TAXASER()), "1250");
    PaymentExchange::write({d("999999999.99"), d("0")});
    EXPECT_EQ(PaymentExchange::request().total, d("999999999.99"));
}

TEST_F(Exchanges, PaymentClearsReturnsAndWritesTheSplitReceipt)
{
    PaymentExchange::clearReturns();
    EXPECT_EQ(bytesOf(records::W_TAB_REPIQUE()), "0000000");
    EXPECT_EQ(bytesOf(records::W_TAB_SERVICO()), "0000000");
    EXPECT_EQ(bytesOf(link), expected(link, {}));
    PaymentExchange::writeSplitReceipt();
    EXPECT_EQ(bytesOf(records::W_TAB_RECEBIM()), std::string(350, '0'));
    EXPECT_EQ(bytesOf(link), expected(link, {}));
}

TEST_F(Exchanges, PaymentAnswerFromRawBytes)
{
    put(link, 312, "S");
    records::W_TAB_RECEBIM().setText(QStringLiteral("01000000074750000000747500000000000100000007475"));
    records::W_TAB_REPIQUE().setText(QStringLiteral("0000500"));
    records::W_TAB_SERVICO().setText(QStringLiteral("0001234"));
    auto answer = PaymentExchange::read();
    EXPECT_TRUE(answer.paid);
    EXPECT_EQ(answer.receipt.size(), 350);
    EXPECT_TRUE(answer.receipt.startsWith(QStringLiteral("0100000007475")));
    EXPECT_EQ(answer.tip, d("5.00"));
    EXPECT_EQ(answer.returnedService, d("12.34"));

    // Only a blank flag means nothing was paid: a module that never
    // touched the "M" still counts as having taken the payment.
    put(link, 312, " ");
    EXPECT_FALSE(PaymentExchange::read().paid);
    put(link, 312, "M");
    EXPECT_TRUE(PaymentExchange::read().paid);

    records::W_TAB_REPIQUE().setText(QStringLiteral("00 05x0"));
    records::W_TAB_SERVICO().setText(QStringLiteral("       "));
    answer = PaymentExchange::read();
    EXPECT_EQ(answer.tip, d("5.00"));
    EXPECT_EQ(answer.returnedService, Decimal());
}

TEST_F(Exchanges, PaymentModuleAnswers)
{
    PaymentExchange::answer({true, QStringLiteral("00"), d("5.00"), d("0.019")});
    EXPECT_EQ(bytesOf(link), expected(link, {{312, "S"}}));
    EXPECT_EQ(bytesOf(records::W_TAB_RECEBIM()), "00" + std::string(348, ' '));
    EXPECT_EQ(bytesOf(records::W_TAB_REPIQUE()), "0000500");
    EXPECT_EQ(bytesOf(records::W_TAB_SERVICO()), "0000001");

    // Abandoned: the flag, nothing else.
    fillAll();
    PaymentExchange::answer({false, QStringLiteral("ignored"), d("1"), d("1")});
    EXPECT_EQ(bytesOf(link), expected(link, {{312, " "}}));
    EXPECT_EQ(bytesOf(records::W_TAB_RECEBIM()), std::string(350, kFiller));
    EXPECT_EQ(bytesOf(records::W_TAB_REPIQUE()), "#######");
    EXPECT_EQ(bytesOf(records::W_TAB_SERVICO()), "#######");
}

// ---------------------------------------------------------------------------

TEST_F(Exchanges, SplitRequestAndAnswer)
{
    SplitExchange::write({4201, d("123.45")});
    EXPECT_EQ(bytesOf(vars), expected(vars, {{33, "04201"}}));
    EXPECT_EQ(bytesOf(records::W_TAB_TOTMESA()), "0012345");
    EXPECT_EQ(bytesOf(link), expected(link, {{312, " "}}));
    auto request = SplitExchange::request();
    EXPECT_EQ(request.position, 4201);
    EXPECT_EQ(request.amount, d("123.45"));

    SplitExchange::write({4201, d("-0.01")});
    EXPECT_EQ(bytesOf(records::W_TAB_TOTMESA()), "0000000");
    SplitExchange::write({4201, d("123456.78")});
    EXPECT_EQ(bytesOf(records::W_TAB_TOTMESA()), "2345678");

    SplitExchange::answer({true, {}});
    EXPECT_EQ(bytesOf(link), expected(link, {{312, "S"}}));
    EXPECT_TRUE(SplitExchange::read().split);
    put(link, 312, "s");
    EXPECT_FALSE(SplitExchange::read().split);

    records::W_TAB_TOTMESA().setText(QStringLiteral("00x 150"));
    EXPECT_EQ(SplitExchange::request().amount, d("1.50"));
}

// ---------------------------------------------------------------------------

TEST_F(Exchanges, ReportRequestCarriesTheDeskOnlyWhenGiven)
{
    ReportExchange::write({ReportExchange::kClosedTables, 2, 3});
    EXPECT_EQ(bytesOf(vars), expected(vars, {{31, "23"}}));
    EXPECT_EQ(bytesOf(link), expected(link, {{312, "M"}}));
    auto request = ReportExchange::request();
    EXPECT_EQ(request.kind, 'M');
    EXPECT_EQ(request.period, 2);
    EXPECT_EQ(request.desk, 3);

    fillAll();
    ReportExchange::write({ReportExchange::kMenuMix, 1, std::nullopt});
    EXPECT_EQ(bytesOf(vars), expected(vars, {{31, "1"}}));
    EXPECT_EQ(bytesOf(link), expected(link, {{312, "P"}}));
    // The byte left alone reads as whatever digit it holds.
    EXPECT_EQ(ReportExchange::request().desk, 0);
}

// ---------------------------------------------------------------------------

TEST_F(Exchanges, ItemEditSelection)
{
    ItemEditExchange::write({1234, 56});
    EXPECT_EQ(bytesOf(records::W_INCREME()), "00000001234");
    EXPECT_EQ(bytesOf(records::W_COMANDA()), "000056");
    EXPECT_EQ(ItemEditExchange::read().idItem, 1234);
    EXPECT_EQ(ItemEditExchange::read().comanda, 56);
    ItemEditExchange::write({-1, 0});
    EXPECT_EQ(bytesOf(records::W_INCREME()), "00000000000");

    fillAll();
    ItemEditExchange::writeNewItem(1203);
    EXPECT_EQ(bytesOf(records::W_INCREME()), "00000000000");
    EXPECT_EQ(bytesOf(vars), expected(vars, {{23, "01203"}}));
    EXPECT_EQ(bytesOf(records::W_COMANDA()), "######");

    records::W_INCREME().setText(QStringLiteral("        12 "));
    EXPECT_EQ(ItemEditExchange::read().idItem, 120);
}
