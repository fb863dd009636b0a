// The simulator served over a real pseudo-terminal.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <thread>
#include <unistd.h>

#include "pty_client.h"
#include "tests/support/runtime_dir_guard.h"
#include "serial/port_links.h"
#include "sim/sim_pty_server.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

// Upper bound of every wait for bytes that should come; a fault fails fast instead of hanging.
constexpr auto kReplyBound = 3s;
// How long to listen for bytes that should not come.
constexpr auto kQuietWindow = 300ms;

const Bytes kHello{0xA1, 0x04, 0x34, 0x45, 0x56, 0x67};
const Bytes kSizeQuery{0xA6, 0x01, 0x20};
const Bytes kReadConfig{0xA6, 0x01, 0x18};
const Bytes kGoodbye{0xAE, 0x00, 0x55};
const Bytes kSizeReply{0x20, 0, 10, 10, 0, 64};

class SimPtyServerTest : public ::testing::Test {
protected:
    RuntimeDirGuard runtimeDir;
};

TEST_F(SimPtyServerTest, AnswersTheSizeQueryAndRecordsTheExactByteStreams)
{
    SimPtyServer server;
    server.start();
    PtyClient shell(server.slavePath());
    ASSERT_TRUE(shell.isOpen()) << std::strerror(shell.error());

    shell.send(kHello);
    shell.send(kSizeQuery);
    EXPECT_EQ(shell.receive(6, kReplyBound), kSizeReply);
    shell.send(kReadConfig);
    EXPECT_EQ(shell.receive(28, kReplyBound).size(), 28u);
    shell.send(kGoodbye);
    ASSERT_TRUE(server.simulator().waitForFrames(4, kReplyBound));

    Bytes sentByShell = kHello;
    for (const Bytes* b : {&kSizeQuery, &kReadConfig, &kGoodbye})
        sentByShell.insert(sentByShell.end(), b->begin(), b->end());
    EXPECT_EQ(server.receivedBytes(), sentByShell);
    const Bytes sent = server.sentBytes();
    ASSERT_EQ(sent.size(), 6u + 28u);
    EXPECT_EQ(Bytes(sent.begin(), sent.begin() + 6), kSizeReply);
    const DisplayState s = server.simulator().state();
    EXPECT_EQ(s.hellos, 1);
    EXPECT_EQ(s.goodbyes, 1);
}

TEST_F(SimPtyServerTest, TheLineIsEightBitCleanWithoutEcho)
{
    SimPtyServer server;
    server.start();
    PtyClient shell(server.slavePath());
    ASSERT_TRUE(shell.isOpen());
    // Bytes a cooked terminal would translate, swallow or echo: CR, NL, ^C, ^D, ^S, ^Q, DEL, 0xFF.
    Bytes save{0xA6, 0x1B, 0x16};
    for (std::uint8_t b : {0x0D, 0x0A, 0x03, 0x04, 0x13, 0x11, 0x7F, 0xFF, 0x00, 0x1A, 0x1C, 0x15, 0x17})
        save.push_back(b);
    save.resize(3 + 26, 0x0A);
    shell.send(save);
    shell.send(kReadConfig);
    const Bytes reply = shell.receive(28, kReplyBound);
    ASSERT_EQ(reply.size(), 28u);
    EXPECT_EQ(Bytes(reply.begin() + 2, reply.end()), Bytes(save.begin() + 3, save.end()));
    EXPECT_TRUE(shell.receiveFor(kQuietWindow).empty()) << "nothing is echoed";
    EXPECT_EQ(server.receivedBytes().size(), save.size() + kReadConfig.size());
}

TEST_F(SimPtyServerTest, KeepsServingWhenTheShellClosesAndReopensThePort)
{
    SimPtyServer server;
    server.start();
    for (int opening = 0; opening < 3; ++opening) {
        PtyClient shell(server.slavePath());
        ASSERT_TRUE(shell.isOpen()) << "opening " << opening << ": " << std::strerror(shell.error());
        shell.send(kSizeQuery);
        EXPECT_EQ(shell.receive(6, kReplyBound), kSizeReply) << "opening " << opening;
    }
    EXPECT_EQ(server.simulator().state().commandCounts[0x20], 3);
    EXPECT_TRUE(server.lastError().empty());
}

TEST_F(SimPtyServerTest, StopHangsUpTheShellsSide)
{
    SimPtyServer server;
    server.start();
    PtyClient shell(server.slavePath());
    ASSERT_TRUE(shell.isOpen());
    server.stop();
    EXPECT_FALSE(server.running());
    EXPECT_TRUE(shell.waitForHangup(kReplyBound));
}

TEST_F(SimPtyServerTest, EveryFailureModeIsVisibleOnTheLine)
{
    for (FailureMode mode : kAllFailureModes) {
        SCOPED_TRACE(std::string(failureModeName(mode)));
        SimPtyServerOptions options;
        options.simulator.failures.enable(mode);
        options.simulator.failures.splitPieces = 3;
        options.simulator.failures.splitPause = 60ms;
        options.simulator.failures.replyDelay = 250ms;
        options.simulator.failures.garbageBytes = 4;
        options.simulator.failures.dropAfterFrames = 1;
        SimPtyServer server(options);
        server.start();
        const std::string firstLine = server.slavePath();
        PtyClient shell(firstLine);
        ASSERT_TRUE(shell.isOpen());

        const auto sentAt = std::chrono::steady_clock::now();
        shell.send(kSizeQuery);
        switch (mode) {
        case FailureMode::SplitReplies: {
            // The first piece arrives on its own; the rest only after the pauses between pieces.
            const Bytes first = shell.receive(2, kReplyBound);
            const auto firstAt = std::chrono::steady_clock::now();
            EXPECT_EQ(first, Bytes(kSizeReply.begin(), kSizeReply.begin() + 2));
            const Bytes rest = shell.receive(4, kReplyBound);
            EXPECT_EQ(rest, Bytes(kSizeReply.begin() + 2, kSizeReply.end()));
            EXPECT_GE(std::chrono::steady_clock::now() - firstAt, 2 * 60ms - 10ms);
            break;
        }
        case FailureMode::DelayReplies:
            EXPECT_EQ(shell.receive(6, kReplyBound), kSizeReply);
            EXPECT_GE(std::chrono::steady_clock::now() - sentAt, 250ms);
            break;
        case FailureMode::Silent:
            ASSERT_TRUE(server.simulator().waitForFrames(1, kReplyBound));
            EXPECT_TRUE(shell.receiveFor(kQuietWindow).empty());
            break;
        case FailureMode::GarbageBeforeReply: {
            const Bytes got = shell.receive(10, kReplyBound);
            ASSERT_EQ(got.size(), 10u);
            EXPECT_EQ(Bytes(got.begin() + 4, got.end()), kSizeReply);
            break;
        }
        case FailureMode::DropLine: {
            EXPECT_EQ(shell.receive(6, kReplyBound), kSizeReply);
            EXPECT_TRUE(shell.waitForHangup(kReplyBound));
            // A new line is opened at once; the shell can connect again.
            const auto until = std::chrono::steady_clock::now() + kReplyBound;
            while (server.linesDropped() < 1 && std::chrono::steady_clock::now() < until)
                std::this_thread::sleep_for(5ms);
            ASSERT_EQ(server.linesDropped(), 1);
            PtyClient again(server.slavePath());
            ASSERT_TRUE(again.isOpen()) << std::strerror(again.error());
            again.send(kSizeQuery);
            EXPECT_EQ(again.receive(6, kReplyBound), kSizeReply);
            EXPECT_TRUE(again.waitForHangup(kReplyBound));
            break;
        }
        case FailureMode::WrongSum:
            EXPECT_EQ(shell.receive(6, kReplyBound), kSizeReply);
            shell.send({0xAB, 0x03, 'a', 'b', 'c'});
            EXPECT_EQ(shell.receive(2, kReplyBound), (Bytes{0xAB, 0x27}));  // 0x26 is right
            break;
        }
        server.stop();
    }
}

TEST_F(SimPtyServerTest, StopDoesNotWaitForAPendingDelay)
{
    SimPtyServerOptions options;
    options.simulator.failures.enable(FailureMode::DelayReplies).replyDelay = 60s;
    SimPtyServer server(options);
    server.start();
    PtyClient shell(server.slavePath());
    shell.send(kSizeQuery);
    ASSERT_TRUE(server.simulator().waitForFrames(1, kReplyBound));
    const auto before = std::chrono::steady_clock::now();
    server.stop();
    EXPECT_LT(std::chrono::steady_clock::now() - before, kReplyBound);
    EXPECT_TRUE(server.sentBytes().empty());
}

std::string linkTarget(const std::string& path)
{
    std::error_code ec;
    return fs::read_symlink(path, ec).string();
}

TEST_F(SimPtyServerTest, RegistersThePortLinkAndRemovesItWhenStopped)
{
    SimPtyServerOptions options;
    options.registerLink = true;
    options.portNumber = 7;
    SimPtyServer server(options);
    server.start();
    const std::string link = portLinksFolder() + "/COM7";
    EXPECT_EQ(server.linkPath(), link);
    EXPECT_EQ(link.rfind(runtimeDir.path(), 0), 0u) << "inside the test's own runtime folder";
    EXPECT_EQ(linkTarget(link), server.slavePath());

    PtyClient shell(link);
    ASSERT_TRUE(shell.isOpen());
    shell.send(kSizeQuery);
    EXPECT_EQ(shell.receive(6, kReplyBound), kSizeReply);

    server.stop();
    EXPECT_FALSE(fs::is_symlink(link));
    EXPECT_TRUE(server.linkPath().empty());
}

TEST_F(SimPtyServerTest, ReplacesAStaleLinkButNeverALiveOne)
{
    ASSERT_TRUE(ensurePortLinksFolder());
    const std::string link = portLinksFolder() + "/COM3";
    SimPtyServerOptions options;
    options.registerLink = true;

    fs::create_symlink("/dev/pts/this-one-is-gone", link);
    {
        SimPtyServer server(options);
        server.start();
        EXPECT_EQ(linkTarget(link), server.slavePath());
    }
    EXPECT_FALSE(fs::is_symlink(link));

    fs::create_symlink("/dev/null", link);
    SimPtyServer server(options);
    try {
        server.start();
        FAIL() << "a live link was taken over";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("COM3 is already in use"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(server.running());
    EXPECT_EQ(linkTarget(link), "/dev/null");
}

TEST_F(SimPtyServerTest, ADroppedLineMovesThePortLinkToTheNewLine)
{
    SimPtyServerOptions options;
    options.registerLink = true;
    options.simulator.failures.enable(FailureMode::DropLine).dropAfterFrames = 2;
    SimPtyServer server(options);
    server.start();
    const std::string link = server.linkPath();
    {
        PtyClient shell(link);
        ASSERT_TRUE(shell.isOpen());
        shell.send(kHello);
        shell.send(kSizeQuery);
        EXPECT_EQ(shell.receive(6, kReplyBound), kSizeReply);
        EXPECT_TRUE(shell.waitForHangup(kReplyBound));
    }
    const auto until = std::chrono::steady_clock::now() + kReplyBound;
    while (server.linesDropped() < 1 && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(5ms);
    ASSERT_EQ(server.linesDropped(), 1);
    EXPECT_EQ(linkTarget(link), server.slavePath());
    PtyClient shell(link);
    ASSERT_TRUE(shell.isOpen());
    shell.send(kHello);
    shell.send(kSizeQuery);
    EXPECT_EQ(shell.receive(6, kReplyBound), kSizeReply);
}

}  // namespace
