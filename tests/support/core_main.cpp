// Entry point of the test programs of the widget-free core (services, the
// SQL layer, units, the administration tool): a QCoreApplication and the
// shared records, and no widget library linked at all.
#include "platform/SharedRecords.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    qv::SharedRecord::attachAll();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
