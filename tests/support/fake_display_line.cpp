#include "tests/support/fake_display_line.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>

#include "serial/nr_custom_serial_comm.h"
#include "serial/port_map.h"

using Clock = std::chrono::steady_clock;

struct FakeDisplayLine::Shared {
    explicit Shared(FarEnd& end) : farEnd(end) {}

    FarEnd& farEnd;
    std::mutex farEndLock;  // one write at a time reaches the far end, in order

    mutable std::mutex lock;  // everything below
    mutable std::condition_variable sentGrew;
    std::vector<uint8_t> received;
    std::vector<uint8_t> sent;
    int openings = 0;
    int linesDropped = 0;
    bool lineLost = false;  // the current line is gone (dropped by the far end, or hung up)
    nrplatform::WakeEventPtr lineChanged = nrplatform::CreateWakeEvent();  // wakes the open port's wait
};

namespace {

// One opening of the line. The component's threads call it at the same time: the comm thread
// waits, the writer writes, the message thread reads and asks for the status. Answers that came
// before the line was lost can still be read; then the port reports the loss.
class FakeDisplayPort final : public nrplatform::Port {
public:
    explicit FakeDisplayPort(std::shared_ptr<FakeDisplayLine::Shared> shared) : shared_(std::move(shared)) {}

    bool ApplyLineSettings(const TDCB&, const TnrLineSettings&) override { return true; }

    nrplatform::WaitOutcome WaitLineEvent(uint32_t mask, nrplatform::WakeEvent& wake, int timeoutMs, uint32_t& events,
                                          int& error) override
    {
        const Clock::time_point end = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
        for (;;) {
            nrplatform::ResetWakeEvent(*shared_->lineChanged);
            int waitMs = timeoutMs < 0 ? -1 : 0;
            {
                std::lock_guard<std::mutex> guard(shared_->lock);
                arrive(Clock::now());
                if ((mask & EV_RXCHAR) && !input_.empty()) {
                    events = EV_RXCHAR;
                    return nrplatform::WaitOutcome::Events;
                }
                if (shared_->lineLost) {
                    error = nrplatform::kErrIO;
                    return nrplatform::WaitOutcome::Lost;
                }
                const Clock::time_point now = Clock::now();
                if (timeoutMs >= 0) {
                    if (now >= end)
                        return nrplatform::WaitOutcome::TimedOut;
                    waitMs = untilMs(now, end);
                }
                if (!onTheWay_.empty()) {
                    const int dueMs = untilMs(now, onTheWay_.front().due);
                    waitMs = waitMs < 0 ? dueMs : std::min(waitMs, dueMs);
                }
            }
            if (nrplatform::WaitWakeEvents(wake, *shared_->lineChanged, waitMs) == 1)
                return nrplatform::WaitOutcome::Woken;
        }
    }

    bool QueryStatus(nrplatform::PortStatus& status, int& error) override
    {
        std::lock_guard<std::mutex> guard(shared_->lock);
        arrive(Clock::now());
        if (shared_->lineLost && input_.empty()) {
            error = nrplatform::kErrIO;
            return false;
        }
        status = {};
        status.inQueue = static_cast<uint32_t>(input_.size());
        return true;
    }

    nrplatform::ReadResult Read(void* buffer, size_t size) override
    {
        nrplatform::ReadResult result;
        std::lock_guard<std::mutex> guard(shared_->lock);
        arrive(Clock::now());
        const size_t n = std::min(size, input_.size());
        if (n == 0 && shared_->lineLost) {
            result.lost = true;
            result.error = nrplatform::kErrIO;
            return result;
        }
        if (n == 0) {
            result.wouldBlock = true;
            return result;
        }
        std::copy_n(input_.begin(), n, static_cast<uint8_t*>(buffer));
        input_.erase(input_.begin(), input_.begin() + static_cast<std::ptrdiff_t>(n));
        result.count = static_cast<long>(n);
        return result;
    }

    nrplatform::WriteOutcome Write(const void* data, size_t size, size_t& written, nrplatform::WakeEvent*, int,
                                   int& error) override
    {
        written = 0;
        const std::span<const uint8_t> bytes(static_cast<const uint8_t*>(data), size);
        {
            std::lock_guard<std::mutex> guard(shared_->lock);
            if (shared_->lineLost) {
                error = nrplatform::kErrIO;
                return nrplatform::WriteOutcome::Lost;
            }
            shared_->received.insert(shared_->received.end(), bytes.begin(), bytes.end());
        }
        std::lock_guard<std::mutex> order(shared_->farEndLock);
        std::vector<FarEnd::Reply> replies = shared_->farEnd.take(bytes);
        {
            std::lock_guard<std::mutex> guard(shared_->lock);
            Clock::time_point due = std::max(Clock::now(), lastDue_);
            for (FarEnd::Reply& reply : replies) {
                due += reply.pauseBefore;
                onTheWay_.push_back({due, std::move(reply.bytes), reply.dropLine});
            }
            lastDue_ = due;
        }
        nrplatform::SignalWakeEvent(*shared_->lineChanged);
        written = size;
        return nrplatform::WriteOutcome::Done;
    }

    bool WritesAtOnce() const override { return true; }
    bool Purge(bool input, bool) override
    {
        std::lock_guard<std::mutex> guard(shared_->lock);
        arrive(Clock::now());
        if (input)
            input_.clear();
        return true;
    }
    bool Drain() override { return true; }
    bool Escape(nrplatform::EscapeFunction) override { return true; }
    bool GetModemLines(uint32_t& lines) override
    {
        lines = nrplatform::kLineCTS | nrplatform::kLineDSR;
        return true;
    }
    bool RequestLowLatency() override { return false; }
    void RestoreLatency() override {}
    TnrHandle NativeHandle() const override { return reinterpret_cast<TnrHandle>(this); }

private:
    struct Answer {
        Clock::time_point due;
        std::vector<uint8_t> bytes;
        bool dropLine;
    };

    static int untilMs(Clock::time_point now, Clock::time_point then)
    {
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(then - now).count();
        return ms <= 0 ? 0 : static_cast<int>(ms) + 1;  // never wake a moment early
    }

    // Moves the answers whose time has come onto the line. Under shared_->lock.
    void arrive(Clock::time_point now)
    {
        while (!onTheWay_.empty() && onTheWay_.front().due <= now && !shared_->lineLost) {
            Answer& a = onTheWay_.front();
            input_.insert(input_.end(), a.bytes.begin(), a.bytes.end());
            shared_->sent.insert(shared_->sent.end(), a.bytes.begin(), a.bytes.end());
            if (a.dropLine) {
                shared_->lineLost = true;
                ++shared_->linesDropped;
            }
            onTheWay_.pop_front();
            shared_->sentGrew.notify_all();
        }
    }

    std::shared_ptr<FakeDisplayLine::Shared> shared_;
    std::deque<uint8_t> input_;    // arrived, not yet read
    std::deque<Answer> onTheWay_;  // answered, not yet due
    Clock::time_point lastDue_{};
};

}  // namespace

FakeDisplayLine::FakeDisplayLine(FarEnd& farEnd) : shared_(std::make_shared<Shared>(farEnd)) {}

FakeDisplayLine::~FakeDisplayLine() = default;

void FakeDisplayLine::attach(TnrCustomSerialComm& comm)
{
    comm.SetPortMapSource(std::make_shared<TnrFixedPortMap>(std::vector<TnrPortMapEntry>{{kPath, "COM3"}}));
    comm.GetDeviceList(nullptr);
    comm.SetComPortNo(3);
    comm.SetPortOpener([this](const std::string& path, int& error) { return open(path, error); });
}

nrplatform::PortPtr FakeDisplayLine::open(const std::string& path, int& error)
{
    if (path != kPath) {
        error = nrplatform::kErrNotFound;
        return nullptr;
    }
    bool newLine = false;
    {
        std::lock_guard<std::mutex> guard(shared_->lock);
        newLine = shared_->openings > 0;
        ++shared_->openings;
        shared_->lineLost = false;
    }
    if (newLine) {
        std::lock_guard<std::mutex> order(shared_->farEndLock);
        shared_->farEnd.newLine();
    }
    error = 0;
    return std::make_shared<FakeDisplayPort>(shared_);
}

void FakeDisplayLine::hangUp()
{
    {
        std::lock_guard<std::mutex> guard(shared_->lock);
        shared_->lineLost = true;
    }
    nrplatform::SignalWakeEvent(*shared_->lineChanged);
}

std::vector<uint8_t> FakeDisplayLine::receivedBytes() const
{
    std::lock_guard<std::mutex> guard(shared_->lock);
    return shared_->received;
}

std::vector<uint8_t> FakeDisplayLine::sentBytes() const
{
    std::lock_guard<std::mutex> guard(shared_->lock);
    return shared_->sent;
}

bool FakeDisplayLine::waitForSent(std::size_t n, std::chrono::milliseconds timeout) const
{
    std::unique_lock<std::mutex> guard(shared_->lock);
    return shared_->sentGrew.wait_for(guard, timeout, [&] { return shared_->sent.size() >= n; });
}

int FakeDisplayLine::openings() const
{
    std::lock_guard<std::mutex> guard(shared_->lock);
    return shared_->openings;
}

int FakeDisplayLine::linesDropped() const
{
    std::lock_guard<std::mutex> guard(shared_->lock);
    return shared_->linesDropped;
}
