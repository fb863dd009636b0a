#include "tests/protocol/loop_fixture.h"

#include <QElapsedTimer>
#include <QTimer>

#include <stdexcept>

namespace {

using Bytes = std::vector<uint8_t>;

SimulatorOptions withVolumes(std::array<uint8_t, 4> disks, unsigned sdMb)
{
    SimulatorOptions o;
    o.volumes.diskMb = disks;
    o.volumes.sdMb = sdMb;
    return o;
}

class Connection : public LoopOverFakeLine {
protected:
    Connection() : LoopOverFakeLine(withVolumes({0, 10, 0, 0}, 4080)) {}
};

TEST_F(Connection, GreetsThenAsksForSizesHalfASecondLaterAndSaysGoodbye)
{
    script.step(
        "sizes shown", [&] { return sizesShown(); }, [&] { loop->requestExit(); });
    connectWith(script);

    ASSERT_TRUE(display.simulator().waitForFrames(3, std::chrono::milliseconds(2000)));
    const auto log = frames();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[0].raw, (Bytes{0xA1, 0x04, 0x34, 0x45, 0x56, 0x67}));
    EXPECT_EQ(log[1].raw, (Bytes{0xA6, 0x01, 0x20}));
    // The simulator stamps a frame when its thread reads it, to the millisecond; the hello may be
    // read a few milliseconds after it left, so allow that much on top of the 500 ms.
    EXPECT_GE(log[1].timeMs - log[0].timeMs, 495u);
    EXPECT_EQ(log.back().raw, (Bytes{0xAE, 0x00, 0x55}));
    EXPECT_EQ(log.size(), 3u);

    ASSERT_EQ(host.sizes.size(), 1u);
    EXPECT_EQ(host.sizes[0].disks, (std::array<uint8_t, 4>{0, 10, 0, 0}));
    EXPECT_EQ(host.sizes[0].sdMegabytes(), 4080u);
    EXPECT_EQ(host.panels[4], "1000");
    EXPECT_EQ(host.panels[5], "6");
    EXPECT_EQ(host.pagesEnabled, 1);
    EXPECT_EQ(host.pagesShown, 1);
    EXPECT_FALSE(host.chipVisible) << "the port is closed after Exit";
    EXPECT_EQ(host.panels[0], "Disconnected");
    EXPECT_TRUE(host.errors.empty());
    EXPECT_FALSE(comm.Active());
}

class SplitReply : public LoopOverFakeLine {
protected:
    static SimulatorOptions options()
    {
        SimulatorOptions o = withVolumes({1, 2, 3, 4}, 160);
        o.failures.enable(FailureMode::SplitReplies);
        o.failures.splitPieces = 3;
        o.failures.splitPause = std::chrono::milliseconds(60);
        return o;
    }
    SplitReply() : LoopOverFakeLine(options()) {}
};

TEST_F(SplitReply, ReplyInPiecesIsDecodedOnceWhenComplete)
{
    // The simulator records a piece right after writing it and only then pauses before the next,
    // so while its record is short of six bytes the last piece cannot have reached the loop.
    size_t decodedWhilePieces = 99;
    int32_t stateWhilePieces = -1;
    script
        .step(
            "first piece on the line",
            [&] {
                const size_t n = line.sentBytes().size();
                return n >= 2 && n < 6;
            },
            [&] {
                decodedWhilePieces = host.sizes.size();
                stateWhilePieces = loop->state();
            })
        .step(
            "sizes shown", [&] { return sizesShown(); }, [&] { loop->requestExit(); });
    connectWith(script);

    EXPECT_EQ(decodedWhilePieces, 0u) << "decoded before the last piece had arrived";
    EXPECT_EQ(stateWhilePieces, 1);
    ASSERT_EQ(host.sizes.size(), 1u);
    EXPECT_EQ(host.sizes[0].disks, (std::array<uint8_t, 4>{1, 2, 3, 4}));
    EXPECT_EQ(host.sizes[0].sdMegabytes(), 160u);
}

class SilentDisplay : public LoopOverFakeLine {
protected:
    static SimulatorOptions options()
    {
        SimulatorOptions o;
        o.failures.enable(FailureMode::Silent);
        return o;
    }
    SilentDisplay() : LoopOverFakeLine(options()) {}
};

TEST_F(SilentDisplay, ExitWhileAReplyIsAwaitedSendsTheGoodbyeAtOnce)
{
    QElapsedTimer sinceExit;
    script
        .step(
            "size query sent", [&] { return countFrames("size query") == 1; }, [] {}, 3000)
        .step(
            "still waiting a while", [&] { return loop->state() == 1 && host.panels[4] == "1"; },
            [&] {
                sinceExit.start();
                loop->requestExit();
            });
    connectWith(script);

    ASSERT_TRUE(display.simulator().waitForFrames(3, std::chrono::milliseconds(2000)));
    EXPECT_LT(sinceExit.elapsed(), 1000);
    EXPECT_EQ(frames().back().raw, (Bytes{0xAE, 0x00, 0x55}));
    EXPECT_TRUE(host.sizes.empty());
    EXPECT_FALSE(comm.Active());
}

TEST_F(Connection, NoUsablePortCountsAttemptsUntilExit)
{
    comm.SetComPortNo(200);  // the map lacks it and there is no /dev/ttyS199
    script.step(
        "three attempts", [&] { return host.panels[0] == "try connect 3"; }, [&] { loop->requestExit(); });
    connectWith(script);

    ASSERT_GE(host.panel0History.size(), 4u);
    ASSERT_EQ(host.panel0History.back(), "Disconnected");
    host.panel0History.pop_back();
    for (size_t i = 0; i < host.panel0History.size(); ++i)
        EXPECT_EQ(host.panel0History[i], QStringLiteral("try connect %1").arg(i + 1));
    EXPECT_TRUE(host.failureReason.contains("No such file or directory")) << host.failureReason.toStdString();
    EXPECT_TRUE(host.failureReason.contains("COM200")) << host.failureReason.toStdString();
    EXPECT_EQ(host.pagesShown, 0);
    EXPECT_FALSE(host.chipVisible) << "no port was ever open";
    EXPECT_EQ(host.panels[0], "Disconnected");
    EXPECT_EQ(host.panels[1], "Cannot open COM200: No such file or directory");
    EXPECT_TRUE(line.receivedBytes().empty());
    EXPECT_FALSE(comm.Active());
}

TEST_F(Connection, SecondConnectWhileConnectedGreetsAgainAndOneExitEndsBoth)
{
    script
        .step(
            "first sizes", [&] { return sizesShown(1); }, [&] { QTimer::singleShot(0, [&] { loop->connectAndRun(); }); })
        .step(
            "nested loop running", [&] { return loop->runDepth() == 2; }, [] {})
        .step(
            "second sizes", [&] { return sizesShown(2); }, [&] { loop->requestExit(); });
    connectWith(script);

    EXPECT_EQ(loop->runDepth(), 0);
    ASSERT_TRUE(display.simulator().waitForFrames(5, std::chrono::milliseconds(2000)));
    EXPECT_EQ(countFrames("hello"), 2u);
    EXPECT_EQ(countFrames("goodbye"), 1u);
    EXPECT_FALSE(comm.Active());
}

TEST_F(Connection, ErrorInAStepEndsTheLoopWithoutGoodbyeAndIsReported)
{
    loop->registerStep(777, []() -> ProtocolLoop::StepResult { throw std::runtime_error("the file vanished"); });
    script.step(
        "sizes shown", [&] { return sizesShown(); }, [&] { loop->request(777); });
    connectWith(script);

    ASSERT_EQ(host.errors.size(), 1u);
    EXPECT_EQ(host.errors[0], "the file vanished");
    EXPECT_EQ(countFrames("goodbye"), 0u);
    EXPECT_TRUE(comm.Active()) << "the port stays open after an error in a step";
    EXPECT_EQ(loop->runDepth(), 0);
}

// A step that only waits must not make the loop spin: one waiting for bytes sleeps until the
// receive thread counts some (none come here), one waiting for a file re-checks every 100 ms.
TEST_F(Connection, WaitingStepsSleepInsteadOfSpinning)
{
    struct Case {
        const char* name;
        ProtocolLoop::StepResult result;
        int maxPasses;  // in 600 ms
    };
    for (const Case& c : {Case{"waits for input", ProtocolLoop::StepResult::WaitForInput, 3},
                          Case{"waits for a timer", ProtocolLoop::StepResult::WaitForTimer, 9}}) {
        SCOPED_TRACE(c.name);
        int passes = 0;
        loop->registerStep(778, [&passes, &c] {
            ++passes;
            return c.result;
        });
        ScriptedSteps steps{[this] { loop->requestExit(); }};
        // Once the script has finished its timer stops, so nothing but the step's own wait wakes the loop.
        steps.step(
            "sizes shown", [&] { return sizesShown(); },
            [&] {
                loop->request(778);
                QTimer::singleShot(600, [this] { loop->requestExit(); });
            });
        connectWith(steps);
        EXPECT_GE(passes, 1);
        EXPECT_LE(passes, c.maxPasses);
        host.sizes.clear();
    }
}

// Steps that act follow each other without a round of events in between, but never for long:
// a timer due during an endless run of acting steps still fires, and the run goes on meanwhile.
TEST_F(Connection, AnEndlessRunOfActingStepsStillLetsHandlersRun)
{
    int passes = 0;
    int passesWhenTimerFired = -1;
    bool starved = false;
    QElapsedTimer clock;
    loop->registerStep(779, [&] {
        ++passes;
        if (clock.elapsed() > 5000 && !starved) {  // the timer below never came
            starved = true;
            loop->requestExit();
        }
        return ProtocolLoop::StepResult::Acted;
    });
    script.step(
        "sizes shown", [&] { return sizesShown(); },
        [&] {
            clock.start();
            loop->request(779);
            QTimer::singleShot(50, [&] {
                passesWhenTimerFired = passes;
                loop->requestExit();
            });
        });
    connectWith(script);
    EXPECT_FALSE(starved) << "a handler due during the run never ran";
    EXPECT_GT(passesWhenTimerFired, 1) << "the run of passes went on until the handler's turn";
}

TEST_F(Connection, RequestsStoredBeforeConnectAreNeverSent)
{
    loop->request(50, 0x1A);  // "Reboot" pressed while disconnected
    script.step(
        "sizes shown", [&] { return sizesShown(); }, [&] { loop->requestExit(); });
    connectWith(script);

    ASSERT_TRUE(display.simulator().waitForFrames(3, std::chrono::milliseconds(2000)));
    EXPECT_EQ(display.simulator().state().reboots, 0);
    EXPECT_EQ(countFrames("hello"), 1u);
}

class DroppedLine : public LoopOverFakeLine {
protected:
    static SimulatorOptions options()
    {
        SimulatorOptions o;
        o.failures.enable(FailureMode::DropLine);
        o.failures.dropAfterFrames = 2;  // the hello and the size query
        return o;
    }
    DroppedLine() : LoopOverFakeLine(options()) {}
};

TEST_F(DroppedLine, ALostLineIsReportedOnceAndSendsNothingMore)
{
    script
        .step(
            "sizes shown", [&] { return sizesShown(); }, [] {})
        .step(
            "line lost", [&] { return !comm.Active(); }, [] {})
        .step(
            "loss reported", [&] { return !host.panels[1].isEmpty(); }, [&] { loop->request(50, 0x1A); })
        .step(
            "request dropped", [&] { return loop->state() == 1000; }, [&] { loop->requestExit(); });
    connectWith(script);

    EXPECT_EQ(host.panels[1], "Connection to COM3 lost. Press \"Connect\" to connect again.");
    EXPECT_EQ(display.simulator().state().reboots, 0);
    EXPECT_TRUE(host.errors.empty());
}

}  // namespace
