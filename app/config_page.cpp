// Page "Config": the group "Configuration" with its read, save and erase buttons and the
// fifteen controls of the configuration record, in the groups "HardWare", "Car datas", "Debug"
// and "Pin Debug".
#include <QGridLayout>
#include <QHBoxLayout>
#include <QListView>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/config_page.h"
#include "app/page_host.h"
#include "app/page_helpers.h"
#include "app/pictures.h"
#include "app/settings_pictures.h"
#include "app/widgets/k_combo_box.h"
#include "app/widgets/k_page_control.h"
#include "app/widgets/k_spin_edit.h"
#include "settings/config_record.h"
#include "settings/settings_states.h"

namespace {

QStringList texts(std::span<const char* const> items)
{
    QStringList list;
    for (const char* t : items)
        list << QString::fromUtf8(t);
    return list;
}

// A list of the record: its items, its placeholder, and whether the user may type into it.
KComboBox* list(QWidget* parent, const char* name, const QStringList& items, const char* placeholder, const QString& spoken,
                bool typed = false)
{
    auto* box = new KComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setEditable(typed);
    if (typed)
        box->setInsertPolicy(QComboBox::NoInsert);
    box->setItems(items);
    box->setPlaceholder(QString::fromUtf8(placeholder));
    box->setAccessibleName(spoken);
    box->setMaxVisibleItems(22);
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(6);
    box->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // The drop-down shows whole item texts even where the box is narrower.
    int widest = 0;
    const QFontMetrics fm(box->font());
    for (const QString& t : items)
        widest = std::max(widest, fm.horizontalAdvance(t));
    box->view()->setMinimumWidth(widest + 48);
    return box;
}

// One row of a group: the caption above its control.
void row(QVBoxLayout* v, QWidget* parent, const QString& caption, QWidget* control)
{
    auto* l = form::label(parent, caption);
    l->setBuddy(control);
    v->addWidget(l);
    v->addWidget(control);
    v->addSpacing(2);
}

// One row of a group: the caption left of its control.
void sideRow(QGridLayout* g, QWidget* parent, const QString& caption, QWidget* control)
{
    const int r = g->rowCount();
    auto* l = form::label(parent, caption);
    l->setBuddy(control);
    g->addWidget(l, r, 0);
    g->addWidget(control, r, 1);
}

QString utf8(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

ConfigPage::ConfigPage(PageHost& host, QWidget* parent) : QWidget(parent), host_(host)
{
    setObjectName(QStringLiteral("TabSheet1"));
    setAccessibleName(QStringLiteral("Config"));
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(8, 8, 8, 8);

    QGroupBox* configuration = form::group(this, QStringLiteral("Configuration"), "GroupBoxConfiguration");
    auto* grid = form::groupLayout<QGridLayout>(configuration);
    BitBtn22 = form::button(configuration, "BitBtn22", QStringLiteral("Read Config"));
    BitBtn22->setIcon(pictures::read());
    BitBtn23 = form::button(configuration, "BitBtn23", QStringLiteral("Save Config"));
    BitBtn23->setIcon(pictures::save());
    BitBtn34 = form::button(configuration, "BitBtn34", QStringLiteral("Erase Config"));
    BitBtn34->setIcon(pictures::erase());
    for (QPushButton* b : {BitBtn22, BitBtn23, BitBtn34})
        b->setMinimumSize(120, 30);
    connect(BitBtn23, &QPushButton::clicked, this, &ConfigPage::Button5Click);

    using namespace configPlaceholder;

    QGroupBox* hardware = form::group(configuration, QStringLiteral("HardWare"), "GroupBoxHardWare");
    auto* hv = form::groupLayout<QGridLayout>(hardware);
    ComboBox3 =
        list(hardware, "ComboBox3", texts(hardwareVersionItems()), kHardwareVersion, QStringLiteral("1. HardWare Version"), true);
    SpinEdit4 = form::spin(hardware, "SpinEdit4", 700, 799900, 700, 1, QStringLiteral("2. Serial №"));
    ComboBox4 = list(hardware, "ComboBox4", texts(displayTypeItems()), kDisplayType, QStringLiteral("3. LCD type"), true);
    sideRow(hv, hardware, QStringLiteral("1. HardWare Version"), ComboBox3);
    sideRow(hv, hardware, QStringLiteral("2. Serial №"), SpinEdit4);
    sideRow(hv, hardware, QStringLiteral("3. LCD type"), ComboBox4);
    hv->setColumnStretch(1, 1);
    hv->setRowStretch(hv->rowCount(), 1);

    QGroupBox* car = form::group(configuration, QStringLiteral("Car datas"), "GroupBoxCarDatas");
    auto* cv = form::groupLayout<QVBoxLayout>(car);
    QStringList models;
    for (const CarModel& m : carModels())
        models << QString::fromUtf8(m.text);
    ComboBox8 = list(car, "ComboBox8", models, kCarModel, QStringLiteral("4. Mark and Model"), true);
    ComboBox5 = list(car, "ComboBox5", texts(canModeItems()), "", QStringLiteral("5. 46-CCSM"));
    ComboBoxEx27 = list(car, "ComboBoxEx27", texts(languageItems()), kLanguage, QStringLiteral("6. Language"));
    for (int i = 0; i < ComboBoxEx27->count(); ++i)
        ComboBoxEx27->setItemIcon(i, pictures::languageFlag(i));
    ComboBoxEx27->setIconSize(QSize(24, 16));
    // The long item texts of these lists get the group's whole width.
    row(cv, car, QStringLiteral("4."), ComboBox8);
    row(cv, car, QStringLiteral("5. 46-CCSM"), ComboBox5);
    row(cv, car, QStringLiteral("6. Language"), ComboBoxEx27);
    cv->addStretch(1);

    QGroupBox* debug = form::group(configuration, QStringLiteral("Debug"), "GroupBoxDebug");
    auto* dv = form::groupLayout<QGridLayout>(debug);
    ComboBox9 = list(debug, "ComboBox9", texts(boostSensorItems()), kBoostSensor, QStringLiteral("7. Turbo Boost Sensor"));
    SpinEdit109 = form::spin(debug, "SpinEdit109", 50, 100, 100, 5, QStringLiteral("8. Max Dimmer Level"));
    SpinEdit5 = form::spin(debug, "SpinEdit5", 100, 130, 100, 1, QStringLiteral("9. Battery calibration, left"));
    SpinEdit6 = form::spin(debug, "SpinEdit6", 100, 130, 100, 1, QStringLiteral("9. Battery calibration, right"));
    ComboBox10 = list(debug, "ComboBox10", texts(diagModeItems()), kDiagMode, QStringLiteral("10. Diag Mode"));
    ComboBox11 = list(debug, "ComboBox11", texts(kl15ModeItems()), kKl15Mode, QStringLiteral("11. KL15 Mode"));
    sideRow(dv, debug, QStringLiteral("7. Turbo Boost Sensor"), ComboBox9);
    auto* dimmer = new QHBoxLayout;
    SpinEdit109->setFixedWidth(60);
    dimmer->addWidget(SpinEdit109);
    dimmer->addStretch(1);
    auto* dimmerLabel = form::label(debug, QStringLiteral("8. Max Dimmer Level"));
    dimmerLabel->setBuddy(SpinEdit109);
    dv->addWidget(dimmerLabel, dv->rowCount(), 0);
    dv->addLayout(dimmer, dv->rowCount() - 1, 1);
    auto* battery = new QHBoxLayout;
    SpinEdit5->setFixedWidth(60);
    SpinEdit6->setFixedWidth(60);
    battery->addWidget(SpinEdit5);
    battery->addWidget(form::label(debug, QStringLiteral("/")));
    battery->addWidget(SpinEdit6);
    battery->addStretch(1);
    auto* batteryLabel = form::label(debug, QStringLiteral("9. Battery calibration"));
    batteryLabel->setBuddy(SpinEdit5);
    dv->addWidget(batteryLabel, dv->rowCount(), 0);
    dv->addLayout(battery, dv->rowCount() - 1, 1);
    sideRow(dv, debug, QStringLiteral("10. Diag Mode"), ComboBox10);
    sideRow(dv, debug, QStringLiteral("11. KL15 Mode"), ComboBox11);
    dv->setColumnStretch(1, 1);
    dv->setRowStretch(dv->rowCount(), 1);

    QGroupBox* pins = form::group(configuration, QStringLiteral("Pin Debug"), "GroupBoxPinDebug");
    auto* pv = form::groupLayout<QVBoxLayout>(pins);
    ComboBox16 =
        list(pins, "ComboBox16", texts(pinRemapItems()), kPinRemap, QStringLiteral("15. 35 pin MFD (Brake fluid)* remap to ->"));
    ComboBox6 = list(pins, "ComboBox6", texts(buttonGroundItems()), kButtonGround, QStringLiteral("16. MFD Buttons **"));
    ComboBox1 = list(pins, "ComboBox1", texts(buttonRemapItems()), kButtonRemap, QStringLiteral("17. Remap MFD Buttons"));
    ComboBox1->setItemIndex(0);
    row(pv, pins, QStringLiteral("15. 35 pin MFD (Brake fluid)* remap to ->"), ComboBox16);
    pv->addWidget(form::label(pins, QStringLiteral("* only HW version 7.7"), "LabelOnlyHw77"));
    pv->addSpacing(4);
    row(pv, pins, QStringLiteral("16. MFD Buttons **"), ComboBox6);
    pv->addWidget(form::label(pins, QStringLiteral("** only HW version  7.0/7.5"), "LabelOnlyHw7075"));
    pv->addSpacing(4);
    row(pv, pins, QStringLiteral("17. Remap MFD Buttons"), ComboBox1);
    pv->addStretch(1);

    // Read and save at the top left, erase at the bottom left, the record's groups between them:
    // in a page area narrower than the page, every button is in reach without scrolling sideways.
    auto* groups = new QGridLayout;
    groups->setHorizontalSpacing(8);
    groups->setVerticalSpacing(8);
    groups->addWidget(hardware, 0, 0);
    groups->addWidget(car, 1, 0);
    groups->addWidget(debug, 0, 1);
    groups->addWidget(pins, 1, 1, 2, 1);
    groups->setRowStretch(2, 1);
    groups->setColumnStretch(0, 1);
    groups->setColumnStretch(1, 1);
    grid->addWidget(BitBtn22, 0, 0, Qt::AlignLeft);
    grid->addWidget(BitBtn23, 0, 1, Qt::AlignLeft);
    grid->addLayout(groups, 1, 0, 1, 3);
    grid->setRowStretch(1, 1);
    grid->setColumnStretch(1, 1);
    grid->addWidget(BitBtn34, 2, 0, Qt::AlignLeft);
    configurationGrid_ = grid;
    page->addWidget(configuration);
    page->addStretch(1);
}

// "Save Config": the record from the page, into the payload buffer; the loop sends it. A text
// that is no number ends the save with the conversion error, and nothing is stored.
void ConfigPage::Button5Click()
{
    host_.guarded([this] {
        if (!host_.mayStoreRequest())
            return;
        ConfigControls c;
        c.serialNumber = SpinEdit4->Value();
        c.hardwareText = ComboBox3->Text().toStdString();
        c.displayTypeText = ComboBox4->Text().toStdString();
        c.canModeIndex = ComboBox5->ItemIndex();
        c.kl15Index = ComboBox11->ItemIndex();
        c.maxDimmerLevel = SpinEdit109->Value();
        c.pinRemapIndex = ComboBox16->ItemIndex();
        c.diagIndex = ComboBox10->ItemIndex();
        c.buttonGroundIndex = ComboBox6->ItemIndex();
        c.languageIndex = ComboBoxEx27->ItemIndex();
        c.batteryA = SpinEdit5->Value();
        c.batteryB = SpinEdit6->Value();
        c.carModelText = ComboBox8->Text().toStdString();
        c.boostIndex = ComboBox9->ItemIndex();
        c.buttonRemapIndex = ComboBox1->ItemIndex();
        storeConfigSave(host_.loop(), host_.settingsMemory(), configFromControls(c, host_.settingsMemory().configCopy));
    });
}

// The configuration reply: every list cleared first, so that a value no item matches leaves
// its list empty.
void ConfigPage::showConfig(const ConfigView& v)
{
    for (KComboBox* box : {ComboBox1, ComboBox3, ComboBox4, ComboBox5, ComboBox6, ComboBoxEx27, ComboBox8, ComboBox9, ComboBox10,
                           ComboBox11, ComboBox16})
        box->clearShown();
    SpinEdit4->setValue(v.serialNumber);
    ComboBox3->setText(utf8(v.hardwareText));
    ComboBox4->setItemIndex(v.displayTypeIndex);
    ComboBox5->setItemIndex(v.canModeIndex);
    ComboBox6->setItemIndex(v.buttonGroundIndex);
    ComboBoxEx27->setItemIndex(v.languageIndex);
    SpinEdit5->setValue(v.batteryA);
    SpinEdit6->setValue(v.batteryB);
    ComboBox1->setItemIndex(v.buttonRemapIndex);
    ComboBox10->setItemIndex(v.diagIndex);
    ComboBox11->setItemIndex(v.kl15Index);
    SpinEdit109->setValue(v.maxDimmerLevel);
    ComboBox16->setItemIndex(v.pinRemapIndex);
    ComboBox8->setItemIndex(v.carModelIndex);
    ComboBox9->setItemIndex(v.boostIndex);
}

void ConfigPage::addSettingsFileRow(const void* stopOwner)
{
    auto* row = new QHBoxLayout;
    BackupSettingsButton = form::button(this, "BackupSettingsButton", QStringLiteral("Back up settings…"));
    CompareSettingsButton = form::button(this, "CompareSettingsButton", QStringLiteral("Compare with file…"));
    RestoreSettingsButton = form::button(this, "RestoreSettingsButton", QStringLiteral("Restore settings…"));
    BackupSettingsButton->setToolTip(QStringLiteral("Read the display's four settings records and save them in a file"));
    CompareSettingsButton->setToolTip(QStringLiteral("Read the display's settings and list what differs from a file"));
    RestoreSettingsButton->setToolTip(QStringLiteral("Write a file's settings to the display and check them by reading back"));
    for (QPushButton* b : {BackupSettingsButton, CompareSettingsButton, RestoreSettingsButton}) {
        b->setMinimumHeight(30);
        row->addWidget(b);
    }
    settingsStop = host_.stopButton(this, "settingsStop", stopOwner);
    settingsStop->setAccessibleName(QStringLiteral("Stop the settings run"));
    settingsStop->setToolTip(QStringLiteral("Ends the running settings backup, comparison or restore (Esc)"));
    settingsStop->setMinimumHeight(30);
    row->addWidget(settingsStop);
    row->addStretch(1);
    configurationGrid_->addLayout(row, 3, 0, 1, 3, Qt::AlignLeft);  // below "Erase Config"
}
