// A scripted session of the real window, offscreen, for machines without a graphical display:
// it presses "Connect", waits for the display's greeting and sizes, prints what the window shows,
// reads the "Config" and "Extra Coding" pages, saves screenshots, presses "Exit" and ends. On
// request it also uploads a PC folder to the SD card, loads an image into a flash slot (printing
// each file's result), and backs the display's settings up into the screenshot folder
// (settings-backup.json) and then restores a given settings file, confirming the comparison with
// this display's serial number kept.
// Usage: korvane-headless-session [screenshot folder] [port number, default 3] [settings file to restore]
//            [--sd-upload PC_FOLDER SD_FOLDER] [--flash FILE SLOT]
#include "app/dark_style.h"
#include "app/form3.h"
#include "app/window_pages.h"
#include "app/settings_backup_window.h"
#include "transfer/flash_loader.h"
#include "transfer/sd_upload.h"
#include "app/sd_file_controls.h"
#include "app/settings_comparison_dialog.h"
#include "app/widgets/k_combo_box.h"
#include "app/widgets/k_edit.h"
#include "app/widgets/k_page_control.h"
#include "app/widgets/k_status_bar.h"
#include "transfer/transfer_results.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <deque>
#include <functional>

namespace {

constexpr int kGreetingTimeoutMs = 10000;
constexpr int kStageTimeoutMs = 60000;

struct SessionRequest {
    QString screenshots;
    int port = 3;
    QString restoreFile;           // third positional argument
    QString sdPcFolder, sdFolder;  // --sd-upload
    QString flashFile;             // --flash
    int flashSlot = -1;
    QString error;
};

SessionRequest parse(const QStringList& args)
{
    SessionRequest r;
    QStringList positional;
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--sd-upload") && i + 2 < args.size()) {
            r.sdPcFolder = args[++i];
            r.sdFolder = args[++i];
        } else if (a == QLatin1String("--flash") && i + 2 < args.size()) {
            r.flashFile = args[++i];
            bool ok = false;
            r.flashSlot = args[++i].toInt(&ok);
            if (!ok || r.flashSlot < 0 || r.flashSlot > 7)
                r.error = QStringLiteral("--flash: the slot is 0 to 7");
        } else if (a.startsWith(QLatin1String("--"))) {
            r.error = QStringLiteral("unknown or incomplete option ") + a;
        } else {
            positional << a;
        }
    }
    r.screenshots = positional.value(0, QDir::currentPath());
    if (positional.size() > 1)
        r.port = positional[1].toInt();
    if (positional.size() > 2)
        r.restoreFile = QFileInfo(positional[2]).absoluteFilePath();
    return r;
}

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

// One thing the session does once the display is greeted: it starts it, and once the loop is
// idle again it looks at the outcome (false: the session failed).
struct Stage {
    const char* name;
    std::function<void()> start;
    std::function<bool()> finish;
};

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    applyDarkStyle(app);
    const SessionRequest request = parse(QCoreApplication::arguments());
    if (!request.error.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(request.error));
        return 2;
    }
    const QDir dir(request.screenshots);
    if (!QDir().mkpath(dir.path())) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(dir.path()));
        return 1;
    }

    TForm3 form;
    QString error;
    form.setErrorReporter([&error](const QString& text) { error = text; });
    // A question (an image that does not fit its disk) is printed and answered yes.
    form.setQuestionAsker([](const Question& q, std::function<void()> onConfirm) {
        std::printf("  asked: %s -> %s\n", qPrintable(q.text), qPrintable(q.confirmCaption));
        onConfirm();
    });
    const auto pick = [&form](const QString& file) {
        form.setFileDialogRunner([file](QFileDialog& d) {
            d.setOption(QFileDialog::DontUseNativeDialog);  // nobody is there to answer a native one
            d.selectFile(file);
            return true;
        });
    };
    // A comparison is shown until its answer is given; the settings job is not running meanwhile,
    // yet the stage is not over (the screenshot's processEvents lets the watch below look in).
    bool comparing = false;
    form.setComparisonPresenter([&](const SettingsComparison& c, std::function<void(SettingsComparisonAnswer)> go) {
        comparing = true;
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
        comparing = false;
        if (go)
            go({false});  // keep this display's serial number
    });
    form.show();
    if (request.port != 3)
        form.comm().SetComPortNo(static_cast<uint16_t>(request.port));
    std::printf("Korvane Shell, headless session on %s\n", form.comm().ComName().c_str());
    bool ok = save(form, dir, QStringLiteral("before-connect.png"));
    const auto said = [&form] { return form.StatusBar1->panelText(1); };

    // What happens after the greeting, in order.
    std::deque<Stage> stages;
    stages.push_back({"Read Config",
                      [&] {
                          form.cxPageControl1->setActivePage(form.TabSheet1);
                          form.TabSheet1->BitBtn22->click();
                      },
                      [&] { return save(form, dir, QStringLiteral("config.png")); }});
    stages.push_back({"Read Extra Coding",
                      [&] {
                          form.cxPageControl1->setActivePage(form.cxTabSheet5);
                          form.cxTabSheet5->BitBtn28->click();
                      },
                      [&] { return save(form, dir, QStringLiteral("extra-coding.png")); }});
    if (!request.sdPcFolder.isEmpty())
        stages.push_back({"SD upload",
                          [&] {
                              std::printf("Uploading %s to the SD folder %s ...\n", qPrintable(request.sdPcFolder),
                                          qPrintable(request.sdFolder));
                              form.cxTabSheet4->DirectoryListBox1->setFolder(request.sdPcFolder);
                              form.cxTabSheet4->ComboBox2->setText(request.sdFolder);
                              form.cxTabSheet4->Button7->click();
                          },
                          [&] {
                              std::printf("  %s\n", qPrintable(said()));
                              const TransferResults& results = form.sdUpload().results();
                              for (int i = 0; i < results.count(); ++i)
                                  std::printf("  sd result: %s: %s\n", qPrintable(results.at(i).name),
                                              qPrintable(results.at(i).outcomeText()));
                              return true;
                          }});
    if (!request.flashFile.isEmpty())
        stages.push_back({"flash load",
                          [&] {
                              std::printf("Loading %s into slot %d ...\n", qPrintable(request.flashFile), request.flashSlot);
                              form.TabSheet4->imageFileBox[request.flashSlot]->setText(request.flashFile);
                              form.TabSheet4->imageSendClick(request.flashSlot);
                          },
                          [&] {
                              std::printf("  %s\n", qPrintable(said()));
                              std::printf("  flash result: slot %d: %s\n", request.flashSlot,
                                          qPrintable(form.flashLoader().slotResult(request.flashSlot).outcomeText()));
                              return true;
                          }});
    if (!request.restoreFile.isEmpty()) {
        stages.push_back({"settings backup",
                          [&] {
                              const QString backup = dir.absoluteFilePath(QStringLiteral("settings-backup.json"));
                              std::printf("Backing the settings up to %s ...\n", qPrintable(backup));
                              pick(backup);
                              form.TabSheet1->BackupSettingsButton->click();
                          },
                          [&] {
                              std::printf("%s\n", qPrintable(said()));
                              return said().startsWith(QStringLiteral("Settings backed up to"));
                          }});
        stages.push_back({"settings restore",
                          [&] {
                              std::printf("Restoring the settings of %s ...\n", qPrintable(request.restoreFile));
                              pick(request.restoreFile);
                              form.TabSheet1->RestoreSettingsButton->click();
                          },
                          [&] {
                              std::printf("%s\n", qPrintable(said()));
                              return said().startsWith(QStringLiteral("Restored from"));
                          }});
    }

    bool greeted = false;
    bool started = false;  // the front stage has been started
    QElapsedTimer clock;
    clock.start();
    QTimer watch;
    watch.setInterval(50);
    const auto idle = [&] {
        return form.loop().state() == 1000 && !form.loop().job().running() && !form.settingsBackup().sequence().running()
            && !comparing;
    };
    const auto finish = [&] {
        watch.stop();
        printStatus(form);
        ok = save(form, dir, QStringLiteral("connected.png")) && ok;
        form.Panel1->Button2->click();
    };
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!greeted) {
            if (form.loop().state() == 1000) {
                greeted = true;
                std::printf("Connected: the display was greeted and reported its storage.\n");
                std::printf("  Disk 0: %s Mb, Disk 1: %s Mb, Disk 2: %s Mb, Disk 3: %s Mb, SD: %s Mb\n",
                            qPrintable(form.Panel2->Edit6->text()), qPrintable(form.Panel2->Edit7->text()),
                            qPrintable(form.Panel2->Edit8->text()), qPrintable(form.Panel2->Edit9->text()),
                            qPrintable(form.Panel2->Edit10->text()));
                printStatus(form);
            } else if (clock.elapsed() > kGreetingTimeoutMs) {
                watch.stop();
                std::printf("No greeting within %d s.\n", kGreetingTimeoutMs / 1000);
                printStatus(form);
                if (!form.StatusBar1->panelToolTip(0).isEmpty())
                    std::printf("  last open error: %s\n", qPrintable(form.StatusBar1->panelToolTip(0)));
                form.Panel1->Button2->click();
            }
            return;
        }
        if (stages.empty()) {
            finish();
            return;
        }
        Stage& stage = stages.front();
        if (!started) {
            started = true;
            clock.restart();
            stage.start();
            return;
        }
        if (idle() && clock.elapsed() > 200) {
            ok = stage.finish() && ok;
            stages.pop_front();
            started = false;
        } else if (clock.elapsed() > kStageTimeoutMs) {
            std::printf("The %s did not end within %d s: %s\n", stage.name, kStageTimeoutMs / 1000, qPrintable(said()));
            ok = false;
            form.loop().stopJob();
            stages.clear();
            finish();
        }
    });
    watch.start();
    std::printf("Pressing \"Connect\" ...\n");
    form.Panel1->Button8->click();  // runs until "Exit"
    std::printf("Pressed \"Exit\": goodbye sent, port %s.\n", form.comm().Active() ? "still open" : "closed");
    if (!error.isEmpty())
        std::printf("Error: %s\n", qPrintable(error));
    return greeted && ok && error.isEmpty() ? 0 : 1;
}
