#include "cli/settings_commands.h"

#include "cli/cli_session.h"
#include "cli/console.h"
#include "cli/exit_codes.h"
#include "cli/terminal_question.h"
#include "protocol/protocol_states.h"
#include "settings/settings_file_job.h"

#include <QFileInfo>

#include <algorithm>
#include <array>
#include <cstdio>

namespace {

// The command line's side of the settings job: messages on the terminal, the question on it.
class CliSettingsHost : public SettingsFileJobHost {
public:
    CliSettingsHost(CliSession& session, const CliOptions& options) : session_(session), options_(options) {}

    void settingsProgress(const QString&) override {}
    void settingsComparison(const SettingsComparison& c, std::function<void(SettingsComparisonAnswer)> onRestore) override
    {
        std::fputs(differenceTable(c.rows).c_str(), stdout);
        const bool writeFileSerial = options_.serialChoice == 2;
        if (c.otherDisplay)
            std::printf("%s is from the display with serial number %u; this one has %u: %s.\n", qPrintable(c.fileName),
                        c.fileSerial, c.displaySerial,
                        writeFileSerial ? "writing the file's serial number"
                                        : "keeping this display's serial number (--write-serial to write the file's)");
        std::fflush(stdout);
        if (!onRestore)
            return;
        const SettingsComparisonAnswer answer{writeFileSerial};
        if (options_.yes) {
            onRestore(answer);
            return;
        }
        asking_ = true;
        askOnTerminal("Write these settings to the display? [y/N] ", &session_.loop(), [this, answer, onRestore](bool yes) {
            asking_ = false;
            if (yes) {
                onRestore(answer);
            } else {
                std::fprintf(stderr, "korvane: not confirmed; nothing was sent.\n");
                declined_ = true;
            }
        });
    }
    void settingsFinished(const SettingsJobEnd& end) override
    {
        end_ = end;
        finished_ = true;
        std::FILE* out =
            end.kind == SettingsJobEnd::Kind::Done || end.kind == SettingsJobEnd::Kind::NothingToDo ? stdout : stderr;
        std::fprintf(out, "%s%s\n", out == stderr ? "korvane: " : "", qPrintable(end.message));
        std::fflush(out);
    }
    SettingsOrigin settingsOrigin() const override
    {
        SettingsOrigin origin;
        origin.port = QString::fromStdString(session_.comm().ComName());
        if (const std::optional<SizeReply>& s = session_.host().sizes())
            origin.storage = StorageSizes{{s->disks[0], s->disks[1], s->disks[2], s->disks[3]}, s->sdMegabytes()};
        return origin;
    }

    bool done() const { return (finished_ || declined_) && !asking_; }
    int exitCode() const
    {
        if (declined_)
            return ExitCode::kUsage;
        switch (end_.kind) {
        case SettingsJobEnd::Kind::Done:
        case SettingsJobEnd::Kind::NothingToDo:
            return ExitCode::kDone;
        case SettingsJobEnd::Kind::BadFile:
            return ExitCode::kUsage;
        case SettingsJobEnd::Kind::Interrupted:
            // the sequence may see the line go before the session does
            return end_.outcome.end == BackupOutcome::End::LineLost ? ExitCode::kPort : ExitCode::kFailed;
        case SettingsJobEnd::Kind::NotSaved:
        case SettingsJobEnd::Kind::Mismatch:
            return ExitCode::kFailed;
        }
        return ExitCode::kFailed;
    }

private:
    CliSession& session_;
    const CliOptions& options_;
    SettingsJobEnd end_;
    bool finished_ = false;
    bool declined_ = false;
    bool asking_ = false;
};

QString padded(const QString& text, qsizetype width) { return text + QString(width - text.size(), QLatin1Char(' ')); }

}  // namespace

std::string differenceTable(const std::vector<SettingsDifference>& rows)
{
    if (rows.empty())
        return {};
    std::vector<std::array<QString, 4>> cells{
        {QStringLiteral("Record"), QStringLiteral("Field"), QStringLiteral("Display"), QStringLiteral("File")}};
    for (const SettingsDifference& d : rows)
        cells.push_back({settingsRecordName(d.record), d.field, d.display, d.file});
    std::array<qsizetype, 4> widths{};
    for (const auto& row : cells)
        for (size_t i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], row[i].size());
    std::string table;
    for (const auto& row : cells) {
        QString line;
        for (size_t i = 0; i < row.size(); ++i)
            line += i + 1 < row.size() ? padded(row[i], widths[i] + 2) : row[i];
        table += line.toStdString() + "\n";
    }
    return table;
}

int settingsCommand(const CliOptions& o)
{
    const QString path = QFileInfo(QString::fromLocal8Bit(o.arguments[0].c_str())).absoluteFilePath();
    // A file to compare or restore is checked before the port is opened: a bad one sends nothing.
    if (o.command != "backup") {
        const SettingsFileLoad load = readSettingsFile(path);
        if (!load.file) {
            std::fprintf(stderr, "korvane: %s. Nothing was sent.\n", qPrintable(load.error));
            return ExitCode::kUsage;
        }
    }
    if (o.command == "restore" && !o.yes && !isTerminal(stdin)) {
        std::fprintf(stderr,
                     "korvane: restore asks before it writes, and there is no terminal to ask on; nothing was sent. "
                     "Repeat with --yes.\n");
        return ExitCode::kUsage;
    }
    CliSession session(CliSession::Settings{o.port, o.linkIndex, o.timeoutMs, o.verbose, o.logFile});
    int code = 0;
    if (!session.choosePort(code))
        return code;
    CliSettingsHost host(session, o);
    SettingsFileJob settingsJob(session.loop(), host, nullptr, nullptr);
    bool started = false;
    CliSession::Job job;
    job.start = [&] {
        started = true;
        if (o.command == "backup")
            settingsJob.backUp(path);
        else if (o.command == "compare")
            settingsJob.compare(path);
        else
            settingsJob.restore(path);
    };
    job.finished = [&] { return started && host.done() && session.loop().state() == State::kIdle; };
    job.result = [&] { return host.exitCode(); };
    job.interrupted = [&] { settingsJob.sequence().stop(); };
    return session.run(job);
}
