#pragma once
// The operating system's serial services as the component uses them. One implementation file per
// platform; every system error code is turned into text by ErrorText alone.
#include <cstddef>
#include <cstdint>
#include <string>

#include "serial/line_settings.h"

namespace nrplatform {

// Opens a tty for reading and writing, exclusively and without becoming its controlling terminal.
// Returns the descriptor, or -1 with the system's error code in error.
int OpenSerial(const std::string& path, int& error);
// Releases the exclusive claim and closes the descriptor.
void CloseSerial(int fd);
// A second descriptor of the same open port (for a thread that must not see the number reused),
// or -1; closed with CloseHandle.
int DuplicateHandle(int fd);
void CloseHandle(int fd);
// Applies line settings; false when the driver refuses them (the port keeps its previous ones).
bool ApplyLineSettings(int fd, const TnrLineSettings& settings);

struct ReadResult {
  long count = 0;          // bytes read
  bool wouldBlock = false; // nothing waits
  bool lost = false;       // end of file or a device error: the connection is gone
  int error = 0;
};
ReadResult ReadSome(int fd, void* buffer, size_t size);

// Writes what the driver takes now; returns the count, 0 when it takes nothing yet, or -1 with error.
long WriteSome(int fd, const void* data, size_t size, int& error);

enum class WaitOutcome { Ready, Woken, TimedOut, Lost, Failed };
// Waits until the port has input (or output room), the wake event is signalled, or the time-out
// (ms; -1 for none) passes. A hang-up or a device error is Lost.
WaitOutcome WaitReadable(int fd, int wakeEvent, int timeoutMs, int& error);
WaitOutcome WaitWritable(int fd, int wakeEvent, int timeoutMs, int& error);

// Wake events (an event counter the waits above also watch).
int CreateWakeEvent();
void SignalWakeEvent(int event);
void ResetWakeEvent(int event);
void CloseWakeEvent(int event);

bool FlushInput(int fd);
bool FlushOutput(int fd);
bool DrainOutput(int fd);
// Bytes the driver still holds for sending, or -1.
long OutputQueueLength(int fd);

enum : uint32_t { kLineCTS = 1, kLineDSR = 2, kLineRing = 4, kLineRLSD = 8 };
bool GetModemLines(int fd, uint32_t& lines);
bool SetDTR(int fd, bool on);
bool SetRTS(int fd, bool on);
bool SetBreak(int fd, bool on);
// Acts as if XON (true) or XOFF (false) had been received.
bool SetOutputFlow(int fd, bool resume);

// The driver's running counters of line events and errors.
struct LineCounters {
  uint32_t cts = 0, dsr = 0, rng = 0, dcd = 0;
  uint32_t frame = 0, overrun = 0, parity = 0, brk = 0, bufOverrun = 0;
};
// False when the driver keeps no counters (pseudo-terminals).
bool GetLineCounters(int fd, LineCounters& counters);

std::string ErrorText(int error);
// Steady clock in milliseconds, truncated to 32 bits.
uint32_t TickMs();

// Error codes the portable logic refers to.
extern const int kErrNotFound;
extern const int kErrCancelled;
extern const int kErrTimedOut;
extern const int kErrBadHandle;

}  // namespace nrplatform
