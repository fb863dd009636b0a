#pragma once
#include <cstdint>
#include <functional>
#include <string>

// The progress line of a long transfer on a terminal: file, percent, bytes, speed and time left,
// redrawn in place at most every minIntervalMs.
class ProgressBar {
public:
    using Writer = std::function<void(const std::string&)>;
    explicit ProgressBar(Writer write, uint32_t minIntervalMs = 100);

    // The latest figures; draws them when the last drawing is old enough (or the file is done).
    void update(const std::string& file, int64_t position, int64_t total, int64_t bytesPerSecond, uint64_t nowMs);
    // Erases the line, so that a result line can take its place.
    void clear();
    int redraws() const { return redraws_; }

    static std::string render(const std::string& file, int64_t position, int64_t total, int64_t bytesPerSecond);

private:
    Writer write_;
    uint32_t minIntervalMs_;
    bool drawn_ = false;
    bool everDrawn_ = false;
    uint64_t lastMs_ = 0;
    int redraws_ = 0;
};
