#include "transfer/flash_loader.h"

#include "protocol/protocol_states.h"
#include "transfer/speed_figure.h"
#include "transfer/transfer_host.h"
#include "transfer/whole_file.h"

#include <QDir>
#include <QFileInfo>

namespace {
constexpr uint8_t kOpenMarker = 0xA3;
constexpr uint8_t kOpenConstant = 0x01;
constexpr uint8_t kBlockMarker = 0xA4;
constexpr uint8_t kBlockConstant = 0x00;
}  // namespace

FlashLoader::FlashLoader(ProtocolLoop& loop, TransferHost& host)
    : loop_(loop), host_(host), reply_(loop), core_({kBlockMarker, false, kBlockConstant, kBlock, true}),
      hot_(loop, reply_, core_)
{
    loop_.registerStep(State::kFlashOpen, [this] { return open(); });
    loop_.registerStep(State::kFlashOpenAck, [this] { return openAck(); });
    loop_.registerStep(State::kFlashBlock, [this] { return block(); });
    loop_.registerStep(State::kFlashBlockAck, [this] { return blockAck(); });
    loop_.registerStep(State::kFlashDone, [this] { return done(); });
    loop_.registerStep(State::kFlashError, [this] { return error(); });
}

bool FlashLoader::send(const QString& fileName, uint8_t slot)
{
    if (!loop_.mayStart())
        return loop_.request(State::kFlashOpen);  // refused, and said so
    fileName_ = fileName;
    slot_ = slot;
    current_ = FileResult{};
    current_.name = fileName;
    waitShown_ = false;
    running_ = loop_.startJob(
        {QStringLiteral("A transfer is running"), [this] { stop(); }, QStringLiteral("(Stop ends the transfer)"), this},
        State::kFlashOpen);
    return running_;
}

QString FlashLoader::bareName() const { return QFileInfo(fileName_).fileName(); }

void FlashLoader::setResult(const FileResult& result)
{
    current_ = result;
    if (slot_ < kSlots)
        results_[slot_] = result;
    host_.showSlotResult(slot_, result);
}

bool FlashLoader::lineLost()
{
    if (loop_.lineUp())
        return false;
    finish(FileResult::Outcome::LineLost);
    loop_.advance(State::kIdle);
    return true;
}

FlashLoader::StepResult FlashLoader::open()
{
    if (lineLost())
        return StepResult::Acted;
    reply_.beginRequest();
    // A missing file is looked for again on the loop's timer, not on every pass.
    if (!fileExists(fileName_)) {
        if (!waitShown_) {
            waitShown_ = true;
            const QFileInfo info(fileName_);
            host_.setTransferPanel(1,
                                   QStringLiteral("Waiting for %1 to appear in %2")
                                       .arg(info.fileName(), QDir::toNativeSeparators(info.absolutePath())));
            FileResult r = current_;
            r.outcome = FileResult::Outcome::WaitingForFile;
            setResult(r);
        }
        return StepResult::WaitForTimer;
    }
    // A large image is read on a thread of its own; the step looks again until it is in.
    WholeFile file;
    if (reader_.busy()) {
        if (!reader_.ready())
            return StepResult::WaitForTimer;
        file = reader_.take();
    } else if (reportedFileSize(fileName_) > BackgroundFileRead::kReadInPlace) {
        reader_.start(fileName_);
        return StepResult::WaitForTimer;
    } else {
        file = readWholeFile(fileName_);
    }
    if (file.outcome == WholeFile::Outcome::Missing)
        return StepResult::WaitForTimer;  // gone between the look and the read
    if (file.outcome != WholeFile::Outcome::Read) {
        // Unreadable, or too large for the progress bar: the file error, the line stays up.
        FileResult r = current_;
        r.outcome =
            file.outcome == WholeFile::Outcome::TooLarge ? FileResult::Outcome::TooLarge : FileResult::Outcome::CannotRead;
        r.reason = file.reason;
        setResult(r);
        loop_.advance(State::kFlashError);
        return StepResult::Acted;
    }
    const int64_t size = static_cast<int64_t>(file.bytes.size());
    core_.load(std::move(file.bytes));
    host_.setProgressRange(static_cast<int32_t>(size));
    host_.setProgressPosition(0);

    const uint8_t openFrame[] = {kOpenMarker, kOpenConstant, slot_};
    loop_.sendFrame(openFrame);
    loop_.advance(State::kFlashOpenAck);
    host_.setTransferPanel(1, QStringLiteral("Loading file ") + bareName() + QStringLiteral(" to External Flash..."));
    FileResult r = current_;
    r.size = size;
    r.outcome = FileResult::Outcome::Sending;
    setResult(r);
    return StepResult::Acted;
}

FlashLoader::StepResult FlashLoader::openAck()
{
    if (lineLost())
        return StepResult::Acted;
    if (!reply_.pairReady())
        return StepResult::WaitForInput;
    if (reply_.take() == kOpenMarker) {
        loop_.advance(State::kFlashBlock);
        startTick_ = loop_.tick();
    }
    return StepResult::Acted;
}

void FlashLoader::showProgress(const HotBlockPath::Progress& p)
{
    if (p.sent != shownSent_) {
        shownSent_ = p.sent;
        host_.setTransferPanel(2, QString::number(p.sent));
    }
    if (p.acks == shownAcks_)
        return;
    shownAcks_ = p.acks;
    current_.bytesSent = static_cast<int64_t>(p.acknowledged);
    current_.seconds = (p.ackTick - startTick_) / 1000.0;
    host_.showAcknowledged(static_cast<int32_t>(p.acknowledged),
                           speedFigure(static_cast<int64_t>(p.acknowledged), p.ackTick, startTick_));
}

void FlashLoader::settleHotPath()
{
    hot_.stop();
    if (loop_.state() == State::kFlashBlockAck)
        showProgress(hot_.progress());
}

FlashLoader::StepResult FlashLoader::block()
{
    shownAcks_ = 0;
    shownSent_ = 0;
    hot_.start();
    showProgress(hot_.progress());
    host_.setTransferPanel(6, QStringLiteral("0"));  // nothing of its acknowledgement had come when it went
    loop_.advance(State::kFlashBlockAck);
    return StepResult::Acted;
}

// The acknowledgements that ask for more are checked, and answered with the next block, on the
// thread that reads them (HotBlockPath); this step shows how far the image got and handles the
// acknowledgement that ends it.
FlashLoader::StepResult FlashLoader::blockAck()
{
    if (lineLost())
        return StepResult::Acted;
    const HotBlockPath::Progress p = hot_.progress();
    showProgress(p);
    if (!p.end) {
        host_.setTransferPanel(6, QString::number(p.received));
        return StepResult::WaitForInput;
    }
    FileResult r = current_;
    if (*p.end == BlockTransfer::Ack::WrongSum) {
        r.outcome = FileResult::Outcome::SumError;
        r.block = p.blocksSent;
        loop_.advance(State::kFlashError);
    } else {
        r.bytesSent = static_cast<int64_t>(p.endPosition);
        r.seconds = (p.endTick - startTick_) / 1000.0;
        loop_.advance(State::kFlashDone);
    }
    setResult(r);
    host_.showAcknowledged(static_cast<int32_t>(p.endPosition),
                           speedFigure(static_cast<int64_t>(p.endPosition), p.endTick, startTick_));
    return StepResult::Acted;
}

FlashLoader::StepResult FlashLoader::done()
{
    host_.setTransferPanel(1, QStringLiteral("File ") + bareName() + QStringLiteral(" written"));
    finish(FileResult::Outcome::Written);
    loop_.advance(State::kIdle);
    return StepResult::Acted;
}

FlashLoader::StepResult FlashLoader::error()
{
    host_.setTransferPanel(1, QStringLiteral("File ") + bareName() + QStringLiteral(" error"));
    finish(current_.outcome);
    loop_.advance(State::kIdle);
    return StepResult::Acted;
}

void FlashLoader::finish(FileResult::Outcome outcome)
{
    settleHotPath();
    FileResult r = current_;
    r.outcome = outcome;
    setResult(r);
    release();
    running_ = false;
    loop_.endJob();
}

void FlashLoader::stop()
{
    if (!running_)
        return;
    settleHotPath();
    const bool written = current_.outcome == FileResult::Outcome::Written;
    if (!written && !current_.failed())
        finish(FileResult::Outcome::Stopped);
    else if (current_.outcome == FileResult::Outcome::WaitingForFile)
        finish(FileResult::Outcome::Stopped);
    else
        finish(current_.outcome);
    loop_.advance(State::kIdle);
    host_.setTransferPanel(1, QStringLiteral("Transfer stopped: %1 of 1 files written").arg(written ? 1 : 0));
}

void FlashLoader::release()
{
    hot_.stop();  // the core is the hot path's until it has ended
    reader_.cancel();
    core_.release();
}
