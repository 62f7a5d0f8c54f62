// Benchmark of the heaviest work of the screen on a full house: the board
// rebuild, as the program runs it (on its own thread and connection, from
// the request to the board shown), the reading of a 100-item table (the
// table reader on the program's connection) and the closing of that table
// into a sale (GRAVAR, the table restored between runs). The rebuild and
// the reading are run alternately with a bare Connector/C client replaying
// the very statements they sent one at a time, on the same data. While the
// rebuilds run, a 5 ms timer on the event thread measures how late the
// screen gets to it. The round trips of each operation are counted by the
// SQL layer. The reading holds the event thread; the closing's checks
// before the payment and the sale run as the desk runs them, off the event
// thread: the same timer gives the longest stall of each
// (reading_stall_ms, prepare_stall_ms, closing_stall_ms). Every delay is
// measured with pipelining on, then off (the statements one at a time, as
// before batches). Run by hand:
//   bench/run              over the server's socket
//   bench/run --latency    over TCP through a relay delaying every chunk by
//                          0, 0.25, 1, 5 and 10 ms each way
//   --delays=1,10          only these delays (with --latency)
#include "BareReplay.h"
#include "DelayRelay.h"
#include "DeskDriver.h"
#include "FormHarness.h"
#include "board/BoardReader.h"
#include "board/TableReader.h"
#include "board/forms/Board.h"
#include "modules/Registration.h"
#include "platform/SharedRecords.h"
#include "platform/Sql.h"
#include "platform/SqlProbe.h"
#include "platform/ui/Desk.h"
#include "platform/ui/OffThread.h"
#include "session/Exchanges.h"
#include "session/Session.h"
#include "tables/ClosingService.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

using namespace qv;

namespace {

constexpr int kRuns = 11;

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double millis(const QElapsedTimer &clock)
{
    return double(clock.nsecsElapsed()) / 1e6;
}

// A full house: positions 01-03 of every table open (240), about 2,000 live
// items with observations and kitchen records, and a 100-item table 1/01.
void seed(const test::TestDatabase &db)
{
    db.run(QStringLiteral("DELETE FROM mov_MesaItem; DELETE FROM mov_MesaItemObs; DELETE FROM mov_Cozinha;"
                          "UPDATE mov_Mesa SET status='A',qtdPessoas=2,idGarcon=4,horaAbertura='19:00:00',"
                          "taxaServico=10.00 WHERE idMesa MOD 100 BETWEEN 1 AND 3"));
    const int products[] = {101, 112, 113, 201, 202, 301, 302, 401, 402};
    QString items;
    int id = 0;
    auto add = [&](int idMesa) {
        ++id;
        const int product = products[id % 9];
        if (!items.isEmpty())
            items += QLatin1Char(',');
        items += QStringLiteral("(%1,%2,0,0,%3,12.50,4,'I',%4,'19:30:00','N',0,0,%5,0,' ','N',' ',' ')")
                     .arg(id)
                     .arg(idMesa)
                     .arg(product)
                     .arg(id % 4 == 0 ? 999999 : 1000 + id % 50)
                     .arg(id % 10 == 0 ? 1 : 0);
    };
    for (int n = 0; n < 100; ++n)
        add(101);
    for (int t = 1; t <= 80; ++t) {
        for (int p = 1; p <= 3; ++p) {
            if (t == 1 && p == 1)
                continue;
            for (int n = 0; n < 8; ++n)
                add(t * 100 + p);
        }
    }
    db.run(QStringLiteral("INSERT INTO mov_MesaItem VALUES ") + items);
    db.run(QStringLiteral("INSERT INTO mov_MesaItemObs SELECT 0,idItem,1+idItem MOD 14,idMesa,"
                          "ELT(1+idItem MOD 3,'C','S','O') FROM mov_MesaItem WHERE idItem MOD 3=0"));
    db.run(QStringLiteral("INSERT INTO mov_Cozinha(idItem,tipo,idPedMesa,hrPronto,baixaGarHora) SELECT "
                          "idItem,'M',idMesa DIV 100,'19:45:00',IF(idItem MOD 5=0,'00:00:00','19:50:00') "
                          "FROM mov_MesaItem WHERE idItem MOD 2=0"));
    // Table 1/01 is blocked, ready to be closed; its rows are kept aside so
    // that every closing starts from the same table.
    db.run(QStringLiteral("UPDATE mov_Mesa SET status='B' WHERE idMesa=101;"
                          "CREATE TABLE keep_mesa AS SELECT * FROM mov_Mesa WHERE idMesa=101;"
                          "CREATE TABLE keep_item AS SELECT * FROM mov_MesaItem WHERE idMesa=101;"
                          "CREATE TABLE keep_obs AS SELECT * FROM mov_MesaItemObs WHERE idMesa=101"));
    std::printf("seeded: %s open positions, %s live items, %s observations, %s kitchen records\n",
                qPrintable(db.value(QStringLiteral("SELECT COUNT(*) FROM mov_Mesa WHERE status<>'F'"))),
                qPrintable(db.value(QStringLiteral("SELECT COUNT(*) FROM mov_MesaItem"))),
                qPrintable(db.value(QStringLiteral("SELECT COUNT(*) FROM mov_MesaItemObs"))),
                qPrintable(db.value(QStringLiteral("SELECT COUNT(*) FROM mov_Cozinha"))));
}

// Puts table 1/01 back as it was before a closing, and drops the sale.
void restoreClosedTable(const test::TestDatabase &db)
{
    db.run(QStringLiteral("DELETE FROM mov_MesaItem WHERE idMesa=101; DELETE FROM mov_MesaItemObs WHERE idMesa=101;"
                          "INSERT INTO mov_MesaItem SELECT * FROM keep_item;"
                          "INSERT INTO mov_MesaItemObs SELECT * FROM keep_obs;"
                          "REPLACE INTO mov_Mesa SELECT * FROM keep_mesa;"
                          "DELETE FROM mov_VendasItemObs; DELETE FROM mov_VendasItem; DELETE FROM mov_Vendas"));
}

// The longest lateness of a 5 ms timer on the event thread while measuring.
class StallWatch
{
public:
    StallWatch()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            ++m_ticks;
            const qint64 now = m_clock.nsecsElapsed();
            if (m_measuring && m_last >= 0)
                m_worst = std::max(m_worst, double(now - m_last) / 1e6 - 5.0);
            m_last = now;
        });
        m_clock.start();
        m_timer.start();
    }
    // A new worst for the next delay.
    void reset() { m_worst = 0; }
    void measure(bool on)
    {
        m_measuring = on;
        m_last = -1;
    }
    double worst() const { return m_worst; }
    // Around an operation that may hold the event thread itself (a reading,
    // a closing): a tick before it, so a stall from its very start counts,
    // and one after it, so the lateness it caused is seen.
    void begin()
    {
        measure(true);
        while (m_last < 0)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    void end()
    {
        const qint64 ticks = m_ticks;
        while (m_ticks == ticks)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        measure(false);
    }

private:
    qint64 m_ticks = 0;
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = -1;
    bool m_measuring = false;
    double m_worst = 0;
};

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    initCoreResources();
    SharedRecord::attachAll();
    registerAllForms();
    const bool latency = app.arguments().contains(QStringLiteral("--latency"));
    // Leaves out the runs one statement at a time (minutes at 10 ms).
    const bool pipelinedOnly = app.arguments().contains(QStringLiteral("--pipelined-only"));

    test::FormHarness h;
    seed(h.db());
    h.standardSession();
    MainForm &form = h.startOnDesk(1);
    test::DeskDriver desk(form);
    desk.Cb_STATUSM->setCurrentIndex(0); // "Todas": every table listed
    h.settleBoard();
    desk.boardTimer()->stop();

    std::unique_ptr<bench::DelayRelay> relay;
    std::vector<double> delays = {0};
    if (latency) {
        const int serverPort = qEnvironmentVariableIntValue("QUORVEL_BENCH_PORT");
        if (serverPort <= 0) {
            std::fprintf(stderr, "--latency needs the server's TCP port in QUORVEL_BENCH_PORT (bench/run sets it)\n");
            return 2;
        }
        relay = std::make_unique<bench::DelayRelay>(serverPort);
        delays = {0, 0.25, 1, 5, 10};
        for (const QString &argument : app.arguments()) {
            if (!argument.startsWith(QLatin1String("--delays=")))
                continue;
            delays.clear();
            for (const QString &delay : argument.mid(9).split(QLatin1Char(','), Qt::SkipEmptyParts))
                delays.push_back(delay.toDouble());
        }
    }

    StallWatch stall;
    // The rebuild as the cashier gets it: from the request to the board shown.
    auto threadedRebuild = [&] {
        QElapsedTimer clock;
        clock.start();
        form.rebuildBoard();
        while (desk.board().rebuilding())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        return millis(clock);
    };
    auto timed = [](const auto &operation) {
        QElapsedTimer clock;
        clock.start();
        operation();
        return millis(clock);
    };

    // Every rebuild and reading is timed this many times (fewer where one
    // at a time takes seconds) and the median shown.
    auto runsFor = [](double delay, bool pipeline) { return delay < 1 ? kRuns : pipeline ? 5 : 3; };
    for (double delay : delays) {
        for (const bool pipeline : {true, false}) {
            if (!pipeline && pipelinedOnly)
                continue;
            Sql::Connection connection;
            connection.database = h.db().name();
            connection.pipeline = pipeline;
            if (relay) {
                connection.host = QStringLiteral("127.0.0.1");
                connection.port = relay->port();
                relay->setDelayMs(delay);
            } else {
                connection.socket = test::TestDatabase::socket();
            }
            Sql &sql = desk::sql();
            sql.setConnection(connection);
            SqlTestProbe &probe = SqlTestProbe::on(sql);
            bench::BareReplay bare(connection);
            const int runs = runsFor(delay, pipeline);

            // The statement sequences, recorded from the program's own
            // readers, with their round trips (statements prepared first).
            BoardQuery query;
            query.filter = 1;
            query.businessDate = records::W_PABEDAT().text();
            query.period = desk::session().period();
            TableReader reader(sql, desk::session());
            BoardReader(sql).MESAS(query);
            reader.LERMESA(101, true);
            std::vector<SentStatement> rebuildSent, readingSent;
            probe.recordInto(&rebuildSent);
            std::int64_t trips = probe.roundTrips();
            BoardReader(sql).MESAS(query);
            const std::int64_t rebuildTrips = probe.roundTrips() - trips;
            probe.recordInto(&readingSent);
            trips = probe.roundTrips();
            const TableReader::Reading check = reader.LERMESA(101, true);
            const std::int64_t readingTrips = probe.roundTrips() - trips;
            probe.recordInto(nullptr);

            std::vector<double> rebuilds, rebuildsBare, readings, readingsBare, closings;
            stall.reset();
            bare.load(rebuildSent);
            threadedRebuild(); // warm: the board's connection made, statements prepared
            bare.replay();
            for (int i = 0; i < runs; ++i) {
                stall.measure(true);
                rebuilds.push_back(threadedRebuild());
                stall.measure(false);
                rebuildsBare.push_back(timed([&] { bare.replay(); }));
            }
            const double rebuildStall = stall.worst();
            bare.load(readingSent);
            bare.replay();
            // The reading runs on the event thread: the screen waits for it.
            stall.reset();
            for (int i = 0; i < runs; ++i) {
                stall.begin();
                readings.push_back(timed([&] { reader.LERMESA(101, true); }));
                stall.end();
                readingsBare.push_back(timed([&] { bare.replay(); }));
            }
            const double readingStall = stall.worst();

            // The closing as the cashier confirms the payment: the checks
            // before the payment module, then the sale written and the
            // table freed, both as the desk runs them: off the event thread
            // while the screen's timer runs. The first one prepares its
            // statements and is not timed.
            ClosingService closing(sql, desk::session());
            std::int64_t closingTrips = 0, prepareTrips = 0;
            std::vector<double> prepares;
            double prepareStall = 0, closingStall = 0;
            for (int i = 0; i <= runs; ++i) {
                restoreClosedTable(h.db());
                const TableReader::Reading shown = reader.LERMESA(101, true);
                trips = probe.roundTrips();
                stall.reset();
                stall.begin();
                ClosingService::Then then = ClosingService::Then::Stop;
                const double prepared = timed([&] {
                    const ClosingService::SaleSession session = ClosingService::sessionOf(desk::session());
                    ClosingService::Preparation checked;
                    OffThread(&form).run([&] { checked = closing.check(shown.table, session); });
                    ClosingService::handOver(checked, shown.table);
                    then = checked.then;
                });
                stall.end();
                if (then != ClosingService::Then::Pay) {
                    std::fprintf(stderr, "table 1/01 cannot be closed\n");
                    return 1;
                }
                const std::int64_t preparing = probe.roundTrips() - trips;
                const double preparingStall = stall.worst();
                exchange::PaymentExchange::answer(
                    {true, QStringLiteral("01").leftJustified(350, QLatin1Char(' ')), Decimal(), Decimal()});
                trips = probe.roundTrips();
                Outcome written;
                stall.reset();
                stall.begin();
                const double ms = timed([&] {
                    const ClosingService::SaleOrder order =
                        closing.order(shown.table, {QString::number(shown.table.people()), QString()});
                    OffThread(&form).run([&] { written = closing.write(order); });
                });
                stall.end();
                if (!written.done()) {
                    std::fprintf(stderr, "closing failed: %s\n", qPrintable(written.message));
                    return 1;
                }
                if (i > 0) {
                    closings.push_back(ms);
                    prepares.push_back(prepared);
                    closingTrips = probe.roundTrips() - trips;
                    prepareTrips = preparing;
                    closingStall = std::max(closingStall, stall.worst());
                    prepareStall = std::max(prepareStall, preparingStall);
                }
            }
            restoreClosedTable(h.db());

            if (relay)
                std::printf("latency_ms=%g ", delay);
            else
                std::printf("socket ");
            std::printf("rebuild_ms=%.2f rebuild_bare_ms=%.2f reading_ms=%.2f reading_bare_ms=%.2f closing_ms=%.2f "
                        "stall_ms=%.2f rebuild_rt=%lld reading_rt=%lld closing_rt=%lld reading_stall_ms=%.2f "
                        "prepare_ms=%.2f prepare_stall_ms=%.2f prepare_rt=%lld closing_stall_ms=%.2f%s\n",
                        median(rebuilds), median(rebuildsBare), median(readings), median(readingsBare),
                        median(closings), rebuildStall, (long long)rebuildTrips, (long long)readingTrips,
                        (long long)closingTrips, readingStall, median(prepares), prepareStall, (long long)prepareTrips,
                        closingStall, pipeline ? "" : " pipeline=off");
            std::fflush(stdout);
            if (!relay && pipeline)
                std::printf("statements: rebuild %zu, reading %zu (%zu items)\n", rebuildSent.size(),
                            readingSent.size(), check.table.items.size());
        }
    }

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak memory (max RSS): %.1f MB\n", double(usage.ru_maxrss) / 1024.0);
    return 0;
}
