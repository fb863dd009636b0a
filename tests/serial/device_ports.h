#pragma once
// Ports that play hardware a pseudo-terminal cannot: each wraps the platform's port of the pty
// and changes one answer. A comm gets one through SetPortFilter.
#include <atomic>
#include <memory>

#include "serial/nr_comm.h"
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
  nrplatform::WriteOutcome Write(const void* data, size_t size, size_t& written, nrplatform::WakeEvent* wake,
                                 int timeoutMs, int& error) override
  {
      return inner_->Write(data, size, written, wake, timeoutMs, error);
  }
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

// Hands out the error flags the test chose, once each, in the next status query.
class ScriptedStatusPort : public ForwardingPort {
 public:
  using ForwardingPort::ForwardingPort;
  void Next(uint32_t flags) { next_ = flags; }
  bool QueryStatus(nrplatform::PortStatus& status, int& error) override
  {
      if (!inner_->QueryStatus(status, error)) return false;
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
