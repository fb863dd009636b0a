// Page "TurboTimer": the cooling run and the warm-up run, with the read and save buttons.
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/turbo_timer_page.h"
#include "app/page_host.h"
#include "app/page_helpers.h"
#include "app/pictures.h"
#include "app/settings_pictures.h"
#include "app/widgets/k_page_control.h"
#include "app/widgets/k_spin_edit.h"
#include "settings/turbo_timer.h"

namespace {

QLabel* picture(QWidget* parent, const QPixmap& pm, const QString& spoken)
{
    auto* l = new QLabel(parent);
    l->setPixmap(pm);
    l->setAccessibleName(spoken);
    return l;
}

// A row: a small picture, the caption, the spin edit.
void spinRow(QGridLayout* grid, int r, QWidget* parent, const QIcon& icon, const QString& caption, KSpinEdit* spin)
{
    grid->addWidget(picture(parent, icon.pixmap(16, 16), caption), r, 0);
    auto* l = form::label(parent, caption);
    l->setBuddy(spin);
    grid->addWidget(l, r, 1);
    spin->setFixedWidth(80);
    grid->addWidget(spin, r, 2);
}

}  // namespace

TurboTimerPage::TurboTimerPage(PageHost& host, QWidget* parent) : QWidget(parent), host_(host)
{
    setObjectName(QStringLiteral("TabSheet8"));
    setAccessibleName(QStringLiteral("TurboTimer"));
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(8, 8, 8, 8);

    auto* buttons = new QHBoxLayout;
    BitBtn26 = form::button(this, "BitBtn26", QStringLiteral("Read "));
    BitBtn26->setIcon(pictures::read());
    BitBtn27 = form::button(this, "BitBtn27", QStringLiteral("Save"));
    BitBtn27->setIcon(pictures::save());
    for (QPushButton* b : {BitBtn26, BitBtn27})
        b->setMinimumSize(110, 30);
    // Read and save side by side at the left: in reach without scrolling sideways.
    buttons->addWidget(BitBtn26);
    buttons->addWidget(BitBtn27);
    buttons->addStretch(1);

    auto makeGroup = [&](const QString& caption, const char* name, const QPixmap& art, KSpinEdit*& time, const char* timeName,
                         int timeMax, int timeStart, KSpinEdit*& temperature, const char* temperatureName, QCheckBox*& enable,
                         const char* enableName, const QString& enableCaption) {
        QGroupBox* g = form::group(this, caption, name);
        auto* v = form::groupLayout<QVBoxLayout>(g);
        auto* art_ = picture(g, art, caption);
        art_->setAlignment(Qt::AlignCenter);
        v->addWidget(art_);
        auto* grid = new QGridLayout;
        grid->setHorizontalSpacing(6);
        time = form::spin(g, timeName, 0, timeMax, timeStart, 30, caption + QStringLiteral(", Time (sec)"));
        temperature = form::spin(g, temperatureName, 50, 100, 90, 1, caption + QStringLiteral(", Temperature"));
        spinRow(grid, 0, g, pictures::stopwatch(), QStringLiteral("Time (sec)"), time);
        spinRow(grid, 1, g, pictures::thermometer(), QStringLiteral("Temperature"), temperature);
        grid->setColumnStretch(1, 1);
        v->addLayout(grid);
        enable = new QCheckBox(enableCaption, g);
        enable->setObjectName(QString::fromLatin1(enableName));
        enable->setAccessibleName(enableCaption);
        v->addWidget(enable);
        v->addStretch(1);
        return g;
    };
    QGroupBox* cooling =
        makeGroup(QStringLiteral("Cooling"), "GroupBoxCooling", pictures::cooling(150, 90), SpinEdit90, "SpinEdit90", 300, 90,
                  SpinEdit106, "SpinEdit106", CheckBox3, "CheckBox3", QStringLiteral("Enable cooling"));
    QGroupBox* heat = makeGroup(QStringLiteral("Heat"), "GroupBoxHeat", pictures::heating(150, 90), SpinEdit107, "SpinEdit107",
                                1200, 300, SpinEdit108, "SpinEdit108", CheckBox4, "CheckBox4", QStringLiteral("Enable heating"));
    auto* groups = new QHBoxLayout;
    groups->setSpacing(10);
    groups->addWidget(cooling);
    groups->addWidget(heat);
    groups->addStretch(1);

    page->addLayout(buttons);
    page->addLayout(groups);
    page->addStretch(1);
}

void TurboTimerPage::showTurboTimer(const TurboTimerView& v)
{
    SpinEdit90->setValue(v.coolingTime);
    SpinEdit106->setValue(v.coolingTemperature);
    CheckBox3->setChecked(v.coolingOn);
    SpinEdit107->setValue(v.warmUpTime);
    SpinEdit108->setValue(v.warmUpTemperature);
    CheckBox4->setChecked(v.warmUpOn);
}

TurboTimerRecord TurboTimerPage::recordToSave() const
{
    auto word = [](int v) { return static_cast<uint16_t>(v); };
    return {word(SpinEdit90->Value()),  word(SpinEdit106->Value()), word(CheckBox3->isChecked() ? 1 : 0),
            word(SpinEdit107->Value()), word(SpinEdit108->Value()), word(CheckBox4->isChecked() ? 1 : 0)};
}
