// korvane as a process against the display simulator, which serves a pseudo-terminal registered
// as port link COM3 and logs every frame it takes.
#include "tests/cli/cli_fixture.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstring>

namespace {

TEST_F(Cli, InfoGreetsPrintsTheSizesAndSaysGoodbye)
{
    startSim({}, {{4, 0, 8, 2}, 512});
    const Outcome r = run({"info", "--port", "COM3"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("Disk 0: 4 Mb\nDisk 1: 0 Mb\nDisk 2: 8 Mb\nDisk 3: 2 Mb\nSD: 512 Mb")) << r.out.toStdString();
    EXPECT_EQ(frameNames(), (std::vector<std::string>{"hello", "size query", "goodbye"}));
}

TEST_F(Cli, PortsListsTheSimulatorsLink)
{
    startSim();
    const Outcome plain = run({"ports"});
    ASSERT_EQ(plain.exitCode, 0);
    EXPECT_TRUE(plain.out.contains(QStringLiteral("COM3   ") + QString::fromStdString(server->linkPath())))
        << plain.out.toStdString();
    const Outcome json = run({"ports", "--json"});
    ASSERT_EQ(json.exitCode, 0);
    EXPECT_TRUE(json.out.contains(QStringLiteral("{\"port\": \"COM3\", \"path\": \"") + QString::fromStdString(server->linkPath())
                                  + QStringLiteral("\", \"product\": \"\"}")))
        << json.out.toStdString();
    EXPECT_TRUE(json.out.startsWith('[') && json.out.endsWith("]\n")) << json.out.toStdString();
}

TEST_F(Cli, SendTakesCommandsByNameAndPrintsTheRecordsTheyRead)
{
    startSim();
    const Outcome r = run({"send", "--port", "COM3", "kl15-on", "read-config", "reboot"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith("sent kl15-on\nread-config: A6 18 ")) << r.out.toStdString();
    EXPECT_TRUE(r.out.endsWith("sent reboot\n")) << r.out.toStdString();
    EXPECT_EQ(frameNames(), (std::vector<std::string>{"hello", "size query", "kl 15 on", "read config", "reboot", "goodbye"}));
}

TEST_F(Cli, GuardedCommandsAndNamesAreRefusedWithoutYesBeforeAnythingIsSent)
{
    startSim();
    const QString sd = folder("names");
    writeFile(sd + QStringLiteral("/\u0416.txt"), "x");  // not in code page 1252
    QTemporaryDir images;
    writeFile(images.filePath("mine.imz"), "x");
    const struct {
        QStringList args;
        const char* says;
    } cases[] = {
        {{"send", "--port", "COM3", "reset-all-bc"}, "0x28"},
        {{"send", "--port", "COM3", "reboot", "erase-config"}, "0x10"},
        {{"send", "--port", "COM3", "reset-service-records"}, "0x37"},
        {withPort({"sd-upload", sd}), "cannot be written in code page 1252"},
        {{"flash", "--port", "COM3", "--slot", "2", images.filePath("mine.imz")}, "slot 2 holds disk1.imz"},
    };
    for (const auto& c : cases) {
        const Outcome r = run(c.args);
        EXPECT_EQ(r.exitCode, 2) << c.args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(c.says)) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains("--yes")) << r.err.toStdString();
    }
    EXPECT_TRUE(loggedNames().empty()) << "a refused command opened the port";
    const Outcome yes = run({"send", "--port", "COM3", "--yes", "reset-all-bc"});
    EXPECT_EQ(yes.exitCode, 0) << yes.err.toStdString();
    EXPECT_EQ(frameNames(), (std::vector<std::string>{"hello", "size query", "reset all BC", "goodbye"}));
}

TEST_F(Cli, SdUploadSendsEveryFileAndPrintsOneResultLineEach)
{
    startSim();
    const QString pc = folder("pc");
    writeFile(pc + "/b.bin", pattern(600, 2));
    writeFile(pc + "/a.bin", pattern(250, 1));
    writeFile(pc + "/c.bin", QByteArray());
    QDir(server->simulator().storageOptions().sdFolder.string().c_str()).mkpath("logos");
    const Outcome r = run(withPort({"sd-upload", pc, "--to", "/logos/"}));
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "/logos/a.bin\twritten\n/logos/b.bin\twritten\n/logos/c.bin\twritten\n");
    const fs::path sd = server->simulator().storageOptions().sdFolder / "logos";
    EXPECT_EQ(readFile(sd / "a.bin"), pattern(250, 1));
    EXPECT_EQ(readFile(sd / "b.bin"), pattern(600, 2));
    EXPECT_TRUE(r.err.isEmpty()) << "no progress bar without a terminal: " << r.err.toStdString();
}

TEST_F(Cli, AFailingFileEndsWithExitOneItsResultLineAndTheOthersGoOn)
{
    FailureSettings wrong;
    wrong.enable(FailureMode::WrongSum).at(1, 2);
    const struct {
        FailureSettings failures;
        bool undecodableName;
        QStringList extra;
        const char* out;
    } cases[] = {
        {wrong, false, {}, "/a.bin\tsum error at block 2\n/b.bin\twritten\n"},
        // a name the locale cannot decode is listed too, and ends in its own result
        {{},
         true,
         {"--yes"},
         "/a.bin\twritten\n/b.bin\twritten\n/\xef\xbf\xbd\xef\xbf\xbd.bin\tname not writable on the display\n"},
    };
    for (const auto& c : cases) {
        if (server)
            server->stop();
        startSim(c.failures);
        QTemporaryDir pcDir;
        const QString pc = pcDir.path();
        writeFile(pc + "/a.bin", pattern(700, 1));
        writeFile(pc + "/b.bin", pattern(300, 2));
        if (c.undecodableName) {
            const fs::path bad = fs::path(pc.toStdString()) / std::string("\xff\xfe.bin");
            FILE* f = std::fopen(bad.c_str(), "wb");
            ASSERT_NE(f, nullptr);
            std::fclose(f);
        }
        const Outcome r = run(withPort(QStringList{"sd-upload", pc} + c.extra));
        EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
        EXPECT_EQ(r.out, QString::fromUtf8(c.out));
        EXPECT_EQ(readFile(server->simulator().storageOptions().sdFolder / "b.bin"), pattern(300, 2));
    }
}

TEST_F(Cli, FlashLoadsOneImageIntoTheSlotThePageNumbers)
{
    startSim();
    QTemporaryDir images;
    writeFile(images.filePath("logos.imz"), pattern(1500, 3));
    const Outcome r = run({"flash", "--port", "COM3", "--slot", "8", images.filePath("logos.imz")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, images.filePath("logos.imz") + "\twritten\n");
    const QByteArray slot = readFile(server->simulator().storageOptions().flashFolder / "logos.imz");
    EXPECT_EQ(slot.left(1500), pattern(1500, 3));
}

TEST_F(Cli, AnImageLargerThanItsDiskIsRefusedAfterTheGreeting)
{
    startSim({}, {{1, 4, 4, 4}, 512});
    QTemporaryDir images;
    writeFile(images.filePath("sys.imz"), pattern(1024 * 1024 + 1, 4));
    const Outcome r = run({"flash", "--port", "COM3", "--slot", "1", images.filePath("sys.imz")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains("does not fit Disk 0 (1 Mb)")) << r.err.toStdString();
    EXPECT_EQ(frameNames(), (std::vector<std::string>{"hello", "size query", "goodbye"}));
}

TEST_F(Cli, AMissingPortEndsWithThreeAndTheSystemsReason)
{
    const Outcome r = run({"info", "--port", "/dev/ttyUSB9", "--timeout", "1"});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_TRUE(r.err.contains("cannot open COM42")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QString::fromLocal8Bit(std::strerror(ENOENT)))) << r.err.toStdString();
}

TEST_F(Cli, ALineLostMidTransferEndsWithThreeAndMarksTheFileWhereItStood)
{
    FailureSettings drop;
    drop.enable(FailureMode::DropLine).at(1, 3);
    drop.dropAfterFrames = 1;
    const QString pc = folder("pc");
    writeFile(pc + "/a.bin", pattern(2000, 1));
    writeFile(pc + "/b.bin", pattern(10, 2));
    const QString image = folder("images") + "/diag.imz";
    writeFile(image, pattern(5000, 3));
    // The display acknowledged the struck block before the line dropped.
    const struct {
        QStringList args;
        QString out;
    } cases[] = {
        {withPort({"sd-upload", pc}), "/a.bin\tline lost at byte 750\n/b.bin\tnot sent\n"},
        {{"flash", "--port", "COM3", "--slot", "7", image}, image + "\tline lost at byte 3072\n"},
    };
    for (const auto& c : cases) {
        if (server)
            server->stop();
        startSim(drop);
        const Outcome r = run(c.args);
        EXPECT_EQ(r.exitCode, 3) << c.args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains("connection to COM3 lost")) << r.err.toStdString();
        EXPECT_EQ(r.out, c.out);
    }
}

TEST_F(Cli, ASilentDisplayEndsWithFourAfterTheTimeout)
{
    FailureSettings silent;
    silent.enable(FailureMode::Silent);
    startSim(silent);
    const auto begin = std::chrono::steady_clock::now();
    const Outcome r = run({"info", "--port", "COM3", "--timeout", "1"});
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_TRUE(r.err.contains("did not answer within 1 s")) << r.err.toStdString();
    EXPECT_LT(std::chrono::steady_clock::now() - begin, 8s);
    EXPECT_EQ(frameNames().back(), "goodbye");
}

TEST_F(Cli, CtrlCMidUploadSaysGoodbyeMarksTheFileAndExits130)
{
    FailureSettings slow;
    slow.enable(FailureMode::DelayReplies).at(0, 0);
    slow.replyDelay = 20ms;
    startSim(slow);
    const QString pc = folder("pc");
    writeFile(pc + "/big.bin", pattern(250 * 400, 5));
    writeFile(pc + "/next.bin", pattern(10, 6));
    QProcess p;
    p.start(QStringLiteral(KORVANE_EXE), withPort({"sd-upload", pc}));
    ASSERT_TRUE(p.waitForStarted());
    ASSERT_TRUE(server->simulator().waitForFrames(6, 15s)) << "the upload did not start";
    ::kill(static_cast<pid_t>(p.processId()), SIGINT);
    ASSERT_TRUE(p.waitForFinished(15000));
    EXPECT_EQ(p.exitCode(), 130);
    // Stopped where the display had acknowledged, on a block's end, before the file's end.
    const QString out = QString::fromLocal8Bit(p.readAllStandardOutput());
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("^/big\\.bin\tstopped at byte (\\d+)\n/next\\.bin\tnot sent\n$")).match(out);
    ASSERT_TRUE(m.hasMatch()) << out.toStdString();
    const int stoppedAt = m.captured(1).toInt();
    EXPECT_GT(stoppedAt, 0);
    EXPECT_LT(stoppedAt, 250 * 400);
    EXPECT_EQ(stoppedAt % 250, 0);
    EXPECT_EQ(frameNames().back(), "goodbye");
}

TEST_F(Cli, TheTraceNamesEveryFrameInBothDirections)
{
    startSim();
    const QString log = root.filePath("trace.log");
    const Outcome r = run({"send", "--port", "COM3", "--log", log, "reboot"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    QFile f(log);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    QStringList shown;
    for (const QString& line : lines)
        shown << line.section(']', 1).trimmed();
    EXPECT_EQ(shown,
              (QStringList{"-> A1 04 34 45 56 67  hello", "-> A6 01 20  size query", "<- 20 04 04 04 04 20  reply",
                           "-> A6 01 1A  command Reboot", "-> AE 00 55  goodbye"}));
}

}  // namespace
