#pragma once

namespace qv {

class MainForm;

// Cancelling items with a reason (Frm_MOT) and the waiter's delivery
// acknowledgement.
class CancelCommands
{
public:
    explicit CancelCommands(MainForm &form);
    ~CancelCommands();

    // Start-up: the reason list of Cb_MOTICAN, from the session's list.
    void loadReasons();
    // DEL: cancel the selected item rows.
    void CANCITE();
    // F9: acknowledge delivery of the selected item rows.
    void BAIXITE();

private:
    MainForm &m_form;
};

} // namespace qv
