#pragma once
#include <array>
#include <cstdint>
#include <span>

// The display's turbo timer: six unsigned 16-bit little-endian words.
inline constexpr size_t kTurboTimerSize = 12;
using TurboTimerBytes = std::array<uint8_t, kTurboTimerSize>;

struct TurboTimerRecord {
    uint16_t coolingTime = 0;  // seconds
    uint16_t coolingTemperature = 0;
    uint16_t coolingFlag = 0;  // "Enable cooling": 1 or 0
    uint16_t warmUpTime = 0;   // seconds
    uint16_t warmUpTemperature = 0;
    uint16_t warmUpFlag = 0;  // "Enable heating": 1 or 0

    bool operator==(const TurboTimerRecord&) const = default;
};

TurboTimerBytes encodeTurboTimer(const TurboTimerRecord& record);
TurboTimerRecord decodeTurboTimer(std::span<const uint8_t, kTurboTimerSize> bytes);

// What a TurboTimer reply shows: the words as they are (the spin edits clamp them), and a box
// ticked when the low byte of its flag word is not 0.
struct TurboTimerView {
    int coolingTime = 0;
    int coolingTemperature = 0;
    bool coolingOn = false;
    int warmUpTime = 0;
    int warmUpTemperature = 0;
    bool warmUpOn = false;
};
TurboTimerView turboTimerView(const TurboTimerRecord& record);
