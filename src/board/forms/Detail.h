#pragma once

#include "board/ShownTable.h"
#include "board/TableReader.h"

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

    // The table on show as the last reading found it; what the controls
    // show is painted from it.
    const ShownTable &shown() const { return m_shown; }
    const TableTotals &totals() const { return m_shown.totals; }
    const Record &table() const { return m_shown.row; }
    // The observation rows of the item list are shown (F7 switches them,
    // and the caption of Bt_MOSTRA follows).
    bool showsObservations() const { return m_showObservations; }
    void switchObservations();
    // The service fee was switched on the table shown: its totals as the
    // switch computed them, until the next reading.
    void serviceSwitched(bool on, const TableTotals &totals);
    // A people count stored without reading the table again: the shown
    // table takes it, with the totals that follow from it.
    void peopleChanged(int people, const TableTotals &totals);

private:
    void paint();
    void paintTotals();

    MainForm &m_form;
    TableReader m_reader;
    bool m_showObservations = false;
    ShownTable m_shown;
};

} // namespace qv
