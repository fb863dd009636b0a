// A USB adapter pulled at each moment a fitter may pull it, proven at the Win32 calls: each way a
// removed adapter shows itself (a wait that ends with an error, a failing ClearCommError, a
// failing read or write) ends in "Connection to COM3 lost" at once, the file that was going marked
// where it stopped, the handle closed, the receive threads ended and nothing spinning; an adapter
// plugged back in greets the display at the next "Connect". An aborted wait with a healthy
// ClearCommError is no loss (Wine ends waits so): the line goes on, and the waits do not spin.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

#include "protocol/command_catalogue.h"
#include "protocol/display_line.h"
#include "protocol/protocol_loop.h"
#include "protocol/protocol_states.h"
#include "serial/nr_comm.h"
#include "serial/port_map.h"
#include "tests/protocol/recording_host.h"
#include "tests/serial/fake_usb_adapter_win32.h"
#include "tests/support/scripted_steps.h"
#include "tests/transfer/scripted_display.h"
#include "tests/transfer/transfer_fixture.h"
#include "transfer/flash_loader.h"
#include "transfer/sd_upload.h"

// After the component's headers: the system's headers define the event and error names as macros.
#include <tlhelp32.h>
#include <windows.h>

namespace {

using Call = FakeUsbAdapter::Call;
using namespace std::chrono_literals;

constexpr int kFileSize = 64 * 1024;
const QString kLostText = QStringLiteral("Connection to COM3 lost. Press \"Connect\" to connect again.");

// Threads of this process.
int ThreadCount()
{
    const HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snap == INVALID_HANDLE_VALUE)
        return -1;
    int count = 0;
    THREADENTRY32 e{};
    e.dwSize = sizeof e;
    for (BOOL more = Thread32First(snap, &e); more; more = Thread32Next(snap, &e))
        count += e.th32OwnerProcessID == GetCurrentProcessId();
    CloseHandle(snap);
    return count;
}

enum class Moment { Idle, RecordReply, MidSd, MidFlash };

const char* Name(Moment m)
{
    switch (m) {
    case Moment::Idle:
        return "idle";
    case Moment::RecordReply:
        return "awaiting a record reply";
    case Moment::MidSd:
        return "mid-SD";
    case Moment::MidFlash:
        return "mid-flash";
    }
    return "";
}

// The display behind the adapter, the serial component, the loop and the two transfers.
struct Rig {
    Rig()
    {
        ScriptedDisplay::Behaviour b;
        b.pieceGap = 5ms;  // each acknowledgement takes a little while, so a file lasts
        display = std::make_unique<ScriptedDisplay>(b);
        line = std::make_unique<FakeDisplayLine>(*display);
        adapter = std::make_unique<FakeUsbAdapter>(*line);
        configureDisplayLine(comm);
        comm.SetPortMapSource(std::make_shared<TnrFixedPortMap>(std::vector<TnrPortMapEntry>{{FakeUsbAdapter::kPath, "COM3"}}));
        comm.GetDeviceList(nullptr);
        comm.SetComPortNo(3);
        loop = std::make_unique<ProtocolLoop>(comm, host);
        registerCommandStates(*loop);
        sd = std::make_unique<SdUpload>(*loop, transferHost);
        flash = std::make_unique<FlashLoader>(*loop, transferHost);
        transferHost.pcFolder = folder.path();
        // Long enough that a file still goes when a fault that bites only at the next wait is seen.
        QByteArray bytes(kFileSize, '\0');
        for (qsizetype i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<char>(i * 7 + 1);
        QFile f(QDir(folder.path()).filePath(QStringLiteral("a.bin")));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        transferHost.fileNames = QStringList{QStringLiteral("a.bin")};
    }
    ~Rig()
    {
        comm.SetActive(false);
        flash.reset();
        sd.reset();
        loop.reset();
    }

    bool greeted() const { return !host.sizes.empty() && loop->state() == State::kIdle; }

    // Brings the loop to the moment.
    void reach(ScriptedSteps& s, Moment m)
    {
        switch (m) {
        case Moment::Idle:
            break;
        case Moment::RecordReply:
            s.act("read config", [this] { loop->request(State::kReadConfig, 0x18); });
            s.step(
                "awaiting the record", [this] { return loop->state() == State::kConfigReply; }, [] {});
            break;
        case Moment::MidSd:
            s.act("load packet", [this] { sd->loadPacket(QStringLiteral("/"), transferHost.pcFolder); });
            s.step(
                "blocks going", [this] { return display->countFrames(0xAB) >= 3; }, [] {});
            break;
        case Moment::MidFlash:
            s.act("send", [this] { flash->send(QDir(folder.path()).filePath(QStringLiteral("a.bin")), 2); });
            s.step(
                "blocks going", [this] { return display->countFrames(0xA4) >= 2; }, [] {});
            break;
        }
    }

    // The file that was going, as its result says.
    QString fileResult(Moment m) const
    {
        if (m == Moment::MidSd)
            return sd->results().count() > 0 ? sd->results().at(0).outcomeText() : QString();
        return flash->slotResult(2).outcomeText();
    }

    std::unique_ptr<ScriptedDisplay> display;
    std::unique_ptr<FakeDisplayLine> line;
    std::unique_ptr<FakeUsbAdapter> adapter;
    TnrComm comm;
    RecordingHost host;
    RecordingTransferHost transferHost;
    QTemporaryDir folder;
    std::unique_ptr<ProtocolLoop> loop;
    std::unique_ptr<SdUpload> sd;
    std::unique_ptr<FlashLoader> flash;
};

struct Fault {
    const char* name;
    Call call;
    DWORD error;
    Call alsoCall = Call::None;  // a second call failing from the same moment
    DWORD alsoError = 0;
    bool transfersOnly = false;  // a read or write fails only where bytes go: mid-transfer
};

// "Connect" once more with the adapter back: the display is greeted.
void ConnectAgainGreets(Rig& rig)
{
    rig.adapter->heal();
    const size_t sizesBefore = rig.host.sizes.size();
    ScriptedSteps again{[&] { rig.loop->requestExit(); }};
    again.step(
        "greeted again", [&] { return rig.host.sizes.size() > sizesBefore; }, [&] { rig.loop->requestExit(); }, 5000);
    again.start();
    rig.loop->connectAndRun();
    EXPECT_TRUE(again.finished()) << "stopped at: " << again.failedStep();
    EXPECT_EQ(rig.host.panels[1], QString()) << "the loss is no news after a new greeting";
}

TEST(Win32LineLoss, APulledAdapterAtEachMomentIsSeenAtOnceAndLetGo)
{
    const Fault faults[] = {
        {"wait ends: access denied", Call::WaitResult, ERROR_ACCESS_DENIED},
        {"wait ends: bad command", Call::WaitResult, ERROR_BAD_COMMAND},
        {"wait ends: device removed", Call::WaitResult, ERROR_DEVICE_REMOVED},
        {"wait ends: general failure", Call::WaitResult, ERROR_GEN_FAILURE},
        {"WaitCommEvent fails: device removed", Call::WaitCommEvent, ERROR_DEVICE_REMOVED},
        {"wait aborted, ClearCommError fails", Call::WaitResult, ERROR_OPERATION_ABORTED, Call::ClearCommError,
         ERROR_ACCESS_DENIED},
        {"ClearCommError fails: bad command", Call::ClearCommError, ERROR_BAD_COMMAND},
        {"ReadFile fails: general failure", Call::ReadFile, ERROR_GEN_FAILURE, Call::None, 0, true},
        {"WriteFile fails mid-frame: device removed", Call::WriteFile, ERROR_DEVICE_REMOVED, Call::None, 0, true},
    };
    for (const Fault& f : faults) {
        for (const Moment m : {Moment::Idle, Moment::RecordReply, Moment::MidSd, Moment::MidFlash}) {
            const bool transfer = m == Moment::MidSd || m == Moment::MidFlash;
            if (f.transfersOnly && !transfer)
                continue;
            SCOPED_TRACE(std::string(f.name) + ", " + Name(m));
            Rig rig;
            const int threadsBefore = ThreadCount();
            QElapsedTimer sinceFault;
            qint64 shownAfterMs = -1;
            ScriptedSteps script{[&] { rig.loop->requestExit(); }};
            script.step(
                "greeted", [&] { return rig.greeted(); }, [] {});
            rig.reach(script, m);
            script.act("pulled", [&] {
                rig.adapter->fail(f.call, f.error);
                if (f.alsoCall != Call::None)
                    rig.adapter->fail(f.alsoCall, f.alsoError);
                sinceFault.start();
            });
            script.step(
                "loss shown", [&] { return rig.host.panels[1] == kLostText; },
                [&] {
                    shownAfterMs = sinceFault.elapsed();
                    rig.loop->requestExit();
                },
                5000);
            script.start();
            rig.loop->connectAndRun();
            ASSERT_TRUE(script.finished()) << "stopped at: " << script.failedStep()
                                           << "; panel 1: " << rig.host.panels[1].toStdString();

            // One line a row in the log: what the fitter saw.
            std::printf("row: %s, %s: panel 1 \"%s\" after %lld ms%s%s\n", f.name, Name(m),
                        rig.host.panels[1].toUtf8().constData(), static_cast<long long>(shownAfterMs), transfer ? "; file: " : "",
                        transfer ? rig.fileResult(m).toUtf8().constData() : "");
            EXPECT_LT(shownAfterMs, 1000) << "the loss was shown late";
            EXPECT_FALSE(rig.comm.Active());
            if (transfer) {
                const QString result = rig.fileResult(m);
                EXPECT_TRUE(result.startsWith(QStringLiteral("line lost at byte "))) << result.toStdString();
                EXPECT_GT(result.section(QLatin1Char(' '), -1).toInt(), 0) << result.toStdString();
            }
            // The handle closed once (by the last thread that held it), the receive threads
            // ended, and no call reaches the adapter.
            QElapsedTimer t;
            t.start();
            while ((ThreadCount() > threadsBefore || rig.adapter->portOpen()) && t.elapsed() < 2000)
                std::this_thread::sleep_for(10ms);
            EXPECT_EQ(rig.adapter->closesOfPortHandle(), 1);
            EXPECT_FALSE(rig.adapter->portOpen());
            EXPECT_LE(ThreadCount(), threadsBefore) << "threads still running after the loss";
            const int callsBefore = rig.adapter->callsMade();
            std::this_thread::sleep_for(200ms);
            EXPECT_EQ(rig.adapter->callsMade(), callsBefore) << "calls on a closed handle after the loss";

            ConnectAgainGreets(rig);
            EXPECT_EQ(rig.adapter->closesOfPortHandle(), 2);
        }
    }
}

// Waits that end aborted at once while ClearCommError answers: the line stays up, each wait comes
// at most once per 50 ms, and what was going arrives whole.
TEST(Win32LineLoss, AbortedWaitsWithAHealthyAdapterAreWaitedAgainWithoutSpinning)
{
    for (const Moment m : {Moment::Idle, Moment::RecordReply, Moment::MidSd, Moment::MidFlash}) {
        SCOPED_TRACE(Name(m));
        Rig rig;
        int waitsIn500Ms = -1;
        int waitsAtFault = 0;
        QElapsedTimer sinceFault;
        ScriptedSteps script{[&] { rig.loop->requestExit(); }};
        script.step(
            "greeted", [&] { return rig.greeted(); }, [] {});
        rig.reach(script, m);
        script.act("waits aborted", [&] {
            rig.adapter->fail(Call::WaitResult, ERROR_OPERATION_ABORTED);
            waitsAtFault = rig.adapter->waitsStarted();
            sinceFault.start();
        });
        script.step(
            "half a second", [&] { return sinceFault.elapsed() >= 500; },
            [&] { waitsIn500Ms = rig.adapter->waitsStarted() - waitsAtFault; });
        script.step(
            "idle again", [&] { return rig.loop->state() == State::kIdle || m == Moment::RecordReply; },
            [&] { rig.loop->requestExit(); }, 20000);
        script.start();
        rig.loop->connectAndRun();
        ASSERT_TRUE(script.finished()) << "stopped at: " << script.failedStep();
        std::printf("aborted waits, %s: %d waits started in 0.5 s; panel 1 \"%s\"\n", Name(m), waitsIn500Ms,
                    rig.host.panels[1].toUtf8().constData());
        EXPECT_LE(waitsIn500Ms, 500 / 50 + 2) << "waits started in 0.5 s of aborted waits";
        EXPECT_NE(rig.host.panels[1], kLostText);
        EXPECT_EQ(rig.adapter->closesOfPortHandle(), 1) << "closed once, by Exit";
        if (m == Moment::MidSd) {
            ASSERT_EQ(rig.display->sdFiles().size(), 1u);
            EXPECT_EQ(rig.display->sdFiles()[0].data.size(), static_cast<size_t>(kFileSize));
            EXPECT_EQ(rig.fileResult(m), QStringLiteral("written"));
        }
        if (m == Moment::MidFlash) {
            ASSERT_EQ(rig.display->flashImages().size(), 1u);
            EXPECT_EQ(rig.fileResult(m), QStringLiteral("written"));
        }
    }
}

// "Connect" with another program holding the port, or with the adapter unplugged: panel 1 says
// why, in words the fitter can act on, and the attempts go on until the adapter is back.
TEST(Win32LineLoss, AConnectThatCannotOpenThePortSaysWhyAndGreetsOnceItCan)
{
    const struct {
        DWORD error;
        const char* shown;
    } cases[] = {
        {ERROR_ACCESS_DENIED, "Cannot open COM3: Access is denied: another program holds the port; close it, then press Connect"},
        {ERROR_FILE_NOT_FOUND, nullptr},  // the system's own words
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.error);
        Rig rig;
        rig.adapter->fail(Call::CreateFile, c.error);
        QString shown;
        ScriptedSteps script{[&] { rig.loop->requestExit(); }};
        script.step(
            "attempts", [&] { return rig.host.panels[0] == QStringLiteral("try connect 2"); },
            [&] {
                shown = rig.host.panels[1];
                rig.adapter->heal();
            });
        script.step(
            "greeted", [&] { return rig.greeted(); }, [&] { rig.loop->requestExit(); });
        script.start();
        rig.loop->connectAndRun();
        ASSERT_TRUE(script.finished()) << "stopped at: " << script.failedStep();
        if (c.shown)
            EXPECT_EQ(shown.toStdString(), c.shown);
        else
            EXPECT_EQ(shown.toStdString(), "Cannot open COM3: " + nrplatform::ErrorText(static_cast<int>(c.error)));
        EXPECT_EQ(rig.adapter->closesOfPortHandle(), 1);
    }
}

}  // namespace
