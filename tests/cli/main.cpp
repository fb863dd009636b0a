#include "tests/support/runtime_dir_guard.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

// Port links go to a private runtime folder, which the korvane processes inherit, so the
// simulator's link is the only one they find.
int main(int argc, char** argv)
{
    RuntimeDirGuard runtime;
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
