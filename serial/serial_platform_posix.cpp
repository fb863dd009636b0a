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

#include "serial/serial_platform.h"
#include "serial/serial_termios2.h"

namespace nrplatform {

const int kErrNotFound = ENOENT;
const int kErrCancelled = ECANCELED;
const int kErrTimedOut = ETIMEDOUT;
const int kErrBadHandle = EBADF;

int OpenSerial(const std::string& path, int& error)
{
    if (path.empty()) {
        error = ENOENT;
        return -1;
    }
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return -1;
    }
    struct termios tio {};
    if (::tcgetattr(fd, &tio) != 0) {  // not a terminal
        error = errno;
        ::close(fd);
        return -1;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        error = errno == EWOULDBLOCK ? EBUSY : errno;
        ::close(fd);
        return -1;
    }
    if (::ioctl(fd, TIOCEXCL) != 0) {
        error = errno;
        ::close(fd);
        return -1;
    }
    error = 0;
    return fd;
}

int DuplicateHandle(int fd)
{
    return ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
}

void CloseHandle(int fd)
{
    if (fd >= 0) ::close(fd);
}

void CloseSerial(int fd)
{
    if (fd < 0) return;
    ::ioctl(fd, TIOCNXCL);
    ::flock(fd, LOCK_UN);
    ::close(fd);
}

bool ApplyLineSettings(int fd, const TnrLineSettings& s)
{
    if (!s.valid) return false;
    struct termios tio {};
    if (::tcgetattr(fd, &tio) != 0) return false;
    // raw bytes in both directions
    tio.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY | INPCK | IGNPAR);
    tio.c_oflag &= ~OPOST;
    tio.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    tio.c_cflag |= CREAD | CLOCAL;
    switch (s.dataBits) {
    case 5: tio.c_cflag |= CS5; break;
    case 6: tio.c_cflag |= CS6; break;
    case 7: tio.c_cflag |= CS7; break;
    default: tio.c_cflag |= CS8; break;
    }
    if (s.parityEnable) tio.c_cflag |= PARENB;
    if (s.parityOdd) tio.c_cflag |= PARODD;
    if (s.parityStick) tio.c_cflag |= CMSPAR;
    if (s.inputParityCheck) tio.c_iflag |= INPCK;
    if (s.twoStopBits) tio.c_cflag |= CSTOPB;
    if (s.ctsRtsFlow) tio.c_cflag |= CRTSCTS;
    if (s.xonOutput) tio.c_iflag |= IXON;
    if (s.xonInput) tio.c_iflag |= IXOFF;
    tio.c_cc[VSTART] = static_cast<cc_t>(s.xonChar);
    tio.c_cc[VSTOP] = static_cast<cc_t>(s.xoffChar);
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    if (::tcsetattr(fd, TCSANOW, &tio) != 0) return false;
    if (!SetBaudRateAnyRate(fd, s.baudRate)) return false;
    if (s.rs485) {
        struct serial_rs485 rs {};
        if (::ioctl(fd, TIOCGRS485, &rs) == 0) {
            rs.flags |= SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND;
            rs.flags &= ~SER_RS485_RTS_AFTER_SEND;
            ::ioctl(fd, TIOCSRS485, &rs);  // a driver without RS-485 keeps its mode
        }
    }
    int lines = 0;
    if (s.dtrOn) lines |= TIOCM_DTR;
    if (s.rtsOn) lines |= TIOCM_RTS;
    if (lines != 0) ::ioctl(fd, TIOCMBIS, &lines);
    return true;
}

ReadResult ReadSome(int fd, void* buffer, size_t size)
{
    ReadResult r;
    for (;;) {
        const ssize_t n = ::read(fd, buffer, size);
        if (n > 0) {
            r.count = n;
            return r;
        }
        if (n == 0) {
            r.lost = true;  // the far end is gone
            return r;
        }
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            r.wouldBlock = true;
            return r;
        }
        r.error = errno;
        r.lost = true;
        return r;
    }
}

long WriteSome(int fd, const void* data, size_t size, int& error)
{
    for (;;) {
        const ssize_t n = ::write(fd, data, size);
        if (n >= 0) return n;
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
        error = errno;
        return -1;
    }
}

namespace {
WaitOutcome Wait(int fd, short what, int wakeEvent, int timeoutMs, int& error)
{
    struct pollfd fds[2] = {{fd, what, 0}, {wakeEvent, POLLIN, 0}};
    const nfds_t count = wakeEvent >= 0 ? 2 : 1;
    for (;;) {
        const int rc = ::poll(fds, count, timeoutMs);
        if (rc < 0) {
            if (errno == EINTR) continue;
            error = errno;
            return WaitOutcome::Failed;
        }
        if (rc == 0) return WaitOutcome::TimedOut;
        if (count == 2 && (fds[1].revents & POLLIN)) return WaitOutcome::Woken;
        if (fds[0].revents & what) return WaitOutcome::Ready;
        if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
            error = (fds[0].revents & POLLNVAL) ? EBADF : EIO;
            return WaitOutcome::Lost;
        }
    }
}
}  // namespace

WaitOutcome WaitReadable(int fd, int wakeEvent, int timeoutMs, int& error)
{
    return Wait(fd, POLLIN, wakeEvent, timeoutMs, error);
}

WaitOutcome WaitWritable(int fd, int wakeEvent, int timeoutMs, int& error)
{
    return Wait(fd, POLLOUT, wakeEvent, timeoutMs, error);
}

int CreateWakeEvent()
{
    return ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

void SignalWakeEvent(int event)
{
    const uint64_t one = 1;
    if (event >= 0) (void)!::write(event, &one, sizeof one);
}

void ResetWakeEvent(int event)
{
    uint64_t value = 0;
    if (event >= 0) (void)!::read(event, &value, sizeof value);
}

void CloseWakeEvent(int event)
{
    if (event >= 0) ::close(event);
}

bool FlushInput(int fd) { return ::tcflush(fd, TCIFLUSH) == 0; }
bool FlushOutput(int fd) { return ::tcflush(fd, TCOFLUSH) == 0; }
bool DrainOutput(int fd) { return ::tcdrain(fd) == 0; }

long OutputQueueLength(int fd)
{
    int n = 0;
    if (::ioctl(fd, TIOCOUTQ, &n) != 0) return -1;
    return n;
}

bool GetModemLines(int fd, uint32_t& lines)
{
    int bits = 0;
    if (::ioctl(fd, TIOCMGET, &bits) != 0) return false;
    lines = 0;
    if (bits & TIOCM_CTS) lines |= kLineCTS;
    if (bits & TIOCM_DSR) lines |= kLineDSR;
    if (bits & TIOCM_RNG) lines |= kLineRing;
    if (bits & TIOCM_CD) lines |= kLineRLSD;
    return true;
}

namespace {
bool SetLine(int fd, int bit, bool on)
{
    return ::ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &bit) == 0;
}
}  // namespace

bool SetDTR(int fd, bool on) { return SetLine(fd, TIOCM_DTR, on); }
bool SetRTS(int fd, bool on) { return SetLine(fd, TIOCM_RTS, on); }
bool SetBreak(int fd, bool on) { return ::ioctl(fd, on ? TIOCSBRK : TIOCCBRK) == 0; }
bool SetOutputFlow(int fd, bool resume) { return ::tcflow(fd, resume ? TCOON : TCOOFF) == 0; }

bool GetLineCounters(int fd, LineCounters& c)
{
    struct serial_icounter_struct ic {};
    if (::ioctl(fd, TIOCGICOUNT, &ic) != 0) return false;
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

std::string ErrorText(int error)
{
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
