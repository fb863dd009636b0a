#include "sim/display_commands.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace {

using Bytes = std::vector<std::uint8_t>;

// The settings replies start with two bytes the shell skips: the display sends the frame
// marker and the command code there.
template <std::size_t N>
Bytes recordReply(std::uint8_t code, const std::array<std::uint8_t, N>& record)
{
    Bytes reply{0xA6, code};
    reply.insert(reply.end(), record.begin(), record.end());
    return reply;
}

template <std::size_t N>
void store(std::array<std::uint8_t, N>& record, const CommandFrame& frame)
{
    std::copy_n(frame.params.begin(), N, record.begin());
}

Bytes sizeQuery(DisplayState& s, const CommandFrame& f)
{
    const unsigned sd16 = std::min(s.volumes.sdMb / 16u, 255u);
    return {f.code,
            s.volumes.diskMb[0],
            s.volumes.diskMb[1],
            s.volumes.diskMb[2],
            s.volumes.diskMb[3],
            static_cast<std::uint8_t>(sd16)};
}

Bytes readConfig(DisplayState& s, const CommandFrame& f) { return recordReply(f.code, s.config); }

Bytes eraseConfig(DisplayState& s, const CommandFrame& f)
{
    s.config.fill(0);
    return recordReply(f.code, s.config);
}

Bytes saveConfig(DisplayState& s, const CommandFrame& f)
{
    store(s.config, f);
    return {};
}

Bytes saveExtraCoding(DisplayState& s, const CommandFrame& f)
{
    store(s.extraCoding, f);
    return {};
}

Bytes readExtraCoding(DisplayState& s, const CommandFrame& f) { return recordReply(f.code, s.extraCoding); }

Bytes saveTurboTimer(DisplayState& s, const CommandFrame& f)
{
    store(s.turboTimer, f);
    return {};
}

Bytes readTurboTimer(DisplayState& s, const CommandFrame& f) { return recordReply(f.code, s.turboTimer); }

Bytes saveTransmission(DisplayState& s, const CommandFrame& f)
{
    store(s.transmission, f);
    return {};
}

// The display keeps one byte per gear: the low byte of each ratio word it was given.
Bytes readTransmission(DisplayState& s, const CommandFrame& f)
{
    Bytes reply{0xA6, f.code};
    for (std::size_t gear = 0; gear < 6; ++gear)
        reply.push_back(s.transmission[2 * gear]);
    return reply;
}

Bytes brightness(DisplayState& s, const CommandFrame& f)
{
    s.brightness = f.params[0];
    return {};
}

Bytes doors(DisplayState& s, const CommandFrame& f)
{
    s.doors = f.params[0];
    return {};
}

Bytes mirrorMove(DisplayState& s, const CommandFrame& f)
{
    s.lastMirrorMove = f.params[0];
    return {};
}

Bytes kl15Off(DisplayState& s, const CommandFrame&)
{
    s.kl15On = false;
    return {};
}

Bytes kl15On(DisplayState& s, const CommandFrame&)
{
    s.kl15On = true;
    return {};
}

Bytes reboot(DisplayState& s, const CommandFrame&)
{
    ++s.reboots;
    return {};
}

Bytes turboTimerOn(DisplayState& s, const CommandFrame&)
{
    s.turboTimerRunning = true;
    return {};
}

Bytes turboTimerOff(DisplayState& s, const CommandFrame&)
{
    s.turboTimerRunning = false;
    return {};
}

Bytes sleepIn(DisplayState& s, const CommandFrame&)
{
    s.asleep = true;
    return {};
}

Bytes sleepOut(DisplayState& s, const CommandFrame&)
{
    s.asleep = false;
    return {};
}

std::size_t gammaTableIndex(std::size_t length)
{
    return static_cast<std::size_t>(std::find(kGammaTableLengths.begin(), kGammaTableLengths.end(), length)
                                    - kGammaTableLengths.begin());
}

Bytes setGamma(DisplayState& s, const CommandFrame& f)
{
    const std::size_t table = gammaTableIndex(f.params.size());
    s.gammaTables[table] = f.params;
    ++s.gammaTableWrites[table];
    return {};
}

Bytes saveGamma(DisplayState& s, const CommandFrame&)
{
    ++s.gammaSaves;
    return {};
}

Bytes defaultGamma(DisplayState& s, const CommandFrame&)
{
    s.gammaTables = DisplayState::factoryGammaTables();
    ++s.gammaDefaults;
    return {};
}

constexpr std::uint64_t kNone = paramCounts({0});
constexpr std::uint64_t kOne = paramCounts({1});

const std::array kCatalogue{
    CommandInfo{0x01, "key down", kNone, nullptr},
    CommandInfo{0x02, "key up", kNone, nullptr},
    CommandInfo{0x03, "reset", kNone, nullptr},
    CommandInfo{0x04, "long reset", kNone, nullptr},
    CommandInfo{0x05, "long plus", kNone, nullptr},
    CommandInfo{0x06, "long minus", kNone, nullptr},
    CommandInfo{0x07, "turbo timer on", kNone, turboTimerOn},
    CommandInfo{0x08, "turbo timer off", kNone, turboTimerOff},
    CommandInfo{0x0A, "screen size setup", kNone, nullptr},
    CommandInfo{0x0B, "top line down", kNone, nullptr},
    CommandInfo{0x0C, "top line up", kNone, nullptr},
    CommandInfo{0x0D, "bottom line down", kNone, nullptr},
    CommandInfo{0x0E, "bottom line up", kNone, nullptr},
    CommandInfo{0x0F, "save size", kNone, nullptr},
    CommandInfo{0x10, "erase config", kNone, eraseConfig},
    CommandInfo{0x14, "doors", kOne, doors},
    CommandInfo{0x15, "save extra coding", paramCounts({kExtraCodingLength}), saveExtraCoding},
    CommandInfo{0x16, "save config", paramCounts({kConfigRecordLength}), saveConfig},
    CommandInfo{0x17, "read extra coding", kNone, readExtraCoding},
    CommandInfo{0x18, "read config", kNone, readConfig},
    CommandInfo{0x19, "update RG", kNone, nullptr},
    CommandInfo{0x1A, "reboot", kNone, reboot},
    CommandInfo{0x1B, "mirror move", kOne, mirrorMove},
    CommandInfo{0x1E, "set gamma", paramCounts({12, 30, 34}), setGamma},
    CommandInfo{0x1F, "save gamma", kNone, saveGamma},
    CommandInfo{0x20, "size query", kNone, sizeQuery},
    CommandInfo{0x23, "save transmission", paramCounts({kTransmissionLength}), saveTransmission, 0x0E, 13},
    CommandInfo{0x24, "read transmission", kNone, readTransmission},
    CommandInfo{0x25, "save turbo timer", paramCounts({kTurboTimerLength}), saveTurboTimer},
    CommandInfo{0x26, "read turbo timer", kNone, readTurboTimer},
    CommandInfo{0x28, "reset all BC", kNone, readConfig},
    CommandInfo{0x29, "show background", kOne, nullptr},
    CommandInfo{0x2A, "background up", kOne, nullptr},
    CommandInfo{0x2B, "background down", kOne, nullptr},
    CommandInfo{0x2C, "save background", kOne, nullptr},
    CommandInfo{0x32, "brightness", kOne, brightness},
    CommandInfo{0x33, "kl 15 off", kNone, kl15Off},
    CommandInfo{0x34, "kl 15 on", kNone, kl15On},
    CommandInfo{0x37, "reset service records", kNone, readConfig},
    CommandInfo{0x3D, "set default gamma", kNone, defaultGamma},
    CommandInfo{0x64, "sleep out", kNone, sleepOut},
    CommandInfo{0x65, "sleep in", kNone, sleepIn},
};

}  // namespace

std::span<const CommandInfo> commandCatalogue() { return kCatalogue; }

const CommandInfo* findCommand(std::uint8_t code)
{
    const auto it = std::lower_bound(kCatalogue.begin(), kCatalogue.end(), code,
                                     [](const CommandInfo& info, std::uint8_t c) { return info.code < c; });
    return (it != kCatalogue.end() && it->code == code) ? &*it : nullptr;
}

std::string describeCommand(const CommandFrame& frame)
{
    char buf[64];
    const CommandInfo* info = findCommand(frame.code);
    if (!info) {
        std::snprintf(buf, sizeof buf, "unknown command 0x%02X", frame.code);
        return buf;
    }
    std::string name(info->name);
    if (!info->acceptsParamCount(frame.params.size())) {
        std::snprintf(buf, sizeof buf, " (malformed: %zu parameter bytes)", frame.params.size());
        return name + buf;
    }
    if (frame.code == 0x1E) {
        static constexpr char kTables[] = {'A', 'B', 'C'};
        std::snprintf(buf, sizeof buf, " table %c", kTables[gammaTableIndex(frame.params.size())]);
        name += buf;
    } else if (frame.params.size() == 1) {
        std::snprintf(buf, sizeof buf, " %u", static_cast<unsigned>(frame.params[0]));
        name += buf;
    }
    return name;
}
