// Closing accounts while waiters keep ordering on the same positions: the
// money of every sale agrees with its items, and no item is lost or sold
// twice. Bounded: a few seconds, a fixed seed.
#include "board/TableReader.h"
#include "data/Statements.h"
#include "platform/SharedRecords.h"
#include "platform/Sql.h"
#include "platform/ui/Desk.h"
#include "session/Exchanges.h"
#include "session/Session.h"
#include "tables/ClosingService.h"
#include "tables/TableService.h"

#include "Seed.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <iostream>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <thread>

namespace qv::test {
namespace {

using Then = ClosingService::Then;
using Clock = std::chrono::steady_clock;

const int kPositions[] = {4601, 4602, 4603, 4604};
// The table discount each position is opened with (tab_Desconto 5: 5 %).
int discountOf(int idMesa)
{
    return idMesa == 4601 ? 5 : 0;
}

// What a waiter's terminal does: the position locked, opened again if it was
// freed meanwhile, the item and its observations launched, all together.
constexpr std::string_view kWaiterLock = "SELECT status FROM mov_Mesa WHERE idMesa=? FOR UPDATE";
constexpr std::string_view kWaiterReopen =
    "UPDATE mov_Mesa SET status='A',qtdPessoas=2,idGarcon=4,horaAbertura=CURTIME(),idDesconto=?,descontoManual=0,"
    "taxaServico=10,dividida='N' WHERE idMesa=? AND status='F'";
constexpr std::string_view kWaiterItem =
    "INSERT INTO mov_MesaItem(idMesa,idProduto,valorUnitario,idOperador,status,horaPedido) "
    "VALUES(?,112,?,4,'I','20:00:00')";
constexpr std::string_view kWaiterObservation = "INSERT INTO mov_MesaItemObs(idItem,idObs,idMesa,tipo) VALUES(?,?,?,?)";

const Layout kStatusRow("mov_Mesa", {FieldDef::C("status", 1)});
const Layout kInsertId("last_insert_id", {FieldDef::N("idItem", 11)});

class ClosingRaceTest : public ::testing::Test
{
protected:
    ClosingRaceTest()
    {
        startDinnerAtDesk1();
        for (const int idMesa : kPositions) {
            setPosition(db, idMesa, 'F');
            db.run(QStringLiteral("UPDATE mov_Mesa SET status='F',taxaServico=0 WHERE idMesa=%1").arg(idMesa));
        }
    }

    Sql::Connection connection() const
    {
        Sql::Connection c;
        c.socket = TestDatabase::socket();
        c.database = db.name();
        return c;
    }

    // One waiter: launches items at unique prices (the price is the item's
    // mark in the sale) until the time is up. Only committed launches count.
    void waiter(Sql &sql, unsigned seed, int first, Clock::time_point until)
    {
        std::mt19937 random(seed);
        int next = first;
        while (Clock::now() < until && next < first + 1900) {
            const int idMesa = kPositions[random() % std::size(kPositions)];
            const int cents = next;
            bool stored = false;
            if (sql.begin()) {
                Record status(kStatusRow);
                stored = sql.exec(kWaiterLock, {idMesa}, &status).ok()
                         && sql.exec(kWaiterReopen, {discountOf(idMesa), idMesa}).ok()
                         && sql.exec(kWaiterItem, {idMesa, Decimal::fromCents(cents)}).ok();
                Record item(kInsertId);
                stored = stored && sql.exec(stmt::kLastInsertId, {}, &item).ok();
                const std::int64_t idItem = item.num(0).toInt();
                // Com, Sem or a free observation, or none.
                const int observations = int(random() % 3);
                for (int o = 0; stored && o < observations; ++o) {
                    const char kinds[] = {'C', 'S', 'O'};
                    stored = sql.exec(kWaiterObservation, {idItem, int(1 + random() % 10), idMesa,
                                                           QString(QLatin1Char(kinds[random() % 3]))})
                                 .ok();
                }
                stored = stored ? sql.commit() : (sql.rollback(), false);
            }
            if (stored) {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_launched.insert(cents);
                ++next;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1 + random() % 4));
        }
    }

    // The cashier at the desk: closes every position with items, the
    // payment taken by the test, a manual discount now and then.
    void closeRound(std::mt19937 &random, bool payingSlowly)
    {
        for (const int idMesa : kPositions) {
            TableReader::Reading reading = reader.LERMESA(idMesa, false);
            if (reading.result != TableReader::Reading::Result::Shown || reading.table.itemCount() == 0)
                continue;
            if (random() % 3 == 0)
                service.manualDiscount(reading.table, QStringLiteral("1,00"));
            ASSERT_TRUE(desk::sql().exec(stmt::kBlock, {idMesa}).ok());
            reading = reader.LERMESA(idMesa, false);
            ASSERT_EQ(reading.result, TableReader::Reading::Result::Shown);
            const ShownTable &table = reading.table;
            const ClosingService::Preparation p = closing.prepare(table);
            if (p.then != Then::Pay) {
                ASSERT_FALSE(p.outcome.failed()) << p.outcome.message.toStdString();
                ++m_refusedBeforePayment;
                continue;
            }
            // The payment module has the screen for a moment.
            if (payingSlowly)
                std::this_thread::sleep_for(std::chrono::milliseconds(random() % 6));
            exchange::PaymentExchange::answer(
                {true, QStringLiteral("01").leftJustified(350, QLatin1Char(' ')), Decimal(), Decimal()});
            const Outcome o = closing.GRAVAR(table, {});
            ASSERT_FALSE(o.failed()) << o.message.toStdString();
            if (o.done() && o.next == Outcome::Next::Reread)
                ++m_leftBehind;
            else if (o.done())
                ++m_closed;
            else
                ++m_refusedAfterPayment;
        }
    }

    // Rows of a query, each split into its columns.
    std::vector<QStringList> rows(const QString &sql) const
    {
        std::vector<QStringList> out;
        for (const QString &line : db.run(sql).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            out.push_back(line.split(QLatin1Char('\t')));
        return out;
    }

    TestDatabase db{true};
    TableReader reader{desk::sql(), desk::session()};
    ClosingService closing{desk::sql(), desk::session()};
    TableService service{desk::sql(), desk::session()};

    std::mutex m_mutex;
    std::set<int> m_launched; // prices in cents, one per item
    int m_closed = 0;
    int m_leftBehind = 0;
    int m_refusedBeforePayment = 0;
    int m_refusedAfterPayment = 0;
};

TEST_F(ClosingRaceTest, EveryItemEndsInExactlyOneSaleOrOnItsPositionAndEverySaleAddsUp)
{
    // Two waiters' connections of their own, connected before they start.
    Sql first;
    Sql second;
    for (Sql *sql : {&first, &second}) {
        sql->setConnection(connection());
        Record status(kStatusRow);
        ASSERT_TRUE(sql->exec(kWaiterLock, {kPositions[0]}, &status).ok());
    }
    const Clock::time_point until = Clock::now() + std::chrono::milliseconds(2500);
    // Unique prices: 10,00 and up for one waiter, 30,00 and up for the
    // other, a restaurant's bills and no more.
    std::thread one([&] { waiter(first, 11, 1000, until); });
    std::thread two([&] { waiter(second, 23, 3000, until); });

    std::mt19937 random(7);
    while (Clock::now() < until) {
        closeRound(random, true);
        if (HasFatalFailure())
            break;
    }
    one.join();
    two.join();
    ASSERT_FALSE(HasFatalFailure());
    // With the waiters gone, whatever stayed behind is closed as well.
    closeRound(random, false);

    std::cout << m_launched.size() << " items launched, " << m_closed << " closings, " << m_leftBehind
              << " with items left behind, " << m_refusedBeforePayment << " refused before the payment, "
              << m_refusedAfterPayment << " after it\n";
    ASSERT_GT(m_launched.size(), 20u);
    EXPECT_GT(m_closed + m_leftBehind, 3);
    EXPECT_EQ(m_refusedAfterPayment, 0);

    // Every item: in exactly one sale or still on its position.
    std::map<int, int> seen;
    for (const QStringList &r : rows(QStringLiteral("SELECT ROUND(valorUnitario*100) FROM mov_VendasItem "
                                                    "UNION ALL SELECT ROUND(valorUnitario*100) FROM mov_MesaItem "
                                                    "WHERE idMesa BETWEEN 4601 AND 4604")))
        ++seen[r.value(0).toInt()];
    for (const int cents : m_launched)
        EXPECT_EQ(seen[cents], 1) << "item at " << cents << " cents";
    for (const auto &[cents, count] : seen)
        EXPECT_TRUE(m_launched.count(cents)) << "never launched: " << cents << " cents";
    // Nothing sold stayed on a position: a position either has items left
    // or was freed.
    EXPECT_EQ(db.value(QStringLiteral("SELECT COUNT(*) FROM mov_MesaItemObs WHERE idMesa BETWEEN 4601 AND 4604 AND "
                                      "idItem NOT IN (SELECT idItem FROM mov_MesaItem)")),
              QStringLiteral("0"));

    // Every sale's header is what the reading computes for its items: each
    // price moved by its observations, the table discount's percent, the
    // manual discount, the 10 % fee.
    const auto sales = rows(QStringLiteral(
        "SELECT v.idVenda,v.valorProdutos,IFNULL(d.percentual,0),v.descontoManual,v.valorServico,v.valorTotal,"
        "(SELECT IFNULL(SUM(i.valorUnitario + IFNULL((SELECT SUM(CASE o.tipo WHEN 'C' THEN t.valorCom WHEN 'S' THEN "
        "-t.valorSem ELSE t.valorObs END) FROM mov_VendasItemObs AS o JOIN tab_Observacao AS t ON t.idObs=o.idObs "
        "WHERE o.idVenda=i.idVenda AND o.sequencia=i.sequencia),0)),0) FROM mov_VendasItem AS i "
        "WHERE i.idVenda=v.idVenda AND i.cancelado='N') FROM mov_Vendas AS v LEFT JOIN tab_Desconto AS d "
        "ON d.idDesconto=v.idDesconto"));
    ASSERT_EQ(int(sales.size()), m_closed + m_leftBehind);
    auto amount = [](const QString &text) { return Decimal::parse(text).value_or(Decimal::fromInt(-999999)); };
    for (const QStringList &s : sales) {
        ASSERT_EQ(s.size(), 7);
        TableTotals t;
        t.products = amount(s[6]);
        t.discountPercent = amount(s[2]);
        t.manualDiscount = amount(s[3]);
        t.servicePercent = Decimal::fromInt(10);
        t.compute();
        EXPECT_EQ(amount(s[1]), t.products) << "sale " << s[0].toStdString();
        EXPECT_EQ(amount(s[4]), Decimal::fromCents(t.serviceValue.cents())) << "sale " << s[0].toStdString();
        EXPECT_EQ(amount(s[5]), Decimal::fromCents(t.tableTotal.cents())) << "sale " << s[0].toStdString();
        EXPECT_FALSE(t.tableTotal.isNegative());
    }
}

} // namespace
} // namespace qv::test
