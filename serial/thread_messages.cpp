#include "serial/thread_messages.h"

#include <map>

uint32_t nrRegisterMessage(const std::string& name)
{
    // The process's table of registered names, as the platform keeps it for every thread.
    static std::mutex lock;
    static std::map<std::string, uint32_t> numbers;
    std::lock_guard<std::mutex> guard(lock);
    auto it = numbers.find(name);
    if (it != numbers.end())
        return it->second;
    const uint32_t number = kRegisteredMessageFirst + static_cast<uint32_t>(numbers.size());
    numbers.emplace(name, number);
    return number;
}

void TnrMessageQueue::Post(const TnrThreadMessage& msg)
{
    {
        std::lock_guard<std::mutex> guard(lock_);
        queue_.push_back(msg);
    }
    cv_.notify_one();
}

TnrThreadMessage TnrMessageQueue::Get(uint32_t first, uint32_t last)
{
    std::unique_lock<std::mutex> guard(lock_);
    for (;;) {
        for (auto it = queue_.begin(); it != queue_.end(); ++it) {
            if (it->message >= first && it->message <= last) {
                TnrThreadMessage msg = *it;
                queue_.erase(it);
                return msg;
            }
        }
        cv_.wait(guard);
    }
}

bool TnrMessageQueue::Empty() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return queue_.empty();
}
