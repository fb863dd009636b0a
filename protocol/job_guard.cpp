#include "protocol/job_guard.h"

void JobGuard::begin(const QString& description, std::function<void()> stop, const QString& stallHint)
{
    description_ = description;
    stallHint_ = stallHint;
    stop_ = std::move(stop);
    if (!running_) {
        running_ = true;
        emit runningChanged(true);
    }
}

void JobGuard::end()
{
    stop_ = nullptr;
    if (running_) {
        running_ = false;
        emit runningChanged(false);
    }
}

void JobGuard::stop()
{
    if (!running_)
        return;
    // The action may begin nothing new; it ends this job either way.
    const std::function<void()> action = std::move(stop_);
    stop_ = nullptr;
    if (action)
        action();
    end();
}
