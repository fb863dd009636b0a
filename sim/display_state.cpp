#include "sim/display_state.h"

std::array<std::vector<std::uint8_t>, 3> DisplayState::factoryGammaTables()
{
    return {
        std::vector<std::uint8_t>{0x00, 0x32, 0x36, 0x45, 0x06, 0x16, 0x37, 0x75, 0x77, 0x54, 0x0C, 0x00},
        std::vector<std::uint8_t>{0x0F, 0x24, 0x1C, 0x0A, 0x0F, 0x08, 0x44, 0x87, 0x32, 0x0F, 0x10, 0x06, 0x1A, 0x07, 0x00,
                                  0x0F, 0x38, 0x30, 0x09, 0x0F, 0x0F, 0x4E, 0x77, 0x3C, 0x07, 0x4C, 0x05, 0x23, 0x1B, 0x00},
        [] {
            std::vector<std::uint8_t> c(34, 0x00);
            c.back() = 0x01;
            return c;
        }(),
    };
}

std::array<std::uint8_t, kConfigRecordLength> DisplayState::factoryConfig()
{
    // Serial number 700123, hardware 7.8, display type 11 with comfort-CAN mode 2, Golf 4 (immo3).
    const std::uint32_t serial = 700123;
    const std::uint32_t serialLess400 = serial - 400;
    return {
        static_cast<std::uint8_t>(serial),
        static_cast<std::uint8_t>(serial >> 8),
        static_cast<std::uint8_t>(serial >> 16),
        static_cast<std::uint8_t>(serial >> 24),
        78,   // hardware version
        112,  // display type 11, comfort-CAN mode 2
        1,
        1,
        static_cast<std::uint8_t>(serialLess400),
        static_cast<std::uint8_t>(serialLess400 >> 8),
        static_cast<std::uint8_t>(serialLess400 >> 16),
        static_cast<std::uint8_t>(serialLess400 >> 24),
        0,    // terminal 15 source
        100,  // maximum dimmer level
        0,    // pin remap
        0,
        0,  // diagnostic mode
        1,
        0,     // button wiring
        0x5A,  // kept by the display, returned unchanged by the shell
        0,     // boost sensor
        0,     // button remap
        2,     // language: English
        115,
        115,  // battery calibration
        1,    // car model code
    };
}

std::array<std::uint8_t, kExtraCodingLength> DisplayState::factoryExtraCoding()
{
    // Brake-pad warning, 90 km/h limit, coffee break, 240 min / 240 km, blue lines.
    return {0x01, 90, 0x02, 24, 24, 0x11, 0x22, 0x00};
}

std::array<std::uint8_t, kTurboTimerLength> DisplayState::factoryTurboTimer()
{
    // Cooling 90 s at 90, off; warm-up 300 s at 90, off.
    return {90, 0, 90, 0, 0, 0, 0x2C, 0x01, 90, 0, 0, 0};
}

std::array<std::uint8_t, kTransmissionLength> DisplayState::factoryTransmission()
{
    return {90, 0, 60, 0, 40, 0, 33, 0, 28, 0, 24, 0};
}
