#include "pty_pair.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <QCoreApplication>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>

PtyPair::PtyPair()
{
    char name[256] = {0};
    if (::openpty(&master_, &slaveKeep_, name, nullptr, nullptr) != 0) throw std::runtime_error("openpty failed");
    slavePath_ = name;
    ::fcntl(master_, F_SETFD, FD_CLOEXEC);
    ::fcntl(slaveKeep_, F_SETFD, FD_CLOEXEC);
    // the slave must be open once for the master to see it; the component opens its own
    ::close(slaveKeep_);
    slaveKeep_ = -1;
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
}

PtyPair::~PtyPair()
{
    CloseMaster();
}

void PtyPair::CloseMaster()
{
    if (master_ >= 0) ::close(master_);
    master_ = -1;
}

void PtyPair::Write(const std::vector<uint8_t>& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
        } else {
            struct pollfd p = {master_, POLLOUT, 0};
            ::poll(&p, 1, 100);
        }
    }
}

void PtyPair::Write(const std::string& bytes)
{
    Write(std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

std::vector<uint8_t> PtyPair::Read(size_t n, std::chrono::milliseconds bound)
{
    std::vector<uint8_t> out;
    const auto deadline = std::chrono::steady_clock::now() + bound;
    uint8_t buf[65536];
    while (out.size() < n && std::chrono::steady_clock::now() < deadline) {
        const ssize_t r = ::read(master_, buf, std::min(sizeof buf, n - out.size()));
        if (r > 0) {
            out.insert(out.end(), buf, buf + r);
            continue;
        }
        struct pollfd p = {master_, POLLIN, 0};
        ::poll(&p, 1, 20);
    }
    return out;
}

bool WaitUntil(const std::function<bool()>& pred, std::chrono::milliseconds bound)
{
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (!pred()) {
        if (std::chrono::steady_clock::now() >= deadline) return pred();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

bool ReadWithin(TnrComm& comm, void* buffer, uint32_t len, std::chrono::milliseconds bound)
{
    std::mutex lock;
    std::condition_variable cv;
    bool done = false;
    std::atomic<bool> fired{false};
    std::thread watchdog([&] {
        std::unique_lock<std::mutex> guard(lock);
        if (!cv.wait_for(guard, bound, [&] { return done; })) {
            fired = true;
            comm.ClearDeviceInput();
        }
    });
    comm.Read(buffer, len);
    {
        std::lock_guard<std::mutex> guard(lock);
        done = true;
    }
    cv.notify_all();
    watchdog.join();
    return !fired;
}

std::unique_ptr<TnrComm> MakeComm(const PtyPair& pty, uint16_t port)
{
    auto comm = std::make_unique<TnrComm>();
    comm->SetPortMapSource(std::make_shared<TnrFixedPortMap>(
        std::vector<TnrPortMapEntry>{{pty.SlavePath(), "COM" + std::to_string(port)}}));
    comm->SetUseMainThread(false);
    comm->SetStreamProtocol(spNone);
    comm->SetComPortNo(port);
    return comm;
}

std::vector<RecordingLog::Line> RecordingLog::Snapshot() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return lines;
}

int RecordingLog::Count(const std::string& text) const
{
    std::lock_guard<std::mutex> guard(lock_);
    int n = 0;
    for (const Line& l : lines)
        if (l.text == text) ++n;
    return n;
}

void RecordingLog::Push(TDetailLevel level, const std::string& text, const std::string& format)
{
    std::lock_guard<std::mutex> guard(lock_);
    lines.push_back(Line{level, text, format});
}
