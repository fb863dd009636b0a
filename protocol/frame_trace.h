#pragma once
// The protocol trace: every frame on the line with its time, its direction, its bytes and its
// name, in a bounded ring (the oldest entries go first). Plain C++; fed from any thread.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <vector>

enum class TraceDirection { ToDisplay, FromDisplay };

struct TraceEntry {
    uint64_t timeMs = 0;  // since the trace began
    TraceDirection direction = TraceDirection::ToDisplay;
    std::vector<uint8_t> bytes;
    std::string name;
};

// The name of one whole frame the shell sends: "hello", "goodbye", "size query", the command's
// caption ("command Read Config"), "SD open", "SD block", "SD close", "flash open", "flash block".
std::string nameOutgoingFrame(std::span<const uint8_t> frame);

// Cuts the bytes the shell sends, which leave in pieces of any size, into whole frames.
class OutgoingFrameSplitter {
public:
    // Takes the next bytes; returns the frames they complete, in order.
    std::vector<std::vector<uint8_t>> feed(std::span<const uint8_t> bytes);
    // The bytes of a frame not yet complete.
    const std::vector<uint8_t>& pending() const { return pending_; }

    // The whole length of a frame that starts with these bytes, or 0 while it cannot be known yet.
    static size_t frameLength(std::span<const uint8_t> start);

private:
    std::vector<uint8_t> pending_;
};

// One line of the trace: "[   12.345] -> A6 01 18  command Read Config".
std::string formatTraceEntry(const TraceEntry& entry);

class FrameTrace {
public:
    explicit FrameTrace(size_t capacity = 4096);

    // Bytes seen on the line at timeMs: those sent are cut into frames, those received are one
    // entry per piece as it arrived.
    void record(TraceDirection direction, std::span<const uint8_t> bytes, uint64_t timeMs);
    // Called with each new entry, under the trace's lock.
    void setObserver(std::function<void(const TraceEntry&)> observer);
    std::vector<TraceEntry> entries() const;
    void clear();

private:
    void add(TraceEntry entry);

    mutable std::mutex mutex_;
    size_t capacity_;
    std::deque<TraceEntry> entries_;
    OutgoingFrameSplitter splitter_;
    std::function<void(const TraceEntry&)> observer_;
};
