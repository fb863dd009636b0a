#include "transfer/file_transfer_core.h"

#include "transfer/speed_figure.h"
#include "transfer/transfer_host.h"

#include <QDir>

FileTransferCore::FileTransferCore(ProtocolLoop& loop, TransferHost& host, BlockTransfer::Format format, int32_t blockAckState,
                                   Ends ends)
    : loop_(loop), host_(host), ends_(std::move(ends)), blockAckState_(blockAckState), reply_(loop), core_(format),
      hot_(loop, core_)
{}

bool FileTransferCore::lineLost()
{
    if (loop_.lineUp())
        return false;
    // The loop has said that the line is gone; the job ends with the file where it stood.
    ends_.lineLost();
    return true;
}

bool FileTransferCore::fileThere(const QString& path, const QString& name, const QString& folder,
                                 const std::function<void()>& markWaiting)
{
    if (fileExists(path))
        return true;
    if (!waitShown_) {
        waitShown_ = true;
        host_.setTransferPanel(1, QStringLiteral("Waiting for %1 to appear in %2").arg(name, QDir::toNativeSeparators(folder)));
        markWaiting();
    }
    return false;
}

std::optional<WholeFile> FileTransferCore::readFile(const QString& path)
{
    WholeFile file;
    if (reader_.busy()) {
        if (!reader_.ready())
            return std::nullopt;
        file = reader_.take();
    } else if (reportedFileSize(path) > BackgroundFileRead::kReadInPlace) {
        reader_.start(path);
        return std::nullopt;
    } else {
        file = readWholeFile(path);
    }
    if (file.outcome == WholeFile::Outcome::Missing)
        return std::nullopt;  // gone between the look and the read
    return file;
}

int64_t FileTransferCore::load(std::vector<uint8_t> bytes)
{
    const int64_t size = static_cast<int64_t>(bytes.size());
    core_.load(std::move(bytes));
    host_.setProgressRange(static_cast<int32_t>(size));
    host_.setProgressPosition(0);
    return size;
}

FileTransferCore::StepResult FileTransferCore::awaitMarker(uint8_t marker, const std::function<void()>& onMarker)
{
    if (lineLost())
        return StepResult::Acted;
    if (!reply_.pairReady())
        return StepResult::WaitForInput;
    if (reply_.take() == marker)
        onMarker();
    return StepResult::Acted;
}

void FileTransferCore::showProgress(const HotBlockPath::Progress& p)
{
    if (p.sent != shownSent_) {
        shownSent_ = p.sent;
        host_.setTransferPanel(2, QString::number(p.sent));
    }
    if (p.acks == shownAcks_)
        return;
    shownAcks_ = p.acks;
    ends_.acknowledged(static_cast<int64_t>(p.acknowledged), secondsAt(p.ackTick));
    host_.showAcknowledged(static_cast<int32_t>(p.acknowledged),
                           speedFigure(static_cast<int64_t>(p.acknowledged), p.ackTick, startTick_));
}

void FileTransferCore::startBlocks()
{
    shownAcks_ = 0;
    shownSent_ = 0;
    hot_.start();
    showProgress(hot_.progress());
}

// The acknowledgements that ask for more are checked, and answered with the next block, on the
// thread that reads them (HotBlockPath); this step shows how far the file got and hands the
// acknowledgement that ends it to the transfer.
FileTransferCore::StepResult FileTransferCore::blocksStep()
{
    if (lineLost())
        return StepResult::Acted;
    const HotBlockPath::Progress p = hot_.progress();
    showProgress(p);
    if (!p.end) {
        if (ends_.waiting)
            ends_.waiting(p);
        return StepResult::WaitForInput;
    }
    ends_.blocksEnded(p, secondsAt(p.endTick));
    host_.showAcknowledged(static_cast<int32_t>(p.endPosition),
                           speedFigure(static_cast<int64_t>(p.endPosition), p.endTick, startTick_));
    return StepResult::Acted;
}

void FileTransferCore::settleHotPath()
{
    hot_.stop();
    if (loop_.state() == blockAckState_)
        showProgress(hot_.progress());
}

void FileTransferCore::release()
{
    hot_.stop();  // the blocks are the hot path's until it has ended
    reader_.cancel();
    core_.release();
}
