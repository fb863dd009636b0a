#include "sim/line_emulation.h"

#include <charconv>
#include <chrono>

std::int64_t LineFormat::nsFor(std::uint64_t bytes) const
{
    if (baud == 0)
        return 0;
    const unsigned __int128 halfBits = static_cast<unsigned __int128>(bytes) * halfBitsPerByte;
    return static_cast<std::int64_t>(halfBits * 1'000'000'000u / (2u * static_cast<unsigned __int128>(baud)));
}

std::optional<unsigned> parseFrameFormat(std::string_view text)
{
    if (text.size() < 3 || text[0] < '5' || text[0] > '8')
        return std::nullopt;
    const unsigned data = static_cast<unsigned>(text[0] - '0');
    unsigned parity = 0;
    switch (text[1]) {
    case 'N':
    case 'n':
        parity = 0;
        break;
    case 'E':
    case 'e':
    case 'O':
    case 'o':
    case 'M':
    case 'm':
    case 'S':
    case 's':
        parity = 1;
        break;
    default:
        return std::nullopt;
    }
    const std::string_view stop = text.substr(2);
    unsigned stopHalves = 0;
    if (stop == "1")
        stopHalves = 2;
    else if (stop == "1.5")
        stopHalves = 3;
    else if (stop == "2")
        stopHalves = 4;
    else
        return std::nullopt;
    return 2 * (1 + data + parity) + stopHalves;
}

std::int64_t LineDirection::put(std::int64_t at, std::uint64_t n)
{
    if (at > freeAt()) {
        start_ = at;
        count_ = 0;
    }
    before_ = count_;
    count_ += n;
    return byteTime(0);
}

std::int64_t steadyNowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
}
