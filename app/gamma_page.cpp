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

// The grids' designer names: the "Set default GAMMA" and "Set GAMMA" buttons, and the spin
// edits in the order of the grid's cells.
struct GridNames {
    const char* defaultButton;
    const char* setButton;
    std::span<const char* const> cells;
};
constexpr const char* kCellsA[] = {
    "SpinEdit7",  "SpinEdit19", "SpinEdit13", "SpinEdit23", "SpinEdit8",  "SpinEdit20", "SpinEdit14",
    "SpinEdit24", "SpinEdit9",  "SpinEdit21", "SpinEdit15", "SpinEdit25", "SpinEdit10", "SpinEdit22",
    "SpinEdit16", "SpinEdit26", "SpinEdit11", "SpinEdit17", "SpinEdit12", "SpinEdit18",
};
constexpr const char* kCellsB[] = {
    "SpinEdit75", "SpinEdit76", "SpinEdit91",  "SpinEdit92",  "SpinEdit77", "SpinEdit78",  "SpinEdit93",  "SpinEdit94",
    "SpinEdit79", "SpinEdit80", "SpinEdit95",  "SpinEdit96",  "SpinEdit81", "SpinEdit82",  "SpinEdit97",  "SpinEdit98",
    "SpinEdit83", "SpinEdit84", "SpinEdit99",  "SpinEdit100", "SpinEdit85", "SpinEdit86",  "SpinEdit101", "SpinEdit102",
    "SpinEdit87", "SpinEdit88", "SpinEdit103", "SpinEdit104", "SpinEdit89", "SpinEdit105",
};
constexpr const char* kCellsC[] = {
    "SpinEdit41", "SpinEdit42", "SpinEdit57", "SpinEdit58", "SpinEdit43", "SpinEdit44", "SpinEdit59", "SpinEdit60", "SpinEdit45",
    "SpinEdit46", "SpinEdit61", "SpinEdit62", "SpinEdit47", "SpinEdit48", "SpinEdit63", "SpinEdit64", "SpinEdit49", "SpinEdit50",
    "SpinEdit65", "SpinEdit66", "SpinEdit51", "SpinEdit52", "SpinEdit67", "SpinEdit68", "SpinEdit53", "SpinEdit54", "SpinEdit69",
    "SpinEdit70", "SpinEdit55", "SpinEdit56", "SpinEdit71", "SpinEdit72", "SpinEdit73", "SpinEdit74",
};

const GridNames& namesOf(const GammaGrid& grid)
{
    static const GridNames a{"Button33", "Button25", kCellsA};
    static const GridNames b{"Button41", "Button40", kCellsB};
    static const GridNames c{"Button35", "Button32", kCellsC};
    return &grid == &gammaTableA() ? a : &grid == &gammaTableB() ? b : c;
}

}  // namespace

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
    const GridNames& names = namesOf(grid);
    g->setObjectName(QStringLiteral("GroupBoxGamma%1").arg(QString::fromLatin1(names.setButton)));
    auto* v = new QVBoxLayout(g);
    v->setContentsMargins(6, 14, 6, 6);
    v->setSpacing(5);

    for (QPushButton* b : above) {
        b->setParent(g);
        v->addWidget(b);
    }
    QPushButton* byDefault = form::button(g, names.defaultButton, QStringLiteral("Set default GAMMA"));
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
    QList<KSpinEdit*>& spins = cells_[&grid];
    for (size_t i = 0; i < grid.cells.size(); ++i) {
        const GammaCell& c = grid.cells[i];
        const QString spoken = QStringLiteral("%1 %2, row %3, column %4")
                                   .arg(caption, QString::fromUtf8(c.column <= 2 ? grid.positiveLabel : grid.negativeLabel))
                                   .arg(c.row)
                                   .arg(c.column);
        KSpinEdit* s = form::spin(g, names.cells[i], c.min, c.max, c.start, 1, spoken);
        s->setFixedWidth(cellWidth);
        spins.append(s);
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

    QPushButton* set = form::button(g, names.setButton, QStringLiteral("Set GAMMA"));
    set->setAccessibleDescription(caption);
    set->setIcon(pictures::send());
    v->addWidget(set);
    v->addStretch(1);
    return g;
}

void GammaPage::applyGammaPreset(const GammaPreset& preset)
{
    const QList<KSpinEdit*>& spins = cells_.at(&gammaTableA());
    for (size_t i = 0; i < preset.values.size(); ++i)
        spins[static_cast<qsizetype>(i)]->setValue(preset.values[i]);
}

void GammaPage::Button36Click()
{
    host_.guarded([this] { applyGammaPreset(presetIli9481()); });
}

void GammaPage::Button34Click()
{
    host_.guarded([this] { applyGammaPreset(presetHx8375b()); });
}

KSpinEdit* GammaPage::cell(const GammaGrid& grid, size_t index) const
{
    return cells_.at(&grid).at(static_cast<qsizetype>(index));
}
