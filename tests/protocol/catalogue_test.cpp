#include "protocol/command_catalogue.h"
#include "protocol/loop_host.h"
#include "protocol/protocol_loop.h"
#include "serial/nr_comm.h"
#include "tests/protocol/recording_host.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

namespace {

class CatalogueTest : public ::testing::Test {
protected:
    TnrComm comm;
    RecordingHost host;
    ProtocolLoop loop{comm, host};
    // What the pages' controls read at the press: the spin edit beside each spin button, the
    // mirror side (none picked) and the tick of "kl 15".
    std::map<std::string, int, std::less<>> spins{{"BitBtn30", 70}, {"Button21", 64}};
    int mirrorSide = -1;
    bool kl15 = false;

    int input(const CommandControl& spec) const
    {
        switch (spec.param) {
        case ParamKind::SpinValue:
            return spins.find(spec.control)->second;
        case ParamKind::MirrorDirection:
            return mirrorSide;
        case ParamKind::TickedCode:
            return kl15 ? 1 : 0;
        default:
            return 12345;  // ignored by the other kinds
        }
    }

    // What pressing the control stores: state, code and parameter.
    std::tuple<int32_t, int, int> press(const char* control)
    {
        const CommandControl* spec = findCommandControl(control);
        EXPECT_NE(spec, nullptr) << control;
        if (!spec)
            return {};
        issueCommand(loop, *spec, input(*spec));
        return {loop.state(), loop.commandCode(), loop.commandParameter()};
    }
};

TEST_F(CatalogueTest, HandlersStoreStateCodeAndParameter)
{
    struct Case {
        const char* control;
        int32_t state;
        int code;
        int parameter;  // -1: not stored (whatever was there stays)
    };
    const Case cases[] = {
        {"Button50", 50, 0x02, -1},        {"Button49", 50, 0x01, -1},   {"Button51", 50, 0x03, -1},
        {"Button52", 50, 0x04, -1},        {"Button54", 50, 0x05, -1},   {"Button53", 50, 0x06, -1},
        {"BitBtn19", 50, 0x1A, -1},        {"BitBtn18", 50, 0x1A, -1},   {"BitBtn21", 55, 0x37, -1},
        {"Button22", 55, 0x28, -1},        {"BitBtn22", 55, 0x18, -1},   {"BitBtn34", 55, 0x10, -1},
        {"Button38", 55, 0x37, -1},        {"BitBtn35", 55, 0x10, -1},   {"BitBtn20", 55, 0x37, -1},
        {"BitBtn9", 50, 0x19, -1},         {"BitBtn32", 50, 0x0A, -1},   {"Button15", 50, 0x0C, -1},
        {"Button14", 50, 0x0B, -1},        {"Button17", 50, 0x0E, -1},   {"Button16", 50, 0x0D, -1},
        {"BitBtn31", 50, 0x0F, -1},        {"Button19", 50, 0x65, -1},   {"Button20", 50, 0x64, -1},
        {"BitBtn30", 51, 0x32, 70},        {"BitBtn44", 51, 0x29, 5},    {"Button1222222222", 51, 0x2A, 5},
        {"Button3234234234", 51, 0x2B, 5}, {"BitBtn48", 51, 0x2C, 5},    {"BitBtn49", 51, 0x2C, 5},
        {"Button25", 152, 0x1E, -1},       {"Button32", 155, 0x1E, -1},  {"Button40", 157, 0x1E, -1},
        {"Button33", 153, 0x3D, -1},       {"Button35", 153, 0x3D, -1},  {"Button41", 153, 0x3D, -1},
        {"BitBtn33", 153, 0x1F, -1},       {"Button21", 51, 0x14, 64},   {"Button29", 50, 0x07, -1},
        {"Button30", 50, 0x08, -1},        {"Button10", 50, 0x02, -1},   {"Button9", 50, 0x01, -1},
        {"Button11", 50, 0x03, -1},        {"Button12", 50, 0x04, -1},   {"Button24", 50, 0x05, -1},
        {"Button23", 50, 0x06, -1},        {"Button47", 51, 0x1B, 0x01}, {"Button48", 51, 0x1B, 0x02},
        {"Button68", 51, 0x1B, 0x04},      {"Button67", 51, 0x1B, 0x08}, {"BitBtn28", 54, 0x17, -1},
        {"BitBtn26", 166, 0x26, -1},       {"BitBtn24", 163, 0x24, -1},  {"BitBtn23", 53, 0x16, -1},
        {"BitBtn29", 52, 0x15, -1},        {"BitBtn27", 165, 0x25, -1},  {"BitBtn25", 162, 0x23, -1},
    };
    for (const Case& c : cases) {
        const auto [state, code, parameter] = press(c.control);
        EXPECT_EQ(state, c.state) << c.control;
        EXPECT_EQ(code, c.code) << c.control;
        if (c.parameter >= 0) {
            EXPECT_EQ(parameter, c.parameter) << c.control;
        }
    }
}

TEST_F(CatalogueTest, MirrorSideFollowsTheRadioGroupAtThePress)
{
    mirrorSide = 1;
    EXPECT_EQ(std::get<2>(press("Button67")), 0x28);
    EXPECT_EQ(std::get<2>(press("Button48")), 0x22);
    mirrorSide = 0;
    EXPECT_EQ(std::get<2>(press("Button68")), 0x14);
}

TEST_F(CatalogueTest, Kl15CodeFollowsTheTickLeftByTheClick)
{
    kl15 = true;
    EXPECT_EQ(std::get<1>(press("CheckBox1")), 0x34);
    kl15 = false;
    EXPECT_EQ(std::get<1>(press("CheckBox1")), 0x33);
}

TEST_F(CatalogueTest, SpinParameterGoesOutModulo256)
{
    spins["BitBtn30"] = 300;
    EXPECT_EQ(std::get<2>(press("BitBtn30")), 300 % 256);
}

TEST_F(CatalogueTest, EveryControlAppearsOnceAndEverySendStateHasAStep)
{
    registerCommandStates(loop);
    std::set<std::string> controlsSeen;
    for (const CommandControl& spec : commandControls()) {
        EXPECT_TRUE(controlsSeen.insert(spec.control).second) << spec.control << " twice";
        // The states that read their page's controls as they send are registered with the pages.
        const bool readsControls =
            spec.state == 152 || spec.state == 155 || spec.state == 157 || spec.state == 162 || spec.state == 165;
        if (!readsControls) {
            EXPECT_TRUE(loop.hasStep(spec.state)) << spec.control << " state " << spec.state;
        }
    }
    EXPECT_EQ(findCommandControl("Button8"), nullptr);  // "Connect" is not a command
}

}  // namespace
