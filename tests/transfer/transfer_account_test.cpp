// Every transfer ends with a true account: a result for each file, a final text that never
// claims success after a failure, Stop, and the stall notice while the display is quiet.
#include "tests/transfer/transfer_fixture.h"

#include <QElapsedTimer>

namespace {

QStringList outcomes(const TransferResults& results)
{
    QStringList texts;
    for (int i = 0; i < results.count(); ++i)
        texts << results.at(i).outcomeText();
    return texts;
}

}  // namespace

class TransferAccountTest : public TransferOverFakeLine {};

TEST_F(TransferAccountTest, TheBatchEndsWithTheCountOfFailedFilesAndAResultForEach)
{
    struct Case {
        const char* what;
        int wrongSumFile;  // 0-based, -1 for none
        QString sdFolder;
        QString finalText;
        QStringList results;
        QString tip;
        size_t openFrames;
    } cases[] = {
        {"all go",
         -1,
         QStringLiteral("/"),
         QStringLiteral("Files is loaded to SD..."),
         {"written", "written", "written"},
         QString(),
         3},
        {"the second fails its sum",
         1,
         QStringLiteral("/"),
         QStringLiteral("Files is loaded to SD... 1 of 3 files failed"),
         {"written", "sum error at block 3", "written"},
         QStringLiteral("Not written: b.bin"),
         3},
        {"a folder too long for any name",
         -1,
         QString(300, QChar('x')),
         QStringLiteral("Files is loaded to SD... 3 of 3 files failed"),
         {"name not writable on the display", "name not writable on the display", "name not writable on the display"},
         QStringLiteral("Not written: a.bin, b.bin, c.bin"),
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        ScriptedDisplay::Behaviour b;
        b.wrongSumFile = c.wrongSumFile;
        b.wrongSumOnLastBlock = true;
        start(b);
        transferHost = RecordingTransferHost{};
        transferHost.pcFolder = folder.path();
        for (const char* name : {"a.bin", "b.bin", "c.bin"}) {
            writeFile(QString::fromLatin1(name), 600);
            transferHost.fileNames << QString::fromLatin1(name);
        }
        runSdBatch(c.sdFolder);
        EXPECT_EQ(transferHost.panels[1], c.finalText);
        EXPECT_EQ(transferHost.panel1Tip, c.tip);
        EXPECT_EQ(outcomes(sd->results()), c.results);
        EXPECT_EQ(display->countFrames(0xAA), c.openFrames);
        EXPECT_FALSE(loop->job().running());
    }
}

TEST_F(TransferAccountTest, AQuietDisplayIsNoticedAndStopEndsTheBatchWithTheFileMarked)
{
    ScriptedDisplay::Behaviour b;
    b.silentAfterFirstBlock = true;
    start(b);
    for (const char* name : {"a.bin", "b.bin"}) {
        writeFile(QString::fromLatin1(name), 1000);
        transferHost.fileNames << QString::fromLatin1(name);
    }
    size_t blocksAtStop = 0;
    QElapsedTimer sinceStop;
    run([&](ScriptedSteps& s) {
        s.act("load packet", [&] { sd->loadPacket(QStringLiteral("/"), transferHost.pcFolder); });
        s.step(
            "second block out", [&] { return display->countFrames(0xAB) == 2; },
            [&] {
                EXPECT_TRUE(loop->job().running());
                EXPECT_EQ(transferHost.panels[1], QStringLiteral("Loading file a.bin to SD..."));
            });
        s.step(
            "stall noticed", [&] { return host.panels[1].startsWith(QStringLiteral("No answer")); },
            [&] {
                EXPECT_EQ(host.panels[1],
                          QStringLiteral("No answer from the display for 3 s; still waiting (Stop ends the transfer)"));
                EXPECT_EQ(loop->state(), State::kSdBlockAck);  // the wait goes on unchanged
                loop->stopJob();
                blocksAtStop = display->countFrames(0xAB);
                sinceStop.start();
            },
            6000);
        s.step(
            "a while", [&] { return sinceStop.isValid() && sinceStop.elapsed() > 200; }, [] {});
    });
    EXPECT_EQ(loop->state(), State::kIdle);
    EXPECT_FALSE(loop->job().running());
    EXPECT_EQ(display->countFrames(0xAB), blocksAtStop);
    EXPECT_EQ(display->countFrames(0xAA), 1u);
    EXPECT_EQ(outcomes(sd->results()), (QStringList{"stopped at byte 250", "not sent"}));
    EXPECT_EQ(transferHost.panels[1], QStringLiteral("Transfer stopped: 0 of 2 files written"));
}

TEST_F(TransferAccountTest, SendFailedAgainSendsOnlyTheFilesThatDidNotGo)
{
    ScriptedDisplay::Behaviour b;
    b.wrongSumFile = 1;
    b.wrongSumOnLastBlock = true;
    start(b);
    std::map<QString, QByteArray> written;
    for (const char* name : {"a.bin", "b.bin", "c.bin"}) {
        written[QString::fromLatin1(name)] = writeFile(QString::fromLatin1(name), 600);
        transferHost.fileNames << QString::fromLatin1(name);
    }
    run([&](ScriptedSteps& s) {
        s.act("load packet", [&] { sd->loadPacket(QStringLiteral("/"), transferHost.pcFolder); });
        s.step(
            "batch over", [&] { return loop->state() == State::kIdle && !loop->job().running(); },
            [&] { EXPECT_TRUE(sd->sendFailedAgain()); });
        s.step(
            "again over", [&] { return loop->state() == State::kIdle && !loop->job().running(); }, [] {});
    });
    const auto files = display->sdFiles();
    ASSERT_EQ(files.size(), 4u);
    EXPECT_EQ(files[3].path, "/b.bin");
    EXPECT_EQ(bytesOf(files[3].data), written[QStringLiteral("b.bin")]);
    EXPECT_TRUE(files[3].closed);
    EXPECT_EQ(outcomes(sd->results()), (QStringList{"written"}));
    EXPECT_EQ(transferHost.panels[1], QStringLiteral("Files is loaded to SD..."));
    EXPECT_FALSE(sd->sendFailedAgain());  // nothing left to send
}

TEST_F(TransferAccountTest, EachImageSlotKeepsItsLastResult)
{
    ScriptedDisplay::Behaviour b;
    b.silentAfterFirstBlock = true;
    start(b);
    writeFile(QStringLiteral("sys.imz"), 700);
    writeFile(QStringLiteral("logos.imz"), 5000);
    const QString sys = QDir(folder.path()).filePath(QStringLiteral("sys.imz"));
    const QString logos = QDir(folder.path()).filePath(QStringLiteral("logos.imz"));
    run([&](ScriptedSteps& s) {
        s.act("send sys", [&] { flash->send(sys, 0); });
        s.step(
            "written", [&] { return loop->state() == State::kIdle && !loop->job().running(); }, [&] { flash->send(logos, 7); });
        s.step(
            "second block out", [&] { return display->countFrames(0xA4) == 2; }, [&] { loop->stopJob(); });
    });
    EXPECT_EQ(flash->slotResult(0).outcomeText(), QStringLiteral("written"));
    EXPECT_EQ(flash->slotResult(0).bytesSent, 700);
    EXPECT_EQ(flash->slotResult(7).outcomeText(), QStringLiteral("stopped at byte 0"));
    EXPECT_EQ(flash->slotResult(7).size, 5000);
    EXPECT_EQ(transferHost.slotShown.at(7), QStringLiteral("stopped at byte 0"));
    EXPECT_EQ(transferHost.panels[1], QStringLiteral("Transfer stopped: 0 of 1 files written"));
    EXPECT_FALSE(loop->job().running());
}
