#pragma once
// The one thread that writes to the port: blocks and bytes leave in the order handed over.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "serial/serial_platform.h"

class TnrWriterThread {
public:
    // Writes through the port, which it holds until its thread ends. onBlockFailed is called on
    // the writer's thread when a queued block (not a waited send) fails, and when any write finds
    // the device gone (lost set); it may close the port and let go of this writer (the thread
    // then ends on its own, on state it keeps alive itself).
    TnrWriterThread(nrplatform::PortPtr port, std::function<void(int error, bool lost)> onBlockFailed);
    // Stops the thread: waits for its end, unless called on the writer's own thread.
    ~TnrWriterThread();

    // Queues a copy of a block and returns at once. timeoutMs 0: no time limit. Where the driver
    // takes a frame at once (Port::WritesAtOnce) and nothing is queued, the caller writes what
    // the driver takes itself and queues only the rest.
    void Post(const void* data, size_t n, uint32_t timeoutMs);
    // Queues bytes and waits until they have been written; returns 0 or the error code.
    int Send(const void* data, size_t n, uint32_t timeoutMs);
    // Bytes handed over and not yet written.
    size_t Pending() const;
    // Drops queued blocks and ends the write in progress; waiting senders get the error, and
    // a dropped queued block is reported when report is set.
    void Cancel(int error, bool report);
    // Ends the thread without waiting for it: later sends fail at once.
    void Stop();
    // Waits until every queued block has been written or dropped.
    void WaitIdle();
    // Counts writes that ended (so the end of a transmission can be told).
    uint64_t Completed() const;
    bool OnWriterThread() const { return std::this_thread::get_id() == thread_.get_id(); }

private:
    struct State;
    std::shared_ptr<State> s_;  // shared with the thread, which may outlive this object
    std::thread thread_;
};
