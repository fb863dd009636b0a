#include "app/dark_style.h"

#include <QApplication>
#include <QFile>
#include <QPalette>
#include <QStyleFactory>

// The style sheet lives in a static library: name its resource so the linker keeps it.
static void keepStyleResource() { Q_INIT_RESOURCE(style); }

QString darkStyleSheet()
{
    keepStyleResource();
    QFile file(QStringLiteral(":/style/charcoal_dark_slate.qss"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return QString::fromUtf8(file.readAll());
}

void applyDarkStyle(QApplication& app)
{
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion")))
        app.setStyle(fusion);

    const QColor window(0x2b, 0x2f, 0x36);
    const QColor base(0x1e, 0x21, 0x26);
    const QColor button(0x3a, 0x41, 0x4b);
    const QColor text(0xe3, 0xe7, 0xec);
    const QColor dim(0x7d, 0x85, 0x90);
    const QColor accent(0x4f, 0x7c, 0xab);

    QPalette pal;
    pal.setColor(QPalette::Window, window);
    pal.setColor(QPalette::WindowText, text);
    pal.setColor(QPalette::Base, base);
    pal.setColor(QPalette::AlternateBase, QColor(0x25, 0x29, 0x2f));
    pal.setColor(QPalette::ToolTipBase, QColor(0x3a, 0x41, 0x4b));
    pal.setColor(QPalette::ToolTipText, text);
    pal.setColor(QPalette::PlaceholderText, dim);
    pal.setColor(QPalette::Text, text);
    pal.setColor(QPalette::Button, button);
    pal.setColor(QPalette::ButtonText, text);
    pal.setColor(QPalette::BrightText, QColor(0xff, 0x8a, 0x80));
    pal.setColor(QPalette::Light, QColor(0x55, 0x5f, 0x6b));
    pal.setColor(QPalette::Midlight, QColor(0x47, 0x50, 0x5b));
    pal.setColor(QPalette::Mid, QColor(0x4a, 0x52, 0x5d));
    pal.setColor(QPalette::Dark, QColor(0x1a, 0x1d, 0x21));
    pal.setColor(QPalette::Shadow, QColor(0x10, 0x12, 0x15));
    pal.setColor(QPalette::Highlight, accent);
    pal.setColor(QPalette::HighlightedText, QColor(0xff, 0xff, 0xff));
    pal.setColor(QPalette::Link, QColor(0x7f, 0xb0, 0xe0));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        pal.setColor(QPalette::Disabled, role, dim);
    pal.setColor(QPalette::Disabled, QPalette::Button, QColor(0x31, 0x36, 0x3d));
    pal.setColor(QPalette::Disabled, QPalette::Highlight, QColor(0x44, 0x4c, 0x56));
    app.setPalette(pal);
    app.setStyleSheet(darkStyleSheet());
}
