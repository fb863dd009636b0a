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
std::span<const CarModel> carModels();  // ComboBox8, in list order
int carModelIndex(int code);            // list index of the code, -1 when none

std::span<const char* const> displayTypeItems();      // ComboBox4: codes 10..14
std::span<const char* const> canModeItems();          // ComboBox5
std::span<const char* const> languageItems();         // ComboBoxEx27: value = index + 1
std::span<const char* const> boostSensorItems();      // ComboBox9
std::span<const char* const> diagModeItems();         // ComboBox10
std::span<const char* const> kl15ModeItems();         // ComboBox11
std::span<const char* const> buttonRemapItems();      // ComboBox1
std::span<const char* const> pinRemapItems();         // ComboBox16
std::span<const char* const> buttonGroundItems();     // ComboBox6
std::span<const char* const> hardwareVersionItems();  // ComboBox3

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
    int serialNumber = 700;       // SpinEdit4
    std::string hardwareText;     // ComboBox3
    std::string displayTypeText;  // ComboBox4
    int canModeIndex = -1;        // ComboBox5
    int kl15Index = -1;           // ComboBox11
    int maxDimmerLevel = 100;     // SpinEdit109
    int pinRemapIndex = -1;       // ComboBox16
    int diagIndex = -1;           // ComboBox10
    int buttonGroundIndex = -1;   // ComboBox6
    int languageIndex = -1;       // ComboBoxEx27
    int batteryA = 100;           // SpinEdit5
    int batteryB = 100;           // SpinEdit6
    std::string carModelText;     // ComboBox8
    int boostIndex = -1;          // ComboBox9
    int buttonRemapIndex = 0;     // ComboBox1
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
