// Ctrl+C on POSIX: the signal handler writes one byte into a pipe; a socket notifier on the
// pipe's other end runs the callback from the event loop.
#include "cli/stop_request.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int pipeEnds[2] = {-1, -1};  // the handler needs them outside any object
struct sigaction previous {};

extern "C" void onSigint(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(pipeEnds[1], &byte, 1);
}

}  // namespace

void StopRequest::install()
{
    if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto* notifier = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        char buffer[16];
        while (::read(pipeEnds[0], buffer, sizeof buffer) > 0) {}
        deliver();
    });
    notifier_ = notifier;
    struct sigaction action {};
    action.sa_handler = onSigint;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, &previous);
    ::sigaction(SIGTERM, &action, nullptr);
}

void StopRequest::uninstall()
{
    if (pipeEnds[0] < 0)
        return;
    ::sigaction(SIGINT, &previous, nullptr);
    ::signal(SIGTERM, SIG_DFL);
    delete notifier_;
    notifier_ = nullptr;
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    pipeEnds[0] = pipeEnds[1] = -1;
}
