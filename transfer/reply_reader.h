#pragma once
#include "protocol/protocol_loop.h"

#include <cstdint>

// The waiting rule of the transfer acknowledgements: a step acts once two bytes more than it
// has already taken have arrived since the mark, and then takes one byte. Counting the bytes
// taken keeps the rule honest after a stray byte was dropped: the marker is taken only when the
// byte after it has arrived too, so reading the sum never waits for a byte that may not come.
class ReplyReader {
public:
    explicit ReplyReader(ProtocolLoop& loop) : loop_(loop) {}

    // Discards pending input and notes the mark; call before each frame goes out.
    void beginRequest()
    {
        loop_.beginRequest(kAckLength);
        taken_ = 0;
    }
    // Bytes received since the mark.
    uint32_t received() const { return loop_.receivedSinceMark(); }
    // True when a marker and the byte after it can be read without waiting: counted since the
    // mark, and still in the input queue (an opening of the port empties it).
    bool pairReady() const
    {
        const uint32_t r = received();
        return r >= taken_ && r - taken_ >= kAckLength && loop_.bytesQueued() >= kAckLength;
    }
    uint8_t take()
    {
        ++taken_;
        return loop_.readByte();
    }

private:
    static constexpr uint32_t kAckLength = 2;  // a marker and the byte after it
    ProtocolLoop& loop_;
    uint32_t taken_ = 0;
};
