#pragma once
// The transfer states in the real protocol loop and serial component, whose device is a fake line
// in this process with a scripted display at its far end, and recording stand-ins for the window.
#include "protocol/display_line.h"
#include "protocol/protocol_loop.h"
#include "protocol/protocol_states.h"
#include "serial/nr_comm.h"
#include "tests/protocol/recording_host.h"
#include "tests/support/scripted_steps.h"
#include "tests/transfer/scripted_display.h"
#include "transfer/flash_loader.h"
#include "transfer/sd_upload.h"
#include "transfer/transfer_host.h"
#include "transfer/transfer_results.h"

#include <map>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

struct RecordingTransferHost : TransferHost {
    QStringList fileNames;
    QString pcFolder;
    int codePage = 1252;
    std::array<QString, 7> panels;
    std::vector<QString> panel1History;
    std::vector<QString> panel6History;
    int32_t progressMaximum = -1;
    int32_t progressPosition = -1;

    QStringList sdFileNames() const override { return fileNames; }
    int ansiCodePage() const override { return codePage; }
    void setTransferPanel(int panel, const QString& text) override
    {
        panels.at(static_cast<size_t>(panel)) = text;
        if (panel == 1)
            panel1History.push_back(text);
        if (panel == 6 && (panel6History.empty() || panel6History.back() != text))
            panel6History.push_back(text);
    }
    void setProgressRange(int32_t maximum) override { progressMaximum = maximum; }
    void setProgressPosition(int32_t position) override { progressPosition = position; }
    QString panel1Tip;
    std::map<int, QString> slotShown;
    void setTransferPanelToolTip(int panel, const QString& text) override
    {
        if (panel == 1)
            panel1Tip = text;
    }
    void showSlotResult(int slot, const FileResult& result) override { slotShown[slot] = result.outcomeText(); }
};

class TransferOverFakeLine : public ::testing::Test {
protected:
    void start(ScriptedDisplay::Behaviour behaviour = {})
    {
        display = std::make_unique<ScriptedDisplay>(behaviour);
        line = std::make_unique<FakeDisplayLine>(*display);
        configureDisplayLine(comm);
        line->attach(comm);
        loop = std::make_unique<ProtocolLoop>(comm, host);
        sd = std::make_unique<SdUpload>(*loop, transferHost);
        flash = std::make_unique<FlashLoader>(*loop, transferHost);
        QObject::connect(loop.get(), &ProtocolLoop::passDone, [this] { ++passes; });
        ASSERT_TRUE(folder.isValid());
        transferHost.pcFolder = folder.path();
    }

    void TearDown() override
    {
        comm.SetActive(false);
        flash.reset();
        sd.reset();
        loop.reset();
        line.reset();
        display.reset();
    }

    // Writes a file of that size into the folder (byte i is (i * 7 + seed) mod 256).
    QByteArray writeFile(const QString& name, qsizetype size, int seed = 1, const QString& in = {})
    {
        QByteArray bytes(size, '\0');
        for (qsizetype i = 0; i < size; ++i)
            bytes[i] = static_cast<char>((i * 7 + seed) & 0xFF);
        QFile f(QDir(in.isEmpty() ? folder.path() : in).filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return bytes;
    }

    bool idleAfterGreeting() const { return !host.sizes.empty() && loop->state() == State::kIdle; }

    // Connects, runs the steps between the greeting and "Exit", then exits.
    void run(std::function<void(ScriptedSteps&)> between)
    {
        ScriptedSteps script{[this] { loop->requestExit(); }};
        script.step(
            "greeted", [this] { return idleAfterGreeting(); }, [] {});
        between(script);
        script.act("exit", [this] { loop->requestExit(); });
        script.start();
        loop->connectAndRun();
        EXPECT_TRUE(script.finished()) << "stopped at: " << script.failedStep();
    }
    // The common case: "Load Packet" into sdFolder, then wait until the batch is over.
    void runSdBatch(const QString& sdFolder = QStringLiteral("/"), int timeoutMs = 10000)
    {
        run([&](ScriptedSteps& s) {
            s.act("load packet", [this, sdFolder] { sd->loadPacket(sdFolder, transferHost.pcFolder); });
            s.step(
                "batch over", [this] { return loop->state() == State::kIdle; }, [] {}, timeoutMs);
        });
    }
    void runFlash(const QString& file, uint8_t slot, int timeoutMs = 10000)
    {
        run([&](ScriptedSteps& s) {
            s.act("send", [this, file, slot] { flash->send(file, slot); });
            s.step(
                "transfer over", [this] { return loop->state() == State::kIdle; }, [] {}, timeoutMs);
        });
    }

    // Starts a transfer with `send` whose file is missing, lets it wait half a second in
    // `waitState`, then writes the file (`size` bytes) and runs to the end. Returns the passes
    // made while waiting: one per wake-up (the recheck timer, the script's own 5 ms timer),
    // some hundred at most; a step that spun would make hundreds of thousands.
    int passesWhileFileMissing(int32_t waitState, std::function<void()> send, const QString& name, int size)
    {
        std::chrono::steady_clock::time_point waitStart;
        int passesWhileWaiting = 0;
        run([&](ScriptedSteps& s) {
            s.act("send", send);
            s.step(
                "waiting", [&] { return loop->state() == waitState; },
                [&] {
                    passes = 0;
                    waitStart = std::chrono::steady_clock::now();
                });
            s.step(
                "half a second", [&] { return std::chrono::steady_clock::now() - waitStart > std::chrono::milliseconds(500); },
                [&] {
                    passesWhileWaiting = passes;
                    writeFile(name, size);
                },
                2000);
            s.step(
                "over", [this] { return loop->state() == State::kIdle; }, [] {});
        });
        return passesWhileWaiting;
    }

    static QByteArray bytesOf(const std::vector<uint8_t>& v)
    {
        return QByteArray(reinterpret_cast<const char*>(v.data()), static_cast<qsizetype>(v.size()));
    }

    QTemporaryDir folder;
    std::unique_ptr<ScriptedDisplay> display;
    std::unique_ptr<FakeDisplayLine> line;
    TnrComm comm;
    RecordingHost host;
    RecordingTransferHost transferHost;
    std::unique_ptr<ProtocolLoop> loop;
    std::unique_ptr<SdUpload> sd;
    std::unique_ptr<FlashLoader> flash;
    int passes = 0;
};
