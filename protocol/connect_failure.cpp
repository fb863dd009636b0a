#include "protocol/connect_failure.h"

#include <array>

namespace {

struct Remedy {
    const char* systemText;  // the system's text for the error, as the component passes it on
    const char* shown;       // what the user reads instead
};

// The texts a POSIX system gives for the three usual reasons: no permission, no such device,
// and a device another program holds open; and the one Windows gives for a port another program
// holds (a COM port opens for one program at a time).
constexpr std::array kRemedies = {
    Remedy{"Permission denied", "Permission denied: join the group dialout"},
    Remedy{"No such file or directory", "No such file or directory"},
    Remedy{"Device or resource busy", "Device or resource busy: another program holds it, perhaps ModemManager probing it"},
    Remedy{"Access is denied.", "Access is denied: another program holds the port; close it, then press Connect"},
};

}  // namespace

QString openFailureReason(const QString& openError)
{
    // The system's text follows the component's own line.
    const QString whole = openError.trimmed();
    const qsizetype cut = whole.lastIndexOf(QLatin1Char('\r'));
    const QString system = (cut >= 0 ? whole.mid(cut + 1) : whole).trimmed();
    for (const Remedy& r : kRemedies)
        if (system.compare(QLatin1String(r.systemText), Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(r.shown);
    return system;
}

QString connectAttemptText(const QString& portName, const QString& openError)
{
    return QStringLiteral("Cannot open %1: %2").arg(portName, openFailureReason(openError));
}

QString notConnectedText() { return QStringLiteral("Not connected: press Connect first"); }
