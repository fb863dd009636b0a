// Page "Keys emul": the display's keys, doors, ignition, turbo timer and mirrors, driven from the PC.
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/keys_emul_page.h"
#include "app/page_host.h"

#include <algorithm>
#include "app/page_helpers.h"
#include "app/pictures.h"
#include "app/widgets/k_page_control.h"
#include "app/widgets/k_radio_group.h"
#include "app/widgets/k_spin_edit.h"

KeysEmulPage::KeysEmulPage(PageHost& host, QWidget* parent) : QWidget(parent), host_(host)
{
    setObjectName(QStringLiteral("cxTabSheet2"));
    setAccessibleName(QStringLiteral("Keys emul"));
    auto* page = new QHBoxLayout(this);
    page->setContentsMargins(10, 10, 10, 10);
    page->setSpacing(14);

    keysPicture = new QLabel(this);
    keysPicture->setObjectName(QStringLiteral("keysPicture"));
    keysPicture->setPixmap(pictures::keysEmulator(230, 380));
    keysPicture->setAccessibleName(QStringLiteral("The display and a door mirror"));
    page->addWidget(keysPicture, 0, Qt::AlignTop);

    auto* column = new QVBoxLayout;
    column->setSpacing(10);

    // "Emulator": doors, ignition, turbo timer.
    QGroupBox* emulator = form::group(this, QStringLiteral("Emulator"), "GroupBoxEmulator");
    auto* eg = form::groupLayout<QGridLayout>(emulator);
    eg->setHorizontalSpacing(8);
    eg->setVerticalSpacing(6);
    Button21 = form::button(emulator, "Button21", QStringLiteral("Doors"));
    SpinEdit1 = form::spin(emulator, "SpinEdit1", 0, 64, 0, 1, QStringLiteral("Door value"));
    SpinEdit1->setFixedWidth(56);
    CheckBox1 = new QCheckBox(QStringLiteral("kl 15"), emulator);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setAccessibleName(QStringLiteral("kl 15 ignition"));
    CheckBox2 = new QCheckBox(QStringLiteral("s86"), emulator);
    CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
    CheckBox2->setAccessibleName(QStringLiteral("s86"));
    Button29 = form::button(emulator, "Button29", QStringLiteral("TurboTimer switch ON"));
    Button30 = form::button(emulator, "Button30", QStringLiteral("TurboTimer switch OFF"));
    eg->addWidget(Button21, 0, 0);
    eg->addWidget(SpinEdit1, 0, 1, Qt::AlignLeft);
    eg->addWidget(CheckBox1, 1, 0);
    eg->addWidget(CheckBox2, 1, 1);
    eg->addWidget(Button29, 2, 0, 1, 2);
    eg->addWidget(Button30, 3, 0, 1, 2);
    eg->setColumnStretch(2, 1);
    column->addWidget(emulator);

    auto* lower = new QHBoxLayout;
    lower->setSpacing(10);

    // "Keys Emul": the display's own keys, as on the left panel.
    QGroupBox* keys = form::group(this, QStringLiteral("Keys Emul"), "GroupBoxKeysEmul");
    auto* kg = form::groupLayout<QGridLayout>(keys);
    kg->setSpacing(5);
    auto key = [&](const char* name, const QString& caption, const QString& spoken, int points) {
        QPushButton* b = form::button(keys, name, caption, spoken);
        b->setFont(form::boldFont(points));
        b->setMinimumSize(std::max(64, b->sizeHint().width()), 30);  // never narrower than its caption
        return b;
    };
    Button24 = key("Button24", QStringLiteral("LONG+"), QStringLiteral("Long press up"), 10);
    Button10 = key("Button10", QStringLiteral("\u2191"), QStringLiteral("Key up"), 16);
    Button9 = key("Button9", QStringLiteral("\u2193"), QStringLiteral("Key down"), 16);
    Button23 = key("Button23", QStringLiteral("LONG-"), QStringLiteral("Long press down"), 10);
    Button11 = key("Button11", QStringLiteral("Reset"), QString(), 11);
    Button12 = key("Button12", QStringLiteral("Long reset"), QString(), 9);
    kg->addWidget(Button24, 0, 0);
    kg->addWidget(Button10, 1, 0);
    kg->addWidget(Button9, 2, 0);
    kg->addWidget(Button23, 3, 0);
    kg->addWidget(Button11, 0, 1, 2, 1);
    kg->addWidget(Button12, 2, 1, 2, 1);
    for (QPushButton* b : {Button11, Button12})
        b->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    lower->addWidget(keys);

    // "Mirrors": the side, then the four moves as a cross.
    QGroupBox* mirrors = form::group(this, QStringLiteral("Mirrors"), "GroupBoxMirrors");
    auto* mg = form::groupLayout<QVBoxLayout>(mirrors);
    mg->setSpacing(8);
    RadioGroup3 = new KRadioGroup(QString(), mirrors);
    RadioGroup3->setObjectName(QStringLiteral("RadioGroup3"));
    RadioGroup3->setAccessibleName(QStringLiteral("Mirror side"));
    RadioGroup3->setItems({QStringLiteral("Left"), QStringLiteral("Right")});
    RadioGroup3->setColumns(2);
    RadioGroup3->setItemIndex(-1);
    RadioGroup3->setFlat(true);
    mg->addWidget(RadioGroup3);
    auto* cross = new QGridLayout;
    cross->setSpacing(4);
    auto move = [&](const char* name, const QString& caption, const QString& spoken) {
        QPushButton* b = form::button(mirrors, name, caption, spoken);
        b->setFont(form::boldFont(14));
        b->setFixedSize(40, 34);
        b->setProperty("keyButton", true);
        return b;
    };
    Button47 = move("Button47", QStringLiteral("\u2191"), QStringLiteral("Mirror up"));
    Button68 = move("Button68", QStringLiteral("\u2190"), QStringLiteral("Mirror left"));
    Button48 = move("Button48", QStringLiteral("\u2193"), QStringLiteral("Mirror down"));
    Button67 = move("Button67", QStringLiteral("\u2192"), QStringLiteral("Mirror right"));
    cross->addWidget(Button47, 0, 1);
    cross->addWidget(Button68, 1, 0);
    cross->addWidget(Button67, 1, 2);
    cross->addWidget(Button48, 2, 1);
    auto* crossRow = new QHBoxLayout;
    crossRow->addStretch(1);
    crossRow->addLayout(cross);
    crossRow->addStretch(1);
    mg->addLayout(crossRow);
    mg->addStretch(1);
    lower->addWidget(mirrors);
    lower->addStretch(1);

    column->addLayout(lower);
    column->addStretch(1);
    page->addLayout(column, 1);
}

std::optional<int> KeysEmulPage::commandInput(const QAbstractButton* control) const
{
    if (control == Button21)
        return SpinEdit1->Value();
    if (control == CheckBox1)
        return CheckBox1->isChecked() ? 1 : 0;
    if (control == Button47 || control == Button48 || control == Button68 || control == Button67)
        return RadioGroup3->ItemIndex();
    return std::nullopt;
}
