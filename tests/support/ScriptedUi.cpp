#include "ScriptedUi.h"

#include <memory>

namespace qv::test {

int ScriptedUi::showLongMessage(QWidget *parent, const QString &text, int style)
{
    const int reply = showMessage(parent, text, style);
    messages.back().whole = true;
    return reply;
}

int ScriptedUi::showMessage(QWidget *, const QString &text, int style)
{
    messages.push_back({text, style});
    if (onMessage)
        onMessage(text);
    if ((style & 0x0F) != style::kYesNo)
        return answer::kOk;
    if (m_answers.empty())
        return answer::kNo;
    const int reply = m_answers.front();
    m_answers.pop_front();
    return reply;
}

bool ScriptedUi::startProgram(const QString &program, const QStringList &arguments)
{
    started << (program + QLatin1Char(' ') + arguments.join(QLatin1Char(' '))).trimmed();
    return true;
}

void ScriptedUi::writeConsole(const QString &line)
{
    consoleLines << line;
}

ScriptedUiScope::ScriptedUiScope()
{
    auto ui = std::make_unique<ScriptedUi>();
    m_ui = ui.get();
    UiService::install(std::move(ui));
}

ScriptedUiScope::~ScriptedUiScope()
{
    UiService::install(nullptr);
}

} // namespace qv::test
