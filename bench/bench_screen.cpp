// Benchmark of the two heaviest readings of the screen on a full house:
// the board rebuild and the reading of a 100-item table, through the real
// code and widgets (offscreen). For each it prints the median wall time, the
// statements issued, and the "floor": the time of as many prepared point
// selects issued in a bare loop on the same connection. Run by hand:
//   bench/run            (starts its own MariaDB)
#include "FormHarness.h"
#include "platform/ui/Desk.h"
#include "board/forms/Detail.h"
#include "data/Tables.h"
#include "modules/Registration.h"
#include "platform/SharedRecords.h"
#include "platform/Sql.h"
#include "ui_MainForm.h"

#include <QApplication>
#include <QElapsedTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace qv;

namespace {

constexpr int kRuns = 21;

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double millis(const QElapsedTimer &clock)
{
    return double(clock.nsecsElapsed()) / 1e6;
}

// Runs the operation and its floor alternately, so that whatever else the
// machine does weighs on both alike, and prints the medians and the median
// of the per-run ratios.
void measure(const char *name, const std::function<void()> &operation)
{
    Record row(tables::movMesa);
    std::vector<double> times, floors, ratios;
    std::int64_t statements = 0;
    operation(); // warm: statements prepared, caches filled
    for (int i = 0; i < kRuns; ++i) {
        const std::int64_t before = desk::sql().statementCount();
        QElapsedTimer clock;
        clock.start();
        operation();
        const double t = millis(clock);
        statements = desk::sql().statementCount() - before;

        clock.restart();
        for (std::int64_t n = 0; n < statements; ++n)
            desk::sql().exec("SELECT*FROM mov_Mesa WHERE idMesa=?", {int(101 + (n % 80) * 100)}, &row);
        const double f = millis(clock);
        times.push_back(t);
        floors.push_back(f);
        ratios.push_back(t / f);
    }
    std::printf("%-28s median %8.2f ms  statements %5lld  floor %8.2f ms  ratio %5.2f\n", name, median(times),
                static_cast<long long>(statements), median(floors), median(ratios));
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
    std::printf("seeded: %s open positions, %s live items, %s observations, %s kitchen records\n",
                qPrintable(db.value(QStringLiteral("SELECT COUNT(*) FROM mov_Mesa WHERE status<>'F'"))),
                qPrintable(db.value(QStringLiteral("SELECT COUNT(*) FROM mov_MesaItem"))),
                qPrintable(db.value(QStringLiteral("SELECT COUNT(*) FROM mov_MesaItemObs"))),
                qPrintable(db.value(QStringLiteral("SELECT COUNT(*) FROM mov_Cozinha"))));
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    initCoreResources();
    SharedRecord::attachAll();
    registerAllForms();

    test::FormHarness h;
    seed(h.db());
    h.standardSession();
    MainForm &form = h.startOnDesk(1);
    form.Cm_TimerMesas->stop();
    auto &ui = form.ui();

    ui.Cb_STATUSM->setCurrentIndex(0); // "Todas": every table listed
    measure("board rebuild (MESAS)", [&] { form.dispatch(QStringLiteral("MESAS")); });
    measure("LERMESA, 100-item table", [&] {
        form.showTableNumber(101);
        form.dispatch(QStringLiteral("LERMESA"));
    });
    std::printf("items shown: %d\n", ui.Lv_Itens->topLevelItemCount());

    // Where the board's time goes: each statement kind of the rebuild alone,
    // 800 runs, against the primary-key select of the floor.
    if (app.arguments().contains(QStringLiteral("--breakdown"))) {
        static const Layout product("p", {FieldDef::N("idProduto", 6)});
        static const Layout count("c", {FieldDef::N("c", 11)});
        Record mesa(tables::movMesa), code(product), number(count), waiter(tables::tabOperador);
        Sql &sql = desk::sql();
        const struct
        {
            const char *name;
            std::function<void(int)> run;
        } kinds[] = {
            {"point select (floor)", [&](int i) { sql.exec("SELECT*FROM mov_Mesa WHERE idMesa=?", {101 + (i % 80) * 100}, &mesa); }},
            {"item join", [&](int i) {
                 sql.exec("SELECT pr.idProduto FROM mov_MesaItem AS mi LEFT JOIN cad_Produtos AS pr ON "
                          "pr.idProduto=mi.idProduto WHERE mi.idMesa=? AND mi.status<>'C'AND mi.status<>'K'",
                          {101 + (i % 80) * 100}, &code);
             }},
            {"kitchen count", [&](int i) {
                 sql.exec("SELECT COUNT(*)FROM mov_Cozinha WHERE idPedMesa=? AND tipo=\"M\"", {1 + i % 80}, &number);
             }},
            {"position count", [&](int i) {
                 const int t = 1 + i % 80;
                 sql.exec("SELECT COUNT(*)FROM mov_Mesa WHERE status<>\"F\"AND(idMesa>? AND idMesa<?)",
                          {t * 100, t * 100 + 99}, &number);
             }},
            {"waiter", [&](int i) { sql.exec("SELECT*FROM tab_Operador WHERE idOperador=?", {1 + i % 15}, &waiter); }},
        };
        for (const auto &kind : kinds) {
            std::vector<double> times;
            for (int r = 0; r < 7; ++r) {
                QElapsedTimer clock;
                clock.start();
                for (int i = 0; i < 800; ++i)
                    kind.run(i);
                times.push_back(millis(clock) * 1000.0 / 800.0);
            }
            std::printf("  %-22s %7.1f us per statement\n", kind.name, median(times));
        }
    }

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak memory (max RSS): %.1f MB\n", double(usage.ru_maxrss) / 1024.0);
    return 0;
}
