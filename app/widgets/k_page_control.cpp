#include "app/widgets/k_page_control.h"

#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStackedWidget>

namespace {
constexpr int kTabPadding = 12;   // left and right of a caption
constexpr int kTabGap = 2;        // between two tabs
constexpr int kRowGap = 2;        // between two rows
constexpr int kTabMinWidth = 48;

int rowHeight(const QFontMetrics& fm) { return fm.height() + 10; }
}  // namespace

// The strip of tab rows above the pages: draws the tabs and takes the clicks and keys.
class KTabRows : public QWidget {
public:
    explicit KTabRows(KPageControl* owner) : QWidget(owner), owner_(owner) {
        setFocusPolicy(Qt::StrongFocus);
        setMouseTracking(true);
        setObjectName(QStringLiteral("tabRows"));
    }

protected:
    void paintEvent(QPaintEvent*) override {
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
                p.setPen(QPen(pal.color(QPalette::HighlightedText), 1, Qt::DotLine));
                p.setRenderHint(QPainter::Antialiasing, false);
                p.drawRect(r.adjusted(3, 3, -4, -4));
                p.setRenderHint(QPainter::Antialiasing, true);
            }
        }
        // The line that joins the front tab to its page.
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(pal.color(QPalette::Highlight));
        p.drawLine(0, height() - 1, width(), height() - 1);
        (void)fm;
    }

    void mousePressEvent(QMouseEvent* e) override {
        const int i = tabAt(e->position().toPoint());
        if (i >= 0 && e->button() == Qt::LeftButton)
            owner_->activateByUser(i);
        e->accept();
    }

    void mouseReleaseEvent(QMouseEvent* e) override { e->accept(); }

    void mouseMoveEvent(QMouseEvent* e) override {
        const int i = tabAt(e->position().toPoint());
        if (i != hover_) {
            hover_ = i;
            update();
        }
    }

    void leaveEvent(QEvent*) override {
        hover_ = -1;
        update();
    }

    void keyPressEvent(QKeyEvent* e) override {
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

    void focusInEvent(QFocusEvent*) override { update(); }
    void focusOutEvent(QFocusEvent*) override { update(); }

private:
    int tabAt(QPoint pos) const {
        for (int i = 0; i < owner_->tabRects_.size(); ++i)
            if (owner_->tabRects_[i].contains(pos))
                return i;
        return -1;
    }

    KPageControl* owner_;
    int hover_ = -1;
};

KPageControl::KPageControl(QWidget* parent)
    : QWidget(parent), strip_(new KTabRows(this)), stack_(new QStackedWidget(this)) {
    stack_->setObjectName(QStringLiteral("pages"));
    stack_->setFrameShape(QFrame::NoFrame);
}

int KPageControl::addPage(QWidget* page, const QString& caption) {
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

QWidget* KPageControl::page(int index) const {
    return index >= 0 && index < pages_.size() ? pages_[index].widget : nullptr;
}

int KPageControl::indexOf(const QWidget* page) const {
    for (int i = 0; i < pages_.size(); ++i)
        if (pages_[i].widget == page)
            return i;
    return -1;
}

QString KPageControl::caption(int index) const {
    return index >= 0 && index < pages_.size() ? pages_[index].caption : QString();
}

bool KPageControl::TabVisible(const QWidget* page) const {
    const int i = indexOf(page);
    return i >= 0 && pages_[i].tabVisible;
}

void KPageControl::setTabVisible(QWidget* page, bool visible) {
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
}

bool KPageControl::pageEnabled(const QWidget* page) const {
    return page && page->isEnabledTo(const_cast<KPageControl*>(this));
}

QWidget* KPageControl::ActivePage() const { return page(active_); }

void KPageControl::setActivePage(QWidget* page) {
    const int i = indexOf(page);
    if (i < 0 || !pages_[i].tabVisible || i == active_)
        return;
    active_ = i;
    stack_->setCurrentWidget(page);
    strip_->update();
    emit changed();
}

bool KPageControl::selectable(int index) const {
    return index >= 0 && index < pages_.size() && pages_[index].tabVisible && pageEnabled(pages_[index].widget);
}

void KPageControl::activateByUser(int index) {
    if (selectable(index) && isEnabled())
        setActivePage(pages_[index].widget);
}

int KPageControl::nextSelectable(int from, int direction) const {
    const int n = static_cast<int>(pages_.size());
    for (int k = 1; k <= n; ++k) {
        const int j = ((from + direction * k) % n + n) % n;
        if (selectable(j))
            return j;
    }
    return -1;
}

QStringList KPageControl::visibleCaptions() const {
    QStringList out;
    for (const Page& p : pages_)
        if (p.tabVisible)
            out << p.caption;
    return out;
}

int KPageControl::tabRowCount() const { return rows_; }

QRect KPageControl::tabRect(int index) const { return tabRects_.value(index); }

QWidget* KPageControl::tabStrip() const { return strip_; }

void KPageControl::relayout() {
    const QFontMetrics fm(font());
    const int h = rowHeight(fm);
    const int w = std::max(1, width());
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

QSize KPageControl::sizeHint() const {
    const QSize inner = stack_->sizeHint();
    return {inner.width(), inner.height() + (rows_ > 0 ? strip_->height() : 0)};
}

QSize KPageControl::minimumSizeHint() const {
    QSize inner = stack_->minimumSizeHint();
    return {inner.width(), inner.height() + (rows_ > 0 ? strip_->height() : 0)};
}

void KPageControl::resizeEvent(QResizeEvent*) { relayout(); }

bool KPageControl::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::EnabledChange && indexOf(qobject_cast<QWidget*>(watched)) >= 0)
        strip_->update();
    return QWidget::eventFilter(watched, event);
}

void KPageControl::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        relayout();
    QWidget::changeEvent(event);
}
