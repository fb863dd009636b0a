// The receive path of the serial component: the status query, the handling of each line event
// (read the port into the input queue, count, hand the bytes to the hot path and the consumers,
// report errors and traces) and the reads a user of the component makes from the input queue.
#include "serial/nr_custom_comm.h"

#include <QCoreApplication>
#include <algorithm>
#include <array>
#include <chrono>
#include <thread>

#include "serial/hop_trace.h"
#include "serial/serial_platform.h"
#include "serial/thread_messages.h"
#include "serial/writer_thread.h"

// ---- the receive handling

TCOMSTAT TnrCustomComm::LastStat() const
{
    std::lock_guard<std::mutex> guard(statusLock_);
    return *Stat;
}

bool TnrCustomComm::StatusQuery(uint32_t& errorFlags, TCOMSTAT* stat)
{
    errorFlags = 0;
    const nrplatform::PortPtr port = Port();
    if (!port)
        return false;
    nrplatform::PortStatus status;
    int error = 0;
    const bool ok = port->QueryStatus(status, error);
    if (ok)
        errorFlags = status.errorFlags | pendingErrorFlags_.exchange(0);
    auto writer = Writer();
    std::lock_guard<std::mutex> guard(statusLock_);
    Stat->cbInQue = static_cast<uint32_t>(inputQueue_.Size());
    Stat->cbOutQue = status.outQueue + static_cast<uint32_t>(writer ? writer->Pending() : 0);
    if (stat)
        *stat = *Stat;
    return ok;
}

bool TnrCustomComm::CountReceived(const uint8_t* data, size_t n)
{
    // The queue holds at most BufferInSize bytes, as the driver's queue does. Dropped bytes are
    // not counted: a reply state would otherwise see its length arrive and wait in Read for
    // bytes that are gone.
    const size_t kept = inputQueue_.Push(data, n, BufferInSize());
    fTotalReceived.fetch_add(static_cast<uint32_t>(kept));
    return kept == n;
}

bool TnrCustomComm::Ingest(std::span<const uint8_t> chunk)
{
    if (!onArrival_)
        return CountReceived(chunk.data(), chunk.size());
    // The hook sees the chunk counted, so that a frame it answers with marks its reply after it.
    fTotalReceived.fetch_add(static_cast<uint32_t>(chunk.size()));
    std::span<const uint8_t> frame;
    const size_t taken = std::min(onArrival_(chunk, frame), chunk.size());
    if (!frame.empty())
        PostToWriter(frame.data(), static_cast<uint32_t>(frame.size()));  // without a writer the port is closing
    const std::span<const uint8_t> rest = chunk.subspan(taken);
    const size_t kept = inputQueue_.Push(rest.data(), rest.size(), BufferInSize());
    fTotalReceived.fetch_sub(static_cast<uint32_t>(rest.size() - kept));  // dropped bytes are not counted
    return kept == rest.size();
}

void TnrCustomComm::HandleComEvent(const TnrThreadMessage& message)
{
    if (message.message != CommEventMessage())
        return;
    hoptrace::Mark(hoptrace::Hop::Handling);
    try {
        uint32_t errorFlags = 0;
        TCOMSTAT stat;
        if (!StatusQuery(errorFlags, &stat)) {
            // a device that can no longer tell its state is gone (after a hang-up every request
            // on it fails); waiting on would wake the comm thread again at once
            if (IsDeviceOpen())
                DoDisconnect(false);
            return;
        }
        if (errorFlags == 0x1F) {  // every error at once: the line is gone
            DoDisconnect(false);
            return;
        }
        if (errorFlags != 0) {
            DoCommError(errorFlags, 0, stat.Flags);
            return;
        }
        uint32_t events = static_cast<uint32_t>(message.wParam);
        const uint32_t mask = EventMask();
        if (events & EV_RXCHAR) {
            // every byte waiting at the port goes into the input queue and is counted once
            std::array<uint8_t, 4096> chunk;
            const char evt = evtChar_.load();
            bool lost = false;
            bool overrun = false;
            std::function<void()> counted;
            {
                std::lock_guard<std::mutex> guard(portLock_);
                counted = fOnBytesCounted;
            }
            for (;;) {
                nrplatform::ReadResult r;
                {
                    std::lock_guard<std::mutex> guard(ingestLock_);
                    const nrplatform::PortPtr port = Port();
                    if (!port)
                        return;
                    r = port->Read(chunk.data(), chunk.size());
                    if (r.count > 0 && !Ingest(std::span<const uint8_t>(chunk.data(), static_cast<size_t>(r.count))))
                        overrun = true;
                }
                if (r.count > 0) {
                    hoptrace::Mark(hoptrace::Hop::Counted);
                    if (counted)
                        counted();
                    if ((mask & EV_RXFLAG) && std::find(chunk.begin(), chunk.begin() + r.count, evt) != chunk.begin() + r.count)
                        events |= EV_RXFLAG;
                    continue;
                }
                lost = r.lost;
                break;
            }
            if ((mask & EV_RX80FULL) && inputQueue_.Size() * 5 >= static_cast<size_t>(BufferInSize()) * 4)
                events |= EV_RX80FULL;
            if (TraceStates().Contains(tsRxChar) || HasReceiveConsumers())
                ConsumeQueued();
            if (overrun)
                DoCommError(CE_RXOVER, 0, stat.Flags);  // the input queue was full
            if (lost) {
                DoDisconnect(false);
                return;
            }
        }
        if (events & EV_TXEMPTY) {
            if (fRS485Mode && fIsNotSupportRS485)
                SetRtsForRS485(false);
            const bool handled = DoSentComplete();
            if (TraceStates().Contains(tsTxEmpty) && !handled && fOnSent)
                fOnSent(this);
        }
        const TTraceStates trace = TraceStatesFromEvents(events & mask);
        if (!trace.Empty())
            DoTraceState(this, trace);
    } catch (const std::exception& e) {
        // the general error class and every other error end in the error box, not in a crash
        DoFatalError(1, 0, e.what(), true);
    }
}

void TnrCustomComm::ConsumeQueued()
{
    // runs on the handling thread only: the buffer is its own
    std::vector<uint8_t> buffer(std::max<size_t>(BufferInSize(), 8192));
    for (;;) {
        const size_t n = inputQueue_.TakeAvailable(buffer.data(), buffer.size());
        if (n == 0)
            break;
        DoReceived(buffer.data(), static_cast<uint32_t>(n));
        if (!IsDeviceOpen())
            break;  // a consumer closed the port
    }
}

// ---- reading

void TnrCustomComm::Read(void* buffer, uint32_t len)
{
    if (len == 0)
        return;
    const bool owner = OnOwnerThread();
    inputQueue_.Take(static_cast<uint8_t*>(buffer), len, TimeoutRead(), [this, owner] {
        if (owner)
            relay_.RunPending();  // the handling that would count the missing bytes
    });
}

uint32_t TnrCustomComm::ReadAll(void* buffer)
{
    const uint32_t n = ReadyForRead();
    return static_cast<uint32_t>(inputQueue_.TakeAvailable(static_cast<uint8_t*>(buffer), n));
}

int32_t TnrCustomComm::ReadMax(void* buffer, int32_t maxLen)
{
    if (maxLen <= 0)
        return 0;
    const uint32_t n = std::min<uint32_t>(static_cast<uint32_t>(maxLen), ReadyForRead());
    return static_cast<int32_t>(inputQueue_.TakeAvailable(static_cast<uint8_t*>(buffer), n));
}

std::string TnrCustomComm::ReadString()
{
    std::string s(ReadyForRead(), '\0');
    s.resize(inputQueue_.TakeAvailable(reinterpret_cast<uint8_t*>(s.data()), s.size()));
    return s;
}

uint32_t TnrCustomComm::InputQueued() const { return static_cast<uint32_t>(inputQueue_.Size()); }

uint32_t TnrCustomComm::ReadyForRead()
{
    uint32_t flags = 0;
    TCOMSTAT stat;
    if (!StatusQuery(flags, &stat))
        return 0;
    return stat.cbInQue;
}

bool TnrCustomComm::WaitForBytes(uint32_t Count, uint32_t Ms)
{
    if (!IsDeviceOpen())
        return false;
    const TTraceStates saved = TraceStates();
    TTraceStates without = saved;
    without.Exclude(tsRxChar);
    SetTraceStates(without);
    const uint32_t start = nrplatform::TickMs();
    bool reached = false;
    for (;;) {
        if (ReadyForRead() >= Count) {
            reached = true;
            break;
        }
        if (!IsDeviceOpen() || nrplatform::TickMs() - start >= Ms)
            break;
        if (OnOwnerThread()) {
            relay_.RunPending();
            QCoreApplication::processEvents();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    SetTraceStates(saved);
    return reached;
}
