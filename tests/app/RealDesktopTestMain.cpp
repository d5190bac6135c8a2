#include <gtest/gtest.h>

#include <QCoreApplication>

// The Wayland shells' screens are read over the bus, and Qt's bus library wants an application
// object.
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    const QCoreApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
