#pragma once

#include "tables/ClosingService.h"
#include "tables/TableService.h"

#include <QObject>
#include <QString>

class QComboBox;
class QLineEdit;

namespace qv {

class DeskContext;

// The keys and fields of the commands on the table position as a whole:
// people count, blocking, the waiter and bill request (IMPMESA), table and
// manual discount, service fee, and closing the account into a sale. What
// they do lives in TableService and ClosingService; this object reads the
// cashier's input from the main form, opens the discount search and the
// payment module, and tells the outcome.
//
// The people count and the manual discount are confirmed from their own
// fields (Enter or leaving the field), which this object watches. The
// fields are the desk's, handed over as this object's own; everything else
// of the desk it reaches through DeskContext.
class TableCommands : public QObject
{
public:
    // The desk's fields these commands read and write.
    struct Fields
    {
        QLineEdit *people = nullptr;           // Ed_QTDEPES
        QLineEdit *manualDiscount = nullptr;   // Ed_DESCMANT
        QComboBox *waiter = nullptr;           // Cb_Operador
        QLineEdit *discountCode = nullptr;     // Ds_CODIDES
        QLineEdit *discountOperator = nullptr; // Ds_OPERDES
    };

    TableCommands(DeskContext &desk, const Fields &fields);
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
    // Console lines, then the message with its icon, then on as the outcome
    // says. Unlike DeskContext::present no second box with the server's own
    // text follows: these commands put the state in their one message.
    void tell(const Outcome &outcome);

    DeskContext &m_desk;
    Fields m_fields;
    TableService m_service;
    ClosingService m_closing;
    bool m_busy = false; // a field command is running (its messages move the focus)
};

} // namespace qv
