// CPU time the serial component's threads use while the line is quiet: with the port open, and
// after the far end hung up on a driver that keeps line counters (a UART or a USB adapter, whose
// every request fails with EIO after the hang-up). Both must stay at idle.
#include <errno.h>
#include <poll.h>
#include <sys/resource.h>

#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <thread>

#include "serial/forwarding_port.h"
#include "serial/serial_platform.h"
#include "bench/serial_bench_comm.h"

namespace {
double ProcessCpuMs()
{
    struct rusage u {};
    ::getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

// The pty's port, answering the status query as a driver with counters does after a hang-up.
class UartLikePort : public ForwardingPort {
public:
    using ForwardingPort::ForwardingPort;
    bool QueryStatus(nrplatform::PortStatus& status, int& error) override
    {
        struct pollfd p = {static_cast<int>(inner_->NativeHandle()), 0, 0};
        if (::poll(&p, 1, 0) >= 0 && (p.revents & POLLHUP)) {
            error = EIO;
            return false;
        }
        return inner_->QueryStatus(status, error);
    }
};

void Report(const char* what, std::chrono::seconds idle)
{
    const double cpuBefore = ProcessCpuMs();
    const auto wallBefore = std::chrono::steady_clock::now();
    // the event loop runs as in the shell, so posted work (the end of the threads) is done
    while (std::chrono::steady_clock::now() - wallBefore < idle) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    const double cpu = ProcessCpuMs() - cpuBefore;
    const double wall = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wallBefore).count();
    std::printf("%s: %.3f ms CPU in %.0f ms (%.4f %% of one core)\n", what, cpu, wall, 100.0 * cpu / wall);
}
}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    constexpr auto kIdle = std::chrono::seconds(3);
    {
        PtyPair pty;
        auto comm = OpenComm(pty);
        if (!comm->Active()) {
            std::fprintf(stderr, "the port did not open\n");
            return 1;
        }
        Report("idle with the port open", kIdle);
    }
    {
        PtyPair pty;
        auto comm = OpenComm(pty, [](nrplatform::PortPtr inner) { return std::make_shared<UartLikePort>(std::move(inner)); });
        if (!comm->Active()) {
            std::fprintf(stderr, "the port did not open\n");
            return 1;
        }
        pty.CloseMaster();
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        while (comm->Active() && std::chrono::steady_clock::now() < until)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (comm->Active())
            std::printf("after a hang-up: the loss was NOT noticed within 3 s\n");
        Report("idle after the far end hung up", kIdle);
    }
    return 0;
}
