#include "app/transfer_results_view.h"

#include "transfer/transfer_results.h"

#include <QApplication>
#include <QClipboard>
#include <QAbstractButton>
#include <QHeaderView>
#include <QKeyEvent>

#include <algorithm>
#include <vector>

TransferResultsView::TransferResultsView(QWidget* parent) : QTableView(parent)
{
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setAlternatingRowColors(true);
    setWordWrap(false);
    verticalHeader()->setVisible(false);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setAccessibleName(QStringLiteral("Result columns"));
    horizontalHeader()->setObjectName(QStringLiteral("resultColumns"));
    verticalHeader()->setAccessibleName(QStringLiteral("Result rows"));
    verticalHeader()->setObjectName(QStringLiteral("resultRows"));
    setCornerButtonEnabled(false);
    for (QAbstractButton* corner : findChildren<QAbstractButton*>()) {
        corner->setAccessibleName(QStringLiteral("Select all results"));
        corner->setObjectName(QStringLiteral("resultCorner"));
    }
    setToolTip(QStringLiteral("Ctrl+C copies the selected rows"));
}

void TransferResultsView::setResults(TransferResults* results)
{
    results_ = results;
    setModel(results);
    horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    horizontalHeader()->setSectionResizeMode(TransferResults::kResult, QHeaderView::Stretch);
}

QString TransferResultsView::copiedText() const
{
    if (!results_)
        return QString();
    std::vector<int> rows;
    if (selectionModel())
        for (const QModelIndex& i : selectionModel()->selectedRows())
            rows.push_back(i.row());
    std::sort(rows.begin(), rows.end());
    return results_->rowsAsText(rows);
}

void TransferResultsView::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Copy)) {
        QApplication::clipboard()->setText(copiedText());
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}
