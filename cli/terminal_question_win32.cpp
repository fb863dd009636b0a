// The terminal's answer on Windows: the console cannot be watched by the event loop, so a thread
// of its own reads the line and hands the answer to the context's thread.
#include "cli/terminal_question.h"

#include <QMetaObject>
#include <QPointer>

#include <cstdio>
#include <thread>

void askOnTerminal(const std::string& prompt, QObject* context, std::function<void(bool)> onAnswer)
{
    std::fputs(prompt.c_str(), stderr);
    std::fflush(stderr);
    QPointer<QObject> target(context);
    // Ctrl+C ends the console read, so the thread does not outlive the program's work; it is
    // detached because nothing needs its end.
    std::thread([target, onAnswer] {
        char line[64] = {};
        const bool yes = std::fgets(line, sizeof line, stdin) && (line[0] == 'y' || line[0] == 'Y');
        QMetaObject::invokeMethod(
            target.data(),
            [target, onAnswer, yes] {
                if (target)
                    onAnswer(yes);
            },
            Qt::QueuedConnection);
    }).detach();
}
