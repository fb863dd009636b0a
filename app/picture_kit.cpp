#include "app/picture_kit.h"

#include <QPainter>

namespace pictures {

QPixmap canvas(int w, int h)
{
    QPixmap pm(w, h);
    pm.fill(Qt::transparent);
    return pm;
}

QIcon glyph(const std::function<void(QPainter&)>& draw)
{
    QIcon icon;
    for (int size : {16, 24, 32}) {
        QPixmap pm = canvas(size, size);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 16.0, size / 16.0);
        draw(p);
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

QPen pen(const QColor& c, qreal width) { return QPen(c, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin); }

}  // namespace pictures
