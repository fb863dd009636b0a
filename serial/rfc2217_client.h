#pragma once
// The client side of RFC 2217 (telnet's COM-PORT-OPTION) as a state machine without a socket: it
// says what to send and reads what the bridge sends back. It asks for BINARY both ways and for the
// COM-PORT-OPTION, turns the line settings into SET-BAUDRATE, SET-DATASIZE, SET-PARITY,
// SET-STOPSIZE and SET-CONTROL requests, keeps the requests the bridge has not answered yet, and
// keeps the last line and modem states the bridge told. The display's bytes are the data that is
// left; replies and notifications never count among them.
#include <cstdint>
#include <string>
#include <vector>

#include "serial/telnet_codec.h"

namespace rfc2217 {

// The COM-PORT-OPTION's commands as the client sends them; the server answers with 100 more.
enum Command : uint8_t {
    kSignature = 0,
    kSetBaudRate = 1,
    kSetDataSize = 2,
    kSetParity = 3,
    kSetStopSize = 4,
    kSetControl = 5,
    kNotifyLineState = 6,
    kNotifyModemState = 7,
    kFlowControlSuspend = 8,
    kFlowControlResume = 9,
    kSetLineStateMask = 10,
    kSetModemStateMask = 11,
    kPurgeData = 12,
};
inline constexpr uint8_t kServerOffset = 100;

// Values of SET-PARITY, SET-STOPSIZE and SET-CONTROL.
enum : uint8_t { kParityNone = 1, kParityOdd = 2, kParityEven = 3, kParityMark = 4, kParitySpace = 5 };
enum : uint8_t { kStopOne = 1, kStopTwo = 2, kStopOneAndHalf = 3 };
enum : uint8_t {
    kControlNoFlow = 1,
    kControlXonXoff = 2,
    kControlHardwareFlow = 3,
    kControlBreakOn = 5,
    kControlBreakOff = 6,
    kControlDtrOn = 8,
    kControlDtrOff = 9,
    kControlRtsOn = 11,
    kControlRtsOff = 12,
};
// NOTIFY-MODEMSTATE bits.
enum : uint8_t { kModemCts = 0x10, kModemDsr = 0x20, kModemRing = 0x40, kModemCd = 0x80 };

struct LineRequest {
    uint32_t baudRate = 0;
    uint8_t dataBits = 8;
    uint8_t parity = kParityNone;
    uint8_t stopSize = kStopOne;
    uint8_t flow = kControlNoFlow;
    bool dtrOn = true;
    bool rtsOn = true;
};

// The name of a request by its command and value, as the trace notes it ("SET-CONTROL DTR on").
std::string RequestName(uint8_t command, uint8_t value);

class Client {
public:
    enum class OptionState { Pending, Accepted, Refused };

    // WILL BINARY, DO BINARY, WILL COM-PORT-OPTION: what opens the link.
    std::vector<uint8_t> Opening();
    // The requests that set the line; each is awaited until the bridge answers it.
    std::vector<uint8_t> LineSettings(const LineRequest& request);
    // One SET-CONTROL request (DTR, RTS, break), awaited like the others.
    std::vector<uint8_t> Control(uint8_t value);

    // Reads what the bridge sent: the display's bytes are appended to data, the answers the
    // bridge is owed (to its own option requests) to reply.
    void Receive(const uint8_t* raw, size_t size, std::vector<uint8_t>& data, std::vector<uint8_t>& reply);

    OptionState ComPortOption() const { return comPort_; }
    bool AllAnswered() const { return awaited_.empty(); }
    // The requests not answered yet, by name; forgetting them lets the link go on without them.
    std::vector<std::string> Unanswered() const;
    void ForgetUnanswered() { awaited_.clear(); }

    uint32_t AcknowledgedBaudRate() const { return ackBaud_; }
    uint8_t ModemState() const { return modemState_; }
    uint8_t LineState() const { return lineState_; }

private:
    struct Awaited {
        uint8_t command;
        uint8_t value;
    };
    struct OptionSide {
        bool enabled = false;
        bool requested = false;
    };
    std::vector<uint8_t> Request(uint8_t command, std::vector<uint8_t> payload, uint8_t value);
    void Negotiate(const telnet::Command& c, std::vector<uint8_t>& reply);
    void Answer(const telnet::Command& c);

    telnet::Decoder decoder_;
    OptionSide local_[256];   // what we do (WILL/WONT)
    OptionSide remote_[256];  // what the bridge does (DO/DONT)
    OptionState comPort_ = OptionState::Pending;
    std::vector<Awaited> awaited_;
    uint32_t ackBaud_ = 0;
    uint8_t modemState_ = 0;
    uint8_t lineState_ = 0;
};

}  // namespace rfc2217
