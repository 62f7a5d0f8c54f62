#include "board/forms/KeyMap.h"
#include "platform/ui/Keys.h"

#include <QKeyEvent>

#include <gtest/gtest.h>

using namespace qv;

namespace {

struct KeyCase
{
    const char *name;
    DeskField field;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    DeskKeyState state;
    DeskCommand command;
    int code; // the key procedure's code, or the desk chosen
};

constexpr DeskKeyState kWorking{true, false, false, false};
constexpr DeskKeyState kFrameOpen{true, false, true, false};
constexpr DeskKeyState kChoosing{true, true, false, false};
constexpr DeskKeyState kChoosingOnDesk{true, true, false, true};
constexpr DeskKeyState kStarting{false, false, false, false};
constexpr auto kNone = Qt::NoModifier;

const KeyCase kCases[] = {
    // The table field: Enter and Tab read the table, Down enters the list,
    // digits are noted and typed, keypad digits and Backspace only typed.
    {"table Enter", DeskField::TableNumber, Qt::Key_Return, kNone, kWorking, DeskCommand::ReadTable, vk::kEnter},
    {"table Tab", DeskField::TableNumber, Qt::Key_Tab, kNone, kWorking, DeskCommand::ReadTable, vk::kTab},
    {"table Down", DeskField::TableNumber, Qt::Key_Down, kNone, kWorking, DeskCommand::EnterItemList, vk::kDown},
    {"table F5", DeskField::TableNumber, Qt::Key_F5, kNone, kWorking, DeskCommand::Split, vk::kF5},
    {"table F10", DeskField::TableNumber, Qt::Key_F10, kNone, kWorking, DeskCommand::Key, vk::kF10},
    {"table Delete", DeskField::TableNumber, Qt::Key_Delete, kNone, kWorking, DeskCommand::Key, vk::kDelete},
    {"table Home", DeskField::TableNumber, Qt::Key_Home, kNone, kWorking, DeskCommand::Key, vk::kHome},
    {"table Esc", DeskField::TableNumber, Qt::Key_Escape, kNone, kWorking, DeskCommand::Key, vk::kEscape},
    {"table digit", DeskField::TableNumber, Qt::Key_1, kNone, kWorking, DeskCommand::KeyAndPass, 49},
    {"table keypad digit", DeskField::TableNumber, Qt::Key_1, Qt::KeypadModifier, kWorking, DeskCommand::Pass, 0},
    {"table Backspace", DeskField::TableNumber, Qt::Key_Backspace, kNone, kWorking, DeskCommand::Pass, 0},
    {"table letter", DeskField::TableNumber, Qt::Key_A, kNone, kWorking, DeskCommand::Pass, 0},
    // The item list: moving, Space, Enter and Backspace are the list's;
    // function keys are commands; any other key is noted and left to it.
    {"list Up", DeskField::ItemList, Qt::Key_Up, kNone, kWorking, DeskCommand::ListUp, vk::kUp},
    {"list Down", DeskField::ItemList, Qt::Key_Down, kNone, kWorking, DeskCommand::ListDown, vk::kDown},
    {"list PageUp", DeskField::ItemList, Qt::Key_PageUp, kNone, kWorking, DeskCommand::ListPageUp, vk::kPageUp},
    {"list PageDown", DeskField::ItemList, Qt::Key_PageDown, kNone, kWorking, DeskCommand::ListPageDown, vk::kPageDown},
    {"list End", DeskField::ItemList, Qt::Key_End, kNone, kWorking, DeskCommand::ListEnd, vk::kEnd},
    {"list Space", DeskField::ItemList, Qt::Key_Space, kNone, kWorking, DeskCommand::ListToggle, 0},
    {"list Enter", DeskField::ItemList, Qt::Key_Return, kNone, kWorking, DeskCommand::ListOpen, vk::kEnter},
    {"list Backspace", DeskField::ItemList, Qt::Key_Backspace, kNone, kWorking, DeskCommand::BackToTable,
     vk::kBackspace},
    {"list F5", DeskField::ItemList, Qt::Key_F5, kNone, kWorking, DeskCommand::Split, vk::kF5},
    {"list F9", DeskField::ItemList, Qt::Key_F9, kNone, kWorking, DeskCommand::Key, vk::kF9},
    {"list Delete", DeskField::ItemList, Qt::Key_Delete, kNone, kWorking, DeskCommand::Key, vk::kDelete},
    {"list Home", DeskField::ItemList, Qt::Key_Home, kNone, kWorking, DeskCommand::KeyAndPass, vk::kHome},
    {"list letter", DeskField::ItemList, Qt::Key_B, kNone, kWorking, DeskCommand::KeyAndPass, 66},
    // Any other field: function keys leave the field first, unless a
    // command frame has the keyboard; nothing before start-up, nothing
    // with a modifier, nothing while the desk is being chosen.
    {"field F10", DeskField::Other, Qt::Key_F10, kNone, kWorking, DeskCommand::LeaveThenKey, vk::kF10},
    {"field Esc", DeskField::Other, Qt::Key_Escape, kNone, kWorking, DeskCommand::LeaveThenKey, vk::kEscape},
    {"field F5", DeskField::Other, Qt::Key_F5, kNone, kWorking, DeskCommand::LeaveThenSplit, vk::kF5},
    {"field F5, frame open", DeskField::Other, Qt::Key_F5, kNone, kFrameOpen, DeskCommand::Split, vk::kF5},
    {"field F2, frame open", DeskField::Other, Qt::Key_F2, kNone, kFrameOpen, DeskCommand::Key, vk::kF2},
    {"field Insert", DeskField::Other, Qt::Key_Insert, kNone, kWorking, DeskCommand::Pass, 0},
    {"field digit", DeskField::Other, Qt::Key_4, kNone, kWorking, DeskCommand::Pass, 0},
    {"field Alt+F4", DeskField::Other, Qt::Key_F4, Qt::AltModifier, kWorking, DeskCommand::Pass, 0},
    {"field F10 starting", DeskField::Other, Qt::Key_F10, kNone, kStarting, DeskCommand::Pass, 0},
    {"field F10 choosing", DeskField::Other, Qt::Key_F10, kNone, kChoosing, DeskCommand::Pass, 0},
    // The window: F6 closes from anywhere; while choosing, a desk's digit
    // or Enter on a desk button chooses it; otherwise the bar's keys.
    {"window F6", DeskField::Window, Qt::Key_F6, kNone, kStarting, DeskCommand::Close, vk::kF6},
    {"window F6 choosing", DeskField::Window, Qt::Key_F6, kNone, kChoosing, DeskCommand::Close, vk::kF6},
    {"window digit choosing", DeskField::Window, Qt::Key_3, kNone, kChoosing, DeskCommand::ChooseDesk, 3},
    {"window keypad choosing", DeskField::Window, Qt::Key_5, Qt::KeypadModifier, kChoosing, DeskCommand::ChooseDesk, 5},
    {"window 6 choosing", DeskField::Window, Qt::Key_6, kNone, kChoosing, DeskCommand::Pass, 0},
    {"window Enter on a desk", DeskField::Window, Qt::Key_Return, kNone, kChoosingOnDesk, DeskCommand::ChooseFocused,
     vk::kEnter},
    {"window Enter elsewhere", DeskField::Window, Qt::Key_Return, kNone, kChoosing, DeskCommand::Pass, 0},
    {"window digit starting", DeskField::Window, Qt::Key_1, kNone, kStarting, DeskCommand::Pass, 0},
    {"window F10", DeskField::Window, Qt::Key_F10, kNone, kWorking, DeskCommand::Key, vk::kF10},
    {"window F5", DeskField::Window, Qt::Key_F5, kNone, kWorking, DeskCommand::Split, vk::kF5},
    {"window Insert", DeskField::Window, Qt::Key_Insert, kNone, kWorking, DeskCommand::Key, vk::kInsert},
    {"window Delete", DeskField::Window, Qt::Key_Delete, kNone, kWorking, DeskCommand::Pass, 0},
    {"window F10 frame open", DeskField::Window, Qt::Key_F10, kNone, kFrameOpen, DeskCommand::Pass, 0},
    {"window F10 choosing", DeskField::Window, Qt::Key_F10, kNone, kChoosing, DeskCommand::Pass, 0},
    {"window Ctrl+F10", DeskField::Window, Qt::Key_F10, Qt::ControlModifier, kWorking, DeskCommand::Pass, 0},
};

TEST(KeyMap, EveryFieldMapsItsKeysToTheirCommands)
{
    for (const KeyCase &c : kCases) {
        const QKeyEvent event(QEvent::KeyPress, c.key, c.modifiers);
        const DeskKey mapped = mapDeskKey(c.field, event, c.state);
        EXPECT_EQ(int(mapped.command), int(c.command)) << c.name;
        if (c.command != DeskCommand::Pass) {
            EXPECT_EQ(mapped.key, c.code) << c.name;
        }
    }
}

} // namespace
