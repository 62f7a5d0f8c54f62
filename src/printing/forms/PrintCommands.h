#pragma once

#include "printing/PrintService.h"

#include <QObject>
#include <QString>

#include <memory>

class QComboBox;
class QGridLayout;
class QGroupBox;
class QWidget;

namespace Ui {
class PrintMenu;
class PrinterTest;
} // namespace Ui

namespace qv {

class CommandFrame;
class DeskContext;

// The print menu Frm_IMP (bill request, item and comanda reprints) and the
// printer test: the cashier's side of PrintService, on the desk's context
// alone.
class PrintCommands : public QObject
{
public:
    // `reports` is the grid of the report buttons, where the printer test's
    // printer choice goes, under its button.
    PrintCommands(DeskContext &form, QGridLayout &reports);
    ~PrintCommands() override;

    // Start-up: the printer list of Cb_TESTEIMP.
    void loadPrinters();
    // F1: open the print menu.
    void openPrintMenu();
    // "TESTAR IMPRESSORA".
    void TESTEIMP();

    // The buttons of the menu; each leaves the menu first.
    void IMPCTA(); // "CONTA"
    void IMPPRO(); // "PRODUTO"
    void IMPCMD(); // "COMANDA"
    void VOLTA();  // "VOLTAR"

    Ui::PrintMenu &menu() const { return *m_menuUi; }
    QGroupBox *Frm_IMP() const { return m_menu; }
    QComboBox *Cb_TESTEIMP() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void leaveMenu();
    // The outcome of a reprint request for the cashier, then the table
    // read again.
    void tell(const Outcome &outcome);

    DeskContext &m_form;
    PrintService m_service;
    std::unique_ptr<Ui::PrintMenu> m_menuUi;
    std::unique_ptr<Ui::PrinterTest> m_testUi;
    QGroupBox *m_menu = nullptr;
    QWidget *m_testControls = nullptr;
    CommandFrame *m_frame = nullptr;
};

} // namespace qv
