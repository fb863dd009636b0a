#include "sim/rfc2217_server.h"

namespace {

bool Agreeable(uint8_t option) { return option == telnet::kOptionBinary || option == telnet::kOptionSuppressGoAhead; }

const char* ParityName(uint8_t p)
{
    switch (p) {
    case 1:
        return "none";
    case 2:
        return "odd";
    case 3:
        return "even";
    case 4:
        return "mark";
    case 5:
        return "space";
    default:
        return "?";
    }
}

}  // namespace

void Rfc2217Server::Receive(const uint8_t* raw, size_t size, std::vector<uint8_t>& data, std::vector<uint8_t>& reply)
{
    std::vector<telnet::Command> commands;
    decoder_.Feed(raw, size, data, commands);
    for (const telnet::Command& c : commands) {
        if (c.verb != telnet::kSb)
            Negotiate(c, reply);
        else if (c.option == telnet::kOptionComPort && !c.payload.empty())
            Answer(c.payload, reply);
    }
}

// A side changes only on a request that changes it, and only a change is answered.
void Rfc2217Server::Negotiate(const telnet::Command& c, std::vector<uint8_t>& reply)
{
    const uint8_t o = c.option;
    switch (c.verb) {
    case telnet::kWill:  // the client offers to do o
        if (Agreeable(o) || o == telnet::kOptionComPort) {
            if (!remote_[o])
                telnet::AppendNegotiation(reply, telnet::kDo, o);
            remote_[o] = true;
            if (o == telnet::kOptionComPort)
                comPort_ = true;
        } else {
            telnet::AppendNegotiation(reply, telnet::kDont, o);
        }
        break;
    case telnet::kWont:
        if (remote_[o])
            telnet::AppendNegotiation(reply, telnet::kDont, o);
        remote_[o] = false;
        break;
    case telnet::kDo:  // the client asks us to do o
        if (Agreeable(o)) {
            if (!local_[o])
                telnet::AppendNegotiation(reply, telnet::kWill, o);
            local_[o] = true;
        } else {
            telnet::AppendNegotiation(reply, telnet::kWont, o);
        }
        break;
    case telnet::kDont:
        if (local_[o])
            telnet::AppendNegotiation(reply, telnet::kWont, o);
        local_[o] = false;
        break;
    default:
        break;
    }
}

void Rfc2217Server::Answer(const std::vector<uint8_t>& request, std::vector<uint8_t>& reply)
{
    const uint8_t command = request[0];
    if (command >= 100)
        return;  // a server's answer sent to us: nothing to do
    const uint8_t value = request.size() > 1 ? request[1] : 0;
    std::vector<uint8_t> answer{static_cast<uint8_t>(command + 100)};
    auto say = [this](const std::string& text) {
        if (note_)
            note_(text);
    };
    switch (command) {
    case 0: {  // SIGNATURE
        const std::string signature = "Korvane display simulator";
        for (char c : signature)
            answer.push_back(static_cast<uint8_t>(c));
        break;
    }
    case 1:  // SET-BAUDRATE, 0 asks for the current one
        if (request.size() >= 5) {
            const uint32_t baud =
                (uint32_t{request[1]} << 24) | (uint32_t{request[2]} << 16) | (uint32_t{request[3]} << 8) | uint32_t{request[4]};
            if (baud != 0) {
                line_.baudRate = baud;
                say("baud rate " + std::to_string(baud));
            }
        }
        answer.push_back(static_cast<uint8_t>(line_.baudRate >> 24));
        answer.push_back(static_cast<uint8_t>(line_.baudRate >> 16));
        answer.push_back(static_cast<uint8_t>(line_.baudRate >> 8));
        answer.push_back(static_cast<uint8_t>(line_.baudRate));
        break;
    case 2:  // SET-DATASIZE
        if (value >= 5 && value <= 8) {
            line_.dataBits = value;
            say("data bits " + std::to_string(value));
        }
        answer.push_back(line_.dataBits);
        break;
    case 3:  // SET-PARITY
        if (value >= 1 && value <= 5) {
            line_.parity = value;
            say(std::string("parity ") + ParityName(value));
        }
        answer.push_back(line_.parity);
        break;
    case 4:  // SET-STOPSIZE
        if (value >= 1 && value <= 3) {
            line_.stopSize = value;
            say(std::string("stop bits ") + (value == 1 ? "1" : value == 2 ? "2" : "1.5"));
        }
        answer.push_back(line_.stopSize);
        break;
    case 5:  // SET-CONTROL
        switch (value) {
        case 0:
            answer.push_back(line_.flow);
            break;
        case 1:
        case 2:
        case 3:
            line_.flow = value;
            say(std::string("flow control ") + (value == 1 ? "none" : value == 2 ? "XON/XOFF" : "hardware"));
            answer.push_back(value);
            break;
        case 7:
            answer.push_back(line_.dtr ? 8 : 9);
            break;
        case 8:
        case 9:
            line_.dtr = value == 8;
            say(std::string("DTR ") + (line_.dtr ? "on" : "off"));
            answer.push_back(value);
            break;
        case 10:
            answer.push_back(line_.rts ? 11 : 12);
            break;
        case 11:
        case 12:
            line_.rts = value == 11;
            say(std::string("RTS ") + (line_.rts ? "on" : "off"));
            answer.push_back(value);
            break;
        default:
            answer.push_back(value);
            break;
        }
        break;
    default:  // masks, purges, flow suspension: acknowledged as asked
        for (size_t i = 1; i < request.size(); ++i)
            answer.push_back(request[i]);
        break;
    }
    telnet::AppendSubnegotiation(reply, telnet::kOptionComPort, answer);
}
