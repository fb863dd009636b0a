#include "sim/sim_pty_server.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

std::runtime_error systemError(const std::string &what)
{
    return std::runtime_error(what + ": " + std::strerror(errno));
}

} // namespace

SimPtyServer::SimPtyServer(SimPtyServerOptions options)
    : options_(std::move(options)), simulator_(options_.simulator)
{
}

SimPtyServer::~SimPtyServer() { stop(); }

void SimPtyServer::openLine()
{
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0)
        throw systemError("cannot open a pseudo-terminal");
    char name[PATH_MAX];
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0 || ::ptsname_r(master, name, sizeof name) != 0) {
        const auto error = systemError("cannot prepare the pseudo-terminal");
        ::close(master);
        throw error;
    }
    // Opened before anyone else can open it exclusively, and held so that the master never
    // sees a hang-up while the shell has the port closed.
    const int keeper = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (keeper < 0) {
        const auto error = systemError(std::string("cannot open ") + name);
        ::close(master);
        throw error;
    }
    termios tio{};
    if (::tcgetattr(keeper, &tio) == 0) {
        ::cfmakeraw(&tio);  // 8-bit clean, no echo, no line editing
        tio.c_cflag |= CLOCAL | CREAD;
        ::tcsetattr(keeper, TCSANOW, &tio);
    }
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);

    master_ = master;
    keeper_ = keeper;
    std::lock_guard lock(mutex_);
    slavePath_ = name;
}

void SimPtyServer::closeLine()
{
    if (keeper_ >= 0)
        ::close(keeper_);
    if (master_ >= 0)
        ::close(master_);
    keeper_ = master_ = -1;
}

void SimPtyServer::start()
{
    if (running())
        return;
    stopFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (stopFd_ < 0)
        throw systemError("cannot create an event descriptor");
    try {
        openLine();
        if (options_.registerLink) {
            link_.create(options_.portNumber, slavePath());
            std::lock_guard lock(mutex_);
            linkPath_ = link_.path();
        }
    } catch (...) {
        closeLine();
        ::close(stopFd_);
        stopFd_ = -1;
        throw;
    }
    simulator_.startLine();
    thread_ = std::thread([this] { serve(); });
}

void SimPtyServer::stop()
{
    if (thread_.joinable()) {
        const std::uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(stopFd_, &one, sizeof one);
        thread_.join();
    }
    link_.remove();
    {
        std::lock_guard lock(mutex_);
        linkPath_.clear();
    }
    closeLine();
    if (stopFd_ >= 0)
        ::close(stopFd_);
    stopFd_ = -1;
}

std::string SimPtyServer::slavePath() const
{
    std::lock_guard lock(mutex_);
    return slavePath_;
}

std::string SimPtyServer::linkPath() const
{
    std::lock_guard lock(mutex_);
    return linkPath_;
}

std::string SimPtyServer::lastError() const
{
    std::lock_guard lock(mutex_);
    return lastError_;
}

std::vector<std::uint8_t> SimPtyServer::receivedBytes() const
{
    std::lock_guard lock(mutex_);
    return received_;
}

std::vector<std::uint8_t> SimPtyServer::sentBytes() const
{
    std::lock_guard lock(mutex_);
    return sentBytes_;
}

bool SimPtyServer::waitForSent(std::size_t n, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(mutex_);
    return sent_.wait_for(lock, timeout, [&] { return sentBytes_.size() >= n; });
}

bool SimPtyServer::pauseFor(std::chrono::milliseconds pause)
{
    const auto until = std::chrono::steady_clock::now() + pause;
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return true;
        pollfd pfd{stopFd_, POLLIN, 0};
        const int r = ::poll(&pfd, 1, static_cast<int>(left.count()));
        if (r > 0)
            return false;
    }
}

bool SimPtyServer::writeAll(const std::vector<std::uint8_t> &bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            if (options_.recordBytes) {
                std::lock_guard lock(mutex_);
                sentBytes_.insert(sentBytes_.end(), bytes.begin() + static_cast<std::ptrdiff_t>(done),
                                  bytes.begin() + static_cast<std::ptrdiff_t>(done) + n);
            }
            sent_.notify_all();
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return true;  // the line cannot take it; the reply is lost as on a broken cable
        pollfd fds[2] = {{master_, POLLOUT, 0}, {stopFd_, POLLIN, 0}};
        if (::poll(fds, 2, -1) > 0 && (fds[1].revents & POLLIN))
            return false;
    }
    return true;
}

// Closing the master discards what the shell has not read yet; a cable that breaks after a
// reply still delivers the bytes already on the wire, so give the shell a moment to take them.
bool SimPtyServer::waitUntilDelivered()
{
    using namespace std::chrono_literals;
    auto pending = [this] {
        int n = 0;
        return ::ioctl(keeper_, TIOCINQ, &n) == 0 ? n : 0;
    };
    // The bytes pass through the kernel's buffer first: wait briefly until they show up...
    for (auto until = std::chrono::steady_clock::now() + 50ms; pending() == 0 && std::chrono::steady_clock::now() < until;)
        if (!pauseFor(2ms))
            return false;
    // ...then until the shell has read them, or gives no sign of reading.
    for (auto until = std::chrono::steady_clock::now() + 1s; pending() > 0 && std::chrono::steady_clock::now() < until;)
        if (!pauseFor(5ms))
            return false;
    return true;
}

bool SimPtyServer::perform(const OutputStep &step)
{
    if (step.pauseBefore.count() > 0 && !pauseFor(step.pauseBefore))
        return false;
    if (step.dropLine) {
        if (!waitUntilDelivered())
            return false;
        closeLine();
        openLine();
        if (!link_.path().empty())
            link_.retarget(slavePath());
        simulator_.startLine();
        ++linesDropped_;
        return true;
    }
    return writeAll(step.bytes);
}

void SimPtyServer::serve()
{
    std::vector<std::uint8_t> buffer(4096);
    for (;;) {
        pollfd fds[2] = {{master_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
        const int r = ::poll(fds, 2, -1);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents & POLLIN)
            return;
        if (!(fds[0].revents & (POLLIN | POLLHUP | POLLERR)))
            continue;
        const ssize_t n = ::read(master_, buffer.data(), buffer.size());
        if (n <= 0) {
            if (n < 0 && (errno == EAGAIN || errno == EINTR))
                continue;
            // No slave descriptor open (it should not happen while the keeper holds one): wait a
            // little rather than spin on the hang-up.
            if (!pauseFor(std::chrono::milliseconds(20)))
                return;
            continue;
        }
        const std::span<const std::uint8_t> got(buffer.data(), static_cast<std::size_t>(n));
        if (options_.recordBytes) {
            std::lock_guard lock(mutex_);
            received_.insert(received_.end(), got.begin(), got.end());
        }
        try {
            for (const OutputStep &step : simulator_.feed(got))
                if (!perform(step))
                    return;
        } catch (const std::exception &e) {
            std::lock_guard lock(mutex_);
            lastError_ = e.what();  // the line could not be reopened after a drop
            return;
        }
    }
}
