#pragma once
// Opening a network bridge by its address: the TCP connection, and for rfc2217:// the
// COM-PORT-OPTION on top of it.
#include <functional>
#include <string>

#include "serial/net_address.h"
#include "serial/net_port.h"

struct NetOpenHooks {
    nrplatform::KeepWaiting keepWaiting;           // asked while the lookup, connection or option waits
    std::function<void(const std::string&)> note;  // the link's remarks for the trace
    int connectTimeoutMs = nrplatform::kNetConnectTimeoutMs;
};

nrplatform::PortPtr OpenNetworkPort(const NetAddress& address, const NetOpenHooks& hooks, int& error);
