#pragma once

#include "board/ShownTable.h"
#include "data/Outcome.h"

#include <cstdint>
#include <vector>

class QWidget;

namespace qv {

// What a command's form may ask of the main form, and nothing more: the
// table on show, the rows the cashier selected, where to put a frame, and
// how to go on once the command is over. The command forms reach the main
// form only through this, never through its controls.
class DeskContext
{
public:
    virtual ~DeskContext() = default;

    // The table on show as the last reading found it.
    virtual const ShownTable &shown() const = 0;
    // The position on show while the number in the table field is still
    // that position; 0 otherwise (a number typed but not read belongs to no
    // table on show, and writing onto it would change the wrong table).
    virtual int shownTable() const = 0;
    // The selected rows of the item list, first to last.
    virtual std::vector<ItemListRow> selectedRows() const = 0;
    // idItem of every selected item row; observation rows are no item.
    std::vector<std::int64_t> selectedItems() const
    {
        std::vector<std::int64_t> ids;
        for (const ItemListRow &row : selectedRows())
            if (row.idItem != 0)
                ids.push_back(row.idItem);
        return ids;
    }

    // The window messages and dialogs belong to.
    virtual QWidget *window() = 0;
    // The table area a command frame covers while it is open.
    virtual QWidget *tableArea() = 0;
    virtual void focusTableField() = 0;

    // Tells the cashier what a command did (console lines first, then the
    // message with its icon), then goes on as the outcome says.
    // A failure's server text follows in a box of its own unless the
    // command's message already says all the cashier needs.
    virtual void present(const Outcome &outcome, bool serverTextBox = true) = 0;
    virtual void reread() = 0;       // LERMESA
    virtual void release() = 0;      // detail cleared, board rebuilt, board timer on
    virtual void closeAccount() = 0; // F10's command
    virtual void requestBill() = 0;  // IMPMESA: the bill of the table on show asked for
    // A command failed because the server went away: after the command's
    // own message the desk waits for the server (banner, retries, keys
    // refused) as it does when a reading loses it.
    virtual void lostConnection() = 0;

    // What every way of telling an outcome does last.
    void noteLostConnection(const Outcome &outcome)
    {
        if (outcome.serverLost())
            lostConnection();
    }
};

} // namespace qv
