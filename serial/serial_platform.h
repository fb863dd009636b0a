#pragma once
// The operating system's serial services as the component uses them: the seam between the
// portable component and one platform. The build picks exactly one implementation file
// (serial_platform_posix.cpp on Linux); nothing else in the component calls the system, and the
// implementation has no #ifdef inside its functions. Every system error code becomes text in
// ErrorText alone.
//
// What a platform provides, and what each call must do:
//
// OpenPort(path, error)
//     Opens the serial device for reading and writing, exclusively (a second opening, by this or
//     another program, fails), without making it a controlling terminal, and ready for
//     overlapped/non-blocking use. Returns the port, or null with the system's error code in
//     error (ErrorText of it is what the user reads; an empty path is "not found").
// AdoptPort(handle)
//     Wraps a handle that was opened elsewhere; the port closes it like its own.
// CreateWakeEvent() / SignalWakeEvent / ResetWakeEvent
//     An event that any thread may signal to end a wait of WaitLineEvent or Write at once
//     (eventfd on Linux; a manual-reset event on Windows). It stays signalled until reset.
// WaitWakeEvents(first, second, timeoutMs)
//     Waits until either event is signalled or timeoutMs passes (-1: no limit), resetting
//     neither: 1 when first is signalled (it wins when both are), 2 for second, 0 on time-out.
//     A port that is not a device (a test's display in the same process) waits with it.
//
// Port — one open device. Any number of threads may use one port at the same time: the comm
// thread waits in WaitLineEvent, the writer thread writes, the receive handling reads and
// queries the status, and the window purges or sets the modem lines. Whoever holds the last
// reference closes it: the destructor releases the exclusive claim and closes the handle
// (it does not restore the latency; the component calls RestoreLatency first).
//   ApplyLineSettings(dcb, settings)
//       Gives the device the line-control block (Windows: SetCommState with dcb, plus
//       SetupComm and SetCommTimeouts so that a read returns at once with what is there;
//       POSIX: termios from settings). False when the driver refuses; the port keeps its old
//       settings.
//   WaitLineEvent(mask, wake, timeoutMs, events, error)
//       Waits until one of the events in mask happens, the wake event is signalled, or
//       timeoutMs passes (-1: no limit). Events reported: EV_RXCHAR (input waits) and the line
//       events EV_CTS, EV_DSR, EV_RLSD, EV_RING, EV_BREAK, EV_ERR. EV_TXEMPTY is never reported:
//       the component tells the end of a transmission from its writer. Returns:
//         Events   - events holds what happened (never 0);
//         Woken    - the wake event is signalled (the caller resets it);
//         TimedOut - nothing within timeoutMs;
//         Lost     - the device hung up, was removed or reports an error. This wins over
//                    everything else the system reports at the same time (a hung-up tty also
//                    reports input ready: that input is an end of file, not data);
//         Failed   - the wait itself failed (error holds the code).
//       Windows: SetCommMask(mask) then an overlapped WaitCommEvent, waited for together with
//       the wake event; a WaitCommEvent that ends with no events means "wait again" (loop
//       inside, or return TimedOut).
//   QueryStatus(status, error)
//       Reads and clears the error flags the driver collected since the last query
//       (CE_RXOVER, CE_OVERRUN, CE_RXPARITY, CE_FRAME, CE_BREAK) and the lengths of the driver's
//       queues. Windows: ClearCommError, read directly. POSIX: the flags are derived from the
//       line counters (TIOCGICOUNT), the queues from FIONREAD and TIOCOUTQ; a driver without
//       counters (a pseudo-terminal) reports no flags. False with error when the device can no
//       longer answer: the component then treats the line as lost. A driver that simply has no
//       counters is not a failure.
//   Read(buffer, size)
//       Takes what the driver holds now, at most size bytes, without waiting. count > 0: bytes
//       read; wouldBlock: nothing waits; lost: end of file or a device error (error set).
//   Write(data, size, written, wake, timeoutMs, error)
//       Hands bytes to the driver: returns Done once at least one byte was taken (written says
//       how many), waiting for room at most timeoutMs (-1: no limit, 0: do not wait). Woken when
//       wake (may be null) is signalled first, TimedOut, Lost or Failed as above. written is
//       exact in every outcome (Windows: CancelIo, then GetOverlappedResult for the count).
//   WritesAtOnce()
//       True when a Write that may not wait hands a frame to the driver whole (a POSIX tty takes
//       it into its buffer at once), so a sender may write on its own thread while the writer
//       thread has nothing queued. False on Windows: an overlapped serial write ends only as the
//       bytes leave, and one that may not wait would be cut short; there the writer thread
//       keeps every write.
//   Purge(input, output)
//       Discards what the driver holds in the given directions and ends its pending transfers
//       (PurgeComm with PURGE_RX/TXABORT and RX/TXCLEAR; tcflush).
//   Drain()
//       Waits until the driver has sent everything (FlushFileBuffers; tcdrain).
//   Escape(function)
//       Sets or clears DTR, RTS or break, or acts as if XON/XOFF had been received
//       (EscapeCommFunction). False when the driver refuses (a pseudo-terminal has no modem
//       lines under Wine); the component ignores that.
//   GetModemLines(lines)
//       The input lines CTS, DSR, RING, RLSD as kLine* bits (GetCommModemStatus; TIOCMGET).
//   RequestLowLatency()
//       Asks the driver to hand over short input at once instead of holding it (Linux:
//       ASYNC_LOW_LATENCY through TIOCSSERIAL, which sets an FTDI adapter's latency timer to
//       1 ms). Remembers what it changed. False when the driver refuses or has no such setting;
//       the component goes on quietly. Windows has no portable request: return false.
//   RestoreLatency()
//       Puts back what RequestLowLatency changed; a failure (the line is gone) is ignored.
//   NativeHandle()
//       The system handle, as a number, for the component's Handle property.
//
// ErrorText(error): the system's message for an error code. TickMs(): a steady millisecond clock.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "serial/line_settings.h"
#include "serial/nr_types.h"

namespace nrplatform {

class WakeEvent;  // defined by the platform
using WakeEventPtr = std::shared_ptr<WakeEvent>;
WakeEventPtr CreateWakeEvent();
void SignalWakeEvent(WakeEvent& event);
void ResetWakeEvent(WakeEvent& event);
int WaitWakeEvents(WakeEvent& first, WakeEvent& second, int timeoutMs);

enum class WaitOutcome { Events, Woken, TimedOut, Lost, Failed };
enum class WriteOutcome { Done, Woken, TimedOut, Lost, Failed };
enum class EscapeFunction { SetDTR, ClearDTR, SetRTS, ClearRTS, SetBreak, ClearBreak, ResumeOutput, HoldOutput };
enum : uint32_t { kLineCTS = 1, kLineDSR = 2, kLineRing = 4, kLineRLSD = 8 };

struct ReadResult {
    long count = 0;           // bytes read
    bool wouldBlock = false;  // nothing waits
    bool lost = false;        // end of file or a device error: the connection is gone
    int error = 0;
};

struct PortStatus {
    uint32_t errorFlags = 0;  // CE_* collected since the last query
    uint32_t inQueue = 0;     // bytes the driver holds, received and not yet read
    uint32_t outQueue = 0;    // bytes the driver holds for sending
};

class Port {
public:
    virtual ~Port() = default;
    virtual bool ApplyLineSettings(const TDCB& dcb, const TnrLineSettings& settings) = 0;
    virtual WaitOutcome WaitLineEvent(uint32_t mask, WakeEvent& wake, int timeoutMs, uint32_t& events, int& error) = 0;
    virtual bool QueryStatus(PortStatus& status, int& error) = 0;
    virtual ReadResult Read(void* buffer, size_t size) = 0;
    virtual WriteOutcome Write(const void* data, size_t size, size_t& written, WakeEvent* wake, int timeoutMs, int& error) = 0;
    virtual bool WritesAtOnce() const = 0;
    virtual bool Purge(bool input, bool output) = 0;
    virtual bool Drain() = 0;
    virtual bool Escape(EscapeFunction function) = 0;
    virtual bool GetModemLines(uint32_t& lines) = 0;
    virtual bool RequestLowLatency() = 0;
    virtual void RestoreLatency() = 0;
    virtual TnrHandle NativeHandle() const = 0;
};
using PortPtr = std::shared_ptr<Port>;

PortPtr OpenPort(const std::string& path, int& error);
PortPtr AdoptPort(TnrHandle handle);

std::string ErrorText(int error);
// Steady clock in milliseconds, truncated to 32 bits.
uint32_t TickMs();

// Error codes the portable logic refers to.
extern const int kErrNotFound;
extern const int kErrCancelled;
extern const int kErrTimedOut;
extern const int kErrBadHandle;
extern const int kErrIO;
// True where the thread that waits for line events also reads and handles them (POSIX). On
// Windows the message thread handles them while the waiting thread waits for it, as it always
// has: the Windows build is tested under Wine, whose serial layer lost input at times while one
// thread both waited for comm events and read the port, and the waits' own mends were only
// proven with this split.
extern const bool kHandleOnWaitingThread;

}  // namespace nrplatform
