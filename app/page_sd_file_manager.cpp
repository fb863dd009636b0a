// Page "ver.7.5 SD File Manager": the display's SD card (the file controls come with the upload).
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/form3.h"
#include "app/page_helpers.h"
#include "app/pictures.h"
#include "app/widgets/k_page_control.h"

void TForm3::buildSdFileManagerPage() {
    cxTabSheet4 = new QWidget;
    cxTabSheet4->setObjectName(QStringLiteral("cxTabSheet4"));
    cxTabSheet4->setAccessibleName(QStringLiteral("ver.7.5 SD File Manager"));
    auto* page = new QVBoxLayout(cxTabSheet4);
    page->setContentsMargins(10, 10, 10, 10);
    page->setSpacing(10);

    QLabel* description = form::label(cxTabSheet4,
                                      QStringLiteral("The download page for the MFD SD card version 7.0 and 7.5."),
                                      "descriptionLabel");
    page->addWidget(description);

    auto* row = new QHBoxLayout;
    BitBtn9 = button(cxTabSheet4, "BitBtn9", QStringLiteral("Update RG"));
    BitBtn9->setIcon(pictures::update());
    BitBtn20 = button(cxTabSheet4, "BitBtn20", QStringLiteral("Reset SERVICE Records ..."));
    BitBtn20->setIcon(pictures::erase());
    for (QPushButton* b : {BitBtn9, BitBtn20}) {
        b->setMinimumSize(170, 30);
        row->addWidget(b);
    }
    row->addStretch(1);
    page->addLayout(row);
    page->addStretch(1);
    cxPageControl1->addPage(cxTabSheet4, QStringLiteral("ver.7.5 SD File Manager"));
}
