// The network bridge's plain parts: addresses, the telnet layer and the RFC 2217 client, without a
// socket.
#include <gtest/gtest.h>

#include "serial/net_address.h"
#include "serial/rfc2217_client.h"
#include "serial/telnet_codec.h"

namespace {

using Bytes = std::vector<uint8_t>;

TEST(NetAddress, ReadsWhatAUserWritesAndRefusesTheRest)
{
    const struct {
        const char* text;
        bool ok;
        NetLinkKind kind;
        const char* host;
        uint16_t port;
        const char* normal;
    } cases[] = {
        {"tcp://127.0.0.1:7001", true, NetLinkKind::RawTcp, "127.0.0.1", 7001, "tcp://127.0.0.1:7001"},
        {"RFC2217://bridge.local:4000", true, NetLinkKind::Rfc2217, "bridge.local", 4000, "rfc2217://bridge.local:4000"},
        {"tcp://[::1]:65535", true, NetLinkKind::RawTcp, "::1", 65535, "tcp://[::1]:65535"},
        {"tcp://::1:7000", false, {}, "", 0, ""},  // IPv6 needs its brackets
        {"tcp://host:0", false, {}, "", 0, ""},
        {"tcp://host:65536", false, {}, "", 0, ""},
        {"tcp://host:", false, {}, "", 0, ""},
        {"tcp://:7000", false, {}, "", 0, ""},
        {"tcp://ho st:7000", false, {}, "", 0, ""},
        {"tcp://host:70a", false, {}, "", 0, ""},
        {"/dev/ttyUSB0", false, {}, "", 0, ""},
        {"COM3", false, {}, "", 0, ""},
    };
    for (const auto& c : cases) {
        const auto a = ParseNetAddress(c.text);
        ASSERT_EQ(a.has_value(), c.ok) << c.text;
        if (!a)
            continue;
        EXPECT_EQ(a->kind, c.kind) << c.text;
        EXPECT_EQ(a->host, c.host) << c.text;
        EXPECT_EQ(a->port, c.port) << c.text;
        EXPECT_EQ(a->Text(), c.normal) << c.text;
        EXPECT_EQ(ParseNetAddress(a->Text()), a) << "its own text reads back the same";
    }
    EXPECT_EQ(ParseHostPort("10.0.0.5:23", NetLinkKind::Rfc2217)->Text(), "rfc2217://10.0.0.5:23");
}

TEST(Telnet, DataWithEveryByteValueCrossesWholeHoweverTheStreamIsCut)
{
    Bytes data;
    for (int i = 0; i < 256; ++i)
        data.push_back(static_cast<uint8_t>(i));
    data.insert(data.end(), {0xFF, 0xFF, 0xFF, 0xF0, 0xFA});
    Bytes wire;
    telnet::AppendEscaped(wire, data.data(), data.size());
    ASSERT_EQ(wire.size(), data.size() + 4) << "each 0xFF doubled";
    telnet::AppendNegotiation(wire, telnet::kDo, telnet::kOptionComPort);
    telnet::AppendSubnegotiation(wire, telnet::kOptionComPort, {101, 0x00, 0x03, 0x84, 0xFF});
    wire.insert(wire.end(), {0x41, 0xFF, 0xFF});
    for (size_t cut = 0; cut <= wire.size(); ++cut) {
        telnet::Decoder d;
        Bytes got;
        std::vector<telnet::Command> commands;
        d.Feed(wire.data(), cut, got, commands);
        d.Feed(wire.data() + cut, wire.size() - cut, got, commands);
        Bytes expected = data;
        expected.insert(expected.end(), {0x41, 0xFF});
        ASSERT_EQ(got, expected) << "cut at " << cut;
        ASSERT_EQ(commands.size(), 2u) << "cut at " << cut;
        EXPECT_EQ(commands[0].verb, telnet::kDo);
        EXPECT_EQ(commands[1].payload, (Bytes{101, 0x00, 0x03, 0x84, 0xFF})) << "cut at " << cut;
    }
}

Bytes Sub(Bytes payload)
{
    Bytes out;
    telnet::AppendSubnegotiation(out, telnet::kOptionComPort, payload);
    return out;
}

Bytes Neg(uint8_t verb, uint8_t option)
{
    Bytes out;
    telnet::AppendNegotiation(out, verb, option);
    return out;
}

TEST(Rfc2217Client, TheOptionIsAcceptedOrRefusedAndRequestsAreAnsweredOnce)
{
    rfc2217::Client c;
    EXPECT_EQ(c.Opening(), (Bytes{255, 251, 0, 255, 253, 0, 255, 251, 44}));
    Bytes data, reply;
    // The bridge agrees to ours and asks for echo and its own suppress-go-ahead.
    Bytes in = Neg(telnet::kDo, 0);
    for (const Bytes& b : {Neg(telnet::kWill, 0), Neg(telnet::kDo, 44), Neg(telnet::kWill, 1), Neg(telnet::kWill, 3)})
        in.insert(in.end(), b.begin(), b.end());
    c.Receive(in.data(), in.size(), data, reply);
    EXPECT_EQ(c.ComPortOption(), rfc2217::Client::OptionState::Accepted);
    EXPECT_TRUE(data.empty());
    EXPECT_EQ(reply, (Bytes{255, 254, 1, 255, 253, 3})) << "echo declined, suppress-go-ahead taken, ours not asked again";
    reply.clear();
    c.Receive(in.data(), in.size(), data, reply);
    EXPECT_TRUE(reply.empty()) << "a repeated request changes nothing and is not answered";

    rfc2217::Client refused;
    refused.Opening();
    const Bytes no = Neg(telnet::kDont, 44);
    refused.Receive(no.data(), no.size(), data, reply);
    EXPECT_EQ(refused.ComPortOption(), rfc2217::Client::OptionState::Refused);
}

TEST(Rfc2217Client, TheLineSettingsGoOutAsRequestsAndEveryAnswerIsKeptOutOfTheData)
{
    rfc2217::Client c;
    rfc2217::LineRequest r;
    r.baudRate = 230400;
    r.stopSize = rfc2217::kStopTwo;
    const Bytes out = c.LineSettings(r);
    Bytes expected;
    for (const Bytes& b :
         {Sub({1, 0x00, 0x03, 0x84, 0x00}), Sub({2, 8}), Sub({3, 1}), Sub({4, 2}), Sub({5, 1}), Sub({5, 8}), Sub({5, 11})})
        expected.insert(expected.end(), b.begin(), b.end());
    EXPECT_EQ(out, expected);
    EXPECT_EQ(c.Unanswered().size(), 7u);

    // Answers, a modem-state notice and the display's bytes (one 0xFF) interleaved; DTR is not answered.
    Bytes in{0xA6};
    for (const Bytes& b : {Sub({101, 0x00, 0x03, 0x84, 0x00}), Sub({102, 8}), Sub({107, 0x30}), Bytes{0xFF, 0xFF, 0x02},
                           Sub({103, 1}), Sub({104, 2}), Sub({105, 1}), Sub({106, 0x60}), Sub({105, 11})})
        in.insert(in.end(), b.begin(), b.end());
    Bytes data, reply;
    c.Receive(in.data(), in.size(), data, reply);
    EXPECT_EQ(data, (Bytes{0xA6, 0xFF, 0x02}));
    EXPECT_EQ(c.AcknowledgedBaudRate(), 230400u);
    EXPECT_EQ(c.ModemState(), 0x30);
    EXPECT_EQ(c.Unanswered(), (std::vector<std::string>{"SET-CONTROL DTR on"}));
    // An answer naming another state of the same line (the device refused) still answers it.
    const Bytes off = Sub({105, 9});
    c.Receive(off.data(), off.size(), data, reply);
    EXPECT_TRUE(c.AllAnswered());
}

}  // namespace
