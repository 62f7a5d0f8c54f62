#pragma once

#include "board/forms/ConnectionWatch.h"
#include "board/forms/DeskContext.h"
#include "board/forms/KeyMap.h"
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
class KeyBar;
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

    // "MESAS": the board rebuilt now, watching the server meanwhile.
    void rebuildBoard();

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

    // The database cannot be reached (ConnectionWatch says how the desk
    // waits); the board timer stops and both connections are checked
    // before their next statement.
    void goOffline(const QString &message, const DbError &why = {});
    bool offline() const;
    // Tries the database once now (the retry timer's step), off the event
    // thread; backOnline() follows when it answers.
    void tryReconnect();
    // The board was rebuilt from the server: the banner goes and the table
    // on show is read again.
    void backOnline();
    // Runs a command, then goes offline (silently) when a statement of the
    // desk's connection lost the server meanwhile and it did not come back.
    void watchingServer(const std::function<void()> &command);
    static constexpr int kRetryMs = ConnectionWatch::kRetryMs;
    static constexpr int kMaxRetryMs = ConnectionWatch::kMaxRetryMs;
    // The pause before the next try while offline (for tests and the banner).
    int retryIntervalMs() const;

    // The cash-desk choice: button n (1..5) of Bt_CX.
    void chooseDesk(int n);

    // Table shown (the number last read by LERMESA); 0 when none.
    int currentTable() const { return m_currentTable; }
    void setCurrentTable(int idMesa) { m_currentTable = idMesa; }
    // The number in Ed_CODIMES ("012/03", "1203" and "12" all read as numbers).
    int typedTable() const override;
    void showTableNumber(int idMesa);

    // The key procedure's input.
    void pressKey(int keyCode);
    int keyCode() const { return m_keyCode; }

    // Session check made by every table reading; false when the form was
    // closed because the period or the cash desk is no longer open.
    bool sessionStillOpen();

    // The board's rebuilds, which the form tests and the screen bench wait
    // on and hold.
    Board &board() const { return *m_board; }
    // The include frame's state and entry points, which its tests still
    // drive directly.
    ItemCommands &items() const { return *m_items; }

    // What TECLA noted before acting: rows of Lv_Itens and whether at least
    // one is selected.
    int itemRows() const { return m_itemRows; }
    bool hasSelectedItem() const { return m_hasSelection; }
    // A command frame (Frm_INC, Frm_MOT, Frm_IMP, Frm_NovaMesa) is shown.
    bool commandFrameOpen() const;

    // DeskContext: what the command forms may ask of this form.
    const ShownTable &shown() const override;
    int shownTable() const override;
    std::vector<ItemListRow> selectedRows() const override;
    QWidget *window() override { return this; }
    QWidget *tableArea() override;
    int groupedItemsTop() const override;
    void showPeople(int people, const TableTotals &totals) override;
    void showService(bool on, const TableTotals &totals) override;
    void focusTableField() override;
    void present(const Outcome &outcome, bool serverTextBox = true) override;
    void reread() override;
    void lostConnection() override;
    void release() override;
    void closeAccount() override;
    void requestBill() override;
    void setFrameOpen(bool open) override;
    bool frameOpen() const override { return m_frameOpen; }
    void refuseBlocked() override;
    void pauseBoard() override;
    void resumeBoard() override;
    bool closing() const override { return m_closed; }
    void closeDesk() override { closeForm(); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    // The board and detail views are the form's own painters: they paint
    // its controls and ask each other through it. Nothing else reaches them.
    friend class Board;
    friend class Detail;
    Ui::MainForm &ui() const { return *m_ui; }
    Detail &detail() const { return *m_detail; }

    QTimer *Cm_TimerMesas = nullptr;
    QTimer *Cm_TimerPermanencia = nullptr;
    QTimer *Cm_Timer_ABRAR = nullptr;

    void ABRAR();
    void TECLA();
    // While offline: tells the cashier the command must wait; true then.
    bool refuseOffline();
    bool failStartup(const QString &message);
    // What the keyboard map needs to know of the desk, and the command it
    // chose carried out; false when the key is left to the field.
    DeskKeyState keyState() const;
    bool runKey(const DeskKey &key);
    // Down from the table field: into the item list, on its current row.
    void enterItemList();
    // Moving, selecting and editing in the item list.
    void moveInItemList(DeskCommand command);
    void placeFrames();
    void fitKeyBar();
    void wireEvents();
    // The rebuild behind "Aguarde !!!", then the board timer on again.
    void rebuildWaiting();
    void onBoardTimer();
    void onFilterChanged();
    void onTableEntered();
    void onBoardRowClicked(QTreeWidgetItem *item);
    // A row of the item list clicked: its item (0 for an observation row),
    // handed on to the modules that edit and reprint it.
    std::int64_t pickItem(QTreeWidgetItem *row);

    std::unique_ptr<Ui::MainForm> m_ui;
    std::unique_ptr<Board> m_board;
    std::unique_ptr<Detail> m_detail;
    std::unique_ptr<ItemCommands> m_items;
    std::unique_ptr<CancelCommands> m_cancel;
    std::unique_ptr<TableCommands> m_tables;
    std::unique_ptr<SplitTransfer> m_splitTransfer;
    std::unique_ptr<PrintCommands> m_printing;
    std::unique_ptr<SuiteLinks> m_links;
    std::unique_ptr<KeyBar> m_keyBar;
    int m_itemRows = 0;
    bool m_hasSelection = false;
    int m_keyCode = 0;
    int m_currentTable = 0;
    bool m_started = false;
    int m_exitStatus = 0;
    bool m_closed = false;
    bool m_frameOpen = false;
    ConnectionWatch *m_watch = nullptr; // the offline state
};

} // namespace qv
