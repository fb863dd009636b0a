#include "transfer/flash_loader.h"

#include "protocol/protocol_states.h"
#include "transfer/transfer_host.h"
#include "transfer/whole_file.h"

#include <QFileInfo>

namespace {
constexpr uint8_t kOpenMarker = 0xA3;
constexpr uint8_t kOpenConstant = 0x01;
constexpr uint8_t kBlockMarker = 0xA4;
constexpr uint8_t kBlockConstant = 0x00;
}  // namespace

FlashLoader::FlashLoader(ProtocolLoop& loop, TransferHost& host)
    : loop_(loop), host_(host),
      core_(loop, host, {kBlockMarker, false, kBlockConstant, kBlock, true}, State::kFlashBlockAck,
            {[this] {
                 finish(FileResult::Outcome::LineLost);
                 loop_.advance(State::kIdle);
             },
             [this](int64_t bytes, double seconds) {
                 current_.bytesSent = bytes;
                 current_.seconds = seconds;
             },
             [this](const HotBlockPath::Progress& p, double seconds) { blocksEnded(p, seconds); },
             // nothing of the awaited acknowledgement yet, or some of it: panel 6
             [this](const HotBlockPath::Progress& p) { host_.setTransferPanel(6, QString::number(p.received)); }})
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
    core_.newFile();
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

FlashLoader::StepResult FlashLoader::open()
{
    if (core_.lineLost())
        return StepResult::Acted;
    core_.reply().beginRequest();
    // A missing file is looked for again on the loop's timer, not on every pass.
    const QFileInfo info(fileName_);
    if (!core_.fileThere(fileName_, info.fileName(), info.absolutePath(), [this] {
            FileResult r = current_;
            r.outcome = FileResult::Outcome::WaitingForFile;
            setResult(r);
        }))
        return StepResult::WaitForTimer;
    // A large image is read on a thread of its own; the step looks again until it is in.
    std::optional<WholeFile> read = core_.readFile(fileName_);
    if (!read)
        return StepResult::WaitForTimer;
    const WholeFile& file = *read;
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
    const int64_t size = core_.load(std::move(read->bytes));

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

// The image's speed counts from the open's acknowledgement.
FlashLoader::StepResult FlashLoader::openAck()
{
    return core_.awaitMarker(kOpenMarker, [this] {
        loop_.advance(State::kFlashBlock);
        core_.startClock();
    });
}

FlashLoader::StepResult FlashLoader::block()
{
    core_.startBlocks();
    host_.setTransferPanel(6, QStringLiteral("0"));  // nothing of its acknowledgement had come when it went
    loop_.advance(State::kFlashBlockAck);
    return StepResult::Acted;
}

FlashLoader::StepResult FlashLoader::blockAck() { return core_.blocksStep(); }

void FlashLoader::blocksEnded(const HotBlockPath::Progress& p, double seconds)
{
    FileResult r = current_;
    if (*p.end == BlockTransfer::Ack::WrongSum) {
        r.outcome = FileResult::Outcome::SumError;
        r.block = p.blocksSent;
        loop_.advance(State::kFlashError);
    } else {
        r.bytesSent = static_cast<int64_t>(p.endPosition);
        r.seconds = seconds;
        loop_.advance(State::kFlashDone);
    }
    setResult(r);
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
    core_.settleHotPath();
    FileResult r = current_;
    r.outcome = outcome;
    setResult(r);
    core_.release();
    running_ = false;
    loop_.endJob();
}

void FlashLoader::stop()
{
    if (!running_)
        return;
    core_.settleHotPath();
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
