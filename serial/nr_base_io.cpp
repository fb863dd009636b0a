#include "serial/nr_base_io.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <cstdio>

#include "serial/nr_data_processor.h"
#include "serial/nr_timer.h"
#include "serial/serial_platform.h"

// ---- TnrThreadIO

TnrThreadIO::TnrThreadIO(TnrBaseIO* comm, TnrThreadPriority /*priority*/) : fnrComm(comm)
{
    thread_ = std::thread([this] { Execute(); });
}

TnrThreadIO::~TnrThreadIO()
{
    Terminate();
    WaitFor();
}

void TnrThreadIO::WaitFor()
{
    if (thread_.joinable() && !IsCurrentThread())
        thread_.join();
}

void TnrThreadIO::Execute()
{
    try {
        fnrComm->ThreadExecute();
    } catch (...) {
        // the thread's errors are dropped
    }
}

// ---- TnrBaseIO

TnrBaseIO::TnrBaseIO(QObject* owner) : QObject(owner), sLogPrefix("TnrBaseIO") {}

TnrBaseIO::~TnrBaseIO()
{
    StopThreads();
    if (timerKeepConnection) {
        timerKeepConnection->SetEnabled(false);
        delete timerKeepConnection;
        timerKeepConnection = nullptr;
    }
    ClearDeviceList();
    nrNotifyList.Clear();
}

bool TnrBaseIO::Active() const
{
    if (fLoading)
        return fActive;
    return IsDeviceOpen();
}

void TnrBaseIO::SetActive(bool value)
{
    if (fLoading) {
        fActive = value;
        return;
    }
    if (value == Active())
        return;
    if (value)
        DoOpen();
    else
        DoClose();
}

bool TnrBaseIO::IsDeviceOpen() const { return fHandle.load() != kInvalidHandle; }

void TnrBaseIO::Loaded()
{
    fLoading = false;
    try {
        if (fActive)
            SetActive(true);
    } catch (...) {
        ShowErrorBox("error");
    }
}

// ---- opening and closing

void TnrBaseIO::SetHandle(TnrHandle handle) { fHandle.store(handle); }

void TnrBaseIO::DoOpen()
{
    const TnrHandle h = DeviceOpen();
    if (h == kInvalidHandle)
        return;
    SetHandle(h);
    if (fOnOpen) {
        try {
            fOnOpen(this);
        } catch (...) {}
    }
}

void TnrBaseIO::DoClose() { BaseClose(); }

void TnrBaseIO::DeviceClose(TnrHandle handle)
{
    (void)handle;  // the base owns no device: a descendant that opens one closes it
}

void TnrBaseIO::BaseClose()
{
    {
        // the handle reads invalid first, then the device is released
        const TnrHandle old = fHandle.exchange(kInvalidHandle);
        if (old != kInvalidHandle)
            DeviceClose(old);
    }
    if (fOnClose) {
        try {
            fOnClose(this);
        } catch (...) {}
    }
}

void TnrBaseIO::StartThreads()
{
    if (!isThreaded)
        return;
    IsThreadIOTerminated = false;
    fThreadIO = std::make_unique<TnrThreadIO>(this, fPriority);
}

void TnrBaseIO::StopThreads()
{
    if (IsThreadIOTerminated.exchange(true))
        return;
    if (fThreadIO) {
        fThreadIO->Terminate();
        fThreadIO->WaitFor();
        fThreadIO.reset();
    }
}

// ---- device list

void TnrBaseIO::GetDeviceList(TnrDeviceEntries* list)
{
    if (slDevices.empty())
        DeviceListLoad();
    if (!list)
        return;
    list->clear();
    for (const auto& d : slDevices)
        list->emplace_back(d->NameFriendly, d.get());
}

TnrDevice* TnrBaseIO::Device(int index) const
{
    if (index < 0 || index >= static_cast<int>(slDevices.size()))
        return nullptr;
    return slDevices[static_cast<size_t>(index)].get();
}

int TnrBaseIO::DeviceCount() const { return static_cast<int>(slDevices.size()); }

int TnrBaseIO::IndexOfDevice(const TnrDevice* device) const
{
    for (size_t i = 0; i < slDevices.size(); ++i)
        if (slDevices[i].get() == device)
            return static_cast<int>(i);
    return -1;
}

int TnrBaseIO::AddDevice(TnrDevice* device)
{
    slDevices.emplace_back(device);
    device->fIndex = static_cast<int32_t>(slDevices.size()) - 1;
    device->fParent = this;
    return device->fIndex;
}

int TnrBaseIO::InsertDevice(TnrDevice* device)
{
    if (slDevices.empty() || slDevices.back()->Data < device->Data)
        return AddDevice(device);
    for (size_t i = 0; i < slDevices.size(); ++i) {
        if (slDevices[i]->Data == device->Data) {
            delete device;  // a second port with a number already listed
            return -1;
        }
        if (slDevices[i]->Data > device->Data) {
            slDevices.emplace(slDevices.begin() + static_cast<long>(i), device);
            device->fIndex = static_cast<int32_t>(i);
            device->fParent = this;
            for (size_t j = i + 1; j < slDevices.size(); ++j)
                slDevices[j]->fIndex += 1;
            return static_cast<int>(i);
        }
    }
    delete device;
    return -1;
}

void TnrBaseIO::ClearDeviceList()
{
    if (!flClearDeviceListWithFree) {
        for (auto& d : slDevices)
            (void)d.release();
    }
    slDevices.clear();
}

void TnrBaseIO::SetDeviceIndex(int value)
{
    if (value >= 0 && value < DeviceCount())
        DoNotify(3);
}

int TnrBaseIO::WMDeviceChange(const TWMDeviceChange& message)
{
    if (message.Msg != WM_DEVICECHANGE)
        return 0;
    const bool portEvent = (message.Event == DBT_DEVICEARRIVAL || message.Event == DBT_DEVICEREMOVECOMPLETE)
        && message.DeviceType == DBT_DEVTYP_PORT;
    if (message.Event != DBT_DEVNODES_CHANGED && !portEvent)
        return 0;
    Update();
    return 1;
}

// ---- notify list

void TnrBaseIO::NotifyAdd(TnrNotifyEvent::Routine routine, void* object)
{
    if (nrNotifyList.IndexOf(routine, object) < 0)
        nrNotifyList.Add(routine, object);
}

void TnrBaseIO::NotifyDelete(TnrNotifyEvent::Routine routine, void* object)
{
    const int i = nrNotifyList.IndexOf(routine, object);
    if (i >= 0)
        nrNotifyList.Delete(i);
}

void TnrBaseIO::DoNotify(int32_t Code) { nrNotifyList.Call(this, Code); }

// ---- receive delivery

bool TnrBaseIO::HasReceiveConsumers() const
{
    return !fTerminal.isNull() || static_cast<bool>(fOnReceived) || fDataProcessor != nullptr;
}

void TnrBaseIO::DoReceived(const void* Buffer, uint32_t Len)
{
    if (fThreadIO && UseMainThread() && fThreadIO->IsCurrentThread()) {
        threadData = const_cast<void*>(Buffer);
        threadDataSize = Len;
        Synchronize([this] { DoReceived(threadData, threadDataSize); });
        return;
    }
    WriteLog(dlDebug, "Input data length: " + std::to_string(Len));
    uint32_t flags = 0;
    if (fDataProcessor)
        fDataProcessor->DoProcessing(Buffer, Len, flags);
    if (!fTerminal.isNull() && (flags & 1) == 0)
        TerminalOutput(Buffer, Len);
    if (fOnReceived)
        fOnReceived(this, Buffer, Len);
}

bool TnrBaseIO::DoSentComplete() { return fDataProcessor ? fDataProcessor->DoAfterSendComplete() : false; }

void TnrBaseIO::SetDataProcessor(TnrCustomDataProcessor* processor) { fDataProcessor = processor; }

// ---- keep-connection timer

void TnrBaseIO::StartKeepConnection()
{
    if (!OnOwnerThread()) {
        // the timer ticks on the component's thread, whichever thread lost the connection
        PostToOwnerThread([this] { StartKeepConnection(); });
        return;
    }
    if (!timerKeepConnection) {
        timerKeepConnection = new TnrTimer(this);
        timerKeepConnection->SetInterval(2000);
        timerKeepConnection->SetOnTimer([this](QObject*) { DoKeepConnection(); });
    }
    timerKeepConnection->SetEnabled(true);
}

void TnrBaseIO::StopKeepConnection()
{
    if (timerKeepConnection)
        timerKeepConnection->SetEnabled(false);
}

void TnrBaseIO::DoKeepConnection()
{
    StopKeepConnection();
    WriteLog(dlDetail, "Try to connect ...");
}

// ---- fatal errors and logs

void TnrBaseIO::DoFatalError(uint32_t ErrorCode, uint32_t Detail, const std::string& ErrorMsg, bool Show)
{
    bool raise = true;
    if (fOnFatalError)
        fOnFatalError(this, ErrorCode, Detail, ErrorMsg, raise);
    if (fLog)
        WriteFatalErrorLine(*fLog, ErrorCode, Detail, ErrorMsg);
    if (!raise || fLoading)
        return;
    if (!Show)
        throw EnrCommError(ErrorMsg);
    ShowErrorBox(ErrorMsg);
}

void TnrBaseIO::ShowErrorBox(const std::string& text)
{
    if (fErrorBox) {
        fErrorBox(text);
        return;
    }
    // A window program sets its message box (nr_error_box.h); without one the text goes to the
    // standard error.
    std::fprintf(stderr, "%s\n", text.c_str());
}

void TnrBaseIO::WriteLog(TDetailLevel level, const std::string& text)
{
    if (!fLog)
        return;
    if (text.empty())
        fLog->AddSysInfo();
    else
        fLog->AddLog(level, sLogPrefix + text);
}

void TnrBaseIO::WriteLogFmt(TDetailLevel level, const char* format, ...)
{
    if (!fLog)
        return;
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text(n > 0 ? static_cast<size_t>(n) : 0, '\0');
    if (n > 0)
        std::vsnprintf(text.data(), text.size() + 1, format, args);
    va_end(args);
    fLog->AddLogFmt(level, sLogPrefix + format, sLogPrefix + text);
}

// ---- threads of the component's owner

bool TnrBaseIO::OnOwnerThread() const { return QThread::currentThread() == thread(); }

void TnrBaseIO::PostToOwnerThread(std::function<void()> routine)
{
    QMetaObject::invokeMethod(this, std::move(routine), Qt::QueuedConnection);
}

void TnrBaseIO::Synchronize(const std::function<void()>& routine)
{
    if (OnOwnerThread())
        routine();
    else
        QMetaObject::invokeMethod(this, routine, Qt::BlockingQueuedConnection);
}

// ---- terminal echo

void TnrBaseIO::ReleaseTerminal()
{
    delete fTerminalKeys.data();  // a deleted filter leaves its control by itself
    fTerminalKeys = nullptr;
    fTerminal = nullptr;
    fTerminalWriter = nullptr;
}

bool TnrBaseIO::TerminalTyped(const QString& text)
{
    if ((fTerminalUsage != tuSend && fTerminalUsage != tuBoth) || fTerminalLocked || text.isEmpty())
        return false;
    for (QChar c : text)
        SendChar(c.unicode());
    return !fTerminalEcho;  // with echo the control shows what was typed
}

void TnrBaseIO::TerminalOutput(const void* Buffer, uint32_t Len)
{
    if (fTerminal.isNull() || Len == 0)
        return;
    if (fTerminalUsage != tuReceive && fTerminalUsage != tuBoth && fTerminalUsage != tuNone)
        return;
    const QString text = QString::fromLatin1(static_cast<const char*>(Buffer), static_cast<qsizetype>(Len));
    QPointer<QObject> terminal = fTerminal;
    PostToOwnerThread([this, terminal, text] {
        if (terminal.isNull() || !fTerminalWriter)
            return;
        fTerminalLocked = true;  // what appears here is not sent back
        fTerminalWriter(terminal.data(), text);
        fTerminalLocked = false;
    });
}
