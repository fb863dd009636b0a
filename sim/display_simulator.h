#pragma once
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "sim/display_commands.h"
#include "sim/display_state.h"
#include "sim/display_storage.h"
#include "sim/failure_modes.h"

struct SimulatorOptions {
    VolumeSizes volumes;
    FailureSettings failures;
    StorageOptions storage{};   // the SD folder, the flash folder, the code page of SD names
    std::size_t logLimit = 0;   // entries kept in the log, the oldest dropped first; 0 keeps all
    SettingsRecords records{};  // the settings records the display starts with
};

enum class FrameKind { Hello, Command, Goodbye, Garbage, SdOpen, SdBlock, SdClose, FlashOpen, FlashBlock };

// One entry of the display's log: a frame it took, or one stray byte it skipped.
struct FrameRecord {
    std::uint64_t timeMs = 0;  // steady clock, milliseconds since the simulator was made
    FrameKind kind = FrameKind::Garbage;
    std::vector<std::uint8_t> raw;        // the bytes exactly as received
    std::string name;                     // "hello", "goodbye", "garbage", the command's name, or "SD open",
                                          // "SD block", "SD close", "flash open", "flash block"
    std::string detail;                   // transfer frames: the file, the block, the sums
    std::optional<CommandFrame> command;  // decoded, for command frames
    bool wellFormed = true;               // false for unknown codes and wrong parameter counts
    int transferFile = 0;                 // transfer frames: the file's number (TransferRecord::file), 0 when none
    int block = 0;                        // block frames: 1-based within their file
};

// One thing the transport does on the display's behalf: wait, then write bytes, or close the line.
struct OutputStep {
    std::chrono::milliseconds pauseBefore{0};
    std::vector<std::uint8_t> bytes;
    bool dropLine = false;
    FrameKind answers = FrameKind::Garbage;  // the kind of frame this step answers
    std::size_t inputEnd = 0;                // bytes of the fed piece up to and including the last byte of that frame
};

// The display's behaviour, independent of any transport: fed with the bytes the PC sends,
// in pieces of any size, it finds the frames, acts on them and says what to send back.
// Thread-safe: one thread feeds while others read the log and the state.
class DisplaySimulator {
public:
    explicit DisplaySimulator(SimulatorOptions options = {});

    // Takes received bytes; returns what to send back, with the failure modes applied.
    std::vector<OutputStep> feed(std::span<const std::uint8_t> bytes);

    // A new line: forgets a frame cut off by the old one and restarts the frame count of DropLine.
    void startLine();

    // A copy of the log, oldest entry first.
    std::vector<FrameRecord> log() const;
    DisplayState state() const;
    FailureSettings failures() const;
    void setFailures(const FailureSettings& failures);

    // Number of log entries that are frames (hello, command, goodbye, transfers), garbage excluded.
    std::size_t frameCount() const;
    // Waits until at least n frames were taken; false when the time ran out first.
    bool waitForFrames(std::size_t n, std::chrono::milliseconds timeout) const;

    // The files sent to the SD card and the flash slots, oldest first.
    std::vector<TransferRecord> transfers() const;
    // Waits until the transfers satisfy done (checked after every frame); false on time-out.
    bool waitForTransfers(const std::function<bool(const std::vector<TransferRecord>&)>& done,
                          std::chrono::milliseconds timeout) const;
    const StorageOptions& storageOptions() const { return storage_.options(); }

    // Called for every new log entry, on the feeding thread, outside the simulator's lock.
    void setObserver(std::function<void(const FrameRecord&)> observer);

private:
    enum class Scan { Incomplete, NotAFrame, Complete };
    struct ScanResult {
        Scan scan;
        std::size_t length = 0;
    };
    struct MarkerInfo {
        std::uint8_t marker;
        ScanResult (*scan)(std::span<const std::uint8_t> pending);
        std::vector<std::uint8_t> (DisplaySimulator::*take)(FrameRecord& record);
    };
    static const MarkerInfo* findMarker(std::uint8_t marker);

    static ScanResult scanHello(std::span<const std::uint8_t> pending);
    static ScanResult scanGoodbye(std::span<const std::uint8_t> pending);
    static ScanResult scanCommand(std::span<const std::uint8_t> pending);
    std::vector<std::uint8_t> takeHello(FrameRecord& record);
    std::vector<std::uint8_t> takeGoodbye(FrameRecord& record);
    std::vector<std::uint8_t> takeCommand(FrameRecord& record);

    // The transfer frames (display_transfer_frames.cpp).
    static ScanResult scanSdOpen(std::span<const std::uint8_t> pending);
    static ScanResult scanSdBlock(std::span<const std::uint8_t> pending);
    static ScanResult scanSdClose(std::span<const std::uint8_t> pending);
    static ScanResult scanFlashOpen(std::span<const std::uint8_t> pending);
    static ScanResult scanFlashBlock(std::span<const std::uint8_t> pending);
    std::vector<std::uint8_t> takeSdOpen(FrameRecord& record);
    std::vector<std::uint8_t> takeSdBlock(FrameRecord& record);
    std::vector<std::uint8_t> takeSdClose(FrameRecord& record);
    std::vector<std::uint8_t> takeFlashOpen(FrameRecord& record);
    std::vector<std::uint8_t> takeFlashBlock(FrameRecord& record);
    std::vector<std::uint8_t> takeBlock(FrameRecord& record, TransferKind kind, std::span<const std::uint8_t> data);

    // True when the failure modes apply to this frame (FailureSettings::target).
    bool strikes(const FrameRecord& record) const;
    void appendOutput(std::vector<OutputStep>& out, std::vector<std::uint8_t> reply, const FrameRecord& record);
    std::uint64_t nowMs() const;

    const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    mutable std::mutex mutex_;
    mutable std::condition_variable frameTaken_;
    FailureSettings failures_;
    DisplayState state_;
    DisplayStorage storage_;
    std::vector<std::uint8_t> pending_;
    std::deque<FrameRecord> log_;
    std::size_t logLimit_ = 0;
    std::size_t frames_ = 0;
    std::size_t struckOnLine_ = 0;  // frames on this line that the failure modes strike
    std::function<void(const FrameRecord&)> observer_;
};
