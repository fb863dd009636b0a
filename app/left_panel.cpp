// The left panel: the port picker, "Connect" and "Exit", the chip of the connected display, the
// link type and the display's keys.
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/left_panel.h"
#include "app/page_helpers.h"
#include "app/page_host.h"
#include "app/pictures.h"
#include "app/widgets/k_radio_group.h"
#include "serial/nr_comm.h"
#include "serial/nr_device_box.h"

namespace {

constexpr int kLeftPanelWidth = 153;
constexpr int kControlWidth = 128;

}  // namespace

LeftPanel::LeftPanel(PageHost& host, TnrComm& comm, QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Panel1"));
    setAttribute(Qt::WA_StyledBackground, true);
    setFixedWidth(kLeftPanelWidth);
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(12, 10, kLeftPanelWidth - 12 - kControlWidth, 10);
    v->setSpacing(6);

    nrDeviceBox1 = new TnrDeviceBox(this);
    nrDeviceBox1->setObjectName(QStringLiteral("nrDeviceBox1"));
    nrDeviceBox1->setFixedWidth(kControlWidth);
    nrDeviceBox1->setAccessibleName(QStringLiteral("Serial port"));
    nrDeviceBox1->setPlaceholderText(QStringLiteral("No serial port"));
    nrDeviceBox1->SetErrorReport([&host](const QString& text) { host.reportError(text); });
    nrDeviceBox1->SetnrComm(&comm);
    v->addWidget(nrDeviceBox1);

    Button8 = form::button(this, "Button8", QStringLiteral("Connect"));
    Button8->setIcon(pictures::connect());
    Button8->setFixedSize(kControlWidth, 28);
    v->addWidget(Button8);

    Button2 = form::button(this, "Button2", QStringLiteral("Exit"));
    form::markSendsNothing(Button2);  // "Exit" asks first while a job runs
    Button2->setIcon(pictures::exitDoor());
    Button2->setFixedSize(kControlWidth, 28);
    v->addWidget(Button2);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setFixedSize(kControlWidth, kControlWidth);
    Image1->setPixmap(pictures::chip(kControlWidth));
    Image1->setAccessibleName(QStringLiteral("Connected display"));
    QSizePolicy keepPlace = Image1->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);  // the controls below do not move when it appears
    Image1->setSizePolicy(keepPlace);
    Image1->setVisible(false);
    v->addWidget(Image1);

    RadioGroup1 = new KRadioGroup(QString(), this);
    RadioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
    RadioGroup1->setAccessibleName(QStringLiteral("Link type"));
    RadioGroup1->setItems({QStringLiteral("UART"), QStringLiteral("Bluetooth"), QStringLiteral("WiFi")});
    RadioGroup1->setItemIndex(0);
    RadioGroup1->setFixedWidth(kControlWidth);
    v->addWidget(RadioGroup1);

    // The display's keys: arrows and long presses on the left, the resets beside them.
    auto* keys = new QGridLayout;
    keys->setContentsMargins(0, 4, 0, 0);
    keys->setHorizontalSpacing(4);
    keys->setVerticalSpacing(4);
    const int rightWidth = kControlWidth - 47 - 4;
    auto key = [&](const char* name, const QString& caption, const QString& spoken, int points, int w, int h) {
        QPushButton* b = form::button(this, name, caption, spoken);
        b->setFont(form::boldFont(points));
        b->setFixedSize(w, h);
        b->setProperty("keyButton", true);
        return b;
    };
    Button50 = key("Button50", QStringLiteral("\u2191"), QStringLiteral("Key up"), 20, 47, 34);
    Button49 = key("Button49", QStringLiteral("\u2193"), QStringLiteral("Key down"), 20, 47, 34);
    Button51 = key("Button51", QStringLiteral("Reset"), QString(), 12, rightWidth, 72);
    Button54 = key("Button54", QStringLiteral("LONG+"), QStringLiteral("Long press up"), 10, 47, 28);
    Button53 = key("Button53", QStringLiteral("LONG-"), QStringLiteral("Long press down"), 10, 47, 28);
    Button52 = key("Button52", QStringLiteral("Long Reset"), QString(), 8, rightWidth, 60);
    // Where Tahoma is missing the fallback face is wider: tighten the letters of a caption that
    // would touch its button's edges, keeping its size and weight.
    for (QPushButton* b : {Button54, Button53}) {
        QFont f = b->font();
        const int room = b->width() - 8;
        const int wide = QFontMetrics(f).horizontalAdvance(b->text());
        if (wide > room) {
            f.setLetterSpacing(QFont::AbsoluteSpacing, -qreal(wide - room) / qreal(b->text().size()));
            b->setFont(f);
        }
    }
    keys->addWidget(Button50, 0, 0);
    keys->addWidget(Button49, 1, 0);
    keys->addWidget(Button51, 0, 1, 2, 1);
    keys->addWidget(Button54, 2, 0);
    keys->addWidget(Button53, 3, 0);
    keys->addWidget(Button52, 2, 1, 2, 1);
    v->addLayout(keys);

    BitBtn19 = form::button(this, "BitBtn19", QStringLiteral("Reboot"));
    BitBtn19->setFont(form::boldFont(18));
    BitBtn19->setIcon(pictures::reboot());
    BitBtn19->setIconSize(QSize(24, 24));
    BitBtn19->setFixedSize(kControlWidth, 60);
    BitBtn19->setProperty("keyButton", true);
    v->addSpacing(4);
    v->addWidget(BitBtn19);
    v->addStretch(1);
}

QToolButton* LeftPanel::addSettingsFileButton()
{
    SettingsFileButton = new QToolButton(this);
    SettingsFileButton->setObjectName(QStringLiteral("SettingsFileButton"));
    SettingsFileButton->setText(QStringLiteral("Settings file"));
    SettingsFileButton->setAccessibleName(QStringLiteral("Settings file"));
    SettingsFileButton->setToolTip(
        QStringLiteral("Back up, compare or restore the display's settings; record a protocol trace for support"));
    SettingsFileButton->setPopupMode(QToolButton::InstantPopup);
    SettingsFileButton->setFixedSize(Button2->width(), 24);
    form::markSendsNothing(SettingsFileButton);  // its settings runs follow the loop; its trace items send nothing
    if (auto* v = qobject_cast<QVBoxLayout*>(layout()))
        v->insertWidget(v->indexOf(Button2) + 1, SettingsFileButton);
    return SettingsFileButton;
}
