#pragma once
// What the transfer benchmarks share: the emulated line and the protocol's limit on it, the
// turnarounds and ratios read from the simulator's line records, the one name=value printout,
// and the floor client's figures.
#include "bench/floor_session.h"
#include "sim/display_simulator.h"
#include "sim/line_records.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace bench {

inline constexpr unsigned kBaud = 921600;
inline constexpr double kLineBytesPerSecond = kBaud / 11.0;  // 8N2: start, 8 data, 2 stop
// Per 250 data bytes the line carries AB n + 250 bytes and AB sum; per 1024, A4 00 + 1024 and A4 sum.
inline constexpr double kSdLimit = kLineBytesPerSecond * 250.0 / 254.0;
inline constexpr double kFlashLimit = kLineBytesPerSecond * 1024.0 / 1028.0;

inline void print(const char* name, double value, int decimals = 4)
{
    std::printf("%s=%.*f\n", name, decimals, value);
    std::fflush(stdout);
}

struct Turnarounds {
    double medianUs = 0, p99Us = 0;
};

// From the simulator's write of an acknowledgement of that kind of frame to its read of the
// next frame's first byte, for the acknowledgements written between the two times.
inline Turnarounds turnarounds(const LineRecords& r, int64_t fromNs, int64_t toNs, FrameKind kind)
{
    std::vector<int64_t> t;
    for (const TurnaroundRecord& x : r.turnarounds)
        if (x.answered == static_cast<int>(kind) && x.answerWrittenNs >= fromNs && x.answerWrittenNs <= toNs)
            t.push_back(x.nextReadNs - x.answerWrittenNs);
    if (t.empty())
        return {};
    std::sort(t.begin(), t.end());
    auto at = [&](double q) { return double(t[std::min(t.size() - 1, size_t(q * double(t.size())))]) / 1000.0; };
    return {at(0.5), at(0.99)};
}

// Bytes per second between the two times over the limit, the simulator's own lateness left out.
inline double ratio(int64_t bytes, int64_t fromNs, int64_t toNs, double limit, const LineRecords& r)
{
    return double(bytes) / (double(toNs - fromNs - r.latenessBetween(fromNs, toNs)) / 1e9) / limit;
}

struct FloorRatios {
    double sd = 0, flash = 0;
};

// Prints sd_floor_ratio, flash_floor_ratio and the floor's turnarounds of a run that sent bytes
// to the SD card and then to a flash slot.
inline FloorRatios printFloorFigures(const FloorSessionResult& floor, int64_t bytes)
{
    FloorRatios r;
    r.sd = ratio(bytes, floor.sd.startNs, floor.sd.endNs, kSdLimit, floor.records);
    r.flash = ratio(bytes, floor.flash.startNs, floor.flash.endNs, kFlashLimit, floor.records);
    print("sd_floor_ratio", r.sd);
    print("flash_floor_ratio", r.flash);
    const Turnarounds sd = turnarounds(floor.records, floor.sd.startNs, floor.sd.endNs, FrameKind::SdBlock);
    const Turnarounds flash = turnarounds(floor.records, floor.flash.startNs, floor.flash.endNs, FrameKind::FlashBlock);
    print("floor_sd_turnaround_median_us", sd.medianUs, 1);
    print("floor_sd_turnaround_p99_us", sd.p99Us, 1);
    print("floor_flash_turnaround_median_us", flash.medianUs, 1);
    print("floor_flash_turnaround_p99_us", flash.p99Us, 1);
    return r;
}

}  // namespace bench
