#include "settings/config_record.h"
#include "settings/settings_numbers.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The page as it stands after a typical read: every list selected, texts as shown.
ConfigControls typicalPage()
{
    ConfigControls c;
    c.serialNumber = 70001;
    c.hardwareText = "78";
    c.displayTypeText = displayTypeItems()[1];  // 11, HX8357C
    c.canModeIndex = 2;
    c.kl15Index = 1;
    c.maxDimmerLevel = 85;
    c.pinRemapIndex = 1;
    c.diagIndex = 3;
    c.buttonGroundIndex = 1;
    c.languageIndex = 1;
    c.batteryA = 112;
    c.batteryB = 128;
    c.carModelText = carModels()[21].text;  // 81
    c.boostIndex = 4;
    c.buttonRemapIndex = 1;
    return c;
}

TEST(ConfigRecord, SaveOfATypicalPageGivesTheGoldenBytes)
{
    ConfigRecord copy;
    copy.byte19 = 0x5A;
    const ConfigBytes bytes = encodeConfig(configFromControls(typicalPage(), copy));
    const ConfigBytes golden = {
        0x71, 0x11, 0x01, 0x00,              // serial number 70001
        78,                                  // hardware version
        112,                                 // display type 11, comfort CAN 2
        1,    1,    0xE1, 0x0F, 0x01, 0x00,  // 69601
        1,    85,   0x01, 0,    3,    1,
        15,    // buttons grounded on the display's board
        0x5A,  // byte 19 as last reported
        4,    1,    2,    112,  128,  81,
    };
    EXPECT_EQ(bytes, golden);
}

TEST(ConfigRecord, FieldsOfTheSave)
{
    struct Case {
        const char* what;
        void (*edit)(ConfigControls&);
        size_t offset;
        std::vector<uint8_t> expected;
    };
    const Case cases[] = {
        {"serial 700",
         [](ConfigControls& c) { c.serialNumber = 700; },
         0,
         {0xBC, 0x02, 0x00, 0x00, 78, 112, 1, 1, 0x2C, 0x01, 0, 0}},
        {"serial 799900", [](ConfigControls& c) { c.serialNumber = 799900; }, 0, {0x9C, 0x34, 0x0C, 0x00}},
        {"serial 799900 less 400", [](ConfigControls& c) { c.serialNumber = 799900; }, 8, {0x0C, 0x33, 0x0C, 0x00}},
        {"display 10, CAN 0",
         [](ConfigControls& c) {
             c.displayTypeText = displayTypeItems()[0];
             c.canModeIndex = 0;
         },
         5,
         {100}},
        {"display 14, CAN 3",
         [](ConfigControls& c) {
             c.displayTypeText = displayTypeItems()[4];
             c.canModeIndex = 3;
         },
         5,
         {143}},
        {"typed display code 25, no CAN mode",
         [](ConfigControls& c) {
             c.displayTypeText = "25 my own";
             c.canModeIndex = -1;
         },
         5,
         {249}},
        {"display code 26 wraps",
         [](ConfigControls& c) {
             c.displayTypeText = "26";
             c.canModeIndex = 0;
         },
         5,
         {4}},
        {"typed hardware 300 keeps its low byte", [](ConfigControls& c) { c.hardwareText = "300"; }, 4, {44}},
        {"no KL15 mode", [](ConfigControls& c) { c.kl15Index = -1; }, 12, {0xFF}},
        {"pin 35 kept", [](ConfigControls& c) { c.pinRemapIndex = 0; }, 14, {0, 0}},
        {"pin remap unselected", [](ConfigControls& c) { c.pinRemapIndex = -1; }, 14, {0, 0}},
        {"no diag mode", [](ConfigControls& c) { c.diagIndex = -1; }, 16, {0xFF, 1}},
        {"buttons on the dash board", [](ConfigControls& c) { c.buttonGroundIndex = 0; }, 18, {0}},
        {"no button wiring", [](ConfigControls& c) { c.buttonGroundIndex = -1; }, 18, {0xF1}},
        {"no boost sensor, no remap",
         [](ConfigControls& c) {
             c.boostIndex = -1;
             c.buttonRemapIndex = -1;
         },
         20,
         {0xFF, 0xFF}},
        {"language 1", [](ConfigControls& c) { c.languageIndex = 0; }, 22, {1}},
        {"language 20", [](ConfigControls& c) { c.languageIndex = 19; }, 22, {20}},
        {"no language", [](ConfigControls& c) { c.languageIndex = -1; }, 22, {0}},
        {"car model placeholder", [](ConfigControls& c) { c.carModelText = configPlaceholder::kCarModel; }, 25, {10}},
        {"car model 05", [](ConfigControls& c) { c.carModelText = carModels()[0].text; }, 25, {5}},
        {"car model Octavia I", [](ConfigControls& c) { c.carModelText = carModels()[12].text; }, 25, {31}},
        {"typed car model 99", [](ConfigControls& c) { c.carModelText = "99 my car"; }, 25, {99}},
    };
    for (const Case& c : cases) {
        ConfigControls page = typicalPage();
        c.edit(page);
        const ConfigBytes bytes = encodeConfig(configFromControls(page, ConfigRecord{}));
        const std::vector<uint8_t> got(bytes.begin() + static_cast<long>(c.offset),
                                       bytes.begin() + static_cast<long>(c.offset + c.expected.size()));
        EXPECT_EQ(got, c.expected) << c.what;
    }
}

TEST(ConfigRecord, Byte19ComesBackFromTheLastReplyAndTheConstantsAreRewritten)
{
    ConfigBytes reply{};
    reply.fill(0xEE);
    reply[19] = 0x5A;
    const ConfigRecord copy = decodeConfig(reply);
    const ConfigBytes saved = encodeConfig(configFromControls(typicalPage(), copy));
    EXPECT_EQ(saved[19], 0x5A);
    EXPECT_EQ(saved[6], 1);
    EXPECT_EQ(saved[7], 1);
    EXPECT_EQ(saved[15], 0);
    EXPECT_EQ(saved[17], 1);

    const ConfigBytes fresh = encodeConfig(configFromControls(typicalPage(), decodeConfig(ConfigBytes{})));
    EXPECT_EQ(fresh[19], 0) << "no reply since start";
}

TEST(ConfigRecord, EncodeAndDecodeAreExactInverses)
{
    ConfigBytes b{};
    for (size_t i = 0; i < b.size(); ++i)
        b[i] = static_cast<uint8_t>(0x11 * i + 3);
    EXPECT_EQ(encodeConfig(decodeConfig(b)), b);
    const ConfigRecord r = decodeConfig(b);
    EXPECT_EQ(r.serialNumber, 0x36251403u);
    EXPECT_EQ(r.serialLess400, 0xBEAD9C8Bu);
    EXPECT_EQ(r.byte19, static_cast<uint8_t>(0x11 * 19 + 3));
}

TEST(ConfigRecord, ASaveBeforeAnyReadFailsOnTheDisplayTypePlaceholder)
{
    ConfigControls c;  // what the page shows at start: the placeholders
    c.hardwareText = configPlaceholder::kHardwareVersion;
    c.displayTypeText = configPlaceholder::kDisplayType;
    c.carModelText = configPlaceholder::kCarModel;
    try {
        configFromControls(c, ConfigRecord{});
        FAIL() << "the save went through";
    } catch (const ConversionError& e) {
        EXPECT_STREQ(e.what(), "'3.' is not a valid integer value");
    }
}

TEST(ConfigRecord, ConversionErrorsNameTheText)
{
    const struct {
        void (*edit)(ConfigControls&);
        const char* message;
    } cases[] = {
        {[](ConfigControls& c) { c.hardwareText = "7.8"; }, "'7.8' is not a valid integer value"},
        {[](ConfigControls& c) { c.hardwareText = ""; }, "'' is not a valid integer value"},
        {[](ConfigControls& c) { c.carModelText = "VW Polo"; }, "'VW' is not a valid integer value"},
        {[](ConfigControls& c) { c.carModelText = "5 VW"; }, "'5 ' is not a valid integer value"},
        {[](ConfigControls& c) { c.displayTypeText = "Жк"; }, "'Жк' is not a valid integer value"},
    };
    for (const auto& c : cases) {
        ConfigControls page = typicalPage();
        c.edit(page);
        try {
            configFromControls(page, ConfigRecord{});
            ADD_FAILURE() << "no error, expected " << c.message;
        } catch (const ConversionError& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
}

TEST(ConfigRecord, ReplyShowsEachFieldThroughItsList)
{
    struct Case {
        const char* what;
        size_t offset;
        uint8_t value;
        int ConfigView::*field;
        int shown;
    };
    const Case cases[] = {
        {"display 11 CAN 2: display item", 5, 112, &ConfigView::displayTypeIndex, 1},
        {"display 11 CAN 2: CAN item", 5, 112, &ConfigView::canModeIndex, 2},
        {"display 15: no display item", 5, 157, &ConfigView::displayTypeIndex, -1},
        {"CAN 7: no CAN item", 5, 157, &ConfigView::canModeIndex, -1},
        {"display 14 CAN 3", 5, 143, &ConfigView::displayTypeIndex, 4},
        {"display 9: none", 5, 93, &ConfigView::displayTypeIndex, -1},
        {"wiring 15", 18, 15, &ConfigView::buttonGroundIndex, 1},
        {"wiring 7 rounds to 0", 18, 7, &ConfigView::buttonGroundIndex, 0},
        {"wiring 8 rounds to 1", 18, 8, &ConfigView::buttonGroundIndex, 1},
        {"wiring 23 rounds past the list", 18, 23, &ConfigView::buttonGroundIndex, -1},
        {"language 1", 22, 1, &ConfigView::languageIndex, 0},
        {"language 20", 22, 20, &ConfigView::languageIndex, 19},
        {"language 0", 22, 0, &ConfigView::languageIndex, -1},
        {"language 21", 22, 21, &ConfigView::languageIndex, -1},
        {"car model 81", 25, 81, &ConfigView::carModelIndex, 21},
        {"car model 5", 25, 5, &ConfigView::carModelIndex, 0},
        {"car model 11", 25, 11, &ConfigView::carModelIndex, 20},
        {"car model 99", 25, 99, &ConfigView::carModelIndex, -1},
        {"pin remap 1", 14, 1, &ConfigView::pinRemapIndex, 1},
        {"pin remap 3", 14, 3, &ConfigView::pinRemapIndex, 0},
        {"pin remap 0", 14, 0, &ConfigView::pinRemapIndex, 0},
        {"diag 5 is an empty item", 16, 5, &ConfigView::diagIndex, 5},
        {"diag 6", 16, 6, &ConfigView::diagIndex, -1},
        {"KL15 2", 12, 2, &ConfigView::kl15Index, 2},
        {"KL15 3", 12, 3, &ConfigView::kl15Index, -1},
        {"boost 4", 20, 4, &ConfigView::boostIndex, 4},
        {"boost 5", 20, 5, &ConfigView::boostIndex, -1},
        {"button remap 1", 21, 1, &ConfigView::buttonRemapIndex, 1},
        {"button remap 2", 21, 2, &ConfigView::buttonRemapIndex, -1},
        {"dimmer 140, shown raw, the spin edit clamps", 13, 140, &ConfigView::maxDimmerLevel, 140},
        {"battery A", 23, 131, &ConfigView::batteryA, 131},
        {"battery B", 24, 99, &ConfigView::batteryB, 99},
    };
    for (const Case& c : cases) {
        ConfigBytes b{};
        b[c.offset] = c.value;
        EXPECT_EQ(configView(decodeConfig(b)).*c.field, c.shown) << c.what;
    }
}

TEST(ConfigRecord, ReplyShowsSerialNumberAndHardwareText)
{
    ConfigBytes b{};
    b[0] = 0x71;
    b[1] = 0x11;
    b[2] = 0x01;
    b[4] = 78;
    const ConfigView v = configView(decodeConfig(b));
    EXPECT_EQ(v.serialNumber, 70001);
    EXPECT_EQ(v.hardwareText, "78");
}

TEST(ConfigRecord, ReadThenSaveUnchangedGivesTheSameBytes)
{
    // A consistent record: constants as the save writes them, serial less 400 matching.
    ConfigRecord r;
    r.serialNumber = 700123;
    r.serialLess400 = 700123 - 400;
    r.hardwareVersion = 77;
    r.displayCanCode = 121;
    r.kl15Mode = 2;
    r.maxDimmerLevel = 95;
    r.pinRemap = 1;
    r.diagMode = 2;
    r.buttonGround = 15;
    r.byte19 = 0xC3;
    r.boostSensor = 3;
    r.buttonRemap = 1;
    r.language = 20;
    r.batteryCalibrationA = 101;
    r.batteryCalibrationB = 129;
    r.carModel = 31;
    const ConfigBytes bytes = encodeConfig(r);
    const ConfigRecord copy = decodeConfig(bytes);
    const ConfigView v = configView(copy);

    // The page as the reply leaves it, read back by the save.
    ConfigControls page;
    page.serialNumber = v.serialNumber;
    page.hardwareText = v.hardwareText;
    page.displayTypeText = displayTypeItems()[static_cast<size_t>(v.displayTypeIndex)];
    page.canModeIndex = v.canModeIndex;
    page.kl15Index = v.kl15Index;
    page.maxDimmerLevel = v.maxDimmerLevel;
    page.pinRemapIndex = v.pinRemapIndex;
    page.diagIndex = v.diagIndex;
    page.buttonGroundIndex = v.buttonGroundIndex;
    page.languageIndex = v.languageIndex;
    page.batteryA = v.batteryA;
    page.batteryB = v.batteryB;
    page.carModelText = carModels()[static_cast<size_t>(v.carModelIndex)].text;
    page.boostIndex = v.boostIndex;
    page.buttonRemapIndex = v.buttonRemapIndex;
    EXPECT_EQ(encodeConfig(configFromControls(page, copy)), bytes);
}

TEST(ConfigTables, TextsAreTheDisplaysOwn)
{
    ASSERT_EQ(carModels().size(), 22u);
    EXPECT_EQ(std::string(carModels()[12].text), "31 Skoda O\xD1\x81tavia I (immo3)");  // Cyrillic es
    EXPECT_EQ(std::string(carModels()[21].text), "81 Skoda O\xD1\x81tavia A5 ");
    for (const CarModel& m : carModels()) {
        EXPECT_EQ(textToInt(firstTwoCharacters(m.text)), m.code) << m.text;
        EXPECT_EQ(carModelIndex(m.code), &m - carModels().data()) << m.text;
    }
    EXPECT_EQ(std::string(displayTypeItems()[0]), "10 - Display 3.2\" ILI9481");
    EXPECT_EQ(std::string(displayTypeItems()[4]), "14 - Display 3.2\" ILI9481 (SPI)");
    ASSERT_EQ(languageItems().size(), 20u);
    EXPECT_EQ(std::string(languageItems()[15]), "16 Magyar (km, litr, C, bar, l/100km");
    EXPECT_EQ(std::string(languageItems()[19]), "20 Ελληνικά (km, litr, C, bar, l/100km)");
    for (size_t i = 0; i < languageItems().size(); ++i)
        EXPECT_EQ(textToInt(std::string(languageItems()[i]).substr(0, std::string(languageItems()[i]).find(' '))),
                  static_cast<int>(i) + 1);
    EXPECT_EQ(diagModeItems().size(), 6u);
    EXPECT_EQ(std::string(kl15ModeItems()[1]), "1 - from ADC ");
    EXPECT_EQ(std::string(buttonGroundItems()[1]), "(16-20 pins MFD) GND on MFD board ");
    EXPECT_EQ(std::string(configPlaceholder::kButtonGround), " 23-25 pins MFD, GND on dash board");
}

TEST(SettingsNumbers, TextToIntReadsWholeNumbersOnly)
{
    const struct {
        const char* text;
        int value;
    } good[] = {{"7", 7},
                {"078", 78},
                {"  12", 12},
                {"-5", -5},
                {"+9", 9},
                {"$1F", 31},
                {"0x10", 16},
                {"2147483647", 2147483647},
                {"-2147483648", -2147483647 - 1}};
    for (const auto& g : good)
        EXPECT_EQ(textToInt(g.text), g.value) << g.text;
    for (const char* bad : {"", " ", "3.", "1 ", "12a", "-", "$", "2147483648", "99999999999999999999", "０"})
        EXPECT_THROW(textToInt(bad), ConversionError) << bad;
}

TEST(SettingsNumbers, FirstTwoCharactersCountCharactersNotBytes)
{
    EXPECT_EQ(firstTwoCharacters("10. Mark"), "10");
    EXPECT_EQ(firstTwoCharacters("3. Type"), "3.");
    EXPECT_EQ(firstTwoCharacters("Жёлтый"), "Жё");
    EXPECT_EQ(firstTwoCharacters("7"), "7");
    EXPECT_EQ(firstTwoCharacters(""), "");
}

TEST(SettingsNumbers, RoundHalfEven)
{
    const struct {
        int n, d, q;
    } cases[] = {{25, 10, 2},    {35, 10, 4}, {240, 10, 24}, {2000, 32, 62}, {2000, 160, 12}, {2000, 150, 13}, {2000, 13, 154},
                 {2000, 43, 47}, {23, 15, 2}, {7, 15, 0},    {8, 15, 1},     {15, 10, 2},     {5, 10, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(roundHalfEven(c.n, c.d), c.q) << c.n << "/" << c.d;
}

}  // namespace
