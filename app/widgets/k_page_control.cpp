#include "app/widgets/k_page_control.h"

#include "app/widgets/k_page_control_accessible.h"

#include <QAccessible>
#include <QScrollArea>
#include <QApplication>
#include <QEvent>
#include <QHash>
#include <QPointer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStackedWidget>

namespace {
constexpr int kTabPadding = 12;  // left and right of a caption
constexpr int kTabGap = 2;       // between two tabs
constexpr int kRowGap = 2;       // between two rows
constexpr int kTabMinWidth = 48;

int rowHeight(const QFontMetrics& fm) { return fm.height() + 10; }
}  // namespace

// The strip of tab rows above the pages: draws the tabs and takes the clicks and keys.
class KTabRows : public QWidget {
    Q_OBJECT
public:
    explicit KTabRows(KPageControl* owner) : QWidget(owner), owner_(owner)
    {
        setFocusPolicy(Qt::StrongFocus);
        setMouseTracking(true);
        setObjectName(QStringLiteral("tabRows"));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing, true);
        const QPalette& pal = palette();
        const QFontMetrics fm(font());
        for (int i = 0; i < owner_->pages_.size(); ++i) {
            const QRect r = owner_->tabRects_.value(i);
            if (r.isEmpty())
                continue;
            const bool active = i == owner_->active_;
            const bool enabled = owner_->selectable(i) && isEnabled();
            const bool hover = i == hover_ && enabled && !active;
            QColor fill = active ? pal.color(QPalette::Highlight)
                                 : (hover ? pal.color(QPalette::Button).lighter(125) : pal.color(QPalette::Button));
            QPainterPath path;
            const QRectF rf = QRectF(r).adjusted(0.5, 0.5, -0.5, active ? 2.0 : -0.5);
            path.addRoundedRect(rf, 4, 4);
            p.fillPath(path, fill);
            p.setPen(active ? pal.color(QPalette::Highlight).lighter(130) : pal.color(QPalette::Mid));
            p.drawPath(path);
            QColor textColour = active ? pal.color(QPalette::HighlightedText) : pal.color(QPalette::ButtonText);
            if (!enabled)
                textColour = pal.color(QPalette::Disabled, QPalette::ButtonText);
            p.setPen(textColour);
            QFont f = font();
            f.setBold(active);
            p.setFont(f);
            p.drawText(r, Qt::AlignCenter, owner_->pages_[i].caption);
            if (active && hasFocus()) {
                // The same bright ring as every other focused control of the dark style.
                p.setPen(QPen(QColor(0xff, 0xc8, 0x57), 2));
                p.drawPath(path);
            }
        }
        // The line that joins the front tab to its page.
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(pal.color(QPalette::Highlight));
        p.drawLine(0, height() - 1, width(), height() - 1);
        (void)fm;
    }

    void mousePressEvent(QMouseEvent* e) override
    {
        const int i = tabAt(e->position().toPoint());
        if (i >= 0 && e->button() == Qt::LeftButton)
            owner_->activateByUser(i);
        e->accept();
    }

    void mouseReleaseEvent(QMouseEvent* e) override { e->accept(); }

    void mouseMoveEvent(QMouseEvent* e) override
    {
        const int i = tabAt(e->position().toPoint());
        if (i != hover_) {
            hover_ = i;
            update();
        }
    }

    void leaveEvent(QEvent*) override
    {
        hover_ = -1;
        update();
    }

    void keyPressEvent(QKeyEvent* e) override
    {
        int direction = 0;
        if (e->key() == Qt::Key_Left || e->key() == Qt::Key_Up)
            direction = -1;
        else if (e->key() == Qt::Key_Right || e->key() == Qt::Key_Down)
            direction = 1;
        if (direction == 0) {
            QWidget::keyPressEvent(e);
            return;
        }
        const int next = owner_->nextSelectable(owner_->active_, direction);
        if (next >= 0)
            owner_->activateByUser(next);
    }

    void focusInEvent(QFocusEvent*) override
    {
        update();
        owner_->announceActive();
    }
    void focusOutEvent(QFocusEvent*) override { update(); }

private:
    int tabAt(QPoint pos) const
    {
        for (int i = 0; i < owner_->tabRects_.size(); ++i)
            if (owner_->tabRects_[i].contains(pos))
                return i;
        return -1;
    }

    KPageControl* owner_;
    int hover_ = -1;
};

namespace {
bool isPageKey(const QKeyEvent* e, int* direction)
{
    const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
    if (!(mods & Qt::ControlModifier) || (mods & (Qt::AltModifier | Qt::MetaModifier)))
        return false;
    const bool shift = mods & Qt::ShiftModifier;
    switch (e->key()) {
    case Qt::Key_Tab:
        *direction = shift ? -1 : 1;
        return true;
    case Qt::Key_Backtab:
        *direction = -1;
        return true;
    case Qt::Key_PageDown:
        *direction = shift ? 0 : 1;
        return !shift;
    case Qt::Key_PageUp:
        *direction = shift ? 0 : -1;
        return !shift;
    default:
        return false;
    }
}
}  // namespace

KPageControl::KPageControl(QWidget* parent) : QWidget(parent), strip_(new KTabRows(this)), stack_(new QStackedWidget(this))
{
    static const bool factoryInstalled = (QAccessible::installFactory(pageTabsAccessibleFactory), true);
    (void)factoryInstalled;
    stack_->setObjectName(QStringLiteral("pages"));
    stack_->setFrameShape(QFrame::NoFrame);
    // The control is as large as its front page, not as its largest one: a narrow page needs no
    // sideways scrolling because another page is wide.
    connect(stack_, &QStackedWidget::currentChanged, this, [this] { updateGeometry(); });
    stack_->installEventFilter(this);  // and follows the front page when its own size changes
    // The page keys must reach the control before a focused spin edit or list inside it turns
    // Ctrl+PgDown into a step of its own.
    if (qApp)
        qApp->installEventFilter(this);
}

int KPageControl::addPage(QWidget* page, const QString& caption)
{
    pages_.append(Page{page, caption, true});
    stack_->addWidget(page);
    page->installEventFilter(this);
    if (active_ < 0) {
        active_ = static_cast<int>(pages_.size()) - 1;
        stack_->setCurrentWidget(page);
    }
    relayout();
    return static_cast<int>(pages_.size()) - 1;
}

QWidget* KPageControl::page(int index) const { return index >= 0 && index < pages_.size() ? pages_[index].widget : nullptr; }

int KPageControl::indexOf(const QWidget* page) const
{
    for (int i = 0; i < pages_.size(); ++i)
        if (pages_[i].widget == page)
            return i;
    return -1;
}

QString KPageControl::caption(int index) const { return index >= 0 && index < pages_.size() ? pages_[index].caption : QString(); }

bool KPageControl::TabVisible(const QWidget* page) const
{
    const int i = indexOf(page);
    return i >= 0 && pages_[i].tabVisible;
}

void KPageControl::setTabVisible(QWidget* page, bool visible)
{
    const int i = indexOf(page);
    if (i < 0 || pages_[i].tabVisible == visible)
        return;
    pages_[i].tabVisible = visible;
    if (!visible && i == active_) {
        // The front page loses its tab: the next visible one comes to the front.
        int next = -1;
        for (int k = 1; k < pages_.size() && next < 0; ++k) {
            const int j = (i + k) % static_cast<int>(pages_.size());
            if (pages_[j].tabVisible)
                next = j;
        }
        active_ = next;
        if (next >= 0)
            stack_->setCurrentWidget(pages_[next].widget);
        else
            stack_->setCurrentIndex(-1);
        emit changed();
    } else if (visible && active_ < 0) {
        active_ = i;
        stack_->setCurrentWidget(page);
        emit changed();
    }
    relayout();
    if (QAccessible::isActive()) {
        QAccessibleEvent reorder(strip_, QAccessible::ObjectReorder);
        QAccessible::updateAccessibility(&reorder);
    }
}

bool KPageControl::pageEnabled(const QWidget* page) const { return page && page->isEnabledTo(const_cast<KPageControl*>(this)); }

QWidget* KPageControl::ActivePage() const { return page(active_); }

void KPageControl::setActivePage(QWidget* page)
{
    const int i = indexOf(page);
    if (i < 0 || !pages_[i].tabVisible || i == active_)
        return;
    active_ = i;
    stack_->setCurrentWidget(page);
    strip_->update();
    announceActive();
    emit changed();
}

bool KPageControl::selectByUser(int index)
{
    activateByUser(index);
    return index >= 0 && index == active_;
}

void KPageControl::announceActive()
{
    if (!QAccessible::isActive() || active_ < 0)
        return;
    int position = 0;
    for (int i = 0; i < active_; ++i)
        position += pages_[i].tabVisible ? 1 : 0;
    if (strip_->hasFocus()) {
        QAccessibleEvent focus(strip_, QAccessible::Focus);
        focus.setChild(position);
        QAccessible::updateAccessibility(&focus);
    }
    QAccessibleEvent selection(strip_, QAccessible::Selection);
    selection.setChild(position);
    QAccessible::updateAccessibility(&selection);
}

bool KPageControl::selectable(int index) const
{
    return index >= 0 && index < pages_.size() && pages_[index].tabVisible && pageEnabled(pages_[index].widget);
}

void KPageControl::activateByUser(int index)
{
    if (selectable(index) && isEnabled())
        setActivePage(pages_[index].widget);
}

int KPageControl::nextSelectable(int from, int direction) const
{
    const int n = static_cast<int>(pages_.size());
    for (int k = 1; k <= n; ++k) {
        const int j = ((from + direction * k) % n + n) % n;
        if (selectable(j))
            return j;
    }
    return -1;
}

QStringList KPageControl::visibleCaptions() const
{
    QStringList out;
    for (const Page& p : pages_)
        if (p.tabVisible)
            out << p.caption;
    return out;
}

int KPageControl::tabRowCount() const { return rows_; }

QRect KPageControl::tabRect(int index) const { return tabRects_.value(index); }

QWidget* KPageControl::tabStrip() const { return strip_; }

void KPageControl::relayout()
{
    const QFontMetrics fm(font());
    const int h = rowHeight(fm);
    const int w = std::max(1, wrapWidth());
    tabRects_.clear();
    int x = 0;
    int row = 0;
    bool any = false;
    QList<int> rowOf;
    for (const Page& p : pages_) {
        if (!p.tabVisible) {
            tabRects_.append(QRect());
            rowOf.append(-1);
            continue;
        }
        QFont bold = font();
        bold.setBold(true);
        const int tw = std::max(kTabMinWidth, QFontMetrics(bold).horizontalAdvance(p.caption) + 2 * kTabPadding);
        if (any && x + tw > w) {
            ++row;
            x = 0;
        }
        tabRects_.append(QRect(x, row * (h + kRowGap), tw, h));
        rowOf.append(row);
        x += tw + kTabGap;
        any = true;
    }
    rows_ = any ? row + 1 : 0;
    const int stripHeight = rows_ > 0 ? rows_ * h + (rows_ - 1) * kRowGap + 1 : 0;
    strip_->setGeometry(0, 0, width(), stripHeight);
    strip_->setVisible(rows_ > 0);
    stack_->setGeometry(0, stripHeight, width(), std::max(0, height() - stripHeight));
    strip_->update();
    updateGeometry();
}

int KPageControl::wrapWidth()
{
    // Inside a scroll area whose view is narrower than the control, the tabs wrap at the view's
    // edge, so that every tab can be seen without scrolling sideways.
    int w = width();
    for (QWidget* p = parentWidget(); p; p = p->parentWidget()) {
        auto* area = qobject_cast<QScrollArea*>(p);
        if (!area || !area->widget() || !area->widget()->isAncestorOf(this))
            continue;
        viewport_ = area->viewport();
        const int left = mapTo(area->widget(), QPoint(0, 0)).x();
        const int margin = std::max(0, std::min(left, 12));
        w = std::min(w, area->viewport()->width() - left - margin);
        break;
    }
    return std::max(w, kTabMinWidth);
}

QSize KPageControl::sizeHint() const
{
    const QWidget* front = stack_->currentWidget();
    const QSize inner = front ? front->sizeHint().expandedTo(front->minimumSizeHint()) : stack_->sizeHint();
    return {inner.width(), inner.height() + (rows_ > 0 ? strip_->height() : 0)};
}

QSize KPageControl::minimumSizeHint() const
{
    const QWidget* front = stack_->currentWidget();
    QSize inner = front ? front->minimumSizeHint() : stack_->minimumSizeHint();
    return {inner.width(), inner.height() + (rows_ > 0 ? strip_->height() : 0)};
}

void KPageControl::resizeEvent(QResizeEvent*) { relayout(); }

bool KPageControl::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::LayoutRequest && watched == stack_)
        updateGeometry();
    if (event->type() == QEvent::EnabledChange && indexOf(qobject_cast<QWidget*>(watched)) >= 0) {
        strip_->update();
        if (QAccessible::isActive()) {
            QAccessibleStateChangeEvent change(strip_, QAccessible::State());
            QAccessible::updateAccessibility(&change);
        }
    }
    if (event->type() == QEvent::Resize && watched == viewport_)
        relayout();
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        // Ctrl+Tab and its kin belong to the innermost page control around the focused
        // widget that has another page to go to; the outer ones let it pass.
        int direction = 0;
        if (isPageKey(static_cast<QKeyEvent*>(event), &direction)) {
            for (QWidget* w = static_cast<QWidget*>(watched); w; w = w->parentWidget()) {
                auto* control = qobject_cast<KPageControl*>(w);
                if (!control || !control->isVisible() || !control->isEnabled())
                    continue;
                const int next = control->nextSelectable(control->active_, direction);
                if (next < 0 || next == control->active_)
                    continue;
                if (control != this)
                    break;
                selectByUser(next);
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void KPageControl::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        relayout();
    QWidget::changeEvent(event);
}

#include "k_page_control.moc"
