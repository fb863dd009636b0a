#pragma once
// One read of a POSIX descriptor (a tty's read, a socket's recv) as the port contract names its
// outcome: bytes, nothing yet, or the line lost; an interrupted call is made again. And the wait
// for a descriptor to be ready, which the wake event can end.
#include <errno.h>
#include <poll.h>
#include <sys/types.h>

#include "serial/serial_platform.h"
#include "serial/wake_event_posix.h"

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

// Waits until `fd` is ready for `what`, the wake event is set, or timeoutMs have passed; a hang-up
// or error on the descriptor is Lost (error EIO, or EBADF for a closed one).
enum class PollResult { Ready, Woken, TimedOut, Lost, Failed };
inline PollResult PollDevice(int fd, short what, WakeEvent* wake, int timeoutMs, int& error)
{
    struct pollfd fds[2] = {{fd, what, 0}, {wake ? wake->fd : -1, POLLIN, 0}};
    const nfds_t count = wake ? 2 : 1;
    for (;;) {
        const int rc = ::poll(fds, count, timeoutMs);
        if (rc < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            return PollResult::Failed;
        }
        if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
            error = (fds[0].revents & POLLNVAL) ? EBADF : EIO;
            return PollResult::Lost;
        }
        if (rc == 0)
            return PollResult::TimedOut;
        if (count == 2 && (fds[1].revents & POLLIN))
            return PollResult::Woken;
        if (fds[0].revents & what)
            return PollResult::Ready;
    }
}

}  // namespace nrplatform
