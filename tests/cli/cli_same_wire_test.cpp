// `korvane sd-upload` and the window's "Load Packet" put the same transfer frames on the wire for
// the same folder: the simulator's log of each run is compared frame by frame.
#include "tests/e2e/window_fixture.h"

#include "app/sd_file_controls.h"
#include "app/sd_file_manager_page.h"
#include "app/widgets/k_combo_box.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

namespace fs = std::filesystem;

std::vector<std::vector<uint8_t>> transferFrames(const std::vector<FrameRecord>& log)
{
    std::vector<std::vector<uint8_t>> frames;
    for (const FrameRecord& f : log)
        if (f.kind == FrameKind::SdOpen || f.kind == FrameKind::SdBlock || f.kind == FrameKind::SdClose)
            frames.push_back(f.raw);
    return frames;
}

SimulatorOptions storage(const QTemporaryDir& root)
{
    SimulatorOptions o = volumes({4, 4, 4, 4}, 512);
    o.storage.sdFolder = fs::path(root.path().toStdString()) / "sd";
    o.storage.flashFolder = fs::path(root.path().toStdString()) / "flash";
    o.storage.codePage = 1252;
    return o;
}

// Made before the window's simulator, which keeps its card in one of them.
struct Folders {
    QTemporaryDir windowRoot;
    QTemporaryDir cliRoot;
    QTemporaryDir pcFolder;
};

class SameWire : protected Folders, public WindowOverPty {
protected:
    SameWire() : WindowOverPty(storage(windowRoot)) {}

    void writePcFile(const QString& name, qsizetype size, int seed)
    {
        QByteArray bytes(size, '\0');
        for (qsizetype i = 0; i < size; ++i)
            bytes[i] = static_cast<char>((i * 31 + seed) & 0xFF);
        QFile f(QDir(pcFolder.path()).filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
};

TEST_F(SameWire, SdUploadAndLoadPacketSendTheSameFramesForTheSameFolder)
{
    writePcFile("zeta.bin", 1001, 1);
    writePcFile("Alpha.txt", 250, 2);
    writePcFile("empty", 0, 3);
    writePcFile("b.dat", 251, 4);

    script.step(
        "greeted", [&] { return greeted(); },
        [&] {
            window->cxPageControl1->setActivePage(window->cxTabSheet4);
            window->cxTabSheet4->DirectoryListBox1->setFolder(pcFolder.path());
            window->cxTabSheet4->ComboBox2->setItemIndex(3);  // "/params/"
            press("Button7");
        });
    script.step(
        "batch over", [&] { return loop().state() == 1000 && panel(1) == "Files is loaded to SD..."; }, [&] { press("Button2"); },
        15000);
    connectWith(script);
    const auto fromWindow = transferFrames(frames());
    ASSERT_EQ(fromWindow.size(), 4u * 2 + 5 + 1 + 1 + 2) << "opens and closes, and the blocks of 1001, 250, 0 and 251 bytes";
    window.reset();
    server->stop();

    SimPtyServerOptions o;
    o.simulator = storage(cliRoot);
    o.registerLink = true;
    o.portNumber = 3;
    SimPtyServer cliServer(std::move(o));
    cliServer.start();
    QProcess p;
    p.start(QStringLiteral(KORVANE_EXE),
            {"sd-upload", pcFolder.path(), "--to", "/params/", "--port", "COM3", "--codepage", "1252"});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    const auto fromCli = transferFrames(cliServer.simulator().log());
    cliServer.stop();
    EXPECT_EQ(fromCli, fromWindow);
}

}  // namespace
