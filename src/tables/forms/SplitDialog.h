#pragma once

#include "tables/forms/PositionList.h"

#include "platform/Decimal.h"

#include <QDialog>
#include <QString>

#include <memory>

class QTimer;

namespace Ui {
class SplitDialog;
}

namespace qv {

// "99-Divide", "Conta Dividida": the cashier ticks the open positions of the
// table that share the bill of a blocked position; each of them will receive
// one share item (product 999999).
//
// The caller writes the position being split into W-VARS-SQL bytes 33-37,
// the amount to share into W-TAB-TOTMESA (5 digits and 2 decimals) and a
// space into L-LINK byte 312, and opens the form by name. The dialog only
// chooses: it hands back the ticked positions and 'S' there, and writes
// nothing; the caller writes the shares once it has closed.
class SplitDialog : public QDialog
{
    Q_OBJECT

public:
    explicit SplitDialog(QWidget *parent = nullptr);
    ~SplitDialog() override;

    Ui::SplitDialog &ui() const { return *m_ui; }

    // Runs the named procedure of the form: "ABRAR" or "DIVIDIR".
    void dispatch(const QString &code);
    // Start procedure, run once by Cm_Timer when the form is on screen: the
    // position in Ed_MESA and the candidate positions in Lv_Mesas.
    void ABRAR();
    // Bt_VOLTA: hands the ticked positions back to the caller.
    void DIVIDIR();

    // ABRAR has run (whatever it decided).
    bool started() const { return m_started; }
    // What the caller handed over.
    int position() const { return m_position; }
    Decimal amount() const { return m_amount; }

    // The idMesa of a row of Lv_Mesas, in column 1 under this role.
    static constexpr int kMesaRole = positionlist::kMesaRole;

    QTimer *Cm_Timer = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Ed_QUANTAS: how many rows are ticked.
    int countTicked();
    void moveCurrent(int step);

    std::unique_ptr<Ui::SplitDialog> m_ui;
    int m_position = 0;
    Decimal m_amount;
    bool m_started = false;
};

// Registers "99-Divide" in the form registry.
void registerSplitDialog();

} // namespace qv
