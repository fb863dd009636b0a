#pragma once
#include "protocol/protocol_loop.h"
#include "transfer/block_transfer.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

// The hot path of a block transfer. Both transfers are stop-and-wait: every moment between a
// block acknowledgement's arrival and the next block's first byte is lost line time. Once
// started, each acknowledgement is checked on the thread that read it and, when more of the
// file remains, the next block leaves from there at once. The window's thread learns how far
// the file got from progress() and handles the end (the last block's acknowledgement, a wrong
// sum) itself, as it handles every other step.
//
// Ownership: between start() and the end (or stop()), the block core belongs to the handler on the
// reading thread; the window's thread only reads the progress, while no handler runs (the loop's
// rule for its arrival handler). After stop() returns no further block leaves.
class HotBlockPath {
public:
    struct Progress {
        bool inFlight = false;                  // acknowledgements are still checked on the reading thread
        std::optional<BlockTransfer::Ack> end;  // Done or WrongSum once the last one came
        size_t sent = 0;                        // the read position after the last block sent
        int blocksSent = 0;
        // The last acknowledgement that said "more" (acks counts them) ...
        uint64_t acks = 0;
        size_t acknowledged = 0;
        uint32_t ackTick = 0;
        // ... and the one that ended the file: the read position and time then.
        size_t endPosition = 0;
        uint32_t endTick = 0;
        uint32_t received = 0;  // bytes of the awaited acknowledgement
    };

    HotBlockPath(ProtocolLoop& loop, BlockTransfer& core);
    ~HotBlockPath() { stop(); }
    HotBlockPath(const HotBlockPath&) = delete;
    HotBlockPath& operator=(const HotBlockPath&) = delete;

    // On the window's thread: sends the file's first block and hands its acknowledgement over.
    void start();
    // On the window's thread: once it returns, no further block leaves from the reading thread.
    void stop();
    Progress progress() const;

private:
    // On the reading thread: the acknowledgement's bytes in, the next block out.
    ProtocolLoop::ArrivalAnswer onArrival(std::span<const uint8_t> arrived);
    // Builds the next block frame and notes it in the progress; the frame lives in the core.
    std::span<const uint8_t> nextBlock();

    static constexpr uint32_t kAckLength = 2;  // a marker and the block's sum
    ProtocolLoop& loop_;
    BlockTransfer& core_;
    // Kept by the handler: read and changed elsewhere only while no handler runs.
    Progress progress_;
    bool markerSeen_ = false;  // the marker has come, the sum not yet
};
