#include "cli/transfer_results.h"

namespace {
const QString kLoading = QStringLiteral("Loading file ");
const QString kFile = QStringLiteral("File ");
const QString kWritten = QStringLiteral(" written");
const QString kError = QStringLiteral(" error");
const QString kBatchDone = QStringLiteral("Files is loaded to SD...");
}  // namespace

CliTransferHost::CliTransferHost(QStringList files, QString pcFolder, int codePage)
    : files_(std::move(files)), pcFolder_(std::move(pcFolder)), codePage_(codePage)
{
    for (const QString& f : files_)
        results_.push_back(FileResult{f, f, Outcome::Pending});
}

void CliTransferHost::setTargets(const QStringList& targets)
{
    for (size_t i = 0; i < results_.size() && i < static_cast<size_t>(targets.size()); ++i)
        results_[i].target = targets[static_cast<qsizetype>(i)];
}

const char* CliTransferHost::outcomeText(Outcome outcome)
{
    switch (outcome) {
    case Outcome::Written: return "written";
    case Outcome::Failed: return "error";
    case Outcome::Stopped: return "stopped";
    case Outcome::Pending: break;
    }
    return "not sent";
}

void CliTransferHost::settle(const QString& target, Outcome outcome)
{
    // The messages come in file order; the first pending file with that target is the one.
    for (size_t i = 0; i < results_.size(); ++i) {
        FileResult& r = results_[i];
        if (r.outcome == Outcome::Pending && r.target == target) {
            r.outcome = outcome;
            current_ = -1;
            if (onResult_)
                onResult_(r);
            return;
        }
    }
}

void CliTransferHost::setTransferPanel(int panel, const QString& text)
{
    if (panel == 2) {
        progress_.position = text.toLongLong();
        if (onProgress_ && !progress_.file.isEmpty())
            onProgress_(progress_);
        return;
    }
    if (panel == 3) {
        progress_.bytesPerSecond = text.toLongLong();
        return;
    }
    if (panel != 1)
        return;
    if (text == kBatchDone) {
        batchEnded_ = true;
    } else if (text.startsWith(kLoading)) {
        const QString name = text.mid(kLoading.size()).section(QStringLiteral(" to "), 0, 0);
        for (size_t i = 0; i < results_.size(); ++i)
            if (results_[i].outcome == Outcome::Pending && results_[i].name == name) {
                current_ = static_cast<int>(i);
                break;
            }
        progress_.file = name;
        if (onProgress_)
            onProgress_(progress_);
    } else if (text.startsWith(kFile) && text.endsWith(kWritten)) {
        settle(text.mid(kFile.size(), text.size() - kFile.size() - kWritten.size()), Outcome::Written);
    } else if (text.startsWith(kFile) && text.endsWith(kError)) {
        settle(text.mid(kFile.size(), text.size() - kFile.size() - kError.size()), Outcome::Failed);
    }
}

void CliTransferHost::setProgressRange(int32_t maximum)
{
    // a new file: its name comes with its "Loading file" message
    progress_ = Progress{QString(), 0, maximum, 0};
}

void CliTransferHost::setProgressPosition(int32_t position)
{
    progress_.position = position;
    if (onProgress_ && !progress_.file.isEmpty())
        onProgress_(progress_);
}

void CliTransferHost::stopCurrent()
{
    for (FileResult& r : results_)
        if (r.outcome == Outcome::Pending) {
            // the first file without a result is the one in progress (or the next to go)
            if (current_ >= 0 && &r != &results_[static_cast<size_t>(current_)])
                continue;
            r.outcome = Outcome::Stopped;
            if (onResult_)
                onResult_(r);
            break;
        }
    current_ = -1;
}

int CliTransferHost::failedCount() const
{
    int n = 0;
    for (const FileResult& r : results_)
        n += r.outcome != Outcome::Written;
    return n;
}
