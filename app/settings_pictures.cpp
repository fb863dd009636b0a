#include "app/settings_pictures.h"

#include "app/picture_kit.h"

#include <QPainter>
#include <QPainterPath>
#include <QtMath>

#include <array>
#include <cmath>
#include <functional>
#include <vector>

namespace pictures {
namespace {

// A flag: stripes, then an optional emblem drawn over them, on a 24 x 16 field.
struct Flag {
    bool vertical;
    std::vector<QColor> stripes;
    std::function<void(QPainter&, const QRectF&)> emblem;
};

const QColor kWhite(0xff, 0xff, 0xff), kBlue(0x1c, 0x3f, 0x94), kRedF(0xd5, 0x2b, 0x1e), kBlack(0x10, 0x10, 0x10),
    kGold(0xff, 0xce, 0x00), kGreenF(0x00, 0x96, 0x4b), kYellow(0xfc, 0xd1, 0x16), kCarmine(0x9e, 0x30, 0x39),
    kSky(0x0d, 0x5e, 0xaf);

void unionCross(QPainter& p, const QRectF& r)
{
    p.fillRect(r, kBlue);
    p.setPen(QPen(kWhite, 3.2));
    p.drawLine(r.topLeft(), r.bottomRight());
    p.drawLine(r.bottomLeft(), r.topRight());
    p.setPen(QPen(kRedF, 1.2));
    p.drawLine(r.topLeft(), r.bottomRight());
    p.drawLine(r.bottomLeft(), r.topRight());
    p.fillRect(QRectF(r.center().x() - 2.5, r.top(), 5, r.height()), kWhite);
    p.fillRect(QRectF(r.left(), r.center().y() - 2.5, r.width(), 5), kWhite);
    p.fillRect(QRectF(r.center().x() - 1.5, r.top(), 3, r.height()), kRedF);
    p.fillRect(QRectF(r.left(), r.center().y() - 1.5, r.width(), 3), kRedF);
}

const std::array<Flag, 20>& flags()
{
    static const std::array<Flag, 20> all = {{
        {false, {kWhite, kSky, kRedF}, {}},                             // 1 Russian
        {false, {kBlue}, unionCross},                                   // 2 English
        {false, {kCarmine, kCarmine, kWhite, kCarmine, kCarmine}, {}},  // 3 Latvian
        {false,
         {kRedF, kWhite, kRedF, kWhite, kRedF, kWhite, kRedF},  // 4 USA
         [](QPainter& p, const QRectF& r) {
             p.fillRect(QRectF(r.left(), r.top(), r.width() * 0.45, r.height() * 4 / 7), kBlue);
         }},
        {true, {kBlue, kWhite, kRedF}, {}},  // 5 French
        {false, {kWhite, kRedF}, {}},        // 6 Polish
        {false, {kBlue}, unionCross},        // 7 UK
        {false,
         {kWhite, kRedF},  // 8 Czech
         [](QPainter& p, const QRectF& r) {
             QPainterPath t;
             t.moveTo(r.topLeft());
             t.lineTo(r.left() + r.width() / 2, r.center().y());
             t.lineTo(r.bottomLeft());
             t.closeSubpath();
             p.fillPath(t, kSky);
         }},
        {false,
         {kWhite, kBlue, kRedF},  // 9 Slovak
         [](QPainter& p, const QRectF& r) {
             QPainterPath s;
             const QRectF sh(r.left() + r.width() * 0.22, r.top() + r.height() * 0.2, r.width() * 0.26, r.height() * 0.6);
             s.moveTo(sh.topLeft());
             s.lineTo(sh.topRight());
             s.lineTo(sh.right(), sh.center().y());
             s.quadTo(sh.right(), sh.bottom(), sh.center().x(), sh.bottom());
             s.quadTo(sh.left(), sh.bottom(), sh.left(), sh.center().y());
             s.closeSubpath();
             p.fillPath(s, kRedF);
             p.setPen(QPen(kWhite, 1.0));
             p.drawPath(s);
         }},
        {false, {kBlack, kRedF, kGold}, {}},            // 10 German
        {false, {kRedF, kYellow, kYellow, kRedF}, {}},  // 11 Spanish
        {false, {kWhite, kGreenF, kRedF}, {}},          // 12 Bulgarian
        {true, {kBlue, kYellow, kRedF}, {}},            // 13 Romanian
        {true,
         {kGreenF, kGreenF, kRedF, kRedF, kRedF},  // 14 Portuguese
         [](QPainter& p, const QRectF& r) {
             p.setBrush(kYellow);
             p.setPen(Qt::NoPen);
             p.drawEllipse(QPointF(r.left() + r.width() * 0.4, r.center().y()), 3.2, 3.2);
         }},
        {true, {kGreenF, kWhite, kRedF}, {}},   // 15 Italian
        {false, {kRedF, kWhite, kGreenF}, {}},  // 16 Hungarian
        {true,
         {kGreenF, kWhite, kRedF},  // 17 Latin American
         [](QPainter& p, const QRectF& r) {
             p.setBrush(QColor(0x8b, 0x5a, 0x2b));
             p.setPen(Qt::NoPen);
             p.drawEllipse(r.center(), 2.2, 2.2);
         }},
        {false, {kBlue}, unionCross},  // 18 English, miles
        {true,
         {kRedF, kWhite, kWhite, kRedF},  // 19 Canada
         [](QPainter& p, const QRectF& r) {
             QPainterPath leaf;
             const QPointF c = r.center();
             leaf.moveTo(c.x(), c.y() - 5);
             leaf.lineTo(c.x() + 1.5, c.y() - 2);
             leaf.lineTo(c.x() + 4, c.y() - 3);
             leaf.lineTo(c.x() + 3, c.y() + 1);
             leaf.lineTo(c.x() + 0.6, c.y() + 2.5);
             leaf.lineTo(c.x() + 0.6, c.y() + 5);
             leaf.lineTo(c.x() - 0.6, c.y() + 5);
             leaf.lineTo(c.x() - 0.6, c.y() + 2.5);
             leaf.lineTo(c.x() - 3, c.y() + 1);
             leaf.lineTo(c.x() - 4, c.y() - 3);
             leaf.lineTo(c.x() - 1.5, c.y() - 2);
             leaf.closeSubpath();
             p.fillPath(leaf, kRedF);
         }},
        {false,
         {kSky, kWhite, kSky, kWhite, kSky, kWhite, kSky, kWhite, kSky},  // 20 Greek
         [](QPainter& p, const QRectF& r) {
             const QRectF c(r.left(), r.top(), r.height() * 5 / 9, r.height() * 5 / 9);
             p.fillRect(c, kSky);
             p.fillRect(QRectF(c.center().x() - 0.9, c.top(), 1.8, c.height()), kWhite);
             p.fillRect(QRectF(c.left(), c.center().y() - 0.9, c.width(), 1.8), kWhite);
         }},
    }};
    return all;
}

QPixmap drawFlag(const Flag& f, int w, int h)
{
    QPixmap pm = canvas(w, h);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF field(0.5, 1.5, w - 1.0, h - 3.0);
    const int n = static_cast<int>(f.stripes.size());
    for (int i = 0; i < n; ++i) {
        const QRectF stripe = f.vertical
            ? QRectF(field.left() + field.width() * i / n, field.top(), field.width() / n + 0.5, field.height())
            : QRectF(field.left(), field.top() + field.height() * i / n, field.width(), field.height() / n + 0.5);
        p.fillRect(stripe, f.stripes[static_cast<size_t>(i)]);
    }
    if (f.emblem) {
        p.save();
        p.setClipRect(field);
        f.emblem(p, field);
        p.restore();
    }
    p.setPen(QPen(QColor(0, 0, 0, 120), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(field);
    return pm;
}

QPainterPath gearPath(QPointF c, qreal outer, qreal inner, int teeth)
{
    QPainterPath path;
    for (int i = 0; i < teeth * 4; ++i) {
        const qreal a = 2 * M_PI * i / (teeth * 4);
        const qreal r = (i % 4 == 0 || i % 4 == 1) ? outer : inner;
        const QPointF pt(c.x() + r * std::cos(a), c.y() + r * std::sin(a));
        if (i == 0)
            path.moveTo(pt);
        else
            path.lineTo(pt);
    }
    path.closeSubpath();
    return path;
}

}  // namespace

QIcon languageFlag(int index)
{
    QIcon icon;
    if (index < 0 || index >= static_cast<int>(flags().size()))
        return icon;
    const Flag& f = flags()[static_cast<size_t>(index)];
    icon.addPixmap(drawFlag(f, 24, 16));
    icon.addPixmap(drawFlag(f, 48, 32));
    return icon;
}

QIcon lineColour(int index)
{
    static const QColor colours[] = {QColor(0x3a, 0x7b, 0xf0), QColor(0xe8, 0x3a, 0x2e), QColor(0xf2, 0xd2, 0x2e),
                                     QColor(0x3c, 0xc0, 0x4e), QColor(0xf4, 0xf4, 0xf4)};
    const QColor c = colours[std::clamp(index, 0, 4)];
    return glyph([c](QPainter& p) {
        p.setPen(QPen(QColor(0x20, 0x24, 0x2a), 1));
        p.setBrush(QColor(0x20, 0x24, 0x2a));
        p.drawRoundedRect(QRectF(1, 3, 14, 10), 2, 2);
        p.setPen(pen(c, 2.0));
        p.drawLine(QPointF(3, 6), QPointF(13, 6));
        p.drawLine(QPointF(3, 10), QPointF(13, 10));
    });
}

QPixmap gear(int number, int size)
{
    QPixmap pm = canvas(size, size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c(size / 2.0, size / 2.0);
    p.setPen(QPen(kInk, 1.0));
    p.setBrush(QColor(0x4a, 0x55, 0x62));
    p.drawPath(gearPath(c, size * 0.48, size * 0.38, 10));
    p.setBrush(QColor(0x2b, 0x31, 0x38));
    p.drawEllipse(c, size * 0.27, size * 0.27);
    QFont f;
    f.setBold(true);
    f.setPixelSize(static_cast<int>(size * 0.34));
    p.setFont(f);
    p.setPen(kAmber);
    p.drawText(QRectF(0, 0, size, size), Qt::AlignCenter, QString::number(number));
    return pm;
}

QIcon warningSign()
{
    return glyph([](QPainter& p) {
        QPainterPath t;
        t.moveTo(8, 1.5);
        t.lineTo(15, 14.5);
        t.lineTo(1, 14.5);
        t.closeSubpath();
        p.fillPath(t, kAmber);
        p.setPen(pen(QColor(0x20, 0x20, 0x20), 1.6));
        p.drawLine(QPointF(8, 6), QPointF(8, 10));
        p.drawPoint(QPointF(8, 12.5));
    });
}

QIcon comfortSign()
{
    return glyph([](QPainter& p) {
        p.setPen(pen(kGreen, 1.4));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(8, 8), 6.3, 6.3);
        p.drawPolyline(QPolygonF({QPointF(4.8, 8.2), QPointF(7.2, 10.6), QPointF(11.4, 5.6)}));
    });
}

QIcon vehicleSign()
{
    return glyph([](QPainter& p) {
        p.setPen(pen(kAccent, 1.3));
        p.setBrush(QColor(0x6f, 0x9c, 0xc9, 90));
        QPainterPath car;
        car.moveTo(1.5, 11);
        car.lineTo(1.5, 8.5);
        car.lineTo(4, 8);
        car.lineTo(6, 5);
        car.lineTo(11, 5);
        car.lineTo(13, 8);
        car.lineTo(14.5, 8.5);
        car.lineTo(14.5, 11);
        car.closeSubpath();
        p.drawPath(car);
        p.setBrush(kInk);
        p.drawEllipse(QPointF(4.5, 11.5), 1.6, 1.6);
        p.drawEllipse(QPointF(11.5, 11.5), 1.6, 1.6);
    });
}

QPixmap cooling(int width, int height)
{
    QPixmap pm = canvas(width, height);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal r = std::min(width, height) * 0.42;
    const QPointF c(width * 0.38, height / 2.0);
    // The turbine: a housing and curved blades.
    p.setPen(QPen(kInk, 1.5));
    p.setBrush(QColor(0x3a, 0x42, 0x4c));
    p.drawEllipse(c, r, r);
    p.setPen(QPen(kAccent, 2.0, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 7; ++i) {
        const qreal a = 2 * M_PI * i / 7;
        QPainterPath blade;
        blade.moveTo(c + QPointF(std::cos(a), std::sin(a)) * r * 0.2);
        blade.quadTo(c + QPointF(std::cos(a + 0.5), std::sin(a + 0.5)) * r * 0.6,
                     c + QPointF(std::cos(a + 0.9), std::sin(a + 0.9)) * r * 0.85);
        p.drawPath(blade);
    }
    // The snowflake.
    const QPointF s(width * 0.82, height * 0.3);
    const qreal k = std::min(width, height) * 0.16;
    p.setPen(QPen(QColor(0xa8, 0xd8, 0xff), 1.8, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 3; ++i) {
        const qreal a = M_PI * i / 3;
        p.drawLine(s - QPointF(std::cos(a), std::sin(a)) * k, s + QPointF(std::cos(a), std::sin(a)) * k);
    }
    return pm;
}

QPixmap heating(int width, int height)
{
    QPixmap pm = canvas(width, height);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    // The engine block.
    const QRectF block(width * 0.08, height * 0.35, width * 0.55, height * 0.5);
    p.setPen(QPen(kInk, 1.5));
    p.setBrush(QColor(0x3a, 0x42, 0x4c));
    p.drawRoundedRect(block, 3, 3);
    for (int i = 0; i < 3; ++i)
        p.drawRect(QRectF(block.left() + block.width() * (0.1 + 0.3 * i), block.top() - height * 0.12, block.width() * 0.2,
                          height * 0.12));
    // The flame.
    const QPointF base(width * 0.8, height * 0.85);
    const qreal h = height * 0.7;
    QPainterPath flame;
    flame.moveTo(base);
    flame.cubicTo(base + QPointF(-width * 0.2, -h * 0.2), base + QPointF(-width * 0.02, -h * 0.6), base + QPointF(0, -h));
    flame.cubicTo(base + QPointF(width * 0.05, -h * 0.6), base + QPointF(width * 0.2, -h * 0.25), base);
    QLinearGradient g(base, base + QPointF(0, -h));
    g.setColorAt(0, kRed);
    g.setColorAt(1, kAmber);
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawPath(flame);
    return pm;
}

QIcon stopwatch()
{
    return glyph([](QPainter& p) {
        p.setPen(pen(kInk, 1.3));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(8, 9), 5.8, 5.8);
        p.drawLine(QPointF(6.5, 1.8), QPointF(9.5, 1.8));
        p.drawLine(QPointF(8, 1.8), QPointF(8, 3.2));
        p.setPen(pen(kAmber, 1.4));
        p.drawLine(QPointF(8, 9), QPointF(8, 5.5));
        p.drawLine(QPointF(8, 9), QPointF(10.5, 10.5));
    });
}

QIcon thermometer()
{
    return glyph([](QPainter& p) {
        p.setPen(pen(kInk, 1.2));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(6.5, 1.5, 3, 9.5), 1.5, 1.5);
        p.setBrush(kRed);
        p.drawEllipse(QPointF(8, 12.5), 2.6, 2.6);
        p.setPen(pen(kRed, 1.4));
        p.drawLine(QPointF(8, 11), QPointF(8, 5));
    });
}

}  // namespace pictures
