#include "app/transfer_results_view.h"

#include "app/widgets/k_repaint_pacer.h"
#include "transfer/transfer_results.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QStyle>

#include <algorithm>

namespace {

// The widest figure each number column shows: sizes and byte counts stay below 2 GiB, a
// transfer's seconds below a day, its speed below a gigabyte per second.
QString widestFigure(int column)
{
    switch (column) {
    case TransferResults::kSize:
    case TransferResults::kBytesSent:
        return QStringLiteral("2147483647");
    case TransferResults::kSeconds:
        return QStringLiteral("86400.0");
    case TransferResults::kSpeed:
        return QStringLiteral("999999999");
    default:
        return QString();
    }
}

bool finished(const FileResult& r)
{
    return r.outcome != FileResult::Outcome::Pending && r.outcome != FileResult::Outcome::Sending;
}

}  // namespace

TransferResultsView::TransferResultsView(QWidget* parent) : QTableView(parent)
{
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setAlternatingRowColors(true);
    setWordWrap(false);
    verticalHeader()->setVisible(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
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
    repaintTimer_.setSingleShot(true);
    repaintTimer_.setInterval(kDisplayRepaintIntervalMs);
    connect(&repaintTimer_, &QTimer::timeout, this, [this] { showPendingChanges(); });
}

void TransferResultsView::setResults(TransferResults* results)
{
    if (results_)
        disconnect(results_, nullptr, this, nullptr);
    results_ = results;
    setModel(results);
    // After the headers have made their sections afresh for a new batch, which they do on the
    // same signal, connected before this.
    if (results_)
        connect(results_, &QAbstractItemModel::modelReset, this, [this] { sizeColumns(); });
    sizeColumns();
}

void TransferResultsView::sizeColumns()
{
    // No column is sized by walking its rows: the number columns by their widest figure, the
    // file column by the names of the rows that change, the result column by what is left.
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setSectionResizeMode(TransferResults::kResult, QHeaderView::Stretch);
    sizeFixedColumns();
}

void TransferResultsView::sizeFixedColumns()
{
    if (!model())
        return;
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    const int padding = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1) + 8;
    for (int c = 0; c < TransferResults::kColumns; ++c) {
        if (c == TransferResults::kResult)
            continue;
        const int figure = c == TransferResults::kFile ? 0 : fontMetrics().horizontalAdvance(widestFigure(c)) + padding;
        setColumnWidth(c, std::max(horizontalHeader()->sectionSizeHint(c), figure));
    }
    // The rows in view when a batch starts are measured too, so that the pending names show whole.
    const int rows = model()->rowCount();
    const int first = std::max(0, rowAt(0));
    for (int row = first; row < rows && rowInView(row); ++row)
        widenFileColumnFor(row);
}

void TransferResultsView::widenFileColumnFor(int row)
{
    if (!model())
        return;
    const QString name = model()->data(model()->index(row, TransferResults::kFile)).toString();
    const int padding = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1) + 8;
    // Half the view at most: the result beside it is what the table is for.
    const int cap = std::max(horizontalHeader()->sectionSizeHint(TransferResults::kFile), viewport()->width() / 2);
    const int wanted = std::min(fontMetrics().horizontalAdvance(name) + padding, cap);
    if (wanted > columnWidth(TransferResults::kFile))
        setColumnWidth(TransferResults::kFile, wanted);
}

bool TransferResultsView::rowInView(int row) const
{
    const int y = rowViewportPosition(row);
    return y >= 0 && y < viewport()->height();
}

void TransferResultsView::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles)
{
    Q_UNUSED(roles);
    // The table has no editors, so the base class would only repaint the viewport and tell
    // assistive tools of the change; both wait for the interval's tick.
    if (!topLeft.isValid() || !bottomRight.isValid())
        return;
    for (int row = topLeft.row(); row <= bottomRight.row(); ++row) {
        if (changedRows_.empty() || changedRows_.back() != row)
            changedRows_.push_back(row);
        if (results_ && row < results_->count() && finished(results_->at(row))
            && (finishedRows_.empty() || finishedRows_.back() != row))
            finishedRows_.push_back(row);
    }
    if (!repaintTimer_.isActive())
        repaintTimer_.start();
}

void TransferResultsView::showPendingChanges()
{
    repaintTimer_.stop();
    if (changedRows_.empty() || !model()) {
        changedRows_.clear();
        finishedRows_.clear();
        return;
    }
    const int rows = model()->rowCount();
    // The current row: the last one that changed, unless the change only marked it not sent
    // (a stopped batch marks every row after the stopped file at once).
    int current = -1;
    for (int row : changedRows_) {
        if (row >= rows)
            continue;
        widenFileColumnFor(row);
        const FileResult::Outcome outcome = results_ ? results_->at(row).outcome : FileResult::Outcome::Sending;
        if (outcome != FileResult::Outcome::NotSent && outcome != FileResult::Outcome::Pending)
            current = row;
    }
    // The view follows the current file while the row it last followed is in view: a user who
    // scrolled away is left where they are.
    if (current >= 0 && (followedRow_ < 0 || followedRow_ >= rows || rowInView(followedRow_))) {
        followedRow_ = current;
        scrollTo(model()->index(current, TransferResults::kFile), QAbstractItemView::EnsureVisible);
    }
    viewport()->update();
    for (int row : finishedRows_) {
        if (row >= rows)
            continue;
        QAccessibleTableModelChangeEvent event(this, QAccessibleTableModelChangeEvent::DataChanged);
        event.setFirstRow(row);
        event.setLastRow(row);
        event.setFirstColumn(0);
        event.setLastColumn(TransferResults::kColumns - 1);
        tellAssistiveTools(event);
    }
    changedRows_.clear();
    finishedRows_.clear();
}

void TransferResultsView::tellAssistiveTools(QAccessibleTableModelChangeEvent& event)
{
    if (QAccessible::isActive())
        QAccessible::updateAccessibility(&event);
}

void TransferResultsView::reset()
{
    repaintTimer_.stop();
    changedRows_.clear();
    finishedRows_.clear();
    followedRow_ = -1;
    QTableView::reset();
}

void TransferResultsView::changeEvent(QEvent* event)
{
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        sizeFixedColumns();
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
