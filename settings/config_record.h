#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// The display's main configuration: one 26-byte record, multi-byte fields little-endian.
inline constexpr size_t kConfigRecordSize = 26;
using ConfigBytes = std::array<uint8_t, kConfigRecordSize>;

struct ConfigRecord {
    uint32_t serialNumber = 0;        // 0..3
    uint8_t hardwareVersion = 0;      // 4
    uint8_t displayCanCode = 0;       // 5: display type x 10 + comfort-CAN mode
    uint8_t byte6 = 1;                // 6: 1 when saved
    uint8_t byte7 = 1;                // 7: 1 when saved
    uint32_t serialLess400 = 0;       // 8..11: serial number - 400 when saved
    uint8_t kl15Mode = 0;             // 12
    uint8_t maxDimmerLevel = 0;       // 13
    uint8_t pinRemap = 0;             // 14: bit 0, pin 35 taken from pin 16
    uint8_t byte15 = 0;               // 15: 0 when saved
    uint8_t diagMode = 0;             // 16
    uint8_t byte17 = 1;               // 17: 1 when saved
    uint8_t buttonGround = 0;         // 18: 0 or 15
    uint8_t byte19 = 0;               // 19: never edited, sent back as the display reported it
    uint8_t boostSensor = 0;          // 20
    uint8_t buttonRemap = 0;          // 21
    uint8_t language = 0;             // 22: 1..20
    uint8_t batteryCalibrationA = 0;  // 23
    uint8_t batteryCalibrationB = 0;  // 24
    uint8_t carModel = 0;             // 25

    bool operator==(const ConfigRecord&) const = default;
};

ConfigBytes encodeConfig(const ConfigRecord& record);
ConfigRecord decodeConfig(std::span<const uint8_t, kConfigRecordSize> bytes);

// ---------------------------------------------------------------- code tables (texts in UTF-8)

struct CarModel {
    int code;
    const char* text;  // begins with the code's two digits
};
std::span<const CarModel> carModels();  // "4." car model, in list order
int carModelIndex(int code);            // list index of the code, -1 when none

std::span<const char* const> displayTypeItems();      // "3. LCD type": codes 10..14
std::span<const char* const> canModeItems();          // "5. 46-CCSM"
std::span<const char* const> languageItems();         // "6. Language": value = index + 1
std::span<const char* const> boostSensorItems();      // "7. Turbo Boost Sensor"
std::span<const char* const> diagModeItems();         // "10. Diag Mode"
std::span<const char* const> kl15ModeItems();         // "11. KL15 Mode"
std::span<const char* const> buttonRemapItems();      // "17. Remap MFD Buttons"
std::span<const char* const> pinRemapItems();         // "15. 35 pin MFD (Brake fluid)* remap to ->"
std::span<const char* const> buttonGroundItems();     // "16. MFD Buttons **"
std::span<const char* const> hardwareVersionItems();  // "1. HardWare Version"

// Placeholder texts, shown while a list has nothing selected and nothing typed.
namespace configPlaceholder {
inline constexpr const char* kHardwareVersion = "7";
inline constexpr const char* kDisplayType = "3. Type of Display";
inline constexpr const char* kCarModel = "10. Mark and Model";
inline constexpr const char* kLanguage = "English (km, litr, C, bar, l/100km)";
inline constexpr const char* kBoostSensor = "3 bar";
inline constexpr const char* kDiagMode = "1 - Hand Mode";
inline constexpr const char* kKl15Mode = "1 - from ADC ";
inline constexpr const char* kButtonRemap = "No remap";
inline constexpr const char* kPinRemap = "35 pin";
inline constexpr const char* kButtonGround = " 23-25 pins MFD, GND on dash board";
}  // namespace configPlaceholder

// ---------------------------------------------------------------- the page's controls

// What the save reads from the "Config" page: the texts the lists show (their placeholder while
// nothing is selected or typed), their selected indexes (-1 for none) and the spin edits' values.
struct ConfigControls {
    int serialNumber = 700;       // "2. Serial №"
    std::string hardwareText;     // "1. HardWare Version"
    std::string displayTypeText;  // "3. LCD type"
    int canModeIndex = -1;        // "5. 46-CCSM"
    int kl15Index = -1;           // "11. KL15 Mode"
    int maxDimmerLevel = 100;     // "8. Max Dimmer Level"
    int pinRemapIndex = -1;       // "15. 35 pin MFD (Brake fluid)* remap to ->"
    int diagIndex = -1;           // "10. Diag Mode"
    int buttonGroundIndex = -1;   // "16. MFD Buttons **"
    int languageIndex = -1;       // "6. Language"
    int batteryA = 100;           // "9. Battery calibration", left
    int batteryB = 100;           // "9. Battery calibration", right
    std::string carModelText;     // "4." car model
    int boostIndex = -1;          // "7. Turbo Boost Sensor"
    int buttonRemapIndex = 0;     // "17. Remap MFD Buttons"
};

// "Save Config": the record copy with the page's fields written over it. A one-byte field takes
// the low eight bits. Raises ConversionError when the hardware text, or the first two characters
// of the display type or car model text, is no whole number.
ConfigRecord configFromControls(const ConfigControls& controls, const ConfigRecord& copy);

// What a configuration reply shows. An index of -1, or one past a list's last item, leaves the
// list empty; spin values are raw, the spin edits clamp them.
struct ConfigView {
    int serialNumber = 0;
    std::string hardwareText;  // the version in decimal
    int displayTypeIndex = -1;
    int canModeIndex = -1;
    int buttonGroundIndex = -1;
    int languageIndex = -1;
    int batteryA = 0;
    int batteryB = 0;
    int buttonRemapIndex = -1;
    int diagIndex = -1;
    int kl15Index = -1;
    int maxDimmerLevel = 0;
    int pinRemapIndex = 0;
    int carModelIndex = -1;
    int boostIndex = -1;
};
ConfigView configView(const ConfigRecord& record);
