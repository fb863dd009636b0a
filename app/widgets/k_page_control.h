#pragma once
#include <QList>
#include <QPointer>
#include <QRect>
#include <QWidget>

class QStackedWidget;
class KTabRows;

// A page control whose tabs wrap into as many rows as the width needs (Qt's own tab bar
// scrolls instead). Tabs can be hidden (`setTabVisible`): a hidden tab is neither drawn nor
// reachable. Pages can be disabled (`QWidget::setEnabled` on the page): the tab is drawn
// dimmed and the user cannot bring the page to the front. `changed()` follows every change
// of the active page.
//
// The user reaches the pages with the mouse, with the arrow keys on the focused tab strip,
// with Ctrl+Tab / Ctrl+PgDown and Ctrl+Shift+Tab / Ctrl+PgUp from anywhere inside the control
// (the innermost page control around the focus takes them), and through assistive tools: the
// strip is a page tab list whose page tabs carry their captions, their selected and disabled
// states and a press action that brings the page to the front.
class KPageControl : public QWidget {
    Q_OBJECT
public:
    explicit KPageControl(QWidget* parent = nullptr);

    int addPage(QWidget* page, const QString& caption);
    int pageCount() const { return static_cast<int>(pages_.size()); }
    QWidget* page(int index) const;
    int indexOf(const QWidget* page) const;
    QString caption(int index) const;

    bool TabVisible(const QWidget* page) const;
    void setTabVisible(QWidget* page, bool visible);
    bool pageEnabled(const QWidget* page) const;

    QWidget* ActivePage() const;
    int activeIndex() const { return active_; }
    // Brings the page to the front; a page whose tab is hidden cannot be.
    void setActivePage(QWidget* page);

    // Brings the page to the front as a user's choice would: only a selectable tab (shown,
    // enabled, in an enabled control) can be chosen. Returns whether the page is in front.
    bool selectByUser(int index);
    bool selectable(int index) const;

    // The tabs in the order and rows the user sees them (visible tabs only).
    QStringList visibleCaptions() const;
    int tabRowCount() const;
    QRect tabRect(int index) const;  // empty for a hidden tab
    QWidget* tabStrip() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void changed();

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    friend class KTabRows;
    friend class KTabRowsAccessible;
    friend class KPageTabAccessible;
    struct Page {
        QWidget* widget;
        QString caption;
        bool tabVisible = true;
    };

    void relayout();
    void activateByUser(int index);
    int nextSelectable(int from, int direction) const;
    void announceActive();

    QList<Page> pages_;
    QList<QRect> tabRects_;
    int rows_ = 0;
    int active_ = -1;
    int wrapWidth();
    QPointer<QWidget> viewport_;  // the view of the scroll area around the control, if any
    KTabRows* strip_;
    QStackedWidget* stack_;
};
