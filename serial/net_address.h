#pragma once
// The address of a network bridge, as a user writes it in place of a port: "tcp://host:port" for a
// bridge that passes the bytes as they are, "rfc2217://host:port" for one that speaks telnet with
// the COM-PORT-OPTION and takes the line settings from us. The host is a name, an IPv4 address or
// an IPv6 address in brackets ("tcp://[::1]:7000").
#include <cstdint>
#include <optional>
#include <string>

enum class NetLinkKind { RawTcp, Rfc2217 };

struct NetAddress {
    NetLinkKind kind = NetLinkKind::RawTcp;
    std::string host;  // without brackets
    uint16_t port = 0;

    // The address as it is written: "tcp://127.0.0.1:7000", "rfc2217://[::1]:7000".
    std::string Text() const;
    // "host:port" alone, brackets kept for IPv6.
    std::string HostPort() const;
    bool operator==(const NetAddress&) const = default;
};

// Reads an address written with its scheme; nothing for any other text (a device path, COM3).
std::optional<NetAddress> ParseNetAddress(const std::string& text);
// Reads "host:port" as the "Network bridge…" dialog takes it, with the kind chosen beside it.
std::optional<NetAddress> ParseHostPort(const std::string& text, NetLinkKind kind);
// True when text starts with a scheme of a network bridge (it may still be malformed).
bool LooksLikeNetAddress(const std::string& text);
