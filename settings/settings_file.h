#pragma once
#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// The settings file: the display's four settings records kept on the PC in one UTF-8 JSON file.
// Each record is stored as its raw bytes in hexadecimal, which is what a restore writes back,
// and as its fields decoded from those bytes with the pages' own names and texts, for people
// and for diffs. Plain QtCore: no window, no protocol.

enum class SettingsRecordKind { Config = 0, ExtraCoding = 1, TurboTimer = 2, Transmission = 3 };
inline constexpr int kSettingsRecordCount = 4;
inline constexpr std::array<SettingsRecordKind, kSettingsRecordCount> kSettingsRecordKinds{
    SettingsRecordKind::Config, SettingsRecordKind::ExtraCoding, SettingsRecordKind::TurboTimer,
    SettingsRecordKind::Transmission};

// The record's bytes as the display's reply carries them after its two leading bytes:
// configuration 26, extra coding 8, TurboTimer 12, transmission 6 (one ratio per gear).
size_t settingsRecordSize(SettingsRecordKind kind);
// The record's name, as its page is called: "Config", "Extra Coding", "TurboTimer", "Transmission".
QString settingsRecordName(SettingsRecordKind kind);

using RecordBytes = std::vector<uint8_t>;

// The four records; a record that was not read (or is not in a file) is empty.
struct SettingsSnapshot {
    std::array<std::optional<RecordBytes>, kSettingsRecordCount> records;

    std::optional<RecordBytes>& operator[](SettingsRecordKind k) { return records[static_cast<size_t>(k)]; }
    const std::optional<RecordBytes>& operator[](SettingsRecordKind k) const { return records[static_cast<size_t>(k)]; }
    bool operator==(const SettingsSnapshot&) const = default;
};

// The storage sizes the display reported when it was greeted.
struct StorageSizes {
    std::array<unsigned, 4> disksMb{};  // Disk 0..3
    unsigned sdMb = 0;
    bool operator==(const StorageSizes&) const = default;
};

struct SettingsFile {
    QDateTime saved;  // when the records were read (stored in UTC)
    QString port;     // e.g. "COM3"
    std::optional<StorageSizes> storage;
    SettingsSnapshot records;
};

inline constexpr const char* kSettingsFormatName = "Korvane Shell settings";
inline constexpr int kSettingsFormatVersion = 1;

// The file's bytes: indented JSON, keys in a fixed order, ending in a newline.
QByteArray settingsFileJson(const SettingsFile& file);

// A file's contents checked and taken apart. On any problem `file` is empty and `error` names it.
// Unknown fields are ignored; a record that is missing stays empty.
struct SettingsFileLoad {
    std::optional<SettingsFile> file;
    QString error;
};
SettingsFileLoad parseSettingsFile(const QByteArray& bytes);

// Reads and checks a file; the error names the file.
SettingsFileLoad readSettingsFile(const QString& path);
// Writes a file through a temporary file and a rename, so that a failed save never leaves half a
// file (an existing file stays as it was). Returns an empty text, or what went wrong.
QString writeSettingsFile(const QString& path, const SettingsFile& file);

// Where a restore keeps the display's records from before it: next to the chosen file,
// "<name>-before-restore.json"; when that file exists already (an earlier restore's), the first
// free "<name>-before-restore-2.json", "-3" ..., so that no earlier copy is overwritten.
QString beforeRestorePath(const QString& chosenFile);

// One field of a record, decoded from its bytes with the pages' names and item texts. Every byte
// of a record belongs to some field, and different bytes give different texts, so comparing the
// fields finds every difference of the bytes.
struct SettingsField {
    QString name;
    QString value;
};
std::vector<SettingsField> decodeSettingsRecord(SettingsRecordKind kind, std::span<const uint8_t> bytes);

// One row of a comparison: a field whose value differs, or a record that one side lacks
// (then `field` is empty and the missing side says so).
struct SettingsDifference {
    SettingsRecordKind record;
    QString field;
    QString display;
    QString file;
    bool operator==(const SettingsDifference&) const = default;
};
// Field by field, records in their order, fields in record order. A record missing on either
// side gives one note row.
std::vector<SettingsDifference> compareSettings(const SettingsSnapshot& display, const SettingsSnapshot& file);

// The serial number in a configuration record (bytes 0 to 3, little-endian).
uint32_t configSerialNumber(std::span<const uint8_t> config);
// The configuration record `file` with the serial number and its companion bytes 8 to 11 of
// `display`: what a restore writes when it keeps this display's serial number.
RecordBytes withSerialOf(const RecordBytes& file, const RecordBytes& display);

// Hexadecimal text of bytes, "71 11 01 00".
QString hexText(std::span<const uint8_t> bytes);
