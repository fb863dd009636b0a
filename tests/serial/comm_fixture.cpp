#include "comm_fixture.h"

#include <QCoreApplication>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

bool WaitUntil(const std::function<bool()>& pred, std::chrono::milliseconds bound)
{
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (!pred()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return pred();
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
    comm->SetPortMapSource(
        std::make_shared<TnrFixedPortMap>(std::vector<TnrPortMapEntry>{{pty.SlavePath(), "COM" + std::to_string(port)}}));
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
        if (l.text == text)
            ++n;
    return n;
}

void RecordingLog::Push(TDetailLevel level, const std::string& text, const std::string& format)
{
    std::lock_guard<std::mutex> guard(lock_);
    lines.push_back(Line{level, text, format});
}
