#pragma once

#include "board/BoardReader.h"
#include "board/BoardState.h"

#include <QIcon>
#include <QObject>
#include <QTime>

#include <array>
#include <memory>
#include <string>

class QComboBox;
class QLineEdit;
class QSemaphore;
class QTreeWidget;
class QWidget;

namespace qv {

class BoardWorker;
class DeskController;

// The controls the board paints: the list, its filter and waiting notice,
// the clock and the counters shown on request.
struct BoardWidgets
{
    QTreeWidget *list = nullptr;      // Lv_Mesas
    QComboBox *filter = nullptr;      // Cb_STATUSM
    QWidget *waiting = nullptr;       // Frm_AguardeMesas
    QLineEdit *clock = nullptr;       // Ds_HORABCO
    QWidget *inProgress = nullptr;    // Frm_EmAndamento, around Ds_MESALAN
    QLineEdit *busyTables = nullptr;  // Ds_MESALAN
    QWidget *closed = nullptr;        // Frm_Fechadas, around Ds_MESAFEC
    QLineEdit *closedSales = nullptr; // Ds_MESAFEC
};

// The state icons of the board and the chooser, numbered 1..6 as in the
// image strip.
const QIcon &stateIcon(int number);
// What a board state means, for tool tips.
QString stateName(char state);

// examinePosition on the program's connection.
char examinePosition(int idMesa, char status);

// The table board of the main form (Lv_Mesas and its counters): rebuilds it
// from the database and paints what came back; the desk controller hears
// of a lost server, a fatal failure and a board that came back whole.
//
// A rebuild runs on a thread and connection of its own, so the screen never
// waits for it: the cashier keeps typing, and the finished board replaces
// the list in one step. One rebuild runs at a time; asking for another
// meanwhile runs one more once it ends, with the filter then chosen.
class Board : public QObject
{
    Q_OBJECT

public:
    // Found by its object name, "qvBoard", among the window's parts.
    Board(DeskController &desk, const BoardWidgets &widgets);
    ~Board() override;

    // Full-row selection, grid lines, fixed columns, the filter's keys.
    void prepareList();

    // What else a rebuild does when its board is shown.
    enum Then {
        Nothing = 0,
        Waiting = 1,     // "Aguarde !!!" over the board until then
        StartTimer = 2,  // the board timer on again, unless a table was shown meanwhile
        HideCounters = 4 // the counters shown on request go
    };
    // "MESAS": rebuild the board. Does nothing until a cash desk is chosen.
    void MESAS(int then = Nothing);
    // When the board shown was read; invalid before the first one.
    QTime lastGood() const { return m_lastGood; }
    // A rebuild is running or about to.
    bool rebuilding() const;
    // Rebuilds started since the form opened.
    int rebuildsStarted() const { return m_started; }
    // A table is being shown: a rebuild ending later leaves the timer off.
    void keepTimerStopped();
    // Home: the counters of busy tables and closed accounts, until the
    // next timed rebuild.
    void showCounters();

    // Replaces the list, the clock and the counters with a finished board.
    void show(const BoardSnapshot &board);

    const BoardSummary &summary() const { return m_summary; }

    // The server was seen gone: the next rebuild checks its connection.
    void checkConnectionNext();

    // Test hooks on the board's own connection and thread.
    void failNextRebuild(const std::string &text);
    void holdRebuildsOn(QSemaphore &gate);

private:
    void launch();
    void onBuilt(const BoardSnapshot &board);

    DeskController &m_desk;
    BoardWidgets m_w;
    std::unique_ptr<BoardWorker> m_worker;
    BoardSummary m_summary;
    int m_then = Nothing;
    bool m_again = false;
    QTime m_lastGood; // when the board last came back whole
    int m_started = 0;
};

} // namespace qv
