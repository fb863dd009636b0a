#pragma once
// The settings records a simulated display starts with in the settings file tests (window and
// command line alike), and the display's records as the settings file keeps them.
#include "settings/settings_file.h"
#include "sim/display_state.h"

#include <QByteArray>

#include <cstdint>
#include <vector>

inline SettingsRecords startingRecords()
{
    SettingsRecords r;
    r.config = {0x71, 0x11, 0x01, 0x00, 77, 121, 1,    1, 0xE1, 0x0F, 0x01, 0x00, 2,
                95,   1,    0,    3,    1,  15,  0xA5, 4, 1,    20,   101,  129,  81};
    r.extraCoding = {0x81, 130, 0x42, 6, 60, 0x11, 0x22, 0x64};
    r.turboTimer = {120, 0, 95, 0, 1, 0, 0x58, 0x02, 60, 0, 0, 0};
    r.transmission = {50, 0, 40, 0, 25, 0, 20, 0, 16, 0, 10, 0};
    return r;
}

// The display's records as the settings file keeps them (the transmission as one ratio per gear).
template <class Records>
SettingsSnapshot displayRecords(const Records& s)
{
    using Bytes = std::vector<uint8_t>;
    SettingsSnapshot r;
    r[SettingsRecordKind::Config] = Bytes(s.config.begin(), s.config.end());
    r[SettingsRecordKind::ExtraCoding] = Bytes(s.extraCoding.begin(), s.extraCoding.end());
    r[SettingsRecordKind::TurboTimer] = Bytes(s.turboTimer.begin(), s.turboTimer.end());
    Bytes ratios;
    for (size_t g = 0; g < 6; ++g)
        ratios.push_back(s.transmission[2 * g]);
    r[SettingsRecordKind::Transmission] = ratios;
    return r;
}

// Files that look like settings files and are not, each with the message it must end in.
struct BadSettingsFile {
    const char* file;
    QByteArray bytes;
    const char* message;
};

// good: a whole settings file, which the bad ones are made from.
inline std::vector<BadSettingsFile> badSettingsFiles(const QByteArray& good)
{
    const auto with = [&good](const char* from, const char* to) { return QByteArray(good).replace(from, to); };
    return {
        {"not-json.json", "settings: none", "not-json.json: not a JSON file"},
        {"truncated.json", good.left(good.size() - 40), "truncated.json: not a JSON file"},
        {"newer.json", with("\"version\": 1", "\"version\": 7"), "newer.json: made by a newer version"},
        {"short.json", with("\"bytes\": \"32 28 19 14 10 0A\"", "\"bytes\": \"32 28 19\""),
         "short.json: the Transmission record has 3 bytes, 6 expected"},
        {"bad-hex.json", with("\"bytes\": \"32 28 19 14 10 0A\"", "\"bytes\": \"32 28 19 14 10 XY\""),
         "bad-hex.json: the Transmission record's bytes are not hexadecimal"},
    };
}
