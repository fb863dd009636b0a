#include "transfer/hot_block_path.h"

#include "serial/hop_trace.h"

#include <mutex>
#include <vector>

HotBlockPath::HotBlockPath(ProtocolLoop& loop, ReplyReader& reply, BlockTransfer& core) : loop_(loop), reply_(reply), core_(core)
{}

std::span<const uint8_t> HotBlockPath::nextBlock()
{
    reply_.beginRequest();
    const std::span<const uint8_t> frame = core_.nextFrame();
    progress_.sent = core_.position();
    progress_.blocksSent = core_.blocksSent();
    progress_.received = 0;
    return frame;
}

void HotBlockPath::sendNext()
{
    hoptrace::Mark(hoptrace::Hop::Sending);
    loop_.sendFrame(nextBlock());
}

void HotBlockPath::start()
{
    // The first block is built under the lock and sent after it: a send may report an error to
    // a handler that closes the port, which waits for the reading thread, which may be waiting
    // for this lock. Its acknowledgement cannot come before it has gone.
    std::vector<uint8_t> first;
    loop_.armArrival(
        [&] {
            progress_ = Progress{};
            progress_.inFlight = true;
            const std::span<const uint8_t> frame = nextBlock();
            first.assign(frame.begin(), frame.end());
        },
        [this] { return onArrival(); });
    loop_.sendFrame(first);
}

void HotBlockPath::stop()
{
    loop_.disarmArrival();
    std::lock_guard<std::mutex> guard(loop_.arrivalLock());
    progress_.inFlight = false;
}

HotBlockPath::Progress HotBlockPath::progress() const
{
    std::lock_guard<std::mutex> guard(loop_.arrivalLock());
    return progress_;
}

bool HotBlockPath::onArrival()
{
    if (!progress_.inFlight)
        return false;
    // A lost line is the window's news: nothing more leaves, its step ends the transfer.
    if (!loop_.lineUp()) {
        progress_.inFlight = false;
        return false;
    }
    while (reply_.pairReady()) {
        const uint8_t marker = reply_.take();
        if (marker != core_.marker())
            continue;  // a stray byte, dropped
        const BlockTransfer::Ack ack = core_.check(marker, reply_.take());
        const uint32_t now = loop_.tick();
        if (ack == BlockTransfer::Ack::More) {
            progress_.acknowledged = core_.position();
            progress_.ackTick = now;
            ++progress_.acks;
            sendNext();  // the next block leaves at once, before the window is told about this one
            continue;
        }
        progress_.end = ack;
        progress_.endPosition = core_.position();
        progress_.endTick = now;
        progress_.inFlight = false;
        return false;
    }
    progress_.received = reply_.received();
    return true;
}
