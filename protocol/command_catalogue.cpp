#include "protocol/command_catalogue.h"

#include "protocol/control_values.h"
#include "protocol/protocol_loop.h"
#include "settings/remote_controls.h"

#include <array>

namespace {

// Send states of the command frames.
constexpr int32_t kSendBare = 50;         // A6 01 code, back to idle
constexpr int32_t kSendParam = 51;        // A6 02 code parameter
constexpr int32_t kSendExtra = 52;        // A6 09 code + 8 payload bytes
constexpr int32_t kSendConfig = 53;       // A6 1B code + 26 payload bytes
constexpr int32_t kReadExtra = 54;        // A6 01 code, then the extra coding reply (64)
constexpr int32_t kReadConfig = 55;       // A6 01 code, then the configuration reply (65)
constexpr int32_t kSendGammaBare = 153;   // A6 01 code, back to idle
constexpr int32_t kReadTransmission = 163;  // A6 01 code, then the transmission reply (164)
constexpr int32_t kReadTurboTimer = 166;    // A6 01 code, then the TurboTimer reply (167)

constexpr int32_t kExtraReply = 64;
constexpr int32_t kConfigReply = 65;
constexpr int32_t kTransmissionReply = 164;
constexpr int32_t kTurboTimerReply = 167;

using P = ParamKind;

// clang-format off
constexpr std::array kCatalogue = {
    // Left panel
    CommandSpec{"Button50", "↑", "Button10Click", kSendBare, 0x02},
    CommandSpec{"Button49", "↓", "Button9Click", kSendBare, 0x01},
    CommandSpec{"Button51", "Reset", "Button11Click", kSendBare, 0x03},
    CommandSpec{"Button52", "Long Reset", "Button12Click", kSendBare, 0x04},
    CommandSpec{"Button54", "LONG+", "Button24Click", kSendBare, 0x05},
    CommandSpec{"Button53", "LONG-", "Button23Click", kSendBare, 0x06},
    CommandSpec{"BitBtn19", "Reboot", "BitBtn19Click", kSendBare, 0x1A},
    // Storage panel
    CommandSpec{"BitBtn21", "Reset SERVICE Records", "BitBtn21Click", kReadConfig, 0x37},
    CommandSpec{"Button22", "Reset all BC", "Button22Click", kReadConfig, 0x28},
    // "Config"
    CommandSpec{"BitBtn22", "Read Config", "BitBtn22Click", kReadConfig, 0x18},
    CommandSpec{"BitBtn34", "Erase Config", "BitBtn34Click", kReadConfig, 0x10},
    // "Screen Setup", "Screen size"
    CommandSpec{"BitBtn32", "Screen size setup", "Button13Click", kSendBare, 0x0A},
    CommandSpec{"Button15", "↑ Up", "Button15Click", kSendBare, 0x0C},
    CommandSpec{"Button14", "↓ Down", "Button14Click", kSendBare, 0x0B},
    CommandSpec{"Button17", "↑ Up", "Button17Click", kSendBare, 0x0E},
    CommandSpec{"Button16", "↓ Down", "Button16Click", kSendBare, 0x0D},
    CommandSpec{"BitBtn31", "Save size", "Button18Click", kSendBare, 0x0F},
    CommandSpec{"Button19", "Sleep In", "Button19Click", kSendBare, 0x65},
    CommandSpec{"Button20", "Sleep Out", "Button20Click", kSendBare, 0x64},
    CommandSpec{"BitBtn30", "Brightness", "Button1Click", kSendParam, 0x32, P::SpinValue, 0, "SpinEdit2"},
    CommandSpec{"BitBtn44", "Show Back-nd", "BitBtn44Click", kSendParam, 0x29, P::Constant, 5},
    CommandSpec{"Button1222222222", "↑", "Button1222222222Click", kSendParam, 0x2A, P::Constant, 5},
    CommandSpec{"Button3234234234", "↓", "Button3234234234Click", kSendParam, 0x2B, P::Constant, 5},
    CommandSpec{"BitBtn48", "Save Background", "Button4333333333333Click", kSendParam, 0x2C, P::Constant, 5},
    CommandSpec{"BitBtn49", "Save", "Button4333333333333Click", kSendParam, 0x2C, P::Constant, 5},
    // "Screen Setup", "GAMMA" (the "Set GAMMA" buttons store states that read the grids as they send)
    CommandSpec{"Button25", "Set GAMMA", "Button25Click", 152, 0x1E},
    CommandSpec{"Button32", "Set GAMMA", "Button32Click", 155, 0x1E},
    CommandSpec{"Button40", "Set GAMMA", "Button40Click", 157, 0x1E},
    CommandSpec{"Button33", "Set default GAMMA", "Button33Click", kSendGammaBare, 0x3D},
    CommandSpec{"Button35", "Set default GAMMA", "Button33Click", kSendGammaBare, 0x3D},
    CommandSpec{"Button41", "Set default GAMMA", "Button33Click", kSendGammaBare, 0x3D},
    CommandSpec{"BitBtn33", "Save", "Button26Click", kSendGammaBare, 0x1F},
    // "Extra Coding"
    CommandSpec{"BitBtn28", "Read Extra Encode", "BitBtn28Click", kReadExtra, 0x17},
    // "TurboTimer"
    CommandSpec{"BitBtn26", "Read ", "BitBtn26Click", kReadTurboTimer, 0x26},
    // "Transmission"
    CommandSpec{"BitBtn24", "Read ", "BitBtn24Click", kReadTransmission, 0x24},
    // "Keys emul"
    CommandSpec{"Button21", "Doors", "Button21Click", kSendParam, 0x14, P::SpinValue, 0, "SpinEdit1"},
    CommandSpec{"CheckBox1", "kl 15", "CheckBox1Click", kSendBare, 0x33, P::TickedCode, 0x34, "CheckBox1"},
    CommandSpec{"Button29", "TurboTimer switch ON", "Button29Click", kSendBare, 0x07},
    CommandSpec{"Button30", "TurboTimer switch OFF", "Button30Click", kSendBare, 0x08},
    CommandSpec{"Button10", "↑", "Button10Click", kSendBare, 0x02},
    CommandSpec{"Button9", "↓", "Button9Click", kSendBare, 0x01},
    CommandSpec{"Button11", "Reset", "Button11Click", kSendBare, 0x03},
    CommandSpec{"Button12", "Long reset", "Button12Click", kSendBare, 0x04},
    CommandSpec{"Button24", "LONG+", "Button24Click", kSendBare, 0x05},
    CommandSpec{"Button23", "LONG-", "Button23Click", kSendBare, 0x06},
    CommandSpec{"Button47", "↑", "Button47Click", kSendParam, 0x1B, P::MirrorDirection, MirrorUp, "RadioGroup3"},
    CommandSpec{"Button48", "↓", "Button48Click", kSendParam, 0x1B, P::MirrorDirection, MirrorDown, "RadioGroup3"},
    CommandSpec{"Button68", "←", "Button68Click", kSendParam, 0x1B, P::MirrorDirection, MirrorLeft, "RadioGroup3"},
    CommandSpec{"Button67", "→", "Button67Click", kSendParam, 0x1B, P::MirrorDirection, MirrorRight, "RadioGroup3"},
    // "ver.7.6-7.7 Disk Image Loader"
    CommandSpec{"Button38", "Check Flash Disk ...", "Button38Click", kReadConfig, 0x37},
    CommandSpec{"BitBtn35", "Wipe system sector", "BitBtn35Click", kReadConfig, 0x10},
    CommandSpec{"BitBtn18", "Reboot", "BitBtn19Click", kSendBare, 0x1A},
    // "ver.7.5 SD File Manager"
    CommandSpec{"BitBtn9", "Update RG", "BitBtn9Click", kSendBare, 0x19},
    CommandSpec{"BitBtn20", "Reset SERVICE Records ...", "BitBtn21Click", kReadConfig, 0x37},
};
// clang-format on

void sendBareAndGoTo(ProtocolLoop& loop, int32_t next)
{
    loop.beginRequest();
    const uint8_t code = loop.commandCode();
    loop.sendCommandFrame(code, {});
    loop.setState(next);
}

void sendPayload(ProtocolLoop& loop, int count)
{
    loop.beginRequest();
    std::array<uint8_t, ProtocolLoop::kPayloadSize> params{};
    for (int i = 1; i <= count; ++i)
        params[static_cast<size_t>(i - 1)] = loop.payload(i);
    loop.sendCommandFrame(loop.commandCode(), std::span(params.data(), static_cast<size_t>(count)));
    loop.setState(ProtocolLoop::kIdle);
}

}  // namespace

std::span<const CommandSpec> commandCatalogue()
{
    return kCatalogue;
}

const CommandSpec* findCommand(std::string_view control)
{
    for (const CommandSpec& spec : kCatalogue)
        if (control == spec.control)
            return &spec;
    return nullptr;
}

void issueCommand(ProtocolLoop& loop, const CommandSpec& spec, const ControlValues& controls)
{
    switch (spec.param) {
    case ParamKind::None:
        loop.storeCommand(spec.state, spec.code);
        break;
    case ParamKind::Constant:
        loop.storeCommand(spec.state, spec.code, static_cast<uint8_t>(spec.value));
        break;
    case ParamKind::SpinValue:
        // A parameter taken from a control goes out modulo 256.
        loop.storeCommand(spec.state, spec.code, static_cast<uint8_t>(controls.spinValue(spec.source)));
        break;
    case ParamKind::MirrorDirection:
        loop.storeCommand(spec.state, spec.code,
                          mirrorMoveParameter(static_cast<uint8_t>(spec.value), controls.radioIndex(spec.source)));
        break;
    case ParamKind::TickedCode:
        loop.storeCommand(spec.state,
                          controls.isChecked(spec.source) ? static_cast<uint8_t>(spec.value) : spec.code);
        break;
    }
}

void registerCommandStates(ProtocolLoop& loop)
{
    for (int32_t state : {kSendBare, kSendGammaBare})
        loop.registerStep(state, [&loop] { sendBareAndGoTo(loop, ProtocolLoop::kIdle); });
    loop.registerStep(kReadExtra, [&loop] { sendBareAndGoTo(loop, kExtraReply); });
    loop.registerStep(kReadConfig, [&loop] { sendBareAndGoTo(loop, kConfigReply); });
    loop.registerStep(kReadTransmission, [&loop] { sendBareAndGoTo(loop, kTransmissionReply); });
    loop.registerStep(kReadTurboTimer, [&loop] { sendBareAndGoTo(loop, kTurboTimerReply); });
    loop.registerStep(kSendParam, [&loop] {
        loop.beginRequest();
        const uint8_t parameter = loop.commandParameter();
        loop.sendCommandFrame(loop.commandCode(), std::span(&parameter, 1));
        loop.setState(ProtocolLoop::kIdle);
    });
    loop.registerStep(kSendExtra, [&loop] { sendPayload(loop, 8); });
    loop.registerStep(kSendConfig, [&loop] { sendPayload(loop, 26); });
}
