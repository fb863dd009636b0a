// Page "Extra Coding": the group "Warnings" with the read and save buttons, the three check
// lists, the line colour, the speed limit and the coffee break.
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/extra_coding_page.h"
#include "app/page_host.h"
#include "app/page_helpers.h"
#include "app/pictures.h"
#include "app/settings_pictures.h"
#include "app/widgets/k_check_list_box.h"
#include "app/widgets/k_page_control.h"
#include "app/widgets/k_radio_group.h"
#include "app/widgets/k_spin_edit.h"
#include "settings/extra_coding.h"
#include "settings/settings_states.h"

namespace {

KCheckListBox* checkList(QWidget* parent, const char* name, std::span<const char* const> items, const QIcon& picture,
                         const QString& spoken)
{
    auto* box = new KCheckListBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setAccessibleName(spoken);
    QStringList texts;
    for (const char* t : items)
        texts << QString::fromUtf8(t);
    box->setItems(texts);
    for (int i = 0; i < box->count(); ++i)
        box->item(i)->setIcon(picture);
    box->setIconSize(QSize(16, 16));
    // Tall enough for every item without a scroll bar.
    const int rowHeight = std::max(box->sizeHintForRow(0), 18);
    box->setMinimumHeight(rowHeight * box->count() + 2 * box->frameWidth() + 4);
    return box;
}

}  // namespace

ExtraCodingPage::ExtraCodingPage(PageHost& host, QWidget* parent) : QWidget(parent), host_(host)
{
    setObjectName(QStringLiteral("cxTabSheet5"));
    setAccessibleName(QStringLiteral("Extra Coding"));
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(8, 8, 8, 8);

    QGroupBox* warnings = form::group(this, QStringLiteral("Warnings"), "GroupBoxWarnings");
    auto* grid = form::groupLayout<QGridLayout>(warnings);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(8);
    BitBtn28 = form::button(warnings, "BitBtn28", QStringLiteral("Read Extra Encode"));
    BitBtn28->setIcon(pictures::read());
    BitBtn29 = form::button(warnings, "BitBtn29", QStringLiteral("Save Extra Encode"));
    BitBtn29->setIcon(pictures::save());
    for (QPushButton* b : {BitBtn28, BitBtn29})
        b->setMinimumSize(140, 30);
    connect(BitBtn29, &QPushButton::clicked, this, &ExtraCodingPage::Button3Click);

    CheckListBox1 = checkList(warnings, "CheckListBox1", warningItems(), pictures::warningSign(), QStringLiteral("Warnings"));
    CheckListBox2 =
        checkList(warnings, "CheckListBox2", comfortItems(), pictures::comfortSign(), QStringLiteral("Comfort functions"));
    CheckListBox3 =
        checkList(warnings, "CheckListBox3", vehicleOptionItems(), pictures::vehicleSign(), QStringLiteral("Vehicle options"));

    QGroupBox* colour = form::group(warnings, QStringLiteral("Line color"), "GroupBoxLineColor");
    auto* colourLayout = form::groupLayout<QVBoxLayout>(colour);
    RadioGroup2 = new KRadioGroup(QString(), colour);
    RadioGroup2->setObjectName(QStringLiteral("RadioGroup2"));
    RadioGroup2->setAccessibleName(QStringLiteral("Line color"));
    QStringList colours;
    for (const char* t : lineColourItems())
        colours << QString::fromUtf8(t);
    RadioGroup2->setItems(colours);
    for (int i = 0; i < RadioGroup2->count(); ++i)
        RadioGroup2->button(i)->setIcon(pictures::lineColour(i));
    RadioGroup2->setItemIndex(0);
    colourLayout->addWidget(RadioGroup2);

    QGroupBox* speed = form::group(warnings, QStringLiteral("Speed limit"), "GroupBoxSpeedLimit");
    auto* speedLayout = form::groupLayout<QVBoxLayout>(speed);
    QGroupBox* speedValue = form::group(speed, QStringLiteral("Speed limit value"), "GroupBoxSpeedLimitValue");
    auto* speedRow = form::groupLayout<QHBoxLayout>(speedValue);
    SpinEdit3 = form::spin(speedValue, "SpinEdit3", 30, 250, 90, 10, QStringLiteral("Speed limit value, Km/h"));
    SpinEdit3->setFixedWidth(70);
    speedRow->addWidget(SpinEdit3);
    speedRow->addWidget(form::label(speedValue, QStringLiteral("Km/h")));
    speedRow->addStretch(1);
    speedLayout->addWidget(speedValue);

    QGroupBox* coffee = form::group(warnings, QStringLiteral("Coffeebreak"), "GroupBoxCoffeebreak");
    auto* coffeeGrid = form::groupLayout<QGridLayout>(coffee);
    SpinEdit39 = form::spin(coffee, "SpinEdit39", 0, 600, 240, 10, QStringLiteral("Coffeebreak, Min"));
    SpinEdit40 = form::spin(coffee, "SpinEdit40", 0, 600, 240, 10, QStringLiteral("Coffeebreak, Km"));
    SpinEdit39->setFixedWidth(70);
    SpinEdit40->setFixedWidth(70);
    coffeeGrid->addWidget(SpinEdit39, 0, 0);
    coffeeGrid->addWidget(form::label(coffee, QStringLiteral("Min")), 0, 1);
    coffeeGrid->addWidget(SpinEdit40, 1, 0);
    coffeeGrid->addWidget(form::label(coffee, QStringLiteral("Km")), 1, 1);
    coffeeGrid->setColumnStretch(2, 1);

    auto* right = new QGridLayout;
    right->setHorizontalSpacing(8);
    right->setVerticalSpacing(8);
    right->addWidget(colour, 0, 0, 2, 1);
    right->addWidget(speed, 0, 1);
    right->addWidget(coffee, 1, 1);
    right->addWidget(CheckListBox3, 2, 0, 1, 2);
    right->setRowStretch(3, 1);

    // Read and save side by side at the left: in reach without scrolling sideways.
    auto* commands = new QHBoxLayout;
    commands->addWidget(BitBtn28);
    commands->addWidget(BitBtn29);
    commands->addStretch(1);
    grid->addLayout(commands, 0, 0, 1, 2);
    grid->addWidget(CheckListBox1, 1, 0);
    grid->addWidget(CheckListBox2, 2, 0);
    grid->addLayout(right, 1, 1, 2, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    page->addWidget(warnings);
    page->addStretch(1);
}

// "Save Extra Encode": the record from the page into the payload buffer; the loop sends it.
void ExtraCodingPage::Button3Click()
{
    host_.guarded([this] {
        if (!host_.mayStoreRequest())
            return;
        const ExtraCodingControls c{CheckListBox1->mask(), SpinEdit3->Value(),    CheckListBox2->mask(),   SpinEdit39->Value(),
                                    SpinEdit40->Value(),   CheckListBox3->mask(), RadioGroup2->ItemIndex()};
        storeExtraCodingSave(host_.loop(),
                             extraCodingFromControls(c, host_.settingsMemory().extraByte5, host_.settingsMemory().extraByte6));
    });
}

void ExtraCodingPage::showExtraCoding(const ExtraCodingView& v)
{
    SpinEdit3->setValue(v.speedLimit);
    SpinEdit39->setValue(v.coffeeMinutes);
    SpinEdit40->setValue(v.coffeeKm);
    CheckListBox1->setMask(v.warningsMask);
    CheckListBox2->setMask(v.comfortMask);
    CheckListBox3->setMask(v.optionsMask);
    RadioGroup2->setItemIndex(v.lineColourIndex);
}
