#include "transfer/block_transfer.h"

#include <algorithm>
#include <numeric>

BlockTransfer::BlockTransfer(Format format) : format_(format), frame_(2 + format.block, 0) {}

void BlockTransfer::load(std::vector<uint8_t> bytes)
{
    bytes_ = std::move(bytes);
    position_ = 0;
    sum_ = 0;
    blocks_ = 0;
}

void BlockTransfer::release()
{
    bytes_ = {};
    bytes_.shrink_to_fit();
    position_ = 0;
    blocks_ = 0;
}

std::span<const uint8_t> BlockTransfer::nextFrame()
{
    const size_t k = std::min(bytes_.size() - position_, format_.block);
    const size_t length = format_.fullBlocks ? format_.block : k;
    frame_[0] = format_.marker;
    frame_[1] = format_.lengthByte ? static_cast<uint8_t>(k) : format_.constant;
    const auto data = frame_.begin() + 2;
    const auto first = bytes_.begin() + static_cast<std::ptrdiff_t>(position_);
    std::copy(first, first + static_cast<std::ptrdiff_t>(k), data);
    // After the end of the file a full block is filled with zeros, never with bytes of an
    // earlier block or transfer.
    std::fill(data + static_cast<std::ptrdiff_t>(k), data + static_cast<std::ptrdiff_t>(length), uint8_t{0});
    position_ += k;
    ++blocks_;
    sum_ = static_cast<uint8_t>(std::accumulate(data, data + static_cast<std::ptrdiff_t>(length), 0u));
    return std::span<const uint8_t>(frame_.data(), 2 + length);
}

BlockTransfer::Ack BlockTransfer::check(uint8_t marker, uint8_t sum) const
{
    if (marker != format_.marker)
        return Ack::Stray;
    if (sum != sum_)
        return Ack::WrongSum;
    return position_ < bytes_.size() ? Ack::More : Ack::Done;
}
