#pragma once
#include <QTableView>

class TransferResults;

// The table of a transfer's per-file results: read-only, whole rows selected, and Ctrl+C copies
// the selected rows (all rows when none is selected) as tab-separated text with a header line.
class TransferResultsView : public QTableView {
    Q_OBJECT
public:
    explicit TransferResultsView(QWidget* parent = nullptr);
    void setResults(TransferResults* results);
    // The text Ctrl+C puts on the clipboard.
    QString copiedText() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    TransferResults* results_ = nullptr;
};
