#pragma once
// A USB-UART adapter as the serial layer's Win32 calls meet it, with a display behind it (a fake
// line's port), put in place of the system's calls once, at the test program's start. It can be
// pulled in pieces: from a chosen moment one kind of call fails with the error Windows gives for
// a removed adapter, while the rest of it goes on answering.
//
//   FakeUsbAdapter::Install();            // in main, before any port opens
//   FakeUsbAdapter adapter(line);         // the display's line answers as COM3
//   adapter.fail(Call::ClearCommError, ERROR_GEN_FAILURE);
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "tests/support/fake_display_line.h"

// After the component's headers: the system's headers define the event and error names as macros.
#include <windows.h>

class FakeUsbAdapter {
public:
    // The device name the adapter answers to.
    static constexpr const char* kPath = "\\\\.\\COM3";

    // The calls a fault can hit. WaitResult: a wait that was started ends with the error (what
    // GetOverlappedResult reports); WaitCommEvent: the call itself fails at once.
    enum class Call { None, CreateFile, WaitCommEvent, WaitResult, ClearCommError, ReadFile, WriteFile };

    // Puts the adapter's calls into the serial layer's table; once per program.
    static void Install();

    explicit FakeUsbAdapter(FakeDisplayLine& line);
    ~FakeUsbAdapter();
    FakeUsbAdapter(const FakeUsbAdapter&) = delete;
    FakeUsbAdapter& operator=(const FakeUsbAdapter&) = delete;

    // From now on every call of that kind fails with error; a wait in progress ends with it. A
    // second fault adds to the first (two at most).
    void fail(Call call, DWORD error);
    // The adapter back in its socket: every call works again.
    void heal();

    int closesOfPortHandle() const { return closes_.load(); }
    int waitsStarted() const { return waits_.load(); }
    int callsMade() const { return calls_.load(); }  // of any kind, on the port's handle
    bool portOpen() const;

    // The table's calls, on the adapter that is in place.
    struct Calls;

private:
    struct Port;
    void endWait(Port& port, DWORD error);

    FakeDisplayLine& line_;
    mutable std::mutex lock_;
    Call failing_ = Call::None;
    DWORD failError_ = 0;
    Call alsoFailing_ = Call::None;
    DWORD alsoError_ = 0;
    bool writeCut_ = false;  // the first failing write took part of its bytes
    std::shared_ptr<Port> port_;
    int handles_ = 0;
    std::atomic<int> closes_{0};
    std::atomic<int> waits_{0};
    std::atomic<int> calls_{0};
};
