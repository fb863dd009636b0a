#include "settings/turbo_timer.h"

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

TurboTimerView turboTimerView(const TurboTimerRecord& r)
{
    return {r.coolingTime, r.coolingTemperature, (r.coolingFlag & 0xFF) != 0,
            r.warmUpTime,  r.warmUpTemperature,  (r.warmUpFlag & 0xFF) != 0};
}
