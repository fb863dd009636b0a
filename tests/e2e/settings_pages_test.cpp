// The four settings pages against the simulated display: read, edit, save, and what the display
// then holds; saves that must not leave; replies in pieces and replies overtaken by a button.
#include "tests/e2e/window_fixture.h"

#include "app/widgets/k_check_list_box.h"
#include "app/widgets/k_combo_box.h"

#include <QCheckBox>

#include <functional>
#include <map>
#include <memory>

namespace {

using Bytes = std::vector<uint8_t>;

// A consistent set of records: read and saved unchanged, each comes back byte for byte.
SettingsRecords consistentRecords()
{
    SettingsRecords r;
    r.config = {0x71, 0x11, 0x01, 0x00,              // serial number 70001
                77,   121,  1,    1,                 // hardware 7.7, display type 12 with comfort-CAN mode 1
                0xE1, 0x0F, 0x01, 0x00,              // serial number less 400
                2,    95,   1,    0,    3,   1, 15,  // KL15, dimmer, pin remap, -, diag, -, wiring
                0xA5,                                // byte 19, the display's own
                4,    1,    20,   101,  129, 81};    // boost, remap, language, battery, car model
    r.extraCoding = {0x81, 130, 0x42, 6, 60, 0x11, 0x22, 0x64};
    r.turboTimer = {120, 0, 95, 0, 1, 0, 0x58, 0x02, 60, 0, 0, 0};
    // Ratios that are their own round trip through the speed boxes.
    r.transmission = {50, 0, 40, 0, 25, 0, 20, 0, 16, 0, 10, 0};
    return r;
}

SimulatorOptions withRecords(SettingsRecords records, FailureSettings failures = {})
{
    SimulatorOptions o;
    o.records = records;
    o.failures = failures;
    return o;
}

class SettingsPages : public WindowOverPty {
protected:
    SettingsPages() : WindowOverPty(withRecords(consistentRecords())) {}

    // Presses the button, then waits until its frame has reached the display and the loop is
    // idle again with nothing left in the input.
    ScriptedSteps& pressAndSettle(const std::string& what, const char* button)
    {
        return script
            .act("press " + what,
                 [this, button] {
                     framesBefore_ = frameCount();
                     press(button);
                 })
            .step(
                "settled after " + what,
                [this] { return frameCount() > framesBefore_ && loop().state() == 1000 && window->comm().ReadyForRead() == 0; },
                [] {});
    }

    DisplayState display() const { return server->simulator().state(); }
    size_t framesBefore_ = 0;
};

TEST_F(SettingsPages, ConfigReadShowsTheRecordAndAnEditedSaveStoresItByteExact)
{
    const ConfigPage& w = *window->TabSheet1;
    std::map<std::string, QString> shown;
    script.step(
        "greeted", [&] { return greeted(); }, [] {});
    pressAndSettle("read config", "BitBtn22").act("look and edit", [&] {
        shown = {{"serial", w.SpinEdit4->text()},      {"hardware", w.ComboBox3->Text()},
                 {"display", w.ComboBox4->Text()},     {"can", w.ComboBox5->Text()},
                 {"language", w.ComboBoxEx27->Text()}, {"car", w.ComboBox8->Text()},
                 {"wiring", w.ComboBox6->Text()},      {"pin", w.ComboBox16->Text()},
                 {"dimmer", w.SpinEdit109->text()},    {"battery", w.SpinEdit5->text() + "/" + w.SpinEdit6->text()},
                 {"diag", w.ComboBox10->Text()},       {"kl15", w.ComboBox11->Text()},
                 {"boost", w.ComboBox9->Text()},       {"remap", w.ComboBox1->Text()}};
        w.SpinEdit4->setValue(700123);
        w.ComboBox3->lineEdit()->setText(QStringLiteral("76"));
        w.ComboBox4->setItemIndex(4);
        w.ComboBox5->setItemIndex(3);
        w.ComboBoxEx27->setItemIndex(0);
        w.ComboBox8->setItemIndex(0);
    });
    pressAndSettle("save config", "BitBtn23").act("exit", [&] { press("Button2"); });
    connectWith(script);

    EXPECT_EQ(shown["serial"], "70001");
    EXPECT_EQ(shown["hardware"], "77");
    EXPECT_EQ(shown["display"], "12 - Display 3.2\" HX8357B");
    EXPECT_EQ(shown["can"], "1C0 comfort CAN 100kbit not filter");
    EXPECT_EQ(shown["language"], "20 Ελληνικά (km, litr, C, bar, l/100km)");
    EXPECT_EQ(shown["car"], QString::fromUtf8("81 Skoda O\u0441tavia A5 "));
    EXPECT_EQ(shown["wiring"], "(16-20 pins MFD) GND on MFD board ");
    EXPECT_EQ(shown["pin"], "16 pin");
    EXPECT_EQ(shown["dimmer"], "95");
    EXPECT_EQ(shown["battery"], "101/129");
    EXPECT_EQ(shown["diag"], "3- ECU (1) auto");
    EXPECT_EQ(shown["kl15"], "2 - from Comfort CAN (551h)");
    EXPECT_EQ(shown["boost"], "boost from CAN-bus");
    EXPECT_EQ(shown["remap"], "Remap Down button om 8 input");

    std::array<uint8_t, 26> expected = consistentRecords().config;
    const Bytes edited{0xDB, 0xAE, 0x0A, 0x00, 76, 143};  // 700123, hardware 76, display 14 with CAN 3
    std::copy(edited.begin(), edited.end(), expected.begin());
    const Bytes less400{0x4B, 0xAD, 0x0A, 0x00};  // 699723
    std::copy(less400.begin(), less400.end(), expected.begin() + 8);
    expected[22] = 1;  // Русский
    expected[25] = 5;  // Polo 4
    EXPECT_EQ(display().config, expected) << "byte 19 (0xA5) comes back as the display reported it";
    EXPECT_TRUE(errors.empty()) << errors.front().toStdString();
}

TEST_F(SettingsPages, ExtraCodingTurboTimerAndTransmissionEditedSavesStoreTheirBytes)
{
    const ExtraCodingPage& e = *window->cxTabSheet5;
    const TurboTimerPage& t = *window->TabSheet8;
    const TransmissionPage& g = *window->TabSheet3;
    QString speedLimit, minutes, km, gear1, ratio1, gear6;
    int colour = -1;
    bool cooling = false;
    script.step(
        "greeted", [&] { return greeted(); }, [] {});
    pressAndSettle("read extra coding", "BitBtn28").act("edit extra coding", [&] {
        speedLimit = e.SpinEdit3->text();
        minutes = e.SpinEdit39->text();
        km = e.SpinEdit40->text();
        colour = e.RadioGroup2->ItemIndex();
        e.CheckListBox1->setChecked(1, true);
        e.SpinEdit39->setText(QStringLiteral("25"));
        e.RadioGroup2->setItemIndex(4);
    });
    pressAndSettle("save extra coding", "BitBtn29");
    pressAndSettle("read turbo timer", "BitBtn26").act("edit turbo timer", [&] {
        cooling = t.CheckBox3->isChecked();
        t.CheckBox4->setChecked(true);
        t.SpinEdit107->setValue(900);
    });
    pressAndSettle("save turbo timer", "BitBtn27");
    pressAndSettle("read transmission", "BitBtn24").act("edit transmission", [&] {
        gear1 = g.speed[0]->text();
        ratio1 = g.ratio[0]->text();
        gear6 = g.speed[5]->text();
        g.speed[0]->setText(QStringLiteral("160"));  // typed in one step: settles at 167 km/h, ratio 12
        g.ratio[5]->setValue(24);                    // sixth gear back on: 83 km/h
    });
    pressAndSettle("save transmission", "BitBtn25").act("exit", [&] { press("Button2"); });
    connectWith(script);

    EXPECT_EQ(speedLimit, "130");
    EXPECT_EQ(minutes, "60");
    EXPECT_EQ(km, "600");
    EXPECT_EQ(colour, 3) << "Green";
    EXPECT_TRUE(cooling);
    EXPECT_EQ(gear1, "40");
    EXPECT_EQ(ratio1, "50");
    EXPECT_EQ(gear6, "200");
    EXPECT_EQ(g.speed[0]->text(), "167");
    EXPECT_EQ(g.speed[5]->text(), "83");

    const DisplayState d = display();
    EXPECT_EQ(d.extraCoding, (std::array<uint8_t, 8>{0x83, 130, 0x42, 2, 60, 0x11, 0x22, 0x84}));
    EXPECT_EQ(d.turboTimer, (std::array<uint8_t, 12>{120, 0, 95, 0, 1, 0, 0x84, 0x03, 60, 0, 1, 0}));
    EXPECT_EQ(d.transmission, (std::array<uint8_t, 12>{12, 0, 40, 0, 25, 0, 20, 0, 16, 0, 24, 0}));
    EXPECT_TRUE(errors.empty()) << errors.front().toStdString();
}

TEST_F(SettingsPages, AConsistentRecordReadAndSavedUnchangedComesBackByteForByte)
{
    script.step(
        "greeted", [&] { return greeted(); }, [] {});
    for (auto [read, save] : {std::pair{"BitBtn22", "BitBtn23"}, std::pair{"BitBtn28", "BitBtn29"},
                              std::pair{"BitBtn26", "BitBtn27"}, std::pair{"BitBtn24", "BitBtn25"}}) {
        pressAndSettle(std::string("read ") + read, read);
        pressAndSettle(std::string("save ") + save, save);
    }
    script.act("exit", [&] { press("Button2"); });
    connectWith(script);

    const SettingsRecords start = consistentRecords();
    const DisplayState d = display();
    EXPECT_EQ(d.config, start.config);
    EXPECT_EQ(d.extraCoding, start.extraCoding);
    EXPECT_EQ(d.turboTimer, start.turboTimer);
    EXPECT_EQ(d.transmission, start.transmission);
    EXPECT_EQ(countFrames("save config") + countFrames("save extra coding") + countFrames("save turbo timer")
                  + countFrames("save transmission"),
              4u);
    EXPECT_TRUE(errors.empty()) << errors.front().toStdString();
}

TEST_F(SettingsPages, ASaveBeforeAnyReadReportsTheDisplayTypePlaceholderAndSendsNothing)
{
    size_t framesAtPress = 0;
    script
        .step(
            "greeted", [&] { return greeted(); },
            [&] {
                framesAtPress = frameCount();
                press("BitBtn23");
            })
        // A button sent after the failed save shows that the line went on, and that the save
        // left nothing behind for the loop to send.
        .act("key up", [&] { press("Button50"); })
        .step(
            "key up sent", [&] { return countFrames("key up") == 1 && loop().state() == 1000; }, [&] { press("Button2"); });
    connectWith(script);

    EXPECT_EQ(errors, std::vector<QString>{QStringLiteral("'3.' is not a valid integer value")});
    ASSERT_TRUE(server->simulator().waitForFrames(framesAtPress + 2, std::chrono::milliseconds(2000)));
    const auto log = frames();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2].raw, (Bytes{0xA6, 0x01, 0x02})) << "nothing between the greeting and key up";
    EXPECT_EQ(countFrames("save config"), 0u);
    EXPECT_EQ(display().config, consistentRecords().config);
}

TEST_F(SettingsPages, EraseConfigFillsThePageFromItsReply)
{
    const ConfigPage& w = *window->TabSheet1;
    answerQuestions(true);  // "Erase Config" asks first
    script.step(
        "greeted", [&] { return greeted(); }, [] {});
    pressAndSettle("read config", "BitBtn22");
    pressAndSettle("erase config", "BitBtn34").act("exit", [&] { press("Button2"); });
    connectWith(script);

    // The display answers the erased (all zero) record; the page shows it through its lists.
    EXPECT_EQ(w.SpinEdit4->text(), "700") << "serial 0, clamped";
    EXPECT_EQ(w.ComboBox3->Text(), "0");
    EXPECT_EQ(w.ComboBox4->ItemIndex(), -1);
    EXPECT_EQ(w.ComboBox4->Text(), "3. Type of Display") << "an empty list shows its placeholder";
    EXPECT_EQ(w.ComboBox5->ItemIndex(), 0);
    EXPECT_EQ(w.ComboBoxEx27->ItemIndex(), -1) << "language 0";
    EXPECT_EQ(w.ComboBox8->ItemIndex(), -1) << "car model 0";
    EXPECT_EQ(w.ComboBox6->ItemIndex(), 0);
    EXPECT_EQ(w.ComboBox16->ItemIndex(), 0);
    EXPECT_EQ(w.SpinEdit109->text(), "50");
    EXPECT_EQ(w.SpinEdit5->text(), "100");
    EXPECT_EQ(display().config, (std::array<uint8_t, 26>{}));
    EXPECT_TRUE(errors.empty());
}

// ---------------------------------------------------------------- the four reply states

struct ReplyCase {
    const char* what;
    const char* readButton;
    int32_t replyState;
    uint32_t replyLength;
    std::function<QString(TForm3&)> shown;  // a control the record fills
    const char* before;                     // its text at start
    const char* after;                      // its text once the record is read
};

const ReplyCase kReplyCases[] = {
    {"configuration", "BitBtn22", 65, 28, [](TForm3& w) { return w.TabSheet1->SpinEdit4->text(); }, "700", "70001"},
    {"extra coding", "BitBtn28", 64, 10, [](TForm3& w) { return w.cxTabSheet5->SpinEdit3->text(); }, "90", "130"},
    {"TurboTimer", "BitBtn26", 167, 14, [](TForm3& w) { return w.TabSheet8->SpinEdit90->text(); }, "90", "120"},
    {"transmission", "BitBtn24", 164, 8, [](TForm3& w) { return w.TabSheet3->speed[0]->text(); }, "22", "40"},
};

class RepliesInPieces : public WindowOverPty {
protected:
    static SimulatorOptions options()
    {
        FailureSettings f;
        f.enable(FailureMode::SplitReplies);
        f.splitPieces = 4;
        f.splitPause = std::chrono::milliseconds(60);
        return withRecords(consistentRecords(), f);
    }
    RepliesInPieces() : WindowOverPty(options()) {}
};

TEST_F(RepliesInPieces, EachReplyStateWaitsForItsWholeRecordThenFillsItsPage)
{
    struct Seen {
        bool partial = false;  // the loop stayed in its reply state with part of the reply in
        QString shownWhilePartial;
        QString shown;
    };
    std::vector<Seen> seen(std::size(kReplyCases));
    script.step(
        "greeted", [&] { return greeted(); }, [] {}, 8000);
    for (size_t i = 0; i < std::size(kReplyCases); ++i) {
        const ReplyCase& c = kReplyCases[i];
        script.act(std::string("read ") + c.what, [&, c] { press(c.readButton); })
            .step(
                std::string("decoded ") + c.what,
                [&, i, c] {
                    const uint32_t in = loop().receivedSinceMark();
                    if (loop().state() == c.replyState && in > 0 && in < c.replyLength) {
                        seen[i].partial = true;
                        seen[i].shownWhilePartial = c.shown(*window);
                    }
                    return loop().state() == 1000 && seen[i].partial;
                },
                [&, i, c] { seen[i].shown = c.shown(*window); }, 8000);
    }
    script.act("exit", [&] { press("Button2"); });
    connectWith(script);

    for (size_t i = 0; i < std::size(kReplyCases); ++i) {
        const ReplyCase& c = kReplyCases[i];
        EXPECT_TRUE(seen[i].partial) << c.what;
        EXPECT_EQ(seen[i].shownWhilePartial, c.before) << c.what << ": nothing shown before the whole record";
        EXPECT_EQ(seen[i].shown, c.after) << c.what;
    }
    EXPECT_TRUE(errors.empty());
}

class LateReplies : public WindowOverPty {
protected:
    static SimulatorOptions options()
    {
        FailureSettings f;
        f.enable(FailureMode::DelayReplies);
        f.replyDelay = std::chrono::milliseconds(300);
        return withRecords(consistentRecords(), f);
    }
    LateReplies() : WindowOverPty(options()) {}
};

TEST_F(LateReplies, AReplyOvertakenByAnotherButtonIsWaitedForThenDiscardedAndItsPageKeepsItsValues)
{
    struct Seen {
        int32_t stateWhileWaiting = 0;
        int rebootsWhileDue = -1;
        QString shownAfterLateReply;
        uint32_t receivedBeforeReboot = 0;
        uint32_t leftInInput = 0;
    };
    std::vector<Seen> seen(std::size(kReplyCases));
    script.step(
        "greeted", [&] { return greeted(); }, [] {}, 8000);
    for (size_t i = 0; i < std::size(kReplyCases); ++i) {
        const ReplyCase& c = kReplyCases[i];
        auto reboots = std::make_shared<int>(0);
        auto total = std::make_shared<uint32_t>(0);
        script
            .act(std::string("read ") + c.what,
                 [&, c, reboots, total] {
                     *reboots = server->simulator().state().reboots;
                     *total = window->comm().TotalReceived();
                     press(c.readButton);
                 })
            .step(
                std::string("waiting for ") + c.what, [&, c] { return loop().state() == c.replyState; },
                [&, i] {
                    seen[i].stateWhileWaiting = loop().state();
                    press("BitBtn19");  // "Reboot" abandons the wait
                })
            .step(
                std::string("reboot held back while the reply of ") + c.what + " is due", [&] { return loop().state() == 50; },
                [&, i] { seen[i].rebootsWhileDue = server->simulator().state().reboots; })
            .step(
                std::string("reboot sent after the late reply of ") + c.what,
                [&, reboots] { return server->simulator().state().reboots == *reboots + 1 && loop().state() == 1000; },
                [&, i, c, total] {
                    seen[i].shownAfterLateReply = c.shown(*window);
                    seen[i].receivedBeforeReboot = window->comm().TotalReceived() - *total;
                    seen[i].leftInInput = window->comm().ReadyForRead();
                });
    }
    script.act("exit", [&] { press("Button2"); });
    connectWith(script);

    for (size_t i = 0; i < std::size(kReplyCases); ++i) {
        const ReplyCase& c = kReplyCases[i];
        EXPECT_EQ(seen[i].stateWhileWaiting, c.replyState) << c.what;
        EXPECT_EQ(seen[i].rebootsWhileDue, static_cast<int>(i)) << c.what << ": the reboot waits for the reply still due";
        EXPECT_EQ(seen[i].shownAfterLateReply, c.before) << c.what << ": the late reply is not decoded";
        EXPECT_EQ(seen[i].receivedBeforeReboot, c.replyLength) << c.what << ": the whole reply came first";
        EXPECT_EQ(seen[i].leftInInput, 0u) << c.what << ": the reboot's request discarded it";
    }
    EXPECT_TRUE(errors.empty());
}

}  // namespace
