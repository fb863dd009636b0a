#include "app/widgets/k_status_bar.h"

#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>

KStatusBar::KStatusBar(QWidget* parent) : QStatusBar(parent) {
    setSizeGripEnabled(true);
}

int KStatusBar::addPanel(int width) {
    auto* label = new QLabel(this);
    label->setObjectName(QStringLiteral("statusPanel%1").arg(panels_.size()));
    label->setFixedWidth(width);
    label->setTextFormat(Qt::PlainText);
    label->setFrameShape(QFrame::StyledPanel);
    label->setFrameShadow(QFrame::Sunken);
    label->setContentsMargins(3, 0, 3, 0);
    addWidget(label, 0);
    panels_.append(label);
    return static_cast<int>(panels_.size()) - 1;
}

QLabel* KStatusBar::panel(int panel) const {
    return panel >= 0 && panel < panels_.size() ? panels_[panel] : nullptr;
}

int KStatusBar::panelWidth(int p) const {
    const QLabel* l = panel(p);
    return l ? l->maximumWidth() : 0;
}

void KStatusBar::setPanelText(int p, const QString& text) {
    if (QLabel* l = panel(p))
        l->setText(text);
}

QString KStatusBar::panelText(int p) const {
    const QLabel* l = panel(p);
    return l ? l->text() : QString();
}

void KStatusBar::setPanelToolTip(int p, const QString& tip) {
    if (QLabel* l = panel(p))
        l->setToolTip(tip);
}

QString KStatusBar::panelToolTip(int p) const {
    const QLabel* l = panel(p);
    return l ? l->toolTip() : QString();
}

void KStatusBar::contextMenuEvent(QContextMenuEvent* event) {
    if (menu_) {
        menu_->popup(event->globalPos());
        event->accept();
        return;
    }
    QStatusBar::contextMenuEvent(event);
}
