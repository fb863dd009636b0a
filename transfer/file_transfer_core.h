#pragma once
#include "protocol/protocol_loop.h"
#include "transfer/background_file_read.h"
#include "transfer/block_transfer.h"
#include "transfer/hot_block_path.h"
#include "transfer/reply_reader.h"
#include "transfer/whole_file.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class TransferHost;

// What a file transfer does whatever its destination: the file read (a large one beside the
// window's thread), the wait for a file not there yet, the acknowledgements of the open and the
// close, the blocks with their sums on the hot path, progress in panels 2 and 3 and on the bar,
// a lost line and the release. The SD upload and the flash loader own one each and supply their
// frames, their texts and their ends; each starts the speed clock where its transfer starts.
class FileTransferCore {
public:
    using StepResult = ProtocolLoop::StepResult;

    // What the transfer supplies: how its job ends on a lost line, how its row takes the bytes
    // acknowledged so far, and what the acknowledgement that ends the blocks does (the close or
    // the sum error). `waiting`, when set, is told of each look while blocks are still going.
    struct Ends {
        std::function<void()> lineLost;
        std::function<void(int64_t bytes, double seconds)> acknowledged;
        std::function<void(const HotBlockPath::Progress&, double seconds)> blocksEnded;
        std::function<void(const HotBlockPath::Progress&)> waiting;
    };

    // blockAckState: the step that looks at the hot path while blocks go.
    FileTransferCore(ProtocolLoop& loop, TransferHost& host, BlockTransfer::Format format, int32_t blockAckState, Ends ends);

    ReplyReader& reply() { return reply_; }

    // True when the line is gone; the transfer's end has then run.
    bool lineLost();

    // A new file: the "Waiting for ..." text may be shown again.
    void newFile() { waitShown_ = false; }
    // False while `path` is not there; the first time, "Waiting for <name> to appear in <folder>"
    // is shown and `markWaiting` marks the row.
    bool fileThere(const QString& path, const QString& name, const QString& folder, const std::function<void()>& markWaiting);
    // The whole file, or nothing while it is being read (or vanished between the look and the read):
    // the step looks again on the loop's timer.
    std::optional<WholeFile> readFile(const QString& path);
    // The file's bytes become the blocks; the bar's range is their count. Returns the count.
    int64_t load(std::vector<uint8_t> bytes);

    // The speed clock starts now.
    void startClock() { startTick_ = loop_.tick(); }
    double secondsAt(uint32_t tick) const { return (tick - startTick_) / 1000.0; }

    // An acknowledgement of one marker and a byte: `onMarker` runs when the marker came; any
    // other byte is dropped and the step looks again.
    StepResult awaitMarker(uint8_t marker, const std::function<void()>& onMarker);
    // The first block goes, and the acknowledgements are answered on the hot path.
    void startBlocks();
    // The step while blocks go: shows their progress and hands the last acknowledgement to
    // the transfer's end.
    StepResult blocksStep();
    // Ends the hot path and takes in how far the file got.
    void settleHotPath();
    // Nothing more goes: the hot path ends, a read under way is dropped, the blocks are freed.
    void release();

private:
    // Shows what the hot path has done since the last look: panel 2, the speed, the bar, the row.
    void showProgress(const HotBlockPath::Progress& p);

    ProtocolLoop& loop_;
    TransferHost& host_;
    Ends ends_;
    int32_t blockAckState_;
    ReplyReader reply_;
    BlockTransfer core_;
    HotBlockPath hot_;  // declared after what it uses: it ends first
    uint64_t shownAcks_ = 0;
    size_t shownSent_ = 0;
    BackgroundFileRead reader_;  // a large file is read beside the window's thread
    uint32_t startTick_ = 0;
    bool waitShown_ = false;  // "Waiting for ..." is on show for the current file
};
