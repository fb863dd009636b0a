// The network bridge's port against scripted bridges on loopback: a refusal of the option, a
// request left unanswered, an attempt abandoned while it waits, and a bridge that closes.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "serial/net_port.h"
#include "serial/rfc2217_port.h"
#include "serial/telnet_codec.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A loopback listener whose one connection a script serves: it gets what came so far and says
// what to send back.
class ScriptedBridge {
public:
    explicit ScriptedBridge(std::function<Bytes(const Bytes& received)> script) : script_(std::move(script))
    {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        EXPECT_EQ(::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
        socklen_t n = sizeof a;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &n);
        port = ntohs(a.sin_port);
        EXPECT_EQ(::listen(listener_, 1), 0);
        thread_ = std::thread([this] { Serve(); });
    }
    ~ScriptedBridge()
    {
        stop_ = true;
        thread_.join();
        ::close(listener_);
    }
    uint16_t port = 0;

private:
    void Serve()
    {
        pollfd p{listener_, POLLIN, 0};
        while (!stop_ && ::poll(&p, 1, 20) == 0) {}
        if (stop_)
            return;
        const int fd = ::accept(listener_, nullptr, nullptr);
        Bytes received;
        while (!stop_) {
            pollfd q{fd, POLLIN, 0};
            if (::poll(&q, 1, 20) <= 0)
                continue;
            uint8_t buf[512];
            const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
            if (n <= 0)
                break;
            received.insert(received.end(), buf, buf + n);
            const Bytes out = script_(received);
            if (out.empty())
                continue;
            if (out == Bytes{0})  // the script closes the connection
                break;
            (void)!::send(fd, out.data(), out.size(), MSG_NOSIGNAL);
        }
        ::close(fd);
    }
    std::function<Bytes(const Bytes&)> script_;
    int listener_ = -1;
    std::thread thread_;
    std::atomic<bool> stop_{false};
};

bool Contains(const Bytes& haystack, const Bytes& needle)
{
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
}

Bytes Answer(uint8_t command, uint8_t value)
{
    Bytes out;
    telnet::AppendSubnegotiation(out, telnet::kOptionComPort, {static_cast<uint8_t>(command + 100), value});
    return out;
}

TEST(NetPort, ABridgeThatRefusesTheOptionIsNamed)
{
    ScriptedBridge bridge([](const Bytes& got) {
        return Contains(got, {255, 251, 44}) ? Bytes{255, 254, 44} : Bytes{};  // WILL COM-PORT -> DONT
    });
    int error = 0;
    auto tcp = nrplatform::ConnectTcp("127.0.0.1", bridge.port, 2000, {}, error);
    ASSERT_TRUE(tcp) << nrplatform::ErrorText(error);
    Rfc2217Port port(tcp, {});
    EXPECT_FALSE(port.Negotiate({}, error));
    EXPECT_EQ(nrplatform::ErrorText(error), "the bridge does not speak RFC 2217; try tcp://");
}

TEST(NetPort, ARequestTheBridgeLeavesUnansweredIsNotedAndTheLinkGoesOn)
{
    std::atomic<int> answered{0};
    // Accepts the option and answers every request but DTR, as a bridge whose device refused it.
    ScriptedBridge bridge([&](const Bytes& got) {
        Bytes out;
        if (answered == 0 && Contains(got, {255, 251, 44})) {
            out = {255, 253, 44};
            answered = 1;
        }
        if (answered == 1 && Contains(got, {255, 250, 44, 5, 11, 255, 240})) {  // the last of the settings
            for (const Bytes& b : {Answer(1, 0), Answer(2, 8), Answer(3, 1), Answer(4, 2), Answer(5, 1), Answer(5, 11)})
                out.insert(out.end(), b.begin(), b.end());
            out.insert(out.end(), {0xA6, 0xFF, 0xFF, 0x01});  // the display's first bytes
            answered = 2;
        }
        return out;
    });
    int error = 0;
    auto tcp = nrplatform::ConnectTcp("127.0.0.1", bridge.port, 2000, {}, error);
    ASSERT_TRUE(tcp);
    std::vector<std::string> notes;
    auto port = std::make_shared<Rfc2217Port>(
        tcp, [&](const std::string& n) { notes.push_back(n); }, 300);
    ASSERT_TRUE(port->Negotiate({}, error)) << nrplatform::ErrorText(error);
    TnrLineSettings s;
    s.baudRate = 230400;
    s.twoStopBits = true;
    s.dtrOn = s.rtsOn = true;
    EXPECT_TRUE(port->ApplyLineSettings(TDCB{}, s));
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_NE(notes[0].find("SET-CONTROL DTR on"), std::string::npos) << notes[0];
    // The display's bytes that came with the answers wait for the reader, undoubled.
    auto wake = nrplatform::CreateWakeEvent();
    uint32_t events = 0;
    ASSERT_EQ(port->WaitLineEvent(EV_RXCHAR, *wake, 1000, events, error), nrplatform::WaitOutcome::Events);
    uint8_t buf[16];
    const nrplatform::ReadResult r = port->Read(buf, sizeof buf);
    ASSERT_EQ(r.count, 3);
    EXPECT_EQ(Bytes(buf, buf + 3), (Bytes{0xA6, 0xFF, 0x01}));
}

TEST(NetPort, AnAttemptIsAbandonedAtOnceWhenTheWaiterSaysStop)
{
    ScriptedBridge silent([](const Bytes&) { return Bytes{}; });  // accepts and never answers
    int error = 0;
    auto tcp = nrplatform::ConnectTcp("127.0.0.1", silent.port, 2000, {}, error);
    ASSERT_TRUE(tcp);
    Rfc2217Port port(tcp, {});
    int asked = 0;
    EXPECT_FALSE(port.Negotiate([&] { return ++asked < 3; }, error));
    EXPECT_EQ(error, nrplatform::kErrCancelled);
    EXPECT_EQ(asked, 3);
}

TEST(NetPort, TheBridgeClosingIsALostLineAfterWhatItSentIsRead)
{
    ScriptedBridge closer([](const Bytes& got) { return got.size() >= 2 ? Bytes{0} : Bytes{0x55, 0xFF}; });
    int error = 0;
    auto port = nrplatform::ConnectTcp("127.0.0.1", closer.port, 2000, {}, error);
    ASSERT_TRUE(port);
    size_t written = 0;
    const uint8_t one = 1;
    ASSERT_EQ(port->Write(&one, 1, written, nullptr, 1000, error), nrplatform::WriteOutcome::Done);
    auto wake = nrplatform::CreateWakeEvent();
    uint32_t events = 0;
    Bytes got;
    bool lost = false;
    for (int i = 0; i < 100 && !lost; ++i) {
        const auto w = port->WaitLineEvent(EV_RXCHAR, *wake, 1000, events, error);
        if (w == nrplatform::WaitOutcome::Lost)
            break;
        uint8_t buf[8];
        const auto r = port->Read(buf, sizeof buf);
        got.insert(got.end(), buf, buf + (r.count > 0 ? r.count : 0));
        lost = r.lost;
        if (got.size() == 2 && !lost) {
            ASSERT_EQ(port->Write(&one, 1, written, nullptr, 1000, error), nrplatform::WriteOutcome::Done);
        }
    }
    EXPECT_EQ(got, (Bytes{0x55, 0xFF}));
    EXPECT_TRUE(lost);
}

}  // namespace
