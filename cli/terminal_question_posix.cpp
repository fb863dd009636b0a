// The terminal's answer on POSIX: a socket notifier on standard input collects the line.
#include "cli/terminal_question.h"

#include <QSocketNotifier>

#include <cstdio>
#include <memory>
#include <unistd.h>

void askOnTerminal(const std::string& prompt, QObject* context, std::function<void(bool)> onAnswer)
{
    std::fputs(prompt.c_str(), stderr);
    std::fflush(stderr);
    auto* notifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, context);
    auto line = std::make_shared<std::string>();
    QObject::connect(notifier, &QSocketNotifier::activated, context, [notifier, line, onAnswer] {
        char c = 0;
        const ssize_t n = ::read(STDIN_FILENO, &c, 1);
        if (n > 0 && c != '\n') {
            *line += c;
            return;
        }
        if (n < 0)
            return;  // interrupted; the notifier calls again
        notifier->setEnabled(false);
        notifier->deleteLater();
        onAnswer(!line->empty() && (line->front() == 'y' || line->front() == 'Y'));
    });
}
