// The board rebuild and the table reading sent in waves against the same
// readings sent one statement at a time, on randomised restaurants: the
// same snapshot and tables field by field, and the same statements in the
// server's general log.
#include "board/BoardReader.h"
#include "board/TableReader.h"
#include "data/Statements.h"
#include "data/UnitOfWork.h"
#include "items/ItemService.h"
#include "platform/Sql.h"
#include "platform/SqlProbe.h"
#include "platform/ui/Desk.h"
#include "session/Session.h"
#include "tables/TransferService.h"

#include "Seed.h"
#include "TestSupport.h"

#include <QStringList>
#include <QThread>

#include <random>

#include <gtest/gtest.h>

namespace qv::test {
namespace {

QString money(const Decimal &d)
{
    return d.toSqlText(4);
}

QStringList describe(const BoardSnapshot &board)
{
    QStringList out;
    out << QStringLiteral("result %1 fatal %2 failure %3 busy %4 closed %5")
               .arg(int(board.result))
               .arg(board.fatal)
               .arg(board.failure.message)
               .arg(board.busyTables)
               .arg(board.closedSales);
    for (const BoardRow &row : board.rows)
        out << QStringLiteral("row %1 %2 icon %3 people %4 waiter '%5' several %6")
                   .arg(row.table)
                   .arg(QLatin1Char(row.state))
                   .arg(row.icon)
                   .arg(row.people)
                   .arg(row.waiterName)
                   .arg(row.severalPositions);
    for (int t = 1; t <= BoardSummary::kTables; ++t) {
        const auto &table = board.summary.table(t);
        out << QStringLiteral("table %1 %2 %3 %4")
                   .arg(t)
                   .arg(QLatin1Char(table.state))
                   .arg(table.people)
                   .arg(table.waiter);
    }
    return out;
}

// Everything a reading shows but the time open, which moves with the clock.
QStringList describe(const TableReader::Reading &reading)
{
    QStringList out;
    const ShownTable &t = reading.table;
    out << QStringLiteral("result %1 fatal %2 failure '%3' %4")
               .arg(int(reading.result))
               .arg(reading.fatal)
               .arg(reading.failure.message, reading.failure.error.state);
    QStringList row;
    for (int f = 0; f < t.row.size(); ++f)
        row << t.row.text(f);
    out << QStringLiteral("position %1 row %2").arg(t.idMesa).arg(row.join(QLatin1Char('|')));
    out << QStringLiteral("waiter %1 '%2' index %3 mismatch %4 opened %5 principal %6")
               .arg(t.waiter)
               .arg(t.waiterName)
               .arg(t.waiterIndex)
               .arg(t.waiterNameMismatch)
               .arg(t.openedAt, money(t.totalPrincipal));
    for (const ShownItem &i : t.items) {
        QString line = QStringLiteral("item %1 product %2 comanda %3 '%4' %5 waiter '%6' at %7 %8 discount %9 ")
                           .arg(i.idItem)
                           .arg(i.idProduto)
                           .arg(i.idComanda)
                           .arg(i.description, money(i.price), i.waiterName, i.orderedAt, i.status)
                           .arg(i.idDesconto);
        line += QStringLiteral("manual %1 by '%2' takeaway %3")
                    .arg(money(i.manualDiscount), i.discountOperator)
                    .arg(i.takeAway);
        for (const ShownObservation &o : i.observations)
            line += QStringLiteral(" obs %1 %2 '%3'").arg(QLatin1Char(o.kind)).arg(o.idObs).arg(o.text);
        out << line;
    }
    for (const auto &[key, line] : t.consolidation.lines())
        out << QStringLiteral("grouped %1 %2 '%3' x%4")
                   .arg(key.first)
                   .arg(money(key.second), line.description)
                   .arg(line.count);
    const TableTotals &s = t.totals;
    out << QStringLiteral("totals %1 %2 %3 %4 %5 %6 %7 %8 %9")
               .arg(money(s.products), money(s.discountPercent), money(s.manualDiscount), money(s.servicePercent),
                    money(s.takeAway), money(s.discountValue), money(s.subtotal), money(s.takeAwayNet),
                    money(s.serviceValue))
        << QStringLiteral("total %1 per person %2 %3")
               .arg(money(s.tableTotal))
               .arg(s.hasPerPerson)
               .arg(money(s.perPerson));
    return out;
}

class PipelineTest : public ::testing::Test
{
protected:
    PipelineTest()
    {
        desk::session().reset();
        desk::session().loadOperators();
        sql.serverAnswered();
    }
    ~PipelineTest() override { sql.setPipeline(true); }

    // A restaurant drawn from `seed`: every position free, open, printed or
    // blocked, with a waiter (sometimes one nobody knows), 0 to 10 items of
    // every status, with discounts, take-away, up to four observations and
    // kitchen records collected or not.
    std::vector<int> randomRestaurant(unsigned seed)
    {
        std::mt19937 random(seed);
        auto pick = [&random](const QStringList &from) { return from[int(random() % unsigned(from.size()))]; };
        auto chance = [&random](int percent) { return int(random() % 100) < percent; };
        const QStringList products = ids(QStringLiteral("idProduto"), QStringLiteral("cad_Produtos"));
        const QStringList observations = ids(QStringLiteral("idObs"), QStringLiteral("tab_Observacao"));
        const QStringList discounts = ids(QStringLiteral("idDesconto"), QStringLiteral("tab_Desconto"));
        QStringList waiters = ids(QStringLiteral("idOperador"), QStringLiteral("tab_Operador"));
        waiters << QStringLiteral("77"); // not in the list
        const QStringList positions = ids(QStringLiteral("idMesa"), QStringLiteral("mov_Mesa"));

        QString script =
            QStringLiteral("DELETE FROM mov_MesaItem; DELETE FROM mov_MesaItemObs; DELETE FROM mov_Cozinha;");
        std::vector<int> shown;
        int idItem = 0;
        int idItemObs = 0;
        for (const QString &position : positions) {
            const int idMesa = position.toInt();
            const QString status = pick({QStringLiteral("F"), QStringLiteral("F"), QStringLiteral("A"),
                                         QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("I")});
            script += QStringLiteral("UPDATE mov_Mesa SET status='%1',qtdPessoas=%2,idGarcon=%3,horaAbertura='%4',"
                                     "idDesconto=%5,descontoManual=%6,taxaServico=%7 WHERE idMesa=%8;")
                          .arg(status)
                          .arg(random() % 9)
                          .arg(status == QLatin1String("F") ? QStringLiteral("0") : pick(waiters))
                          .arg(status == QLatin1String("F")
                                   ? QStringLiteral("00:00:00")
                                   : QStringLiteral("19:%1:00").arg(random() % 60, 2, 10, QLatin1Char('0')))
                          .arg(chance(30) ? pick(discounts) : QStringLiteral("0"))
                          .arg(chance(20) ? QStringLiteral("3.50") : QStringLiteral("0"))
                          .arg(chance(70) ? QStringLiteral("10.00") : QStringLiteral("0"))
                          .arg(idMesa);
            if (status == QLatin1String("F"))
                continue;
            shown.push_back(idMesa);
            const int items = int(random() % 11);
            for (int n = 0; n < items; ++n) {
                ++idItem;
                script +=
                    QStringLiteral("INSERT INTO mov_MesaItem VALUES(%1,%2,0,0,%3,%4,%5,'%6',%7,'20:00:00','N',0,0,"
                                   "%8,%9,' ','%10',' ',' ');")
                        .arg(idItem)
                        .arg(idMesa)
                        .arg(pick(products))
                        .arg(
                            QStringLiteral("%1.%2").arg(1 + random() % 80).arg(random() % 100, 2, 10, QLatin1Char('0')))
                        .arg(pick(waiters))
                        .arg(pick({QStringLiteral("I"), QStringLiteral("I"), QStringLiteral("E"), QStringLiteral("R"),
                                   QStringLiteral("P"), QStringLiteral("C"), QStringLiteral("K")}))
                        .arg(chance(50) ? 999999 : 1000 + int(random() % 20))
                        .arg(chance(25) ? pick(discounts) : QStringLiteral("0"))
                        .arg(chance(15) ? QStringLiteral("1.25") : QStringLiteral("0"))
                        .arg(chance(10) ? QLatin1Char('S') : QLatin1Char('N'));
                const int notes = chance(40) ? int(random() % 5) : 0;
                for (int o = 0; o < notes; ++o)
                    script += QStringLiteral("INSERT INTO mov_MesaItemObs VALUES(%1,%2,%3,%4,'%5');")
                                  .arg(++idItemObs)
                                  .arg(idItem)
                                  .arg(pick(observations))
                                  .arg(idMesa)
                                  .arg(pick({QStringLiteral("C"), QStringLiteral("S"), QStringLiteral("O")}));
                if (chance(50))
                    script += QStringLiteral("INSERT INTO mov_Cozinha(idItem,tipo,idPedMesa,hrPronto,baixaGarHora) "
                                             "VALUES(%1,'M',%2,'20:10:00','%3');")
                                  .arg(idItem)
                                  .arg(idMesa / 100)
                                  .arg(chance(50) ? QStringLiteral("20:20:00") : QStringLiteral("00:00:00"));
            }
        }
        bool ok = false;
        db.run(script, &ok);
        EXPECT_TRUE(ok);
        return shown;
    }

    QStringList ids(const QString &column, const QString &table) const
    {
        return db.value(QStringLiteral("SELECT GROUP_CONCAT(%1 ORDER BY %1) FROM %2").arg(column, table))
            .split(QLatin1Char(','));
    }

    // The statements this connection executed, as the server's general log
    // holds them (values in place), sorted.
    QStringList executed(qint64 connection) const
    {
        QStringList all =
            db.value(QStringLiteral("SELECT GROUP_CONCAT(CONVERT(argument USING utf8mb4) SEPARATOR '\\n') "
                                    "FROM mysql.general_log WHERE thread_id=%1 AND command_type='Execute'")
                         .arg(connection))
                .split(QLatin1Char('\n'));
        all.sort();
        return all;
    }

    struct Run
    {
        QStringList board;
        std::vector<QStringList> readings;
        QStringList statements;
        std::int64_t boardTrips = 0;
        std::int64_t worstReadingTrips = 0;
    };

    // Everything read on a connection of its own, pipelined or not.
    Run readAll(bool pipeline, const std::vector<int> &positions, int filter)
    {
        Run run;
        sql.disconnect();
        sql.setPipeline(pipeline);
        const Layout id("id", {FieldDef::N("id", 11)});
        Record connection(id);
        EXPECT_TRUE(sql.exec("SELECT CONNECTION_ID()", {}, &connection).ok());
        BoardQuery query;
        query.filter = filter;
        query.businessDate = todayDDMMYYYY();
        query.period = 2;
        std::int64_t trips = SqlTestProbe::on(sql).roundTrips();
        run.board = describe(BoardReader(sql).MESAS(query));
        run.boardTrips = SqlTestProbe::on(sql).roundTrips() - trips;
        TableReader reader(sql, desk::session());
        for (const int idMesa : positions) {
            trips = SqlTestProbe::on(sql).roundTrips();
            run.readings.push_back(describe(reader.LERMESA(idMesa, true)));
            run.worstReadingTrips = std::max(run.worstReadingTrips, SqlTestProbe::on(sql).roundTrips() - trips);
        }
        run.statements = executed(connection.integer("id"));
        return run;
    }

    TestDatabase db{true};
    Sql &sql = desk::sql();
};

TEST_F(PipelineTest, RandomRestaurantsReadTheSameInWavesAsOneByOneWithTheSameStatements)
{
    db.run(QStringLiteral("SET GLOBAL log_output='TABLE'; SET GLOBAL general_log=1"));
    for (const unsigned seed : {11u, 2026u, 31337u}) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        const std::vector<int> positions = randomRestaurant(seed);
        ASSERT_FALSE(positions.empty());
        // Every table listed once; another seed another filter.
        const int filter = seed == 11u ? 1 : int(1 + seed % 7);
        // The one-by-one run first prepares everything the pipelined run
        // needs: the round trips counted are those of a warm connection.
        const Run oneByOne = readAll(false, positions, filter);
        const Run pipelined = readAll(true, positions, filter);

        EXPECT_EQ(pipelined.board, oneByOne.board);
        ASSERT_EQ(pipelined.readings.size(), oneByOne.readings.size());
        for (std::size_t i = 0; i < positions.size(); ++i)
            EXPECT_EQ(pipelined.readings[i], oneByOne.readings[i]) << "position " << positions[i];
        EXPECT_GT(oneByOne.statements.size(), positions.size() * 3);
        EXPECT_EQ(pipelined.statements, oneByOne.statements);
        // One by one, a round trip a statement at least.
        EXPECT_GT(oneByOne.boardTrips, 80);
    }
    db.run(QStringLiteral("SET GLOBAL general_log=0"));
}

TEST_F(PipelineTest, ARoundTripBudgetHoldsWhateverTheNumberOfItems)
{
    // A position with many items, observations and discounts: the reading
    // takes a handful of round trips once the connection has its statements.
    std::vector<int> positions = randomRestaurant(7u);
    sql.setPipeline(true);
    TableReader reader(sql, desk::session());
    for (const int idMesa : positions)
        reader.LERMESA(idMesa, true);
    std::int64_t worst = 0;
    for (const int idMesa : positions) {
        const std::int64_t before = SqlTestProbe::on(sql).roundTrips();
        reader.LERMESA(idMesa, true);
        worst = std::max(worst, SqlTestProbe::on(sql).roundTrips() - before);
    }
    EXPECT_LE(worst, 4);
    BoardQuery query;
    query.filter = 1;
    query.businessDate = todayDDMMYYYY();
    query.period = 2;
    BoardReader(sql).MESAS(query);
    const std::int64_t before = SqlTestProbe::on(sql).roundTrips();
    BoardReader(sql).MESAS(query);
    EXPECT_LE(SqlTestProbe::on(sql).roundTrips() - before, 5);

    // Ten units with three observations each: the transaction, the lock
    // that checks the position is still the one shown with the product's
    // reads, the units with their numbers, their thirty observations, the
    // commit: five, within a budget of six.
    setPosition(db, 4001, 'A');
    ItemService items(sql);
    ItemService::NewItem launch;
    launch.shown = TableReader(sql, desk::session()).LERMESA(4001, false).table.opening();
    launch.productCode = 112;
    launch.price = *Decimal::parse(QStringLiteral("38,50"));
    launch.quantity = 10;
    launch.idOperador = 1;
    for (const int idObs : {1, 2, 3})
        launch.observations.push_back({'C', idObs, QString(), Decimal()});
    ASSERT_TRUE(items.INSITEM(launch).done());
    const std::int64_t launched = SqlTestProbe::on(sql).roundTrips();
    ASSERT_TRUE(items.INSITEM(launch).done());
    EXPECT_LE(SqlTestProbe::on(sql).roundTrips() - launched, 6);
    EXPECT_EQ(db.value(QStringLiteral("SELECT COUNT(*) FROM mov_MesaItemObs WHERE idMesa=4001")), QStringLiteral("60"));
}

TEST_F(PipelineTest, AFailureAnywhereInALaunchsWavesWritesNothingAndIsToldAsOneByOne)
{
    // Every statement of a launch in waves: the position's lock leading the
    // product's reads, a unit, its number, an observation. Whichever fails,
    // pipelined or not, the unit is rolled back and the cashier reads the
    // same message.
    setPosition(db, 4001, 'A');
    ItemService items(sql);
    ItemService::NewItem launch;
    launch.shown = TableReader(sql, desk::session()).LERMESA(4001, false).table.opening();
    launch.productCode = 112;
    launch.price = *Decimal::parse(QStringLiteral("38,50"));
    launch.quantity = 3;
    launch.idOperador = 1;
    for (const int idObs : {1, 2})
        launch.observations.push_back({'C', idObs, QString(), Decimal()});
    const QString stored = QStringLiteral("SELECT CONCAT((SELECT COUNT(*) FROM mov_MesaItem WHERE idMesa=4001),'/',"
                                          "(SELECT COUNT(*) FROM mov_MesaItemObs WHERE idMesa=4001))");
    const std::string_view failing[] = {stmt::kLockShownPosition, stmt::kMenuEntry,    stmt::kServerTime,
                                        stmt::kInsertItem,        stmt::kLastInsertId, stmt::kInsertItemObservation};
    for (const bool pipeline : {true, false}) {
        sql.setPipeline(pipeline);
        for (const std::string_view statement : failing) {
            SCOPED_TRACE(testing::Message() << "pipeline " << pipeline << " failing " << statement);
            SqlTestProbe::on(sql).failNext(statement, QStringLiteral("HY000"), QStringLiteral("injected"));
            const Outcome o = items.INSITEM(launch);
            EXPECT_TRUE(o.failed());
            EXPECT_EQ(o.message, QStringLiteral("Erro HY000 na gravação do item: nada foi gravado !!!"));
            EXPECT_EQ(o.error.message, QStringLiteral("injected"));
            EXPECT_EQ(o.next, Outcome::Next::Stay);
            EXPECT_EQ(db.value(stored), QStringLiteral("0/0"));
            EXPECT_FALSE(sql.inUnitOfWork());
        }
    }
    sql.setPipeline(true);
    ASSERT_TRUE(items.INSITEM(launch).done());
    EXPECT_EQ(db.value(stored), QStringLiteral("3/6"));
}

TEST_F(PipelineTest, AServerLostInTheMiddleOfAWriteWaveStoresNothingAndIsToldAsLost)
{
    setPosition(db, 4001, 'A');
    setPosition(db, 4002, 'A');
    std::vector<std::int64_t> items;
    for (int n = 0; n < 3; ++n) {
        items.push_back(addItem(db, {4001}));
        addKitchen(db, items.back(), 40, false);
        addObservation(db, items.back(), 4001, 1, 'C');
    }
    const ShownTable source = TableReader(sql, desk::session()).LERMESA(4001, true).table;
    ASSERT_EQ(source.itemCount(), 3);
    const Layout id("id", {FieldDef::N("id", 11)});
    Record connection(id);
    ASSERT_TRUE(sql.exec("SELECT CONNECTION_ID()", {}, &connection).ok());

    // Another desk holds the second item's kitchen record: the wave's
    // first moves are answered, the next waits, and then the server drops
    // the connection under it.
    Sql other;
    other.setConnection(*sql.connection());
    UnitOfWork holding(other);
    ASSERT_TRUE(other.exec("UPDATE mov_Cozinha SET hrPronto=hrPronto WHERE idItem=?", {items[1]}).ok());
    const QString kill = QStringLiteral("KILL %1").arg(connection.integer("id"));
    QThread *killer = QThread::create([&] {
        QThread::msleep(500);
        db.run(kill);
    });
    killer->start();
    const std::int64_t losses = sql.lostCount();
    TransferService transfer(sql);
    Outcome refusal;
    QString targetOpened;
    ASSERT_EQ(transfer.target(4002, refusal, &targetOpened), TransferService::Target::Open);
    const Outcome moved = transfer.TRANSFERE(source, 4002, targetOpened, items);
    killer->wait();
    delete killer;

    EXPECT_TRUE(moved.failed());
    EXPECT_TRUE(moved.serverLost());
    EXPECT_EQ(moved.message.left(5), QStringLiteral("Erro "));
    EXPECT_TRUE(moved.message.endsWith(QStringLiteral(" na transferência, nenhum item foi transferido !!!")));
    // What the desk watches to go into its waiting state.
    EXPECT_GT(sql.lostCount(), losses);
    EXPECT_EQ(db.value(QStringLiteral("SELECT COUNT(*) FROM mov_MesaItem WHERE idMesa=4002")), QStringLiteral("0"));
    EXPECT_EQ(db.value(QStringLiteral("SELECT COUNT(*) FROM mov_MesaItemObs WHERE idMesa=4002")), QStringLiteral("0"));
}

} // namespace
} // namespace qv::test
