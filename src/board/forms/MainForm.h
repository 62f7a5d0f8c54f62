#pragma once

#include "board/forms/DeskContext.h"
#include "platform/Decimal.h"
#include "platform/Sql.h"

#include <QElapsedTimer>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class QKeyEvent;
class QLabel;
class QTreeWidgetItem;

namespace Ui {
class MainForm;
}

namespace qv {

class Board;
class CancelCommands;
class Detail;
class ItemCommands;
class PrintCommands;
class SplitTransfer;
class SuiteLinks;
class TableCommands;

// The cashier's main form, "08-Quorvel": session header, table board on the
// left, the selected table's detail and totals on the right, and the
// function-key bar. Its larger procedures run through one dispatcher keyed
// by a function code, as every command of the screen does.
class MainForm : public QWidget, public DeskContext
{
    Q_OBJECT

public:
    explicit MainForm(QWidget *parent = nullptr);
    ~MainForm() override;

    Ui::MainForm &ui() const { return *m_ui; }

    // Runs the named procedure ("ABRAR", "MESAS", "LERMESA", "TECLA", ...).
    void dispatch(const QString &code);
    const QString &functionCode() const { return m_functionCode; }

    // Start-up finished (successfully or not).
    bool started() const { return m_started; }
    // The form was closed by a failure, the session check or the cashier.
    bool closedDown() const { return m_closed; }
    // Closes the form; the program ends with it.
    void closeForm();
    // The same after a failure that leaves the desk unusable: the program
    // then ends with a status that says so.
    void closeAfterFailure();
    // What the program's exit status should say: 0 closed by the cashier,
    // kStartupFailed when start-up failed, kFailed when a failure closed
    // the form later.
    int exitStatus() const { return m_exitStatus; }
    static constexpr int kStartupFailed = 2;
    static constexpr int kFailed = 3;

    // The database cannot be reached: `message` is told once, then the form
    // stays open, its board kept as it was and marked stale under a banner,
    // every command answered with a short message and nothing written,
    // while the connection is tried again every few seconds. When the
    // server answers, the banner goes and the board is rebuilt.
    // A server that refuses the desk (access denied, TLS, database gone:
    // `why.refused()`) is told as such with the server's own words instead
    // of `message`, and asked again after a pause that doubles with every
    // refusal (kRetryMs × 2, 4, ... up to kMaxRetryMs) rather than every few
    // seconds: a person has to change something first.
    void goOffline(const QString &message, const DbError &why = {});
    bool offline() const { return m_offline; }
    // Tries the database once now (the retry timer's step), off the event
    // thread; backOnline() follows when it answers.
    void tryReconnect();
    // The board was rebuilt from the server: the banner goes and the table
    // on show is read again.
    void backOnline();
    // Runs a command, then goes offline (silently) when a statement of the
    // desk's connection lost the server meanwhile and it did not come back.
    void watchingServer(const std::function<void()> &command);
    static constexpr int kRetryMs = 3000;
    static constexpr int kMaxRetryMs = 120000;
    // The pause before the next try while offline (for tests and the banner).
    int retryIntervalMs() const;

    // The cash-desk choice: button n (1..5) of Bt_CX.
    void chooseDesk(int n);

    // Table shown (the number last read by LERMESA); 0 when none.
    int currentTable() const { return m_currentTable; }
    void setCurrentTable(int idMesa) { m_currentTable = idMesa; }
    // The number in Ed_CODIMES ("012/03", "1203" and "12" all read as numbers).
    int typedTable() const;
    void showTableNumber(int idMesa);

    // The key procedure's input.
    void pressKey(int keyCode);
    int keyCode() const { return m_keyCode; }

    // Session check made by every table reading; false when the form was
    // closed because the period or the cash desk is no longer open.
    bool sessionStillOpen();

    Board &board() const { return *m_board; }
    Detail &detail() const { return *m_detail; }
    ItemCommands &items() const { return *m_items; }
    CancelCommands &cancel() const { return *m_cancel; }
    TableCommands &tables() const { return *m_tables; }
    SplitTransfer &splitTransfer() const { return *m_splitTransfer; }
    PrintCommands &printing() const { return *m_printing; }
    SuiteLinks &links() const { return *m_links; }

    // What TECLA noted before acting: rows of Lv_Itens and whether at least
    // one is selected.
    int itemRows() const { return m_itemRows; }
    bool hasSelectedItem() const { return m_hasSelection; }
    // The blocked-table message of the key filter.
    void refuseBlocked();
    // A command frame (Frm_INC, Frm_MOT, Frm_IMP, Frm_NovaMesa) is shown.
    bool commandFrameOpen() const;

    // DeskContext: what the command forms may ask of this form.
    const ShownTable &shown() const override;
    int shownTable() const override;
    std::vector<ItemListRow> selectedRows() const override;
    QWidget *window() override { return this; }
    QWidget *tableArea() override;
    void focusTableField() override;
    void present(const Outcome &outcome, bool serverTextBox = true) override;
    void reread() override;
    void lostConnection() override;
    void release() override;
    void closeAccount() override;
    void requestBill() override;

    QTimer *Cm_TimerMesas = nullptr;
    QTimer *Cm_TimerPermanencia = nullptr;
    QTimer *Cm_Timer_ABRAR = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void ABRAR();
    void TECLA();
    // While offline: tells the cashier the command must wait; true then.
    bool refuseOffline();
    bool failStartup(const QString &message);
    // A key of the bar pressed in any field of the form; false when it is
    // none of them.
    bool deskKey(int key);
    // Down from the table field: into the item list, on its current row.
    void enterItemList();
    // Moving, selecting, editing and leaving in the item list.
    bool itemListKey(QKeyEvent &event);
    void placeFrames();
    void takeKeyBar();
    void arrangeKeyBar(int rows);
    void fitKeyBar();
    void wireEvents();
    // The rebuild behind "Aguarde !!!", then the board timer on again.
    void rebuildWaiting();
    void onBoardTimer();
    void onFilterChanged();
    void onTableEntered();
    void onBoardRowClicked(QTreeWidgetItem *item);

    std::unique_ptr<Ui::MainForm> m_ui;
    std::unique_ptr<Board> m_board;
    std::unique_ptr<Detail> m_detail;
    std::unique_ptr<ItemCommands> m_items;
    std::unique_ptr<CancelCommands> m_cancel;
    std::unique_ptr<TableCommands> m_tables;
    std::unique_ptr<SplitTransfer> m_splitTransfer;
    std::unique_ptr<PrintCommands> m_printing;
    std::unique_ptr<SuiteLinks> m_links;
    std::vector<QWidget *> m_keyEntries;
    int m_keyBarRows = 0;
    int m_itemRows = 0;
    bool m_hasSelection = false;
    QString m_functionCode;
    int m_keyCode = 0;
    int m_currentTable = 0;
    bool m_started = false;
    int m_exitStatus = 0;
    int m_refusals = 0;         // refusals in a row while offline
    bool m_toldRefusal = false; // the cashier was told of this refusal
    bool m_closed = false;
    bool m_offline = false;
    QTimer *m_retry = nullptr;         // the tries while offline
    QElapsedTimer m_lastRefusal;       // the last command refused while offline
    QLabel *m_offlineBanner = nullptr; // Lb_SEMCONEXAO, across the header
};

} // namespace qv
