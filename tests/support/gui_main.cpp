// Entry point of the test programs that drive real forms: a QApplication on
// the offscreen platform, the core resources and the shared records.
#include "modules/Registration.h"
#include "platform/SharedRecords.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    qv::initCoreResources();
    qv::SharedRecord::attachAll();
    qv::registerAllForms();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
