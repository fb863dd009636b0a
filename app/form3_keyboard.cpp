// The window's keyboard: shortcuts for connecting and disconnecting, a tab chain that skips
// what cannot be changed and keeps saving and erasing apart.
#include "app/form3.h"
#include "app/config_page.h"
#include "app/left_panel.h"
#include "app/storage_panel.h"

#include <QGuiApplication>
#include <QKeySequence>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>

#include "app/widgets/k_edit.h"
#include "app/window_placement.h"

namespace {

const QKeySequence kConnectKey(Qt::Key_F5);
const QKeySequence kExitKey(Qt::SHIFT | Qt::Key_F5);

// The last tab stop of container's run of the focus chain that starts after start.
QWidget* lastInTabChain(QWidget* container, QWidget* start)
{
    QWidget* last = nullptr;
    for (QWidget* w = start->nextInFocusChain(); w && w != start && container->isAncestorOf(w); w = w->nextInFocusChain())
        if (w->focusPolicy() & Qt::TabFocus)
            last = w;
    return last;
}

}  // namespace

void TForm3::setUpKeyboard()
{
    Panel1->Button8->setShortcut(kConnectKey);
    Panel1->Button8->setToolTip(
        QStringLiteral("Open the port and greet the display (%1)").arg(kConnectKey.toString(QKeySequence::NativeText)));
    Panel1->Button2->setShortcut(kExitKey);
    Panel1->Button2->setToolTip(QStringLiteral("Say goodbye to the display and close the port; the window stays open (%1)")
                                    .arg(kExitKey.toString(QKeySequence::NativeText)));

    // The scroll areas around the panels and the pages are no stops of their own: Tab goes to
    // the controls in them, and they scroll to show the control that has the focus.
    for (QScrollArea* area : findChildren<QScrollArea*>())
        if (area == ScrollBox1 || area == centralWidget() || area->widget() == Panel1 || area->widget() == Panel2)
            area->setFocusPolicy(Qt::NoFocus);

    // The storage sizes are read-only: a click still selects them for copying, Tab passes by.
    for (KEdit* field : {Panel2->Edit6, Panel2->Edit7, Panel2->Edit8, Panel2->Edit9, Panel2->Edit10})
        field->setFocusPolicy(Qt::ClickFocus);

    // "Config": read and save at the top, the record's fields, then erase at the bottom, so
    // that one Tab too many after "Save Config" never lands on "Erase Config".
    QWidget* configuration = TabSheet1->BitBtn34->parentWidget();
    if (QWidget* last = lastInTabChain(configuration, TabSheet1->BitBtn23); last && last != TabSheet1->BitBtn34)
        QWidget::setTabOrder(last, TabSheet1->BitBtn34);
}

void TForm3::placeFirstTime()
{
    const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!s)
        return;
    // The designed size is the outer size, frame included, where the window system has one.
    QMargins frame;
    if (isVisible()) {
        const QRect outer = frameGeometry(), inner = geometry();
        frame = QMargins(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                         outer.bottom() - inner.bottom());
    }
    const QRect available = s->availableGeometry();
    const QRect wanted = firstWindowFrame(available, kDesignedOuterSize);
    setGeometry(wanted.marginsRemoved(frame));
    // Where it does not fit, the window system is also asked to maximise it, so that a frame it
    // adds later (a title bar) never pushes the window's edges off the screen.
    if (wanted == available && available.size() != kDesignedOuterSize)
        setWindowState(windowState() | Qt::WindowMaximized);
}
