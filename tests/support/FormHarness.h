#pragma once

#include "TestSupport.h"
#include "board/forms/MainForm.h"

#include <memory>

namespace qv::test {

// Everything a main-form test needs: a fresh demo database, private session
// files, the scripted message service and clean shared records. start()
// opens the form and waits for its start procedure.
class FormHarness
{
public:
    explicit FormHarness(bool withDemo = true);
    ~FormHarness();

    // Writes the usual session: operator 1 logged in, dinner open today
    // with desks 1 to 3.
    void standardSession();
    MainForm &start();
    // start() + the choice of desk 1.
    MainForm &startOnDesk(int desk = 1);
    MainForm &form() { return *m_form; }
    ScriptedUi &ui() { return m_ui.ui(); }
    TestDatabase &db() { return m_db; }
    TestFiles &files() { return m_files; }
    // The texts of every message shown so far.
    QStringList texts() const;
    // Types a table number into Ed_CODIMES and presses Enter.
    void typeTable(const QString &number);
    // Waits until the board rebuilds asked for so far are shown.
    void settleBoard();
    // Shows a table: the first call starts the form on desk 1.
    MainForm &showTable(const QString &number);

private:
    TestDatabase m_db;
    TestFiles m_files;
    ScriptedUiScope m_ui;
    std::unique_ptr<MainForm> m_form;
};

} // namespace qv::test
