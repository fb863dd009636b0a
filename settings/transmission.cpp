#include "settings/transmission.h"

#include "settings/settings_numbers.h"

#include <algorithm>

namespace {

constexpr GearRow kGearRows[] = {
    {22, 90, "1 Gear  V =             km/h"}, {33, 60, "2 Gear  V =             km/h"}, {50, 40, "3 Gear  V =             km/h"},
    {61, 33, "4 Gear  V =             km/h"}, {71, 28, "5 Gear    V =           km/h"}, {84, 24, "6 Gear  V =             km/h"},
};
constexpr const char* kAutomatic[] = {"PRNDS", "PRN1234...", "PRNDS+1234... "};
constexpr int kRevolutions = 2000;

}  // namespace

std::span<const GearRow> gearRows() { return kGearRows; }
std::span<const char* const> automaticItems() { return kAutomatic; }

int coupledValue(int value) { return roundHalfEven(kRevolutions, value); }

GearPair settleGearPair(GearPair shown, GearBox changed)
{
    // Each round sets the partner; a set that changes nothing ends the chain. The values shrink
    // into a fixed point within a few rounds; the bound only guards against a fault.
    for (int round = 0; round < 100; ++round) {
        if (changed == GearBox::Speed) {
            const int ratio = std::clamp(coupledValue(shown.speed), kRatioMin, kRatioMax);
            if (ratio == shown.ratio)
                break;
            shown.ratio = ratio;
            changed = GearBox::Ratio;
        } else {
            const int speed = std::clamp(coupledValue(shown.ratio), kSpeedMin, kSpeedMax);
            if (speed == shown.speed)
                break;
            shown.speed = speed;
            changed = GearBox::Speed;
        }
    }
    return shown;
}

std::array<uint8_t, kTransmissionSaveSize> encodeTransmissionSave(const std::array<int, kGears>& ratios)
{
    std::array<uint8_t, kTransmissionSaveSize> b{};
    for (size_t g = 0; g < ratios.size(); ++g) {
        b[2 * g] = static_cast<uint8_t>(ratios[g]);
        b[2 * g + 1] = 0;
    }
    return b;
}
