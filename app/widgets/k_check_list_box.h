#pragma once
#include <QListWidget>

#include <cstdint>

// A list whose items each carry a tick box. The ticks travel to the display as a bit mask
// with the first item in the least significant bit.
class KCheckListBox : public QListWidget {
    Q_OBJECT
public:
    explicit KCheckListBox(QWidget* parent = nullptr);

    void setItems(const QStringList& items);  // all unticked
    bool Checked(int index) const;
    void setChecked(int index, bool ticked);  // an index outside the list is ignored

    // Bit i is the tick of item i (items past 32 are not part of the mask).
    uint32_t mask() const;
    void setMask(uint32_t bits);

signals:
    // A tick changed by the user.
    void clickCheck(int index);

private:
    bool settingByCode_ = false;
};
