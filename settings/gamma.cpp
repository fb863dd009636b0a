#include "settings/gamma.h"

#include "protocol/control_values.h"
#include "protocol/protocol_loop.h"
#include "protocol/protocol_states.h"

namespace {

constexpr uint8_t kSetGammaCode = 0x1E;

// Table A, "ILI-9481 / HX-8375B": 3-bit values packed in pairs, and three wider values.
constexpr GammaCell kCellsA[] = {
    {"SpinEdit7", 0, 7, 7, 1, 1},   {"SpinEdit19", 0, 7, 7, 1, 2},   {"SpinEdit13", 0, 7, 0, 1, 3},
    {"SpinEdit23", 0, 7, 0, 1, 4},  {"SpinEdit8", 0, 7, 7, 2, 1},    {"SpinEdit20", 0, 7, 7, 2, 2},
    {"SpinEdit14", 0, 7, 4, 2, 3},  {"SpinEdit24", 0, 7, 2, 2, 4},   {"SpinEdit9", 0, 7, 0, 3, 1},
    {"SpinEdit21", 0, 7, 0, 3, 2},  {"SpinEdit15", 0, 7, 4, 3, 3},   {"SpinEdit25", 0, 7, 2, 3, 4},
    {"SpinEdit10", 0, 7, 0, 4, 1},  {"SpinEdit22", 0, 7, 7, 4, 2},   {"SpinEdit16", 0, 7, 7, 4, 3},
    {"SpinEdit26", 0, 7, 4, 4, 4},  {"SpinEdit11", 0, 15, 15, 5, 1}, {"SpinEdit17", 0, 15, 0, 5, 4},
    {"SpinEdit12", 0, 31, 0, 6, 1}, {"SpinEdit18", 0, 31, 30, 6, 4},
};

// Table B, "ILI-9486": one value per byte; two cells reach 135.
constexpr GammaCell kCellsB[] = {
    {"SpinEdit75", 0, 127, 15, 1, 1},  {"SpinEdit76", 0, 127, 36, 1, 2},  {"SpinEdit91", 0, 127, 15, 1, 3},
    {"SpinEdit92", 0, 127, 56, 1, 4},  {"SpinEdit77", 0, 127, 28, 2, 1},  {"SpinEdit78", 0, 127, 10, 2, 2},
    {"SpinEdit93", 0, 127, 48, 2, 3},  {"SpinEdit94", 0, 127, 9, 2, 4},   {"SpinEdit79", 0, 127, 15, 3, 1},
    {"SpinEdit80", 0, 127, 8, 3, 2},   {"SpinEdit95", 0, 127, 15, 3, 3},  {"SpinEdit96", 0, 127, 15, 3, 4},
    {"SpinEdit81", 0, 127, 68, 4, 1},  {"SpinEdit82", 0, 135, 135, 4, 2}, {"SpinEdit97", 0, 127, 78, 4, 3},
    {"SpinEdit98", 0, 127, 119, 4, 4}, {"SpinEdit83", 0, 135, 50, 5, 1},  {"SpinEdit84", 0, 127, 15, 5, 2},
    {"SpinEdit99", 0, 127, 60, 5, 3},  {"SpinEdit100", 0, 127, 7, 5, 4},  {"SpinEdit85", 0, 127, 16, 6, 1},
    {"SpinEdit86", 0, 127, 6, 6, 2},   {"SpinEdit101", 0, 127, 76, 6, 3}, {"SpinEdit102", 0, 127, 5, 6, 4},
    {"SpinEdit87", 0, 127, 26, 7, 1},  {"SpinEdit88", 0, 127, 7, 7, 2},   {"SpinEdit103", 0, 127, 35, 7, 3},
    {"SpinEdit104", 0, 127, 27, 7, 4}, {"SpinEdit89", 0, 127, 0, 8, 1},   {"SpinEdit105", 0, 127, 0, 8, 3},
};

// Table C, "HX-8357C": every cell 0..127 starting at 0, and a ninth row of two extra values.
constexpr GammaCell kCellsC[] = {
    {"SpinEdit41", 0, 127, 0, 1, 1}, {"SpinEdit42", 0, 127, 0, 1, 2}, {"SpinEdit57", 0, 127, 0, 1, 3},
    {"SpinEdit58", 0, 127, 0, 1, 4}, {"SpinEdit43", 0, 127, 0, 2, 1}, {"SpinEdit44", 0, 127, 0, 2, 2},
    {"SpinEdit59", 0, 127, 0, 2, 3}, {"SpinEdit60", 0, 127, 0, 2, 4}, {"SpinEdit45", 0, 127, 0, 3, 1},
    {"SpinEdit46", 0, 127, 0, 3, 2}, {"SpinEdit61", 0, 127, 0, 3, 3}, {"SpinEdit62", 0, 127, 0, 3, 4},
    {"SpinEdit47", 0, 127, 0, 4, 1}, {"SpinEdit48", 0, 127, 0, 4, 2}, {"SpinEdit63", 0, 127, 0, 4, 3},
    {"SpinEdit64", 0, 127, 0, 4, 4}, {"SpinEdit49", 0, 127, 0, 5, 1}, {"SpinEdit50", 0, 127, 0, 5, 2},
    {"SpinEdit65", 0, 127, 0, 5, 3}, {"SpinEdit66", 0, 127, 0, 5, 4}, {"SpinEdit51", 0, 127, 0, 6, 1},
    {"SpinEdit52", 0, 127, 0, 6, 2}, {"SpinEdit67", 0, 127, 0, 6, 3}, {"SpinEdit68", 0, 127, 0, 6, 4},
    {"SpinEdit53", 0, 127, 0, 7, 1}, {"SpinEdit54", 0, 127, 0, 7, 2}, {"SpinEdit69", 0, 127, 0, 7, 3},
    {"SpinEdit70", 0, 127, 0, 7, 4}, {"SpinEdit55", 0, 127, 0, 8, 1}, {"SpinEdit56", 0, 127, 0, 8, 2},
    {"SpinEdit71", 0, 127, 0, 8, 3}, {"SpinEdit72", 0, 127, 0, 8, 4}, {"SpinEdit73", 0, 255, 0, 9, 2},
    {"SpinEdit74", 0, 1, 1, 9, 3},
};
constexpr GammaLabel kLabelsC[] = {{"SGN _\nSGP", 9, 1}, {"GMA_\nRELOAD", 9, 4}};

const GammaGrid kTableA{"ILI-9481 / HX-8375B",    "VRP 0..10", "VRN 0..10", kCellsA,   {},
                        State::kSendGammaIli9481, 0x0D,        "Button25",  "Button33"};
const GammaGrid kTableB{"ILI-9486", "VRP 0..15", "VRN 0..15", kCellsB, {}, State::kSendGammaIli9486,
                        0x1F,       "Button40",  "Button41"};
const GammaGrid kTableC{"HX-8357C", "VRP 0..16", "VRN 0..16", kCellsC, kLabelsC, State::kSendGammaHx8357c,
                        0x23,       "Button32",  "Button35"};

// Wire order of table A: pairs (high nibble, low nibble) or single values.
struct PackedByte {
    const char* high;
    const char* low;  // nullptr: the byte is the single value of `high`
};
constexpr PackedByte kWireA[] = {
    {"SpinEdit7", "SpinEdit19"},  {"SpinEdit8", "SpinEdit20"},  {"SpinEdit9", "SpinEdit21"},  {"SpinEdit10", "SpinEdit22"},
    {"SpinEdit11", nullptr},      {"SpinEdit12", nullptr},      {"SpinEdit13", "SpinEdit23"}, {"SpinEdit14", "SpinEdit24"},
    {"SpinEdit15", "SpinEdit25"}, {"SpinEdit16", "SpinEdit26"}, {"SpinEdit17", nullptr},      {"SpinEdit18", nullptr},
};

// Tables B and C go out one value per byte: the positive set (columns 1 and 2, row by row),
// then the negative set (columns 3 and 4), then, for table C, its two extra values.
std::vector<const char*> wireOrder(std::span<const GammaCell> cells)
{
    std::vector<const char*> order;
    for (int pass = 0; pass < 2; ++pass)
        for (const GammaCell& c : cells)
            if (c.row <= 8 && (c.column - 1) / 2 == pass)
                order.push_back(c.name);
    for (const GammaCell& c : cells)
        if (c.row > 8)
            order.push_back(c.name);
    return order;
}

std::vector<uint8_t> encodeSingles(std::span<const GammaCell> cells, const SpinLookup& value)
{
    std::vector<uint8_t> bytes;
    for (const char* name : wireOrder(cells))
        bytes.push_back(static_cast<uint8_t>(value(name)));
    return bytes;
}

const GammaPreset kPresetIli9481{
    "Button36",
    "Def ILI-9481",
    {{
        {"SpinEdit7", 0},  {"SpinEdit19", 0}, {"SpinEdit8", 3},  {"SpinEdit20", 2},  {"SpinEdit9", 3},
        {"SpinEdit21", 6}, {"SpinEdit10", 4}, {"SpinEdit22", 5}, {"SpinEdit11", 6},  {"SpinEdit12", 22},
        {"SpinEdit13", 3}, {"SpinEdit23", 7}, {"SpinEdit14", 7}, {"SpinEdit24", 5},  {"SpinEdit15", 7},
        {"SpinEdit25", 7}, {"SpinEdit16", 5}, {"SpinEdit26", 4}, {"SpinEdit17", 12}, {"SpinEdit18", 0},
    }}};
const GammaPreset kPresetHx8375b{
    "Button34",
    "Def HX-8375B",
    {{
        {"SpinEdit7", 0},  {"SpinEdit19", 0}, {"SpinEdit8", 6},  {"SpinEdit20", 7},  {"SpinEdit9", 0},
        {"SpinEdit21", 4}, {"SpinEdit10", 7}, {"SpinEdit22", 0}, {"SpinEdit11", 0},  {"SpinEdit12", 30},
        {"SpinEdit13", 3}, {"SpinEdit23", 7}, {"SpinEdit14", 0}, {"SpinEdit24", 1},  {"SpinEdit15", 7},
        {"SpinEdit25", 7}, {"SpinEdit16", 0}, {"SpinEdit26", 7}, {"SpinEdit17", 15}, {"SpinEdit18", 0},
    }}};

// Sends the head A6 L 1E and then the table, reading each control just before its byte.
ProtocolLoop::StepResult sendTable(ProtocolLoop& loop, const GammaGrid& table, std::vector<uint8_t> (*encode)(const SpinLookup&),
                                   const ControlValues& controls)
{
    loop.beginRequest();
    loop.sendByte(0xA6);
    loop.sendByte(table.lengthByte);
    loop.sendByte(kSetGammaCode);
    loop.sendBytes(encode([&controls](std::string_view name) { return controls.spinValue(name); }));
    loop.advance(State::kIdle);
    return ProtocolLoop::StepResult::Acted;
}

}  // namespace

const GammaGrid& gammaTableA() { return kTableA; }
const GammaGrid& gammaTableB() { return kTableB; }
const GammaGrid& gammaTableC() { return kTableC; }
const GammaPreset& presetIli9481() { return kPresetIli9481; }
const GammaPreset& presetHx8375b() { return kPresetHx8375b; }

std::vector<uint8_t> encodeGammaA(const SpinLookup& value)
{
    std::vector<uint8_t> bytes;
    for (const PackedByte& p : kWireA) {
        const int v = p.low ? value(p.high) * 16 + value(p.low) : value(p.high);
        bytes.push_back(static_cast<uint8_t>(v));
    }
    return bytes;
}

std::vector<uint8_t> encodeGammaB(const SpinLookup& value) { return encodeSingles(kCellsB, value); }

std::vector<uint8_t> encodeGammaC(const SpinLookup& value) { return encodeSingles(kCellsC, value); }

void registerGammaStates(ProtocolLoop& loop, const ControlValues& controls)
{
    loop.registerStep(kTableA.sendState, [&loop, &controls] { return sendTable(loop, kTableA, encodeGammaA, controls); });
    loop.registerStep(kTableB.sendState, [&loop, &controls] { return sendTable(loop, kTableB, encodeGammaB, controls); });
    loop.registerStep(kTableC.sendState, [&loop, &controls] { return sendTable(loop, kTableC, encodeGammaC, controls); });
}
