#include "serial/dcb_win32.h"

// After the component's headers: the system's headers define the event and error names as macros.
#include <windows.h>

namespace {
DWORD Bit(uint32_t flags, uint32_t mask) { return (flags & mask) != 0 ? 1 : 0; }
DWORD Field(uint32_t flags, uint32_t mask, unsigned shift) { return (flags & mask) >> shift; }
}  // namespace

void ToWin32Dcb(const TDCB& from, _DCB& to)
{
    to = DCB{};
    to.DCBlength = sizeof(DCB);
    to.BaudRate = from.BaudRate;
    const uint32_t f = from.Flags;
    to.fBinary = Bit(f, DCB_fBinary);
    to.fParity = Bit(f, DCB_fParity);
    to.fOutxCtsFlow = Bit(f, DCB_fOutxCtsFlow);
    to.fOutxDsrFlow = Bit(f, DCB_fOutxDsrFlow);
    to.fDtrControl = Field(f, DCB_fDtrControlMask, 4);
    to.fDsrSensitivity = Bit(f, DCB_fDsrSensitivity);
    to.fTXContinueOnXoff = Bit(f, DCB_fTXContinueOnXoff);
    to.fOutX = Bit(f, DCB_fOutX);
    to.fInX = Bit(f, DCB_fInX);
    to.fErrorChar = Bit(f, DCB_fErrorChar);
    to.fNull = Bit(f, DCB_fNull);
    to.fRtsControl = Field(f, DCB_fRtsControlMask, 12);
    to.fAbortOnError = Bit(f, DCB_fAbortOnError);
    to.wReserved = from.wReserved;
    to.XonLim = from.XonLim;
    to.XoffLim = from.XoffLim;
    to.ByteSize = from.ByteSize;
    to.Parity = from.Parity;
    to.StopBits = from.StopBits;
    to.XonChar = from.XonChar;
    to.XoffChar = from.XoffChar;
    to.ErrorChar = from.ErrorChar;
    to.EofChar = from.EofChar;
    to.EvtChar = from.EvtChar;
    to.wReserved1 = from.wReserved1;
}
