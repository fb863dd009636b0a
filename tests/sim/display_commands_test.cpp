// Every command code of the catalogue: decoding, what the display does, what it answers.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <vector>

#include "sim/display_simulator.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes frame(std::uint8_t code, const Bytes& params = {})
{
    Bytes f{0xA6, static_cast<std::uint8_t>(1 + params.size()), code};
    f.insert(f.end(), params.begin(), params.end());
    return f;
}

Bytes replyBytes(const std::vector<OutputStep>& steps)
{
    Bytes all;
    for (const OutputStep& s : steps)
        all.insert(all.end(), s.bytes.begin(), s.bytes.end());
    return all;
}

Bytes send(DisplaySimulator& sim, const Bytes& bytes) { return replyBytes(sim.feed(bytes)); }

Bytes counting(std::size_t n, std::uint8_t first = 1)
{
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i)
        b[i] = static_cast<std::uint8_t>(first + i);
    return b;
}

// The codes the shell can send, in numerical order.
const std::set<std::uint8_t> kShellCodes{0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F,
                                         0x10, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x1B, 0x1E, 0x1F, 0x20, 0x23, 0x24,
                                         0x25, 0x26, 0x28, 0x29, 0x2A, 0x2B, 0x2C, 0x32, 0x33, 0x34, 0x37, 0x3D, 0x64, 0x65};

// Reply length by code; codes not listed draw no reply.
const std::map<std::uint8_t, std::size_t> kReplyLengths{{0x20, 6},  {0x18, 28}, {0x10, 28}, {0x37, 28},
                                                        {0x28, 28}, {0x17, 10}, {0x26, 14}, {0x24, 8}};

TEST(CommandCatalogue, KnowsExactlyTheShellsCommandCodes)
{
    std::set<std::uint8_t> codes;
    for (const CommandInfo& info : commandCatalogue()) {
        codes.insert(info.code);
        EXPECT_EQ(findCommand(info.code), &info) << "code " << int(info.code);
    }
    EXPECT_EQ(codes, kShellCodes);
    EXPECT_EQ(findCommand(0x99), nullptr);
}

TEST(CommandCatalogue, DecodesEveryWellFormedFrameAndAnswersWithTheRightLength)
{
    for (const CommandInfo& info : commandCatalogue()) {
        for (std::size_t n = 0; n < 64; ++n) {
            if (!info.acceptsParamCount(n))
                continue;
            DisplaySimulator sim;
            const Bytes params = counting(n);
            Bytes f = frame(info.code, params);
            if (info.code == 0x23)
                f[1] = 0x0E;  // the shell's transmission save frame
            const Bytes reply = send(sim, f);

            const auto log = sim.log();
            ASSERT_EQ(log.size(), 1u) << "code " << int(info.code);
            const FrameRecord& r = log[0];
            EXPECT_EQ(r.kind, FrameKind::Command);
            EXPECT_TRUE(r.wellFormed) << r.name;
            EXPECT_EQ(r.raw, f);
            ASSERT_TRUE(r.command.has_value());
            EXPECT_EQ(r.command->code, info.code);
            EXPECT_EQ(r.command->lengthByte, f[1]);
            EXPECT_EQ(r.command->params, params);
            EXPECT_EQ(r.name.rfind(std::string(info.name), 0), 0u) << r.name;
            EXPECT_EQ(sim.state().commandCounts[info.code], 1);

            const auto expected = kReplyLengths.find(info.code);
            EXPECT_EQ(reply.size(), expected == kReplyLengths.end() ? 0u : expected->second) << r.name;
        }
    }
}

TEST(CommandCatalogue, GammaFramesAreToldApartByLength)
{
    DisplaySimulator sim;
    const Bytes a = counting(12, 0x10), b = counting(30, 0x20), c = counting(34, 0x40);
    send(sim, frame(0x1E, a));
    send(sim, frame(0x1E, b));
    send(sim, frame(0x1E, c));
    const auto log = sim.log();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].raw[1], 0x0D);
    EXPECT_EQ(log[1].raw[1], 0x1F);
    EXPECT_EQ(log[2].raw[1], 0x23);
    EXPECT_EQ(log[0].name, "set gamma table A");
    EXPECT_EQ(log[1].name, "set gamma table B");
    EXPECT_EQ(log[2].name, "set gamma table C");
    const DisplayState s = sim.state();
    EXPECT_EQ(s.gamma(GammaTable::A), a);
    EXPECT_EQ(s.gamma(GammaTable::B), b);
    EXPECT_EQ(s.gamma(GammaTable::C), c);
    EXPECT_EQ(s.gammaTableWrites, (std::array<int, 3>{1, 1, 1}));
}

TEST(CommandCatalogue, DefaultGammaRestoresTheFactoryTablesAndSaveIsCounted)
{
    DisplaySimulator sim;
    send(sim, frame(0x1E, Bytes(12, 0x77)));
    send(sim, frame(0x1F));
    EXPECT_EQ(sim.state().gammaSaves, 1);
    EXPECT_EQ(sim.state().gamma(GammaTable::A), Bytes(12, 0x77));
    send(sim, frame(0x3D));
    EXPECT_EQ(sim.state().gammaTables, DisplayState::factoryGammaTables());
    EXPECT_EQ(sim.state().gammaDefaults, 1);
}

TEST(CommandCatalogue, MalformedAndUnknownFramesAreLoggedButNotActedOn)
{
    DisplaySimulator sim;
    const auto configBefore = sim.state().config;
    EXPECT_TRUE(send(sim, frame(0x16, Bytes(25, 0x11))).empty());  // one byte short of a record
    EXPECT_TRUE(send(sim, frame(0x1E, Bytes(13, 0x11))).empty());  // no gamma table has 13 bytes
    EXPECT_TRUE(send(sim, frame(0x18, {0x00})).empty());           // a read with a parameter
    EXPECT_TRUE(send(sim, frame(0x99, {0x01, 0x02})).empty());
    const auto log = sim.log();
    ASSERT_EQ(log.size(), 4u);
    for (const FrameRecord& r : log)
        EXPECT_FALSE(r.wellFormed) << r.name;
    EXPECT_EQ(log[3].name, "unknown command 0x99");
    EXPECT_EQ(sim.state().config, configBefore);
    EXPECT_EQ(sim.state().gammaTables, DisplayState::factoryGammaTables());
    EXPECT_EQ(sim.state().commandCounts[0x99], 1);
}

struct SizeCase {
    VolumeSizes volumes;
    Bytes reply;
};

TEST(SizeReply, CarriesTheConfiguredSizesWithTheSdSizeDividedBy16)
{
    const std::vector<SizeCase> cases{
        {{{0, 10, 10, 0}, 1024}, {0x20, 0, 10, 10, 0, 64}}, {{{255, 1, 2, 3}, 4080}, {0x20, 255, 1, 2, 3, 255}},
        {{{4, 4, 4, 4}, 0}, {0x20, 4, 4, 4, 4, 0}},         {{{0, 0, 0, 0}, 31}, {0x20, 0, 0, 0, 0, 1}},  // rounded down
        {{{0, 0, 0, 0}, 64000}, {0x20, 0, 0, 0, 0, 255}},  // too big for one byte: the largest it can say
    };
    for (const SizeCase& c : cases) {
        DisplaySimulator sim(SimulatorOptions{c.volumes, {}});
        EXPECT_EQ(send(sim, frame(0x20)), c.reply) << "SD " << c.volumes.sdMb;
    }
}

Bytes withLead(std::uint8_t code, const Bytes& record)
{
    Bytes r{0xA6, code};
    r.insert(r.end(), record.begin(), record.end());
    return r;
}

TEST(ConfigurationRecord, SaveThenEveryReadingCommandAnswersTheSavedRecord)
{
    DisplaySimulator sim;
    const Bytes record = counting(26, 0x31);
    EXPECT_TRUE(send(sim, frame(0x16, record)).empty());
    for (std::uint8_t code : {0x18, 0x37, 0x28})
        EXPECT_EQ(send(sim, frame(code)), withLead(code, record)) << "code " << int(code);
}

TEST(ConfigurationRecord, EraseZeroesTheRecordAndAnswersIt)
{
    DisplaySimulator sim;
    send(sim, frame(0x16, counting(26, 0x31)));
    EXPECT_EQ(send(sim, frame(0x10)), withLead(0x10, Bytes(26, 0)));
    EXPECT_EQ(send(sim, frame(0x18)), withLead(0x18, Bytes(26, 0)));
}

TEST(ConfigurationRecord, FactoryRecordIsAPlausibleDisplay)
{
    DisplaySimulator sim;
    const Bytes reply = send(sim, frame(0x18));
    ASSERT_EQ(reply.size(), 28u);
    const std::uint32_t serial = reply[2] | reply[3] << 8 | reply[4] << 16 | std::uint32_t(reply[5]) << 24;
    const std::uint32_t less400 = reply[10] | reply[11] << 8 | reply[12] << 16 | std::uint32_t(reply[13]) << 24;
    EXPECT_GE(serial, 700u);
    EXPECT_LE(serial, 799900u);
    EXPECT_EQ(less400, serial - 400);
    EXPECT_EQ(reply[2 + 4], 78);  // hardware version
}

TEST(SettingsRecords, ExtraCodingAndTurboTimerReadBackWhatWasSaved)
{
    DisplaySimulator sim;
    const Bytes extra = counting(8, 0x41), turbo = counting(12, 0x61);
    send(sim, frame(0x15, extra));
    send(sim, frame(0x25, turbo));
    EXPECT_EQ(send(sim, frame(0x17)), withLead(0x17, extra));
    EXPECT_EQ(send(sim, frame(0x26)), withLead(0x26, turbo));
}

TEST(SettingsRecords, TransmissionReadAnswersTheLowByteOfEachSavedRatio)
{
    DisplaySimulator sim;
    EXPECT_EQ(send(sim, frame(0x24)), (Bytes{0xA6, 0x24, 90, 60, 40, 33, 28, 24}));
    const Bytes save{0xA6, 0x0E, 0x23, 0x0D, 0x00, 0x2E, 0x00, 0x0A, 0x00, 0x0B, 0x00, 0x0C, 0x00, 0xC8, 0x00};
    send(sim, save);
    EXPECT_EQ(send(sim, frame(0x24)), (Bytes{0xA6, 0x24, 0x0D, 0x2E, 0x0A, 0x0B, 0x0C, 0xC8}));
}

TEST(RemoteControls, TheDisplayRemembersWhatTheShellSet)
{
    DisplaySimulator sim;
    send(sim, Bytes{0xA6, 0x02, 0x32, 0x46});  // brightness 70
    send(sim, Bytes{0xA6, 0x02, 0x14, 0x40});  // doors 64
    send(sim, Bytes{0xA6, 0x02, 0x1B, 0x28});  // right mirror, right
    send(sim, Bytes{0xA6, 0x01, 0x34});        // kl 15 on
    send(sim, Bytes{0xA6, 0x01, 0x1A});        // reboot
    send(sim, Bytes{0xA6, 0x01, 0x1A});
    send(sim, Bytes{0xA6, 0x01, 0x07});  // turbo timer on
    send(sim, Bytes{0xA6, 0x01, 0x65});  // sleep in
    DisplayState s = sim.state();
    EXPECT_EQ(s.brightness, 70);
    EXPECT_EQ(s.doors, 64);
    EXPECT_EQ(s.lastMirrorMove, std::optional<std::uint8_t>(0x28));
    EXPECT_TRUE(s.kl15On);
    EXPECT_EQ(s.reboots, 2);
    EXPECT_TRUE(s.turboTimerRunning);
    EXPECT_TRUE(s.asleep);

    send(sim, Bytes{0xA6, 0x01, 0x33});
    send(sim, Bytes{0xA6, 0x01, 0x08});
    send(sim, Bytes{0xA6, 0x01, 0x64});
    s = sim.state();
    EXPECT_FALSE(s.kl15On);
    EXPECT_FALSE(s.turboTimerRunning);
    EXPECT_FALSE(s.asleep);
    EXPECT_EQ(sim.log()[0].name, "brightness 70");
}

}  // namespace
