#include "settings/extra_coding.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ExtraCoding, SaveGivesTheGoldenBytes)
{
    struct Case {
        const char* what;
        ExtraCodingControls page;
        uint8_t byte5, byte6;
        ExtraCodingBytes golden;
    };
    const Case cases[] = {
        {"start values", {}, 0, 0, {0x00, 90, 0x00, 24, 24, 0, 0, 0x00}},
        {"brake pads and little red oiler", {0x81, 90, 0, 240, 240, 0, 0}, 0, 0, {0x81, 90, 0x00, 24, 24, 0, 0, 0x00}},
        {"mirrors together, green lines", {0, 90, 0, 240, 240, 0x4, 3}, 0, 0, {0x00, 90, 0x00, 24, 24, 0, 0, 0x64}},
        {"25 and 35 round to the even neighbour", {0, 30, 0, 25, 35, 0, 0}, 0, 0, {0x00, 30, 0x00, 2, 4, 0, 0, 0x00}},
        {"15 and 45", {0, 250, 0, 15, 45, 0, 0}, 0, 0, {0x00, 250, 0x00, 2, 4, 0, 0, 0x00}},
        {"600 minutes and km", {0, 90, 0, 600, 600, 0, 0}, 0, 0, {0x00, 90, 0x00, 60, 60, 0, 0, 0x00}},
        {"last reported bytes 5 and 6", {}, 0x11, 0x22, {0x00, 90, 0x00, 24, 24, 0x11, 0x22, 0x00}},
        {"warnings 8 and 9 have no bit", {0x3FF, 90, 0xFF, 240, 240, 0x7, 4}, 0, 0, {0xFF, 90, 0xFF, 24, 24, 0, 0, 0x87}},
        {"no line colour chosen", {0, 90, 0, 240, 240, 0x1, -1}, 0, 0, {0x00, 90, 0x00, 24, 24, 0, 0, 0xE1}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(encodeExtraCoding(extraCodingFromControls(c.page, c.byte5, c.byte6)), c.golden) << c.what;
}

TEST(ExtraCoding, ReplyShowsTheRecord)
{
    struct Case {
        const char* what;
        ExtraCodingBytes reply;
        ExtraCodingView shown;
    };
    const Case cases[] = {
        {"white lines, no options", {0, 90, 0, 24, 24, 0, 0, 0xE0}, {0, 90, 0, 240, 240, 0, 4}},
        {"colour 5 shows white", {0, 90, 0, 24, 24, 0, 0, 0xA0}, {0, 90, 0, 240, 240, 0, 4}},
        {"green lines and mirrors", {0x81, 120, 0x22, 6, 0, 0, 0, 0x64}, {0x81, 120, 0x22, 60, 0, 4, 3}},
        {"bits 3 and 4 show nothing", {0, 90, 0, 24, 24, 0, 0, 0x1B}, {0, 90, 0, 240, 240, 0x3, 0}},
        {"out of the spin limits, shown raw", {0, 10, 0, 61, 255, 0, 0, 0}, {0, 10, 0, 610, 2550, 0, 0}},
    };
    for (const Case& c : cases) {
        const ExtraCodingView v = extraCodingView(decodeExtraCoding(c.reply));
        EXPECT_EQ(v.warningsMask, c.shown.warningsMask) << c.what;
        EXPECT_EQ(v.speedLimit, c.shown.speedLimit) << c.what;
        EXPECT_EQ(v.comfortMask, c.shown.comfortMask) << c.what;
        EXPECT_EQ(v.coffeeMinutes, c.shown.coffeeMinutes) << c.what;
        EXPECT_EQ(v.coffeeKm, c.shown.coffeeKm) << c.what;
        EXPECT_EQ(v.optionsMask, c.shown.optionsMask) << c.what;
        EXPECT_EQ(v.lineColourIndex, c.shown.lineColourIndex) << c.what;
    }
}

TEST(ExtraCoding, ReadThenSaveUnchangedClearsOnlyBits3And4OfByte7)
{
    const ExtraCodingBytes reply{0xA5, 130, 0x5A, 12, 33, 0x77, 0x88, 0x7F};
    const ExtraCodingRecord r = decodeExtraCoding(reply);
    EXPECT_EQ(encodeExtraCoding(r), reply) << "decode and encode are inverses";
    const ExtraCodingView v = extraCodingView(r);
    const ExtraCodingControls page{v.warningsMask, v.speedLimit,  v.comfortMask,    v.coffeeMinutes,
                                   v.coffeeKm,     v.optionsMask, v.lineColourIndex};
    const ExtraCodingBytes saved = encodeExtraCoding(extraCodingFromControls(page, r.byte5, r.byte6));
    EXPECT_EQ(saved, (ExtraCodingBytes{0xA5, 130, 0x5A, 12, 33, 0x77, 0x88, 0x67}));
}

TEST(ExtraCoding, ListTextsAreTheDisplaysOwn)
{
    ASSERT_EQ(warningItems().size(), 10u);
    ASSERT_EQ(comfortItems().size(), 8u);
    ASSERT_EQ(vehicleOptionItems().size(), 3u);
    EXPECT_EQ(std::string(comfortItems()[4]), "Full FIS Warning Oil Level  ");
    EXPECT_EQ(std::string(comfortItems()[6]), "1J0 CCM Tempomat GRA ");
    EXPECT_EQ(std::string(vehicleOptionItems()[1]), "AUDI Fuel consumption factor x2 ");
    EXPECT_EQ(std::string(lineColourItems()[4]), "White");
}

}  // namespace
