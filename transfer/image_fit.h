#pragma once
#include <QString>

#include <cstdint>
#include <optional>

// Before an image goes to a slot of the built-in flash: does it fit the disk the display
// reported for that slot (sizes in Mb, compared as size × 1 MiB), and is its name not another
// slot's default name? What differs, in words, or nothing when all is as expected.
struct ImageFitCheck {
    int slot = 0;      // 0 to 7
    QString fileName;  // the bare name
    int64_t fileSize = 0;
    std::optional<unsigned> diskMb;  // the slot's disk size, when the display reported one
};

// The slots' default file names, slot 0 first.
QString defaultImageName(int slot);
// The slots' labels as the page shows them ("1. sys.imz").
QString imageSlotLabel(int slot);

std::optional<QString> imageFitConcern(const ImageFitCheck& check);
