#pragma once
// The server side of RFC 2217 as the simulated display's bridge speaks it, without a socket: it
// answers the client's option requests (BINARY and SUPPRESS-GO-AHEAD both ways, the
// COM-PORT-OPTION), answers every COM-PORT-OPTION request with the value it now holds, and keeps
// the line settings it was asked for. The display's bytes are the data that is left.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "serial/telnet_codec.h"

class Rfc2217Server {
public:
    struct LineState {
        uint32_t baudRate = 0;  // 0: never asked
        uint8_t dataBits = 8;
        uint8_t parity = 1;    // RFC 2217's values: 1 none, 2 odd, 3 even, 4 mark, 5 space
        uint8_t stopSize = 1;  // 1, 2, or 3 for one and a half
        uint8_t flow = 1;      // 1 none, 2 XON/XOFF, 3 hardware
        bool dtr = false;
        bool rts = false;
    };

    // note: a line for the log for every setting a client asks for ("baud rate 230400").
    explicit Rfc2217Server(std::function<void(const std::string&)> note = {}) : note_(std::move(note)) {}

    // What the client sent: its data bytes for the display are appended to data, the answers
    // it is owed to reply.
    void Receive(const uint8_t* raw, size_t size, std::vector<uint8_t>& data, std::vector<uint8_t>& reply);
    // The display's bytes for the connection, every 0xFF doubled.
    static void Escape(const uint8_t* data, size_t size, std::vector<uint8_t>& out) { telnet::AppendEscaped(out, data, size); }

    const LineState& line() const { return line_; }
    bool comPortAgreed() const { return comPort_; }

private:
    void Negotiate(const telnet::Command& c, std::vector<uint8_t>& reply);
    void Answer(const std::vector<uint8_t>& request, std::vector<uint8_t>& reply);

    std::function<void(const std::string&)> note_;
    telnet::Decoder decoder_;
    bool local_[256] = {};   // what we do
    bool remote_[256] = {};  // what the client does
    bool comPort_ = false;
    LineState line_;
};
