// A check box that sends a command sends it however it is toggled: through an assistive tool's
// toggle action as well as by a click.
#include "tests/e2e/window_fixture.h"

#include <QAccessible>
#include <QCheckBox>

namespace {

using Bytes = std::vector<uint8_t>;

class AccessibleToggle : public WindowOverPty {};

TEST_F(AccessibleToggle, Kl15ToggledThroughItsAccessibleActionSendsTheCodeOfItsNewTick)
{
    auto* kl15 = control<QCheckBox>("CheckBox1");
    ASSERT_NE(kl15, nullptr);
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(kl15);
    ASSERT_NE(iface, nullptr);
    ASSERT_NE(iface->actionInterface(), nullptr);
    QStringList actions;

    std::vector<Bytes> received;
    std::vector<bool> ticks;
    size_t expected = 2;  // the greeting: hello and size query
    script.step(
        "greeted", [&] { return greeted(); }, [&] { actions = iface->actionInterface()->actionNames(); });
    for (int i = 0; i < 2; ++i) {
        script
            .act("toggle kl 15 through its accessible action",
                 [&] {
                     iface->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
                     ticks.push_back(kl15->isChecked());
                 })
            .step(
                "its frame arrives", [&, n = ++expected] { return frameCount() >= n; },
                [&] { received.push_back(frames().back().raw); });
    }
    script.act("exit", [&] { press("Button2"); });
    connectWith(script);

    EXPECT_TRUE(actions.contains(QAccessibleActionInterface::toggleAction())) << actions.join(',').toStdString();
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(ticks, (std::vector<bool>{true, false}));
    EXPECT_EQ(received[0], (Bytes{0xA6, 0x01, 0x34})) << "ticked: ignition on";
    EXPECT_EQ(received[1], (Bytes{0xA6, 0x01, 0x33})) << "cleared: ignition off";
    ASSERT_TRUE(server->simulator().waitForFrames(expected + 1, std::chrono::milliseconds(2000)));
    EXPECT_EQ(frames().back().name, "goodbye") << "one frame per toggle, nothing more";
    EXPECT_TRUE(errors.empty());
}

}  // namespace
