#pragma once
// The controls of the four settings pages ("Config", "Extra Coding", "TurboTimer",
// "Transmission"), under the names the rest of the program knows them by.
#include <array>

class KCheckListBox;
class KComboBox;
class KRadioGroup;
class KSpinEdit;
class QCheckBox;
class QPushButton;

struct ConfigPageWidgets {
    KComboBox* ComboBox3 = nullptr;     // "1. HardWare Version" (typed text allowed)
    KSpinEdit* SpinEdit4 = nullptr;     // "2. Serial №"
    KComboBox* ComboBox4 = nullptr;     // "3. LCD type" (typed text allowed)
    KComboBox* ComboBox8 = nullptr;     // "4." car model (typed text allowed)
    KComboBox* ComboBox5 = nullptr;     // "5. 46-CCSM"
    KComboBox* ComboBoxEx27 = nullptr;  // "6. Language", with flags
    KComboBox* ComboBox9 = nullptr;     // "7. Turbo Boost Sensor"
    KSpinEdit* SpinEdit109 = nullptr;   // "8. Max Dimmer Level"
    KSpinEdit* SpinEdit5 = nullptr;     // "9. Battery calibration", left
    KSpinEdit* SpinEdit6 = nullptr;     // "9. Battery calibration", right
    KComboBox* ComboBox10 = nullptr;    // "10. Diag Mode"
    KComboBox* ComboBox11 = nullptr;    // "11. KL15 Mode"
    KComboBox* ComboBox16 = nullptr;    // "15. 35 pin MFD (Brake fluid)* remap to ->"
    KComboBox* ComboBox6 = nullptr;     // "16. MFD Buttons **"
    KComboBox* ComboBox1 = nullptr;     // "17. Remap MFD Buttons"
};

struct ExtraCodingPageWidgets {
    QPushButton* BitBtn28 = nullptr;         // "Read Extra Encode"
    QPushButton* BitBtn29 = nullptr;         // "Save Extra Encode"
    KCheckListBox* CheckListBox1 = nullptr;  // warnings
    KCheckListBox* CheckListBox2 = nullptr;  // comfort functions
    KCheckListBox* CheckListBox3 = nullptr;  // vehicle options
    KRadioGroup* RadioGroup2 = nullptr;      // line colour
    KSpinEdit* SpinEdit3 = nullptr;          // speed limit, km/h
    KSpinEdit* SpinEdit39 = nullptr;         // coffee break, minutes
    KSpinEdit* SpinEdit40 = nullptr;         // coffee break, km
};

struct TurboTimerPageWidgets {
    QPushButton* BitBtn26 = nullptr;   // "Read "
    QPushButton* BitBtn27 = nullptr;   // "Save"
    KSpinEdit* SpinEdit90 = nullptr;   // cooling time
    KSpinEdit* SpinEdit106 = nullptr;  // cooling temperature
    QCheckBox* CheckBox3 = nullptr;    // "Enable cooling"
    KSpinEdit* SpinEdit107 = nullptr;  // warm-up time
    KSpinEdit* SpinEdit108 = nullptr;  // warm-up temperature
    QCheckBox* CheckBox4 = nullptr;    // "Enable heating"
};

struct TransmissionPageWidgets {
    QPushButton* BitBtn24 = nullptr;    // "Read "
    QPushButton* BitBtn25 = nullptr;    // "Save"
    std::array<KSpinEdit*, 6> speed{};  // gears 1..6: SpinEdit27, 28, 29, 32, 31, 30
    std::array<KSpinEdit*, 6> ratio{};  // gears 1..6: SpinEdit38, 37, 36, 35, 33, 34
    KRadioGroup* automatic = nullptr;   // "A/T", carried by no frame
};
