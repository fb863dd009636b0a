#include "app/widgets/k_scroll_bar.h"

KScrollBar::KScrollBar(Qt::Orientation orientation, QWidget* parent) : QScrollBar(orientation, parent)
{
    connect(this, &QAbstractSlider::valueChanged, this, &KScrollBar::changed);
}
