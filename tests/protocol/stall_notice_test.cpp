// The stall notice ends with the wait it covers, whatever ends it: the reply, another request,
// Stop, Exit or a lost line. Panel 1 then shows what it showed before, or the new step's text,
// and a notice is never what a later notice gives back.
#include "protocol/protocol_states.h"
#include "settings/settings_backup.h"
#include "tests/protocol/loop_fixture.h"

#include <functional>

namespace {

struct NullBackupHost : SettingsBackupHost {
    void backupProgress(const QString&) override {}
    void backupFinished(const BackupOutcome&) override {}
};

class StallNotice : public LoopOverFakeLine {
protected:
    void SetUp() override
    {
        LoopOverFakeLine::SetUp();
        loop->setStallNoticeAfter(300);
        // The record replies wait as the pages' own do; what they hold does not matter here.
        for (int32_t state : {State::kConfigReply, State::kExtraReply})
            loop->registerStep(state, [this, state] {
                if (!loop->replyArrived(State::replyLength(state)))
                    return ProtocolLoop::StepResult::WaitForInput;
                for (uint32_t i = 0; i < State::replyLength(state); ++i)
                    loop->readByte();
                loop->advance(State::kIdle);
                return ProtocolLoop::StepResult::Acted;
            });
        backup = std::make_unique<SettingsBackup>(*loop, backupHost, nullptr, nullptr);
    }
    void TearDown() override
    {
        backup.reset();
        LoopOverFakeLine::TearDown();
    }
    bool noticeShown() const { return host.panels[1].startsWith("No answer from the display"); }
    // The display from now on: late by `delay`, or silent.
    void answer(std::optional<std::chrono::milliseconds> delay)
    {
        FailureSettings f;
        if (delay) {
            f.enable(FailureMode::DelayReplies);
            f.replyDelay = *delay;
        } else {
            f.enable(FailureMode::Silent);
        }
        display.simulator().setFailures(f);
    }

    NullBackupHost backupHost;
    std::unique_ptr<SettingsBackup> backup;

public:
    // What the rows' actions reach of the fixture.
    RecordingHost& h() { return host; }
    ProtocolLoop& l() { return *loop; }
    FakeDisplayLine& wire() { return line; }
    TnrComm& port() { return comm; }
};

struct Row {
    const char* what;
    bool job;                                        // the wait is a settings backup's, not a read's
    std::optional<std::chrono::milliseconds> delay;  // none: the display stays silent
    std::function<void(StallNotice&)> end;           // what ends the wait
    std::function<bool(StallNotice&)> ended;         // when to look at panel 1 (none: the loop has ended)
    QString after;                                   // panel 1 then
};

class StallNoticeEnds : public StallNotice, public ::testing::WithParamInterface<Row> {};

void PrintTo(const Row& r, std::ostream* os) { *os << r.what; }

const QString kLost = QStringLiteral("Connection to COM3 lost. Press \"Connect\" to connect again.");

// clang-format off
const Row kRows[] = {
    {"the reply", false, std::chrono::milliseconds(900), [](StallNotice&) {},
     [](StallNotice& t) { return t.l().state() == State::kIdle; }, QStringLiteral("before")},
    {"another request", false, std::nullopt, [](StallNotice& t) { t.l().request(State::kReadExtra, 0x17); },
     [](StallNotice&) { return true; }, QStringLiteral("before")},
    {"Stop of the job", true, std::nullopt, [](StallNotice& t) { t.l().stopJob(); },
     [](StallNotice& t) { return t.l().state() == State::kIdle; }, QStringLiteral("before")},
    {"Exit", false, std::nullopt, [](StallNotice& t) { t.l().requestExit(); }, nullptr, QStringLiteral("before")},
    {"a lost line", true, std::nullopt, [](StallNotice& t) { t.wire().hangUp(); },
     [](StallNotice& t) { return !t.port().Active() && !t.h().panels[1].startsWith("No answer"); }, kLost},
};
// clang-format on

TEST_P(StallNoticeEnds, PanelOneNoLongerShowsTheNotice)
{
    const Row& r = GetParam();
    script.step(
        "greeted", [&] { return sizesShown(); },
        [&] {
            host.panels[1] = QStringLiteral("before");
            answer(r.delay);
            if (r.job)
                EXPECT_TRUE(backup->readAll());
            else
                EXPECT_TRUE(loop->request(State::kReadConfig, 0x18));
        });
    script.step(
        "notice shown", [&] { return noticeShown(); }, [&] { r.end(*this); }, 3000);
    if (r.ended)
        script.step(
            "ended", [&] { return r.ended(*this); }, [&] { loop->requestExit(); }, 3000);
    connectWith(script);
    EXPECT_EQ(host.panels[1], r.after) << r.what;
    EXPECT_TRUE(host.errors.empty());
}

INSTANTIATE_TEST_SUITE_P(Ends, StallNoticeEnds, ::testing::ValuesIn(kRows), [](const ::testing::TestParamInfo<Row>& i) {
    std::string n;
    for (const char* p = i.param.what; *p; ++p)
        n += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
    return n;
});

TEST_F(StallNotice, ANoticeIsNeverWhatALaterNoticeGivesBack)
{
    script
        .step(
            "greeted", [&] { return sizesShown(); },
            [&] {
                host.panels[1] = QStringLiteral("before");
                answer(std::nullopt);
                loop->request(State::kReadConfig, 0x18);
            })
        .step(
            "first notice", [&] { return noticeShown(); },
            [&] {
                // The notice stays on show while a second wait begins behind it.
                backup->readAll();
            },
            3000)
        .step(
            "second notice", [&] { return noticeShown() && loop->state() == State::kBackupReadReply; }, [&] { loop->stopJob(); },
            8000)
        .step(
            "stopped", [&] { return loop->state() == State::kIdle; },
            [&] {
                EXPECT_EQ(host.panels[1], "before");
                loop->requestExit();
            });
    connectWith(script);
}

}  // namespace
