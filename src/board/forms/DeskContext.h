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
    // Where the grouped items begin, in the window's coordinates: a tall
    // frame over the table area stops above them when it fits there, so
    // they stay in sight.
    virtual int groupedItemsTop() const = 0;
    virtual void focusTableField() = 0;
    // The number in the table field, whether read or still being typed;
    // 0 when there is none.
    virtual int typedTable() const = 0;

    // A command frame has the keyboard: while it is open the table area is
    // disabled, so nothing of the table can change under the command, and
    // the desk's keys wait until it is left.
    virtual void setFrameOpen(bool open) = 0;
    virtual bool frameOpen() const = 0;
    // A key refused on a blocked table: "Mesa Bloqueada !!!".
    virtual void refuseBlocked() = 0;
    // The board stays as it is while a command waits on the cashier, and
    // refreshes again afterwards.
    virtual void pauseBoard() = 0;
    virtual void resumeBoard() = 0;
    // Totals a command changed without a reading (the people count, the
    // service fee switch), painted at once by the detail view.
    virtual void showPeople(int people, const TableTotals &totals) = 0;
    virtual void showService(bool on, const TableTotals &totals) = 0;
    // The desk is closing (F6, a session closed elsewhere, a failure):
    // nothing more is started and the focus is left where it is.
    virtual bool closing() const = 0;
    virtual void closeDesk() = 0;

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
