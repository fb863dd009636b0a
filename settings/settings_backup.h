#pragma once
#include <QMetaObject>
#include <QString>

#include <vector>

#include "protocol/protocol_loop.h"
#include "settings/settings_file.h"

class SettingsPages;
struct SettingsMemory;

// How a run of the backup sequence ended.
struct BackupOutcome {
    enum class End {
        Done,       // every record read (and, for a restore, written and read back)
        Stopped,    // stop() ended it
        LineLost,   // the port closed under it
        Overtaken,  // another request replaced it
    };
    End end = End::Done;
    bool restore = false;
    SettingsSnapshot read;                    // the records read (for a restore: read back)
    std::vector<SettingsRecordKind> written;  // the records whose save frame went out
    // For a restore that read everything back: the records that came back different from what
    // the restore meant the display to hold.
    std::vector<SettingsRecordKind> mismatched;

    // "read Config, Extra Coding; written Config", for the messages.
    QString summary() const;
};

// What the sequence tells whoever drives it: the window, or a command line.
class SettingsBackupHost {
public:
    virtual ~SettingsBackupHost() = default;
    // What it does now, e.g. "Reading settings: TurboTimer (3 of 4)".
    virtual void backupProgress(const QString& text) = 0;
    // The run has ended, however it ended; called once per run.
    virtual void backupFinished(const BackupOutcome& outcome) = 0;
};

// The sequence that reads the display's four settings records one after another and, for a
// restore, first sends the chosen records' save frames with the given raw bytes, then reads all
// four back and compares them with what the display should now hold. It runs in the protocol loop
// as states of its own, one frame per pass, like any other command. Records read are shown on
// their pages (when pages are given) exactly as each page's own "Read" shows them.
class SettingsBackup {
public:
    // `pages` and `memory` may be null (a command line has no pages).
    SettingsBackup(ProtocolLoop& loop, SettingsBackupHost& host, SettingsPages* pages, SettingsMemory* memory);
    ~SettingsBackup();
    SettingsBackup(const SettingsBackup&) = delete;
    SettingsBackup& operator=(const SettingsBackup&) = delete;

    // Reads the four records; starts the job, the loop's next pass sends. False when the loop
    // refused it (another job runs) or no loop runs: nothing starts then.
    bool readAll();
    // Writes each record of `writes` that holds bytes (in record order), then reads all four back
    // and compares them with `target` (what the display should hold afterwards).
    bool restore(const SettingsSnapshot& writes, const SettingsSnapshot& target);
    // Ends a run at once (the loop goes idle); the outcome says what was read and written.
    void stop();
    // True from readAll()/restore() until the run ends.
    bool running() const { return running_; }

private:
    bool start(bool restore, int32_t firstState);
    void finish(BackupOutcome::End end);
    void watchPass();
    bool ours(int32_t state) const;
    ProtocolLoop::StepResult stepReadRequest();
    ProtocolLoop::StepResult stepReadReply();
    ProtocolLoop::StepResult stepWrite();
    void show(SettingsRecordKind kind, const RecordBytes& bytes);

    ProtocolLoop& loop_;
    SettingsBackupHost& host_;
    SettingsPages* pages_;
    SettingsMemory* memory_;
    QMetaObject::Connection passWatch_;

    bool running_ = false;
    bool restore_ = false;
    size_t readIndex_ = 0;   // record being read
    size_t writeIndex_ = 0;  // next record to consider writing
    SettingsSnapshot writes_;
    SettingsSnapshot target_;
    BackupOutcome outcome_;
};
