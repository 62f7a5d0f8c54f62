#pragma once

#include "modules/PaymentTally.h"

#include <QDialog>

#include <memory>

namespace Ui {
class Payment;
}

namespace qv {

// "99-Fennoc", "Pagamento": our stand-in for the suite's payment module.
// The caller hands over the amount due (L-LINK characters 301-311) and the
// service percent (W-TAB-TAXASER) with L-LINK character 312 set; the
// cashier takes one or more payments by kind, a tip and, on a table without
// fee, a service amount. Confirming fills W-TAB-RECEBIM, W-TAB-REPIQUE and
// W-TAB-SERVICO and leaves character 312 non-blank; leaving (Escape)
// blanks it and writes nothing else.
//
// Keys: F1 Dinheiro, F2 Cartão de Débito, F3 Cartão de Crédito, F4 PIX;
// Enter in the amount field takes the payment (blank = what is still due);
// Del removes the payment selected in the list; F10 confirms.
class PaymentDialog : public QDialog
{
    Q_OBJECT

public:
    explicit PaymentDialog(QWidget *parent = nullptr);
    ~PaymentDialog() override;

    Ui::Payment &ui() const { return *m_ui; }
    const payment::Tally &tally() const { return m_tally; }

    void chooseKind(payment::Kind kind);
    payment::Kind kind() const { return m_kind; }
    // Enter in the amount field.
    void takePayment();
    void removeSelected();
    // F10: accepted only when the total is paid.
    void confirmPayment();

    void reject() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void readExtras();
    void refresh();
    void refuse(payment::Refusal refusal);

    std::unique_ptr<Ui::Payment> m_ui;
    payment::Tally m_tally;
    payment::Kind m_kind = payment::Kind::Cash;
    bool m_extrasValid = true;
};

// Registers "99-Fennoc" (our stand-in for the suite's module) in the form registry.
void registerPayment();

} // namespace qv
