#include "board/forms/KeyMap.h"

#include "platform/ui/Keys.h"

#include <QKeyEvent>

namespace qv {

namespace {

bool functionKey(int key)
{
    return key >= vk::kF1 || key == vk::kInsert || key == vk::kEscape;
}

// A key of the bar pressed in any field of the form.
DeskKey barKey(int key, bool leaveFirst)
{
    if (key == vk::kF5)
        return {leaveFirst ? DeskCommand::LeaveThenSplit : DeskCommand::Split, key};
    if (functionKey(key))
        return {leaveFirst ? DeskCommand::LeaveThenKey : DeskCommand::Key, key};
    return {};
}

DeskKey tableNumberKey(int key)
{
    if (key == vk::kDown)
        return {DeskCommand::EnterItemList, key};
    if (key == vk::kF5)
        return {DeskCommand::Split, key};
    // Leaving the field runs the table-number procedure.
    if (key == vk::kEnter || key == vk::kTab)
        return {DeskCommand::ReadTable, key};
    if (key == vk::kBackspace || (key >= vk::kNumpad0 && key <= vk::kNumpad9))
        return {}; // stays with the field
    if (key >= vk::kF1 || key == vk::kInsert || key == vk::kDelete || key == vk::kHome || key == vk::kEscape)
        return {DeskCommand::Key, key};
    // The key procedure ignores digits; the field takes them.
    if (key >= 48 && key <= 57)
        return {DeskCommand::KeyAndPass, key};
    return {};
}

DeskKey itemListKey(const QKeyEvent &event, int key)
{
    // Moving never changes what is selected: the rows for DEL, F9 or F3 are
    // gathered one by one with Space.
    switch (event.key()) {
    case Qt::Key_Up: return {DeskCommand::ListUp, key};
    case Qt::Key_Down: return {DeskCommand::ListDown, key};
    case Qt::Key_PageUp: return {DeskCommand::ListPageUp, key};
    case Qt::Key_PageDown: return {DeskCommand::ListPageDown, key};
    case Qt::Key_End: return {DeskCommand::ListEnd, key};
    case Qt::Key_Space: return {DeskCommand::ListToggle, key};
    case Qt::Key_Return:
    case Qt::Key_Enter: return {DeskCommand::ListOpen, key};
    case Qt::Key_Backspace: return {DeskCommand::BackToTable, key};
    default: break;
    }
    if (key == vk::kF5)
        return {DeskCommand::Split, key};
    if (key == 0)
        return {};
    // Every other key reaches the key procedure; the list keeps the ones
    // that are no command (a letter still finds its row).
    return {key >= vk::kF1 || key == vk::kInsert || key == vk::kDelete || key == vk::kEscape ? DeskCommand::Key
                                                                                             : DeskCommand::KeyAndPass,
            key};
}

} // namespace

DeskKey mapDeskKey(DeskField field, const QKeyEvent &event, const DeskKeyState &state)
{
    const int key = virtualKey(event);
    switch (field) {
    case DeskField::TableNumber: return tableNumberKey(key);
    case DeskField::ItemList: return itemListKey(event, key);
    case DeskField::Other:
        // The function keys mean the same from every field of the form. The
        // field is left first, as Tab would leave it, so a value typed
        // there is confirmed before the key acts; not while a frame has the
        // keyboard.
        if (event.modifiers() == Qt::NoModifier && (key >= vk::kF1 || key == vk::kEscape) && state.started
            && !state.choosing)
            return barKey(key, !state.frameOpen);
        return {};
    case DeskField::Window:
        if (key == vk::kF6)
            return {DeskCommand::Close, key};
        // While the cash desk is being chosen, its digit chooses it, as a
        // click on its button would; Enter chooses the desk in focus, as
        // Space does.
        if (state.choosing && state.started) {
            if (key >= '1' && key <= '5')
                return {DeskCommand::ChooseDesk, key - '0'};
            if (key >= vk::kNumpad0 + 1 && key <= vk::kNumpad0 + 5)
                return {DeskCommand::ChooseDesk, key - vk::kNumpad0};
            if (key == vk::kEnter && state.deskFocused)
                return {DeskCommand::ChooseFocused, key};
        }
        // A function key that no field took still reaches the key
        // procedure once a desk is chosen.
        if (state.started && !state.choosing && !state.frameOpen && event.modifiers() == Qt::NoModifier)
            return barKey(key, false);
        return {};
    }
    return {};
}

} // namespace qv
