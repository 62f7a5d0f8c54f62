#pragma once

#include "board/ShownTable.h"
#include "board/TableReader.h"
#include "board/forms/KeyMap.h"

#include <cstdint>
#include <vector>

class QComboBox;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

namespace qv {

class DeskController;

// The controls the detail view paints: the item list, the grouped products,
// the captions that follow the table, and the fields of the position and
// its totals.
struct DetailWidgets
{
    QWidget *window = nullptr;             // where Alt+O, to the grouped list, lives
    QTreeWidget *items = nullptr;          // Lv_Itens
    QTreeWidget *grouped = nullptr;        // Lv_Consol
    QPushButton *block = nullptr;          // Bt_Bloqueio
    QPushButton *service = nullptr;        // Bt_SERVICO
    QPushButton *showObs = nullptr;        // Bt_MOSTRA
    QComboBox *waiter = nullptr;           // Cb_Operador
    QLineEdit *waiterCode = nullptr;       // Ds_CODIGAR
    QLineEdit *waiterName = nullptr;       // Ds_NOMEGAR
    QLineEdit *people = nullptr;           // Ed_QTDEPES
    QLineEdit *openedAt = nullptr;         // Ds_HORAABE
    QLineEdit *timeOpen = nullptr;         // Ds_PERMANE
    QLineEdit *itemCount = nullptr;        // Ds_TOTITENS
    QLineEdit *products = nullptr;         // Ds_TOTPROD
    QLineEdit *discountCode = nullptr;     // Ds_CODIDES
    QLineEdit *discountOperator = nullptr; // Ds_OPERDES
    QLineEdit *discountPercent = nullptr;  // Ds_PERCDES
    QLineEdit *discountValue = nullptr;    // Ds_VALODES
    QLineEdit *manualDiscount = nullptr;   // Ed_DESCMANT
    QLineEdit *subtotal = nullptr;         // Ds_SUBTOTA
    QLineEdit *servicePercent = nullptr;   // Ds_TAXASER
    QLineEdit *serviceValue = nullptr;     // Ds_VALOSER
    QLineEdit *tableTotal = nullptr;       // Ds_TOTMESA
    QLineEdit *perPerson = nullptr;        // Ed_VALOPES
    QLineEdit *principal = nullptr;        // Ds_TOTPRIN
    QLineEdit *takeAway = nullptr;         // Ds_TOTVIAG
    QLineEdit *takeAwayNet = nullptr;      // Ds_VIAGLIQ
};

// The right half of the main form: the table position shown, its items,
// the consolidated list and the totals. LERMESA is the one place where a
// table is read and its totals computed; every command ends by running it
// again or by releasing the table. The item list is walked and picked from
// here too, so its rows and the reading's rows never part.
class Detail
{
public:
    Detail(DeskController &desk, const DetailWidgets &widgets);

    // Full-row selection, grid lines and column widths of both lists; Alt+O
    // and the sideways keys of the grouped list.
    void prepareLists();

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

    // The item list: its rows, the selected ones (first to last), and the
    // row picked by a click (0 for an observation row), handed on to the
    // modules that edit and reprint it.
    int rowCount() const;
    bool hasSelection() const;
    std::vector<ItemListRow> selectedRows() const;
    std::int64_t pick(QTreeWidgetItem *row);
    // Down from the table field: into the list, on its current row.
    void enterList();
    // Moving, selecting and opening in the list.
    void moveInList(DeskCommand command);
    QTreeWidget *list() const { return m_w.items; }
    // Where the grouped items begin, in the window's coordinates.
    int groupedTop() const;

private:
    void paint();
    void paintTotals();

    DeskController &m_desk;
    DetailWidgets m_w;
    TableReader m_reader;
    bool m_showObservations = false;
    ShownTable m_shown;
};

} // namespace qv
