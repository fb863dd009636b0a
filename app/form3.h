#pragma once
#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "app/keep_awake.h"
#include "app/questions.h"
#include "app/settings_backup_window.h"
#include "app/settings_page_widgets.h"
#include "protocol/control_values.h"
#include "protocol/loop_host.h"
#include "protocol/protocol_loop.h"
#include "protocol/size_reply.h"
#include "serial/nr_comm.h"
#include "transfer/display_facts.h"
#include "transfer/flash_loader.h"
#include "transfer/sd_upload.h"
#include "transfer/transfer_host.h"
#include "settings/settings_states.h"

class KCheckListBox;
class KComboBox;
class KDirectoryListBox;
class KDriveComboBox;
class KFileListBox;
class QFileDialog;
class ProtocolTraceMenu;
class KEdit;
class KPageControl;
class KRadioGroup;
class KScrollBar;
class KSpinEdit;
class KRepaintPacer;
class KStatusBar;
class QAbstractButton;
class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QScrollArea;
class QShortcut;
class QToolButton;
class QWidget;
class TnrDeviceBox;
struct CommandControl;
class TransferResultsView;
struct GammaGrid;
struct GammaPreset;

// The main window: the left panel with the connection controls and the key buttons, the
// storage panel, the pages, the progress bar and the status bar. It holds the serial component
// and the protocol loop but does no I/O of its own: "Connect" runs the loop, every other button
// stores a request in it, and the loop tells the window what to show (LoopHost) and reads the
// controls it needs (ControlValues).
class TForm3 : public QMainWindow, public LoopHost, public ControlValues, public TransferHost, public SettingsPages {
    Q_OBJECT
public:
    explicit TForm3(QWidget* parent = nullptr);
    ~TForm3() override;

    ProtocolLoop& loop() { return loop_; }
    TnrComm& comm() { return nrComm1; }

    // The general error report; by default a modal error box.
    void setErrorReporter(std::function<void(const QString&)> reporter);
    // How the window asks before an irreversible or job-ending action; by default a window-modal
    // box that does not block. Tests replace it with one that records and answers.
    void setQuestionAsker(QuestionAsker asker);
    void ask(const Question& question, std::function<void()> onConfirm);

    // LoopHost
    void setStatusPanel(int panel, const QString& text) override;
    void setConnectFailureReason(const QString& reason) override;
    int linkTypeIndex() const override;
    void setChipVisible(bool visible) override;
    void enablePages() override;
    void showPages() override;
    void showSizes(const SizeReply& sizes) override;
    void reportError(const QString& text) override;
    QString statusPanelText(int panel) const override;
    void setSizesStale(bool stale) override;
    // True while the window asks the desktop not to suspend (a job runs).
    bool keepsAwake() const { return keepAwake_.held(); }

    // TransferHost
    QStringList sdFileNames() const override;
    int ansiCodePage() const override;
    void setTransferPanel(int panel, const QString& text) override;
    void setProgressRange(int32_t maximum) override;
    void setProgressPosition(int32_t position) override;
    void setTransferPanelToolTip(int panel, const QString& text) override;
    void showSlotResult(int slot, const FileResult& result) override;

    // The SD upload and the flash loader, for the tests.
    SdUpload& sdUpload() { return sdUpload_; }
    FlashLoader& flashLoader() { return flashLoader_; }

    // The open-file dialog's run: true when the user confirmed. By default a modal OD2; tests
    // replace it with one that picks a file.
    void setFileDialogRunner(std::function<bool(QFileDialog&)> runner);

    // Runs a file dialog the way the open-file dialog is run (replaceable in tests).
    bool runFileDialog(QFileDialog& dialog);
    // Settings backup, comparison and restore; the comparison dialog is replaceable in tests.
    SettingsBackupWindow& settingsBackup() { return *settingsBackup_; }
    // "Record protocol trace" and "Save protocol trace…" in the "Settings file" menu.
    ProtocolTraceMenu& protocolTrace() { return *protocolTrace_; }
    void setComparisonPresenter(ComparisonPresenter presenter);
    // The storage sizes of the last size reply, if one came.
    const std::optional<SizeReply>& lastSizes() const { return lastSizes_; }

    // ControlValues: controls are found by their names; an unknown name is an error.
    int spinValue(std::string_view name) const override;
    int radioIndex(std::string_view name) const override;
    bool isChecked(std::string_view name) const override;

    // SettingsPages: the settings replies fill their pages.
    void showConfig(const ConfigView& view) override;
    void showExtraCoding(const ExtraCodingView& view) override;
    void showTurboTimer(const TurboTimerView& view) override;
    void showTransmissionRatio(int gear, int ratio) override;

    // Handlers of the window itself.
    void Button8Click();   // "Connect": runs the protocol loop until "Exit"
    void Button2Click();   // "Exit"
    void Visible1Click();  // status bar menu "Visible": shows the "Config" tab
    void About1Click();    // status bar menu "About Korvane Shell": the version, in a box
    void SpinEdit2Change();
    void ScrollBar2Change();
    void Button36Click();             // "Def ILI-9481"
    void Button34Click();             // "Def HX-8375B"
    void Button7Click();              // "Load Packet"
    void DirectoryListBox1Change();   // the SD page's folder tree opened a folder
    void imagePickerClick(int slot);  // "..." of an image slot (BitBtn10Click, BitBtn12Click, ...)
    void imageSendClick(int slot);    // "Send" of an image slot (BitBtn11Click, BitBtn13Click, ...)
    void Button5Click();              // "Save Config"
    void Button3Click();              // "Save Extra Encode"
    void sendFailedAgainClick();      // "Send failed again"

    // The controls, under the names the rest of the program knows them by.
    TnrComm nrComm1;

    // Left panel
    QWidget* Panel1 = nullptr;
    TnrDeviceBox* nrDeviceBox1 = nullptr;
    QPushButton* Button8 = nullptr;
    QPushButton* Button2 = nullptr;
    QLabel* Image1 = nullptr;
    KRadioGroup* RadioGroup1 = nullptr;
    QPushButton* Button50 = nullptr;
    QPushButton* Button49 = nullptr;
    QPushButton* Button51 = nullptr;
    QPushButton* Button54 = nullptr;
    QPushButton* Button53 = nullptr;
    QPushButton* Button52 = nullptr;
    QPushButton* BitBtn19 = nullptr;

    // Storage panel
    QWidget* Panel2 = nullptr;
    KEdit* Edit6 = nullptr;
    KEdit* Edit7 = nullptr;
    KEdit* Edit8 = nullptr;
    KEdit* Edit9 = nullptr;
    KEdit* Edit10 = nullptr;
    QPushButton* BitBtn21 = nullptr;
    QPushButton* Button22 = nullptr;
    QPushButton* Button43 = nullptr;

    // Page area, progress and status
    QScrollArea* ScrollBox1 = nullptr;
    KPageControl* cxPageControl1 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    KStatusBar* StatusBar1 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* Visible1 = nullptr;
    QAction* About1 = nullptr;

    // Page "Config"
    QWidget* TabSheet1 = nullptr;
    QPushButton* BitBtn22 = nullptr;
    QPushButton* BitBtn23 = nullptr;
    QPushButton* BitBtn34 = nullptr;

    // Page "Screen Setup" and its sub-pages
    QWidget* cxTabSheet1 = nullptr;
    KPageControl* PageControl1 = nullptr;
    QWidget* TabSheet9 = nullptr;  // "Screen size"
    QPushButton* BitBtn32 = nullptr;
    QPushButton* Button15 = nullptr;
    QPushButton* Button14 = nullptr;
    QPushButton* Button17 = nullptr;
    QPushButton* Button16 = nullptr;
    QPushButton* BitBtn31 = nullptr;
    QLabel* screenSizePicture = nullptr;
    QPushButton* BitBtn30 = nullptr;
    KSpinEdit* SpinEdit2 = nullptr;
    KScrollBar* ScrollBar2 = nullptr;
    QPushButton* Button19 = nullptr;
    QPushButton* Button20 = nullptr;
    QPushButton* BitBtn44 = nullptr;
    QPushButton* Button1222222222 = nullptr;
    QPushButton* Button3234234234 = nullptr;
    QPushButton* BitBtn48 = nullptr;
    QPushButton* BitBtn49 = nullptr;
    QWidget* TabSheet6 = nullptr;  // "GAMMA"
    QPushButton* BitBtn33 = nullptr;
    QPushButton* Button36 = nullptr;
    QPushButton* Button34 = nullptr;

    ConfigPageWidgets configPage;
    QPushButton* BackupSettingsButton = nullptr;   // "Back up settings…"
    QPushButton* CompareSettingsButton = nullptr;  // "Compare with file…"
    QPushButton* RestoreSettingsButton = nullptr;  // "Restore settings…"
    QToolButton* SettingsFileButton = nullptr;     // the same three from every page, in the left panel

    // Pages "Extra Coding", "TurboTimer", "Transmission"
    QWidget* cxTabSheet5 = nullptr;  // "Extra Coding"
    QWidget* TabSheet8 = nullptr;    // "TurboTimer"
    QWidget* TabSheet3 = nullptr;    // "Transmission"
    ExtraCodingPageWidgets extraCodingPage;
    TurboTimerPageWidgets turboTimerPage;
    TransmissionPageWidgets transmissionPage;

    // Page "Keys emul"
    QWidget* cxTabSheet2 = nullptr;
    QLabel* keysPicture = nullptr;
    QPushButton* Button21 = nullptr;
    KSpinEdit* SpinEdit1 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QCheckBox* CheckBox2 = nullptr;
    QPushButton* Button29 = nullptr;
    QPushButton* Button30 = nullptr;
    QPushButton* Button24 = nullptr;
    QPushButton* Button10 = nullptr;
    QPushButton* Button9 = nullptr;
    QPushButton* Button23 = nullptr;
    QPushButton* Button11 = nullptr;
    QPushButton* Button12 = nullptr;
    KRadioGroup* RadioGroup3 = nullptr;
    QPushButton* Button47 = nullptr;
    QPushButton* Button68 = nullptr;
    QPushButton* Button48 = nullptr;
    QPushButton* Button67 = nullptr;

    // Page "ver.7.6-7.7 Disk Image Loader": slot rows 0 to 7
    QWidget* TabSheet4 = nullptr;
    KEdit* imageFileBox[display::kImageSlots] = {};       // Edit5, Edit11, Edit12, Edit13, Edit74 .. Edit77
    QPushButton* imagePicker[display::kImageSlots] = {};  // BitBtn10, 12, 14, 16, 36, 38, 40, 42 ("...")
    QPushButton* imageSend[display::kImageSlots] = {};    // BitBtn11, 13, 15, 17, 37, 39, 41, 43 ("Send")
    QPushButton* Button38 = nullptr;
    QPushButton* BitBtn18 = nullptr;
    QPushButton* BitBtn35 = nullptr;
    QFileDialog* OD2 = nullptr;

    // Page "ver.7.5 SD File Manager"
    QWidget* cxTabSheet4 = nullptr;
    QLabel* Label3 = nullptr;
    KDriveComboBox* DriveComboBox1 = nullptr;
    KDirectoryListBox* DirectoryListBox1 = nullptr;
    KFileListBox* FileListBox1 = nullptr;
    KComboBox* ComboBox2 = nullptr;
    QPushButton* Button7 = nullptr;
    QPushButton* BitBtn9 = nullptr;
    QPushButton* BitBtn20 = nullptr;

    // The transfers' own controls: Stop on both pages, the SD batch's results, each image
    // slot's last result.
    QPushButton* sdStop = nullptr;
    QPushButton* flashStop = nullptr;
    QPushButton* settingsStop = nullptr;  // "Config": ends a settings backup, comparison or restore
    QPushButton* sdSendFailedAgain = nullptr;
    TransferResultsView* sdResults = nullptr;
    QLabel* imageResult[display::kImageSlots] = {};

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildLeftPanel();
    void buildStoragePanel();
    void buildPageArea();
    void buildStatusBar();
    void buildConfigPage();
    void buildExtraCodingPage();
    void buildTurboTimerPage();
    void buildTransmissionPage();
    void coupleGear(int gear, bool speedChanged);
    void buildScreenSetupPage();
    QWidget* buildScreenSizePage();
    QWidget* buildGammaPage();
    QGroupBox* buildGammaGroup(const GammaGrid& grid, const QList<QPushButton*>& above);
    void buildKeysEmulPage();
    void buildDiskImageLoaderPage();
    void buildSdFileManagerPage();
    void connectCatalogue();
    void applyGammaPreset(const GammaPreset& preset);
    void FormCreate();
    void buildSettingsBackupControls();

    // Connection state and the commands asked about first (form3_connection.cpp).
    // Says "Not connected" when no port is open; false when the request must not be stored.
    bool mayStoreRequest();
    void commandClicked(const CommandControl& row);
    // Shortcuts, tab chain and first placement (form3_keyboard.cpp).
    void setUpKeyboard();
    void placeFirstTime();
    static constexpr QSize kDesignedOuterSize{1074, 693};
    // The window follows the loop's job (form3_jobs.cpp): what would start something is held
    // disabled while one runs, the job's own Stop (and Esc on its page) is enabled.
    void watchJobs();
    void jobRunningChanged(bool running);
    // Every control that would start something: every push button of the window not marked as
    // sending nothing, and the port picker.
    QList<QWidget*> startingControls() const;
    static void markSendsNothing(QObject* control);
    static void markStarts(QAction* action);
    // Exit or closing the window while a job runs: asks first; true when it asked.
    bool askBeforeEndingJob(std::function<void()> afterStop);
    // A page's Stop: ends the job `owner` runs, and no other.
    QPushButton* stopButton(QWidget* page, const char* name, const void* owner);

    // Runs a handler's body; an exception becomes an error report instead of crossing Qt's loop.
    void guarded(const std::function<void()>& body);
    QPushButton* button(QWidget* parent, const char* name, const QString& caption, const QString& accessible = QString());
    // The control of that name; an unknown name is an error that the handler reports.
    template <class T>
    T* control(std::string_view name) const
    {
        T* w = findChild<T*>(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
        if (!w)
            throw std::invalid_argument("The window has no control named " + std::string(name));
        return w;
    }

    ProtocolLoop loop_;
    SdUpload sdUpload_{loop_, *this};
    FlashLoader flashLoader_{loop_, *this};
    std::function<bool(QFileDialog&)> fileDialogRunner_;
    SettingsMemory settingsMemory_;
    std::unique_ptr<SettingsBackupWindow> settingsBackup_;
    ProtocolTraceMenu* protocolTrace_ = nullptr;  // a child of the window
    std::optional<SizeReply> lastSizes_;
    std::function<void(const QString&)> errorReporter_;
    QuestionAsker questionAsker_;
    KRepaintPacer* progressPacer_ = nullptr;  // ProgressBar1's repaints at a bounded rate
    bool closeWanted_ = false;
    QList<QPair<QPointer<QWidget>, QString>> heldControls_;  // disabled for the job, with their tooltips
    struct StopControl {
        QPushButton* button;
        QShortcut* shortcut;
        const void* owner;
    };
    QList<StopControl> stops_;
    KeepAwake keepAwake_;
    bool placed_ = false;
};
