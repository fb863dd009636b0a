// The emulated line: bytes take the time a baud rate and frame format give them, answers are held
// by the reply latency, and the transport records its own lateness and the shell's turnarounds.
// Only lower bounds on time are checked: the line may never be faster than it says.
#include <gtest/gtest.h>

#include <cstring>
#include <numeric>
#include <sys/resource.h>

#include "pty_client.h"
#include "sim/line_emulation.h"
#include "sim/line_records.h"
#include "sim/sim_pty_server.h"
#include "tests/support/runtime_dir_guard.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

constexpr auto kReplyBound = 5s;

struct FormatCase {
    const char* text;
    std::optional<unsigned> halfBits;
};

TEST(LineFormatTest, FrameFormatsCountStartDataParityAndStopBits)
{
    const std::vector<FormatCase> cases{
        {"8N2", 22u},          {"8N1", 20u},         {"7E1", 20u},          {"8O1.5", 23u},
        {"5N1", 14u},          {"8m2", 24u},         {"9N1", std::nullopt}, {"8X1", std::nullopt},
        {"8N3", std::nullopt}, {"8N", std::nullopt}, {"", std::nullopt},    {"8N2x", std::nullopt},
    };
    for (const FormatCase& c : cases)
        EXPECT_EQ(parseFrameFormat(c.text), c.halfBits) << c.text;
}

TEST(LineFormatTest, TimesComeFromTheByteCountNotFromAddedUpSteps)
{
    const LineFormat line{921600, 22};
    EXPECT_EQ(line.nsFor(1), 11935);                                // 11 bits at 921600 baud: 11.9355 us
    EXPECT_EQ(line.nsFor(std::uint64_t{1} << 20), 12'515'555'555);  // 1 MiB: 12.52 s

    // A thousand one-byte puts while the line is busy make one burst, timed from its start.
    LineDirection direction(line);
    const std::int64_t start = 1'000'000'000;
    direction.put(start, 1);
    for (int i = 1; i < 1000; ++i)
        direction.put(start + i, 1);  // each handed over long before the line is free
    EXPECT_EQ(direction.freeAt(), start + line.nsFor(1000));
    EXPECT_NE(direction.freeAt(), start + 1000 * line.nsFor(1));  // what added-up steps would give

    // Bytes handed over after the line went idle start a new burst at their own time.
    const std::int64_t later = direction.freeAt() + 5'000'000;
    EXPECT_EQ(direction.put(later, 10), later);
    EXPECT_EQ(direction.byteTime(1), later + line.nsFor(1));
    EXPECT_EQ(direction.freeAt(), later + line.nsFor(10));
    // Bytes handed over while it is busy wait for it.
    EXPECT_EQ(direction.put(later + 1, 2), later + line.nsFor(10));
    EXPECT_EQ(direction.byteTime(2), later + line.nsFor(12));

    const LineFormat none;
    EXPECT_EQ(none.nsFor(1000), 0);
}

TEST(LineRecordsTest, SurviveTheirTextFormAndSumLatenessInAWindow)
{
    LineRecords r;
    r.wakeUps = {{100, 5}, {200, 7}, {300, 11}};
    r.turnarounds = {{150, 180, 5}};
    r.totalLateNs = 23;
    r.writes = 3;
    r.bytesRead = 10;
    r.bytesWritten = 6;
    const auto back = parseLineRecords(formatLineRecords(r));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->wakeUps.size(), 3u);
    EXPECT_EQ(back->wakeUps[2].lateNs, 11);
    ASSERT_EQ(back->turnarounds.size(), 1u);
    EXPECT_EQ(back->turnarounds[0].nextReadNs, 180);
    EXPECT_EQ(back->turnarounds[0].answered, 5);
    EXPECT_EQ(back->totalLateNs, 23);
    EXPECT_EQ(back->bytesWritten, 6u);
    EXPECT_EQ(back->latenessBetween(150, 300), 18);
    EXPECT_FALSE(parseLineRecords("wake 1\n"));
    EXPECT_FALSE(parseLineRecords("nonsense\n"));
}

std::int64_t cpuNs()
{
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return (std::int64_t{u.ru_utime.tv_sec} + u.ru_stime.tv_sec) * 1'000'000'000
        + (std::int64_t{u.ru_utime.tv_usec} + u.ru_stime.tv_usec) * 1000;
}

class EmulatedLineTest : public ::testing::Test {
protected:
    static SimPtyServerOptions at(unsigned baud, std::chrono::milliseconds latency = 0ms)
    {
        SimPtyServerOptions o;
        o.line = LineFormat{baud, 22};
        o.replyLatency = latency;
        return o;
    }
    RuntimeDirGuard runtimeDir;
};

const Bytes kOpen{0xAA, 0x02, '/', 'a'};

Bytes block250(std::uint8_t seed)
{
    Bytes b{0xAB, 250};
    for (int i = 0; i < 250; ++i)
        b.push_back(static_cast<std::uint8_t>(seed + i * 3));
    return b;
}

std::uint8_t dataSum(const Bytes& frame)
{
    return static_cast<std::uint8_t>(std::accumulate(frame.begin() + 2, frame.end(), 0u));
}

TEST_F(EmulatedLineTest, ABlockIsAnsweredNoSoonerThanItAndItsAnswerCanCrossTheLine)
{
    for (auto latency : {0ms, 40ms}) {
        SCOPED_TRACE(latency.count());
        const SimPtyServerOptions o = at(115200, latency);
        SimPtyServer server(o);
        server.start();
        PtyClient shell(server.slavePath());
        ASSERT_TRUE(shell.isOpen());
        shell.send(kOpen);
        ASSERT_EQ(shell.receive(2, kReplyBound), (Bytes{0xAA, 0x00}));

        const Bytes block = block250(1);
        const std::int64_t sent = steadyNowNs();
        shell.send(block);
        EXPECT_EQ(shell.receive(2, kReplyBound), (Bytes{0xAB, dataSum(block)}));
        const std::int64_t answered = steadyNowNs();
        // The block crosses, then the answer crosses back (each timed whole), then the latency.
        const std::int64_t least = o.line.nsFor(block.size()) + o.line.nsFor(2) + std::chrono::nanoseconds(latency).count();
        EXPECT_GE(answered - sent, least);

        // The answer's write was due exactly that long after the block's first byte was read.
        const LineRecords r = server.lineRecords();
        ASSERT_EQ(r.wakeUps.size(), 2u);
        ASSERT_EQ(r.turnarounds.size(), 1u);
        const std::int64_t firstRead = r.turnarounds[0].nextReadNs;
        EXPECT_GE(firstRead, sent);
        EXPECT_GE(r.wakeUps[1].dueNs, firstRead + least);
        EXPECT_GE(r.wakeUps[1].lateNs, 0);
        EXPECT_EQ(r.writes, 2u);
        EXPECT_EQ(r.bytesWritten, 4u);
        EXPECT_EQ(r.bytesRead, kOpen.size() + block.size());
        server.stop();
    }
}

TEST_F(EmulatedLineTest, TurnaroundsRunFromAnAnswerToTheNextBytesOfTheShell)
{
    SimPtyServer server(at(921600));
    server.start();
    PtyClient shell(server.slavePath());
    ASSERT_TRUE(shell.isOpen());
    shell.send(kOpen);
    ASSERT_EQ(shell.receive(2, kReplyBound).size(), 2u);
    std::vector<std::pair<std::int64_t, std::int64_t>> shellSide;  // (answer read, next frame sent)
    for (std::uint8_t k = 0; k < 3; ++k) {
        const std::int64_t before = steadyNowNs();
        shell.send(block250(k));
        ASSERT_EQ(shell.receive(2, kReplyBound).size(), 2u);
        shellSide.emplace_back(before, steadyNowNs());
        std::this_thread::sleep_for(20ms);  // a slow shell
    }
    shell.send({0xAC, 0x00});
    ASSERT_EQ(shell.receive(2, kReplyBound), (Bytes{0xAC, 0x00}));

    const LineRecords r = server.lineRecords();
    ASSERT_EQ(r.turnarounds.size(), 4u);  // after the open and after each block
    for (std::size_t i = 0; i < r.turnarounds.size(); ++i) {
        const TurnaroundRecord& t = r.turnarounds[i];
        EXPECT_EQ(t.answered, static_cast<int>(i == 0 ? FrameKind::SdOpen : FrameKind::SdBlock));
        EXPECT_LE(t.answerWrittenNs, t.nextReadNs);
        if (i > 0) {
            // Written before the shell had it, read after the shell slept 20 ms.
            EXPECT_LE(t.answerWrittenNs, shellSide[i - 1].second);
            EXPECT_GE(t.nextReadNs - t.answerWrittenNs, 20'000'000);
        }
    }
}

TEST_F(EmulatedLineTest, TheRawEchoComesBackWholeAtTheLinesPace)
{
    SimPtyServerOptions o = at(115200);
    o.rawEcho = true;
    SimPtyServer server(o);
    server.start();
    PtyClient shell(server.slavePath());
    ASSERT_TRUE(shell.isOpen());
    Bytes stream(3000);
    for (std::size_t i = 0; i < stream.size(); ++i)
        stream[i] = static_cast<std::uint8_t>(i * 13 + 7);  // frame markers included: none is acted on
    const std::int64_t sent = steadyNowNs();
    shell.send(stream);
    EXPECT_EQ(shell.receive(stream.size(), kReplyBound), stream);
    EXPECT_GE(steadyNowNs() - sent, o.line.nsFor(stream.size()));
    EXPECT_EQ(server.simulator().frameCount(), 0u);
    EXPECT_GT(server.lineRecords().writes, 1u);  // in pieces, not all at the end
}

TEST_F(EmulatedLineTest, WaitingForADueTimeSleepsInsteadOfSpinning)
{
    SimPtyServer server(at(921600, 400ms));
    server.start();
    PtyClient shell(server.slavePath());
    ASSERT_TRUE(shell.isOpen());
    const std::int64_t cpuBefore = cpuNs();
    const std::int64_t before = steadyNowNs();
    shell.send(kOpen);
    EXPECT_EQ(shell.receive(2, kReplyBound), (Bytes{0xAA, 0x00}));
    EXPECT_GE(steadyNowNs() - before, 400'000'000);
    // A spinning simulator would have burnt most of the 400 ms.
    EXPECT_LT(cpuNs() - cpuBefore, 100'000'000);
}

// Each fault aimed at block 2 of the first file, as it shows on a real line.
TEST_F(EmulatedLineTest, EveryFaultAimedAtOneBlockShowsOnTheLine)
{
    for (bool emulated : {false, true}) {
        for (FailureMode mode : kAllFailureModes) {
            SCOPED_TRACE(std::string(failureModeName(mode)) + (emulated ? " on an emulated line" : ""));
            SimPtyServerOptions o = at(emulated ? 921600 : 0);
            o.simulator.failures.enable(mode).at(1, 2);
            o.simulator.failures.splitPieces = 2;
            o.simulator.failures.splitPause = 100ms;
            o.simulator.failures.replyDelay = 150ms;
            o.simulator.failures.garbageBytes = 3;
            SimPtyServer server(o);
            server.start();
            PtyClient shell(server.slavePath());
            ASSERT_TRUE(shell.isOpen());
            shell.send(kOpen);
            ASSERT_EQ(shell.receive(2, kReplyBound), (Bytes{0xAA, 0x00}));
            const Bytes first = block250(1);
            shell.send(first);
            ASSERT_EQ(shell.receive(2, kReplyBound), (Bytes{0xAB, dataSum(first)}));

            const Bytes second = block250(2);
            const Bytes right{0xAB, dataSum(second)};
            const auto sentAt = std::chrono::steady_clock::now();
            shell.send(second);
            switch (mode) {
            case FailureMode::SplitReplies:
                EXPECT_EQ(shell.receive(1, kReplyBound), Bytes{0xAB});
                EXPECT_TRUE(shell.receiveFor(20ms).empty());
                EXPECT_EQ(shell.receive(1, kReplyBound), Bytes{right[1]});
                break;
            case FailureMode::DelayReplies:
                EXPECT_EQ(shell.receive(2, kReplyBound), right);
                EXPECT_GE(std::chrono::steady_clock::now() - sentAt, 150ms);
                break;
            case FailureMode::Silent:
                EXPECT_TRUE(shell.receiveFor(300ms).empty());
                break;
            case FailureMode::GarbageBeforeReply: {
                const Bytes got = shell.receive(5, kReplyBound);
                ASSERT_EQ(got.size(), 5u);
                EXPECT_EQ(Bytes(got.begin() + 3, got.end()), right);
                break;
            }
            case FailureMode::DropLine:
                EXPECT_EQ(shell.receive(2, kReplyBound), right);
                EXPECT_TRUE(shell.waitForHangup(kReplyBound));
                break;
            case FailureMode::WrongSum:
                EXPECT_EQ(shell.receive(2, kReplyBound), (Bytes{0xAB, static_cast<std::uint8_t>(right[1] + 1)}));
                break;
            }
            if (mode != FailureMode::DropLine) {
                // The next block is answered plainly.
                const Bytes third = block250(3);
                shell.send(third);
                EXPECT_EQ(shell.receive(2, kReplyBound), (Bytes{0xAB, dataSum(third)}));
            }
            server.stop();
        }
    }
}

}  // namespace
