#include "serial/observed_port.h"

#include <memory>
#include <utility>

namespace {

class ObservedPort : public nrplatform::Port {
 public:
  ObservedPort(nrplatform::PortPtr inner, std::shared_ptr<TnrPortObserver> observer)
      : inner_(std::move(inner)), observer_(std::move(observer)) {}

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
  nrplatform::ReadResult Read(void* buffer, size_t size) override
  {
      const nrplatform::ReadResult result = inner_->Read(buffer, size);
      if (result.count > 0) (*observer_)(false, buffer, static_cast<size_t>(result.count));
      return result;
  }
  nrplatform::WriteOutcome Write(const void* data, size_t size, size_t& written, nrplatform::WakeEvent* wake,
                                 int timeoutMs, int& error) override
  {
      const nrplatform::WriteOutcome outcome = inner_->Write(data, size, written, wake, timeoutMs, error);
      if (written > 0) (*observer_)(true, data, written);
      return outcome;
  }
  bool Purge(bool input, bool output) override { return inner_->Purge(input, output); }
  bool Drain() override { return inner_->Drain(); }
  bool Escape(nrplatform::EscapeFunction function) override { return inner_->Escape(function); }
  bool GetModemLines(uint32_t& lines) override { return inner_->GetModemLines(lines); }
  bool RequestLowLatency() override { return inner_->RequestLowLatency(); }
  void RestoreLatency() override { inner_->RestoreLatency(); }
  TnrHandle NativeHandle() const override { return inner_->NativeHandle(); }

 private:
  nrplatform::PortPtr inner_;
  std::shared_ptr<TnrPortObserver> observer_;
};

}  // namespace

TnrPortFilter ObservingPortFilter(TnrPortObserver observer)
{
    auto shared = std::make_shared<TnrPortObserver>(std::move(observer));
    return [shared](nrplatform::PortPtr inner) -> nrplatform::PortPtr {
        if (!inner) return inner;
        return std::make_shared<ObservedPort>(std::move(inner), shared);
    };
}
