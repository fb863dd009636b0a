#pragma once
#include "protocol/protocol_loop.h"
#include "transfer/display_facts.h"
#include "transfer/file_transfer_core.h"
#include "transfer/transfer_results.h"

#include <QString>

#include <array>
#include <cstdint>
#include <vector>

class TransferHost;

// The built-in flash loader: one disk image file into one of the eight image slots, in blocks
// of 1024 bytes that the display acknowledges with their 8-bit sum. "Send" only records the
// file name and the slot; the loop's passes do the rest.
//
// Wire frames: open A3 01 slot, block A4 00 and 1024 bytes: the file's next bytes, the last
// block filled up with 0x00. Replies: A3 x, A4 sum.
//
// Each slot keeps its last result (slotResult()), which the host is shown as it changes. While
// an image goes it is the loop's job: stop() ends it where it stands.
class FlashLoader {
public:
    static constexpr int kBlock = display::kFlashBlock;
    static constexpr int kSlots = display::kImageSlots;

    FlashLoader(ProtocolLoop& loop, TransferHost& host);

    // "Send" of a slot row: the file box's text (a full path, or whatever the user typed).
    // False when the loop refused it (another job runs; it said so) or no loop runs.
    bool send(const QString& fileName, uint8_t slot);

    // Stop: nothing more is sent; the slot's result says how far the image got.
    void stop();
    bool running() const { return running_; }
    const FileResult& slotResult(int slot) const { return results_.at(static_cast<size_t>(slot)); }

    const QString& fileName() const { return fileName_; }
    uint8_t slot() const { return slot_; }

private:
    using StepResult = ProtocolLoop::StepResult;
    StepResult open();
    StepResult openAck();
    StepResult block();
    StepResult blockAck();
    StepResult done();
    StepResult error();
    // The acknowledgement that ends the image's blocks: done, or the sum error.
    void blocksEnded(const HotBlockPath::Progress& p, double seconds);
    QString bareName() const;
    void setResult(const FileResult& result);
    void finish(FileResult::Outcome outcome);

    ProtocolLoop& loop_;
    TransferHost& host_;
    FileTransferCore core_;

    QString fileName_;
    uint8_t slot_ = 0;
    bool running_ = false;
    FileResult current_;
    std::array<FileResult, kSlots> results_{};
};
