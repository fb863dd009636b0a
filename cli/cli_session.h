#pragma once
#include "cli/cli_loop_host.h"
#include "protocol/frame_trace.h"
#include "protocol/protocol_loop.h"
#include "serial/nr_comm.h"

#include <QElapsedTimer>

#include <cstdio>
#include <functional>
#include <string>

// One connection of `korvane` to the display, on the same loop and states as the window: the
// port is chosen, opened (retried until the time-out), the display greeted and its sizes read;
// then the job runs until it says it is finished, and the loop says goodbye.
class CliSession {
public:
    struct Settings {
        std::string port;  // COMn, a device path, or empty for the only port in the map
        int linkIndex = 0;
        int timeoutMs = 10000;
        bool verbose = false;
        std::string logFile;
    };
    // What the session runs once the display has been greeted. finished() is asked after every
    // pass and on a timer; result() gives the exit code of a job that finished.
    struct Job {
        std::function<void()> start;
        std::function<bool()> finished;
        std::function<int()> result;
        std::function<void()> interrupted;  // Ctrl+C or a lost line ended the job
    };

    explicit CliSession(Settings settings);
    ~CliSession();

    // Picks the port; false with a message on stderr and the exit code set when there is none.
    bool choosePort(int& exitCode);
    // Connects, runs the job, says goodbye; the exit code.
    int run(const Job& job);

    TnrComm& comm() { return comm_; }
    ProtocolLoop& loop() { return loop_; }
    CliLoopHost& host() { return host_; }
    // Milliseconds since the session began.
    uint64_t elapsedMs() const { return static_cast<uint64_t>(clock_.elapsed()); }

private:
    enum class Phase { Opening, Greeting, Working, Ending };
    void watch();
    void finish(int exitCode);
    bool openTrace();

    Settings settings_;
    TnrComm comm_;
    CliLoopHost host_;
    ProtocolLoop loop_;
    FrameTrace trace_;
    std::FILE* log_ = nullptr;
    QElapsedTimer clock_;

    const Job* job_ = nullptr;
    Phase phase_ = Phase::Opening;
    int exitCode_ = 0;
    qint64 phaseStartMs_ = 0;
    qint64 lastActivityMs_ = 0;
    qint64 lostAtMs_ = -1;  // when the Working phase saw the line gone
    uint32_t lastTotal_ = 0;
    int32_t lastState_ = -1;
};
