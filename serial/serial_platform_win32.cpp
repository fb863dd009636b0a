// The serial services on Windows: a COM port opened exclusively for overlapped I/O, its DCB,
// WaitCommEvent, ClearCommError, ReadFile and WriteFile, PurgeComm, CancelIo, EscapeCommFunction.
// Every call on a port's handle goes through the table of win32_serial_calls.h.
#include <memory>
#include <mutex>
#include <string>

#include "serial/dcb_win32.h"
#include "serial/net_port.h"
#include "serial/serial_platform.h"
#include "serial/win32_serial_calls.h"

// After the component's headers: the system's headers define the event and error names as macros.
#include <windows.h>

namespace nrplatform {

const int kErrNotFound = ERROR_FILE_NOT_FOUND;
const int kErrCancelled = ERROR_OPERATION_ABORTED;
const int kErrTimedOut = ERROR_TIMEOUT;
const int kErrBadHandle = ERROR_INVALID_HANDLE;
const int kErrIO = ERROR_IO_DEVICE;
const bool kHandleOnWaitingThread = false;

// ---- wake events

class WakeEvent {
public:
    WakeEvent() : handle(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~WakeEvent()
    {
        if (handle)
            CloseHandle(handle);
    }
    WakeEvent(const WakeEvent&) = delete;
    WakeEvent& operator=(const WakeEvent&) = delete;
    const HANDLE handle;  // manual reset: stays signalled until reset
};

WakeEventPtr CreateWakeEvent() { return std::make_shared<WakeEvent>(); }

void SignalWakeEvent(WakeEvent& event)
{
    if (event.handle)
        SetEvent(event.handle);
}

void ResetWakeEvent(WakeEvent& event)
{
    if (event.handle)
        ResetEvent(event.handle);
}

int WaitWakeEvents(WakeEvent& first, WakeEvent& second, int timeoutMs)
{
    const HANDLE handles[2] = {first.handle, second.handle};
    const DWORD rc = WaitForMultipleObjects(2, handles, FALSE, timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs));
    if (rc == WAIT_OBJECT_0)
        return 1;
    return rc == WAIT_OBJECT_0 + 1 ? 2 : 0;
}

namespace {

// The longest a line-event wait goes without looking at the input itself; also the shortest
// time from the start of one wait to the next when a wait ends at once with nothing.
constexpr DWORD kInputRecheckMs = 50;
// Between two such waits the input is looked at this often.
constexpr DWORD kPacedInputLookMs = 5;

// The driver's queues, asked for at every opening (the component's BufferInSize and BufferOutSize).
constexpr DWORD kQueueSize = 8192;

// An event for one overlapped operation, closed with it.
class OperationEvent {
public:
    OperationEvent() : handle(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~OperationEvent()
    {
        if (handle)
            CloseHandle(handle);
    }
    OperationEvent(const OperationEvent&) = delete;
    OperationEvent& operator=(const OperationEvent&) = delete;
    const HANDLE handle;
};

// Errors after which the device is gone: a pulled adapter, a closed handle, a dead line.
bool IsGone(DWORD error)
{
    switch (error) {
    case ERROR_INVALID_HANDLE:
    case ERROR_ACCESS_DENIED:
    case ERROR_BAD_COMMAND:
    case ERROR_GEN_FAILURE:
    case ERROR_BROKEN_PIPE:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_DEVICE_REMOVED:
    case ERROR_FILE_NOT_FOUND:
    case ERROR_NOT_READY:
    case ERROR_IO_DEVICE:
    case ERROR_COUNTER_TIMEOUT:
        return true;
    default:
        return false;
    }
}

DWORD WaitMs(int timeoutMs) { return timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs); }

std::wstring Wide(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0)
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

std::string Utf8(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

class Win32Port final : public Port {
public:
    explicit Win32Port(HANDLE handle) : handle_(handle) {}
    ~Win32Port() override { Win32Serial().CloseHandle(handle_); }

    bool ApplyLineSettings(const TDCB& dcb, const TnrLineSettings& settings) override;
    WaitOutcome WaitLineEvent(uint32_t mask, WakeEvent& wake, int timeoutMs, uint32_t& events, int& error) override;
    bool QueryStatus(PortStatus& status, int& error) override;
    ReadResult Read(void* buffer, size_t size) override;
    WriteOutcome Write(const void* data, size_t size, size_t& written, WakeEvent* wake, int timeoutMs, int& error) override;
    bool WritesAtOnce() const override { return false; }
    bool Purge(bool input, bool output) override
    {
        DWORD flags = 0;
        if (input)
            flags |= PURGE_RXABORT | PURGE_RXCLEAR;
        if (output)
            flags |= PURGE_TXABORT | PURGE_TXCLEAR;
        return flags == 0 || Win32Serial().PurgeComm(handle_, flags) != 0;
    }
    bool Drain() override { return Win32Serial().FlushFileBuffers(handle_) != 0; }
    bool Escape(EscapeFunction function) override;
    bool GetModemLines(uint32_t& lines) override;
    // Windows has no portable request for a driver's latency.
    bool RequestLowLatency() override { return false; }
    void RestoreLatency() override {}
    TnrHandle NativeHandle() const override { return reinterpret_cast<TnrHandle>(handle_); }

private:
    // ClearCommError: the error flags go to pendingErrors_ until QueryStatus hands them on.
    bool ClearErrors(COMSTAT& stat, DWORD& error);
    DWORD OverlappedOutcome(OVERLAPPED& ovl);
    void EndWait(OVERLAPPED& ovl);

    const HANDLE handle_;
    std::mutex lock_;               // a leaf lock over the two fields below
    uint32_t mask_ = ~uint32_t(0);  // the event mask the port has, none given yet
    uint32_t pendingErrors_ = 0;    // error flags a wait read, not yet reported by QueryStatus
    // Only the thread that waits for line events touches these two: the start of its last wait,
    // and whether that wait ended at once with nothing (then the next one waits for its turn).
    DWORD waitStart_ = 0;
    bool paced_ = false;
};

bool Win32Port::ApplyLineSettings(const TDCB& block, const TnrLineSettings&)
{
    DCB dcb;
    ToWin32Dcb(block, dcb);
    return Win32Serial().SetCommState(handle_, &dcb) != 0;
}

bool Win32Port::ClearErrors(COMSTAT& stat, DWORD& error)
{
    DWORD flags = 0;
    if (!Win32Serial().ClearCommError(handle_, &flags, &stat)) {
        error = GetLastError();
        return false;
    }
    if (flags != 0) {
        std::lock_guard<std::mutex> guard(lock_);
        pendingErrors_ |= flags & (CE_RXOVER | CE_OVERRUN | CE_RXPARITY | CE_FRAME | CE_BREAK);
    }
    return true;
}

// The state of an overlapped operation, without waiting: ERROR_SUCCESS once it has ended well,
// ERROR_IO_INCOMPLETE while it runs, otherwise the error it ended with.
DWORD Win32Port::OverlappedOutcome(OVERLAPPED& ovl)
{
    DWORD ignored = 0;
    return Win32Serial().GetOverlappedResult(handle_, &ovl, &ignored, FALSE) ? ERROR_SUCCESS : GetLastError();
}

// Cancels a pending wait and waits for its end, so that its record may go out of scope.
void Win32Port::EndWait(OVERLAPPED& ovl)
{
    Win32Serial().CancelIo(handle_);
    DWORD ignored = 0;
    Win32Serial().GetOverlappedResult(handle_, &ovl, &ignored, TRUE);
}

WaitOutcome Win32Port::WaitLineEvent(uint32_t mask, WakeEvent& wake, int timeoutMs, uint32_t& events, int& error)
{
    events = 0;
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (mask != mask_) {
            if (!Win32Serial().SetCommMask(handle_, mask)) {
                error = static_cast<int>(GetLastError());
                return IsGone(static_cast<DWORD>(error)) ? WaitOutcome::Lost : WaitOutcome::Failed;
            }
            mask_ = mask;
        }
    }
    const DWORD start = GetTickCount();
    OperationEvent done;
    // A wait that ends at once with nothing (aborted, as Wine ends them) is started again only
    // when its slice is over, also across calls, so that a driver that ends every wait cannot
    // make this a busy loop.
    for (;;) {
        // A wake that came while the last wait ended by itself (Wine ends waits every few ms).
        if (WaitForSingleObject(wake.handle, 0) == WAIT_OBJECT_0)
            return WaitOutcome::Woken;
        // Input that waits already is an event: a driver reports received characters only for
        // those that arrive during a wait, and Wine's pseudo-terminals report none at all.
        COMSTAT stat{};
        DWORD status = 0;
        if (!ClearErrors(stat, status)) {
            error = static_cast<int>(status);
            return WaitOutcome::Lost;
        }
        if (stat.cbInQue > 0 && (mask & EV_RXCHAR)) {
            events = EV_RXCHAR;
            return WaitOutcome::Events;
        }
        DWORD left = INFINITE;
        if (timeoutMs >= 0) {
            const DWORD spent = GetTickCount() - start;
            if (spent >= static_cast<DWORD>(timeoutMs))
                return WaitOutcome::TimedOut;
            left = static_cast<DWORD>(timeoutMs) - spent;
        }
        if (paced_) {
            const DWORD since = GetTickCount() - waitStart_;
            if (since < kInputRecheckMs) {
                DWORD pause = kInputRecheckMs - since;
                pause = pause < kPacedInputLookMs ? pause : kPacedInputLookMs;
                pause = pause < left ? pause : left;
                if (WaitForSingleObject(wake.handle, pause) == WAIT_OBJECT_0)
                    return WaitOutcome::Woken;
                continue;  // the input, the time left and the slice again
            }
            paced_ = false;
        }
        waitStart_ = GetTickCount();
        OVERLAPPED ovl{};
        ovl.hEvent = done.handle;
        ResetEvent(done.handle);
        DWORD happened = 0;
        if (!Win32Serial().WaitCommEvent(handle_, &happened, &ovl)) {
            const DWORD e = GetLastError();
            if (e == ERROR_INVALID_PARAMETER && happened == 0) {
                paced_ = true;
                continue;  // go on with no events
            }
            if (e != ERROR_IO_PENDING) {
                error = static_cast<int>(e);
                return WaitOutcome::Lost;
            }
            // Input that came between the look above and the start of this wait may never be
            // reported (Wine takes its baseline when the wait starts, and on a pseudo-terminal it
            // does not always end the wait): a wait lasts at most one slice, then the loop looks
            // at the input again.
            const DWORD slice = left < kInputRecheckMs ? left : kInputRecheckMs;
            const HANDLE both[2] = {done.handle, wake.handle};
            const DWORD w = WaitForMultipleObjects(2, both, FALSE, slice);
            if (w != WAIT_OBJECT_0) {
                // woken or out of time: end the wait before its record goes out of scope
                EndWait(ovl);
                if (w == WAIT_OBJECT_0 + 1)
                    return WaitOutcome::Woken;
                if (w == WAIT_TIMEOUT && slice < left)
                    continue;  // only the slice is over
                if (w == WAIT_TIMEOUT)
                    return WaitOutcome::TimedOut;
                error = static_cast<int>(GetLastError());
                return WaitOutcome::Failed;
            }
            DWORD r = OverlappedOutcome(ovl);
            for (DWORD looks = 0; r == ERROR_IO_INCOMPLETE; ++looks) {
                // Signalled a moment before the wait's result is written (Wine, on a busy
                // machine): look again each millisecond, still heeding the wake event. A result
                // that never comes (a wait Wine dropped when the input was purged) is ended
                // after a slice, and the loop looks at the input itself.
                if (WaitForSingleObject(wake.handle, 1) == WAIT_OBJECT_0) {
                    EndWait(ovl);
                    return WaitOutcome::Woken;
                }
                r = OverlappedOutcome(ovl);
                if (r == ERROR_IO_INCOMPLETE && looks >= kInputRecheckMs) {
                    EndWait(ovl);
                    r = ERROR_OPERATION_ABORTED;
                }
            }
            // An aborted wait with no events (Wine ends every wait on a pseudo-terminal so)
            // means "wait again".
            if (r == ERROR_OPERATION_ABORTED) {
                happened = 0;
                paced_ = true;
            } else if (r != ERROR_SUCCESS) {
                error = static_cast<int>(r);
                return IsGone(r) ? WaitOutcome::Lost : WaitOutcome::Failed;
            }
        }
        events = happened & (mask | EV_RXCHAR);
        if (events != 0)
            return WaitOutcome::Events;
    }
}

bool Win32Port::QueryStatus(PortStatus& status, int& error)
{
    status = PortStatus{};
    COMSTAT stat{};
    DWORD e = 0;
    if (!ClearErrors(stat, e)) {
        error = static_cast<int>(e);
        return false;
    }
    {
        std::lock_guard<std::mutex> guard(lock_);
        status.errorFlags = pendingErrors_;
        pendingErrors_ = 0;
    }
    status.inQueue = stat.cbInQue;
    status.outQueue = stat.cbOutQue;
    return true;
}

ReadResult Win32Port::Read(void* buffer, size_t size)
{
    ReadResult r;
    // Only what the driver holds is read, so the read never waits: Wine does not end a read of a
    // pseudo-terminal early whatever the time-outs say.
    COMSTAT stat{};
    DWORD status = 0;
    if (!ClearErrors(stat, status)) {
        r.error = static_cast<int>(status);
        r.lost = true;
        return r;
    }
    if (stat.cbInQue == 0 || size == 0) {
        r.wouldBlock = true;
        return r;
    }
    OperationEvent done;
    OVERLAPPED ovl{};
    ovl.hEvent = done.handle;
    DWORD count = 0;
    const DWORD want = size < stat.cbInQue ? static_cast<DWORD>(size) : stat.cbInQue;
    BOOL ok = Win32Serial().ReadFile(handle_, buffer, want, &count, &ovl);
    if (!ok && GetLastError() == ERROR_IO_PENDING)
        ok = Win32Serial().GetOverlappedResult(handle_, &ovl, &count, TRUE);
    if (!ok) {
        r.error = static_cast<int>(GetLastError());
        r.lost = true;
        return r;
    }
    if (count == 0) {
        r.wouldBlock = true;
        return r;
    }
    r.count = static_cast<long>(count);
    return r;
}

WriteOutcome Win32Port::Write(const void* data, size_t size, size_t& written, WakeEvent* wake, int timeoutMs, int& error)
{
    written = 0;
    OperationEvent done;
    OVERLAPPED ovl{};
    ovl.hEvent = done.handle;
    DWORD count = 0;
    const DWORD n = size > 0x10000 ? 0x10000 : static_cast<DWORD>(size);
    if (Win32Serial().WriteFile(handle_, data, n, &count, &ovl)) {
        written = count;
        return WriteOutcome::Done;
    }
    DWORD e = GetLastError();
    if (e == ERROR_IO_PENDING) {
        const HANDLE both[2] = {done.handle, wake ? wake->handle : nullptr};
        const DWORD w = WaitForMultipleObjects(wake ? 2 : 1, both, FALSE, WaitMs(timeoutMs));
        if (w != WAIT_OBJECT_0)
            Win32Serial().CancelIo(handle_);  // woken or out of time: stop the rest
        const BOOL ok = Win32Serial().GetOverlappedResult(handle_, &ovl, &count, TRUE);
        e = ok ? ERROR_SUCCESS : GetLastError();
        written = count;
        // An adapter pulled in the middle of a frame: what it took counts, and the line is lost.
        if (!ok && IsGone(e)) {
            error = static_cast<int>(e);
            return WriteOutcome::Lost;
        }
        if (written > 0 || (ok && w == WAIT_OBJECT_0))
            return WriteOutcome::Done;
        if (w == WAIT_OBJECT_0 + 1)
            return WriteOutcome::Woken;
        if (w == WAIT_TIMEOUT)
            return WriteOutcome::TimedOut;
        if (ok)
            e = GetLastError();
    }
    error = static_cast<int>(e);
    return IsGone(e) ? WriteOutcome::Lost : WriteOutcome::Failed;
}

bool Win32Port::Escape(EscapeFunction function)
{
    DWORD code = 0;
    switch (function) {
    case EscapeFunction::SetDTR:
        code = SETDTR;
        break;
    case EscapeFunction::ClearDTR:
        code = CLRDTR;
        break;
    case EscapeFunction::SetRTS:
        code = SETRTS;
        break;
    case EscapeFunction::ClearRTS:
        code = CLRRTS;
        break;
    case EscapeFunction::SetBreak:
        code = SETBREAK;
        break;
    case EscapeFunction::ClearBreak:
        code = CLRBREAK;
        break;
    case EscapeFunction::ResumeOutput:
        code = SETXON;
        break;
    case EscapeFunction::HoldOutput:
        code = SETXOFF;
        break;
    }
    return Win32Serial().EscapeCommFunction(handle_, code) != 0;
}

bool Win32Port::GetModemLines(uint32_t& lines)
{
    DWORD bits = 0;
    if (!Win32Serial().GetCommModemStatus(handle_, &bits))
        return false;
    lines = 0;
    if (bits & MS_CTS_ON)
        lines |= kLineCTS;
    if (bits & MS_DSR_ON)
        lines |= kLineDSR;
    if (bits & MS_RING_ON)
        lines |= kLineRing;
    if (bits & MS_RLSD_ON)
        lines |= kLineRLSD;
    return true;
}

// Queue sizes, and time-outs under which a read returns at once with what the driver holds (the
// component's own input queue does the waiting) and a write waits as long as the caller says.
bool PrepareOpenedPort(HANDLE handle, DWORD& error)
{
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!Win32Serial().GetCommState(handle, &dcb)) {  // not a serial device
        error = GetLastError();
        return false;
    }
    Win32Serial().SetupComm(handle, kQueueSize, kQueueSize);
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    Win32Serial().SetCommTimeouts(handle, &timeouts);
    DWORD flags = 0;
    Win32Serial().ClearCommError(handle, &flags, nullptr);  // errors from before this opening are not ours
    return true;
}

}  // namespace

PortPtr OpenPort(const std::string& path, int& error)
{
    if (path.empty()) {
        error = ERROR_FILE_NOT_FOUND;
        return nullptr;
    }
    const HANDLE handle = Win32Serial().CreateFileW(Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0 /* exclusive */, nullptr,
                                                    OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        error = static_cast<int>(GetLastError());
        return nullptr;
    }
    DWORD e = 0;
    if (!PrepareOpenedPort(handle, e)) {
        Win32Serial().CloseHandle(handle);
        error = static_cast<int>(e);
        return nullptr;
    }
    error = 0;
    return std::make_shared<Win32Port>(handle);
}

PortPtr AdoptPort(TnrHandle handle)
{
    if (handle == kInvalidHandle)
        return nullptr;
    return std::make_shared<Win32Port>(reinterpret_cast<HANDLE>(handle));
}

std::string ErrorText(int error)
{
    if (const char* net = NetErrorText(error))
        return net;
    // A port another program holds: always in these words, whatever the system's language (Wine
    // words it otherwise), so that "Connect" can say what to do about it.
    if (error == ERROR_ACCESS_DENIED)
        return "Access is denied.";
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, static_cast<DWORD>(error), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = n > 0 && text ? std::wstring(text, n) : std::wstring();
    if (text)
        LocalFree(text);
    while (!message.empty() && (message.back() == L'\r' || message.back() == L'\n' || message.back() == L' '))
        message.pop_back();
    if (message.empty())
        return "System error " + std::to_string(error);
    return Utf8(message);
}

uint32_t TickMs() { return static_cast<uint32_t>(GetTickCount()); }

}  // namespace nrplatform
