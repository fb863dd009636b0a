#include "cli/progress_bar.h"

#include <cstdio>

namespace {
constexpr int kBarWidth = 24;
}

ProgressBar::ProgressBar(Writer write, uint32_t minIntervalMs) : write_(std::move(write)), minIntervalMs_(minIntervalMs) {}

std::string ProgressBar::render(const std::string& file, int64_t position, int64_t total, int64_t bytesPerSecond)
{
    const int64_t shown = total > 0 ? (position > total ? total : position) : 0;
    const int percent = total > 0 ? static_cast<int>(shown * 100 / total) : 100;
    const int filled = total > 0 ? static_cast<int>(shown * kBarWidth / total) : kBarWidth;
    std::string bar(static_cast<size_t>(filled), '#');
    bar.append(static_cast<size_t>(kBarWidth - filled), '-');
    char left[32] = "--:--";
    if (bytesPerSecond > 0) {
        const int64_t seconds = (total - shown + bytesPerSecond - 1) / bytesPerSecond;
        std::snprintf(left, sizeof left, "%lld:%02lld", static_cast<long long>(seconds / 60),
                      static_cast<long long>(seconds % 60));
    }
    char line[512];
    std::snprintf(line, sizeof line, "%s [%s] %3d%% %lld/%lld B %lld B/s %s left", file.c_str(), bar.c_str(), percent,
                  static_cast<long long>(shown), static_cast<long long>(total), static_cast<long long>(bytesPerSecond), left);
    return line;
}

void ProgressBar::update(const std::string& file, int64_t position, int64_t total, int64_t bytesPerSecond, uint64_t nowMs)
{
    const bool finished = total > 0 && position >= total;
    if (everDrawn_ && !finished && nowMs - lastMs_ < minIntervalMs_)
        return;
    lastMs_ = nowMs;
    everDrawn_ = true;
    drawn_ = true;
    ++redraws_;
    write_("\r\033[K" + render(file, position, total, bytesPerSecond));
}

void ProgressBar::clear()
{
    if (!drawn_)
        return;
    drawn_ = false;
    write_("\r\033[K");
}
