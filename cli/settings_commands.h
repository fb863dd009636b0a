#pragma once
#include "cli/cli_options.h"

#include <string>
#include <vector>

#include "settings/settings_file.h"

// `korvane backup`, `compare` and `restore`: the window's settings job, driven from a terminal.
int settingsCommand(const CliOptions& options);

// The comparison as a table of record, field, display and file, columns padded to their widest
// cell; empty for no rows.
std::string differenceTable(const std::vector<SettingsDifference>& rows);
