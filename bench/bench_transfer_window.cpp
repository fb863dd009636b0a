// How fast the shell moves files through its real window: `TForm3` on the platform QT_QPA_PLATFORM
// names (offscreen when unset; xcb on a real X server), its own serial component and protocol
// loop, against korvane-sim as its own process over a pseudo-terminal, and the floor client
// (floor_client.h) against the same simulator for comparison. Prints one name=value line per
// figure.
//
//   QT_QPA_PLATFORM=offscreen bench_transfer_window [--parts ratios,small,batch] [--size-kib N]
//                                                   [--files N,N,...] [--small-files N]
//                                                   [--idle-window]
//   xvfb-run -a -s "-screen 0 1400x1000x24" env QT_QPA_PLATFORM=xcb bench_transfer_window ...
//
// platform, accessibility_active  the window's platform, and whether assistive tools are served
//                                 (under dbus-run-session with QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1)
// ratios (emulated 921600 8N2 line; a busy window: a timer repaints and resizes it every 5 ms,
// unless --idle-window leaves it alone):
//   sd_window_ratio, flash_window_ratio   bytes per second of one file (1 MiB) over the
//                                         protocol's limit, the simulator's lateness left out
//   sd_window_turnaround_median_us, _p99_us (and flash_window_...)  from the simulator's write
//                                         of a block acknowledgement to its read of the next block
//   sd_floor_ratio, flash_floor_ratio, floor_sd_turnaround_*  the floor client, same line
//   sd_vs_floor, flash_vs_floor           the window's ratio over the floor's
//   sd_window_hop_<hop>_median_us, _p99_us (and flash_window_...)  only in a trace build
//                                         (-DKORVANE_HOP_TRACE=ON): each hop of a turnaround,
//                                         the simulator's write to the line event, to its
//                                         handling, to the count, to the send, to the driver's
//                                         taking it, to the simulator's read
// small (emulated line): a batch of 500 files (--small-files) of 100 bytes
//   sd_small_files                        the batch's number of files
//   sd_small_window_files_per_s, sd_small_floor_files_per_s, sd_small_vs_floor
// batch (no emulation: the pseudo-terminal's own pace), files of 100 bytes, the SD page in view,
// the folder opened in the folder tree, then "Load Packet", timed from the press to the last file:
//   sd_batch_<n>_ms_per_file              for 100, 500, 1000 and 10000 files (--files)
//   sd_batch_<n>_over_floor               that over the floor client's figure below
//   sd_batch_<n>_longest_event_wait_ms    the longest gap between two firings of a 5 ms timer
//                                         while the batch ran: how long a user's click could wait
//   sd_batch_<n>_window_repaints_per_s    how often the window repainted while the batch ran
//   sd_batch_<n>_folder_open_ms           the opening of the folder before it: the folder tree and
//                                         the file list filled and the page painted
//   sd_batch_growth_<largest>_over_<smallest>  the ms per file of the largest batch over the
//                                         smallest's: 1.0 when a file costs the same at any count
//   sd_batch_floor_500_ms_per_file        the floor client's 500 files on the same unpaced line (the
//                                         median of three batches)
#include "bench/floor_session.h"
#include "bench/hop_figures.h"
#include "bench/line_figures.h"
#include "bench/sim_process.h"
#include "app/form3.h"
#include "app/window_pages.h"
#include "app/sd_file_controls.h"
#include "app/widgets/k_combo_box.h"
#include "app/widgets/k_edit.h"
#include "app/widgets/k_page_control.h"
#include "app/widgets/k_status_bar.h"
#include "protocol/protocol_states.h"
#include "sim/display_simulator.h"
#include "sim/line_emulation.h"
#include "tests/support/runtime_dir_guard.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QGuiApplication>
#include <QFile>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>
#include <random>
#include <vector>

namespace {

using namespace bench;

constexpr int kShellPort = 3;  // the window's port number at start

std::vector<uint8_t> randomBytes(size_t size, unsigned seed)
{
    std::vector<uint8_t> bytes(size);
    std::mt19937 random(seed);
    for (auto& b : bytes)
        b = static_cast<uint8_t>(random());
    return bytes;
}

void writeFile(const QString& path, const std::vector<uint8_t>& data)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(reinterpret_cast<const char*>(data.data()), static_cast<qint64>(data.size()));
}

class RepaintCounter : public QObject {
public:
    explicit RepaintCounter(std::function<void()> counted) : counted_(std::move(counted)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::UpdateRequest)
            counted_();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> counted_;
};

// One connection of the real window to a fresh simulator: the greeting, then the jobs one after
// the other, each started when the loop is idle, then "Exit".
struct WindowSession {
    struct Job {
        std::function<void(TForm3&)> start;
        int64_t startNs = 0;
        int64_t endNs = 0;
        int64_t longestGapNs = 0;
        int windowRepaints = 0;  // the window's repaints (each a flush to the display server)
    };
    std::vector<Job> jobs;
    bool busy = false;  // repaint and resize the window every 5 ms
    LineRecords records;

    bool run(const QTemporaryDir& work, const QStringList& simArgs)
    {
        SimProcess sim;
        if (!sim.start(work, kShellPort, simArgs)) {
            std::fprintf(stderr, "window: the simulator did not start\n");
            return false;
        }
        bool ok = true;
        {
            TForm3 form;  // made after the simulator registered its port, so the picker lists it
            form.setErrorReporter([&](const QString& text) {
                std::fprintf(stderr, "window error: %s\n", qPrintable(text));
                ok = false;
            });
            form.show();
            QApplication::processEvents();

            size_t current = 0;
            // The window's repaints while a job runs: the window paints what is marked dirty on
            // an update request.
            RepaintCounter repaints([&] {
                if (current < jobs.size() && jobs[current].startNs != 0)
                    ++jobs[current].windowRepaints;
            });
            form.installEventFilter(&repaints);

            // The probe: a 5 ms timer; in a busy window it also repaints and resizes.
            QTimer probe;
            probe.setInterval(5);
            int64_t lastTick = 0;
            bool grow = false;
            QObject::connect(&probe, &QTimer::timeout, [&] {
                const int64_t now = steadyNowNs();
                if (current < jobs.size() && jobs[current].startNs != 0 && lastTick != 0)
                    jobs[current].longestGapNs = std::max(jobs[current].longestGapNs, now - lastTick);
                lastTick = now;
                if (busy) {
                    grow = !grow;
                    form.resize(form.width() + (grow ? 1 : -1), form.height());
                    form.update();
                }
            });
            probe.start();

            bool greeted = false;
            QElapsedTimer guard;
            guard.start();
            QObject::connect(&form.loop(), &ProtocolLoop::passDone, [&] {
                if (guard.elapsed() > 600000) {
                    std::fprintf(stderr, "window: gave up in state %d\n", form.loop().state());
                    ok = false;
                    form.loop().requestExit();
                    return;
                }
                if (form.loop().state() != State::kIdle)
                    return;
                if (!greeted) {
                    if (form.loop().runDepth() == 0 || form.StatusBar1->panelText(4) != QStringLiteral("1000"))
                        return;
                    greeted = true;
                } else if (current < jobs.size() && jobs[current].startNs != 0) {
                    jobs[current].endNs = steadyNowNs();
                    ++current;
                }
                if (current < jobs.size()) {
                    lastTick = 0;
                    jobs[current].startNs = steadyNowNs();
                    jobs[current].start(form);
                } else {
                    form.loop().requestExit();
                }
            });
            form.Button8Click();
            probe.stop();
            ok = ok && current == jobs.size();
        }
        const std::optional<LineRecords> r = sim.stop();
        if (!r) {
            std::fprintf(stderr, "window: no line records\n");
            return false;
        }
        records = *r;
        return ok;
    }
};

// The SD page's batch: the page in view, the folder opened in the folder tree and the page
// painted with its files (noted in `openedNs`), "/" as the SD folder, "Load Packet".
std::function<void(TForm3&)> loadPacket(const QString& folder, int64_t* openedNs = nullptr)
{
    return [folder, openedNs](TForm3& form) {
        form.cxPageControl1->setActivePage(form.cxTabSheet4);
        form.cxTabSheet4->DirectoryListBox1->setFolder(folder);
        form.cxTabSheet4->repaint();
        if (openedNs)
            *openedNs = steadyNowNs();
        form.cxTabSheet4->ComboBox2->setItemIndex(0);  // "/"
        form.cxTabSheet4->Button7Click();
    };
}

std::function<void(TForm3&)> sendImage(const QString& file, int slot)
{
    return [file, slot](TForm3& form) {
        form.TabSheet4->imageFileBox[slot]->setText(file);
        form.TabSheet4->imageSendClick(slot);
    };
}

// Every run gets names of its own (`prefix`), so that each one creates its files on the
// simulator's SD card instead of overwriting those of an earlier run, which costs less.
QStringList makeSmallFiles(const QString& folder, const QString& prefix, int count, const std::vector<uint8_t>& data)
{
    QDir().mkpath(folder);
    QStringList names;
    for (int i = 0; i < count; ++i) {
        names << prefix + QStringLiteral("%1.bin").arg(i, 5, 10, QLatin1Char('0'));
        writeFile(folder + QLatin1Char('/') + names.last(), data);
    }
    return names;
}

bool sameFile(const QString& a, const QString& b)
{
    QFile fa(a), fb(b);
    return fa.open(QIODevice::ReadOnly) && fb.open(QIODevice::ReadOnly) && fa.readAll() == fb.readAll();
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    RuntimeDirGuard runtime;
    QApplication app(argc, argv);
    QStringList parts{"ratios", "small", "batch"};
    int64_t size = 1024 * 1024;
    std::vector<int> batchCounts{100, 500, 1000, 10000};
    int smallCount = 500;
    QStringList args = app.arguments();
    const bool busyWindow = !args.removeAll(QStringLiteral("--idle-window"));
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QStringLiteral("--parts"))
            parts = args[i + 1].split(QLatin1Char(','));
        else if (args[i] == QStringLiteral("--size-kib"))
            size = args[i + 1].toLongLong() * 1024;
        else if (args[i] == QStringLiteral("--files")) {
            batchCounts.clear();
            for (const QString& n : args[i + 1].split(QLatin1Char(',')))
                batchCounts.push_back(n.toInt());
        } else if (args[i] == QStringLiteral("--small-files"))
            smallCount = args[i + 1].toInt();
    }
    QTemporaryDir work;
    if (!work.isValid())
        return 1;
    const QStringList line{"--baud", QString::number(kBaud), "--frame", "8N2"};
    int port = 60;  // the floor client's simulators; the window's is COM3
    int failures = 0;
    std::printf("platform=%s\n", qPrintable(QGuiApplication::platformName()));
    std::printf("line_baud=%u\nline_frame=8N2\n", kBaud);

    if (parts.contains(QStringLiteral("ratios"))) {
        const std::vector<uint8_t> data = randomBytes(static_cast<size_t>(size), 12345);
        const QString folder = work.filePath(QStringLiteral("one"));
        QDir().mkpath(folder);
        const QString file = folder + QStringLiteral("/one.bin");
        writeFile(file, data);

        const FloorSessionResult floor = runFloorSession(work, port++, line, data);
        double sdFloor = 0, flashFloor = 0;
        if (floor.ok) {
            const FloorRatios floorRatios = printFloorFigures(floor, size);
            if (hoptrace::kEnabled) {
                const std::vector<hoptrace::Stamp> stamps = hoptrace::Take();
                printHopFigures("floor_sd", kFloorHops, stamps, floor.records, floor.sd.startNs, floor.sd.endNs,
                                FrameKind::SdBlock);
                printHopFigures("floor_flash", kFloorHops, stamps, floor.records, floor.flash.startNs, floor.flash.endNs,
                                FrameKind::FlashBlock);
            }
            sdFloor = floorRatios.sd;
            flashFloor = floorRatios.flash;
        } else {
            ++failures;
        }

        WindowSession w;
        w.busy = busyWindow;
        w.jobs = {{loadPacket(folder)}, {sendImage(file, 4)}};
        if (w.run(work, line) && sameFile(file, work.filePath(QStringLiteral("sd/one.bin")))) {
            const auto& sd = w.jobs[0];
            const auto& fl = w.jobs[1];
            const double sdWindow = ratio(size, sd.startNs, sd.endNs, kSdLimit, w.records);
            const double flashWindow = ratio(size, fl.startNs, fl.endNs, kFlashLimit, w.records);
            print("sd_window_ratio", sdWindow);
            print("flash_window_ratio", flashWindow);
            const Turnarounds st = turnarounds(w.records, sd.startNs, sd.endNs, FrameKind::SdBlock);
            const Turnarounds ft = turnarounds(w.records, fl.startNs, fl.endNs, FrameKind::FlashBlock);
            print("sd_window_turnaround_median_us", st.medianUs, 1);
            print("sd_window_turnaround_p99_us", st.p99Us, 1);
            print("flash_window_turnaround_median_us", ft.medianUs, 1);
            print("flash_window_turnaround_p99_us", ft.p99Us, 1);
            if (hoptrace::kEnabled) {
                const std::vector<hoptrace::Stamp> stamps = hoptrace::Take();
                printHopFigures("sd_window", kShellHops, stamps, w.records, sd.startNs, sd.endNs, FrameKind::SdBlock);
                printHopFigures("flash_window", kShellHops, stamps, w.records, fl.startNs, fl.endNs, FrameKind::FlashBlock);
            }
            if (floor.ok) {
                print("sd_vs_floor", sdWindow / sdFloor);
                print("flash_vs_floor", flashWindow / flashFloor);
            }
        } else {
            ++failures;
        }
    }

    const std::vector<uint8_t> small = randomBytes(100, 777);
    if (parts.contains(QStringLiteral("small"))) {
        const QString folder = work.filePath(QStringLiteral("small%1").arg(smallCount));
        const QStringList names = makeSmallFiles(folder, QStringLiteral("w"), smallCount, small);
        std::printf("sd_small_files=%d\n", smallCount);
        QStringList floorNames;
        for (const QString& name : names)
            floorNames << QStringLiteral("f") + name;
        const FloorSessionResult floor = runFloorSdBatch(work, port++, line, floorNames, small);
        WindowSession w;
        w.jobs = {{loadPacket(folder)}};
        const bool windowOk = w.run(work, line)
            && sameFile(folder + QLatin1Char('/') + names.last(), work.filePath(QStringLiteral("sd/") + names.last()));
        const double floorRate = floor.ok ? double(names.size()) / floor.sd.seconds() : 0;
        const double windowRate = windowOk ? double(names.size()) / (double(w.jobs[0].endNs - w.jobs[0].startNs) / 1e9) : 0;
        if (floor.ok)
            print("sd_small_floor_files_per_s", floorRate, 1);
        if (windowOk)
            print("sd_small_window_files_per_s", windowRate, 1);
        if (floor.ok && windowOk)
            print("sd_small_vs_floor", windowRate / floorRate);
        failures += !floor.ok + !windowOk;
    }

    if (parts.contains(QStringLiteral("batch"))) {
        double floorMsPerFile = 0;
        {
            // The floor of a pseudo-terminal moves with the machine's other work: the median of
            // three batches, so that one lucky or unlucky batch does not set every ratio below.
            const QString folder = work.filePath(QStringLiteral("floor500"));
            const QStringList names = makeSmallFiles(folder, QStringLiteral("floor"), 500, small);
            std::vector<double> floors;
            for (int i = 0; i < 3; ++i) {
                const FloorSessionResult floor = runFloorSdBatch(work, port++, {}, names, small);
                if (floor.ok)
                    floors.push_back(floor.sd.seconds() * 1e3 / 500);
            }
            if (floors.size() == 3) {
                std::sort(floors.begin(), floors.end());
                floorMsPerFile = floors[1];
                print("sd_batch_floor_500_ms_per_file", floorMsPerFile, 3);
            } else {
                ++failures;
            }
            QDir(folder).removeRecursively();
        }
        std::vector<std::pair<int, double>> perFile;
        for (int count : batchCounts) {
            const QString folder = work.filePath(QStringLiteral("batch%1").arg(count));
            const QStringList names = makeSmallFiles(folder, QStringLiteral("b%1-").arg(count), count, small);
            WindowSession w;
            int64_t openedNs = 0;
            w.jobs = {{loadPacket(folder, &openedNs)}};
            if (!w.run(work, {})
                || !sameFile(folder + QLatin1Char('/') + names.last(), work.filePath(QStringLiteral("sd/") + names.last()))) {
                ++failures;
                continue;
            }
            const auto& job = w.jobs[0];
            const double msPerFile = double(job.endNs - openedNs) / 1e6 / count;
            perFile.emplace_back(count, msPerFile);
            const QString name = QStringLiteral("sd_batch_%1_").arg(count);
            print(qPrintable(name + QStringLiteral("ms_per_file")), msPerFile, 3);
            if (floorMsPerFile > 0)
                print(qPrintable(name + QStringLiteral("over_floor")), msPerFile / floorMsPerFile, 2);
            print(qPrintable(name + QStringLiteral("longest_event_wait_ms")), double(job.longestGapNs) / 1e6, 1);
            print(qPrintable(name + QStringLiteral("folder_open_ms")), double(openedNs - job.startNs) / 1e6, 1);
            print(qPrintable(name + QStringLiteral("window_repaints_per_s")),
                  job.windowRepaints / (double(job.endNs - openedNs) / 1e9), 1);
            QDir(folder).removeRecursively();
        }
        if (perFile.size() >= 2) {
            const auto [smallest, largest] = std::minmax_element(perFile.begin(), perFile.end());
            print(qPrintable(QStringLiteral("sd_batch_growth_%1_over_%2").arg(largest->first).arg(smallest->first)),
                  largest->second / smallest->second, 2);
        }
    }
    // Known once the window has been up: the bridge to the assistive tools' bus starts late.
    std::printf("accessibility_active=%d\n", QAccessible::isActive() ? 1 : 0);
    return failures == 0 ? 0 : 1;
}
