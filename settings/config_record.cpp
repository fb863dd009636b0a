#include "settings/config_record.h"

#include "settings/settings_numbers.h"

namespace {

constexpr CarModel kCarModels[] = {
    {5, "05 VW Polo 4 (immo3)"},
    {23, "23 VW Golf 4 (immo2)"},
    {3, "03 VW Golf 4 (immo2) with Dashboard (immo3)"},
    {1, "01 VW Golf 4 (immo3)"},
    {50, "50 VW Passat 3B (not CAN bus)"},
    {22, "22 VW Passat 3B2 (5) (immo2)"},
    {4, "04 VW Passat 3B2(5) (immo2) with Dashboard (immo3)"},
    {2, "02 VW Passat 3B3 (6) (immo3)"},
    {72, "72 VW T4 (not CAN bus)"},
    {74, "74 VW T4 (CAN bus)"},
    {71, "71 VW T5 (immo3)"},
    {73, "73 VW Sharan"},
    {31, "31 Skoda O\u0441tavia I (immo3)"},  // the "с" is Cyrillic
    {32, "32 Skoda Supeb I (immo3)"},
    {41, "41 Seat Leon 1M (immo3)"},
    {42, "42 Seat Toledo 1M (immo3)"},
    {13, "13 Audi TT 8N"},
    {12, "12 Audi A3 8L"},
    {14, "14 Audi A4 B5"},
    {15, "15 Audi A4 B6/B7"},
    {11, "11 Audi A6 C5 (immo3)"},
    {81, "81 Skoda O\u0441tavia A5 "},  // Cyrillic "с", and a trailing blank
};

constexpr const char* kDisplayTypes[] = {
    "10 - Display 3.2\" ILI9481", "11 - Display 3.2\" HX8357C",       "12 - Display 3.2\" HX8357B",
    "13 - Display 3.2\" ILI9486", "14 - Display 3.2\" ILI9481 (SPI)",
};
constexpr int kFirstDisplayType = 10;

constexpr const char* kCanModes[] = {
    "1C0 comfort CAN 100kbit filter",
    "1C0 comfort CAN 100kbit not filter",
    "1J0 comfort CAN 62.5kbit filter",
    "Comfort CAN disable",
};

constexpr const char* kLanguages[] = {
    "1 Русский (km, litr, C, bar, l/100km)",
    "2 English (km, litr, C, bar, l/100km)",
    "3 Latviešu (km, litr, C, bar, l/100km)",
    "4 USA(miles, gallons, F, bar, MPG)",
    "5 Français (km, litr, C, bar, l/100km)",
    "6 Polski (km, litr, C, bar, l/100km)",
    "7 UK (miles, British gallons, F, bar,British MPG)",
    "8 Česky (km, litr, C, bar, l/100km)",
    "9 Slovenský (km, litr, C, bar, l/100km)",
    "10 Deutsch (km, litr, C, bar, l/100km)",
    "11 Español (km, litr, C, bar, l/100km)",
    "12 Български (km, litr, C, bar, l/100km)",
    "13 Românesc (km, litr, C, bar, l/100km)",
    "14 Português (km, litr, C, bar, l/100km)",
    "15 Italiano (km, litr, C, bar, l/100km)",
    "16 Magyar (km, litr, C, bar, l/100km",  // as the display's list has it, without ")"
    "17 Latinoamericano (km, litr, C, bar, l/100km)",
    "18 English (miles, litr, C, bar, l/100ml)",
    "19 Canada (km, litr, C, psi, l/100km)",
    "20 Ελληνικά (km, litr, C, bar, l/100km)",
};

constexpr const char* kBoostSensors[] = {"no boost, no problem ;)", "3 bar", "4 bar", "2 bar", "boost from CAN-bus"};
constexpr const char* kDiagModes[] = {"0 - Disable", "1 - Hand Mode", "2- Dashboard (17) auto", "3- ECU (1) auto", "", ""};
constexpr const char* kKl15Modes[] = {"0 - from Comfort CAN (271h)", "1 - from ADC ", "2 - from Comfort CAN (551h)"};
constexpr const char* kButtonRemaps[] = {"No remap", "Remap Down button om 8 input"};
constexpr const char* kPinRemaps[] = {"35 pin", "16 pin"};
constexpr const char* kButtonGrounds[] = {"(23-25 pins MFDl) GND on dash board", "(16-20 pins MFD) GND on MFD board "};
constexpr const char* kHardwareVersions[] = {"7", "72", "75", "76", "77", "78"};

constexpr int kButtonGroundStep = 15;

void put32(ConfigBytes& b, size_t at, uint32_t v)
{
    for (size_t i = 0; i < 4; ++i)
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t get32(std::span<const uint8_t, kConfigRecordSize> b, size_t at)
{
    uint32_t v = 0;
    for (size_t i = 0; i < 4; ++i)
        v |= static_cast<uint32_t>(b[at + i]) << (8 * i);
    return v;
}

// An index shown in a list of `count` items: beyond the last, or negative, shows nothing.
template <size_t N>
int shownIndex(int index, const char* const (&)[N])
{
    return index >= 0 && index < static_cast<int>(N) ? index : -1;
}

uint8_t low8(int v) { return static_cast<uint8_t>(v); }

}  // namespace

ConfigBytes encodeConfig(const ConfigRecord& r)
{
    ConfigBytes b{};
    put32(b, 0, r.serialNumber);
    b[4] = r.hardwareVersion;
    b[5] = r.displayCanCode;
    b[6] = r.byte6;
    b[7] = r.byte7;
    put32(b, 8, r.serialLess400);
    b[12] = r.kl15Mode;
    b[13] = r.maxDimmerLevel;
    b[14] = r.pinRemap;
    b[15] = r.byte15;
    b[16] = r.diagMode;
    b[17] = r.byte17;
    b[18] = r.buttonGround;
    b[19] = r.byte19;
    b[20] = r.boostSensor;
    b[21] = r.buttonRemap;
    b[22] = r.language;
    b[23] = r.batteryCalibrationA;
    b[24] = r.batteryCalibrationB;
    b[25] = r.carModel;
    return b;
}

ConfigRecord decodeConfig(std::span<const uint8_t, kConfigRecordSize> b)
{
    ConfigRecord r;
    r.serialNumber = get32(b, 0);
    r.hardwareVersion = b[4];
    r.displayCanCode = b[5];
    r.byte6 = b[6];
    r.byte7 = b[7];
    r.serialLess400 = get32(b, 8);
    r.kl15Mode = b[12];
    r.maxDimmerLevel = b[13];
    r.pinRemap = b[14];
    r.byte15 = b[15];
    r.diagMode = b[16];
    r.byte17 = b[17];
    r.buttonGround = b[18];
    r.byte19 = b[19];
    r.boostSensor = b[20];
    r.buttonRemap = b[21];
    r.language = b[22];
    r.batteryCalibrationA = b[23];
    r.batteryCalibrationB = b[24];
    r.carModel = b[25];
    return r;
}

std::span<const CarModel> carModels() { return kCarModels; }

int carModelIndex(int code)
{
    for (size_t i = 0; i < std::size(kCarModels); ++i)
        if (kCarModels[i].code == code)
            return static_cast<int>(i);
    return -1;
}

std::span<const char* const> displayTypeItems() { return kDisplayTypes; }
std::span<const char* const> canModeItems() { return kCanModes; }
std::span<const char* const> languageItems() { return kLanguages; }
std::span<const char* const> boostSensorItems() { return kBoostSensors; }
std::span<const char* const> diagModeItems() { return kDiagModes; }
std::span<const char* const> kl15ModeItems() { return kKl15Modes; }
std::span<const char* const> buttonRemapItems() { return kButtonRemaps; }
std::span<const char* const> pinRemapItems() { return kPinRemaps; }
std::span<const char* const> buttonGroundItems() { return kButtonGrounds; }
std::span<const char* const> hardwareVersionItems() { return kHardwareVersions; }

ConfigRecord configFromControls(const ConfigControls& c, const ConfigRecord& copy)
{
    ConfigRecord r = copy;
    r.serialNumber = static_cast<uint32_t>(c.serialNumber);
    r.hardwareVersion = low8(textToInt(c.hardwareText));
    r.displayCanCode = low8(textToInt(firstTwoCharacters(c.displayTypeText)) * 10 + c.canModeIndex);
    r.byte6 = 1;
    r.byte7 = 1;
    r.serialLess400 = r.serialNumber - 400u;
    r.kl15Mode = low8(c.kl15Index);
    r.maxDimmerLevel = low8(c.maxDimmerLevel);
    r.pinRemap = c.pinRemapIndex == 1 ? 1 : 0;
    r.byte15 = 0;
    r.diagMode = low8(c.diagIndex);
    r.byte17 = 1;
    r.buttonGround = low8(c.buttonGroundIndex * kButtonGroundStep);
    r.language = low8(c.languageIndex + 1);
    r.batteryCalibrationA = low8(c.batteryA);
    r.batteryCalibrationB = low8(c.batteryB);
    r.carModel = low8(textToInt(firstTwoCharacters(c.carModelText)));
    r.boostSensor = low8(c.boostIndex);
    r.buttonRemap = low8(c.buttonRemapIndex);
    return r;
}

ConfigView configView(const ConfigRecord& r)
{
    ConfigView v;
    v.serialNumber = static_cast<int>(r.serialNumber > 0x7FFFFFFFu ? 0x7FFFFFFFu : r.serialNumber);
    v.hardwareText = std::to_string(r.hardwareVersion);
    const int tens = r.displayCanCode / 10;
    v.displayTypeIndex = shownIndex(tens - kFirstDisplayType, kDisplayTypes);
    v.canModeIndex = shownIndex(r.displayCanCode % 10, kCanModes);
    v.buttonGroundIndex = shownIndex(roundHalfEven(r.buttonGround, kButtonGroundStep), kButtonGrounds);
    v.languageIndex = shownIndex(r.language - 1, kLanguages);
    v.batteryA = r.batteryCalibrationA;
    v.batteryB = r.batteryCalibrationB;
    v.buttonRemapIndex = shownIndex(r.buttonRemap, kButtonRemaps);
    v.diagIndex = shownIndex(r.diagMode, kDiagModes);
    v.kl15Index = shownIndex(r.kl15Mode, kKl15Modes);
    v.maxDimmerLevel = r.maxDimmerLevel;
    v.pinRemapIndex = r.pinRemap == 1 ? 1 : 0;
    v.carModelIndex = carModelIndex(r.carModel);
    v.boostIndex = shownIndex(r.boostSensor, kBoostSensors);
    return v;
}
