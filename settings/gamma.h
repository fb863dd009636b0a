#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

class ProtocolLoop;

// One spin edit of a gamma grid: its limits, start value and place in the grid (row and column
// from 1; the grid has four columns). A grid's cells are known by their index in `cells`.
struct GammaCell {
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
    int32_t sendState;   // the state that sends it ("Set GAMMA")
    uint8_t lengthByte;  // A6 <length> 1E ...
};

const GammaGrid& gammaTableA();  // "ILI-9481 / HX-8375B", 12 bytes
const GammaGrid& gammaTableB();  // "ILI-9486", 30 bytes
const GammaGrid& gammaTableC();  // "HX-8357C", 34 bytes

// The value a grid's cell shows, by its index in the grid's `cells`.
using CellValue = std::function<int(size_t cell)>;

// The table's bytes as they go on the wire after the head A6 L 1E.
std::vector<uint8_t> encodeGammaA(const CellValue& value);
std::vector<uint8_t> encodeGammaB(const CellValue& value);
std::vector<uint8_t> encodeGammaC(const CellValue& value);

// The presets of table A: a value for each of its twenty cells, in the order of its `cells`.
struct GammaPreset {
    const char* caption;  // "Def ILI-9481"
    std::array<int, 20> values;
};
const GammaPreset& presetIli9481();
const GammaPreset& presetHx8375b();

// The grids' cells as the page shows them now. Implemented by the window.
class GammaValues {
public:
    virtual ~GammaValues() = default;
    virtual int gammaCell(const GammaGrid& grid, size_t cell) const = 0;
};

// Registers the three gamma send states: each sends its frame head and then the bytes of its table,
// reading the cells as it sends.
void registerGammaStates(ProtocolLoop& loop, const GammaValues& values);
