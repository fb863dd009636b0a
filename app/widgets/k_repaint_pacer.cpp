#include "app/widgets/k_repaint_pacer.h"

#include <QCoreApplication>
#include <QEvent>

#include <algorithm>

KRepaintPacer::KRepaintPacer(QWidget* widget, int intervalMs, QObject* parent)
    : QObject(parent), widget_(widget), intervalMs_(intervalMs)
{
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] { release(); });
}

void KRepaintPacer::change(const std::function<void()>& apply)
{
    if (!widget_ || (!timer_.isActive() && (!lastPaint_.isValid() || lastPaint_.elapsed() >= intervalMs_))) {
        lastPaint_.start();  // the first change after a quiet spell shows at once
        apply();
        return;
    }
    // A widget that repaints itself at once marks its area dirty and then asks its window to
    // paint everything dirty now. That request is held back; the area stays marked, and the
    // next repaint of the window, at the latest the tick, paints it.
    QWidget* window = widget_->window();
    window->installEventFilter(this);
    holding_ = true;
    apply();
    holding_ = false;
    window->removeEventFilter(this);
    if (!timer_.isActive())
        timer_.start(static_cast<int>(std::max<qint64>(0, intervalMs_ - lastPaint_.elapsed())));
}

bool KRepaintPacer::eventFilter(QObject* watched, QEvent* event)
{
    if (holding_ && event->type() == QEvent::UpdateRequest)
        return true;
    return QObject::eventFilter(watched, event);
}

void KRepaintPacer::release()
{
    lastPaint_.start();
    if (!widget_)
        return;
    widget_->update();
    // The held area may already count as dirty, so that update() asks for no repaint of its own.
    QCoreApplication::postEvent(widget_->window(), new QEvent(QEvent::UpdateRequest), Qt::LowEventPriority);
}
