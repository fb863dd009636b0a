#include "app/widgets/k_spin_edit.h"

#include <QEvent>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>

namespace {
QToolButton* makeArrow(QWidget* parent, Qt::ArrowType arrow, const char* name)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setArrowType(arrow);
    b->setAutoRepeat(true);
    b->setAutoRepeatDelay(400);
    b->setAutoRepeatInterval(80);
    b->setFocusPolicy(Qt::NoFocus);
    b->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    b->setFixedWidth(15);
    return b;
}
}  // namespace

KSpinEdit::KSpinEdit(QWidget* parent)
    : QWidget(parent), edit_(new QLineEdit(this)), up_(makeArrow(this, Qt::UpArrow, "spinUp")),
      down_(makeArrow(this, Qt::DownArrow, "spinDown"))
{
    edit_->setObjectName(QStringLiteral("spinText"));
    // Only an optional sign and digits can be typed; text set by code is taken as it is.
    edit_->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[-+]?[0-9]{0,10}")), edit_));
    edit_->setText(QStringLiteral("0"));
    edit_->installEventFilter(this);
    setFocusProxy(edit_);
    setFocusPolicy(Qt::StrongFocus);

    auto* arrows = new QVBoxLayout;
    arrows->setContentsMargins(0, 0, 0, 0);
    arrows->setSpacing(0);
    arrows->addWidget(up_);
    arrows->addWidget(down_);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(edit_, 1);
    row->addLayout(arrows);

    connect(edit_, &QLineEdit::textChanged, this, &KSpinEdit::changed);
    connect(up_, &QToolButton::clicked, this, [this] { stepBy(1); });
    connect(down_, &QToolButton::clicked, this, [this] { stepBy(-1); });
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

int KSpinEdit::clamp(int v) const { return std::clamp(v, min_, std::max(min_, max_)); }

int KSpinEdit::Value() const
{
    bool ok = false;
    const int v = edit_->text().trimmed().toInt(&ok);
    return ok ? clamp(v) : min_;
}

void KSpinEdit::setValue(int value)
{
    const QString t = QString::number(clamp(value));
    if (t != edit_->text())
        edit_->setText(t);
}

QString KSpinEdit::text() const { return edit_->text(); }

void KSpinEdit::setText(const QString& text)
{
    if (text != edit_->text())
        edit_->setText(text);
}

void KSpinEdit::stepBy(int n)
{
    if (!isEnabled())
        return;
    const long long next = static_cast<long long>(Value()) + static_cast<long long>(n) * increment_;
    setValue(static_cast<int>(std::clamp<long long>(next, min_, std::max(min_, max_))));
}

void KSpinEdit::setAccessibleLabel(const QString& label)
{
    setAccessibleName(label);
    edit_->setAccessibleName(label);
    up_->setAccessibleName(label + tr(" up"));
    down_->setAccessibleName(label + tr(" down"));
}

bool KSpinEdit::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == edit_) {
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            switch (key->key()) {
            case Qt::Key_Up:
                stepBy(1);
                return true;
            case Qt::Key_Down:
                stepBy(-1);
                return true;
            default:
                break;
            }
        } else if (event->type() == QEvent::FocusOut) {
            setValue(Value());
        }
    }
    return QWidget::eventFilter(watched, event);
}

void KSpinEdit::wheelEvent(QWheelEvent* event)
{
    const int notches = event->angleDelta().y() / 120;
    if (notches != 0 && edit_->hasFocus()) {
        stepBy(notches);
        event->accept();
        return;
    }
    QWidget::wheelEvent(event);
}

QSize KSpinEdit::sizeHint() const
{
    const QFontMetrics fm(font());
    const int digits = std::max(QString::number(max_).size(), QString::number(min_).size());
    return {fm.horizontalAdvance(QLatin1Char('0')) * (digits + 1) + 15 + 12, std::max(20, fm.height() + 8)};
}

QSize KSpinEdit::minimumSizeHint() const
{
    const QFontMetrics fm(font());
    return {fm.horizontalAdvance(QLatin1Char('0')) * 2 + 15 + 8, fm.height() + 6};
}
