#include "app/widgets/k_check_list_box.h"

KCheckListBox::KCheckListBox(QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        if (!settingByCode_)
            emit clickCheck(row(item));
    });
}

void KCheckListBox::setItems(const QStringList& items)
{
    settingByCode_ = true;
    clear();
    for (const QString& text : items) {
        auto* item = new QListWidgetItem(text, this);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    settingByCode_ = false;
}

bool KCheckListBox::Checked(int index) const
{
    const QListWidgetItem* it = item(index);
    return it && it->checkState() == Qt::Checked;
}

void KCheckListBox::setChecked(int index, bool ticked)
{
    QListWidgetItem* it = item(index);
    if (!it)
        return;
    settingByCode_ = true;
    it->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
    settingByCode_ = false;
}

uint32_t KCheckListBox::mask() const
{
    uint32_t bits = 0;
    for (int i = 0; i < count() && i < 32; ++i)
        if (Checked(i))
            bits |= 1u << i;
    return bits;
}

void KCheckListBox::setMask(uint32_t bits)
{
    for (int i = 0; i < count(); ++i)
        setChecked(i, i < 32 && ((bits >> i) & 1u) != 0);
}
