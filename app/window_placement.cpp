#include "app/window_placement.h"

QRect firstWindowFrame(const QRect& available, const QSize& designed)
{
    if (available.isEmpty())
        return QRect(QPoint(0, 0), designed);
    if (designed.width() > available.width() || designed.height() > available.height())
        return available;
    QRect frame(QPoint(0, 0), designed);
    frame.moveCenter(available.center());
    return frame;
}
