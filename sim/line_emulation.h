#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// A serial line's pace: how long its bytes take at a baud rate and frame format. Times are
// nanoseconds of the steady clock (CLOCK_MONOTONIC, the same in every process of the machine).
struct LineFormat {
    unsigned baud = 0;              // 0: no emulation, bytes move as fast as the pseudo-terminal takes them
    unsigned halfBitsPerByte = 22;  // start, data, parity and stop bits, counted in halves: 8N2 = 11 bits

    bool emulated() const { return baud != 0; }
    // Time on the line of n bytes sent back to back.
    std::int64_t nsFor(std::uint64_t bytes) const;
    double bitsPerByte() const { return halfBitsPerByte / 2.0; }
};

// Half-bits per byte of a frame format such as "8N2", "8N1", "7E1", "8O1.5"; nothing when malformed.
std::optional<unsigned> parseFrameFormat(std::string_view text);

// One direction of the line. Bytes handed to it leave back to back: a burst starts when bytes
// come while the line is idle, and every byte's time is measured from the burst's start, so
// rounding and late wake-ups never add up.
class LineDirection {
public:
    explicit LineDirection(LineFormat format = {}) : format_(format) {}

    // Puts n bytes on the line, handed over at time `at`; returns the time the first of them
    // starts. The k-th of them (1-based) has crossed at byteTime(k).
    std::int64_t put(std::int64_t at, std::uint64_t n);
    // When the k-th byte (1-based) of the last put has crossed the line.
    std::int64_t byteTime(std::uint64_t k) const { return start_ + format_.nsFor(before_ + k); }
    // When the line is idle again.
    std::int64_t freeAt() const { return start_ + format_.nsFor(count_); }

private:
    LineFormat format_;
    std::int64_t start_ = 0;    // the burst's start
    std::uint64_t count_ = 0;   // bytes of the burst so far
    std::uint64_t before_ = 0;  // bytes of the burst before the last put
};

// Now, in nanoseconds of the steady clock.
std::int64_t steadyNowNs();
