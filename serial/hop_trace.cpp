// The trace build's stamps: a fixed array filled through one atomic index, so a mark takes no
// lock and allocates nothing on the hot path; stamps past its end are dropped.
#include "serial/hop_trace.h"

#include <array>
#include <atomic>
#include <chrono>

namespace hoptrace {
namespace {

constexpr size_t kCapacity = size_t(1) << 20;
std::array<Stamp, kCapacity> stamps;
std::atomic<size_t> used{0};

}  // namespace

void Mark(Hop hop)
{
    const size_t at = used.fetch_add(1, std::memory_order_relaxed);
    if (at >= kCapacity)
        return;
    const int64_t ns =
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
    stamps[at] = {hop, ns};
}

std::vector<Stamp> Take()
{
    // called once the line is quiet: no mark runs concurrently
    const size_t n = std::min(used.exchange(0), kCapacity);
    return std::vector<Stamp>(stamps.begin(), stamps.begin() + static_cast<std::ptrdiff_t>(n));
}

}  // namespace hoptrace
