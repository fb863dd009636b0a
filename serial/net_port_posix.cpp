// A network bridge's TCP connection as a port, on POSIX: getaddrinfo, a non-blocking connect,
// poll on the socket and the wake event, recv and send.
#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

#include "serial/net_lookup_wait.h"
#include "serial/net_port.h"
#include "serial/posix_read.h"
#include "serial/wake_event_posix.h"

namespace nrplatform {

namespace {

using Clock = NetClock;

// A name lookup that may outlive the attempt that started it: the attempt may be abandoned, and
// the thread then ends on its own and frees what it looked up.
struct FreeAddrInfo {
    void operator()(addrinfo* list) const { ::freeaddrinfo(list); }
};
using Lookup = DetachedLookup<addrinfo, FreeAddrInfo>;

// Looks the host up; a numeric address needs no thread. 0, kErrNameNotFound, kErrNetTimedOut or
// kErrCancelled.
int LookUp(const std::string& host, uint16_t port, Clock::time_point deadline, const KeepWaiting& keepWaiting,
           std::shared_ptr<Lookup>& out)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    const std::string service = std::to_string(port);
    out = std::make_shared<Lookup>();
    hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
    if (::getaddrinfo(host.c_str(), service.c_str(), &hints, &out->result) == 0)
        return 0;
    out->result = nullptr;
    hints.ai_flags = AI_NUMERICSERV | AI_ADDRCONFIG;
    return WaitForLookup(
        out,
        [host, service, hints] {
            addrinfo* result = nullptr;
            const int status = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &result);
            return std::pair{status, result};
        },
        deadline, keepWaiting);
}

void SetSocketOptions(int fd)
{
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    // An idle link is probed after 5 s, every 2 s, and given up after 4 unanswered probes: 13 s.
    // Data left unacknowledged for 12 s ends the connection too.
    const int idle = 5, interval = 2, count = 4;
    const unsigned userTimeout = 12000;
    ::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &count, sizeof count);
    ::setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &userTimeout, sizeof userTimeout);
}

// One connection attempt to one address: the socket, or -1 with error set.
int ConnectOne(const addrinfo& ai, Clock::time_point deadline, const KeepWaiting& keepWaiting, int& error)
{
    const int fd = ::socket(ai.ai_family, ai.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, ai.ai_protocol);
    if (fd < 0) {
        error = errno;
        return -1;
    }
    SetSocketOptions(fd);
    if (::connect(fd, ai.ai_addr, ai.ai_addrlen) == 0)
        return fd;
    if (errno != EINPROGRESS) {
        error = errno;
        ::close(fd);
        return -1;
    }
    for (;;) {
        const int left = RemainingMs(deadline);
        if (left == 0) {
            error = kErrNetTimedOut;
            break;
        }
        pollfd p{fd, POLLOUT, 0};
        const int rc = ::poll(&p, 1, left < kNetWaitSliceMs ? left : kNetWaitSliceMs);
        if (rc < 0 && errno != EINTR) {
            error = errno;
            break;
        }
        if (rc > 0) {
            int soError = 0;
            socklen_t len = sizeof soError;
            if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &len) != 0)
                soError = errno;
            if (soError == 0)
                return fd;
            error = soError;
            break;
        }
        if (keepWaiting && !keepWaiting()) {
            error = kErrCancelled;
            break;
        }
    }
    ::close(fd);
    return -1;
}

class TcpPort final : public Port {
public:
    explicit TcpPort(int fd) : fd_(fd) {}
    ~TcpPort() override { ::close(fd_); }

    bool ApplyLineSettings(const TDCB&, const TnrLineSettings&) override { return true; }  // the bridge's own
    WaitOutcome WaitLineEvent(uint32_t, WakeEvent& wake, int timeoutMs, uint32_t& events, int& error) override;
    bool QueryStatus(PortStatus& status, int& error) override;
    ReadResult Read(void* buffer, size_t size) override;
    WriteOutcome Write(const void* data, size_t size, size_t& written, WakeEvent* wake, int timeoutMs, int& error) override;
    bool WritesAtOnce() const override { return true; }
    bool Purge(bool input, bool) override;
    bool Drain() override { return true; }
    bool Escape(EscapeFunction) override { return false; }
    bool GetModemLines(uint32_t&) override { return false; }
    bool RequestLowLatency() override { return false; }
    void RestoreLatency() override {}
    TnrHandle NativeHandle() const override { return static_cast<TnrHandle>(fd_); }

private:
    const int fd_;
};

WaitOutcome TcpPort::WaitLineEvent(uint32_t, WakeEvent& wake, int timeoutMs, uint32_t& events, int& error)
{
    events = 0;
    pollfd fds[2] = {{fd_, POLLIN | POLLRDHUP, 0}, {wake.fd, POLLIN, 0}};
    for (;;) {
        const int rc = ::poll(fds, 2, timeoutMs);
        if (rc < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            return WaitOutcome::Failed;
        }
        if (rc == 0)
            return WaitOutcome::TimedOut;
        if (fds[1].revents & POLLIN)
            return WaitOutcome::Woken;
        // What came before the close is read first; the read then meets the end of the stream.
        if (fds[0].revents & (POLLIN | POLLRDHUP)) {
            events = EV_RXCHAR;
            return WaitOutcome::Events;
        }
        if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
            int soError = 0;
            socklen_t len = sizeof soError;
            ::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &soError, &len);
            error = soError ? soError : ECONNRESET;
            return WaitOutcome::Lost;
        }
    }
}

bool TcpPort::QueryStatus(PortStatus& status, int& error)
{
    status = PortStatus{};
    int n = 0;
    if (::ioctl(fd_, FIONREAD, &n) != 0) {
        error = errno;
        return false;
    }
    status.inQueue = static_cast<uint32_t>(n > 0 ? n : 0);
    n = 0;
    if (::ioctl(fd_, TIOCOUTQ, &n) == 0)
        status.outQueue = static_cast<uint32_t>(n > 0 ? n : 0);
    return true;
}

ReadResult TcpPort::Read(void* buffer, size_t size)
{
    return ReadRetrying([&] { return ::recv(fd_, buffer, size, MSG_DONTWAIT); }, ECONNRESET);
}

WriteOutcome TcpPort::Write(const void* data, size_t size, size_t& written, WakeEvent* wake, int timeoutMs, int& error)
{
    written = 0;
    for (;;) {
        const ssize_t n = ::send(fd_, data, size, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n > 0) {
            written = static_cast<size_t>(n);
            return WriteOutcome::Done;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            error = errno;
            return WriteOutcome::Lost;  // reset, broken pipe, timed out: the connection is gone
        }
        if (timeoutMs == 0)
            return WriteOutcome::TimedOut;
        switch (PollDevice(fd_, POLLOUT, wake, timeoutMs, error)) {
        case PollResult::Ready:
            continue;
        case PollResult::Woken:
            return WriteOutcome::Woken;
        case PollResult::TimedOut:
            return WriteOutcome::TimedOut;
        case PollResult::Lost:
            error = ECONNRESET;  // a hang-up or error on the socket: the connection is gone
            return WriteOutcome::Lost;
        case PollResult::Failed:
            return WriteOutcome::Failed;
        }
    }
}

bool TcpPort::Purge(bool input, bool)
{
    if (!input)
        return true;
    char discard[4096];
    for (;;) {
        const ssize_t n = ::recv(fd_, discard, sizeof discard, MSG_DONTWAIT);
        if (n <= 0)
            return true;  // empty, or the end of the stream, which the next read finds again
    }
}

}  // namespace

PortPtr ConnectTcp(const std::string& host, uint16_t port, int timeoutMs, const KeepWaiting& keepWaiting, int& error)
{
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::shared_ptr<Lookup> lookup;
    error = LookUp(host, port, deadline, keepWaiting, lookup);
    if (error != 0)
        return nullptr;
    error = ECONNREFUSED;
    std::lock_guard<std::mutex> guard(lookup->lock);
    for (const addrinfo* ai = lookup->result; ai; ai = ai->ai_next) {
        const int fd = ConnectOne(*ai, deadline, keepWaiting, error);
        if (fd >= 0) {
            error = 0;
            return std::make_shared<TcpPort>(fd);
        }
        if (error == kErrCancelled || error == kErrNetTimedOut)
            break;
    }
    return nullptr;
}

}  // namespace nrplatform
