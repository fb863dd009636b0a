// korvane: the display's service tool for terminals and scripts, on the window's loop and states.
#include "cli/cli_options.h"
#include "cli/cli_session.h"
#include "cli/console.h"
#include "cli/exit_codes.h"
#include "cli/progress_bar.h"
#include "cli/send_commands.h"
#include "cli/settings_commands.h"
#include "cli/transfer_results.h"
#include "protocol/command_catalogue.h"
#include "protocol/protocol_states.h"
#include "transfer/ansi_code_page.h"
#include "transfer/display_facts.h"
#include "transfer/flash_loader.h"
#include "transfer/folder_files.h"
#include "transfer/image_fit.h"
#include "transfer/sd_upload.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#ifndef KORVANE_VERSION
#define KORVANE_VERSION "0.0.0"
#endif

namespace {

std::string hex(const std::vector<uint8_t>& bytes)
{
    std::string text;
    char buf[4];
    for (uint8_t b : bytes) {
        std::snprintf(buf, sizeof buf, "%s%02X", text.empty() ? "" : " ", b);
        text += buf;
    }
    return text;
}

std::string jsonString(const std::string& s)
{
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

CliSession::Settings sessionSettings(const CliOptions& o)
{
    return CliSession::Settings{o.port, o.linkIndex, o.timeoutMs, o.verbose, o.logFile};
}

int listPorts(const CliOptions& o)
{
    CliSession session(sessionSettings(o));
    TnrComm& comm = session.comm();
    comm.Update();
    if (o.json)
        std::printf("[");
    for (int i = 0; i < comm.DeviceCount(); ++i) {
        const TnrDevice* d = comm.Device(i);
        const std::string product = comm.PortMapSource()->ProductName(d->NamePDO);
        if (o.json)
            std::printf("%s{\"port\": %s, \"path\": %s, \"product\": %s}", i ? ", " : "", jsonString(d->NameFriendly).c_str(),
                        jsonString(d->NamePDO).c_str(), jsonString(product).c_str());
        else
            std::printf("%-6s %s%s%s\n", d->NameFriendly.c_str(), d->NamePDO.c_str(), product.empty() ? "" : "  ",
                        product.c_str());
    }
    if (o.json)
        std::printf("]\n");
    return ExitCode::kDone;
}

int info(const CliOptions& o)
{
    CliSession session(sessionSettings(o));
    int code = 0;
    if (!session.choosePort(code))
        return code;
    CliSession::Job job;
    job.start = [&] {
        const SizeReply& s = *session.host().sizes();
        std::printf("Port %s (%s)\n", session.comm().ComName().c_str(), session.comm().DevicePath().c_str());
        for (int i = 0; i < 4; ++i)
            std::printf("Disk %d: %u Mb\n", i, static_cast<unsigned>(s.disks[static_cast<size_t>(i)]));
        std::printf("SD: %u Mb\n", s.sdMegabytes());
        std::fflush(stdout);
    };
    job.finished = [] { return true; };
    return session.run(job);
}

int send(const CliOptions& o)
{
    if (o.list) {
        for (const SendCommand& c : sendCommands())
            std::printf("%-22s %-16s %s%s\n", c.name, hex(frameOf(c)).c_str(), controlOf(c).caption,
                        isGuarded(c) ? "  (needs --yes)" : "");
        return ExitCode::kDone;
    }
    std::vector<const SendCommand*> commands;
    for (const std::string& name : o.arguments) {
        const SendCommand* c = findSendCommand(name);
        if (!c) {
            std::fprintf(stderr, "korvane: unknown command name '%s' (see 'korvane send --list')\n", name.c_str());
            return ExitCode::kUsage;
        }
        if (isGuarded(*c) && !o.yes) {
            std::fprintf(stderr, "korvane: %s (code 0x%02X) cannot be undone; nothing was sent. Repeat with --yes.\n", c->name,
                         commandCodeOf(*c));
            return ExitCode::kUsage;
        }
        commands.push_back(c);
    }
    CliSession session(sessionSettings(o));
    int code = 0;
    if (!session.choosePort(code))
        return code;
    ProtocolLoop& loop = session.loop();
    registerCommandStates(loop);
    // The records a read draws are printed as they came, two leading bytes included.
    std::string pendingName;
    for (int32_t state : {State::kExtraReply, State::kConfigReply, State::kTransmissionReply, State::kTurboTimerReply}) {
        const uint32_t length = State::replyLength(state);
        loop.registerStep(state, [&loop, &pendingName, length] {
            if (!loop.replyArrived(length))
                return ProtocolLoop::StepResult::WaitForInput;
            std::vector<uint8_t> reply(length);
            for (uint8_t& b : reply)
                b = loop.readByte();
            std::printf("%s: %s\n", pendingName.c_str(), hex(reply).c_str());
            std::fflush(stdout);
            loop.advance(State::kIdle);
            return ProtocolLoop::StepResult::Acted;
        });
    }
    size_t next = 0;
    CliSession::Job job;
    auto storeNext = [&] {
        const SendCommand& c = *commands[next++];
        pendingName = c.name;
        storeSendCommand(loop, c);
    };
    job.start = storeNext;
    job.finished = [&] {
        if (loop.state() != State::kIdle)
            return false;
        if (replyLength(*commands[next - 1]) == 0) {
            std::printf("sent %s\n", pendingName.c_str());
            std::fflush(stdout);
        }
        if (next < commands.size()) {
            storeNext();
            return false;
        }
        return true;
    };
    return session.run(job);
}

// Prints each file's result line as it gets one, and the progress bar on a terminal.
struct TransferOutput {
    TransferOutput(CliTransferHost& host, CliSession& session, bool quiet, bool tracing, std::function<QString()> currentFile)
        : bar([](const std::string& text) {
              std::fputs(text.c_str(), stderr);
              std::fflush(stderr);
          }),
          lines([this](const std::string& line) {
              bar.clear();
              std::fputs(line.c_str(), stdout);
              std::fflush(stdout);
          })
    {
        // The trace on the terminal would be cut by the bar's redraws: one or the other.
        if (!quiet && !tracing && isTerminal(stderr))
            host.setOnProgress([this, &session, currentFile](const CliTransferHost::Progress& p) {
                bar.update(currentFile().toStdString(), p.position, p.total, p.bytesPerSecond, session.elapsedMs());
            });
    }
    ProgressBar bar;
    ResultLines lines;
};

int sdUpload(const CliOptions& o)
{
    const QString folder = QDir(QString::fromLocal8Bit(o.arguments[0].c_str())).absolutePath();
    if (!QFileInfo(folder).isDir()) {
        std::fprintf(stderr, "korvane: %s is not a folder\n", o.arguments[0].c_str());
        return ExitCode::kUsage;
    }
    // The files of the folder as the SD page lists them: every ordinary file, sorted by name.
    const QStringList files = regularFileNames(folder);
    if (files.isEmpty()) {
        std::fprintf(stderr, "korvane: no files in %s; nothing to send\n", o.arguments[0].c_str());
        return ExitCode::kDone;
    }
    const int codePage = o.codePage ? o.codePage : systemAnsiCodePage();
    // Every argument is in the system's 8-bit code page, as the folder above is (UTF-8 on Linux,
    // the ANSI code page on Windows).
    const QString sdFolder = QString::fromLocal8Bit(o.to.c_str());
    QStringList unwritable;
    for (const QString& name : files) {
        if (!SdUpload::nameWritable(sdFolder, name, codePage))
            unwritable << sdFolder + name;
    }
    if (!unwritable.isEmpty() && !o.yes) {
        for (const QString& t : unwritable)
            std::fprintf(stderr, "korvane: %s cannot be written in code page %d (or is too long)\n", qPrintable(t), codePage);
        std::fprintf(stderr, "korvane: nothing was sent. Repeat with --yes to send the others; these end in their error.\n");
        return ExitCode::kUsage;
    }

    CliSession session(sessionSettings(o));
    int code = 0;
    if (!session.choosePort(code))
        return code;
    CliTransferHost host(files, codePage);
    SdUpload upload(session.loop(), host);
    const TransferResults& results = upload.results();
    TransferOutput output(host, session, o.quiet, o.verbose,
                          [&] { return upload.running() ? sdFolder + results.at(upload.fileIndex()).name : QString(); });
    auto offer = [&](int row) { output.lines.offer(row, sdFolder + results.at(row).name, results.at(row)); };
    QObject::connect(&results, &TransferResults::dataChanged, [&](const QModelIndex& from, const QModelIndex& to) {
        for (int row = from.row(); row <= to.row(); ++row)
            offer(row);
    });
    bool started = false;
    CliSession::Job job;
    job.start = [&] {
        started = true;
        upload.loadPacket(sdFolder, folder);
    };
    job.finished = [&] { return started && !upload.running() && session.loop().state() == State::kIdle; };
    job.result = [&] { return results.failedCount() ? ExitCode::kFailed : ExitCode::kDone; };
    // Ctrl+C, a time-out: the transfer stops as the window's Stop stops it.
    job.interrupted = [&] { session.loop().stopJob(); };
    const int exit = session.run(job);
    output.bar.clear();
    // The loop stops a job still running when it ends, so every file has its line by now.
    for (int row = 0; row < results.count(); ++row)
        offer(row);
    return exit;
}

int flash(const CliOptions& o)
{
    const QFileInfo file(QString::fromLocal8Bit(o.arguments[0].c_str()));
    if (!file.isFile()) {
        std::fprintf(stderr, "korvane: %s is not a file\n", o.arguments[0].c_str());
        return ExitCode::kUsage;
    }
    const int slot = o.slot - 1;  // the page numbers the slots from 1
    const QString usual = defaultImageName(slot);
    if (file.fileName().compare(usual, Qt::CaseInsensitive) != 0 && !o.yes) {
        std::fprintf(stderr, "korvane: slot %d holds %s, not %s; nothing was sent. Repeat with --yes.\n", o.slot,
                     qPrintable(usual), qPrintable(file.fileName()));
        return ExitCode::kUsage;
    }
    CliSession session(sessionSettings(o));
    int code = 0;
    if (!session.choosePort(code))
        return code;
    CliTransferHost host({file.fileName()}, 0);
    FlashLoader loader(session.loop(), host);
    TransferOutput output(host, session, o.quiet, o.verbose, [&] { return file.fileName(); });
    host.setOnSlotResult([&](int, const FileResult& r) { output.lines.offer(0, r.name, r); });
    bool started = false;
    bool refused = false;
    CliSession::Job job;
    job.start = [&] {
        // Slots 1 to 4 are the disks whose sizes the display reports, in megabytes.
        if (slot < 4 && !o.yes) {
            const unsigned mb = session.host().sizes()->disks[static_cast<size_t>(slot)];
            const qint64 capacity = static_cast<qint64>(mb) * display::kDiskMbBytes;
            if (mb == 0 || file.size() > capacity) {
                std::fprintf(stderr,
                             "korvane: %s (%lld bytes) does not fit Disk %d (%u Mb); nothing was sent. Repeat with "
                             "--yes.\n",
                             qPrintable(file.fileName()), static_cast<long long>(file.size()), slot, mb);
                refused = true;
                return;
            }
        }
        started = true;
        loader.send(file.absoluteFilePath(), static_cast<uint8_t>(slot));
    };
    job.finished = [&] { return refused || (started && !loader.running() && session.loop().state() == State::kIdle); };
    job.result = [&] {
        return refused                                                        ? ExitCode::kUsage
            : loader.slotResult(slot).outcome == FileResult::Outcome::Written ? ExitCode::kDone
                                                                              : ExitCode::kFailed;
    };
    // Ctrl+C, a time-out: the image stops as the window's Stop stops it.
    job.interrupted = [&] { session.loop().stopJob(); };
    const int exit = session.run(job);
    output.bar.clear();
    if (started)
        output.lines.offer(0, loader.slotResult(slot).name, loader.slotResult(slot));
    return exit;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    const CliOptions o = parseCliOptions(args);
    if (o.version) {
        std::printf("korvane %s\n", KORVANE_VERSION);
        return ExitCode::kDone;
    }
    if (o.help) {
        const std::string help = o.command.empty() ? programHelp() : commandHelp(o.command);
        std::fputs(help.c_str(), stdout);
        return ExitCode::kDone;
    }
    if (!o.error.empty()) {
        std::fprintf(stderr, "korvane: %s\nTry 'korvane --help'.\n", o.error.c_str());
        return ExitCode::kUsage;
    }
    if (o.command == "ports")
        return listPorts(o);
    if (o.command == "info")
        return info(o);
    if (o.command == "send")
        return send(o);
    if (o.command == "sd-upload")
        return sdUpload(o);
    if (o.command == "backup" || o.command == "compare" || o.command == "restore")
        return settingsCommand(o);
    return flash(o);
}
