#pragma once
// The display simulator (korvane-sim) as its own process, for the benchmarks: it registers its
// pseudo-terminal (or, serving TCP, its address) as a port link and writes its line records when
// it stops.
#include "serial/port_links.h"
#include "sim/line_records.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>

#include <filesystem>
#include <optional>

struct SimProcess {
    QProcess process;
    QString link;
    QString stats;

    bool start(const QTemporaryDir& work, int port, const QStringList& extra)
    {
        stats = work.filePath(QStringLiteral("stats-%1.txt").arg(port));
        QFile::remove(stats);
        QStringList args{"--port",
                         QStringLiteral("COM%1").arg(port),
                         "--quiet",
                         "--sd-folder",
                         work.filePath(QStringLiteral("sd")),
                         "--flash-folder",
                         work.filePath(QStringLiteral("flash")),
                         "--stats",
                         stats};
        args += extra;
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(QStringLiteral(KORVANE_SIM_PATH), args);
        link = QString::fromStdString(portLinksFolder()) + QStringLiteral("/COM%1").arg(port);
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 5000) {
            if (QFileInfo(link).exists() || QFileInfo(link).isSymLink())  // a link to an address dangles
                return true;
            QThread::msleep(10);
        }
        return false;
    }
    // What to open: the port link, or the address it names when the simulator serves TCP.
    QString target() const
    {
        std::error_code ec;
        const std::string to = std::filesystem::read_symlink(link.toStdString(), ec).string();
        return to.find("://") != std::string::npos ? QString::fromStdString(to) : link;
    }
    // Stops it; its line records are written as it stops.
    std::optional<LineRecords> stop()
    {
        process.terminate();
        if (!process.waitForFinished(10000))
            process.kill();
        return readLineRecordsFile(stats.toStdString());
    }
};
