#include "app/FirstRun.h"
#include "board/forms/MainForm.h"
#include "modules/Registration.h"
#include "platform/SharedRecords.h"
#include "platform/Sql.h"
#include "platform/ui/Desk.h"
#include "session/Session.h"

#include <QApplication>
#include <QIcon>

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
    form.showMaximized();
    return app.exec();
}
