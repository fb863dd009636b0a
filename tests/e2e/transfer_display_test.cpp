// What the window shows while a transfer waits: the status panels are painted at a bounded
// rate, and the protocol state a step waits in still reaches panel 4 on the screen.
#include "tests/e2e/window_fixture.h"

#include "app/sd_file_controls.h"
#include "app/widgets/k_edit.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <filesystem>

namespace {

namespace fs = std::filesystem;

fs::path freshRoot()
{
    std::string pattern = (fs::temp_directory_path() / "korvane-e2e-display-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    return pattern;
}

// Every answer to the frames of the first two transfers (an SD file, then a flash image) is
// held back, so that each waiting step lasts long enough to look at the screen.
SimulatorOptions slowAnswers(const fs::path& root)
{
    SimulatorOptions o = volumes({4, 4, 4, 4}, 32);
    o.storage.sdFolder = root / "sd";
    o.storage.flashFolder = root / "flash";
    o.failures.enable(FailureMode::DelayReplies).at(0, 0);
    o.failures.replyDelay = std::chrono::milliseconds(400);
    return o;
}

class WaitingStates : public WindowOverPty {
protected:
    WaitingStates() : WaitingStates(freshRoot()) {}
    explicit WaitingStates(fs::path root) : WindowOverPty(slowAnswers(root)), root_(std::move(root)) {}
    void TearDown() override
    {
        WindowOverPty::TearDown();
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    // What panel 4 shows on the screen, not only the text it was given.
    QString shownState() const { return window->StatusBar1->panelShownText(4); }

    fs::path root_;
    QTemporaryDir pcFolder;
};

TEST_F(WaitingStates, PanelFourShowsEveryStateAStepWaitsIn)
{
    ASSERT_TRUE(pcFolder.isValid());
    const QString file = QDir(pcFolder.path()).filePath(QStringLiteral("a.bin"));
    const QString gone = QDir(pcFolder.path()).filePath(QStringLiteral("b.bin"));
    for (const QString& path : {file, gone}) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(100, 'x'));
    }
    script.step(
        "greeted", [&] { return greeted(); },
        [&] {
            window->cxTabSheet4->DirectoryListBox1->setFolder(pcFolder.path());
            QFile::remove(gone);  // listed, but missing when its turn comes
            window->cxTabSheet4->Button7Click();
        });
    // Each state is held for 400 ms by the display's late answer (40: by the missing file).
    for (const char* state : {"42", "44", "46", "40"})
        script.step(
            std::string("panel 4 shows ") + state, [&, state] { return shownState() == state; }, [] {}, 3000);
    // The batch waits for the missing file: its Stop ends it, then the image may go.
    script.act("stop the batch", [&] { press("sdStop"); });
    script.act("flash image", [&] {
        window->TabSheet4->imageFileBox[4]->setText(file);
        window->TabSheet4->imageSendClick(4);
    });
    for (const char* state : {"242", "244"})
        script.step(
            std::string("panel 4 shows ") + state, [&, state] { return shownState() == state; }, [] {}, 3000);
    script.step(
        "idle shown", [&] { return shownState() == "1000"; }, [&] { press("Button2"); }, 3000);
    connectWith(script);
    EXPECT_TRUE(errors.empty());
}

}  // namespace
