// A scripted session of the real window, offscreen, for machines without a graphical display:
// it presses "Connect", waits for the display's greeting and sizes, prints what the window shows,
// saves screenshots, presses "Exit" and ends. Given a settings file, it also backs the display's
// settings up into the screenshot folder (settings-backup.json) and then restores the given file,
// confirming the comparison (this display's serial number kept), and prints what happened.
// Usage: korvane-headless-session [screenshot folder] [port number, default 3] [settings file to restore]
#include "app/dark_style.h"
#include "app/form3.h"
#include "app/settings_comparison_dialog.h"
#include "app/widgets/k_edit.h"
#include "app/widgets/k_page_control.h"
#include "app/widgets/k_status_bar.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QElapsedTimer>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kGreetingTimeoutMs = 10000;
constexpr int kSettingsTimeoutMs = 20000;

bool save(TForm3& form, const QDir& dir, const QString& file)
{
    QApplication::processEvents();
    const QString path = dir.filePath(file);
    if (!form.grab().save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("  screenshot: %s\n", qPrintable(path));
    return true;
}

void printStatus(TForm3& form)
{
    std::printf("  status bar:");
    for (int i = 0; i < form.StatusBar1->panelCount(); ++i)
        std::printf(" [%s]", qPrintable(form.StatusBar1->panelText(i)));
    std::printf("\n");
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    applyDarkStyle(app);
    const QDir dir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath());
    if (!QDir().mkpath(dir.path())) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(dir.path()));
        return 1;
    }
    const int port = argc > 2 ? std::atoi(argv[2]) : 3;
    const QString restoreFile = argc > 3 ? QFileInfo(QString::fromLocal8Bit(argv[3])).absoluteFilePath() : QString();

    TForm3 form;
    QString error;
    form.setErrorReporter([&error](const QString& text) { error = text; });
    form.show();
    if (port != 3)
        form.comm().SetComPortNo(static_cast<uint16_t>(port));
    std::printf("Korvane Shell, headless session on %s\n", form.comm().ComName().c_str());
    bool ok = save(form, dir, QStringLiteral("before-connect.png"));

    // After the greeting the "Config" and "Extra Coding" pages are read and pictured; with a settings
    // file given, the settings are then backed up and that file restored, each to its end.
    enum class Phase { Greeting, ReadingConfig, ReadingExtra, BackingUp, Restoring } phase = Phase::Greeting;
    bool settingsOk = restoreFile.isEmpty();
    const auto pick = [&form](const QString& file) {
        form.setFileDialogRunner([file](QFileDialog& d) {
            d.setOption(QFileDialog::DontUseNativeDialog);  // nobody is there to answer a native one
            d.selectFile(file);
            return true;
        });
    };
    form.setComparisonPresenter([&](const SettingsComparison& c, std::function<void(SettingsComparisonAnswer)> go) {
        std::printf("Comparison with %s: %d difference(s)%s\n", qPrintable(c.fileName), static_cast<int>(c.rows.size()),
                    c.otherDisplay ? ", from another display" : "");
        for (const SettingsDifference& d : c.rows)
            std::printf("  %s / %s: display %s, file %s\n", qPrintable(settingsRecordName(d.record)), qPrintable(d.field),
                        qPrintable(d.display), qPrintable(d.file));
        SettingsComparisonDialog dialog(c, &form);
        dialog.show();
        QApplication::processEvents();
        const QString shot = dir.filePath(QStringLiteral("settings-comparison.png"));
        if (dialog.grab().save(shot, "PNG"))
            std::printf("  screenshot: %s\n", qPrintable(shot));
        if (go)
            go({false});  // keep this display's serial number
    });

    bool greeted = false;
    QElapsedTimer clock;
    clock.start();
    QTimer watch;
    watch.setInterval(50);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const bool idle = form.loop().state() == 1000 && !form.settingsBackup().sequence().running();
        if (phase == Phase::ReadingConfig || phase == Phase::ReadingExtra) {
            if (idle) {
                // A settings page as the display's reply fills it: "Config", then "Extra Coding".
                if (phase == Phase::ReadingConfig) {
                    ok = save(form, dir, QStringLiteral("config.png")) && ok;
                    phase = Phase::ReadingExtra;
                    form.cxPageControl1->setActivePage(form.cxTabSheet5);
                    form.extraCodingPage.BitBtn28->click();
                    return;
                }
                ok = save(form, dir, QStringLiteral("extra-coding.png")) && ok;
                if (restoreFile.isEmpty()) {
                    watch.stop();
                    form.Button2->click();
                    return;
                }
                phase = Phase::BackingUp;
                clock.restart();
                const QString backup = dir.absoluteFilePath(QStringLiteral("settings-backup.json"));
                std::printf("Backing the settings up to %s ...\n", qPrintable(backup));
                pick(backup);
                form.BackupSettingsButton->click();
            } else if (clock.elapsed() > kGreetingTimeoutMs) {
                watch.stop();
                std::printf("No settings reply within %d s.\n", kGreetingTimeoutMs / 1000);
                ok = false;
                form.Button2->click();
            }
            return;
        }
        if (phase != Phase::Greeting) {
            if (idle) {
                const QString said = form.StatusBar1->panelText(1);
                std::printf("%s\n", qPrintable(said));
                if (phase == Phase::BackingUp && said.startsWith(QStringLiteral("Settings backed up to"))) {
                    phase = Phase::Restoring;
                    clock.restart();
                    std::printf("Restoring the settings of %s ...\n", qPrintable(restoreFile));
                    pick(restoreFile);
                    form.RestoreSettingsButton->click();
                    return;
                }
                settingsOk = phase == Phase::Restoring && said.startsWith(QStringLiteral("Restored from"));
                watch.stop();
                form.Button2->click();
            } else if (clock.elapsed() > kSettingsTimeoutMs) {
                std::printf("The settings run did not end within %d s: %s\n", kSettingsTimeoutMs / 1000,
                            qPrintable(form.StatusBar1->panelText(1)));
                watch.stop();
                form.Button2->click();
            }
            return;
        }
        if (form.loop().state() == 1000) {
            greeted = true;
            std::printf("Connected: the display was greeted and reported its storage.\n");
            std::printf("  Disk 0: %s Mb, Disk 1: %s Mb, Disk 2: %s Mb, Disk 3: %s Mb, SD: %s Mb\n",
                        qPrintable(form.Edit6->text()), qPrintable(form.Edit7->text()),
                        qPrintable(form.Edit8->text()), qPrintable(form.Edit9->text()),
                        qPrintable(form.Edit10->text()));
            printStatus(form);
            ok = save(form, dir, QStringLiteral("connected.png")) && ok;
            phase = Phase::ReadingConfig;
            clock.restart();
            form.cxPageControl1->setActivePage(form.TabSheet1);
            form.BitBtn22->click();  // "Read Config"
        } else if (clock.elapsed() > kGreetingTimeoutMs) {
            watch.stop();
            std::printf("No greeting within %d s.\n", kGreetingTimeoutMs / 1000);
            printStatus(form);
            if (!form.StatusBar1->panelToolTip(0).isEmpty())
                std::printf("  last open error: %s\n", qPrintable(form.StatusBar1->panelToolTip(0)));
            form.Button2->click();
        }
    });
    watch.start();
    std::printf("Pressing \"Connect\" ...\n");
    form.Button8->click();  // runs until "Exit"
    std::printf("Pressed \"Exit\": goodbye sent, port %s.\n", form.comm().Active() ? "still open" : "closed");
    if (!error.isEmpty())
        std::printf("Error: %s\n", qPrintable(error));
    return greeted && ok && settingsOk && error.isEmpty() ? 0 : 1;
}
