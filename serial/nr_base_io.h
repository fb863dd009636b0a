#pragma once
// The base of the serial component: device handle, open and close skeleton, notify list, device
// list, log hook, fatal-error path, thread hand-over, terminal echo and keep-connection timer.
#include <QObject>
#include <QPointer>
#include <atomic>
#include <cassert>
#include <cstdarg>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "serial/nr_device.h"
#include "serial/nr_errors.h"
#include "serial/nr_log.h"
#include "serial/nr_notify_list.h"
#include "serial/nr_types.h"

class QPlainTextEdit;
class TnrCustomDataProcessor;
class TnrTimer;
class TnrBaseIO;

// The device-change message of the platform and its events.
inline constexpr uint32_t WM_DEVICECHANGE = 0x0219;
inline constexpr uint32_t DBT_DEVNODES_CHANGED = 0x0007;
inline constexpr uint32_t DBT_DEVICEARRIVAL = 0x8000;
inline constexpr uint32_t DBT_DEVICEREMOVECOMPLETE = 0x8004;
inline constexpr uint32_t DBT_DEVTYP_PORT = 3;
struct TWMDeviceChange {
    uint32_t Msg = 0;
    uint32_t Event = 0;       // wParam
    uint32_t DeviceType = 0;  // device type of the broadcast header, when there is one
};

// The device list's entries: (text, record).
using TnrDeviceEntries = std::vector<std::pair<std::string, TnrDevice*>>;

enum class TnrThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// The generic I/O thread for descendants that read in a loop of their own.
class TnrThreadIO {
public:
    TnrThreadIO(TnrBaseIO* comm, TnrThreadPriority priority);
    ~TnrThreadIO();
    void Terminate() { terminated_ = true; }
    bool Terminated() const { return terminated_; }
    void WaitFor();
    bool IsCurrentThread() const { return std::this_thread::get_id() == thread_.get_id(); }

private:
    void Execute();
    TnrBaseIO* fnrComm;
    std::atomic<bool> terminated_{false};
    std::thread thread_;
};

class TnrBaseIO : public QObject {
    Q_OBJECT
public:
    explicit TnrBaseIO(QObject* owner = nullptr);
    ~TnrBaseIO() override;

    // Opening and closing.
    bool Active() const;
    void SetActive(bool value);
    TnrHandle Handle() const { return fHandle.load(); }
    virtual bool IsDeviceOpen() const;
    // While the owning form is loaded, setting Active only stores the value; Loaded applies it.
    void SetLoading(bool loading) { fLoading = loading; }
    bool Loading() const { return fLoading; }
    void Loaded();

    // Sending and purging.
    virtual void SendChar(char16_t ch) = 0;
    virtual void SendString(const std::string& s) = 0;
    virtual void SendData(const void* buff, uint32_t n) = 0;
    virtual void ClearDeviceInput() = 0;
    virtual void ClearDeviceOutput() = 0;
    virtual void ClearDeviceBuffers() = 0;

    // Device list.
    void GetDeviceList(TnrDeviceEntries* list);
    TnrDevice* Device(int index) const;
    int DeviceCount() const;
    int IndexOfDevice(const TnrDevice* device) const;
    int AddDevice(TnrDevice* device);             // takes ownership
    virtual int InsertDevice(TnrDevice* device);  // takes ownership; frees a rejected record
    virtual void ClearDeviceList();
    virtual void DeviceListLoad() {}
    virtual int GetDeviceIndex() const { return -1; }
    virtual void SetDeviceIndex(int value);
    int DeviceIndex() const { return GetDeviceIndex(); }
    virtual void Update() {}
    virtual int WMDeviceChange(const TWMDeviceChange& message);

    // Notify list.
    virtual void NotifyAdd(TnrNotifyEvent::Routine routine, void* object);
    virtual void NotifyDelete(TnrNotifyEvent::Routine routine, void* object);
    TnrNotifyList& NotifyList() { return nrNotifyList; }

    // Properties and events.
    TnrCustomLogFile* Log() const { return fLog; }
    void SetLog(TnrCustomLogFile* log) { fLog = log; }
    TnrCustomDataProcessor* DataProcessor() const { return fDataProcessor; }
    void SetDataProcessor(TnrCustomDataProcessor* processor);
    // Handlers are read by the receive threads and the writer without a lock: they are set only
    // while the port is closed and those threads have ended (a debug build stops otherwise).
    void SetOnFatalError(TOnFatalErrorEvent ev)
    {
        assert(HandlersMayChange());
        fOnFatalError = std::move(ev);
    }
    void SetOnClose(TNotifyEvent ev)
    {
        assert(HandlersMayChange());
        fOnClose = std::move(ev);
    }
    void SetOnOpen(TNotifyEvent ev)
    {
        assert(HandlersMayChange());
        fOnOpen = std::move(ev);
    }
    void SetOnAfterReceive(TOnReceived ev)
    {
        assert(HandlersMayChange());
        fOnReceived = std::move(ev);
    }
    // True while no other thread of this component may call a handler: the port is closed and
    // nothing it started is still running.
    virtual bool HandlersMayChange() const { return !IsDeviceOpen(); }
    bool UseMainThread() const { return fUseMainThread; }
    void SetUseMainThread(bool value) { fUseMainThread = value; }
    TnrThreadPriority Priority() const { return fPriority; }
    void SetPriority(TnrThreadPriority value) { fPriority = value; }
    bool KeepConnection() const { return fKeepConnection; }
    void SetKeepConnection(bool value) { fKeepConnection = value; }
    // The terminal control and its binding live with the widgets (nr_terminal.cpp).
    QPlainTextEdit* Terminal() const;
    void SetTerminal(QPlainTextEdit* terminal);
    // Text typed into the terminal: sent when the usage allows; true when the control must not
    // show it (no echo).
    bool TerminalTyped(const QString& text);
    // Lets the terminal control go (what SetTerminal(nullptr) does, without needing the widgets).
    void ReleaseTerminal();
    TTerminalUsage TerminalUsage() const { return fTerminalUsage; }
    void SetTerminalUsage(TTerminalUsage usage) { fTerminalUsage = usage; }
    bool TerminalEcho() const { return fTerminalEcho; }
    void SetTerminalEcho(bool value) { fTerminalEcho = value; }
    // Shows a message in the error box; by default a modal message box on the component's thread.
    void SetErrorBox(std::function<void(const std::string&)> show) { fErrorBox = std::move(show); }

    // Runs a routine on the component's thread and waits (for TnrThreadIO).
    void Synchronize(const std::function<void()>& routine);

    // Paths of the component (virtual in the component's design).
    virtual bool HasReceiveConsumers() const;
    virtual void DoFatalError(uint32_t ErrorCode, uint32_t Detail, const std::string& ErrorMsg, bool Show);
    virtual void DoNotify(int32_t Code);
    virtual void DoReceived(const void* Buffer, uint32_t Len);
    virtual bool DoSentComplete();
    virtual void DoKeepConnection();
    virtual void StartKeepConnection();
    virtual void StopKeepConnection();
    virtual void TerminalOutput(const void* Buffer, uint32_t Len);
    virtual void ThreadExecute() {}
    TnrTimer* KeepConnectionTimer() const { return timerKeepConnection; }

protected:
    virtual TnrHandle DeviceOpen() { return kInvalidHandle; }
    virtual void DeviceClose(TnrHandle handle);
    virtual void DoOpen();
    virtual void DoClose();
    virtual void StartThreads();
    virtual void StopThreads();

    // Log lines: the prefix goes in front; an empty text asks the sink for its system information.
    void WriteLog(TDetailLevel level, const std::string& text);
    void WriteLogFmt(TDetailLevel level, const char* format, ...) __attribute__((format(printf, 3, 4)));

    // The base close: the handle reads invalid first, then the device is released; OnClose follows.
    void BaseClose();
    // Stores a new valid handle (opening).
    void SetHandle(TnrHandle handle);
    // Runs a routine on the component's thread without waiting (for indicators, terminal, boxes).
    void PostToOwnerThread(std::function<void()> routine);
    bool OnOwnerThread() const;
    void ShowErrorBox(const std::string& text);

    std::string sLogPrefix;
    bool isThreaded = false;
    std::atomic<bool> IsThreadIOTerminated{true};
    void* threadData = nullptr;
    uint32_t threadDataSize = 0;
    bool flClearDeviceListWithFree = true;

    TOnReceived fOnReceived;
    TNotifyEvent fOnClose;
    TNotifyEvent fOnOpen;
    TOnFatalErrorEvent fOnFatalError;

private:
    TnrNotifyList nrNotifyList;
    TnrCustomLogFile* fLog = nullptr;
    TnrCustomDataProcessor* fDataProcessor = nullptr;
    std::vector<std::unique_ptr<TnrDevice>> slDevices;
    QPointer<QObject> fTerminal;      // a QPlainTextEdit
    QPointer<QObject> fTerminalKeys;  // the terminal's key filter
    // Writes received text into the terminal, on the component's thread.
    std::function<void(QObject*, const QString&)> fTerminalWriter;
    TTerminalUsage fTerminalUsage = tuNone;
    bool fTerminalEcho = false;
    std::atomic<bool> fTerminalLocked{false};
    std::unique_ptr<TnrThreadIO> fThreadIO;
    std::atomic<bool> fUseMainThread{true};
    TnrThreadPriority fPriority = TnrThreadPriority::tpNormal;
    std::atomic<bool> fKeepConnection{false};
    TnrTimer* timerKeepConnection = nullptr;
    bool fActive = false;
    bool fLoading = false;
    std::atomic<TnrHandle> fHandle{kInvalidHandle};
    std::function<void(const std::string&)> fErrorBox;
};
