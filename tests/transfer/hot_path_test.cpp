// The next block follows an acknowledgement without the window's thread, and once Stop or Exit
// has ended a transfer nothing more of it leaves.
#include "tests/transfer/transfer_fixture.h"

#include <QElapsedTimer>

#include <chrono>
#include <set>
#include <thread>

using namespace std::chrono_literals;

class HotPathTest : public TransferOverFakeLine {};

// The window's thread is held for 200 ms in the middle of a file: acknowledgements that arrive
// meanwhile are answered with the next block all the same, and the file arrives whole.
TEST_F(HotPathTest, AnAcknowledgementLeadsToTheNextBlockWhileTheWindowIsBusy)
{
    struct Case {
        const char* name;
        uint8_t blockMarker;
    };
    for (const Case c : {Case{"sd", 0xAB}, Case{"flash", 0xA4}}) {
        SCOPED_TRACE(c.name);
        ScriptedDisplay::Behaviour b;
        b.pieceGap = 5ms;  // each acknowledgement takes a little while, so the file lasts
        start(b);
        const QByteArray bytes = writeFile(QStringLiteral("big.bin"), 60 * 1024);
        transferHost.fileNames = QStringList{QStringLiteral("big.bin")};
        bool followed = false;
        run([&](ScriptedSteps& s) {
            s.act("send", [&] {
                if (c.blockMarker == 0xAB)
                    sd->loadPacket(QStringLiteral("/"), transferHost.pcFolder);
                else
                    flash->send(QDir(folder.path()).filePath(QStringLiteral("big.bin")), 1);
            });
            s.step(
                "a block out", [&] { return display->countFrames(c.blockMarker) >= 2; },
                [&] {
                    const size_t before = display->countFrames(c.blockMarker);
                    // The window's thread is busy here; the next block must not wait for it.
                    followed = display->waitForFrames(c.blockMarker, before + 1, 200ms);
                    std::this_thread::sleep_for(50ms);
                });
            s.step(
                "transfer over", [&] { return loop->state() == State::kIdle; }, [] {}, 20000);
        });
        EXPECT_TRUE(followed);
        if (c.blockMarker == 0xAB) {
            ASSERT_EQ(display->sdFiles().size(), 1u);
            EXPECT_EQ(bytesOf(display->sdFiles()[0].data), bytes);
            EXPECT_EQ(transferHost.panels[1], QStringLiteral("Files is loaded to SD..."));
        } else {
            ASSERT_EQ(display->flashImages().size(), 1u);
            EXPECT_EQ(bytesOf(display->flashImages()[0].data).left(bytes.size()), bytes);
            EXPECT_EQ(transferHost.panels[1], QStringLiteral("File big.bin written"));
        }
        TearDown();
    }
}

// While acknowledgements are answered on the reading thread, the window's thread hears of the
// file's progress now and then, not once per block (each wake-up there costs a pass, and on a
// laptop, battery); it still sees the progress move during the file and the end at once.
TEST_F(HotPathTest, TheWindowIsWokenForProgressAtABoundedRateNotPerBlock)
{
    ScriptedDisplay::Behaviour b;
    b.pieceGap = 4ms;
    start(b);
    const QByteArray bytes = writeFile(QStringLiteral("big.bin"), 40 * 1024);
    transferHost.fileNames = QStringList{QStringLiteral("big.bin")};
    int passesAtFirstBlock = -1;
    int passesAtEnd = -1;
    std::set<int32_t> positionsSeen;
    QObject::connect(loop.get(), &ProtocolLoop::passDone, [&] {
        if (passesAtFirstBlock >= 0 && passesAtEnd < 0)
            positionsSeen.insert(transferHost.progressPosition);
    });
    run([&](ScriptedSteps& s) {
        s.setInterval(100);  // the script's own ticks wake the loop too
        s.act("send", [&] { sd->loadPacket(QStringLiteral("/"), transferHost.pcFolder); });
        s.step(
            "first block out", [&] { return display->countFrames(0xAB) >= 1; }, [&] { passesAtFirstBlock = passes; });
        s.step(
            "last block out", [&] { return display->countFrames(0xAB) >= 164; }, [&] { passesAtEnd = passes; }, 20000);
        s.step(
            "transfer over", [&] { return loop->state() == State::kIdle; }, [] {}, 20000);
    });
    ASSERT_EQ(display->sdFiles().size(), 1u);
    EXPECT_EQ(bytesOf(display->sdFiles()[0].data), bytes);
    const int blocks = 164;  // 40 KiB in blocks of 250 bytes
    EXPECT_LT(passesAtEnd - passesAtFirstBlock, blocks / 3) << "the window's thread ran a pass per block";
    EXPECT_GE(positionsSeen.size(), 3u) << "the progress did not move while the file went";
    EXPECT_EQ(transferHost.panels[1], QStringLiteral("Files is loaded to SD..."));
}

// Stop or Exit while the transfer waits at each of its steps: from the moment the request has
// been handled, no further byte of the transfer is handed to the port (Exit's goodbye aside),
// however many acknowledgements are still on their way.
TEST_F(HotPathTest, AfterStopOrExitNoFurtherBlockLeavesAtAnyStep)
{
    enum class End { Stop, Exit, LineLost };
    struct Case {
        const char* name;
        bool sd;
        int32_t state;  // the step the transfer waits in
        size_t blocks;  // ... once this many block frames have arrived
        End end;
    };
    const Case cases[] = {
        {"sd open, stop", true, State::kSdOpenAck, 0, End::Stop},
        {"sd first block, stop", true, State::kSdBlockAck, 1, End::Stop},
        {"sd mid file, stop", true, State::kSdBlockAck, 5, End::Stop},
        {"sd close, stop", true, State::kSdCloseAck, 0, End::Stop},
        {"sd open, exit", true, State::kSdOpenAck, 0, End::Exit},
        {"sd mid file, exit", true, State::kSdBlockAck, 5, End::Exit},
        {"sd close, exit", true, State::kSdCloseAck, 0, End::Exit},
        {"flash open, stop", false, State::kFlashOpenAck, 0, End::Stop},
        {"flash mid image, stop", false, State::kFlashBlockAck, 3, End::Stop},
        {"flash open, exit", false, State::kFlashOpenAck, 0, End::Exit},
        {"flash mid image, exit", false, State::kFlashBlockAck, 3, End::Exit},
        {"sd mid file, line lost", true, State::kSdBlockAck, 5, End::LineLost},
        {"flash mid image, line lost", false, State::kFlashBlockAck, 3, End::LineLost},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedDisplay::Behaviour b;
        b.pieceGap = 20ms;  // every reply comes slowly enough to be caught waiting for it
        start(b);
        // The SD file is the second of the batch, so the close step is caught on the first.
        writeFile(QStringLiteral("a.bin"), c.state == State::kSdCloseAck ? 600 : 3000);
        writeFile(QStringLiteral("b.bin"), 3000);
        transferHost.fileNames = QStringList{QStringLiteral("a.bin"), QStringLiteral("b.bin")};
        const uint8_t marker = c.sd ? 0xAB : 0xA4;
        uint32_t sentAtEnd = 0;
        size_t receivedAtEnd = 0;
        QElapsedTimer sinceEnd;
        ScriptedSteps script{[this] { loop->requestExit(); }};
        script.step(
            "greeted", [this] { return idleAfterGreeting(); }, [] {});
        script.act("send", [&] {
            if (c.sd)
                sd->loadPacket(QStringLiteral("/"), transferHost.pcFolder);
            else
                flash->send(QDir(folder.path()).filePath(QStringLiteral("a.bin")), 2);
        });
        script.step(
            "waiting there", [&] { return loop->state() == c.state && display->countFrames(marker) >= c.blocks; },
            [&] {
                if (c.end == End::Stop)
                    loop->stopJob();
                else if (c.end == End::Exit)
                    loop->requestExit();
                else
                    line->hangUp();  // the cable pulled
                sentAtEnd = comm.TotalSent();
                receivedAtEnd = line->receivedBytes().size();
                sinceEnd.start();
            });
        if (c.end == End::Stop) {
            script.step(
                "a while", [&] { return sinceEnd.elapsed() > 150; },
                [&] {
                    EXPECT_EQ(comm.TotalSent(), sentAtEnd);
                    EXPECT_EQ(loop->state(), State::kIdle);
                    loop->requestExit();
                });
        }
        if (c.end == End::LineLost) {
            script.step(
                "loss noticed", [&] { return !comm.Active() && !loop->job().running(); }, [&] { loop->requestExit(); });
        }
        script.start();
        loop->connectAndRun();
        ASSERT_TRUE(script.finished()) << "stopped at: " << script.failedStep();
        std::this_thread::sleep_for(150ms);
        if (c.end == End::LineLost) {
            // Nothing reached the line after it went, and the file is marked where it stopped.
            EXPECT_EQ(line->receivedBytes().size(), receivedAtEnd);
            EXPECT_FALSE(loop->job().running());
            EXPECT_TRUE(host.panels[1].contains(QStringLiteral("lost"))) << host.panels[1].toStdString();
            TearDown();
            continue;
        }  // acknowledgements still on their way arrive
        // Exit: only the goodbye follows; Stop: only the goodbye of the Exit after it.
        EXPECT_EQ(comm.TotalSent(), sentAtEnd + 3);
        EXPECT_FALSE(loop->job().running());
        const auto frames = display->frames();
        ASSERT_FALSE(frames.empty());
        EXPECT_EQ(frames.back().marker, 0xAE);
        TearDown();
    }
}
