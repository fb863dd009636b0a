#pragma once
// korvane as a process against the display simulator, which serves a pseudo-terminal registered
// as port link COM3 and logs every frame it takes.
#include "sim/sim_pty_server.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <thread>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

struct Outcome {
    int exitCode = -1;
    QString out;
    QString err;
};

inline QByteArray pattern(qsizetype size, int seed)
{
    QByteArray bytes(size, '\0');
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + seed) & 0xFF);
    return bytes;
}

inline void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

inline QByteArray readFile(const fs::path& path)
{
    QFile f(QString::fromStdString(path.string()));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class Cli : public ::testing::Test {
protected:
    void startSim(FailureSettings failures = {}, VolumeSizes sizes = {{4, 4, 4, 4}, 512}, SettingsRecords records = {},
                  SimTransport transport = SimTransport::Pty, bool rawEcho = false)
    {
        if (server)
            server->stop();
        SimPtyServerOptions o;
        o.simulator.volumes = sizes;
        o.simulator.failures = failures;
        o.simulator.records = records;
        o.simulator.storage.sdFolder = fs::path(root.path().toStdString()) / "sd";
        o.simulator.storage.flashFolder = fs::path(root.path().toStdString()) / "flash";
        o.simulator.storage.codePage = 1252;
        o.registerLink = true;  // over a network, a port link to the simulator's address
        o.portNumber = 3;
        o.transport = transport;
        o.rawEcho = rawEcho;
        server = std::make_unique<SimPtyServer>(std::move(o));
        server->start();
    }
    void TearDown() override
    {
        if (server)
            server->stop();
    }

    static QStringList withPort(QStringList args)
    {
        args << QStringLiteral("--port") << QStringLiteral("COM3") << QStringLiteral("--codepage") << QStringLiteral("1252");
        return args;
    }

    static Outcome run(const QStringList& args, int waitMs = 30000)
    {
        QProcess p;
        p.start(QStringLiteral(KORVANE_EXE), args);
        EXPECT_TRUE(p.waitForFinished(waitMs)) << "korvane did not end";
        return Outcome{p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                       QString::fromLocal8Bit(p.readAllStandardOutput()), QString::fromLocal8Bit(p.readAllStandardError())};
    }

    // The frames the display took, once the last one is the goodbye (or after 5 s): korvane may
    // end before the simulator has read its last bytes.
    std::vector<std::string> frameNames() const
    {
        for (int i = 0; i < 500; ++i) {
            const auto log = server->simulator().log();
            if (!log.empty() && log.back().name == "goodbye")
                break;
            std::this_thread::sleep_for(10ms);
        }
        return loggedNames();
    }
    std::vector<std::string> loggedNames() const
    {
        std::vector<std::string> names;
        for (const FrameRecord& f : server->simulator().log())
            if (f.kind != FrameKind::Garbage)
                names.push_back(f.name);
        return names;
    }

    QString folder(const QString& name)
    {
        const QString path = root.filePath(name);
        QDir().mkpath(path);
        return path;
    }

    QTemporaryDir root;
    std::unique_ptr<SimPtyServer> server;
};
