#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// The core both loaders share: one file's bytes, the read position, the block in flight (its
// frame and its 8-bit sum) and how many blocks have gone. It holds no window and no port: a
// step hands it the acknowledgement and sends the frame it builds, so the step that checks an
// acknowledgement and sends the next block can move to the thread that reads the reply.
class BlockTransfer {
public:
    struct Format {
        uint8_t marker;    // the block frame's first byte, which the acknowledgement repeats
        bool lengthByte;   // the second byte is the block's length (SD) ...
        uint8_t constant;  // ... or this constant (flash)
        size_t block;      // the largest block
        bool fullBlocks;   // every block has `block` bytes: after the end of the file, zeros
    };

    explicit BlockTransfer(Format format);

    // The file's bytes, read position 0. release() gives the memory back.
    void load(std::vector<uint8_t> bytes);
    void release();

    // Builds the next block frame from the read position on, advances it, notes the sum.
    std::span<const uint8_t> nextFrame();

    // What an acknowledgement (marker, sum) says of the block in flight.
    enum class Ack { Stray, WrongSum, More, Done };
    Ack check(uint8_t marker, uint8_t sum) const;

    uint8_t marker() const { return format_.marker; }
    uint8_t blockSum() const { return sum_; }
    size_t position() const { return position_; }
    size_t size() const { return bytes_.size(); }
    int blocksSent() const { return blocks_; }

private:
    Format format_;
    std::vector<uint8_t> bytes_;
    std::vector<uint8_t> frame_;
    size_t position_ = 0;
    uint8_t sum_ = 0;
    int blocks_ = 0;
};
