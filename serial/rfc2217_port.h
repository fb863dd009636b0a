#pragma once
// A port that speaks RFC 2217 over the port it wraps (a network bridge's TCP connection): the
// display's bytes go out with every 0xFF doubled and come in undoubled, the line settings and the
// modem lines become COM-PORT-OPTION requests, and what the bridge says about the link is read
// and kept out of the display's bytes.
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "serial/forwarding_port.h"
#include "serial/net_port.h"
#include "serial/rfc2217_client.h"

class Rfc2217Port : public ForwardingPort {
public:
    // note: where the link's remarks go (a request left unanswered); may be empty.
    Rfc2217Port(nrplatform::PortPtr inner, std::function<void(const std::string&)> note, int answerWaitMs = kAnswerWaitMs);

    // How long a line-setting or modem-line request is waited for before the link goes on
    // without its answer.
    static constexpr int kAnswerWaitMs = 1000;
    // How long the bridge may take to accept or refuse the COM-PORT-OPTION.
    static constexpr int kOptionWaitMs = 3000;

    // Asks for BINARY and the COM-PORT-OPTION and waits for the bridge's answer. False with error
    // set: kErrNotRfc2217 when the bridge refuses or never answers, kErrCancelled when keepWaiting
    // said stop, or what the connection failed with.
    bool Negotiate(const nrplatform::KeepWaiting& keepWaiting, int& error);

    bool ApplyLineSettings(const TDCB& dcb, const TnrLineSettings& settings) override;
    nrplatform::WaitOutcome WaitLineEvent(uint32_t mask, nrplatform::WakeEvent& wake, int timeoutMs, uint32_t& events,
                                          int& error) override;
    nrplatform::ReadResult Read(void* buffer, size_t size) override;
    nrplatform::WriteOutcome Write(const void* data, size_t size, size_t& written, nrplatform::WakeEvent* wake, int timeoutMs,
                                   int& error) override;
    bool Purge(bool input, bool output) override;
    bool Escape(nrplatform::EscapeFunction function) override;
    bool GetModemLines(uint32_t& lines) override;
    bool RequestLowLatency() override { return false; }
    void RestoreLatency() override {}

    // The baud rate the bridge last acknowledged (0: none yet).
    uint32_t AcknowledgedBaudRate() const;

private:
    // Reads what the connection holds into the client; false when the connection is gone.
    bool Pump(int& error);
    // Sends bytes already in telnet form, all of them.
    nrplatform::WriteOutcome SendRaw(const std::vector<uint8_t>& bytes, nrplatform::WakeEvent* wake, int timeoutMs, int& error);
    // Waits until the client has every answer or waitMs passes; notes what stayed unanswered.
    bool AwaitAnswers(int waitMs, int& error);

    std::function<void(const std::string&)> note_;
    const int answerWaitMs_;
    mutable std::mutex readLock_;  // the client's receiving side and data_; taken before writeLock_
    rfc2217::Client client_;
    std::vector<uint8_t> data_;  // the display's bytes taken from the connection, not yet read
    std::mutex writeLock_;       // one sender at a time: a doubled 0xFF is never split by a reply
    nrplatform::WakeEventPtr wake_;
};
