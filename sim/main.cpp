// korvane-sim: the display simulator on a pseudo-terminal, registered as a port link.
#include <csignal>
#include <cstdio>
#include <ctime>
#include <exception>
#include <string>
#include <vector>

#include "sim/sim_command_line.h"
#include "transfer/ansi_code_page.h"
#include "sim/sim_pty_server.h"

namespace {

// Frames longer than this show their first bytes and their length.
constexpr std::size_t kHexShown = 16;

void printFrame(const FrameRecord& record)
{
    std::string hex;
    char buf[8];
    for (std::size_t i = 0; i < record.raw.size() && i < kHexShown; ++i) {
        std::snprintf(buf, sizeof buf, "%s%02X", hex.empty() ? "" : " ", record.raw[i]);
        hex += buf;
    }
    if (record.raw.size() > kHexShown)
        hex += " ... (" + std::to_string(record.raw.size()) + " bytes)";
    std::printf("[%9llu ms] %-32s %s%s%s\n", static_cast<unsigned long long>(record.timeMs), record.name.c_str(), hex.c_str(),
                record.detail.empty() ? "" : "  ", record.detail.c_str());
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string program = argc > 0 ? argv[0] : "korvane-sim";
    const SimCommandLine cl = parseSimCommandLine(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
    if (cl.help) {
        std::fputs(simUsage(program).c_str(), stdout);
        return 0;
    }
    if (!cl.error.empty()) {
        std::fprintf(stderr, "%s: %s\nTry '%s --help' for the options.\n", program.c_str(), cl.error.c_str(), program.c_str());
        return 2;
    }

    SimCommandLine options = cl;
    if (!options.codePageGiven)  // the shell started from the same environment writes names in this one
        options.server.simulator.storage.codePage = systemAnsiCodePage();

    // SIGINT and SIGTERM are taken by sigtimedwait below; blocked before any thread starts.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGUSR1);  // write the line records
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    options.server.onLinkNote = [](const std::string& note) {
        std::printf("RFC 2217: %s\n", note.c_str());
        std::fflush(stdout);
    };
    SimPtyServer server(options.server);
    if (!cl.quiet)
        server.simulator().setObserver(printFrame);
    try {
        server.start();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", program.c_str(), e.what());
        return 1;
    }

    const VolumeSizes& v = cl.server.simulator.volumes;
    std::printf("Display simulator on %s\nPort link %s\nDisks %u, %u, %u, %u MB, SD %u MB\n", server.slavePath().c_str(),
                server.linkPath().c_str(), v.diskMb[0], v.diskMb[1], v.diskMb[2], v.diskMb[3], v.sdMb);
    if (cl.server.line.emulated())
        std::printf("Line emulated at %u baud, %.1f bits per byte, answers held %lld ms\n", cl.server.line.baud,
                    cl.server.line.bitsPerByte(), static_cast<long long>(cl.server.replyLatency.count() / 1000));
    if (cl.server.rawEcho)
        std::printf("Control mode: every byte is sent back\n");
    const StorageOptions& storage = options.server.simulator.storage;
    std::printf("SD card in %s (names in code page %d)\nFlash slots in %s\n", storage.sdFolder.c_str(), storage.codePage,
                storage.flashFolder.c_str());
    std::printf("Press Ctrl+C to stop.\n");
    std::fflush(stdout);

    const timespec tick{0, 200 * 1000 * 1000};
    int exitCode = 0;
    auto writeStats = [&] {
        if (!cl.statsFile.empty() && !writeLineRecordsFile(cl.statsFile, server.lineRecords()))
            std::fprintf(stderr, "%s: cannot write %s\n", program.c_str(), cl.statsFile.c_str());
    };
    for (;;) {
        const int signal = sigtimedwait(&stopSignals, nullptr, &tick);
        if (signal == SIGUSR1) {
            writeStats();
            continue;
        }
        if (signal > 0)
            break;
        if (const std::string error = server.lastError(); !error.empty()) {
            std::fprintf(stderr, "%s: %s\n", program.c_str(), error.c_str());
            exitCode = 1;
            break;
        }
    }
    server.stop();
    writeStats();
    std::printf("Stopped; port link removed.\n");
    return exitCode;
}
