#include "app/form3.h"
#include "app/about_text.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>

#include <stdexcept>
#include <string>

#include "app/config_page.h"
#include "app/disk_image_loader_page.h"
#include "app/extra_coding_page.h"
#include "app/gamma_page.h"
#include "app/keys_emul_page.h"
#include "app/left_panel.h"
#include "app/protocol_trace_menu.h"
#include "app/screen_setup_page.h"
#include "app/screen_size_page.h"
#include "app/sd_file_manager_page.h"
#include "app/settings_backup_window.h"
#include "app/storage_panel.h"
#include "app/transmission_page.h"
#include "app/turbo_timer_page.h"
#include "app/widgets/k_column_scroll.h"
#include "app/widgets/k_page_control.h"
#include "app/widgets/k_radio_group.h"
#include "app/widgets/k_repaint_pacer.h"
#include "app/widgets/k_spin_edit.h"
#include "app/widgets/k_status_bar.h"
#include "protocol/command_catalogue.h"
#include "protocol/connect_failure.h"
#include "protocol/display_line.h"
#include "protocol/size_reply.h"
#include "serial/nr_error_box.h"
#include "settings/gamma.h"
#include "transfer/flash_loader.h"
#include "transfer/sd_upload.h"

namespace {

constexpr int kProgressHeight = 22;
constexpr int kStatusHeight = 19;
constexpr int kStatusPanelWidths[] = {100, 400, 80, 50, 50, 50, 50};

QString windowCaption()
{
    return QStringLiteral("Shell Korvane (HW ver. 7.x)  14/03/2019  for Firmware version 7.8.24.xxx")
        + QStringLiteral("     [https://korvane.example]");
}

}  // namespace

TForm3::TForm3(QWidget* parent)
    : QMainWindow(parent), loop_(std::make_unique<ProtocolLoop>(nrComm1, *this)),
      sdUpload_(std::make_unique<SdUpload>(*loop_, *this)), flashLoader_(std::make_unique<FlashLoader>(*loop_, *this))
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(windowCaption());
    QFont textFont;
    textFont.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans")});
    textFont.setPointSize(8);
    setFont(textFont);
    errorReporter_ = [this](const QString& text) { QMessageBox::critical(this, QStringLiteral("Korvane Shell"), text); };
    questionAsker_ = windowModalAsker(this);

    // The serial component's stored settings; the baud rate follows the link type at each opening.
    nrComm1.setObjectName(QStringLiteral("nrComm1"));
    configureDisplayLine(nrComm1);
    ShowErrorsInMessageBox(nrComm1);

    // The client area scrolls as a whole when the window is made smaller than its content.
    auto* formScroll = new QScrollArea(this);
    formScroll->setObjectName(QStringLiteral("formScroll"));
    formScroll->setFrameShape(QFrame::NoFrame);
    formScroll->setAccessibleName(QStringLiteral("Window contents"));
    formScroll->setWidgetResizable(true);
    auto* client = new QWidget;
    client->setObjectName(QStringLiteral("client"));
    auto* clientLayout = new QVBoxLayout(client);
    clientLayout->setContentsMargins(0, 0, 0, 0);
    clientLayout->setSpacing(0);
    auto* body = new QHBoxLayout;
    body->setContentsMargins(0, 0, 0, 0);
    body->setSpacing(0);
    clientLayout->addLayout(body, 1);

    Panel1 = new LeftPanel(*this, nrComm1, this);
    connect(Panel1->Button8, &QPushButton::clicked, this, &TForm3::Button8Click);
    connect(Panel1->Button2, &QPushButton::clicked, this, &TForm3::Button2Click);
    buildPageArea();
    Panel2 = new StoragePanel(font());
    // In a short window the side panels scroll on their own, beside the page area's scroll
    // bars, so no scroll bar sits below another's reach.
    body->addWidget(new KColumnScroll(Panel1, QStringLiteral("Left panel")));
    body->addWidget(ScrollBox1, 1);
    body->addWidget(new KColumnScroll(Panel2, QStringLiteral("Storage panel")));

    ProgressBar1 = new QProgressBar(client);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setFixedHeight(kProgressHeight);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setAccessibleName(QStringLiteral("Transfer progress"));
    clientLayout->addWidget(ProgressBar1);

    formScroll->setWidget(client);
    setCentralWidget(formScroll);
    buildStatusBar();

    buildPages();

    FormCreate();
    watchJobs();

    registerCommandStates(*loop_);
    registerGammaStates(*loop_, *this);
    registerSettingsStates(*loop_, *this, settingsMemory_);
    buildSettingsBackupControls();
    protocolTrace_ = new ProtocolTraceMenu(*this);
    connectCatalogue();
    setUpKeyboard();

    placeFirstTime();
}

TForm3::~TForm3()
{
    // The port closes before the loop that listens to it goes.
    nrComm1.SetActive(false);
    // The controls outlive the members: let none of them call back into a half-destroyed window.
    for (QObject* o : findChildren<QObject*>())
        o->blockSignals(true);
}

void TForm3::FormCreate()
{
    // The pages stay hidden until the display is greeted; the loop enables them once the port
    // is open. The image loader is in front, and on "Screen Setup" the gamma tables.
    cxPageControl1->setVisible(false);
    cxPageControl1->setEnabled(false);
    cxPageControl1->setActivePage(TabSheet4);
    cxTabSheet1->PageControl1->setActivePage(cxTabSheet1->TabSheet6);
}

void TForm3::buildPageArea()
{
    ScrollBox1 = new QScrollArea;
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->setFrameShape(QFrame::NoFrame);
    ScrollBox1->setWidgetResizable(true);
    ScrollBox1->setAccessibleName(QStringLiteral("Pages"));
    ScrollBox1->setMinimumSize(200, 120);
    auto* host = new QWidget;
    host->setObjectName(QStringLiteral("pageHost"));
    auto* v = new QVBoxLayout(host);
    v->setContentsMargins(6, 6, 6, 6);
    cxPageControl1 = new KPageControl(host);
    cxPageControl1->setObjectName(QStringLiteral("cxPageControl1"));
    cxPageControl1->setAccessibleName(QStringLiteral("Pages"));
    cxPageControl1->tabStrip()->setAccessibleName(QStringLiteral("Page tabs"));
    v->addWidget(cxPageControl1);
    ScrollBox1->setWidget(host);
}

void TForm3::buildPages()
{
    TabSheet1 = new ConfigPage(*this);
    cxPageControl1->addPage(TabSheet1, QStringLiteral("Config"));
    cxTabSheet1 = new ScreenSetupPage(*this);
    cxPageControl1->addPage(cxTabSheet1, QStringLiteral("Screen Setup"));
    cxTabSheet5 = new ExtraCodingPage(*this);
    cxPageControl1->addPage(cxTabSheet5, QStringLiteral("Extra Coding"));
    TabSheet8 = new TurboTimerPage(*this);
    cxPageControl1->addPage(TabSheet8, QStringLiteral("TurboTimer"));
    TabSheet3 = new TransmissionPage(*this);
    cxPageControl1->addPage(TabSheet3, QStringLiteral("Transmission"));
    cxTabSheet2 = new KeysEmulPage(*this);
    cxPageControl1->addPage(cxTabSheet2, QStringLiteral("Keys emul"));
    TabSheet4 = new DiskImageLoaderPage(*this, *flashLoader_, [this](int disk) { return Panel2->diskMb(disk); });
    cxPageControl1->addPage(TabSheet4, QStringLiteral("ver.7.6-7.7 Disk Image Loader"));
    cxTabSheet4 = new SdFileManagerPage(*this, *sdUpload_);
    cxPageControl1->addPage(cxTabSheet4, QStringLiteral("ver.7.5 SD File Manager"));

    // One open-file dialog for all eight slots, without a filter, starting in the home folder.
    TabSheet4->OD2 = new QFileDialog(this);
    TabSheet4->OD2->setObjectName(QStringLiteral("OD2"));
    TabSheet4->OD2->setAcceptMode(QFileDialog::AcceptOpen);
    TabSheet4->OD2->setFileMode(QFileDialog::ExistingFile);
    TabSheet4->OD2->setDirectory(QDir::homePath());
    fileDialogRunner_ = [](QFileDialog& dialog) { return dialog.exec() == QDialog::Accepted; };
}

void TForm3::buildStatusBar()
{
    StatusBar1 = new KStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setFixedHeight(kStatusHeight);
    StatusBar1->setAccessibleName(QStringLiteral("Status"));
    for (int w : kStatusPanelWidths)
        StatusBar1->addPanel(w);
    const char* roles[] = {"Connect attempts", "Messages",       "Bytes sent",   "Speed",
                           "Protocol state",   "Bytes received", "Bytes awaited"};
    // The widest text each panel must show whole; a message too long for panel 1 is elided in
    // the middle and shown whole in its tooltip.
    const char* widest[] = {"try connect 99999", "", "9999999999", "9999999999", "99999", "9999999999", "9999999999"};
    for (int i = 0; i < StatusBar1->panelCount(); ++i) {
        StatusBar1->setPanelRole(i, QString::fromLatin1(roles[i]));
        StatusBar1->setPanelSample(i, QString::fromLatin1(widest[i]));
    }
    StatusBar1->setPanelElided(1, 60);
    StatusBar1->setPanelAnnounced(1, true);
    // A transfer changes the bar on every step: it is painted at a bounded rate.
    progressPacer_ = new KRepaintPacer(ProgressBar1, kDisplayRepaintIntervalMs, this);
    setStatusBar(StatusBar1);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    Visible1 = PopupMenu1->addAction(QStringLiteral("Visible"));
    Visible1->setObjectName(QStringLiteral("Visible1"));
    connect(Visible1, &QAction::triggered, this, [this] { guarded([this] { Visible1Click(); }); });
    About1 = PopupMenu1->addAction(QStringLiteral("About Korvane Shell"));
    About1->setObjectName(QStringLiteral("About1"));
    connect(About1, &QAction::triggered, this, [this] { guarded([this] { About1Click(); }); });
    StatusBar1->setContextMenu(PopupMenu1);
}

void TForm3::connectCatalogue()
{
    // Every command button's click is the catalogue's handler: the buttons of the panels and
    // pages whose names are the catalogue's keys.
    for (QAbstractButton* b : findChildren<QAbstractButton*>()) {
        const CommandControl* row = findCommandControl(b->objectName().toStdString());
        if (!row || row->param == ParamKind::PageRecord)
            continue;  // a page's save connects its own handler, which checks the page first
        auto handler = [this, row, b] { guarded([this, row, b] { commandClicked(*row, b); }); };
        // A check box sends on every toggle, however it is made (mouse, keys, or an assistive
        // tool's toggle action, which does not click), with the code of the tick it leaves.
        if (b->isCheckable())
            connect(b, &QAbstractButton::toggled, this, handler);
        else
            connect(b, &QAbstractButton::clicked, this, handler);
    }
}

void TForm3::guarded(const std::function<void()>& body)
{
    try {
        body();
    } catch (const std::exception& e) {
        reportError(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        reportError(QStringLiteral("Unexpected error"));
    }
}

void TForm3::setErrorReporter(std::function<void(const QString&)> reporter) { errorReporter_ = std::move(reporter); }

void TForm3::setQuestionAsker(QuestionAsker asker) { questionAsker_ = std::move(asker); }

void TForm3::ask(const Question& question, std::function<void()> onConfirm)
{
    if (questionAsker_)
        questionAsker_(question, std::move(onConfirm));
}

// ---------------------------------------------------------------- handlers

void TForm3::Button8Click()
{
    // The loop's passes rewrite the panels all the time: while it runs they are painted at a
    // bounded rate; once it has ended every text shows at once again.
    StatusBar1->setRepaintInterval(kDisplayRepaintIntervalMs);
    guarded([this] { loop_->connectAndRun(); });
    if (loop_->runDepth() == 0)
        StatusBar1->setRepaintInterval(0);
    // A close asked for while connected waited for the goodbye; the loop is over now.
    if (closeWanted_ && loop_->runDepth() == 0) {
        closeWanted_ = false;
        close();
    }
}

void TForm3::Button2Click()
{
    if (askBeforeEndingJob([this] { loop_->requestExit(); }))
        return;
    guarded([this] { loop_->requestExit(); });
}

void TForm3::Visible1Click() { cxPageControl1->setTabVisible(TabSheet1, true); }

// Window-modal, so that the window's timers and the connection go on behind it.
void TForm3::About1Click()
{
    auto* box =
        new QMessageBox(QMessageBox::Information, QStringLiteral("About Korvane Shell"), aboutText(), QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("AboutBox"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setIconPixmap(windowIcon().pixmap(64, 64));
    box->open();
}

void TForm3::closeEvent(QCloseEvent* event)
{
    if (askBeforeEndingJob([this] {
            closeWanted_ = true;
            loop_->requestExit();
        })) {
        event->ignore();
        return;
    }
    if (loop_->runDepth() > 0) {
        // The loop says goodbye and closes the port first; "Connect" then closes the window.
        closeWanted_ = true;
        loop_->requestExit();
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

void TForm3::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (placed_)
        return;
    placed_ = true;
    placeFirstTime();
}

// ---------------------------------------------------------------- LoopHost

void TForm3::setStatusPanel(int panel, const QString& text) { StatusBar1->setPanelText(panel, text); }

void TForm3::setConnectFailureReason(const QString& reason) { StatusBar1->setPanelToolTip(0, reason); }

int TForm3::linkTypeIndex() const { return Panel1->RadioGroup1->ItemIndex(); }

void TForm3::setChipVisible(bool visible)
{
    Panel1->Image1->setVisible(visible);
    // The port is open: a "Not connected" said before is no longer true.
    if (visible && StatusBar1->panelText(1) == notConnectedText())
        setStatusPanel(1, QString());
}

void TForm3::enablePages() { cxPageControl1->setEnabled(true); }

void TForm3::showPages() { cxPageControl1->setVisible(true); }

void TForm3::showSizes(const SizeReply& sizes)
{
    lastSizes_ = sizes;
    Panel2->showSizes(sizes);
    TabSheet4->showSizes(sizes);
    cxTabSheet4->setEnabled(sizes.sdPresent());
}

void TForm3::reportError(const QString& text)
{
    if (errorReporter_)
        errorReporter_(text);
}

// ---------------------------------------------------------------- GammaValues

int TForm3::gammaCell(const GammaGrid& grid, size_t cell) const { return cxTabSheet1->TabSheet6->cell(grid, cell)->Value(); }

// ---------------------------------------------------------------- SettingsPages

void TForm3::showConfig(const ConfigView& view) { TabSheet1->showConfig(view); }

void TForm3::showExtraCoding(const ExtraCodingView& view) { cxTabSheet5->showExtraCoding(view); }

void TForm3::showTurboTimer(const TurboTimerView& view) { TabSheet8->showTurboTimer(view); }

void TForm3::showTransmissionRatio(int gear, int ratio) { TabSheet3->showTransmissionRatio(gear, ratio); }

TurboTimerRecord TForm3::turboTimerToSave() const { return TabSheet8->recordToSave(); }

std::array<int, kGears> TForm3::transmissionRatios() const { return TabSheet3->ratios(); }
