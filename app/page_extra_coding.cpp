// Page "Extra Coding": the group "Warnings" with the read and save buttons, the three check
// lists, the line colour, the speed limit and the coffee break.
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/form3.h"
#include "app/page_helpers.h"
#include "app/pictures.h"
#include "app/settings_pictures.h"
#include "app/widgets/k_check_list_box.h"
#include "app/widgets/k_page_control.h"
#include "app/widgets/k_radio_group.h"
#include "app/widgets/k_spin_edit.h"
#include "settings/extra_coding.h"

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

void TForm3::buildExtraCodingPage()
{
    cxTabSheet5 = new QWidget;
    cxTabSheet5->setObjectName(QStringLiteral("cxTabSheet5"));
    cxTabSheet5->setAccessibleName(QStringLiteral("Extra Coding"));
    auto* page = new QVBoxLayout(cxTabSheet5);
    page->setContentsMargins(8, 8, 8, 8);
    ExtraCodingPageWidgets& w = extraCodingPage;

    QGroupBox* warnings = form::group(cxTabSheet5, QStringLiteral("Warnings"), "GroupBoxWarnings");
    auto* grid = form::groupLayout<QGridLayout>(warnings);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(8);
    w.BitBtn28 = button(warnings, "BitBtn28", QStringLiteral("Read Extra Encode"));
    w.BitBtn28->setIcon(pictures::read());
    w.BitBtn29 = button(warnings, "BitBtn29", QStringLiteral("Save Extra Encode"));
    w.BitBtn29->setIcon(pictures::save());
    for (QPushButton* b : {w.BitBtn28, w.BitBtn29})
        b->setMinimumSize(140, 30);
    connect(w.BitBtn29, &QPushButton::clicked, this, &TForm3::Button3Click);

    w.CheckListBox1 = checkList(warnings, "CheckListBox1", warningItems(), pictures::warningSign(), QStringLiteral("Warnings"));
    w.CheckListBox2 =
        checkList(warnings, "CheckListBox2", comfortItems(), pictures::comfortSign(), QStringLiteral("Comfort functions"));
    w.CheckListBox3 =
        checkList(warnings, "CheckListBox3", vehicleOptionItems(), pictures::vehicleSign(), QStringLiteral("Vehicle options"));

    QGroupBox* colour = form::group(warnings, QStringLiteral("Line color"), "GroupBoxLineColor");
    auto* colourLayout = form::groupLayout<QVBoxLayout>(colour);
    w.RadioGroup2 = new KRadioGroup(QString(), colour);
    w.RadioGroup2->setObjectName(QStringLiteral("RadioGroup2"));
    w.RadioGroup2->setAccessibleName(QStringLiteral("Line color"));
    QStringList colours;
    for (const char* t : lineColourItems())
        colours << QString::fromUtf8(t);
    w.RadioGroup2->setItems(colours);
    for (int i = 0; i < w.RadioGroup2->count(); ++i)
        w.RadioGroup2->button(i)->setIcon(pictures::lineColour(i));
    w.RadioGroup2->setItemIndex(0);
    colourLayout->addWidget(w.RadioGroup2);

    QGroupBox* speed = form::group(warnings, QStringLiteral("Speed limit"), "GroupBoxSpeedLimit");
    auto* speedLayout = form::groupLayout<QVBoxLayout>(speed);
    QGroupBox* speedValue = form::group(speed, QStringLiteral("Speed limit value"), "GroupBoxSpeedLimitValue");
    auto* speedRow = form::groupLayout<QHBoxLayout>(speedValue);
    w.SpinEdit3 = form::spin(speedValue, "SpinEdit3", 30, 250, 90, 10, QStringLiteral("Speed limit value, Km/h"));
    w.SpinEdit3->setFixedWidth(70);
    speedRow->addWidget(w.SpinEdit3);
    speedRow->addWidget(form::label(speedValue, QStringLiteral("Km/h")));
    speedRow->addStretch(1);
    speedLayout->addWidget(speedValue);

    QGroupBox* coffee = form::group(warnings, QStringLiteral("Coffeebreak"), "GroupBoxCoffeebreak");
    auto* coffeeGrid = form::groupLayout<QGridLayout>(coffee);
    w.SpinEdit39 = form::spin(coffee, "SpinEdit39", 0, 600, 240, 10, QStringLiteral("Coffeebreak, Min"));
    w.SpinEdit40 = form::spin(coffee, "SpinEdit40", 0, 600, 240, 10, QStringLiteral("Coffeebreak, Km"));
    w.SpinEdit39->setFixedWidth(70);
    w.SpinEdit40->setFixedWidth(70);
    coffeeGrid->addWidget(w.SpinEdit39, 0, 0);
    coffeeGrid->addWidget(form::label(coffee, QStringLiteral("Min")), 0, 1);
    coffeeGrid->addWidget(w.SpinEdit40, 1, 0);
    coffeeGrid->addWidget(form::label(coffee, QStringLiteral("Km")), 1, 1);
    coffeeGrid->setColumnStretch(2, 1);

    auto* right = new QGridLayout;
    right->setHorizontalSpacing(8);
    right->setVerticalSpacing(8);
    right->addWidget(colour, 0, 0, 2, 1);
    right->addWidget(speed, 0, 1);
    right->addWidget(coffee, 1, 1);
    right->addWidget(w.CheckListBox3, 2, 0, 1, 2);
    right->setRowStretch(3, 1);

    // Read and save side by side at the left: in reach without scrolling sideways.
    auto* commands = new QHBoxLayout;
    commands->addWidget(w.BitBtn28);
    commands->addWidget(w.BitBtn29);
    commands->addStretch(1);
    grid->addLayout(commands, 0, 0, 1, 2);
    grid->addWidget(w.CheckListBox1, 1, 0);
    grid->addWidget(w.CheckListBox2, 2, 0);
    grid->addLayout(right, 1, 1, 2, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    page->addWidget(warnings);
    page->addStretch(1);
    cxPageControl1->addPage(cxTabSheet5, QStringLiteral("Extra Coding"));
}

// "Save Extra Encode": the record from the page into the payload buffer; the loop sends it.
void TForm3::Button3Click()
{
    guarded([this] {
        if (!mayStoreRequest())
            return;
        const ExtraCodingPageWidgets& w = extraCodingPage;
        const ExtraCodingControls c{w.CheckListBox1->mask(),   w.SpinEdit3->Value(),  w.CheckListBox2->mask(),
                                    w.SpinEdit39->Value(),     w.SpinEdit40->Value(), w.CheckListBox3->mask(),
                                    w.RadioGroup2->ItemIndex()};
        storeExtraCodingSave(loop_, extraCodingFromControls(c, settingsMemory_.extraByte5, settingsMemory_.extraByte6));
    });
}

void TForm3::showExtraCoding(const ExtraCodingView& v)
{
    const ExtraCodingPageWidgets& w = extraCodingPage;
    w.SpinEdit3->setValue(v.speedLimit);
    w.SpinEdit39->setValue(v.coffeeMinutes);
    w.SpinEdit40->setValue(v.coffeeKm);
    w.CheckListBox1->setMask(v.warningsMask);
    w.CheckListBox2->setMask(v.comfortMask);
    w.CheckListBox3->setMask(v.optionsMask);
    w.RadioGroup2->setItemIndex(v.lineColourIndex);
}
