#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

// What the display is: the facts the window, the command line and the transfers share. The
// simulator keeps its own table of them, so that the tests compare two independent statements.
namespace display {

// The built-in flash holds eight disk images; the slot number sent is the row index.
inline constexpr int kImageSlots = 8;
// Each slot's usual file name, slot 0 first.
inline constexpr std::array<const char*, kImageSlots> kImageNames = {"sys.imz",   "disk1.imz", "disk2.imz", "disk3.imz",
                                                                     "fdisk.imz", "backs.imz", "diag.imz",  "logos.imz"};
// The slots' labels as the page shows them, typo included.
inline constexpr std::array<const char*, kImageSlots> kImageLabels = {
    "1. sys.imz", "2. diask1.imz", "3. disk2.imz", "4. disk3.imz", "5. fdisk.imz", "6. backs.imz", "7. diag.imz", "8. logos.imz"};
// The display reports the first four slots' disk sizes in Mb of this many bytes.
inline constexpr int64_t kDiskMbBytes = 1024 * 1024;

// A flash image goes in blocks of exactly this size, the last one filled up with 0x00.
inline constexpr int kFlashBlock = 1024;
// An SD file goes in blocks of at most this size.
inline constexpr int kSdMaxBlock = 250;
// The SD open frame tells the device path's length in one byte.
inline constexpr size_t kSdMaxPathBytes = 255;

}  // namespace display
