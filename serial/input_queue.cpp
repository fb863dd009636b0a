#include "serial/input_queue.h"

#include <chrono>

size_t TnrInputQueue::Push(const uint8_t* data, size_t n, size_t capacity)
{
    size_t taken = 0;
    {
        std::lock_guard<std::mutex> guard(lock_);
        const size_t room = bytes_.size() < capacity ? capacity - bytes_.size() : 0;
        taken = n < room ? n : room;
        bytes_.insert(bytes_.end(), data, data + taken);
    }
    if (taken > 0)
        cv_.notify_all();
    return taken;
}

size_t TnrInputQueue::Take(uint8_t* out, size_t len, uint32_t intervalMs, const std::function<void()>& onKick)
{
    std::unique_lock<std::mutex> guard(lock_);
    size_t taken = 0;
    const uint64_t purges = purges_;
    uint64_t kicks = kicks_;
    while (taken < len) {
        if (!open_ || purges_ != purges)
            break;
        if (!bytes_.empty()) {
            while (taken < len && !bytes_.empty()) {
                out[taken++] = bytes_.front();
                bytes_.pop_front();
            }
            continue;
        }
        if (kicks_ != kicks) {
            kicks = kicks_;
            if (onKick) {
                guard.unlock();
                onKick();
                guard.lock();
            }
            continue;
        }
        auto ready = [&] { return !bytes_.empty() || !open_ || purges_ != purges || kicks_ != kicks; };
        if (intervalMs > 0 && taken > 0) {
            if (!cv_.wait_for(guard, std::chrono::milliseconds(intervalMs), ready))
                break;
        } else {
            cv_.wait(guard, ready);
        }
    }
    return taken;
}

size_t TnrInputQueue::TakeAvailable(uint8_t* out, size_t len)
{
    std::lock_guard<std::mutex> guard(lock_);
    size_t taken = 0;
    while (taken < len && !bytes_.empty()) {
        out[taken++] = bytes_.front();
        bytes_.pop_front();
    }
    return taken;
}

size_t TnrInputQueue::Size() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return bytes_.size();
}

void TnrInputQueue::Purge()
{
    {
        std::lock_guard<std::mutex> guard(lock_);
        bytes_.clear();
        ++purges_;
    }
    cv_.notify_all();
}

void TnrInputQueue::SetOpen(bool open)
{
    {
        std::lock_guard<std::mutex> guard(lock_);
        open_ = open;
        if (open)
            bytes_.clear();
    }
    cv_.notify_all();
}

bool TnrInputQueue::IsOpen() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return open_;
}

void TnrInputQueue::Kick()
{
    {
        std::lock_guard<std::mutex> guard(lock_);
        ++kicks_;
    }
    cv_.notify_all();
}
