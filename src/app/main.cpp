#include "app/FirstRun.h"
#include "board/forms/MainForm.h"
#include "modules/Registration.h"
#include "platform/SharedRecords.h"
#include "platform/Sql.h"
#include "platform/ui/Desk.h"
#include "session/Session.h"

#include <QApplication>
#include <QIcon>
#include <QScreen>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quorvel"));
    // Qt appends the display name to each window title not ending with it:
    // being the main window's whole title, it shows there once, and the
    // dialogs read "Pagamento — Quorvel · Caixa de Mesas".
    QApplication::setApplicationDisplayName(QStringLiteral("Quorvel · Caixa de Mesas"));
    // Lets the desktop match the window to the menu entry (quorvel.desktop).
    QApplication::setDesktopFileName(QStringLiteral("quorvel"));
    qv::initCoreResources();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/app.svg")));
    qv::applyStyle();
    if (!qv::checkConfiguration())
        return 1;
    qv::SharedRecord::attachAll();
    qv::registerAllForms();

    // The desk's connection (made by its first statement, from the INI) and
    // its session; the forms find them through qv::desk, the services they
    // build get them handed down.
    qv::Sql sql;
    qv::Session session(sql);
    qv::desk::install(&sql, &session);

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
    return app.exec();
}
