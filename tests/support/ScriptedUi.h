#pragma once

#include "platform/ui/UiService.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <vector>

namespace qv::test {

// A message the program showed, with its style.
struct Shown
{
    QString text;
    int style;
    bool whole = false; // shown whole (longMessage), not cut at 120 characters
};

// The scripted double of the platform service: records every message,
// console line and program start, and answers questions from a queue
// (No when the queue is empty, so an unexpected question never says Yes).
class ScriptedUi : public UiService
{
public:
    bool startProgram(const QString &program, const QStringList &arguments) override;

    void answer(int reply) { m_answers.push_back(reply); }
    std::vector<Shown> messages;
    QStringList consoleLines;
    QStringList started;
    // Called while a message box would be open (after recording it).
    std::function<void(const QString &)> onMessage;

protected:
    int showMessage(QWidget *parent, const QString &text, int style) override;
    int showLongMessage(QWidget *parent, const QString &text, int style) override;
    void writeConsole(const QString &line) override;

private:
    std::deque<int> m_answers;
};

// Installs a ScriptedUi for the scope and gives access to it.
class ScriptedUiScope
{
public:
    ScriptedUiScope();
    ~ScriptedUiScope();
    ScriptedUi &ui() const { return *m_ui; }

private:
    ScriptedUi *m_ui;
};

} // namespace qv::test
