#pragma once
#include <QComboBox>

// A drop-down list, plain or editable.
// - `ItemIndex()` is the selected item, -1 for none; selecting an index outside the items
//   (past the last, or negative) clears the selection.
// - `Text()` is what the box shows: the free text of an editable box, or the selected item's
//   text otherwise; while nothing is selected and nothing is typed, the placeholder.
// - `setPlaceholder()` shows a hint while nothing is selected or typed.
// - `clearShown()` clears the selection and any typed text.
// - `changed()` is raised when the user picks an item or edits the text.
class KComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit KComboBox(QWidget* parent = nullptr);

    int ItemIndex() const { return currentIndex(); }
    void setItemIndex(int index);

    QString Text() const;
    void setText(const QString& text);
    void clearShown();

    void setItems(const QStringList& items);
    void setPlaceholder(const QString& text);

signals:
    void changed();
};
