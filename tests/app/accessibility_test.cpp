// Every control a user can operate has a name an assistive tool can read out.
#include "tests/app/form_fixture.h"

#include "app/widgets/k_page_control.h"
#include "app/widgets/k_spin_edit.h"
#include "app/widgets/k_status_bar.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QLabel>
#include <QAccessible>
#include <QApplication>

#include <array>
#include <string>

namespace {

// Parts that Qt builds inside its own composite widgets (a combo box's list, a scroll area's
// bars) are named by Qt's accessibility layer, not by us.
bool insideQtInternals(const QWidget* w, const QWidget* window)
{
    for (const QWidget* p = w->parentWidget(); p && p != window; p = p->parentWidget()) {
        const QString name = p->objectName();
        if (qobject_cast<const QComboBox*>(p) || qobject_cast<const QFileDialog*>(p)
            || (name.startsWith(QLatin1String("qt_scrollarea_")) && name.endsWith(QLatin1String("container"))))
            return true;
    }
    return w->objectName().startsWith(QLatin1String("qt_"));
}

bool interactive(const QWidget* w)
{
    return qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QLineEdit*>(w) || qobject_cast<const QComboBox*>(w)
        || qobject_cast<const QAbstractSlider*>(w) || qobject_cast<const QAbstractItemView*>(w)
        || qobject_cast<const KSpinEdit*>(w) || (w->focusPolicy() & Qt::TabFocus) != 0;
}

TEST_F(FormTest, EveryInteractiveControlHasAnAccessibleName)
{
    showPagesAsGreeted();
    int checked = 0;
    QStringList unnamed;
    for (QWidget* w : form->findChildren<QWidget*>()) {
        if (!interactive(w) || insideQtInternals(w, form.get()))
            continue;
        ++checked;
        if (w->accessibleName().trimmed().isEmpty())
            unnamed << QStringLiteral("%1 (%2)").arg(w->objectName(), QString::fromLatin1(w->metaObject()->className()));
    }
    EXPECT_TRUE(unnamed.isEmpty()) << unnamed.join(QStringLiteral(", ")).toStdString();
    EXPECT_GT(checked, 250) << "the walk reached the pages' controls";
}

TEST_F(FormTest, ButtonNamesSayTheirCaptions)
{
    // Every word of a caption is in the name; a caption of symbols alone ("↑", "...") is put
    // into words.
    static const QRegularExpression word(QStringLiteral("[A-Za-z0-9]+"));
    for (QAbstractButton* b : form->findChildren<QAbstractButton*>()) {
        if (insideQtInternals(b, form.get()) || b->text().isEmpty())
            continue;
        const QString name = b->accessibleName();
        auto words = word.globalMatch(b->text());
        bool any = false;
        while (words.hasNext()) {
            any = true;
            const QString w = words.next().captured();
            EXPECT_TRUE(name.contains(w, Qt::CaseInsensitive))
                << b->objectName().toStdString() << ": '" << name.toStdString() << "' lacks '" << w.toStdString() << "'";
        }
        if (!any) {
            EXPECT_TRUE(name.contains(word)) << b->objectName().toStdString() << " needs words for its symbols";
        }
    }
    EXPECT_EQ(form->Panel1->Button8->accessibleName(), QStringLiteral("Connect"));
    EXPECT_EQ(form->Panel1->Button50->accessibleName(), QStringLiteral("Key up"));
}

TEST_F(FormTest, FieldsAreNamedAfterTheLabelBesideThem)
{
    const std::pair<const char*, const char*> fields[] = {{"Edit6", "Disk 0"},          {"Edit10", "SD"},
                                                          {"SpinEdit2", "Brightness"},  {"SpinEdit1", "Door"},
                                                          {"Edit5", "1. sys.imz"},      {"SpinEdit73", "SGP"},
                                                          {"SpinEdit74", "RELOAD"},     {"SpinEdit75", "ILI-9486"},
                                                          {"RadioGroup1", "Link type"}, {"RadioGroup3", "Mirror side"},
                                                          {"nrDeviceBox1", "port"}};
    for (auto [name, words] : fields)
        EXPECT_TRUE(control<QWidget>(name)->accessibleName().contains(QString::fromUtf8(words), Qt::CaseInsensitive))
            << name << ": " << control<QWidget>(name)->accessibleName().toStdString();
    // The spin edit's text box and arrows say whose they are.
    auto* spin = control<KSpinEdit>("SpinEdit2");
    EXPECT_EQ(spin->lineEdit()->accessibleName(), spin->accessibleName());
    EXPECT_TRUE(spin->upButton()->accessibleName().startsWith(spin->accessibleName()));
}

}  // namespace

// ---------------------------------------------------------------- reach through assistive tools

namespace {

// Every interface below `root`, depth first.
void walk(QAccessibleInterface* root, QList<QAccessibleInterface*>& out, int depth = 0)
{
    if (!root || depth > 60)
        return;
    out << root;
    for (int i = 0; i < root->childCount(); ++i)
        walk(root->child(i), out, depth + 1);
}

QStringList childNames(QAccessibleInterface* list)
{
    QStringList names;
    for (int i = 0; i < list->childCount(); ++i)
        names << list->child(i)->text(QAccessible::Name);
    return names;
}

QAccessibleInterface* tabNamed(QAccessibleInterface* list, const QString& caption)
{
    for (int i = 0; i < list->childCount(); ++i)
        if (list->child(i)->text(QAccessible::Name) == caption)
            return list->child(i);
    return nullptr;
}

}  // namespace

TEST_F(FormTest, PageTabsAreFoundInTheWindowsTreeAndChooseTheirPage)
{
    showPagesAsGreeted();
    form->cxPageControl1->setActivePage(form->cxTabSheet1);  // "Screen Setup", with its inner tabs
    QApplication::processEvents();

    QList<QAccessibleInterface*> all;
    walk(QAccessible::queryAccessibleInterface(form.get()), all);
    QList<QAccessibleInterface*> lists;
    for (QAccessibleInterface* i : all)
        if (i->role() == QAccessible::PageTabList)
            lists << i;
    ASSERT_EQ(lists.size(), 2) << "the pages and the Screen Setup pages";
    QAccessibleInterface* outer = nullptr;
    QAccessibleInterface* inner = nullptr;
    for (QAccessibleInterface* l : lists)
        (childNames(l).contains(QStringLiteral("Config")) ? outer : inner) = l;
    ASSERT_TRUE(outer && inner);
    EXPECT_EQ(outer->text(QAccessible::Name), QStringLiteral("Page tabs"));

    // The tabs a sighted user sees, in their order; the never-shown pages are not there.
    EXPECT_EQ(childNames(outer), form->cxPageControl1->visibleCaptions());
    EXPECT_FALSE(childNames(outer).contains(QStringLiteral("Desktop")));
    EXPECT_EQ(childNames(inner), (QStringList{QStringLiteral("Screen size"), QStringLiteral("GAMMA")}));
    for (int i = 0; i < outer->childCount(); ++i) {
        QAccessibleInterface* tab = outer->child(i);
        EXPECT_EQ(tab->role(), QAccessible::PageTab);
        EXPECT_EQ(tab->parent(), outer);
        EXPECT_EQ(outer->indexOfChild(tab), i);
        EXPECT_EQ(tab->state().selected, tab->text(QAccessible::Name) == QStringLiteral("Screen Setup"));
        EXPECT_FALSE(tab->rect().isEmpty()) << tab->text(QAccessible::Name).toStdString();
        EXPECT_EQ(outer->childAt(tab->rect().center().x(), tab->rect().center().y()), tab);
    }

    // Choosing "Keys emul" through its action brings it to the front and marks it selected.
    QAccessibleInterface* keys = tabNamed(outer, QStringLiteral("Keys emul"));
    ASSERT_NE(keys, nullptr);
    QAccessibleActionInterface* action = keys->actionInterface();
    ASSERT_NE(action, nullptr);
    ASSERT_TRUE(action->actionNames().contains(QAccessibleActionInterface::pressAction()));
    action->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(form->cxPageControl1->ActivePage(), form->cxTabSheet2);
    EXPECT_TRUE(form->cxTabSheet2->isVisible());
    EXPECT_TRUE(keys->state().selected);
    EXPECT_FALSE(tabNamed(outer, QStringLiteral("Screen Setup"))->state().selected);

    // The inner tabs choose the inner pages.
    form->cxPageControl1->setActivePage(form->cxTabSheet1);
    tabNamed(inner, QStringLiteral("Screen size"))->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(form->cxTabSheet1->PageControl1->ActivePage(), form->cxTabSheet1->TabSheet9);
    EXPECT_TRUE(form->cxTabSheet1->TabSheet9->isVisible());

    // A disabled page's tab says so, offers no action and cannot be chosen.
    form->cxTabSheet4->setEnabled(false);
    QAccessibleInterface* sd = tabNamed(outer, QStringLiteral("ver.7.5 SD File Manager"));
    ASSERT_NE(sd, nullptr);
    EXPECT_TRUE(sd->state().disabled);
    EXPECT_TRUE(sd->actionInterface()->actionNames().isEmpty());
    sd->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(form->cxPageControl1->ActivePage(), form->cxTabSheet1);
    EXPECT_FALSE(sd->state().selected);
}

TEST_F(FormTest, CtrlTabAndCtrlPageKeysTurnTheInnermostPagesAroundTheFocus)
{
    showPagesAsGreeted();
    KPageControl* pages = form->cxPageControl1;
    struct Case {
        const char* what;
        QWidget* page;        // the outer page to start on
        QWidget* innerPage;   // the inner page to start on, or null
        const char* focused;  // the control the key goes to
        int key;
        Qt::KeyboardModifiers mods;
        QWidget* outerAfter;
        QWidget* innerAfter;
    };
    const Case cases[] = {
        {"Ctrl+Tab on Keys emul", form->cxTabSheet2, nullptr, "SpinEdit1", Qt::Key_Tab, Qt::ControlModifier, form->TabSheet4,
         nullptr},
        {"Ctrl+Shift+Tab on Keys emul", form->cxTabSheet2, nullptr, "SpinEdit1", Qt::Key_Backtab,
         Qt::ControlModifier | Qt::ShiftModifier, form->TabSheet3, nullptr},
        {"Ctrl+PgDown on Keys emul", form->cxTabSheet2, nullptr, "Button21", Qt::Key_PageDown, Qt::ControlModifier,
         form->TabSheet4, nullptr},
        {"Ctrl+PgUp on Config wraps to the last page", form->TabSheet1, nullptr, "BitBtn22", Qt::Key_PageUp, Qt::ControlModifier,
         form->cxTabSheet4, nullptr},
        {"Ctrl+PgDown in the brightness field turns the Screen Setup pages", form->cxTabSheet1, form->cxTabSheet1->TabSheet9,
         "SpinEdit2", Qt::Key_PageDown, Qt::ControlModifier, form->cxTabSheet1, form->cxTabSheet1->TabSheet6},
        {"Ctrl+Tab on GAMMA turns the Screen Setup pages", form->cxTabSheet1, form->cxTabSheet1->TabSheet6, "Button36",
         Qt::Key_Tab, Qt::ControlModifier, form->cxTabSheet1, form->cxTabSheet1->TabSheet9},
    };
    for (const Case& c : cases) {
        pages->setActivePage(c.page);
        if (c.innerPage)
            form->cxTabSheet1->PageControl1->setActivePage(c.innerPage);
        QWidget* target = control<QWidget>(c.focused);
        ASSERT_NE(target, nullptr);
        if (auto* spin = qobject_cast<KSpinEdit*>(target))
            target = spin->lineEdit();
        const int brightness = form->cxTabSheet1->TabSheet9->SpinEdit2->Value();
        QTest::keyClick(target, static_cast<Qt::Key>(c.key), c.mods);
        EXPECT_EQ(pages->ActivePage(), c.outerAfter) << c.what;
        if (c.innerAfter) {
            EXPECT_EQ(form->cxTabSheet1->PageControl1->ActivePage(), c.innerAfter) << c.what;
        }
        EXPECT_EQ(form->cxTabSheet1->TabSheet9->SpinEdit2->Value(), brightness)
            << c.what << ": the key is not a step of the field";
    }
    // A disabled page is skipped.
    form->cxTabSheet4->setEnabled(false);
    pages->setActivePage(form->TabSheet1);
    QTest::keyClick(control<QWidget>("BitBtn22"), Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(pages->ActivePage(), form->TabSheet4);
}

// ---------------------------------------------------------------- the status bar

TEST_F(FormTest, StatusPanelsAreReadByTheirTextAndDescribedByTheirRole)
{
    form->setStatusPanel(4, QStringLiteral("1000"));
    form->setStatusPanel(0, QStringLiteral("try connect 5"));
    QAccessibleInterface* state = QAccessible::queryAccessibleInterface(form->StatusBar1->panel(4));
    ASSERT_NE(state, nullptr);
    EXPECT_EQ(state->text(QAccessible::Name), QStringLiteral("1000"));
    EXPECT_EQ(state->text(QAccessible::Description), QStringLiteral("Protocol state"));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(form->StatusBar1->panel(0))->text(QAccessible::Name),
              QStringLiteral("try connect 5"));

    // A message too long for its panel is shown elided in the middle, read whole, and whole in
    // the tooltip.
    const QString message = QStringLiteral("Files is loaded to SD: /home/fitter/Downloads/display-update-2026/"
                                           "backgrounds-and-logos-for-the-new-car/logo-of-the-workshop.bmp");
    form->setStatusPanel(1, message);
    QLabel* panel1 = form->StatusBar1->panel(1);
    const QString shown = panel1->text();
    EXPECT_NE(shown, message);
    EXPECT_TRUE(shown.contains(QChar(0x2026))) << shown.toStdString();
    EXPECT_TRUE(shown.startsWith(QStringLiteral("Files is"))) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith(QStringLiteral(".bmp"))) << shown.toStdString();
    EXPECT_LE(panel1->fontMetrics().horizontalAdvance(shown), panel1->contentsRect().width());
    EXPECT_EQ(panel1->toolTip(), message);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(panel1)->text(QAccessible::Name), message);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(panel1)->text(QAccessible::Description), QStringLiteral("Messages"));
    // A short one is shown as it is, with no tooltip.
    form->setStatusPanel(1, QStringLiteral("Files is loaded to SD..."));
    EXPECT_EQ(panel1->text(), QStringLiteral("Files is loaded to SD..."));
    EXPECT_TRUE(panel1->toolTip().isEmpty());
}

TEST_F(FormTest, EveryStatusTextFitsItsPanelAtTheWindowsFont)
{
    // The widest texts the program writes into the fixed panels.
    const std::pair<int, const char*> texts[] = {
        {0, "try connect 100"}, {0, "try connect 99999"}, {2, "4294967295"}, {3, "4294967295"}, {4, "1000"}, {4, "999"},
        {5, "4294967295"},      {6, "4294967295"}};
    for (QSize size : {QSize(1074, 693), QSize(640, 400)}) {
        form->resize(size);
        QApplication::processEvents();
        for (auto [panel, text] : texts) {
            form->setStatusPanel(panel, QString::fromLatin1(text));
            QLabel* label = form->StatusBar1->panel(panel);
            const int room = label->contentsRect().width() - 2 * label->margin();
            EXPECT_EQ(label->text(), QString::fromLatin1(text));
            EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), room)
                << "panel " << panel << " '" << text << "' at " << size.width() << "x" << size.height();
            EXPECT_TRUE(label->visibleRegion().boundingRect().width() >= label->width())
                << "panel " << panel << " is whole in the window at " << size.width() << "x" << size.height();
        }
    }
    const int least[] = {100, 400, 80, 50, 50, 50, 50};
    for (int panel : {0, 2, 3, 4, 5, 6})
        EXPECT_GE(form->StatusBar1->panelWidth(panel), least[panel]) << "no panel is narrower than it was";
}

// ---------------------------------------------------------------- small windows

namespace {

// Whether enough of `w` can be seen in the window to use it: all of it, or, for a control larger
// than the view (a folder tree), a corner of it at least 24 by 16 pixels.
bool seen(QWidget* w)
{
    QRect visible = w->visibleRegion().boundingRect();
    // A scroll area's own viewport covers it; without a frame (a table's column header) nothing
    // of the area itself shows, only its viewport.
    if (auto* area = qobject_cast<QAbstractScrollArea*>(w))
        visible |= area->viewport()->visibleRegion().boundingRect().translated(area->viewport()->pos());
    return visible.width() >= std::min(w->width(), 24) && visible.height() >= std::min(w->height(), 16);
}

}  // namespace

namespace {

// Every control of every page can be scrolled into view in the window as it is now, through no
// more than one scroll area, and no caption is cut.
void expectEveryControlReachable(TForm3* form, const std::string& at)
{
    auto* window = form->findChild<QScrollArea*>(QStringLiteral("formScroll"));
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(window->verticalScrollBar()->isVisible()) << at << ": no scroll bar around the page area's own";
    EXPECT_FALSE(window->horizontalScrollBar()->isVisible()) << at;
    // Wherever contents are larger than their view, the user has a bar to scroll them.
    for (QScrollArea* area : form->findChildren<QScrollArea*>()) {
        if (!area->isVisible() || !area->widget())
            continue;
        const std::string name = at + " " + area->objectName().toStdString();
        if (area->widget()->height() > area->viewport()->height()) {
            EXPECT_TRUE(area->verticalScrollBar()->isVisible()) << name << ": contents taller than the view";
        }
        if (area->widget()->width() > area->viewport()->width()) {
            EXPECT_TRUE(area->horizontalScrollBar()->isVisible()) << name << ": contents wider than the view";
        }
    }
    // The page area's bars lie inside the window.
    for (QScrollBar* bar : {form->ScrollBox1->horizontalScrollBar(), form->ScrollBox1->verticalScrollBar()}) {
        if (!bar->isVisible())
            continue;
        const QRect inWindow(bar->mapTo(form, QPoint(0, 0)), bar->size());
        EXPECT_TRUE(form->centralWidget()->geometry().contains(inWindow)) << at;
    }

    const struct {
        QWidget* page;
        QWidget* inner;
    } pages[] = {{form->TabSheet1, nullptr},
                 {form->cxTabSheet1, form->cxTabSheet1->TabSheet9},
                 {form->cxTabSheet1, form->cxTabSheet1->TabSheet6},
                 {form->cxTabSheet5, nullptr},
                 {form->TabSheet8, nullptr},
                 {form->TabSheet3, nullptr},
                 {form->cxTabSheet2, nullptr},
                 {form->TabSheet4, nullptr},
                 {form->cxTabSheet4, nullptr}};
    for (const auto& p : pages) {
        form->cxPageControl1->setActivePage(p.page);
        if (p.inner)
            form->cxTabSheet1->PageControl1->setActivePage(p.inner);
        for (int i = 0; i < 3; ++i)  // a scroll bar that appears narrows the view, and the tabs wrap again
            QApplication::processEvents();
        const std::string where = at + " on " + p.page->accessibleName().toStdString();
        QStringList unreachable;
        for (QWidget* w : form->findChildren<QWidget*>()) {
            if (!interactive(w) || insideQtInternals(w, form) || !w->isVisible() || qobject_cast<QScrollBar*>(w)
                || qobject_cast<QScrollArea*>(w))
                continue;
            scrollIntoView(w, 1);
            if (!seen(w))
                unreachable << w->objectName() + QLatin1Char('(') + w->accessibleName() + QLatin1Char(')');
        }
        EXPECT_TRUE(unreachable.isEmpty()) << where << ": " << unreachable.join(QStringLiteral(", ")).toStdString();

        // Every shown tab can be scrolled into view too.
        for (KPageControl* pc : {form->cxPageControl1, form->cxTabSheet1->PageControl1}) {
            if (!pc->isVisible())
                continue;
            for (int i = 0; i < pc->pageCount(); ++i) {
                const QRect tab = pc->tabRect(i);
                if (tab.isEmpty())
                    continue;
                const QPoint centre = pc->tabStrip()->mapTo(form->ScrollBox1->widget(), tab.center());
                form->ScrollBox1->ensureVisible(centre.x(), centre.y(), tab.width() / 2, tab.height() / 2);
                QApplication::processEvents();
                EXPECT_TRUE(pc->tabStrip()->visibleRegion().intersects(tab)) << where << ": tab " << pc->caption(i).toStdString();
                // Tabs wrap at the view's edge: none lies beyond it.
                const int right = pc->tabStrip()->mapTo(form->ScrollBox1->widget(), tab.topRight()).x();
                EXPECT_LE(right, form->ScrollBox1->viewport()->width())
                    << where << ": tab " << pc->caption(i).toStdString() << " needs sideways scrolling";
            }
        }
        // No caption is cut: a button is as wide as its text and icon.
        for (QPushButton* b : form->findChildren<QPushButton*>()) {
            if (!b->isVisible() || b->text().isEmpty())
                continue;
            const int icon = b->icon().isNull() ? 0 : b->iconSize().width() + 4;
            EXPECT_LE(b->fontMetrics().horizontalAdvance(b->text()) + icon, b->contentsRect().width())
                << where << ": caption of " << b->objectName().toStdString() << " is cut";
        }
    }
}

}  // namespace

TEST_F(FormTest, InASmallWindowEveryControlOfEveryPageCanBeScrolledIntoView)
{
    showPagesAsGreeted();
    form->setChipVisible(true);
    for (QSize size : {QSize(700, 450), QSize(640, 400)}) {
        form->resize(size);
        QApplication::processEvents();
        const std::string at = std::to_string(size.width()) + "x" + std::to_string(size.height());
        ASSERT_EQ(form->size(), size) << "the window can be made this small: status bar needs "
                                      << form->StatusBar1->minimumSizeHint().width() << ", contents "
                                      << form->centralWidget()->minimumSizeHint().width() << "x"
                                      << form->centralWidget()->minimumSizeHint().height() << " panels " << [&] {
                                             QStringList w;
                                             for (int i = 0; i < 7; ++i)
                                                 w << QString::number(form->StatusBar1->panel(i)->minimumWidth()) + "@"
                                                         + QString::number(form->StatusBar1->panel(i)->x());
                                             return w.join(' ').toStdString();
                                         }();
        expectEveryControlReachable(form.get(), at);
    }
}

// Run also on a 1366 x 768 screen, and at scale factor 2 on a 1920 x 1080 screen and on a 1400 x 1000
// one (700 x 500 at that scale; see the tests' CMakeLists): the window opens wholly on its screen, and everything in it can be
// reached.
TEST_F(FormTest, TheWindowStartsWhollyOnItsScreenWithEveryControlReachable)
{
    const QScreen* screen = form->screen();
    ASSERT_NE(screen, nullptr);
    const QRect available = screen->availableGeometry();
    const std::string at = "first size on " + std::to_string(screen->geometry().width()) + "x"
        + std::to_string(screen->geometry().height()) + " at scale " + std::to_string(screen->devicePixelRatio());
    RecordProperty("screen", at);
    // However small the screen, a window of 640 x 480 holds everything, scrolled.
    const QSize smallest = form->minimumSize().expandedTo(form->minimumSizeHint());
    EXPECT_LE(smallest.width(), 640) << at;
    EXPECT_LE(smallest.height(), 480) << at;
    EXPECT_TRUE(available.contains(firstFrame))
        << at << ": the window opens at " << firstFrame.width() << "x" << firstFrame.height() << " in " << available.width()
        << "x" << available.height();
    if (available.width() >= 1074 && available.height() >= 693) {
        EXPECT_EQ(firstFrame.size(), QSize(1074, 693)) << at;
    } else {
        EXPECT_EQ(firstFrame, available) << at;
    }
    form->setGeometry(firstFrame);  // as the window first showed itself
    QApplication::processEvents();
    showPagesAsGreeted();
    form->setChipVisible(true);
    expectEveryControlReachable(form.get(), at);

    // From a screen 960 pixels wide up, a page's buttons are in reach without scrolling sideways:
    // scrolled to its left edge, the page area shows each of them whole. On a narrower screen the
    // side panels leave the page area less than a page's width, and the page scrolls sideways to
    // them (checked above).
    if (available.width() < 960)
        return;
    for (QWidget* page : std::initializer_list<QWidget*>{form->TabSheet1, form->cxTabSheet5, form->TabSheet8, form->TabSheet3,
                                                         form->TabSheet4, form->cxTabSheet4}) {
        form->cxPageControl1->setActivePage(page);
        for (int i = 0; i < 3; ++i)
            QApplication::processEvents();
        form->ScrollBox1->horizontalScrollBar()->setValue(0);
        QApplication::processEvents();
        for (QPushButton* b : page->findChildren<QPushButton*>()) {
            if (!b->isVisible())
                continue;
            const int right = b->mapTo(form->ScrollBox1->viewport(), QPoint(b->width(), 0)).x();
            EXPECT_LE(right, form->ScrollBox1->viewport()->width())
                << at << " on " << page->accessibleName().toStdString() << ": " << b->objectName().toStdString() << " ("
                << b->text().toStdString() << ") needs sideways scrolling";
        }
    }
}

TEST_F(FormTest, KeyAndStorageCaptionsKeepClearOfTheirButtonsEdges)
{
    for (QPushButton* b : {form->Panel1->Button54, form->Panel1->Button53, form->Panel1->Button51, form->Panel1->Button52,
                           form->Panel2->BitBtn21, form->Panel2->Button22}) {
        const int text = b->fontMetrics().horizontalAdvance(b->text());
        EXPECT_LE(text + 6, b->width()) << b->text().toStdString() << ": " << text << " px in a " << b->width() << " px button";
    }
    // And the storage buttons keep clear of the window's right edge.
    const int right = form->Panel2->BitBtn21->mapTo(form.get(), QPoint(form->Panel2->BitBtn21->width(), 0)).x();
    EXPECT_LE(right, form->width() - 6);
}
