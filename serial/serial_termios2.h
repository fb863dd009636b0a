#pragma once
// Any baud rate through the Linux termios2 interface (kept apart: its header clashes with <termios.h>).
#include <cstdint>

namespace nrplatform {
bool SetBaudRateAnyRate(int fd, uint32_t baud);
bool GetBaudRateAnyRate(int fd, uint32_t& outBaud, uint32_t& inBaud);
}  // namespace nrplatform
