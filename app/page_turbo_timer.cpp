// Page "TurboTimer": the cooling run and the warm-up run, with the read and save buttons.
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/form3.h"
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

void TForm3::buildTurboTimerPage()
{
    TabSheet8 = new QWidget;
    TabSheet8->setObjectName(QStringLiteral("TabSheet8"));
    TabSheet8->setAccessibleName(QStringLiteral("TurboTimer"));
    auto* page = new QVBoxLayout(TabSheet8);
    page->setContentsMargins(8, 8, 8, 8);
    TurboTimerPageWidgets& w = turboTimerPage;

    auto* buttons = new QHBoxLayout;
    w.BitBtn26 = button(TabSheet8, "BitBtn26", QStringLiteral("Read "));
    w.BitBtn26->setIcon(pictures::read());
    w.BitBtn27 = button(TabSheet8, "BitBtn27", QStringLiteral("Save"));
    w.BitBtn27->setIcon(pictures::save());
    for (QPushButton* b : {w.BitBtn26, w.BitBtn27})
        b->setMinimumSize(110, 30);
    // Read and save side by side at the left: in reach without scrolling sideways.
    buttons->addWidget(w.BitBtn26);
    buttons->addWidget(w.BitBtn27);
    buttons->addStretch(1);

    auto makeGroup = [&](const QString& caption, const char* name, const QPixmap& art, KSpinEdit*& time, const char* timeName,
                         int timeMax, int timeStart, KSpinEdit*& temperature, const char* temperatureName, QCheckBox*& enable,
                         const char* enableName, const QString& enableCaption) {
        QGroupBox* g = form::group(TabSheet8, caption, name);
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
        makeGroup(QStringLiteral("Cooling"), "GroupBoxCooling", pictures::cooling(150, 90), w.SpinEdit90, "SpinEdit90", 300, 90,
                  w.SpinEdit106, "SpinEdit106", w.CheckBox3, "CheckBox3", QStringLiteral("Enable cooling"));
    QGroupBox* heat =
        makeGroup(QStringLiteral("Heat"), "GroupBoxHeat", pictures::heating(150, 90), w.SpinEdit107, "SpinEdit107", 1200, 300,
                  w.SpinEdit108, "SpinEdit108", w.CheckBox4, "CheckBox4", QStringLiteral("Enable heating"));
    auto* groups = new QHBoxLayout;
    groups->setSpacing(10);
    groups->addWidget(cooling);
    groups->addWidget(heat);
    groups->addStretch(1);

    page->addLayout(buttons);
    page->addLayout(groups);
    page->addStretch(1);
    cxPageControl1->addPage(TabSheet8, QStringLiteral("TurboTimer"));
}

void TForm3::showTurboTimer(const TurboTimerView& v)
{
    const TurboTimerPageWidgets& w = turboTimerPage;
    w.SpinEdit90->setValue(v.coolingTime);
    w.SpinEdit106->setValue(v.coolingTemperature);
    w.CheckBox3->setChecked(v.coolingOn);
    w.SpinEdit107->setValue(v.warmUpTime);
    w.SpinEdit108->setValue(v.warmUpTemperature);
    w.CheckBox4->setChecked(v.warmUpOn);
}
