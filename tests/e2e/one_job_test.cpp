// One job owns the line. The real window on the fake line, with the simulator answering every
// frame a little late so that each moment of a job lasts: at each moment of each job (an SD
// batch, an image load, a settings backup, a restore) every control the window offers is
// pressed, a file is chosen for another image slot and its "Send" pressed, and Esc is pressed in a
// field of another page. Nothing else reaches the wire, and the job ends as if untouched.
#include "app/form3.h"
#include "app/sd_file_controls.h"
#include "app/widgets/k_edit.h"
#include "app/widgets/k_page_control.h"
#include "app/widgets/k_spin_edit.h"
#include "app/widgets/k_status_bar.h"
#include "protocol/protocol_states.h"
#include "serial/nr_device_box.h"
#include "settings/settings_file.h"
#include "tests/e2e/window_fixture.h"
#include "transfer/sd_upload.h"
#include "app/settings_backup_window.h"
#include "tests/support/scripted_steps.h"
#include "tests/support/settings_records_fixture.h"
#include "tests/support/simulator_far_end.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <memory>
#include <set>
#include <string>

namespace {

using Moment = std::function<bool(TForm3&)>;

enum class Job { SdBatch, ImageLoad, Backup, Restore };

struct Case {
    const char* name;
    Job job;
    Moment moment;
};

bool inState(TForm3& w, int32_t s) { return w.loop().state() == s; }

// clang-format off
const Case kCases[] = {
    {"SD batch, open", Job::SdBatch, [](TForm3& w) { return inState(w, State::kSdOpenAck) && w.sdUpload().fileIndex() == 0; }},
    {"SD batch, mid-file", Job::SdBatch, [](TForm3& w) { return inState(w, State::kSdBlockAck) && w.sdUpload().results().at(0).bytesSent > 0; }},
    {"SD batch, close", Job::SdBatch, [](TForm3& w) { return inState(w, State::kSdCloseAck); }},
    {"SD batch, between files", Job::SdBatch, [](TForm3& w) { return inState(w, State::kSdOpenAck) && w.sdUpload().fileIndex() == 1; }},
    {"image load, open", Job::ImageLoad, [](TForm3& w) { return inState(w, State::kFlashOpenAck); }},
    {"image load, mid-file", Job::ImageLoad, [](TForm3& w) { return inState(w, State::kFlashBlockAck) && w.StatusBar1->panelText(2) != "0"; }},
    {"backup, first record awaited", Job::Backup, [](TForm3& w) { return inState(w, State::kBackupReadReply); }},
    {"restore, writing and reading back", Job::Restore, [](TForm3& w) { return inState(w, State::kBackupReadReply) && w.settingsBackup().sequence().running(); }},
};
// clang-format on

SimulatorOptions slowDisplay(const QString& root, std::chrono::milliseconds replyDelay)
{
    SimulatorOptions o;
    o.volumes.diskMb = {4, 4, 4, 4};
    o.volumes.sdMb = 32;
    o.storage.sdFolder = (root + QStringLiteral("/sd")).toStdString();
    o.storage.flashFolder = (root + QStringLiteral("/flash")).toStdString();
    o.records = startingRecords();
    o.failures.enable(FailureMode::DelayReplies);
    o.failures.replyDelay = replyDelay;
    return o;
}

QByteArray pattern(int size, int seed)
{
    QByteArray b(size, '\0');
    for (int i = 0; i < size; ++i)
        b[i] = static_cast<char>((i * 7 + seed) & 0xFF);
    return b;
}

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

// The real window whose serial component finds the simulator's display on the fake line as COM3.
class WindowOnFakeLine : public ::testing::Test {
protected:
    explicit WindowOnFakeLine(std::chrono::milliseconds replyDelay = std::chrono::milliseconds(25))
        : display(slowDisplay(root.path(), replyDelay))
    {}

    void SetUp() override
    {
        ASSERT_TRUE(root.isValid());
        ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("pc")));
        ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("sd")));
        ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("flash")));
        write(QStringLiteral("pc/a.bin"), pattern(2600, 1));
        write(QStringLiteral("pc/b.bin"), pattern(900, 2));
        write(QStringLiteral("sys.imz"), pattern(3000, 3));
        write(QStringLiteral("other.imz"), pattern(500, 4));
        window = std::make_unique<TForm3>();
        window->setFileDialogRunner([](QFileDialog&) { return false; });  // the user cancels
        line.attach(window->nrComm1);
        window->Panel1->nrDeviceBox1->Reload();
        window->setErrorReporter([this](const QString& text) { errors << text; });
        // Every question is answered "no": Exit and the irreversible commands change nothing.
        window->setQuestionAsker([this](const Question& q, std::function<void()>) { questions << q.text; });
        window->setComparisonPresenter([](const SettingsComparison&, std::function<void(SettingsComparisonAnswer)> go) {
            if (go)
                go(SettingsComparisonAnswer{});
        });
        window->show();
    }

    void TearDown() override { window.reset(); }

    QString path(const QString& name) const { return QDir(root.path()).filePath(name); }
    void write(const QString& name, const QByteArray& bytes)
    {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray read(const QString& file) const
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void chooseFile(const QString& file)
    {
        window->setFileDialogRunner([file](QFileDialog& d) {
            d.setOption(QFileDialog::DontUseNativeDialog);
            d.selectFile(file);
            return true;
        });
    }

    void startJob(Job job)
    {
        switch (job) {
        case Job::SdBatch:
            window->cxTabSheet4->DirectoryListBox1->setFolder(path(QStringLiteral("pc")));
            window->cxTabSheet4->Button7->click();
            break;
        case Job::ImageLoad:
            chooseFile(path(QStringLiteral("sys.imz")));
            window->TabSheet4->imagePicker[0]->click();
            window->TabSheet4->imageSend[0]->click();
            break;
        case Job::Backup:
            chooseFile(path(QStringLiteral("backup.json")));
            window->TabSheet1->BackupSettingsButton->click();
            break;
        case Job::Restore: {
            // A file whose TurboTimer differs from the display's: the restore writes it.
            SettingsRecords records = startingRecords();
            records.turboTimer[0] = 90;
            SettingsFile file;
            file.port = QStringLiteral("COM3");
            file.records = displayRecords(records);
            ASSERT_TRUE(writeSettingsFile(path(QStringLiteral("restore.json")), file).isEmpty());
            chooseFile(path(QStringLiteral("restore.json")));
            window->TabSheet1->RestoreSettingsButton->click();
            break;
        }
        }
    }

    QPushButton* ownStop(Job job) const
    {
        return job == Job::SdBatch  ? window->cxTabSheet4->sdStop
            : job == Job::ImageLoad ? window->TabSheet4->flashStop
                                    : window->TabSheet1->settingsStop;
    }

    // Everything a user could press while the job runs, but the job's own Stop.
    void pressEverything(Job job)
    {
        // The port picker and every control that would start something follow the loop.
        EXPECT_FALSE(window->Panel1->nrDeviceBox1->isEnabled());
        for (QAction* a : window->Panel1->SettingsFileButton->menu()->actions()) {
            if (a->text().startsWith(QStringLiteral("Back up")) || a->text().startsWith(QStringLiteral("Restore"))
                || a->text().startsWith(QStringLiteral("Compare"))) {
                EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
            }
        }
        // "Save protocol trace…" sends nothing and stays available.
        for (QAction* a : window->Panel1->SettingsFileButton->menu()->actions()) {
            if (a->text() == QStringLiteral("Record protocol trace")) {
                EXPECT_TRUE(a->isEnabled());
            }
        }
        for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
            if (b == ownStop(job) || b->window() != window.get() || !b->isEnabled() || qobject_cast<QToolButton*>(b))
                continue;
            b->click();
        }
        // A file chosen for another slot leaves its "Send" disabled; its handler is refused.
        chooseFile(path(QStringLiteral("other.imz")));
        window->TabSheet4->imagePicker[2]->click();
        EXPECT_FALSE(window->TabSheet4->imageSend[2]->isEnabled());
        window->TabSheet4->imageSendClick(2);
        // Esc in a field of the "Config" page: another page than a transfer's, and for a settings
        // run the page of its Stop, where Esc in a field keeps the field's meaning.
        window->cxPageControl1->setActivePage(window->TabSheet1);
        window->activateWindow();
        window->TabSheet1->SpinEdit4->setFocus();
        QApplication::processEvents();
        QWidget* focus = QApplication::focusWidget();
        EXPECT_NE(focus, nullptr);
        if (focus)
            QTest::keyClick(focus, Qt::Key_Escape);
        EXPECT_TRUE(window->loop().job().running());
    }

    bool greeted() const { return window->loop().state() == State::kIdle && window->StatusBar1->panelText(4) == "1000"; }
    // Runs "Connect" with the script; returns once the loop has ended.
    void connectWith(ScriptedSteps& steps)
    {
        steps.start();
        window->Panel1->Button8->click();
        ASSERT_TRUE(steps.finished()) << steps.failedStep();
    }

    QTemporaryDir root;
    SimulatorFarEnd display;
    FakeDisplayLine line{display};
    std::unique_ptr<TForm3> window;
    QStringList errors;
    QStringList questions;
    ScriptedSteps script{[this] { window->loop().requestExit(); }};
};

class OneJob : public WindowOnFakeLine, public ::testing::WithParamInterface<Case> {};

// The frames a job sends, by the simulator's names.
bool framedByJob(Job job, const std::string& name)
{
    switch (job) {
    case Job::SdBatch:
        return name == "SD open" || name == "SD block" || name == "SD close";
    case Job::ImageLoad:
        return name == "flash open" || name == "flash block";
    case Job::Backup:
    case Job::Restore:
        return name.rfind("read ", 0) == 0 || name.rfind("save ", 0) == 0;
    }
    return false;
}

TEST_P(OneJob, EveryOtherControlPressedMidJobReachesNothingAndTheJobEndsAsIfUntouched)
{
    const Case& c = GetParam();
    size_t mark = 0;
    bool pressed = false;
    script.setInterval(2);
    script
        .step(
            "greeted", [&] { return greeted(); },
            [&] {
                mark = display.simulator().log().size();
                startJob(c.job);
                EXPECT_TRUE(window->loop().job().running());
            },
            8000)
        .step(
            c.name, [&] { return c.moment(*window); },
            [&] {
                pressEverything(c.job);
                pressed = true;
            },
            8000)
        .step(
            "job over", [&] { return !window->loop().job().running() && window->loop().state() == State::kIdle; },
            [&] { window->loop().requestExit(); }, 15000);
    connectWith(script);
    EXPECT_TRUE(pressed);

    const auto log = display.simulator().log();
    std::set<std::string> strangers;
    for (size_t i = mark; i < log.size(); ++i)
        if (!framedByJob(c.job, log[i].name) && log[i].name != "goodbye")
            strangers.insert(log[i].name);
    EXPECT_TRUE(strangers.empty()) << c.name << ": " << *strangers.begin();
    for (const FrameRecord& f : log)
        EXPECT_EQ(f.detail.find("no file open"), std::string::npos) << c.name;

    const QString panel1 = window->StatusBar1->panelText(1);
    switch (c.job) {
    case Job::SdBatch:
        EXPECT_EQ(panel1, "Files is loaded to SD...") << c.name;
        EXPECT_EQ(read(path("sd/a.bin")), pattern(2600, 1)) << c.name;
        EXPECT_EQ(read(path("sd/b.bin")), pattern(900, 2)) << c.name;
        EXPECT_EQ(window->sdUpload().results().failedCount(), 0) << c.name;
        break;
    case Job::ImageLoad:
        EXPECT_EQ(panel1, "File sys.imz written") << c.name;
        EXPECT_EQ(read(path("flash/sys.imz")).left(3000), pattern(3000, 3)) << c.name;
        for (const QString& f : QDir(path("flash")).entryList(QDir::Files))
            EXPECT_FALSE(read(path("flash/") + f).startsWith(pattern(500, 4))) << c.name << ": the other slot's image went";
        break;
    case Job::Backup: {
        EXPECT_TRUE(panel1.startsWith("Settings backed up to backup.json")) << c.name << ": " << panel1.toStdString();
        const SettingsFileLoad load = readSettingsFile(path("backup.json"));
        ASSERT_TRUE(load.file) << c.name;
        EXPECT_EQ(load.file->records, displayRecords(startingRecords())) << c.name;
        break;
    }
    case Job::Restore: {
        SettingsRecords expected = startingRecords();
        expected.turboTimer[0] = 90;
        EXPECT_EQ(displayRecords(display.simulator().state()), displayRecords(expected)) << c.name;
        EXPECT_TRUE(panel1.startsWith("Restored from restore.json")) << c.name << ": " << panel1.toStdString();
        break;
    }
    }
    EXPECT_TRUE(errors.isEmpty()) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Moments, OneJob, ::testing::ValuesIn(kCases), [](const ::testing::TestParamInfo<Case>& i) {
    std::string n;
    for (const char* p = i.param.name; *p; ++p)
        n += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
    return n;
});

// A display that answers a second late: a request that abandons a reply still due waits for
// it, so each record lands where it belongs.
class LateDisplay : public WindowOnFakeLine {
protected:
    LateDisplay() : WindowOnFakeLine(std::chrono::milliseconds(1000)) {}
};

TEST_F(LateDisplay, ReadConfigThenAtOnceABackupOrAnotherReadTakesEveryRecordFromItsOwnReply)
{
    const SettingsSnapshot records = displayRecords(startingRecords());
    const auto count = [this](const std::string& name) {
        size_t n = 0;
        for (const FrameRecord& f : display.simulator().log())
            n += f.name == name;
        return n;
    };
    std::vector<uint8_t> extraShown;
    script
        .step(
            "greeted", [&] { return greeted(); }, [&] { window->TabSheet1->BitBtn22->click(); },  // "Read Config"
            8000)
        .step(
            "its reply due", [&] { return window->loop().state() == State::kConfigReply; },
            [&] {
                chooseFile(path(QStringLiteral("late.json")));
                window->TabSheet1->BackupSettingsButton->click();
            })
        .step(
            "backed up", [&] { return !window->loop().job().running() && greeted() && count("read transmission") == 1; },
            [&] {
                // The page shows the configuration the backup read, whole and in place.
                EXPECT_EQ(window->TabSheet1->SpinEdit4->Value(), 70001);
                window->TabSheet1->BitBtn22->click();  // "Read Config", then at once "Read Extra Encode"
            },
            15000)
        .step(
            "its reply due again", [&] { return window->loop().state() == State::kConfigReply; },
            [&] { window->cxTabSheet5->BitBtn28->click(); })
        .step(
            "extra coding read and shown", [&] { return greeted() && count("read extra coding") == 2; },
            [&] {
                // The record the page was filled from: the extra coding reply, not the configuration's.
                for (int i = 1; i <= 8; ++i)
                    extraShown.push_back(window->loop().payload(i));
                window->loop().requestExit();
            },
            8000);
    connectWith(script);

    const SettingsFileLoad load = readSettingsFile(path(QStringLiteral("late.json")));
    ASSERT_TRUE(load.file) << load.error.toStdString();
    EXPECT_EQ(load.file->records, records);
    EXPECT_EQ(extraShown, *records[SettingsRecordKind::ExtraCoding]);
    EXPECT_TRUE(errors.isEmpty());
}

// A pick in the port picker re-opens the port under the loop: whatever exchange was in progress
// ends with a text at once, and no reader waits for bytes of the old opening.
class PortPick : public WindowOnFakeLine {
protected:
    PortPick() : WindowOnFakeLine(std::chrono::milliseconds(600)) {}
    // The window's answer: how long a 20 ms timer started now takes to fire.
    void measureAnswer()
    {
        answerClock.start();
        QTimer::singleShot(20, window.get(), [this] { answerMs = answerClock.elapsed(); });
    }
    QElapsedTimer answerClock;
    qint64 answerMs = -1;
};

TEST_F(PortPick, APickWhileIdleOrWhileAReplyIsDueKeepsTheWindowAnsweringAndEndsTheExchangeWithAText)
{
    const QString ended = QStringLiteral("Port changed to COM3: the exchange in progress was ended");
    script
        .step(
            "greeted", [&] { return greeted(); },
            [&] {
                window->StatusBar1->setPanelText(1, QStringLiteral("before"));
                emit window->Panel1->nrDeviceBox1->activated(0);  // idle: the port moves, nothing to end
                EXPECT_EQ(window->StatusBar1->panelText(1), "before");
                EXPECT_TRUE(window->nrComm1.Active());
                window->TabSheet1->BitBtn22->click();  // "Read Config"
            },
            8000)
        .step(
            "its reply due", [&] { return window->loop().state() == State::kConfigReply; },
            [&] {
                emit window->Panel1->nrDeviceBox1->activated(0);
                measureAnswer();
            })
        .step(
            "the exchange ended", [&] { return greeted() && window->StatusBar1->panelText(1) == ended; }, [] {}, 2000)
        .step(
            "the window answered", [&] { return answerMs >= 0; },
            [&] {
                EXPECT_LT(answerMs, 120) << "the window did not answer for " << answerMs << " ms";
                window->TabSheet1->BitBtn22->click();  // the same read on the new opening goes through
            })
        .step(
            "read again", [&] { return greeted() && window->TabSheet1->SpinEdit4->Value() == 70001; },
            [&] { window->loop().requestExit(); }, 4000);
    connectWith(script);
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(PortPick, ThePortReopenedUnderATransferEndsItWithoutADeadlock)
{
    write(QStringLiteral("pc/c.bin"), pattern(20000, 5));
    script
        .step(
            "greeted", [&] { return greeted(); },
            [&] {
                window->cxTabSheet4->DirectoryListBox1->setFolder(path(QStringLiteral("pc")));
                window->cxTabSheet4->Button7->click();
            },
            8000)
        .step(
            "mid-file", [&] { return window->loop().state() == State::kSdBlockAck; },
            [&] {
                EXPECT_FALSE(window->Panel1->nrDeviceBox1->isEnabled());
                // The component re-opened beneath the transfer (the picker itself is held).
                window->nrComm1.SetDeviceIndex(window->nrComm1.DeviceIndex());
                measureAnswer();
            })
        .step(
            "the batch ended", [&] { return !window->loop().job().running() && greeted(); }, [] {}, 3000)
        .step(
            "the window answered", [&] { return answerMs >= 0; },
            [&] {
                EXPECT_LT(answerMs, 120);
                EXPECT_TRUE(window->Panel1->nrDeviceBox1->isEnabled());
                window->loop().requestExit();
            });
    connectWith(script);
    EXPECT_EQ(window->sdUpload().results().writtenCount(), 0);
    EXPECT_TRUE(errors.isEmpty());
}

}  // namespace

namespace {

// The same guarantees as a user meets them: the simulator as a process's line would be, at 921600
// baud 8N2, a system image of 256 KiB loading while the user picks an image for the next slot,
// and Esc pressed in a "Config" field.
class EmulatedLine : public WindowOverPty {
protected:
    static SimulatorOptions options(const QString& root)
    {
        SimulatorOptions o;
        o.volumes.diskMb = {4, 4, 4, 4};
        o.volumes.sdMb = 32;
        o.storage.sdFolder = (root + QStringLiteral("/sd")).toStdString();
        o.storage.flashFolder = (root + QStringLiteral("/flash")).toStdString();
        return o;
    }
    static LineFormat line921600()
    {
        LineFormat l;
        l.baud = 921600;
        l.halfBitsPerByte = 22;  // 8N2
        return l;
    }
    EmulatedLine() : WindowOverPty(options(dir.path()), SimTransport::Pty, line921600()) {}

    static QTemporaryDir dir;
};
QTemporaryDir EmulatedLine::dir;

TEST_F(EmulatedLine, ASecondSlotsSendStaysDisabledWhileTheFirstLoadsAndEscElsewhereStopsNothing)
{
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("flash")));
    const QString image = QDir(dir.path()).filePath(QStringLiteral("sys.imz"));
    const QString other = QDir(dir.path()).filePath(QStringLiteral("disk1.imz"));
    const QByteArray bytes = pattern(256 * 1024, 9);
    for (const auto& [path, content] : {std::pair{image, bytes}, std::pair{other, pattern(4096, 10)}}) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    auto choose = [this](const QString& file) {
        window->setFileDialogRunner([file](QFileDialog& d) {
            d.setOption(QFileDialog::DontUseNativeDialog);
            d.selectFile(file);
            return true;
        });
    };
    script
        .step(
            "greeted", [&] { return greeted(); },
            [&] {
                choose(image);
                press("BitBtn10");  // "..." of row 1
                press("BitBtn11");  // its "Send"
            },
            8000)
        .step(
            "loading", [&] { return loop().state() == State::kFlashBlockAck; },
            [&] {
                choose(other);
                press("BitBtn12");  // "..." of row 2, while row 1 loads
                EXPECT_FALSE(control<QAbstractButton>("BitBtn13")->isEnabled()) << "row 2's Send";
                press("BitBtn13");
                window->TabSheet4->imageSendClick(1);  // even its handler is refused by the loop
                EXPECT_EQ(panel(1), "A transfer is running: Stop ends it");
                EXPECT_FALSE(control<QWidget>("nrDeviceBox1")->isEnabled());
                window->cxPageControl1->setActivePage(window->TabSheet1);
                window->activateWindow();
                window->TabSheet1->SpinEdit4->setFocus();
                QApplication::processEvents();
                if (QWidget* focus = QApplication::focusWidget())
                    QTest::keyClick(focus, Qt::Key_Escape);
                EXPECT_TRUE(loop().job().running()) << "Esc in a Config field stopped the load";
            })
        .step(
            "written", [&] { return !loop().job().running() && greeted(); }, [&] { press("Button2"); }, 20000);
    connectWith(script);

    EXPECT_EQ(panel(1), "File sys.imz written");
    QFile written(QDir(dir.path()).filePath(QStringLiteral("flash/sys.imz")));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll().left(bytes.size()), bytes);
    EXPECT_EQ(countFrames("flash open"), 1u);
    EXPECT_TRUE(errors.empty());
}

}  // namespace
