// Back up, compare and restore against the simulated display with its starting records set: the
// file holds the display's records byte for byte, the comparison lists exactly what changed, the
// restore writes the differing records' raw bytes and reads them back, a file of another display
// keeps this display's serial number, and a bad file sends nothing.
#include "tests/e2e/window_fixture.h"
#include "app/settings_backup_window.h"
#include "tests/support/settings_records_fixture.h"

#include "app/widgets/k_combo_box.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QElapsedTimer>

namespace {

using Bytes = std::vector<uint8_t>;

SimulatorOptions withStartingRecords(FailureSettings failures = {})
{
    SimulatorOptions o;
    o.records = startingRecords();
    o.failures = failures;
    return o;
}

class SettingsBackupE2e : public WindowOverPty {
protected:
    explicit SettingsBackupE2e(FailureSettings failures = {}) : WindowOverPty(withStartingRecords(failures)) {}

    void SetUp() override
    {
        WindowOverPty::SetUp();
        ASSERT_TRUE(dir.isValid());
        window->setComparisonPresenter([this](const SettingsComparison& c, std::function<void(SettingsComparisonAnswer)> go) {
            shown.push_back(c);
            if (go && confirm)
                go(answer);
        });
    }

    QString path(const char* name) const { return QDir(dir.path()).filePath(QString::fromLatin1(name)); }
    void pick(const QString& file)
    {
        window->setFileDialogRunner([file](QFileDialog& d) {
            d.setOption(QFileDialog::DontUseNativeDialog);
            d.selectFile(file);
            return true;
        });
    }
    DisplayState display() const { return server->simulator().state(); }
    bool idleWith(const char* text) const
    {
        return loop().state() == 1000 && !window->settingsBackup().sequence().running() && panel(1).contains(text);
    }
    // The frames the display took from the given log position on, by name.
    std::vector<std::string> framesFrom(size_t first) const
    {
        std::vector<std::string> names;
        const auto log = frames();
        for (size_t i = first; i < log.size(); ++i)
            names.push_back(log[i].name);
        return names;
    }
    const FrameRecord* lastFrame(const std::string& name) const
    {
        static std::vector<FrameRecord> log;
        log = frames();
        for (auto it = log.rbegin(); it != log.rend(); ++it)
            if (it->name == name)
                return &*it;
        return nullptr;
    }

    QTemporaryDir dir;
    std::vector<SettingsComparison> shown;
    bool confirm = true;
    SettingsComparisonAnswer answer;
};

const std::vector<std::string> kReadAll = {"read config", "read extra coding", "read turbo timer", "read transmission"};

TEST_F(SettingsBackupE2e, BackUpChangeTwoFieldsCompareAndRestoreWithReadBack)
{
    SettingsSnapshot changed;
    size_t mark = 0;
    script
        .step(
            "greeted", [&] { return greeted(); },
            [&] {
                pick(path("car.json"));
                mark = frameCount();
                window->TabSheet1->BackupSettingsButton->click();
            })
        .step(
            "backed up", [&] { return idleWith("Settings backed up to car.json"); },
            [&] {
                EXPECT_EQ(framesFrom(mark), kReadAll);
                const SettingsFileLoad load = readSettingsFile(path("car.json"));
                ASSERT_TRUE(load.file) << load.error.toStdString();
                EXPECT_EQ(load.file->records, displayRecords(display()));
                EXPECT_EQ(load.file->port, "COM3");
                ASSERT_TRUE(load.file->storage);
                EXPECT_EQ(load.file->storage->disksMb, (std::array<unsigned, 4>{0, 10, 10, 0}));
                // The pages show what was read, as a normal read does.
                EXPECT_EQ(window->TabSheet1->SpinEdit4->Value(), 70001);
                EXPECT_EQ(window->TabSheet8->SpinEdit90->Value(), 120);

                // Two fields changed on their pages and saved with the pages' own buttons.
                window->TabSheet1->ComboBoxEx27->setItemIndex(1);  // "2 English ..."
                press("BitBtn23");
                window->TabSheet8->SpinEdit90->setValue(150);
            })
        .step(
            "config saved", [&] { return countFrames("save config") == 1 && loop().state() == 1000; }, [&] { press("BitBtn27"); })
        .step(
            "turbo timer saved", [&] { return countFrames("save turbo timer") == 1 && loop().state() == 1000; },
            [&] {
                changed = displayRecords(display());
                pick(path("car.json"));
                mark = frameCount();
                window->TabSheet1->CompareSettingsButton->click();
            })
        .step(
            "compared", [&] { return idleWith("Compared with car.json: 2 difference(s)"); },
            [&] {
                EXPECT_EQ(framesFrom(mark), kReadAll) << "a comparison sends no save";
                ASSERT_EQ(shown.size(), 1u);
                EXPECT_FALSE(shown[0].restore);
                EXPECT_EQ(shown[0].rows,
                          (std::vector<SettingsDifference>{
                              {SettingsRecordKind::Config, "6. Language", "2 English (km, litr, C, bar, l/100km)",
                               "20 Ελληνικά (km, litr, C, bar, l/100km)"},
                              {SettingsRecordKind::TurboTimer, "Cooling, Time (sec)", "150", "120"}}));
                pick(path("car.json"));
                mark = frameCount();
                window->TabSheet1->RestoreSettingsButton->click();
            })
        .step(
            "restored", [&] { return idleWith("from car.json"); },
            [&] {
                EXPECT_TRUE(panel(1).startsWith("Restored from car.json")) << panel(1).toStdString();
                ASSERT_EQ(shown.size(), 2u);
                EXPECT_TRUE(shown[1].restore);
                EXPECT_FALSE(shown[1].otherDisplay);
                std::vector<std::string> expected = kReadAll;
                expected.insert(expected.end(), {"save config", "save turbo timer"});
                expected.insert(expected.end(), kReadAll.begin(), kReadAll.end());
                EXPECT_EQ(framesFrom(mark), expected) << "only the differing records are written, then all read back";
                const SettingsSnapshot file = readSettingsFile(path("car.json")).file->records;
                EXPECT_EQ(displayRecords(display()), file);
                // The save frames carry the file's raw bytes in their layout.
                Bytes configFrame{0xA6, 0x1B, 0x16};
                configFrame.insert(configFrame.end(), file[SettingsRecordKind::Config]->begin(),
                                   file[SettingsRecordKind::Config]->end());
                EXPECT_EQ(lastFrame("save config")->raw, configFrame);
                // The copy from before the restore holds the display's records as they were.
                const SettingsFileLoad before = readSettingsFile(path("car-before-restore.json"));
                ASSERT_TRUE(before.file) << before.error.toStdString();
                EXPECT_EQ(before.file->records, changed);
            })
        .act("exit", [&] { press("Button2"); });
    connectWith(script);
    EXPECT_TRUE(errors.empty());
}

TEST_F(SettingsBackupE2e, AFileOfAnotherDisplayKeepsThisSerialUnlessTheUserChoosesTheFiles)
{
    // Another display's file: serial number 70002 (and its companion), another language, and
    // every transmission ratio different, so the transmission frame is written too.
    SettingsFile other;
    other.saved = QDateTime::currentDateTimeUtc();
    other.port = "COM3";
    other.records = displayRecords(SettingsRecords{});  // the factory's
    const SettingsRecords start = startingRecords();
    Bytes config(start.config.begin(), start.config.end());
    config[0] = 0x72;
    config[8] = 0xE2;
    config[22] = 5;
    other.records[SettingsRecordKind::Config] = config;
    other.records[SettingsRecordKind::Transmission] = Bytes{90, 60, 40, 33, 28, 24};
    ASSERT_EQ(writeSettingsFile(path("other.json"), other), QString());

    script
        .step(
            "greeted", [&] { return greeted(); },
            [&] {
                pick(path("other.json"));
                window->TabSheet1->RestoreSettingsButton->click();
            })
        .step(
            "kept this serial", [&] { return idleWith("from other.json"); },
            [&] {
                EXPECT_TRUE(panel(1).startsWith("Restored from other.json")) << panel(1).toStdString();
                ASSERT_EQ(shown.size(), 1u);
                EXPECT_TRUE(shown[0].otherDisplay);
                EXPECT_EQ(shown[0].fileSerial, 70002u);
                EXPECT_EQ(shown[0].displaySerial, 70001u);
                ASSERT_FALSE(shown[0].rows.empty());
                EXPECT_EQ(shown[0].rows[0].field, "2. Serial №") << "the serial number shows first";
                const DisplayState s = display();
                EXPECT_EQ(configSerialNumber(s.config), 70001u);
                EXPECT_EQ(s.config[8], 0xE1);
                EXPECT_EQ(s.config[22], 5);
                EXPECT_EQ(displayRecords(s)[SettingsRecordKind::Transmission], (Bytes{90, 60, 40, 33, 28, 24}));
                EXPECT_EQ(lastFrame("save transmission")->raw,
                          (Bytes{0xA6, 0x0E, 0x23, 90, 0, 60, 0, 40, 0, 33, 0, 28, 0, 24, 0}));

                answer.writeFileSerial = true;
                pick(path("other.json"));
                window->TabSheet1->RestoreSettingsButton->click();
            })
        .step(
            "wrote the file's serial", [&] { return idleWith("Restored from other.json") && shown.size() == 2; },
            [&] {
                EXPECT_EQ(displayRecords(display())[SettingsRecordKind::Config], config);
                EXPECT_TRUE(panel(1).endsWith("Before: other-before-restore-2.json.")) << panel(1).toStdString();
                // The first restore's copy still holds the display as it was at the start.
                EXPECT_EQ(readSettingsFile(path("other-before-restore.json")).file->records, displayRecords(startingRecords()));
            })
        .act("exit", [&] { press("Button2"); });
    connectWith(script);
    EXPECT_TRUE(errors.empty());
}

TEST_F(SettingsBackupE2e, BadFilesEndInTheirMessageWithNothingSent)
{
    SettingsFile good;
    good.records = displayRecords(startingRecords());
    const QByteArray json = settingsFileJson(good);
    const std::vector<BadSettingsFile> cases = badSettingsFiles(json);
    for (const auto& c : cases) {
        QFile f(path(c.file));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(c.bytes);
    }

    size_t mark = 0;
    std::vector<QString> messages;
    script.step(
        "greeted", [&] { return greeted(); }, [&] { mark = frameCount(); });
    for (const auto& c : cases) {
        const QString file = path(c.file);
        script.act(std::string("restore and compare ") + c.file, [this, file, &messages] {
            for (QPushButton* b : {window->TabSheet1->RestoreSettingsButton, window->TabSheet1->CompareSettingsButton}) {
                pick(file);
                b->click();
                messages.push_back(panel(1));
            }
        });
    }
    script
        .step(
            "nothing sent", [] { return true; },
            [&] {
                EXPECT_EQ(frameCount(), mark);
                EXPECT_FALSE(window->settingsBackup().sequence().running());
            })
        .act("exit", [&] { press("Button2"); });
    connectWith(script);
    ASSERT_EQ(messages.size(), 2 * std::size(cases));
    for (size_t i = 0; i < messages.size(); ++i) {
        EXPECT_TRUE(messages[i].startsWith(QString::fromUtf8(cases[i / 2].message))) << messages[i].toStdString();
        EXPECT_TRUE(messages[i].endsWith("Nothing was sent.")) << messages[i].toStdString();
    }
    EXPECT_TRUE(shown.empty());
}

// Every reply comes late, so a run can be caught while it waits.
class SlowSettingsDisplay : public SettingsBackupE2e {
protected:
    static FailureSettings slow()
    {
        FailureSettings f;
        f.enable(FailureMode::DelayReplies);
        f.replyDelay = std::chrono::milliseconds(300);
        return f;
    }
    SlowSettingsDisplay() : SettingsBackupE2e(slow()) {}
};

TEST_F(SlowSettingsDisplay, StopEndsARunCleanlyAndSaysWhatWasReadWhileItHoldsTheOtherButtons)
{
    QElapsedTimer sinceStop;
    script
        .step(
            "greeted", [&] { return greeted(); },
            [&] {
                pick(path("stopped.json"));
                window->TabSheet1->BackupSettingsButton->click();
                EXPECT_TRUE(window->settingsBackup().sequence().running());
            })
        .step(
            "waiting for the second record", [&] { return countFrames("read extra coding") == 1; },
            [&] {
                // What would abandon the run waits; Stop is offered.
                for (const char* name : {"BitBtn22", "Button7", "BitBtn19", "RestoreSettingsButton", "Button8"})
                    EXPECT_FALSE(control<QAbstractButton>(name)->isEnabled()) << name;
                ASSERT_TRUE(window->TabSheet1->settingsStop->isEnabled());
                window->TabSheet1->settingsStop->click();
                sinceStop.start();
            })
        .step(
            "the late reply is in", [&] { return sinceStop.elapsed() > 500; }, [] {})
        .step(
            "stopped", [&] { return loop().state() == 1000; },
            [&] {
                EXPECT_FALSE(window->settingsBackup().sequence().running());
                EXPECT_EQ(panel(1), "Settings backup stopped (read Config).");
                EXPECT_EQ(countFrames("read turbo timer"), 0u) << "nothing is sent after the stop";
                EXPECT_FALSE(QFile::exists(path("stopped.json"))) << "a stopped backup writes no file";
                EXPECT_TRUE(control<QAbstractButton>("BitBtn22")->isEnabled());
                EXPECT_FALSE(window->TabSheet1->settingsStop->isEnabled());
            })
        .act("exit", [&] { press("Button2"); });
    connectWith(script);
}

// The line drops after the display has answered the second read.
class SettingsLineDrop : public SettingsBackupE2e {
protected:
    static FailureSettings dropping()
    {
        FailureSettings f;
        f.enable(FailureMode::DropLine);
        f.dropAfterFrames = 4;  // the hello, the size query and two reads
        return f;
    }
    SettingsLineDrop() : SettingsBackupE2e(dropping()) {}
};

TEST_F(SettingsLineDrop, ALostLineSaysWhichRecordsWereRead)
{
    script
        .step(
            "greeted", [&] { return greeted(); },
            [&] {
                pick(path("lost.json"));
                window->TabSheet1->BackupSettingsButton->click();
            })
        .step(
            "ended", [&] { return !window->settingsBackup().sequence().running(); },
            [&] {
                EXPECT_EQ(panel(1), "Settings backup ended: the line was lost (read Config, Extra Coding).");
                EXPECT_FALSE(QFile::exists(path("lost.json")));
                window->Panel1->Button2->click();
            });
    connectWith(script);
}

}  // namespace
