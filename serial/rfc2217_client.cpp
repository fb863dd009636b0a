#include "serial/rfc2217_client.h"

#include <algorithm>

namespace rfc2217 {

namespace {

// The options we take part in: BINARY both ways, SUPPRESS-GO-AHEAD both ways, and the
// COM-PORT-OPTION on our side. Everything else is declined.
bool WeWill(uint8_t option)
{
    return option == telnet::kOptionBinary || option == telnet::kOptionSuppressGoAhead || option == telnet::kOptionComPort;
}
bool TheyMay(uint8_t option) { return option == telnet::kOptionBinary || option == telnet::kOptionSuppressGoAhead; }

// SET-CONTROL values come in groups; the answer to a request names the group's current state,
// which may not be the state asked for (a bridge whose device refused it).
int ControlGroup(uint8_t value)
{
    if (value <= 3 || (value >= 17 && value <= 19))
        return 0;  // outbound flow control
    if (value <= 6)
        return 1;  // break
    if (value <= 9)
        return 2;  // DTR
    if (value <= 12)
        return 3;  // RTS
    return 4;      // inbound flow control
}

}  // namespace

std::string RequestName(uint8_t command, uint8_t value)
{
    switch (command) {
    case kSetBaudRate:
        return "SET-BAUDRATE";
    case kSetDataSize:
        return "SET-DATASIZE";
    case kSetParity:
        return "SET-PARITY";
    case kSetStopSize:
        return "SET-STOPSIZE";
    case kSetControl:
        switch (value) {
        case kControlNoFlow:
            return "SET-CONTROL no flow control";
        case kControlDtrOn:
            return "SET-CONTROL DTR on";
        case kControlDtrOff:
            return "SET-CONTROL DTR off";
        case kControlRtsOn:
            return "SET-CONTROL RTS on";
        case kControlRtsOff:
            return "SET-CONTROL RTS off";
        case kControlBreakOn:
            return "SET-CONTROL break on";
        case kControlBreakOff:
            return "SET-CONTROL break off";
        default:
            return "SET-CONTROL " + std::to_string(value);
        }
    default:
        return "COM-PORT-OPTION command " + std::to_string(command);
    }
}

std::vector<uint8_t> Client::Opening()
{
    std::vector<uint8_t> out;
    local_[telnet::kOptionBinary].requested = true;
    remote_[telnet::kOptionBinary].requested = true;
    local_[telnet::kOptionComPort].requested = true;
    telnet::AppendNegotiation(out, telnet::kWill, telnet::kOptionBinary);
    telnet::AppendNegotiation(out, telnet::kDo, telnet::kOptionBinary);
    telnet::AppendNegotiation(out, telnet::kWill, telnet::kOptionComPort);
    return out;
}

std::vector<uint8_t> Client::Request(uint8_t command, std::vector<uint8_t> payload, uint8_t value)
{
    std::vector<uint8_t> sub(payload.size() + 1);
    sub[0] = command;
    for (size_t i = 0; i < payload.size(); ++i)
        sub[i + 1] = payload[i];
    std::vector<uint8_t> out;
    telnet::AppendSubnegotiation(out, telnet::kOptionComPort, sub);
    awaited_.push_back(Awaited{command, value});
    return out;
}

std::vector<uint8_t> Client::LineSettings(const LineRequest& r)
{
    std::vector<uint8_t> out;
    auto add = [&out](const std::vector<uint8_t>& bytes) { out.insert(out.end(), bytes.begin(), bytes.end()); };
    const uint32_t b = r.baudRate;
    add(Request(
        kSetBaudRate,
        {static_cast<uint8_t>(b >> 24), static_cast<uint8_t>(b >> 16), static_cast<uint8_t>(b >> 8), static_cast<uint8_t>(b)},
        0));
    add(Request(kSetDataSize, {r.dataBits}, r.dataBits));
    add(Request(kSetParity, {r.parity}, r.parity));
    add(Request(kSetStopSize, {r.stopSize}, r.stopSize));
    add(Request(kSetControl, {r.flow}, r.flow));
    add(Control(r.dtrOn ? kControlDtrOn : kControlDtrOff));
    add(Control(r.rtsOn ? kControlRtsOn : kControlRtsOff));
    return out;
}

std::vector<uint8_t> Client::Control(uint8_t value) { return Request(kSetControl, {value}, value); }

std::vector<std::string> Client::Unanswered() const
{
    std::vector<std::string> names;
    for (const Awaited& a : awaited_)
        names.push_back(RequestName(a.command, a.value));
    return names;
}

void Client::Receive(const uint8_t* raw, size_t size, std::vector<uint8_t>& data, std::vector<uint8_t>& reply)
{
    std::vector<telnet::Command> commands;
    decoder_.Feed(raw, size, data, commands);
    for (const telnet::Command& c : commands) {
        if (c.verb == telnet::kSb) {
            if (c.option == telnet::kOptionComPort)
                Answer(c);
        } else {
            Negotiate(c, reply);
        }
    }
}

// Each side of an option changes only on a request that changes it, and a request of ours is
// never answered again: so two ends never bounce the same request between them.
void Client::Negotiate(const telnet::Command& c, std::vector<uint8_t>& reply)
{
    const uint8_t o = c.option;
    switch (c.verb) {
    case telnet::kDo:
        if (WeWill(o)) {
            if (!local_[o].enabled && !local_[o].requested)
                telnet::AppendNegotiation(reply, telnet::kWill, o);
            local_[o].enabled = true;
            local_[o].requested = false;
            if (o == telnet::kOptionComPort)
                comPort_ = OptionState::Accepted;
        } else {
            telnet::AppendNegotiation(reply, telnet::kWont, o);
        }
        break;
    case telnet::kDont:
        if (local_[o].enabled && !local_[o].requested)
            telnet::AppendNegotiation(reply, telnet::kWont, o);
        local_[o].enabled = false;
        local_[o].requested = false;
        if (o == telnet::kOptionComPort)
            comPort_ = OptionState::Refused;
        break;
    case telnet::kWill:
        if (TheyMay(o)) {
            if (!remote_[o].enabled && !remote_[o].requested)
                telnet::AppendNegotiation(reply, telnet::kDo, o);
            remote_[o].enabled = true;
            remote_[o].requested = false;
        } else if (!remote_[o].requested) {
            telnet::AppendNegotiation(reply, telnet::kDont, o);
            remote_[o].requested = true;  // declined once; a repeated offer is not answered again
        }
        break;
    case telnet::kWont:
        if (remote_[o].enabled)
            telnet::AppendNegotiation(reply, telnet::kDont, o);
        remote_[o].enabled = false;
        remote_[o].requested = false;
        break;
    default:
        break;
    }
}

void Client::Answer(const telnet::Command& c)
{
    if (c.payload.empty() || c.payload[0] < kServerOffset)
        return;  // a request from the bridge: a client is asked nothing it must answer
    const uint8_t command = static_cast<uint8_t>(c.payload[0] - kServerOffset);
    const uint8_t value = c.payload.size() > 1 ? c.payload[1] : 0;
    switch (command) {
    case kNotifyLineState:
        lineState_ = value;
        return;
    case kNotifyModemState:
        modemState_ = value;
        return;
    case kSetBaudRate:
        if (c.payload.size() >= 5)
            ackBaud_ = (uint32_t{c.payload[1]} << 24) | (uint32_t{c.payload[2]} << 16) | (uint32_t{c.payload[3]} << 8)
                | uint32_t{c.payload[4]};
        break;
    default:
        break;
    }
    const auto it = std::find_if(awaited_.begin(), awaited_.end(), [&](const Awaited& a) {
        return a.command == command && (command != kSetControl || ControlGroup(a.value) == ControlGroup(value));
    });
    if (it != awaited_.end())
        awaited_.erase(it);
}

}  // namespace rfc2217
