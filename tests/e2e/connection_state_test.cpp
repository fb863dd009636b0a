// The window shows the connection as it is, refuses to start what cannot reach the display, and
// asks before a command that cannot be undone.
#include "tests/e2e/window_fixture.h"

#include "app/sd_file_controls.h"
#include "app/widgets/k_combo_box.h"
#include "serial/nr_device_box.h"

#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>

namespace {

using Bytes = std::vector<uint8_t>;

const QString kNotConnected = QStringLiteral("Not connected: press Connect first");

class ConnectionState : public WindowOverPty {
protected:
    ConnectionState() : WindowOverPty(volumes({4, 4, 4, 4}, 64)) {}
};

// ---------------------------------------------------------------- commands while not connected

class LostLine : public WindowOverPty {
protected:
    static SimulatorOptions options()
    {
        SimulatorOptions o = volumes({4, 4, 4, 4}, 64);
        o.failures.enable(FailureMode::DropLine);
        o.failures.dropAfterFrames = 2;  // the hello and the size query
        return o;
    }
    LostLine() : WindowOverPty(options()) {}

    QTemporaryDir pcFolder;
};

TEST_F(LostLine, ATransferOrCommandPressedAfterTheLossSendsNothingSaysWhyAndStaysIdle)
{
    ASSERT_TRUE(pcFolder.isValid());
    const QString image = QDir(pcFolder.path()).filePath(QStringLiteral("disk1.imz"));
    {
        QFile f(image);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(3000, 'x'));
    }
    struct Press {
        const char* what;
        std::function<void()> press;
    };
    const Press presses[] = {
        {"Load Packet", [&] { press("Button7"); }},
        {"Send",
         [&] {
             window->TabSheet4->imageFileBox[1]->setText(image);
             window->TabSheet4->imageSendClick(1);
         }},
        {"Read Config", [&] { press("BitBtn22"); }},
        {"Save Config", [&] { press("BitBtn23"); }},
        {"Erase Config", [&] { press("BitBtn34"); }},
        {"Reboot", [&] { press("BitBtn19"); }},
    };

    answerQuestions(true);
    window->cxTabSheet4->DirectoryListBox1->setFolder(pcFolder.path());
    window->cxTabSheet4->ComboBox2->setItemIndex(3);
    std::vector<std::string> started;
    std::vector<QString> said;
    int32_t stateAtLoss = -1;
    script.step(
        "loss shown", [&] { return panel(1).contains("lost"); }, [&] { stateAtLoss = loop().state(); });
    for (const Press& p : presses) {
        script
            .act(p.what,
                 [&] {
                     window->setStatusPanel(1, QString());
                     p.press();
                 })
            .step(
                std::string("a few passes after ") + p.what, [&, n = 0]() mutable { return ++n > 10; },
                [&] {
                    said.push_back(panel(1));
                    if (loop().state() != stateAtLoss)
                        started.push_back(p.what);
                });
    }
    script.act("exit", [&] { press("Button2"); });
    connectWith(script);

    EXPECT_EQ(stateAtLoss, 1000);
    EXPECT_TRUE(started.empty()) << "started after the loss: " << started.front();
    ASSERT_EQ(said.size(), std::size(presses));
    for (size_t i = 0; i < said.size(); ++i)
        EXPECT_EQ(said[i], kNotConnected) << presses[i].what;
    EXPECT_TRUE(questions.empty()) << "nothing to ask about while nothing can be sent";
    EXPECT_EQ(countFrames("hello"), 1u);
    EXPECT_EQ(frameCount(), 2u) << "nothing reached the line after the greeting";
    EXPECT_EQ(panel(0), "Disconnected");
}

TEST_F(ConnectionState, ACommandPressedBeforeConnectSaysSoAndIsNeverSent)
{
    press("BitBtn19");  // "Reboot"
    EXPECT_EQ(panel(1), kNotConnected);
    QString whileConnected = QStringLiteral("(not read)");
    script.step(
        "greeted", [&] { return greeted(); },
        [&] {
            whileConnected = panel(1);
            press("Button2");
        });
    connectWith(script);

    EXPECT_EQ(whileConnected, QString()) << "connected, the old \"Not connected\" is gone";
    ASSERT_TRUE(server->simulator().waitForFrames(3, std::chrono::milliseconds(2000)));
    EXPECT_EQ(server->simulator().state().reboots, 0);
    EXPECT_EQ(frameCount(), 3u);
    // After "Exit" the same press says so again.
    window->setStatusPanel(1, QString());
    press("BitBtn22");
    EXPECT_EQ(panel(1), kNotConnected);
}

// ---------------------------------------------------------------- chip and panel 0

TEST_F(ConnectionState, TheChipShowsAnOpenPortOnlyAndExitSaysDisconnected)
{
    bool chipWhileConnected = false;
    script.step(
        "greeted", [&] { return greeted(); },
        [&] {
            chipWhileConnected = window->Panel1->Image1->isVisible();
            press("Button2");
        });
    connectWith(script);

    EXPECT_TRUE(chipWhileConnected);
    EXPECT_FALSE(window->Panel1->Image1->isVisible()) << "the port is closed after Exit";
    EXPECT_EQ(panel(0), "Disconnected");
    EXPECT_FALSE(window->comm().Active());
}

TEST_F(ConnectionState, ExitDuringTheAttemptsLeavesTheChipHiddenAndNamesThePortAndWhy)
{
    window->comm().SetComPortNo(200);  // listed nowhere, and there is no /dev/ttyS199
    bool chipDuringAttempts = true;
    QString tried;
    script.step(
        "second attempt", [&] { return panel(0) == "try connect 2"; },
        [&] {
            chipDuringAttempts = window->Panel1->Image1->isVisible();
            tried = panel(1);
            press("Button2");
        });
    connectWith(script);

    EXPECT_FALSE(chipDuringAttempts);
    EXPECT_EQ(tried, "Cannot open COM200: No such file or directory");
    EXPECT_TRUE(window->StatusBar1->panelToolTip(0).contains("Open Error")) << window->StatusBar1->panelToolTip(0).toStdString();
    EXPECT_FALSE(window->Panel1->Image1->isVisible()) << "no port was ever open";
    EXPECT_EQ(panel(0), "Disconnected");
    EXPECT_TRUE(server->receivedBytes().empty());
}

// ---------------------------------------------------------------- commands that cannot be undone

struct Guarded {
    const char* control;
    uint8_t code;
};

const Guarded kGuarded[] = {
    {"BitBtn34", 0x10}, {"BitBtn35", 0x10}, {"BitBtn21", 0x37}, {"BitBtn20", 0x37}, {"Button38", 0x37}, {"Button22", 0x28},
};

TEST_F(ConnectionState, EachGuardedButtonSendsNothingWhenCancelledAndItsFrameWhenConfirmed)
{
    std::vector<Bytes> afterCancel, afterConfirm;
    std::vector<size_t> asked;
    script.step(
        "greeted", [&] { return greeted(); }, [] {});
    size_t n = 2;
    for (const Guarded& g : kGuarded) {
        // Cancelled, then a key press: the key's frame is the next on the line.
        script
            .act(std::string("cancel ") + g.control,
                 [&] {
                     answerQuestions(false);
                     questions.clear();
                     press(g.control);
                     asked.push_back(questions.size());
                     press("Button50");
                 })
            .step(
                std::string("key after ") + g.control, [&, want = ++n] { return frameCount() >= want && loop().state() == 1000; },
                [&] { afterCancel.push_back(frames().back().raw); })
            .act(std::string("confirm ") + g.control,
                 [&] {
                     answerQuestions(true);
                     press(g.control);
                 })
            .step(
                std::string("frame of ") + g.control, [&, want = ++n] { return frameCount() >= want && loop().state() == 1000; },
                [&] { afterConfirm.push_back(frames().back().raw); });
    }
    script.act("exit", [&] { press("Button2"); });
    connectWith(script);

    ASSERT_EQ(afterCancel.size(), std::size(kGuarded));
    ASSERT_EQ(afterConfirm.size(), std::size(kGuarded));
    for (size_t i = 0; i < std::size(kGuarded); ++i) {
        const Guarded& g = kGuarded[i];
        EXPECT_EQ(asked[i], 1u) << g.control << " asks once";
        EXPECT_EQ(afterCancel[i], (Bytes{0xA6, 0x01, 0x02})) << g.control << " went out although cancelled";
        EXPECT_EQ(afterConfirm[i], (Bytes{0xA6, 0x01, g.code})) << g.control;
    }
    EXPECT_TRUE(errors.empty());
}

TEST_F(ConnectionState, AnOpenQuestionDoesNotStallTheLoop)
{
    // The window's own asker: a window-modal box that returns at once.
    QMessageBox* box = nullptr;
    bool keySentWhileOpen = false;
    script
        .step(
            "greeted", [&] { return greeted(); }, [&] { press("BitBtn34"); })
        .step(
            "question open",
            [&] {
                box = window->findChild<QMessageBox*>(QStringLiteral("questionBox"));
                return box && box->isVisible();
            },
            [&] {
                EXPECT_TRUE(box->defaultButton() && box->defaultButton()->text() == "Cancel") << "Enter must not confirm";
                press("Button50");
            })
        .step(
            "key sent while the question is open", [&] { return countFrames("key up") == 1; },
            [&] {
                keySentWhileOpen = box->isVisible();
                box->button(QMessageBox::Cancel) ? box->button(QMessageBox::Cancel)->click() : box->defaultButton()->click();
            })
        .step(
            "a few passes later", [&, k = 0]() mutable { return ++k > 10; }, [&] { press("Button2"); });
    connectWith(script);

    EXPECT_TRUE(keySentWhileOpen);
    EXPECT_EQ(countFrames("erase config"), 0u) << "cancelled";
    EXPECT_EQ(server->simulator().state().config, DisplayState::factoryConfig());
}

// ---------------------------------------------------------------- the port picker

TEST_F(ConnectionState, APortLinkAddedAfterStartAppearsWhenThePickerOpensAndTheChoiceStays)
{
    ASSERT_EQ(window->Panel1->nrDeviceBox1->currentText(), "COM3");
    SimPtyServerOptions later;
    later.registerLink = true;
    later.portNumber = 9;
    SimPtyServer second(later);
    second.start();

    QStringList before;
    for (int i = 0; i < window->Panel1->nrDeviceBox1->count(); ++i)
        before << window->Panel1->nrDeviceBox1->itemText(i);
    window->Panel1->nrDeviceBox1->showPopup();
    QStringList opened;
    for (int i = 0; i < window->Panel1->nrDeviceBox1->count(); ++i)
        opened << window->Panel1->nrDeviceBox1->itemText(i);
    const QString chosen = window->Panel1->nrDeviceBox1->currentText();
    window->Panel1->nrDeviceBox1->hidePopup();
    second.stop();

    EXPECT_FALSE(before.contains("COM9"));
    EXPECT_TRUE(opened.contains("COM9")) << opened.join(' ').toStdString();
    EXPECT_EQ(chosen, "COM3");
    EXPECT_EQ(window->comm().ComPortNo(), 3);
}

}  // namespace
