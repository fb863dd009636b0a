#pragma once
// A stand-in for the display's transfer firmware, at the far end of a fake line: it answers the
// greeting's size query and the SD and flash frames, keeps what arrives, and misbehaves on
// request (a wrong sum, a stray byte before an acknowledgement, an acknowledgement in pieces,
// silence).
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "tests/support/fake_display_line.h"

class ScriptedDisplay : public FarEnd {
public:
    struct Frame {
        uint8_t marker = 0;
        std::vector<uint8_t> body;  // after the marker: the length byte (or constant) and the rest
    };
    struct SdFile {
        std::string path;  // as sent, in the code page's bytes
        std::vector<uint8_t> data;
        std::vector<size_t> blocks;  // the length of each block frame
        bool closed = false;
    };
    struct FlashImage {
        uint8_t slot = 0;
        std::vector<uint8_t> data;
    };
    struct Behaviour {
        std::array<uint8_t, 6> sizeReply{0x00, 4, 4, 4, 4, 2};
        // The block acknowledgement with a wrong sum: the block'th (0-based) of the file'th
        // opened file (SD), or of the flash transfer when sdFile is -1. -1 for none.
        int wrongSumFile = -1;
        int wrongSumBlock = -1;
        bool wrongSumOnLastBlock = false;  // instead of wrongSumBlock: the file's last block
        uint8_t strayByte = 0;             // sent before every acknowledgement when strayBefore
        bool strayBefore = false;
        // Every acknowledgement in two writes, this far apart.
        std::chrono::milliseconds pieceGap{0};
        bool silentAfterFirstBlock = false;  // no answer to any block frame after the first
        // When not 0: every reply is mangled at random from this seed (left alone, replaced by
        // junk, wrapped in junk, a wrong second byte, after a long run of junk, or in pieces).
        uint32_t fuzzSeed = 0;
    };

    explicit ScriptedDisplay(Behaviour behaviour);
    ScriptedDisplay(const ScriptedDisplay&) = delete;
    ScriptedDisplay& operator=(const ScriptedDisplay&) = delete;

    // What the PC wrote; the answers, each after its pause.
    std::vector<Reply> take(std::span<const uint8_t> bytes) override;
    // A frame cut off when the old line went is no start of a frame on the new one.
    void newLine() override { pending_.clear(); }

    std::vector<Frame> frames() const;
    std::vector<SdFile> sdFiles() const;
    std::vector<FlashImage> flashImages() const;
    size_t countFrames(uint8_t marker) const;
    // Waits (at most the bound) until the simulator has taken this many frames of that marker.
    bool waitForFrames(uint8_t marker, size_t count, std::chrono::milliseconds bound) const;

private:
    void takeByte(uint8_t byte);
    void answer(const Frame& frame);
    void reply(std::vector<uint8_t> bytes);
    void write(std::vector<uint8_t> bytes, std::chrono::milliseconds pauseBefore = {});
    void fuzzed(std::vector<uint8_t> bytes);
    size_t expectedLength(const std::vector<uint8_t>& pending) const;

    Behaviour behaviour_;
    std::vector<Reply> answers_;  // of the write being taken

    mutable std::mutex lock_;
    std::vector<uint8_t> pending_;
    std::vector<Frame> frames_;
    std::vector<SdFile> sdFiles_;
    std::vector<FlashImage> flash_;
    int flashBlocks_ = 0;
    int sdBlocksOfFile_ = 0;
    int blocksAnswered_ = 0;
    std::mt19937 rng_;
};
