#pragma once

class QKeyEvent;

namespace qv {

// Where a key of the desk was pressed.
enum class DeskField {
    TableNumber, // Ed_CODIMES
    ItemList,    // Lv_Itens
    Other,       // any other field the cashier can be in (people, discount, waiter, filter, printer, Sair)
    Window,      // no field took it (the focus on a button, say)
};

// What the desk does with a key.
enum class DeskCommand {
    Pass,         // the field keeps the key
    Key,          // the key procedure (TECLA) gets it; the field does not
    KeyAndPass,   // the key procedure notes it (a digit), the field takes it too
    LeaveThenKey, // the field is left first, as Tab leaves it, then the key procedure
    Split,        // F5: "CONTA DIVIDIDA", as its button
    LeaveThenSplit,
    ReadTable,     // the table-number procedure
    EnterItemList, // down from the table field into the list
    ListUp,
    ListDown,
    ListPageUp,
    ListPageDown,
    ListEnd,
    ListToggle, // Space: the current row in or out of the selection
    ListOpen,   // Enter: the current item, as a double click
    BackToTable,
    Close,         // F6 from anywhere
    ChooseDesk,    // the digit of a cash desk while the choice is shown
    ChooseFocused, // Enter on the cash desk in focus
};

struct DeskKey
{
    DeskCommand command = DeskCommand::Pass;
    int key = 0; // the virtual-key code for the key procedure; the desk for ChooseDesk
};

// What the desk is doing when the key comes.
struct DeskKeyState
{
    bool started = false;     // start-up is over and the form is not closing
    bool choosing = false;    // the cash-desk choice is shown
    bool frameOpen = false;   // a command frame has the keyboard
    bool deskFocused = false; // the focus is on a cash-desk button
};

// The desk's keyboard: a key event in one of the desk's fields to the
// command it means. Only the mapping: nothing here acts, so every key can
// be checked with a synthetic event.
DeskKey mapDeskKey(DeskField field, const QKeyEvent &event, const DeskKeyState &state);

} // namespace qv
