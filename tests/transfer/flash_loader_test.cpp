// The flash loader's states in the real loop, against a scripted display over a pseudo-terminal.
#include "tests/transfer/transfer_fixture.h"

class FlashLoaderTest : public TransferOverFakeLine {};

TEST_F(FlashLoaderTest, ImagesArriveInWholeBlocksFilledUpWithZeros)
{
    start();
    // A full-block image of 0xFF first: none of its bytes may pad the images after it.
    const QString ones = QDir(folder.path()).filePath(QStringLiteral("ones.imz"));
    {
        QFile f(ones);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(3072, '\xFF'));
    }
    struct Case {
        const char* name;
        qsizetype size;
        size_t arrives;
    } cases[] = {{"empty.imz", 0, 1024}, {"two.imz", 2048, 2048}, {"twoplus.imz", 2049, 3072}};
    std::vector<QByteArray> contents;
    for (const Case& c : cases)
        contents.push_back(writeFile(QString::fromLatin1(c.name), c.size, 11));
    run([&](ScriptedSteps& s) {
        s.act("ones", [&] { flash->send(ones, 7); });
        s.step(
            "ones over", [this] { return loop->state() == State::kIdle; }, [] {});
        for (const Case& c : cases) {
            s.act(c.name, [&, c] { flash->send(QDir(folder.path()).filePath(QString::fromLatin1(c.name)), 2); });
            s.step(
                std::string(c.name) + " over", [this] { return loop->state() == State::kIdle; }, [] {});
        }
    });
    const auto images = display->flashImages();
    ASSERT_EQ(images.size(), 4u);
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].name);
        const auto& image = images[i + 1];
        EXPECT_EQ(image.slot, 2);
        ASSERT_EQ(image.data.size(), cases[i].arrives);
        QByteArray expected = contents[i];
        expected.append(QByteArray(static_cast<qsizetype>(cases[i].arrives) - expected.size(), '\0'));
        EXPECT_EQ(bytesOf(image.data), expected);
    }
    EXPECT_EQ(transferHost.panel1History.back(), QStringLiteral("File twoplus.imz written"));
    EXPECT_NE(std::find(transferHost.panel1History.begin(), transferHost.panel1History.end(),
                        QStringLiteral("Loading file twoplus.imz to External Flash...")),
              transferHost.panel1History.end());
    EXPECT_EQ(transferHost.panels[2], QStringLiteral("2049"));
    EXPECT_EQ(transferHost.progressMaximum, 2049);
    EXPECT_EQ(transferHost.progressPosition, 2049);
}

TEST_F(FlashLoaderTest, TheOpenFrameNamesTheSlot)
{
    start();
    writeFile(QStringLiteral("disk3.imz"), 10);
    runFlash(QDir(folder.path()).filePath(QStringLiteral("disk3.imz")), 3);
    const auto frames = display->frames();
    const auto open = std::find_if(frames.begin(), frames.end(), [](const auto& f) { return f.marker == 0xA3; });
    ASSERT_NE(open, frames.end());
    EXPECT_EQ(open->body, (std::vector<uint8_t>{0x01, 0x03}));
    const auto block = std::find_if(frames.begin(), frames.end(), [](const auto& f) { return f.marker == 0xA4; });
    ASSERT_NE(block, frames.end());
    EXPECT_EQ(block->body.size(), 1025u);
    EXPECT_EQ(block->body[0], 0x00);
}

TEST_F(FlashLoaderTest, AWrongFirstSumEndsTheTransferAtOnce)
{
    ScriptedDisplay::Behaviour b;
    b.wrongSumBlock = 0;
    start(b);
    writeFile(QStringLiteral("sys.imz"), 5000);
    runFlash(QDir(folder.path()).filePath(QStringLiteral("sys.imz")), 0);
    EXPECT_EQ(display->countFrames(0xA4), 1u);
    EXPECT_EQ(transferHost.panels[1], QStringLiteral("File sys.imz error"));
    EXPECT_TRUE(host.errors.empty());
}

TEST_F(FlashLoaderTest, PanelSixCountsTheAcknowledgementsBytesWhileItIsAwaited)
{
    ScriptedDisplay::Behaviour b;
    b.pieceGap = std::chrono::milliseconds(300);
    start(b);
    writeFile(QStringLiteral("diag.imz"), 100);
    runFlash(QDir(folder.path()).filePath(QStringLiteral("diag.imz")), 6);
    EXPECT_EQ(transferHost.panel6History, (std::vector<QString>{QStringLiteral("0"), QStringLiteral("1")}));
    EXPECT_EQ(transferHost.panels[1], QStringLiteral("File diag.imz written"));
}

TEST_F(FlashLoaderTest, AnUnreadableOrTooLargeImageEndsInTheFileErrorAndTheLineStaysUp)
{
    start();
    const QString unreadable = QDir(folder.path()).filePath(QStringLiteral("locked.imz"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/proc/self/mem"), unreadable));
    const QString huge = QDir(folder.path()).filePath(QStringLiteral("huge.imz"));
    {
        QFile f(huge);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(int64_t{1} << 31));  // sparse: nothing is written
    }
    writeFile(QStringLiteral("fine.imz"), 10);
    std::vector<QString> endings;
    run([&](ScriptedSteps& s) {
        for (const QString& file : {unreadable, huge, QDir(folder.path()).filePath(QStringLiteral("fine.imz"))}) {
            s.act("send", [&, file] { flash->send(file, 4); });
            s.step(
                "over", [this] { return loop->state() == State::kIdle; }, [&] { endings.push_back(transferHost.panels[1]); },
                3000);
        }
    });
    EXPECT_EQ(endings,
              (std::vector<QString>{QStringLiteral("File locked.imz error"), QStringLiteral("File huge.imz error"),
                                    QStringLiteral("File fine.imz written")}));
    EXPECT_EQ(display->countFrames(0xA3), 1u);
    EXPECT_TRUE(host.errors.empty());
}

TEST_F(FlashLoaderTest, AMissingImageIsLookedForOnATimerUntilItAppears)
{
    start();
    const QString late = QDir(folder.path()).filePath(QStringLiteral("late.imz"));
    const int passesWhileWaiting = passesWhileFileMissing(
        State::kFlashOpen, [&] { flash->send(late, 1); }, QStringLiteral("late.imz"), 1);
    EXPECT_LT(passesWhileWaiting, 1000);
    EXPECT_EQ(display->countFrames(0xA3), 1u);
    EXPECT_EQ(transferHost.panels[1], QStringLiteral("File late.imz written"));
}
