// Opening a port on Windows: the system's own message for a port that cannot be opened.
#include <gtest/gtest.h>

#include <string>

#include "serial/nr_comm.h"
#include "serial/nr_errors.h"
#include "serial/port_map_registry_win32.h"
#include "serial/serial_platform.h"

// After the component's headers: the system's headers define the event and error names as macros.
#include <windows.h>

namespace {

// The system's message for an error code, as Windows words it, without its line end.
std::string SystemMessage(DWORD code)
{
    wchar_t text[512] = {};
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text, 512, nullptr);
    while (n > 0 && (text[n - 1] == L'\r' || text[n - 1] == L'\n' || text[n - 1] == L' '))
        --n;
    char out[1024] = {};
    const int m = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(n), out, sizeof out - 1, nullptr, nullptr);
    return std::string(out, static_cast<size_t>(m > 0 ? m : 0));
}

TEST(Win32Open, AMissingPortRaisesTheOpenErrorWithTheSystemsMessage)
{
    const std::string reason = SystemMessage(ERROR_FILE_NOT_FOUND);
    ASSERT_FALSE(reason.empty());
    TnrComm comm;
    comm.SetPortMapSource(std::make_shared<TnrRegistryPortMap>(TnrRegistryPortMap::Root::CurrentUser,
                                                               L"Software\\KorvaneShellTest-none\\SERIALCOMM"));
    comm.SetComPortNo(250);
    const std::string expected = "Device \"COM250\" Open Error !!!\r" + reason;
    try {
        comm.SetActive(true);
        FAIL() << "no exception";
    } catch (const EnrCommError& e) {
        EXPECT_EQ(std::string(e.what()), expected);
    }
    EXPECT_FALSE(comm.Active());
    EXPECT_EQ(comm.TotalReceived(), 0u);
    EXPECT_EQ(comm.LastErrorString(), expected);
}

TEST(Win32Open, ADeviceThatIsNoSerialPortIsRefused)
{
    int error = 0;
    EXPECT_EQ(nrplatform::OpenPort("\\\\.\\NUL", error), nullptr);
    EXPECT_NE(error, 0);
    EXPECT_EQ(nrplatform::OpenPort("", error), nullptr);
    EXPECT_EQ(error, ERROR_FILE_NOT_FOUND);
}

TEST(Win32Open, ErrorTextIsTheSystemsMessageWithoutItsLineEnd)
{
    // (A port another program holds has words of its own: test_serial_line_loss shows them at Connect.)
    for (DWORD code : {DWORD(ERROR_FILE_NOT_FOUND), DWORD(ERROR_GEN_FAILURE), DWORD(ERROR_SHARING_VIOLATION)}) {
        const std::string text = nrplatform::ErrorText(static_cast<int>(code));
        EXPECT_EQ(text, SystemMessage(code));
        ASSERT_FALSE(text.empty());
        EXPECT_NE(text.back(), '\n');
    }
    EXPECT_FALSE(nrplatform::ErrorText(0x7FFFFFF0).empty()) << "a code without a message still reads as text";
}

}  // namespace
