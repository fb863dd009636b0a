// The network bridge's own error codes and their texts, the same on every system. They lie above
// every code a system gives.
#include "serial/net_port.h"

namespace nrplatform {

const int kErrNameNotFound = 0x4B4E0001;
const int kErrNetTimedOut = 0x4B4E0002;
const int kErrNotRfc2217 = 0x4B4E0003;
const int kErrNetRefused = 0x4B4E0004;
const int kErrNetNoRoute = 0x4B4E0005;
const int kErrNetClosed = 0x4B4E0006;

const char* NetErrorText(int error)
{
    if (error == kErrNameNotFound)
        return "Name not found";
    if (error == kErrNetTimedOut)
        return "Connection timed out: no answer within 5 s";
    if (error == kErrNotRfc2217)
        return "the bridge does not speak RFC 2217; try tcp://";
    if (error == kErrNetRefused)
        return "Connection refused";
    if (error == kErrNetNoRoute)
        return "No route to host";
    if (error == kErrNetClosed)
        return "Connection closed by the bridge";
    return nullptr;
}

}  // namespace nrplatform
