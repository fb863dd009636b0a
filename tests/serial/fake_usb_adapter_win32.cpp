#include "tests/serial/fake_usb_adapter_win32.h"

#include <cstring>
#include <map>
#include <utility>

#include "serial/serial_platform.h"
#include "serial/win32_serial_calls.h"

namespace {

// The adapter the table's calls go to (one at a time).
std::atomic<FakeUsbAdapter*> current{nullptr};

// An overlapped record's state while the operation runs; an error code once it has ended.
constexpr ULONG_PTR kRunning = ~ULONG_PTR(0);

}  // namespace

// One opening of the adapter: the handle, the display's port behind it and the wait in progress.
struct FakeUsbAdapter::Port {
    HANDLE handle = nullptr;
    nrplatform::PortPtr inner;
    DWORD mask = 0;
    nrplatform::WakeEventPtr cancel = nrplatform::CreateWakeEvent();
    DWORD endWith = ERROR_OPERATION_ABORTED;  // how a cancelled wait ends (0: with no events)
    OVERLAPPED* waiting = nullptr;            // the record of the wait in progress
    std::thread waiter;

    ~Port()
    {
        nrplatform::SignalWakeEvent(*cancel);
        if (waiter.joinable())
            waiter.join();
    }
};

struct FakeUsbAdapter::Calls {
    static FakeUsbAdapter& adapter() { return *current.load(); }

    // The port open on handle, or null (then the call fails as on a closed handle).
    static std::shared_ptr<Port> find(HANDLE handle)
    {
        FakeUsbAdapter& a = adapter();
        ++a.calls_;
        std::lock_guard<std::mutex> guard(a.lock_);
        if (a.port_ && a.port_->handle == handle)
            return a.port_;
        return nullptr;
    }
    // The error a call of that kind fails with now, or 0.
    static DWORD failure(Call call)
    {
        FakeUsbAdapter& a = adapter();
        std::lock_guard<std::mutex> guard(a.lock_);
        return a.failing_ == call || a.alsoFailing_ == call ? (a.failing_ == call ? a.failError_ : a.alsoError_) : 0;
    }
    static BOOL fails(DWORD error)
    {
        SetLastError(error);
        return FALSE;
    }
    static void complete(OVERLAPPED* ovl, DWORD error, DWORD count)
    {
        {
            std::lock_guard<std::mutex> guard(adapter().lock_);
            ovl->InternalHigh = count;
            ovl->Internal = error;
        }
        SetEvent(ovl->hEvent);
    }

    static HANDLE WINAPI CreateFileW(LPCWSTR name, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE)
    {
        FakeUsbAdapter& a = adapter();
        if (const DWORD e = failure(Call::CreateFile)) {
            SetLastError(e);
            return INVALID_HANDLE_VALUE;
        }
        const std::wstring want(kPath, kPath + std::strlen(kPath));
        if (want != name) {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return INVALID_HANDLE_VALUE;
        }
        std::lock_guard<std::mutex> guard(a.lock_);
        if (a.port_) {  // opened exclusively
            SetLastError(ERROR_ACCESS_DENIED);
            return INVALID_HANDLE_VALUE;
        }
        int error = 0;
        auto port = std::make_shared<Port>();
        port->inner = a.line_.open(FakeDisplayLine::kPath, error);
        port->handle = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x4000 + 4 * ++a.handles_));
        a.port_ = port;
        return port->handle;
    }

    static BOOL WINAPI CloseHandle(HANDLE handle)
    {
        FakeUsbAdapter& a = adapter();
        std::shared_ptr<Port> port;
        {
            std::lock_guard<std::mutex> guard(a.lock_);
            if (a.port_ && a.port_->handle == handle)
                port.swap(a.port_);
        }
        if (!port)
            return ::CloseHandle(handle);
        ++a.closes_;
        a.endWait(*port, ERROR_OPERATION_ABORTED);
        return TRUE;
    }

    static BOOL WINAPI GetCommState(HANDLE handle, LPDCB dcb)
    {
        if (!find(handle))
            return fails(ERROR_INVALID_HANDLE);
        std::memset(dcb, 0, sizeof *dcb);
        dcb->DCBlength = sizeof *dcb;
        dcb->BaudRate = CBR_9600;
        dcb->ByteSize = 8;
        dcb->fBinary = TRUE;
        return TRUE;
    }
    static BOOL WINAPI SetCommState(HANDLE handle, LPDCB) { return find(handle) ? TRUE : fails(ERROR_INVALID_HANDLE); }
    static BOOL WINAPI SetupComm(HANDLE handle, DWORD, DWORD) { return find(handle) ? TRUE : fails(ERROR_INVALID_HANDLE); }
    static BOOL WINAPI SetCommTimeouts(HANDLE handle, LPCOMMTIMEOUTS)
    {
        return find(handle) ? TRUE : fails(ERROR_INVALID_HANDLE);
    }
    static BOOL WINAPI FlushFileBuffers(HANDLE handle) { return find(handle) ? TRUE : fails(ERROR_INVALID_HANDLE); }
    static BOOL WINAPI EscapeCommFunction(HANDLE handle, DWORD) { return find(handle) ? TRUE : fails(ERROR_INVALID_HANDLE); }
    static BOOL WINAPI GetCommModemStatus(HANDLE handle, LPDWORD status)
    {
        if (!find(handle))
            return fails(ERROR_INVALID_HANDLE);
        *status = MS_CTS_ON | MS_DSR_ON;
        return TRUE;
    }
    static BOOL WINAPI PurgeComm(HANDLE handle, DWORD flags)
    {
        const auto port = find(handle);
        if (!port)
            return fails(ERROR_INVALID_HANDLE);
        port->inner->Purge((flags & PURGE_RXCLEAR) != 0, (flags & PURGE_TXCLEAR) != 0);
        return TRUE;
    }

    static BOOL WINAPI SetCommMask(HANDLE handle, DWORD mask)
    {
        const auto port = find(handle);
        if (!port)
            return fails(ERROR_INVALID_HANDLE);
        adapter().endWait(*port, 0);  // a new mask ends a wait in progress, with no events
        std::lock_guard<std::mutex> guard(adapter().lock_);
        port->mask = mask;
        return TRUE;
    }

    static BOOL WINAPI WaitCommEvent(HANDLE handle, LPDWORD events, LPOVERLAPPED ovl)
    {
        FakeUsbAdapter& a = adapter();
        ++a.waits_;
        const auto port = find(handle);
        if (!port)
            return fails(ERROR_INVALID_HANDLE);
        if (const DWORD e = failure(Call::WaitCommEvent))
            return fails(e);
        *events = 0;
        std::thread ended;
        {
            std::lock_guard<std::mutex> guard(a.lock_);
            if (port->waiting)
                return fails(ERROR_INVALID_PARAMETER);  // one wait at a time
            ovl->Internal = kRunning;
            ended.swap(port->waiter);
        }
        if (ended.joinable())
            ended.join();
        if (const DWORD e = failure(Call::WaitResult)) {
            complete(ovl, e, 0);
            return fails(ERROR_IO_PENDING);
        }
        nrplatform::ResetWakeEvent(*port->cancel);
        DWORD mask = 0;
        {
            std::lock_guard<std::mutex> guard(a.lock_);
            port->waiting = ovl;
            port->endWith = ERROR_OPERATION_ABORTED;
            mask = port->mask;
        }
        // the port outlives its waiter: it ends and joins it as it goes
        std::thread waiter([&a, port = port.get(), events, ovl, mask] {
            uint32_t happened = 0;
            int error = 0;
            const nrplatform::WaitOutcome w = port->inner->WaitLineEvent(mask, *port->cancel, -1, happened, error);
            DWORD end = 0;
            {
                std::lock_guard<std::mutex> guard(a.lock_);
                port->waiting = nullptr;
                if (w == nrplatform::WaitOutcome::Events)
                    *events = happened;
                else if (w == nrplatform::WaitOutcome::Woken)
                    end = port->endWith;
                else
                    end = ERROR_GEN_FAILURE;  // the display's line is gone
            }
            complete(ovl, end, 0);
        });
        {
            std::lock_guard<std::mutex> guard(a.lock_);
            port->waiter = std::move(waiter);
        }
        return fails(ERROR_IO_PENDING);
    }

    static BOOL WINAPI GetOverlappedResult(HANDLE handle, LPOVERLAPPED ovl, LPDWORD count, BOOL wait)
    {
        FakeUsbAdapter& a = adapter();
        ++a.calls_;
        (void)handle;  // the record tells: the handle may be closed by now
        for (;;) {
            {
                std::lock_guard<std::mutex> guard(a.lock_);
                if (ovl->Internal != kRunning) {
                    *count = static_cast<DWORD>(ovl->InternalHigh);
                    return ovl->Internal == 0 ? TRUE : fails(static_cast<DWORD>(ovl->Internal));
                }
            }
            if (!wait)
                return fails(ERROR_IO_INCOMPLETE);
            WaitForSingleObject(ovl->hEvent, INFINITE);
        }
    }

    static BOOL WINAPI CancelIo(HANDLE handle)
    {
        const auto port = find(handle);
        if (!port)
            return fails(ERROR_INVALID_HANDLE);
        adapter().endWait(*port, ERROR_OPERATION_ABORTED);
        return TRUE;
    }

    static BOOL WINAPI ClearCommError(HANDLE handle, LPDWORD errors, LPCOMSTAT stat)
    {
        const auto port = find(handle);
        if (!port)
            return fails(ERROR_INVALID_HANDLE);
        if (const DWORD e = failure(Call::ClearCommError))
            return fails(e);
        nrplatform::PortStatus status;
        int error = 0;
        if (!port->inner->QueryStatus(status, error))
            return fails(ERROR_GEN_FAILURE);
        if (errors)
            *errors = 0;
        if (stat) {
            std::memset(stat, 0, sizeof *stat);
            stat->cbInQue = status.inQueue;
        }
        return TRUE;
    }

    static BOOL WINAPI ReadFile(HANDLE handle, LPVOID buffer, DWORD size, LPDWORD count, LPOVERLAPPED ovl)
    {
        const auto port = find(handle);
        if (!port)
            return fails(ERROR_INVALID_HANDLE);
        if (const DWORD e = failure(Call::ReadFile))
            return fails(e);
        const nrplatform::ReadResult r = port->inner->Read(buffer, size);
        if (r.lost)
            return fails(ERROR_GEN_FAILURE);
        *count = static_cast<DWORD>(r.count);
        ovl->Internal = 0;
        ovl->InternalHigh = *count;
        return TRUE;
    }

    static BOOL WINAPI WriteFile(HANDLE handle, LPCVOID data, DWORD size, LPDWORD count, LPOVERLAPPED ovl)
    {
        FakeUsbAdapter& a = adapter();
        const auto port = find(handle);
        if (!port)
            return fails(ERROR_INVALID_HANDLE);
        size_t written = 0;
        int error = 0;
        if (const DWORD e = failure(Call::WriteFile)) {
            bool cut = false;
            {
                std::lock_guard<std::mutex> guard(a.lock_);
                cut = !a.writeCut_ && size > 1;
                a.writeCut_ = true;
            }
            if (!cut)
                return fails(e);
            // the adapter took the first half of the frame, then went
            port->inner->Write(data, size / 2, written, nullptr, -1, error);
            ovl->Internal = kRunning;
            complete(ovl, e, size / 2);
            return fails(ERROR_IO_PENDING);
        }
        if (port->inner->Write(data, size, written, nullptr, -1, error) != nrplatform::WriteOutcome::Done)
            return fails(ERROR_GEN_FAILURE);
        *count = static_cast<DWORD>(written);
        ovl->Internal = 0;
        ovl->InternalHigh = *count;
        return TRUE;
    }
};

void FakeUsbAdapter::Install()
{
    nrplatform::ReplaceWin32SerialCalls(nrplatform::Win32SerialCalls{
        Calls::CreateFileW,
        Calls::CloseHandle,
        Calls::GetCommState,
        Calls::SetCommState,
        Calls::SetupComm,
        Calls::SetCommTimeouts,
        Calls::SetCommMask,
        Calls::WaitCommEvent,
        Calls::GetOverlappedResult,
        Calls::CancelIo,
        Calls::ClearCommError,
        Calls::ReadFile,
        Calls::WriteFile,
        Calls::PurgeComm,
        Calls::FlushFileBuffers,
        Calls::EscapeCommFunction,
        Calls::GetCommModemStatus,
    });
}

FakeUsbAdapter::FakeUsbAdapter(FakeDisplayLine& line) : line_(line) { current = this; }

FakeUsbAdapter::~FakeUsbAdapter()
{
    std::shared_ptr<Port> port;
    {
        std::lock_guard<std::mutex> guard(lock_);
        port.swap(port_);
    }
    if (port)
        endWait(*port, ERROR_OPERATION_ABORTED);
    current = nullptr;
}

void FakeUsbAdapter::fail(Call call, DWORD error)
{
    std::shared_ptr<Port> port;
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (failing_ == Call::None) {
            failing_ = call;
            failError_ = error;
        } else {
            alsoFailing_ = call;
            alsoError_ = error;
        }
        port = port_;
    }
    if (port && call == Call::WaitResult)
        endWait(*port, error);
}

void FakeUsbAdapter::heal()
{
    std::lock_guard<std::mutex> guard(lock_);
    failing_ = alsoFailing_ = Call::None;
    failError_ = alsoError_ = 0;
    writeCut_ = false;
}

bool FakeUsbAdapter::portOpen() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return port_ != nullptr;
}

// Ends the wait in progress with error (0: with no events) and lets its thread go.
void FakeUsbAdapter::endWait(Port& port, DWORD error)
{
    std::thread waiter;
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (port.waiting)
            port.endWith = error;
        waiter.swap(port.waiter);
    }
    nrplatform::SignalWakeEvent(*port.cancel);
    if (waiter.joinable())
        waiter.join();
}
