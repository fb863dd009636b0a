#include "cli/transfer_results.h"

CliTransferHost::CliTransferHost(QStringList files, int codePage) : files_(std::move(files)), codePage_(codePage) {}

void CliTransferHost::setTransferPanel(int panel, const QString& text)
{
    // Panel 2 holds the bytes sent, panel 3 the speed; panel 1's messages are the window's.
    if (panel == 2)
        setProgressPosition(static_cast<int32_t>(text.toLongLong()));
    else if (panel == 3)
        progress_.bytesPerSecond = text.toLongLong();
}

void CliTransferHost::setProgressRange(int32_t maximum)
{
    progress_ = Progress{0, maximum, 0};  // a new file
}

void CliTransferHost::setProgressPosition(int32_t position)
{
    progress_.position = position;
    if (onProgress_)
        onProgress_(progress_);
}

void CliTransferHost::showSlotResult(int slot, const FileResult& result)
{
    if (onSlotResult_)
        onSlotResult_(slot, result);
}

bool ResultLines::isFinal(const FileResult& result)
{
    return result.outcome == FileResult::Outcome::Written
        || (result.failed() && result.outcome != FileResult::Outcome::WaitingForFile);
}

std::string ResultLines::line(const QString& file, const FileResult& result)
{
    return (file + QLatin1Char('\t') + result.outcomeText() + QLatin1Char('\n')).toLocal8Bit().toStdString();
}

void ResultLines::offer(int row, const QString& file, const FileResult& result)
{
    if (row < 0 || !isFinal(result) || printed(row))
        return;
    if (printed_.size() <= static_cast<size_t>(row))
        printed_.resize(static_cast<size_t>(row) + 1, false);
    printed_[static_cast<size_t>(row)] = true;
    write_(line(file, result));
}

bool ResultLines::printed(int row) const
{
    return row >= 0 && static_cast<size_t>(row) < printed_.size() && printed_[static_cast<size_t>(row)];
}
