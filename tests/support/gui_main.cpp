// Entry point of the test programs that drive real forms: a QApplication on
// the offscreen platform, the core resources and the shared records.
#include "modules/Registration.h"
#include "platform/SharedRecords.h"
#include "platform/ui/UiService.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    qv::initCoreResources();
    qv::SharedRecord::attachAll();
    qv::registerAllForms();
    // A form or box that waits on the cashier while a unit of work holds
    // its locks fails the test that opened it.
    qv::UiService::setModalInUnitHandler(
        [](const QString &what) { ADD_FAILURE() << "opened inside a unit of work: " << what.toStdString(); });
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
