#include "app/widgets/k_radio_group.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>

KRadioGroup::KRadioGroup(const QString& caption, QWidget* parent)
    : QGroupBox(caption, parent), group_(new QButtonGroup(this)), grid_(new QGridLayout(this))
{
    grid_->setContentsMargins(8, caption.isEmpty() ? 4 : 6, 8, 4);
    grid_->setHorizontalSpacing(10);
    grid_->setVerticalSpacing(2);
    connect(group_, &QButtonGroup::idClicked, this, &KRadioGroup::clicked);
}

void KRadioGroup::setItems(const QStringList& items)
{
    for (QRadioButton* b : buttons_) {
        group_->removeButton(b);
        delete b;
    }
    buttons_.clear();
    for (int i = 0; i < items.size(); ++i) {
        auto* b = new QRadioButton(items[i], this);
        b->setAccessibleName(items[i]);
        group_->addButton(b, i);
        buttons_.append(b);
    }
    relayout();
}

QRadioButton* KRadioGroup::button(int index) const { return index >= 0 && index < buttons_.size() ? buttons_[index] : nullptr; }

void KRadioGroup::setColumns(int columns)
{
    columns_ = std::max(1, columns);
    relayout();
}

void KRadioGroup::relayout()
{
    for (QRadioButton* b : buttons_)
        grid_->removeWidget(b);
    const int n = static_cast<int>(buttons_.size());
    const int perColumn = std::max(1, (n + columns_ - 1) / columns_);
    for (int i = 0; i < n; ++i)
        grid_->addWidget(buttons_[i], i % perColumn, i / perColumn);
}

int KRadioGroup::ItemIndex() const { return group_->checkedId(); }

void KRadioGroup::setItemIndex(int index)
{
    if (QRadioButton* b = button(index)) {
        b->setChecked(true);
        return;
    }
    // An exclusive group never lets its last ticked button go; lift that while clearing.
    group_->setExclusive(false);
    for (QRadioButton* b : buttons_)
        b->setChecked(false);
    group_->setExclusive(true);
}
