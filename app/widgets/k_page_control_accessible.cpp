#include "app/widgets/k_page_control_accessible.h"

#include "app/widgets/k_page_control.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>
#include <QWindow>

// One tab of the strip as assistive tools see it: a page tab with the page's caption. It
// stands for the page, not for a position, so it stays right when other tabs are hidden.
class KPageTabAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    KPageTabAccessible(QWidget* strip, KPageControl* owner, QWidget* page) : strip_(strip), owner_(owner), page_(page) {}

    bool isValid() const override { return strip_ && owner_ && page_ && owner_->indexOf(page_) >= 0; }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return strip_ ? strip_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(strip_.data()); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    void setText(QAccessible::Text, const QString&) override {}
    QAccessible::Role role() const override { return QAccessible::PageTab; }

    QString text(QAccessible::Text t) const override
    {
        if (!isValid())
            return {};
        if (t == QAccessible::Name)
            return owner_->caption(index());
        if (t == QAccessible::Description && !owner_->selectable(index()))
            return QStringLiteral("not available");
        return {};
    }

    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        const int i = index();
        const bool shown = owner_->pages_[i].tabVisible;
        s.invisible = !shown || !strip_->isVisible();
        s.offscreen = s.invisible;
        s.selectable = true;
        s.focusable = true;
        s.selected = i == owner_->active_;
        s.active = s.selected;
        s.focused = s.selected && strip_->hasFocus();
        s.disabled = !owner_->selectable(i) || !owner_->isEnabled();
        return s;
    }

    QRect rect() const override
    {
        if (!isValid())
            return {};
        const QRect r = owner_->tabRect(index());
        return r.isEmpty() ? QRect() : QRect(strip_->mapToGlobal(r.topLeft()), r.size());
    }

    void* interface_cast(QAccessible::InterfaceType t) override
    {
        return t == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
    }

    QStringList actionNames() const override
    {
        if (!isValid() || !owner_->selectable(index()) || !owner_->isEnabled())
            return {};
        return {pressAction(), setFocusAction()};
    }
    void doAction(const QString& name) override
    {
        if (!isValid())
            return;
        if (name == pressAction() || name == setFocusAction())
            owner_->selectByUser(index());
        if (name == setFocusAction() && owner_->ActivePage() == page_)
            strip_->setFocus(Qt::OtherFocusReason);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

    QWidget* page() const { return page_; }

private:
    int index() const { return owner_->indexOf(page_); }

    QPointer<QWidget> strip_;
    QPointer<KPageControl> owner_;
    QPointer<QWidget> page_;
};

// The strip as assistive tools see it: a page tab list whose children are its shown tabs, in
// the order they are drawn.
class KTabRowsAccessible : public QAccessibleWidget {
public:
    KTabRowsAccessible(QWidget* strip, KPageControl* owner) : QAccessibleWidget(strip, QAccessible::PageTabList), owner_(owner) {}

    ~KTabRowsAccessible() override
    {
        for (QAccessible::Id id : std::as_const(tabs_))
            QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return static_cast<int>(shownPages().size()); }

    QAccessibleInterface* child(int position) const override
    {
        const QList<QWidget*> shown = shownPages();
        if (position < 0 || position >= shown.size())
            return nullptr;
        QWidget* page = shown[position];
        if (const auto it = tabs_.constFind(page); it != tabs_.constEnd())
            return QAccessible::accessibleInterface(*it);
        auto* tab = new KPageTabAccessible(widget(), owner_, page);
        tabs_.insert(page, QAccessible::registerAccessibleInterface(tab));
        return tab;
    }

    int indexOfChild(const QAccessibleInterface* child) const override
    {
        if (!child || child->role() != QAccessible::PageTab)
            return -1;
        const auto* tab = static_cast<const KPageTabAccessible*>(child);
        return static_cast<int>(shownPages().indexOf(tab->page()));
    }

    QAccessibleInterface* childAt(int x, int y) const override
    {
        const QPoint local = widget()->mapFromGlobal(QPoint(x, y));
        const QList<QWidget*> shown = shownPages();
        for (int i = 0; i < shown.size(); ++i)
            if (owner_->tabRect(owner_->indexOf(shown[i])).contains(local))
                return child(i);
        return nullptr;
    }

    QAccessibleInterface* focusChild() const override
    {
        if (!widget()->hasFocus())
            return nullptr;
        const int position = static_cast<int>(shownPages().indexOf(owner_->ActivePage()));
        return position >= 0 ? child(position) : nullptr;
    }

private:
    QList<QWidget*> shownPages() const
    {
        QList<QWidget*> out;
        if (owner_)
            for (const KPageControl::Page& p : owner_->pages_)
                if (p.tabVisible)
                    out << p.widget;
        return out;
    }

    QPointer<KPageControl> owner_;
    mutable QHash<QWidget*, QAccessible::Id> tabs_;
};

QAccessibleInterface* pageTabsAccessibleFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String("KTabRows") && object && object->isWidgetType())
        if (auto* owner = qobject_cast<KPageControl*>(static_cast<QWidget*>(object)->parentWidget()))
            return new KTabRowsAccessible(static_cast<QWidget*>(object), owner);
    return nullptr;
}
