#pragma once
// Page "Config": the group "Configuration" with its read, save and erase buttons and the
// fifteen controls of the configuration record, and the settings file's buttons below them.
#include <QWidget>

class KComboBox;
class KSpinEdit;
class PageHost;
class QGridLayout;
class QPushButton;
struct ConfigView;

class ConfigPage : public QWidget {
    Q_OBJECT
public:
    explicit ConfigPage(PageHost& host, QWidget* parent = nullptr);

    // The configuration reply.
    void showConfig(const ConfigView& view);
    // "Back up settings…", "Compare with file…", "Restore settings…" and the run's Stop, below
    // "Erase Config"; `stopOwner` is the job the Stop ends.
    void addSettingsFileRow(const void* stopOwner);

    void Button5Click();  // "Save Config"

    QPushButton* BitBtn22 = nullptr;               // "Read Config"
    QPushButton* BitBtn23 = nullptr;               // "Save Config"
    QPushButton* BitBtn34 = nullptr;               // "Erase Config"
    KComboBox* ComboBox3 = nullptr;                // "1. HardWare Version" (typed text allowed)
    KSpinEdit* SpinEdit4 = nullptr;                // "2. Serial №"
    KComboBox* ComboBox4 = nullptr;                // "3. LCD type" (typed text allowed)
    KComboBox* ComboBox8 = nullptr;                // "4." car model (typed text allowed)
    KComboBox* ComboBox5 = nullptr;                // "5. 46-CCSM"
    KComboBox* ComboBoxEx27 = nullptr;             // "6. Language", with flags
    KComboBox* ComboBox9 = nullptr;                // "7. Turbo Boost Sensor"
    KSpinEdit* SpinEdit109 = nullptr;              // "8. Max Dimmer Level"
    KSpinEdit* SpinEdit5 = nullptr;                // "9. Battery calibration", left
    KSpinEdit* SpinEdit6 = nullptr;                // "9. Battery calibration", right
    KComboBox* ComboBox10 = nullptr;               // "10. Diag Mode"
    KComboBox* ComboBox11 = nullptr;               // "11. KL15 Mode"
    KComboBox* ComboBox16 = nullptr;               // "15. 35 pin MFD (Brake fluid)* remap to ->"
    KComboBox* ComboBox6 = nullptr;                // "16. MFD Buttons **"
    KComboBox* ComboBox1 = nullptr;                // "17. Remap MFD Buttons"
    QPushButton* BackupSettingsButton = nullptr;   // "Back up settings…"
    QPushButton* CompareSettingsButton = nullptr;  // "Compare with file…"
    QPushButton* RestoreSettingsButton = nullptr;  // "Restore settings…"
    QPushButton* settingsStop = nullptr;           // ends a settings backup, comparison or restore

private:
    PageHost& host_;
    QGridLayout* configurationGrid_ = nullptr;  // the group "Configuration"
};
