#pragma once
// The Win32 calls the serial platform makes on a port's handle, as one table of functions: the
// system's own unless a program puts others in their place once, at its start, before it opens
// any port (a test program that plays a USB adapter below the serial layer). Events and waits on
// them are not in the table: they are the layer's own, not the device's.
#include <windows.h>

namespace nrplatform {

struct Win32SerialCalls {
    decltype(&::CreateFileW) CreateFileW;
    decltype(&::CloseHandle) CloseHandle;  // of a port's handle
    decltype(&::GetCommState) GetCommState;
    decltype(&::SetCommState) SetCommState;
    decltype(&::SetupComm) SetupComm;
    decltype(&::SetCommTimeouts) SetCommTimeouts;
    decltype(&::SetCommMask) SetCommMask;
    decltype(&::WaitCommEvent) WaitCommEvent;
    decltype(&::GetOverlappedResult) GetOverlappedResult;
    decltype(&::CancelIo) CancelIo;
    decltype(&::ClearCommError) ClearCommError;
    decltype(&::ReadFile) ReadFile;
    decltype(&::WriteFile) WriteFile;
    decltype(&::PurgeComm) PurgeComm;
    decltype(&::FlushFileBuffers) FlushFileBuffers;
    decltype(&::EscapeCommFunction) EscapeCommFunction;
    decltype(&::GetCommModemStatus) GetCommModemStatus;
};

// The system's functions.
Win32SerialCalls SystemWin32SerialCalls();
// The table every port uses.
const Win32SerialCalls& Win32Serial();
// Puts another table in place; only before the first port opens.
void ReplaceWin32SerialCalls(const Win32SerialCalls& calls);

}  // namespace nrplatform
