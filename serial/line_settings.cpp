#include "serial/line_settings.h"

uint32_t ComputeDcbFlags(uint32_t current, bool rs485, TStreamProtocol protocol)
{
    uint32_t flags = current & kDcbKeptFlags;
    if (rs485)
        return flags | kDcbFlagsRS485;
    switch (protocol) {
    case spNone:
        return flags | kDcbFlagsNone;
    case spXonXoff:
        return flags | kDcbFlagsXonXoff;
    case spHardware:
        return flags | kDcbFlagsHardware;
    }
    return flags;
}

void PrepareDcb(TDCB& dcb, bool rs485, TStreamProtocol protocol)
{
    dcb.DCBlength = 28;
    dcb.Flags = ComputeDcbFlags(dcb.Flags, rs485, protocol);
    dcb.XonLim = 80;
    dcb.XoffLim = 200;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
}

uint32_t EventMaskFor(TTraceStates states, bool rs485, bool notSupportRS485)
{
    uint32_t mask = EV_RXCHAR;
    if (states.Contains(tsRxFlag))
        mask |= EV_RXFLAG;
    if (states.Contains(tsTxEmpty) || (rs485 && notSupportRS485))
        mask |= EV_TXEMPTY;
    if (states.Contains(tsCTS))
        mask |= EV_CTS;
    if (states.Contains(tsDSR))
        mask |= EV_DSR;
    if (states.Contains(tsRLSD))
        mask |= EV_RLSD;
    if (states.Contains(tsBreak))
        mask |= EV_BREAK;
    if (states.Contains(tsErr))
        mask |= EV_ERR;
    if (states.Contains(tsRing))
        mask |= EV_RING;
    if (states.Contains(tsRx80Full))
        mask |= EV_RX80FULL;
    if (states.Contains(tsEvent1))
        mask |= EV_EVENT1;
    if (states.Contains(tsEvent2))
        mask |= EV_EVENT2;
    return mask;
}

TTraceStates TraceStatesFromEvents(uint32_t events)
{
    TTraceStates s;
    if (events & EV_RXFLAG)
        s.Include(tsRxFlag);
    if (events & EV_CTS)
        s.Include(tsCTS);
    if (events & EV_DSR)
        s.Include(tsDSR);
    if (events & EV_RLSD)
        s.Include(tsRLSD);
    if (events & EV_BREAK)
        s.Include(tsBreak);
    if (events & EV_ERR)
        s.Include(tsErr);
    if (events & EV_RING)
        s.Include(tsRing);
    if (events & EV_RX80FULL)
        s.Include(tsRx80Full);
    if (events & EV_EVENT1)
        s.Include(tsEvent1);
    if (events & EV_EVENT2)
        s.Include(tsEvent2);
    return s;
}

TnrLineSettings LineSettingsFromDcb(const TDCB& dcb)
{
    TnrLineSettings s;
    s.baudRate = dcb.BaudRate;
    if (dcb.ByteSize >= 5 && dcb.ByteSize <= 8)
        s.dataBits = dcb.ByteSize;
    else
        s.valid = false;  // a POSIX port has no 4-bit characters
    switch (dcb.Parity) {
    case pNone:
        break;
    case pOdd:
        s.parityEnable = true;
        s.parityOdd = true;
        break;
    case pEven:
        s.parityEnable = true;
        break;
    case pMark:
        s.parityEnable = true;
        s.parityOdd = true;
        s.parityStick = true;
        break;
    case pSpace:
        s.parityEnable = true;
        s.parityStick = true;
        break;
    default:
        s.valid = false;
        break;
    }
    s.inputParityCheck = (dcb.Flags & DCB_fParity) != 0;
    // one and a half stop bits count as two
    s.twoStopBits = dcb.StopBits == sbOneAndHalf || dcb.StopBits == sbTwo;
    if (dcb.StopBits > sbTwo)
        s.valid = false;
    s.ctsRtsFlow = (dcb.Flags & DCB_fOutxCtsFlow) != 0;
    s.xonOutput = (dcb.Flags & DCB_fOutX) != 0;
    s.xonInput = (dcb.Flags & DCB_fInX) != 0;
    s.xonChar = dcb.XonChar;
    s.xoffChar = dcb.XoffChar;
    s.dtrOn = (dcb.Flags & DCB_fDtrControlMask) == DCB_fDtrControlEnable;
    const uint32_t rts = dcb.Flags & DCB_fRtsControlMask;
    s.rtsOn = rts == DCB_fRtsControlEnable;
    s.rs485 = rts == DCB_fRtsControlToggle;
    if (dcb.BaudRate == 0)
        s.valid = false;
    return s;
}
