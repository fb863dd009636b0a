#include "sim/sim_pty_server.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

std::runtime_error systemError(const std::string& what) { return std::runtime_error(what + ": " + std::strerror(errno)); }

}  // namespace

SimPtyServer::SimPtyServer(SimPtyServerOptions options)
    : options_(std::move(options)), simulator_(options_.simulator), rx_(options_.line), tx_(options_.line)
{}

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
        if (networked())
            listen();
        else
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
    if (listener_ >= 0)
        ::close(listener_);
    listener_ = -1;
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

bool SimPtyServer::writeAll(const std::vector<std::uint8_t>& bytes)
{
    if (networked())
        return sendToConnection(bytes);
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
    // A connection's bytes are delivered once the peer has acknowledged them.
    auto pending = [this] {
        int n = 0;
        if (networked())
            return master_ >= 0 && ::ioctl(master_, TIOCOUTQ, &n) == 0 ? n : 0;
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

LineRecords SimPtyServer::lineRecords() const
{
    std::lock_guard lock(mutex_);
    return records_;
}

void SimPtyServer::clearLineRecords()
{
    std::lock_guard lock(mutex_);
    records_ = LineRecords{};
}

bool SimPtyServer::dropLine()
{
    if (!waitUntilDelivered())
        return false;
    if (networked()) {  // the connection closes; the next one is a new line
        endConnection();
        dropQueued_ = false;
        awaitingNext_ = false;
        ++linesDropped_;
        return true;
    }
    closeLine();
    openLine();
    if (!link_.path().empty())
        link_.retarget(slavePath());
    simulator_.startLine();
    dropQueued_ = false;
    awaitingNext_ = false;
    ++linesDropped_;
    return true;
}

// The line sets deadlines; the pause between the pieces of a split answer is a fault the shell
// must see whole, so it also counts from the moment the piece before it actually left.
std::int64_t SimPtyServer::dueOf(const Scheduled& s) const
{
    return s.gapNs > 0 ? std::max(s.dueNs, lastWrittenNs_ + s.gapNs) : s.dueNs;
}

bool SimPtyServer::performDue()
{
    Scheduled due = std::move(queue_.front());
    queue_.pop_front();
    if (due.step.dropLine)
        return dropLine();
    // The moment of writing, taken before the bytes leave: no reader can have them earlier. The
    // records are made before they leave too, so that whoever has read them finds them there.
    const std::int64_t writtenNs = steadyNowNs();
    {
        std::lock_guard lock(mutex_);
        const std::int64_t dueNs = dueOf(due);
        const std::int64_t late = std::max<std::int64_t>(0, writtenNs - dueNs);
        records_.totalLateNs += late;
        ++records_.writes;
        records_.bytesWritten += due.step.bytes.size();
        if (records_.wakeUps.size() < options_.lineRecordLimit)
            records_.wakeUps.push_back(WakeUpRecord{dueNs, late});
    }
    if (!writeAll(due.step.bytes))
        return false;
    lastWrittenNs_ = steadyNowNs();
    awaitingNext_ = true;
    turnaround_.answerWrittenNs = writtenNs;
    turnaround_.answered = static_cast<int>(due.step.answers);
    return true;
}

// Answers become due once their frame has crossed the emulated line (at once without emulation),
// after the failure modes' pauses, then cross the line back and wait out the reply latency.
void SimPtyServer::schedule(const std::vector<OutputStep>& steps)
{
    const std::int64_t latency = std::chrono::duration_cast<std::chrono::nanoseconds>(options_.replyLatency).count();
    // Long answers (the echo of the control mode) leave in pieces of about a millisecond of line time.
    const std::size_t piece = options_.line.emulated()
        ? std::max<std::size_t>(1, options_.line.baud * 2 / options_.line.halfBitsPerByte / 1000)
        : SIZE_MAX;
    std::int64_t previousEnd = 0;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const OutputStep& step = steps[i];
        const bool sameFrame = i > 0 && steps[i - 1].inputEnd == step.inputEnd && !steps[i - 1].dropLine;
        const std::int64_t ready = sameFrame ? previousEnd : rx_.byteTime(std::max<std::size_t>(step.inputEnd, 1));
        const std::int64_t earliest = ready + std::chrono::duration_cast<std::chrono::nanoseconds>(step.pauseBefore).count();
        if (step.dropLine) {
            lastDueNs_ = std::max(lastDueNs_, earliest);
            queue_.push_back(Scheduled{step, lastDueNs_});
            dropQueued_ = true;
            previousEnd = earliest;
            continue;
        }
        tx_.put(earliest, step.bytes.size());
        for (std::size_t offset = 0; offset < step.bytes.size(); offset += piece) {
            const std::size_t n = std::min(piece, step.bytes.size() - offset);
            Scheduled s;
            s.step.answers = step.answers;
            s.step.bytes.assign(step.bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                                step.bytes.begin() + static_cast<std::ptrdiff_t>(offset + n));
            lastDueNs_ = std::max(lastDueNs_, tx_.byteTime(offset + n) + latency);
            s.dueNs = lastDueNs_;
            if (sameFrame && offset == 0)
                s.gapNs = std::chrono::duration_cast<std::chrono::nanoseconds>(step.pauseBefore).count();
            queue_.push_back(std::move(s));
        }
        previousEnd = tx_.freeAt();
    }
}

void SimPtyServer::take(std::span<const std::uint8_t> got, std::int64_t readNs)
{
    {
        std::lock_guard lock(mutex_);
        if (options_.recordBytes)
            received_.insert(received_.end(), got.begin(), got.end());
        records_.bytesRead += got.size();
        if (awaitingNext_ && records_.turnarounds.size() < options_.lineRecordLimit) {
            turnaround_.nextReadNs = readNs;
            records_.turnarounds.push_back(turnaround_);
        }
    }
    awaitingNext_ = false;
    if (dropQueued_)
        return;  // the line is going down; what comes now is lost with it
    rx_.put(readNs, got.size());
    if (options_.rawEcho) {
        OutputStep echo;
        echo.bytes.assign(got.begin(), got.end());
        echo.inputEnd = 1;  // a byte is echoed as soon as it has come: the echo follows one byte behind
        schedule({echo});
        return;
    }
    schedule(simulator_.feed(got));
}

void SimPtyServer::serve()
{
    if (options_.line.emulated())
        ::prctl(PR_SET_TIMERSLACK, 1UL);  // wake-ups on the microsecond, not 50 us late
    std::vector<std::uint8_t> buffer(4096);
    for (;;) {
        const std::int64_t now = steadyNowNs();
        if (!queue_.empty() && dueOf(queue_.front()) <= now) {
            try {
                if (!performDue())
                    return;
            } catch (const std::exception& e) {
                std::lock_guard lock(mutex_);
                lastError_ = e.what();  // the line could not be reopened after a drop
                return;
            }
            continue;
        }
        timespec timeout{};
        if (!queue_.empty()) {
            const std::int64_t wait = dueOf(queue_.front()) - now;
            timeout.tv_sec = static_cast<time_t>(wait / 1'000'000'000);
            timeout.tv_nsec = static_cast<long>(wait % 1'000'000'000);
        }
        pollfd fds[3] = {{master_, POLLIN, 0}, {stopFd_, POLLIN, 0}, {listener_, POLLIN, 0}};
        const int r = ::ppoll(fds, 3, queue_.empty() ? nullptr : &timeout, nullptr);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents & POLLIN)
            return;
        if (fds[2].revents & POLLIN)
            acceptConnection();
        if (r == 0 || !(fds[0].revents & (POLLIN | POLLHUP | POLLERR)))
            continue;
        if (networked()) {
            std::vector<std::uint8_t> data;
            std::int64_t readNs = 0;
            if (receiveFromConnection(buffer, readNs, data) && !data.empty())
                take(data, readNs);
            continue;
        }
        const ssize_t n = ::read(master_, buffer.data(), buffer.size());
        const std::int64_t readNs = steadyNowNs();
        if (n <= 0) {
            if (n < 0 && (errno == EAGAIN || errno == EINTR))
                continue;
            // No slave descriptor open (it should not happen while the keeper holds one): wait a
            // little rather than spin on the hang-up.
            if (!pauseFor(std::chrono::milliseconds(20)))
                return;
            continue;
        }
        take(std::span<const std::uint8_t>(buffer.data(), static_cast<std::size_t>(n)), readNs);
    }
}
