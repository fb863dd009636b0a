// A scripted session of the real window, offscreen, for machines without a graphical display:
// it presses "Connect", waits for the display's greeting and sizes, prints what the window shows,
// saves screenshots, presses "Exit" and ends.
// Usage: korvane-headless-session [screenshot folder] [port number, default 3]
#include "app/dark_style.h"
#include "app/form3.h"
#include "app/widgets/k_edit.h"
#include "app/widgets/k_page_control.h"
#include "app/widgets/k_status_bar.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kGreetingTimeoutMs = 10000;

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

    TForm3 form;
    QString error;
    form.setErrorReporter([&error](const QString& text) { error = text; });
    form.show();
    if (port != 3)
        form.comm().SetComPortNo(static_cast<uint16_t>(port));
    std::printf("Korvane Shell, headless session on %s\n", form.comm().ComName().c_str());
    bool ok = save(form, dir, QStringLiteral("before-connect.png"));

    bool greeted = false;
    int read = 0;  // settings pages read after the greeting
    QElapsedTimer clock;
    clock.start();
    QTimer watch;
    watch.setInterval(50);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (greeted && form.loop().state() == 1000) {
            // A settings page as the display's reply fills it: "Config", then "Extra Coding".
            ++read;
            if (read == 1) {
                ok = save(form, dir, QStringLiteral("config.png")) && ok;
                form.cxPageControl1->setActivePage(form.cxTabSheet5);
                form.extraCodingPage.BitBtn28->click();
                return;
            }
            watch.stop();
            ok = save(form, dir, QStringLiteral("extra-coding.png")) && ok;
            form.Button2->click();
        } else if (greeted) {
            if (clock.elapsed() > kGreetingTimeoutMs) {
                watch.stop();
                std::printf("No settings reply within %d s.\n", kGreetingTimeoutMs / 1000);
                ok = false;
                form.Button2->click();
            }
        } else if (form.loop().state() == 1000) {
            greeted = true;
            std::printf("Connected: the display was greeted and reported its storage.\n");
            std::printf("  Disk 0: %s Mb, Disk 1: %s Mb, Disk 2: %s Mb, Disk 3: %s Mb, SD: %s Mb\n",
                        qPrintable(form.Edit6->text()), qPrintable(form.Edit7->text()),
                        qPrintable(form.Edit8->text()), qPrintable(form.Edit9->text()),
                        qPrintable(form.Edit10->text()));
            printStatus(form);
            ok = save(form, dir, QStringLiteral("connected.png")) && ok;
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
    return greeted && ok && error.isEmpty() ? 0 : 1;
}
