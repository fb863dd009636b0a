#pragma once
#include <QString>

#include <optional>

#include "app/settings_comparison_dialog.h"
#include "settings/settings_backup.h"

class TForm3;

// The window's side of "Back up settings…", "Compare with file…" and "Restore settings…": it
// asks for the file, starts the backup sequence, shows the comparison and the outcome in status
// panel 1. The sequence, the file format and the comparison live in settings/.
class SettingsBackupWindow : public SettingsBackupHost {
public:
    SettingsBackupWindow(TForm3& form, SettingsPages& pages, SettingsMemory& memory);

    void backUp();
    void compare();
    void restore();

    SettingsBackup& sequence() { return sequence_; }
    void setComparisonPresenter(ComparisonPresenter presenter) { presenter_ = std::move(presenter); }

    // SettingsBackupHost
    void backupProgress(const QString& text) override;
    void backupFinished(const BackupOutcome& outcome) override;

private:
    enum class Purpose { None, Backup, Compare, RestoreRead, RestoreWrite };

    bool ready();
    std::optional<QString> chooseFile(bool save);
    bool loadFile(const QString& path);
    void confirmRestore(const BackupOutcome& before);
    void writeRecords(const SettingsComparisonAnswer& answer);
    SettingsFile fileOf(const SettingsSnapshot& records) const;
    void message(const QString& text);

    TForm3& form_;
    SettingsBackup sequence_;
    ComparisonPresenter presenter_;
    Purpose purpose_ = Purpose::None;
    QString path_;
    QString beforePath_;       // where the last restore kept the records from before it
    SettingsSnapshot file_;    // the chosen file's records
    SettingsSnapshot before_;  // the display's records before a restore
};
