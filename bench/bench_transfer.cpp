// How fast the shell moves files: the real serial component and the real protocol loop with the
// transfer states, no window, against the display simulator running as its own process
// (korvane-sim) over a pseudo-terminal. Prints one name=value line per figure.
//
//   bench_transfer [--transport pty|tcp|rfc2217] [--sd-only]
//
// --transport: the simulator serves its line over a pseudo-terminal (the default) or as a network
// bridge on a loopback port, raw TCP or RFC 2217, with the same emulated line behind it; it
// applies to the shell's sessions (the floor client and the raw-echo control keep the pseudo-terminal).
// --sd-only: only the first session (sd_ratio, flash_ratio and their raw forms).
//
// Emulated line: 921600 baud, 8N2, as korvane-sim paces it (--baud, --frame, --reply-latency).
//   sd_ratio, flash_ratio            bytes per second for 1 MiB over the protocol's limit on that
//                                    line, the simulator's own recorded lateness left out
//   sd_ratio_raw, flash_ratio_raw    the same with that lateness kept in
//   *_latency_1ms, *_latency_16ms    the ratios with the answers held back 1 or 16 ms
//                                    (256 KiB and 64 KiB: the held answers dominate)
//   line_control_ratio               a raw stream through the emulated line (korvane-sim
//                                    --raw-echo) over the line's nominal rate
//   cpu_s_per_mib                    this process's user + system CPU seconds per MiB sent
//   sd_floor_ratio, flash_floor_ratio  the same 1 MiB sent by the floor client (floor_client.h:
//                                    plain reads and writes on the pseudo-terminal, one thread)
//   floor_sd_turnaround_median_us, _p99_us (and floor_flash_...)  the floor client's turnarounds
//   sd_small_files_per_s             a batch of 500 files of 100 bytes through the shell's loop
//   sd_small_floor_files_per_s       the same batch sent by the floor client
// No emulation (the pseudo-terminal's own pace):
//   *_blocks_per_s                   acknowledged blocks per second
//   *_turnaround_median_us, _p99_us  from the simulator's write of an acknowledgement's last
//                                    byte to its read of the next frame's first byte
//
// The protocol limit counts every byte of the block frames and their acknowledgements at the
// line's bits per byte, with the display answering at once.
#include "bench/floor_session.h"
#include "bench/line_figures.h"
#include "bench/sim_process.h"
#include "protocol/display_line.h"
#include "protocol/loop_host.h"
#include "protocol/protocol_loop.h"
#include "protocol/protocol_states.h"
#include "serial/nr_comm.h"
#include "serial/port_links.h"
#include "serial/port_map.h"
#include "sim/display_simulator.h"
#include "sim/line_emulation.h"
#include "sim/line_records.h"
#include "tests/support/runtime_dir_guard.h"
#include "transfer/flash_loader.h"
#include "transfer/sd_upload.h"
#include "transfer/transfer_host.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <random>
#include <vector>

namespace {

using namespace bench;

constexpr int64_t kMiB = 1024 * 1024;

double processCpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The loop's window: nothing to show; the SD page's file list is the one bench file.
struct BenchHost : LoopHost, TransferHost {
    QString folder;
    QStringList files;
    bool greeted = false;

    void setStatusPanel(int, const QString&) override {}
    void setConnectFailureReason(const QString&) override {}
    int linkTypeIndex() const override { return 0; }  // "UART", 921600 baud
    void setChipVisible(bool) override {}
    void enablePages() override {}
    void showPages() override {}
    void showSizes(const SizeReply&) override { greeted = true; }
    void reportError(const QString& text) override { std::fprintf(stderr, "error: %s\n", qPrintable(text)); }

    QStringList sdFileNames() const override { return files; }
    int ansiCodePage() const override { return 1252; }
    void setTransferPanel(int, const QString&) override {}
    void setProgressRange(int32_t) override {}
    void setProgressPosition(int32_t) override {}
};

using Simulator = SimProcess;

// The simulator's arguments for the transport the command line chose.
QStringList transportArgs;

void setUpComm(TnrComm& comm, const QString& link)
{
    comm.SetPortMapSource(std::make_shared<TnrFixedPortMap>(std::vector<TnrPortMapEntry>{{link.toStdString(), "COM3"}}));
    comm.GetDeviceList(nullptr);
    configureDisplayLine(comm);
}

struct Phase {
    int64_t startNs = 0;
    int64_t endNs = 0;
    int64_t bytes = 0;
    int64_t blocks = 0;
    double cpu = 0;
    double seconds() const { return double(endNs - startNs) / 1e9; }
};

struct SessionResult {
    bool ok = false;
    Phase sd, flash;
    LineRecords records;
};

// One connection: the greeting, an SD upload of the file, a flash load of it, the goodbye.
SessionResult runSession(const QTemporaryDir& work, int port, const QStringList& simArgs, const QString& file, int64_t size)
{
    SessionResult result;
    Simulator sim;
    if (!sim.start(work, port, simArgs + transportArgs)) {
        std::fprintf(stderr, "the simulator did not start\n");
        return result;
    }
    BenchHost host;
    host.folder = QFileInfo(file).absolutePath();
    host.files = {QFileInfo(file).fileName()};
    TnrComm comm;
    setUpComm(comm, sim.target());
    ProtocolLoop loop(comm, host);
    SdUpload sd(loop, host);
    FlashLoader flash(loop, host);

    enum class Stage { Greeting, Sd, Flash, Done } stage = Stage::Greeting;
    double cpuAt = 0;
    QElapsedTimer guard;
    guard.start();
    QObject::connect(&loop, &ProtocolLoop::passDone, [&] {
        if (guard.elapsed() > 300000) {  // an upper bound for a stuck run
            std::fprintf(stderr, "gave up in stage %d, state %d\n", int(stage), loop.state());
            loop.requestExit();
            return;
        }
        if (loop.state() != State::kIdle || !host.greeted)
            return;
        const int64_t now = steadyNowNs();
        const double cpu = processCpuSeconds();
        switch (stage) {
        case Stage::Greeting:
            stage = Stage::Sd;
            cpuAt = cpu;
            result.sd.startNs = steadyNowNs();
            sd.loadPacket(QStringLiteral("/"), host.folder);
            break;
        case Stage::Sd:
            result.sd.endNs = now;
            result.sd.cpu = cpu - cpuAt;
            stage = Stage::Flash;
            cpuAt = processCpuSeconds();
            result.flash.startNs = steadyNowNs();
            flash.send(file, 4);
            break;
        case Stage::Flash:
            result.flash.endNs = now;
            result.flash.cpu = cpu - cpuAt;
            stage = Stage::Done;
            loop.requestExit();
            break;
        case Stage::Done:
            break;
        }
    });
    loop.connectAndRun();
    comm.SetActive(false);
    const std::optional<LineRecords> records = sim.stop();
    if (stage != Stage::Done || !records) {
        std::fprintf(stderr, "the session did not finish (stage %d)\n", int(stage));
        return result;
    }
    result.records = *records;
    result.sd.bytes = result.flash.bytes = size;
    result.sd.blocks = (size + 249) / 250;
    result.flash.blocks = (size + 1023) / 1024;
    // Byte-exact, or the figures mean nothing.
    QFile original(file), sdCopy(work.filePath(QStringLiteral("sd/") + QFileInfo(file).fileName()));
    original.open(QIODevice::ReadOnly);
    sdCopy.open(QIODevice::ReadOnly);
    if (original.readAll() != sdCopy.readAll()) {
        std::fprintf(stderr, "the SD copy differs from the file\n");
        return result;
    }
    result.ok = true;
    return result;
}

double ratio(const Phase& p, double limit, int64_t leaveOutNs)
{
    return double(p.bytes) / (double(p.endNs - p.startNs - leaveOutNs) / 1e9) / limit;
}

Turnarounds turnarounds(const LineRecords& r, const Phase& p, FrameKind kind)
{
    return bench::turnarounds(r, p.startNs, p.endNs, kind);
}

// A raw stream through the emulated line and back: the simulator echoes every byte.
std::optional<double> controlRatio(const QTemporaryDir& work, int port, int64_t bytes)
{
    Simulator sim;
    if (!sim.start(work, port, {"--raw-echo", "--baud", QString::number(kBaud), "--frame", "8N2"}))
        return std::nullopt;
    TnrComm comm;
    setUpComm(comm, sim.link);
    comm.SetActive(true);
    std::vector<uint8_t> data(static_cast<size_t>(bytes), 0x5A);
    std::vector<uint8_t> sink(65536);
    const uint32_t before = comm.TotalReceived();
    const int64_t start = steadyNowNs();
    comm.SendData(data.data(), static_cast<uint32_t>(data.size()));
    QElapsedTimer guard;
    guard.start();
    while (int64_t(comm.TotalReceived() - before) < bytes && guard.elapsed() < 60000) {
        comm.ReadMax(sink.data(), static_cast<int32_t>(sink.size()));  // keep the input queue from filling
        QThread::usleep(500);
    }
    const int64_t end = steadyNowNs();
    const bool complete = int64_t(comm.TotalReceived() - before) >= bytes;
    comm.SetActive(false);
    sim.stop();
    if (!complete)
        return std::nullopt;
    return double(bytes) / (double(end - start) / 1e9) / kLineBytesPerSecond;
}

// A batch of small SD files through the real serial component and loop, no window.
std::optional<double> smallFilesPerSecond(const QTemporaryDir& work, int port, const QStringList& simArgs, const QString& folder,
                                          const QStringList& names)
{
    Simulator sim;
    if (!sim.start(work, port, simArgs))
        return std::nullopt;
    BenchHost host;
    host.folder = folder;
    host.files = names;
    TnrComm comm;
    setUpComm(comm, sim.link);
    ProtocolLoop loop(comm, host);
    SdUpload sd(loop, host);
    FlashLoader flash(loop, host);
    bool started = false, done = false;
    int64_t startNs = 0, endNs = 0;
    QElapsedTimer guard;
    guard.start();
    QObject::connect(&loop, &ProtocolLoop::passDone, [&] {
        if (guard.elapsed() > 300000) {
            loop.requestExit();
            return;
        }
        if (loop.state() != State::kIdle || !host.greeted)
            return;
        if (!started) {
            started = true;
            startNs = steadyNowNs();
            sd.loadPacket(QStringLiteral("/"), host.folder);
        } else if (!done) {
            done = true;
            endNs = steadyNowNs();
            loop.requestExit();
        }
    });
    loop.connectAndRun();
    comm.SetActive(false);
    sim.stop();
    if (!done || !QFileInfo::exists(work.filePath(QStringLiteral("sd/") + names.last())))
        return std::nullopt;
    return double(names.size()) / (double(endNs - startNs) / 1e9);
}

}  // namespace

int main(int argc, char** argv)
{
    RuntimeDirGuard runtime;
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const qsizetype transportAt = args.indexOf(QStringLiteral("--transport"));
    const QString transport = transportAt > 0 && transportAt + 1 < args.size() ? args[transportAt + 1] : QStringLiteral("pty");
    if (transport == QStringLiteral("tcp") || transport == QStringLiteral("rfc2217")) {
        transportArgs = {QStringLiteral("--") + transport, QStringLiteral("0")};
    } else if (transport != QStringLiteral("pty")) {
        std::fprintf(stderr, "usage: bench_transfer [--transport pty|tcp|rfc2217] [--sd-only]\n");
        return 2;
    }
    const bool sdOnly = args.contains(QStringLiteral("--sd-only"));
    QTemporaryDir work;
    if (!work.isValid())
        return 1;
    QDir(work.path()).mkpath(QStringLiteral("pc"));

    // Random contents, so that no sum comes out right by chance.
    auto makeFile = [&](const QString& name, int64_t size) {
        QByteArray bytes(size, '\0');
        std::mt19937 random(12345);
        for (auto& b : bytes)
            b = static_cast<char>(random());
        const QString path = work.filePath(QStringLiteral("pc/") + name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return path;
    };
    int port = 40;
    const QStringList line{"--baud", QString::number(kBaud), "--frame", "8N2"};
    int failures = 0;

    std::printf("transport=%s\nline_baud=%u\nline_frame=8N2\nsd_limit_bytes_per_s=%.0f\nflash_limit_bytes_per_s=%.0f\n",
                qPrintable(transport), kBaud, kSdLimit, kFlashLimit);

    {
        const QString file = makeFile(QStringLiteral("mib.bin"), kMiB);
        const SessionResult r = runSession(work, port++, line, file, kMiB);
        if (r.ok) {
            print("sd_ratio", ratio(r.sd, kSdLimit, r.records.latenessBetween(r.sd.startNs, r.sd.endNs)));
            print("sd_ratio_raw", ratio(r.sd, kSdLimit, 0));
            print("flash_ratio", ratio(r.flash, kFlashLimit, r.records.latenessBetween(r.flash.startNs, r.flash.endNs)));
            print("flash_ratio_raw", ratio(r.flash, kFlashLimit, 0));
            print("sim_lateness_ms", double(r.records.latenessBetween(r.sd.startNs, r.flash.endNs)) / 1e6, 2);
            print("cpu_s_per_mib", (r.sd.cpu + r.flash.cpu) / (2.0 * double(r.sd.bytes) / double(kMiB)));
        } else {
            ++failures;
        }
    }
    if (sdOnly)
        return failures == 0 ? 0 : 1;
    if (const auto control = controlRatio(work, port++, 256 * 1024))
        print("line_control_ratio", *control);
    else
        ++failures;
    for (const auto& [latency, size, suffix] :
         {std::tuple{1, int64_t{256 * 1024}, "latency_1ms"}, std::tuple{16, int64_t{64 * 1024}, "latency_16ms"}}) {
        const QString file = makeFile(QStringLiteral("latency%1.bin").arg(latency), size);
        const SessionResult r =
            runSession(work, port++, line + QStringList{"--reply-latency", QString::number(latency)}, file, size);
        if (!r.ok) {
            ++failures;
            continue;
        }
        print(qPrintable(QStringLiteral("sd_ratio_%1").arg(suffix)),
              ratio(r.sd, kSdLimit, r.records.latenessBetween(r.sd.startNs, r.sd.endNs)));
        print(qPrintable(QStringLiteral("flash_ratio_%1").arg(suffix)),
              ratio(r.flash, kFlashLimit, r.records.latenessBetween(r.flash.startNs, r.flash.endNs)));
    }
    {
        const QString file = makeFile(QStringLiteral("unpaced.bin"), kMiB);
        const SessionResult r = runSession(work, port++, {}, file, kMiB);
        if (r.ok) {
            print("sd_blocks_per_s", double(r.sd.blocks) / r.sd.seconds(), 0);
            print("flash_blocks_per_s", double(r.flash.blocks) / r.flash.seconds(), 0);
            const Turnarounds sd = turnarounds(r.records, r.sd, FrameKind::SdBlock);
            const Turnarounds flash = turnarounds(r.records, r.flash, FrameKind::FlashBlock);
            print("sd_turnaround_median_us", sd.medianUs, 1);
            print("sd_turnaround_p99_us", sd.p99Us, 1);
            print("flash_turnaround_median_us", flash.medianUs, 1);
            print("flash_turnaround_p99_us", flash.p99Us, 1);
            print("cpu_s_per_mib_unpaced", (r.sd.cpu + r.flash.cpu) / 2.0);
        } else {
            ++failures;
        }
    }
    {
        const QString file = makeFile(QStringLiteral("floor.bin"), kMiB);
        QFile f(file);
        f.open(QIODevice::ReadOnly);
        const QByteArray bytes = f.readAll();
        const std::vector<uint8_t> data(bytes.begin(), bytes.end());
        const FloorSessionResult r = runFloorSession(work, port++, line, data);
        if (r.ok) {
            printFloorFigures(r, kMiB);
        } else {
            ++failures;
        }
    }
    {
        // 500 files of 100 bytes: the batch's cost per file rather than per block.
        const QString folder = work.filePath(QStringLiteral("small"));
        QDir().mkpath(folder);
        QStringList names;
        std::vector<uint8_t> data(100);
        std::mt19937 random(777);
        for (auto& b : data)
            b = static_cast<uint8_t>(random());
        for (int i = 0; i < 500; ++i) {
            names << QStringLiteral("s%1.bin").arg(i, 4, 10, QLatin1Char('0'));
            QFile f(folder + QLatin1Char('/') + names.last());
            f.open(QIODevice::WriteOnly);
            f.write(reinterpret_cast<const char*>(data.data()), static_cast<qint64>(data.size()));
        }
        if (const auto perSecond = smallFilesPerSecond(work, port++, line, folder, names))
            print("sd_small_files_per_s", *perSecond, 1);
        else
            ++failures;
        // Names of its own, so that the floor creates its files as the loop did, not overwrites them.
        QStringList floorNames;
        for (const QString& name : names)
            floorNames << QStringLiteral("f") + name;
        const FloorSessionResult r = runFloorSdBatch(work, port++, line, floorNames, data);
        if (r.ok)
            print("sd_small_floor_files_per_s", double(names.size()) / r.sd.seconds(), 1);
        else
            ++failures;
    }
    return failures == 0 ? 0 : 1;
}
