#include "serial/writer_thread.h"

#include <chrono>

#include "serial/serial_platform.h"

TnrWriterThread::TnrWriterThread(int fd, std::function<void(int error)> onBlockFailed)
    : fd_(fd), wake_(nrplatform::CreateWakeEvent()), onBlockFailed_(std::move(onBlockFailed))
{
    thread_ = std::thread([this] { Run(); });
}

TnrWriterThread::~TnrWriterThread()
{
    {
        std::lock_guard<std::mutex> guard(lock_);
        stop_ = true;
        ++cancelEpoch_;
        cancelError_ = nrplatform::kErrCancelled;
    }
    nrplatform::SignalWakeEvent(wake_);
    cv_.notify_all();
    if (thread_.get_id() == std::this_thread::get_id())
        thread_.detach();  // the last owner let go inside a report on the writer's own thread
    else if (thread_.joinable())
        thread_.join();
    nrplatform::CloseWakeEvent(wake_);
    nrplatform::CloseHandle(fd_);
}

void TnrWriterThread::Post(const void* data, size_t n, uint32_t timeoutMs)
{
    auto job = std::make_shared<Job>();
    const uint8_t* p = static_cast<const uint8_t*>(data);
    job->data.assign(p, p + n);
    job->timeoutMs = timeoutMs;
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (stop_) return;
        jobs_.push_back(job);
    }
    cv_.notify_all();
}

int TnrWriterThread::Send(const void* data, size_t n, uint32_t timeoutMs)
{
    auto job = std::make_shared<Job>();
    const uint8_t* p = static_cast<const uint8_t*>(data);
    job->data.assign(p, p + n);
    job->timeoutMs = timeoutMs;
    job->waited = true;
    std::unique_lock<std::mutex> guard(lock_);
    if (stop_) return nrplatform::kErrCancelled;
    jobs_.push_back(job);
    cv_.notify_all();
    cv_.wait(guard, [&] { return job->finished; });
    return job->error;
}

size_t TnrWriterThread::Pending() const
{
    std::lock_guard<std::mutex> guard(lock_);
    size_t pending = 0;
    for (const auto& job : jobs_) pending += job->data.size() - job->done;
    if (current_ && !current_->cancelled) pending += current_->data.size() - current_->done;
    return pending;
}

void TnrWriterThread::Cancel(int error, bool report)
{
    std::deque<std::shared_ptr<Job>> dropped;
    {
        std::lock_guard<std::mutex> guard(lock_);
        dropped.swap(jobs_);
        ++cancelEpoch_;
        cancelError_ = error;
        if (current_) current_->cancelled = true;
        for (auto& job : dropped) {
            job->error = error;
            job->finished = true;
        }
    }
    nrplatform::SignalWakeEvent(wake_);
    cv_.notify_all();
    {
        // the block being written stops before the caller goes on (and flushes the driver)
        std::unique_lock<std::mutex> guard(lock_);
        cv_.wait(guard, [&] { return !current_ || !current_->cancelled || stop_; });
    }
    if (report && onBlockFailed_) {
        for (auto& job : dropped)
            if (!job->waited) onBlockFailed_(error);
    }
}

void TnrWriterThread::WaitIdle()
{
    std::unique_lock<std::mutex> guard(lock_);
    cv_.wait(guard, [&] { return (jobs_.empty() && !current_) || stop_; });
}

uint64_t TnrWriterThread::Completed() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return completed_;
}

void TnrWriterThread::Run()
{
    std::unique_lock<std::mutex> guard(lock_);
    for (;;) {
        cv_.wait(guard, [&] { return stop_ || !jobs_.empty(); });
        if (stop_) break;
        current_ = jobs_.front();
        jobs_.pop_front();
        const uint64_t epoch = cancelEpoch_;
        nrplatform::ResetWakeEvent(wake_);
        guard.unlock();
        const int error = WriteJob(*current_, epoch);
        guard.lock();
        const std::shared_ptr<Job> job = current_;
        current_.reset();
        job->error = error;
        job->finished = true;
        ++completed_;
        cv_.notify_all();
        if (error != 0 && !job->waited && error != nrplatform::kErrCancelled && onBlockFailed_) {
            guard.unlock();
            onBlockFailed_(error);
            guard.lock();
        }
    }
    // a stopped writer lets its waiting senders go
    for (auto& job : jobs_) {
        job->error = nrplatform::kErrCancelled;
        job->finished = true;
    }
    jobs_.clear();
    cv_.notify_all();
}

int TnrWriterThread::WriteJob(Job& job, uint64_t epoch)
{
    using clock = std::chrono::steady_clock;
    const auto deadline = clock::now() + std::chrono::milliseconds(job.timeoutMs);
    while (job.done < job.data.size()) {
        {
            std::lock_guard<std::mutex> guard(lock_);
            if (cancelEpoch_ != epoch) return cancelError_;
        }
        int error = 0;
        const long n = nrplatform::WriteSome(fd_, job.data.data() + job.done, job.data.size() - job.done, error);
        if (n < 0) return error;
        if (n > 0) {
            std::lock_guard<std::mutex> guard(lock_);
            job.done += static_cast<size_t>(n);
            continue;
        }
        int timeout = -1;
        if (job.timeoutMs > 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - clock::now()).count();
            if (left <= 0) return nrplatform::kErrTimedOut;
            timeout = static_cast<int>(left);
        }
        const nrplatform::WaitOutcome w = nrplatform::WaitWritable(fd_, wake_, timeout, error);
        if (w == nrplatform::WaitOutcome::TimedOut) return nrplatform::kErrTimedOut;
        if (w == nrplatform::WaitOutcome::Failed || w == nrplatform::WaitOutcome::Lost) return error;
        if (w == nrplatform::WaitOutcome::Woken) nrplatform::ResetWakeEvent(wake_);
    }
    return 0;
}
