#include "tests/e2e/window_fixture.h"

#include "protocol/command_catalogue.h"

#include <QCheckBox>

#include <algorithm>
#include <functional>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes gammaFrame(uint8_t length, Bytes table)
{
    Bytes frame{0xA6, length, 0x1E};
    frame.insert(frame.end(), table.begin(), table.end());
    return frame;
}

const Bytes kGammaAStart = gammaFrame(0x0D, {0x77, 0x77, 0x00, 0x07, 0x0F, 0x00, 0x00, 0x42, 0x42, 0x74, 0x00, 0x1E});
const Bytes kGammaAIli9481 = gammaFrame(0x0D, {0x00, 0x32, 0x36, 0x45, 0x06, 0x16, 0x37, 0x75, 0x77, 0x54, 0x0C, 0x00});
const Bytes kGammaAHx8375b = gammaFrame(0x0D, {0x00, 0x67, 0x04, 0x70, 0x00, 0x1E, 0x37, 0x01, 0x77, 0x07, 0x0F, 0x00});
const Bytes kGammaBStart =
    gammaFrame(0x1F, {0x0F, 0x24, 0x1C, 0x0A, 0x0F, 0x08, 0x44, 0x87, 0x32, 0x0F, 0x10, 0x06, 0x1A, 0x07, 0x00,
                      0x0F, 0x38, 0x30, 0x09, 0x0F, 0x0F, 0x4E, 0x77, 0x3C, 0x07, 0x4C, 0x05, 0x23, 0x1B, 0x00});
// A settings save as it leaves after a read of the display's factory record: the same bytes.
template <size_t N>
Bytes saveFrame(uint8_t length, uint8_t code, const std::array<uint8_t, N>& record)
{
    Bytes frame{0xA6, length, code};
    frame.insert(frame.end(), record.begin(), record.end());
    return frame;
}

const Bytes kGammaCStart = [] {
    Bytes t(33, 0x00);
    t.push_back(0x01);
    return gammaFrame(0x23, t);
}();

// One press of a control: what to set up first, the control, and the frame the display must
// get. Replies are read by their reply states; whatever else arrives waits in the input until
// the next request discards it.
struct Press {
    const char* what;
    std::function<void(TForm3&)> setUp;
    const char* control;
    Bytes frame;
};

const Press kPresses[] = {
    // Left panel
    {"key up", {}, "Button50", {0xA6, 0x01, 0x02}},
    {"key down", {}, "Button49", {0xA6, 0x01, 0x01}},
    {"reset", {}, "Button51", {0xA6, 0x01, 0x03}},
    {"long reset", {}, "Button52", {0xA6, 0x01, 0x04}},
    {"long plus", {}, "Button54", {0xA6, 0x01, 0x05}},
    {"long minus", {}, "Button53", {0xA6, 0x01, 0x06}},
    {"reboot", {}, "BitBtn19", {0xA6, 0x01, 0x1A}},
    // Storage panel: configuration commands draw the 28-byte configuration reply
    {"reset service records", {}, "BitBtn21", {0xA6, 0x01, 0x37}},
    {"reset all BC", {}, "Button22", {0xA6, 0x01, 0x28}},
    // "Config"
    {"read config", {}, "BitBtn22", {0xA6, 0x01, 0x18}},
    {"save config after the read", {}, "BitBtn23", saveFrame(0x1B, 0x16, DisplayState::factoryConfig())},
    {"erase config", {}, "BitBtn34", {0xA6, 0x01, 0x10}},
    // "Screen size"
    {"screen size setup", {}, "BitBtn32", {0xA6, 0x01, 0x0A}},
    {"top line up", {}, "Button15", {0xA6, 0x01, 0x0C}},
    {"top line down", {}, "Button14", {0xA6, 0x01, 0x0B}},
    {"bottom line up", {}, "Button17", {0xA6, 0x01, 0x0E}},
    {"bottom line down", {}, "Button16", {0xA6, 0x01, 0x0D}},
    {"save size", {}, "BitBtn31", {0xA6, 0x01, 0x0F}},
    {"sleep in", {}, "Button19", {0xA6, 0x01, 0x65}},
    {"sleep out", {}, "Button20", {0xA6, 0x01, 0x64}},
    {"brightness 70", [](TForm3& w) { w.cxTabSheet1->TabSheet9->SpinEdit2->setValue(70); }, "BitBtn30", {0xA6, 0x02, 0x32, 0x46}},
    {"brightness typed 150",
     [](TForm3& w) { w.cxTabSheet1->TabSheet9->SpinEdit2->setText("150"); },
     "BitBtn30",
     {0xA6, 0x02, 0x32, 0x64}},
    {"show background", {}, "BitBtn44", {0xA6, 0x02, 0x29, 0x05}},
    {"background up", {}, "Button1222222222", {0xA6, 0x02, 0x2A, 0x05}},
    {"background down", {}, "Button3234234234", {0xA6, 0x02, 0x2B, 0x05}},
    {"save background", {}, "BitBtn48", {0xA6, 0x02, 0x2C, 0x05}},
    {"save logo", {}, "BitBtn49", {0xA6, 0x02, 0x2C, 0x05}},
    // "GAMMA"
    {"gamma A start values", {}, "Button25", kGammaAStart},
    {"gamma B start values", {}, "Button40", kGammaBStart},
    {"gamma C start values", {}, "Button32", kGammaCStart},
    {"gamma A after Def ILI-9481", [](TForm3& w) { w.cxTabSheet1->TabSheet6->Button36->click(); }, "Button25", kGammaAIli9481},
    {"gamma A after Def HX-8375B", [](TForm3& w) { w.cxTabSheet1->TabSheet6->Button34->click(); }, "Button25", kGammaAHx8375b},
    {"default gamma (table A group)", {}, "Button33", {0xA6, 0x01, 0x3D}},
    {"default gamma (HX-8357C group)", {}, "Button35", {0xA6, 0x01, 0x3D}},
    {"default gamma (ILI-9486 group)", {}, "Button41", {0xA6, 0x01, 0x3D}},
    {"save gamma", {}, "BitBtn33", {0xA6, 0x01, 0x1F}},
    // "Extra Coding", "TurboTimer", "Transmission": each save after its read sends the record back
    {"read extra coding", {}, "BitBtn28", {0xA6, 0x01, 0x17}},
    {"save extra coding after the read", {}, "BitBtn29", saveFrame(0x09, 0x15, DisplayState::factoryExtraCoding())},
    {"read turbo timer", {}, "BitBtn26", {0xA6, 0x01, 0x26}},
    {"save turbo timer after the read", {}, "BitBtn27", saveFrame(0x0D, 0x25, DisplayState::factoryTurboTimer())},
    {"read transmission", {}, "BitBtn24", {0xA6, 0x01, 0x24}},
    {"save transmission after the read", {}, "BitBtn25", saveFrame(0x0E, 0x23, DisplayState::factoryTransmission())},
    // "Keys emul"
    {"doors 64", [](TForm3& w) { w.cxTabSheet2->SpinEdit1->setValue(64); }, "Button21", {0xA6, 0x02, 0x14, 0x40}},
    {"kl 15 ticked", {}, "CheckBox1", {0xA6, 0x01, 0x34}},
    {"kl 15 cleared", {}, "CheckBox1", {0xA6, 0x01, 0x33}},
    {"turbo timer on", {}, "Button29", {0xA6, 0x01, 0x07}},
    {"turbo timer off", {}, "Button30", {0xA6, 0x01, 0x08}},
    {"emulated key up", {}, "Button10", {0xA6, 0x01, 0x02}},
    {"emulated key down", {}, "Button9", {0xA6, 0x01, 0x01}},
    {"emulated reset", {}, "Button11", {0xA6, 0x01, 0x03}},
    {"emulated long reset", {}, "Button12", {0xA6, 0x01, 0x04}},
    {"emulated long plus", {}, "Button24", {0xA6, 0x01, 0x05}},
    {"emulated long minus", {}, "Button23", {0xA6, 0x01, 0x06}},
    {"mirror up, no side", {}, "Button47", {0xA6, 0x02, 0x1B, 0x01}},
    {"mirror right, no side", {}, "Button67", {0xA6, 0x02, 0x1B, 0x08}},
    {"mirror right, right side",
     [](TForm3& w) { w.cxTabSheet2->RadioGroup3->setItemIndex(1); },
     "Button67",
     {0xA6, 0x02, 0x1B, 0x28}},
    {"mirror down, right side", {}, "Button48", {0xA6, 0x02, 0x1B, 0x22}},
    {"mirror left, left side",
     [](TForm3& w) { w.cxTabSheet2->RadioGroup3->setItemIndex(0); },
     "Button68",
     {0xA6, 0x02, 0x1B, 0x14}},
    // "ver.7.6-7.7 Disk Image Loader"
    {"check flash disk", {}, "Button38", {0xA6, 0x01, 0x37}},
    {"wipe system sector", {}, "BitBtn35", {0xA6, 0x01, 0x10}},
    {"reboot (image loader)", {}, "BitBtn18", {0xA6, 0x01, 0x1A}},
    // "ver.7.5 SD File Manager"
    {"update RG", {}, "BitBtn9", {0xA6, 0x01, 0x19}},
    {"reset service records (SD page)", {}, "BitBtn20", {0xA6, 0x01, 0x37}},
};

class CommandControls : public WindowOverPty {};

TEST_F(CommandControls, EveryControlSendsItsFrameAfterDiscardingPendingInput)
{
    std::vector<Bytes> received;
    std::vector<uint32_t> pendingAfter;
    size_t framesBefore = 2;  // the greeting: hello and size query
    QString brightnessAfterTyping;
    int scrollAfterTyping = -1;

    size_t framesAtGreeting = 0;
    answerQuestions(true);  // the commands that cannot be undone ask first
    script.step(
        "greeted", [&] { return greeted(); }, [&] { framesAtGreeting = frameCount(); });
    for (const Press& p : kPresses) {
        script
            .act(std::string("press ") + p.what,
                 [&] {
                     if (p.setUp)
                         p.setUp(*window);
                     if (std::string_view(p.what) == "brightness typed 150") {
                         brightnessAfterTyping = window->cxTabSheet1->TabSheet9->SpinEdit2->text();
                         scrollAfterTyping = window->cxTabSheet1->TabSheet9->ScrollBar2->Position();
                     }
                     press(p.control);
                 })
            .step(
                std::string("frame of ") + p.what,
                [&, n = ++framesBefore] {
                    // Sent, and back to idle with any reply read: nothing waits in the input.
                    return frameCount() >= n && loop().state() == 1000 && window->comm().ReadyForRead() == 0;
                },
                [&] {
                    received.push_back(frames().back().raw);
                    pendingAfter.push_back(window->comm().ReadyForRead());
                });
    }
    script.act("exit", [&] { press("Button2"); });
    connectWith(script);

    EXPECT_EQ(framesAtGreeting, 2u);
    ASSERT_EQ(received.size(), std::size(kPresses));
    for (size_t i = 0; i < std::size(kPresses); ++i) {
        EXPECT_EQ(received[i], kPresses[i].frame) << kPresses[i].what;
        EXPECT_EQ(pendingAfter[i], 0u) << kPresses[i].what;
    }
    EXPECT_EQ(brightnessAfterTyping, "100");
    EXPECT_EQ(scrollAfterTyping, 100);
    EXPECT_EQ(server->simulator().state().brightness, 100);
    ASSERT_TRUE(server->simulator().waitForFrames(framesBefore + 1, std::chrono::milliseconds(2000)));
    EXPECT_EQ(frames().back().name, "goodbye");
    EXPECT_TRUE(errors.empty());
}

TEST_F(CommandControls, TheTableCoversEveryCatalogueControlOfTheWindow)
{
    for (const CommandControl& row : commandControls()) {
        if (!window->findChild<QWidget*>(QString::fromLatin1(row.control)))
            continue;  // its page comes later
        const bool pressed = std::any_of(std::begin(kPresses), std::end(kPresses),
                                         [&](const Press& p) { return std::string_view(p.control) == row.control; });
        EXPECT_TRUE(pressed) << row.control << " (" << row.caption << ") is never pressed";
    }
}

class SlowDisplay : public WindowOverPty {
protected:
    static SimulatorOptions options()
    {
        SimulatorOptions o;
        o.failures.enable(FailureMode::DelayReplies);
        o.failures.replyDelay = std::chrono::milliseconds(400);
        return o;
    }
    SlowDisplay() : WindowOverPty(options()) {}
};

TEST_F(SlowDisplay, RebootBeforeTheConfigurationReplyAbandonsTheWaitAndSettlesIdle)
{
    QString stateWhileWaiting;
    script
        .step(
            "greeted", [&] { return greeted(); }, [&] { press("BitBtn22"); })
        .step(
            "read config sent", [&] { return countFrames("read config") == 1; },
            [&] { stateWhileWaiting = QString::number(loop().state()); })
        .act("reboot before the reply", [&] { press("BitBtn19"); })
        .step(
            "reboot sent and idle", [&] { return server->simulator().state().reboots == 1 && panel(4) == "1000"; },
            [&] { press("Button2"); });
    connectWith(script);

    EXPECT_EQ(stateWhileWaiting, "65");
    EXPECT_EQ(loop().state(), 1000);
    ASSERT_TRUE(server->simulator().waitForFrames(5, std::chrono::milliseconds(2000)));
    const auto log = frames();
    EXPECT_EQ(log[log.size() - 2].raw, (Bytes{0xA6, 0x01, 0x1A}));
}

}  // namespace
