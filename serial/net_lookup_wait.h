#pragma once
// The name lookup of a network bridge, on both systems: a numeric address needs no thread; a name
// is looked up on a thread of its own, which may outlive an attempt that was abandoned (it then
// ends by itself and frees what it found), while the attempt waits in slices of kNetWaitSliceMs
// and asks keepWaiting between them.
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "serial/net_port.h"

namespace nrplatform {

using NetClock = std::chrono::steady_clock;

inline int RemainingMs(NetClock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - NetClock::now()).count();
    return left <= 0 ? 0 : static_cast<int>(left);
}

// What a lookup found, shared by the attempt and the lookup's thread; Free lets the list go.
template <class AddrInfo, class Free>
struct DetachedLookup {
    std::mutex lock;
    std::condition_variable done;
    bool finished = false;
    int status = 0;
    AddrInfo* result = nullptr;
    ~DetachedLookup()
    {
        if (result)
            Free{}(result);
    }
};

// Runs `lookUp` (which returns the system's status and the list it found) on a thread of its own
// and waits for it: 0, kErrNameNotFound, kErrNetTimedOut or kErrCancelled.
template <class Lookup, class LookUp>
int WaitForLookup(const std::shared_ptr<Lookup>& lookup, LookUp lookUp, NetClock::time_point deadline,
                  const KeepWaiting& keepWaiting)
{
    std::thread([lookup, lookUp] {
        const auto [status, result] = lookUp();
        std::lock_guard<std::mutex> guard(lookup->lock);
        lookup->status = status;
        lookup->result = result;
        lookup->finished = true;
        lookup->done.notify_all();
    }).detach();
    std::unique_lock<std::mutex> guard(lookup->lock);
    for (;;) {
        if (lookup->finished)
            return lookup->status == 0 && lookup->result ? 0 : kErrNameNotFound;
        const int left = RemainingMs(deadline);
        if (left == 0)
            return kErrNetTimedOut;
        lookup->done.wait_for(guard, std::chrono::milliseconds(left < kNetWaitSliceMs ? left : kNetWaitSliceMs));
        if (lookup->finished)
            continue;
        guard.unlock();
        const bool goOn = !keepWaiting || keepWaiting();
        guard.lock();
        if (!goOn)
            return kErrCancelled;
    }
}

}  // namespace nrplatform
