#include "serial/comm_threads.h"

#include "serial/hop_trace.h"
#include "serial/nr_custom_comm.h"
#include "serial/serial_platform.h"

namespace {
// With EV_TXEMPTY in the mask the wait looks this often whether the writer has finished.
constexpr int kTxEmptyCheckMs = 20;
}  // namespace

// ---- TCommThread

TCommThread::TCommThread(TnrCustomComm* Owner, TMsgThread* messages, nrplatform::PortPtr port, nrplatform::WakeEventPtr wake)
    : Com(Owner), Messages(messages), ovl(std::move(wake))
{
    thread_ = std::thread([this, p = std::move(port)]() mutable { Execute(std::move(p)); });
}

TCommThread::~TCommThread()
{
    Terminate();
    if (thread_.joinable())
        thread_.join();
}

void TCommThread::Terminate()
{
    terminated_ = true;
    nrplatform::SignalWakeEvent(*ovl);
    Com->WakeCommThreadWaits();
}

void TCommThread::Execute(nrplatform::PortPtr port)
{
    // the port is this function's own reference: it goes when the thread ends
    if (!port) {
        finished_ = true;
        return;
    }
    uint64_t lastWrites = 0;
    bool sentSince = false;
    while (!terminated_ && Com->IsDeviceOpen()) {
        const uint32_t mask = Com->EventMask();
        const bool txEmpty = (mask & EV_TXEMPTY) != 0;
        uint32_t events = 0;
        int error = 0;
        switch (port->WaitLineEvent(mask & ~uint32_t(EV_TXEMPTY), *ovl, txEmpty ? kTxEmptyCheckMs : -1, events, error)) {
        case nrplatform::WaitOutcome::Events:
            hoptrace::Mark(hoptrace::Hop::LineEvent);
            break;
        case nrplatform::WaitOutcome::Woken:
            nrplatform::ResetWakeEvent(*ovl);
            continue;  // terminated, closed or a new mask: the loop tells
        case nrplatform::WaitOutcome::TimedOut:
            events = 0;
            break;
        case nrplatform::WaitOutcome::Lost:
        case nrplatform::WaitOutcome::Failed:
            port.reset();
            if (!terminated_)
                Com->DoDisconnect(false);  // the connection is lost
            finished_ = true;
            return;
        }
        if (txEmpty) {
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
        if (events == 0)
            continue;
        if (nrplatform::kHandleOnWaitingThread && !Com->UseMainThread()) {
            // Handled here: the message thread would only take the event over while this thread
            // waits for it, and that hop is a thread wake-up between a block acknowledgement
            // and the next block.
            Com->HandleComEvent(TnrThreadMessage{TnrCustomComm::CommEventMessage(), events, 0});
            continue;
        }
        // post the events to the message thread, then wait until they have been handled
        const uint64_t seq = Com->NoteEventPosted();
        while (!terminated_ && Com->IsDeviceOpen()) {
            if (Messages->Post(TnrThreadMessage{TnrCustomComm::CommEventMessage(), events, 0}))
                break;
            std::this_thread::yield();
        }
        Com->WaitEventHandled(seq, terminated_, *Messages);
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
    if (thread_.joinable())
        thread_.join();
}

void TMsgThread::Terminate()
{
    terminated_ = true;
    queue_.Post(TnrThreadMessage{TnrCustomComm::QuitMessage(), 0, 0});
    Com->relay_.Wake();
}

bool TMsgThread::Post(const TnrThreadMessage& msg)
{
    if (finished_)
        return false;
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
        if (!Com->IsDeviceOpen() || terminated_ || glMsg.message == TnrCustomComm::QuitMessage())
            break;
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
    if (done_ < seq)
        pending_ = nullptr;  // skipped: the thread is ending
    terminated_ = nullptr;
}

void TnrMainThreadRelay::RunPending()
{
    std::function<void()> errand;
    uint64_t seq;
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (!pending_)
            return;
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
    {
        std::lock_guard<std::mutex> guard(lock_);
    }
    cv_.notify_all();
}
