// The window over each way a display is reached: the pseudo-terminal, a raw TCP bridge and an
// RFC 2217 bridge, each served by the simulator on loopback with COM3 a port link to it. The same
// greeting, command, record and SD transfer run over every row and must carry the same bytes;
// over RFC 2217 every 0xFF of a record, a block or a sum is doubled on the way and undone.
#include "tests/e2e/window_fixture.h"

#include "app/sd_file_controls.h"
#include "app/widgets/k_radio_group.h"
#include "sim/display_storage.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

fs::path freshRoot()
{
    std::string pattern = (fs::temp_directory_path() / "korvane-e2e-network-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    return pattern;
}

// A configuration record with 0xFF in the byte the display keeps for itself: it must come back
// from a read and a save exactly as the display reported it.
SettingsRecords recordsWith0xFF()
{
    SettingsRecords r;
    r.config = {0x71, 0x11, 0x01, 0x00, 77, 121, 1,    1, 0xE1, 0x0F, 0x01, 0x00, 2,
                95,   1,    0,    3,    1,  15,  0xFF, 4, 1,    20,   101,  129,  81};
    return r;
}

SimulatorOptions networkOptions(const fs::path& root)
{
    SimulatorOptions o = volumes({4, 4, 4, 4}, 32);
    o.storage.sdFolder = root / "sd";
    o.storage.flashFolder = root / "flash";
    o.storage.codePage = 1252;
    o.records = recordsWith0xFF();
    return o;
}

// A file of 0xFF whose every whole block of 250 bytes also sums to 0xFF: the last byte of a block
// is chosen so. Sizes like 511 (0x01FF) put 0xFF into the SD open frame too.
QByteArray heavyWith0xFF(qsizetype size)
{
    QByteArray bytes(size, '\xFF');
    for (qsizetype end = 250; end <= size; end += 250)
        bytes[end - 1] = static_cast<char>(0xF8);  // 249 * 0xFF + 0xF8 = 0xFF modulo 256
    return bytes;
}

std::string transportName(SimTransport t)
{
    switch (t) {
    case SimTransport::Pty:
        return "PseudoTerminal";
    case SimTransport::Tcp:
        return "RawTcp";
    case SimTransport::Rfc2217:
        return "Rfc2217";
    }
    return "Unknown";
}

class OverEachLink : public WindowOverPty, public ::testing::WithParamInterface<SimTransport> {
protected:
    OverEachLink() : OverEachLink(freshRoot()) {}
    explicit OverEachLink(fs::path root) : WindowOverPty(networkOptions(root), GetParam()), root_(std::move(root)) {}

    void SetUp() override
    {
        WindowOverPty::SetUp();
        ASSERT_TRUE(pcFolder.isValid());
        if (GetParam() != SimTransport::Pty) {
            const fs::path target = fs::read_symlink(server->linkPath());
            ASSERT_EQ(target.string(), server->slavePath()) << "COM3 names the simulator's address";
        }
    }
    void TearDown() override
    {
        WindowOverPty::TearDown();
        std::error_code ec;
        fs::remove_all(root_, ec);
    }

    QByteArray sdFile(const std::string& name) const
    {
        const Bytes v = readStoredFile(root_ / "sd" / name);
        return QByteArray(reinterpret_cast<const char*>(v.data()), static_cast<qsizetype>(v.size()));
    }
    bool settled(size_t framesBefore) const
    {
        return frameCount() > framesBefore && loop().state() == 1000 && window->comm().ReadyForRead() == 0;
    }

    fs::path root_;
    QTemporaryDir pcFolder;
};

TEST_P(OverEachLink, TheGreetingAndGoodbyeCarryThePseudoTerminalsBytesAndTheBridgeGetsTheLinkTypesLine)
{
    window->Panel1->RadioGroup1->setItemIndex(2);  // "WiFi"
    QString sd;
    script.step(
        "sizes shown", [&] { return greeted(); },
        [&] {
            sd = window->Panel2->Edit10->text();
            press("Button2");
        });
    connectWith(script);

    EXPECT_EQ(sd, "32");
    ASSERT_TRUE(server->simulator().waitForFrames(3, std::chrono::milliseconds(2000)));
    const auto log = frames();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].raw, (Bytes{0xA1, 0x04, 0x34, 0x45, 0x56, 0x67}));
    EXPECT_EQ(log[1].raw, (Bytes{0xA6, 0x01, 0x20}));
    EXPECT_EQ(log[2].raw, (Bytes{0xAE, 0x00, 0x55}));
    EXPECT_FALSE(window->comm().Active());
    EXPECT_TRUE(errors.empty());
    if (GetParam() == SimTransport::Rfc2217) {
        const Rfc2217Server::LineState line = server->requestedLine();
        EXPECT_EQ(line.baudRate, 230400u) << "the baud rate of \"WiFi\"";
        EXPECT_EQ(line.dataBits, 8);
        EXPECT_EQ(line.parity, 1) << "none";
        EXPECT_EQ(line.stopSize, 2);
        EXPECT_EQ(line.flow, 1) << "none";
        EXPECT_TRUE(line.dtr);
        EXPECT_TRUE(line.rts);
    }
}

TEST_P(OverEachLink, ACommandAndARecordWith0xFFReadAndSavedUnchangedComeBackByteForByte)
{
    std::vector<Bytes> sent;
    QString serialShown;
    script.step(
        "greeted", [&] { return greeted(); }, [] {});
    size_t before = 0;
    for (const char* button : {"Button50", "BitBtn22", "BitBtn23"}) {  // key up, read config, save config
        script
            .act(std::string("press ") + button,
                 [&, button] {
                     before = frameCount();
                     press(button);
                 })
            .step(
                std::string("settled after ") + button, [&] { return settled(before); },
                [&] {
                    sent.push_back(frames().back().raw);
                    serialShown = window->TabSheet1->SpinEdit4->text();
                });
    }
    script.act("exit", [&] { press("Button2"); });
    connectWith(script);

    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[0], (Bytes{0xA6, 0x01, 0x02}));
    EXPECT_EQ(sent[1], (Bytes{0xA6, 0x01, 0x18}));
    Bytes save{0xA6, 0x1B, 0x16};
    const auto record = recordsWith0xFF().config;
    save.insert(save.end(), record.begin(), record.end());
    EXPECT_EQ(sent[2], save);
    EXPECT_EQ(sent[2], save);
    EXPECT_EQ(serialShown, "70001");
    EXPECT_EQ(server->simulator().state().config, record);
    EXPECT_TRUE(errors.empty()) << errors.front().toStdString();
}

TEST_P(OverEachLink, SdFilesWhoseBlocksSumsAndSizesHold0xFFArriveByteExact)
{
    std::map<std::string, QByteArray> files = {{"ff1000.bin", heavyWith0xFF(1000)}, {"ff511.bin", heavyWith0xFF(511)}};
    for (const auto& [name, bytes] : files) {
        QFile f(QDir(pcFolder.path()).filePath(QString::fromStdString(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    script.step(
        "greeted", [&] { return greeted(); },
        [&] {
            window->cxTabSheet4->DirectoryListBox1->setFolder(pcFolder.path());
            press("Button7");
        });
    script.step(
        "batch over", [&] { return loop().state() == 1000 && panel(1) == "Files is loaded to SD..."; }, [&] { press("Button2"); },
        15000);
    connectWith(script);

    for (const auto& [name, bytes] : files)
        EXPECT_EQ(sdFile(name), bytes) << name;
    EXPECT_EQ(countFrames("SD close"), 2u);
    EXPECT_TRUE(errors.empty()) << errors.front().toStdString();
}

TEST_P(OverEachLink, ThePeerClosingWhileIdleIsALostLineThatReleasesThePortAndConnectGreetsAgain)
{
    FailureSettings drop;
    drop.enable(FailureMode::DropLine);
    drop.dropAfterFrames = 2;  // the hello and the size query
    server->simulator().setFailures(drop);
    QString shown;
    bool activeAfterLoss = true;
    script
        .step(
            "loss shown", [&] { return panel(1).contains("lost"); },
            [&] {
                shown = panel(1);
                activeAfterLoss = window->comm().Active();
                server->simulator().setFailures({});
                QTimer::singleShot(0, window.get(), [&] { press("Button8"); });
            },
            10000)
        .step(
            "greeted again", [&] { return countFrames("hello") == 2 && greeted(); }, [&] { press("Button2"); });
    connectWith(script);

    EXPECT_EQ(shown, "Connection to COM3 lost. Press \"Connect\" to connect again.");
    EXPECT_FALSE(activeAfterLoss) << "the device is released at once";
    EXPECT_EQ(server->linesDropped(), 1);
    EXPECT_EQ(countFrames("hello"), 2u);
    EXPECT_FALSE(window->comm().Active());
    EXPECT_TRUE(errors.empty());
}

INSTANTIATE_TEST_SUITE_P(Links, OverEachLink, ::testing::Values(SimTransport::Pty, SimTransport::Tcp, SimTransport::Rfc2217),
                         [](const ::testing::TestParamInfo<SimTransport>& info) { return transportName(info.param); });

}  // namespace
