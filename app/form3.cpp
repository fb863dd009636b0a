#include "app/form3.h"
#include "app/about_text.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
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

#include "app/page_helpers.h"
#include "app/pictures.h"
#include "app/protocol_trace_menu.h"
#include "app/widgets/k_column_scroll.h"
#include "app/widgets/k_edit.h"
#include "app/widgets/k_page_control.h"
#include "app/widgets/k_radio_group.h"
#include "app/widgets/k_repaint_pacer.h"
#include "app/widgets/k_scroll_bar.h"
#include "app/widgets/k_spin_edit.h"
#include "app/widgets/k_status_bar.h"
#include "protocol/command_catalogue.h"
#include "protocol/connect_failure.h"
#include "protocol/display_line.h"
#include "protocol/size_reply.h"
#include "serial/nr_device_box.h"
#include "serial/nr_error_box.h"
#include "settings/gamma.h"

namespace {

constexpr int kLeftPanelWidth = 153;
constexpr int kStoragePanelWidth = 139;
constexpr int kControlWidth = 128;
constexpr int kProgressHeight = 22;
constexpr int kStatusHeight = 19;
constexpr int kStatusPanelWidths[] = {100, 400, 80, 50, 50, 50, 50};

const QColor kPresentColour(0, 128, 0);  // 0x8000
const QColor kAbsentColour(255, 0, 0);   // 255

QString windowCaption()
{
    return QStringLiteral("Shell Korvane (HW ver. 7.x)  14/03/2019  for Firmware version 7.8.24.xxx")
        + QStringLiteral("     [https://korvane.example]");
}

}  // namespace

TForm3::TForm3(QWidget* parent) : QMainWindow(parent), loop_(nrComm1, *this)
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

    buildLeftPanel();
    buildPageArea();
    buildStoragePanel();
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

    buildConfigPage();
    buildScreenSetupPage();
    buildExtraCodingPage();
    buildTurboTimerPage();
    buildTransmissionPage();
    buildKeysEmulPage();
    buildDiskImageLoaderPage();
    buildSdFileManagerPage();

    FormCreate();
    watchJobs();

    registerCommandStates(loop_);
    registerGammaStates(loop_, *this);
    registerSettingsStates(loop_, *this, *this, settingsMemory_);
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
    PageControl1->setActivePage(TabSheet6);
}

QPushButton* TForm3::button(QWidget* parent, const char* name, const QString& caption, const QString& accessible)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAccessibleName(accessible.isEmpty() ? caption.trimmed() : accessible);
    return b;
}

void TForm3::buildLeftPanel()
{
    Panel1 = new QWidget;
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setAttribute(Qt::WA_StyledBackground, true);
    Panel1->setFixedWidth(kLeftPanelWidth);
    auto* v = new QVBoxLayout(Panel1);
    v->setContentsMargins(12, 10, kLeftPanelWidth - 12 - kControlWidth, 10);
    v->setSpacing(6);

    nrDeviceBox1 = new TnrDeviceBox(Panel1);
    nrDeviceBox1->setObjectName(QStringLiteral("nrDeviceBox1"));
    nrDeviceBox1->setFixedWidth(kControlWidth);
    nrDeviceBox1->setAccessibleName(QStringLiteral("Serial port"));
    nrDeviceBox1->setPlaceholderText(QStringLiteral("No serial port"));
    nrDeviceBox1->SetErrorReport([this](const QString& text) { reportError(text); });
    nrDeviceBox1->SetnrComm(&nrComm1);
    v->addWidget(nrDeviceBox1);

    Button8 = button(Panel1, "Button8", QStringLiteral("Connect"));
    Button8->setIcon(pictures::connect());
    Button8->setFixedSize(kControlWidth, 28);
    connect(Button8, &QPushButton::clicked, this, &TForm3::Button8Click);
    v->addWidget(Button8);

    Button2 = button(Panel1, "Button2", QStringLiteral("Exit"));
    markSendsNothing(Button2);  // "Exit" asks first while a job runs
    Button2->setIcon(pictures::exitDoor());
    Button2->setFixedSize(kControlWidth, 28);
    connect(Button2, &QPushButton::clicked, this, &TForm3::Button2Click);
    v->addWidget(Button2);

    Image1 = new QLabel(Panel1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setFixedSize(kControlWidth, kControlWidth);
    Image1->setPixmap(pictures::chip(kControlWidth));
    Image1->setAccessibleName(QStringLiteral("Connected display"));
    QSizePolicy keepPlace = Image1->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);  // the controls below do not move when it appears
    Image1->setSizePolicy(keepPlace);
    Image1->setVisible(false);
    v->addWidget(Image1);

    RadioGroup1 = new KRadioGroup(QString(), Panel1);
    RadioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
    RadioGroup1->setAccessibleName(QStringLiteral("Link type"));
    RadioGroup1->setItems({QStringLiteral("UART"), QStringLiteral("Bluetooth"), QStringLiteral("WiFi")});
    RadioGroup1->setItemIndex(0);
    RadioGroup1->setFixedWidth(kControlWidth);
    v->addWidget(RadioGroup1);

    // The display's keys: arrows and long presses on the left, the resets beside them.
    auto* keys = new QGridLayout;
    keys->setContentsMargins(0, 4, 0, 0);
    keys->setHorizontalSpacing(4);
    keys->setVerticalSpacing(4);
    const int rightWidth = kControlWidth - 47 - 4;
    auto key = [&](const char* name, const QString& caption, const QString& spoken, int points, int w, int h) {
        QPushButton* b = button(Panel1, name, caption, spoken);
        b->setFont(form::boldFont(points));
        b->setFixedSize(w, h);
        b->setProperty("keyButton", true);
        return b;
    };
    Button50 = key("Button50", QStringLiteral("\u2191"), QStringLiteral("Key up"), 20, 47, 34);
    Button49 = key("Button49", QStringLiteral("\u2193"), QStringLiteral("Key down"), 20, 47, 34);
    Button51 = key("Button51", QStringLiteral("Reset"), QString(), 12, rightWidth, 72);
    Button54 = key("Button54", QStringLiteral("LONG+"), QStringLiteral("Long press up"), 10, 47, 28);
    Button53 = key("Button53", QStringLiteral("LONG-"), QStringLiteral("Long press down"), 10, 47, 28);
    Button52 = key("Button52", QStringLiteral("Long Reset"), QString(), 8, rightWidth, 60);
    // Where Tahoma is missing the fallback face is wider: tighten the letters of a caption that
    // would touch its button's edges, keeping its size and weight.
    for (QPushButton* b : {Button54, Button53}) {
        QFont f = b->font();
        const int room = b->width() - 8;
        const int wide = QFontMetrics(f).horizontalAdvance(b->text());
        if (wide > room) {
            f.setLetterSpacing(QFont::AbsoluteSpacing, -qreal(wide - room) / qreal(b->text().size()));
            b->setFont(f);
        }
    }
    keys->addWidget(Button50, 0, 0);
    keys->addWidget(Button49, 1, 0);
    keys->addWidget(Button51, 0, 1, 2, 1);
    keys->addWidget(Button54, 2, 0);
    keys->addWidget(Button53, 3, 0);
    keys->addWidget(Button52, 2, 1, 2, 1);
    v->addLayout(keys);

    BitBtn19 = button(Panel1, "BitBtn19", QStringLiteral("Reboot"));
    BitBtn19->setFont(form::boldFont(18));
    BitBtn19->setIcon(pictures::reboot());
    BitBtn19->setIconSize(QSize(24, 24));
    BitBtn19->setFixedSize(kControlWidth, 60);
    BitBtn19->setProperty("keyButton", true);
    v->addSpacing(4);
    v->addWidget(BitBtn19);
    v->addStretch(1);
}

void TForm3::buildStoragePanel()
{
    Panel2 = new QWidget;
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setAttribute(Qt::WA_StyledBackground, true);
    Panel2->setFixedWidth(kStoragePanelWidth);
    auto* v = new QVBoxLayout(Panel2);
    v->setContentsMargins(6, 10, 6, 10);  // the buttons keep clear of the window's edge
    v->setSpacing(6);

    auto* caption = form::label(Panel2, QStringLiteral("Storage"), "storageCaption");
    QFont bold = font();
    bold.setBold(true);
    caption->setFont(bold);
    v->addWidget(caption);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(5);
    struct Row {
        KEdit** field;
        const char* name;
        const char* volume;
        const char* spoken;
    };
    const Row rows[] = {{&Edit6, "Edit6", "Disk 0:\\", "Disk 0 size in Mb"},
                        {&Edit7, "Edit7", "Disk 1:\\", "Disk 1 size in Mb"},
                        {&Edit8, "Edit8", "Disk 2:\\", "Disk 2 size in Mb"},
                        {&Edit9, "Edit9", "Disk 3:\\", "Disk 3 size in Mb"},
                        {&Edit10, "Edit10", "SD:\\", "SD card size in Mb"}};
    int r = 0;
    for (const Row& row : rows) {
        auto* volume = form::label(Panel2, QString::fromLatin1(row.volume));
        auto* field = new KEdit(Panel2);
        field->setObjectName(QString::fromLatin1(row.name));
        field->setReadOnly(true);
        field->setFont(bold);
        field->setText(QStringLiteral("0"));
        field->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        field->setFixedWidth(52);
        field->setAccessibleName(QString::fromLatin1(row.spoken));
        volume->setBuddy(field);
        grid->addWidget(volume, r, 0);
        grid->addWidget(field, r, 1);
        grid->addWidget(form::label(Panel2, QStringLiteral("Mb")), r, 2);
        *row.field = field;
        ++r;
    }
    grid->setColumnStretch(2, 1);
    v->addLayout(grid);
    v->addSpacing(8);

    BitBtn21 = button(Panel2, "BitBtn21", QStringLiteral("Reset SERVICE Records"));
    Button22 = button(Panel2, "Button22", QStringLiteral("Reset all BC"));
    Button43 = button(Panel2, "Button43", QStringLiteral("Shell program Update"));
    Button43->setVisible(false);  // kept for the layout's sake; it has no action
    QFont narrow = font();
    narrow.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("DejaVu Sans")});
    for (QPushButton* b : {BitBtn21, Button22, Button43}) {
        b->setProperty("compact", true);
        b->setFont(narrow);
        b->setMinimumHeight(26);
        v->addWidget(b);
    }
    v->addStretch(1);
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
    // Every command button's click is the catalogue's handler. A control whose page is still
    // to be built has no button yet.
    for (const CommandControl& spec : commandControls()) {
        auto* b = findChild<QAbstractButton*>(QString::fromUtf8(spec.control));
        if (!b || spec.param == ParamKind::PageRecord)
            continue;  // a page's save connects its own handler, which checks the page first
        const CommandControl* row = &spec;
        auto handler = [this, row] { guarded([this, row] { commandClicked(*row); }); };
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
    guarded([this] { loop_.connectAndRun(); });
    if (loop_.runDepth() == 0)
        StatusBar1->setRepaintInterval(0);
    // A close asked for while connected waited for the goodbye; the loop is over now.
    if (closeWanted_ && loop_.runDepth() == 0) {
        closeWanted_ = false;
        close();
    }
}

void TForm3::Button2Click()
{
    if (askBeforeEndingJob([this] { loop_.requestExit(); }))
        return;
    guarded([this] { loop_.requestExit(); });
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

void TForm3::SpinEdit2Change()
{
    guarded([this] { ScrollBar2->setPosition(SpinEdit2->Value()); });
}

void TForm3::ScrollBar2Change()
{
    guarded([this] { SpinEdit2->setValue(ScrollBar2->Position()); });
}

void TForm3::closeEvent(QCloseEvent* event)
{
    if (askBeforeEndingJob([this] {
            closeWanted_ = true;
            loop_.requestExit();
        })) {
        event->ignore();
        return;
    }
    if (loop_.runDepth() > 0) {
        // The loop says goodbye and closes the port first; "Connect" then closes the window.
        closeWanted_ = true;
        loop_.requestExit();
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

int TForm3::linkTypeIndex() const { return RadioGroup1->ItemIndex(); }

void TForm3::setChipVisible(bool visible)
{
    Image1->setVisible(visible);
    // The port is open: a "Not connected" said before is no longer true.
    if (visible && StatusBar1->panelText(1) == notConnectedText())
        setStatusPanel(1, QString());
}

void TForm3::enablePages() { cxPageControl1->setEnabled(true); }

void TForm3::showPages() { cxPageControl1->setVisible(true); }

void TForm3::showSizes(const SizeReply& sizes)
{
    lastSizes_ = sizes;
    KEdit* const sizeFields[4] = {Edit6, Edit7, Edit8, Edit9};
    for (int i = 0; i < 4; ++i) {
        const unsigned v = sizes.disks[static_cast<size_t>(i)];
        sizeFields[i]->setText(QString::number(v));
        if (v != 0) {
            sizeFields[i]->setColor(kPresentColour);
        } else {
            sizeFields[i]->setColor(kAbsentColour);
            imageFileBox[i]->setColor(kAbsentColour);
        }
        imagePicker[i]->setEnabled(v != 0);
    }
    Edit10->setText(QString::number(sizes.sdMegabytes()));
    Edit10->setColor(sizes.sdPresent() ? kPresentColour : kAbsentColour);
    cxTabSheet4->setEnabled(sizes.sdPresent());
}

void TForm3::reportError(const QString& text)
{
    if (errorReporter_)
        errorReporter_(text);
}

// ---------------------------------------------------------------- ControlValues

int TForm3::spinValue(std::string_view name) const { return control<KSpinEdit>(name)->Value(); }

int TForm3::radioIndex(std::string_view name) const { return control<KRadioGroup>(name)->ItemIndex(); }

bool TForm3::isChecked(std::string_view name) const { return control<QCheckBox>(name)->isChecked(); }
