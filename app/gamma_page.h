#pragma once
// Sub-page "GAMMA" of "Screen Setup": one grid of spin edits per LCD controller family, built
// from the gamma tables, with the presets of the first table.
#include <QList>
#include <QWidget>

#include <cstddef>
#include <map>

class KSpinEdit;
class PageHost;
class QGroupBox;
class QPushButton;
struct GammaGrid;
struct GammaPreset;

class GammaPage : public QWidget {
    Q_OBJECT
public:
    explicit GammaPage(PageHost& host, QWidget* parent = nullptr);

    void Button36Click();  // "Def ILI-9481"
    void Button34Click();  // "Def HX-8375B"
    // The spin edit of a grid's cell, by its index in the grid's cells.
    KSpinEdit* cell(const GammaGrid& grid, size_t index) const;

    QPushButton* BitBtn33 = nullptr;  // "Save"
    QPushButton* Button36 = nullptr;  // "Def ILI-9481"
    QPushButton* Button34 = nullptr;  // "Def HX-8375B"

private:
    QGroupBox* buildGammaGroup(const GammaGrid& grid, const QList<QPushButton*>& above);
    void applyGammaPreset(const GammaPreset& preset);
    PageHost& host_;
    std::map<const GammaGrid*, QList<KSpinEdit*>> cells_;  // each grid's spin edits, in the order of its cells
};
