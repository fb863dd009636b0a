#include "serial/win32_serial_calls.h"

namespace nrplatform {

Win32SerialCalls SystemWin32SerialCalls()
{
    return Win32SerialCalls{
        ::CreateFileW, ::CloseHandle,   ::GetCommState,        ::SetCommState,       ::SetupComm,          ::SetCommTimeouts,
        ::SetCommMask, ::WaitCommEvent, ::GetOverlappedResult, ::CancelIo,           ::ClearCommError,     ::ReadFile,
        ::WriteFile,   ::PurgeComm,     ::FlushFileBuffers,    ::EscapeCommFunction, ::GetCommModemStatus,
    };
}

namespace {

Win32SerialCalls& Table()
{
    static Win32SerialCalls calls = SystemWin32SerialCalls();
    return calls;
}

}  // namespace

const Win32SerialCalls& Win32Serial() { return Table(); }

void ReplaceWin32SerialCalls(const Win32SerialCalls& calls) { Table() = calls; }

}  // namespace nrplatform
