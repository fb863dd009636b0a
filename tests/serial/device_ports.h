#pragma once
// Ports that play hardware a pseudo-terminal cannot: each wraps the platform's port of the pty
// and changes one answer. A comm gets one through SetPortFilter.
#include <atomic>
#include <memory>

#include "serial/forwarding_port.h"
#include "serial/nr_comm.h"
#include "serial/serial_platform.h"

// Hands out the error flags the test chose, once each, in the next status query.
class ScriptedStatusPort : public ForwardingPort {
public:
    using ForwardingPort::ForwardingPort;
    void Next(uint32_t flags) { next_ = flags; }
    bool QueryStatus(nrplatform::PortStatus& status, int& error) override
    {
        if (!inner_->QueryStatus(status, error))
            return false;
        status.errorFlags = next_.exchange(0);
        return true;
    }

private:
    std::atomic<uint32_t> next_{0};
};

// Wraps each port the comm opens in a T; port is the last one.
template <typename T>
struct PortSlot {
    std::shared_ptr<T> port;
    TnrPortFilter Filter()
    {
        return [this](nrplatform::PortPtr inner) {
            port = std::make_shared<T>(std::move(inner));
            return nrplatform::PortPtr(port);
        };
    }
};
