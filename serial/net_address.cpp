#include "serial/net_address.h"

#include <algorithm>
#include <cctype>

namespace {

constexpr const char* kRawScheme = "tcp://";
constexpr const char* kRfc2217Scheme = "rfc2217://";

bool StartsWithNoCase(const std::string& text, const std::string& prefix)
{
    if (text.size() < prefix.size())
        return false;
    return std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
}

bool ValidHostName(const std::string& host)
{
    if (host.empty() || host.size() > 253)
        return false;
    return std::all_of(host.begin(), host.end(),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.' || c == '_'; });
}

bool ValidIpv6(const std::string& host)
{
    if (host.empty() || host.size() > 45)
        return false;
    return std::all_of(host.begin(), host.end(),
                       [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) || c == ':' || c == '.' || c == '%'; });
}

std::optional<uint16_t> ParsePort(const std::string& text)
{
    if (text.empty() || text.size() > 5)
        return std::nullopt;
    uint32_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<uint32_t>(c - '0');
    }
    if (value == 0 || value > 65535)
        return std::nullopt;
    return static_cast<uint16_t>(value);
}

}  // namespace

std::string NetAddress::HostPort() const
{
    const bool v6 = host.find(':') != std::string::npos;
    return (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

std::string NetAddress::Text() const { return (kind == NetLinkKind::Rfc2217 ? kRfc2217Scheme : kRawScheme) + HostPort(); }

std::optional<NetAddress> ParseHostPort(const std::string& text, NetLinkKind kind)
{
    NetAddress a;
    a.kind = kind;
    std::string portText;
    if (!text.empty() && text.front() == '[') {
        const size_t close = text.find(']');
        if (close == std::string::npos || close + 1 >= text.size() || text[close + 1] != ':')
            return std::nullopt;
        a.host = text.substr(1, close - 1);
        portText = text.substr(close + 2);
        if (!ValidIpv6(a.host))
            return std::nullopt;
    } else {
        const size_t colon = text.rfind(':');
        if (colon == std::string::npos || text.find(':') != colon)
            return std::nullopt;  // an IPv6 address needs its brackets
        a.host = text.substr(0, colon);
        portText = text.substr(colon + 1);
        if (!ValidHostName(a.host))
            return std::nullopt;
    }
    const std::optional<uint16_t> port = ParsePort(portText);
    if (!port)
        return std::nullopt;
    a.port = *port;
    return a;
}

std::optional<NetAddress> ParseNetAddress(const std::string& text)
{
    if (StartsWithNoCase(text, kRawScheme))
        return ParseHostPort(text.substr(std::char_traits<char>::length(kRawScheme)), NetLinkKind::RawTcp);
    if (StartsWithNoCase(text, kRfc2217Scheme))
        return ParseHostPort(text.substr(std::char_traits<char>::length(kRfc2217Scheme)), NetLinkKind::Rfc2217);
    return std::nullopt;
}

bool LooksLikeNetAddress(const std::string& text)
{
    return StartsWithNoCase(text, kRawScheme) || StartsWithNoCase(text, kRfc2217Scheme);
}
