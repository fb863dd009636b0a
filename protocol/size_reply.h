#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

// The display answers the size query with six bytes: one that carries nothing for us,
// the sizes of Disk 0 to Disk 3 in megabytes, and the SD card's size divided by 16.
struct SizeReply {
    std::array<uint8_t, 4> disks{};  // 0 means the volume is absent
    uint8_t sdBy16 = 0;              // 0 means no card

    unsigned sdMegabytes() const { return sdBy16 * 16u; }  // 0 to 4080
    bool diskPresent(int i) const { return disks[static_cast<std::size_t>(i)] != 0; }
    bool sdPresent() const { return sdBy16 != 0; }
};

// Decodes the six reply bytes in order of arrival; the first one is skipped.
SizeReply decodeSizeReply(const std::array<uint8_t, 6>& bytes);
