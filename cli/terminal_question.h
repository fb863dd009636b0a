#pragma once
#include <QObject>

#include <functional>
#include <string>

// Asks a yes-or-no question on the terminal without blocking the event loop: the prompt goes to
// standard error, and onAnswer runs from the event loop once a line has been typed (true for a
// line that starts with y or Y; false for any other line or the end of the input). Nothing runs
// after `context` is gone. The platform's file reads the terminal.
void askOnTerminal(const std::string& prompt, QObject* context, std::function<void(bool)> onAnswer);
