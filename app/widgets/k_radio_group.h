#pragma once
#include <QGroupBox>
#include <QList>

class QButtonGroup;
class QGridLayout;
class QRadioButton;

// A framed group of radio buttons with a caption, laid out in columns (filled top to
// bottom, then left to right). `ItemIndex()` is the chosen item, -1 while none is chosen;
// setting -1 or an index outside the items clears the choice.
class KRadioGroup : public QGroupBox {
    Q_OBJECT
public:
    explicit KRadioGroup(const QString& caption = QString(), QWidget* parent = nullptr);

    void setItems(const QStringList& items);
    int count() const { return static_cast<int>(buttons_.size()); }
    QRadioButton* button(int index) const;

    int Columns() const { return columns_; }
    void setColumns(int columns);

    int ItemIndex() const;
    void setItemIndex(int index);

signals:
    // The user chose an item.
    void clicked(int index);

private:
    void relayout();

    QButtonGroup* group_;
    QGridLayout* grid_;
    QList<QRadioButton*> buttons_;
    int columns_ = 1;
};
