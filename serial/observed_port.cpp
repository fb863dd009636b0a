#include "serial/observed_port.h"

#include "serial/forwarding_port.h"

#include <memory>
#include <mutex>
#include <utility>

namespace {

class ObservedPort : public ForwardingPort {
public:
    ObservedPort(nrplatform::PortPtr inner, std::shared_ptr<TnrPortObserver> observer)
        : ForwardingPort(std::move(inner)), observer_(std::move(observer))
    {}

    // A reply can be read before the write that caused it has returned; the write is observed
    // first all the same, so the observer sees the bytes in the order they crossed the line.
    nrplatform::ReadResult Read(void* buffer, size_t size) override
    {
        const nrplatform::ReadResult result = inner_->Read(buffer, size);
        if (result.count > 0) {
            std::lock_guard<std::mutex> guard(orderLock_);
            (*observer_)(false, buffer, static_cast<size_t>(result.count));
        }
        return result;
    }
    nrplatform::WriteOutcome Write(const void* data, size_t size, size_t& written, nrplatform::WakeEvent* wake, int timeoutMs,
                                   int& error) override
    {
        std::lock_guard<std::mutex> guard(orderLock_);
        const nrplatform::WriteOutcome outcome = inner_->Write(data, size, written, wake, timeoutMs, error);
        if (written > 0)
            (*observer_)(true, data, written);
        return outcome;
    }

private:
    std::shared_ptr<TnrPortObserver> observer_;
    std::mutex orderLock_;  // a write and its observation, before any read's observation
};

}  // namespace

TnrPortFilter ObservingPortFilter(TnrPortObserver observer)
{
    auto shared = std::make_shared<TnrPortObserver>(std::move(observer));
    return [shared](nrplatform::PortPtr inner) -> nrplatform::PortPtr {
        if (!inner)
            return inner;
        return std::make_shared<ObservedPort>(std::move(inner), shared);
    };
}
