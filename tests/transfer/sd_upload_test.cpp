// The SD upload's states in the real loop, against a scripted display over a pseudo-terminal.
#include "tests/transfer/transfer_fixture.h"

#include <QFileInfo>

#include <thread>

namespace {

std::vector<size_t> blockSizes(qsizetype size)
{
    std::vector<size_t> blocks;
    qsizetype left = size;
    do {
        blocks.push_back(static_cast<size_t>(std::min<qsizetype>(left, 250)));
        left -= 250;
    } while (left > 0);
    return blocks;
}

}  // namespace

class SdUploadTest : public TransferOverFakeLine {};

TEST_F(SdUploadTest, EveryFileOfTheFolderArrivesByteExactInBlocksOfAtMost250)
{
    start();
    const qsizetype sizes[] = {0, 1, 250, 251, 1000, 100000};
    std::map<QString, QByteArray> written;
    for (qsizetype size : sizes) {
        const QString name = QStringLiteral("f%1.bin").arg(size, 6, 10, QChar('0'));
        written[name] = writeFile(name, size, static_cast<int>(size));
        transferHost.fileNames << name;
    }
    runSdBatch(QStringLiteral("/3D/"));

    const auto files = display->sdFiles();
    ASSERT_EQ(files.size(), std::size(sizes));
    for (size_t i = 0; i < files.size(); ++i) {
        const QString name = transferHost.fileNames[static_cast<qsizetype>(i)];
        EXPECT_EQ(QString::fromLatin1(files[i].path), QStringLiteral("/3D/") + name);
        EXPECT_EQ(bytesOf(files[i].data), written[name]) << name.toStdString();
        EXPECT_EQ(files[i].blocks, blockSizes(sizes[i])) << name.toStdString();
        EXPECT_TRUE(files[i].closed) << name.toStdString();
    }
    EXPECT_EQ(transferHost.panels[1], QStringLiteral("Files is loaded to SD..."));
    EXPECT_EQ(transferHost.panels[2], QStringLiteral("100000"));
    EXPECT_EQ(transferHost.progressMaximum, 100000);
    EXPECT_EQ(transferHost.progressPosition, 100000);
    EXPECT_FALSE(transferHost.panels[3].isEmpty());
    // Each file was announced while it went and reported once it was closed.
    const auto& h = transferHost.panel1History;
    EXPECT_NE(std::find(h.begin(), h.end(), QStringLiteral("Loading file f000251.bin to SD...")), h.end());
    EXPECT_NE(std::find(h.begin(), h.end(), QStringLiteral("File /3D/f000251.bin written")), h.end());
    EXPECT_TRUE(host.errors.empty());
}

TEST_F(SdUploadTest, TheDevicePathIsTheFolderTextFollowedByTheName)
{
    start();
    writeFile(QStringLiteral("a.txt"), 3);
    transferHost.fileNames << QStringLiteral("a.txt");
    run([this](ScriptedSteps& s) {
        s.act("to the root", [this] { sd->loadPacket(QStringLiteral("/"), transferHost.pcFolder); });
        s.step(
            "first over", [this] { return loop->state() == State::kIdle; }, [] {});
        s.act("to a typed folder", [this] { sd->loadPacket(QStringLiteral("abc"), transferHost.pcFolder); });
        s.step(
            "second over", [this] { return loop->state() == State::kIdle; }, [] {});
    });
    std::vector<std::vector<uint8_t>> openFrames;
    for (const auto& f : display->frames())
        if (f.marker == 0xAA)
            openFrames.push_back(f.body);
    ASSERT_EQ(openFrames.size(), 2u);
    EXPECT_EQ(openFrames[0], (std::vector<uint8_t>{0x06, '/', 'a', '.', 't', 'x', 't'}));
    EXPECT_EQ(openFrames[1], (std::vector<uint8_t>{0x08, 'a', 'b', 'c', 'a', '.', 't', 'x', 't'}));
}

TEST_F(SdUploadTest, AnEmptyFolderEndsTheBatchAtOnceWithNothingSent)
{
    start();
    runSdBatch();
    EXPECT_EQ(display->countFrames(0xAA), 0u);
    EXPECT_TRUE(transferHost.panel1History.empty());
}

TEST_F(SdUploadTest, AWrongSumAbandonsThatFileWithoutACloseAndTheBatchGoesOn)
{
    ScriptedDisplay::Behaviour b;
    b.wrongSumFile = 1;
    b.wrongSumOnLastBlock = true;
    start(b);
    for (const char* name : {"a.bin", "b.bin", "c.bin"}) {
        writeFile(QString::fromLatin1(name), 600);
        transferHost.fileNames << QString::fromLatin1(name);
    }
    runSdBatch();
    const auto files = display->sdFiles();
    ASSERT_EQ(files.size(), 3u);
    EXPECT_TRUE(files[0].closed);
    EXPECT_FALSE(files[1].closed);
    EXPECT_EQ(files[1].blocks.size(), 3u);  // all of it went; the last sum was wrong
    EXPECT_TRUE(files[2].closed);
    EXPECT_EQ(display->countFrames(0xAC), 2u);
    const auto& h = transferHost.panel1History;
    EXPECT_NE(std::find(h.begin(), h.end(), QStringLiteral("File /b.bin error")), h.end());
    EXPECT_EQ(h.back(), QStringLiteral("Files is loaded to SD... 1 of 3 files failed"));
}

TEST_F(SdUploadTest, StrayBytesAndAcknowledgementsInPiecesStillGiveAByteExactFile)
{
    struct Case {
        const char* what;
        ScriptedDisplay::Behaviour behaviour;
    };
    ScriptedDisplay::Behaviour stray;
    stray.strayBefore = true;
    stray.strayByte = 0x00;
    ScriptedDisplay::Behaviour strayMarker;  // a stray byte that is the next reply's marker
    strayMarker.strayBefore = true;
    strayMarker.strayByte = 0xAB;
    ScriptedDisplay::Behaviour pieces;
    pieces.pieceGap = std::chrono::milliseconds(15);
    ScriptedDisplay::Behaviour both = stray;
    both.pieceGap = std::chrono::milliseconds(15);
    for (const Case& c :
         {Case{"stray 00", stray}, Case{"stray AB", strayMarker}, Case{"pieces", pieces}, Case{"stray and pieces", both}}) {
        SCOPED_TRACE(c.what);
        TearDown();
        start(c.behaviour);
        const QByteArray bytes = writeFile(QStringLiteral("x.bin"), 1000, 3);
        transferHost.fileNames = {QStringLiteral("x.bin")};
        transferHost.panel1History.clear();
        runSdBatch();
        const auto files = display->sdFiles();
        ASSERT_EQ(files.size(), 1u);
        if (c.behaviour.strayByte == 0xAB) {
            // AB taken as the marker, then the real AB as the sum: the file is in error, as the
            // display answered; the stray byte never hangs the window.
            EXPECT_EQ(transferHost.panels[1], QStringLiteral("Files is loaded to SD... 1 of 1 files failed"));
            continue;
        }
        EXPECT_EQ(bytesOf(files[0].data), bytes);
        EXPECT_TRUE(files[0].closed);
        EXPECT_EQ(transferHost.panel1History.back(), QStringLiteral("Files is loaded to SD..."));
        EXPECT_EQ(transferHost.panel1History.end()[-2], QStringLiteral("File /x.bin written"));
    }
}

TEST_F(SdUploadTest, NamesTheDisplayCannotBeToldEndInTheFileErrorWithNothingSent)
{
    start();
    const QString longName = QString(250, QChar('n'));  // "/" + 250 + ... > 255 bytes with the folder
    const QString cyrillic = QStringLiteral("Привет.txt");
    for (const QString& name : {QStringLiteral("a.bin"), longName, cyrillic, QStringLiteral("z.bin")}) {
        writeFile(name, 10);
        transferHost.fileNames << name;
    }
    transferHost.codePage = 1252;
    runSdBatch(QStringLiteral("/params/"));
    auto files = display->sdFiles();
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].path, "/params/a.bin");
    EXPECT_EQ(files[1].path, "/params/z.bin");
    const auto& h = transferHost.panel1History;
    EXPECT_NE(std::find(h.begin(), h.end(), QStringLiteral("File /params/") + longName + QStringLiteral(" error")), h.end());
    EXPECT_NE(std::find(h.begin(), h.end(), QStringLiteral("File /params/Привет.txt error")), h.end());
    EXPECT_EQ(h.back(), QStringLiteral("Files is loaded to SD... 2 of 4 files failed"));

    // The same Cyrillic name goes under a Russian locale's code page, in its bytes.
    TearDown();
    start();
    writeFile(cyrillic, 10);
    transferHost.fileNames = {cyrillic};
    transferHost.codePage = 1251;
    runSdBatch(QStringLiteral("/str/"));
    files = display->sdFiles();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].path, "/str/\xCF\xF0\xE8\xE2\xE5\xF2.txt");
    EXPECT_TRUE(files[0].closed);
}

TEST_F(SdUploadTest, ThePathLimitIs255BytesOfTheCodePage)
{
    start();
    // A file name of 200 bytes; the SD folder's text makes the path 255 or 256 bytes long.
    const QString name = QString(200, QChar('x'));
    writeFile(name, 5);
    transferHost.fileNames = {name};
    run([&](ScriptedSteps& s) {
        s.act("fits", [&] { sd->loadPacket(QStringLiteral("/") + QString(54, QChar('d')), transferHost.pcFolder); });
        s.step(
            "first over", [this] { return loop->state() == State::kIdle; }, [] {});
        s.act("too long", [&] { sd->loadPacket(QStringLiteral("/") + QString(55, QChar('d')), transferHost.pcFolder); });
        s.step(
            "second over", [this] { return loop->state() == State::kIdle; }, [] {});
    });
    const auto files = display->sdFiles();
    ASSERT_EQ(files.size(), 1u);  // the first batch's file only
    EXPECT_EQ(files[0].path.size(), 255u);
    EXPECT_TRUE(files[0].closed);
    EXPECT_EQ(transferHost.panel1History.end()[-2],
              QStringLiteral("File /") + QString(55, QChar('d')) + name + QStringLiteral(" error"));
}

TEST_F(SdUploadTest, AnUnreadableOrTooLargeFileEndsInTheFileErrorAndTheLineStaysUp)
{
    start();
    writeFile(QStringLiteral("a.bin"), 10);
    ASSERT_TRUE(QFile::link(QStringLiteral("/proc/self/mem"), QDir(folder.path()).filePath(QStringLiteral("b.bin"))));
    {
        QFile huge(QDir(folder.path()).filePath(QStringLiteral("c.img")));
        ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
        ASSERT_TRUE(huge.resize(int64_t{1} << 31));  // sparse: nothing is written
    }
    const QByteArray d = writeFile(QStringLiteral("d.bin"), 300);
    transferHost.fileNames = {QStringLiteral("a.bin"), QStringLiteral("b.bin"), QStringLiteral("c.img"), QStringLiteral("d.bin")};
    runSdBatch(QStringLiteral("/"), 5000);

    const auto files = display->sdFiles();
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].path, "/a.bin");
    EXPECT_EQ(files[1].path, "/d.bin");
    EXPECT_EQ(bytesOf(files[1].data), d);
    const auto& h = transferHost.panel1History;
    EXPECT_NE(std::find(h.begin(), h.end(), QStringLiteral("File /b.bin error")), h.end());
    EXPECT_NE(std::find(h.begin(), h.end(), QStringLiteral("File /c.img error")), h.end());
    EXPECT_EQ(h.back(), QStringLiteral("Files is loaded to SD... 2 of 4 files failed"));
    const TransferResults& r = sd->results();
    EXPECT_TRUE(r.at(1).outcomeText().startsWith(QStringLiteral("cannot read: "))) << r.at(1).outcomeText().toStdString();
    EXPECT_EQ(r.at(2).outcomeText(), QStringLiteral("cannot read: larger than 2 GiB"));
    EXPECT_TRUE(host.errors.empty());  // the loop went on: nothing ended it
}

TEST_F(SdUploadTest, TheBatchOpensItsFilesInTheFolderChosenAtLoadPacket)
{
    start();
    QTemporaryDir other;
    ASSERT_TRUE(other.isValid());
    const QByteArray chosen = writeFile(QStringLiteral("same.bin"), 700, 1);
    writeFile(QStringLiteral("same.bin"), 700, 99, other.path());
    writeFile(QStringLiteral("later.bin"), 10, 1);
    writeFile(QStringLiteral("later.bin"), 10, 5, other.path());
    transferHost.fileNames = {QStringLiteral("same.bin"), QStringLiteral("later.bin")};
    run([&](ScriptedSteps& s) {
        s.act("load packet", [&] { sd->loadPacket(QStringLiteral("/"), transferHost.pcFolder); });
        // The user browses elsewhere as soon as the batch has started.
        s.step(
            "started", [this] { return loop->state() != State::kSdBatchStart; }, [&] { transferHost.pcFolder = other.path(); });
        s.step(
            "batch over", [this] { return loop->state() == State::kIdle; }, [] {});
    });
    const auto files = display->sdFiles();
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(bytesOf(files[0].data), chosen);
    EXPECT_EQ(files[1].data.front(), 1);  // from the chosen folder, not the other one (5)
}

TEST_F(SdUploadTest, AMissingFileIsLookedForOnATimerUntilItAppears)
{
    start();
    transferHost.fileNames = {QStringLiteral("late.bin")};
    const int passesWhileWaiting = passesWhileFileMissing(
        State::kSdOpen, [&] { sd->loadPacket(QStringLiteral("/"), transferHost.pcFolder); }, QStringLiteral("late.bin"), 42);
    EXPECT_LT(passesWhileWaiting, 1000);
    const auto& h = transferHost.panel1History;
    EXPECT_NE(std::find(h.begin(), h.end(),
                        QStringLiteral("Waiting for late.bin to appear in ") + QDir::toNativeSeparators(folder.path())),
              h.end());
    EXPECT_EQ(display->countFrames(0xAA), 1u);
    ASSERT_EQ(display->sdFiles().size(), 1u);
    EXPECT_EQ(display->sdFiles()[0].data.size(), 42u);
}
