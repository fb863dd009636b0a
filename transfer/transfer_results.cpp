#include "transfer/transfer_results.h"

#include <cmath>

QString FileResult::outcomeText() const
{
    switch (outcome) {
    case Outcome::Pending:
        return QString();
    case Outcome::Sending:
        return QStringLiteral("sending");
    case Outcome::Written:
        return QStringLiteral("written");
    case Outcome::SumError:
        return QStringLiteral("sum error at block %1").arg(block);
    case Outcome::CannotRead:
        return QStringLiteral("cannot read: ") + reason;
    case Outcome::NameNotWritable:
        return QStringLiteral("name not writable on the display");
    case Outcome::TooLarge:
        return QStringLiteral("cannot read: larger than 2 GiB");
    case Outcome::WaitingForFile:
        return QStringLiteral("waiting for the file");
    case Outcome::Stopped:
        return QStringLiteral("stopped at byte %1").arg(bytesSent);
    case Outcome::LineLost:
        return QStringLiteral("line lost at byte %1").arg(bytesSent);
    case Outcome::NotSent:
        return QStringLiteral("not sent");
    }
    return QString();
}

int64_t FileResult::bytesPerSecond() const
{
    if (seconds <= 0)
        return 0;
    return static_cast<int64_t>(std::llround(static_cast<double>(bytesSent) / seconds));
}

void TransferResults::reset(const QStringList& names)
{
    beginResetModel();
    rows_.clear();
    rows_.reserve(static_cast<size_t>(names.size()));
    for (const QString& n : names) {
        FileResult r;
        r.name = n;
        rows_.push_back(r);
    }
    endResetModel();
}

void TransferResults::update(int row, const FileResult& result)
{
    if (row < 0 || row >= count())
        return;
    rows_[static_cast<size_t>(row)] = result;
    emit dataChanged(index(row, 0), index(row, kColumns - 1));
}

QStringList TransferResults::failedNames() const
{
    QStringList names;
    for (const FileResult& r : rows_)
        if (r.failed())
            names << r.name;
    return names;
}

int TransferResults::failedCount() const { return static_cast<int>(failedNames().size()); }

int TransferResults::writtenCount() const
{
    int n = 0;
    for (const FileResult& r : rows_)
        n += r.outcome == FileResult::Outcome::Written;
    return n;
}

QString TransferResults::rowsAsText(const std::vector<int>& rows) const
{
    QStringList lines;
    QStringList header;
    for (int c = 0; c < kColumns; ++c)
        header << headerData(c, Qt::Horizontal).toString();
    lines << header.join(QLatin1Char('\t'));
    std::vector<int> wanted = rows;
    if (wanted.empty())
        for (int i = 0; i < count(); ++i)
            wanted.push_back(i);
    for (int row : wanted) {
        if (row < 0 || row >= count())
            continue;
        QStringList cells;
        for (int c = 0; c < kColumns; ++c)
            cells << cellText(at(row), c);
        lines << cells.join(QLatin1Char('\t'));
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

int TransferResults::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : count(); }

int TransferResults::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumns; }

QString TransferResults::cellText(const FileResult& r, int column) const
{
    const bool started = r.outcome != FileResult::Outcome::Pending;
    switch (column) {
    case kFile:
        return r.name;
    case kSize:
        return r.size < 0 ? QString() : QString::number(r.size);
    case kResult:
        return r.outcomeText();
    case kBytesSent:
        return started ? QString::number(r.bytesSent) : QString();
    case kSeconds:
        return started ? QString::number(r.seconds, 'f', 1) : QString();
    case kSpeed:
        return started && r.seconds > 0 ? QString::number(r.bytesPerSecond()) : QString();
    default:
        return QString();
    }
}

QVariant TransferResults::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= count() || index.column() >= kColumns)
        return {};
    const FileResult& r = at(index.row());
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return cellText(r, index.column());
    if (role == Qt::TextAlignmentRole && index.column() != kFile && index.column() != kResult)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
    return {};
}

QVariant TransferResults::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole))
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char* const kTitles[kColumns] = {"File", "Size", "Result", "Bytes sent", "Seconds", "Speed (B/s)"};
    if (section < 0 || section >= kColumns)
        return {};
    return QString::fromLatin1(kTitles[section]);
}
