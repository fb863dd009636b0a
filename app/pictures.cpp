#include "app/pictures.h"

#include "app/picture_kit.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <QtMath>

#include <cmath>
#include <functional>

namespace pictures {
namespace {

void arrowHead(QPainter& p, QPointF tip, qreal angleDeg, qreal len, const QColor& c)
{
    const qreal a = qDegreesToRadians(angleDeg);
    QPainterPath path;
    path.moveTo(tip);
    path.lineTo(tip - QPointF(std::cos(a - 0.5) * len, std::sin(a - 0.5) * len));
    path.lineTo(tip - QPointF(std::cos(a + 0.5) * len, std::sin(a + 0.5) * len));
    path.closeSubpath();
    p.fillPath(path, c);
}

}  // namespace

QPixmap chip(int size)
{
    QPixmap pm = canvas(size, size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size / 128.0;
    p.scale(s, s);

    // Pins on the four sides.
    p.setPen(Qt::NoPen);
    QLinearGradient pinGrad(0, 0, 0, 6);
    pinGrad.setColorAt(0, QColor(0xd9, 0xdd, 0xe2));
    pinGrad.setColorAt(1, QColor(0x8e, 0x96, 0xa0));
    for (int i = 0; i < 10; ++i) {
        const qreal c = 26 + i * 8.4;
        p.setBrush(QColor(0xb8, 0xbf, 0xc8));
        p.drawRoundedRect(QRectF(c - 2.2, 8, 4.4, 14), 1, 1);
        p.drawRoundedRect(QRectF(c - 2.2, 106, 4.4, 14), 1, 1);
        p.drawRoundedRect(QRectF(8, c - 2.2, 14, 4.4), 1, 1);
        p.drawRoundedRect(QRectF(106, c - 2.2, 14, 4.4), 1, 1);
    }

    // The body.
    QLinearGradient body(20, 20, 108, 108);
    body.setColorAt(0, QColor(0x3b, 0x42, 0x4c));
    body.setColorAt(1, QColor(0x1b, 0x1f, 0x24));
    p.setBrush(body);
    p.setPen(QPen(QColor(0x5d, 0x68, 0x75), 1.5));
    p.drawRoundedRect(QRectF(20, 20, 88, 88), 7, 7);

    // Inner die with a soft glow: the chip is alive once the port is open.
    QRadialGradient glow(64, 64, 40);
    glow.setColorAt(0, QColor(0x6f, 0x9c, 0xc9, 90));
    glow.setColorAt(1, QColor(0x6f, 0x9c, 0xc9, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(QPointF(64, 64), 40, 40);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x6f, 0x9c, 0xc9), 1.2));
    p.drawRoundedRect(QRectF(34, 34, 60, 60), 4, 4);

    // Orientation mark and lettering.
    p.setBrush(QColor(0x8e, 0x96, 0xa0));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(29, 29), 3, 3);
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(18);
    f.setBold(true);
    p.setFont(f);
    p.setPen(kInk);
    p.drawText(QRectF(34, 38, 60, 30), Qt::AlignCenter, QStringLiteral("K7"));
    f.setPixelSize(9);
    f.setBold(false);
    p.setFont(f);
    p.setPen(QColor(0xae, 0xbc, 0xcc));
    p.drawText(QRectF(34, 64, 60, 20), Qt::AlignCenter, QStringLiteral("MFD 7.8"));
    return pm;
}

QPixmap screenSize(int width, int height)
{
    QPixmap pm = canvas(width, height);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF frame(6, 6, width - 12, height - 12);

    // The display housing and its glass.
    QLinearGradient housing(frame.topLeft(), frame.bottomLeft());
    housing.setColorAt(0, QColor(0x3a, 0x41, 0x4b));
    housing.setColorAt(1, QColor(0x22, 0x26, 0x2c));
    p.setPen(QPen(QColor(0x5d, 0x68, 0x75), 1.5));
    p.setBrush(housing);
    p.drawRoundedRect(frame, 10, 10);
    const QRectF glass = frame.adjusted(14, 14, -14, -14);
    QLinearGradient glassGrad(glass.topLeft(), glass.bottomRight());
    glassGrad.setColorAt(0, QColor(0x12, 0x1a, 0x24));
    glassGrad.setColorAt(1, QColor(0x0b, 0x0f, 0x14));
    p.setBrush(glassGrad);
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(glass, 4, 4);

    // The visible area between the top and bottom lines.
    const qreal top = glass.top() + glass.height() * 0.2;
    const qreal bottom = glass.bottom() - glass.height() * 0.2;
    p.setBrush(QColor(0x6f, 0x9c, 0xc9, 45));
    p.drawRect(QRectF(glass.left() + 4, top, glass.width() - 8, bottom - top));
    p.setPen(QPen(kAccent, 2, Qt::DashLine));
    p.drawLine(QPointF(glass.left() + 4, top), QPointF(glass.right() - 4, top));
    p.drawLine(QPointF(glass.left() + 4, bottom), QPointF(glass.right() - 4, bottom));

    // Arrows that move the lines.
    const qreal ax = glass.center().x();
    p.setPen(pen(kAmber, 2));
    p.drawLine(QPointF(ax, top - 14), QPointF(ax, top + 14));
    arrowHead(p, QPointF(ax, top - 16), -90, 8, kAmber);
    arrowHead(p, QPointF(ax, top + 16), 90, 8, kAmber);
    p.drawLine(QPointF(ax, bottom - 14), QPointF(ax, bottom + 14));
    arrowHead(p, QPointF(ax, bottom - 16), -90, 8, kAmber);
    arrowHead(p, QPointF(ax, bottom + 16), 90, 8, kAmber);

    // A few lines of "content" in the visible area.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xae, 0xbc, 0xcc, 120));
    const qreal contentTop = top + 20;
    for (int i = 0; i < 3; ++i) {
        const qreal y = contentTop + i * 14;
        if (y + 6 < bottom - 20)
            p.drawRoundedRect(QRectF(glass.left() + 16, y, glass.width() * (0.55 - i * 0.1), 6), 3, 3);
    }
    return pm;
}

QPixmap keysEmulator(int width, int height)
{
    QPixmap pm = canvas(width, height);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);

    // The display unit.
    const QRectF unit(10, 10, width - 20, height * 0.55);
    QLinearGradient housing(unit.topLeft(), unit.bottomLeft());
    housing.setColorAt(0, QColor(0x3a, 0x41, 0x4b));
    housing.setColorAt(1, QColor(0x1f, 0x23, 0x29));
    p.setPen(QPen(QColor(0x5d, 0x68, 0x75), 1.5));
    p.setBrush(housing);
    p.drawRoundedRect(unit, 12, 12);
    const QRectF glass(unit.left() + 12, unit.top() + 12, unit.width() - 24, unit.height() * 0.62);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x0d, 0x12, 0x18));
    p.drawRoundedRect(glass, 5, 5);

    // A gauge on the glass.
    const QPointF c(glass.center().x(), glass.bottom() - 8);
    const qreal r = std::min(glass.width() * 0.4, glass.height() * 0.8);
    p.setPen(QPen(QColor(0x3a, 0x46, 0x55), 6, Qt::SolidLine, Qt::FlatCap));
    p.drawArc(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), 0, 180 * 16);
    p.setPen(QPen(kAccent, 6, Qt::SolidLine, Qt::FlatCap));
    p.drawArc(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), 70 * 16, 110 * 16);
    p.setPen(pen(kAmber, 2.5));
    p.drawLine(c, c + QPointF(std::cos(qDegreesToRadians(-70.0)) * r * 0.85, std::sin(qDegreesToRadians(-70.0)) * r * 0.85));

    // The keys under the glass.
    const qreal keysTop = glass.bottom() + 10;
    const qreal keyH = std::max<qreal>(14, unit.bottom() - keysTop - 10);
    const QStringList keys = {QStringLiteral("\u2191"), QStringLiteral("\u2193"), QStringLiteral("R")};
    const qreal keyW = (glass.width() - 2 * 10) / 3;
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(static_cast<int>(keyH * 0.6));
    f.setBold(true);
    p.setFont(f);
    for (int i = 0; i < 3; ++i) {
        const QRectF key(glass.left() + i * (keyW + 10), keysTop, keyW, keyH);
        QLinearGradient kg(key.topLeft(), key.bottomLeft());
        kg.setColorAt(0, QColor(0x52, 0x5c, 0x68));
        kg.setColorAt(1, QColor(0x37, 0x3e, 0x47));
        p.setPen(QPen(QColor(0x6a, 0x75, 0x82), 1));
        p.setBrush(kg);
        p.drawRoundedRect(key, 5, 5);
        p.setPen(kInk);
        p.drawText(key, Qt::AlignCenter, keys[i]);
    }

    // The cable to the PC.
    p.setPen(pen(QColor(0x8e, 0x96, 0xa0), 3));
    QPainterPath cable;
    const QPointF start(unit.center().x(), unit.bottom());
    cable.moveTo(start);
    cable.cubicTo(start + QPointF(0, 40), QPointF(width * 0.25, height * 0.7), QPointF(width * 0.3, height * 0.82));
    p.setBrush(Qt::NoBrush);
    p.drawPath(cable);

    // A door mirror with its four moves.
    const QRectF mirror(width * 0.45, height * 0.68, width * 0.42, height * 0.22);
    QLinearGradient mg(mirror.topLeft(), mirror.bottomRight());
    mg.setColorAt(0, QColor(0x7f, 0xa6, 0xcc));
    mg.setColorAt(1, QColor(0x3e, 0x5a, 0x78));
    p.setPen(QPen(QColor(0xae, 0xbc, 0xcc), 2));
    p.setBrush(mg);
    QPainterPath mp;
    mp.moveTo(mirror.left() + mirror.width() * 0.1, mirror.top());
    mp.lineTo(mirror.right(), mirror.top() + mirror.height() * 0.1);
    mp.lineTo(mirror.right() - mirror.width() * 0.05, mirror.bottom());
    mp.lineTo(mirror.left(), mirror.bottom() - mirror.height() * 0.15);
    mp.closeSubpath();
    p.drawPath(mp);
    const QPointF mc = mirror.center();
    const qreal len = std::min(mirror.width(), mirror.height()) * 0.32;
    p.setPen(pen(kAmber, 2));
    p.drawLine(mc - QPointF(len, 0), mc + QPointF(len, 0));
    p.drawLine(mc - QPointF(0, len), mc + QPointF(0, len));
    arrowHead(p, mc + QPointF(len + 2, 0), 0, 7, kAmber);
    arrowHead(p, mc - QPointF(len + 2, 0), 180, 7, kAmber);
    arrowHead(p, mc + QPointF(0, len + 2), 90, 7, kAmber);
    arrowHead(p, mc - QPointF(0, len + 2), -90, 7, kAmber);

    // The PC end of the cable.
    const QRectF plug(width * 0.3 - 10, height * 0.82, 20, 12);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x8e, 0x96, 0xa0));
    p.drawRoundedRect(plug, 2, 2);
    return pm;
}

QIcon reboot()
{
    return glyph([](QPainter& p) {
        p.setPen(pen(kAmber, 1.8));
        p.drawArc(QRectF(2.5, 2.5, 11, 11), 120 * 16, 300 * 16);
        arrowHead(p, QPointF(5.3, 2.9), 200, 4.2, kAmber);
    });
}

QIcon update()
{
    return glyph([](QPainter& p) {
        p.setPen(pen(kGreen, 1.3));
        QPainterPath card;
        card.moveTo(3.5, 14.5);
        card.lineTo(3.5, 8.5);
        card.lineTo(5.5, 6.5);
        card.lineTo(12.5, 6.5);
        card.lineTo(12.5, 14.5);
        card.closeSubpath();
        p.drawPath(card);
        p.setPen(pen(kGreen, 1.6));
        p.drawLine(QPointF(8, 12), QPointF(8, 3.5));
        arrowHead(p, QPointF(8, 1.5), -90, 4.5, kGreen);
    });
}

QIcon connect()
{
    return glyph([](QPainter& p) {
        p.setPen(pen(kGreen, 1.6));
        p.drawLine(QPointF(2, 8), QPointF(6, 8));
        p.drawLine(QPointF(10, 8), QPointF(14, 8));
        p.setBrush(kGreen);
        p.drawRoundedRect(QRectF(5.5, 5, 3, 6), 1, 1);
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(8.5, 4.5, 3, 7), 1, 1);
    });
}

QIcon exitDoor()
{
    return glyph([](QPainter& p) {
        p.setPen(pen(kRed, 1.6));
        p.drawArc(QRectF(3, 3, 10, 10), 120 * 16, 300 * 16);
        p.drawLine(QPointF(8, 1.8), QPointF(8, 7.5));
    });
}

QIcon read()
{
    return glyph([](QPainter& p) {
        p.setPen(pen(kAccent, 1.6));
        p.drawLine(QPointF(8, 2), QPointF(8, 10));
        arrowHead(p, QPointF(8, 12), 90, 5, kAccent);
        p.drawLine(QPointF(3, 14), QPointF(13, 14));
    });
}

QIcon save()
{
    return glyph([](QPainter& p) {
        p.setPen(pen(kAccent, 1.3));
        p.setBrush(QColor(0x6f, 0x9c, 0xc9, 60));
        p.drawRoundedRect(QRectF(2.5, 2.5, 11, 11), 1.5, 1.5);
        p.setBrush(kAccent);
        p.drawRect(QRectF(5, 3, 6, 3.5));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(4.5, 9, 7, 4.5));
    });
}

QIcon erase()
{
    return glyph([](QPainter& p) {
        p.setPen(pen(kRed, 1.8));
        p.drawLine(QPointF(4, 4), QPointF(12, 12));
        p.drawLine(QPointF(12, 4), QPointF(4, 12));
    });
}

QIcon folder()
{
    return glyph([](QPainter& p) {
        p.setPen(pen(kAmber, 1.2));
        p.setBrush(QColor(0xe8, 0xb0, 0x4b, 90));
        QPainterPath path;
        path.moveTo(2, 4);
        path.lineTo(6, 4);
        path.lineTo(7.5, 5.5);
        path.lineTo(14, 5.5);
        path.lineTo(14, 13);
        path.lineTo(2, 13);
        path.closeSubpath();
        p.drawPath(path);
    });
}

QIcon send()
{
    return glyph([](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(kGreen);
        QPainterPath path;
        path.moveTo(2, 3);
        path.lineTo(14, 8);
        path.lineTo(2, 13);
        path.lineTo(4.5, 8);
        path.closeSubpath();
        p.drawPath(path);
    });
}

QIcon picture()
{
    return glyph([](QPainter& p) {
        p.setPen(pen(kAccent, 1.2));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(2, 3, 12, 10), 1.5, 1.5);
        p.setPen(Qt::NoPen);
        p.setBrush(kAmber);
        p.drawEllipse(QPointF(5.5, 6.2), 1.4, 1.4);
        p.setBrush(kGreen);
        QPainterPath hill;
        hill.moveTo(3, 12);
        hill.lineTo(7.5, 7.5);
        hill.lineTo(10, 10);
        hill.lineTo(11.5, 8.8);
        hill.lineTo(13, 12);
        hill.closeSubpath();
        p.drawPath(hill);
    });
}

QIcon sleep()
{
    return glyph([](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(kAccent);
        QPainterPath moon;
        moon.addEllipse(QPointF(8, 8), 6, 6);
        QPainterPath bite;
        bite.addEllipse(QPointF(10.5, 6), 5, 5);
        p.drawPath(moon.subtracted(bite));
    });
}

QIcon sun()
{
    return glyph([](QPainter& p) {
        p.setPen(pen(kAmber, 1.3));
        p.setBrush(kAmber);
        p.drawEllipse(QPointF(8, 8), 3, 3);
        for (int i = 0; i < 8; ++i) {
            const qreal a = qDegreesToRadians(i * 45.0);
            p.drawLine(QPointF(8 + std::cos(a) * 5, 8 + std::sin(a) * 5), QPointF(8 + std::cos(a) * 7, 8 + std::sin(a) * 7));
        }
    });
}

}  // namespace pictures
