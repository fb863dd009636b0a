// The window's keyboard and contrast, its first place on the screen, and the questions asked
// before a command that cannot be undone.
#include "tests/app/form_fixture.h"

#include "app/guarded_commands.h"
#include "app/widgets/k_check_list_box.h"
#include "app/widgets/k_edit.h"
#include "app/widgets/k_page_control.h"
#include "app/window_placement.h"
#include "protocol/command_catalogue.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStyleOptionButton>

#include <cmath>

namespace {

// ---------------------------------------------------------------- questions

TEST(GuardQuestion, NamesWhatHappensAndEveryOtherButtonThatSendsTheSameCommand)
{
    const struct {
        const char* control;
        const char* code;
        std::vector<const char*> others;
    } cases[] = {
        {"BitBtn34", "0x10", {"\"Wipe system sector\""}},
        {"BitBtn35", "0x10", {"\"Erase Config\""}},
        {"Button38", "0x37", {"\"Reset SERVICE Records\" in the storage panel", "\"Reset SERVICE Records ...\" on the"}},
        {"BitBtn21", "0x37", {"\"Check Flash Disk ...\"", "\"Reset SERVICE Records ...\""}},
        {"BitBtn20", "0x37", {"\"Check Flash Disk ...\"", "\"Reset SERVICE Records\" in the storage panel"}},
        {"Button22", "0x28", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.control);
        const std::optional<Question> q = guardQuestion(c.control);
        ASSERT_TRUE(q.has_value());
        const QString caption = QString::fromUtf8(findCommandControl(c.control)->caption);
        EXPECT_EQ(q->title, caption);
        EXPECT_EQ(q->confirmCaption, caption) << "the button that goes ahead says what it does";
        EXPECT_TRUE(q->text.contains(QLatin1String(c.code))) << q->text.toStdString();
        EXPECT_TRUE(q->text.contains(QLatin1String("cannot be undone")));
        for (const char* other : c.others)
            EXPECT_TRUE(q->text.contains(QString::fromUtf8(other))) << other << " in: " << q->text.toStdString();
        if (c.others.empty()) {
            EXPECT_FALSE(q->text.contains(QLatin1String("same command"))) << q->text.toStdString();
        }
        EXPECT_TRUE(isGuardedCommand(c.control));
    }
    for (const char* free : {"BitBtn22", "BitBtn19", "BitBtn23", "Button50", "BitBtn9"}) {
        EXPECT_FALSE(guardQuestion(free).has_value()) << free;
        EXPECT_FALSE(isGuardedCommand(free)) << free;
    }
}

// ---------------------------------------------------------------- first place

TEST(FirstWindowFrame, DesignedSizeCentredWhereItFitsElseTheWholeAvailableArea)
{
    const QSize designed(1074, 693);
    const struct {
        QRect available;
        QRect frame;
    } cases[] = {
        {QRect(0, 0, 1920, 1040), QRect(423, 173, 1074, 693)},
        {QRect(0, 0, 1366, 728), QRect(146, 17, 1074, 693)},
        {QRect(0, 0, 960, 510), QRect(0, 0, 960, 510)},             // 1920 x 1080 at scale 2, with a panel
        {QRect(0, 27, 1074, 692), QRect(0, 27, 1074, 692)},         // one pixel short of the height
        {QRect(1920, 0, 1280, 1024), QRect(2023, 165, 1074, 693)},  // a second screen
    };
    for (const auto& c : cases) {
        const QRect got = firstWindowFrame(c.available, designed);
        EXPECT_EQ(got, c.frame) << c.available.width() << "x" << c.available.height();
        EXPECT_TRUE(c.available.contains(got));
    }
}

// ---------------------------------------------------------------- keyboard

TEST_F(FormTest, ConnectAndExitHaveShortcutsNamedInTheirTooltips)
{
    for (QPushButton* b : {form->Panel1->Button8, form->Panel1->Button2}) {
        ASSERT_FALSE(b->shortcut().isEmpty()) << b->text().toStdString();
        EXPECT_TRUE(b->toolTip().contains(b->shortcut().toString(QKeySequence::NativeText))) << b->toolTip().toStdString();
    }
    EXPECT_NE(form->Panel1->Button8->shortcut(), form->Panel1->Button2->shortcut());
}

TEST_F(FormTest, TabPassesTheStorageSizesAndNeverGoesFromSaveConfigToEraseConfig)
{
    for (KEdit* field :
         {form->Panel2->Edit6, form->Panel2->Edit7, form->Panel2->Edit8, form->Panel2->Edit9, form->Panel2->Edit10})
        EXPECT_FALSE(field->focusPolicy() & Qt::TabFocus) << field->objectName().toStdString();

    // The neighbours of "Save Config" in the tab chain, either way.
    auto tabStop = [](QWidget* from, bool forward) {
        QWidget* w = from;
        do
            w = forward ? w->nextInFocusChain() : w->previousInFocusChain();
        while (w != from && !(w->focusPolicy() & Qt::TabFocus));
        return w;
    };
    for (bool forward : {true, false}) {
        EXPECT_NE(tabStop(form->TabSheet1->BitBtn23, forward), form->TabSheet1->BitBtn34)
            << (forward ? "after" : "before") << " Save Config";
        EXPECT_NE(tabStop(form->TabSheet1->BitBtn34, forward), form->TabSheet1->BitBtn23);
    }
    // Every control of the page is still on the way from "Read Config" to "Erase Config".
    int stops = 0;
    for (QWidget* w = tabStop(form->TabSheet1->BitBtn22, true); w != form->TabSheet1->BitBtn34 && stops < 500;
         w = tabStop(w, true))
        stops += form->TabSheet1->isAncestorOf(w);
    EXPECT_GT(stops, 15);
    EXPECT_LT(stops, 500);
}

// How much brighter the lighter of two colours is, as the ratio of their relative luminances.
double contrast(QColor a, QColor b)
{
    auto lum = [](QColor c) {
        auto ch = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * ch(c.redF()) + 0.7152 * ch(c.greenF()) + 0.0722 * ch(c.blueF());
    };
    const double la = lum(a), lb = lum(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The pixels of `w` as the window shows them, with a margin around it.
QImage shownAround(TForm3& form, QWidget* w, int margin)
{
    const QRect r(w->mapTo(&form, QPoint(-margin, -margin)), w->size() + QSize(2 * margin, 2 * margin));
    return form.grab(r).toImage();
}

// Pixels of `after` in the focus colour that were not in it in `before`.
int focusPixels(const QImage& before, const QImage& after)
{
    const QColor ring(0xff, 0xc8, 0x57);
    auto near = [&](QRgb p) {
        return std::abs(qRed(p) - ring.red()) < 40 && std::abs(qGreen(p) - ring.green()) < 40
            && std::abs(qBlue(p) - ring.blue()) < 50;
    };
    int n = 0;
    for (int y = 0; y < std::min(before.height(), after.height()); ++y)
        for (int x = 0; x < std::min(before.width(), after.width()); ++x)
            n += near(after.pixel(x, y)) && !near(before.pixel(x, y));
    return n;
}

bool insideQtParts(const QWidget* w, const QWidget* window)
{
    for (const QWidget* p = w->parentWidget(); p && p != window; p = p->parentWidget())
        if (qobject_cast<const QComboBox*>(p) || qobject_cast<const QFileDialog*>(p))
            return true;
    return w->objectName().startsWith(QLatin1String("qt_"));
}

TEST_F(FormTest, EveryControlThatTakesTheFocusShowsABrightRing)
{
    showPagesAsGreeted();
    form->setChipVisible(true);
    form->activateWindow();
    QApplication::setActiveWindow(form.get());
    QWidget* pages[] = {form->TabSheet1, form->cxTabSheet1, form->cxTabSheet5, form->TabSheet8,
                        form->TabSheet3, form->cxTabSheet2, form->TabSheet4,   form->cxTabSheet4};
    QStringList faint;
    QSet<QWidget*> tried;
    for (QWidget* page : pages) {
        form->cxPageControl1->setActivePage(page);
        QApplication::processEvents();
        for (QWidget* w : form->findChildren<QWidget*>()) {
            if (tried.contains(w) || !w->isVisible() || !w->isEnabled() || !(w->focusPolicy() & Qt::TabFocus)
                || insideQtParts(w, form.get()) || w->focusProxy())
                continue;
            tried.insert(w);
            form->setFocus();      // somewhere else first
            scrollIntoView(w, 4);  // the focus ring around it too
            const QImage before = shownAround(*form, w, 3);
            w->setFocus(Qt::TabFocusReason);
            QApplication::processEvents();
            if (!w->hasFocus()) {
                faint << w->objectName() + QStringLiteral(" (takes no focus)");
                continue;
            }
            const int ring = focusPixels(before, shownAround(*form, w, 3));
            if (ring < 40)
                faint << w->objectName() + QLatin1Char('(') + w->metaObject()->className() + QStringLiteral(") ")
                        + QString::number(ring);
        }
    }
    EXPECT_GT(tried.size(), 100) << "the walk reached the pages' controls";
    EXPECT_TRUE(faint.isEmpty()) << faint.join(QStringLiteral(", ")).toStdString();
}

TEST_F(FormTest, AnUntickedBoxStandsOutFromItsBackground)
{
    showPagesAsGreeted();
    // A check box of its own and the ticks of a check list.
    form->cxPageControl1->setActivePage(form->cxTabSheet2);
    QApplication::processEvents();
    QCheckBox* box = form->cxTabSheet2->CheckBox2;
    ASSERT_FALSE(box->isChecked());
    QStyleOptionButton option;
    option.initFrom(box);
    const QRect indicator = box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
    const QImage shown = shownAround(*form, box, 4);
    const qreal dpr = shown.devicePixelRatio();                                       // the picture's pixels per window unit
    const QPoint edge = indicator.topLeft() + QPoint(4, 4 + indicator.height() / 2);  // its left border
    const QColor frame = shown.pixelColor((QPointF(edge) * dpr).toPoint());
    const QColor around = shown.pixelColor((QPointF(1, 4 + indicator.center().y()) * dpr).toPoint());
    EXPECT_GE(contrast(frame, around), 4.5) << "frame " << frame.name().toStdString() << " on " << around.name().toStdString();

    form->cxPageControl1->setActivePage(form->cxTabSheet5);
    QApplication::processEvents();
    auto* list = form->findChild<KCheckListBox*>(QStringLiteral("CheckListBox1"));
    ASSERT_NE(list, nullptr);
    list->setMask(0);
    const QRect row = list->visualItemRect(list->item(0));
    const QImage rowShown = form->grab(QRect(list->viewport()->mapTo(form.get(), row.topLeft()), row.size())).toImage();
    const QColor background = rowShown.pixelColor(rowShown.width() - 3, rowShown.height() / 2);
    double best = 0;
    for (int x = 0; x < std::min(24, rowShown.width()); ++x)
        for (int y = 0; y < rowShown.height(); ++y)
            best = std::max(best, contrast(rowShown.pixelColor(x, y), background));
    EXPECT_GE(best, 4.5) << "the empty tick of a check list";
}

}  // namespace
