// A scripted session of the real window, offscreen, for machines without a graphical display:
// it presses "Connect", waits for the display's greeting and sizes, prints what the window shows,
// saves screenshots, presses "Exit" and ends. On request it uploads a PC folder to the SD card
// and loads an image into a flash slot first, and prints each file's result.
// Usage: korvane-headless-session [screenshot folder] [port number, default 3]
//            [--sd-upload PC_FOLDER SD_FOLDER] [--flash FILE SLOT]
#include "app/dark_style.h"
#include "app/form3.h"
#include "app/widgets/k_edit.h"
#include "app/widgets/k_page_control.h"
#include "app/sd_file_controls.h"
#include "app/widgets/k_combo_box.h"
#include "app/widgets/k_status_bar.h"
#include "transfer/transfer_results.h"

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
constexpr int kTransferTimeoutMs = 60000;

struct SessionRequest {
    QString screenshots;
    int port = 3;
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
    const int port = request.port;

    TForm3 form;
    QString error;
    form.setErrorReporter([&error](const QString& text) { error = text; });
    // A question (an image that does not fit its disk) is printed and answered yes.
    form.setQuestionAsker([](const Question& q, std::function<void()> onConfirm) {
        std::printf("  asked: %s -> %s\n", qPrintable(q.text), qPrintable(q.confirmCaption));
        onConfirm();
    });
    form.show();
    if (port != 3)
        form.comm().SetComPortNo(static_cast<uint16_t>(port));
    std::printf("Korvane Shell, headless session on %s\n", form.comm().ComName().c_str());
    bool ok = save(form, dir, QStringLiteral("before-connect.png"));

    bool greeted = false;
    bool transfersOk = true;
    enum class Phase { Greeting, SdUpload, Flash, Done } phase = Phase::Greeting;
    QElapsedTimer clock;
    clock.start();
    QTimer watch;
    watch.setInterval(50);
    auto idle = [&] { return form.loop().state() == 1000 && !form.loop().job().running(); };
    auto finish = [&] {
        phase = Phase::Done;
        watch.stop();
        printStatus(form);
        ok = save(form, dir, QStringLiteral("connected.png")) && ok;
        form.Button2->click();
    };
    auto startFlash = [&] {
        if (request.flashFile.isEmpty()) {
            finish();
            return;
        }
        phase = Phase::Flash;
        clock.restart();
        std::printf("Loading %s into slot %d ...\n", qPrintable(request.flashFile), request.flashSlot);
        form.imageFileBox[request.flashSlot]->setText(request.flashFile);
        form.imageSendClick(request.flashSlot);
    };
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (phase == Phase::Greeting && form.loop().state() == 1000) {
            greeted = true;
            std::printf("Connected: the display was greeted and reported its storage.\n");
            std::printf("  Disk 0: %s Mb, Disk 1: %s Mb, Disk 2: %s Mb, Disk 3: %s Mb, SD: %s Mb\n",
                        qPrintable(form.Edit6->text()), qPrintable(form.Edit7->text()),
                        qPrintable(form.Edit8->text()), qPrintable(form.Edit9->text()),
                        qPrintable(form.Edit10->text()));
            printStatus(form);
            if (request.sdPcFolder.isEmpty()) {
                startFlash();
                return;
            }
            phase = Phase::SdUpload;
            clock.restart();
            std::printf("Uploading %s to the SD folder %s ...\n", qPrintable(request.sdPcFolder), qPrintable(request.sdFolder));
            form.DirectoryListBox1->setFolder(request.sdPcFolder);
            form.ComboBox2->setText(request.sdFolder);
            form.Button7->click();
        } else if (phase == Phase::SdUpload && idle() && clock.elapsed() > 200) {
            std::printf("  %s\n", qPrintable(form.StatusBar1->panelText(1)));
            const TransferResults& results = form.sdUpload().results();
            for (int i = 0; i < results.count(); ++i)
                std::printf("  sd result: %s: %s\n", qPrintable(results.at(i).name), qPrintable(results.at(i).outcomeText()));
            startFlash();
        } else if (phase == Phase::Flash && idle() && clock.elapsed() > 200) {
            std::printf("  %s\n", qPrintable(form.StatusBar1->panelText(1)));
            std::printf("  flash result: slot %d: %s\n", request.flashSlot,
                        qPrintable(form.flashLoader().slotResult(request.flashSlot).outcomeText()));
            finish();
        } else if (phase == Phase::Greeting && clock.elapsed() > kGreetingTimeoutMs) {
            phase = Phase::Done;
            watch.stop();
            std::printf("No greeting within %d s.\n", kGreetingTimeoutMs / 1000);
            printStatus(form);
            if (!form.StatusBar1->panelToolTip(0).isEmpty())
                std::printf("  last open error: %s\n", qPrintable(form.StatusBar1->panelToolTip(0)));
            form.Button2->click();
        } else if ((phase == Phase::SdUpload || phase == Phase::Flash) && clock.elapsed() > kTransferTimeoutMs) {
            std::printf("The transfer did not end within %d s.\n", kTransferTimeoutMs / 1000);
            transfersOk = false;
            form.loop().job().stop();
            finish();
        }
    });
    watch.start();
    std::printf("Pressing \"Connect\" ...\n");
    form.Button8->click();  // runs until "Exit"
    std::printf("Pressed \"Exit\": goodbye sent, port %s.\n", form.comm().Active() ? "still open" : "closed");
    if (!error.isEmpty())
        std::printf("Error: %s\n", qPrintable(error));
    return greeted && ok && transfersOk && error.isEmpty() ? 0 : 1;
}
