#pragma once

#include "tables/forms/PositionList.h"

#include <QDialog>
#include <QString>

#include <memory>

class QTimer;
class QTreeWidgetItem;

namespace Ui {
class TableChooser;
}

namespace qv {

// "99-Mesa", "Detalhamento da Mesa": lists the positions of one table with
// the board's state icons and hands the chosen position back to the caller.
//
// The caller writes the exclusive bounds T*100 and T*100+99 into W-VARS-SQL
// bytes 33-37 and 38-42 and opens the form by name; whatever way the dialog
// is left, bytes 33-37 then hold the number shown in Ed_MESA (0 when the
// cashier left without a choice). The dialog only reads the database.
class TableChooser : public QDialog
{
    Q_OBJECT

public:
    explicit TableChooser(QWidget *parent = nullptr);
    ~TableChooser() override;

    Ui::TableChooser &ui() const { return *m_ui; }

    // Start procedure, run once by Cm_Timer when the form is on screen: the
    // filter entries, then the filter that suits the table (which lists it).
    void ABRAR();
    // Fills Lv_Mesas through the filter selected in Cb_STATUSM.
    void MOSTRA();

    // The position in Ed_MESA (idMesa, 0 for none).
    int chosen() const { return m_chosen; }
    // Ed_MESA's mask "zz9B99": table right-aligned in three, a blank, the
    // two position digits (1201 -> " 12 01").
    static QString maskMesa(int idMesa);

    // Data of a row: the icon number (1..6) in column 0, the idMesa in
    // column 1, both under this role.
    static constexpr int kIconRole = positionlist::kIconRole;
    static constexpr int kMesaRole = positionlist::kMesaRole;

    QTimer *Cm_Timer = nullptr;

    // Every way out of a QDialog (close(), Escape, accept, reject, the
    // window's close button) ends here: the form-closed event.
    void done(int result) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void setChosen(int idMesa);
    void onRowClicked(QTreeWidgetItem *item);
    void moveSelection(int step);
    void leaveWithoutChoice();

    std::unique_ptr<Ui::TableChooser> m_ui;
    // The two bounds, copied from W-VARS-SQL when the form opens.
    int m_lowest = 0;
    int m_highest = 0;
    int m_chosen = 0;
};

// Registers "99-Mesa" in the form registry.
void registerTableChooser();

} // namespace qv
