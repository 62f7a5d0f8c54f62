#include "app/FirstRun.h"
#include "board/forms/ConnectionDialog.h"
#include "board/forms/MainForm.h"
#include "modules/Registration.h"
#include "platform/Config.h"
#include "platform/Log.h"
#include "platform/SharedRecords.h"
#include "platform/Sql.h"
#include "platform/ui/Desk.h"
#include "platform/ui/UiService.h"
#include "session/Session.h"

#include <QApplication>
#include <QDialog>
#include <QIcon>
#include <QScreen>

namespace {

// Exit statuses: 0 the cashier left; the rest say a start-up (or a later
// failure) ended the program, for systemd, kiosk wrappers and scripts.
constexpr int kNoConfiguration = 1;

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quorvel"));
    QApplication::setApplicationVersion(QStringLiteral(QUORVEL_VERSION));
    // Qt appends the display name to each window title not ending with it:
    // being the main window's whole title, it shows there once, and the
    // dialogs read "Pagamento — Quorvel · Caixa de Mesas".
    QApplication::setApplicationDisplayName(QStringLiteral("Quorvel · Caixa de Mesas"));
    // Lets the desktop match the window to the menu entry (quorvel.desktop).
    QApplication::setDesktopFileName(QStringLiteral("quorvel"));
    qv::initCoreResources();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/app.svg")));
    qv::applyStyle();

    const QString logPath = qv::log::defaultPath();
    if (!qv::log::open(logPath))
        std::fprintf(stderr, "quorvel: cannot write the log %s\n", logPath.toLocal8Bit().constData());
    qv::log::info(QStringLiteral("Quorvel %1 iniciando (Qt %2, usuário %3, pid %4)")
                      .arg(QApplication::applicationVersion(), QLatin1String(qVersion()), qEnvironmentVariable("USER"))
                      .arg(QApplication::applicationPid()));
    qv::installHeadlessUiWhenUnseen();
    qv::SharedRecord::attachAll();
    qv::registerAllForms();

    // The desk's connection (made by its first statement, from the INI) and
    // its session; the forms find them through qv::desk, the services they
    // build get them handed down.
    qv::Sql sql;
    qv::Session session(sql);
    qv::desk::install(&sql, &session);

    // The first start: no file yet. Whoever sees the screen gets the
    // connection dialog; a headless start, or one where the dialog was left
    // without saving, says which file to write and stops.
    if (!qv::configurationExists()) {
        const bool saved = qv::screenSeen()
                           && qv::UiService::instance().openForm(QString::fromLatin1(qv::kConnectionForm), nullptr)
                                  == QDialog::Accepted;
        if (!saved && !qv::checkConfiguration()) {
            qv::log::error(QStringLiteral("sem configuração: o programa termina"));
            return kNoConfiguration;
        }
    }
    const qv::Config &config = qv::Config::current();
    qv::log::hide(config.dbPassword);
    qv::log::info(QStringLiteral("configuração lida de %1; banco %2 em %3, usuário %4, TLS %5")
                      .arg(config.files.join(QStringLiteral(", ")), config.dbName,
                           qv::Sql::Connection::fromConfig().where(), config.dbUser,
                           config.dbSsl ? QStringLiteral("sim") : QStringLiteral("não")));
    const QString exposure = config.passwordExposure();
    if (!exposure.isEmpty())
        qv::UiService::instance().longMessage(nullptr, exposure, qv::style::kExclamation);

    qv::MainForm form;
    // Maximised by the desktop; without a window manager to do it (a kiosk
    // session) the window still starts on the whole screen, never past it.
    const QRect screen = form.screen() ? form.screen()->availableGeometry() : QRect();
    if (screen.isValid())
        form.setGeometry(screen);
    form.showMaximized();
    // Shown, the key bar has taken the rows the screen needs: only now can
    // the window be as narrow as the screen.
    if (screen.isValid() && (form.width() > screen.width() || form.height() > screen.height()))
        form.setGeometry(screen);
    const int ran = app.exec();
    const int status = form.exitStatus() != 0 ? form.exitStatus() : ran;
    qv::log::info(QStringLiteral("Quorvel termina (status %1)").arg(status));
    qv::log::close();
    return status;
}
