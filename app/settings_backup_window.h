#pragma once
#include <QString>

#include <optional>

#include "app/comparison_presenter.h"

class TForm3;

// The window's side of "Back up settings…", "Compare with file…" and "Restore settings…": it
// asks for the file, starts the job, shows the comparison and the outcome in status panel 1. The
// job's steps, the sequence, the file format and the comparison live in settings/.
class SettingsBackupWindow : public SettingsFileJobHost {
public:
    SettingsBackupWindow(TForm3& form, SettingsPages& pages, SettingsMemory& memory);

    void backUp();
    void compare();
    void restore();

    SettingsBackup& sequence() { return job_.sequence(); }
    void setComparisonPresenter(ComparisonPresenter presenter) { presenter_ = std::move(presenter); }

    // SettingsFileJobHost
    void settingsProgress(const QString& text) override;
    void settingsComparison(const SettingsComparison& comparison,
                            std::function<void(SettingsComparisonAnswer)> onRestore) override;
    void settingsFinished(const SettingsJobEnd& end) override;
    SettingsOrigin settingsOrigin() const override;

private:
    bool ready();
    std::optional<QString> chooseFile(bool save);
    void message(const QString& text);

    TForm3& form_;
    SettingsFileJob job_;
    ComparisonPresenter presenter_;
    QString path_;  // the last file chosen, for the dialog's folder
};
