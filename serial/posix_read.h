#pragma once
// One read of a POSIX descriptor (a tty's read, a socket's recv) as the port contract names its
// outcome: bytes, nothing yet, or the line lost; an interrupted call is made again.
#include <errno.h>
#include <sys/types.h>

#include "serial/serial_platform.h"

namespace nrplatform {

// `readOnce` makes the call; `endOfFileError` is the error an end of file (0 bytes) stands for.
template <class ReadOnce>
ReadResult ReadRetrying(ReadOnce readOnce, int endOfFileError)
{
    ReadResult r;
    for (;;) {
        const ssize_t n = readOnce();
        if (n > 0) {
            r.count = n;
            return r;
        }
        if (n == 0) {
            r.lost = true;  // the far end is gone
            r.error = endOfFileError;
            return r;
        }
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            r.wouldBlock = true;
            return r;
        }
        r.error = errno;
        r.lost = true;
        return r;
    }
}

}  // namespace nrplatform
