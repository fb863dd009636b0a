#include "settings/transmission.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Transmission, CouplingSettlesAsTheDisplayExpects)
{
    struct Case {
        const char* what;
        GearPair shown;  // after the change, the changed box clamped
        GearBox changed;
        GearPair settled;
    };
    const Case cases[] = {
        {"speed 150 replaces 22", {150, 90}, GearBox::Speed, {154, 13}},
        {"speed 160 replaces 22 (12.5 rounds to 12)", {160, 90}, GearBox::Speed, {167, 12}},
        {"received ratio 46", {22, 46}, GearBox::Ratio, {43, 47}},
        {"arrows from 154 to 155 keep 155", {155, 13}, GearBox::Speed, {155, 13}},
        {"typed speed 32 (62.5 rounds to 62)", {32, 90}, GearBox::Speed, {32, 62}},
        {"speed 200 in sixth gear", {200, 24}, GearBox::Speed, {200, 10}},
        {"typed digit 1 counts as 10 km/h", {10, 90}, GearBox::Speed, {10, 200}},
        {"cleared ratio counts as 1", {84, 1}, GearBox::Ratio, {200, 10}},
        {"cleared ratio with speed at 200 already", {200, 1}, GearBox::Ratio, {200, 1}},
        {"received ratio 5", {22, 5}, GearBox::Ratio, {200, 10}},
        {"received ratio 200", {50, 200}, GearBox::Ratio, {10, 200}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(settleGearPair(c.shown, c.changed), c.settled) << c.what;
}

TEST(Transmission, SaveSendsEachRatioWithAZeroHighByte)
{
    std::array<int, kGears> ratios{};
    for (size_t g = 0; g < ratios.size(); ++g)
        ratios[g] = gearRows()[g].startRatio;
    EXPECT_EQ(encodeTransmissionSave(ratios), (std::array<uint8_t, 12>{0x5A, 0, 0x3C, 0, 0x28, 0, 0x21, 0, 0x1C, 0, 0x18, 0}))
        << "start values, gear 1 to 6";

    ratios[5] = 10;  // sixth gear disabled
    EXPECT_EQ(encodeTransmissionSave(ratios)[10], 0x0A);
    EXPECT_EQ(encodeTransmissionSave(ratios)[11], 0x00);
    EXPECT_EQ(kTransmissionLengthByte, 0x0E);
}

TEST(Transmission, StartValuesAreShownAsStored)
{
    // Gear 1 starts at 22 km/h with ratio 90, though 2000 / 22 rounds to 91.
    EXPECT_EQ(gearRows()[0].startSpeed, 22);
    EXPECT_EQ(gearRows()[0].startRatio, 90);
    EXPECT_EQ(coupledValue(22), 91);
    EXPECT_EQ(std::string(gearRows()[4].speedLabel), "5 Gear    V =           km/h");
}

}  // namespace
