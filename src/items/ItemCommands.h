#pragma once

namespace qv {

class MainForm;

// Launching and editing items on the table shown: the include frame
// Frm_INC with its product lookup and observation chooser.
class ItemCommands
{
public:
    explicit ItemCommands(MainForm &form);
    ~ItemCommands();

    // Start-up: the observation list of Cb_OBSERVA, from the session's list.
    void loadObservationList();
    // INS: open the frame for a new item.
    void INSITEM();
    // Double click on an item row: open the frame to edit W-INCREME.
    void CARITEM();
    // "PESQUISA PRODUTO" / F11: the product search module.
    void productSearch();

private:
    MainForm &m_form;
};

} // namespace qv
