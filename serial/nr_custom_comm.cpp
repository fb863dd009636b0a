#include "serial/nr_custom_comm.h"

#include <QCoreApplication>
#include <QPointer>
#include <QVariant>
#include <array>
#include <chrono>
#include <thread>

#include "serial/line_settings.h"
#include "serial/serial_platform.h"
#include "serial/thread_messages.h"
#include "serial/writer_thread.h"

// ---- the default status source: error flags from the driver's counters

void TnrCounterStatusSource::Reset(int fd)
{
    nrplatform::LineCounters c;
    haveCounters_ = nrplatform::GetLineCounters(fd, c);
    frame_ = c.frame;
    overrun_ = c.overrun;
    parity_ = c.parity;
    brk_ = c.brk;
    bufOverrun_ = c.bufOverrun;
}

bool TnrCounterStatusSource::Query(int fd, uint32_t& errorFlags)
{
    errorFlags = 0;
    if (!haveCounters_) return true;  // a driver without counters reports no errors
    nrplatform::LineCounters c;
    if (!nrplatform::GetLineCounters(fd, c)) return false;
    if (c.bufOverrun != bufOverrun_) errorFlags |= CE_RXOVER;
    if (c.overrun != overrun_) errorFlags |= CE_OVERRUN;
    if (c.parity != parity_) errorFlags |= CE_RXPARITY;
    if (c.frame != frame_) errorFlags |= CE_FRAME;
    if (c.brk != brk_) errorFlags |= CE_BREAK;
    frame_ = c.frame;
    overrun_ = c.overrun;
    parity_ = c.parity;
    brk_ = c.brk;
    bufOverrun_ = c.bufOverrun;
    return true;
}

// ---- construction

uint32_t TnrCustomComm::CommEventMessage()
{
    static const uint32_t number = nrRegisterMessage("nrCommMsgComEvent");
    return number;
}

uint32_t TnrCustomComm::QuitMessage()
{
    static const uint32_t number = nrRegisterMessage("nrCommMsgQuitComEvent");
    return number;
}

TnrCustomComm::TnrCustomComm(QObject* owner)
    : TnrBaseIO(owner), Stat(std::make_unique<TCOMSTAT>()), commWake_(nrplatform::CreateWakeEvent())
{
    CommEventMessage();
    QuitMessage();
    // the Linux drivers that know RS-485 switch RTS themselves (TIOCSRS485)
    fIsNotSupportRS485 = false;
    SetUseMainThread(true);
    CommCfg.dwSize = 52;
    CommCfg.dcb.DCBlength = 28;
    statusSource_ = std::make_shared<TnrCounterStatusSource>();
}

TnrCustomComm::~TnrCustomComm()
{
    ShutDown();
    nrplatform::CloseWakeEvent(commWake_);
}

void TnrCustomComm::ShutDown()
{
    // the receive threads end before the consumers they read are detached
    if (IsDeviceOpen()) {
        DoDisconnect(true);
        StopThreads();
        WriteLog(dlSimple, "The port is closed succesfully");
    }
    StopThreads();
    SetTerminal(nullptr);
    SetDataProcessor(nullptr);
    fOnTraceState = nullptr;
    DoClose();
}

// ---- opening and closing

void TnrCustomComm::DoOpen()
{
    DoClose();
    StopThreads();  // threads left by a lost connection end before the counters start again
    fTotalReceived = 0;
    fTotalSent = 0;

    lastOpenError_ = 0;
    const TnrHandle handle = DeviceOpen();
    if (handle == kInvalidHandle) {
        const std::string message = "Device \"" + ComName() + "\" Open Error !!!\r" +
                                    nrplatform::ErrorText(lastOpenError_ ? lastOpenError_ : nrplatform::kErrNotFound);
        {
            std::lock_guard<std::mutex> guard(lastErrorLock_);
            fLastErrorString = message;
        }
        DoFatalError(1, 0, message, false);
        return;
    }
    SetHandle(handle);
    if (fOnOpen) {
        try {
            fOnOpen(this);
        } catch (...) {
        }
    }
    {
        std::lock_guard<std::recursive_mutex> guard(glBufferLock_);
        glBuffer.assign(std::max<size_t>(BufferInSize(), 8192), 0);
        releaseAfterConsume_ = false;
    }
    inputQueue_.SetOpen(true);
    activeStatusSource_ = statusSource_;
    WithHandle([this](TnrHandle h) {
        const int fd = static_cast<int>(h);
        activeStatusSource_->Reset(fd);
        const int writerFd = nrplatform::DuplicateHandle(fd);
        std::lock_guard<std::mutex> guard(writerLock_);
        writer_ = std::make_shared<TnrWriterThread>(writerFd, [this](int error) { DoCommError(0, static_cast<uint32_t>(error), {}); });
    });
    WriteLogFmt(dlSimple, "The port %s is opened succesfully", ComName().c_str());
    SetupDevice();
    SetTraceStates(TraceStates());
    StartThreads();
    DoNotify(2);
}

void TnrCustomComm::DoClose()
{
    if (IsDeviceOpen()) {
        try {
            DoDisconnect(true);
            StopThreads();
            WriteLog(dlSimple, "The port is closed succesfully");
        } catch (...) {
            BaseClose();
        }
    }
    DoTraceState(this, TTraceStates{tsTxEmpty});
}

void TnrCustomComm::DoDisconnect(bool userClose)
{
    std::lock_guard<std::recursive_mutex> closing(disconnectLock_);
    if (!IsDeviceOpen()) return;
    if (userClose) {
        // Let what was handed over leave first: here a write returns as soon as the driver has
        // the bytes, long before a USB adapter has sent them, and the purge below would cut off
        // the last frame (the display's goodbye). The wait is bounded so a stuck line cannot
        // hold the window.
        WaitForOutputToLeave(kCloseDrainLimit);
        if (NotYetSend() > 0) ClearDeviceBuffers();
    }
    {
        // a read-out in progress on another thread ends before the buffer goes
        std::lock_guard<std::recursive_mutex> guard(glBufferLock_);
        if (consuming_)
            releaseAfterConsume_ = true;
        else
            std::vector<uint8_t>().swap(glBuffer);
    }
    std::shared_ptr<TnrWriterThread> writer;
    {
        std::lock_guard<std::mutex> guard(writerLock_);
        writer.swap(writer_);
    }
    if (writer) writer->Cancel(nrplatform::kErrCancelled, !userClose);
    BaseClose();
    inputQueue_.SetOpen(false);  // a read in progress ends
    WakeCommThreadWaits();
    writer.reset();
    DoNotify(1);
    if (!userClose && KeepConnection()) StartKeepConnection();
}

void TnrCustomComm::SetupDevice()
{
    uint32_t flags = 0;
    StatusQuery(flags);  // clears pending error flags
    // queue sizes and time-outs are kept as values: the input queue and the writer use them
    ApplyLineSettings();
}

// ---- threads

void TnrCustomComm::StartThreads()
{
    StopThreads();
    {
        std::lock_guard<std::mutex> guard(handshakeLock_);
        eventsPosted_ = eventsHandled_ = 0;
    }
    nrplatform::ResetWakeEvent(commWake_);
    if (!MsgThread) MsgThread = std::make_unique<TMsgThread>(this);
    if (!CommThread) CommThread = std::make_unique<TCommThread>(this);
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
}

void TnrCustomComm::StopThreads()
{
    if (CommThread) {
        CommThread->Terminate();
        CommThread.reset();
    }
    if (MsgThread) {
        MsgThread->Terminate();
        MsgThread.reset();
    }
}

uint64_t TnrCustomComm::NoteEventPosted()
{
    std::lock_guard<std::mutex> guard(handshakeLock_);
    return ++eventsPosted_;
}

void TnrCustomComm::NoteEventHandled()
{
    {
        std::lock_guard<std::mutex> guard(handshakeLock_);
        ++eventsHandled_;
    }
    handshakeCv_.notify_all();
}

void TnrCustomComm::WaitEventHandled(uint64_t seq, const std::atomic<bool>& terminated)
{
    std::unique_lock<std::mutex> guard(handshakeLock_);
    handshakeCv_.wait(guard, [&] {
        return eventsHandled_ >= seq || terminated.load() || !IsDeviceOpen() || (MsgThread && MsgThread->Finished());
    });
}

void TnrCustomComm::WakeCommThreadWaits()
{
    { std::lock_guard<std::mutex> guard(handshakeLock_); }
    handshakeCv_.notify_all();
    nrplatform::SignalWakeEvent(commWake_);
}

void TnrCustomComm::RunOnMainThread(const std::function<void()>& errand, const std::atomic<bool>& terminated)
{
    relay_.Run(errand, terminated, [this] {
        PostToOwnerThread([this] { relay_.RunPending(); });
        inputQueue_.Kick();  // a Read waiting on the component's thread runs it too
    });
}

// ---- the receive handling

TCOMSTAT TnrCustomComm::LastStat() const
{
    std::lock_guard<std::mutex> guard(statusLock_);
    return *Stat;
}

bool TnrCustomComm::StatusQuery(uint32_t& errorFlags, TCOMSTAT* stat)
{
    errorFlags = 0;
    bool ok = false;
    std::lock_guard<std::mutex> guard(statusLock_);
    WithHandle([&](TnrHandle h) {
        const int fd = static_cast<int>(h);
        if (!activeStatusSource_) return;
        ok = activeStatusSource_->Query(fd, errorFlags);
        Stat->cbInQue = static_cast<uint32_t>(inputQueue_.Size());
        const long outq = nrplatform::OutputQueueLength(fd);
        auto writer = Writer();
        Stat->cbOutQue = static_cast<uint32_t>((outq > 0 ? outq : 0) + (writer ? writer->Pending() : 0));
        if (stat) *stat = *Stat;
    });
    return ok;
}

void TnrCustomComm::CountReceived(const uint8_t* data, size_t n)
{
    inputQueue_.Push(data, n);
    fTotalReceived.fetch_add(static_cast<uint32_t>(n));
    std::function<void()> counted;
    {
        std::lock_guard<std::mutex> guard(writerLock_);
        counted = fOnBytesCounted;
    }
    if (counted) counted();
}

void TnrCustomComm::HandleComEvent(const TnrThreadMessage& message)
{
    if (message.message != CommEventMessage()) return;
    try {
        uint32_t errorFlags = 0;
        TCOMSTAT stat;
        if (!StatusQuery(errorFlags, &stat)) return;
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
            for (;;) {
                nrplatform::ReadResult r;
                {
                    std::lock_guard<std::mutex> guard(ingestLock_);
                    const bool open = WithHandle([&](TnrHandle h) { r = nrplatform::ReadSome(static_cast<int>(h), chunk.data(), chunk.size()); });
                    if (!open) return;
                    if (r.count > 0) CountReceived(chunk.data(), static_cast<size_t>(r.count));
                }
                if (r.count > 0) {
                    if ((mask & EV_RXFLAG) && std::find(chunk.begin(), chunk.begin() + r.count, evt) != chunk.begin() + r.count)
                        events |= EV_RXFLAG;
                    continue;
                }
                lost = r.lost;
                break;
            }
            if ((mask & EV_RX80FULL) && inputQueue_.Size() * 5 >= static_cast<size_t>(BufferInSize()) * 4)
                events |= EV_RX80FULL;
            if (TraceStates().Contains(tsRxChar) || HasReceiveConsumers()) ConsumeQueued();
            if (lost) {
                DoDisconnect(false);
                return;
            }
        }
        if (events & EV_TXEMPTY) {
            if (fRS485Mode && fIsNotSupportRS485) SetRtsForRS485(false);
            const bool handled = DoSentComplete();
            if (TraceStates().Contains(tsTxEmpty) && !handled && fOnSent) fOnSent(this);
        }
        const TTraceStates trace = TraceStatesFromEvents(events & mask);
        if (!trace.Empty()) DoTraceState(this, trace);
    } catch (const std::exception& e) {
        // the general error class and every other error end in the error box, not in a crash
        DoFatalError(1, 0, e.what(), true);
    }
}

void TnrCustomComm::ConsumeQueued()
{
    std::lock_guard<std::recursive_mutex> guard(glBufferLock_);
    if (glBuffer.empty()) return;
    consuming_ = true;
    for (;;) {
        const size_t n = inputQueue_.TakeAvailable(glBuffer.data(), glBuffer.size());
        if (n == 0) break;
        DoReceived(glBuffer.data(), static_cast<uint32_t>(n));
        if (releaseAfterConsume_) break;
    }
    consuming_ = false;
    if (releaseAfterConsume_) {
        std::vector<uint8_t>().swap(glBuffer);
        releaseAfterConsume_ = false;
    }
}

void TnrCustomComm::DoCommError(uint32_t CommCode, uint32_t SysError, TComStateFlags State)
{
    if (fRS485Mode && fIsNotSupportRS485) SetRtsForRS485(false);
    bool flFlashBuffers = false;
    WriteLogFmt(dlDetail, "Communication Error %d:%d %X", static_cast<int>(CommCode), static_cast<int>(SysError),
                static_cast<unsigned>(State.bits()));
    if (fOnCommError) fOnCommError(this, CommCode, SysError, State, flFlashBuffers);
    if (flFlashBuffers) ClearDeviceBuffers();
}

void TnrCustomComm::DoTraceState(QObject* Sender, TTraceStates Events)
{
    const TModemSignals lines = ModemSignals();
    if (fMonitorCTS || fMonitorDSR || fMonitorRLSD || fMonitorRing) {
        QPointer<QObject> cts = fMonitorCTS, dsr = fMonitorDSR, rlsd = fMonitorRLSD, ring = fMonitorRing;
        const bool ringOn = Events.Contains(tsRing);
        PostToOwnerThread([=] {
            auto show = [](QObject* o, bool on) {
                // any control with a boolean "checked" property is an indicator
                if (o && o->metaObject()->indexOfProperty("checked") >= 0) o->setProperty("checked", on);
            };
            show(cts, lines.Contains(msCTS));
            show(dsr, lines.Contains(msDSR));
            show(rlsd, lines.Contains(msRLSD));
            if (ringOn) show(ring, true);
        });
    }
    if (fOnTraceState) {
        TnrBaseIO* com = qobject_cast<TnrBaseIO*>(Sender);
        fOnTraceState(com ? com : this, Events);
    }
}

void TnrCustomComm::DoKeepConnection()
{
    WriteLog(dlDetail, "Try to keep connection ...");
    StopKeepConnection();
}

// ---- sending

std::shared_ptr<TnrWriterThread> TnrCustomComm::Writer() const
{
    std::lock_guard<std::mutex> guard(writerLock_);
    return writer_;
}

uint64_t TnrCustomComm::WritesCompleted() const
{
    auto writer = Writer();
    return writer ? writer->Completed() : 0;
}

void TnrCustomComm::SetRtsForRS485(bool on)
{
    WithHandle([on](TnrHandle h) { nrplatform::SetRTS(static_cast<int>(h), on); });
}

void TnrCustomComm::SendChar(char16_t ch)
{
    if (!IsDeviceOpen()) return;
    const uint8_t byte = static_cast<uint8_t>(ch & 0xFF);
    WriteLogFmt(dlDebug, "Try to send char %2Xh ...", static_cast<unsigned>(byte));
    if (fRS485Mode && fIsNotSupportRS485) SetRtsForRS485(true);
    auto writer = Writer();
    const int error = writer ? writer->Send(&byte, 1, TimeoutWrite()) : nrplatform::kErrBadHandle;
    if (error == 0)
        fTotalSent.fetch_add(1);
    else
        DoCommError(0, static_cast<uint32_t>(error), {});
}

void TnrCustomComm::SendString(const std::string& s)
{
    if (!IsDeviceOpen() || s.empty()) return;
    WriteLogFmt(dlDebug, "Try to send string %s ...", s.c_str());
    if (fRS485Mode && fIsNotSupportRS485) SetRtsForRS485(true);
    auto writer = Writer();
    const int error = writer ? writer->Send(s.data(), s.size(), TimeoutWrite()) : nrplatform::kErrBadHandle;
    if (error == 0)
        fTotalSent.fetch_add(static_cast<uint32_t>(s.size()));
    else
        DoCommError(0, static_cast<uint32_t>(error), {});
}

void TnrCustomComm::SendData(const void* buff, uint32_t n)
{
    if (!IsDeviceOpen()) return;
    WriteLogFmt(dlDebug, "Try to send the data with %d length ...", static_cast<int>(n));
    if (fRS485Mode && fIsNotSupportRS485) SetRtsForRS485(true);
    auto writer = Writer();
    if (!writer) {
        DoCommError(0, static_cast<uint32_t>(nrplatform::kErrBadHandle), {});
        return;
    }
    if (n > 0) writer->Post(buff, n, TimeoutWrite());  // a copy: the caller's block is free at once
    fTotalSent.fetch_add(n);
    WriteLog(dlDebug, "... the data transmittion is OK!");
}

void TnrCustomComm::SendAheadChar(char16_t ch)
{
    if (!IsDeviceOpen()) return;
    const uint8_t byte = static_cast<uint8_t>(ch & 0xFF);
    int error = 0;
    long written = -1;
    // ahead of the queued output: straight to the driver, not through the writer's queue
    WithHandle([&](TnrHandle h) { written = nrplatform::WriteSome(static_cast<int>(h), &byte, 1, error); });
    if (written == 1)
        fTotalSent.fetch_add(1);
    else
        DoCommError(0, static_cast<uint32_t>(written == 0 ? nrplatform::kErrTimedOut : error), {});
}

void TnrCustomComm::FlushOutputBuffer()
{
    auto writer = Writer();
    if (!writer) return;
    writer->WaitIdle();
    WithHandle([](TnrHandle h) { nrplatform::DrainOutput(static_cast<int>(h)); });
}

// ---- reading

void TnrCustomComm::Read(void* buffer, uint32_t len)
{
    if (len == 0) return;
    const bool owner = OnOwnerThread();
    inputQueue_.Take(static_cast<uint8_t*>(buffer), len, TimeoutRead(), [this, owner] {
        if (owner) relay_.RunPending();  // the handling that would count the missing bytes
    });
}

uint32_t TnrCustomComm::ReadAll(void* buffer)
{
    const uint32_t n = ReadyForRead();
    return static_cast<uint32_t>(inputQueue_.TakeAvailable(static_cast<uint8_t*>(buffer), n));
}

int32_t TnrCustomComm::ReadMax(void* buffer, int32_t maxLen)
{
    if (maxLen <= 0) return 0;
    const uint32_t n = std::min<uint32_t>(static_cast<uint32_t>(maxLen), ReadyForRead());
    return static_cast<int32_t>(inputQueue_.TakeAvailable(static_cast<uint8_t*>(buffer), n));
}

std::string TnrCustomComm::ReadString()
{
    std::string s(ReadyForRead(), '\0');
    s.resize(inputQueue_.TakeAvailable(reinterpret_cast<uint8_t*>(s.data()), s.size()));
    return s;
}

uint32_t TnrCustomComm::ReadyForRead()
{
    uint32_t flags = 0;
    TCOMSTAT stat;
    if (!StatusQuery(flags, &stat)) return 0;
    return stat.cbInQue;
}

uint32_t TnrCustomComm::NotYetSend()
{
    uint32_t flags = 0;
    TCOMSTAT stat;
    if (!StatusQuery(flags, &stat)) return 0;
    return stat.cbOutQue;
}

void TnrCustomComm::WaitForOutputToLeave(std::chrono::milliseconds limit)
{
    const auto until = std::chrono::steady_clock::now() + limit;
    while (NotYetSendQuiet() > 0 && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

uint32_t TnrCustomComm::NotYetSendQuiet()
{
    long outq = 0;
    WithHandle([&](TnrHandle h) { outq = nrplatform::OutputQueueLength(static_cast<int>(h)); });
    auto writer = Writer();
    return static_cast<uint32_t>((outq > 0 ? outq : 0) + (writer ? writer->Pending() : 0));
}

bool TnrCustomComm::WaitForBytes(uint32_t Count, uint32_t Ms)
{
    if (!IsDeviceOpen()) return false;
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
        if (!IsDeviceOpen() || nrplatform::TickMs() - start >= Ms) break;
        if (OnOwnerThread()) {
            relay_.RunPending();
            QCoreApplication::processEvents();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    SetTraceStates(saved);
    return reached;
}

bool TnrCustomComm::WaitForSignal(TModemSignal Signal, uint32_t Ms)
{
    if (!IsDeviceOpen()) return false;
    const uint32_t start = nrplatform::TickMs();
    for (;;) {
        if (ModemSignals().Contains(Signal)) return true;
        if (!IsDeviceOpen() || nrplatform::TickMs() - start >= Ms) return false;
        if (OnOwnerThread()) QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// ---- purging

void TnrCustomComm::ClearDeviceInput()
{
    std::lock_guard<std::mutex> guard(ingestLock_);
    WithHandle([&](TnrHandle h) {
        nrplatform::FlushInput(static_cast<int>(h));
        inputQueue_.Purge();
    });
}

void TnrCustomComm::ClearDeviceOutput()
{
    WithHandle([&](TnrHandle h) {
        if (auto writer = Writer()) writer->Cancel(nrplatform::kErrCancelled, false);
        nrplatform::FlushOutput(static_cast<int>(h));
    });
    if (IsDeviceOpen() && fRS485Mode && fIsNotSupportRS485) SetRtsForRS485(false);
}

void TnrCustomComm::ClearDeviceBuffers()
{
    {
        std::lock_guard<std::mutex> guard(ingestLock_);
        WithHandle([&](TnrHandle h) {
            nrplatform::FlushInput(static_cast<int>(h));
            inputQueue_.Purge();
            // the started writes of SendData end too
            if (auto writer = Writer()) writer->Cancel(nrplatform::kErrCancelled, false);
            nrplatform::FlushOutput(static_cast<int>(h));
        });
    }
    if (IsDeviceOpen() && fRS485Mode && fIsNotSupportRS485) SetRtsForRS485(false);
}

// ---- modem lines

void TnrCustomComm::SetStateDTR(bool on)
{
    if (!WithHandle([on](TnrHandle h) { nrplatform::SetDTR(static_cast<int>(h), on); })) return;
    DoTraceState(this, TTraceStates{tsDSR});
}

void TnrCustomComm::SetStateRTS(bool on)
{
    if (!WithHandle([on](TnrHandle h) { nrplatform::SetRTS(static_cast<int>(h), on); })) return;
    DoTraceState(this, TTraceStates{tsCTS});
}

void TnrCustomComm::SetStateX(bool on)
{
    WithHandle([on](TnrHandle h) { nrplatform::SetOutputFlow(static_cast<int>(h), on); });
}

void TnrCustomComm::SetStateBreak(bool on)
{
    WithHandle([on](TnrHandle h) { nrplatform::SetBreak(static_cast<int>(h), on); });
}

TModemSignals TnrCustomComm::ModemSignals() const
{
    uint32_t lines = 0;
    bool ok = false;
    WithHandle([&](TnrHandle h) { ok = nrplatform::GetModemLines(static_cast<int>(h), lines); });
    TModemSignals s;
    if (!ok) return s;
    if (lines & nrplatform::kLineCTS) s.Include(msCTS);
    if (lines & nrplatform::kLineDSR) s.Include(msDSR);
    if (lines & nrplatform::kLineRing) s.Include(msRing);
    if (lines & nrplatform::kLineRLSD) s.Include(msRLSD);
    return s;
}

TCOMMPROP TnrCustomComm::CommProp()
{
    if (IsDeviceOpen()) {
        ComProp.dwCurrentRxQueue = BufferInSize();
        ComProp.dwCurrentTxQueue = BufferOutSize();
        ComProp.dwMaxRxQueue = 0;  // no limit of its own
        ComProp.dwMaxTxQueue = 0;
    }
    return ComProp;
}

std::string TnrCustomComm::LastErrorString() const
{
    std::lock_guard<std::mutex> guard(lastErrorLock_);
    return fLastErrorString;
}

// ---- line settings

void TnrCustomComm::ApplyLineSettings()
{
    PrepareDcb(CommCfg.dcb, fRS485Mode, fProtocol);
    const TnrLineSettings settings = LineSettingsFromDcb(CommCfg.dcb);
    // a setting the driver refuses leaves the port as it was, and nothing is reported
    WithHandle([&](TnrHandle h) { nrplatform::ApplyLineSettings(static_cast<int>(h), settings); });
}

uint32_t TnrCustomComm::BaudRate() const { return CommCfg.dcb.BaudRate; }
void TnrCustomComm::SetBaudRate(uint32_t value)
{
    CommCfg.dcb.BaudRate = value;
    ApplyLineSettings();
}

TParity TnrCustomComm::Parity() const { return static_cast<TParity>(CommCfg.dcb.Parity); }
void TnrCustomComm::SetParity(TParity value)
{
    CommCfg.dcb.Parity = value;
    if (value == pNone)
        CommCfg.dcb.Flags &= ~DCB_fParity;
    else
        CommCfg.dcb.Flags |= DCB_fParity;
    ApplyLineSettings();
}

TStopBits TnrCustomComm::StopBits() const { return static_cast<TStopBits>(CommCfg.dcb.StopBits); }
void TnrCustomComm::SetStopBits(TStopBits value)
{
    CommCfg.dcb.StopBits = value;
    ApplyLineSettings();
}

uint8_t TnrCustomComm::ByteSize() const { return CommCfg.dcb.ByteSize; }
void TnrCustomComm::SetByteSize(uint8_t value)
{
    CommCfg.dcb.ByteSize = (value >= 4 && value <= 8) ? value : 8;
    ApplyLineSettings();
}

TStreamProtocol TnrCustomComm::StreamProtocol() const { return fProtocol; }
void TnrCustomComm::SetStreamProtocol(TStreamProtocol value)
{
    fProtocol = value;
    ApplyLineSettings();
}

bool TnrCustomComm::RS485Mode() const { return fRS485Mode; }
void TnrCustomComm::SetRS485Mode(bool value)
{
    fRS485Mode = value;
    ApplyLineSettings();
}

char TnrCustomComm::EventChar() const { return CommCfg.dcb.EvtChar; }
void TnrCustomComm::SetEventChar(char value)
{
    CommCfg.dcb.EvtChar = value;
    evtChar_ = value;
    ApplyLineSettings();
}

TTraceStates TnrCustomComm::TraceStates() const { return TTraceStates::FromBits(fTraceStates.load()); }
void TnrCustomComm::SetTraceStates(TTraceStates value)
{
    fTraceStates = value.bits();
    ApplyEventMask();
}

uint32_t TnrCustomComm::EventMask() const
{
    return EventMaskFor(TraceStates(), fRS485Mode, fIsNotSupportRS485);
}

void TnrCustomComm::ApplyEventMask()
{
    // the comm thread reads the mask at each wait; wake it so that it takes the new one
    if (IsDeviceOpen()) nrplatform::SignalWakeEvent(commWake_);
}

void TnrCustomComm::SetBufferInSize(uint16_t value) { fBufferInSize = value; }
void TnrCustomComm::SetBufferOutSize(uint16_t value) { fBufferOutSize = value; }
void TnrCustomComm::SetTimeoutRead(uint32_t value) { fCommTimeouts.ReadIntervalTimeout = value; }
void TnrCustomComm::SetTimeoutWrite(uint32_t value) { fCommTimeouts.WriteTotalTimeoutConstant = value; }

void TnrCustomComm::SetOnBytesCounted(std::function<void()> fn)
{
    std::lock_guard<std::mutex> guard(writerLock_);
    fOnBytesCounted = std::move(fn);
}

void TnrCustomComm::SetLineStatusSource(std::shared_ptr<TnrLineStatusSource> source)
{
    statusSource_ = source ? std::move(source) : std::make_shared<TnrCounterStatusSource>();
}
