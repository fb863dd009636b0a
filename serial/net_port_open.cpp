#include "serial/net_port_open.h"

#include <memory>

#include "serial/rfc2217_port.h"

nrplatform::PortPtr OpenNetworkPort(const NetAddress& address, const NetOpenHooks& hooks, int& error)
{
    nrplatform::PortPtr tcp =
        nrplatform::ConnectTcp(address.host, address.port, hooks.connectTimeoutMs, hooks.keepWaiting, error);
    if (!tcp || address.kind == NetLinkKind::RawTcp)
        return tcp;
    auto port = std::make_shared<Rfc2217Port>(std::move(tcp), hooks.note);
    if (!port->Negotiate(hooks.keepWaiting, error))
        return nullptr;
    return port;
}
