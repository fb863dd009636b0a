// What a 2 GiB − 1 image costs the window: the real window, offscreen, connected to the display
// simulator over a pseudo-terminal, sends a sparse file of 2 147 483 647 bytes to an image slot.
// A 1 ms timer on the window's thread measures the longest time the thread did not serve its
// events, from "Send" until the first blocks are acknowledged; then Stop ends the transfer and
// a small image follows (its buffer must not sit on top of the large one's). Prints:
//   longest_block_ms   the longest time the window's thread served no event
//   idle_rss_mib       peak resident memory of the connected, idle window
//   peak_rss_mib       peak resident memory by the end
//   peak_over_idle_mib peak minus idle; the limit is the file's size + 64 MiB (2112 MiB)
//   stopped_result     what the slot's result says after Stop
//
//   bench_large_file
#include "app/form3.h"
#include "app/window_pages.h"
#include "transfer/flash_loader.h"
#include "app/widgets/k_edit.h"
#include "app/widgets/k_status_bar.h"
#include "sim/sim_pty_server.h"
#include "tests/support/runtime_dir_guard.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

double peakRssMiB()
{
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_maxrss) / 1024.0;
}

// Steps that wait for a condition, run from a timer while the protocol loop runs.
struct Sequence {
    struct Step {
        std::function<bool()> until;
        std::function<void()> then;
    };
    std::vector<Step> steps;
    size_t next = 0;
    QElapsedTimer sinceStep;
    std::function<void()> giveUp;
    void tick()
    {
        if (next >= steps.size())
            return;
        if (!sinceStep.isValid())
            sinceStep.start();
        if (steps[next].until()) {
            const size_t i = next++;
            sinceStep.restart();
            steps[i].then();
        } else if (sinceStep.elapsed() > 120000) {
            std::fprintf(stderr, "step %zu timed out\n", next);
            next = steps.size();
            giveUp();
        }
    }
};

}  // namespace

int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    RuntimeDirGuard runtime;
    QApplication app(argc, argv);
    QTemporaryDir root;
    QTemporaryDir pc;
    SimPtyServerOptions o;
    o.simulator.storage.sdFolder = (root.path() + "/sd").toStdString();
    o.simulator.storage.flashFolder = (root.path() + "/flash").toStdString();
    o.registerLink = true;
    o.portNumber = 3;
    o.recordBytes = false;
    SimPtyServer server(std::move(o));
    server.start();

    const QString large = QDir(pc.path()).filePath("fdisk.imz");
    {
        QFile f(large);
        if (!f.open(QIODevice::WriteOnly) || !f.resize(int64_t{2147483647})) {
            std::fprintf(stderr, "cannot make the sparse file\n");
            return 1;
        }
    }
    const QString small = QDir(pc.path()).filePath("diag.imz");
    {
        QFile f(small);
        if (!f.open(QIODevice::WriteOnly) || f.write(QByteArray(100000, 'x')) != 100000)
            return 1;
    }

    TForm3 window;
    window.setErrorReporter([](const QString& text) { std::fprintf(stderr, "error: %s\n", qPrintable(text)); });
    window.show();
    auto panel = [&](int i) { return window.StatusBar1->panelText(i); };
    auto idle = [&] { return window.loop().state() == 1000 && !window.loop().job().running(); };
    auto choose = [&](int slot, const QString& path) {
        window.setFileDialogRunner([path](QFileDialog& d) {
            d.selectFile(path);
            return true;
        });
        window.TabSheet4->imagePicker[slot]->click();
    };

    double idleRss = 0;
    bool measuring = false;
    qint64 longest = 0;
    QElapsedTimer sinceTick;
    QTimer ticker;
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (measuring && sinceTick.isValid() && sinceTick.elapsed() > longest) {
            longest = sinceTick.elapsed();
            if (std::getenv("KORVANE_BENCH_TRACE"))
                std::fprintf(stderr, "block of %lld ms, state %d, panel 2 %s\n", static_cast<long long>(longest),
                             window.loop().state(), qPrintable(panel(2)));
        }
        sinceTick.restart();
    });
    ticker.start();

    Sequence seq;
    seq.giveUp = [&] { window.Panel1->Button2->click(); };
    seq.steps = {
        {[&] { return window.loop().state() == 1000; },
         [&] {
             idleRss = peakRssMiB();
             choose(4, large);
             measuring = true;
             sinceTick.restart();
             window.TabSheet4->imageSend[4]->click();
         }},
        {[&] { return panel(2).toLongLong() >= 64 * 1024; },
         [&] {
             measuring = false;
             window.TabSheet4->flashStop->click();
         }},
        {[&] { return idle(); },
         [&] {
             choose(6, small);
             window.TabSheet4->imageSend[6]->click();
         }},
        {[&] { return idle() && panel(1) == "File diag.imz written"; }, [&] { window.Panel1->Button2->click(); }},
    };
    QTimer driver;
    driver.setInterval(5);
    QObject::connect(&driver, &QTimer::timeout, [&] { seq.tick(); });
    driver.start();
    window.Panel1->Button8->click();

    const double peak = peakRssMiB();
    std::printf("longest_block_ms=%lld\n", static_cast<long long>(longest));
    std::printf("idle_rss_mib=%.0f\n", idleRss);
    std::printf("peak_rss_mib=%.0f\n", peak);
    std::printf("peak_over_idle_mib=%.0f\n", peak - idleRss);
    std::printf("stopped_result=%s\n", qPrintable(window.flashLoader().slotResult(4).outcomeText()));
    server.stop();
    return seq.next == seq.steps.size() ? 0 : 1;
}
