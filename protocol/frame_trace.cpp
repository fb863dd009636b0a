#include "protocol/frame_trace.h"

#include "protocol/command_catalogue.h"

#include <cstdio>

namespace {

constexpr uint8_t kHello = 0xA1;
constexpr uint8_t kCommand = 0xA6;
constexpr uint8_t kGoodbye = 0xAE;
constexpr uint8_t kSdOpen = 0xAA;
constexpr uint8_t kSdBlock = 0xAB;
constexpr uint8_t kSdClose = 0xAC;
constexpr uint8_t kFlashOpen = 0xA3;
constexpr uint8_t kFlashBlock = 0xA4;
constexpr uint8_t kSizeQueryCode = 0x20;
// The transmission frame says 14 bytes follow and carries 13.
constexpr uint8_t kTransmissionCode = 0x23;
constexpr uint8_t kTransmissionLengthByte = 0x0E;
constexpr size_t kFlashBlockFrame = 2 + 1024;
// Frames longer than this show their first bytes and their length.
constexpr size_t kHexShown = 24;

std::string commandName(uint8_t code)
{
    if (code == kSizeQueryCode)
        return "size query";
    for (const CommandControl& c : commandControls())
        if (c.code == code || (c.param == ParamKind::TickedCode && static_cast<uint8_t>(c.value) == code))
            return std::string("command ") + c.caption;
    char buf[32];
    std::snprintf(buf, sizeof buf, "command 0x%02X", code);
    return buf;
}

}  // namespace

std::string nameOutgoingFrame(std::span<const uint8_t> frame)
{
    if (frame.empty())
        return "empty";
    switch (frame[0]) {
    case kHello:
        return "hello";
    case kGoodbye:
        return "goodbye";
    case kCommand:
        return frame.size() >= 3 ? commandName(frame[2]) : "command";
    case kSdOpen:
        return "SD open";
    case kSdBlock:
        return "SD block";
    case kSdClose:
        return "SD close";
    case kFlashOpen:
        return "flash open";
    case kFlashBlock:
        return "flash block";
    default:
        return "unknown";
    }
}

size_t OutgoingFrameSplitter::frameLength(std::span<const uint8_t> start)
{
    if (start.empty())
        return 0;
    switch (start[0]) {
    case kGoodbye:
    case kFlashOpen:
        return 3;
    case kSdClose:
        return 2;
    case kFlashBlock:
        return kFlashBlockFrame;
    case kHello:
    case kSdOpen:
    case kSdBlock:
        return start.size() >= 2 ? 2 + size_t{start[1]} : 0;
    case kCommand:
        if (start.size() < 3)
            return 0;
        if (start[2] == kTransmissionCode && start[1] == kTransmissionLengthByte)
            return 2 + 13;
        return 2 + size_t{start[1]};
    default:
        return 1;  // a byte of no frame stands alone
    }
}

std::vector<std::vector<uint8_t>> OutgoingFrameSplitter::feed(std::span<const uint8_t> bytes)
{
    std::vector<std::vector<uint8_t>> frames;
    for (uint8_t b : bytes) {
        pending_.push_back(b);
        const size_t length = frameLength(pending_);
        if (length != 0 && pending_.size() >= length) {
            frames.push_back(std::move(pending_));
            pending_.clear();
        }
    }
    return frames;
}

std::string formatTraceEntry(const TraceEntry& entry)
{
    char head[48];
    std::snprintf(head, sizeof head, "[%6llu.%03llu] %s ", static_cast<unsigned long long>(entry.timeMs / 1000),
                  static_cast<unsigned long long>(entry.timeMs % 1000),
                  entry.direction == TraceDirection::ToDisplay ? "->" : "<-");
    std::string line = head;
    char buf[4];
    for (size_t i = 0; i < entry.bytes.size() && i < kHexShown; ++i) {
        std::snprintf(buf, sizeof buf, "%s%02X", i ? " " : "", entry.bytes[i]);
        line += buf;
    }
    if (entry.bytes.size() > kHexShown)
        line += " ... (" + std::to_string(entry.bytes.size()) + " bytes)";
    line += "  " + entry.name;
    return line;
}

FrameTrace::FrameTrace(size_t capacity) : capacity_(capacity == 0 ? 1 : capacity) {}

void FrameTrace::record(TraceDirection direction, std::span<const uint8_t> bytes, uint64_t timeMs)
{
    std::lock_guard<std::mutex> guard(mutex_);
    if (direction == TraceDirection::FromDisplay) {
        add(TraceEntry{timeMs, direction, std::vector<uint8_t>(bytes.begin(), bytes.end()), "reply"});
        return;
    }
    for (std::vector<uint8_t>& frame : splitter_.feed(bytes)) {
        std::string name = nameOutgoingFrame(frame);
        add(TraceEntry{timeMs, direction, std::move(frame), std::move(name)});
    }
}

void FrameTrace::add(TraceEntry entry)
{
    if (entries_.size() == capacity_)
        entries_.pop_front();
    entries_.push_back(std::move(entry));
    if (observer_)
        observer_(entries_.back());
}

void FrameTrace::setObserver(std::function<void(const TraceEntry&)> observer)
{
    std::lock_guard<std::mutex> guard(mutex_);
    observer_ = std::move(observer);
}

std::vector<TraceEntry> FrameTrace::entries() const
{
    std::lock_guard<std::mutex> guard(mutex_);
    return {entries_.begin(), entries_.end()};
}

void FrameTrace::clear()
{
    std::lock_guard<std::mutex> guard(mutex_);
    entries_.clear();
    splitter_ = OutgoingFrameSplitter{};  // a frame cut off by the clear would swallow the next
}
