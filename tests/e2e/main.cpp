#include "tests/support/runtime_dir_guard.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

// The real window runs offscreen; port links go to a private runtime folder, never to the
// user's own, so the simulator's COM3 is the only port link the window finds.
int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    RuntimeDirGuard runtime;
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
