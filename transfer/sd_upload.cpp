#include "transfer/sd_upload.h"

#include "protocol/protocol_states.h"
#include "transfer/ansi_code_page.h"
#include "transfer/folder_files.h"
#include "transfer/transfer_host.h"
#include "transfer/whole_file.h"

#include <QDir>
#include <QFileInfo>

namespace {
constexpr uint8_t kOpenMarker = 0xAA;
constexpr uint8_t kBlockMarker = 0xAB;
constexpr uint8_t kCloseMarker = 0xAC;

QString jobText() { return QStringLiteral("A transfer is running"); }
QString stallHint() { return QStringLiteral("(Stop ends the transfer)"); }
}  // namespace

SdUpload::SdUpload(ProtocolLoop& loop, TransferHost& host)
    : loop_(loop), host_(host), core_(loop, host, {kBlockMarker, true, 0, kMaxBlock, false}, State::kSdBlockAck,
                                      {[this] { endBatch(FileResult::Outcome::LineLost); },
                                       [this](int64_t bytes, double seconds) {
                                           updateRow([&](FileResult& r) {
                                               r.bytesSent = bytes;
                                               r.seconds = seconds;
                                           });
                                       },
                                       [this](const HotBlockPath::Progress& p, double seconds) { blocksEnded(p, seconds); },
                                       {}})
{
    returnState_ = State::kSdAfterFile;
    loop_.registerStep(State::kSdBatchStart, [this] { return batchStart(); });
    loop_.registerStep(State::kSdNextFile, [this] { return nextFile(); });
    loop_.registerStep(State::kSdOpen, [this] { return open(); });
    loop_.registerStep(State::kSdOpenAck, [this] { return openAck(); });
    loop_.registerStep(State::kSdBlock, [this] { return block(); });
    loop_.registerStep(State::kSdBlockAck, [this] { return blockAck(); });
    loop_.registerStep(State::kSdClose, [this] { return close(); });
    loop_.registerStep(State::kSdCloseAck, [this] { return closeAck(); });
    loop_.registerStep(State::kSdFileError, [this] { return fileError(); });
    loop_.registerStep(State::kSdAfterFile, [this] { return afterFile(); });
}

std::optional<std::string> SdUpload::devicePathBytes(const QString& devicePath, int codePage)
{
    std::optional<std::string> encoded = encodeInCodePage(devicePath, codePage);
    if (!encoded || encoded->size() > display::kSdMaxPathBytes)
        return std::nullopt;
    return encoded;
}

bool SdUpload::nameWritable(const QString& sdFolder, const QString& name, int codePage)
{
    return !nameHasUndecodableBytes(name) && devicePathBytes(sdFolder + name, codePage);
}

bool SdUpload::begin()
{
    batchBegun_ = false;
    running_ = loop_.startJob({jobText(), [this] { stop(); }, stallHint(), this}, State::kSdBatchStart);
    return running_;
}

bool SdUpload::loadPacket(const QString& sdFolder, const QString& pcFolder)
{
    if (!loop_.mayStart())
        return loop_.request(State::kSdBatchStart);  // refused, and said so
    sdFolder_ = sdFolder;
    pcFolder_ = pcFolder;
    again_.reset();
    core_.startClock();
    return begin();
}

bool SdUpload::sendFailedAgain()
{
    const QStringList failed = results_.failedNames();
    if (failed.isEmpty() || !loop_.mayStart())
        return !failed.isEmpty() && loop_.request(State::kSdBatchStart);
    again_ = failed;
    core_.startClock();
    return begin();
}

template <class Change>
void SdUpload::updateRow(Change change)
{
    if (fileIndex_ < 0 || fileIndex_ >= results_.count())
        return;
    FileResult r = results_.at(fileIndex_);
    change(r);
    results_.update(fileIndex_, r);
}

SdUpload::StepResult SdUpload::batchStart()
{
    const QStringList names = again_ ? *again_ : host_.sdFileNames();
    again_.reset();
    if (names.isEmpty()) {
        running_ = false;
        loop_.advance(State::kIdle);
        loop_.endJob();
        return StepResult::Acted;
    }
    fileNames_ = names;
    results_.reset(names);
    fileIndex_ = 0;
    returnState_ = State::kSdAfterFile;
    running_ = true;
    batchBegun_ = true;
    host_.setTransferPanelToolTip(1, QString());
    loop_.advance(State::kSdNextFile);
    return StepResult::Acted;
}

SdUpload::StepResult SdUpload::nextFile()
{
    core_.newFile();
    loop_.advance(State::kSdOpen);
    return StepResult::Acted;
}

SdUpload::StepResult SdUpload::open()
{
    if (core_.lineLost())
        return StepResult::Acted;
    core_.reply().beginRequest();
    const QString name = QFileInfo(fileNames_.value(fileIndex_)).fileName();
    const QString path = QDir(pcFolder_).filePath(name);
    devicePath_ = sdFolder_ + name;
    // A name listed with bytes the locale cannot decode cannot be opened by its text, nor told
    // to the display: the file error, reported, instead of a wait for a file that never appears.
    if (nameHasUndecodableBytes(name)) {
        fail(FileResult::Outcome::NameNotWritable);
        return StepResult::Acted;
    }
    // A missing file is looked for again on the loop's timer, not on every pass.
    if (!core_.fileThere(path, name, pcFolder_,
                         [this] { updateRow([](FileResult& r) { r.outcome = FileResult::Outcome::WaitingForFile; }); }))
        return StepResult::WaitForTimer;

    // A name the display cannot be told (not in the code page, or longer than the open frame's
    // one-byte length) ends with the file error: nothing is sent for it.
    const std::optional<std::string> encoded = devicePathBytes(devicePath_, host_.ansiCodePage());
    if (!encoded) {
        fail(FileResult::Outcome::NameNotWritable);
        return StepResult::Acted;
    }
    // A large file is read on a thread of its own; the step looks again until it is in.
    std::optional<WholeFile> read = core_.readFile(path);
    if (!read)
        return StepResult::WaitForTimer;
    WholeFile& file = *read;
    if (file.outcome == WholeFile::Outcome::TooLarge) {
        fail(FileResult::Outcome::TooLarge);
        return StepResult::Acted;
    }
    if (file.outcome != WholeFile::Outcome::Read) {
        fail(FileResult::Outcome::CannotRead, file.reason);
        return StepResult::Acted;
    }
    const int64_t size = core_.load(std::move(file.bytes));

    std::vector<uint8_t> openFrame;
    openFrame.reserve(2 + encoded->size());
    openFrame.push_back(kOpenMarker);
    openFrame.push_back(static_cast<uint8_t>(encoded->size()));
    openFrame.insert(openFrame.end(), encoded->begin(), encoded->end());
    loop_.sendFrame(openFrame);

    loop_.advance(State::kSdOpenAck);
    host_.setTransferPanel(1, QStringLiteral("Loading file ") + name + QStringLiteral(" to SD..."));
    core_.startClock();  // the file's speed counts from its open frame
    updateRow([size](FileResult& r) {
        r.size = size;
        r.outcome = FileResult::Outcome::Sending;
        r.bytesSent = 0;
        r.seconds = 0;
    });
    return StepResult::Acted;
}

SdUpload::StepResult SdUpload::openAck()
{
    return core_.awaitMarker(kOpenMarker, [this] { loop_.advance(State::kSdBlock); });
}

SdUpload::StepResult SdUpload::block()
{
    core_.startBlocks();
    loop_.advance(State::kSdBlockAck);
    return StepResult::Acted;
}

SdUpload::StepResult SdUpload::blockAck() { return core_.blocksStep(); }

void SdUpload::blocksEnded(const HotBlockPath::Progress& p, double seconds)
{
    if (*p.end == BlockTransfer::Ack::WrongSum) {
        const int block = p.blocksSent;
        updateRow([block](FileResult& r) { r.block = block; });  // bytes sent: the blocks before it
        fail(FileResult::Outcome::SumError);
    } else {
        loop_.advance(State::kSdClose);
        updateRow([&](FileResult& r) {
            r.bytesSent = static_cast<int64_t>(p.endPosition);
            r.seconds = seconds;
        });
    }
}

SdUpload::StepResult SdUpload::close()
{
    core_.reply().beginRequest();
    const uint8_t closeFrame[] = {kCloseMarker, 0x00};
    loop_.sendFrame(closeFrame);
    loop_.advance(State::kSdCloseAck);
    return StepResult::Acted;
}

SdUpload::StepResult SdUpload::closeAck()
{
    return core_.awaitMarker(kCloseMarker, [this] {
        host_.setTransferPanel(1, QStringLiteral("File ") + devicePath_ + QStringLiteral(" written"));
        updateRow([](FileResult& r) { r.outcome = FileResult::Outcome::Written; });
        core_.release();
        loop_.advance(returnState_);
    });
}

void SdUpload::fail(FileResult::Outcome outcome, const QString& reason)
{
    updateRow([&](FileResult& r) {
        r.outcome = outcome;
        r.reason = reason;
    });
    loop_.advance(State::kSdFileError);
}

SdUpload::StepResult SdUpload::fileError()
{
    host_.setTransferPanel(1, QStringLiteral("File ") + devicePath_ + QStringLiteral(" error"));
    core_.release();
    loop_.advance(returnState_);
    return StepResult::Acted;
}

SdUpload::StepResult SdUpload::afterFile()
{
    if (fileIndex_ < fileNames_.size() - 1) {
        ++fileIndex_;
        loop_.advance(State::kSdNextFile);
        return StepResult::Acted;
    }
    // A batch never ends on the success text after a failure: the count follows it, and the
    // panel's tooltip names the files that did not go.
    const QStringList failed = results_.failedNames();
    QString text = QStringLiteral("Files is loaded to SD...");
    if (!failed.isEmpty()) {
        text += QStringLiteral(" %1 of %2 files failed").arg(failed.size()).arg(results_.count());
        host_.setTransferPanelToolTip(1, QStringLiteral("Not written: ") + failed.join(QStringLiteral(", ")));
    }
    host_.setTransferPanel(1, text);
    running_ = false;
    loop_.advance(State::kIdle);
    loop_.endJob();
    return StepResult::Acted;
}

void SdUpload::stop()
{
    if (!running_)
        return;
    if (!batchBegun_) {
        // Stopped before the batch took its list: nothing was sent, the last account stands.
        running_ = false;
        loop_.advance(State::kIdle);
        loop_.endJob();
        return;
    }
    endBatch(FileResult::Outcome::Stopped);
    host_.setTransferPanel(
        1, QStringLiteral("Transfer stopped: %1 of %2 files written").arg(results_.writtenCount()).arg(results_.count()));
}

void SdUpload::endBatch(FileResult::Outcome current)
{
    core_.settleHotPath();
    // The file under way is marked where it stood: the bytes the display has acknowledged.
    updateRow([&](FileResult& r) {
        if (!r.failed() && r.outcome != FileResult::Outcome::Written)
            r.outcome = current;
        else if (r.outcome == FileResult::Outcome::WaitingForFile)
            r.outcome = current;
    });
    for (int i = fileIndex_ + 1; i < results_.count(); ++i) {
        FileResult r = results_.at(i);
        r.outcome = FileResult::Outcome::NotSent;
        results_.update(i, r);
    }
    QStringList failed = results_.failedNames();
    if (!failed.isEmpty())
        host_.setTransferPanelToolTip(1, QStringLiteral("Not written: ") + failed.join(QStringLiteral(", ")));
    core_.release();
    running_ = false;
    loop_.advance(State::kIdle);
    loop_.endJob();
}
