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
}

TnrCustomComm::~TnrCustomComm() { ShutDown(); }

void TnrCustomComm::ShutDown()
{
    // the receive threads end before the consumers they read are detached
    if (IsDeviceOpen()) {
        DoDisconnect(true);
        StopThreads();
        WriteLog(dlSimple, "The port is closed succesfully");
    }
    StopThreads();
    ReleaseTerminal();
    SetDataProcessor(nullptr);
    fOnTraceState = nullptr;
    DoClose();
}

// ---- opening and closing

nrplatform::PortPtr TnrCustomComm::OpenDevice(int& error)
{
    error = nrplatform::kErrNotFound;
    return nullptr;
}

void TnrCustomComm::DoOpen()
{
    DoClose();
    StopThreads();  // threads left by a lost connection end before the counters start again
    fTotalReceived = 0;
    fTotalSent = 0;

    int error = 0;
    nrplatform::PortPtr port = OpenDevice(error);
    TnrPortFilter filter;
    {
        std::lock_guard<std::mutex> guard(portLock_);
        filter = portFilter_;
    }
    if (port && filter)
        port = filter(std::move(port));
    if (!port) {
        const std::string message =
            "Device \"" + ComName() + "\" Open Error !!!\r" + nrplatform::ErrorText(error ? error : nrplatform::kErrNotFound);
        {
            std::lock_guard<std::mutex> guard(lastErrorLock_);
            fLastErrorString = message;
        }
        DoFatalError(1, 0, message, false);
        return;
    }
    // short answers come at once from a USB adapter that holds them otherwise; a driver that
    // refuses (a pseudo-terminal) keeps its ways
    port->RequestLowLatency();
    {
        std::lock_guard<std::mutex> guard(portLock_);
        port_ = port;
        writer_ = std::make_shared<TnrWriterThread>(port, [this](int e) { DoCommError(0, static_cast<uint32_t>(e), {}); });
    }
    SetHandle(port->NativeHandle());
    port.reset();
    if (fOnOpen) {
        try {
            fOnOpen(this);
        } catch (...) {}
    }
    inputQueue_.SetOpen(true);
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
    if (!IsDeviceOpen())
        return;
    if (userClose) {
        // Let what was handed over leave first: here a write returns as soon as the driver has
        // the bytes, long before a USB adapter has sent them, and the purge below would cut off
        // the last frame (the display's goodbye). The wait is bounded so a stuck line cannot
        // hold the window.
        WaitForOutputToLeave(kCloseDrainLimit);
        if (NotYetSend() > 0)
            ClearDeviceBuffers();
    }
    // whoever takes the port out closes it; a second closer finds nothing to do
    nrplatform::PortPtr port;
    std::shared_ptr<TnrWriterThread> writer;
    {
        std::lock_guard<std::mutex> guard(portLock_);
        port.swap(port_);
        writer.swap(writer_);
    }
    if (!port)
        return;
    if (writer) {
        writer->Cancel(nrplatform::kErrCancelled, !userClose);
        writer->Stop();  // its thread lets the port go as it ends
    }
    port->RestoreLatency();
    port.reset();
    BaseClose();
    inputQueue_.SetOpen(false);  // a read in progress ends
    {
        // the receive threads end too; the one running this is joined later, from elsewhere
        std::lock_guard<std::mutex> guard(threadsLock_);
        if (CommThread)
            CommThread->Terminate();
        if (MsgThread)
            MsgThread->Terminate();
        if (writer)
            retiredWriters_.push_back(std::move(writer));
    }
    WakeCommThreadWaits();
    if (!OnOwnerThread())
        PostToOwnerThread([this] {
            if (!IsDeviceOpen())
                StopThreads();
        });
    DoNotify(1);
    if (!userClose && KeepConnection())
        StartKeepConnection();
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
    nrplatform::ResetWakeEvent(*commWake_);
    nrplatform::PortPtr port = Port();
    if (!port)
        return;
    {
        std::lock_guard<std::mutex> guard(threadsLock_);
        if (!MsgThread)
            MsgThread = std::make_unique<TMsgThread>(this);
        if (!CommThread)
            CommThread = std::make_unique<TCommThread>(this, MsgThread.get(), std::move(port), commWake_);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
}

void TnrCustomComm::StopThreads()
{
    // The comm thread posts to the message thread: it ends first. A thread is never joined
    // from itself; it stays in its slot, told to end, and a later call joins it.
    std::unique_ptr<TCommThread> comm;
    std::unique_ptr<TMsgThread> msg;
    std::vector<std::shared_ptr<TnrWriterThread>> writers;
    {
        std::lock_guard<std::mutex> guard(threadsLock_);
        if (CommThread)
            CommThread->Terminate();
        if (MsgThread)
            MsgThread->Terminate();
        if (CommThread && !CommThread->IsCurrent())
            comm = std::move(CommThread);
        if (!CommThread && MsgThread && !MsgThread->IsCurrent())
            msg = std::move(MsgThread);
        for (auto& w : retiredWriters_) {
            if (w->OnWriterThread())
                writers.insert(writers.begin(), w);  // kept: put back below
            else
                writers.push_back(std::move(w));
        }
        retiredWriters_.clear();
        while (!writers.empty() && writers.front() && writers.front()->OnWriterThread()) {
            retiredWriters_.push_back(writers.front());
            writers.erase(writers.begin());
        }
    }
    comm.reset();
    msg.reset();
    writers.clear();
}

bool TnrCustomComm::HandlersMayChange() const
{
    if (IsDeviceOpen())
        return false;
    std::lock_guard<std::mutex> guard(threadsLock_);
    return !CommThread && !MsgThread && retiredWriters_.empty();
}

void TnrCustomComm::CloseAndWait()
{
    SetActive(false);
    StopThreads();
}

nrplatform::PortPtr TnrCustomComm::Port() const
{
    std::lock_guard<std::mutex> guard(portLock_);
    return port_;
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

void TnrCustomComm::WaitEventHandled(uint64_t seq, const std::atomic<bool>& terminated, const TMsgThread& messages)
{
    std::unique_lock<std::mutex> guard(handshakeLock_);
    handshakeCv_.wait(guard,
                      [&] { return eventsHandled_ >= seq || terminated.load() || !IsDeviceOpen() || messages.Finished(); });
}

void TnrCustomComm::WakeCommThreadWaits()
{
    {
        std::lock_guard<std::mutex> guard(handshakeLock_);
    }
    handshakeCv_.notify_all();
    nrplatform::SignalWakeEvent(*commWake_);
}

void TnrCustomComm::RunOnMainThread(const std::function<void()>& errand, const std::atomic<bool>& terminated)
{
    relay_.Run(errand, terminated, [this] {
        PostToOwnerThread([this] { relay_.RunPending(); });
        inputQueue_.Kick();  // a Read waiting on the component's thread runs it too
    });
}

void TnrCustomComm::DoCommError(uint32_t CommCode, uint32_t SysError, TComStateFlags State)
{
    if (fRS485Mode && fIsNotSupportRS485)
        SetRtsForRS485(false);
    bool flFlashBuffers = false;
    WriteLogFmt(dlDetail, "Communication Error %d:%d %X", static_cast<int>(CommCode), static_cast<int>(SysError),
                static_cast<unsigned>(State.bits()));
    if (fOnCommError)
        fOnCommError(this, CommCode, SysError, State, flFlashBuffers);
    if (flFlashBuffers)
        ClearDeviceBuffers();
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
                if (o && o->metaObject()->indexOfProperty("checked") >= 0)
                    o->setProperty("checked", on);
            };
            show(cts, lines.Contains(msCTS));
            show(dsr, lines.Contains(msDSR));
            show(rlsd, lines.Contains(msRLSD));
            if (ringOn)
                show(ring, true);
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
    std::lock_guard<std::mutex> guard(portLock_);
    return writer_;
}

uint64_t TnrCustomComm::WritesCompleted() const
{
    auto writer = Writer();
    return writer ? writer->Completed() : 0;
}

void TnrCustomComm::SetRtsForRS485(bool on)
{
    if (auto port = Port())
        port->Escape(on ? nrplatform::EscapeFunction::SetRTS : nrplatform::EscapeFunction::ClearRTS);
}

void TnrCustomComm::SendChar(char16_t ch)
{
    if (!IsDeviceOpen())
        return;
    const uint8_t byte = static_cast<uint8_t>(ch & 0xFF);
    WriteLogFmt(dlDebug, "Try to send char %2Xh ...", static_cast<unsigned>(byte));
    if (fRS485Mode && fIsNotSupportRS485)
        SetRtsForRS485(true);
    auto writer = Writer();
    const int error = writer ? writer->Send(&byte, 1, TimeoutWrite()) : nrplatform::kErrBadHandle;
    if (error == 0)
        fTotalSent.fetch_add(1);
    else
        DoCommError(0, static_cast<uint32_t>(error), {});
}

void TnrCustomComm::SendString(const std::string& s)
{
    if (!IsDeviceOpen() || s.empty())
        return;
    WriteLogFmt(dlDebug, "Try to send string %s ...", s.c_str());
    if (fRS485Mode && fIsNotSupportRS485)
        SetRtsForRS485(true);
    auto writer = Writer();
    const int error = writer ? writer->Send(s.data(), s.size(), TimeoutWrite()) : nrplatform::kErrBadHandle;
    if (error == 0)
        fTotalSent.fetch_add(static_cast<uint32_t>(s.size()));
    else
        DoCommError(0, static_cast<uint32_t>(error), {});
}

void TnrCustomComm::SendData(const void* buff, uint32_t n)
{
    if (!IsDeviceOpen())
        return;
    WriteLogFmt(dlDebug, "Try to send the data with %d length ...", static_cast<int>(n));
    if (!PostToWriter(buff, n)) {
        DoCommError(0, static_cast<uint32_t>(nrplatform::kErrBadHandle), {});
        return;
    }
    WriteLog(dlDebug, "... the data transmittion is OK!");
}

bool TnrCustomComm::PostToWriter(const void* data, uint32_t n)
{
    if (fRS485Mode && fIsNotSupportRS485)
        SetRtsForRS485(true);
    auto writer = Writer();
    if (!writer)
        return false;
    if (n > 0)
        writer->Post(data, n, TimeoutWrite());  // a copy: the caller's block is free at once
    fTotalSent.fetch_add(n);
    return true;
}

void TnrCustomComm::SendAheadChar(char16_t ch)
{
    if (!IsDeviceOpen())
        return;
    const uint8_t byte = static_cast<uint8_t>(ch & 0xFF);
    int error = 0;
    size_t written = 0;
    nrplatform::WriteOutcome outcome = nrplatform::WriteOutcome::Failed;
    // ahead of the queued output: straight to the driver, not through the writer's queue
    if (auto port = Port())
        outcome = port->Write(&byte, 1, written, nullptr, 0, error);
    else
        error = nrplatform::kErrBadHandle;
    if (written == 1)
        fTotalSent.fetch_add(1);
    else
        DoCommError(0, static_cast<uint32_t>(outcome == nrplatform::WriteOutcome::TimedOut ? nrplatform::kErrTimedOut : error),
                    {});
}

void TnrCustomComm::FlushOutputBuffer()
{
    auto writer = Writer();
    if (!writer)
        return;
    writer->WaitIdle();
    if (auto port = Port())
        port->Drain();
}

uint32_t TnrCustomComm::NotYetSend()
{
    uint32_t flags = 0;
    TCOMSTAT stat;
    if (!StatusQuery(flags, &stat))
        return 0;
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
    nrplatform::PortStatus status;
    int error = 0;
    if (auto port = Port()) {
        // only the queue lengths: the error flags stay for the next status query
        uint32_t queued = 0;
        if (port->QueryStatus(status, error))
            queued = status.outQueue;
        pendingErrorFlags_.fetch_or(status.errorFlags);
        auto writer = Writer();
        return queued + static_cast<uint32_t>(writer ? writer->Pending() : 0);
    }
    return 0;
}

bool TnrCustomComm::WaitForSignal(TModemSignal Signal, uint32_t Ms)
{
    if (!IsDeviceOpen())
        return false;
    const uint32_t start = nrplatform::TickMs();
    for (;;) {
        if (ModemSignals().Contains(Signal))
            return true;
        if (!IsDeviceOpen() || nrplatform::TickMs() - start >= Ms)
            return false;
        if (OnOwnerThread())
            QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// ---- purging

void TnrCustomComm::ClearDeviceInput()
{
    std::lock_guard<std::mutex> guard(ingestLock_);
    const nrplatform::PortPtr port = Port();
    if (!port)
        return;
    port->Purge(true, false);
    inputQueue_.Purge();
}

void TnrCustomComm::ClearDeviceOutput()
{
    if (const nrplatform::PortPtr port = Port()) {
        if (auto writer = Writer())
            writer->Cancel(nrplatform::kErrCancelled, false);
        port->Purge(false, true);
    }
    if (IsDeviceOpen() && fRS485Mode && fIsNotSupportRS485)
        SetRtsForRS485(false);
}

void TnrCustomComm::ClearDeviceBuffers()
{
    nrplatform::PortPtr port;
    {
        std::lock_guard<std::mutex> guard(ingestLock_);
        port = Port();
        if (port) {
            port->Purge(true, false);
            inputQueue_.Purge();
        }
    }
    // The output side without the ingest lock: Cancel waits for the writer to end its write.
    if (port) {
        // the started writes of SendData end too
        if (auto writer = Writer())
            writer->Cancel(nrplatform::kErrCancelled, false);
        port->Purge(false, true);
    }
    if (IsDeviceOpen() && fRS485Mode && fIsNotSupportRS485)
        SetRtsForRS485(false);
}

// ---- modem lines

void TnrCustomComm::SetStateDTR(bool on)
{
    const nrplatform::PortPtr port = Port();
    if (!port)
        return;
    port->Escape(on ? nrplatform::EscapeFunction::SetDTR : nrplatform::EscapeFunction::ClearDTR);
    DoTraceState(this, TTraceStates{tsDSR});
}

void TnrCustomComm::SetStateRTS(bool on)
{
    const nrplatform::PortPtr port = Port();
    if (!port)
        return;
    port->Escape(on ? nrplatform::EscapeFunction::SetRTS : nrplatform::EscapeFunction::ClearRTS);
    DoTraceState(this, TTraceStates{tsCTS});
}

void TnrCustomComm::SetStateX(bool on)
{
    if (const nrplatform::PortPtr port = Port())
        port->Escape(on ? nrplatform::EscapeFunction::ResumeOutput : nrplatform::EscapeFunction::HoldOutput);
}

void TnrCustomComm::SetStateBreak(bool on)
{
    if (const nrplatform::PortPtr port = Port())
        port->Escape(on ? nrplatform::EscapeFunction::SetBreak : nrplatform::EscapeFunction::ClearBreak);
}

TModemSignals TnrCustomComm::ModemSignals() const
{
    uint32_t lines = 0;
    const nrplatform::PortPtr port = Port();
    TModemSignals s;
    if (!port || !port->GetModemLines(lines))
        return s;
    if (lines & nrplatform::kLineCTS)
        s.Include(msCTS);
    if (lines & nrplatform::kLineDSR)
        s.Include(msDSR);
    if (lines & nrplatform::kLineRing)
        s.Include(msRing);
    if (lines & nrplatform::kLineRLSD)
        s.Include(msRLSD);
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
    if (const nrplatform::PortPtr port = Port())
        port->ApplyLineSettings(CommCfg.dcb, settings);
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

uint32_t TnrCustomComm::EventMask() const { return EventMaskFor(TraceStates(), fRS485Mode, fIsNotSupportRS485); }

void TnrCustomComm::ApplyEventMask()
{
    // the comm thread reads the mask at each wait; wake it so that it takes the new one
    if (IsDeviceOpen())
        nrplatform::SignalWakeEvent(*commWake_);
}

void TnrCustomComm::SetBufferInSize(uint16_t value) { fBufferInSize = value; }
void TnrCustomComm::SetBufferOutSize(uint16_t value) { fBufferOutSize = value; }
void TnrCustomComm::SetTimeoutRead(uint32_t value) { fCommTimeouts.ReadIntervalTimeout = value; }
void TnrCustomComm::SetTimeoutWrite(uint32_t value) { fCommTimeouts.WriteTotalTimeoutConstant = value; }

void TnrCustomComm::SetOnBytesCounted(std::function<void()> fn)
{
    std::lock_guard<std::mutex> guard(portLock_);
    fOnBytesCounted = std::move(fn);
}

void TnrCustomComm::SetOnArrival(ArrivalHook hook)
{
    std::lock_guard<std::mutex> guard(ingestLock_);
    onArrival_ = std::move(hook);
}

void TnrCustomComm::AwaitArrivalHandled() { std::lock_guard<std::mutex> guard(ingestLock_); }

void TnrCustomComm::SetPortFilter(TnrPortFilter filter)
{
    std::lock_guard<std::mutex> guard(portLock_);
    portFilter_ = std::move(filter);
}
