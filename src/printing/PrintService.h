#pragma once

#include "board/PositionGuard.h"
#include "board/ShownTable.h"
#include "data/Outcome.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace qv {

class Sql;

// The print requests of the print menu and the printer test's part below
// the page. The reprints are requests recorded on the items; the printing
// side of the suite carries them out.
class PrintService
{
public:
    explicit PrintService(Sql &sql);

    // "PRODUTO": the items `items` of `table` printed again one by one.
    // Every item is asked for, whatever fails; the first failure is told
    // and the table is read again either way. Nothing is asked for when the
    // position is no longer the opening shown, was blocked elsewhere, or an
    // item was cancelled or moved meanwhile (PositionGuard).
    Outcome reprintProducts(const ShownTable &table, const std::vector<std::int64_t> &items);
    // "COMANDA": the tickets of the items `items` of `table` printed again.
    Outcome reprintComandas(const ShownTable &table, const std::vector<std::int64_t> &items);

    // TESTEIMP, one printer at a time: the page itself is printed by the
    // caller between the steps.
    struct TestPrinter
    {
        int code = 0; // 0: no printer left to test
        QString name; // tab_Impressoras.nome as read
        QString time; // the server's time for its page
    };
    // The next printer after code `after` to be tested, in code order:
    // every named one for "Todas", otherwise the one named `chosen`.
    Outcome nextTestPrinter(int after, const QString &chosen, TestPrinter &printer);
    // The configuration the print runtime reads for `printer`, written to
    // `formPrt`, then the time for its page. Without the file no page may go
    // out: the runtime would print on whatever printer the last file named.
    Outcome TESTEIMP(TestPrinter &printer, const QString &formPrt);

private:
    Sql &m_sql;
    PositionGuard m_guard;
};

} // namespace qv
