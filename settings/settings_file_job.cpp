#include "settings/settings_file_job.h"

#include "serial/nr_comm.h"

#include <QDateTime>
#include <QFileInfo>
#include <QStringList>

namespace {

QString fileNameOf(const QString& path) { return QFileInfo(path).fileName(); }

}  // namespace

SettingsFileJob::SettingsFileJob(ProtocolLoop& loop, SettingsFileJobHost& host, SettingsPages* pages, SettingsMemory* memory)
    : loop_(loop), host_(host), sequence_(loop, *this, pages, memory)
{}

void SettingsFileJob::end(SettingsJobEnd::Kind kind, const QString& message, const BackupOutcome& outcome)
{
    host_.settingsFinished(SettingsJobEnd{kind, message, outcome});
}

bool SettingsFileJob::loadFile(const QString& path)
{
    const SettingsFileLoad load = readSettingsFile(path);
    if (!load.file) {
        end(SettingsJobEnd::Kind::BadFile, load.error + QStringLiteral(". Nothing was sent."));
        return false;
    }
    path_ = path;
    file_ = load.file->records;
    return true;
}

void SettingsFileJob::backUp(const QString& path)
{
    path_ = path;
    purpose_ = Purpose::Backup;
    if (!sequence_.readAll())
        purpose_ = Purpose::None;  // the loop refused it and said why
}

void SettingsFileJob::compare(const QString& path)
{
    if (!loadFile(path))
        return;
    purpose_ = Purpose::Compare;
    if (!sequence_.readAll())
        purpose_ = Purpose::None;
}

void SettingsFileJob::restore(const QString& path)
{
    if (!loadFile(path))
        return;
    purpose_ = Purpose::RestoreRead;
    if (!sequence_.readAll())
        purpose_ = Purpose::None;
}

SettingsFile SettingsFileJob::fileOf(const SettingsSnapshot& records) const
{
    const SettingsOrigin origin = host_.settingsOrigin();
    SettingsFile f;
    f.saved = QDateTime::currentDateTimeUtc();
    f.port = origin.port;
    f.storage = origin.storage;
    f.records = records;
    return f;
}

void SettingsFileJob::backupProgress(const QString& text) { host_.settingsProgress(text); }

void SettingsFileJob::backupFinished(const BackupOutcome& outcome)
{
    using Kind = SettingsJobEnd::Kind;
    const Purpose purpose = purpose_;
    purpose_ = Purpose::None;
    const QString name = fileNameOf(path_);
    if (outcome.end != BackupOutcome::End::Done) {
        const QString why = outcome.end == BackupOutcome::End::Stopped ? QStringLiteral("stopped")
            : outcome.end == BackupOutcome::End::LineLost              ? QStringLiteral("ended: the line was lost")
                                                                       : QStringLiteral("ended by another command");
        const QString what = purpose == Purpose::Backup ? QStringLiteral("Settings backup")
            : purpose == Purpose::Compare               ? QStringLiteral("Comparison")
                                                        : QStringLiteral("Settings restore");
        end(Kind::Interrupted, QStringLiteral("%1 %2 (%3).").arg(what, why, outcome.summary()), outcome);
        return;
    }
    switch (purpose) {
    case Purpose::Backup: {
        const QString error = writeSettingsFile(path_, fileOf(outcome.read));
        if (error.isEmpty())
            end(Kind::Done, QStringLiteral("Settings backed up to %1.").arg(name), outcome);
        else
            end(Kind::NotSaved, error, outcome);
        break;
    }
    case Purpose::Compare: {
        const auto rows = compareSettings(outcome.read, file_);
        host_.settingsComparison({name, rows, false, false, 0, 0}, nullptr);
        end(Kind::Done, QStringLiteral("Compared with %1: %2 difference(s).").arg(name).arg(rows.size()), outcome);
        break;
    }
    case Purpose::RestoreRead:
        confirmRestore(outcome);
        break;
    case Purpose::RestoreWrite: {
        QStringList back;
        for (SettingsRecordKind k : outcome.mismatched)
            back << settingsRecordName(k);
        const QString written = outcome.summary();
        if (back.isEmpty())
            end(Kind::Done,
                QStringLiteral("Restored from %1 (%2); read back, the display holds what was written. Before: %3.")
                    .arg(name, written, fileNameOf(beforePath_)),
                outcome);
        else
            end(Kind::Mismatch,
                QStringLiteral("Restore from %1: read back, %2 came back different (%3). Before: %4.")
                    .arg(name, back.join(QStringLiteral(", ")), written, fileNameOf(beforePath_)),
                outcome);
        break;
    }
    case Purpose::None:
        break;
    }
}

void SettingsFileJob::confirmRestore(const BackupOutcome& outcome)
{
    before_ = outcome.read;
    const auto rows = compareSettings(before_, file_);
    SettingsComparison c{fileNameOf(path_), rows, true, false, 0, 0};
    const auto& display = before_[SettingsRecordKind::Config];
    const auto& file = file_[SettingsRecordKind::Config];
    if (display && file) {
        c.displaySerial = configSerialNumber(*display);
        c.fileSerial = configSerialNumber(*file);
        c.otherDisplay = c.displaySerial != c.fileSerial;
    }
    if (rows.empty()) {
        end(SettingsJobEnd::Kind::NothingToDo,
            QStringLiteral("The display already holds the settings of %1; nothing was sent.").arg(c.fileName), outcome);
        return;
    }
    host_.settingsProgress(
        QStringLiteral("Restore from %1: %2 difference(s); confirm to write.").arg(c.fileName).arg(rows.size()));
    host_.settingsComparison(c, [this](SettingsComparisonAnswer answer) { writeRecords(answer); });
}

void SettingsFileJob::writeRecords(const SettingsComparisonAnswer& answer)
{
    // The answer may come long after the question: the line may be gone, or another run going.
    if (!loop_.mayStart()) {
        end(SettingsJobEnd::Kind::Interrupted,
            loop_.job().description() + QStringLiteral(": Stop ends it. Nothing was written."));
        return;
    }
    if (loop_.runDepth() == 0 || !loop_.comm().Active()) {
        end(SettingsJobEnd::Kind::Interrupted, QStringLiteral("Not connected: press Connect first"));
        return;
    }
    // What the display should hold afterwards: the file's records (this display's serial number
    // unless the answer chose the file's); records the file lacks stay as they are.
    SettingsSnapshot target;
    SettingsSnapshot writes;
    for (SettingsRecordKind k : kSettingsRecordKinds) {
        if (!file_[k] || !before_[k])
            continue;
        RecordBytes bytes = *file_[k];
        if (k == SettingsRecordKind::Config && !answer.writeFileSerial)
            bytes = withSerialOf(bytes, *before_[k]);
        target[k] = bytes;
        if (bytes != *before_[k])
            writes[k] = bytes;
    }
    const QString name = fileNameOf(path_);
    if (writes == SettingsSnapshot{}) {
        end(SettingsJobEnd::Kind::NothingToDo,
            QStringLiteral("The display already holds the settings of %1; nothing was sent.").arg(name));
        return;
    }
    // The records as they are now, so that the restore can be undone; without it, nothing is sent.
    beforePath_ = beforeRestorePath(path_);
    if (const QString error = writeSettingsFile(beforePath_, fileOf(before_)); !error.isEmpty()) {
        end(SettingsJobEnd::Kind::NotSaved, error + QStringLiteral(". Nothing was sent."));
        return;
    }
    purpose_ = Purpose::RestoreWrite;
    if (!sequence_.restore(writes, target))
        end(SettingsJobEnd::Kind::Interrupted, QStringLiteral("Not connected: press Connect first"));
}
