// How each failure mode shapes what the display sends back (transport-independent part).
#include <gtest/gtest.h>

#include <vector>

#include "sim/display_simulator.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

const Bytes kHello{0xA1, 0x04, 0x34, 0x45, 0x56, 0x67};
const Bytes kSizeQuery{0xA6, 0x01, 0x20};
const Bytes kSizeReply{0x20, 0, 10, 10, 0, 64};

Bytes joined(const std::vector<OutputStep>& steps)
{
    Bytes all;
    for (const OutputStep& s : steps)
        all.insert(all.end(), s.bytes.begin(), s.bytes.end());
    return all;
}

FailureSettings only(FailureMode mode)
{
    FailureSettings f;
    f.enable(mode);
    f.splitPieces = 4;
    f.splitPause = 15ms;
    f.replyDelay = 120ms;
    f.garbageBytes = 5;
    f.dropAfterFrames = 2;
    return f;
}

TEST(FailureModeShaping, EveryModeShapesTheSizeReplyAsItSays)
{
    for (FailureMode mode : kAllFailureModes) {
        SCOPED_TRACE(std::string(failureModeName(mode)));
        const FailureSettings f = only(mode);
        DisplaySimulator sim(SimulatorOptions{{}, f});
        const std::vector<OutputStep> steps = sim.feed(kSizeQuery);
        switch (mode) {
        case FailureMode::SplitReplies: {
            ASSERT_EQ(steps.size(), 4u);
            EXPECT_EQ(joined(steps), kSizeReply);
            EXPECT_EQ(steps[0].pauseBefore, 0ms);
            for (std::size_t i = 1; i < steps.size(); ++i) {
                EXPECT_EQ(steps[i].pauseBefore, 15ms);
                EXPECT_FALSE(steps[i].bytes.empty());
            }
            break;
        }
        case FailureMode::DelayReplies:
            ASSERT_EQ(steps.size(), 1u);
            EXPECT_EQ(steps[0].pauseBefore, 120ms);
            EXPECT_EQ(steps[0].bytes, kSizeReply);
            break;
        case FailureMode::Silent:
            EXPECT_TRUE(steps.empty());
            EXPECT_EQ(sim.frameCount(), 1u);  // heard, not answered
            break;
        case FailureMode::GarbageBeforeReply: {
            const Bytes all = joined(steps);
            ASSERT_EQ(all.size(), 5 + kSizeReply.size());
            EXPECT_EQ(Bytes(all.begin() + 5, all.end()), kSizeReply);
            for (std::size_t i = 0; i < 5; ++i)
                EXPECT_NE(all[i], 0xA6);  // never mistaken for a frame marker
            break;
        }
        case FailureMode::DropLine: {
            EXPECT_EQ(joined(steps), kSizeReply);  // first frame: served normally
            for (const OutputStep& s : steps)
                EXPECT_FALSE(s.dropLine);
            // The second frame is answered, then the line drops; what followed it is lost with the line.
            Bytes two = kSizeQuery;
            two.insert(two.end(), kHello.begin(), kHello.end());
            const std::vector<OutputStep> more = sim.feed(two);
            ASSERT_FALSE(more.empty());
            EXPECT_TRUE(more.back().dropLine);
            EXPECT_EQ(joined(more), kSizeReply);
            EXPECT_EQ(sim.frameCount(), 2u);
            sim.startLine();
            EXPECT_EQ(joined(sim.feed(kSizeQuery)), kSizeReply);  // a new line counts afresh
            break;
        }
        case FailureMode::WrongSum:
            EXPECT_EQ(joined(steps), kSizeReply);  // only block answers carry a sum
            break;
        }
    }
}

TEST(FailureModeShaping, SplittingNeverMakesEmptyPiecesOfAShortReply)
{
    FailureSettings f;
    f.enable(FailureMode::SplitReplies).splitPieces = 50;
    DisplaySimulator sim(SimulatorOptions{{}, f});
    const auto steps = sim.feed(kSizeQuery);
    EXPECT_EQ(steps.size(), kSizeReply.size());
    EXPECT_EQ(joined(steps), kSizeReply);
}

TEST(FailureModeShaping, ModesCombine)
{
    FailureSettings f;
    f.enable(FailureMode::DelayReplies).enable(FailureMode::SplitReplies).enable(FailureMode::GarbageBeforeReply);
    f.replyDelay = 50ms;
    f.splitPieces = 2;
    f.garbageBytes = 2;
    DisplaySimulator sim(SimulatorOptions{{}, f});
    const auto steps = sim.feed(kSizeQuery);
    ASSERT_EQ(steps.size(), 2u);
    EXPECT_EQ(steps[0].pauseBefore, 50ms);
    EXPECT_EQ(joined(steps).size(), 2 + kSizeReply.size());
}

TEST(FailureModeShaping, CommandsWithoutReplyStaySilentInEveryMode)
{
    for (FailureMode mode : kAllFailureModes) {
        if (mode == FailureMode::DropLine)
            continue;
        DisplaySimulator sim(SimulatorOptions{{}, only(mode)});
        EXPECT_TRUE(sim.feed(Bytes{0xA6, 0x02, 0x32, 0x46}).empty()) << failureModeName(mode);
    }
}

}  // namespace
