// The settings records the display starts with: set by a test or by the command line, answered
// by the reads with two leading bytes, replaced by the saves.
#include <gtest/gtest.h>

#include <vector>

#include "sim/display_simulator.h"
#include "sim/sim_command_line.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes send(DisplaySimulator& sim, const Bytes& bytes)
{
    Bytes all;
    for (const OutputStep& s : sim.feed(bytes))
        all.insert(all.end(), s.bytes.begin(), s.bytes.end());
    return all;
}

template <std::size_t N>
Bytes reply(std::uint8_t code, const std::array<std::uint8_t, N>& record)
{
    Bytes r{0xA6, code};
    r.insert(r.end(), record.begin(), record.end());
    return r;
}

TEST(SettingsRecordsStart, ReadsAnswerTheStartingValuesATestSets)
{
    SimulatorOptions o;
    for (std::size_t i = 0; i < o.records.config.size(); ++i)
        o.records.config[i] = static_cast<std::uint8_t>(0x80 + i);
    o.records.extraCoding = {0x81, 120, 0x42, 6, 7, 0x11, 0x22, 0x64};
    o.records.turboTimer = {0x2C, 0x01, 0x5A, 0x00, 0x01, 0x00, 0xB0, 0x04, 0x64, 0x00, 0x00, 0x01};
    o.records.transmission = {46, 0, 60, 0, 40, 0, 33, 0, 28, 0, 10, 0};
    DisplaySimulator sim(o);

    EXPECT_EQ(send(sim, {0xA6, 0x01, 0x18}), reply(0x18, o.records.config));
    // Every other command the shell decodes as a configuration reply answers the same record.
    EXPECT_EQ(send(sim, {0xA6, 0x01, 0x37}), reply(0x37, o.records.config)) << "Reset SERVICE Records, Check Flash Disk";
    EXPECT_EQ(send(sim, {0xA6, 0x01, 0x28}), reply(0x28, o.records.config)) << "Reset all BC";
    EXPECT_EQ(send(sim, {0xA6, 0x01, 0x17}), reply(0x17, o.records.extraCoding));
    EXPECT_EQ(send(sim, {0xA6, 0x01, 0x26}), reply(0x26, o.records.turboTimer));
    EXPECT_EQ(send(sim, {0xA6, 0x01, 0x24}), (Bytes{0xA6, 0x24, 46, 60, 40, 33, 28, 10}));
    // Erase Config and Wipe system sector (the same code) answer the erased record.
    EXPECT_EQ(send(sim, {0xA6, 0x01, 0x10}), reply(0x10, std::array<std::uint8_t, 26>{}));
}

TEST(SettingsRecordsStart, SavesReplaceTheRecordsAsSent)
{
    DisplaySimulator sim;
    Bytes config{0xA6, 0x1B, 0x16};
    for (int i = 0; i < 26; ++i)
        config.push_back(static_cast<std::uint8_t>(i));
    EXPECT_TRUE(send(sim, config).empty()) << "a save draws no reply";
    EXPECT_TRUE(send(sim, {0xA6, 0x09, 0x15, 1, 2, 3, 4, 5, 6, 7, 8}).empty());
    EXPECT_TRUE(send(sim, {0xA6, 0x0D, 0x25, 0x5A, 0, 0x5A, 0, 1, 0, 0x2C, 1, 0x5A, 0, 0, 0}).empty());
    EXPECT_TRUE(send(sim, {0xA6, 0x0E, 0x23, 0x5A, 0, 0x3C, 0, 0x28, 0, 0x21, 0, 0x1C, 0, 0x0A, 0}).empty());
    const DisplayState s = sim.state();
    EXPECT_EQ(Bytes(s.config.begin(), s.config.end()), Bytes(config.begin() + 3, config.end()));
    EXPECT_EQ(s.extraCoding, (std::array<std::uint8_t, 8>{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(s.turboTimer, (std::array<std::uint8_t, 12>{0x5A, 0, 0x5A, 0, 1, 0, 0x2C, 1, 0x5A, 0, 0, 0}));
    EXPECT_EQ(s.transmission, (std::array<std::uint8_t, 12>{0x5A, 0, 0x3C, 0, 0x28, 0, 0x21, 0, 0x1C, 0, 0x0A, 0}));
    EXPECT_EQ(sim.log().back().name, "save transmission") << "the 0x0E length byte takes 13 bytes";
}

TEST(SettingsRecordsStart, CommandLineSetsEachRecordInHex)
{
    const SimCommandLine cl =
        parseSimCommandLine({"--config", "71 11 01 00 4E 70 01 01 E1 0F 01 00 01 64 00 00 01 01 0F 5A 01 00 02 73 73 1F",
                             "--extra-coding=81:5A:02:18:18:11:22:64", "--turbo-timer", "5A005A0001002C015A000000",
                             "--transmission", "5A-00-3C-00-28-00-21-00-1C-00-18-00"});
    ASSERT_TRUE(cl.error.empty()) << cl.error;
    const SettingsRecords& r = cl.server.simulator.records;
    EXPECT_EQ(r.config[0], 0x71);
    EXPECT_EQ(r.config[19], 0x5A);
    EXPECT_EQ(r.config[25], 0x1F);
    EXPECT_EQ(r.extraCoding, (std::array<std::uint8_t, 8>{0x81, 0x5A, 0x02, 0x18, 0x18, 0x11, 0x22, 0x64}));
    EXPECT_EQ(r.turboTimer, (std::array<std::uint8_t, 12>{0x5A, 0, 0x5A, 0, 1, 0, 0x2C, 1, 0x5A, 0, 0, 0}));
    EXPECT_EQ(r.transmission, (std::array<std::uint8_t, 12>{0x5A, 0, 0x3C, 0, 0x28, 0, 0x21, 0, 0x1C, 0, 0x18, 0}));

    const SimCommandLine defaults = parseSimCommandLine({});
    EXPECT_EQ(defaults.server.simulator.records.config, DisplayState::factoryConfig());
}

TEST(SettingsRecordsStart, CommandLineRejectsRecordsOfTheWrongLengthOrDigits)
{
    const std::vector<std::vector<std::string>> bad{
        {"--extra-coding", "81 5A 02 18 18 11 22"},        // 7 bytes
        {"--extra-coding", "81 5A 02 18 18 11 22 64 00"},  // 9 bytes
        {"--turbo-timer", "5A005A0001002C015A00000"},      // odd digit count
        {"--transmission", "zz 00 3C 00 28 00 21 00 1C 00 18 00"},
        {"--config", ""},
        {"--config"},
    };
    for (const auto& args : bad) {
        const SimCommandLine cl = parseSimCommandLine(args);
        EXPECT_NE(cl.error.find(args[0]), std::string::npos) << args[0] << ": '" << cl.error << "'";
    }
}

}  // namespace
