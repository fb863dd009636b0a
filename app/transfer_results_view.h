#pragma once
#include <QAccessible>
#include <QTableView>
#include <QTimer>

#include <vector>

class TransferResults;

// The table of a transfer's per-file results: read-only, whole rows selected, and Ctrl+C copies
// the selected rows (all rows when none is selected) as tab-separated text with a header line.
//
// A batch of ten thousand small files changes a row several times per file, hundreds of times a
// second; whatever the table does per change costs the same at the last row as at the first.
// The changes are shown at most once per repaint interval: the rows changed since the last
// showing are repainted, the file column widened for their names alone (the number columns are
// as wide as their largest figures at the current font), and the view follows the current row
// unless the user has scrolled it away. Assistive tools are told once per file, when its result
// is known, not of every cell change on the way.
class TransferResultsView : public QTableView {
    Q_OBJECT
public:
    explicit TransferResultsView(QWidget* parent = nullptr);
    void setResults(TransferResults* results);
    // The text Ctrl+C puts on the clipboard.
    QString copiedText() const;
    // Shows now the changes that wait for the interval's next tick.
    void showPendingChanges();
    // A new batch: what waited for the tick belonged to the old one.
    void reset() override;

protected:
    // Tells assistive tools of a change of the table, when they listen.
    virtual void tellAssistiveTools(QAccessibleTableModelChangeEvent& event);
    void keyPressEvent(QKeyEvent* event) override;
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles = QList<int>()) override;
    void changeEvent(QEvent* event) override;

private:
    void sizeColumns();
    void sizeFixedColumns();
    void widenFileColumnFor(int row);
    bool rowInView(int row) const;

    TransferResults* results_ = nullptr;
    QTimer repaintTimer_;
    std::vector<int> changedRows_;   // since the last showing, in order of change
    std::vector<int> finishedRows_;  // rows whose result became known since the last showing
    int followedRow_ = -1;           // the row the view last scrolled to; -1 after a reset
};
