#pragma once

#include <QObject>
#include <QString>

namespace qv {

class MainForm;

// Commands on the table position as a whole: people count, blocking, the
// waiter and bill request (IMPMESA), table and manual discount, service
// fee, and closing the account into a sale.
//
// The people count and the manual discount are confirmed from their own
// fields (Enter or leaving the field), which this object watches.
class TableCommands : public QObject
{
public:
    explicit TableCommands(MainForm &form);
    ~TableCommands() override;

    // Ed_QTDEPES confirmed: the people count of the table shown.
    void peopleCount();
    // F2: block or unblock.
    void toggleBlock();
    // The bill request: waiter from Cb_Operador, status 'I', table released.
    void IMPMESA();
    // F4: table discount through the discount search.
    void tableDiscount();
    // Ed_DESCMANT confirmed: the manual discount of the table shown.
    void manualDiscount();
    // F8: service fee on or off.
    void toggleService();
    // F10 (and Bt_MOSTRA1, and the cancel command on the last item).
    void closeAccount();
    // Writes the sale of the position shown and frees it, all or nothing.
    // False (with the cashier told why) when nothing was written.
    bool GRAVAR();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The position shown, when the number in Ed_CODIMES is still that
    // position; 0 otherwise.
    int shownTable() const;
    void reportWriteError(const QString &what);
    void rereadTable();

    MainForm &m_form;
    bool m_busy = false; // a field command is running (its messages move the focus)
};

} // namespace qv
