#include "serial/writer_thread.h"

#include <chrono>

struct TnrWriterThread::State {
  struct Job {
    std::vector<uint8_t> data;
    size_t done = 0;
    uint32_t timeoutMs = 0;
    bool waited = false;
    bool finished = false;
    bool cancelled = false;  // dropped while being written: its rest no longer counts
    int error = 0;
  };
  void Run();
  int WriteJob(Job& job, uint64_t epoch);

  nrplatform::PortPtr port;
  nrplatform::WakeEventPtr wake = nrplatform::CreateWakeEvent();
  std::function<void(int)> onBlockFailed;
  mutable std::mutex lock;  // everything below; a leaf lock (never held while calling out)
  std::condition_variable cv;
  std::deque<std::shared_ptr<Job>> jobs;
  std::shared_ptr<Job> current;
  uint64_t cancelEpoch = 0;
  int cancelError = 0;
  uint64_t completed = 0;
  bool stop = false;
};

TnrWriterThread::TnrWriterThread(nrplatform::PortPtr port, std::function<void(int error)> onBlockFailed)
    : s_(std::make_shared<State>())
{
    s_->port = std::move(port);
    s_->onBlockFailed = std::move(onBlockFailed);
    thread_ = std::thread([s = s_] { s->Run(); });
}

TnrWriterThread::~TnrWriterThread()
{
    Stop();
    if (thread_.get_id() == std::this_thread::get_id())
        thread_.detach();  // the last owner let go inside a report on the writer's own thread
    else if (thread_.joinable())
        thread_.join();
}

void TnrWriterThread::Stop()
{
    {
        std::lock_guard<std::mutex> guard(s_->lock);
        if (s_->stop) return;
        s_->stop = true;
        ++s_->cancelEpoch;
        s_->cancelError = nrplatform::kErrCancelled;
        s_->onBlockFailed = nullptr;  // nothing is reported once stopped
    }
    nrplatform::SignalWakeEvent(*s_->wake);
    s_->cv.notify_all();
}

void TnrWriterThread::Post(const void* data, size_t n, uint32_t timeoutMs)
{
    auto job = std::make_shared<State::Job>();
    const uint8_t* p = static_cast<const uint8_t*>(data);
    job->data.assign(p, p + n);
    job->timeoutMs = timeoutMs;
    {
        std::lock_guard<std::mutex> guard(s_->lock);
        if (s_->stop) return;
        s_->jobs.push_back(job);
    }
    s_->cv.notify_all();
}

int TnrWriterThread::Send(const void* data, size_t n, uint32_t timeoutMs)
{
    auto job = std::make_shared<State::Job>();
    const uint8_t* p = static_cast<const uint8_t*>(data);
    job->data.assign(p, p + n);
    job->timeoutMs = timeoutMs;
    job->waited = true;
    std::unique_lock<std::mutex> guard(s_->lock);
    if (s_->stop) return nrplatform::kErrCancelled;
    s_->jobs.push_back(job);
    s_->cv.notify_all();
    s_->cv.wait(guard, [&] { return job->finished; });
    return job->error;
}

size_t TnrWriterThread::Pending() const
{
    std::lock_guard<std::mutex> guard(s_->lock);
    size_t pending = 0;
    for (const auto& job : s_->jobs) pending += job->data.size() - job->done;
    if (s_->current && !s_->current->cancelled) pending += s_->current->data.size() - s_->current->done;
    return pending;
}

void TnrWriterThread::Cancel(int error, bool report)
{
    std::deque<std::shared_ptr<State::Job>> dropped;
    std::function<void(int)> onBlockFailed;
    {
        std::lock_guard<std::mutex> guard(s_->lock);
        dropped.swap(s_->jobs);
        ++s_->cancelEpoch;
        s_->cancelError = error;
        if (s_->current) s_->current->cancelled = true;
        for (auto& job : dropped) {
            job->error = error;
            job->finished = true;
        }
        onBlockFailed = s_->onBlockFailed;
    }
    nrplatform::SignalWakeEvent(*s_->wake);
    s_->cv.notify_all();
    if (!OnWriterThread()) {
        // the block being written stops before the caller goes on (and flushes the driver)
        std::unique_lock<std::mutex> guard(s_->lock);
        s_->cv.wait(guard, [&] { return !s_->current || !s_->current->cancelled || s_->stop; });
    }
    if (report && onBlockFailed) {
        for (auto& job : dropped)
            if (!job->waited) onBlockFailed(error);
    }
}

void TnrWriterThread::WaitIdle()
{
    if (OnWriterThread()) return;
    std::unique_lock<std::mutex> guard(s_->lock);
    s_->cv.wait(guard, [&] { return (s_->jobs.empty() && !s_->current) || s_->stop; });
}

uint64_t TnrWriterThread::Completed() const
{
    std::lock_guard<std::mutex> guard(s_->lock);
    return s_->completed;
}

void TnrWriterThread::State::Run()
{
    std::unique_lock<std::mutex> guard(lock);
    for (;;) {
        cv.wait(guard, [&] { return stop || !jobs.empty(); });
        if (stop) break;
        current = jobs.front();
        jobs.pop_front();
        const uint64_t epoch = cancelEpoch;
        nrplatform::ResetWakeEvent(*wake);
        guard.unlock();
        const int error = WriteJob(*current, epoch);
        guard.lock();
        const std::shared_ptr<Job> job = current;
        current.reset();
        job->error = error;
        job->finished = true;
        ++completed;
        cv.notify_all();
        if (error != 0 && !job->waited && error != nrplatform::kErrCancelled && onBlockFailed) {
            // the report may close the port and let go of the writer: only this state, kept
            // alive by the thread, is touched after it
            const std::function<void(int)> report = onBlockFailed;
            guard.unlock();
            report(error);
            guard.lock();
        }
    }
    // a stopped writer lets its waiting senders go
    for (auto& job : jobs) {
        job->error = nrplatform::kErrCancelled;
        job->finished = true;
    }
    jobs.clear();
    cv.notify_all();
    guard.unlock();
    port.reset();  // the device is let go as soon as the thread ends
}

int TnrWriterThread::State::WriteJob(Job& job, uint64_t epoch)
{
    using clock = std::chrono::steady_clock;
    const auto deadline = clock::now() + std::chrono::milliseconds(job.timeoutMs);
    while (job.done < job.data.size()) {
        {
            std::lock_guard<std::mutex> guard(lock);
            if (cancelEpoch != epoch) return cancelError;
        }
        int timeout = -1;
        if (job.timeoutMs > 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - clock::now()).count();
            if (left <= 0) return nrplatform::kErrTimedOut;
            timeout = static_cast<int>(left);
        }
        int error = 0;
        size_t written = 0;
        const nrplatform::WriteOutcome w =
            port->Write(job.data.data() + job.done, job.data.size() - job.done, written, wake.get(), timeout, error);
        if (written > 0) {
            std::lock_guard<std::mutex> guard(lock);
            job.done += written;
        }
        switch (w) {
        case nrplatform::WriteOutcome::Done: break;
        case nrplatform::WriteOutcome::Woken: nrplatform::ResetWakeEvent(*wake); break;
        case nrplatform::WriteOutcome::TimedOut: return nrplatform::kErrTimedOut;
        case nrplatform::WriteOutcome::Lost:
        case nrplatform::WriteOutcome::Failed: return error ? error : nrplatform::kErrIO;
        }
    }
    return 0;
}
