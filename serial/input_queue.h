#pragma once
// The component's own input queue: every received byte waits here, in order of arrival, until
// it is read or purged.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>

class TnrInputQueue {
public:
    // Appends what fits below capacity bytes, in order; returns how many were taken (the rest is
    // dropped, as by a driver whose queue is full).
    size_t Push(const uint8_t* data, size_t n, size_t capacity);
    // Takes up to len bytes. Waits for missing bytes until all have arrived, the queue is purged,
    // closed or kicked with a pending errand (run by onKick, then the wait goes on), or more than
    // intervalMs (when above 0) pass between two bytes after the first. Returns the count taken.
    size_t Take(uint8_t* out, size_t len, uint32_t intervalMs, const std::function<void()>& onKick);
    // Takes what waits, at most len bytes, without waiting.
    size_t TakeAvailable(uint8_t* out, size_t len);
    size_t Size() const;
    // Discards the queue and ends a read in progress.
    void Purge();
    // Open: reads wait; closed: reads end at once.
    void SetOpen(bool open);
    bool IsOpen() const;
    // Wakes a waiting read so that it runs its errand.
    void Kick();

private:
    mutable std::mutex lock_;
    std::condition_variable cv_;
    std::deque<uint8_t> bytes_;
    uint64_t purges_ = 0;
    uint64_t kicks_ = 0;
    bool open_ = false;
};
