#pragma once
#include <QRect>
#include <QSize>

// Where the window first appears: at its designed outer size, centred on the screen's available
// area, when that size fits there; otherwise over the whole available area. Either way the whole
// window, title bar and status bar included, lies on the screen at any scale factor.
QRect firstWindowFrame(const QRect& available, const QSize& designed);
