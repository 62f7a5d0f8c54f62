#pragma once

namespace qv {

class MainForm;

// Commands on the table position as a whole: people count, blocking, the
// waiter and bill request (IMPMESA), table and manual discount, service
// fee, and closing the account into a sale.
class TableCommands
{
public:
    explicit TableCommands(MainForm &form);
    ~TableCommands();

    // F2: block or unblock.
    void toggleBlock();
    // The bill request: waiter from Cb_Operador, status 'I', table released.
    void IMPMESA();
    // F4: table discount through the discount search.
    void tableDiscount();
    // F8: service fee on or off.
    void toggleService();
    // F10 (and Bt_MOSTRA1, and the cancel command on the last item).
    void closeAccount();

private:
    MainForm &m_form;
};

} // namespace qv
