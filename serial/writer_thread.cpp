#include "serial/writer_thread.h"

#include <chrono>

#include "serial/hop_trace.h"

struct TnrWriterThread::State {
    explicit State(bool writesAtOnce) : direct(writesAtOnce) {}
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
    int WriteJob(Job& job, uint64_t epoch, bool& lost);
    // Writes what the driver takes at once on the caller's thread; returns how much it took.
    size_t WriteNow(const uint8_t* data, size_t n);

    nrplatform::PortPtr port;
    nrplatform::WakeEventPtr wake = nrplatform::CreateWakeEvent();
    std::function<void(int, bool)> onBlockFailed;
    mutable std::mutex lock;  // everything below; a leaf lock (never held while calling out)
    std::condition_variable cv;
    std::deque<std::shared_ptr<Job>> jobs;
    std::shared_ptr<Job> current;
    uint64_t cancelEpoch = 0;
    int cancelError = 0;
    uint64_t completed = 0;
    bool stop = false;
    const bool direct;         // the driver takes a frame at once: an idle writer lets the caller write
    size_t directPending = 0;  // bytes a caller is writing now (the writer thread waits meanwhile)
};

TnrWriterThread::TnrWriterThread(nrplatform::PortPtr port, std::function<void(int error, bool lost)> onBlockFailed)
    : s_(std::make_shared<State>(port && port->WritesAtOnce()))
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
        if (s_->stop)
            return;
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
    const uint8_t* p = static_cast<const uint8_t*>(data);
    auto job = std::make_shared<State::Job>();
    job->timeoutMs = timeoutMs;
    std::unique_lock<std::mutex> guard(s_->lock);
    if (s_->stop)
        return;
    if (s_->direct && s_->jobs.empty() && !s_->current && s_->directPending == 0 && n > 0) {
        // Nothing waits to be written: hand the frame to the driver here rather than wake the
        // writer thread for it (a block acknowledgement becomes the next block sooner).
        // Whatever others hand over meanwhile queues behind it, and the writer thread waits.
        s_->directPending = n;
        const uint64_t epoch = s_->cancelEpoch;
        guard.unlock();
        const size_t taken = s_->WriteNow(p, n);
        hoptrace::Mark(hoptrace::Hop::Written);
        guard.lock();
        s_->directPending = 0;
        s_->cv.notify_all();
        if (taken == n) {
            ++s_->completed;
            return;
        }
        // a purge, a close or Stop came in between: the rest is dropped as a queued block's is
        if (s_->stop || s_->cancelEpoch != epoch)
            return;
        // the rest goes first, before what others queued meanwhile, under the same hold of the
        // lock so that no other caller starts a frame of its own in between
        job->data.assign(p + taken, p + n);
        s_->jobs.push_front(std::move(job));
        s_->cv.notify_all();
        return;
    }
    job->data.assign(p, p + n);
    s_->jobs.push_back(std::move(job));
    s_->cv.notify_all();
}

size_t TnrWriterThread::State::WriteNow(const uint8_t* data, size_t n)
{
    // only what the driver takes without waiting; an error is left to the writer thread, which
    // meets it again with the rest and reports it as for any queued block
    size_t taken = 0;
    while (taken < n) {
        int error = 0;
        size_t written = 0;
        const nrplatform::WriteOutcome w = port->Write(data + taken, n - taken, written, nullptr, 0, error);
        taken += written;
        if (w != nrplatform::WriteOutcome::Done || written == 0)
            break;
    }
    return taken;
}

int TnrWriterThread::Send(const void* data, size_t n, uint32_t timeoutMs)
{
    auto job = std::make_shared<State::Job>();
    const uint8_t* p = static_cast<const uint8_t*>(data);
    job->data.assign(p, p + n);
    job->timeoutMs = timeoutMs;
    job->waited = true;
    std::unique_lock<std::mutex> guard(s_->lock);
    if (s_->stop)
        return nrplatform::kErrCancelled;
    s_->jobs.push_back(job);  // behind a frame a caller is writing now, if any
    s_->cv.notify_all();
    s_->cv.wait(guard, [&] { return job->finished; });
    return job->error;
}

size_t TnrWriterThread::Pending() const
{
    std::lock_guard<std::mutex> guard(s_->lock);
    size_t pending = 0;
    for (const auto& job : s_->jobs)
        pending += job->data.size() - job->done;
    if (s_->current && !s_->current->cancelled)
        pending += s_->current->data.size() - s_->current->done;
    return pending + s_->directPending;
}

void TnrWriterThread::Cancel(int error, bool report)
{
    std::deque<std::shared_ptr<State::Job>> dropped;
    std::function<void(int, bool)> onBlockFailed;
    {
        std::lock_guard<std::mutex> guard(s_->lock);
        dropped.swap(s_->jobs);
        ++s_->cancelEpoch;
        s_->cancelError = error;
        if (s_->current)
            s_->current->cancelled = true;
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
        s_->cv.wait(guard, [&] { return ((!s_->current || !s_->current->cancelled) && s_->directPending == 0) || s_->stop; });
    }
    if (report && onBlockFailed) {
        for (auto& job : dropped)
            if (!job->waited)
                onBlockFailed(error, false);
    }
}

void TnrWriterThread::WaitIdle()
{
    if (OnWriterThread())
        return;
    std::unique_lock<std::mutex> guard(s_->lock);
    s_->cv.wait(guard, [&] { return (s_->jobs.empty() && !s_->current && s_->directPending == 0) || s_->stop; });
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
        cv.wait(guard, [&] { return stop || (!jobs.empty() && directPending == 0); });
        if (stop)
            break;
        current = jobs.front();
        jobs.pop_front();
        const uint64_t epoch = cancelEpoch;
        nrplatform::ResetWakeEvent(*wake);
        guard.unlock();
        bool lost = false;
        const int error = WriteJob(*current, epoch, lost);
        hoptrace::Mark(hoptrace::Hop::Written);
        guard.lock();
        const std::shared_ptr<Job> job = current;
        current.reset();
        job->error = error;
        job->finished = true;
        ++completed;
        cv.notify_all();
        if (error != 0 && (!job->waited || lost) && error != nrplatform::kErrCancelled && onBlockFailed) {
            // the report may close the port and let go of the writer: only this state, kept
            // alive by the thread, is touched after it
            const std::function<void(int, bool)> report = onBlockFailed;
            guard.unlock();
            report(error, lost);
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

int TnrWriterThread::State::WriteJob(Job& job, uint64_t epoch, bool& lost)
{
    using clock = std::chrono::steady_clock;
    const auto deadline = clock::now() + std::chrono::milliseconds(job.timeoutMs);
    while (job.done < job.data.size()) {
        {
            std::lock_guard<std::mutex> guard(lock);
            if (cancelEpoch != epoch)
                return cancelError;
        }
        int timeout = -1;
        if (job.timeoutMs > 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - clock::now()).count();
            if (left <= 0)
                return nrplatform::kErrTimedOut;
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
        case nrplatform::WriteOutcome::Done:
            break;
        case nrplatform::WriteOutcome::Woken:
            nrplatform::ResetWakeEvent(*wake);
            break;
        case nrplatform::WriteOutcome::TimedOut:
            return nrplatform::kErrTimedOut;
        case nrplatform::WriteOutcome::Lost:
            lost = true;
            [[fallthrough]];
        case nrplatform::WriteOutcome::Failed:
            return error ? error : nrplatform::kErrIO;
        }
    }
    return 0;
}
