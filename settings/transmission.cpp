#include "settings/transmission.h"

#include "settings/settings_numbers.h"

#include <algorithm>

namespace {

constexpr GearControls kGearControls[] = {
    {"SpinEdit27", "SpinEdit38", 22, 90, "1 Gear  V =             km/h"},
    {"SpinEdit28", "SpinEdit37", 33, 60, "2 Gear  V =             km/h"},
    {"SpinEdit29", "SpinEdit36", 50, 40, "3 Gear  V =             km/h"},
    {"SpinEdit32", "SpinEdit35", 61, 33, "4 Gear  V =             km/h"},
    {"SpinEdit31", "SpinEdit33", 71, 28, "5 Gear    V =           km/h"},
    {"SpinEdit30", "SpinEdit34", 84, 24, "6 Gear  V =             km/h"},
};
constexpr const char* kAutomatic[] = {"PRNDS", "PRN1234...", "PRNDS+1234... "};
constexpr int kRevolutions = 2000;

}  // namespace

std::span<const GearControls> gearControls() { return kGearControls; }
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

std::array<uint8_t, kTransmissionSaveSize> transmissionFromControls(const std::function<int(std::string_view)>& spin)
{
    std::array<uint8_t, kTransmissionSaveSize> b{};
    for (size_t g = 0; g < std::size(kGearControls); ++g) {
        b[2 * g] = static_cast<uint8_t>(spin(kGearControls[g].ratioBox));
        b[2 * g + 1] = 0;
    }
    return b;
}
