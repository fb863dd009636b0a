#pragma once
// What the serial component's tests share: a component set up for a pseudo-terminal pair, bounded
// waits and reads, termios read back through the master, a recording log sink.
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "serial/nr_comm.h"
#include "serial/nr_log.h"
#include "tests/support/pty_pair.h"

// Upper bounds of every wait in these tests: a fault fails fast instead of hanging.
inline constexpr std::chrono::milliseconds kArriveTimeout{3000};
inline constexpr std::chrono::milliseconds kQuietPeriod{150};

// The slave's baud rate read back through the master (terminal-mode requests of a master act on the slave).
uint32_t ReadBackBaud(int masterFd);
// The slave's termios flags read back through the master.
struct ReadBackFlags {
    bool ok = false;
    int dataBits = 0;
    bool twoStopBits = false, parity = false, parityOdd = false, parityStick = false, inputCheck = false;
    bool ctsRts = false, xonOut = false, xonIn = false, echo = false, canonical = false, outputProcessing = false;
    unsigned char startChar = 0, stopChar = 0;
};
ReadBackFlags ReadBackTermios(int masterFd);

// Spins the event loop until pred holds or the bound passes; returns pred().
bool WaitUntil(const std::function<bool()>& pred, std::chrono::milliseconds bound = kArriveTimeout);

// Read with an upper bound: past it a watchdog purges the input queue, which ends the read.
// Returns false when the watchdog had to end it.
bool ReadWithin(TnrComm& comm, void* buffer, uint32_t len, std::chrono::milliseconds bound = kArriveTimeout);

// A comm set up for a pty: the map lists the slave as COM3, the receive handling runs on its own thread.
std::unique_ptr<TnrComm> MakeComm(const PtyPair& pty, uint16_t port = 3);

// A comm opened on a fresh pseudo-terminal, for the tests that start from an open port.
class OpenPtyComm : public ::testing::Test {
protected:
    void SetUp() override
    {
        comm = MakeComm(pty);
        comm->SetActive(true);
        ASSERT_TRUE(comm->Active());
    }
    PtyPair pty;
    std::unique_ptr<TnrComm> comm;
};

// Records the codes the notify list hands to its routines (Other: the code plus 100, for a
// second routine on the same object).
struct NotifyRecorder {
    std::mutex lock;
    std::vector<int32_t> codes;
    static void Routine(void* object, QObject*, int32_t code)
    {
        auto* self = static_cast<NotifyRecorder*>(object);
        std::lock_guard<std::mutex> guard(self->lock);
        self->codes.push_back(code);
    }
    static void Other(void* object, QObject*, int32_t code) { Routine(object, nullptr, code + 100); }
    std::vector<int32_t> Codes()
    {
        std::lock_guard<std::mutex> guard(lock);
        return codes;
    }
};

// A log sink that records every line.
class RecordingLog : public TnrCustomLogFile {
public:
    struct Line {
        TDetailLevel level;
        std::string text;
        std::string format;
    };
    void Save() override {}
    void Clear() override { lines.clear(); }
    void Add(const std::string& text) override { Push(dlSimple, text, ""); }
    void AddSysInfo() override { Push(dlSimple, "<sysinfo>", ""); }
    void AddLog(TDetailLevel level, const std::string& text) override { Push(level, text, ""); }
    void AddFmt(const std::string& format, const std::string& text) override { Push(dlSimple, text, format); }
    void AddLogFmt(TDetailLevel level, const std::string& format, const std::string& text) override { Push(level, text, format); }
    std::vector<Line> Snapshot() const;
    int Count(const std::string& text) const;

private:
    void Push(TDetailLevel level, const std::string& text, const std::string& format);
    mutable std::mutex lock_;
    std::vector<Line> lines;
};
