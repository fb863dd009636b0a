#include "transfer/background_file_read.h"

#include "transfer/background_priority.h"

void BackgroundFileRead::start(const QString& path)
{
    cancel();
    thread_ = std::thread([this, path] {
        lowerThisThreadsPriority();
        result_ = readWholeFile(path, &cancelled_);
        done_.store(true, std::memory_order_release);
    });
}

WholeFile BackgroundFileRead::take()
{
    if (thread_.joinable())
        thread_.join();
    done_.store(false);
    WholeFile file = std::move(result_);
    result_ = WholeFile{};
    return file;
}

void BackgroundFileRead::cancel()
{
    if (thread_.joinable()) {
        cancelled_.store(true);
        thread_.join();
    }
    cancelled_.store(false);
    done_.store(false);
    result_ = WholeFile{};
}
