#include "settings/gamma.h"
#include "settings/remote_controls.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

namespace {

using Bytes = std::vector<uint8_t>;

// A grid as the window starts it, plus whatever a test overrides.
struct Grid {
    std::vector<int> values;

    explicit Grid(const GammaGrid& table)
    {
        for (const GammaCell& c : table.cells)
            values.push_back(c.start);
    }
    void apply(const GammaPreset& preset) { values.assign(preset.values.begin(), preset.values.end()); }
    CellValue lookup() const
    {
        return [this](size_t cell) { return values.at(cell); };
    }
};

TEST(GammaTables, StartValuesGoOutAsTheDisplayExpects)
{
    EXPECT_EQ(encodeGammaA(Grid(gammaTableA()).lookup()),
              (Bytes{0x77, 0x77, 0x00, 0x07, 0x0F, 0x00, 0x00, 0x42, 0x42, 0x74, 0x00, 0x1E}));
    EXPECT_EQ(encodeGammaB(Grid(gammaTableB()).lookup()),
              (Bytes{0x0F, 0x24, 0x1C, 0x0A, 0x0F, 0x08, 0x44, 0x87, 0x32, 0x0F, 0x10, 0x06, 0x1A, 0x07, 0x00,
                     0x0F, 0x38, 0x30, 0x09, 0x0F, 0x0F, 0x4E, 0x77, 0x3C, 0x07, 0x4C, 0x05, 0x23, 0x1B, 0x00}));
    Bytes c(33, 0x00);
    c.push_back(0x01);
    EXPECT_EQ(encodeGammaC(Grid(gammaTableC()).lookup()), c);
}

TEST(GammaTables, PresetsFillTableAWithTheirValues)
{
    struct Case {
        const GammaPreset& preset;
        Bytes wire;
    };
    const Case cases[] = {
        {presetIli9481(), {0x00, 0x32, 0x36, 0x45, 0x06, 0x16, 0x37, 0x75, 0x77, 0x54, 0x0C, 0x00}},
        {presetHx8375b(), {0x00, 0x67, 0x04, 0x70, 0x00, 0x1E, 0x37, 0x01, 0x77, 0x07, 0x0F, 0x00}},
    };
    for (const Case& c : cases) {
        Grid grid{gammaTableA()};
        grid.apply(c.preset);
        EXPECT_EQ(encodeGammaA(grid.lookup()), c.wire) << c.preset.caption;
    }
}

TEST(GammaTables, EveryValueGoesOutModulo256)
{
    Grid grid{gammaTableB()};
    grid.values.at(0) = 300;  // the first cell goes out first
    EXPECT_EQ(encodeGammaB(grid.lookup()).front(), 300 % 256);
}

TEST(GammaTables, GridsHoldEveryCellOnceWithinItsLimits)
{
    struct Case {
        const GammaGrid& table;
        size_t cells;
        size_t wireBytes;
        uint8_t lengthByte;
    };
    const Case cases[] = {{gammaTableA(), 20, 12, 0x0D}, {gammaTableB(), 30, 30, 0x1F}, {gammaTableC(), 34, 34, 0x23}};
    for (const Case& c : cases) {
        EXPECT_EQ(c.table.cells.size(), c.cells) << c.table.caption;
        EXPECT_EQ(c.table.lengthByte, c.wireBytes + 1) << c.table.caption;
        std::set<std::pair<int, int>> places;
        for (const GammaCell& cell : c.table.cells) {
            EXPECT_TRUE(places.insert({cell.row, cell.column}).second) << cell.row << "," << cell.column << " twice";
            EXPECT_LE(cell.min, cell.start) << cell.row << "," << cell.column;
            EXPECT_LE(cell.start, cell.max) << cell.row << "," << cell.column;
            EXPECT_GE(cell.column, 1);
            EXPECT_LE(cell.column, 4);
        }
    }
    EXPECT_EQ(encodeGammaA(Grid(gammaTableA()).lookup()).size(), 12u);
    EXPECT_EQ(encodeGammaB(Grid(gammaTableB()).lookup()).size(), 30u);
    EXPECT_EQ(encodeGammaC(Grid(gammaTableC()).lookup()).size(), 34u);
}

TEST(MirrorMove, DirectionBitPlusChosenSide)
{
    struct Case {
        uint8_t direction;
        int side;
        uint8_t expected;
    };
    const Case cases[] = {
        {MirrorRight, 1, 0x28}, {MirrorRight, -1, 0x08}, {MirrorLeft, 0, 0x14},
        {MirrorDown, 1, 0x22},  {MirrorUp, -1, 0x01},    {MirrorUp, 2, 0x01},
    };
    for (const Case& c : cases)
        EXPECT_EQ(mirrorMoveParameter(c.direction, c.side), c.expected) << int(c.direction) << " side " << c.side;
}

}  // namespace
