#include "protocol/command_catalogue.h"

#include "protocol/protocol_loop.h"
#include "protocol/protocol_states.h"
#include "settings/remote_controls.h"

#include <array>

namespace {

using namespace State;

using P = ParamKind;

// clang-format off
constexpr std::array kCatalogue = {
    // Left panel
    CommandControl{"Button50", "↑", "Button10Click", kSendBare, 0x02},
    CommandControl{"Button49", "↓", "Button9Click", kSendBare, 0x01},
    CommandControl{"Button51", "Reset", "Button11Click", kSendBare, 0x03},
    CommandControl{"Button52", "Long Reset", "Button12Click", kSendBare, 0x04},
    CommandControl{"Button54", "LONG+", "Button24Click", kSendBare, 0x05},
    CommandControl{"Button53", "LONG-", "Button23Click", kSendBare, 0x06},
    CommandControl{"BitBtn19", "Reboot", "BitBtn19Click", kSendBare, 0x1A},
    // Storage panel
    CommandControl{"BitBtn21", "Reset SERVICE Records", "BitBtn21Click", kReadConfig, 0x37},
    CommandControl{"Button22", "Reset all BC", "Button22Click", kReadConfig, 0x28},
    // "Config"
    CommandControl{"BitBtn22", "Read Config", "BitBtn22Click", kReadConfig, 0x18},
    CommandControl{"BitBtn34", "Erase Config", "BitBtn34Click", kReadConfig, 0x10},
    CommandControl{"BitBtn23", "Save Config", "Button5Click", kSendConfig, 0x16, P::PageRecord},
    // "Screen Setup", "Screen size"
    CommandControl{"BitBtn32", "Screen size setup", "Button13Click", kSendBare, 0x0A},
    CommandControl{"Button15", "↑ Up", "Button15Click", kSendBare, 0x0C},
    CommandControl{"Button14", "↓ Down", "Button14Click", kSendBare, 0x0B},
    CommandControl{"Button17", "↑ Up", "Button17Click", kSendBare, 0x0E},
    CommandControl{"Button16", "↓ Down", "Button16Click", kSendBare, 0x0D},
    CommandControl{"BitBtn31", "Save size", "Button18Click", kSendBare, 0x0F},
    CommandControl{"Button19", "Sleep In", "Button19Click", kSendBare, 0x65},
    CommandControl{"Button20", "Sleep Out", "Button20Click", kSendBare, 0x64},
    CommandControl{"BitBtn30", "Brightness", "Button1Click", kSendParam, 0x32, P::SpinValue, 0},
    CommandControl{"BitBtn44", "Show Back-nd", "BitBtn44Click", kSendParam, 0x29, P::Constant, 5},
    CommandControl{"Button1222222222", "↑", "Button1222222222Click", kSendParam, 0x2A, P::Constant, 5},
    CommandControl{"Button3234234234", "↓", "Button3234234234Click", kSendParam, 0x2B, P::Constant, 5},
    CommandControl{"BitBtn48", "Save Background", "Button4333333333333Click", kSendParam, 0x2C, P::Constant, 5},
    CommandControl{"BitBtn49", "Save", "Button4333333333333Click", kSendParam, 0x2C, P::Constant, 5},
    // "Screen Setup", "GAMMA" (the "Set GAMMA" buttons store states that read the grids as they send)
    CommandControl{"Button25", "Set GAMMA", "Button25Click", kSendGammaIli9481, 0x1E},
    CommandControl{"Button32", "Set GAMMA", "Button32Click", kSendGammaHx8357c, 0x1E},
    CommandControl{"Button40", "Set GAMMA", "Button40Click", kSendGammaIli9486, 0x1E},
    CommandControl{"Button33", "Set default GAMMA", "Button33Click", kSendGammaBare, 0x3D},
    CommandControl{"Button35", "Set default GAMMA", "Button33Click", kSendGammaBare, 0x3D},
    CommandControl{"Button41", "Set default GAMMA", "Button33Click", kSendGammaBare, 0x3D},
    CommandControl{"BitBtn33", "Save", "Button26Click", kSendGammaBare, 0x1F},
    // "Extra Coding"
    CommandControl{"BitBtn28", "Read Extra Encode", "BitBtn28Click", kReadExtra, 0x17},
    CommandControl{"BitBtn29", "Save Extra Encode", "Button3Click", kSendExtra, 0x15, P::PageRecord},
    // "TurboTimer"
    CommandControl{"BitBtn26", "Read ", "BitBtn26Click", kReadTurboTimer, 0x26},
    CommandControl{"BitBtn27", "Save", "Button45Click", kSendTurboTimer, 0x25},
    // "Transmission"
    CommandControl{"BitBtn24", "Read ", "BitBtn24Click", kReadTransmission, 0x24},
    CommandControl{"BitBtn25", "Save", "Button27Click", kSendTransmission, 0x23},
    // "Keys emul"
    CommandControl{"Button21", "Doors", "Button21Click", kSendParam, 0x14, P::SpinValue, 0},
    CommandControl{"CheckBox1", "kl 15", "CheckBox1Click", kSendBare, 0x33, P::TickedCode, 0x34},
    CommandControl{"Button29", "TurboTimer switch ON", "Button29Click", kSendBare, 0x07},
    CommandControl{"Button30", "TurboTimer switch OFF", "Button30Click", kSendBare, 0x08},
    CommandControl{"Button10", "↑", "Button10Click", kSendBare, 0x02},
    CommandControl{"Button9", "↓", "Button9Click", kSendBare, 0x01},
    CommandControl{"Button11", "Reset", "Button11Click", kSendBare, 0x03},
    CommandControl{"Button12", "Long reset", "Button12Click", kSendBare, 0x04},
    CommandControl{"Button24", "LONG+", "Button24Click", kSendBare, 0x05},
    CommandControl{"Button23", "LONG-", "Button23Click", kSendBare, 0x06},
    CommandControl{"Button47", "↑", "Button47Click", kSendParam, 0x1B, P::MirrorDirection, MirrorUp},
    CommandControl{"Button48", "↓", "Button48Click", kSendParam, 0x1B, P::MirrorDirection, MirrorDown},
    CommandControl{"Button68", "←", "Button68Click", kSendParam, 0x1B, P::MirrorDirection, MirrorLeft},
    CommandControl{"Button67", "→", "Button67Click", kSendParam, 0x1B, P::MirrorDirection, MirrorRight},
    // "ver.7.6-7.7 Disk Image Loader"
    CommandControl{"Button38", "Check Flash Disk ...", "Button38Click", kReadConfig, 0x37},
    CommandControl{"BitBtn35", "Wipe system sector", "BitBtn35Click", kReadConfig, 0x10},
    CommandControl{"BitBtn18", "Reboot", "BitBtn19Click", kSendBare, 0x1A},
    // "ver.7.5 SD File Manager"
    CommandControl{"BitBtn9", "Update RG", "BitBtn9Click", kSendBare, 0x19},
    CommandControl{"BitBtn20", "Reset SERVICE Records ...", "BitBtn21Click", kReadConfig, 0x37},
};
// clang-format on

// Every send state: discard pending input, note the mark, send A6 L code params, go on.
ProtocolLoop::StepResult sendFrame(ProtocolLoop& loop, std::span<const uint8_t> params, int32_t next)
{
    loop.beginRequest(replyLength(next));
    loop.sendCommandFrame(loop.commandCode(), params);
    loop.advance(next);
    return ProtocolLoop::StepResult::Acted;
}

// The payload buffer's entries 1 to count as the parameters.
ProtocolLoop::StepResult sendPayload(ProtocolLoop& loop, int count)
{
    std::array<uint8_t, ProtocolLoop::kPayloadSize> params{};
    for (int i = 1; i <= count; ++i)
        params[static_cast<size_t>(i - 1)] = loop.payload(i);
    return sendFrame(loop, std::span(params.data(), static_cast<size_t>(count)), kIdle);
}

}  // namespace

std::span<const CommandControl> commandControls() { return kCatalogue; }

const CommandControl* findCommandControl(std::string_view control)
{
    for (const CommandControl& spec : kCatalogue)
        if (control == spec.control)
            return &spec;
    return nullptr;
}

void issueCommand(ProtocolLoop& loop, const CommandControl& spec, int input)
{
    switch (spec.param) {
    case ParamKind::None:
    case ParamKind::PageRecord:
        loop.request(spec.state, spec.code);
        break;
    case ParamKind::Constant:
        loop.request(spec.state, spec.code, static_cast<uint8_t>(spec.value));
        break;
    case ParamKind::SpinValue:
        // A parameter taken from a control goes out modulo 256.
        loop.request(spec.state, spec.code, static_cast<uint8_t>(input));
        break;
    case ParamKind::MirrorDirection:
        loop.request(spec.state, spec.code, mirrorMoveParameter(static_cast<uint8_t>(spec.value), input));
        break;
    case ParamKind::TickedCode:
        loop.request(spec.state, input != 0 ? static_cast<uint8_t>(spec.value) : spec.code);
        break;
    }
}

void registerCommandStates(ProtocolLoop& loop)
{
    for (int32_t state : {kSendBare, kSendGammaBare})
        loop.registerStep(state, [&loop] { return sendFrame(loop, {}, kIdle); });
    loop.registerStep(kReadExtra, [&loop] { return sendFrame(loop, {}, kExtraReply); });
    loop.registerStep(kReadConfig, [&loop] { return sendFrame(loop, {}, kConfigReply); });
    loop.registerStep(kReadTransmission, [&loop] { return sendFrame(loop, {}, kTransmissionReply); });
    loop.registerStep(kReadTurboTimer, [&loop] { return sendFrame(loop, {}, kTurboTimerReply); });
    loop.registerStep(kSendParam, [&loop] {
        const uint8_t parameter = loop.commandParameter();
        return sendFrame(loop, std::span(&parameter, 1), kIdle);
    });
    loop.registerStep(kSendExtra, [&loop] { return sendPayload(loop, 8); });
    loop.registerStep(kSendConfig, [&loop] { return sendPayload(loop, 26); });
}
