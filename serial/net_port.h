#pragma once
// A network bridge as a port: the socket services behind the same seam as the serial device
// (serial_platform.h). The build picks one implementation file (net_port_posix.cpp or
// net_port_win32.cpp); the port it makes keeps the Port contract:
//   WaitLineEvent  waits on the socket: arrivals are EV_RXCHAR; the peer's close, a reset or a
//                  connection the keep-alive found dead is Lost (what is still unread is read
//                  first: the arrival wins while there is input, and its end of file is the loss);
//   Read           what the socket holds; an end of file or a reset is lost;
//   Write          whole frames into the socket's buffer; a reset or a broken pipe is Lost;
//   QueryStatus    no line errors; the queues are the socket's own;
//   Purge(input)   discards what has come and is unread; output cannot be called back;
//   Escape, GetModemLines, RequestLowLatency: a raw TCP bridge has no modem lines and no latency
//                  setting: false.
// The connection has TCP_NODELAY on (a 2-byte acknowledgement and a 252-byte block never wait
// for each other) and keep-alive and a user time-out set so that a bridge that vanished is found
// dead within kNetDeadAfterMs, idle or sending.
#include <cstdint>
#include <functional>
#include <string>

#include "serial/serial_platform.h"

namespace nrplatform {

// How long a lookup and connection may take before the attempt fails as timed out.
inline constexpr int kNetConnectTimeoutMs = 5000;
// A vanished bridge is noticed within this time.
inline constexpr int kNetDeadAfterMs = 15000;
// How often a wait for the lookup or the connection asks keepWaiting whether to go on.
inline constexpr int kNetWaitSliceMs = 20;

// Called while the lookup or the connection waits; false abandons it (kErrCancelled).
using KeepWaiting = std::function<bool()>;

// Looks host up and connects to port within timeoutMs. The lookup of a name runs on a thread of
// its own, so that an abandoned attempt returns at once. Null with error set on failure:
// kErrNameNotFound, kErrNetTimedOut, kErrCancelled or the system's code ("Connection refused").
PortPtr ConnectTcp(const std::string& host, uint16_t port, int timeoutMs, const KeepWaiting& keepWaiting, int& error);

// Our own error codes for what a network bridge's opening can fail on; ErrorText knows them.
extern const int kErrNameNotFound;
extern const int kErrNetTimedOut;
extern const int kErrNotRfc2217;
// Where the system's own text reads otherwise (Windows), these give a connection's usual failures
// the same words on both systems.
extern const int kErrNetRefused;
extern const int kErrNetNoRoute;
extern const int kErrNetClosed;
// The text of one of the codes above, or null for any other code.
const char* NetErrorText(int error);

}  // namespace nrplatform
