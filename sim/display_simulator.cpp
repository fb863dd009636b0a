#include "sim/display_simulator.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<std::uint8_t, 6> kHello{0xA1, 0x04, 0x34, 0x45, 0x56, 0x67};
constexpr std::array<std::uint8_t, 3> kGoodbye{0xAE, 0x00, 0x55};
constexpr std::uint8_t kCommandMarker = 0xA6;

// Matches a fixed sequence against the start of the pending bytes.
template <std::size_t N>
auto scanFixed(std::span<const std::uint8_t> pending, const std::array<std::uint8_t, N>& sequence)
{
    const std::size_t n = std::min(pending.size(), N);
    const bool prefixMatches = std::equal(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(n), sequence.begin());
    return std::pair{prefixMatches, n == N};
}

}  // namespace

DisplaySimulator::DisplaySimulator(SimulatorOptions options)
    : failures_(options.failures), storage_(std::move(options.storage)), logLimit_(options.logLimit)
{
    state_.volumes = options.volumes;
    state_.config = options.records.config;
    state_.extraCoding = options.records.extraCoding;
    state_.turboTimer = options.records.turboTimer;
    state_.transmission = options.records.transmission;
}

// The frame markers the display knows; each has a scanner that finds the frame's end and a
// handler that acts on it.
const DisplaySimulator::MarkerInfo* DisplaySimulator::findMarker(std::uint8_t marker)
{
    static const std::array<MarkerInfo, 8> kMarkers{
        MarkerInfo{kHello[0], &DisplaySimulator::scanHello, &DisplaySimulator::takeHello},
        MarkerInfo{0xA3, &DisplaySimulator::scanFlashOpen, &DisplaySimulator::takeFlashOpen},
        MarkerInfo{0xA4, &DisplaySimulator::scanFlashBlock, &DisplaySimulator::takeFlashBlock},
        MarkerInfo{0xAA, &DisplaySimulator::scanSdOpen, &DisplaySimulator::takeSdOpen},
        MarkerInfo{0xAB, &DisplaySimulator::scanSdBlock, &DisplaySimulator::takeSdBlock},
        MarkerInfo{0xAC, &DisplaySimulator::scanSdClose, &DisplaySimulator::takeSdClose},
        MarkerInfo{kCommandMarker, &DisplaySimulator::scanCommand, &DisplaySimulator::takeCommand},
        MarkerInfo{kGoodbye[0], &DisplaySimulator::scanGoodbye, &DisplaySimulator::takeGoodbye},
    };
    for (const MarkerInfo& info : kMarkers)
        if (info.marker == marker)
            return &info;
    return nullptr;
}

DisplaySimulator::ScanResult DisplaySimulator::scanHello(std::span<const std::uint8_t> pending)
{
    const auto [matches, complete] = scanFixed(pending, kHello);
    if (!matches)
        return {Scan::NotAFrame};
    return complete ? ScanResult{Scan::Complete, kHello.size()} : ScanResult{Scan::Incomplete};
}

DisplaySimulator::ScanResult DisplaySimulator::scanGoodbye(std::span<const std::uint8_t> pending)
{
    const auto [matches, complete] = scanFixed(pending, kGoodbye);
    if (!matches)
        return {Scan::NotAFrame};
    return complete ? ScanResult{Scan::Complete, kGoodbye.size()} : ScanResult{Scan::Incomplete};
}

DisplaySimulator::ScanResult DisplaySimulator::scanCommand(std::span<const std::uint8_t> pending)
{
    if (pending.size() >= 2 && pending[1] == 0)
        return {Scan::NotAFrame};  // a command frame holds at least its code
    if (pending.size() < 3)
        return {Scan::Incomplete};
    const CommandInfo* info = findCommand(pending[2]);
    const std::size_t length = 2 + (info ? info->bodyLength(pending[1]) : pending[1]);
    return pending.size() >= length ? ScanResult{Scan::Complete, length} : ScanResult{Scan::Incomplete};
}

std::vector<std::uint8_t> DisplaySimulator::takeHello(FrameRecord& record)
{
    record.kind = FrameKind::Hello;
    record.name = "hello";
    ++state_.hellos;
    return {};
}

std::vector<std::uint8_t> DisplaySimulator::takeGoodbye(FrameRecord& record)
{
    record.kind = FrameKind::Goodbye;
    record.name = "goodbye";
    ++state_.goodbyes;
    return {};
}

std::vector<std::uint8_t> DisplaySimulator::takeCommand(FrameRecord& record)
{
    CommandFrame frame;
    frame.lengthByte = record.raw[1];
    frame.code = record.raw[2];
    frame.params.assign(record.raw.begin() + 3, record.raw.end());

    record.kind = FrameKind::Command;
    record.name = describeCommand(frame);
    ++state_.commandCounts[frame.code];

    const CommandInfo* info = findCommand(frame.code);
    record.wellFormed = info && info->acceptsParamCount(frame.params.size());
    std::vector<std::uint8_t> reply;
    if (record.wellFormed && info->handler)
        reply = info->handler(state_, frame);
    record.command = std::move(frame);
    return reply;
}

bool DisplaySimulator::strikes(const FrameRecord& record) const
{
    const FailureTarget& t = failures_.target;
    if (!t.transfersOnly)
        return true;
    return record.transferFile != 0 && (t.file == 0 || t.file == record.transferFile)
        && (t.block == 0 || t.block == record.block);
}

void DisplaySimulator::appendOutput(std::vector<OutputStep>& out, std::vector<std::uint8_t> reply, const FrameRecord& record)
{
    if (reply.empty())
        return;
    if (!strikes(record)) {
        OutputStep step;
        step.bytes = std::move(reply);
        out.push_back(std::move(step));
        return;
    }
    if (failures_.has(FailureMode::Silent))
        return;
    if (failures_.has(FailureMode::GarbageBeforeReply)) {
        std::vector<std::uint8_t> garbage;
        for (int i = 0; i < failures_.garbageBytes; ++i)
            garbage.push_back(static_cast<std::uint8_t>(0xE0 + i % 16));
        reply.insert(reply.begin(), garbage.begin(), garbage.end());
    }
    const std::chrono::milliseconds delay =
        failures_.has(FailureMode::DelayReplies) ? failures_.replyDelay : std::chrono::milliseconds{0};
    std::size_t pieces = 1;
    if (failures_.has(FailureMode::SplitReplies))
        pieces = std::clamp<std::size_t>(static_cast<std::size_t>(std::max(failures_.splitPieces, 1)), 1, reply.size());

    std::size_t offset = 0;
    for (std::size_t i = 0; i < pieces; ++i) {
        const std::size_t size = reply.size() / pieces + (i < reply.size() % pieces ? 1 : 0);
        OutputStep step;
        step.pauseBefore = i == 0 ? delay : failures_.splitPause;
        step.bytes.assign(reply.begin() + static_cast<std::ptrdiff_t>(offset),
                          reply.begin() + static_cast<std::ptrdiff_t>(offset + size));
        offset += size;
        out.push_back(std::move(step));
    }
}

std::vector<OutputStep> DisplaySimulator::feed(std::span<const std::uint8_t> bytes)
{
    std::vector<OutputStep> out;
    std::vector<FrameRecord> added;
    std::function<void(const FrameRecord&)> observer;
    {
        std::lock_guard lock(mutex_);
        const std::size_t carried = pending_.size();  // bytes of earlier pieces that did not make a frame yet
        pending_.insert(pending_.end(), bytes.begin(), bytes.end());
        std::size_t consumed = 0;
        bool dropped = false;
        while (consumed < pending_.size() && !dropped) {
            const std::span<const std::uint8_t> rest(pending_.data() + consumed, pending_.size() - consumed);
            const MarkerInfo* marker = findMarker(rest[0]);
            const ScanResult scan = marker ? marker->scan(rest) : ScanResult{Scan::NotAFrame};
            if (scan.scan == Scan::Incomplete)
                break;

            FrameRecord record;
            record.timeMs = nowMs();
            if (scan.scan == Scan::NotAFrame) {
                record.kind = FrameKind::Garbage;
                record.name = "garbage";
                record.raw.assign(rest.begin(), rest.begin() + 1);
                ++state_.garbageBytes;
                consumed += 1;
            } else {
                record.raw.assign(rest.begin(), rest.begin() + static_cast<std::ptrdiff_t>(scan.length));
                consumed += scan.length;
                const std::size_t firstStep = out.size();
                appendOutput(out, (this->*(marker->take))(record), record);
                ++frames_;
                const bool struck = strikes(record);
                struckOnLine_ += struck ? 1 : 0;
                if (struck && failures_.has(FailureMode::DropLine)
                    && struckOnLine_ >= static_cast<std::size_t>(std::max(failures_.dropAfterFrames, 1))) {
                    OutputStep drop;
                    drop.dropLine = true;
                    out.push_back(std::move(drop));
                    dropped = true;
                }
                for (std::size_t i = firstStep; i < out.size(); ++i) {
                    out[i].answers = record.kind;
                    out[i].inputEnd = consumed > carried ? consumed - carried : 0;
                }
            }
            log_.push_back(record);
            if (logLimit_ != 0 && log_.size() > logLimit_)
                log_.pop_front();
            added.push_back(std::move(record));
        }
        if (dropped)
            pending_.clear();  // whatever followed went down with the line
        else
            pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(consumed));
        observer = observer_;
    }
    frameTaken_.notify_all();
    if (observer)
        for (const FrameRecord& record : added)
            observer(record);
    return out;
}

void DisplaySimulator::startLine()
{
    std::lock_guard lock(mutex_);
    pending_.clear();
    struckOnLine_ = 0;
}

std::vector<FrameRecord> DisplaySimulator::log() const
{
    std::lock_guard lock(mutex_);
    return {log_.begin(), log_.end()};
}

DisplayState DisplaySimulator::state() const
{
    std::lock_guard lock(mutex_);
    return state_;
}

FailureSettings DisplaySimulator::failures() const
{
    std::lock_guard lock(mutex_);
    return failures_;
}

void DisplaySimulator::setFailures(const FailureSettings& failures)
{
    std::lock_guard lock(mutex_);
    failures_ = failures;
}

std::size_t DisplaySimulator::frameCount() const
{
    std::lock_guard lock(mutex_);
    return frames_;
}

bool DisplaySimulator::waitForFrames(std::size_t n, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(mutex_);
    return frameTaken_.wait_for(lock, timeout, [&] { return frames_ >= n; });
}

std::vector<TransferRecord> DisplaySimulator::transfers() const
{
    std::lock_guard lock(mutex_);
    return storage_.transfers();
}

bool DisplaySimulator::waitForTransfers(const std::function<bool(const std::vector<TransferRecord>&)>& done,
                                        std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(mutex_);
    return frameTaken_.wait_for(lock, timeout, [&] { return done(storage_.transfers()); });
}

void DisplaySimulator::setObserver(std::function<void(const FrameRecord&)> observer)
{
    std::lock_guard lock(mutex_);
    observer_ = std::move(observer);
}

std::uint64_t DisplaySimulator::nowMs() const
{
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start_).count());
}
