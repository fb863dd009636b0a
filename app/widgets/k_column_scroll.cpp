#include "app/widgets/k_column_scroll.h"

#include <QEvent>
#include <QScrollBar>

KColumnScroll::KColumnScroll(QWidget* column, const QString& accessibleName, QWidget* parent) : QScrollArea(parent)
{
    setObjectName(column->objectName() + QStringLiteral("Scroll"));
    setAccessibleName(accessibleName);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    setWidgetResizable(true);
    setWidget(column);
    // The bar is shown and hidden through the container the scroll area keeps it in.
    verticalScrollBar()->parentWidget()->installEventFilter(this);
    column->installEventFilter(this);
    fitWidth();
}

void KColumnScroll::fitWidth()
{
    const QWidget* column = widget();
    if (!column)
        return;
    const QScrollBar* bar = verticalScrollBar();
    const QWidget* holder = bar->parentWidget();
    const int barWidth = holder->isVisibleTo(this) ? holder->sizeHint().width() : 0;
    const QMargins frame = contentsMargins();
    setFixedWidth(column->minimumWidth() + barWidth + frame.left() + frame.right());
}

bool KColumnScroll::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type t = event->type();
    if ((watched == verticalScrollBar()->parentWidget() && (t == QEvent::Show || t == QEvent::Hide))
        || (watched == widget() && t == QEvent::LayoutRequest))
        fitWidth();
    return QScrollArea::eventFilter(watched, event);
}
