#include "pty_client.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

int msLeft(std::chrono::steady_clock::time_point until)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

PtyClient::PtyClient(const std::string& path)
{
    fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) {
        error_ = errno;
        return;
    }
    ::ioctl(fd_, TIOCEXCL);
    termios tio{};
    if (::tcgetattr(fd_, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(fd_, TCSANOW, &tio);
    }
}

PtyClient::~PtyClient()
{
    if (fd_ >= 0)
        ::close(fd_);
}

void PtyClient::send(const std::vector<std::uint8_t>& bytes)
{
    std::size_t done = 0;
    while (fd_ >= 0 && done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EAGAIN) {
            pollfd pfd{fd_, POLLOUT, 0};
            ::poll(&pfd, 1, 100);
        } else {
            return;
        }
    }
}

std::vector<std::uint8_t> PtyClient::receive(std::size_t n, std::chrono::milliseconds timeout)
{
    std::vector<std::uint8_t> got;
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (fd_ >= 0 && got.size() < n) {
        pollfd pfd{fd_, POLLIN, 0};
        if (::poll(&pfd, 1, msLeft(until)) <= 0)
            break;
        std::uint8_t buf[256];
        const ssize_t r = ::read(fd_, buf, std::min(sizeof buf, n - got.size()));
        if (r > 0)
            got.insert(got.end(), buf, buf + r);
        else if (r == 0 || (errno != EAGAIN && errno != EINTR))
            break;
    }
    return got;
}

std::vector<std::uint8_t> PtyClient::receiveFor(std::chrono::milliseconds duration)
{
    std::vector<std::uint8_t> got;
    const auto until = std::chrono::steady_clock::now() + duration;
    while (fd_ >= 0 && msLeft(until) > 0) {
        pollfd pfd{fd_, POLLIN, 0};
        if (::poll(&pfd, 1, msLeft(until)) <= 0)
            break;
        std::uint8_t buf[256];
        const ssize_t r = ::read(fd_, buf, sizeof buf);
        if (r > 0)
            got.insert(got.end(), buf, buf + r);
        else if (r == 0 || (errno != EAGAIN && errno != EINTR))
            break;
    }
    return got;
}

bool PtyClient::waitForHangup(std::chrono::milliseconds timeout)
{
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (fd_ >= 0) {
        pollfd pfd{fd_, POLLIN, 0};
        const int r = ::poll(&pfd, 1, msLeft(until));
        if (r <= 0)
            return false;
        if (pfd.revents & (POLLHUP | POLLERR))
            return true;
        std::uint8_t buf[256];
        const ssize_t n = ::read(fd_, buf, sizeof buf);
        if (n == 0 || (n < 0 && errno == EIO))
            return true;
    }
    return false;
}
