#include "tests/e2e/window_fixture.h"

#include <QElapsedTimer>

namespace {

using Bytes = std::vector<uint8_t>;
const QColor kGreen(0, 128, 0);
const QColor kRed(255, 0, 0);

class Connect : public WindowOverPty {
protected:
    Connect() : WindowOverPty(volumes({0, 10, 0, 0}, 0)) {}
};

TEST_F(Connect, PagesAppearWithTheDiskImageLoaderInFrontAndSizesShow)
{
    EXPECT_FALSE(window->cxPageControl1->isVisible());
    for (KEdit* e :
         {window->Panel2->Edit6, window->Panel2->Edit7, window->Panel2->Edit8, window->Panel2->Edit9, window->Panel2->Edit10})
        EXPECT_EQ(e->text(), "0");

    script.step(
        "sizes shown", [&] { return greeted(); }, [&] { press("Button2"); });
    connectWith(script);

    EXPECT_TRUE(window->cxPageControl1->isVisible());
    EXPECT_EQ(window->cxPageControl1->ActivePage(), window->TabSheet4);
    EXPECT_FALSE(window->Panel1->Image1->isVisible()) << "the port is closed after Exit";
    EXPECT_EQ(panel(0), "Disconnected");
    EXPECT_TRUE(errors.empty());
    EXPECT_FALSE(window->comm().Active());

    // The hello is the first frame on the line, the size query follows no sooner than 500 ms later.
    ASSERT_TRUE(server->simulator().waitForFrames(3, std::chrono::milliseconds(2000)));
    const auto log = frames();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].raw, (Bytes{0xA1, 0x04, 0x34, 0x45, 0x56, 0x67}));
    EXPECT_EQ(log[1].raw, (Bytes{0xA6, 0x01, 0x20}));
    // The simulator stamps a frame when its thread reads it, to the millisecond; the hello may be
    // read a few milliseconds after it left, so allow that much on top of the 500 ms.
    EXPECT_GE(log[1].timeMs - log[0].timeMs, 495u);
    EXPECT_EQ(log[2].raw, (Bytes{0xAE, 0x00, 0x55}));
}

TEST_F(Connect, SizeReplyWithOnlyDisk1PaintsTheStoragePanel)
{
    script.step(
        "sizes shown", [&] { return greeted(); }, [&] { press("Button2"); });
    connectWith(script);

    struct Field {
        KEdit* size;
        KEdit* imageFile;
        QWidget* picker;
        const char* text;
        bool present;
    };
    const Field fields[] = {
        {window->Panel2->Edit6, window->TabSheet4->imageFileBox[0], window->TabSheet4->imagePicker[0], "0", false},
        {window->Panel2->Edit7, window->TabSheet4->imageFileBox[1], window->TabSheet4->imagePicker[1], "10", true},
        {window->Panel2->Edit8, window->TabSheet4->imageFileBox[2], window->TabSheet4->imagePicker[2], "0", false},
        {window->Panel2->Edit9, window->TabSheet4->imageFileBox[3], window->TabSheet4->imagePicker[3], "0", false},
    };
    for (const Field& f : fields) {
        const auto name = f.size->objectName().toStdString();
        EXPECT_EQ(f.size->text(), f.text) << name;
        EXPECT_EQ(f.size->Color(), f.present ? kGreen : kRed) << name;
        EXPECT_EQ(f.picker->isEnabled(), f.present) << name;
        if (!f.present) {
            EXPECT_EQ(f.imageFile->Color(), kRed) << f.imageFile->objectName().toStdString();
        }
    }
    EXPECT_NE(window->TabSheet4->imageFileBox[1]->Color(), kRed);
    EXPECT_EQ(window->Panel2->Edit10->text(), "0");
    EXPECT_EQ(window->Panel2->Edit10->Color(), kRed);
    EXPECT_FALSE(window->cxPageControl1->pageEnabled(window->cxTabSheet4));
}

class FullCard : public WindowOverPty {
protected:
    static SimulatorOptions options()
    {
        SimulatorOptions o = volumes({4, 4, 4, 4}, 4080);
        o.failures.enable(FailureMode::SplitReplies);
        o.failures.splitPieces = 3;
        o.failures.splitPause = std::chrono::milliseconds(80);
        return o;
    }
    FullCard() : WindowOverPty(options()) {}
};

TEST_F(FullCard, ReplyInPiecesIsDecodedWhenCompleteAndSdByte255Shows4080)
{
    QString sdWhilePieces;
    int32_t stateWhilePieces = -1;
    script
        .step(
            "first piece arrived",
            [&] {
                const size_t n = server->sentBytes().size();
                return n >= 2 && n < 6;
            },
            [&] {
                sdWhilePieces = window->Panel2->Edit10->text();
                stateWhilePieces = loop().state();
            })
        .step(
            "sizes shown", [&] { return greeted(); }, [&] { press("Button2"); });
    connectWith(script);

    EXPECT_EQ(stateWhilePieces, 1) << "still waiting for the reply while it arrives";
    EXPECT_EQ(sdWhilePieces, "0") << "decoded before the reply was complete";
    EXPECT_EQ(window->Panel2->Edit10->text(), "4080");
    EXPECT_EQ(window->Panel2->Edit10->Color(), kGreen);
    EXPECT_TRUE(window->cxPageControl1->pageEnabled(window->cxTabSheet4));
    for (KEdit* e : {window->Panel2->Edit6, window->Panel2->Edit7, window->Panel2->Edit8, window->Panel2->Edit9})
        EXPECT_EQ(e->text(), "4");
}

class SilentDisplay : public WindowOverPty {
protected:
    static SimulatorOptions options()
    {
        SimulatorOptions o;
        o.failures.enable(FailureMode::Silent);
        return o;
    }
    SilentDisplay() : WindowOverPty(options()) {}
};

TEST_F(SilentDisplay, ExitWhileAReplyIsAwaitedSendsTheGoodbyeAtOnce)
{
    QElapsedTimer sinceExit;
    script.step(
        "size query sent", [&] { return frameCount() == 2 && panel(4) == "1"; },
        [&] {
            sinceExit.start();
            press("Button2");
        });
    connectWith(script);

    ASSERT_TRUE(server->simulator().waitForFrames(3, std::chrono::milliseconds(2000)));
    EXPECT_LT(sinceExit.elapsed(), 1000);
    EXPECT_EQ(frames().back().name, "goodbye");
    EXPECT_EQ(window->Panel2->Edit6->text(), "0");
    EXPECT_FALSE(window->comm().Active());
}

TEST_F(Connect, NoUsablePortCountsAttemptsUntilExit)
{
    window->comm().SetComPortNo(200);
    script.step(
        "fourth attempt", [&] { return panel(0) == "try connect 4"; }, [&] { press("Button2"); });
    connectWith(script);

    EXPECT_TRUE(window->StatusBar1->panelToolTip(0).contains("No such file or directory"))
        << window->StatusBar1->panelToolTip(0).toStdString();
    EXPECT_TRUE(server->receivedBytes().empty());
    EXPECT_FALSE(window->cxPageControl1->isVisible());
    EXPECT_FALSE(window->Panel1->Image1->isVisible()) << "no port was ever open";
    EXPECT_TRUE(errors.empty());
}

TEST_F(Connect, ConnectTwiceAndExitOnceGreetsTwiceSaysGoodbyeOnce)
{
    script
        .step(
            "first greeting", [&] { return greeted(); }, [&] { QTimer::singleShot(0, window.get(), [&] { press("Button8"); }); })
        .step(
            "second loop running", [&] { return loop().runDepth() == 2; }, [] {})
        .step(
            "second greeting", [&] { return countFrames("size query") == 2 && greeted(); }, [&] { press("Button2"); });
    connectWith(script);

    ASSERT_TRUE(server->simulator().waitForFrames(5, std::chrono::milliseconds(2000)));
    EXPECT_EQ(countFrames("hello"), 2u);
    EXPECT_EQ(countFrames("goodbye"), 1u);
    EXPECT_FALSE(window->comm().Active());
    EXPECT_EQ(loop().runDepth(), 0);
}

TEST_F(Connect, ClosingTheWindowWhileConnectedSaysGoodbyeAndCloses)
{
    script.step(
        "greeted", [&] { return greeted(); }, [&] { window->close(); });
    connectWith(script);

    EXPECT_FALSE(window->isVisible());
    ASSERT_TRUE(server->simulator().waitForFrames(3, std::chrono::milliseconds(2000)));
    EXPECT_EQ(countFrames("goodbye"), 1u);
    EXPECT_FALSE(window->comm().Active());
    EXPECT_TRUE(errors.empty());
}

TEST_F(Connect, CommandPressedBeforeConnectIsNeverSent)
{
    press("BitBtn19");  // "Reboot" while disconnected
    script.step(
        "greeted", [&] { return greeted(); }, [&] { press("Button2"); });
    connectWith(script);

    ASSERT_TRUE(server->simulator().waitForFrames(3, std::chrono::milliseconds(2000)));
    EXPECT_EQ(server->simulator().state().reboots, 0);
    EXPECT_EQ(frameCount(), 3u);
}

class DroppedLine : public WindowOverPty {
protected:
    static SimulatorOptions options()
    {
        SimulatorOptions o;
        o.failures.enable(FailureMode::DropLine);
        o.failures.dropAfterFrames = 2;  // the hello and the size query
        return o;
    }
    DroppedLine() : WindowOverPty(options()) {}
};

TEST_F(DroppedLine, ALostLineIsShownAndConnectGreetsTheDisplayAgain)
{
    QString shown, afterReconnect = QStringLiteral("(not reached)");
    bool chipWhileConnected = false, chipAfterLoss = true, chipAfterReconnect = false;
    // Read the chip while the line is surely up: between the hello and the size query, after
    // whose answer the simulator drops the line (and the loss may be noticed within a pass).
    script
        .step(
            "hello sent", [&] { return countFrames("hello") == 1; },
            [&] { chipWhileConnected = window->Panel1->Image1->isVisible(); })
        .step(
            "loss shown", [&] { return panel(1).contains("lost"); },
            [&] {
                shown = panel(1);
                chipAfterLoss = window->Panel1->Image1->isVisible();
                QTimer::singleShot(0, window.get(), [&] { press("Button8"); });
            })
        // read at the second hello: the simulator drops this line too after its size query
        .step(
            "hello again", [&] { return countFrames("hello") == 2; },
            [&] {
                afterReconnect = panel(1);
                chipAfterReconnect = window->Panel1->Image1->isVisible();
            })
        .step(
            "greeted again", [&] { return countFrames("size query") == 2 && greeted(); }, [&] { press("Button2"); });
    connectWith(script);

    EXPECT_EQ(shown, "Connection to COM3 lost. Press \"Connect\" to connect again.");
    EXPECT_EQ(afterReconnect, QString()) << "the old loss must not outlive the new greeting";
    EXPECT_TRUE(chipWhileConnected);
    EXPECT_FALSE(chipAfterLoss) << "no display is connected after a loss";
    EXPECT_TRUE(chipAfterReconnect);
    EXPECT_EQ(countFrames("hello"), 2u);
    EXPECT_TRUE(errors.empty());
}

}  // namespace
