#include <gtest/gtest.h>

#include <QApplication>

#include "tests/support/TestDisplay.h"

// The application object exists only when tests run: CTest lists the tests without a display.
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests)) {
        return RUN_ALL_TESTS();
    }
    // A test given a fixture's X server wants that server, whatever the caller's platform.
    if (!UseFixtureDisplay().empty()) {
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    return RUN_ALL_TESTS();
}
