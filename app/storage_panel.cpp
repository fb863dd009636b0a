// The storage panel: the sizes the display reports for its disks and its SD card, and the
// reset buttons below them.
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/page_helpers.h"
#include "app/storage_panel.h"
#include "app/widgets/k_edit.h"
#include "protocol/size_reply.h"

namespace {

constexpr int kStoragePanelWidth = 139;
const QColor kPresentColour(0, 128, 0);  // 0x8000
const QColor kAbsentColour(255, 0, 0);   // 255

}  // namespace

StoragePanel::StoragePanel(const QFont& windowFont, QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Panel2"));
    setAttribute(Qt::WA_StyledBackground, true);
    setFixedWidth(kStoragePanelWidth);
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(6, 10, 6, 10);  // the buttons keep clear of the window's edge
    v->setSpacing(6);

    auto* caption = form::label(this, QStringLiteral("Storage"), "storageCaption");
    QFont bold = windowFont;
    bold.setBold(true);
    caption->setFont(bold);
    v->addWidget(caption);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(5);
    struct Row {
        KEdit** field;
        const char* name;
        const char* volume;
        const char* spoken;
    };
    const Row rows[] = {{&Edit6, "Edit6", "Disk 0:\\", "Disk 0 size in Mb"},
                        {&Edit7, "Edit7", "Disk 1:\\", "Disk 1 size in Mb"},
                        {&Edit8, "Edit8", "Disk 2:\\", "Disk 2 size in Mb"},
                        {&Edit9, "Edit9", "Disk 3:\\", "Disk 3 size in Mb"},
                        {&Edit10, "Edit10", "SD:\\", "SD card size in Mb"}};
    int r = 0;
    for (const Row& row : rows) {
        auto* volume = form::label(this, QString::fromLatin1(row.volume));
        auto* field = new KEdit(this);
        field->setObjectName(QString::fromLatin1(row.name));
        field->setReadOnly(true);
        field->setFont(bold);
        field->setText(QStringLiteral("0"));
        field->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        field->setFixedWidth(52);
        field->setAccessibleName(QString::fromLatin1(row.spoken));
        volume->setBuddy(field);
        grid->addWidget(volume, r, 0);
        grid->addWidget(field, r, 1);
        grid->addWidget(form::label(this, QStringLiteral("Mb")), r, 2);
        *row.field = field;
        ++r;
    }
    grid->setColumnStretch(2, 1);
    v->addLayout(grid);
    v->addSpacing(8);

    BitBtn21 = form::button(this, "BitBtn21", QStringLiteral("Reset SERVICE Records"));
    Button22 = form::button(this, "Button22", QStringLiteral("Reset all BC"));
    Button43 = form::button(this, "Button43", QStringLiteral("Shell program Update"));
    Button43->setVisible(false);  // kept for the layout's sake; it has no action
    QFont narrow = windowFont;
    narrow.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("DejaVu Sans")});
    for (QPushButton* b : {BitBtn21, Button22, Button43}) {
        b->setProperty("compact", true);
        b->setFont(narrow);
        b->setMinimumHeight(26);
        v->addWidget(b);
    }
    v->addStretch(1);
}

void StoragePanel::showSizes(const SizeReply& sizes)
{
    KEdit* const sizeFields[4] = {Edit6, Edit7, Edit8, Edit9};
    for (int i = 0; i < 4; ++i) {
        const unsigned v = sizes.disks[static_cast<size_t>(i)];
        sizeFields[i]->setText(QString::number(v));
        if (v != 0) {
            sizeFields[i]->setColor(kPresentColour);
        } else {
            sizeFields[i]->setColor(kAbsentColour);
        }
    }
    Edit10->setText(QString::number(sizes.sdMegabytes()));
    Edit10->setColor(sizes.sdPresent() ? kPresentColour : kAbsentColour);
}

void StoragePanel::setSizesStale(bool stale)
{
    // The sizes of an earlier greeting stay readable, dimmed, with their colours, until this
    // display answers the size query.
    for (KEdit* e : {Edit6, Edit7, Edit8, Edit9, Edit10}) {
        QString sheet = e->Color().isValid() ? QStringLiteral("background-color: %1;").arg(e->Color().name()) : QString();
        if (stale)
            sheet += QStringLiteral("color: #a8a8a8; font-style: italic;");
        e->setStyleSheet(sheet);
        e->setProperty("stale", stale);
        e->setToolTip(stale ? QStringLiteral("From an earlier connection: this display has not reported its sizes yet")
                            : QString());
    }
}

std::optional<unsigned> StoragePanel::diskMb(int disk) const
{
    KEdit* const sizeFields[4] = {Edit6, Edit7, Edit8, Edit9};
    if (disk < 0 || disk >= 4 || sizeFields[disk]->property("stale").toBool())
        return std::nullopt;
    return sizeFields[disk]->text().toUInt();
}
