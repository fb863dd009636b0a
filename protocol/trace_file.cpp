#include "protocol/trace_file.h"

#include <QFileInfo>
#include <QSaveFile>

QString writeTraceFile(const QString& path, const std::vector<TraceEntry>& entries)
{
    QSaveFile file(path);
    const auto failed = [&file, &path] {
        return QStringLiteral("Cannot write %1: %2").arg(QFileInfo(path).fileName(), file.errorString());
    };
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return failed();
    for (const TraceEntry& e : entries) {
        const std::string line = formatTraceEntry(e) + "\n";
        if (file.write(line.data(), static_cast<qint64>(line.size())) != static_cast<qint64>(line.size()))
            return failed();
    }
    if (!file.commit())
        return failed();
    return {};
}
