#pragma once
#include "transfer/whole_file.h"

#include <QString>

#include <atomic>
#include <thread>

// Reads a large file on a thread of its own, so the window's thread never waits for the disk:
// a step starts the read, looks again on the loop's timer until it is ready, and takes the
// file. Cancelling (Stop, a transfer abandoned) ends the read within one chunk and frees what
// it had read.
class BackgroundFileRead {
public:
    // Files up to this size are read on the spot: they take a millisecond or two.
    static constexpr int64_t kReadInPlace = 4 * 1024 * 1024;

    BackgroundFileRead() = default;
    BackgroundFileRead(const BackgroundFileRead&) = delete;
    BackgroundFileRead& operator=(const BackgroundFileRead&) = delete;
    ~BackgroundFileRead() { cancel(); }

    void start(const QString& path);
    bool busy() const { return thread_.joinable(); }
    bool ready() const { return done_.load(std::memory_order_acquire); }
    // Once ready(): the file, and the reader is free again.
    WholeFile take();
    void cancel();

private:
    std::thread thread_;
    std::atomic<bool> done_{false};
    std::atomic<bool> cancelled_{false};
    WholeFile result_;
};
