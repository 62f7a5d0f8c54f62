#pragma once

namespace qv {

class MainForm;

// Splitting a blocked table's bill over other positions (99-Divide) and
// moving items to another table (Frm_NovaMesa).
class SplitTransfer
{
public:
    explicit SplitTransfer(MainForm &form);
    ~SplitTransfer();

    // "CONTA DIVIDIDA".
    void DIVIDIR();
    // F3: open the transfer frame for the selected item rows.
    void openTransfer();

private:
    MainForm &m_form;
};

} // namespace qv
