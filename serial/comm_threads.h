#pragma once
// The receive threads of an open port: the comm thread waits for line events and runs the
// receive handling itself; under UseMainThread it posts them instead, and the message thread
// takes them from its own queue and has the component's thread run the handling.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "serial/serial_platform.h"
#include "serial/thread_messages.h"

class TnrCustomComm;
class TMsgThread;

// Who owns these threads and which locks they take: see the top of nr_custom_comm.h.
class TCommThread {
public:
    // Holds the port until the thread ends; posts to messages, which outlives it.
    TCommThread(TnrCustomComm* Owner, TMsgThread* messages, nrplatform::PortPtr port, nrplatform::WakeEventPtr wake);
    ~TCommThread();  // terminates and waits for the end (never destroyed on its own thread)
    void Terminate();
    bool Terminated() const { return terminated_; }
    bool Finished() const { return finished_; }
    bool IsCurrent() const { return std::this_thread::get_id() == thread_.get_id(); }

private:
    void Execute(nrplatform::PortPtr port);
    TnrCustomComm* Com;
    TMsgThread* Messages;
    nrplatform::WakeEventPtr ovl;  // wake event: Terminate and a new event mask signal it
    std::atomic<bool> terminated_{false};
    std::atomic<bool> finished_{false};
    std::thread thread_;
};

class TMsgThread {
public:
    explicit TMsgThread(TnrCustomComm* Owner);
    ~TMsgThread();  // terminates and waits for the end (never destroyed on its own thread)
    void Terminate();
    bool Terminated() const { return terminated_; }
    bool Finished() const { return finished_; }
    // Posts a message to the thread's queue.
    bool Post(const TnrThreadMessage& msg);
    std::thread::id ThreadId() const { return thread_.get_id(); }
    bool IsCurrent() const { return std::this_thread::get_id() == thread_.get_id(); }

private:
    void Execute();
    TnrCustomComm* Com;
    TnrThreadMessage glMsg;
    TnrMessageQueue queue_;
    std::atomic<bool> terminated_{false};
    std::atomic<bool> finished_{false};
    std::thread thread_;
};

// Runs the receive handling on the component's thread for the message thread, which waits for
// it; a waiting Read or the component's event loop runs it, and nothing runs once terminated.
class TnrMainThreadRelay {
public:
    // Called on the message thread: hands the errand over, asks for it to be run and waits for it
    // or for terminated to become true.
    void Run(std::function<void()> errand, const std::atomic<bool>& terminated, const std::function<void()>& requestRun);
    // Called on the component's thread: runs a pending errand, if any.
    void RunPending();
    bool HasPending() const;
    // Wakes the message thread's wait (after setting its terminated flag).
    void Wake();

private:
    mutable std::mutex lock_;
    std::condition_variable cv_;
    std::function<void()> pending_;
    const std::atomic<bool>* terminated_ = nullptr;
    uint64_t posted_ = 0;
    uint64_t pendingSeq_ = 0;
    uint64_t done_ = 0;
};
