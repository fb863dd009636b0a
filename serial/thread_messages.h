#pragma once
// Registered message numbers and the small message queue each receive thread owns.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>

// Hands out one number from 0xC000 up per name, the same number for the same name.
uint32_t nrRegisterMessage(const std::string& name);

inline constexpr uint32_t kRegisteredMessageFirst = 0xC000;
inline constexpr uint32_t kRegisteredMessageLast = 0xFFFF;

struct TnrThreadMessage {
    uint32_t message = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
};

class TnrMessageQueue {
public:
    void Post(const TnrThreadMessage& msg);
    // Waits for the next message in [first, last]; messages outside the range are left queued.
    TnrThreadMessage Get(uint32_t first, uint32_t last);
    bool Empty() const;

private:
    mutable std::mutex lock_;
    std::condition_variable cv_;
    std::deque<TnrThreadMessage> queue_;
};
