#include "app/FirstRun.h"
#include "board/MainForm.h"
#include "modules/Registration.h"
#include "platform/SharedRecords.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quorvel"));
    QApplication::setApplicationDisplayName(QStringLiteral("Quorvel"));
    qv::initCoreResources();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/app.svg")));
    qv::applyStyle();
    if (!qv::checkConfiguration())
        return 1;
    qv::SharedRecord::attachAll();
    qv::registerAllForms();

    qv::MainForm form;
    form.showMaximized();
    return app.exec();
}
