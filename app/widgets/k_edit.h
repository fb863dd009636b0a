#pragma once
#include <QColor>
#include <QLineEdit>

// A one-line text field whose background colour can be set, as the storage panel's size
// fields and the image file boxes need (green for a present volume, red for an absent one).
// `Color()` is invalid until a colour has been set: the field then keeps the style's colour.
class KEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit KEdit(QWidget* parent = nullptr);

    QColor Color() const { return color_; }
    void setColor(const QColor& color);

private:
    QColor color_;
};
