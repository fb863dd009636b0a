#pragma once
// Serial-port state of the component: line-control block, time-outs, queue sizes, counters,
// the two receive threads, sending, reading, purging, modem lines and communication errors.
//
// THREADS: who owns what
// - The component's thread (the window's; OnOwnerThread): creates and ends the receive threads
//   and the writer, changes settings, and runs the receive handling when UseMainThread is set
//   (the message thread hands it over through relay_ and waits).
// - The comm thread (TCommThread): waits for line events on the port (its own reference to the
//   port, dropped when it ends) and, on POSIX (nrplatform::kHandleOnWaitingThread), runs
//   HandleComEvent for each itself: reads the port into inputQueue_, counts, hands the bytes to
//   the consumers, reports errors and traces. On Windows, and under UseMainThread, it posts the
//   event to the message thread instead and waits until it has been handled.
// - The message thread (TMsgThread): runs HandleComEvent for each posted event (Windows), or
//   under UseMainThread hands it to the component's thread through relay_, waiting for it.
//   Otherwise it idles (the hop from
//   the comm thread to it was a thread wake-up between a block acknowledgement and the next block).
// - The writer thread (TnrWriterThread): writes queued blocks in order; owns its queue. Where
//   the driver takes a frame at once (Port::WritesAtOnce: POSIX) and nothing is queued, the
//   sender writes what the driver takes itself, and the writer thread waits meanwhile, so frames
//   never interleave.
// - Any thread may read the input queue, send, purge, or close. A lost line is noticed on the
//   comm thread, the component's thread (under UseMainThread) or the writer thread, and handlers (OnCommError, OnReceived,
//   OnClose, the notify list) may close the port from the thread they run on. A close never
//   waits for the thread it runs on: that thread is told to end, and it is joined later by
//   StopThreads on another thread (on the component's thread, by a call posted at once).
// - The transfer's hot path: an arrival hook (SetOnArrival) is given each chunk the receive
//   handling reads, on the thread that read it, under ingestLock_, once the chunk is counted. It
//   says how many of the bytes it took (the rest are queued) and may name one frame, which the
//   receive handling hands to the writer before it lets ingestLock_ go: an acknowledgement in, the
//   next block out, with no purge or other reader in between. The hook never calls the component
//   back (no read, purge, send or status query); it may read the counters. What the hook guards
//   with locks of its own comes after ingestLock_.
// - Handlers (OnClose, OnCommError, OnAfterReceive, …) are read without a lock by the threads
//   above: they are set only while the port is closed and those threads have ended
//   (HandlersMayChange, asserted in debug builds; CloseAndWait gets there). OnBytesCounted and
//   the port filter are the exceptions: they are taken under portLock_ and may change any time.
// - The notify list calls its listeners without holding its lock; a listener removed on another
//   thread is never called once the removal has returned (the removal waits for a running call).
// - After a close nothing refers to the device: port_ and writer_ are emptied, the writer and
//   the comm thread drop their references as they end, so the device number is free again.
//
// LOCKS, in the only order in which they may nest (a later one may be taken while an earlier one
// is held, never the reverse). None is held while a handler or a consumer runs, or while
// waiting for a thread.
//   1. ingestLock_    reading the port into the input queue versus purging it (ClearDeviceBuffers
//                     lets it go before it cancels the writer's write and waits for it)
//   2. threadsLock_   the thread slots MsgThread, CommThread, retiredWriters_ (never held while joining)
//   3. portLock_      port_, writer_, fOnBytesCounted, portFilter_ (copies are taken out)
//   4. statusLock_    the Stat record
//   5. leaves: inputQueue_'s, the writer's, relay_'s, handshakeLock_, lastErrorLock_, and the
//      port's own (the platform's); nothing is taken while one of them is held.
#include <atomic>
#include <cassert>
#include <condition_variable>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "serial/comm_threads.h"
#include "serial/input_queue.h"
#include "serial/nr_base_io.h"
#include "serial/serial_platform.h"

class QObject;
class TnrWriterThread;

// Wraps every port the component opens (for tests that play a device which the pseudo-terminal
// cannot: counters, hang-up errors, low latency).
using TnrPortFilter = std::function<nrplatform::PortPtr(nrplatform::PortPtr)>;

class TnrCustomComm : public TnrBaseIO {
    Q_OBJECT
public:
    explicit TnrCustomComm(QObject* owner = nullptr);
    ~TnrCustomComm() override;

    // Sending, reading, purging.
    void SendChar(char16_t ch) override;
    void SendString(const std::string& s) override;
    void SendData(const void* buff, uint32_t n) override;
    void SendAheadChar(char16_t ch);
    void Read(void* buffer, uint32_t len);
    uint32_t ReadAll(void* buffer);
    int32_t ReadMax(void* buffer, int32_t maxLen);
    std::string ReadString();
    void ClearDeviceInput() override;
    void ClearDeviceOutput() override;
    void ClearDeviceBuffers() override;
    void FlushOutputBuffer();
    uint32_t ReadyForRead();
    // The bytes the input queue holds, without asking the port: a Read of this many never waits.
    uint32_t InputQueued() const;
    uint32_t NotYetSend();
    bool WaitForBytes(uint32_t Count, uint32_t Ms);
    bool WaitForSignal(TModemSignal Signal, uint32_t Ms);

    // Modem lines.
    void SetStateDTR(bool on);
    void SetStateRTS(bool on);
    void SetStateX(bool on);
    void SetStateBreak(bool on);
    TModemSignals ModemSignals() const;

    // Counters.
    uint32_t TotalReceived() const { return fTotalReceived.load(); }
    uint32_t TotalSent() const { return fTotalSent.load(); }
    std::string LastErrorString() const;

    // Line settings.
    uint32_t BaudRate() const;
    void SetBaudRate(uint32_t value);
    TParity Parity() const;
    void SetParity(TParity value);
    TStopBits StopBits() const;
    void SetStopBits(TStopBits value);
    uint8_t ByteSize() const;
    void SetByteSize(uint8_t value);
    TStreamProtocol StreamProtocol() const;
    void SetStreamProtocol(TStreamProtocol value);
    bool RS485Mode() const;
    void SetRS485Mode(bool value);
    char EventChar() const;
    void SetEventChar(char value);
    TTraceStates TraceStates() const;
    void SetTraceStates(TTraceStates value);
    uint16_t BufferInSize() const { return fBufferInSize.load(); }
    void SetBufferInSize(uint16_t value);
    uint16_t BufferOutSize() const { return fBufferOutSize; }
    void SetBufferOutSize(uint16_t value);
    uint32_t TimeoutRead() const { return fCommTimeouts.ReadIntervalTimeout; }
    void SetTimeoutRead(uint32_t value);
    uint32_t TimeoutWrite() const { return fCommTimeouts.WriteTotalTimeoutConstant; }
    void SetTimeoutWrite(uint32_t value);
    const TDCB& Dcb() const { return CommCfg.dcb; }
    const TCOMMTIMEOUTS& CommTimeouts() const { return fCommTimeouts; }
    // The event mask the port is given for the current trace states.
    uint32_t EventMask() const;
    bool IsNotSupportRS485() const { return fIsNotSupportRS485; }
    TCOMMPROP CommProp();
    TCOMSTAT LastStat() const;

    // Indicators: any QObject with a boolean "checked" property follows the line.
    void SetMonitorCTS(QObject* c) { fMonitorCTS = c; }
    void SetMonitorDSR(QObject* c) { fMonitorDSR = c; }
    void SetMonitorRLSD(QObject* c) { fMonitorRLSD = c; }
    void SetMonitorRing(QObject* c) { fMonitorRing = c; }
    QObject* MonitorCTS() const { return fMonitorCTS; }
    QObject* MonitorDSR() const { return fMonitorDSR; }
    QObject* MonitorRLSD() const { return fMonitorRLSD; }
    QObject* MonitorRing() const { return fMonitorRing; }

    // Events.
    void SetOnAfterSend(TOnSent ev)
    {
        assert(HandlersMayChange());
        fOnSent = std::move(ev);
    }
    void SetOnTraceState(TOnTraceEvent ev)
    {
        assert(HandlersMayChange());
        fOnTraceState = std::move(ev);
    }
    void SetOnCommError(TOnCommErrorEvent ev)
    {
        assert(HandlersMayChange());
        fOnCommError = std::move(ev);
    }
    bool HandlersMayChange() const override;
    // Closes the port if it is open and waits until the receive threads and the writer have
    // ended (also those a lost line left behind); handlers may be changed afterwards. Called on
    // the component's thread.
    void CloseAndWait();
    // Called on the receiving thread each time TotalReceived has grown, after the arrival hook.
    void SetOnBytesCounted(std::function<void()> fn);
    // The arrival hook (see THREADS above): returns how many of `arrived` it took, and may set
    // `frame` to send at once. Set under ingestLock_: once this returns, the old hook is not running.
    using ArrivalHook = std::function<size_t(std::span<const uint8_t> arrived, std::span<const uint8_t>& frame)>;
    void SetOnArrival(ArrivalHook hook);
    // Returns once no arrival is being handled: a frame the hook named before has gone to the writer.
    void AwaitArrivalHandled();
    // Wraps each port opened from now on (null: the platform's port as it is).
    void SetPortFilter(TnrPortFilter filter);

    virtual std::string ComName() const { return "Unknown"; }

    // The receive handling for one message (part of the message thread's loop).
    void HandleComEvent(const TnrThreadMessage& message);
    virtual void DoCommError(uint32_t CommCode, uint32_t SysError, TComStateFlags State);
    void DoTraceState(QObject* Sender, TTraceStates Events);
    void DoKeepConnection() override;
    // Closes the port: by the user (true) or because the connection was lost (false).
    void DoDisconnect(bool userClose);

    // The registered message numbers.
    static uint32_t CommEventMessage();
    static uint32_t QuitMessage();

protected:
    // Opens the device the component names; null with the system's error code when it cannot.
    virtual nrplatform::PortPtr OpenDevice(int& error);
    void DoOpen() override;
    void DoClose() override;
    void StartThreads() override;
    void StopThreads() override;
    virtual void SetupDevice();
    void ApplyLineSettings();
    void ApplyEventMask();
    // Destruction: detach the terminal and the data processor, clear OnTraceState, close the
    // port and end the receive threads (each destructor of the chain calls it; the first one acts).
    void ShutDown();

    TCOMMCONFIG CommCfg;

private:
    friend class TCommThread;
    friend class TMsgThread;

    // The open port, or null.
    nrplatform::PortPtr Port() const;

    std::shared_ptr<TnrWriterThread> Writer() const;
    uint64_t WritesCompleted() const;
    // Bytes not yet sent, without a status query.
    uint32_t NotYetSendQuiet();
    // Waits, at most `limit`, until nothing waits to be sent (the writer's queue and the driver's).
    void WaitForOutputToLeave(std::chrono::milliseconds limit);
    // How long a user close waits for handed-over bytes to leave before it purges the rest.
    static constexpr std::chrono::milliseconds kCloseDrainLimit{250};
    // Reads and clears the error flags and fills the status record; stat gets a copy of it.
    bool StatusQuery(uint32_t& errorFlags, TCOMSTAT* stat = nullptr);
    // Queues and counts what fits in the input queue (BufferInSize); returns false when some was dropped.
    bool CountReceived(const uint8_t* data, size_t n);
    // Under ingestLock_: counts a chunk read from the port, lets the arrival hook take what it
    // answers (and sends its frame), and queues the rest; false when some was dropped.
    bool Ingest(std::span<const uint8_t> chunk);
    // Hands a frame to the writer and counts it; false when there is no writer (the port closes).
    bool PostToWriter(const void* data, uint32_t n);
    void ConsumeQueued();
    // Comm thread and message thread hand-shake: the comm thread waits until its posted event has
    // been handled before it looks at the line again.
    uint64_t NoteEventPosted();
    void NoteEventHandled();
    void WaitEventHandled(uint64_t seq, const std::atomic<bool>& terminated, const TMsgThread& messages);
    void WakeCommThreadWaits();
    void RunOnMainThread(const std::function<void()>& errand, const std::atomic<bool>& terminated);
    void SetRtsForRS485(bool on);

    mutable std::mutex threadsLock_;
    std::unique_ptr<TMsgThread> MsgThread;
    std::unique_ptr<TCommThread> CommThread;
    std::vector<std::shared_ptr<TnrWriterThread>> retiredWriters_;
    std::unique_ptr<TCOMSTAT> Stat;
    TCOMMPROP ComProp;
    TCOMMTIMEOUTS fCommTimeouts;
    mutable std::mutex lastErrorLock_;
    std::string fLastErrorString;
    std::atomic<uint32_t> fTotalSent{0};
    std::atomic<uint32_t> fTotalReceived{0};
    TOnSent fOnSent;
    std::atomic<uint16_t> fTraceStates{0};
    uint16_t fBufferOutSize = 8192;
    std::atomic<uint16_t> fBufferInSize{8192};
    std::atomic<bool> fRS485Mode{false};
    std::atomic<char> evtChar_{0};
    QObject* fMonitorRLSD = nullptr;
    QObject* fMonitorRing = nullptr;
    QObject* fMonitorCTS = nullptr;
    QObject* fMonitorDSR = nullptr;
    bool fIsNotSupportRS485 = false;
    TStreamProtocol fProtocol = spHardware;
    TOnTraceEvent fOnTraceState;
    TOnCommErrorEvent fOnCommError;
    std::function<void()> fOnBytesCounted;
    ArrivalHook onArrival_;  // guarded by ingestLock_

    TnrInputQueue inputQueue_;
    mutable std::mutex portLock_;
    nrplatform::PortPtr port_;
    std::shared_ptr<TnrWriterThread> writer_;
    TnrPortFilter portFilter_;
    std::mutex handshakeLock_;
    std::condition_variable handshakeCv_;
    uint64_t eventsPosted_ = 0;
    uint64_t eventsHandled_ = 0;
    TnrMainThreadRelay relay_;
    std::mutex ingestLock_;  // reading the port into the queue versus purging it
    mutable std::mutex statusLock_;
    std::atomic<uint32_t> pendingErrorFlags_{0};  // taken by a queue-length query, not yet reported
    nrplatform::WakeEventPtr commWake_;           // wakes the comm thread's wait (terminate, close, new mask)
};
