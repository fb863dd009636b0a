// The settings backup sequence driven without a window, as a command line drives it: its own
// host, no pages. Exact frames on the wire, one record at a time, and the read-back's verdict.
#include "settings/settings_backup.h"
#include "tests/protocol/loop_fixture.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct RecordingBackupHost : SettingsBackupHost {
    void backupProgress(const QString& text) override { progress.push_back(text); }
    void backupFinished(const BackupOutcome& outcome) override { outcomes.push_back(outcome); }
    std::vector<QString> progress;
    std::vector<BackupOutcome> outcomes;
};

SimulatorOptions withRecords()
{
    SimulatorOptions o;
    SettingsRecords& r = o.records;
    r.config = {0x71, 0x11, 0x01, 0x00, 77, 121, 1,    1, 0xE1, 0x0F, 0x01, 0x00, 2,
                95,   1,    0,    3,    1,  15,  0xA5, 4, 1,    20,   101,  129,  81};
    r.extraCoding = {0x81, 130, 0x42, 6, 60, 0x11, 0x22, 0x64};
    r.turboTimer = {120, 0, 95, 0, 1, 0, 0x58, 0x02, 60, 0, 0, 0};
    r.transmission = {50, 0, 40, 0, 25, 0, 20, 0, 16, 0, 10, 0};
    return o;
}

class BackupSequence : public LoopOverFakeLine {
protected:
    BackupSequence() : LoopOverFakeLine(withRecords()) {}
    void SetUp() override
    {
        LoopOverFakeLine::SetUp();
        sequence = std::make_unique<SettingsBackup>(*loop, backupHost, nullptr, nullptr);
    }
    void TearDown() override
    {
        sequence.reset();
        LoopOverFakeLine::TearDown();
    }
    bool ended(size_t n) const { return backupHost.outcomes.size() >= n && loop->state() == 1000; }
    std::vector<Bytes> rawFrom(size_t first) const
    {
        std::vector<Bytes> raw;
        const auto log = frames();
        for (size_t i = first; i < log.size(); ++i)
            raw.push_back(log[i].raw);
        return raw;
    }

    RecordingBackupHost backupHost;
    std::unique_ptr<SettingsBackup> sequence;
};

const std::vector<Bytes> kReads = {{0xA6, 0x01, 0x18}, {0xA6, 0x01, 0x17}, {0xA6, 0x01, 0x26}, {0xA6, 0x01, 0x24}};

TEST_F(BackupSequence, ReadsTheFourRecordsOneAtATimeAndWritesRawBytesInEachSaveFramesLayout)
{
    size_t mark = 0;
    SettingsSnapshot writes, target;
    script
        .step(
            "greeted", [&] { return sizesShown(); },
            [&] {
                mark = frames().size();
                sequence->readAll();
                EXPECT_TRUE(sequence->running());
            })
        .step(
            "read", [&] { return ended(1); },
            [&] {
                EXPECT_EQ(rawFrom(mark), kReads);
                const BackupOutcome& o = backupHost.outcomes[0];
                EXPECT_EQ(o.end, BackupOutcome::End::Done);
                const auto config = withRecords().records.config;
                EXPECT_EQ(o.read[SettingsRecordKind::Config], Bytes(config.begin(), config.end()));
                EXPECT_EQ(o.read[SettingsRecordKind::ExtraCoding], (Bytes{0x81, 130, 0x42, 6, 60, 0x11, 0x22, 0x64}));
                EXPECT_EQ(o.read[SettingsRecordKind::TurboTimer], (Bytes{120, 0, 95, 0, 1, 0, 0x58, 0x02, 60, 0, 0, 0}));
                EXPECT_EQ(o.read[SettingsRecordKind::Transmission], (Bytes{50, 40, 25, 20, 16, 10}));
                EXPECT_EQ(o.summary(), "read Config, Extra Coding, TurboTimer, Transmission");
                EXPECT_EQ(backupHost.progress.front(), "Reading settings: Config (1 of 4)");

                // Write three records back, each changed; the configuration is not written.
                target = o.read;
                Bytes extra = *o.read[SettingsRecordKind::ExtraCoding];
                extra[7] = 0x1B;  // bits 3 and 4 set: a page's save would clear them
                Bytes turbo = *o.read[SettingsRecordKind::TurboTimer];
                turbo[5] = 1;  // a flag word of 01 01: a page's save would send 01 00
                writes[SettingsRecordKind::ExtraCoding] = target[SettingsRecordKind::ExtraCoding] = extra;
                writes[SettingsRecordKind::TurboTimer] = target[SettingsRecordKind::TurboTimer] = turbo;
                writes[SettingsRecordKind::Transmission] = target[SettingsRecordKind::Transmission] = Bytes{9, 8, 7, 6, 5, 4};
                mark = frames().size();
                sequence->restore(writes, target);
            })
        .step(
            "restored", [&] { return ended(2); },
            [&] {
                std::vector<Bytes> expected = {
                    {0xA6, 0x09, 0x15, 0x81, 130, 0x42, 6, 60, 0x11, 0x22, 0x1B},
                    {0xA6, 0x0D, 0x25, 120, 0, 95, 0, 1, 1, 0x58, 0x02, 60, 0, 0, 0},
                    {0xA6, 0x0E, 0x23, 9, 0, 8, 0, 7, 0, 6, 0, 5, 0, 4, 0},
                };
                expected.insert(expected.end(), kReads.begin(), kReads.end());
                EXPECT_EQ(rawFrom(mark), expected);
                const BackupOutcome& o = backupHost.outcomes[1];
                EXPECT_EQ(o.end, BackupOutcome::End::Done);
                EXPECT_EQ(o.written,
                          (std::vector<SettingsRecordKind>{SettingsRecordKind::ExtraCoding, SettingsRecordKind::TurboTimer,
                                                           SettingsRecordKind::Transmission}));
                EXPECT_TRUE(o.mismatched.empty());
                EXPECT_EQ(o.read, target);

                // A display that does not hold what it should: the read-back names the record.
                SettingsSnapshot expectedOther = target;
                (*expectedOther[SettingsRecordKind::Config])[19] ^= 0xFF;
                sequence->restore(SettingsSnapshot{}, expectedOther);
            })
        .step(
            "checked", [&] { return ended(3); },
            [&] {
                EXPECT_EQ(backupHost.outcomes[2].mismatched, std::vector<SettingsRecordKind>{SettingsRecordKind::Config});
                EXPECT_EQ(backupHost.outcomes[2].summary(),
                          "read Config, Extra Coding, TurboTimer, Transmission; nothing written");
            })
        .act("exit", [&] { loop->requestExit(); });
    connectWith(script);
}

TEST_F(BackupSequence, AnotherRequestDuringTheRunIsRefusedAndTheRunGoesOn)
{
    script
        .step(
            "greeted", [&] { return sizesShown(); },
            [&] {
                EXPECT_TRUE(sequence->readAll());
                // "Reboot" pressed before the first pass of the run, and a second run.
                EXPECT_FALSE(loop->request(50, 0x1A));
                EXPECT_EQ(host.panels[1], "The settings are being read or written: Stop ends it");
                EXPECT_FALSE(sequence->readAll());
            })
        .step(
            "done", [&] { return !backupHost.outcomes.empty(); },
            [&] {
                EXPECT_EQ(backupHost.outcomes[0].end, BackupOutcome::End::Done);
                EXPECT_FALSE(sequence->running());
                EXPECT_EQ(display.simulator().state().reboots, 0);
            })
        .act("exit", [&] { loop->requestExit(); });
    connectWith(script);
}

}  // namespace
