// The window's tests run offscreen inside one QApplication. Port links are looked up in a
// runtime folder of their own, so a simulator that another program registered is never found.
#include "tests/support/runtime_dir_guard.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    RuntimeDirGuard runtime;
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    return RUN_ALL_TESTS();
}
