#pragma once
// Page "Transmission": for each gear the speed at 2000 rpm and the ratio value the display
// stores, kept consistent as the user types; the gear pictures, the note and the "A/T" group.
#include <QWidget>

#include <array>

class KRadioGroup;
class KSpinEdit;
class PageHost;
class QPushButton;

class TransmissionPage : public QWidget {
    Q_OBJECT
public:
    explicit TransmissionPage(PageHost& host, QWidget* parent = nullptr);

    // Sets the ratio box of gear 1..6 (its change handler moves the speed box).
    void showTransmissionRatio(int gear, int ratio);
    // The ratio of gears 1 to 6 as the boxes show it now, for "Save".
    std::array<int, 6> ratios() const;

    QPushButton* BitBtn24 = nullptr;    // "Read "
    QPushButton* BitBtn25 = nullptr;    // "Save"
    std::array<KSpinEdit*, 6> speed{};  // gears 1..6: SpinEdit27, 28, 29, 32, 31, 30
    std::array<KSpinEdit*, 6> ratio{};  // gears 1..6: SpinEdit38, 37, 36, 35, 33, 34
    KRadioGroup* automatic = nullptr;   // "A/T", carried by no frame

private:
    void coupleGear(int gear, bool speedChanged);
    PageHost& host_;
};
