#pragma once
// The wake event on POSIX: an eventfd that any thread may signal. The serial device's and the
// network bridge's waits poll it beside their own descriptor.
#include <sys/eventfd.h>
#include <unistd.h>

#include "serial/serial_platform.h"

namespace nrplatform {

class WakeEvent {
public:
    WakeEvent() : fd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
    ~WakeEvent()
    {
        if (fd >= 0)
            ::close(fd);
    }
    WakeEvent(const WakeEvent&) = delete;
    WakeEvent& operator=(const WakeEvent&) = delete;
    const int fd;
};

}  // namespace nrplatform
