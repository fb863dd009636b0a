#pragma once
// What every drawn picture of the window shares: the palette of the dark style and the way a
// glyph becomes an icon at the sizes the toolkit asks for.
#include <QColor>
#include <QIcon>
#include <QPen>
#include <QPixmap>

#include <functional>

class QPainter;

namespace pictures {

inline const QColor kInk(0xe3, 0xe7, 0xec);
inline const QColor kAccent(0x6f, 0x9c, 0xc9);
inline const QColor kGreen(0x5f, 0xc2, 0x7e);
inline const QColor kAmber(0xe8, 0xb0, 0x4b);
inline const QColor kRed(0xe0, 0x6c, 0x5f);

// A transparent canvas of w x h pixels.
QPixmap canvas(int w, int h);
// An icon drawn at 16, 24 and 32 pixels from a drawing made on a 16 x 16 field.
QIcon glyph(const std::function<void(QPainter&)>& draw);
// A pen with round caps and joins.
QPen pen(const QColor& c, qreal width);

}  // namespace pictures
