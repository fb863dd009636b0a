#include "tests/protocol/loop_fixture.h"

namespace {

using Bytes = std::vector<uint8_t>;

class CommandFrames : public LoopOverFakeLine {
protected:
    // Raw bytes of the frames the display took after the size query.
    std::vector<Bytes> commandFramesAfterGreeting() const
    {
        std::vector<Bytes> out;
        const auto log = frames();
        for (size_t i = 2; i < log.size(); ++i)
            if (log[i].name != "goodbye")
                out.push_back(log[i].raw);
        return out;
    }
    bool framesSeen(size_t n) const { return display.simulator().frameCount() >= n; }
};

TEST_F(CommandFrames, SendStatesPutTheirFramesOnTheLineAndGoIdleOrToTheirReply)
{
    struct Case {
        const char* what;
        std::function<void(ProtocolLoop&)> store;
        Bytes frame;
        int32_t next;
    };
    auto payload = [](ProtocolLoop& l, int n) {
        for (int i = 1; i <= n; ++i)
            l.setPayload(i, static_cast<uint8_t>(i * 3));
    };
    const Case cases[] = {
        {"bare command", [](ProtocolLoop& l) { l.request(50, 0x1A); }, {0xA6, 0x01, 0x1A}, 1000},
        {"command with parameter", [](ProtocolLoop& l) { l.request(51, 0x32, 70); }, {0xA6, 0x02, 0x32, 0x46}, 1000},
        {"gamma bare command", [](ProtocolLoop& l) { l.request(153, 0x3D); }, {0xA6, 0x01, 0x3D}, 1000},
        {"extra coding save",
         [&](ProtocolLoop& l) {
             payload(l, 8);
             l.request(52, 0x15);
         },
         {0xA6, 0x09, 0x15, 3, 6, 9, 12, 15, 18, 21, 24},
         1000},
        {"configuration save",
         [&](ProtocolLoop& l) {
             payload(l, 26);
             l.request(53, 0x16);
         },
         [] {
             Bytes b{0xA6, 0x1B, 0x16};
             for (int i = 1; i <= 26; ++i)
                 b.push_back(uint8_t(i * 3));
             return b;
         }(),
         1000},
        {"extra coding read", [](ProtocolLoop& l) { l.request(54, 0x17); }, {0xA6, 0x01, 0x17}, 64},
        {"configuration read", [](ProtocolLoop& l) { l.request(55, 0x18); }, {0xA6, 0x01, 0x18}, 65},
        {"transmission read", [](ProtocolLoop& l) { l.request(163, 0x24); }, {0xA6, 0x01, 0x24}, 164},
        {"TurboTimer read", [](ProtocolLoop& l) { l.request(166, 0x26); }, {0xA6, 0x01, 0x26}, 167},
    };

    std::vector<int32_t> statesAfter;
    size_t expectedFrames = 2;  // hello and size query
    script.step(
        "greeted", [&] { return sizesShown(); }, [] {});
    for (const Case& c : cases) {
        script.act(std::string("press: ") + c.what, [&] { c.store(*loop); })
            .step(
                std::string("frame: ") + c.what, [&, n = ++expectedFrames] { return framesSeen(n); },
                [&] { statesAfter.push_back(loop->state()); });
    }
    script.act("exit", [&] { loop->requestExit(); });
    connectWith(script);

    ASSERT_TRUE(display.simulator().waitForFrames(expectedFrames + 1, std::chrono::milliseconds(2000)));
    const auto sent = commandFramesAfterGreeting();
    ASSERT_EQ(sent.size(), std::size(cases));
    ASSERT_EQ(statesAfter.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(sent[i], cases[i].frame) << cases[i].what;
        EXPECT_EQ(statesAfter[i], cases[i].next) << cases[i].what;
    }
}

TEST_F(CommandFrames, EverySendDiscardsPendingInputFirst)
{
    // "Read Config" draws a 28-byte reply that nothing reads yet; "Reboot" must discard it.
    script
        .step(
            "greeted", [&] { return sizesShown(); }, [&] { loop->request(55, 0x18); })
        .step(
            "reply waiting in the input", [&] { return comm.ReadyForRead() == 28; }, [&] { loop->request(50, 0x1A); })
        .step(
            "reboot sent", [&] { return display.simulator().state().reboots == 1; }, [] {})
        .step(
            "input discarded", [&] { return comm.ReadyForRead() == 0 && loop->state() == 1000; }, [&] { loop->requestExit(); });
    connectWith(script);
    EXPECT_EQ(loop->receivedSinceMark(), 0u);
}

}  // namespace
