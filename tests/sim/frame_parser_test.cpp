// The display finds frames in the byte stream however the bytes are cut into pieces.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/display_simulator.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

const Bytes kHello{0xA1, 0x04, 0x34, 0x45, 0x56, 0x67};
const Bytes kGoodbye{0xAE, 0x00, 0x55};
const Bytes kSizeQuery{0xA6, 0x01, 0x20};
const Bytes kReadConfig{0xA6, 0x01, 0x18};
// The transmission save: length byte 0x0E, but only the code and 12 bytes follow it.
const Bytes kSaveTransmission{0xA6, 0x0E, 0x23, 0x5A, 0x00, 0x3C, 0x00, 0x28, 0x00, 0x21, 0x00, 0x1C, 0x00, 0x18, 0x00};

Bytes gammaC()
{
    Bytes f{0xA6, 0x23, 0x1E};
    for (int i = 0; i < 34; ++i)
        f.push_back(static_cast<std::uint8_t>(i));
    return f;
}

struct Entry {
    FrameKind kind;
    Bytes raw;
};

std::vector<Entry> entries(const DisplaySimulator& sim)
{
    std::vector<Entry> out;
    for (const FrameRecord& r : sim.log())
        out.push_back({r.kind, r.raw});
    return out;
}

Bytes replyBytes(const std::vector<OutputStep>& steps)
{
    Bytes all;
    for (const OutputStep& s : steps)
        all.insert(all.end(), s.bytes.begin(), s.bytes.end());
    return all;
}

// Feeds the stream cut after each of the given sizes (cycled); returns all reply bytes.
Bytes feedInPieces(DisplaySimulator& sim, const Bytes& stream, const std::vector<std::size_t>& sizes)
{
    Bytes replies;
    std::size_t pos = 0;
    for (std::size_t i = 0; pos < stream.size(); ++i) {
        const std::size_t n = std::min(sizes[i % sizes.size()], stream.size() - pos);
        const Bytes r = replyBytes(sim.feed(std::span(stream.data() + pos, n)));
        replies.insert(replies.end(), r.begin(), r.end());
        pos += n;
    }
    return replies;
}

struct ParseCase {
    std::string name;
    Bytes input;
    std::vector<Entry> expected;
};

std::ostream& operator<<(std::ostream& os, const ParseCase& c) { return os << c.name; }

Bytes garbage(std::uint8_t b) { return {b}; }

const std::vector<ParseCase> kParseCases{
    {"hello", kHello, {{FrameKind::Hello, kHello}}},
    {"goodbye", kGoodbye, {{FrameKind::Goodbye, kGoodbye}}},
    {"size query", kSizeQuery, {{FrameKind::Command, kSizeQuery}}},
    {"transmission save takes 13 bytes after its length byte and leaves the next frame whole",
     concat({kSaveTransmission, kReadConfig}),
     {{FrameKind::Command, kSaveTransmission}, {FrameKind::Command, kReadConfig}}},
    {"gamma table C", gammaC(), {{FrameKind::Command, gammaC()}}},
    {"stray bytes before a frame are skipped one by one",
     concat({{0x00, 0xFF, 0x55}, kSizeQuery}),
     {{FrameKind::Garbage, garbage(0x00)},
      {FrameKind::Garbage, garbage(0xFF)},
      {FrameKind::Garbage, garbage(0x55)},
      {FrameKind::Command, kSizeQuery}}},
    {"a broken hello is garbage and the next marker starts afresh",
     concat({{0xA1, 0x04, 0x34}, kHello}),
     {{FrameKind::Garbage, garbage(0xA1)},
      {FrameKind::Garbage, garbage(0x04)},
      {FrameKind::Garbage, garbage(0x34)},
      {FrameKind::Hello, kHello}}},
    {"a repeated marker byte", concat({{0xA1}, kHello}), {{FrameKind::Garbage, garbage(0xA1)}, {FrameKind::Hello, kHello}}},
    {"a command frame of length 0 is garbage",
     concat({{0xA6, 0x00}, kGoodbye}),
     {{FrameKind::Garbage, garbage(0xA6)}, {FrameKind::Garbage, garbage(0x00)}, {FrameKind::Goodbye, kGoodbye}}},
    {"a broken goodbye is garbage",
     concat({{0xAE, 0x01}, kGoodbye}),
     {{FrameKind::Garbage, garbage(0xAE)}, {FrameKind::Garbage, garbage(0x01)}, {FrameKind::Goodbye, kGoodbye}}},
    {"an unfinished frame waits for its bytes", {0xA6, 0x02, 0x32}, {}},
    {"a whole session",
     concat({kHello, kSizeQuery, kSaveTransmission, gammaC(), kReadConfig, kGoodbye}),
     {{FrameKind::Hello, kHello},
      {FrameKind::Command, kSizeQuery},
      {FrameKind::Command, kSaveTransmission},
      {FrameKind::Command, gammaC()},
      {FrameKind::Command, kReadConfig},
      {FrameKind::Goodbye, kGoodbye}}},
};

const std::vector<std::vector<std::size_t>> kPieceSizes{{1000}, {1}, {2}, {3}, {5, 1}, {7}, {1, 13, 2}};

class FrameParser : public ::testing::TestWithParam<ParseCase> {};

TEST_P(FrameParser, FindsTheSameFramesAndRepliesHoweverTheBytesArePieced)
{
    const ParseCase& c = GetParam();
    Bytes wholeReplies;
    for (const auto& sizes : kPieceSizes) {
        DisplaySimulator sim;
        const Bytes replies = feedInPieces(sim, c.input, sizes);
        const std::vector<Entry> got = entries(sim);
        ASSERT_EQ(got.size(), c.expected.size()) << "pieces of " << sizes[0];
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].kind, c.expected[i].kind) << "entry " << i << ", pieces of " << sizes[0];
            EXPECT_EQ(got[i].raw, c.expected[i].raw) << "entry " << i << ", pieces of " << sizes[0];
        }
        if (sizes == kPieceSizes.front())
            wholeReplies = replies;
        EXPECT_EQ(replies, wholeReplies) << "pieces of " << sizes[0];
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, FrameParser, ::testing::ValuesIn(kParseCases));

TEST(FrameParserCounters, CountsHellosGoodbyesAndGarbageBytes)
{
    DisplaySimulator sim;
    const Bytes stream = concat({kHello, {0x11, 0x22}, kHello, kGoodbye});
    sim.feed(stream);
    const DisplayState s = sim.state();
    EXPECT_EQ(s.hellos, 2);
    EXPECT_EQ(s.goodbyes, 1);
    EXPECT_EQ(s.garbageBytes, 2);
    EXPECT_EQ(sim.frameCount(), 3u);
}

TEST(FrameParserLog, StampsEntriesWithNonDecreasingTimes)
{
    DisplaySimulator sim;
    sim.feed(kHello);
    sim.feed(kSizeQuery);
    const auto log = sim.log();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_LE(log[0].timeMs, log[1].timeMs);
    EXPECT_EQ(log[0].name, "hello");
    EXPECT_EQ(log[1].name, "size query");
}

TEST(FrameParserLine, StartLineForgetsAFrameCutOffByTheOldLine)
{
    DisplaySimulator sim;
    sim.feed(Bytes{0xA6, 0x02});
    sim.startLine();
    sim.feed(kSizeQuery);
    const auto log = sim.log();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].raw, kSizeQuery);
}

TEST(FrameParserObserver, SeesEveryEntryInOrder)
{
    DisplaySimulator sim;
    std::vector<std::string> seen;
    sim.setObserver([&](const FrameRecord& r) { seen.push_back(r.name); });
    sim.feed(concat({kHello, {0x00}, kGoodbye}));
    EXPECT_EQ(seen, (std::vector<std::string>{"hello", "garbage", "goodbye"}));
}

}  // namespace

namespace {

TEST(FrameParserLog, KeepsOnlyTheNewestEntriesWhenLimited)
{
    SimulatorOptions options;
    options.logLimit = 2;
    DisplaySimulator sim(options);
    sim.feed(concat({kHello, kSizeQuery, kReadConfig, kGoodbye}));
    const auto log = sim.log();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].raw, kReadConfig);
    EXPECT_EQ(log[1].raw, kGoodbye);
    EXPECT_EQ(sim.frameCount(), 4u);
}

}  // namespace
