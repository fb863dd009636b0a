#include <asm/termbits.h>
#include <sys/ioctl.h>

#include "serial/serial_termios2.h"

namespace nrplatform {

bool SetBaudRateAnyRate(int fd, uint32_t baud)
{
    struct termios2 tio {};
    if (::ioctl(fd, TCGETS2, &tio) != 0)
        return false;
    tio.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    tio.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    tio.c_ospeed = baud;
    tio.c_ispeed = baud;
    return ::ioctl(fd, TCSETS2, &tio) == 0;
}

bool GetBaudRateAnyRate(int fd, uint32_t& outBaud, uint32_t& inBaud)
{
    struct termios2 tio {};
    if (::ioctl(fd, TCGETS2, &tio) != 0)
        return false;
    outBaud = tio.c_ospeed;
    inBaud = tio.c_ispeed;
    return true;
}

}  // namespace nrplatform
