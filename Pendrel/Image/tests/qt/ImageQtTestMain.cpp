// The main of the Qt cross-decoding tests: Qt's image plugins (JPEG, ICO)
// are found through an application object, created without a display.

#include <gtest/gtest.h>

#include <QCoreApplication>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
