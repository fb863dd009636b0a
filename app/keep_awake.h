#pragma once
#include <memory>

// Asks the desktop not to suspend the computer while a transfer runs (a laptop on battery in a
// car would otherwise sleep mid-image), and lets it go again. Where the desktop offers no such
// service, nothing happens. The platform file does the asking.
class KeepAwake {
public:
    KeepAwake();
    ~KeepAwake();
    KeepAwake(const KeepAwake&) = delete;
    KeepAwake& operator=(const KeepAwake&) = delete;

    void hold(bool awake);
    bool held() const { return held_; }

private:
    struct Platform;
    std::unique_ptr<Platform> platform_;
    bool held_ = false;
};
