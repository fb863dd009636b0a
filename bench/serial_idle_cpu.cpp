// CPU time the serial component's threads use while the port is open and the line is quiet.
#include <sys/resource.h>

#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <thread>

#include "serial_bench_pty.h"

namespace {
double ProcessCpuMs()
{
    struct rusage u {};
    ::getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}
}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    BenchPty pty;
    auto comm = OpenComm(pty);
    if (!comm->Active()) {
        std::fprintf(stderr, "the port did not open\n");
        return 1;
    }
    constexpr auto kIdle = std::chrono::seconds(3);
    const double cpuBefore = ProcessCpuMs();
    const auto wallBefore = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(kIdle);
    const double cpu = ProcessCpuMs() - cpuBefore;
    const double wall = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wallBefore).count();
    std::printf("idle with the port open: %.3f ms CPU in %.0f ms (%.4f %% of one core)\n", cpu, wall, 100.0 * cpu / wall);
    return 0;
}
