// The line-control block's flag word, the event mask and their mapping to a POSIX port.
#include <gtest/gtest.h>

#include "serial/line_settings.h"
#include "serial/nr_comm.h"

namespace {

TEST(DcbFlags, EachModeAddsItsRowToTheKeptFlags)
{
    struct Row {
        bool rs485;
        TStreamProtocol protocol;
        uint32_t added;
    };
    const Row rows[] = {
        {false, spNone, 0x1011}, {false, spXonXoff, 0x1311}, {false, spHardware, 0x2015},
        {true, spNone, 0x3011},  {true, spXonXoff, 0x3011},  {true, spHardware, 0x3011},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(ComputeDcbFlags(0, r.rs485, r.protocol), r.added) << int(r.protocol) << r.rs485;
        // of a full word only parity check, DSR flow, the upper DTR bit, DSR sensitivity,
        // continue after XOFF, error character, null stripping and abort on error stay
        EXPECT_EQ(ComputeDcbFlags(0xFFFFFFFF, r.rs485, r.protocol), 0x4CEAu | r.added);
    }
}

TEST(DcbFlags, PreparingTheBlockSetsLengthLimitsAndCharacters)
{
    TDCB dcb;
    dcb.DCBlength = 0;
    dcb.Flags = 0x0300;  // XON/XOFF bits of an earlier mode go
    PrepareDcb(dcb, false, spNone);
    EXPECT_EQ(dcb.DCBlength, 28u);
    EXPECT_EQ(dcb.Flags, 0x1011u);
    EXPECT_EQ(dcb.XonLim, 80);
    EXPECT_EQ(dcb.XoffLim, 200);
    EXPECT_EQ(dcb.XonChar, 0x11);
    EXPECT_EQ(dcb.XoffChar, 0x13);
}

TEST(DcbFlags, TheComponentKeepsItsBlockUpToDateWhileClosed)
{
    TnrComm comm;
    EXPECT_EQ(comm.BaudRate(), 19200u);
    EXPECT_EQ(comm.Dcb().Flags, 0x2015u) << "hardware flow control by default";
    comm.SetParity(pEven);
    EXPECT_EQ(comm.Dcb().Flags & DCB_fParity, DCB_fParity) << "parity check on for every parity but none";
    comm.SetStreamProtocol(spNone);
    comm.SetRS485Mode(true);
    EXPECT_EQ(comm.Dcb().Flags, 0x3011u | DCB_fParity) << "RS-485 overrides the protocol";
    comm.SetRS485Mode(false);
    comm.SetParity(pNone);
    EXPECT_EQ(comm.Dcb().Flags, 0x1011u);
    EXPECT_EQ(comm.Dcb().Parity, 0);
}

TEST(DcbFlags, ByteSizeKeepsFourToEightAndStoresEightOtherwise)
{
    const std::pair<uint8_t, uint8_t> cases[] = {{3, 8}, {9, 8}, {0, 8}, {4, 4}, {5, 5}, {7, 7}, {8, 8}};
    TnrComm comm;
    for (auto [set, read] : cases) {
        comm.SetByteSize(set);
        EXPECT_EQ(comm.ByteSize(), read) << int(set);
    }
}

TEST(EventMask, ReceivedCharactersAreAlwaysWatched)
{
    EXPECT_EQ(EventMaskFor(TTraceStates{}, false, false), static_cast<uint32_t>(EV_RXCHAR));
    EXPECT_EQ(EventMaskFor(TTraceStates{tsRxChar}, false, false), static_cast<uint32_t>(EV_RXCHAR));
    EXPECT_EQ(EventMaskFor(TTraceStates{tsCTS, tsRing, tsErr}, false, false),
              static_cast<uint32_t>(EV_RXCHAR | EV_CTS | EV_RING | EV_ERR));
    EXPECT_EQ(EventMaskFor(TTraceStates{}, true, true), static_cast<uint32_t>(EV_RXCHAR | EV_TXEMPTY))
        << "RS-485 without driver support watches the end of a transmission";
    EXPECT_EQ(EventMaskFor(TTraceStates{}, true, false), static_cast<uint32_t>(EV_RXCHAR));
}

TEST(EventMask, EveryTraceStateHasItsEventAndComesBackAsItself)
{
    const std::pair<TTraceState, uint32_t> table[] = {
        {tsRxFlag, EV_RXFLAG}, {tsCTS, EV_CTS},   {tsDSR, EV_DSR},           {tsRLSD, EV_RLSD},     {tsBreak, EV_BREAK},
        {tsErr, EV_ERR},       {tsRing, EV_RING}, {tsRx80Full, EV_RX80FULL}, {tsEvent1, EV_EVENT1}, {tsEvent2, EV_EVENT2}};
    for (auto [state, event] : table) {
        EXPECT_EQ(EventMaskFor(TTraceStates{state}, false, false), EV_RXCHAR | event) << int(state);
        EXPECT_EQ(TraceStatesFromEvents(event), TTraceStates{state}) << int(state);
    }
    EXPECT_TRUE(TraceStatesFromEvents(EV_RXCHAR | EV_TXEMPTY | EV_PERR).Empty())
        << "received characters and the empty output queue are no traces";
}

TEST(LineSettingsMapping, TheBlockBecomesTermiosSettings)
{
    TDCB dcb;
    dcb.BaudRate = 921600;
    dcb.ByteSize = 8;
    dcb.Parity = pNone;
    dcb.StopBits = sbTwo;
    PrepareDcb(dcb, false, spNone);
    TnrLineSettings s = LineSettingsFromDcb(dcb);
    EXPECT_TRUE(s.valid);
    EXPECT_EQ(s.baudRate, 921600u);
    EXPECT_TRUE(s.twoStopBits);
    EXPECT_FALSE(s.parityEnable);
    EXPECT_FALSE(s.ctsRtsFlow);
    EXPECT_TRUE(s.dtrOn);
    EXPECT_TRUE(s.rtsOn) << "DTR and RTS held on";

    PrepareDcb(dcb, false, spHardware);
    s = LineSettingsFromDcb(dcb);
    EXPECT_TRUE(s.ctsRtsFlow);
    EXPECT_FALSE(s.rtsOn) << "RTS handshake is the driver's";

    PrepareDcb(dcb, true, spHardware);
    s = LineSettingsFromDcb(dcb);
    EXPECT_TRUE(s.rs485);
    EXPECT_FALSE(s.ctsRtsFlow);

    dcb.Parity = pSpace;
    dcb.Flags |= DCB_fParity;
    s = LineSettingsFromDcb(dcb);
    EXPECT_TRUE(s.parityEnable && s.parityStick && !s.parityOdd);
    EXPECT_TRUE(s.inputParityCheck);

    dcb.ByteSize = 4;
    EXPECT_FALSE(LineSettingsFromDcb(dcb).valid) << "no four-bit characters on this platform: the driver refuses";
}

}  // namespace
