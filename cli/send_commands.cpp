#include "cli/send_commands.h"

#include "protocol/command_catalogue.h"
#include "protocol/protocol_loop.h"
#include "protocol/protocol_states.h"

#include <array>
#include <stdexcept>

namespace {

// clang-format off
constexpr std::array kSendCommands = {
    SendCommand{"key-up", "Button50"},
    SendCommand{"key-down", "Button49"},
    SendCommand{"reset", "Button51"},
    SendCommand{"long-reset", "Button52"},
    SendCommand{"long-plus", "Button54"},
    SendCommand{"long-minus", "Button53"},
    SendCommand{"reboot", "BitBtn19"},
    SendCommand{"read-config", "BitBtn22"},
    SendCommand{"erase-config", "BitBtn34"},
    SendCommand{"reset-service-records", "BitBtn21"},
    SendCommand{"reset-all-bc", "Button22"},
    SendCommand{"screen-size-setup", "BitBtn32"},
    SendCommand{"top-line-up", "Button15"},
    SendCommand{"top-line-down", "Button14"},
    SendCommand{"bottom-line-up", "Button17"},
    SendCommand{"bottom-line-down", "Button16"},
    SendCommand{"save-size", "BitBtn31"},
    SendCommand{"sleep-in", "Button19"},
    SendCommand{"sleep-out", "Button20"},
    SendCommand{"show-background", "BitBtn44"},
    SendCommand{"background-up", "Button1222222222"},
    SendCommand{"background-down", "Button3234234234"},
    SendCommand{"save-background", "BitBtn48"},
    SendCommand{"set-default-gamma", "Button33"},
    SendCommand{"save-gamma", "BitBtn33"},
    SendCommand{"read-extra-coding", "BitBtn28"},
    SendCommand{"read-turbo-timer", "BitBtn26"},
    SendCommand{"read-transmission", "BitBtn24"},
    SendCommand{"kl15-on", "CheckBox1", true},
    SendCommand{"kl15-off", "CheckBox1"},
    SendCommand{"turbo-timer-on", "Button29"},
    SendCommand{"turbo-timer-off", "Button30"},
    SendCommand{"update-rg", "BitBtn9"},
};
// clang-format on

// Codes whose effect cannot be undone.
constexpr std::array<uint8_t, 3> kGuardedCodes = {0x10, 0x37, 0x28};

}  // namespace

std::span<const SendCommand> sendCommands() { return kSendCommands; }

const SendCommand* findSendCommand(std::string_view name)
{
    for (const SendCommand& c : kSendCommands)
        if (name == c.name)
            return &c;
    return nullptr;
}

const CommandControl& controlOf(const SendCommand& command)
{
    const CommandControl* control = findCommandControl(command.control);
    if (!control)
        throw std::logic_error(std::string("no catalogue control ") + command.control);
    return *control;
}

uint8_t commandCodeOf(const SendCommand& command)
{
    const CommandControl& c = controlOf(command);
    return command.ticked ? static_cast<uint8_t>(c.value) : c.code;
}

std::vector<uint8_t> frameOf(const SendCommand& command)
{
    const CommandControl& c = controlOf(command);
    if (c.param == ParamKind::Constant)
        return {0xA6, 0x02, c.code, static_cast<uint8_t>(c.value)};
    return {0xA6, 0x01, commandCodeOf(command)};
}

bool isGuarded(const SendCommand& command)
{
    const uint8_t code = commandCodeOf(command);
    for (uint8_t guarded : kGuardedCodes)
        if (code == guarded)
            return true;
    return false;
}

uint32_t replyLength(const SendCommand& command)
{
    switch (controlOf(command).state) {
    case State::kReadConfig:
        return State::replyLength(State::kConfigReply);
    case State::kReadExtra:
        return State::replyLength(State::kExtraReply);
    case State::kReadTransmission:
        return State::replyLength(State::kTransmissionReply);
    case State::kReadTurboTimer:
        return State::replyLength(State::kTurboTimerReply);
    default:
        return 0;
    }
}

void storeSendCommand(ProtocolLoop& loop, const SendCommand& command)
{
    const CommandControl& c = controlOf(command);
    if (c.param == ParamKind::Constant)
        loop.request(c.state, c.code, static_cast<uint8_t>(c.value));
    else
        loop.request(c.state, commandCodeOf(command));
}
