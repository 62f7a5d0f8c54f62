#pragma once

#include "platform/Decimal.h"
#include "tables/OpenTableService.h"

#include <QDialog>
#include <QString>

#include <memory>

namespace Ui {
class OpenTable;
}

namespace qv {

// "99-AbreMesa", "Abre Mesa": turns a closed table position ('F') into an
// open one ('A') with a people count, a waiter, the server's time and the
// current service fee. What may be opened and what is written is
// OpenTableService's; the dialog takes the cashier's input and tells.
//
// The caller writes the position to open into W-VARS-SQL bytes 23-27 and a
// space into L-LINK byte 312, then opens the form by name; the dialog puts
// 'S' there when the row was written. Everything else it needs (position 1
// of the table, the parameters row, the waiters) it reads itself.
class OpenTable : public QDialog
{
    Q_OBJECT

public:
    explicit OpenTable(QWidget *parent = nullptr);
    ~OpenTable() override;

    Ui::OpenTable &ui() const { return *m_ui; }

    // Runs the named procedure of the form: "ABRAR" or "ABRIR".
    void dispatch(const QString &code);
    const QString &functionCode() const { return m_functionCode; }

    // Form opened: position-1 check, the number shown, the parameters row
    // and the waiter list. Closes the dialog when the position may not be
    // opened.
    void ABRAR();
    // Bt_Gravar: validates the people count and the waiter, writes the row.
    void ABRIR();

    // ABRAR has run (whatever it decided).
    bool started() const { return m_started; }
    // Key-filter flag: 'T' while one of the two buttons has the focus, so
    // Enter presses it; 'E' otherwise, so Enter moves on like Tab.
    char keyFlag() const { return m_keyFlag; }
    // taxaServicoParam of the parameters row, as read by ABRAR.
    Decimal serviceFee() const { return m_serviceFee; }

    // The table number as Ed_CODIMES shows it, mask "zz999": five digits,
    // the first two blank when they are leading zeros (103 -> "  103").
    static QString maskCodimes(int idMesa);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void fillWaiters();

    std::unique_ptr<Ui::OpenTable> m_ui;
    OpenTableService m_service;
    QString m_functionCode;
    Decimal m_serviceFee;
    char m_keyFlag = 'E';
    bool m_started = false;
    bool m_opened = false; // the form-opened event has been queued
};

// Registers "99-AbreMesa" in the form registry.
void registerOpenTable();

} // namespace qv
