#pragma once
// A port that hands every call to the port it wraps. Wrappers that change one answer (a trace of
// the bytes, a test's hardware a pseudo-terminal cannot play) derive from it and override that
// call alone; they reach the wrapped port through inner_.
#include <memory>
#include <utility>

#include "serial/serial_platform.h"

class ForwardingPort : public nrplatform::Port {
public:
    explicit ForwardingPort(nrplatform::PortPtr inner) : inner_(std::move(inner)) {}
    bool ApplyLineSettings(const TDCB& dcb, const TnrLineSettings& settings) override
    {
        return inner_->ApplyLineSettings(dcb, settings);
    }
    nrplatform::WaitOutcome WaitLineEvent(uint32_t mask, nrplatform::WakeEvent& wake, int timeoutMs, uint32_t& events,
                                          int& error) override
    {
        return inner_->WaitLineEvent(mask, wake, timeoutMs, events, error);
    }
    bool QueryStatus(nrplatform::PortStatus& status, int& error) override { return inner_->QueryStatus(status, error); }
    nrplatform::ReadResult Read(void* buffer, size_t size) override { return inner_->Read(buffer, size); }
    nrplatform::WriteOutcome Write(const void* data, size_t size, size_t& written, nrplatform::WakeEvent* wake, int timeoutMs,
                                   int& error) override
    {
        return inner_->Write(data, size, written, wake, timeoutMs, error);
    }
    bool WritesAtOnce() const override { return inner_->WritesAtOnce(); }
    bool Purge(bool input, bool output) override { return inner_->Purge(input, output); }
    bool Drain() override { return inner_->Drain(); }
    bool Escape(nrplatform::EscapeFunction function) override { return inner_->Escape(function); }
    bool GetModemLines(uint32_t& lines) override { return inner_->GetModemLines(lines); }
    bool RequestLowLatency() override { return inner_->RequestLowLatency(); }
    void RestoreLatency() override { inner_->RestoreLatency(); }
    TnrHandle NativeHandle() const override { return inner_->NativeHandle(); }

protected:
    nrplatform::PortPtr inner_;
};
