// The serial services on a POSIX system (Linux): termios, poll, ioctl, eventfd.
#include <errno.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <string.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <mutex>

#include "serial/net_port.h"
#include "serial/posix_read.h"
#include "serial/serial_platform.h"
#include "serial/serial_termios2.h"
#include "serial/wake_event_posix.h"

namespace nrplatform {

const int kErrNotFound = ENOENT;
const int kErrCancelled = ECANCELED;
const int kErrTimedOut = ETIMEDOUT;
const int kErrBadHandle = EBADF;
const int kErrIO = EIO;
const bool kHandleOnWaitingThread = true;

// ---- wake events

WakeEventPtr CreateWakeEvent() { return std::make_shared<WakeEvent>(); }

void SignalWakeEvent(WakeEvent& event)
{
    const uint64_t one = 1;
    if (event.fd >= 0)
        (void)!::write(event.fd, &one, sizeof one);
}

void ResetWakeEvent(WakeEvent& event)
{
    uint64_t value = 0;
    if (event.fd >= 0)
        (void)!::read(event.fd, &value, sizeof value);
}

int WaitWakeEvents(WakeEvent& first, WakeEvent& second, int timeoutMs)
{
    struct pollfd fds[2] = {{first.fd, POLLIN, 0}, {second.fd, POLLIN, 0}};
    int rc = 0;
    do {
        rc = ::poll(fds, 2, timeoutMs);
    } while (rc < 0 && errno == EINTR);
    if (rc <= 0)
        return 0;
    if (fds[0].revents & POLLIN)
        return 1;
    return (fds[1].revents & POLLIN) ? 2 : 0;
}

namespace {

// Line events other than received characters are read from the driver's counters, which poll
// cannot wait for: a wait that watches them looks at the counters this often.
constexpr int kLineEventCheckMs = 20;
constexpr uint32_t kCountedEvents = EV_CTS | EV_DSR | EV_RLSD | EV_BREAK | EV_ERR | EV_RING;

struct Counters {
    uint32_t cts = 0, dsr = 0, rng = 0, dcd = 0;
    uint32_t frame = 0, overrun = 0, parity = 0, brk = 0, bufOverrun = 0;
};

bool ReadCounters(int fd, Counters& c)
{
    struct serial_icounter_struct ic {};
    if (::ioctl(fd, TIOCGICOUNT, &ic) != 0)
        return false;
    c.cts = static_cast<uint32_t>(ic.cts);
    c.dsr = static_cast<uint32_t>(ic.dsr);
    c.rng = static_cast<uint32_t>(ic.rng);
    c.dcd = static_cast<uint32_t>(ic.dcd);
    c.frame = static_cast<uint32_t>(ic.frame);
    c.overrun = static_cast<uint32_t>(ic.overrun);
    c.parity = static_cast<uint32_t>(ic.parity);
    c.brk = static_cast<uint32_t>(ic.brk);
    c.bufOverrun = static_cast<uint32_t>(ic.buf_overrun);
    return true;
}

// Waits for what on fd or for the wake event. A hang-up or an error on the device is Lost
// whatever else poll reports: a hung-up tty also reads as ready, and its "input" is an end of file.
class PosixPort final : public Port {
public:
    explicit PosixPort(int fd) : fd_(fd)
    {
        haveCounters_ = ReadCounters(fd_, statusBase_);
        eventBase_ = statusBase_;
    }
    ~PosixPort() override
    {
        ::ioctl(fd_, TIOCNXCL);
        ::flock(fd_, LOCK_UN);
        ::close(fd_);
    }

    bool ApplyLineSettings(const TDCB&, const TnrLineSettings& s) override;
    WaitOutcome WaitLineEvent(uint32_t mask, WakeEvent& wake, int timeoutMs, uint32_t& events, int& error) override;
    bool QueryStatus(PortStatus& status, int& error) override;
    ReadResult Read(void* buffer, size_t size) override;
    WriteOutcome Write(const void* data, size_t size, size_t& written, WakeEvent* wake, int timeoutMs, int& error) override;
    bool WritesAtOnce() const override { return true; }
    bool Purge(bool input, bool output) override
    {
        if (input && output)
            return ::tcflush(fd_, TCIOFLUSH) == 0;
        if (input)
            return ::tcflush(fd_, TCIFLUSH) == 0;
        if (output)
            return ::tcflush(fd_, TCOFLUSH) == 0;
        return true;
    }
    bool Drain() override { return ::tcdrain(fd_) == 0; }
    bool Escape(EscapeFunction function) override;
    bool GetModemLines(uint32_t& lines) override;
    bool RequestLowLatency() override;
    void RestoreLatency() override;
    TnrHandle NativeHandle() const override { return static_cast<TnrHandle>(fd_); }

private:
    const int fd_;
    std::mutex countersLock_;  // the two counter baselines; a leaf lock
    bool haveCounters_ = false;
    Counters statusBase_;     // what the last status query saw
    Counters eventBase_;      // what the last line-event check saw
    std::mutex latencyLock_;  // a leaf lock
    bool latencyChanged_ = false;
    int savedSerialFlags_ = 0;
};

bool PosixPort::ApplyLineSettings(const TDCB&, const TnrLineSettings& s)
{
    if (!s.valid)
        return false;
    struct termios tio {};
    if (::tcgetattr(fd_, &tio) != 0)
        return false;
    // raw bytes in both directions
    tio.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY | INPCK | IGNPAR);
    tio.c_oflag &= ~OPOST;
    tio.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    tio.c_cflag |= CREAD | CLOCAL;
    switch (s.dataBits) {
    case 5:
        tio.c_cflag |= CS5;
        break;
    case 6:
        tio.c_cflag |= CS6;
        break;
    case 7:
        tio.c_cflag |= CS7;
        break;
    default:
        tio.c_cflag |= CS8;
        break;
    }
    if (s.parityEnable)
        tio.c_cflag |= PARENB;
    if (s.parityOdd)
        tio.c_cflag |= PARODD;
    if (s.parityStick)
        tio.c_cflag |= CMSPAR;
    if (s.inputParityCheck)
        tio.c_iflag |= INPCK;
    if (s.twoStopBits)
        tio.c_cflag |= CSTOPB;
    if (s.ctsRtsFlow)
        tio.c_cflag |= CRTSCTS;
    if (s.xonOutput)
        tio.c_iflag |= IXON;
    if (s.xonInput)
        tio.c_iflag |= IXOFF;
    tio.c_cc[VSTART] = static_cast<cc_t>(s.xonChar);
    tio.c_cc[VSTOP] = static_cast<cc_t>(s.xoffChar);
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    if (::tcsetattr(fd_, TCSANOW, &tio) != 0)
        return false;
    if (!SetBaudRateAnyRate(fd_, s.baudRate))
        return false;
    if (s.rs485) {
        struct serial_rs485 rs {};
        if (::ioctl(fd_, TIOCGRS485, &rs) == 0) {
            rs.flags |= SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND;
            rs.flags &= ~SER_RS485_RTS_AFTER_SEND;
            ::ioctl(fd_, TIOCSRS485, &rs);  // a driver without RS-485 keeps its mode
        }
    }
    int lines = 0;
    if (s.dtrOn)
        lines |= TIOCM_DTR;
    if (s.rtsOn)
        lines |= TIOCM_RTS;
    if (lines != 0)
        ::ioctl(fd_, TIOCMBIS, &lines);
    return true;
}

WaitOutcome PosixPort::WaitLineEvent(uint32_t mask, WakeEvent& wake, int timeoutMs, uint32_t& events, int& error)
{
    events = 0;
    bool counted;
    {
        std::lock_guard<std::mutex> guard(countersLock_);
        counted = haveCounters_ && (mask & kCountedEvents) != 0;
    }
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        int slice = timeoutMs;
        if (counted) {
            if (timeoutMs < 0) {
                slice = kLineEventCheckMs;
            } else {
                const auto spent =
                    std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
                const long left = static_cast<long>(timeoutMs) - static_cast<long>(spent);
                slice = static_cast<int>(left <= 0 ? 0 : (left < kLineEventCheckMs ? left : kLineEventCheckMs));
            }
        }
        switch (PollDevice(fd_, POLLIN, &wake, slice, error)) {
        case PollResult::Ready:
            events |= EV_RXCHAR;
            break;
        case PollResult::Woken:
            return WaitOutcome::Woken;
        case PollResult::Lost:
            return WaitOutcome::Lost;
        case PollResult::Failed:
            return WaitOutcome::Failed;
        case PollResult::TimedOut:
            break;
        }
        if (counted) {
            Counters now;
            if (!ReadCounters(fd_, now)) {
                error = errno;
                return WaitOutcome::Lost;  // a driver that kept counters no longer answers
            }
            std::lock_guard<std::mutex> guard(countersLock_);
            Counters& last = eventBase_;
            if (now.cts != last.cts)
                events |= EV_CTS;
            if (now.dsr != last.dsr)
                events |= EV_DSR;
            if (now.dcd != last.dcd)
                events |= EV_RLSD;
            if (now.rng != last.rng)
                events |= EV_RING;
            if (now.brk != last.brk)
                events |= EV_BREAK;
            if (now.frame != last.frame || now.overrun != last.overrun || now.parity != last.parity
                || now.bufOverrun != last.bufOverrun)
                events |= EV_ERR;
            last = now;
        }
        events &= mask | EV_RXCHAR;
        if (events != 0)
            return WaitOutcome::Events;
        if (timeoutMs >= 0 && std::chrono::steady_clock::now() - start >= std::chrono::milliseconds(timeoutMs))
            return WaitOutcome::TimedOut;
    }
}

bool PosixPort::QueryStatus(PortStatus& status, int& error)
{
    status = PortStatus{};
    {
        std::lock_guard<std::mutex> guard(countersLock_);
        if (haveCounters_) {
            Counters c;
            if (!ReadCounters(fd_, c)) {
                error = errno;
                return false;
            }
            if (c.bufOverrun != statusBase_.bufOverrun)
                status.errorFlags |= CE_RXOVER;
            if (c.overrun != statusBase_.overrun)
                status.errorFlags |= CE_OVERRUN;
            if (c.parity != statusBase_.parity)
                status.errorFlags |= CE_RXPARITY;
            if (c.frame != statusBase_.frame)
                status.errorFlags |= CE_FRAME;
            if (c.brk != statusBase_.brk)
                status.errorFlags |= CE_BREAK;
            statusBase_ = c;
        }
    }
    int n = 0;
    if (::ioctl(fd_, TIOCOUTQ, &n) != 0) {
        error = errno;
        return false;
    }
    status.outQueue = static_cast<uint32_t>(n > 0 ? n : 0);
    n = 0;
    if (::ioctl(fd_, FIONREAD, &n) != 0) {
        error = errno;
        return false;
    }
    status.inQueue = static_cast<uint32_t>(n > 0 ? n : 0);
    return true;
}

ReadResult PosixPort::Read(void* buffer, size_t size)
{
    return ReadRetrying([&] { return ::read(fd_, buffer, size); }, EIO);
}

WriteOutcome PosixPort::Write(const void* data, size_t size, size_t& written, WakeEvent* wake, int timeoutMs, int& error)
{
    written = 0;
    for (;;) {
        const ssize_t n = ::write(fd_, data, size);
        if (n > 0) {
            written = static_cast<size_t>(n);
            return WriteOutcome::Done;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            error = errno;
            return errno == EIO ? WriteOutcome::Lost : WriteOutcome::Failed;
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
            return WriteOutcome::Lost;
        case PollResult::Failed:
            return WriteOutcome::Failed;
        }
    }
}

bool PosixPort::Escape(EscapeFunction function)
{
    int bit = 0;
    switch (function) {
    case EscapeFunction::SetDTR:
        bit = TIOCM_DTR;
        return ::ioctl(fd_, TIOCMBIS, &bit) == 0;
    case EscapeFunction::ClearDTR:
        bit = TIOCM_DTR;
        return ::ioctl(fd_, TIOCMBIC, &bit) == 0;
    case EscapeFunction::SetRTS:
        bit = TIOCM_RTS;
        return ::ioctl(fd_, TIOCMBIS, &bit) == 0;
    case EscapeFunction::ClearRTS:
        bit = TIOCM_RTS;
        return ::ioctl(fd_, TIOCMBIC, &bit) == 0;
    case EscapeFunction::SetBreak:
        return ::ioctl(fd_, TIOCSBRK) == 0;
    case EscapeFunction::ClearBreak:
        return ::ioctl(fd_, TIOCCBRK) == 0;
    case EscapeFunction::ResumeOutput:
        return ::tcflow(fd_, TCOON) == 0;
    case EscapeFunction::HoldOutput:
        return ::tcflow(fd_, TCOOFF) == 0;
    }
    return false;
}

bool PosixPort::GetModemLines(uint32_t& lines)
{
    int bits = 0;
    if (::ioctl(fd_, TIOCMGET, &bits) != 0)
        return false;
    lines = 0;
    if (bits & TIOCM_CTS)
        lines |= kLineCTS;
    if (bits & TIOCM_DSR)
        lines |= kLineDSR;
    if (bits & TIOCM_RNG)
        lines |= kLineRing;
    if (bits & TIOCM_CD)
        lines |= kLineRLSD;
    return true;
}

bool PosixPort::RequestLowLatency()
{
    std::lock_guard<std::mutex> guard(latencyLock_);
    struct serial_struct ss {};
    if (::ioctl(fd_, TIOCGSERIAL, &ss) != 0)
        return false;  // not a serial-core driver (a pty)
    if (ss.flags & ASYNC_LOW_LATENCY)
        return true;  // already so: nothing to put back
    const int before = ss.flags;
    ss.flags |= ASYNC_LOW_LATENCY;
    if (::ioctl(fd_, TIOCSSERIAL, &ss) != 0)
        return false;
    savedSerialFlags_ = before;
    latencyChanged_ = true;
    return true;
}

void PosixPort::RestoreLatency()
{
    std::lock_guard<std::mutex> guard(latencyLock_);
    if (!latencyChanged_)
        return;
    latencyChanged_ = false;
    struct serial_struct ss {};
    if (::ioctl(fd_, TIOCGSERIAL, &ss) != 0)
        return;  // the line is gone: nothing to put back
    ss.flags = (ss.flags & ~ASYNC_LOW_LATENCY) | (savedSerialFlags_ & ASYNC_LOW_LATENCY);
    (void)::ioctl(fd_, TIOCSSERIAL, &ss);
}

}  // namespace

PortPtr OpenPort(const std::string& path, int& error)
{
    if (path.empty()) {
        error = ENOENT;
        return nullptr;
    }
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return nullptr;
    }
    struct termios tio {};
    if (::tcgetattr(fd, &tio) != 0) {  // not a terminal
        error = errno;
        ::close(fd);
        return nullptr;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        error = errno == EWOULDBLOCK ? EBUSY : errno;
        ::close(fd);
        return nullptr;
    }
    if (::ioctl(fd, TIOCEXCL) != 0) {
        error = errno;
        ::flock(fd, LOCK_UN);
        ::close(fd);
        return nullptr;
    }
    error = 0;
    return std::make_shared<PosixPort>(fd);
}

PortPtr AdoptPort(TnrHandle handle)
{
    if (handle == kInvalidHandle)
        return nullptr;
    return std::make_shared<PosixPort>(static_cast<int>(handle));
}

std::string ErrorText(int error)
{
    if (const char* net = NetErrorText(error))
        return net;
    char buf[256];
    // the GNU variant returns the text, which may or may not live in buf
    return std::string(::strerror_r(error, buf, sizeof buf));
}

uint32_t TickMs()
{
    using namespace std::chrono;
    return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace nrplatform
