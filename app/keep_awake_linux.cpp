#include "app/keep_awake.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusUnixFileDescriptor>

// logind's inhibitor: Inhibit returns a descriptor; the lock holds while it is open. The call is
// asynchronous, so a slow or missing system bus never holds up the window.
struct KeepAwake::Platform {
    QDBusUnixFileDescriptor lock;
    std::unique_ptr<QDBusPendingCallWatcher> pending;
    bool wanted = false;
};

KeepAwake::KeepAwake() : platform_(std::make_unique<Platform>()) {}

KeepAwake::~KeepAwake() = default;

void KeepAwake::hold(bool awake)
{
    held_ = awake;
    Platform& p = *platform_;
    p.wanted = awake;
    if (!awake) {
        p.lock = QDBusUnixFileDescriptor();  // closing the descriptor ends the inhibition
        return;
    }
    if (p.lock.isValid() || p.pending)
        return;
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return;
    QDBusMessage call =
        QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                                       QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
    call << QStringLiteral("sleep:idle") << QStringLiteral("Korvane Shell") << QStringLiteral("A transfer is running")
         << QStringLiteral("block");
    p.pending = std::make_unique<QDBusPendingCallWatcher>(bus.asyncCall(call));
    QObject::connect(p.pending.get(), &QDBusPendingCallWatcher::finished, p.pending.get(), [&p](QDBusPendingCallWatcher* w) {
        QDBusPendingReply<QDBusUnixFileDescriptor> reply = *w;
        if (p.wanted && !reply.isError())
            p.lock = reply.value();  // a transfer that ended meanwhile lets it go at once
        p.pending.release()->deleteLater();
    });
}
