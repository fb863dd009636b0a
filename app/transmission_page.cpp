// Page "Transmission": for each gear the speed at 2000 rpm and the ratio value the display
// stores, kept consistent as the user types; the gear pictures, the note and the "A/T" group.
#include <QGridLayout>
#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/transmission_page.h"
#include "app/page_host.h"
#include "app/page_helpers.h"
#include "app/pictures.h"
#include "app/settings_pictures.h"
#include "app/widgets/k_page_control.h"
#include "app/widgets/k_radio_group.h"
#include "app/widgets/k_spin_edit.h"
#include "settings/transmission.h"

namespace {

constexpr int kRowHeight = 30;

// The speed label "1 Gear  V =             km/h" with its box over the blanks between "=" and
// "km/h". The row paints the label itself, widening the run of blanks so that the box fits
// in it, and measures again whenever its font changes (the font is known only once the page
// is part of the window).
class SpeedRow : public QWidget {
public:
    SpeedRow(QWidget* parent, const QString& text, KSpinEdit* spin) : QWidget(parent), text_(text), spin_(spin)
    {
        setObjectName(QStringLiteral("speedLabel"));
        setAccessibleName(text);
        spin->setParent(this);
        relayout();
    }
    QString text() const { return text_; }

protected:
    void changeEvent(QEvent* event) override
    {
        if (event->type() == QEvent::FontChange)
            relayout();
        QWidget::changeEvent(event);
    }
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setPen(palette().color(QPalette::WindowText));
        const QRect r = rect();
        p.drawText(r, Qt::AlignLeft | Qt::AlignVCenter, prefix());
        p.drawText(r.adjusted(gapEnd_, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, text_.mid(unitAt()));
    }

private:
    qsizetype equalsAt() const { return text_.indexOf(QLatin1Char('=')); }
    qsizetype unitAt() const { return text_.indexOf(QStringLiteral("km/h")); }
    QString prefix() const { return text_.left(equalsAt() + 2); }

    void relayout()
    {
        constexpr int kBoxWidth = 50;
        const QFontMetrics fm(font());
        const int gapStart = fm.horizontalAdvance(prefix());
        const int naturalGap = fm.horizontalAdvance(text_.mid(equalsAt() + 2, unitAt() - equalsAt() - 2));
        gapEnd_ = gapStart + std::max(naturalGap, kBoxWidth + 8);
        const int width = gapEnd_ + fm.horizontalAdvance(text_.mid(unitAt())) + 4;
        const int height = std::max(kRowHeight - 6, spin_->sizeHint().height());
        setFixedSize(width, height);
        spin_->setGeometry(gapStart + (gapEnd_ - gapStart - kBoxWidth) / 2, 0, kBoxWidth, height);
        update();
    }

    QString text_;
    KSpinEdit* spin_;
    int gapEnd_ = 0;
};

// A group no narrower than its caption.
void fitCaption(QGroupBox* g) { g->setMinimumWidth(QFontMetrics(g->font()).horizontalAdvance(g->title()) + 24); }

}  // namespace

TransmissionPage::TransmissionPage(PageHost& host, QWidget* parent) : QWidget(parent), host_(host)
{
    setObjectName(QStringLiteral("TabSheet3"));
    setAccessibleName(QStringLiteral("Transmission"));
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(8, 8, 8, 8);

    auto* buttons = new QHBoxLayout;
    BitBtn24 = form::button(this, "BitBtn24", QStringLiteral("Read "));
    BitBtn24->setIcon(pictures::read());
    BitBtn25 = form::button(this, "BitBtn25", QStringLiteral("Save"));
    BitBtn25->setIcon(pictures::save());
    for (QPushButton* b : {BitBtn24, BitBtn25})
        b->setMinimumSize(110, 30);
    // Read and save side by side at the left: in reach without scrolling sideways.
    buttons->addWidget(BitBtn24);
    buttons->addWidget(BitBtn25);
    buttons->addStretch(1);

    QGroupBox* rpm = form::group(this, QStringLiteral("RPM/Speed"), "GroupBoxRpmSpeed");
    auto* rpmLayout = form::groupLayout<QVBoxLayout>(rpm);
    QGroupBox* speeds = form::group(this, QStringLiteral("Speed 2000 RPM on each gear."), "GroupBoxSpeed");
    auto* speedLayout = form::groupLayout<QVBoxLayout>(speeds);
    QGroupBox* ratios = form::group(this, QStringLiteral("Percentage"), "GroupBoxPercentage");
    auto* ratioLayout = form::groupLayout<QVBoxLayout>(ratios);
    for (QVBoxLayout* l : {rpmLayout, speedLayout, ratioLayout})
        l->setSpacing(0);
    for (QGroupBox* g : {rpm, speeds, ratios})
        fitCaption(g);

    // The boxes' designer names, gear 1 to 6.
    static constexpr const char* kSpeedBoxes[] = {"SpinEdit27", "SpinEdit28", "SpinEdit29",
                                                  "SpinEdit32", "SpinEdit31", "SpinEdit30"};
    static constexpr const char* kRatioBoxes[] = {"SpinEdit38", "SpinEdit37", "SpinEdit36",
                                                  "SpinEdit35", "SpinEdit33", "SpinEdit34"};
    const auto gears = gearRows();
    for (size_t g = 0; g < gears.size(); ++g) {
        const GearRow& gc = gears[g];
        const int number = static_cast<int>(g) + 1;
        auto* pictureLabel = new QLabel(rpm);
        pictureLabel->setPixmap(pictures::gear(number, kRowHeight - 4));
        pictureLabel->setFixedHeight(kRowHeight);
        pictureLabel->setAlignment(Qt::AlignCenter);
        pictureLabel->setAccessibleName(QStringLiteral("Gear %1").arg(number));
        rpmLayout->addWidget(pictureLabel);

        const QString label = QString::fromUtf8(gc.speedLabel);
        speed[g] = form::spin(speeds, kSpeedBoxes[g], kSpeedMin, kSpeedMax, gc.startSpeed, 1,
                              QStringLiteral("Gear %1 speed at 2000 rpm, km/h").arg(number));
        auto* speedHolder = new QWidget(speeds);
        speedHolder->setFixedHeight(kRowHeight);
        auto* sh = new QHBoxLayout(speedHolder);
        sh->setContentsMargins(0, 0, 0, 0);
        sh->addWidget(new SpeedRow(speedHolder, label, speed[g]));
        speedLayout->addWidget(speedHolder);

        ratio[g] = form::spin(ratios, kRatioBoxes[g], kRatioMin, kRatioMax, gc.startRatio, 1,
                              QStringLiteral("Gear %1 percentage").arg(number));
        ratio[g]->setFixedWidth(64);
        auto* ratioHolder = new QWidget(ratios);
        ratioHolder->setFixedHeight(kRowHeight);
        auto* rh = new QHBoxLayout(ratioHolder);
        rh->setContentsMargins(0, 0, 0, 0);
        rh->addWidget(ratio[g]);
        rh->addWidget(form::label(ratioHolder, QStringLiteral("%")));
        rh->addStretch(1);
        ratioLayout->addWidget(ratioHolder);
    }
    // The boxes keep each other consistent from now on; the start values stay as stored.
    for (int g = 0; g < kGears; ++g) {
        connect(speed[static_cast<size_t>(g)], &KSpinEdit::changed, this, [this, g] { coupleGear(g, true); });
        connect(ratio[static_cast<size_t>(g)], &KSpinEdit::changed, this, [this, g] { coupleGear(g, false); });
    }

    automatic = new KRadioGroup(QStringLiteral("A/T"), this);
    automatic->setObjectName(QStringLiteral("RadioGroupAT"));
    automatic->setAccessibleName(QStringLiteral("A/T"));
    QStringList automaticTexts;
    for (const char* t : automaticItems())
        automaticTexts << QString::fromUtf8(t);
    automatic->setItems(automaticTexts);
    automatic->setItemIndex(-1);

    auto* columns = new QHBoxLayout;
    columns->setSpacing(8);
    columns->addWidget(rpm);
    columns->addWidget(speeds);
    columns->addWidget(ratios);
    auto* side = new QVBoxLayout;
    side->addWidget(automatic);
    side->addStretch(1);
    columns->addLayout(side);
    columns->addStretch(1);

    page->addLayout(buttons);
    page->addLayout(columns);
    page->addWidget(form::label(this, QStringLiteral("Set V =200 for disable sixth gear"), "LabelSixthGear"));
    page->addStretch(1);
}

// SpinEdit27Change .. SpinEdit38Change: a change of one box sets its partner to 2000 divided by
// its value, halves to the even neighbour. The partner clamps, and raises its own change only
// when its shown text changes, which ends the chain.
void TransmissionPage::coupleGear(int gear, bool speedChanged)
{
    host_.guarded([this, gear, speedChanged] {
        const auto g = static_cast<size_t>(gear);
        KSpinEdit* changed = speedChanged ? speed[g] : ratio[g];
        KSpinEdit* partner = speedChanged ? ratio[g] : speed[g];
        partner->setValue(coupledValue(changed->Value()));
    });
}

void TransmissionPage::showTransmissionRatio(int gear, int ratio)
{
    if (gear >= 1 && gear <= kGears)
        this->ratio[static_cast<size_t>(gear - 1)]->setValue(ratio);
}

std::array<int, 6> TransmissionPage::ratios() const
{
    std::array<int, 6> values{};
    for (size_t g = 0; g < ratio.size(); ++g)
        values[g] = ratio[g]->Value();
    return values;
}
