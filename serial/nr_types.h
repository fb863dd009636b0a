#pragma once
// Enumerations, sets, event types and platform-shaped records of the serial component.
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>

class QObject;
class TnrBaseIO;

// Device handle: the invalid value has all bits set.
using TnrHandle = std::uintptr_t;
inline constexpr TnrHandle kInvalidHandle = ~TnrHandle(0);

enum TComPort : uint8_t { cpCOM1, cpCOM2, cpCOM3, cpCOM4, cpCOM5, cpCOM6, cpCOM7, cpCOM8, cpCOMxx };
enum TParity : uint8_t { pNone, pOdd, pEven, pMark, pSpace };
enum TStopBits : uint8_t { sbOne, sbOneAndHalf, sbTwo };
enum TStreamProtocol : uint8_t { spNone, spXonXoff, spHardware };
enum TTraceState : uint8_t {
    tsRxChar,
    tsRxFlag,
    tsTxEmpty,
    tsCTS,
    tsDSR,
    tsRLSD,
    tsBreak,
    tsErr,
    tsRing,
    tsRx80Full,
    tsEvent1,
    tsEvent2
};
enum TModemSignal : uint8_t { msCTS, msDSR, msRing, msRLSD };
enum TTerminalUsage : uint8_t { tuNone, tuSend, tuReceive, tuBoth };
enum TnrEnumPorts : uint8_t { epQuickAll, epFullInfo, epFullPresent };
enum TDetailLevel : uint8_t { dlSimple, dlDetail, dlDebug };
enum TComStateFlag : uint8_t { fCtlHold, fDsrHold, fRlsdHold, fXoffHold, fXoffSent, fEof, fTxim };

// A small set over an enumeration, bit n for ordinal n.
template <typename E, typename Bits>
class TnrSet {
public:
    constexpr TnrSet() = default;
    constexpr TnrSet(std::initializer_list<E> items)
    {
        for (E e : items)
            bits_ = Bits(bits_ | Bit(e));
    }
    static constexpr TnrSet FromBits(Bits bits)
    {
        TnrSet s;
        s.bits_ = bits;
        return s;
    }
    constexpr Bits bits() const { return bits_; }
    constexpr bool Contains(E e) const { return (bits_ & Bit(e)) != 0; }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr void Include(E e) { bits_ = Bits(bits_ | Bit(e)); }
    constexpr void Exclude(E e) { bits_ = Bits(bits_ & ~Bit(e)); }
    constexpr bool operator==(const TnrSet&) const = default;

private:
    static constexpr Bits Bit(E e) { return Bits(Bits(1) << static_cast<unsigned>(e)); }
    Bits bits_ = 0;
};

using TTraceStates = TnrSet<TTraceState, uint16_t>;
using TModemSignals = TnrSet<TModemSignal, uint8_t>;
using TComStateFlags = TnrSet<TComStateFlag, uint8_t>;

// Line events as the platform numbers them (the bits of a comm event message).
enum : uint32_t {
    EV_RXCHAR = 0x0001,
    EV_RXFLAG = 0x0002,
    EV_TXEMPTY = 0x0004,
    EV_CTS = 0x0008,
    EV_DSR = 0x0010,
    EV_RLSD = 0x0020,
    EV_BREAK = 0x0040,
    EV_ERR = 0x0080,
    EV_RING = 0x0100,
    EV_PERR = 0x0200,
    EV_RX80FULL = 0x0400,
    EV_EVENT1 = 0x0800,
    EV_EVENT2 = 0x1000
};

// Port error flags of a status query.
enum : uint32_t { CE_RXOVER = 0x01, CE_OVERRUN = 0x02, CE_RXPARITY = 0x04, CE_FRAME = 0x08, CE_BREAK = 0x10 };

// The line-control block, laid out as the platform's 28-byte record.
struct TDCB {
    uint32_t DCBlength = 28;
    uint32_t BaudRate = 0;
    uint32_t Flags = 0;
    uint16_t wReserved = 0;
    uint16_t XonLim = 0;
    uint16_t XoffLim = 0;
    uint8_t ByteSize = 8;
    uint8_t Parity = 0;
    uint8_t StopBits = 0;
    char XonChar = 0;
    char XoffChar = 0;
    char ErrorChar = 0;
    char EofChar = 0;
    char EvtChar = 0;
    uint16_t wReserved1 = 0;
};

// Flag bits of TDCB::Flags.
enum : uint32_t {
    DCB_fBinary = 0x0001,
    DCB_fParity = 0x0002,
    DCB_fOutxCtsFlow = 0x0004,
    DCB_fOutxDsrFlow = 0x0008,
    DCB_fDtrControlMask = 0x0030,
    DCB_fDtrControlEnable = 0x0010,
    DCB_fDtrControlHandshake = 0x0020,
    DCB_fDsrSensitivity = 0x0040,
    DCB_fTXContinueOnXoff = 0x0080,
    DCB_fOutX = 0x0100,
    DCB_fInX = 0x0200,
    DCB_fErrorChar = 0x0400,
    DCB_fNull = 0x0800,
    DCB_fRtsControlMask = 0x3000,
    DCB_fRtsControlEnable = 0x1000,
    DCB_fRtsControlHandshake = 0x2000,
    DCB_fRtsControlToggle = 0x3000,
    DCB_fAbortOnError = 0x4000
};

struct TCOMMCONFIG {
    uint32_t dwSize = 52;
    uint16_t wVersion = 1;
    uint16_t wReserved = 0;
    TDCB dcb;
    uint32_t dwProviderSubType = 1;  // serial port
    uint32_t dwProviderOffset = 0;
    uint32_t dwProviderSize = 0;
};

struct TCOMSTAT {
    TComStateFlags Flags;
    uint32_t cbInQue = 0;
    uint32_t cbOutQue = 0;
};

struct TCOMMTIMEOUTS {
    uint32_t ReadIntervalTimeout = 0;
    uint32_t ReadTotalTimeoutMultiplier = 0;
    uint32_t ReadTotalTimeoutConstant = 0;
    uint32_t WriteTotalTimeoutMultiplier = 0;
    uint32_t WriteTotalTimeoutConstant = 0;
};

// Port capabilities.
struct TCOMMPROP {
    uint16_t wPacketLength = 64;
    uint16_t wPacketVersion = 2;
    uint32_t dwServiceMask = 1;
    uint32_t dwMaxTxQueue = 0;
    uint32_t dwMaxRxQueue = 0;
    uint32_t dwMaxBaud = 0x10000000;  // programmable
    uint32_t dwProvSubType = 1;
    uint32_t dwProvCapabilities = 0;
    uint32_t dwSettableParams = 0;
    uint32_t dwSettableBaud = 0;
    uint16_t wSettableData = 0;
    uint16_t wSettableStopParity = 0;
    uint32_t dwCurrentTxQueue = 0;
    uint32_t dwCurrentRxQueue = 0;
};

// Event types: called only when set.
using TNotifyEvent = std::function<void(QObject* Sender)>;
using TOnReceived = std::function<void(TnrBaseIO* Com, const void* Buffer, uint32_t Received)>;
using TOnSent = std::function<void(TnrBaseIO* Com)>;
using TOnTraceEvent = std::function<void(TnrBaseIO* Com, TTraceStates Event)>;
using TOnCommErrorEvent =
    std::function<void(TnrBaseIO* Com, uint32_t CommCode, uint32_t SysError, TComStateFlags State, bool& flFlashBuffers)>;
using TOnFatalErrorEvent =
    std::function<void(QObject* Sender, uint32_t ErrorCode, uint32_t Detail, const std::string& ErrorMsg, bool& RaiseException)>;
using TDataSendEvent = std::function<void(QObject* Sender, const void* ptrBuffer, uint32_t Len, bool flSynchro, bool& flHandled)>;

// A notify-list entry: a routine and the object it is called on. Two entries are the same
// listener when their routines are equal.
struct TnrNotifyEvent {
    using Routine = void (*)(void* Object, QObject* Sender, int32_t Code);
    Routine routine = nullptr;
    void* object = nullptr;
};
