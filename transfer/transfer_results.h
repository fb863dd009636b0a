#pragma once
#include <QAbstractTableModel>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

// The account of a transfer, one row per file: what became of it, how much went and how fast.
// The SD upload keeps one for its batch, the flash loader one row per slot. It is a table model
// without widgets, so the window shows it in a table and a command line prints its rows.
struct FileResult {
    enum class Outcome {
        Pending,          // its turn has not come yet
        Sending,          // going now
        Written,          // the display acknowledged every block and the close
        SumError,         // the display's sum of block `block` (from 1) differed
        CannotRead,       // the file could not be read; `reason` says why
        NameNotWritable,  // the display cannot be told the name
        TooLarge,         // larger than the transfer can count
        WaitingForFile,   // the file was missing when its turn came, and still is
        Stopped,          // Stop (or Exit) ended the transfer at `bytesSent`
        LineLost,         // the line was lost at `bytesSent`
        NotSent,          // the batch ended before its turn
    };

    QString name;       // as shown: the bare file name (SD) or the file box's text (flash)
    int64_t size = -1;  // -1 while unknown
    Outcome outcome = Outcome::Pending;
    int block = 0;
    QString reason;
    int64_t bytesSent = 0;
    double seconds = 0;

    bool failed() const { return outcome != Outcome::Written && outcome != Outcome::Pending && outcome != Outcome::Sending; }
    // "written", "sum error at block 3", "stopped at byte 500", ...
    QString outcomeText() const;
    // Bytes per second, 0 before a second's fraction has passed.
    int64_t bytesPerSecond() const;
};

class TransferResults : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { kFile, kSize, kResult, kBytesSent, kSeconds, kSpeed, kColumns };

    using QAbstractTableModel::QAbstractTableModel;

    // A new batch: one pending row per name; the previous batch's rows go.
    void reset(const QStringList& names);
    int count() const { return static_cast<int>(rows_.size()); }
    const FileResult& at(int row) const { return rows_.at(static_cast<size_t>(row)); }
    // Changes a row and tells the views.
    void update(int row, const FileResult& result);

    // The names of the rows that did not go, in order.
    QStringList failedNames() const;
    int failedCount() const;
    int writtenCount() const;
    // The rows as tab-separated text, with a header line; rows empty means all.
    QString rowsAsText(const std::vector<int>& rows = {}) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QString cellText(const FileResult& r, int column) const;
    std::vector<FileResult> rows_;
};
