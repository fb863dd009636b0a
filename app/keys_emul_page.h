#pragma once
// Page "Keys emul": the display's keys, doors, ignition, turbo timer and mirrors, driven from the PC.
#include <QWidget>

#include <optional>

class KRadioGroup;
class QAbstractButton;
class KSpinEdit;
class PageHost;
class QCheckBox;
class QLabel;
class QPushButton;

class KeysEmulPage : public QWidget {
    Q_OBJECT
public:
    explicit KeysEmulPage(PageHost& host, QWidget* parent = nullptr);

    // What a command control of this page reads at its press: the door value for "Doors", the
    // tick of "kl 15" (1 ticked), the mirror side for the mirror buttons; none for the others.
    std::optional<int> commandInput(const QAbstractButton* control) const;

    QLabel* keysPicture = nullptr;
    QPushButton* Button21 = nullptr;     // "Doors"
    KSpinEdit* SpinEdit1 = nullptr;      // door value
    QCheckBox* CheckBox1 = nullptr;      // "kl 15"
    QCheckBox* CheckBox2 = nullptr;      // "s86"
    QPushButton* Button29 = nullptr;     // "TurboTimer switch ON"
    QPushButton* Button30 = nullptr;     // "TurboTimer switch OFF"
    QPushButton* Button24 = nullptr;     // "LONG+"
    QPushButton* Button10 = nullptr;     // up
    QPushButton* Button9 = nullptr;      // down
    QPushButton* Button23 = nullptr;     // "LONG-"
    QPushButton* Button11 = nullptr;     // "Reset"
    QPushButton* Button12 = nullptr;     // "Long reset"
    KRadioGroup* RadioGroup3 = nullptr;  // mirror side
    QPushButton* Button47 = nullptr;     // mirror up
    QPushButton* Button68 = nullptr;     // mirror left
    QPushButton* Button48 = nullptr;     // mirror down
    QPushButton* Button67 = nullptr;     // mirror right

private:
    PageHost& host_;
};
