#pragma once
// The line-control block's flag word, the event mask, and their translation into the settings
// a POSIX port is given. Pure functions.
#include <cstdint>

#include "serial/nr_types.h"

// Flags kept from the current word: parity check, DSR output flow, upper DTR-control bit,
// DSR sensitivity, continue after XOFF, error character, null stripping, abort on error.
inline constexpr uint32_t kDcbKeptFlags = 0x4CEA;
inline constexpr uint32_t kDcbFlagsRS485 = 0x3011;
inline constexpr uint32_t kDcbFlagsNone = 0x1011;
inline constexpr uint32_t kDcbFlagsXonXoff = 0x1311;
inline constexpr uint32_t kDcbFlagsHardware = 0x2015;

uint32_t ComputeDcbFlags(uint32_t current, bool rs485, TStreamProtocol protocol);
// Length, flags, XON/XOFF limits and characters, as every line-setting change leaves them.
void PrepareDcb(TDCB& dcb, bool rs485, TStreamProtocol protocol);

// The event mask for a set of trace states: received characters always.
uint32_t EventMaskFor(TTraceStates states, bool rs485, bool notSupportRS485);
// The trace set reported for the events of one message (received characters and output queue
// empty are not reported as traces).
TTraceStates TraceStatesFromEvents(uint32_t events);

// What the POSIX port is given for a line-control block.
struct TnrLineSettings {
    uint32_t baudRate = 9600;
    uint8_t dataBits = 8;  // 5 to 8
    bool parityEnable = false;
    bool parityOdd = false;
    bool parityStick = false;  // mark or space
    bool inputParityCheck = false;
    bool twoStopBits = false;
    bool ctsRtsFlow = false;
    bool xonOutput = false;
    bool xonInput = false;
    char xonChar = 0x11;
    char xoffChar = 0x13;
    bool dtrOn = false;
    bool rtsOn = false;
    bool rs485 = false;  // the driver drives RTS around transmissions
    bool valid = true;   // false when the block asks for what a POSIX port cannot do
};

TnrLineSettings LineSettingsFromDcb(const TDCB& dcb);
