#pragma once
// What a page of the main window asks of the window around it: the handlers' error guard, the
// connection check before a request is stored, the questions, the loop and its job's Stop.
#include <functional>

#include "app/questions.h"

class ProtocolLoop;
class QFileDialog;
class QPushButton;
class QString;
class QWidget;
struct SettingsMemory;

class PageHost {
public:
    virtual ~PageHost() = default;
    // Runs a handler's body; an exception becomes an error report instead of crossing Qt's loop.
    virtual void guarded(const std::function<void()>& body) = 0;
    // Says "Not connected" when no port is open; false when the request must not be stored.
    virtual bool mayStoreRequest() = 0;
    virtual void ask(const Question& question, std::function<void()> onConfirm) = 0;
    virtual void reportError(const QString& text) = 0;
    virtual ProtocolLoop& loop() = 0;
    // A page's Stop: ends the job `owner` runs, and no other; Esc on the page does the same.
    virtual QPushButton* stopButton(QWidget* page, const char* name, const void* owner) = 0;
    // Runs a file dialog the way the open-file dialog is run (replaceable in tests).
    virtual bool runFileDialog(QFileDialog& dialog) = 0;
    // What the shell remembers of the display's settings between a reply and a save.
    virtual SettingsMemory& settingsMemory() = 0;
};
