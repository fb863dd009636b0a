#include "app/widgets/k_repaint_pacer.h"

KRepaintPacer::KRepaintPacer(QWidget* widget, int intervalMs, QObject* parent)
    : QObject(parent), widget_(widget), intervalMs_(intervalMs)
{
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] { release(); });
}

void KRepaintPacer::aboutToChange()
{
    if (!widget_ || timer_.isActive())
        return;  // held already: it paints at the next tick
    if (!lastPaint_.isValid() || lastPaint_.elapsed() >= intervalMs_) {
        lastPaint_.start();  // the first change after a quiet spell shows at once
        return;
    }
    // A widget with updates disabled skips its own repaints; the window still paints it.
    widget_->setUpdatesEnabled(false);
    timer_.start(static_cast<int>(intervalMs_ - lastPaint_.elapsed()));
}

void KRepaintPacer::release()
{
    lastPaint_.start();
    if (widget_)
        widget_->setUpdatesEnabled(true);  // marks it dirty: one repaint with the latest value
}
