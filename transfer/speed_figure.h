#pragma once
#include <cmath>
#include <cstdint>

// Bytes per second of a transfer: position × 1000 / (now − start + 1), the milliseconds taken
// as an unsigned 32-bit count, rounded to the nearest integer with halves to the even neighbour.
inline int64_t speedFigure(int64_t position, uint32_t nowTick, uint32_t startTick)
{
    const uint32_t ms = nowTick - startTick + 1u;
    const double quotient = static_cast<double>(position) * 1000.0 / static_cast<double>(ms == 0 ? 1u : ms);
    return static_cast<int64_t>(std::nearbyint(quotient));  // the default rounding: halves to even
}
