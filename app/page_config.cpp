// Page "Config": the group "Configuration" with its read, save and erase buttons.
#include <QGridLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/form3.h"
#include "app/page_helpers.h"
#include "app/pictures.h"
#include "app/widgets/k_page_control.h"

void TForm3::buildConfigPage() {
    TabSheet1 = new QWidget;
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    TabSheet1->setAccessibleName(QStringLiteral("Config"));
    auto* page = new QVBoxLayout(TabSheet1);
    page->setContentsMargins(8, 8, 8, 8);

    QGroupBox* configuration = form::group(TabSheet1, QStringLiteral("Configuration"), "GroupBoxConfiguration");
    auto* grid = form::groupLayout<QGridLayout>(configuration);
    BitBtn22 = button(configuration, "BitBtn22", QStringLiteral("Read Config"));
    BitBtn22->setIcon(pictures::read());
    BitBtn23 = button(configuration, "BitBtn23", QStringLiteral("Save Config"));
    BitBtn23->setIcon(pictures::save());
    BitBtn34 = button(configuration, "BitBtn34", QStringLiteral("Erase Config"));
    BitBtn34->setIcon(pictures::erase());
    for (QPushButton* b : {BitBtn22, BitBtn23, BitBtn34})
        b->setMinimumSize(120, 30);
    // Read at the top left, save at the top right, erase at the bottom right; the record's
    // groups sit between them.
    grid->addWidget(BitBtn22, 0, 0, Qt::AlignLeft);
    grid->addWidget(BitBtn23, 0, 2, Qt::AlignRight);
    grid->setRowMinimumHeight(1, 260);
    grid->setRowStretch(1, 1);
    grid->setColumnStretch(1, 1);
    grid->addWidget(BitBtn34, 2, 2, Qt::AlignRight);
    page->addWidget(configuration);
    page->addStretch(1);
    cxPageControl1->addPage(TabSheet1, QStringLiteral("Config"));
}
