// CPU the shell uses while connected: the real window, offscreen, against the display simulator
// running as its own process (korvane-sim), so that only the shell's own threads are measured.
//
//   bench_connected_cpu [seconds=10] [runs=1]
//
// Phase "idle": connected, the size reply decoded, nothing to do.
// Phase "awaiting reply": connected to a silent display, the loop waits for the size reply.
// Prints seconds of CPU per second of wall time for each phase and run, and the median.
#include "app/form3.h"
#include "app/window_pages.h"
#include "app/widgets/k_status_bar.h"
#include "serial/port_links.h"
#include "tests/support/runtime_dir_guard.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QThread>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

double processCpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct Phase {
    const char* name;
    QStringList simArguments;
    std::function<bool(TForm3&)> ready;  // the loop has reached the state to measure
};

// Starts the simulator on the given port and waits for its port link.
bool startSimulator(QProcess& sim, int port, const QStringList& extra)
{
    QStringList args{"--port", QStringLiteral("COM%1").arg(port), "--quiet"};
    args += extra;
    sim.start(QStringLiteral(KORVANE_SIM_PATH), args);
    const QString link = QString::fromStdString(portLinksFolder()) + QStringLiteral("/COM%1").arg(port);
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 5000) {
        if (QFileInfo(link).exists())
            return true;
        QThread::msleep(20);
    }
    return false;
}

// One run of one phase: returns CPU seconds per wall second, or a negative value on failure.
double measure(const Phase& phase, int port, int seconds)
{
    QProcess sim;
    if (!startSimulator(sim, port, phase.simArguments)) {
        std::fprintf(stderr, "the simulator did not start: %s\n", qPrintable(sim.errorString()));
        return -1;
    }
    double ratio = -1;
    {
        TForm3 window;
        window.setErrorReporter([](const QString& text) { std::fprintf(stderr, "error: %s\n", qPrintable(text)); });
        window.comm().SetComPortNo(static_cast<uint16_t>(port));

        double cpuStart = 0;
        QElapsedTimer wall;
        QElapsedTimer deadline;
        deadline.start();
        QTimer poll;
        poll.setInterval(100);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (!wall.isValid()) {
                if (phase.ready(window)) {
                    cpuStart = processCpuSeconds();
                    wall.start();
                } else if (deadline.elapsed() > 10000) {
                    std::fprintf(stderr, "%s: never reached the state to measure\n", phase.name);
                    window.Panel1->Button2->click();
                }
                return;
            }
            if (wall.elapsed() >= seconds * 1000) {
                ratio = (processCpuSeconds() - cpuStart) / (double(wall.elapsed()) / 1000.0);
                poll.stop();
                window.Panel1->Button2->click();
            }
        });
        poll.start();
        window.Panel1->Button8->click();  // returns after "Exit"
    }
    sim.terminate();
    sim.waitForFinished(3000);
    return ratio;
}

}  // namespace

int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    RuntimeDirGuard runtime;  // the simulators' port links go to a private folder
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1;

    const Phase phases[] = {
        {"connected, idle", {}, [](TForm3& w) { return w.loop().state() == 1000; }},
        {"awaiting a reply", {"--silent"}, [](TForm3& w) { return w.loop().state() == 1; }},
    };
    bool ok = true;
    int port = 40;
    for (const Phase& phase : phases) {
        std::vector<double> figures;
        for (int r = 0; r < runs; ++r) {
            const double ratio = measure(phase, port++, seconds);
            if (ratio < 0) {
                ok = false;
                continue;
            }
            figures.push_back(ratio);
            std::printf("%-18s run %d: %.4f s CPU per s over %d s\n", phase.name, r + 1, ratio, seconds);
        }
        if (!figures.empty()) {
            std::sort(figures.begin(), figures.end());
            const double median = figures[figures.size() / 2];
            std::printf("%-18s median: %.4f s CPU per s (%s 0.02)\n", phase.name, median, median < 0.02 ? "under" : "NOT under");
            ok = ok && median < 0.02;
        }
    }
    return ok ? 0 : 1;
}
