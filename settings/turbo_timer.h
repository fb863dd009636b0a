#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

// The display's turbo timer: six unsigned 16-bit little-endian words.
inline constexpr size_t kTurboTimerSize = 12;
using TurboTimerBytes = std::array<uint8_t, kTurboTimerSize>;

struct TurboTimerRecord {
    uint16_t coolingTime = 0;         // seconds, SpinEdit90
    uint16_t coolingTemperature = 0;  // SpinEdit106
    uint16_t coolingFlag = 0;         // CheckBox3: 1 or 0
    uint16_t warmUpTime = 0;          // seconds, SpinEdit107
    uint16_t warmUpTemperature = 0;   // SpinEdit108
    uint16_t warmUpFlag = 0;          // CheckBox4: 1 or 0

    bool operator==(const TurboTimerRecord&) const = default;
};

TurboTimerBytes encodeTurboTimer(const TurboTimerRecord& record);
TurboTimerRecord decodeTurboTimer(std::span<const uint8_t, kTurboTimerSize> bytes);

// A TurboTimer control: a spin edit or a check box, by name.
struct TurboTimerField {
    const char* control;
    bool isCheckBox;
};
// The six words' controls in record order.
std::span<const TurboTimerField> turboTimerFields();

// The record's bytes, reading each control just before its word: `spin` gives a spin edit's
// value, `ticked` a check box's state.
TurboTimerBytes turboTimerFromControls(const std::function<int(std::string_view)>& spin,
                                       const std::function<bool(std::string_view)>& ticked);

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
