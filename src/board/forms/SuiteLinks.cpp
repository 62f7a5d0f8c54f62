#include "board/forms/SuiteLinks.h"

#include "board/forms/DeskContext.h"
#include "platform/Config.h"
#include "platform/ui/Desk.h"
#include "platform/ui/UiService.h"
#include "session/Exchanges.h"
#include "session/Session.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#ifdef Q_OS_LINUX
#include <unistd.h>
#endif

namespace qv {

SuiteLinks::SuiteLinks(DeskContext &form) : m_form(form) {}
SuiteLinks::~SuiteLinks() = default;

void SuiteLinks::report(char kind)
{
    // The report module finds what to show in the shared records: the
    // period, the cash desk (not for the menu mix, which covers every desk)
    // and the kind of report.
    const Session &session = desk::session();
    exchange::ReportExchange::write(
        {kind, session.period(),
         kind == exchange::ReportExchange::kMenuMix ? std::nullopt : std::optional<int>(session.desk())});

    UiService::instance().openForm(QStringLiteral("15-Pemrick"), m_form.window(), QStringLiteral("15-Pemrick.dll"));
    if (!m_form.closing())
        m_form.focusTableField();
}

void SuiteLinks::management()
{
    UiService::instance().openForm(QStringLiteral("05-Olvant"), m_form.window(), QStringLiteral("05-Olvant.dll"));
}

void SuiteLinks::takeAway()
{
    const QString program = Config::current().takeAwayProgram.trimmed();
    if (program.isEmpty()) {
        UiService::instance().message(m_form.window(), QStringLiteral("Nenhum programa de viagem configurado !!!"),
                                      style::kInformation);
        return;
    }
    // A second take-away cash desk on the same workstation would work the
    // same orders twice: when one is already open the cashier goes to it.
    if (programRunning(program)) {
        UiService::instance().message(m_form.window(), QStringLiteral("O programa de viagem já está aberto !!!"),
                                      style::kInformation);
        return;
    }
    if (!UiService::instance().startProgram(program, {}))
        UiService::instance().message(
            m_form.window(), QStringLiteral("Não foi possível iniciar o programa de viagem %1 !!!").arg(program),
            style::kStop);
}

bool SuiteLinks::programRunning(const QString &program)
{
#ifdef Q_OS_LINUX
    const QString found = QFileInfo(program).isAbsolute() ? program : QStandardPaths::findExecutable(program);
    if (found.isEmpty())
        return false;
    const QString wanted = QFileInfo(found).canonicalFilePath();
    if (wanted.isEmpty())
        return false;

    const QString self = QString::number(QCoreApplication::applicationPid());
    const uint uid = ::getuid();
    const QDir proc(QStringLiteral("/proc"));
    for (const QString &pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (pid == self || !pid.at(0).isDigit())
            continue;
        const QString dir = QStringLiteral("/proc/") + pid;
        if (QFileInfo(dir).ownerId() != uid)
            continue;
        if (QFileInfo(dir + QStringLiteral("/exe")).symLinkTarget() == wanted)
            return true;
        // A script shows its interpreter as the executable; its own path is
        // the first or second word of the command line.
        QFile cmdline(dir + QStringLiteral("/cmdline"));
        if (!cmdline.open(QIODevice::ReadOnly))
            continue;
        const QList<QByteArray> words = cmdline.readAll().split('\0');
        for (int i = 0; i < 2 && i < words.size(); ++i) {
            const QString word = QString::fromLocal8Bit(words.at(i));
            if (QFileInfo(word).isAbsolute() && QFileInfo(word).canonicalFilePath() == wanted)
                return true;
        }
    }
#else
    Q_UNUSED(program);
#endif
    return false;
}

} // namespace qv
