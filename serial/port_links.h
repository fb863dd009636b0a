#pragma once
#include <string>

// The per-user folder of port links: symbolic links named COM<n> that point at a tty.
// The display simulator registers its pseudo-terminal here, and a user can add any
// device with `ln -s /dev/ttyXYZ <folder>/COM7`.
// It is <runtime folder>/korvane/ports, where the runtime folder is $XDG_RUNTIME_DIR when set
// and usable, else /tmp/runtime-<user> (as Qt's QStandardPaths::RuntimeLocation picks it).
std::string portLinksFolder();

// Creates the folder (and its parents) if missing; returns false with errno set on failure.
bool ensurePortLinksFolder();
