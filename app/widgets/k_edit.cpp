#include "app/widgets/k_edit.h"

KEdit::KEdit(QWidget* parent) : QLineEdit(parent) {}

void KEdit::setColor(const QColor& color)
{
    color_ = color;
    // The application's style sheet paints line edits; a rule of the field's own takes
    // precedence over it, while the palette alone would not.
    setStyleSheet(color.isValid() ? QStringLiteral("background-color: %1;").arg(color.name()) : QString());
}
