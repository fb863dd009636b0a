#pragma once
#include <QList>
#include <QRect>
#include <QWidget>

class QStackedWidget;
class KTabRows;

// A page control whose tabs wrap into as many rows as the width needs (Qt's own tab bar
// scrolls instead). Tabs can be hidden (`setTabVisible`): a hidden tab is neither drawn nor
// reachable. Pages can be disabled (`QWidget::setEnabled` on the page): the tab is drawn
// dimmed and the user cannot bring the page to the front. `changed()` follows every change
// of the active page.
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
    struct Page {
        QWidget* widget;
        QString caption;
        bool tabVisible = true;
    };

    void relayout();
    void activateByUser(int index);
    int nextSelectable(int from, int direction) const;
    bool selectable(int index) const;

    QList<Page> pages_;
    QList<QRect> tabRects_;
    int rows_ = 0;
    int active_ = -1;
    KTabRows* strip_;
    QStackedWidget* stack_;
};
