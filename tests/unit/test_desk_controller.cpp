// The desk controller without a database: which command each key of the
// desk reaches, and the checks every key shares before any command runs.
#include "board/forms/DeskController.h"
#include "board/forms/DeskOpening.h"
#include "platform/ui/Desk.h"
#include "platform/ui/Keys.h"

#include "ScriptedUi.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <string>

using namespace qv;

namespace {

// A bare window holding one control of each kind the desk is handed.
class BareDesk
{
public:
    BareDesk()
    {
        auto *layout = new QVBoxLayout(&window);
        auto *table = make<QLineEdit>();
        layout->addWidget(table);
        auto *desks = new QButtonGroup(&window);
        auto *leave = make<QPushButton>();
        auto *filter = make<QComboBox>();
        auto *choice = make<QWidget>();
        DeskController::Widgets widgets{&window, table, make<QLineEdit>(), make<QWidget>(), split, leave, choice, desks,
                                        layout,  {}};
        BoardWidgets board{make<QTreeWidget>(), filter,          make<QWidget>(),  make<QLineEdit>(), make<QWidget>(),
                           make<QLineEdit>(),   make<QWidget>(), make<QLineEdit>()};
        DetailWidgets detail{&window,
                             make<QTreeWidget>(),
                             make<QTreeWidget>(),
                             make<QPushButton>(),
                             make<QPushButton>(),
                             make<QPushButton>(),
                             make<QComboBox>()};
        for (QLineEdit **field :
             {&detail.waiterCode,       &detail.waiterName,      &detail.people,        &detail.openedAt,
              &detail.timeOpen,         &detail.itemCount,       &detail.products,      &detail.discountCode,
              &detail.discountOperator, &detail.discountPercent, &detail.discountValue, &detail.manualDiscount,
              &detail.subtotal,         &detail.servicePercent,  &detail.serviceValue,  &detail.tableTotal,
              &detail.perPerson,        &detail.principal,       &detail.takeAway,      &detail.takeAwayNet})
            *field = make<QLineEdit>();
        OpeningWidgets opening{make<QWidget>(),
                               choice,
                               make<QLabel>(),
                               desks,
                               leave,
                               filter,
                               make<QComboBox>(),
                               make<QComboBox>(),
                               make<QPushButton>(),
                               make<QPushButton>(),
                               make<QPushButton>(),
                               make<QLineEdit>(),
                               make<QLineEdit>(),
                               make<QLineEdit>(),
                               make<QLineEdit>(),
                               make<QLineEdit>()};
        desk = std::make_unique<DeskController>(widgets, board, detail, opening);

        // Every command notes its name; the start procedure is not run.
        DeskCommands c;
        auto note = [this](const char *name) { return [this, name] { ran.push_back(name); }; };
        c.include = note("include");
        c.editItem = [this](std::int64_t) { ran.push_back("editItem"); };
        c.productSearch = note("productSearch");
        c.cancelItems = note("cancelItems");
        c.writeOff = note("writeOff");
        c.printMenu = note("printMenu");
        c.toggleBlock = note("toggleBlock");
        c.transfer = note("transfer");
        c.tableDiscount = note("tableDiscount");
        c.split = note("split");
        c.toggleService = note("toggleService");
        c.closeAccount = note("closeAccount");
        c.takeAway = note("takeAway");
        c.requestBill = note("requestBill");
        c.loadLists = note("loadLists");
        c.loadObservations = note("loadObservations");
        c.placeFrames = note("placeFrames");
        desk->start(std::move(c));
        window.findChild<QTimer *>(QStringLiteral("Cm_Timer_ABRAR"))->stop();
    }

    // Table 12/01 read and shown in the table field.
    void showTable()
    {
        desk->setCurrentTable(1201);
        desk->showTableNumber(1201);
    }

    QWidget window;
    QPushButton *split = make<QPushButton>();
    std::unique_ptr<DeskController> desk;
    std::vector<std::string> ran;

private:
    template <class T>
    T *make()
    {
        return new T(&window);
    }
};

struct KeyCase
{
    const char *name;
    int key;
    const char *command; // nullptr: no command runs
};

// On a table shown with no item selected.
const KeyCase kShown[] = {
    {"INS", vk::kInsert, "include"},
    {"DEL", vk::kDelete, "cancelItems"},
    {"F1", vk::kF1, "printMenu"},
    {"F2", vk::kF2, "toggleBlock"},
    {"F3 without a selection", vk::kF3, nullptr},
    {"F4", vk::kF4, "tableDiscount"},
    {"F7 without items", vk::kF7, nullptr},
    {"F8", vk::kF8, "toggleService"},
    {"F9", vk::kF9, "writeOff"},
    {"F10", vk::kF10, "closeAccount"},
    {"F11", vk::kF11, "productSearch"},
    {"F12", vk::kF12, "takeAway"},
};

TEST(DeskController, EachKeyReachesItsCommandOnTheTableShown)
{
    test::ScriptedUiScope scripted;
    for (const KeyCase &c : kShown) {
        BareDesk d;
        d.showTable();
        d.desk->pressKey(c.key);
        const std::vector<std::string> expected =
            c.command ? std::vector<std::string>{c.command} : std::vector<std::string>{};
        EXPECT_EQ(d.ran, expected) << c.name;
        EXPECT_EQ(d.desk->keyCode(), c.key) << c.name;
    }
    EXPECT_TRUE(scripted.ui().messages.empty());
}

TEST(DeskController, NoCommandRunsOnANumberNotYetReadUnderAnOpenFrameOrOnAClosedDesk)
{
    test::ScriptedUiScope scripted;
    for (const KeyCase &c : kShown) {
        BareDesk typed;
        typed.showTable();
        typed.desk->showTableNumber(1202); // typed over the table shown, not read
        typed.desk->pressKey(c.key);
        EXPECT_TRUE(typed.ran.empty()) << c.name;
        EXPECT_EQ(typed.desk->shownTable(), 0) << c.name;

        BareDesk framed;
        framed.showTable();
        framed.desk->setFrameOpen(true);
        framed.desk->pressKey(c.key);
        EXPECT_TRUE(framed.ran.empty()) << c.name;
        EXPECT_FALSE(framed.desk->tableArea()->isEnabled()) << c.name;

        BareDesk closed;
        closed.showTable();
        closed.desk->closeForm();
        closed.desk->pressKey(c.key);
        EXPECT_TRUE(closed.ran.empty()) << c.name;
    }
    EXPECT_TRUE(scripted.ui().messages.empty());
}

TEST(DeskController, WithoutATableOnlyTheTableWideCommandsRun)
{
    test::ScriptedUiScope scripted;
    BareDesk d;
    for (int key : {vk::kInsert, vk::kF3, vk::kF7, vk::kF2, vk::kF10})
        d.desk->pressKey(key);
    // The table-wide commands decide themselves what to say with no table.
    EXPECT_EQ(d.ran, (std::vector<std::string>{"toggleBlock", "closeAccount"}));
}

TEST(DeskController, TheSplitButtonWaitsForAnOpenFrame)
{
    test::ScriptedUiScope scripted;
    BareDesk d;
    d.desk->setFrameOpen(true);
    d.split->click();
    EXPECT_TRUE(d.ran.empty());
    d.desk->setFrameOpen(false);
    d.split->click();
    EXPECT_EQ(d.ran, (std::vector<std::string>{"split"}));
}

// What waits for the desk's connection to come back from another thread
// (the desk going offline during a sale) runs once it is back, once,
// after the lender's own turn, and not at all if its owner is gone.
TEST(DeskController, WorkWaitingForTheLentConnectionRunsOnceItIsBack)
{
    int ran = 0, orphanRan = 0;
    auto *orphan = new QObject;
    QObject owner;
    desk::setSqlLent(true);
    desk::whenSqlBack(&owner, [&] { ++ran; });
    desk::whenSqlBack(orphan, [&] { ++orphanRan; });
    delete orphan;
    QCoreApplication::processEvents();
    EXPECT_EQ(ran, 0);
    desk::setSqlLent(false);
    EXPECT_EQ(ran, 0);
    QCoreApplication::processEvents();
    desk::setSqlLent(true);
    desk::setSqlLent(false);
    QCoreApplication::processEvents();
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(orphanRan, 0);
    desk::whenSqlBack(&owner, [&] { ++ran; });
    EXPECT_EQ(ran, 2);
}

} // namespace
