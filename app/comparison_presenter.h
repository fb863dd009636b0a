#pragma once
#include <functional>

#include "settings/settings_file_job.h"

// Shows a comparison; calls onRestore only when the user confirms a restore. The window's own
// presenter is the comparison dialog (app/settings_comparison_dialog.h); the headless session
// and the tests give their own.
using ComparisonPresenter =
    std::function<void(const SettingsComparison& comparison, std::function<void(SettingsComparisonAnswer)> onRestore)>;
