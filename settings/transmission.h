#pragma once
#include <array>
#include <cstdint>
#include <span>

// The transmission values: for each of six gears the speed V at 2000 rpm (km/h) and the ratio
// value P = 2000 / V that the display stores. The reply carries one byte per gear, the save one
// 16-bit word per gear.
inline constexpr int kGears = 6;
inline constexpr size_t kTransmissionSaveSize = 12;
inline constexpr size_t kTransmissionReplySize = 6;
// The save frame's length byte: 14, although 13 bytes follow it. The display expects it so.
inline constexpr uint8_t kTransmissionLengthByte = 0x0E;

// A gear's row on the page: the start values of its speed (10..200 km/h) and ratio (1..200)
// boxes, and the speed box's caption.
struct GearRow {
    int startSpeed;
    int startRatio;
    const char* speedLabel;
};
std::span<const GearRow> gearRows();            // gears 1 to 6
std::span<const char* const> automaticItems();  // radio group "A/T"

inline constexpr int kSpeedMin = 10, kSpeedMax = 200, kRatioMin = 1, kRatioMax = 200;

// The value the partner box is set to when one box of a pair changes: 2000 / value, halves to
// the even neighbour (the same rule both ways). value > 0.
int coupledValue(int value);

// The pair after a change of one box has run its course: each change sets the partner box
// (clamped to its limits), and a set that leaves the shown value as it was ends the chain.
// `shown` holds the boxes' values after the change (the changed box already clamped).
struct GearPair {
    int speed;
    int ratio;
    bool operator==(const GearPair&) const = default;
};
enum class GearBox { Speed, Ratio };
GearPair settleGearPair(GearPair shown, GearBox changed);

// The save's twelve data bytes: each gear's ratio, gear 1 to 6, as a byte and a zero high byte.
std::array<uint8_t, kTransmissionSaveSize> encodeTransmissionSave(const std::array<int, kGears>& ratios);
