// The reply states under a display that answers with anything: the size reply, the SD open,
// block and close acknowledgements and the flash open and block acknowledgements get random
// bytes, short and long replies, replies in pieces and junk around them, from fixed seeds. Whatever
// comes, nothing crashes, no byte of one file turns up in another, the flash padding is zero,
// and the loop is idle or in one of its own states.
#include "tests/transfer/transfer_fixture.h"

#include "protocol/command_catalogue.h"
#include "settings/settings_states.h"

#include <QElapsedTimer>

namespace {

// Waits until the condition holds or the time is up, then runs the action either way.
void within(ScriptedSteps& s, std::string name, int ms, std::function<bool()> until, std::function<void()> then)
{
    auto clock = std::make_shared<QElapsedTimer>();
    s.step(
        std::move(name),
        [clock, ms, until] {
            if (!clock->isValid())
                clock->start();
            return until() || clock->elapsed() >= ms;
        },
        std::move(then), ms + 2000);
}

// The settings pages, as far as the record replies need them: they take whatever is decoded.
struct CountingPages : SettingsPages {
    int shown = 0;
    void showConfig(const ConfigView&) override { ++shown; }
    void showExtraCoding(const ExtraCodingView&) override { ++shown; }
    void showTurboTimer(const TurboTimerView&) override { ++shown; }
    void showTransmissionRatio(int, int) override { ++shown; }
    TurboTimerRecord turboTimerToSave() const override { return {}; }
    std::array<int, kGears> transmissionRatios() const override { return {}; }
};

}  // namespace

class ReplyFuzzTest : public TransferOverFakeLine {};

TEST_F(ReplyFuzzTest, AnyReplyLeavesEveryFileItsOwnBytesAndTheLoopInAKnownState)
{
    const uint32_t seeds[] = {1, 7, 42, 1234, 99991};
    for (uint32_t seed : seeds) {
        SCOPED_TRACE(seed);
        TearDown();
        ScriptedDisplay::Behaviour b;
        b.fuzzSeed = seed;
        start(b);
        transferHost = RecordingTransferHost{};
        transferHost.pcFolder = folder.path();
        std::map<std::string, QByteArray> contents;
        for (int i = 0; i < 3; ++i) {
            const QString name = QStringLiteral("f%1.bin").arg(i);
            contents["/" + name.toStdString()] = writeFile(name, 300 + 700 * i, 11 * i + 3);
            transferHost.fileNames << name;
        }
        const QByteArray image = writeFile(QStringLiteral("img.imz"), 2500, 77);
        std::vector<int32_t> seenStates;
        auto known = [&] {
            const int32_t s = loop->state();
            seenStates.push_back(s);
            return s == State::kIdle || loop->hasStep(s);
        };

        ScriptedSteps script{[this] { loop->requestExit(); }};
        within(
            script, "greeted", 800, [&] { return idleAfterGreeting(); },
            [&] {
                EXPECT_TRUE(known());
                if (!idleAfterGreeting())
                    loop->requestExit();  // the size reply never made sense: nothing more to try
            });
        within(
            script, "sd batch", 1500, [&] { return !loop->job().running() && loop->state() == State::kIdle; },
            [&] { EXPECT_TRUE(known()); });
        script.act("sd load", [&] { sd->loadPacket(QStringLiteral("/"), transferHost.pcFolder); });
        within(
            script, "sd over", 1500, [&] { return !loop->job().running() && loop->state() == State::kIdle; },
            [&] {
                EXPECT_TRUE(known());
                loop->stopJob();
                flash->send(QDir(folder.path()).filePath(QStringLiteral("img.imz")), 3);
            });
        within(
            script, "flash over", 1500, [&] { return !loop->job().running() && loop->state() == State::kIdle; },
            [&] {
                EXPECT_TRUE(known());
                loop->stopJob();
                loop->requestExit();
            });
        script.start();
        loop->connectAndRun();

        EXPECT_TRUE(host.errors.empty());
        EXPECT_FALSE(loop->job().running());
        for (const auto& file : display->sdFiles()) {
            const auto it = contents.find(file.path);
            ASSERT_NE(it, contents.end()) << file.path;
            // What arrived is a beginning of this file, never bytes of another.
            EXPECT_EQ(bytesOf(file.data), it->second.left(static_cast<qsizetype>(file.data.size()))) << file.path;
        }
        for (const auto& img : display->flashImages()) {
            const QByteArray got = bytesOf(img.data);
            const qsizetype fromFile = std::min<qsizetype>(got.size(), image.size());
            EXPECT_EQ(got.left(fromFile), image.left(fromFile));
            EXPECT_EQ(got.mid(fromFile), QByteArray(got.size() - fromFile, '\0'));  // the padding is zero
        }
    }
}

TEST_F(ReplyFuzzTest, RecordRepliesOfAnyLengthAndContentAreDecodedOrAwaitedNeverMore)
{
    const std::pair<int32_t, const char*> reads[] = {{State::kReadConfig, "configuration"},
                                                     {State::kReadExtra, "extra coding"},
                                                     {State::kReadTransmission, "transmission"},
                                                     {State::kReadTurboTimer, "TurboTimer"}};
    for (uint32_t seed : {3u, 17u, 555u}) {
        SCOPED_TRACE(seed);
        TearDown();
        ScriptedDisplay::Behaviour b;
        b.fuzzSeed = seed;
        start(b);
        CountingPages pages;
        SettingsMemory memory;
        registerCommandStates(*loop);
        registerSettingsStates(*loop, pages, memory);
        ScriptedSteps script{[this] { loop->requestExit(); }};
        within(
            script, "greeted", 800, [&] { return idleAfterGreeting(); }, [] {});
        for (int round = 0; round < 3; ++round) {
            for (const auto& [state, what] : reads) {
                script.act(std::string("read ") + what, [this, s = state] { loop->request(s, 0x30); });
                within(
                    script, std::string("reply to ") + what, 150, [&] { return loop->state() == State::kIdle; },
                    [&] {
                        const int32_t s = loop->state();
                        EXPECT_TRUE(s == State::kIdle || loop->hasStep(s)) << s;
                    });
            }
        }
        script.act("exit", [this] { loop->requestExit(); });
        script.start();
        loop->connectAndRun();
        EXPECT_TRUE(host.errors.empty());
        EXPECT_GT(display->countFrames(0xA6), 1u);
    }
}
