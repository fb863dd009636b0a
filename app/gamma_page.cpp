// Sub-page "GAMMA" of "Screen Setup": one grid of spin edits per LCD controller family,
// built from the gamma tables, with the presets of the first table.
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <stdexcept>
#include <string>

#include "app/gamma_page.h"
#include "app/page_host.h"
#include "app/page_helpers.h"
#include "app/pictures.h"
#include "app/widgets/k_spin_edit.h"
#include "settings/gamma.h"

namespace {
constexpr int kGridColumns = 4;
}

GammaPage::GammaPage(PageHost& host, QWidget* parent) : QWidget(parent), host_(host)
{
    setObjectName(QStringLiteral("TabSheet6"));
    setAccessibleName(QStringLiteral("GAMMA"));
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(6, 6, 6, 6);

    QGroupBox* gamma = form::group(this, QStringLiteral("Gamma "), "GroupBoxGamma");
    auto* v = new QVBoxLayout(gamma);
    v->setContentsMargins(6, 10, 6, 6);
    v->setSpacing(4);
    auto* row = new QHBoxLayout;
    row->setSpacing(6);
    v->addLayout(row);

    Button36 = form::button(gamma, "Button36", QString::fromUtf8(presetIli9481().caption));
    Button34 = form::button(gamma, "Button34", QString::fromUtf8(presetHx8375b().caption));
    form::markSendsNothing(Button36);  // the presets only fill the fields
    form::markSendsNothing(Button34);
    connect(Button36, &QPushButton::clicked, this, &GammaPage::Button36Click);
    connect(Button34, &QPushButton::clicked, this, &GammaPage::Button34Click);
    row->addWidget(buildGammaGroup(gammaTableA(), {Button36, Button34}), 0, Qt::AlignTop);
    row->addWidget(buildGammaGroup(gammaTableB(), {}), 0, Qt::AlignTop);
    row->addWidget(buildGammaGroup(gammaTableC(), {}), 0, Qt::AlignTop);

    BitBtn33 = form::button(gamma, "BitBtn33", QStringLiteral("Save"), QStringLiteral("Save gamma"));
    BitBtn33->setIcon(pictures::save());
    BitBtn33->setMinimumSize(96, 30);
    row->addStretch(1);
    row->addWidget(BitBtn33, 0, Qt::AlignTop);

    page->addWidget(gamma);
    page->addStretch(1);
}

QGroupBox* GammaPage::buildGammaGroup(const GammaGrid& grid, const QList<QPushButton*>& above)
{
    const QString caption = QString::fromUtf8(grid.caption);
    QGroupBox* g = form::group(nullptr, caption);
    g->setObjectName(QStringLiteral("GroupBoxGamma%1").arg(QString::fromLatin1(grid.setButton)));
    auto* v = new QVBoxLayout(g);
    v->setContentsMargins(6, 14, 6, 6);
    v->setSpacing(5);

    for (QPushButton* b : above) {
        b->setParent(g);
        v->addWidget(b);
    }
    QPushButton* byDefault = form::button(g, grid.defaultButton, QStringLiteral("Set default GAMMA"));
    byDefault->setAccessibleDescription(caption);
    v->addWidget(byDefault);

    // The widest value decides the cell width, so the four columns line up.
    int widest = 0;
    for (const GammaCell& c : grid.cells)
        widest = std::max(widest, c.max);
    const int cellWidth = widest > 99 ? 47 : 40;

    auto* cells = new QGridLayout;
    cells->setHorizontalSpacing(3);
    cells->setVerticalSpacing(3);
    QLabel* positive = form::label(g, QString::fromUtf8(grid.positiveLabel));
    QLabel* negative = form::label(g, QString::fromUtf8(grid.negativeLabel));
    for (QLabel* l : {positive, negative})
        l->setAlignment(Qt::AlignCenter);
    cells->addWidget(positive, 0, 0, 1, 2);
    cells->addWidget(negative, 0, 2, 1, 2);
    for (const GammaCell& c : grid.cells) {
        const QString spoken = QStringLiteral("%1 %2, row %3, column %4")
                                   .arg(caption, QString::fromUtf8(c.column <= 2 ? grid.positiveLabel : grid.negativeLabel))
                                   .arg(c.row)
                                   .arg(c.column);
        KSpinEdit* s = form::spin(g, c.name, c.min, c.max, c.start, 1, spoken);
        s->setFixedWidth(cellWidth);
        cells_.append(s);
        cells->addWidget(s, c.row, c.column - 1);
    }
    for (const GammaLabel& l : grid.labels) {
        QLabel* text = form::label(g, QString::fromUtf8(l.text));
        text->setAlignment(Qt::AlignCenter);
        cells->addWidget(text, l.row, l.column - 1);
    }
    // Name the ninth row's values after their labels.
    for (const GammaLabel& l : grid.labels) {
        const int beside = l.column == 1 ? 2 : l.column == kGridColumns ? kGridColumns - 1 : 0;
        if (auto* item = cells->itemAtPosition(l.row, beside - 1))
            if (auto* s = qobject_cast<KSpinEdit*>(item->widget()))
                s->setAccessibleLabel(caption + QLatin1Char(' ')
                                      + QString::fromUtf8(l.text).replace(QLatin1Char('\n'), QLatin1Char(' ')));
    }
    for (int col = 0; col < kGridColumns; ++col)
        cells->setColumnMinimumWidth(col, cellWidth);
    v->addLayout(cells);

    QPushButton* set = form::button(g, grid.setButton, QStringLiteral("Set GAMMA"));
    set->setAccessibleDescription(caption);
    set->setIcon(pictures::send());
    v->addWidget(set);
    v->addStretch(1);
    return g;
}

void GammaPage::applyGammaPreset(const GammaPreset& preset)
{
    for (const auto& [name, value] : preset.values) {
        KSpinEdit* s = spinNamed(QString::fromLatin1(name));
        if (!s)
            throw std::invalid_argument("The window has no control named " + std::string(name));
        s->setValue(value);
    }
}

void GammaPage::Button36Click()
{
    host_.guarded([this] { applyGammaPreset(presetIli9481()); });
}

void GammaPage::Button34Click()
{
    host_.guarded([this] { applyGammaPreset(presetHx8375b()); });
}

KSpinEdit* GammaPage::spinNamed(QStringView name) const
{
    for (KSpinEdit* s : cells_)
        if (s->objectName() == name)
            return s;
    return nullptr;
}
