#pragma once

#include "board/forms/ConnectionWatch.h"
#include "board/forms/DeskController.h"

#include <QWidget>

#include <memory>
#include <vector>

class QKeyEvent;

namespace Ui {
class MainForm;
}

namespace qv {

class CancelCommands;
class ItemCommands;
class KeyBar;
class PrintCommands;
class SplitTransfer;
class SuiteLinks;
class TableCommands;

// The cashier's main form, "08-Quorvel": session header, table board on the
// left, the selected table's detail and totals on the right, and the
// function-key bar. It builds its parts (the desk controller with the
// board, the detail and the start-up view; the command controllers; the
// key bar), lays them out and forwards to the desk controller.
class MainForm : public QWidget
{
    Q_OBJECT

public:
    explicit MainForm(QWidget *parent = nullptr);
    ~MainForm() override;

    // "MESAS": the board rebuilt now, watching the server meanwhile.
    void rebuildBoard() { m_desk->rebuildBoard(); }

    // Start-up finished (successfully or not).
    bool started() const { return m_desk->started(); }
    // The form was closed by a failure, the session check or the cashier.
    bool closedDown() const { return m_desk->closedDown(); }
    // Closes the form; the program ends with it.
    void closeForm() { m_desk->closeForm(); }
    // What the program's exit status should say: 0 closed by the cashier,
    // kStartupFailed when start-up failed, kFailed when a failure closed
    // the form later.
    int exitStatus() const { return m_desk->exitStatus(); }
    static constexpr int kStartupFailed = DeskController::kStartupFailed;
    static constexpr int kFailed = DeskController::kFailed;

    // The database cannot be reached (ConnectionWatch says how the desk
    // waits); tryReconnect tries it once now, off the event thread.
    bool offline() const { return m_desk->offline(); }
    void tryReconnect() { m_desk->tryReconnect(); }
    static constexpr int kRetryMs = ConnectionWatch::kRetryMs;
    static constexpr int kMaxRetryMs = ConnectionWatch::kMaxRetryMs;
    // The pause before the next try while offline (for tests and the banner).
    int retryIntervalMs() const { return m_desk->retryIntervalMs(); }

    // Table shown (the number last read by LERMESA); 0 when none.
    int currentTable() const { return m_desk->currentTable(); }
    void setCurrentTable(int idMesa) { m_desk->setCurrentTable(idMesa); }
    const ShownTable &shown() const { return m_desk->shown(); }
    std::vector<ItemListRow> selectedRows() const { return m_desk->selectedRows(); }

    // The key procedure and its input.
    void pressKey(int keyCode) { m_desk->pressKey(keyCode); }
    int keyCode() const { return m_desk->keyCode(); }

    // Session check made by every table reading; false when the form was
    // closed because the period or the cash desk is no longer open.
    bool sessionStillOpen() { return m_desk->sessionStillOpen(); }
    void reread() { m_desk->reread(); }
    void requestBill() { m_desk->requestBill(); }

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void buildDesk();
    void wireCommands();
    void wireKeyBar();
    void placeFrames();
    void fitKeyBar();

    std::unique_ptr<Ui::MainForm> m_ui;
    // The desk outlives the controllers built on it.
    std::unique_ptr<DeskController> m_desk;
    std::unique_ptr<ItemCommands> m_items;
    std::unique_ptr<CancelCommands> m_cancel;
    std::unique_ptr<TableCommands> m_tables;
    std::unique_ptr<SplitTransfer> m_splitTransfer;
    std::unique_ptr<PrintCommands> m_printing;
    std::unique_ptr<SuiteLinks> m_links;
    std::unique_ptr<KeyBar> m_keyBar;
};

} // namespace qv
