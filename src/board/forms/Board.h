#pragma once

#include "board/BoardReader.h"
#include "board/BoardState.h"

#include <QIcon>

#include <array>

namespace qv {

class MainForm;

// The state icons of the board and the chooser, numbered 1..6 as in the
// image strip.
const QIcon &stateIcon(int number);
// What a board state means, for tool tips.
QString stateName(char state);

// examinePosition on the program's connection.
char examinePosition(int idMesa, char status);

// The table board of the main form (Lv_Mesas and its counters): rebuilds it
// from the database and turns a typed or clicked table into a reading.
class Board
{
public:
    explicit Board(MainForm &form);

    // Full-row selection, grid lines, one-click activation.
    void prepareListViews();
    // "MESAS": rebuild the board. Does nothing until a cash desk is chosen.
    void MESAS();
    // The table-number procedure: from Ed_CODIMES (typed) or from a board
    // row whose table was written into Ed_CODIMES (clicked).
    void tableNumberProcedure(bool typed);
    // Releasing the table shown: detail cleared, board rebuilt, timer on.
    void release();

    // Replaces the list, the clock and the counters with a finished board.
    void show(const BoardSnapshot &board);

    const BoardSummary &summary() const { return m_summary; }

private:
    MainForm &m_form;
    BoardReader m_reader;
    BoardSummary m_summary;
};

} // namespace qv
