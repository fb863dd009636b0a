#include "protocol/job_guard.h"

bool JobGuard::begin(JobSpec spec)
{
    if (running_)
        return false;
    spec_ = std::move(spec);
    running_ = true;
    emit runningChanged(true);
    return true;
}

void JobGuard::end()
{
    spec_.stop = nullptr;
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
    const std::function<void()> action = std::move(spec_.stop);
    spec_.stop = nullptr;
    if (action)
        action();
    end();
}
