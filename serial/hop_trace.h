#pragma once
// Time stamps of the hops a block acknowledgement takes on its way to the next block (the line
// event, its handling, the count, the send, the write), for a trace build only
// (-DKORVANE_HOP_TRACE=ON): the transfer benchmark lines them up with the simulator's
// turnarounds to show where the time goes. In every other build a mark costs nothing.
#include <cstdint>
#include <vector>

namespace hoptrace {

enum class Hop : uint8_t {
    LineEvent,  // the comm thread's wait returned with input
    Handling,   // the handling thread began on the event
    Counted,    // the bytes are in the input queue and counted
    Sending,    // the hot path hands the next block over
    Written,    // the driver has taken a frame
};

struct Stamp {
    Hop hop;
    int64_t ns;  // steady clock, as the simulator's line records
};

#ifdef KORVANE_HOP_TRACE
inline constexpr bool kEnabled = true;
void Mark(Hop hop);
// The stamps recorded so far, oldest first; clears them.
std::vector<Stamp> Take();
#else
inline constexpr bool kEnabled = false;
inline void Mark(Hop) {}
inline std::vector<Stamp> Take() { return {}; }
#endif

}  // namespace hoptrace
