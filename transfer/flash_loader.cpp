#include "transfer/flash_loader.h"

#include "protocol/protocol_states.h"
#include "serial/nr_comm.h"
#include "transfer/speed_figure.h"
#include "transfer/transfer_host.h"
#include "transfer/whole_file.h"

#include <QFileInfo>

#include <algorithm>
#include <numeric>

namespace {
constexpr uint8_t kOpenMarker = 0xA3;
constexpr uint8_t kOpenConstant = 0x01;
constexpr uint8_t kBlockMarker = 0xA4;
constexpr uint8_t kBlockConstant = 0x00;
}  // namespace

FlashLoader::FlashLoader(ProtocolLoop& loop, TransferHost& host) : loop_(loop), host_(host), reply_(loop)
{
    loop_.registerStep(State::kFlashOpen, [this] { return open(); });
    loop_.registerStep(State::kFlashOpenAck, [this] { return openAck(); });
    loop_.registerStep(State::kFlashBlock, [this] { return block(); });
    loop_.registerStep(State::kFlashBlockAck, [this] { return blockAck(); });
    loop_.registerStep(State::kFlashDone, [this] { return done(); });
    loop_.registerStep(State::kFlashError, [this] { return error(); });
}

void FlashLoader::send(const QString& fileName, uint8_t slot)
{
    loop_.setState(State::kFlashOpen);
    fileName_ = fileName;
    slot_ = slot;
}

QString FlashLoader::bareName() const
{
    return QFileInfo(fileName_).fileName();
}

FlashLoader::StepResult FlashLoader::open()
{
    reply_.beginRequest();
    // A missing file is looked for again on the loop's timer, not on every pass.
    if (!fileExists(fileName_))
        return StepResult::WaitForTimer;
    WholeFile file = readWholeFile(fileName_);
    if (file.outcome == WholeFile::Outcome::Missing)
        return StepResult::WaitForTimer;  // gone between the look and the read
    if (file.outcome != WholeFile::Outcome::Read) {
        // Unreadable, or too large for the progress bar: the file error, the line stays up.
        loop_.setState(State::kFlashError);
        return StepResult::Acted;
    }
    contents_ = std::move(file.bytes);
    readPosition_ = 0;
    host_.setProgressRange(static_cast<int32_t>(contents_.size()));
    host_.setProgressPosition(0);

    const uint8_t openFrame[] = {kOpenMarker, kOpenConstant, slot_};
    loop_.comm().SendData(openFrame, sizeof openFrame);
    loop_.setState(State::kFlashOpenAck);
    host_.setTransferPanel(1, QStringLiteral("Loading file ") + bareName() + QStringLiteral(" to External Flash..."));
    return StepResult::Acted;
}

FlashLoader::StepResult FlashLoader::openAck()
{
    if (!reply_.pairReady())
        return StepResult::WaitForInput;
    if (reply_.take() == kOpenMarker) {
        loop_.setState(State::kFlashBlock);
        startTick_ = loop_.tick();
    }
    return StepResult::Acted;
}

void FlashLoader::sendBlock()
{
    reply_.beginRequest();
    const size_t k = std::min<size_t>(contents_.size() - readPosition_, kBlock);
    frame_[0] = kBlockMarker;
    frame_[1] = kBlockConstant;
    const auto first = contents_.begin() + static_cast<std::ptrdiff_t>(readPosition_);
    const auto blockStart = frame_.begin() + 2;
    std::copy(first, first + static_cast<std::ptrdiff_t>(k), blockStart);
    // After the end of the file the block is filled with zeros, never with bytes of an earlier
    // block or transfer.
    std::fill(blockStart + static_cast<std::ptrdiff_t>(k), frame_.end(), uint8_t{0});
    readPosition_ += k;
    blockSum_ = static_cast<uint8_t>(std::accumulate(blockStart, frame_.end(), 0u));
    // The marker, the constant and the block leave as one write: the same bytes as three sends.
    loop_.comm().SendData(frame_.data(), static_cast<uint32_t>(frame_.size()));
    host_.setTransferPanel(2, QString::number(readPosition_));
    loop_.setState(State::kFlashBlockAck);
}

FlashLoader::StepResult FlashLoader::block()
{
    sendBlock();
    return StepResult::Acted;
}

FlashLoader::StepResult FlashLoader::blockAck()
{
    if (!reply_.pairReady()) {
        host_.setTransferPanel(6, QString::number(reply_.received()));
        return StepResult::WaitForInput;
    }
    const ReplyReader::BlockAck ack = reply_.takeBlockAck(kBlockMarker, blockSum_);
    if (ack == ReplyReader::BlockAck::Stray)
        return StepResult::Acted;
    const size_t acknowledged = readPosition_;
    const uint32_t now = loop_.tick();
    if (ack == ReplyReader::BlockAck::WrongSum) {
        loop_.setState(State::kFlashError);
    } else if (acknowledged < contents_.size()) {
        // The next block leaves at once, before the window is told about this one.
        sendBlock();
    } else {
        loop_.setState(State::kFlashDone);
    }
    host_.showAcknowledged(static_cast<int32_t>(acknowledged),
                           speedFigure(static_cast<int64_t>(acknowledged), now, startTick_));
    return StepResult::Acted;
}

FlashLoader::StepResult FlashLoader::done()
{
    host_.setTransferPanel(1, QStringLiteral("File ") + bareName() + QStringLiteral(" written"));
    release();
    loop_.setState(State::kIdle);
    return StepResult::Acted;
}

FlashLoader::StepResult FlashLoader::error()
{
    host_.setTransferPanel(1, QStringLiteral("File ") + bareName() + QStringLiteral(" error"));
    release();
    loop_.setState(State::kIdle);
    return StepResult::Acted;
}

void FlashLoader::release()
{
    contents_ = {};
    readPosition_ = 0;
}
