#pragma once
#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "app/comparison_presenter.h"
#include "app/keep_awake.h"
#include "app/page_host.h"
#include "app/questions.h"
#include "settings/gamma.h"
#include "protocol/loop_host.h"
#include "protocol/size_reply.h"
#include "serial/nr_comm.h"
#include "settings/settings_states.h"
#include "transfer/transfer_host.h"

class ConfigPage;
class DiskImageLoaderPage;
class ExtraCodingPage;
class FlashLoader;
class KeysEmulPage;
class KPageControl;
class KRepaintPacer;
class KStatusBar;
class LeftPanel;
class ProtocolLoop;
class ProtocolTraceMenu;
class QAbstractButton;
class QAction;
class QFileDialog;
class QMenu;
class QProgressBar;
class QPushButton;
class QScrollArea;
class QShortcut;
class QWidget;
class ScreenSetupPage;
class SdFileManagerPage;
class SdUpload;
class SettingsBackupWindow;
class StoragePanel;
class TransmissionPage;
class TurboTimerPage;
struct CommandControl;

// The main window: the left panel with the connection controls and the key buttons, the
// storage panel, the pages, the progress bar and the status bar. It holds the serial component
// and the protocol loop but does no I/O of its own: "Connect" runs the loop, every other button
// stores a request in it, and the loop tells the window what to show (LoopHost) and reads what
// the sends need from the pages (GammaValues, SettingsPages).
class TForm3 : public QMainWindow,
               public LoopHost,
               public GammaValues,
               public TransferHost,
               public SettingsPages,
               public PageHost {
    Q_OBJECT
public:
    explicit TForm3(QWidget* parent = nullptr);
    ~TForm3() override;

    ProtocolLoop& loop() override { return *loop_; }
    TnrComm& comm() { return nrComm1; }

    // The general error report; by default a modal error box.
    void setErrorReporter(std::function<void(const QString&)> reporter);
    // How the window asks before an irreversible or job-ending action; by default a window-modal
    // box that does not block. Tests replace it with one that records and answers.
    void setQuestionAsker(QuestionAsker asker);
    void ask(const Question& question, std::function<void()> onConfirm) override;

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
    SdUpload& sdUpload() { return *sdUpload_; }
    FlashLoader& flashLoader() { return *flashLoader_; }

    // The open-file dialog's run: true when the user confirmed. By default a modal OD2; tests
    // replace it with one that picks a file.
    void setFileDialogRunner(std::function<bool(QFileDialog&)> runner);

    // Runs a file dialog the way the open-file dialog is run (replaceable in tests).
    bool runFileDialog(QFileDialog& dialog) override;
    // Settings backup, comparison and restore; the comparison dialog is replaceable in tests.
    SettingsBackupWindow& settingsBackup() { return *settingsBackup_; }
    // "Record protocol trace" and "Save protocol trace…" in the "Settings file" menu.
    ProtocolTraceMenu& protocolTrace() { return *protocolTrace_; }
    void setComparisonPresenter(ComparisonPresenter presenter);
    // The storage sizes of the last size reply, if one came.
    const std::optional<SizeReply>& lastSizes() const { return lastSizes_; }

    // PageHost
    void guarded(const std::function<void()>& body) override;
    bool mayStoreRequest() override;
    QPushButton* stopButton(QWidget* page, const char* name, const void* owner) override;
    SettingsMemory& settingsMemory() override { return settingsMemory_; }

    // GammaValues: the gamma page's cells.
    int gammaCell(const GammaGrid& grid, size_t cell) const override;

    // SettingsPages: the settings replies fill their pages.
    void showConfig(const ConfigView& view) override;
    void showExtraCoding(const ExtraCodingView& view) override;
    void showTurboTimer(const TurboTimerView& view) override;
    void showTransmissionRatio(int gear, int ratio) override;
    TurboTimerRecord turboTimerToSave() const override;
    std::array<int, kGears> transmissionRatios() const override;

    // Handlers of the window itself.
    void Button8Click();   // "Connect": runs the protocol loop until "Exit"
    void Button2Click();   // "Exit"
    void Visible1Click();  // status bar menu "Visible": shows the "Config" tab
    void About1Click();    // status bar menu "About Korvane Shell": the version, in a box

    // The window's own controls, and its panels and pages under their designer names; each
    // panel and page owns its controls as typed members.
    TnrComm nrComm1;

    LeftPanel* Panel1 = nullptr;     // port picker, link type, the display's keys
    StoragePanel* Panel2 = nullptr;  // storage sizes and resets
    QScrollArea* ScrollBox1 = nullptr;
    KPageControl* cxPageControl1 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    KStatusBar* StatusBar1 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* Visible1 = nullptr;
    QAction* About1 = nullptr;

    ConfigPage* TabSheet1 = nullptr;           // "Config"
    ScreenSetupPage* cxTabSheet1 = nullptr;    // "Screen Setup", with "Screen size" and "GAMMA"
    ExtraCodingPage* cxTabSheet5 = nullptr;    // "Extra Coding"
    TurboTimerPage* TabSheet8 = nullptr;       // "TurboTimer"
    TransmissionPage* TabSheet3 = nullptr;     // "Transmission"
    KeysEmulPage* cxTabSheet2 = nullptr;       // "Keys emul"
    DiskImageLoaderPage* TabSheet4 = nullptr;  // "ver.7.6-7.7 Disk Image Loader"
    SdFileManagerPage* cxTabSheet4 = nullptr;  // "ver.7.5 SD File Manager"

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildPageArea();
    void buildStatusBar();
    void buildPages();
    void connectCatalogue();
    void FormCreate();
    void buildSettingsBackupControls();

    // The commands asked about first (form3_connection.cpp).
    // A catalogue control's press: the row, and what the page that owns the control reads from it.
    void commandClicked(const CommandControl& row, const QAbstractButton* control);
    int commandInput(const QAbstractButton* control) const;
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
    // Exit or closing the window while a job runs: asks first; true when it asked.
    bool askBeforeEndingJob(std::function<void()> afterStop);

    std::unique_ptr<ProtocolLoop> loop_;
    std::unique_ptr<SdUpload> sdUpload_;
    std::unique_ptr<FlashLoader> flashLoader_;
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
