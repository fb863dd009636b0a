#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string_view>
#include <vector>

class ProtocolLoop;
class ControlValues;

// One spin edit of a gamma grid: its name, limits, start value and place in the grid
// (row and column from 1; the grid has four columns).
struct GammaCell {
    const char* name;
    int min;
    int max;
    int start;
    int row;
    int column;
};

// A label placed in a grid cell instead of a spin edit (table C's ninth row).
struct GammaLabel {
    const char* text;
    int row;
    int column;
};

struct GammaGrid {
    const char* caption;               // group caption
    const char* positiveLabel;         // over columns 1 and 2
    const char* negativeLabel;         // over columns 3 and 4
    std::span<const GammaCell> cells;  // in grid order
    std::span<const GammaLabel> labels;
    int32_t sendState;          // the state that sends it
    uint8_t lengthByte;         // A6 <length> 1E ...
    const char* setButton;      // "Set GAMMA"
    const char* defaultButton;  // "Set default GAMMA"
};

const GammaGrid& gammaTableA();  // "ILI-9481 / HX-8375B", 12 bytes
const GammaGrid& gammaTableB();  // "ILI-9486", 30 bytes
const GammaGrid& gammaTableC();  // "HX-8357C", 34 bytes

using SpinLookup = std::function<int(std::string_view name)>;

// The table's bytes as they go on the wire after the head A6 L 1E.
std::vector<uint8_t> encodeGammaA(const SpinLookup& value);
std::vector<uint8_t> encodeGammaB(const SpinLookup& value);
std::vector<uint8_t> encodeGammaC(const SpinLookup& value);

// The presets of table A: pairs (spin edit, value) for all twenty spin edits.
struct GammaPreset {
    const char* button;   // "Button36"
    const char* caption;  // "Def ILI-9481"
    std::array<std::pair<const char*, int>, 20> values;
};
const GammaPreset& presetIli9481();
const GammaPreset& presetHx8375b();

// Registers the three gamma send states: each sends its frame head and then the bytes of its table,
// reading the spin edits as it sends.
void registerGammaStates(ProtocolLoop& loop, const ControlValues& controls);
