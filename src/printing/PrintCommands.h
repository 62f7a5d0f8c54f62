#pragma once

namespace qv {

class MainForm;

// The print menu Frm_IMP (bill request, item and comanda reprints) and the
// printer test.
class PrintCommands
{
public:
    explicit PrintCommands(MainForm &form);
    ~PrintCommands();

    // Start-up: the printer list of Cb_TESTEIMP.
    void loadPrinters();
    // F1: open the print menu.
    void openPrintMenu();
    // "TESTAR IMPRESSORA".
    void TESTEIMP();

private:
    MainForm &m_form;
};

} // namespace qv
