#pragma once
#include <array>
#include <cstdint>
#include <span>

// The display's extra coding: an 8-byte record of warnings, comfort functions, limits, vehicle
// options and the line colour.
inline constexpr size_t kExtraCodingSize = 8;
using ExtraCodingBytes = std::array<uint8_t, kExtraCodingSize>;

struct ExtraCodingRecord {
    uint8_t warnings = 0;       // byte 0, bit k = item k of CheckListBox1
    uint8_t speedLimit = 0;     // byte 1, km/h
    uint8_t comfort = 0;        // byte 2, bit k = item k of CheckListBox2
    uint8_t coffeeMinutes = 0;  // byte 3, minutes / 10
    uint8_t coffeeKm = 0;       // byte 4, km / 10
    uint8_t byte5 = 0;          // not on the page; sent back as the display reported it
    uint8_t byte6 = 0;
    uint8_t options = 0;     // byte 7 bits 0..2, CheckListBox3
    uint8_t reserved = 0;    // byte 7 bits 3..4, 0 when saved
    uint8_t lineColour = 0;  // byte 7 bits 5..7

    bool operator==(const ExtraCodingRecord&) const = default;
};

ExtraCodingBytes encodeExtraCoding(const ExtraCodingRecord& record);
ExtraCodingRecord decodeExtraCoding(std::span<const uint8_t, kExtraCodingSize> bytes);

std::span<const char* const> warningItems();        // CheckListBox1 (items 8 and 9 have no bit)
std::span<const char* const> comfortItems();        // CheckListBox2
std::span<const char* const> vehicleOptionItems();  // CheckListBox3
std::span<const char* const> lineColourItems();     // the line colour group

// What "Save Extra Encode" reads from the page.
struct ExtraCodingControls {
    uint32_t warningsMask = 0;  // CheckListBox1, item k in bit k
    int speedLimit = 90;        // km/h
    uint32_t comfortMask = 0;   // CheckListBox2
    int coffeeMinutes = 240;    // coffee break, minutes
    int coffeeKm = 240;         // coffee break, km
    uint32_t optionsMask = 0;   // CheckListBox3
    int lineColourIndex = 0;    // -1 for none
};

// The record the save sends: the page's values (minutes and km divided by 10, halves to the
// even neighbour), bytes 5 and 6 as the display last reported them.
ExtraCodingRecord extraCodingFromControls(const ExtraCodingControls& controls, uint8_t lastByte5, uint8_t lastByte6);

// What an extra coding reply shows; the spin values are raw (the spin edits clamp them) and a
// line colour past the last item shows the last item.
struct ExtraCodingView {
    uint32_t warningsMask = 0;
    int speedLimit = 0;
    uint32_t comfortMask = 0;
    int coffeeMinutes = 0;
    int coffeeKm = 0;
    uint32_t optionsMask = 0;
    int lineColourIndex = 0;
};
ExtraCodingView extraCodingView(const ExtraCodingRecord& record);
