#include "app/widgets/k_combo_box.h"

#include <QLineEdit>

KComboBox::KComboBox(QWidget* parent) : QComboBox(parent)
{
    connect(this, &QComboBox::activated, this, &KComboBox::changed);
    connect(this, &QComboBox::editTextChanged, this, [this] {
        if (lineEdit() && lineEdit()->isModified())
            emit changed();
    });
}

void KComboBox::setItemIndex(int index) { setCurrentIndex(index >= 0 && index < count() ? index : -1); }

QString KComboBox::Text() const
{
    const QString shown = currentText();
    if (shown.isEmpty() && currentIndex() < 0)
        return placeholderText();
    return shown;
}

void KComboBox::clearShown()
{
    setCurrentIndex(-1);
    if (isEditable())
        setEditText(QString());
}

void KComboBox::setText(const QString& text)
{
    if (isEditable()) {
        setEditText(text);
        return;
    }
    setItemIndex(findText(text));
}

void KComboBox::setItems(const QStringList& items)
{
    clear();
    addItems(items);
    setCurrentIndex(-1);
}

void KComboBox::setPlaceholder(const QString& text)
{
    setPlaceholderText(text);
    if (lineEdit())
        lineEdit()->setPlaceholderText(text);
}
