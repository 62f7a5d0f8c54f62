#pragma once

#include "board/forms/Board.h"
#include "board/forms/DeskContext.h"
#include "board/forms/Detail.h"
#include "board/forms/KeyMap.h"
#include "platform/Sql.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QBoxLayout;
class QButtonGroup;
class QKeyEvent;
class QLineEdit;
class QPushButton;
class QTimer;
class QTreeWidgetItem;
class QWidget;

namespace qv {

class ConnectionWatch;
class DeskOpening;
struct OpeningWidgets;

// What the desk starts in the controllers of the other folders (items,
// tables, printing), which the window builds and fills in here: the desk
// controller knows them only by these entries.
struct DeskCommands
{
    std::function<void()> include;              // INS: a new item
    std::function<void(std::int64_t)> editItem; // an item row opened
    std::function<void()> productSearch;        // F11, "PESQUISA PRODUTO"
    std::function<void()> cancelItems;          // DEL
    std::function<void()> writeOff;             // F9
    std::function<void()> printMenu;            // F1
    std::function<void()> toggleBlock;          // F2
    std::function<void()> transfer;             // F3
    std::function<void()> tableDiscount;        // F4
    std::function<void()> split;                // F5, "CONTA DIVIDIDA"
    std::function<void()> toggleService;        // F8
    std::function<void()> closeAccount;         // F10
    std::function<void()> takeAway;             // F12
    std::function<void()> requestBill;          // IMPMESA
    std::function<void()> loadLists;            // start-up: reasons and printers
    std::function<void()> loadObservations;     // start-up: the observation chooser
    std::function<void()> placeFrames;          // the overlay frames centred again
};

// The desk's own state and its one key procedure: the table shown and the
// number in the table field, the checks every key shares (offline, a frame
// open, a number not yet read, a blocked table), what happens after a
// command (present / reread / release / close the account), the session
// check, the board's pauses, and going offline and back with the
// connection watch. The window builds it with the controls it needs and
// forwards to it; the command controllers see it as their DeskContext.
class DeskController : public QObject, public DeskContext
{
    Q_OBJECT

public:
    // The controls of the desk itself.
    struct Widgets
    {
        QWidget *window = nullptr;
        QLineEdit *tableField = nullptr;    // Ed_CODIMES
        QLineEdit *focusSink = nullptr;     // Ed_FOCO: leaving the table field lands here
        QWidget *tableArea = nullptr;       // Frm_CaixaM
        QPushButton *split = nullptr;       // Frm_DIVIDE
        QPushButton *leave = nullptr;       // Bt_Sair
        QWidget *choice = nullptr;          // Frm_Escolhe
        QButtonGroup *desks = nullptr;      // Bt_CX
        QBoxLayout *bannerLayout = nullptr; // where the offline banner goes
        std::vector<QWidget *> otherFields; // the fields that hand the function keys on
    };

    DeskController(const Widgets &widgets, const BoardWidgets &board, const DetailWidgets &detail,
                   const OpeningWidgets &opening);
    ~DeskController() override;

    // Once the controllers are built: their commands, the desk's keys, and
    // the start procedure from the event loop.
    void start(DeskCommands commands);
    const DeskCommands &commands() const { return m_commands; }

    // Start-up finished (successfully or not), and how the desk ended.
    bool started() const { return m_started; }
    void markStarted() { m_started = true; }
    bool closedDown() const { return m_closed; }
    void closeForm();
    void closeAfterFailure();
    // Start-up cannot go on: the message, then the form closes.
    bool failStartup(const QString &message);
    int exitStatus() const { return m_exitStatus; }
    static constexpr int kStartupFailed = 2;
    static constexpr int kFailed = 3;

    // "MESAS": the board rebuilt now, watching the server meanwhile.
    void rebuildBoard();
    // The rebuild behind "Aguarde !!!", then the board timer on again.
    void rebuildWaiting();
    // A table is being shown: a rebuild ending later leaves the timer off.
    void keepBoardStill();

    // The offline state (ConnectionWatch).
    void goOffline(const QString &message, const DbError &why = {});
    bool offline() const;
    void tryReconnect();
    void backOnline();
    int retryIntervalMs() const;
    // Runs a command, then goes offline (silently) when a statement of the
    // desk's connection lost the server meanwhile and it did not come back.
    void watchingServer(const std::function<void()> &command);

    // Table shown (the number last read by LERMESA); 0 when none.
    int currentTable() const { return m_currentTable; }
    void setCurrentTable(int idMesa) { m_currentTable = idMesa; }
    void showTableNumber(int idMesa);
    bool sessionStillOpen();

    // The key procedure (TECLA) and its input.
    void pressKey(int keyCode);
    int keyCode() const { return m_keyCode; }
    // A key no field took; false when the window should handle it.
    bool windowKey(const QKeyEvent &event);

    Board &board() const { return *m_board; }
    Detail &detail() const { return *m_detail; }

    // DeskContext.
    const ShownTable &shown() const override { return m_detail->shown(); }
    int shownTable() const override;
    std::vector<ItemListRow> selectedRows() const override { return m_detail->selectedRows(); }
    QWidget *window() override { return m_w.window; }
    QWidget *tableArea() override { return m_w.tableArea; }
    int groupedItemsTop() const override { return m_detail->groupedTop(); }
    void focusTableField() override;
    int typedTable() const override;
    void setFrameOpen(bool open) override;
    bool frameOpen() const override { return m_frameOpen; }
    void refuseBlocked() override;
    void pauseBoard() override;
    void resumeBoard() override;
    void showPeople(int people, const TableTotals &totals) override { m_detail->peopleChanged(people, totals); }
    void showService(bool on, const TableTotals &totals) override { m_detail->serviceSwitched(on, totals); }
    bool closing() const override { return m_closed; }
    void closeDesk() override { closeForm(); }
    void present(const Outcome &outcome, bool serverTextBox = true) override;
    void reread() override;
    void release() override;
    void closeAccount() override;
    void requestBill() override;
    void lostConnection() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void TECLA();
    bool refuseOffline();
    DeskKeyState keyState() const;
    bool runKey(const DeskKey &key);
    void onBoardTimer();
    void onFilterChanged();
    void onTableEntered();
    void onBoardRowClicked(QTreeWidgetItem *item);
    // The table-number procedure: from the table field (typed) or from a
    // board row whose table was written into it (clicked).
    void tableNumberProcedure(bool typed);

    Widgets m_w;
    DeskCommands m_commands;
    QTimer *Cm_TimerMesas = nullptr;
    QTimer *Cm_TimerPermanencia = nullptr;
    QTimer *Cm_Timer_ABRAR = nullptr;
    std::unique_ptr<Board> m_board;
    std::unique_ptr<Detail> m_detail;
    std::unique_ptr<DeskOpening> m_opening;
    ConnectionWatch *m_watch = nullptr;
    int m_keyCode = 0;
    int m_currentTable = 0;
    bool m_started = false;
    int m_exitStatus = 0;
    bool m_closed = false;
    bool m_frameOpen = false;
};

} // namespace qv
