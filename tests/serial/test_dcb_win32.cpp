// The component's line-control block as the Windows port gets it.
#include <gtest/gtest.h>

#include <cstring>

#include "serial/dcb_win32.h"
#include "serial/line_settings.h"
#include "serial/nr_comm.h"

// After the component's headers: the system's headers define the event and error names as macros.
#include <windows.h>

namespace {

uint32_t FlagWordOf(const DCB& dcb)
{
    uint32_t word = 0;
    std::memcpy(&word, reinterpret_cast<const char*>(&dcb) + offsetof(DCB, BaudRate) + sizeof(DWORD), sizeof word);
    return word;
}

TEST(Win32Dcb, TheFlagWordLandsBitForBitInTheSystemsBitFields)
{
    for (uint32_t flags : {0x0001u, 0x4CEAu, 0x1011u, 0x1311u, 0x2015u, 0x3011u, 0x7FFFu}) {
        TDCB block;
        block.Flags = flags;
        DCB dcb;
        ToWin32Dcb(block, dcb);
        EXPECT_EQ(FlagWordOf(dcb), flags) << std::hex << flags;
    }
}

TEST(Win32Dcb, TheShellsLineIsEightDataBitsNoParityTwoStopBitsDtrAndRtsOnNoFlowControl)
{
    TnrComm comm;
    comm.SetBaudRate(921600);
    comm.SetByteSize(8);
    comm.SetParity(pNone);
    comm.SetStopBits(sbTwo);
    comm.SetStreamProtocol(spNone);
    DCB dcb;
    ToWin32Dcb(comm.Dcb(), dcb);
    EXPECT_EQ(dcb.DCBlength, sizeof(DCB));
    EXPECT_EQ(dcb.BaudRate, 921600u);
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.Parity, NOPARITY);
    EXPECT_EQ(dcb.StopBits, TWOSTOPBITS);
    EXPECT_EQ(dcb.fBinary, 1u);
    EXPECT_EQ(dcb.fParity, 0u);
    EXPECT_EQ(dcb.fDtrControl, static_cast<DWORD>(DTR_CONTROL_ENABLE));
    EXPECT_EQ(dcb.fRtsControl, static_cast<DWORD>(RTS_CONTROL_ENABLE));
    EXPECT_EQ(dcb.fOutxCtsFlow, 0u);
    EXPECT_EQ(dcb.fOutX, 0u);
    EXPECT_EQ(dcb.fInX, 0u);
    EXPECT_EQ(dcb.XonLim, 80);
    EXPECT_EQ(dcb.XoffLim, 200);
    EXPECT_EQ(dcb.XonChar, 0x11);
    EXPECT_EQ(dcb.XoffChar, 0x13);
}

TEST(Win32Dcb, EachFlowControlModeGivesTheSystemsFields)
{
    struct Row {
        bool rs485;
        TStreamProtocol protocol;
        DWORD rtsControl, outxCts, outX, inX;
    };
    const Row rows[] = {
        {false, spNone, RTS_CONTROL_ENABLE, 0, 0, 0},
        {false, spXonXoff, RTS_CONTROL_ENABLE, 0, 1, 1},
        {false, spHardware, RTS_CONTROL_HANDSHAKE, 1, 0, 0},
        {true, spHardware, RTS_CONTROL_TOGGLE, 0, 0, 0},
    };
    for (const Row& r : rows) {
        TnrComm comm;
        comm.SetStreamProtocol(r.protocol);
        comm.SetRS485Mode(r.rs485);
        comm.SetParity(pOdd);
        DCB dcb;
        ToWin32Dcb(comm.Dcb(), dcb);
        SCOPED_TRACE(testing::Message() << "protocol " << int(r.protocol) << " rs485 " << r.rs485);
        EXPECT_EQ(dcb.fRtsControl, r.rtsControl);
        EXPECT_EQ(dcb.fOutxCtsFlow, r.outxCts);
        EXPECT_EQ(dcb.fOutX, r.outX);
        EXPECT_EQ(dcb.fInX, r.inX);
        EXPECT_EQ(dcb.fDtrControl, static_cast<DWORD>(DTR_CONTROL_ENABLE));
        EXPECT_EQ(dcb.Parity, ODDPARITY);
        EXPECT_EQ(dcb.fParity, 1u) << "a parity asks for its check";
    }
}

}  // namespace
