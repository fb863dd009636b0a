#include "serial/port_links.h"

#include <QDir>
#include <QStandardPaths>

std::string portLinksFolder()
{
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return QDir(runtime).filePath(QStringLiteral("korvane/ports")).toStdString();
}

bool ensurePortLinksFolder() { return QDir().mkpath(QString::fromStdString(portLinksFolder())); }
