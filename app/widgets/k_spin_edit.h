#pragma once
#include <QWidget>

class QLineEdit;
class QToolButton;

// A text field with up and down arrows holding a whole number.
// - `changed()` is raised on every change of the text, typed or set by code.
// - `Value()` is the text as a number, clamped to MinValue..MaxValue; a text that is
//   not a number counts as MinValue.
// - `setValue()` clamps and writes the number; writing the text already shown raises no change.
// - The arrows, the Up/Down keys and the mouse wheel step the value by `Increment()`.
// - When the field loses focus, the text is replaced by the value it stands for, so what the
//   field shows is what the window will send.
class KSpinEdit : public QWidget {
    Q_OBJECT
public:
    explicit KSpinEdit(QWidget* parent = nullptr);

    int Value() const;
    void setValue(int value);

    int MinValue() const { return min_; }
    int MaxValue() const { return max_; }
    void setMinValue(int v) { min_ = v; }
    void setMaxValue(int v) { max_ = v; }
    void setLimits(int min, int max)
    {
        min_ = min;
        max_ = max;
    }
    int Increment() const { return increment_; }
    void setIncrement(int step) { increment_ = step; }

    QString text() const;
    void setText(const QString& text);  // as if typed: no clamping

    // Steps the value by n increments (negative steps down).
    void stepBy(int n);

    // Names the field, its text box and its arrows for assistive tools.
    void setAccessibleLabel(const QString& label);

    QLineEdit* lineEdit() const { return edit_; }
    QToolButton* upButton() const { return up_; }
    QToolButton* downButton() const { return down_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void changed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    int clamp(int v) const;

    QLineEdit* edit_;
    QToolButton* up_;
    QToolButton* down_;
    int min_ = 0;
    int max_ = 100;
    int increment_ = 1;
};
