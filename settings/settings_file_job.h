#pragma once
#include <QString>

#include <functional>
#include <optional>

#include "settings/settings_backup.h"

// What a comparison shows: the differing fields, and for a restore the question whether to go
// ahead (and, for a file from another display, whether to write the file's serial number).
struct SettingsComparison {
    QString fileName;
    std::vector<SettingsDifference> rows;
    bool restore = false;       // a restore asks; a comparison only shows
    bool otherDisplay = false;  // the file's serial number is not this display's
    uint32_t displaySerial = 0;
    uint32_t fileSerial = 0;
};

struct SettingsComparisonAnswer {
    bool writeFileSerial = false;  // false keeps this display's serial number
};

// Where the records of a file come from: the port and the sizes the display reported.
struct SettingsOrigin {
    QString port;
    std::optional<StorageSizes> storage;
};

// How a job ended, with the sentence that says so.
struct SettingsJobEnd {
    enum class Kind {
        Done,         // backed up, compared, or restored and read back as written
        NothingToDo,  // the display already holds the file's settings; nothing was sent
        BadFile,      // the chosen file cannot be used; nothing was sent
        NotSaved,     // a file could not be written (for a restore: nothing was sent)
        Mismatch,     // restored, but some record came back different
        Interrupted,  // stopped, the line lost or another command took over
    };
    Kind kind = Kind::Done;
    QString message;
    BackupOutcome outcome;
};

// What a job tells whoever drives it: the window, or a command line.
class SettingsFileJobHost {
public:
    virtual ~SettingsFileJobHost() = default;
    // What it does now ("Reading settings: TurboTimer (3 of 4)", "… confirm to write").
    virtual void settingsProgress(const QString& text) = 0;
    // The comparison of the display with the file. For a restore, calling onRestore writes;
    // never calling it leaves the display as it is. A comparison passes no onRestore.
    virtual void settingsComparison(const SettingsComparison& comparison,
                                    std::function<void(SettingsComparisonAnswer)> onRestore) = 0;
    // The job has ended (not called while a restore waits for its answer).
    virtual void settingsFinished(const SettingsJobEnd& end) = 0;
    // The port and sizes the files record.
    virtual SettingsOrigin settingsOrigin() const = 0;
};

// Back up to a file, compare with a file, restore from a file: the order of the steps, the same
// for the window and the command line. A restore reads the display, compares, asks, keeps the
// display's records in "…-before-restore.json" (nothing is sent unless that file is written),
// writes only the differing records (this display's serial number unless the answer says the
// file's) and reads all four back.
class SettingsFileJob : private SettingsBackupHost {
public:
    // `pages` and `memory` may be null (a command line has no pages).
    SettingsFileJob(ProtocolLoop& loop, SettingsFileJobHost& host, SettingsPages* pages, SettingsMemory* memory);

    void backUp(const QString& path);
    // A bad file ends at once in BadFile with nothing sent.
    void compare(const QString& path);
    void restore(const QString& path);

    SettingsBackup& sequence() { return sequence_; }
    // The path of the copy the last restore kept.
    const QString& beforeRestoreFile() const { return beforePath_; }

private:
    enum class Purpose { None, Backup, Compare, RestoreRead, RestoreWrite };

    bool loadFile(const QString& path);
    void confirmRestore(const BackupOutcome& outcome);
    void writeRecords(const SettingsComparisonAnswer& answer);
    SettingsFile fileOf(const SettingsSnapshot& records) const;
    void end(SettingsJobEnd::Kind kind, const QString& message, const BackupOutcome& outcome = {});

    // SettingsBackupHost
    void backupProgress(const QString& text) override;
    void backupFinished(const BackupOutcome& outcome) override;

    ProtocolLoop& loop_;
    SettingsFileJobHost& host_;
    SettingsBackup sequence_;
    Purpose purpose_ = Purpose::None;
    QString path_;
    QString beforePath_;
    SettingsSnapshot file_;    // the chosen file's records
    SettingsSnapshot before_;  // the display's records before a restore
};
