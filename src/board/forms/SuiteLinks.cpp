#include "board/forms/SuiteLinks.h"

#include "board/forms/MainForm.h"
#include "platform/Config.h"
#include "platform/SharedRecords.h"
#include "platform/ui/UiService.h"
#include "ui_MainForm.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#ifdef Q_OS_LINUX
#include <unistd.h>
#endif

namespace qv {

SuiteLinks::SuiteLinks(MainForm &form) : m_form(form) {}
SuiteLinks::~SuiteLinks() = default;

void SuiteLinks::report(char kind)
{
    // The report module finds what to show in the shared records: the
    // period, the cash desk (not for the menu mix, which covers every desk)
    // and the kind of report.
    SharedRecord &vars = records::W_VARS_SQL();
    vars.setAt(31, records::W_NRTURNO().at(1));
    if (kind == 'M' || kind == 'C')
        vars.setAt(32, records::W_NRCAIXA().at(1));
    records::L_LINK().setAt(312, kind);

    UiService::instance().openForm(QStringLiteral("15-Pemrick"), &m_form, QStringLiteral("15-Pemrick.dll"));
    if (!m_form.closedDown())
        m_form.ui().Ed_CODIMES->setFocus();
}

void SuiteLinks::management()
{
    UiService::instance().openForm(QStringLiteral("05-Olvant"), &m_form, QStringLiteral("05-Olvant.dll"));
}

void SuiteLinks::takeAway()
{
    const QString program = Config::current().takeAwayProgram.trimmed();
    if (program.isEmpty()) {
        UiService::instance().message(&m_form, QStringLiteral("Nenhum programa de viagem configurado !!!"),
                                      style::kInformation);
        return;
    }
    // A second take-away cash desk on the same workstation would work the
    // same orders twice: when one is already open the cashier goes to it.
    if (programRunning(program)) {
        UiService::instance().message(&m_form, QStringLiteral("O programa de viagem já está aberto !!!"),
                                      style::kInformation);
        return;
    }
    if (!UiService::instance().startProgram(program, {}))
        UiService::instance().message(
            &m_form, QStringLiteral("Não foi possível iniciar o programa de viagem %1 !!!").arg(program), style::kStop);
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
