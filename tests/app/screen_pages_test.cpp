// The pages' own behaviour: brightness coupling, gamma grids and presets, the keys page and the
// image loader's slot rows.
#include "tests/app/form_fixture.h"

#include "app/widgets/k_edit.h"
#include "app/widgets/k_page_control.h"
#include "app/widgets/k_radio_group.h"
#include "app/widgets/k_scroll_bar.h"
#include "app/widgets/k_spin_edit.h"
#include "settings/gamma.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

#include <map>

namespace {

QPoint posIn(const QWidget* w, const QWidget* window) { return w->mapTo(window, QPoint(0, 0)); }

class ScreenSizePage : public FormTest {
protected:
    void SetUp() override
    {
        FormTest::SetUp();
        showPagesAsGreeted();
        form->cxPageControl1->setActivePage(form->cxTabSheet1);
        form->cxTabSheet1->PageControl1->setActivePage(form->cxTabSheet1->TabSheet9);
        QApplication::processEvents();
    }
    void type(const QString& text)
    {
        form->cxTabSheet1->TabSheet9->SpinEdit2->lineEdit()->setFocus();
        form->cxTabSheet1->TabSheet9->SpinEdit2->lineEdit()->selectAll();
        QTest::keyClicks(form->cxTabSheet1->TabSheet9->SpinEdit2->lineEdit(), text);
    }
};

TEST_F(ScreenSizePage, BrightnessControlsStartTogetherAtFullScale)
{
    EXPECT_EQ(form->cxTabSheet1->TabSheet9->SpinEdit2->MinValue(), 0);
    EXPECT_EQ(form->cxTabSheet1->TabSheet9->SpinEdit2->MaxValue(), 100);
    EXPECT_EQ(form->cxTabSheet1->TabSheet9->SpinEdit2->Increment(), 10);
    EXPECT_EQ(form->cxTabSheet1->TabSheet9->SpinEdit2->text(), QStringLiteral("100"));
    EXPECT_EQ(form->cxTabSheet1->TabSheet9->ScrollBar2->Min(), 0);
    EXPECT_EQ(form->cxTabSheet1->TabSheet9->ScrollBar2->Max(), 100);
    EXPECT_EQ(form->cxTabSheet1->TabSheet9->ScrollBar2->SmallChange(), 10);
    EXPECT_EQ(form->cxTabSheet1->TabSheet9->ScrollBar2->LargeChange(), 10);
    EXPECT_EQ(form->cxTabSheet1->TabSheet9->ScrollBar2->Position(), 100);
    // The "%" label follows the spin edit.
    const QList<QLabel*> percent = form->cxTabSheet1->TabSheet9->SpinEdit2->parentWidget()->findChildren<QLabel*>();
    bool found = false;
    for (QLabel* l : percent)
        if (l->text() == QStringLiteral("%"))
            found = posIn(l, form.get()).x() > posIn(form->cxTabSheet1->TabSheet9->SpinEdit2, form.get()).x();
    EXPECT_TRUE(found);
}

TEST_F(ScreenSizePage, TypingPastTheMaximumLeavesBothAtHundred)
{
    type(QStringLiteral("150"));
    EXPECT_EQ(form->cxTabSheet1->TabSheet9->ScrollBar2->Position(), 100);
    EXPECT_EQ(form->cxTabSheet1->TabSheet9->SpinEdit2->text(), QStringLiteral("100"));
    form->loop().request(1000, 0, 0);
    form->cxTabSheet1->TabSheet9->BitBtn30->click();
    EXPECT_EQ(form->loop().commandParameter(), 100);
}

TEST_F(ScreenSizePage, ClearingTheTextMovesTheBarToZero)
{
    type(QStringLiteral("70"));
    EXPECT_EQ(form->cxTabSheet1->TabSheet9->ScrollBar2->Position(), 70);
    form->cxTabSheet1->TabSheet9->SpinEdit2->lineEdit()->clear();
    EXPECT_EQ(form->cxTabSheet1->TabSheet9->ScrollBar2->Position(), 0);
    EXPECT_EQ(form->cxTabSheet1->TabSheet9->SpinEdit2->text(), QStringLiteral("0"));
}

TEST_F(ScreenSizePage, MovingTheBarShowsItsPositionAndArrowsMoveTheBar)
{
    form->cxTabSheet1->TabSheet9->ScrollBar2->setSliderPosition(30);  // what a drag does
    EXPECT_EQ(form->cxTabSheet1->TabSheet9->SpinEdit2->text(), QStringLiteral("30"));
    form->cxTabSheet1->TabSheet9->SpinEdit2->upButton()->click();
    EXPECT_EQ(form->cxTabSheet1->TabSheet9->SpinEdit2->Value(), 40);
    EXPECT_EQ(form->cxTabSheet1->TabSheet9->ScrollBar2->Position(), 40);
    form->cxTabSheet1->TabSheet9->ScrollBar2->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(form->cxTabSheet1->TabSheet9->SpinEdit2->Value(), 50);
    form->loop().request(1000, 0, 0);
    form->cxTabSheet1->TabSheet9->BitBtn30->click();
    EXPECT_EQ(form->loop().state(), 51);
    EXPECT_EQ(form->loop().commandCode(), 0x32);
    EXPECT_EQ(form->loop().commandParameter(), 50);
}

TEST_F(ScreenSizePage, GroupsAndButtonsCarryTheirCaptions)
{
    const std::map<const char*, const char*> captions = {{"BitBtn32", "Screen size setup"}, {"Button15", "\u2191 Up"},
                                                         {"Button14", "\u2193 Down"},       {"Button17", "\u2191 Up"},
                                                         {"Button16", "\u2193 Down"},       {"BitBtn31", "Save size"},
                                                         {"BitBtn30", "Brightness"},        {"Button19", "Sleep In"},
                                                         {"Button20", "Sleep Out"},         {"BitBtn44", "Show Back-nd"},
                                                         {"Button1222222222", "\u2191"},    {"Button3234234234", "\u2193"},
                                                         {"BitBtn48", "Save Background"},   {"BitBtn49", "Save"}};
    for (auto [name, caption] : captions)
        EXPECT_EQ(control<QPushButton>(name)->text(), QString::fromUtf8(caption)) << name;
    QStringList titles;
    for (QGroupBox* g : form->cxTabSheet1->TabSheet9->findChildren<QGroupBox*>())
        titles << g->title();
    for (const char* t : {"Screen size", "Debug", "Background", "Logo", "Anime", "Welcome Logo *logo.dta",
                          "Good bye Logog *bye.dta", "Model Name Logo *scrs.dta"})
        EXPECT_TRUE(titles.contains(QString::fromUtf8(t))) << t;
    // "Debug" sits inside "Screen size"; the top line's buttons stand above the bottom line's.
    auto* debug = form->cxTabSheet1->TabSheet9->findChild<QGroupBox*>(QStringLiteral("GroupBoxDebug"));
    ASSERT_NE(debug, nullptr);
    EXPECT_EQ(qobject_cast<QGroupBox*>(debug->parentWidget())->title(), QStringLiteral("Screen size"));
    EXPECT_LT(posIn(form->cxTabSheet1->TabSheet9->Button15, form.get()).y(),
              posIn(form->cxTabSheet1->TabSheet9->Button17, form.get()).y());
    EXPECT_FALSE(form->cxTabSheet1->TabSheet9->screenSizePicture->pixmap().isNull());
}

// ---------------------------------------------------------------- GAMMA

class GammaPage : public FormTest {
protected:
    void SetUp() override
    {
        FormTest::SetUp();
        showPagesAsGreeted();
        form->cxPageControl1->setActivePage(form->cxTabSheet1);
        QApplication::processEvents();
    }
    CellValue lookup(const GammaGrid& grid) const
    {
        return [this, &grid](size_t cell) { return form->gammaCell(grid, cell); };
    }
    KSpinEdit* cell(const GammaGrid& grid, size_t index) const { return form->cxTabSheet1->TabSheet6->cell(grid, index); }
};

TEST_F(GammaPage, GridsHoldEveryCellWithItsLimitsAndStartValueAligned)
{
    EXPECT_EQ(form->cxTabSheet1->PageControl1->ActivePage(), form->cxTabSheet1->TabSheet6) << "GAMMA in front";
    // Each grid's designer names: its spin edits in the order of its cells, "Set GAMMA" and
    // "Set default GAMMA".
    struct Names {
        const GammaGrid* grid;
        std::vector<const char*> cells;
        const char* setButton;
        const char* defaultButton;
    };
    const Names grids[] = {
        {&gammaTableA(),
         {"SpinEdit7",  "SpinEdit19", "SpinEdit13", "SpinEdit23", "SpinEdit8",  "SpinEdit20", "SpinEdit14",
          "SpinEdit24", "SpinEdit9",  "SpinEdit21", "SpinEdit15", "SpinEdit25", "SpinEdit10", "SpinEdit22",
          "SpinEdit16", "SpinEdit26", "SpinEdit11", "SpinEdit17", "SpinEdit12", "SpinEdit18"},
         "Button25",
         "Button33"},
        {&gammaTableB(),
         {"SpinEdit75", "SpinEdit76", "SpinEdit91",  "SpinEdit92",  "SpinEdit77", "SpinEdit78", "SpinEdit93",  "SpinEdit94",
          "SpinEdit79", "SpinEdit80", "SpinEdit95",  "SpinEdit96",  "SpinEdit81", "SpinEdit82", "SpinEdit97",  "SpinEdit98",
          "SpinEdit83", "SpinEdit84", "SpinEdit99",  "SpinEdit100", "SpinEdit85", "SpinEdit86", "SpinEdit101", "SpinEdit102",
          "SpinEdit87", "SpinEdit88", "SpinEdit103", "SpinEdit104", "SpinEdit89", "SpinEdit105"},
         "Button40",
         "Button41"},
        {&gammaTableC(),
         {"SpinEdit41", "SpinEdit42", "SpinEdit57", "SpinEdit58", "SpinEdit43", "SpinEdit44", "SpinEdit59",
          "SpinEdit60", "SpinEdit45", "SpinEdit46", "SpinEdit61", "SpinEdit62", "SpinEdit47", "SpinEdit48",
          "SpinEdit63", "SpinEdit64", "SpinEdit49", "SpinEdit50", "SpinEdit65", "SpinEdit66", "SpinEdit51",
          "SpinEdit52", "SpinEdit67", "SpinEdit68", "SpinEdit53", "SpinEdit54", "SpinEdit69", "SpinEdit70",
          "SpinEdit55", "SpinEdit56", "SpinEdit71", "SpinEdit72", "SpinEdit73", "SpinEdit74"},
         "Button32",
         "Button35"},
    };
    for (const auto& [grid, names, setName, defaultName] : grids) {
        SCOPED_TRACE(grid->caption);
        std::map<int, int> columnX, rowY;
        ASSERT_EQ(names.size(), grid->cells.size());
        for (size_t i = 0; i < grid->cells.size(); ++i) {
            const GammaCell& c = grid->cells[i];
            const char* name = names[i];
            KSpinEdit* spin = cell(*grid, i);
            EXPECT_EQ(spin->objectName(), QString::fromLatin1(name));
            EXPECT_EQ(spin->MinValue(), c.min) << name;
            EXPECT_EQ(spin->MaxValue(), c.max) << name;
            EXPECT_EQ(spin->Value(), c.start) << name;
            EXPECT_EQ(spin->Increment(), 1) << name;
            const QPoint p = posIn(spin, form.get());
            if (columnX.count(c.column)) {
                EXPECT_EQ(p.x(), columnX[c.column]) << name << " lines up with its column";
            } else {
                columnX[c.column] = p.x();
            }
            if (rowY.count(c.row)) {
                EXPECT_EQ(p.y(), rowY[c.row]) << name << " lines up with its row";
            } else {
                rowY[c.row] = p.y();
            }
            EXPECT_GE(spin->width(), spin->fontMetrics().horizontalAdvance(QString::number(c.max)) + 15 + 6)
                << name << " shows its largest value";
        }
        for (int col = 2; col <= 4; ++col) {
            if (columnX.count(col) && columnX.count(col - 1)) {
                EXPECT_GT(columnX[col], columnX[col - 1]);
            }
        }
        for (int row = 2; row <= 9; ++row) {
            if (rowY.count(row) && rowY.count(row - 1)) {
                EXPECT_GT(rowY[row], rowY[row - 1]);
            }
        }

        // The group: caption, column labels, and its buttons above and below the grid.
        auto* group = qobject_cast<QGroupBox*>(cell(*grid, 0)->parentWidget());
        ASSERT_NE(group, nullptr);
        EXPECT_EQ(group->title(), QString::fromUtf8(grid->caption));
        QStringList labels;
        for (QLabel* l : group->findChildren<QLabel*>())
            labels << l->text();
        EXPECT_TRUE(labels.contains(QString::fromUtf8(grid->positiveLabel)));
        EXPECT_TRUE(labels.contains(QString::fromUtf8(grid->negativeLabel)));
        for (const GammaLabel& l : grid->labels)
            EXPECT_TRUE(labels.contains(QString::fromUtf8(l.text))) << l.text;
        auto* set = control<QPushButton>(setName);
        auto* byDefault = control<QPushButton>(defaultName);
        EXPECT_EQ(set->parentWidget(), group);
        EXPECT_EQ(byDefault->parentWidget(), group);
        EXPECT_EQ(set->text(), QStringLiteral("Set GAMMA"));
        EXPECT_EQ(byDefault->text(), QStringLiteral("Set default GAMMA"));
        const int gridTop = rowY.begin()->second;
        const int gridBottom = rowY.rbegin()->second;
        EXPECT_LT(posIn(byDefault, form.get()).y(), gridTop);
        EXPECT_GT(posIn(set, form.get()).y(), gridBottom);
    }

    // A, B and C stand left to right, with "Save" at the top right.
    const int xA = posIn(control<QWidget>("SpinEdit7"), form.get()).x();
    const int xB = posIn(control<QWidget>("SpinEdit75"), form.get()).x();
    const int xC = posIn(control<QWidget>("SpinEdit41"), form.get()).x();
    EXPECT_LT(xA, xB);
    EXPECT_LT(xB, xC);
    EXPECT_GT(posIn(form->cxTabSheet1->TabSheet6->BitBtn33, form.get()).x(),
              posIn(control<QWidget>("SpinEdit58"), form.get()).x());
    EXPECT_LT(posIn(form->cxTabSheet1->TabSheet6->BitBtn33, form.get()).y(), posIn(control<QWidget>("Button35"), form.get()).y());
    EXPECT_EQ(form->cxTabSheet1->TabSheet6->BitBtn33->text(), QStringLiteral("Save"));
    // Group A's buttons from the top: the presets, then "Set default GAMMA".
    EXPECT_LT(posIn(form->cxTabSheet1->TabSheet6->Button36, form.get()).y(),
              posIn(form->cxTabSheet1->TabSheet6->Button34, form.get()).y());
    EXPECT_LT(posIn(form->cxTabSheet1->TabSheet6->Button34, form.get()).y(), posIn(control<QWidget>("Button33"), form.get()).y());
    EXPECT_EQ(form->cxTabSheet1->TabSheet6->Button36->text(), QStringLiteral("Def ILI-9481"));
    EXPECT_EQ(form->cxTabSheet1->TabSheet6->Button34->text(), QStringLiteral("Def HX-8375B"));
}

TEST_F(GammaPage, PresetsFillTableAAndSendNothing)
{
    struct Case {
        QPushButton* ::GammaPage::*button;
        const GammaPreset& (*preset)();
        std::vector<uint8_t> wire;
    };
    const Case cases[] = {
        {&::GammaPage::Button36, presetIli9481, {0x00, 0x32, 0x36, 0x45, 0x06, 0x16, 0x37, 0x75, 0x77, 0x54, 0x0C, 0x00}},
        {&::GammaPage::Button34, presetHx8375b, {0x00, 0x67, 0x04, 0x70, 0x00, 0x1E, 0x37, 0x01, 0x77, 0x07, 0x0F, 0x00}},
    };
    const std::vector<uint8_t> tableB = encodeGammaB(lookup(gammaTableB()));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.preset().caption);
        form->loop().request(1000, 0x11, 0x22);
        (form->cxTabSheet1->TabSheet6->*c.button)->click();
        for (size_t i = 0; i < c.preset().values.size(); ++i)
            EXPECT_EQ(cell(gammaTableA(), i)->Value(), c.preset().values[i]) << i;
        EXPECT_EQ(encodeGammaA(lookup(gammaTableA())), c.wire);
        EXPECT_EQ(encodeGammaB(lookup(gammaTableB())), tableB) << "other tables untouched";
        EXPECT_EQ(form->loop().state(), 1000);
        EXPECT_EQ(form->loop().commandCode(), 0x11);
    }
    EXPECT_TRUE(errors.isEmpty());
}

// ---------------------------------------------------------------- Keys emul

TEST_F(FormTest, KeysPageStartsClearWithTheMirrorCross)
{
    showPagesAsGreeted();
    form->cxPageControl1->setActivePage(form->cxTabSheet2);
    QApplication::processEvents();
    EXPECT_EQ(form->cxTabSheet2->SpinEdit1->MinValue(), 0);
    EXPECT_EQ(form->cxTabSheet2->SpinEdit1->MaxValue(), 64);
    EXPECT_EQ(form->cxTabSheet2->SpinEdit1->Value(), 0);
    EXPECT_EQ(form->cxTabSheet2->CheckBox1->text(), QStringLiteral("kl 15"));
    EXPECT_EQ(form->cxTabSheet2->CheckBox2->text(), QStringLiteral("s86"));
    EXPECT_FALSE(form->cxTabSheet2->CheckBox1->isChecked());
    EXPECT_FALSE(form->cxTabSheet2->CheckBox2->isChecked());
    EXPECT_EQ(form->cxTabSheet2->RadioGroup3->ItemIndex(), -1);
    ASSERT_EQ(form->cxTabSheet2->RadioGroup3->count(), 2);
    EXPECT_EQ(form->cxTabSheet2->RadioGroup3->button(0)->text(), QStringLiteral("Left"));
    EXPECT_EQ(form->cxTabSheet2->RadioGroup3->button(1)->text(), QStringLiteral("Right"));
    EXPECT_EQ(form->cxTabSheet2->RadioGroup3->button(0)->y(), form->cxTabSheet2->RadioGroup3->button(1)->y()) << "two columns";

    const QPoint up = posIn(form->cxTabSheet2->Button47, form.get()) + form->cxTabSheet2->Button47->rect().center();
    const QPoint down = posIn(form->cxTabSheet2->Button48, form.get()) + form->cxTabSheet2->Button48->rect().center();
    const QPoint left = posIn(form->cxTabSheet2->Button68, form.get()) + form->cxTabSheet2->Button68->rect().center();
    const QPoint right = posIn(form->cxTabSheet2->Button67, form.get()) + form->cxTabSheet2->Button67->rect().center();
    EXPECT_EQ(up.x(), down.x());
    EXPECT_EQ(left.y(), right.y());
    EXPECT_LT(up.y(), left.y());
    EXPECT_GT(down.y(), left.y());
    EXPECT_LT(left.x(), up.x());
    EXPECT_GT(right.x(), up.x());
    EXPECT_FALSE(form->cxTabSheet2->keysPicture->pixmap().isNull());
    EXPECT_LT(posIn(form->cxTabSheet2->keysPicture, form.get()).x(), posIn(form->cxTabSheet2->Button21, form.get()).x())
        << "the picture fills the left part";

    QStringList titles;
    for (QGroupBox* g : form->cxTabSheet2->findChildren<QGroupBox*>())
        titles << g->title();
    for (const char* t : {"Emulator", "Keys Emul", "Mirrors"})
        EXPECT_TRUE(titles.contains(QString::fromLatin1(t))) << t;

    // Two clicks on "kl 15": ignition on, then off.
    form->cxTabSheet2->CheckBox1->click();
    EXPECT_EQ(form->loop().commandCode(), 0x34);
    form->cxTabSheet2->CheckBox1->click();
    EXPECT_EQ(form->loop().commandCode(), 0x33);
}

// ---------------------------------------------------------------- Disk Image Loader

TEST_F(FormTest, ImageLoaderHasEightSlotRows)
{
    struct Row {
        const char* label;
        const char* box;
        const char* picker;
        const char* send;
    };
    const Row rows[] = {
        {"1. sys.imz", "Edit5", "BitBtn10", "BitBtn11"},    {"2. diask1.imz", "Edit11", "BitBtn12", "BitBtn13"},
        {"3. disk2.imz", "Edit12", "BitBtn14", "BitBtn15"}, {"4. disk3.imz", "Edit13", "BitBtn16", "BitBtn17"},
        {"5. fdisk.imz", "Edit74", "BitBtn36", "BitBtn37"}, {"6. backs.imz", "Edit75", "BitBtn38", "BitBtn39"},
        {"7. diag.imz", "Edit76", "BitBtn40", "BitBtn41"},  {"8. logos.imz", "Edit77", "BitBtn42", "BitBtn43"},
    };
    showPagesAsGreeted();
    QStringList labels;
    for (QLabel* l : form->TabSheet4->findChildren<QLabel*>())
        labels << l->text();
    EXPECT_TRUE(labels.contains(QStringLiteral("The page for uploading files to the built-in flash MFD version 7.6")));
    int previousY = -1;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.label);
        EXPECT_TRUE(labels.contains(QString::fromLatin1(r.label)));
        auto* box = control<KEdit>(r.box);
        auto* picker = control<QPushButton>(r.picker);
        auto* send = control<QPushButton>(r.send);
        EXPECT_EQ(box->text(), QStringLiteral("Select file...."));
        EXPECT_FALSE(box->isReadOnly()) << "a path can be typed";
        EXPECT_EQ(picker->text(), QStringLiteral("..."));
        EXPECT_EQ(send->text(), QStringLiteral("Send"));
        EXPECT_TRUE(picker->isEnabled());
        EXPECT_FALSE(send->isEnabled());
        const auto middle = [this](QWidget* w) { return posIn(w, form.get()).y() + w->height() / 2; };
        const int y = middle(box);
        EXPECT_NEAR(middle(picker), y, 1) << "one row";
        EXPECT_NEAR(middle(send), y, 1) << "one row";
        EXPECT_GT(y, previousY);
        previousY = y;
    }
    EXPECT_EQ(form->TabSheet4->Button38->text(), QStringLiteral("Check Flash Disk ..."));
    EXPECT_EQ(form->TabSheet4->BitBtn18->text(), QStringLiteral("Reboot"));
    EXPECT_EQ(form->TabSheet4->BitBtn35->text(), QStringLiteral("Wipe system sector"));
}

}  // namespace
