#pragma once
// The telnet layer under RFC 2217, both ways, as plain byte work: every 0xFF of the data is doubled
// on the way out and undoubled on the way in, option negotiations (IAC WILL/WONT/DO/DONT option)
// and subnegotiations (IAC SB option ... IAC SE) are taken out of the stream and handed over as
// commands. Nothing here touches a socket.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace telnet {

inline constexpr uint8_t kIac = 255;
inline constexpr uint8_t kDont = 254;
inline constexpr uint8_t kDo = 253;
inline constexpr uint8_t kWont = 252;
inline constexpr uint8_t kWill = 251;
inline constexpr uint8_t kSb = 250;
inline constexpr uint8_t kSe = 240;

inline constexpr uint8_t kOptionBinary = 0;
inline constexpr uint8_t kOptionEcho = 1;
inline constexpr uint8_t kOptionSuppressGoAhead = 3;
inline constexpr uint8_t kOptionComPort = 44;

// A subnegotiation longer than this is cut: the COM-PORT-OPTION's longest is a signature text.
inline constexpr size_t kMaxSubnegotiation = 256;

struct Command {
    uint8_t verb = 0;              // kWill, kWont, kDo, kDont or kSb
    uint8_t option = 0;            // the option it is about
    std::vector<uint8_t> payload;  // kSb only: the bytes between the option and IAC SE, undoubled
};

// Appends data with every 0xFF doubled.
void AppendEscaped(std::vector<uint8_t>& out, const uint8_t* data, size_t size);
// IAC verb option.
void AppendNegotiation(std::vector<uint8_t>& out, uint8_t verb, uint8_t option);
// IAC SB option payload IAC SE, the payload's 0xFF doubled.
void AppendSubnegotiation(std::vector<uint8_t>& out, uint8_t option, const std::vector<uint8_t>& payload);

// Splits a byte stream into data and commands. A command or a doubled 0xFF cut between two
// arrivals is completed by the next one. Other telnet commands (NOP, GA, ...) are dropped.
class Decoder {
public:
    void Feed(const uint8_t* raw, size_t size, std::vector<uint8_t>& data, std::vector<Command>& commands);

private:
    enum class State { Data, Iac, Option, SubOption, Sub, SubIac };
    State state_ = State::Data;
    uint8_t verb_ = 0;
    Command sub_;
};

}  // namespace telnet
