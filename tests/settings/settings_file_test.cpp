// The settings file: its JSON layout pinned by a golden file, bad files each refused with a message
// that names the problem, the comparison field by field, and the save through a temporary file.
#include "settings/settings_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString golden(const char* name) { return QStringLiteral(":/golden/") + QString::fromLatin1(name); }

// Records with values in every list, a byte 19 of the display's own, and an unusual flag word.
SettingsFile sampleFile()
{
    SettingsFile f;
    f.saved = QDateTime(QDate(2026, 3, 14), QTime(9, 26, 53), QTimeZone::utc());
    f.port = QStringLiteral("COM3");
    f.storage = StorageSizes{{2, 10, 20, 0}, 2048};
    f.records[SettingsRecordKind::Config] = RecordBytes{0x71, 0x11, 0x01, 0x00, 77, 121, 1,    1, 0xE1, 0x0F, 0x01, 0x00, 2,
                                                        95,   1,    0,    3,    1,  15,  0xA5, 4, 1,    2,    101,  129,  81};
    f.records[SettingsRecordKind::ExtraCoding] = RecordBytes{0x81, 130, 0x42, 6, 60, 0x11, 0x22, 0x64};
    f.records[SettingsRecordKind::TurboTimer] = RecordBytes{120, 0, 95, 0, 1, 0, 0x58, 0x02, 60, 0, 0, 1};
    f.records[SettingsRecordKind::Transmission] = RecordBytes{50, 40, 25, 20, 16, 10};
    return f;
}

TEST(SettingsFile, TheLayoutIsPinnedByTheGoldenFileAndLoadsBackToTheSameRecords)
{
    const SettingsFile f = sampleFile();
    EXPECT_EQ(QString::fromUtf8(settingsFileJson(f)), QString::fromUtf8(readAll(golden("settings-v1.json"))));

    const SettingsFileLoad load = parseSettingsFile(readAll(golden("settings-v1.json")));
    ASSERT_TRUE(load.file) << load.error.toStdString();
    EXPECT_EQ(load.file->records, f.records);
    EXPECT_EQ(load.file->saved, f.saved);
    EXPECT_EQ(load.file->port, f.port);
    EXPECT_EQ(load.file->storage, f.storage);
}

TEST(SettingsFile, AFileWithExtraFieldsAndAMissingRecordLoadsWhatItHas)
{
    // Written by hand: lower-case hex without blanks, fields this version does not know, no
    // TurboTimer record.
    const SettingsFileLoad load = parseSettingsFile(readAll(golden("settings-v1-partial.json")));
    ASSERT_TRUE(load.file) << load.error.toStdString();
    EXPECT_EQ(load.file->records[SettingsRecordKind::ExtraCoding], (RecordBytes{0x81, 130, 0x42, 6, 60, 0x11, 0x22, 0x64}));
    EXPECT_FALSE(load.file->records[SettingsRecordKind::TurboTimer]);
    EXPECT_EQ(load.file->records[SettingsRecordKind::Transmission], (RecordBytes{50, 40, 25, 20, 16, 10}));

    const auto rows = compareSettings(sampleFile().records, load.file->records);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].record, SettingsRecordKind::TurboTimer);
    EXPECT_EQ(rows[0].file, "not in the file: skipped");
}

TEST(SettingsFile, BadFilesAreRefusedWithTheirProblem)
{
    QByteArray good = settingsFileJson(sampleFile());
    const auto replaced = [&good](const char* from, const char* to) {
        QByteArray b = good;
        EXPECT_TRUE(b.contains(from)) << from;
        return b.replace(from, to);
    };
    const struct {
        const char* name;
        QByteArray bytes;
        const char* message;
    } cases[] = {
        {"not JSON", "PK\x03\x04 a zip file", "not a JSON file"},
        {"empty", "", "not a JSON file"},
        {"truncated", good.left(good.size() / 2), "not a JSON file"},
        {"a JSON list", "[1, 2]", "not a settings file (no JSON object)"},
        {"another format", replaced("Korvane Shell settings", "Other settings"),
         "not a settings file of this program (format \"Other settings\")"},
        {"a newer version", replaced("\"version\": 1", "\"version\": 2"),
         "made by a newer version of this program (format version 2; this one reads up to 1)"},
        {"no version", replaced("\"version\": 1", "\"versions\": 1"), "the format version is missing"},
        {"record too short", replaced("\"bytes\": \"32 28 19 14 10 0A\"", "\"bytes\": \"32 28 19 14 10\""),
         "the Transmission record has 5 bytes, 6 expected"},
        {"record too long", replaced("\"bytes\": \"32 28 19 14 10 0A\"", "\"bytes\": \"32 28 19 14 10 0A 00\""),
         "the Transmission record has 7 bytes, 6 expected"},
        {"bad hex", replaced("\"bytes\": \"32 28 19 14 10 0A\"", "\"bytes\": \"32 28 19 14 1G 0A\""),
         "the Transmission record's bytes are not hexadecimal (\"32 28 19 14 1G 0A\")"},
        {"half a byte", replaced("\"bytes\": \"32 28 19 14 10 0A\"", "\"bytes\": \"32 28 19 14 10 0\""),
         "the Transmission record's bytes are not hexadecimal"},
        {"bytes not text", replaced("\"bytes\": \"32 28 19 14 10 0A\"", "\"bytes\": 50"), "the Transmission record has no bytes"},
    };
    for (const auto& c : cases) {
        const SettingsFileLoad load = parseSettingsFile(c.bytes);
        EXPECT_FALSE(load.file) << c.name;
        EXPECT_TRUE(load.error.contains(QString::fromUtf8(c.message))) << c.name << ": " << load.error.toStdString();
    }
}

TEST(SettingsFile, TheComparisonListsEachDifferingFieldWithThePagesTexts)
{
    const SettingsSnapshot file = sampleFile().records;
    const struct {
        SettingsRecordKind kind;
        size_t at;
        uint8_t value;
        const char* field;
        const char* display;
        const char* inFile;
    } cases[] = {
        {SettingsRecordKind::Config, 22, 1, "6. Language", "1 Русский (km, litr, C, bar, l/100km)",
         "2 English (km, litr, C, bar, l/100km)"},
        {SettingsRecordKind::Config, 25, 99, "4. Mark and Model", "99 (no item)", "81 Skoda O\u0441tavia A5 "},
        {SettingsRecordKind::Config, 19, 0x5A, "Byte 19", "90", "165"},
        {SettingsRecordKind::Config, 14, 3, "15. 35 pin MFD (Brake fluid)* remap to ->", "35 pin (value 3)", "16 pin"},
        {SettingsRecordKind::ExtraCoding, 0, 0x80, "Warning Brake Pads", "clear", "ticked"},
        {SettingsRecordKind::ExtraCoding, 7, 0xE4, "Line color", "7 (no item)", "Green"},
        // The file's heating flag word is 00 01: the box shows clear, and the word is named.
        {SettingsRecordKind::TurboTimer, 11, 0, "Enable heating", "clear", "clear (word 256)"},
        {SettingsRecordKind::TurboTimer, 10, 1, "Enable heating", "ticked (word 257)", "clear (word 256)"},
        {SettingsRecordKind::TurboTimer, 4, 0, "Enable cooling", "clear", "ticked"},
        {SettingsRecordKind::Transmission, 5, 12, "6 Gear, Percentage", "12", "10"},
    };
    for (const auto& c : cases) {
        SettingsSnapshot display = file;
        (*display[c.kind])[c.at] = c.value;
        const auto rows = compareSettings(display, file);
        ASSERT_EQ(rows.size(), 1u) << c.field;
        EXPECT_EQ(
            rows[0],
            (SettingsDifference{c.kind, QString::fromUtf8(c.field), QString::fromUtf8(c.display), QString::fromUtf8(c.inFile)}));
    }
    EXPECT_TRUE(compareSettings(file, file).empty());
}

TEST(SettingsFile, EveryByteOfEveryRecordShowsInTheComparison)
{
    const SettingsSnapshot file = sampleFile().records;
    for (SettingsRecordKind kind : kSettingsRecordKinds)
        for (size_t at = 0; at < settingsRecordSize(kind); ++at)
            for (uint8_t flip : {0x01, 0x80}) {
                SettingsSnapshot display = file;
                (*display[kind])[at] ^= flip;
                EXPECT_FALSE(compareSettings(display, file).empty())
                    << settingsRecordName(kind).toStdString() << " byte " << at << " ^ " << int(flip);
            }
}

TEST(SettingsFile, KeepingTheDisplaysSerialNumberKeepsItsCompanionBytes)
{
    const RecordBytes file = *sampleFile().records[SettingsRecordKind::Config];
    RecordBytes display = file;
    for (size_t i : {0u, 1u, 2u, 3u, 8u, 9u, 10u, 11u})
        display[i] = static_cast<uint8_t>(0x30 + i);
    display[22] = 7;
    const RecordBytes kept = withSerialOf(file, display);
    EXPECT_EQ(configSerialNumber(kept), configSerialNumber(display));
    EXPECT_EQ(std::vector<uint8_t>(kept.begin() + 8, kept.begin() + 12),
              std::vector<uint8_t>(display.begin() + 8, display.begin() + 12));
    EXPECT_EQ(kept[22], file[22]);
}

TEST(SettingsFile, SavingLeavesNoTemporaryAFailureSaysWhyAndNoBeforeRestoreCopyIsOverwritten)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = QDir(dir.path()).filePath("car.json");
    ASSERT_EQ(writeSettingsFile(path, sampleFile()), QString());
    EXPECT_EQ(readAll(path), settingsFileJson(sampleFile()));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"car.json"});  // no temporary left

    const SettingsFileLoad load = readSettingsFile(path);
    ASSERT_TRUE(load.file);
    EXPECT_EQ(load.file->records, sampleFile().records);

    // A folder where the file should be: nothing can be written, the error says so.
    const QString blocked = QDir(dir.path()).filePath("folder.json");
    ASSERT_TRUE(QDir().mkpath(blocked));
    EXPECT_TRUE(writeSettingsFile(blocked, sampleFile()).startsWith("Cannot write folder.json"));
    EXPECT_TRUE(readSettingsFile(QDir(dir.path()).filePath("none.json")).error.startsWith("Cannot read none.json"));

    EXPECT_EQ(beforeRestorePath(path), QDir(dir.path()).filePath("car-before-restore.json"));
    EXPECT_EQ(beforeRestorePath("/x/settings"), "/x/settings-before-restore.json");
    // An earlier restore's copy is never overwritten.
    ASSERT_EQ(writeSettingsFile(beforeRestorePath(path), sampleFile()), QString());
    EXPECT_EQ(beforeRestorePath(path), QDir(dir.path()).filePath("car-before-restore-2.json"));
    ASSERT_EQ(writeSettingsFile(beforeRestorePath(path), sampleFile()), QString());
    EXPECT_EQ(beforeRestorePath(path), QDir(dir.path()).filePath("car-before-restore-3.json"));
}

}  // namespace
