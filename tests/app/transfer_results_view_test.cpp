// The results table of a batch: what it does per file stays the same however many rows the batch
// has, and assistive tools are told of a file once, when its result is known.
#include "app/transfer_results_view.h"
#include "transfer/transfer_results.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace {

// The results, noting every row the view reads (to measure a column, to paint, to copy).
class RowsReadResults : public TransferResults {
public:
    mutable std::set<int> rowsRead;
    QVariant data(const QModelIndex& index, int role) const override
    {
        rowsRead.insert(index.row());
        return TransferResults::data(index, role);
    }
};

// The view, counting what it tells assistive tools (which the offscreen platform has none of).
class CountingView : public TransferResultsView {
public:
    int told = 0;
    std::vector<int> rowsTold;

protected:
    void tellAssistiveTools(QAccessibleTableModelChangeEvent& event) override
    {
        ++told;
        for (int row = event.firstRow(); row <= event.lastRow(); ++row)
            rowsTold.push_back(row);
        TransferResultsView::tellAssistiveTools(event);
    }
};

struct FileWork {
    size_t rowsRead = 0;
    int accessibilityUpdates = 0;
};

// One file of 100 bytes as the upload reports it: sending, its block acknowledged, written; then
// the view shows it and paints.
FileWork sendFile(RowsReadResults& results, CountingView& view, int row)
{
    results.rowsRead.clear();
    view.told = 0;
    FileResult r = results.at(row);
    r.size = 100;
    r.outcome = FileResult::Outcome::Sending;
    results.update(row, r);
    r.bytesSent = 100;
    r.seconds = 0.1;
    results.update(row, r);
    r.outcome = FileResult::Outcome::Written;
    results.update(row, r);
    view.showPendingChanges();
    QApplication::processEvents();
    return {results.rowsRead.size(), view.told};
}

TEST(TransferResultsView, WorkPerFileDoesNotGrowWithTheRowsAndAFileIsAnnouncedOnce)
{
    RowsReadResults results;
    QStringList names;
    for (int i = 0; i < 2000; ++i)
        names << QStringLiteral("file%1.bin").arg(i, 5, 10, QLatin1Char('0'));
    CountingView view;
    view.setResults(&results);
    view.resize(600, 150);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    results.reset(names);
    QApplication::processEvents();

    FileWork tenth, thousandth;
    for (int row = 0; row < 1000; ++row) {
        const FileWork work = sendFile(results, view, row);
        if (row == 9)
            tenth = work;
        if (row == 999)
            thousandth = work;
    }
    // The rows in view (the table follows the current file) and the row that changed; never a
    // walk over the batch's rows.
    const size_t inView = static_cast<size_t>(view.viewport()->height() / view.rowHeight(0) + 2);
    EXPECT_LE(tenth.rowsRead, inView);
    EXPECT_EQ(thousandth.rowsRead, tenth.rowsRead);
    EXPECT_TRUE(results.rowsRead.count(999)) << "the current file is in view";
    EXPECT_EQ(tenth.accessibilityUpdates, 1);
    EXPECT_EQ(thousandth.accessibilityUpdates, 1);
    ASSERT_FALSE(view.rowsTold.empty());
    EXPECT_EQ(view.rowsTold.back(), 999) << "the finished file's row is the one told";
}

}  // namespace
