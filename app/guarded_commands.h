#pragma once
#include <optional>
#include <string_view>

#include "app/questions.h"

// The commands that cannot be undone: they erase the configuration (0x10), reset the service
// records (0x37) or reset the on-board computer (0x28). Several buttons send each of them, under
// captions that do not say so ("Check Flash Disk ..." resets the service records too).

// Whether the control sends one of those commands.
bool isGuardedCommand(std::string_view control);

// The question to ask before the control's command goes out: what the display will do, and
// which other buttons, on which page, send the same command. None for an unguarded control.
std::optional<Question> guardQuestion(std::string_view control);
