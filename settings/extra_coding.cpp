#include "settings/extra_coding.h"

#include "settings/settings_numbers.h"

#include <algorithm>

namespace {

constexpr const char* kWarnings[] = {
    "Warning Brake Pads",     "Warning Wash flude level", "Warning Brake flude level",
    "Warning HandBrake",      "Warning speed limit",      "Warning tire pressure",
    "Opening the bonnet",     "Little red oiler",         "Fault head or reverse light lamp",
    "Fault brake light lamp",
};
constexpr const char* kComfort[] = {
    "Mirrors Heater",
    "CoffeeBreak",
    "IMMO active",
    "No/Half FIS Warning Oil Level",
    "Full FIS Warning Oil Level  ",
    "Tempomat GRA",
    "1J0 CCM Tempomat GRA ",
    "Seat belt warning",
};
constexpr const char* kOptions[] = {
    "WITHOUT clutch SENSOR Manual gearbox",
    "AUDI Fuel consumption factor x2 ",
    "Left and right mirrors move together",
};
constexpr const char* kLineColours[] = {"Blue", "Red", "Yellow", "Green", "White"};

constexpr int kColourShift = 5;

}  // namespace

ExtraCodingBytes encodeExtraCoding(const ExtraCodingRecord& r)
{
    return {r.warnings, r.speedLimit,
            r.comfort,  r.coffeeMinutes,
            r.coffeeKm, r.byte5,
            r.byte6,    static_cast<uint8_t>((r.options & 0x07) | ((r.reserved & 0x03) << 3) | (r.lineColour << kColourShift))};
}

ExtraCodingRecord decodeExtraCoding(std::span<const uint8_t, kExtraCodingSize> b)
{
    ExtraCodingRecord r;
    r.warnings = b[0];
    r.speedLimit = b[1];
    r.comfort = b[2];
    r.coffeeMinutes = b[3];
    r.coffeeKm = b[4];
    r.byte5 = b[5];
    r.byte6 = b[6];
    r.options = b[7] & 0x07;
    r.reserved = (b[7] >> 3) & 0x03;
    r.lineColour = static_cast<uint8_t>(b[7] >> kColourShift);
    return r;
}

std::span<const char* const> warningItems() { return kWarnings; }
std::span<const char* const> comfortItems() { return kComfort; }
std::span<const char* const> vehicleOptionItems() { return kOptions; }
std::span<const char* const> lineColourItems() { return kLineColours; }

ExtraCodingRecord extraCodingFromControls(const ExtraCodingControls& c, uint8_t lastByte5, uint8_t lastByte6)
{
    ExtraCodingRecord r;
    r.warnings = static_cast<uint8_t>(c.warningsMask);
    r.speedLimit = static_cast<uint8_t>(c.speedLimit);
    r.comfort = static_cast<uint8_t>(c.comfortMask);
    r.coffeeMinutes = static_cast<uint8_t>(roundHalfEven(c.coffeeMinutes, 10));
    r.coffeeKm = static_cast<uint8_t>(roundHalfEven(c.coffeeKm, 10));
    r.byte5 = lastByte5;
    r.byte6 = lastByte6;
    // Byte 7 is the options' bits OR the colour index x 32, kept to eight bits.
    const auto byte7 = static_cast<uint8_t>((c.optionsMask & 0x07) | static_cast<uint32_t>(c.lineColourIndex * 32));
    r.options = byte7 & 0x07;
    r.reserved = (byte7 >> 3) & 0x03;
    r.lineColour = static_cast<uint8_t>(byte7 >> kColourShift);
    return r;
}

ExtraCodingView extraCodingView(const ExtraCodingRecord& r)
{
    ExtraCodingView v;
    v.warningsMask = r.warnings;
    v.speedLimit = r.speedLimit;
    v.comfortMask = r.comfort;
    v.coffeeMinutes = r.coffeeMinutes * 10;
    v.coffeeKm = r.coffeeKm * 10;
    v.optionsMask = r.options;
    v.lineColourIndex = std::min<int>(r.lineColour, static_cast<int>(std::size(kLineColours)) - 1);
    return v;
}
