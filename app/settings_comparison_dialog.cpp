#include "app/settings_comparison_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

SettingsComparisonDialog::SettingsComparisonDialog(const SettingsComparison& c, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("SettingsComparisonDialog"));
    setWindowTitle(c.restore ? QStringLiteral("Restore settings from %1").arg(c.fileName)
                             : QStringLiteral("Compare with %1").arg(c.fileName));
    auto* v = new QVBoxLayout(this);

    QString summary = c.rows.empty()
        ? QStringLiteral("The display holds the settings of %1.").arg(c.fileName)
        : QStringLiteral("%1 difference(s) between the display and %2.").arg(c.rows.size()).arg(c.fileName);
    if (c.restore && !c.rows.empty())
        summary += QStringLiteral(" \"Restore\" writes the differing records, then reads all four back.");
    if (c.otherDisplay)
        summary = QStringLiteral("The file comes from another display: serial № %1 (this display: %2).\n")
                      .arg(c.fileSerial)
                      .arg(c.displaySerial)
            + summary;
    auto* label = new QLabel(summary, this);
    label->setObjectName(QStringLiteral("comparisonSummary"));
    label->setWordWrap(true);
    v->addWidget(label);

    table = new QTableWidget(static_cast<int>(c.rows.size()), 4, this);
    table->setObjectName(QStringLiteral("comparisonTable"));
    table->setAccessibleName(QStringLiteral("Differences"));
    table->setHorizontalHeaderLabels(
        {QStringLiteral("Record"), QStringLiteral("Field"), QStringLiteral("Display"), QStringLiteral("File")});
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->verticalHeader()->setVisible(false);
    table->horizontalHeader()->setStretchLastSection(true);
    for (int r = 0; r < static_cast<int>(c.rows.size()); ++r) {
        const SettingsDifference& d = c.rows[static_cast<size_t>(r)];
        const QString cells[] = {settingsRecordName(d.record), d.field, d.display, d.file};
        for (int col = 0; col < 4; ++col)
            table->setItem(r, col, new QTableWidgetItem(cells[col]));
    }
    table->setWordWrap(false);
    table->resizeColumnsToContents();
    v->addWidget(table, 1);

    auto* buttons = new QDialogButtonBox(this);
    if (c.restore) {
        if (c.otherDisplay) {
            fileSerial = new QCheckBox(QStringLiteral("Write the file's serial № %1 too").arg(c.fileSerial), this);
            fileSerial->setObjectName(QStringLiteral("writeFileSerial"));
            v->addWidget(fileSerial);
        }
        QPushButton* go = buttons->addButton(QStringLiteral("Restore"), QDialogButtonBox::AcceptRole);
        go->setObjectName(QStringLiteral("restoreButton"));
        go->setAutoDefault(false);
        QPushButton* cancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
        cancel->setDefault(true);
        cancel->setFocus();
    } else {
        buttons->addButton(QStringLiteral("Close"), QDialogButtonBox::RejectRole);
    }
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    v->addWidget(buttons);
    resize(900, std::clamp(200 + static_cast<int>(c.rows.size()) * 30, 260, 560));
}

bool SettingsComparisonDialog::writeFileSerial() const { return fileSerial && fileSerial->isChecked(); }

ComparisonPresenter windowModalComparison(QWidget* parent)
{
    return [parent](const SettingsComparison& c, std::function<void(SettingsComparisonAnswer)> onRestore) {
        auto* dialog = new SettingsComparisonDialog(c, parent);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setWindowModality(Qt::WindowModal);
        QObject::connect(dialog, &QDialog::accepted, dialog, [dialog, onRestore = std::move(onRestore)] {
            if (onRestore)
                onRestore({dialog->writeFileSerial()});
        });
        dialog->open();
    };
}
