#include "tests/support/runtime_dir_guard.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

// The loop processes events, so the tests run inside an application object. Port links go to
// a private runtime folder, never to the user's own.
int main(int argc, char** argv)
{
    RuntimeDirGuard runtime;
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
