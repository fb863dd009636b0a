#pragma once
// Page "TurboTimer": the cooling run and the warm-up run, with the read and save buttons.
#include <QWidget>

class KSpinEdit;
class PageHost;
class QCheckBox;
class QPushButton;
struct TurboTimerRecord;
struct TurboTimerView;

class TurboTimerPage : public QWidget {
    Q_OBJECT
public:
    explicit TurboTimerPage(PageHost& host, QWidget* parent = nullptr);

    // The TurboTimer reply.
    void showTurboTimer(const TurboTimerView& view);
    // The record "Save" sends, as the controls show it now.
    TurboTimerRecord recordToSave() const;

    QPushButton* BitBtn26 = nullptr;   // "Read "
    QPushButton* BitBtn27 = nullptr;   // "Save"
    KSpinEdit* SpinEdit90 = nullptr;   // cooling time
    KSpinEdit* SpinEdit106 = nullptr;  // cooling temperature
    QCheckBox* CheckBox3 = nullptr;    // "Enable cooling"
    KSpinEdit* SpinEdit107 = nullptr;  // warm-up time
    KSpinEdit* SpinEdit108 = nullptr;  // warm-up temperature
    QCheckBox* CheckBox4 = nullptr;    // "Enable heating"

private:
    PageHost& host_;
};
