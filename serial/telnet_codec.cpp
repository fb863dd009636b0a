#include "serial/telnet_codec.h"

namespace telnet {

void AppendEscaped(std::vector<uint8_t>& out, const uint8_t* data, size_t size)
{
    out.reserve(out.size() + size + 8);
    for (size_t i = 0; i < size; ++i) {
        out.push_back(data[i]);
        if (data[i] == kIac)
            out.push_back(kIac);
    }
}

void AppendNegotiation(std::vector<uint8_t>& out, uint8_t verb, uint8_t option)
{
    out.push_back(kIac);
    out.push_back(verb);
    out.push_back(option);
}

void AppendSubnegotiation(std::vector<uint8_t>& out, uint8_t option, const std::vector<uint8_t>& payload)
{
    out.push_back(kIac);
    out.push_back(kSb);
    out.push_back(option);
    AppendEscaped(out, payload.data(), payload.size());
    out.push_back(kIac);
    out.push_back(kSe);
}

void Decoder::Feed(const uint8_t* raw, size_t size, std::vector<uint8_t>& data, std::vector<Command>& commands)
{
    for (size_t i = 0; i < size; ++i) {
        const uint8_t b = raw[i];
        switch (state_) {
        case State::Data:
            if (b == kIac)
                state_ = State::Iac;
            else
                data.push_back(b);
            break;
        case State::Iac:
            if (b == kIac) {
                data.push_back(kIac);
                state_ = State::Data;
            } else if (b == kWill || b == kWont || b == kDo || b == kDont) {
                verb_ = b;
                state_ = State::Option;
            } else if (b == kSb) {
                state_ = State::SubOption;
            } else {
                state_ = State::Data;  // NOP, GA, a stray SE ...: nothing for us
            }
            break;
        case State::Option:
            commands.push_back(Command{verb_, b, {}});
            state_ = State::Data;
            break;
        case State::SubOption:
            sub_ = Command{kSb, b, {}};
            state_ = State::Sub;
            break;
        case State::Sub:
            if (b == kIac)
                state_ = State::SubIac;
            else if (sub_.payload.size() < kMaxSubnegotiation)
                sub_.payload.push_back(b);
            break;
        case State::SubIac:
            if (b == kIac) {
                if (sub_.payload.size() < kMaxSubnegotiation)
                    sub_.payload.push_back(kIac);
                state_ = State::Sub;
            } else if (b == kSe) {
                commands.push_back(std::move(sub_));
                sub_ = Command{};
                state_ = State::Data;
            } else {
                // IAC and anything but SE or IAC inside a subnegotiation: the sender broke it
                // off; what follows is a command of its own
                sub_ = Command{};
                state_ = State::Iac;
                --i;
            }
            break;
        }
    }
}

}  // namespace telnet
