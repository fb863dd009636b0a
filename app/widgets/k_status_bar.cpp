#include "app/widgets/k_status_bar.h"

#include <QAccessible>
#include <QContextMenuEvent>
#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QPaintEvent>
#include <QRegion>

#include <algorithm>

namespace {
// A panel label whose preferred width is the panel's own, whatever text it shows.
class PanelLabel : public QLabel {
public:
    using QLabel::QLabel;
    int preferredWidth = 0;
    QSize sizeHint() const override { return {preferredWidth, QLabel::sizeHint().height()}; }
};
}  // namespace

KStatusBar::KStatusBar(QWidget* parent) : QStatusBar(parent)
{
    setSizeGripEnabled(true);
    repaintTimer_.setSingleShot(true);
    connect(&repaintTimer_, &QTimer::timeout, this, [this] { showPendingTexts(); });
}

void KStatusBar::setRepaintInterval(int milliseconds)
{
    repaintInterval_ = std::max(0, milliseconds);
    if (repaintInterval_ == 0)
        showPendingTexts();
}

void KStatusBar::showPendingTexts()
{
    repaintTimer_.stop();
    lastShown_.start();
    for (Panel& p : panels_)
        if (p.pending)
            showText(p);
}

void KStatusBar::paintEvent(QPaintEvent* event)
{
    // The bar is painted anyway (a grab, an exposure): the panels it paints wholly show their
    // latest texts. They are painted after the bar in this same pass, so the new text must not
    // mark them for a repaint of their own: that repaint would come at the next pass of the
    // events and find new texts again, and the bar would repaint at every pass while a transfer
    // runs.
    for (Panel& p : panels_) {
        if (!p.pending || !(QRegion(p.label->geometry()) - event->region()).isEmpty())
            continue;
        const bool held = p.label->testAttribute(Qt::WA_UpdatesDisabled);
        p.label->setAttribute(Qt::WA_UpdatesDisabled, true);
        showText(p);
        p.label->setAttribute(Qt::WA_UpdatesDisabled, held);
    }
    QStatusBar::paintEvent(event);
}

bool KStatusBar::event(QEvent* event)
{
    // A label asks for its layout again whenever its text changes, and the plain status bar
    // answers every such request by repainting itself whole, panels and all. The panels keep
    // their sizes whatever text they show, so only a change of their sizes is answered so.
    if (event->type() == QEvent::LayoutRequest && !panelSizesChanged_)
        return QWidget::event(event);
    if (event->type() == QEvent::LayoutRequest)
        panelSizesChanged_ = false;
    return QStatusBar::event(event);
}

int KStatusBar::addPanel(int width)
{
    auto* label = new PanelLabel(this);
    label->setObjectName(QStringLiteral("statusPanel%1").arg(panels_.size()));
    label->setTextFormat(Qt::PlainText);
    label->setFrameShape(QFrame::StyledPanel);
    label->setFrameShadow(QFrame::Sunken);
    // The style's padding is the only room beside the text: 100 pixels must hold "try connect 100".
    label->setContentsMargins(0, 0, 0, 0);
    label->installEventFilter(this);
    addWidget(label, 0);
    Panel p;
    p.label = label;
    p.width = width;
    p.minimumWidth = width;
    panels_.append(p);
    resizePanel(panels_.last());
    return static_cast<int>(panels_.size()) - 1;
}

KStatusBar::Panel* KStatusBar::find(int panel) { return panel >= 0 && panel < panels_.size() ? &panels_[panel] : nullptr; }

const KStatusBar::Panel* KStatusBar::find(int panel) const
{
    return panel >= 0 && panel < panels_.size() ? &panels_[panel] : nullptr;
}

QLabel* KStatusBar::panel(int panel) const
{
    const Panel* p = find(panel);
    return p ? p->label : nullptr;
}

int KStatusBar::panelWidth(int panel) const
{
    const Panel* p = find(panel);
    return p ? p->label->maximumWidth() : 0;
}

// What the frame, the style's padding and the margins take from a panel's width.
int KStatusBar::chrome(const QLabel* label) const
{
    const_cast<QLabel*>(label)->ensurePolished();
    return label->width() - label->contentsRect().width() + 2 * label->margin() + std::max(0, label->indent());
}

int KStatusBar::panelTextRoom(int panel) const
{
    const Panel* p = find(panel);
    return p ? p->label->width() - chrome(p->label) : 0;
}

bool KStatusBar::panelFits(int panel, const QString& text) const
{
    const Panel* p = find(panel);
    return p && p->label->fontMetrics().horizontalAdvance(text) <= panelTextRoom(panel);
}

void KStatusBar::resizePanel(Panel& p)
{
    const int needed = p.sample.isEmpty() ? 0 : p.label->fontMetrics().horizontalAdvance(p.sample) + chrome(p.label);
    const int width = std::max(p.width, needed);
    static_cast<PanelLabel*>(p.label)->preferredWidth = width;
    panelSizesChanged_ = true;
    if (p.elided) {
        p.label->setMinimumWidth(std::min(width, p.minimumWidth));
        p.label->setMaximumWidth(width);
        p.label->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    } else {
        p.label->setFixedWidth(width);
    }
    showText(p);
}

void KStatusBar::showText(Panel& p)
{
    p.pending = false;
    QString shown = p.text;
    const int room = p.label->width() - chrome(p.label);
    if (p.elided && p.label->fontMetrics().horizontalAdvance(p.text) > room)
        shown = p.label->fontMetrics().elidedText(p.text, Qt::ElideMiddle, std::max(0, room));
    if (p.label->text() != shown)
        p.label->setText(shown);
    // A panel's own tooltip wins; else an elided text can be read whole in the tooltip.
    const QString tip = !p.tip.isEmpty() ? p.tip : (shown != p.text ? p.text : QString());
    if (p.label->toolTip() != tip)
        p.label->setToolTip(tip);
}

void KStatusBar::setPanelText(int panel, const QString& text)
{
    Panel* p = find(panel);
    if (!p)
        return;
    const bool changed = p->text != text;
    p->text = text;
    if (repaintInterval_ == 0) {
        showText(*p);
    } else if (changed || p->pending) {
        // Shown now after a quiet interval, else at the interval's next tick.
        if (!repaintTimer_.isActive() && (!lastShown_.isValid() || lastShown_.elapsed() >= repaintInterval_)) {
            lastShown_.start();
            showText(*p);
        } else {
            p->pending = true;
            if (!repaintTimer_.isActive())
                repaintTimer_.start(static_cast<int>(std::max<qint64>(0, repaintInterval_ - lastShown_.elapsed())));
        }
    }
    // Assistive tools read the whole text, as they read a plain label.
    p->label->setAccessibleName(text);
    if (changed && p->announced && !text.isEmpty() && QAccessible::isActive()) {
        QAccessibleEvent alert(p->label, QAccessible::Alert);
        QAccessible::updateAccessibility(&alert);
    }
}

QString KStatusBar::panelText(int panel) const
{
    const Panel* p = find(panel);
    return p ? p->text : QString();
}

QString KStatusBar::panelShownText(int panel) const
{
    const Panel* p = find(panel);
    return p ? p->label->text() : QString();
}

void KStatusBar::setPanelToolTip(int panel, const QString& tip)
{
    if (Panel* p = find(panel)) {
        p->tip = tip;
        showText(*p);
    }
}

QString KStatusBar::panelToolTip(int panel) const
{
    const Panel* p = find(panel);
    return p ? p->label->toolTip() : QString();
}

void KStatusBar::setPanelRole(int panel, const QString& role)
{
    if (Panel* p = find(panel))
        p->label->setAccessibleDescription(role);
}

void KStatusBar::setPanelSample(int panel, const QString& widestText)
{
    if (Panel* p = find(panel)) {
        p->sample = widestText;
        resizePanel(*p);
    }
}

void KStatusBar::setPanelElided(int panel, int minimumWidth)
{
    if (Panel* p = find(panel)) {
        p->elided = true;
        p->minimumWidth = minimumWidth;
        resizePanel(*p);
    }
}

void KStatusBar::setPanelAnnounced(int panel, bool announced)
{
    if (Panel* p = find(panel))
        p->announced = announced;
}

bool KStatusBar::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type t = event->type();
    if (t == QEvent::FontChange || t == QEvent::StyleChange || t == QEvent::Resize) {
        for (Panel& p : panels_) {
            if (p.label != watched)
                continue;
            if (t == QEvent::Resize)
                showText(p);
            else
                resizePanel(p);
        }
    }
    return QStatusBar::eventFilter(watched, event);
}

void KStatusBar::contextMenuEvent(QContextMenuEvent* event)
{
    if (menu_) {
        menu_->popup(event->globalPos());
        event->accept();
        return;
    }
    QStatusBar::contextMenuEvent(event);
}
