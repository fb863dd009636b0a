#include "serial/comm_threads.h"

#include "serial/nr_custom_comm.h"
#include "serial/serial_platform.h"

namespace {
// Line events other than received characters are read from the driver's counters, which
// poll cannot wait for: the wait then looks at them this often.
constexpr int kLineEventCheckMs = 20;
constexpr uint32_t kCountedEvents = EV_TXEMPTY | EV_CTS | EV_DSR | EV_RLSD | EV_BREAK | EV_ERR | EV_RING;
}  // namespace

// ---- TCommThread

TCommThread::TCommThread(TnrCustomComm* Owner) : Com(Owner), hDevice(-1), ovl(Owner->commWake_)
{
    Com->WithHandle([this](TnrHandle h) { hDevice = nrplatform::DuplicateHandle(static_cast<int>(h)); });
    thread_ = std::thread([this] { Execute(); });
}

TCommThread::~TCommThread()
{
    Terminate();
    if (thread_.joinable()) thread_.join();
    nrplatform::CloseHandle(hDevice);
}

void TCommThread::Terminate()
{
    terminated_ = true;
    nrplatform::SignalWakeEvent(ovl);
    Com->WakeCommThreadWaits();
}

void TCommThread::Execute()
{
    if (hDevice < 0) {
        finished_ = true;
        return;
    }
    nrplatform::LineCounters last;
    bool haveCounters = nrplatform::GetLineCounters(hDevice, last);
    uint64_t lastWrites = 0;
    bool sentSince = false;
    while (!terminated_ && Com->IsDeviceOpen()) {
        const uint32_t mask = Com->EventMask();
        const bool timed = (mask & kCountedEvents) != 0;
        uint32_t events = 0;
        int error = 0;
        switch (nrplatform::WaitReadable(hDevice, ovl, timed ? kLineEventCheckMs : -1, error)) {
        case nrplatform::WaitOutcome::Ready:
            events |= EV_RXCHAR;
            break;
        case nrplatform::WaitOutcome::Woken:
            nrplatform::ResetWakeEvent(ovl);
            continue;  // terminated or closed: the loop's condition tells
        case nrplatform::WaitOutcome::TimedOut:
            break;
        case nrplatform::WaitOutcome::Lost:
        case nrplatform::WaitOutcome::Failed:
            if (!terminated_) Com->DoDisconnect(false);  // the connection is lost
            finished_ = true;
            return;
        }
        if (timed) {
            nrplatform::LineCounters now;
            if (haveCounters && nrplatform::GetLineCounters(hDevice, now)) {
                if (now.cts != last.cts) events |= EV_CTS;
                if (now.dsr != last.dsr) events |= EV_DSR;
                if (now.dcd != last.dcd) events |= EV_RLSD;
                if (now.rng != last.rng) events |= EV_RING;
                if (now.brk != last.brk) events |= EV_BREAK;
                if (now.frame != last.frame || now.overrun != last.overrun || now.parity != last.parity ||
                    now.bufOverrun != last.bufOverrun)
                    events |= EV_ERR;
                last = now;
            } else {
                haveCounters = false;
            }
            if (mask & EV_TXEMPTY) {
                const uint64_t writes = Com->WritesCompleted();
                if (writes != lastWrites) {
                    lastWrites = writes;
                    sentSince = true;
                }
                if (sentSince && Com->NotYetSendQuiet() == 0) {
                    events |= EV_TXEMPTY;
                    sentSince = false;
                }
            }
            events &= mask | EV_RXCHAR;
        }
        if (events == 0) continue;
        // post the events to the message thread, then wait until they have been handled
        const uint64_t seq = Com->NoteEventPosted();
        while (!terminated_ && Com->IsDeviceOpen()) {
            if (Com->MsgThread && Com->MsgThread->Post(TnrThreadMessage{TnrCustomComm::CommEventMessage(), events, 0}))
                break;
            std::this_thread::yield();
        }
        Com->WaitEventHandled(seq, terminated_);
    }
    finished_ = true;
}

// ---- TMsgThread

TMsgThread::TMsgThread(TnrCustomComm* Owner) : Com(Owner)
{
    thread_ = std::thread([this] { Execute(); });
}

TMsgThread::~TMsgThread()
{
    Terminate();
    if (thread_.joinable()) thread_.join();
}

void TMsgThread::Terminate()
{
    terminated_ = true;
    queue_.Post(TnrThreadMessage{TnrCustomComm::QuitMessage(), 0, 0});
    Com->relay_.Wake();
}

bool TMsgThread::Post(const TnrThreadMessage& msg)
{
    if (finished_) return false;
    queue_.Post(msg);
    return true;
}

void TMsgThread::Execute()
{
    if (!Com) {
        finished_ = true;
        return;
    }
    while (!terminated_) {
        glMsg = queue_.Get(kRegisteredMessageFirst, kRegisteredMessageLast);
        if (!Com->IsDeviceOpen() || terminated_ || glMsg.message == TnrCustomComm::QuitMessage()) break;
        if (glMsg.message == TnrCustomComm::CommEventMessage()) {
            const TnrThreadMessage msg = glMsg;
            if (Com->UseMainThread())
                Com->RunOnMainThread([com = Com, msg] { com->HandleComEvent(msg); }, terminated_);
            else
                Com->HandleComEvent(msg);
            Com->NoteEventHandled();
        }
        // any other registered message has no window to go to
    }
    finished_ = true;
    Com->WakeCommThreadWaits();
}

// ---- TnrMainThreadRelay

void TnrMainThreadRelay::Run(std::function<void()> errand, const std::atomic<bool>& terminated,
                             const std::function<void()>& requestRun)
{
    uint64_t seq;
    {
        std::lock_guard<std::mutex> guard(lock_);
        pending_ = std::move(errand);
        terminated_ = &terminated;
        seq = ++posted_;
        pendingSeq_ = seq;
    }
    requestRun();
    std::unique_lock<std::mutex> guard(lock_);
    cv_.wait(guard, [&] { return done_ >= seq || terminated.load(); });
    if (done_ < seq) pending_ = nullptr;  // skipped: the thread is ending
    terminated_ = nullptr;
}

void TnrMainThreadRelay::RunPending()
{
    std::function<void()> errand;
    uint64_t seq;
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (!pending_) return;
        seq = pendingSeq_;
        if (terminated_ && terminated_->load()) {
            pending_ = nullptr;
            return;
        }
        errand = std::move(pending_);
        pending_ = nullptr;
    }
    errand();
    {
        std::lock_guard<std::mutex> guard(lock_);
        done_ = seq;
    }
    cv_.notify_all();
}

bool TnrMainThreadRelay::HasPending() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return static_cast<bool>(pending_);
}

void TnrMainThreadRelay::Wake()
{
    { std::lock_guard<std::mutex> guard(lock_); }
    cv_.notify_all();
}
