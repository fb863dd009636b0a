// Behaviours of the widget layer that the pages rely on.
#include "app/widgets/k_check_list_box.h"
#include "app/widgets/k_combo_box.h"
#include "app/widgets/k_edit.h"
#include "app/widgets/k_page_control.h"
#include "app/widgets/k_radio_group.h"
#include "app/widgets/k_repaint_pacer.h"
#include "app/widgets/k_scroll_bar.h"
#include "app/widgets/k_spin_edit.h"
#include "app/widgets/k_status_bar.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include <climits>

namespace {

// ---------------------------------------------------------------- KSpinEdit

struct SpinCase {
    const char* text;
    int min, max;
    int expected;
};

class SpinEditValue : public ::testing::TestWithParam<SpinCase> {};

TEST_P(SpinEditValue, TextIsReadAsNumberClampedOrMinimum)
{
    const SpinCase& c = GetParam();
    KSpinEdit spin;
    spin.setLimits(c.min, c.max);
    spin.setText(QString::fromUtf8(c.text));
    EXPECT_EQ(spin.Value(), c.expected) << "text '" << c.text << "'";
    EXPECT_EQ(spin.text(), QString::fromUtf8(c.text)) << "reading the value must not rewrite the text";
}

INSTANTIATE_TEST_SUITE_P(Cases, SpinEditValue,
                         ::testing::Values(SpinCase{"70", 0, 100, 70}, SpinCase{"150", 0, 100, 100}, SpinCase{"-5", 0, 100, 0},
                                           SpinCase{"", 0, 100, 0}, SpinCase{"", 3, 9, 3}, SpinCase{"abc", 3, 9, 3},
                                           SpinCase{"12x", 0, 100, 0}, SpinCase{"99999999999", 0, 255, 0},
                                           SpinCase{"-3", -10, 10, -3}, SpinCase{"135", 0, 135, 135}));

TEST(SpinEdit, EveryTextChangeNotifiesAndSettingTheShownValueDoesNot)
{
    KSpinEdit spin;
    spin.setLimits(0, 100);
    spin.setValue(40);
    QSignalSpy changes(&spin, &KSpinEdit::changed);

    spin.setValue(40);
    EXPECT_EQ(changes.count(), 0) << "the same value again is no change";

    spin.setValue(250);
    EXPECT_EQ(spin.text(), QStringLiteral("100")) << "setting clamps";
    EXPECT_EQ(changes.count(), 1);

    spin.lineEdit()->selectAll();
    QTest::keyClicks(spin.lineEdit(), QStringLiteral("57"));
    EXPECT_EQ(changes.count(), 3) << "each typed character is a change";
    EXPECT_EQ(spin.Value(), 57);

    spin.setText(QString());
    EXPECT_EQ(changes.count(), 4);
    EXPECT_EQ(spin.Value(), 0);
}

TEST(SpinEdit, ArrowsKeysStepByIncrementWithinLimits)
{
    KSpinEdit spin;
    spin.setLimits(0, 100);
    spin.setIncrement(10);
    spin.setValue(95);
    spin.upButton()->click();
    EXPECT_EQ(spin.Value(), 100) << "stepping stops at the maximum";
    spin.downButton()->click();
    EXPECT_EQ(spin.Value(), 90);
    QTest::keyClick(spin.lineEdit(), Qt::Key_Down);
    EXPECT_EQ(spin.Value(), 80);
    QTest::keyClick(spin.lineEdit(), Qt::Key_Up);
    EXPECT_EQ(spin.Value(), 90);
    spin.setValue(5);
    spin.stepBy(-1);
    EXPECT_EQ(spin.Value(), 0) << "stepping stops at the minimum";

    spin.setText(QStringLiteral("oops"));
    spin.upButton()->click();
    EXPECT_EQ(spin.Value(), 10) << "a text that is not a number steps from the minimum";

    spin.setEnabled(false);
    spin.upButton()->click();
    EXPECT_EQ(spin.Value(), 10) << "a disabled field does not step";
}

TEST(SpinEdit, OnlySignAndDigitsCanBeTyped)
{
    KSpinEdit spin;
    spin.setLimits(-50, 50);
    spin.lineEdit()->clear();
    QTest::keyClicks(spin.lineEdit(), QStringLiteral("-1a2.5"));
    EXPECT_EQ(spin.text(), QStringLiteral("-125"));
    EXPECT_EQ(spin.Value(), -50);
}

TEST(SpinEdit, LeavingTheFieldShowsTheValueItStandsFor)
{
    QWidget window;
    KSpinEdit spin(&window);
    QLineEdit other(&window);
    spin.setLimits(0, 64);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    spin.lineEdit()->setFocus();
    spin.setText(QStringLiteral("900"));
    other.setFocus();
    EXPECT_EQ(spin.text(), QStringLiteral("64"));
    spin.lineEdit()->setFocus();
    spin.setText(QString());
    other.setFocus();
    EXPECT_EQ(spin.text(), QStringLiteral("0"));
}

// ---------------------------------------------------------------- KComboBox

TEST(ComboBox, SelectingOutsideTheItemsClearsTheSelection)
{
    KComboBox box;
    box.setItems({QStringLiteral("UART"), QStringLiteral("Bluetooth"), QStringLiteral("WiFi")});
    EXPECT_EQ(box.ItemIndex(), -1) << "new items start with nothing selected";
    struct {
        int set;
        int expected;
        QString text;
    } cases[] = {
        {1, 1, QStringLiteral("Bluetooth")},
        {2, 2, QStringLiteral("WiFi")},
        {3, -1, QString()},
        {0, 0, QStringLiteral("UART")},
        {-1, -1, QString()},
        {99, -1, QString()},
    };
    for (const auto& c : cases) {
        box.setItemIndex(c.set);
        EXPECT_EQ(box.ItemIndex(), c.expected) << "set " << c.set;
        EXPECT_EQ(box.Text(), c.text) << "set " << c.set;
    }
}

TEST(ComboBox, EditableBoxKeepsFreeTextAndPlaceholder)
{
    KComboBox box;
    box.setEditable(true);
    box.setItems({QStringLiteral("/"), QStringLiteral("/logos")});
    box.setPlaceholder(QStringLiteral("SD folder"));
    EXPECT_EQ(box.lineEdit()->placeholderText(), QStringLiteral("SD folder"));
    EXPECT_EQ(box.placeholderText(), QStringLiteral("SD folder"));

    QSignalSpy changes(&box, &KComboBox::changed);
    box.setText(QStringLiteral("/music"));
    EXPECT_EQ(box.Text(), QStringLiteral("/music")) << "free text that is no item";
    EXPECT_EQ(changes.count(), 0) << "text set by code is no user change";
    box.lineEdit()->selectAll();
    QTest::keyClicks(box.lineEdit(), QStringLiteral("/x"));
    EXPECT_EQ(box.Text(), QStringLiteral("/x"));
    EXPECT_GE(changes.count(), 1);
}

TEST(ComboBox, TextIsWhatTheBoxShowsThePlaceholderWhileEmpty)
{
    for (bool editable : {false, true}) {
        KComboBox box;
        box.setEditable(editable);
        box.setItems({QStringLiteral("10 - first"), QStringLiteral("11 - second")});
        box.setPlaceholder(QStringLiteral("3. Type of Display"));
        EXPECT_EQ(box.Text(), QStringLiteral("3. Type of Display")) << "editable " << editable;
        box.setItemIndex(1);
        EXPECT_EQ(box.Text(), QStringLiteral("11 - second")) << "editable " << editable;
        box.clearShown();
        EXPECT_EQ(box.ItemIndex(), -1);
        EXPECT_EQ(box.Text(), QStringLiteral("3. Type of Display")) << "cleared, editable " << editable;
        if (editable) {
            box.lineEdit()->setFocus();
            QTest::keyClicks(box.lineEdit(), QStringLiteral("25"));
            EXPECT_EQ(box.Text(), QStringLiteral("25")) << "typed text wins over the placeholder";
        }
    }
}

TEST(ComboBox, PlainBoxSetsTextBySelectingTheItem)
{
    KComboBox box;
    box.setItems({QStringLiteral("a"), QStringLiteral("b")});
    box.setText(QStringLiteral("b"));
    EXPECT_EQ(box.ItemIndex(), 1);
    box.setText(QStringLiteral("zz"));
    EXPECT_EQ(box.ItemIndex(), -1);
}

// ---------------------------------------------------------------- KCheckListBox

TEST(CheckListBox, TicksTravelAsMaskWithFirstItemInLowestBit)
{
    KCheckListBox list;
    list.setItems({"a", "b", "c", "d", "e"});
    EXPECT_EQ(list.mask(), 0u);
    list.setChecked(0, true);
    list.setChecked(3, true);
    EXPECT_EQ(list.mask(), 0b01001u);
    list.setMask(0b10110u | 0x80u);  // bit 7 has no item and is dropped
    EXPECT_FALSE(list.Checked(0));
    EXPECT_TRUE(list.Checked(1));
    EXPECT_TRUE(list.Checked(2));
    EXPECT_FALSE(list.Checked(3));
    EXPECT_TRUE(list.Checked(4));
    EXPECT_EQ(list.mask(), 0b10110u);
    list.setChecked(17, true);  // no such item: ignored
    EXPECT_FALSE(list.Checked(17));
}

TEST(CheckListBox, OnlyUserTicksAreReported)
{
    KCheckListBox list;
    list.setItems({"a", "b"});
    QSignalSpy clicks(&list, &KCheckListBox::clickCheck);
    list.setMask(3);
    EXPECT_EQ(clicks.count(), 0);
    list.item(1)->setCheckState(Qt::Unchecked);  // what a click on the box does
    ASSERT_EQ(clicks.count(), 1);
    EXPECT_EQ(clicks.at(0).at(0).toInt(), 1);
}

// ---------------------------------------------------------------- KRadioGroup

TEST(RadioGroup, ItemIndexIsMinusOneForNoneAndClearsOutsideTheItems)
{
    KRadioGroup group(QStringLiteral("Mirrors"));
    group.setItems({QStringLiteral("Left"), QStringLiteral("Right")});
    EXPECT_EQ(group.ItemIndex(), -1);
    EXPECT_EQ(group.title(), QStringLiteral("Mirrors"));
    struct {
        int set;
        int expected;
    } cases[] = {{0, 0}, {1, 1}, {-1, -1}, {1, 1}, {5, -1}};
    for (const auto& c : cases) {
        group.setItemIndex(c.set);
        EXPECT_EQ(group.ItemIndex(), c.expected) << "set " << c.set;
    }
    QSignalSpy clicks(&group, &KRadioGroup::clicked);
    group.button(1)->click();
    EXPECT_EQ(group.ItemIndex(), 1);
    group.button(0)->click();
    EXPECT_EQ(group.ItemIndex(), 0) << "choosing one item releases the other";
    ASSERT_EQ(clicks.count(), 2);
    EXPECT_EQ(clicks.at(1).at(0).toInt(), 0);
}

TEST(RadioGroup, ColumnsFillTopToBottomThenLeftToRight)
{
    QWidget window;
    KRadioGroup group(QString(), &window);
    group.setItems({"a", "b", "c", "d", "e"});
    group.setColumns(2);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const auto pos = [&](int i) { return group.button(i)->geometry().topLeft(); };
    EXPECT_EQ(pos(0).x(), pos(1).x());
    EXPECT_EQ(pos(0).x(), pos(2).x());
    EXPECT_GT(pos(3).x(), pos(0).x()) << "the fourth item opens the second column";
    EXPECT_EQ(pos(3).y(), pos(0).y());
    EXPECT_EQ(group.Columns(), 2);
}

// ---------------------------------------------------------------- KScrollBar

TEST(ScrollBar, PositionIsClampedAndOnlyRealChangesNotify)
{
    KScrollBar bar;
    bar.setMin(0);
    bar.setMax(100);
    bar.setSmallChange(10);
    bar.setLargeChange(10);
    bar.setPosition(100);
    QSignalSpy changes(&bar, &KScrollBar::changed);
    struct {
        int set;
        int expected;
        int changesAfter;
    } cases[] = {
        {100, 100, 0}, {150, 100, 0}, {30, 30, 1}, {-20, 0, 2}, {0, 0, 2}, {100, 100, 3},
    };
    for (const auto& c : cases) {
        bar.setPosition(c.set);
        EXPECT_EQ(bar.Position(), c.expected) << "set " << c.set;
        EXPECT_EQ(changes.count(), c.changesAfter) << "set " << c.set;
    }
    bar.triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(bar.Position(), 90) << "a small change steps by SmallChange";
    EXPECT_EQ(bar.SmallChange(), 10);
    EXPECT_EQ(bar.LargeChange(), 10);
}

// ---------------------------------------------------------------- KStatusBar

TEST(StatusBar, PanelsKeepWidthTextAndTooltip)
{
    KStatusBar bar;
    for (int w : {100, 400, 80})
        bar.addPanel(w);
    ASSERT_EQ(bar.panelCount(), 3);
    EXPECT_EQ(bar.panelWidth(0), 100);
    EXPECT_EQ(bar.panelWidth(1), 400);
    bar.setPanelText(1,
                     QStringLiteral("a very long message that does not fit into the panel at all, not even nearly, "
                                    "whatever font the machine has chosen for it"));
    EXPECT_EQ(bar.panel(1)->width(), 400) << "a long text does not widen the panel";
    bar.setPanelToolTip(0, QStringLiteral("Permission denied"));
    EXPECT_EQ(bar.panelToolTip(0), QStringLiteral("Permission denied"));
    EXPECT_TRUE(bar.panelToolTip(1).isEmpty());
    bar.setPanelText(7, QStringLiteral("x"));  // no such panel: ignored
    EXPECT_TRUE(bar.panelText(7).isEmpty());
    EXPECT_EQ(bar.panelWidth(-1), 0);
}

TEST(StatusBar, WithARepaintIntervalTheLatestTextIsReadAtOnceAndShownAtTheNextTick)
{
    KStatusBar bar;
    bar.addPanel(100);
    bar.addPanel(100);
    bar.setRepaintInterval(300);
    bar.setPanelText(0, QStringLiteral("1"));
    EXPECT_EQ(bar.panelShownText(0), QStringLiteral("1")) << "the first change after a quiet spell shows at once";
    for (int i = 2; i <= 50; ++i)
        bar.setPanelText(0, QString::number(i));
    bar.setPanelText(1, QStringLiteral("x"));
    EXPECT_EQ(bar.panelText(0), QStringLiteral("50"));
    EXPECT_EQ(bar.panelText(1), QStringLiteral("x"));
    EXPECT_EQ(bar.panelShownText(0), QStringLiteral("1")) << "not shown 49 times over";
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return bar.panelShownText(0) == QStringLiteral("50") && bar.panelShownText(1) == QStringLiteral("x"); }, 2000))
        << "the last texts are shown once the interval is over, with nothing else happening";
    // A picture of the bar shows the latest texts, whatever the interval.
    bar.setPanelText(0, QStringLiteral("51"));
    bar.resize(300, 19);
    const QPixmap shot = bar.grab();
    EXPECT_FALSE(shot.isNull());
    EXPECT_EQ(bar.panelShownText(0), QStringLiteral("51"));
}

TEST(StatusBar, TextsChangedOnEveryPassOfTheEventsDoNotRepaintTheBarOnEveryPass)
{
    // As the protocol loop does: new texts, then the window's events, over and over. A repaint of
    // the bar must not leave it marked for yet another repaint at the next pass.
    KStatusBar bar;
    bar.addPanel(100);
    bar.addPanel(100);
    bar.resize(300, 19);
    bar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* e) override
        {
            paints += e->type() == QEvent::Paint;
            return false;
        }
    } counter;
    bar.installEventFilter(&counter);
    bar.setRepaintInterval(60000);  // no tick comes while the passes run
    for (int pass = 1; pass <= 100; ++pass) {
        bar.setPanelText(0, QString::number(pass));
        bar.setPanelText(1, QStringLiteral("file %1").arg(pass));
        QApplication::processEvents();
    }
    EXPECT_LE(counter.paints, 2) << "the first change after a quiet spell shows at once, the rest wait for the tick";
    EXPECT_EQ(bar.panelText(0), QStringLiteral("100"));
    // A picture of the bar still shows the latest texts.
    EXPECT_FALSE(bar.grab().isNull());
    EXPECT_EQ(bar.panelShownText(0), QStringLiteral("100"));
    EXPECT_EQ(bar.panelShownText(1), QStringLiteral("file 100"));
}

TEST(RepaintPacer, AValueChangedManyTimesPaintsAtABoundedRateAndEndsPaintedWithTheLastValue)
{
    QProgressBar bar;
    bar.setRange(0, 1000);
    bar.resize(300, 22);
    bar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
    struct PaintCounter : QObject {
        QProgressBar* bar = nullptr;
        int paints = 0;
        int paintedValue = -1;
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::Paint) {
                ++paints;
                paintedValue = bar->value();
            }
            return false;
        }
    } counter;
    counter.bar = &bar;
    bar.installEventFilter(&counter);
    KRepaintPacer pacer(&bar, 300);
    for (int v = 0; v <= 1000; v += 10)
        pacer.change([&] { bar.setValue(v); });
    EXPECT_EQ(bar.value(), 1000) << "the value itself changes at once";
    EXPECT_LE(counter.paints, 2) << "a progress bar repaints itself on every visible step";
    // A picture taken meanwhile shows the bar as it is.
    const int paintsBefore = counter.paints;
    EXPECT_FALSE(bar.grab().isNull());
    EXPECT_GT(counter.paints, paintsBefore);
    EXPECT_EQ(counter.paintedValue, 1000);
    counter.paintedValue = -1;
    EXPECT_TRUE(QTest::qWaitFor([&] { return counter.paintedValue == 1000; }, 2000))
        << "the last value is painted once the interval is over, with nothing else happening";
}

TEST(StatusBar, RightClickOpensTheContextMenu)
{
    KStatusBar bar;
    bar.addPanel(100);
    QMenu menu;
    menu.addAction(QStringLiteral("Visible"));
    bar.setContextMenu(&menu);
    bar.resize(300, 19);
    bar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(10, 5), bar.mapToGlobal(QPoint(10, 5)));
    QApplication::sendEvent(&bar, &event);
    EXPECT_TRUE(menu.isVisible());
    menu.hide();
}

// ---------------------------------------------------------------- KPageControl

class PageControlFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* caption : {"Config", "Screen Setup", "Extra Coding", "TurboTimer", "Transmission", "Keys emul",
                                    "ver.7.6-7.7 Disk Image Loader", "Service ", "ver.7.5 SD File Manager"}) {
            auto* page = new QWidget;
            pages.append(page);
            control.addPage(page, QString::fromUtf8(caption));
        }
        control.resize(760, 400);
        control.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&control));
    }
    void clickTab(int i)
    {
        const QRect r = control.tabRect(i);
        QTest::mouseClick(control.tabStrip(), Qt::LeftButton, {}, r.center());
    }
    KPageControl control;
    QList<QWidget*> pages;
};

TEST_F(PageControlFixture, TabsWrapIntoRowsWhenNarrow)
{
    EXPECT_EQ(control.activeIndex(), 0) << "the first page comes to the front";
    const int wide = control.tabRowCount();
    control.resize(260, 400);
    const int narrow = control.tabRowCount();
    EXPECT_GT(narrow, wide);
    EXPECT_GE(narrow, 3);
    for (int i = 0; i < control.pageCount(); ++i) {
        const QRect r = control.tabRect(i);
        EXPECT_GE(r.left(), 0) << i;
        EXPECT_LE(r.right(), 260) << "tab " << i << " lies within the control";
    }
    EXPECT_GE(pages[0]->mapTo(&control, QPoint(0, 0)).y(), control.tabStrip()->height() - 1) << "pages start below the rows";
    control.resize(760, 400);
    EXPECT_EQ(control.tabRowCount(), wide);
}

TEST_F(PageControlFixture, HiddenTabIsNeitherShownNorReachable)
{
    control.setTabVisible(pages[7], false);
    EXPECT_FALSE(control.TabVisible(pages[7]));
    EXPECT_TRUE(control.tabRect(7).isEmpty());
    EXPECT_FALSE(control.visibleCaptions().contains(QStringLiteral("Service ")));
    control.setActivePage(pages[7]);
    EXPECT_EQ(control.activeIndex(), 0) << "a page without a tab cannot come to the front";

    // Walking the tabs with the keyboard skips it.
    control.setActivePage(pages[6]);
    QTest::keyClick(control.tabStrip(), Qt::Key_Right);
    EXPECT_EQ(control.activeIndex(), 8);
}

TEST_F(PageControlFixture, HidingTheFrontTabBringsTheNextToTheFront)
{
    control.setActivePage(pages[3]);
    QSignalSpy changes(&control, &KPageControl::changed);
    control.setTabVisible(pages[3], false);
    EXPECT_EQ(control.activeIndex(), 4);
    EXPECT_EQ(changes.count(), 1);
    control.setTabVisible(pages[3], true);
    EXPECT_EQ(control.activeIndex(), 4) << "showing a tab again does not take the front";
}

TEST_F(PageControlFixture, ClickingATabActivatesItUnlessThePageIsDisabled)
{
    QSignalSpy changes(&control, &KPageControl::changed);
    clickTab(5);
    EXPECT_EQ(control.ActivePage(), pages[5]);
    EXPECT_TRUE(pages[5]->isVisible());
    EXPECT_FALSE(pages[0]->isVisible());
    EXPECT_EQ(changes.count(), 1);

    pages[8]->setEnabled(false);
    EXPECT_FALSE(control.pageEnabled(pages[8]));
    clickTab(8);
    EXPECT_EQ(control.ActivePage(), pages[5]) << "a disabled page does not come to the front";
    pages[8]->setEnabled(true);
    clickTab(8);
    EXPECT_EQ(control.ActivePage(), pages[8]);

    control.setEnabled(false);
    clickTab(0);
    EXPECT_EQ(control.ActivePage(), pages[8]) << "a disabled page control takes no clicks";
    EXPECT_TRUE(control.pageEnabled(pages[0])) << "the page's own state is kept";
}

// ---------------------------------------------------------------- KEdit

TEST(Edit, ColourIsKeptAndPainted)
{
    KEdit edit;
    EXPECT_FALSE(edit.Color().isValid());
    edit.setText(QStringLiteral("10"));
    edit.resize(60, 20);
    edit.setColor(QColor(0, 128, 0));
    EXPECT_EQ(edit.Color(), QColor(0, 128, 0));
    const QImage shot = edit.grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(shot.width() - 4, shot.height() / 2)), QColor(0, 128, 0)) << "the background shows the colour";
}

}  // namespace
