// korvane over a network bridge: the simulator serving raw TCP and RFC 2217 on loopback, bridges
// written by others (ser2net, pyserial's RFC 2217 client) and bridges that fail. Every address
// here is on loopback.
#include "tests/cli/cli_fixture.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QStandardPaths>

namespace {

// A loopback TCP socket bound to a free port; listening when backlog >= 0.
struct LoopbackSocket {
    explicit LoopbackSocket(int backlog)
    {
        fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
        socklen_t n = sizeof a;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &n);
        port = ntohs(a.sin_port);
        if (backlog >= 0) {
            EXPECT_EQ(::listen(fd, backlog), 0);
        }
    }
    ~LoopbackSocket() { ::close(fd); }
    QString address(const char* scheme) const { return QStringLiteral("%1://127.0.0.1:%2").arg(scheme).arg(port); }
    int fd = -1;
    int port = 0;
};

// Files whose blocks and sums are full of 0xFF: an unescaped 0xFF on an RFC 2217 link spoils them.
void writeFfFolder(const QString& pc)
{
    writeFile(pc + "/ff.bin", QByteArray(700, '\xFF'));
    QByteArray mixed = pattern(1000, 5);
    for (qsizetype i = 0; i < mixed.size(); i += 3)
        mixed[i] = '\xFF';
    writeFile(pc + "/mixed.bin", mixed);
}

struct Transport {
    SimTransport transport;
    const char* name;
};
constexpr Transport kTransports[] = {
    {SimTransport::Pty, "pseudo-terminal"}, {SimTransport::Tcp, "raw TCP"}, {SimTransport::Rfc2217, "RFC 2217"}};

// One table: the same commands over each link put the same bytes on the display's line, and the
// files arrive byte-exact.
TEST_F(Cli, EveryLinkPutsTheSameBytesOnTheLineAndFilesArriveByteExact)
{
    const QString pc = folder("pc");
    writeFfFolder(pc);
    std::vector<std::uint8_t> first;
    for (const Transport& t : kTransports) {
        SCOPED_TRACE(t.name);
        startSim({}, {{4, 4, 4, 4}, 512}, {}, t.transport);
        const Outcome info = run({"send", "--port", "COM3", "read-config", "kl15-on"});
        ASSERT_EQ(info.exitCode, 0) << info.err.toStdString();
        EXPECT_TRUE(info.out.startsWith("read-config: A6 18 ")) << info.out.toStdString();
        const Outcome upload = run(withPort({"sd-upload", pc}));
        ASSERT_EQ(upload.exitCode, 0) << upload.err.toStdString();
        EXPECT_EQ(upload.out, "/ff.bin\twritten\n/mixed.bin\twritten\n");
        const fs::path sd = server->simulator().storageOptions().sdFolder;
        EXPECT_EQ(readFile(sd / "ff.bin"), QByteArray(700, '\xFF'));
        EXPECT_EQ(readFile(sd / "mixed.bin"), readFile(fs::path(pc.toStdString()) / "mixed.bin"));
        frameNames();
        const std::vector<std::uint8_t> bytes = server->receivedBytes();
        if (first.empty())
            first = bytes;
        else
            EXPECT_EQ(bytes, first) << "the display's line differs from the pseudo-terminal's";
        server->stop();
    }
}

TEST_F(Cli, PortsListsALinkToABridgeAddressAndInfoTakesTheAddress)
{
    startSim({}, {{4, 0, 8, 2}, 512}, {}, SimTransport::Tcp);
    const QString address = QStringLiteral("tcp://127.0.0.1:%1").arg(server->listenPort());
    const Outcome ports = run({"ports"});
    ASSERT_EQ(ports.exitCode, 0);
    EXPECT_TRUE(ports.out.contains(QStringLiteral("COM3   ") + address)) << ports.out.toStdString();
    const Outcome info = run({"info", "--port", address});
    ASSERT_EQ(info.exitCode, 0) << info.err.toStdString();
    EXPECT_TRUE(info.out.contains("SD: 512 Mb")) << info.out.toStdString();
}

TEST_F(Cli, TheBaudRateTheBridgeIsAskedForFollowsTheLinkType)
{
    const struct {
        const char* link;
        uint32_t baud;
    } cases[] = {{"uart", 921600}, {"bluetooth", 921600}, {"wifi", 230400}};
    for (const auto& c : cases) {
        startSim({}, {{4, 4, 4, 4}, 512}, {}, SimTransport::Rfc2217);
        const Outcome r = run({"info", "--port", "COM3", "--link", c.link});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        const Rfc2217Server::LineState line = server->requestedLine();
        EXPECT_EQ(line.baudRate, c.baud) << c.link;
        EXPECT_EQ(line.dataBits, 8);
        EXPECT_EQ(line.parity, 1);    // none
        EXPECT_EQ(line.stopSize, 2);  // two stop bits
        EXPECT_EQ(line.flow, 1);      // no flow control
        EXPECT_TRUE(line.dtr && line.rts);
        server->stop();
    }
}

TEST_F(Cli, ABridgeThatFailsIsNamedWithItsReason)
{
    LoopbackSocket closed(-1);  // bound, not listening: the connection is refused
    LoopbackSocket silent(4);   // accepts and never answers
    LoopbackSocket full(0);     // its backlog is filled below, so a connection is never answered
    const int filler = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(full.port));
    ASSERT_EQ(::connect(filler, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    const struct {
        QString port;
        const char* reason;
    } cases[] = {
        {closed.address("tcp"), "Connection refused"},
        {silent.address("rfc2217"), "the bridge does not speak RFC 2217; try tcp://"},
        {full.address("tcp"), "Connection timed out: no answer within 5 s"},
        {QStringLiteral("tcp://no-such-bridge.invalid:7000"), "Name not found"},
    };
    for (const auto& c : cases) {
        const Outcome r = run({"info", "--port", c.port, "--timeout", "7"});
        EXPECT_EQ(r.exitCode, 3) << c.port.toStdString();
        EXPECT_TRUE(r.err.contains(c.reason)) << r.err.toStdString();
    }
    ::close(filler);
}

TEST_F(Cli, ABridgeThatClosesMidTransferMarksTheFileWhereItStood)
{
    FailureSettings drop;
    drop.enable(FailureMode::DropLine).at(1, 3);
    drop.dropAfterFrames = 1;
    const QString pc = folder("pc");
    writeFile(pc + "/a.bin", pattern(2000, 1));
    writeFile(pc + "/b.bin", pattern(10, 2));
    for (SimTransport t : {SimTransport::Tcp, SimTransport::Rfc2217}) {
        startSim(drop, {{4, 4, 4, 4}, 512}, {}, t);
        const Outcome r = run(withPort({"sd-upload", pc}));
        EXPECT_EQ(r.exitCode, 3);
        EXPECT_TRUE(r.err.contains("connection to COM3 lost")) << r.err.toStdString();
        EXPECT_EQ(r.out, "/a.bin\tline lost at byte 750\n/b.bin\tnot sent\n");
        server->stop();
    }
}

// ser2net (Debian's) in front of the simulator's pseudo-terminal, as a workshop's serial server.
TEST_F(Cli, OurClientWorksThroughSer2net)
{
    const QString ser2net = QStandardPaths::findExecutable(QStringLiteral("ser2net"), {"/usr/sbin", "/usr/bin", "/sbin"});
    if (ser2net.isEmpty())
        GTEST_SKIP() << "ser2net is not installed (scripts/install-test-deps.sh installs it)";
    startSim();
    LoopbackSocket pick(-1);
    const int port = pick.port;
    ::close(pick.fd);
    pick.fd = ::socket(AF_INET, SOCK_STREAM, 0);
    const QString config = root.filePath("ser2net.yaml");
    writeFile(config,
              QStringLiteral("connection: &sim\n"
                             "  accepter: telnet(rfc2217),tcp,127.0.0.1,%1\n"
                             "  connector: serialdev,%2,9600n81,local\n")
                  .arg(port)
                  .arg(QString::fromStdString(server->slavePath()))
                  .toUtf8());
    QProcess bridge;
    bridge.start(ser2net, {"-n", "-d", "-c", config});
    ASSERT_TRUE(bridge.waitForStarted());
    const QString address = QStringLiteral("rfc2217://127.0.0.1:%1").arg(port);
    Outcome r;
    for (int i = 0; i < 50; ++i) {  // until ser2net listens
        r = run({"info", "--port", address, "--link", "wifi", "--timeout", "5"});
        if (r.exitCode == 0 || !r.err.contains("refused"))
            break;
        std::this_thread::sleep_for(100ms);
    }
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("SD: 512 Mb")) << r.out.toStdString();
    const QString pc = folder("pc");
    writeFfFolder(pc);
    const Outcome upload = run({"sd-upload", pc, "--port", address, "--link", "wifi", "--codepage", "1252"});
    EXPECT_EQ(upload.exitCode, 0) << upload.err.toStdString();
    EXPECT_EQ(readFile(server->simulator().storageOptions().sdFolder / "ff.bin"), QByteArray(700, '\xFF'));
    bridge.terminate();
    bridge.waitForFinished(3000);
}

// pyserial's RFC 2217 client (Debian's python3-serial) against the simulator's server in its
// echo mode: every byte, 0xFF included, comes back as sent, and the baud rate asked for is kept.
TEST_F(Cli, PyserialsClientWorksWithTheSimulatorsServer)
{
    // Debian's interpreter, the one its python3-serial is installed for
    QString python = QStandardPaths::findExecutable(QStringLiteral("python3"), {"/usr/bin"});
    if (python.isEmpty())
        python = QStringLiteral("python3");
    QProcess probe;
    probe.start(python, {"-I", "-c", "import serial.rfc2217"});
    if (!probe.waitForFinished(10000) || probe.exitCode() != 0)
        GTEST_SKIP() << "python3-serial is not installed (scripts/install-test-deps.sh installs it)";
    startSim({}, {{4, 4, 4, 4}, 512}, {}, SimTransport::Rfc2217, true);
    const QString script = QStringLiteral("import sys, serial\n"
                                          "p = serial.serial_for_url('rfc2217://127.0.0.1:%1', baudrate=230400, timeout=5)\n"
                                          "data = bytes(range(256)) + b'\\xff\\xff\\xff'\n"
                                          "p.write(data)\n"
                                          "got = p.read(len(data))\n"
                                          "p.close()\n"
                                          "sys.exit(0 if got == data else 1)\n")
                               .arg(server->listenPort());
    QProcess client;
    client.start(python, {"-I", "-c", script});  // -I: the build's serial/ folder is no module
    ASSERT_TRUE(client.waitForFinished(30000));
    EXPECT_EQ(client.exitCode(), 0) << client.readAllStandardError().toStdString();
    EXPECT_EQ(server->requestedLine().baudRate, 230400u);
}

}  // namespace
