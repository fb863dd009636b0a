// korvane backup, compare and restore against the simulated display with its records set: the
// file holds the display's records byte for byte, the comparison lists exactly what changed, a
// restore writes the differing records and reads them back, and a bad file or a restore nobody
// confirmed sends nothing.
#include "tests/cli/cli_fixture.h"
#include "tests/support/settings_records_fixture.h"

#include "settings/settings_file.h"

#include <algorithm>
#include <cstring>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace {

using Bytes = std::vector<uint8_t>;

const std::vector<std::string> kReadAll = {"read config", "read extra coding", "read turbo timer", "read transmission"};

std::vector<std::string> greeted(std::vector<std::string> middle)
{
    middle.insert(middle.begin(), {"hello", "size query"});
    middle.push_back("goodbye");
    return middle;
}

class CliSettings : public Cli {
protected:
    void startWith(const SettingsRecords& records) { startSim({}, {{4, 4, 4, 4}, 512}, records); }
    QString path(const char* name) const { return root.filePath(QString::fromLatin1(name)); }
    SettingsSnapshot fileRecords(const char* name) const
    {
        const SettingsFileLoad load = readSettingsFile(path(name));
        EXPECT_TRUE(load.file) << load.error.toStdString();
        return load.file ? load.file->records : SettingsSnapshot{};
    }
};

TEST_F(CliSettings, BackUpCompareWithTwoFieldsChangedAndRestoreWithReadBack)
{
    startWith(startingRecords());
    const Outcome backup = run({"backup", "--port", "COM3", path("car.json")});
    ASSERT_EQ(backup.exitCode, 0) << backup.err.toStdString();
    EXPECT_EQ(backup.out, "Settings backed up to car.json.\n");
    EXPECT_EQ(fileRecords("car.json"), displayRecords(startingRecords()));
    EXPECT_EQ(frameNames(), greeted(kReadAll));

    // The display's language and cooling time change behind the file's back.
    SettingsRecords changed = startingRecords();
    changed.config[22] = 2;
    changed.turboTimer[0] = 150;
    startWith(changed);
    const Outcome compare = run({"compare", "--port", "COM3", path("car.json")});
    ASSERT_EQ(compare.exitCode, 0) << compare.err.toStdString();
    EXPECT_EQ(compare.out.toStdString(),
              "Record      Field                Display                                File\n"
              "Config      6. Language          2 English (km, litr, C, bar, l/100km)  20 Ελληνικά (km, litr, C, bar, l/100km)\n"
              "TurboTimer  Cooling, Time (sec)  150                                    120\n"
              "Compared with car.json: 2 difference(s).\n");
    EXPECT_EQ(frameNames(), greeted(kReadAll)) << "a comparison writes nothing";

    startWith(changed);
    const Outcome restore = run({"restore", "--yes", "--port", "COM3", path("car.json")});
    ASSERT_EQ(restore.exitCode, 0) << restore.err.toStdString();
    EXPECT_TRUE(restore.out.endsWith("Restored from car.json (read Config, Extra Coding, TurboTimer, Transmission; "
                                     "written Config, TurboTimer); read back, the display holds what was written. "
                                     "Before: car-before-restore.json.\n"))
        << restore.out.toStdString();
    std::vector<std::string> expected = kReadAll;
    expected.insert(expected.end(), {"save config", "save turbo timer"});
    expected.insert(expected.end(), kReadAll.begin(), kReadAll.end());
    EXPECT_EQ(frameNames(), greeted(expected)) << "only the differing records are written, then all read back";
    EXPECT_EQ(displayRecords(server->simulator().state()), fileRecords("car.json"));
    EXPECT_EQ(fileRecords("car-before-restore.json"), displayRecords(changed));
}

TEST_F(CliSettings, AFileOfAnotherDisplayKeepsThisSerialUnlessWriteSerialIsGiven)
{
    SettingsFile other;
    other.saved = QDateTime::currentDateTimeUtc();
    other.records = displayRecords(startingRecords());
    Bytes config = *other.records[SettingsRecordKind::Config];
    config[0] = 0x72;  // serial number 70002
    config[8] = 0xE2;  // and its companion
    config[22] = 5;
    other.records[SettingsRecordKind::Config] = config;
    ASSERT_EQ(writeSettingsFile(path("other.json"), other), QString());

    const struct {
        QStringList flags;
        uint8_t serialByte;
        uint8_t companion;
        const char* says;
    } cases[] = {
        {{}, 0x71, 0xE1, "keeping this display's serial number"},
        {{"--keep-serial"}, 0x71, 0xE1, "keeping this display's serial number"},
        {{"--write-serial"}, 0x72, 0xE2, "writing the file's serial number"},
    };
    for (const auto& c : cases) {
        startWith(startingRecords());
        const Outcome r = run(QStringList{"restore", "--yes", "--port", "COM3", path("other.json")} + c.flags);
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_TRUE(r.out.contains(QStringLiteral("other.json is from the display with serial number 70002; this one "
                                                  "has 70001: ")
                                   + c.says))
            << r.out.toStdString();
        const DisplayState s = server->simulator().state();
        EXPECT_EQ(s.config[0], c.serialByte) << c.flags.join(' ').toStdString();
        EXPECT_EQ(s.config[8], c.companion) << c.flags.join(' ').toStdString();
        EXPECT_EQ(s.config[22], 5);
    }
}

TEST_F(CliSettings, ARestoreNobodyConfirmedAndBadFilesSendNothing)
{
    startWith(startingRecords());
    SettingsFile good;
    good.records = displayRecords(startingRecords());
    const QByteArray json = settingsFileJson(good);
    writeFile(path("good.json"), json);
    const std::vector<BadSettingsFile> bad = badSettingsFiles(json);
    for (const auto& b : bad) {
        writeFile(path(b.file), b.bytes);
        for (const char* command : {"compare", "restore"}) {
            const Outcome r = run({command, "--yes", "--port", "COM3", path(b.file)});
            EXPECT_EQ(r.exitCode, 2) << command << " " << b.file;
            EXPECT_TRUE(r.err.startsWith(QStringLiteral("korvane: ") + QString::fromUtf8(b.message))) << r.err.toStdString();
            EXPECT_TRUE(r.err.endsWith(QStringLiteral("Nothing was sent.\n"))) << r.err.toStdString();
        }
    }
    // Standard input is no terminal here: without --yes there is nobody to ask.
    const Outcome unasked = run({"restore", "--port", "COM3", path("good.json")});
    EXPECT_EQ(unasked.exitCode, 2);
    EXPECT_TRUE(unasked.err.contains("no terminal to ask on; nothing was sent. Repeat with --yes.")) << unasked.err.toStdString();
    EXPECT_TRUE(loggedNames().empty()) << "the port was opened";
}

// A restore asks on the terminal: korvane's standard input is a pseudo-terminal the test answers.
TEST_F(CliSettings, OnATerminalARestoreWritesOnlyWhenTheAnswerIsYes)
{
    SettingsRecords changed = startingRecords();
    changed.turboTimer[0] = 150;
    SettingsFile file;
    file.records = displayRecords(startingRecords());
    ASSERT_EQ(writeSettingsFile(path("car.json"), file), QString());
    const struct {
        const char* answer;
        int exitCode;
        size_t saves;
    } cases[] = {{"y\n", 0, 1}, {"n\n", 2, 0}, {"\n", 2, 0}};
    for (const auto& c : cases) {
        startWith(changed);
        const int terminal = ::posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(terminal, 0);
        ASSERT_EQ(::grantpt(terminal), 0);
        ASSERT_EQ(::unlockpt(terminal), 0);
        QProcess p;
        p.setStandardInputFile(QString::fromLocal8Bit(::ptsname(terminal)));
        p.start(QStringLiteral(KORVANE_EXE), {"restore", "--port", "COM3", path("car.json")});
        ASSERT_TRUE(p.waitForStarted());
        QString err;
        for (int i = 0; i < 300 && !err.contains("[y/N]"); ++i) {
            p.waitForReadyRead(50);
            err += QString::fromLocal8Bit(p.readAllStandardError());
        }
        EXPECT_TRUE(err.contains("Write these settings to the display? [y/N]")) << err.toStdString();
        EXPECT_EQ(::write(terminal, c.answer, std::strlen(c.answer)), static_cast<ssize_t>(std::strlen(c.answer)));
        EXPECT_TRUE(p.waitForFinished(15000));
        ::close(terminal);
        EXPECT_EQ(p.exitCode(), c.exitCode) << c.answer;
        const auto names = frameNames();
        EXPECT_EQ(static_cast<size_t>(std::count(names.begin(), names.end(), "save turbo timer")), c.saves) << c.answer;
        EXPECT_EQ(server->simulator().state().turboTimer[0], c.saves ? 120 : 150) << c.answer;
    }
}

TEST_F(CliSettings, ALineLostMidBackupEndsWithThreeSaysWhatWasReadAndSavesNoFile)
{
    FailureSettings drop;
    drop.enable(FailureMode::DropLine);
    drop.dropAfterFrames = 4;  // the hello, the size query and two reads
    startSim(drop, {{4, 4, 4, 4}, 512}, startingRecords());
    const Outcome r = run({"backup", "--port", "COM3", path("lost.json")});
    EXPECT_EQ(r.exitCode, 3) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("Settings backup ended: the line was lost (read Config, Extra Coding).")) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(path("lost.json")));
}

}  // namespace
