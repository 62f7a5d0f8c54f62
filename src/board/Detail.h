#pragma once

#include "board/Totals.h"
#include "platform/Record.h"

namespace qv {

class MainForm;

// The right half of the main form: the table position shown, its items,
// the consolidated list and the totals. LERMESA is the one place where a
// table is read and its totals computed; every command ends by running it
// again or by releasing the table.
class Detail
{
public:
    explicit Detail(MainForm &form);

    // "LERMESA": read the position in Ed_CODIMES and show it.
    void LERMESA();
    // Clears every detail control and both lists (no table shown).
    void clear();
    // Cm_TimerPermanencia: recompute the time open of the table shown.
    void refreshTimeOpen();

    // The values behind the controls, exact to four decimals.
    const TableTotals &totals() const { return m_totals; }
    const Record &table() const { return m_table; }
    bool showsObservations() const;

private:
    bool readItems(int idMesa);

    MainForm &m_form;
    Record m_table;
    TableTotals m_totals;
    Consolidation m_consolidation;
    int m_itemCount = 0; // item rows of the last reading (observation rows not counted)
};

} // namespace qv
