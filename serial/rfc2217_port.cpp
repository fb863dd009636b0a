#include "serial/rfc2217_port.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace {

using Clock = std::chrono::steady_clock;

int Remaining(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left <= 0 ? 0 : static_cast<int>(left);
}

}  // namespace

Rfc2217Port::Rfc2217Port(nrplatform::PortPtr inner, std::function<void(const std::string&)> note, int answerWaitMs)
    : ForwardingPort(std::move(inner)), note_(std::move(note)), answerWaitMs_(answerWaitMs), wake_(nrplatform::CreateWakeEvent())
{}

uint32_t Rfc2217Port::AcknowledgedBaudRate() const
{
    std::lock_guard<std::mutex> guard(readLock_);
    return client_.AcknowledgedBaudRate();
}

bool Rfc2217Port::Pump(int& error)
{
    std::vector<uint8_t> reply;
    bool lost = false;
    {
        std::lock_guard<std::mutex> guard(readLock_);
        uint8_t raw[4096];
        for (;;) {
            const nrplatform::ReadResult r = inner_->Read(raw, sizeof raw);
            if (r.count > 0) {
                client_.Receive(raw, static_cast<size_t>(r.count), data_, reply);
                continue;
            }
            if (r.lost) {
                error = r.error;
                lost = true;
            }
            break;
        }
    }
    if (!reply.empty() && SendRaw(reply, nullptr, -1, error) != nrplatform::WriteOutcome::Done)
        return false;
    return !lost;
}

nrplatform::WriteOutcome Rfc2217Port::SendRaw(const std::vector<uint8_t>& bytes, nrplatform::WakeEvent* wake, int timeoutMs,
                                              int& error)
{
    std::lock_guard<std::mutex> guard(writeLock_);
    size_t done = 0;
    while (done < bytes.size()) {
        size_t n = 0;
        const auto outcome = inner_->Write(bytes.data() + done, bytes.size() - done, n, wake, timeoutMs, error);
        done += n;
        if (outcome != nrplatform::WriteOutcome::Done)
            return outcome;
    }
    return nrplatform::WriteOutcome::Done;
}

bool Rfc2217Port::Negotiate(const nrplatform::KeepWaiting& keepWaiting, int& error)
{
    std::vector<uint8_t> opening;
    {
        std::lock_guard<std::mutex> guard(readLock_);
        opening = client_.Opening();
    }
    if (SendRaw(opening, nullptr, kOptionWaitMs, error) != nrplatform::WriteOutcome::Done)
        return false;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(kOptionWaitMs);
    for (;;) {
        if (!Pump(error))
            return false;
        {
            std::lock_guard<std::mutex> guard(readLock_);
            if (client_.ComPortOption() == rfc2217::Client::OptionState::Accepted)
                return true;
            if (client_.ComPortOption() == rfc2217::Client::OptionState::Refused) {
                error = nrplatform::kErrNotRfc2217;
                return false;
            }
        }
        const int left = Remaining(deadline);
        if (left == 0) {
            error = nrplatform::kErrNotRfc2217;  // a bridge that passes bytes as they are never answers
            return false;
        }
        uint32_t events = 0;
        const auto outcome = inner_->WaitLineEvent(EV_RXCHAR, *wake_, std::min(left, nrplatform::kNetWaitSliceMs), events, error);
        if (outcome == nrplatform::WaitOutcome::Lost || outcome == nrplatform::WaitOutcome::Failed)
            return false;
        if (keepWaiting && !keepWaiting()) {
            error = nrplatform::kErrCancelled;
            return false;
        }
    }
}

bool Rfc2217Port::AwaitAnswers(int waitMs, int& error)
{
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        if (!Pump(error))
            return false;
        std::vector<std::string> missing;
        {
            std::lock_guard<std::mutex> guard(readLock_);
            if (client_.AllAnswered())
                return true;
            if (Remaining(deadline) == 0) {
                missing = client_.Unanswered();
                client_.ForgetUnanswered();
            }
        }
        if (!missing.empty()) {
            // Some bridges never answer a request their device refuses: the link goes on.
            if (note_)
                for (const std::string& m : missing)
                    note_("RFC 2217: the bridge did not answer " + m + " within " + std::to_string(waitMs) + " ms; going on");
            return true;
        }
        uint32_t events = 0;
        const auto outcome =
            inner_->WaitLineEvent(EV_RXCHAR, *wake_, std::min(Remaining(deadline), nrplatform::kNetWaitSliceMs), events, error);
        if (outcome == nrplatform::WaitOutcome::Lost || outcome == nrplatform::WaitOutcome::Failed)
            return false;
    }
}

bool Rfc2217Port::ApplyLineSettings(const TDCB&, const TnrLineSettings& s)
{
    rfc2217::LineRequest request;
    request.baudRate = s.baudRate;
    request.dataBits = s.dataBits;
    request.parity = !s.parityEnable ? rfc2217::kParityNone
        : s.parityStick              ? (s.parityOdd ? rfc2217::kParityMark : rfc2217::kParitySpace)
        : s.parityOdd                ? rfc2217::kParityOdd
                                     : rfc2217::kParityEven;
    request.stopSize = s.twoStopBits ? rfc2217::kStopTwo : rfc2217::kStopOne;
    request.flow = s.ctsRtsFlow ? rfc2217::kControlHardwareFlow
        : s.xonOutput           ? rfc2217::kControlXonXoff
                                : rfc2217::kControlNoFlow;
    request.dtrOn = s.dtrOn;
    request.rtsOn = s.rtsOn;
    std::vector<uint8_t> bytes;
    {
        std::lock_guard<std::mutex> guard(readLock_);
        bytes = client_.LineSettings(request);
    }
    int error = 0;
    if (SendRaw(bytes, nullptr, answerWaitMs_, error) != nrplatform::WriteOutcome::Done)
        return false;
    return AwaitAnswers(answerWaitMs_, error);
}

nrplatform::WaitOutcome Rfc2217Port::WaitLineEvent(uint32_t mask, nrplatform::WakeEvent& wake, int timeoutMs, uint32_t& events,
                                                   int& error)
{
    {
        std::lock_guard<std::mutex> guard(readLock_);
        if (!data_.empty()) {  // taken from the connection while the line was being set
            events = EV_RXCHAR;
            return nrplatform::WaitOutcome::Events;
        }
    }
    return inner_->WaitLineEvent(mask, wake, timeoutMs, events, error);
}

nrplatform::ReadResult Rfc2217Port::Read(void* buffer, size_t size)
{
    nrplatform::ReadResult r;
    std::vector<uint8_t> reply;
    {
        std::lock_guard<std::mutex> guard(readLock_);
        std::vector<uint8_t> raw(std::max<size_t>(size, 1));
        while (data_.empty()) {
            const nrplatform::ReadResult got = inner_->Read(raw.data(), raw.size());
            if (got.count <= 0) {
                r = got;
                break;
            }
            client_.Receive(raw.data(), static_cast<size_t>(got.count), data_, reply);
        }
        if (!data_.empty()) {
            const size_t n = std::min(size, data_.size());
            std::memcpy(buffer, data_.data(), n);
            data_.erase(data_.begin(), data_.begin() + static_cast<std::ptrdiff_t>(n));
            r = nrplatform::ReadResult{};
            r.count = static_cast<long>(n);
        }
    }
    int error = 0;
    if (!reply.empty() && SendRaw(reply, nullptr, -1, error) != nrplatform::WriteOutcome::Done && r.count == 0) {
        r.lost = true;
        r.wouldBlock = false;
        r.error = error;
    }
    return r;
}

nrplatform::WriteOutcome Rfc2217Port::Write(const void* data, size_t size, size_t& written, nrplatform::WakeEvent* wake,
                                            int timeoutMs, int& error)
{
    // The frame goes out whole, its 0xFF doubled; written counts the display's bytes.
    written = 0;
    const auto* bytes = static_cast<const uint8_t*>(data);
    std::vector<uint8_t> escaped;
    telnet::AppendEscaped(escaped, bytes, size);
    std::lock_guard<std::mutex> guard(writeLock_);
    size_t done = 0;
    nrplatform::WriteOutcome outcome = nrplatform::WriteOutcome::Done;
    while (done < escaped.size()) {
        size_t n = 0;
        outcome = inner_->Write(escaped.data() + done, escaped.size() - done, n, wake, timeoutMs, error);
        done += n;
        if (outcome != nrplatform::WriteOutcome::Done)
            break;
    }
    // Count the display's bytes that left whole; a doubled 0xFF cut in half is completed, or the
    // bridge would take the next byte as a command.
    size_t raw = 0;
    for (size_t i = 0; raw < done; ++i) {
        const size_t width = bytes[i] == telnet::kIac ? 2 : 1;
        if (raw + width > done) {
            const uint8_t second = telnet::kIac;
            size_t n = 0;
            int e = 0;
            if (inner_->Write(&second, 1, n, nullptr, -1, e) == nrplatform::WriteOutcome::Done && n == 1)
                ++written;
            break;
        }
        raw += width;
        ++written;
    }
    return written > 0 && outcome != nrplatform::WriteOutcome::Lost ? nrplatform::WriteOutcome::Done : outcome;
}

bool Rfc2217Port::Purge(bool input, bool output)
{
    if (input) {
        std::lock_guard<std::mutex> guard(readLock_);
        data_.clear();
    }
    int error = 0;
    Pump(error);  // the bridge's own answers are read, the display's bytes then dropped
    if (input) {
        std::lock_guard<std::mutex> guard(readLock_);
        data_.clear();
    }
    (void)output;
    return true;
}

bool Rfc2217Port::Escape(nrplatform::EscapeFunction function)
{
    uint8_t value = 0;
    switch (function) {
    case nrplatform::EscapeFunction::SetDTR:
        value = rfc2217::kControlDtrOn;
        break;
    case nrplatform::EscapeFunction::ClearDTR:
        value = rfc2217::kControlDtrOff;
        break;
    case nrplatform::EscapeFunction::SetRTS:
        value = rfc2217::kControlRtsOn;
        break;
    case nrplatform::EscapeFunction::ClearRTS:
        value = rfc2217::kControlRtsOff;
        break;
    case nrplatform::EscapeFunction::SetBreak:
        value = rfc2217::kControlBreakOn;
        break;
    case nrplatform::EscapeFunction::ClearBreak:
        value = rfc2217::kControlBreakOff;
        break;
    default:
        return false;
    }
    std::vector<uint8_t> bytes;
    {
        std::lock_guard<std::mutex> guard(readLock_);
        bytes = client_.Control(value);
    }
    int error = 0;
    // The answer is read with the display's bytes; one that never comes holds nothing up.
    return SendRaw(bytes, nullptr, answerWaitMs_, error) == nrplatform::WriteOutcome::Done;
}

bool Rfc2217Port::GetModemLines(uint32_t& lines)
{
    std::lock_guard<std::mutex> guard(readLock_);
    const uint8_t m = client_.ModemState();
    lines = 0;
    if (m & rfc2217::kModemCts)
        lines |= nrplatform::kLineCTS;
    if (m & rfc2217::kModemDsr)
        lines |= nrplatform::kLineDSR;
    if (m & rfc2217::kModemRing)
        lines |= nrplatform::kLineRing;
    if (m & rfc2217::kModemCd)
        lines |= nrplatform::kLineRLSD;
    return true;
}
