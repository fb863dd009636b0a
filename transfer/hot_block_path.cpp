#include "transfer/hot_block_path.h"

#include "serial/hop_trace.h"

#include <vector>

HotBlockPath::HotBlockPath(ProtocolLoop& loop, BlockTransfer& core) : loop_(loop), core_(core) {}

std::span<const uint8_t> HotBlockPath::nextBlock()
{
    const std::span<const uint8_t> frame = core_.nextFrame();
    progress_.sent = core_.position();
    progress_.blocksSent = core_.blocksSent();
    progress_.received = 0;
    markerSeen_ = false;
    return frame;
}

void HotBlockPath::start()
{
    // Pending input goes before the first block, as before every request; the handler then takes
    // every byte that arrives until the file's end, so nothing else is queued meanwhile. The first
    // block is built under the lock and sent after it: a send may report an error to a handler
    // that closes the port, which waits for the reading thread, which may be waiting for this
    // lock. Its acknowledgement cannot come before it has gone.
    loop_.beginRequest(kAckLength);
    std::vector<uint8_t> first;
    loop_.armArrival(
        [&] {
            progress_ = Progress{};
            progress_.inFlight = true;
            const std::span<const uint8_t> frame = nextBlock();
            first.assign(frame.begin(), frame.end());
        },
        [this](std::span<const uint8_t> arrived) { return onArrival(arrived); });
    loop_.sendFrame(first);
}

void HotBlockPath::stop()
{
    loop_.disarmArrival();
    loop_.withArrivalsHeld([this] { progress_.inFlight = false; });
}

HotBlockPath::Progress HotBlockPath::progress() const
{
    return loop_.withArrivalsHeld([this] { return progress_; });
}

ProtocolLoop::ArrivalAnswer HotBlockPath::onArrival(std::span<const uint8_t> arrived)
{
    if (!progress_.inFlight)
        return {0, {}, 0, true};  // the bytes stay queued for the steps
    for (size_t i = 0; i < arrived.size(); ++i) {
        const uint8_t b = arrived[i];
        ++progress_.received;
        if (!markerSeen_) {
            markerSeen_ = b == core_.marker();  // a stray byte is dropped
            continue;
        }
        markerSeen_ = false;
        const BlockTransfer::Ack ack = core_.check(core_.marker(), b);
        const uint32_t now = loop_.tick();
        if (ack == BlockTransfer::Ack::More) {
            progress_.acknowledged = core_.position();
            progress_.ackTick = now;
            ++progress_.acks;
            // The next block leaves at once, before the window is told about this one; what else
            // came with the acknowledgement is dropped, as the input before every block is.
            hoptrace::Mark(hoptrace::Hop::Sending);
            return {arrived.size(), nextBlock(), kAckLength, false};
        }
        progress_.end = ack;
        progress_.endPosition = core_.position();
        progress_.endTick = now;
        progress_.inFlight = false;
        return {i + 1, {}, 0, true};  // what follows the last acknowledgement stays queued
    }
    return {arrived.size(), {}, 0, false};
}
