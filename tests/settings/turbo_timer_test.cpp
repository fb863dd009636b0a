#include "settings/turbo_timer.h"

#include <gtest/gtest.h>

namespace {

TEST(TurboTimer, SaveSendsTheSixWordsLittleEndianInRecordOrder)
{
    struct Case {
        const char* what;
        TurboTimerRecord record;
        TurboTimerBytes bytes;
    };
    const Case cases[] = {
        {"start values, cooling on",
         {90, 90, 1, 300, 90, 0},
         {0x5A, 0x00, 0x5A, 0x00, 0x01, 0x00, 0x2C, 0x01, 0x5A, 0x00, 0x00, 0x00}},
        {"heating on, a time above 255",
         {0, 50, 0, 1200, 100, 1},
         {0x00, 0x00, 0x32, 0x00, 0x00, 0x00, 0xB0, 0x04, 0x64, 0x00, 0x01, 0x00}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(encodeTurboTimer(c.record), c.bytes) << c.what;
}

TEST(TurboTimer, ReplyShowsWordsAndOnlyTheLowByteOfEachFlag)
{
    struct Case {
        const char* what;
        TurboTimerBytes reply;
        TurboTimerView shown;
    };
    const Case cases[] = {
        {"start values, cooling on", {0x5A, 0, 0x5A, 0, 1, 0, 0x2C, 1, 0x5A, 0, 0, 0}, {90, 90, true, 300, 90, false}},
        {"flag word 00 01 is off", {0, 0, 50, 0, 0x00, 0x01, 0, 0, 50, 0, 0x00, 0x01}, {0, 50, false, 0, 50, false}},
        {"flag low byte 2 is on", {0, 0, 50, 0, 0x02, 0x00, 0, 0, 50, 0, 0xFF, 0xFF}, {0, 50, true, 0, 50, true}},
        {"words past the limits, shown raw",
         {0xFF, 0xFF, 0x10, 0x27, 0, 0, 0x00, 0x10, 0, 0, 0, 0},
         {65535, 10000, false, 4096, 0, false}},
    };
    for (const Case& c : cases) {
        const TurboTimerView v = turboTimerView(decodeTurboTimer(c.reply));
        EXPECT_EQ(v.coolingTime, c.shown.coolingTime) << c.what;
        EXPECT_EQ(v.coolingTemperature, c.shown.coolingTemperature) << c.what;
        EXPECT_EQ(v.coolingOn, c.shown.coolingOn) << c.what;
        EXPECT_EQ(v.warmUpTime, c.shown.warmUpTime) << c.what;
        EXPECT_EQ(v.warmUpTemperature, c.shown.warmUpTemperature) << c.what;
        EXPECT_EQ(v.warmUpOn, c.shown.warmUpOn) << c.what;
    }
}

TEST(TurboTimer, EncodeAndDecodeAreExactInverses)
{
    const TurboTimerBytes b{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    const TurboTimerRecord r = decodeTurboTimer(b);
    EXPECT_EQ(r.coolingTime, 0x0201);
    EXPECT_EQ(r.warmUpFlag, 0x0C0B);
    EXPECT_EQ(encodeTurboTimer(r), b);
}

}  // namespace
