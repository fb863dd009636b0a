#include "settings/settings_file.h"

#include "settings/config_record.h"
#include "settings/extra_coding.h"
#include "settings/transmission.h"
#include "settings/turbo_timer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace {

const char* const kRecordKeys[] = {"Config", "Extra Coding", "TurboTimer", "Transmission"};
constexpr size_t kRecordSizes[] = {kConfigRecordSize, kExtraCodingSize, kTurboTimerSize, kTransmissionReplySize};

QString utf8(const char* s) { return QString::fromUtf8(s); }

// An item of a list for a value; a value no item holds shows as the number and says so.
QString itemText(std::span<const char* const> items, int index, int raw)
{
    if (index >= 0 && index < static_cast<int>(items.size()))
        return utf8(items[static_cast<size_t>(index)]);
    return QStringLiteral("%1 (no item)").arg(raw);
}

QString tick(bool on) { return on ? QStringLiteral("ticked") : QStringLiteral("clear"); }

uint16_t word(std::span<const uint8_t> b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }

uint32_t get32(std::span<const uint8_t> b, size_t at)
{
    uint32_t v = 0;
    for (size_t i = 0; i < 4; ++i)
        v |= static_cast<uint32_t>(b[at + i]) << (8 * i);
    return v;
}

std::vector<SettingsField> configFields(std::span<const uint8_t> b)
{
    const auto n = [](unsigned v) { return QString::number(v); };
    std::vector<SettingsField> f;
    f.push_back({QStringLiteral("2. Serial №"), n(get32(b, 0))});
    f.push_back({QStringLiteral("1. HardWare Version"), n(b[4])});
    const int type = b[5] / 10;
    f.push_back({QStringLiteral("3. LCD type"), itemText(displayTypeItems(), type - 10, type)});
    f.push_back({QStringLiteral("5. 46-CCSM"), itemText(canModeItems(), b[5] % 10, b[5] % 10)});
    f.push_back({QStringLiteral("Byte 6"), n(b[6])});
    f.push_back({QStringLiteral("Byte 7"), n(b[7])});
    f.push_back({QStringLiteral("Serial № less 400"), n(get32(b, 8))});
    f.push_back({QStringLiteral("11. KL15 Mode"), itemText(kl15ModeItems(), b[12], b[12])});
    f.push_back({QStringLiteral("8. Max Dimmer Level"), n(b[13])});
    // The page shows "16 pin" only for the exact value 1; other values are named with the item.
    QString pin = utf8(pinRemapItems()[b[14] == 1 ? 1 : 0]);
    if (b[14] > 1)
        pin += QStringLiteral(" (value %1)").arg(b[14]);
    f.push_back({QStringLiteral("15. 35 pin MFD (Brake fluid)* remap to ->"), pin});
    f.push_back({QStringLiteral("Byte 15"), n(b[15])});
    f.push_back({QStringLiteral("10. Diag Mode"), itemText(diagModeItems(), b[16], b[16])});
    f.push_back({QStringLiteral("Byte 17"), n(b[17])});
    const int ground = b[18] == 0 ? 0 : b[18] == 15 ? 1 : -1;
    f.push_back({QStringLiteral("16. MFD Buttons **"), itemText(buttonGroundItems(), ground, b[18])});
    f.push_back({QStringLiteral("Byte 19"), n(b[19])});
    f.push_back({QStringLiteral("7. Turbo Boost Sensor"), itemText(boostSensorItems(), b[20], b[20])});
    f.push_back({QStringLiteral("17. Remap MFD Buttons"), itemText(buttonRemapItems(), b[21], b[21])});
    f.push_back({QStringLiteral("6. Language"), itemText(languageItems(), b[22] - 1, b[22])});
    f.push_back({QStringLiteral("9. Battery calibration, left"), n(b[23])});
    f.push_back({QStringLiteral("9. Battery calibration, right"), n(b[24])});
    const int model = carModelIndex(b[25]);
    f.push_back({QStringLiteral("4. Mark and Model"),
                 model >= 0 ? utf8(carModels()[static_cast<size_t>(model)].text) : QStringLiteral("%1 (no item)").arg(b[25])});
    return f;
}

void bitFields(std::vector<SettingsField>& f, std::span<const char* const> items, size_t bits, uint8_t value)
{
    for (size_t k = 0; k < bits; ++k)
        f.push_back({utf8(items[k]), tick((value >> k) & 1u)});
}

std::vector<SettingsField> extraCodingFields(std::span<const uint8_t> b)
{
    const auto n = [](unsigned v) { return QString::number(v); };
    std::vector<SettingsField> f;
    bitFields(f, warningItems(), 8, b[0]);
    f.push_back({QStringLiteral("Speed limit value, Km/h"), n(b[1])});
    bitFields(f, comfortItems(), 8, b[2]);
    f.push_back({QStringLiteral("Coffeebreak, Min"), n(b[3] * 10u)});
    f.push_back({QStringLiteral("Coffeebreak, Km"), n(b[4] * 10u)});
    f.push_back({QStringLiteral("Byte 5"), n(b[5])});
    f.push_back({QStringLiteral("Byte 6"), n(b[6])});
    bitFields(f, vehicleOptionItems(), 3, b[7]);
    f.push_back({QStringLiteral("Byte 7, bits 3 and 4"), n((b[7] >> 3) & 3u)});
    f.push_back({QStringLiteral("Line color"), itemText(lineColourItems(), b[7] >> 5, b[7] >> 5)});
    return f;
}

QString flagText(uint16_t w)
{
    QString t = tick((w & 0xFF) != 0);  // only the low byte ticks the box
    if (w > 1)
        t += QStringLiteral(" (word %1)").arg(w);
    return t;
}

std::vector<SettingsField> turboTimerFields(std::span<const uint8_t> b)
{
    const auto n = [](unsigned v) { return QString::number(v); };
    return {
        {QStringLiteral("Cooling, Time (sec)"), n(word(b, 0))},   {QStringLiteral("Cooling, Temperature"), n(word(b, 2))},
        {QStringLiteral("Enable cooling"), flagText(word(b, 4))}, {QStringLiteral("Heat, Time (sec)"), n(word(b, 6))},
        {QStringLiteral("Heat, Temperature"), n(word(b, 8))},     {QStringLiteral("Enable heating"), flagText(word(b, 10))},
    };
}

std::vector<SettingsField> transmissionFields(std::span<const uint8_t> b)
{
    std::vector<SettingsField> f;
    for (size_t g = 0; g < b.size(); ++g)
        f.push_back({QStringLiteral("%1 Gear, Percentage").arg(g + 1), QString::number(b[g])});
    return f;
}

// Hexadecimal digits, blanks between bytes allowed; empty when the text is not that.
std::optional<RecordBytes> parseHex(const QString& text)
{
    QString digits = text;
    digits.remove(QLatin1Char(' '));
    if (digits.size() % 2 != 0)
        return std::nullopt;
    RecordBytes bytes;
    for (qsizetype i = 0; i < digits.size(); i += 2) {
        bool ok = false;
        const uint v = digits.mid(i, 2).toUInt(&ok, 16);
        if (!ok || !digits[i].isLetterOrNumber() || !digits[i + 1].isLetterOrNumber())
            return std::nullopt;
        bytes.push_back(static_cast<uint8_t>(v));
    }
    return bytes;
}

SettingsFileLoad failure(const QString& text) { return {std::nullopt, text}; }

}  // namespace

size_t settingsRecordSize(SettingsRecordKind kind) { return kRecordSizes[static_cast<size_t>(kind)]; }

QString settingsRecordName(SettingsRecordKind kind) { return utf8(kRecordKeys[static_cast<size_t>(kind)]); }

QString hexText(std::span<const uint8_t> bytes)
{
    QString t;
    for (uint8_t b : bytes) {
        if (!t.isEmpty())
            t += QLatin1Char(' ');
        t += QStringLiteral("%1").arg(static_cast<uint>(b), 2, 16, QLatin1Char('0')).toUpper();
    }
    return t;
}

std::vector<SettingsField> decodeSettingsRecord(SettingsRecordKind kind, std::span<const uint8_t> bytes)
{
    if (bytes.size() != settingsRecordSize(kind))
        return {};
    switch (kind) {
    case SettingsRecordKind::Config:
        return configFields(bytes);
    case SettingsRecordKind::ExtraCoding:
        return extraCodingFields(bytes);
    case SettingsRecordKind::TurboTimer:
        return turboTimerFields(bytes);
    case SettingsRecordKind::Transmission:
        return transmissionFields(bytes);
    }
    return {};
}

QByteArray settingsFileJson(const SettingsFile& file)
{
    QJsonObject root;
    root.insert(QStringLiteral("format"), utf8(kSettingsFormatName));
    root.insert(QStringLiteral("version"), kSettingsFormatVersion);
    root.insert(QStringLiteral("saved"), file.saved.toUTC().toString(Qt::ISODate));
    root.insert(QStringLiteral("port"), file.port);
    if (file.storage) {
        QJsonObject storage;
        for (size_t i = 0; i < file.storage->disksMb.size(); ++i)
            storage.insert(QStringLiteral("Disk %1 Mb").arg(i), static_cast<int>(file.storage->disksMb[i]));
        storage.insert(QStringLiteral("SD Mb"), static_cast<int>(file.storage->sdMb));
        root.insert(QStringLiteral("storage"), storage);
    }
    QJsonObject records;
    for (SettingsRecordKind kind : kSettingsRecordKinds) {
        const auto& bytes = file.records[kind];
        if (!bytes)
            continue;
        QJsonArray fields;
        for (const SettingsField& f : decodeSettingsRecord(kind, *bytes))
            fields.append(QJsonObject{{QStringLiteral("field"), f.name}, {QStringLiteral("value"), f.value}});
        records.insert(settingsRecordName(kind),
                       QJsonObject{{QStringLiteral("bytes"), hexText(*bytes)}, {QStringLiteral("fields"), fields}});
    }
    root.insert(QStringLiteral("records"), records);
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

SettingsFileLoad parseSettingsFile(const QByteArray& bytes)
{
    QJsonParseError parse{};
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &parse);
    if (parse.error != QJsonParseError::NoError)
        return failure(QStringLiteral("not a JSON file (%1 at byte %2)").arg(parse.errorString()).arg(parse.offset));
    if (!doc.isObject())
        return failure(QStringLiteral("not a settings file (no JSON object)"));
    const QJsonObject root = doc.object();
    const QString format = root.value(QStringLiteral("format")).toString();
    if (format != utf8(kSettingsFormatName))
        return failure(QStringLiteral("not a settings file of this program (format \"%1\")").arg(format));
    const QJsonValue version = root.value(QStringLiteral("version"));
    if (!version.isDouble() || version.toDouble() != static_cast<double>(version.toInt()) || version.toInt() < 1)
        return failure(QStringLiteral("the format version is missing or not a whole number"));
    if (version.toInt() > kSettingsFormatVersion)
        return failure(QStringLiteral("made by a newer version of this program (format version %1; this one reads up to %2)")
                           .arg(version.toInt())
                           .arg(kSettingsFormatVersion));

    SettingsFile file;
    file.saved = QDateTime::fromString(root.value(QStringLiteral("saved")).toString(), Qt::ISODate);
    file.port = root.value(QStringLiteral("port")).toString();
    if (const QJsonValue s = root.value(QStringLiteral("storage")); s.isObject()) {
        StorageSizes sizes;
        for (size_t i = 0; i < sizes.disksMb.size(); ++i)
            sizes.disksMb[i] = static_cast<unsigned>(s.toObject().value(QStringLiteral("Disk %1 Mb").arg(i)).toInt());
        sizes.sdMb = static_cast<unsigned>(s.toObject().value(QStringLiteral("SD Mb")).toInt());
        file.storage = sizes;
    }
    const QJsonObject records = root.value(QStringLiteral("records")).toObject();
    for (SettingsRecordKind kind : kSettingsRecordKinds) {
        const QString name = settingsRecordName(kind);
        if (!records.contains(name))
            continue;  // skipped, with a note in the comparison
        const QJsonValue hex = records.value(name).toObject().value(QStringLiteral("bytes"));
        if (!hex.isString())
            return failure(QStringLiteral("the %1 record has no bytes").arg(name));
        const std::optional<RecordBytes> raw = parseHex(hex.toString());
        if (!raw)
            return failure(QStringLiteral("the %1 record's bytes are not hexadecimal (\"%2\")").arg(name, hex.toString()));
        if (raw->size() != settingsRecordSize(kind))
            return failure(QStringLiteral("the %1 record has %2 bytes, %3 expected")
                               .arg(name)
                               .arg(raw->size())
                               .arg(settingsRecordSize(kind)));
        file.records[kind] = *raw;
    }
    return {file, QString()};
}

SettingsFileLoad readSettingsFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return failure(QStringLiteral("Cannot read %1: %2").arg(QFileInfo(path).fileName(), f.errorString()));
    SettingsFileLoad load = parseSettingsFile(f.readAll());
    if (!load.file)
        load.error = QStringLiteral("%1: %2").arg(QFileInfo(path).fileName(), load.error);
    return load;
}

QString writeSettingsFile(const QString& path, const SettingsFile& file)
{
    QSaveFile out(path);
    const QByteArray bytes = settingsFileJson(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
        return QStringLiteral("Cannot write %1: %2").arg(QFileInfo(path).fileName(), out.errorString());
    return QString();
}

QString beforeRestorePath(const QString& chosenFile)
{
    const QFileInfo info(chosenFile);
    QString base = info.fileName();
    if (base.endsWith(QStringLiteral(".json"), Qt::CaseInsensitive))
        base.chop(5);
    QString path = info.dir().filePath(base + QStringLiteral("-before-restore.json"));
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = info.dir().filePath(base + QStringLiteral("-before-restore-%1.json").arg(n));
    return path;
}

std::vector<SettingsDifference> compareSettings(const SettingsSnapshot& display, const SettingsSnapshot& file)
{
    std::vector<SettingsDifference> rows;
    for (SettingsRecordKind kind : kSettingsRecordKinds) {
        const auto& d = display[kind];
        const auto& f = file[kind];
        if (!f || !d) {
            if (d || f)
                rows.push_back({kind, QString(), d ? QStringLiteral("read") : QStringLiteral("not read"),
                                f ? QStringLiteral("in the file") : QStringLiteral("not in the file: skipped")});
            continue;
        }
        const auto df = decodeSettingsRecord(kind, *d);
        const auto ff = decodeSettingsRecord(kind, *f);
        for (size_t i = 0; i < df.size() && i < ff.size(); ++i)
            if (df[i].value != ff[i].value)
                rows.push_back({kind, df[i].name, df[i].value, ff[i].value});
    }
    return rows;
}

uint32_t configSerialNumber(std::span<const uint8_t> config) { return config.size() >= 4 ? get32(config, 0) : 0; }

RecordBytes withSerialOf(const RecordBytes& file, const RecordBytes& display)
{
    RecordBytes out = file;
    if (out.size() != kConfigRecordSize || display.size() != kConfigRecordSize)
        return out;
    for (size_t i : {0u, 1u, 2u, 3u, 8u, 9u, 10u, 11u})
        out[i] = display[i];
    return out;
}
