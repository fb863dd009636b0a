// Reads a pseudo-terminal's settings back through termios2 (kept apart from <termios.h>).
#include <asm/termbits.h>
#include <sys/ioctl.h>

#include "comm_fixture.h"

uint32_t ReadBackBaud(int masterFd)
{
    struct termios2 tio {};
    if (::ioctl(masterFd, TCGETS2, &tio) != 0)
        return 0;
    return tio.c_ospeed;
}

ReadBackFlags ReadBackTermios(int masterFd)
{
    struct termios2 tio {};
    ReadBackFlags f;
    if (::ioctl(masterFd, TCGETS2, &tio) != 0)
        return f;
    f.ok = true;
    switch (tio.c_cflag & CSIZE) {
    case CS5:
        f.dataBits = 5;
        break;
    case CS6:
        f.dataBits = 6;
        break;
    case CS7:
        f.dataBits = 7;
        break;
    default:
        f.dataBits = 8;
        break;
    }
    f.twoStopBits = tio.c_cflag & CSTOPB;
    f.parity = tio.c_cflag & PARENB;
    f.parityOdd = tio.c_cflag & PARODD;
    f.parityStick = tio.c_cflag & CMSPAR;
    f.inputCheck = tio.c_iflag & INPCK;
    f.ctsRts = tio.c_cflag & CRTSCTS;
    f.xonOut = tio.c_iflag & IXON;
    f.xonIn = tio.c_iflag & IXOFF;
    f.echo = tio.c_lflag & ECHO;
    f.canonical = tio.c_lflag & ICANON;
    f.outputProcessing = tio.c_oflag & OPOST;
    f.startChar = tio.c_cc[VSTART];
    f.stopChar = tio.c_cc[VSTOP];
    return f;
}
