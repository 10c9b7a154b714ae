// The main() of the Qt test programs: GoogleTest under the editor's application object, so
// every event is delivered with the application lock held, offscreen unless told otherwise.
#include <gtest/gtest.h>

#include "platform/qt_loop_lock.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    tessel::TesselApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
