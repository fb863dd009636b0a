// A network bridge's TCP connection as a port, on Windows: Winsock's getaddrinfo, a non-blocking
// connect, recv and send. The wait watches the socket's event and looks at the wake event every
// few milliseconds (the wake event's handle belongs to the serial platform file).
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

#include "serial/net_lookup_wait.h"
#include "serial/net_port.h"

// After the component's headers: the system's headers define the event and error names as macros.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <mstcpip.h>
#include <windows.h>

namespace nrplatform {

namespace {

using Clock = NetClock;
constexpr int kWakeCheckMs = 10;

bool WinsockReady()
{
    static const bool ready = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return ready;
}

// The texts a user reads are the same on both systems.
int OurCode(int wsaError)
{
    if (wsaError == WSAECONNREFUSED)
        return kErrNetRefused;
    if (wsaError == WSAEHOSTUNREACH || wsaError == WSAENETUNREACH)
        return kErrNetNoRoute;
    if (wsaError == WSAETIMEDOUT)
        return kErrNetTimedOut;
    return wsaError;
}

bool Woken(WakeEvent* wake) { return wake && WaitWakeEvents(*wake, *wake, 0) == 1; }

struct FreeAddrInfo {
    void operator()(addrinfo* list) const { freeaddrinfo(list); }
};
using Lookup = DetachedLookup<addrinfo, FreeAddrInfo>;

int LookUp(const std::string& host, uint16_t port, Clock::time_point deadline, const KeepWaiting& keepWaiting,
           std::shared_ptr<Lookup>& out)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    const std::string service = std::to_string(port);
    out = std::make_shared<Lookup>();
    hints.ai_flags = AI_NUMERICHOST;
    if (getaddrinfo(host.c_str(), service.c_str(), &hints, &out->result) == 0)
        return 0;
    out->result = nullptr;
    hints.ai_flags = 0;
    return WaitForLookup(
        out,
        [host, service, hints] {
            addrinfo* result = nullptr;
            const int status = getaddrinfo(host.c_str(), service.c_str(), &hints, &result);
            return std::pair{status, result};
        },
        deadline, keepWaiting);
}

void SetSocketOptions(SOCKET s)
{
    const BOOL on = TRUE;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
    // Probed after 5 s idle, every second; Windows gives up after 10 probes: 15 s.
    tcp_keepalive alive{1, 5000, 1000};
    DWORD returned = 0;
    WSAIoctl(s, SIO_KEEPALIVE_VALS, &alive, sizeof alive, nullptr, 0, &returned, nullptr, nullptr);
    // Data left unacknowledged for 12 s ends the connection (TCP_MAXRT, in seconds; refused by
    // older systems, which keep their own).
    const DWORD maxRetransmitSeconds = 12;
    setsockopt(s, IPPROTO_TCP, 5 /* TCP_MAXRT */, reinterpret_cast<const char*>(&maxRetransmitSeconds),
               sizeof maxRetransmitSeconds);
}

// Waits until s is ready for what (0 read, 1 write), the deadline passes (0), or fails (-1).
int Select(SOCKET s, int what, int timeoutMs)
{
    fd_set ready, failed;
    FD_ZERO(&ready);
    FD_ZERO(&failed);
    FD_SET(s, &ready);
    FD_SET(s, &failed);
    timeval tv{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    const int rc = what == 0 ? select(0, &ready, nullptr, &failed, &tv) : select(0, nullptr, &ready, &failed, &tv);
    if (rc <= 0)
        return rc;
    return FD_ISSET(s, &failed) && !FD_ISSET(s, &ready) ? -1 : 1;
}

SOCKET ConnectOne(const addrinfo& ai, Clock::time_point deadline, const KeepWaiting& keepWaiting, int& error)
{
    SOCKET s = socket(ai.ai_family, ai.ai_socktype, ai.ai_protocol);
    if (s == INVALID_SOCKET) {
        error = OurCode(WSAGetLastError());
        return INVALID_SOCKET;
    }
    u_long nonBlocking = 1;
    ioctlsocket(s, FIONBIO, &nonBlocking);
    SetSocketOptions(s);
    if (connect(s, ai.ai_addr, static_cast<int>(ai.ai_addrlen)) == 0)
        return s;
    if (WSAGetLastError() != WSAEWOULDBLOCK) {
        error = OurCode(WSAGetLastError());
        closesocket(s);
        return INVALID_SOCKET;
    }
    for (;;) {
        const int left = RemainingMs(deadline);
        if (left == 0) {
            error = kErrNetTimedOut;
            break;
        }
        const int rc = Select(s, 1, left < kNetWaitSliceMs ? left : kNetWaitSliceMs);
        if (rc != 0) {
            int soError = 0;
            int len = sizeof soError;
            getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&soError), &len);
            if (rc > 0 && soError == 0)
                return s;
            error = OurCode(soError ? soError : WSAECONNREFUSED);
            break;
        }
        if (keepWaiting && !keepWaiting()) {
            error = kErrCancelled;
            break;
        }
    }
    closesocket(s);
    return INVALID_SOCKET;
}

class TcpPort final : public Port {
public:
    explicit TcpPort(SOCKET s) : socket_(s) {}
    ~TcpPort() override { closesocket(socket_); }

    bool ApplyLineSettings(const TDCB&, const TnrLineSettings&) override { return true; }  // the bridge's own
    WaitOutcome WaitLineEvent(uint32_t, WakeEvent& wake, int timeoutMs, uint32_t& events, int& error) override
    {
        events = 0;
        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
        for (;;) {
            if (Woken(&wake))
                return WaitOutcome::Woken;
            int slice = kWakeCheckMs;
            if (timeoutMs >= 0)
                slice = std::min(slice, RemainingMs(deadline));
            const int rc = Select(socket_, 0, slice);
            if (rc != 0) {  // input, or the end of the stream, which the read then meets
                events = EV_RXCHAR;
                return WaitOutcome::Events;
            }
            if (timeoutMs >= 0 && RemainingMs(deadline) == 0)
                return WaitOutcome::TimedOut;
            (void)error;
        }
    }
    bool QueryStatus(PortStatus& status, int& error) override
    {
        status = PortStatus{};
        u_long n = 0;
        if (ioctlsocket(socket_, FIONREAD, &n) != 0) {
            error = WSAGetLastError();
            return false;
        }
        status.inQueue = static_cast<uint32_t>(n);
        return true;
    }
    ReadResult Read(void* buffer, size_t size) override
    {
        ReadResult r;
        const int n = recv(socket_, static_cast<char*>(buffer), static_cast<int>(size), 0);
        if (n > 0) {
            r.count = n;
        } else if (n == 0) {
            r.lost = true;  // the bridge closed the connection
            r.error = kErrNetClosed;
        } else if (WSAGetLastError() == WSAEWOULDBLOCK) {
            r.wouldBlock = true;
        } else {
            r.lost = true;
            r.error = OurCode(WSAGetLastError());
        }
        return r;
    }
    WriteOutcome Write(const void* data, size_t size, size_t& written, WakeEvent* wake, int timeoutMs, int& error) override
    {
        written = 0;
        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
        for (;;) {
            const int n = send(socket_, static_cast<const char*>(data), static_cast<int>(size), 0);
            if (n > 0) {
                written = static_cast<size_t>(n);
                return WriteOutcome::Done;
            }
            if (WSAGetLastError() != WSAEWOULDBLOCK) {
                error = OurCode(WSAGetLastError());
                return WriteOutcome::Lost;
            }
            if (timeoutMs == 0)
                return WriteOutcome::TimedOut;
            if (Woken(wake))
                return WriteOutcome::Woken;
            if (timeoutMs > 0 && RemainingMs(deadline) == 0)
                return WriteOutcome::TimedOut;
            Select(socket_, 1, kWakeCheckMs);
        }
    }
    bool WritesAtOnce() const override { return true; }
    bool Purge(bool input, bool) override
    {
        char discard[4096];
        while (input && recv(socket_, discard, sizeof discard, 0) > 0) {}
        return true;
    }
    bool Drain() override { return true; }
    bool Escape(EscapeFunction) override { return false; }
    bool GetModemLines(uint32_t&) override { return false; }
    bool RequestLowLatency() override { return false; }
    void RestoreLatency() override {}
    TnrHandle NativeHandle() const override { return static_cast<TnrHandle>(socket_); }

private:
    const SOCKET socket_;
};

}  // namespace

PortPtr ConnectTcp(const std::string& host, uint16_t port, int timeoutMs, const KeepWaiting& keepWaiting, int& error)
{
    if (!WinsockReady()) {
        error = kErrIO;
        return nullptr;
    }
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::shared_ptr<Lookup> lookup;
    error = LookUp(host, port, deadline, keepWaiting, lookup);
    if (error != 0)
        return nullptr;
    error = kErrNetRefused;
    std::lock_guard<std::mutex> guard(lookup->lock);
    for (const addrinfo* ai = lookup->result; ai; ai = ai->ai_next) {
        const SOCKET s = ConnectOne(*ai, deadline, keepWaiting, error);
        if (s != INVALID_SOCKET) {
            error = 0;
            return std::make_shared<TcpPort>(s);
        }
        if (error == kErrCancelled || error == kErrNetTimedOut)
            break;
    }
    return nullptr;
}

}  // namespace nrplatform
