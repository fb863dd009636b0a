#pragma once
// Where a turnaround's time goes, in a trace build: each acknowledgement the simulator wrote is
// followed through the hops stamped in this process (line event, handling, count, send, write)
// up to the simulator's read of the next block; the median and p99 of each hop are printed.
#include "bench/line_figures.h"
#include "serial/hop_trace.h"

#include <algorithm>
#include <string>
#include <vector>

namespace bench {

// The shell's hops, in the order an acknowledgement takes them.
inline const std::vector<hoptrace::Hop> kShellHops = {hoptrace::Hop::LineEvent, hoptrace::Hop::Handling, hoptrace::Hop::Counted,
                                                      hoptrace::Hop::Sending, hoptrace::Hop::Written};
// The floor client's: its poll returns, its write is done.
inline const std::vector<hoptrace::Hop> kFloorHops = {hoptrace::Hop::LineEvent, hoptrace::Hop::Written};

inline const char* hopName(hoptrace::Hop hop)
{
    switch (hop) {
    case hoptrace::Hop::LineEvent:
        return "to_line_event";
    case hoptrace::Hop::Handling:
        return "to_handling";
    case hoptrace::Hop::Counted:
        return "to_counted";
    case hoptrace::Hop::Sending:
        return "to_sending";
    case hoptrace::Hop::Written:
        return "to_written";
    }
    return "?";
}

inline void printHopFigures(const char* prefix, const std::vector<hoptrace::Hop>& order, std::vector<hoptrace::Stamp> stamps,
                            const LineRecords& r, int64_t fromNs, int64_t toNs, FrameKind kind)
{
    std::sort(stamps.begin(), stamps.end(), [](const auto& a, const auto& b) { return a.ns < b.ns; });
    std::vector<std::string> names;
    for (hoptrace::Hop h : order)
        names.push_back(hopName(h));
    names.push_back("to_simulator");
    const size_t kSegments = names.size();
    std::vector<std::vector<int64_t>> segments(kSegments);
    for (const TurnaroundRecord& x : r.turnarounds) {
        if (x.answered != static_cast<int>(kind) || x.answerWrittenNs < fromNs || x.answerWrittenNs > toNs)
            continue;
        std::vector<int64_t> at(kSegments + 1);
        at[0] = x.answerWrittenNs;
        auto it = std::lower_bound(stamps.begin(), stamps.end(), x.answerWrittenNs,
                                   [](const hoptrace::Stamp& s, int64_t ns) { return s.ns < ns; });
        bool whole = true;
        for (size_t h = 0; h < order.size() && whole; ++h) {
            it = std::find_if(it, stamps.end(), [&](const hoptrace::Stamp& s) { return s.hop == order[h]; });
            whole = it != stamps.end() && it->ns <= x.nextReadNs;
            if (whole)
                at[h + 1] = it->ns;
        }
        if (!whole)
            continue;
        at[kSegments] = x.nextReadNs;
        for (size_t s = 0; s < kSegments; ++s)
            segments[s].push_back(at[s + 1] - at[s]);
    }
    print((std::string(prefix) + "_hops_followed").c_str(), double(segments[0].size()), 0);
    for (size_t s = 0; s < kSegments; ++s) {
        std::vector<int64_t>& t = segments[s];
        if (t.empty())
            continue;
        std::sort(t.begin(), t.end());
        auto q = [&](double p) { return double(t[std::min(t.size() - 1, size_t(p * double(t.size())))]) / 1000.0; };
        print((std::string(prefix) + "_hop_" + names[s] + "_median_us").c_str(), q(0.5), 1);
        print((std::string(prefix) + "_hop_" + names[s] + "_p99_us").c_str(), q(0.99), 1);
    }
}

}  // namespace bench
