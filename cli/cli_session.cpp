#include "cli/cli_session.h"

#include "cli/exit_codes.h"
#include "cli/stop_request.h"
#include "protocol/display_line.h"
#include "protocol/protocol_states.h"
#include "serial/net_address.h"
#include "serial/observed_port.h"
#include "serial/port_map.h"

#include <QTimer>

#include <cctype>
#include <filesystem>
#include <stdexcept>

namespace {

constexpr int kWatchIntervalMs = 20;
constexpr qint64 kLostLineGraceMs = 1000;

std::string portList(TnrComm& comm)
{
    std::string list;
    for (int i = 0; i < comm.DeviceCount(); ++i) {
        const TnrDevice* d = comm.Device(i);
        list += "  " + d->NameFriendly + "  " + d->NamePDO + "\n";
    }
    return list;
}

bool parseComName(const std::string& text, uint16_t& number)
{
    if (text.size() < 4 || text.size() > 8)
        return false;
    for (size_t i = 0; i < 3; ++i)
        if (std::toupper(static_cast<unsigned char>(text[i])) != "COM"[i])
            return false;
    uint32_t n = 0;
    for (size_t i = 3; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        n = n * 10 + static_cast<uint32_t>(text[i] - '0');
    }
    if (n == 0 || n > 0xFFFF)
        return false;
    number = static_cast<uint16_t>(n);
    return true;
}

}  // namespace

CliSession::CliSession(Settings settings) : settings_(std::move(settings)), host_(settings_.linkIndex), loop_(comm_, host_)
{
    clock_.start();
    // The serial component's settings, as the window keeps them; the baud rate follows the link type.
    configureDisplayLine(comm_);
}

CliSession::~CliSession()
{
    comm_.SetActive(false);
    comm_.SetPortFilter(nullptr);
    if (log_)
        std::fclose(log_);
}

bool CliSession::choosePort(int& exitCode)
{
    comm_.Update();
    const std::string& wanted = settings_.port;
    uint16_t number = 0;
    if (wanted.empty()) {
        if (comm_.DeviceCount() == 1) {
            comm_.SetComPortNo(static_cast<uint16_t>(comm_.Device(0)->Data));
            return true;
        }
        if (comm_.DeviceCount() == 0) {
            std::fprintf(stderr, "korvane: no serial port found; connect the cable or give --port\n");
            exitCode = ExitCode::kPort;
        } else {
            std::fprintf(stderr, "korvane: several serial ports; choose one with --port:\n%s", portList(comm_).c_str());
            exitCode = ExitCode::kUsage;
        }
        return false;
    }
    if (LooksLikeNetAddress(wanted)) {  // a network bridge: listed for this run under a number of its own
        number = comm_.AddNetworkBridge(wanted);
        if (number == 0) {
            std::fprintf(stderr, "korvane: %s is not a network address; write tcp://host:port or rfc2217://host:port\n",
                         wanted.c_str());
            exitCode = ExitCode::kUsage;
            return false;
        }
        comm_.SetComPortNo(number);
        return true;
    }
    if (parseComName(wanted, number)) {
        comm_.SetComPortNo(number);
        return true;
    }
    // A device path: the port the map lists for it, else the fixed number of its kind.
    for (int i = 0; i < comm_.DeviceCount(); ++i)
        if (comm_.Device(i)->NamePDO == wanted) {
            comm_.SetComPortNo(static_cast<uint16_t>(comm_.Device(i)->Data));
            return true;
        }
    const uint32_t hardware = HardwarePortNumber(std::filesystem::path(wanted).filename().string());
    if (hardware != 0 && comm_.PortMapSource()->HardwarePath(hardware) == wanted) {
        comm_.SetComPortNo(static_cast<uint16_t>(hardware));
        return true;
    }
    std::fprintf(stderr, "korvane: %s is neither COMn nor a serial port of this machine; the ports are:\n%s", wanted.c_str(),
                 portList(comm_).c_str());
    exitCode = ExitCode::kUsage;
    return false;
}

bool CliSession::openTrace()
{
    if (!settings_.logFile.empty()) {
        log_ = std::fopen(settings_.logFile.c_str(), "w");
        if (!log_) {
            std::fprintf(stderr, "korvane: cannot write %s\n", settings_.logFile.c_str());
            return false;
        }
    }
    if (!settings_.verbose && !log_)
        return true;
    trace_.setObserver([this](const TraceEntry& entry) {
        const std::string line = formatTraceEntry(entry) + "\n";
        if (settings_.verbose)
            std::fputs(line.c_str(), stderr);
        if (log_) {
            std::fputs(line.c_str(), log_);
            std::fflush(log_);
        }
    });
    comm_.SetPortFilter(ObservingPortFilter([this](bool sent, const void* data, size_t size) {
        trace_.record(sent ? TraceDirection::ToDisplay : TraceDirection::FromDisplay,
                      std::span(static_cast<const uint8_t*>(data), size), static_cast<uint64_t>(clock_.elapsed()));
    }));
    return true;
}

void CliSession::finish(int exitCode)
{
    if (phase_ == Phase::Ending)
        return;
    phase_ = Phase::Ending;
    exitCode_ = exitCode;
    loop_.requestExit();
}

void CliSession::watch()
{
    const qint64 now = clock_.elapsed();
    switch (phase_) {
    case Phase::Opening:
        if (comm_.Active()) {
            phase_ = Phase::Greeting;
            phaseStartMs_ = now;
        } else if (now - phaseStartMs_ >= settings_.timeoutMs) {
            std::fprintf(stderr, "korvane: cannot open %s: %s\n", comm_.ComName().c_str(),
                         host_.openError().isEmpty() ? "no reason given" : qPrintable(host_.openError()));
            finish(ExitCode::kPort);
        }
        return;
    case Phase::Greeting:
        if (!comm_.Active()) {
            std::fprintf(stderr, "korvane: connection to %s lost\n", comm_.ComName().c_str());
            finish(ExitCode::kPort);
        } else if (host_.sizes() && loop_.state() == State::kIdle) {
            phase_ = Phase::Working;
            lastActivityMs_ = now;
            lastTotal_ = comm_.TotalReceived();
            if (job_->start)
                job_->start();
        } else if (now - phaseStartMs_ >= settings_.timeoutMs) {
            std::fprintf(stderr, "korvane: the display on %s did not answer within %d s\n", comm_.ComName().c_str(),
                         settings_.timeoutMs / 1000);
            finish(ExitCode::kNoAnswer);
        }
        return;
    case Phase::Working: {
        if (!comm_.Active()) {
            // A job on the loop sees the lost line at its next step and records where it stood;
            // it is given a moment for that before it is stopped. A lost line is the news even
            // when the job has ended by it.
            if (lostAtMs_ < 0)
                lostAtMs_ = now;
            if (loop_.job().running() && now - lostAtMs_ < kLostLineGraceMs)
                return;
            if (job_->interrupted)
                job_->interrupted();
            std::fprintf(stderr, "korvane: connection to %s lost\n", comm_.ComName().c_str());
            finish(ExitCode::kPort);
            return;
        }
        if (job_->finished && job_->finished()) {
            finish(job_->result ? job_->result() : ExitCode::kDone);
            return;
        }
        const uint32_t total = comm_.TotalReceived();
        if (total != lastTotal_ || loop_.state() != lastState_) {
            lastTotal_ = total;
            lastState_ = loop_.state();
            lastActivityMs_ = now;
        } else if (loop_.state() != State::kIdle && now - lastActivityMs_ >= settings_.timeoutMs) {
            if (job_->interrupted)
                job_->interrupted();
            std::fprintf(stderr, "korvane: the display on %s did not answer within %d s\n", comm_.ComName().c_str(),
                         settings_.timeoutMs / 1000);
            finish(ExitCode::kNoAnswer);
        }
        return;
    }
    case Phase::Ending:
        return;
    }
}

int CliSession::run(const Job& job)
{
    if (!openTrace())
        return ExitCode::kUsage;
    job_ = &job;
    phase_ = Phase::Opening;
    phaseStartMs_ = clock_.elapsed();

    // Ctrl+C stops as "Exit" does: the loop says goodbye and closes the port.
    StopRequest stop([this] {
        if (phase_ == Phase::Working && job_->interrupted)
            job_->interrupted();
        if (phase_ != Phase::Ending)
            std::fprintf(stderr, "korvane: stopped\n");
        finish(ExitCode::kInterrupted);
    });
    QTimer watchdog;
    watchdog.setInterval(kWatchIntervalMs);
    QObject::connect(&watchdog, &QTimer::timeout, [this] { watch(); });
    QObject::connect(&loop_, &ProtocolLoop::passDone, &watchdog, [this] { watch(); });
    watchdog.start();

    loop_.connectAndRun();
    watchdog.stop();
    if (!host_.error().isEmpty()) {
        // a step raised an error: the loop ended without its goodbye
        std::fprintf(stderr, "korvane: %s\n", qPrintable(host_.error()));
        comm_.SetActive(false);
        return ExitCode::kFailed;
    }
    return exitCode_;
}
