// The options of korvane-sim, parsed and as the running executable honours them.
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <optional>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "pty_client.h"
#include "tests/support/runtime_dir_guard.h"
#include "serial/port_links.h"
#include "sim/line_records.h"
#include "sim/sim_command_line.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr auto kProcessBound = 10s;  // upper bound for the executable to start or to end
constexpr auto kReplyBound = 3s;

TEST(SimCommandLineParse, DefaultsRegisterCom3WithPlausibleVolumes)
{
    const SimCommandLine cl = parseSimCommandLine({});
    EXPECT_TRUE(cl.error.empty());
    EXPECT_FALSE(cl.help);
    EXPECT_TRUE(cl.server.registerLink);
    EXPECT_EQ(cl.server.portNumber, 3);
    EXPECT_EQ(cl.server.simulator.volumes.sdMb, 1024u);
    EXPECT_EQ(cl.server.simulator.failures.enabled, 0u);
}

TEST(SimCommandLineParse, TakesEveryOption)
{
    const SimCommandLine cl = parseSimCommandLine({"--port",
                                                   "COM7",
                                                   "--disks",
                                                   "1,2,3,4",
                                                   "--disk2=200",
                                                   "--sd",
                                                   "1000",
                                                   "--split",
                                                   "4",
                                                   "--delay=150",
                                                   "--silent",
                                                   "--garbage",
                                                   "5",
                                                   "--drop-after",
                                                   "9",
                                                   "--quiet",
                                                   "--wrong-sum",
                                                   "--at",
                                                   "2:3",
                                                   "--sd-folder",
                                                   "/x/sd",
                                                   "--flash-folder=/x/flash",
                                                   "--codepage",
                                                   "1251",
                                                   "--baud",
                                                   "921600",
                                                   "--frame",
                                                   "8E1",
                                                   "--reply-latency",
                                                   "16",
                                                   "--raw-echo",
                                                   "--stats",
                                                   "/x/s.txt"});
    ASSERT_TRUE(cl.error.empty()) << cl.error;
    EXPECT_EQ(cl.server.portNumber, 7);
    const auto& sim = cl.server.simulator;
    EXPECT_EQ(sim.volumes.diskMb, (std::array<std::uint8_t, 4>{1, 2, 200, 4}));
    EXPECT_EQ(sim.volumes.sdMb, 992u);  // rounded down to a multiple of 16
    EXPECT_TRUE(cl.quiet);
    for (FailureMode mode : kAllFailureModes)
        EXPECT_TRUE(sim.failures.has(mode)) << failureModeName(mode);
    EXPECT_EQ(sim.failures.splitPieces, 4);
    EXPECT_EQ(sim.failures.replyDelay, 150ms);
    EXPECT_EQ(sim.failures.garbageBytes, 5);
    EXPECT_EQ(sim.failures.dropAfterFrames, 9);
    EXPECT_TRUE(sim.failures.target.transfersOnly);
    EXPECT_EQ(sim.failures.target.file, 2);
    EXPECT_EQ(sim.failures.target.block, 3);
    EXPECT_EQ(sim.storage.sdFolder, "/x/sd");
    EXPECT_EQ(sim.storage.flashFolder, "/x/flash");
    EXPECT_EQ(sim.storage.codePage, 1251);
    EXPECT_EQ(cl.server.line.baud, 921600u);
    EXPECT_EQ(cl.server.line.halfBitsPerByte, 22u);  // 8E1: 11 bits, as 8N2
    EXPECT_EQ(cl.server.replyLatency, 16ms);
    EXPECT_TRUE(cl.server.rawEcho);
    EXPECT_EQ(cl.statsFile, "/x/s.txt");
    EXPECT_EQ(parseSimCommandLine({"--port", "12"}).server.portNumber, 12);
    EXPECT_TRUE(parseSimCommandLine({"--transfers-only"}).server.simulator.failures.target.transfersOnly);
}

TEST(SimCommandLineParse, TheLineIsNotEmulatedUnlessABaudRateIsGiven)
{
    const SimCommandLine plain = parseSimCommandLine({});
    EXPECT_FALSE(plain.server.line.emulated());
    EXPECT_EQ(plain.server.replyLatency, 0ms);
    EXPECT_FALSE(plain.server.rawEcho);
    const SimCommandLine line = parseSimCommandLine({"--baud", "921600"});
    EXPECT_TRUE(line.server.line.emulated());
    EXPECT_EQ(line.server.line.halfBitsPerByte, 22u);  // 8N2, the shell's own format
}

TEST(SimCommandLineParse, FilesGoToFoldersOfTheirOwnPortByDefault)
{
    const SimCommandLine cl = parseSimCommandLine({"--port", "COM9"});
    const fs::path own = fs::path(portLinksFolder()).parent_path() / "COM9";
    EXPECT_EQ(cl.server.simulator.storage.sdFolder, own / "sd");
    EXPECT_EQ(cl.server.simulator.storage.flashFolder, own / "flash");
    EXPECT_EQ(cl.server.simulator.storage.codePage, 1252);
}

struct BadArgs {
    std::vector<std::string> args;
    std::string mentions;  // the message names what is wrong
};

const std::vector<BadArgs> kBadArgs{
    {{"--bogus"}, "--bogus"},
    {{"--sd", "abc"}, "abc"},
    {{"--sd", "4096"}, "--sd"},
    {{"--disk1", "256"}, "--disk1"},
    {{"--disk4", "1"}, "--disk4"},
    {{"--disks", "1,2,3"}, "--disks"},
    {{"--disks", "1,2,x,4"}, "--disks"},
    {{"--split"}, "--split"},
    {{"--split", "0"}, "--split"},
    {{"--delay", "-5"}, "--delay"},
    {{"--garbage", "1e3"}, "--garbage"},
    {{"--drop-after", ""}, "--drop-after"},
    {{"--port", "COMx"}, "--port"},
    {{"--port", "COM0"}, "--port"},
    {{"--quiet=1"}, "--quiet"},
    {{"--wrong-sum=1"}, "--wrong-sum"},
    {{"--at", "2"}, "--at"},
    {{"--at", "a:1"}, "--at"},
    {{"--at", "1:-1"}, "--at"},
    {{"--codepage", "0"}, "--codepage"},
    {{"--codepage", "777"}, "777"},
    {{"--sd-folder", ""}, "--sd-folder"},
    {{"--baud", "0"}, "--baud"},
    {{"--frame", "9N1"}, "--frame"},
    {{"--reply-latency", "-1"}, "--reply-latency"},
    {{"--raw-echo=yes"}, "--raw-echo"},
    {{"--stats", ""}, "--stats"},
    {{"stray"}, "stray"},
};

TEST(SimCommandLineParse, RejectsBadOptionsNamingTheFault)
{
    for (const BadArgs& bad : kBadArgs) {
        const SimCommandLine cl = parseSimCommandLine(bad.args);
        EXPECT_NE(cl.error.find(bad.mentions), std::string::npos) << bad.args[0] << ": '" << cl.error << "'";
    }
}

// Runs korvane-sim with stdout and stderr captured in files.
class SimProcess {
public:
    explicit SimProcess(const std::vector<std::string>& args, const fs::path& folder)
        : out_(folder / "stdout.txt"), err_(folder / "stderr.txt")
    {
        std::vector<std::string> argv{KORVANE_SIM_EXE};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char*> cargv;
        for (std::string& a : argv)
            cargv.push_back(a.data());
        cargv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, 2, err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (posix_spawn(&pid_, argv[0].c_str(), &actions, nullptr, cargv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;
    ~SimProcess()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }

    bool started() const { return pid_ > 0; }
    void signal(int sig) { ::kill(pid_, sig); }

    // The exit code, or -1 when the process did not end in time (or died of a signal).
    int wait(std::chrono::milliseconds bound)
    {
        const auto until = std::chrono::steady_clock::now() + bound;
        while (pid_ > 0) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            if (std::chrono::steady_clock::now() > until)
                return -1;
            std::this_thread::sleep_for(10ms);
        }
        return -1;
    }

    std::string out() const { return slurp(out_); }
    std::string err() const { return slurp(err_); }

private:
    static std::string slurp(const fs::path& p)
    {
        std::ifstream in(p);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    pid_t pid_ = -1;
    fs::path out_, err_;
};

class SimExecutable : public ::testing::Test {
protected:
    RuntimeDirGuard runtimeDir;
};

TEST_F(SimExecutable, HelpListsTheOptionsAndExitsWithZero)
{
    SimProcess p({"--help"}, runtimeDir.path());
    ASSERT_TRUE(p.started());
    EXPECT_EQ(p.wait(kProcessBound), 0);
    for (const char* option :
         {"--port",      "--disk0",        "--disks",      "--sd",        "--split",          "--delay",
          "--silent",    "--garbage",      "--drop-after", "--wrong-sum", "--transfers-only", "--at",
          "--sd-folder", "--flash-folder", "--codepage",   "--baud",      "--frame",          "--reply-latency",
          "--raw-echo",  "--stats",        "--quiet",      "--help"})
        EXPECT_NE(p.out().find(option), std::string::npos) << option;
}

TEST_F(SimExecutable, BadOptionsGiveAClearMessageAndExitCode2)
{
    for (const BadArgs& bad : kBadArgs) {
        SimProcess p(bad.args, runtimeDir.path());
        ASSERT_TRUE(p.started());
        EXPECT_EQ(p.wait(kProcessBound), 2) << bad.args[0];
        EXPECT_NE(p.err().find(bad.mentions), std::string::npos) << p.err();
        EXPECT_NE(p.err().find("--help"), std::string::npos) << p.err();
    }
    EXPECT_FALSE(fs::exists(portLinksFolder() + "/COM3"));
}

TEST_F(SimExecutable, ServesOnItsPortLinkLogsFramesAndRemovesTheLinkOnSigterm)
{
    SimProcess p({"--port", "COM5", "--disks", "1,2,3,4", "--sd", "170"}, runtimeDir.path());
    ASSERT_TRUE(p.started());
    const std::string link = portLinksFolder() + "/COM5";
    const auto until = std::chrono::steady_clock::now() + kProcessBound;
    while (!fs::is_symlink(link) && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(10ms);
    ASSERT_TRUE(fs::is_symlink(link)) << p.err();
    {
        PtyClient shell(link);
        ASSERT_TRUE(shell.isOpen());
        shell.send({0xA1, 0x04, 0x34, 0x45, 0x56, 0x67, 0xA6, 0x01, 0x20});
        EXPECT_EQ(shell.receive(6, kReplyBound), (std::vector<std::uint8_t>{0x20, 1, 2, 3, 4, 10}));
    }
    p.signal(SIGTERM);
    EXPECT_EQ(p.wait(kProcessBound), 0) << p.err();
    EXPECT_FALSE(fs::is_symlink(link));
    const std::string out = p.out();
    EXPECT_NE(out.find(link), std::string::npos) << out;
    EXPECT_NE(out.find("/dev/pts/"), std::string::npos) << out;
    EXPECT_NE(out.find("hello"), std::string::npos) << out;
    EXPECT_NE(out.find("size query"), std::string::npos) << out;
    EXPECT_NE(out.find("A6 01 20"), std::string::npos) << out;
}

// Sets an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        ::setenv(name, value, 1);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;
    ~ScopedEnv()
    {
        if (old_)
            ::setenv(name_.c_str(), old_->c_str(), 1);
        else
            ::unsetenv(name_.c_str());
    }

private:
    std::string name_;
    std::optional<std::string> old_;
};

TEST_F(SimExecutable, StoresAnSdFileUnderItsDecodedNameAndLogsTheTransfer)
{
    for (bool fromLocale : {false, true}) {
        SCOPED_TRACE(fromLocale ? "code page of the locale" : "code page given");
        // Without --codepage the locale decides, as it does for the shell.
        ScopedEnv locale("LC_ALL", fromLocale ? "ru_RU.UTF-8" : "C");
        const fs::path sd = fs::path(runtimeDir.path()) / (fromLocale ? "card2" : "card");
        std::vector<std::string> args{"--port", "COM6", "--sd-folder", sd.string()};
        if (!fromLocale)
            args.insert(args.end(), {"--codepage", "1251"});
        SimProcess p(args, runtimeDir.path());
        ASSERT_TRUE(p.started());
        const std::string link = portLinksFolder() + "/COM6";
        const auto until = std::chrono::steady_clock::now() + kProcessBound;
        while (!fs::is_symlink(link) && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(10ms);
        ASSERT_TRUE(fs::is_symlink(link)) << p.err();
        {
            PtyClient shell(link);
            ASSERT_TRUE(shell.isOpen());
            // "/Я.txt" in code page 1251, then one block "abc" and the close frame.
            shell.send({0xAA, 0x06, '/', 0xDF, '.', 't', 'x', 't'});
            EXPECT_EQ(shell.receive(2, kReplyBound), (std::vector<std::uint8_t>{0xAA, 0x00}));
            shell.send({0xAB, 0x03, 'a', 'b', 'c'});
            EXPECT_EQ(shell.receive(2, kReplyBound), (std::vector<std::uint8_t>{0xAB, 0x26}));
            shell.send({0xAC, 0x00});
            EXPECT_EQ(shell.receive(2, kReplyBound), (std::vector<std::uint8_t>{0xAC, 0x00}));
        }
        p.signal(SIGTERM);
        EXPECT_EQ(p.wait(kProcessBound), 0) << p.err();
        EXPECT_EQ(readStoredFile(sd / "\u042F.txt"), (std::vector<std::uint8_t>{'a', 'b', 'c'}));
        const std::string out = p.out();
        for (const char* text : {"SD open", "SD block", "SD close", "AB 03 61 62 63", "sum 26", "code page 1251"})
            EXPECT_NE(out.find(text), std::string::npos) << text << " in " << out;
    }
}

TEST_F(SimExecutable, WritesItsLineRecordsOnSigusr1AndWhenStopping)
{
    const fs::path stats = fs::path(runtimeDir.path()) / "line.txt";
    SimProcess p({"--port", "COM8", "--baud", "115200", "--reply-latency", "5", "--stats", stats.string(), "--quiet"},
                 runtimeDir.path());
    ASSERT_TRUE(p.started());
    const std::string link = portLinksFolder() + "/COM8";
    auto until = std::chrono::steady_clock::now() + kProcessBound;
    while (!fs::is_symlink(link) && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(10ms);
    ASSERT_TRUE(fs::is_symlink(link)) << p.err();
    PtyClient shell(link);
    ASSERT_TRUE(shell.isOpen());
    shell.send({0xA6, 0x01, 0x20});
    EXPECT_EQ(shell.receive(6, kReplyBound).size(), 6u);
    p.signal(SIGUSR1);
    until = std::chrono::steady_clock::now() + kProcessBound;
    while (!fs::exists(stats) && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(10ms);
    const auto first = readLineRecordsFile(stats);
    ASSERT_TRUE(first) << p.err();
    EXPECT_EQ(first->writes, 1u);
    ASSERT_EQ(first->wakeUps.size(), 1u);
    EXPECT_EQ(first->bytesRead, 3u);

    shell.send({0xA6, 0x01, 0x20});
    EXPECT_EQ(shell.receive(6, kReplyBound).size(), 6u);
    p.signal(SIGTERM);
    EXPECT_EQ(p.wait(kProcessBound), 0) << p.err();
    const auto last = readLineRecordsFile(stats);
    ASSERT_TRUE(last);
    EXPECT_EQ(last->writes, 2u);
    ASSERT_EQ(last->turnarounds.size(), 1u);
    EXPECT_LT(last->turnarounds[0].answerWrittenNs, last->turnarounds[0].nextReadNs);
    EXPECT_NE(p.out().find("115200 baud"), std::string::npos) << p.out();
}

TEST_F(SimExecutable, ALinkInUseIsReportedAndLeftAlone)
{
    ASSERT_TRUE(ensurePortLinksFolder());
    const std::string link = portLinksFolder() + "/COM3";
    fs::create_symlink("/dev/null", link);
    SimProcess p({}, runtimeDir.path());
    ASSERT_TRUE(p.started());
    EXPECT_EQ(p.wait(kProcessBound), 1);
    EXPECT_NE(p.err().find("COM3 is already in use"), std::string::npos) << p.err();
    EXPECT_EQ(fs::read_symlink(link), "/dev/null");
}

}  // namespace
