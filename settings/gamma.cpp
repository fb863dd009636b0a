#include "settings/gamma.h"

#include "protocol/protocol_loop.h"
#include "protocol/protocol_states.h"

namespace {

constexpr uint8_t kSetGammaCode = 0x1E;

// Table A, "ILI-9481 / HX-8375B": 3-bit values packed in pairs, and three wider values.
constexpr GammaCell kCellsA[] = {
    {0, 7, 7, 1, 1}, {0, 7, 7, 1, 2}, {0, 7, 0, 1, 3},   {0, 7, 0, 1, 4},  {0, 7, 7, 2, 1},  {0, 7, 7, 2, 2},   {0, 7, 4, 2, 3},
    {0, 7, 2, 2, 4}, {0, 7, 0, 3, 1}, {0, 7, 0, 3, 2},   {0, 7, 4, 3, 3},  {0, 7, 2, 3, 4},  {0, 7, 0, 4, 1},   {0, 7, 7, 4, 2},
    {0, 7, 7, 4, 3}, {0, 7, 4, 4, 4}, {0, 15, 15, 5, 1}, {0, 15, 0, 5, 4}, {0, 31, 0, 6, 1}, {0, 31, 30, 6, 4},
};

// Table B, "ILI-9486": one value per byte; two cells reach 135.
constexpr GammaCell kCellsB[] = {
    {0, 127, 15, 1, 1}, {0, 127, 36, 1, 2},  {0, 127, 15, 1, 3}, {0, 127, 56, 1, 4},  {0, 127, 28, 2, 1}, {0, 127, 10, 2, 2},
    {0, 127, 48, 2, 3}, {0, 127, 9, 2, 4},   {0, 127, 15, 3, 1}, {0, 127, 8, 3, 2},   {0, 127, 15, 3, 3}, {0, 127, 15, 3, 4},
    {0, 127, 68, 4, 1}, {0, 135, 135, 4, 2}, {0, 127, 78, 4, 3}, {0, 127, 119, 4, 4}, {0, 135, 50, 5, 1}, {0, 127, 15, 5, 2},
    {0, 127, 60, 5, 3}, {0, 127, 7, 5, 4},   {0, 127, 16, 6, 1}, {0, 127, 6, 6, 2},   {0, 127, 76, 6, 3}, {0, 127, 5, 6, 4},
    {0, 127, 26, 7, 1}, {0, 127, 7, 7, 2},   {0, 127, 35, 7, 3}, {0, 127, 27, 7, 4},  {0, 127, 0, 8, 1},  {0, 127, 0, 8, 3},
};

// Table C, "HX-8357C": every cell 0..127 starting at 0, and a ninth row of two extra values.
constexpr GammaCell kCellsC[] = {
    {0, 127, 0, 1, 1}, {0, 127, 0, 1, 2}, {0, 127, 0, 1, 3}, {0, 127, 0, 1, 4}, {0, 127, 0, 2, 1}, {0, 127, 0, 2, 2},
    {0, 127, 0, 2, 3}, {0, 127, 0, 2, 4}, {0, 127, 0, 3, 1}, {0, 127, 0, 3, 2}, {0, 127, 0, 3, 3}, {0, 127, 0, 3, 4},
    {0, 127, 0, 4, 1}, {0, 127, 0, 4, 2}, {0, 127, 0, 4, 3}, {0, 127, 0, 4, 4}, {0, 127, 0, 5, 1}, {0, 127, 0, 5, 2},
    {0, 127, 0, 5, 3}, {0, 127, 0, 5, 4}, {0, 127, 0, 6, 1}, {0, 127, 0, 6, 2}, {0, 127, 0, 6, 3}, {0, 127, 0, 6, 4},
    {0, 127, 0, 7, 1}, {0, 127, 0, 7, 2}, {0, 127, 0, 7, 3}, {0, 127, 0, 7, 4}, {0, 127, 0, 8, 1}, {0, 127, 0, 8, 2},
    {0, 127, 0, 8, 3}, {0, 127, 0, 8, 4}, {0, 255, 0, 9, 2}, {0, 1, 1, 9, 3},
};
constexpr GammaLabel kLabelsC[] = {{"SGN _\nSGP", 9, 1}, {"GMA_\nRELOAD", 9, 4}};

const GammaGrid kTableA{"ILI-9481 / HX-8375B", "VRP 0..10", "VRN 0..10", kCellsA, {}, State::kSendGammaIli9481, 0x0D};
const GammaGrid kTableB{"ILI-9486", "VRP 0..15", "VRN 0..15", kCellsB, {}, State::kSendGammaIli9486, 0x1F};
const GammaGrid kTableC{"HX-8357C", "VRP 0..16", "VRN 0..16", kCellsC, kLabelsC, State::kSendGammaHx8357c, 0x23};

// Wire order of table A: pairs (high nibble, low nibble) or single values.
struct PackedByte {
    int high;  // cells of table A
    int low;   // -1: the byte is the single value of `high`
};
constexpr PackedByte kWireA[] = {
    {0, 1}, {4, 5}, {8, 9}, {12, 13}, {16, -1}, {18, -1}, {2, 3}, {6, 7}, {10, 11}, {14, 15}, {17, -1}, {19, -1},
};

// Tables B and C go out one value per byte: the positive set (columns 1 and 2, row by row),
// then the negative set (columns 3 and 4), then, for table C, its two extra values.
std::vector<size_t> wireOrder(std::span<const GammaCell> cells)
{
    std::vector<size_t> order;
    for (int pass = 0; pass < 2; ++pass)
        for (size_t i = 0; i < cells.size(); ++i)
            if (cells[i].row <= 8 && (cells[i].column - 1) / 2 == pass)
                order.push_back(i);
    for (size_t i = 0; i < cells.size(); ++i)
        if (cells[i].row > 8)
            order.push_back(i);
    return order;
}

std::vector<uint8_t> encodeSingles(std::span<const GammaCell> cells, const CellValue& value)
{
    std::vector<uint8_t> bytes;
    for (size_t cell : wireOrder(cells))
        bytes.push_back(static_cast<uint8_t>(value(cell)));
    return bytes;
}

const GammaPreset kPresetIli9481{"Def ILI-9481", {0, 0, 3, 7, 3, 2, 7, 5, 3, 6, 7, 7, 4, 5, 5, 4, 6, 12, 22, 0}};
const GammaPreset kPresetHx8375b{"Def HX-8375B", {0, 0, 3, 7, 6, 7, 0, 1, 0, 4, 7, 7, 7, 0, 0, 7, 0, 15, 30, 0}};

// Sends the head A6 L 1E and then the table, reading each cell just before its byte.
ProtocolLoop::StepResult sendTable(ProtocolLoop& loop, const GammaGrid& table, std::vector<uint8_t> (*encode)(const CellValue&),
                                   const GammaValues& values)
{
    loop.beginRequest();
    loop.sendByte(0xA6);
    loop.sendByte(table.lengthByte);
    loop.sendByte(kSetGammaCode);
    loop.sendBytes(encode([&values, &table](size_t cell) { return values.gammaCell(table, cell); }));
    loop.advance(State::kIdle);
    return ProtocolLoop::StepResult::Acted;
}

}  // namespace

const GammaGrid& gammaTableA() { return kTableA; }
const GammaGrid& gammaTableB() { return kTableB; }
const GammaGrid& gammaTableC() { return kTableC; }
const GammaPreset& presetIli9481() { return kPresetIli9481; }
const GammaPreset& presetHx8375b() { return kPresetHx8375b; }

std::vector<uint8_t> encodeGammaA(const CellValue& value)
{
    std::vector<uint8_t> bytes;
    for (const PackedByte& p : kWireA) {
        const auto high = static_cast<size_t>(p.high);
        const int v = p.low >= 0 ? value(high) * 16 + value(static_cast<size_t>(p.low)) : value(high);
        bytes.push_back(static_cast<uint8_t>(v));
    }
    return bytes;
}

std::vector<uint8_t> encodeGammaB(const CellValue& value) { return encodeSingles(kCellsB, value); }

std::vector<uint8_t> encodeGammaC(const CellValue& value) { return encodeSingles(kCellsC, value); }

void registerGammaStates(ProtocolLoop& loop, const GammaValues& values)
{
    loop.registerStep(kTableA.sendState, [&loop, &values] { return sendTable(loop, kTableA, encodeGammaA, values); });
    loop.registerStep(kTableB.sendState, [&loop, &values] { return sendTable(loop, kTableB, encodeGammaB, values); });
    loop.registerStep(kTableC.sendState, [&loop, &values] { return sendTable(loop, kTableC, encodeGammaC, values); });
}
