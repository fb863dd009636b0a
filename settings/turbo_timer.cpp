#include "settings/turbo_timer.h"

namespace {

constexpr TurboTimerField kFields[] = {
    {"SpinEdit90", false},  {"SpinEdit106", false}, {"CheckBox3", true},
    {"SpinEdit107", false}, {"SpinEdit108", false}, {"CheckBox4", true},
};

}  // namespace

TurboTimerBytes encodeTurboTimer(const TurboTimerRecord& r)
{
    const uint16_t words[] = {r.coolingTime, r.coolingTemperature, r.coolingFlag,
                              r.warmUpTime,  r.warmUpTemperature,  r.warmUpFlag};
    TurboTimerBytes b{};
    for (size_t i = 0; i < std::size(words); ++i) {
        b[2 * i] = static_cast<uint8_t>(words[i]);
        b[2 * i + 1] = static_cast<uint8_t>(words[i] >> 8);
    }
    return b;
}

TurboTimerRecord decodeTurboTimer(std::span<const uint8_t, kTurboTimerSize> b)
{
    auto word = [&](size_t i) { return static_cast<uint16_t>(b[2 * i] | (b[2 * i + 1] << 8)); };
    return {word(0), word(1), word(2), word(3), word(4), word(5)};
}

std::span<const TurboTimerField> turboTimerFields() { return kFields; }

TurboTimerBytes turboTimerFromControls(const std::function<int(std::string_view)>& spin,
                                       const std::function<bool(std::string_view)>& ticked)
{
    TurboTimerBytes b{};
    for (size_t i = 0; i < std::size(kFields); ++i) {
        const int v = kFields[i].isCheckBox ? (ticked(kFields[i].control) ? 1 : 0) : spin(kFields[i].control);
        b[2 * i] = static_cast<uint8_t>(v);
        b[2 * i + 1] = static_cast<uint8_t>(v >> 8);
    }
    return b;
}

TurboTimerView turboTimerView(const TurboTimerRecord& r)
{
    return {r.coolingTime, r.coolingTemperature, (r.coolingFlag & 0xFF) != 0,
            r.warmUpTime,  r.warmUpTemperature,  (r.warmUpFlag & 0xFF) != 0};
}
