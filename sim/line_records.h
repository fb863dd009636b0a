#pragma once
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// What the simulator's transport noted about its own timing, for benchmarks: how late each of
// its writes left against the time the emulated line allowed, and the shell's turnarounds.
// Times are nanoseconds of the steady clock (CLOCK_MONOTONIC), comparable across processes.
struct WakeUpRecord {
    std::int64_t dueNs = 0;   // when the bytes were due to leave (after the line and the reply latency)
    std::int64_t lateNs = 0;  // how much later the simulator actually wrote them
};

// From the simulator's write of an answer's last byte (the moment just before the write call, so
// the shell cannot have had the bytes earlier) to its read of the next bytes from the shell (the
// moment the read call returned).
struct TurnaroundRecord {
    std::int64_t answerWrittenNs = 0;
    std::int64_t nextReadNs = 0;
    int answered = 0;  // the FrameKind of the frame answered, as a number
};

struct LineRecords {
    std::vector<WakeUpRecord> wakeUps;  // one per write, oldest first, up to the record limit
    std::vector<TurnaroundRecord> turnarounds;
    std::int64_t totalLateNs = 0;  // over every write, those past the record limit included
    std::uint64_t writes = 0;
    std::uint64_t bytesRead = 0;
    std::uint64_t bytesWritten = 0;

    // Sum of the lateness of the writes due within [fromNs, toNs].
    std::int64_t latenessBetween(std::int64_t fromNs, std::int64_t toNs) const;
};

// The records as text: a header of name=value lines, then "wake <due> <late>" and
// "turn <written> <read> <kind>" lines.
std::string formatLineRecords(const LineRecords& records);
std::optional<LineRecords> parseLineRecords(const std::string& text);
// Writes the file whole (through a temporary file and a rename); false on failure.
bool writeLineRecordsFile(const std::filesystem::path& path, const LineRecords& records);
std::optional<LineRecords> readLineRecordsFile(const std::filesystem::path& path);
