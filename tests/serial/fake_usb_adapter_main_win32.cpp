// The line-loss tests on Windows: the serial layer's Win32 calls go to a fake USB adapter from
// the start, and the protocol loop runs inside an application object.
#include <QCoreApplication>

#include <gtest/gtest.h>

#include "tests/serial/fake_usb_adapter_win32.h"

int main(int argc, char** argv)
{
    FakeUsbAdapter::Install();
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
