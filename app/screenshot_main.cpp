// Renders the main window offscreen into PNG pictures: before "Connect", and each page with the
// page control shown as it is once the display has been greeted.
// Usage: korvane-screenshots [output folder]   (default: the current folder)
#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QPixmap>
#include <QTextStream>

#include <cstdio>

#include "app/dark_style.h"
#include "app/guarded_commands.h"
#include "app/question_box.h"
#include "app/form3.h"
#include "app/window_pages.h"
#include "app/widgets/k_combo_box.h"
#include "app/widgets/k_page_control.h"
#include "settings/config_record.h"

namespace {

bool save(TForm3& form, const QDir& dir, const QString& file)
{
    // A resize settles in more than one round: a scroll bar that appears widens its column, and
    // a page that comes to the front resizes the page controls around it one level at a time.
    for (int i = 0; i < 10; ++i)
        QApplication::processEvents();
    const QPixmap shot = form.grab();
    const QString path = dir.filePath(file);
    if (!shot.save(path, "PNG")) {
        std::fprintf(stderr, "korvane-screenshots: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    applyDarkStyle(app);
    const QDir dir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath());
    if (!dir.exists() && !QDir().mkpath(dir.path())) {
        std::fprintf(stderr, "korvane-screenshots: cannot create %s\n", qPrintable(dir.path()));
        return 1;
    }

    TForm3 form;
    form.show();
    bool ok = save(form, dir, QStringLiteral("before-connect.png"));

    // What the greeting shows.
    form.enablePages();
    form.showPages();
    form.setChipVisible(true);
    form.cxPageControl1->setActivePage(form.cxTabSheet1);
    form.cxTabSheet1->PageControl1->setActivePage(form.cxTabSheet1->TabSheet9);
    ok = save(form, dir, QStringLiteral("screen-size.png")) && ok;
    form.cxTabSheet1->PageControl1->setActivePage(form.cxTabSheet1->TabSheet6);
    ok = save(form, dir, QStringLiteral("gamma.png")) && ok;
    form.cxPageControl1->setActivePage(form.TabSheet1);
    ok = save(form, dir, QStringLiteral("config.png")) && ok;
    // The page as a configuration reply fills it, and its language list open.
    ConfigRecord sample;
    sample.serialNumber = 700123;
    sample.hardwareVersion = 78;
    sample.displayCanCode = 112;
    sample.maxDimmerLevel = 100;
    sample.pinRemap = 1;
    sample.diagMode = 1;
    sample.kl15Mode = 1;
    sample.buttonGround = 15;
    sample.language = 1;
    sample.batteryCalibrationA = 115;
    sample.batteryCalibrationB = 115;
    sample.carModel = 31;
    sample.boostSensor = 1;
    form.showConfig(configView(sample));
    ok = save(form, dir, QStringLiteral("config-read.png")) && ok;
    form.TabSheet1->ComboBoxEx27->showPopup();
    QApplication::processEvents();
    if (QWidget* popup = form.TabSheet1->ComboBoxEx27->view()->window()) {
        const QPixmap list = popup->grab();
        ok = list.save(dir.filePath(QStringLiteral("config-languages.png")), "PNG") && ok;
        std::printf("%s\n", qPrintable(dir.filePath(QStringLiteral("config-languages.png"))));
    }
    form.TabSheet1->ComboBoxEx27->hidePopup();
    form.TabSheet1->ComboBox8->showPopup();
    QApplication::processEvents();
    if (QWidget* popup = form.TabSheet1->ComboBox8->view()->window()) {
        const QPixmap list = popup->grab();
        ok = list.save(dir.filePath(QStringLiteral("config-car-models.png")), "PNG") && ok;
        std::printf("%s\n", qPrintable(dir.filePath(QStringLiteral("config-car-models.png"))));
    }
    form.TabSheet1->ComboBox8->hidePopup();
    form.cxPageControl1->setActivePage(form.cxTabSheet5);
    ok = save(form, dir, QStringLiteral("extra-coding.png")) && ok;
    form.cxPageControl1->setActivePage(form.TabSheet8);
    ok = save(form, dir, QStringLiteral("turbotimer.png")) && ok;
    form.cxPageControl1->setActivePage(form.TabSheet3);
    ok = save(form, dir, QStringLiteral("transmission.png")) && ok;
    form.cxPageControl1->setActivePage(form.cxTabSheet2);
    ok = save(form, dir, QStringLiteral("keys-emul.png")) && ok;
    form.cxPageControl1->setActivePage(form.TabSheet4);
    ok = save(form, dir, QStringLiteral("disk-image-loader.png")) && ok;
    // The question before a command that cannot be undone, over the page that has the button.
    if (const std::optional<Question> question = guardQuestion("Button38")) {
        // The box the window's asker opens.
        QMessageBox* box = openQuestionBox(&form, *question, [] {});
        QApplication::processEvents();
        const QString path = dir.filePath(QStringLiteral("question-check-flash-disk.png"));
        ok = box->grab().save(path, "PNG") && ok;
        std::printf("%s\n", qPrintable(path));
        box->reject();
    }
    // A small window: the side panels and the page area scroll side by side.
    form.setStatusPanel(0, QStringLiteral("try connect 100"));
    form.setStatusPanel(
        1, QStringLiteral("File /home/user/images/a-rather-long-folder-name/logos-for-the-new-display.imz is loaded"));
    form.resize(700, 450);
    ok = save(form, dir, QStringLiteral("small-window.png")) && ok;
    return ok ? 0 : 1;
}
