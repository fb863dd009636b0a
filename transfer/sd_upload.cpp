#include "transfer/sd_upload.h"

#include "protocol/protocol_states.h"
#include "serial/nr_comm.h"
#include "transfer/ansi_code_page.h"
#include "transfer/speed_figure.h"
#include "transfer/transfer_host.h"
#include "transfer/whole_file.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <numeric>

namespace {
constexpr uint8_t kOpenMarker = 0xAA;
constexpr uint8_t kBlockMarker = 0xAB;
constexpr uint8_t kCloseMarker = 0xAC;
constexpr size_t kMaxPathBytes = 255;
}  // namespace

SdUpload::SdUpload(ProtocolLoop& loop, TransferHost& host) : loop_(loop), host_(host), reply_(loop)
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

void SdUpload::loadPacket(const QString& sdFolder, const QString& pcFolder)
{
    sdFolder_ = sdFolder;
    pcFolder_ = pcFolder;
    startTick_ = loop_.tick();
    loop_.setState(State::kSdBatchStart);
}

SdUpload::StepResult SdUpload::batchStart()
{
    const QStringList names = host_.sdFileNames();
    if (names.isEmpty()) {
        loop_.setState(State::kIdle);
        return StepResult::Acted;
    }
    fileNames_ = names;
    fileIndex_ = 0;
    returnState_ = State::kSdAfterFile;
    loop_.setState(State::kSdNextFile);
    return StepResult::Acted;
}

SdUpload::StepResult SdUpload::nextFile()
{
    loop_.setState(State::kSdOpen);
    return StepResult::Acted;
}

SdUpload::StepResult SdUpload::open()
{
    reply_.beginRequest();
    const QString name = QFileInfo(fileNames_.value(fileIndex_)).fileName();
    const QString path = QDir(pcFolder_).filePath(name);
    // A missing file is looked for again on the loop's timer, not on every pass.
    if (!fileExists(path))
        return StepResult::WaitForTimer;

    devicePath_ = sdFolder_ + name;
    // A name the display cannot be told (not in the code page, or longer than the open frame's
    // one-byte length) ends with the file error: nothing is sent for it.
    const std::optional<std::string> encoded = encodeInCodePage(devicePath_, host_.ansiCodePage());
    if (!encoded || encoded->size() > kMaxPathBytes) {
        loop_.setState(State::kSdFileError);
        return StepResult::Acted;
    }
    WholeFile file = readWholeFile(path);
    if (file.outcome == WholeFile::Outcome::Missing)
        return StepResult::WaitForTimer;  // gone between the look and the read
    if (file.outcome != WholeFile::Outcome::Read) {
        loop_.setState(State::kSdFileError);
        return StepResult::Acted;
    }
    contents_ = std::move(file.bytes);
    readPosition_ = 0;
    host_.setProgressRange(static_cast<int32_t>(contents_.size()));
    host_.setProgressPosition(0);

    std::string openFrame;
    openFrame.reserve(2 + encoded->size());
    openFrame += static_cast<char>(kOpenMarker);
    openFrame += static_cast<char>(encoded->size());
    openFrame += *encoded;
    loop_.comm().SendData(openFrame.data(), static_cast<uint32_t>(openFrame.size()));

    loop_.setState(State::kSdOpenAck);
    host_.setTransferPanel(1, QStringLiteral("Loading file ") + name + QStringLiteral(" to SD..."));
    startTick_ = loop_.tick();
    return StepResult::Acted;
}

SdUpload::StepResult SdUpload::openAck()
{
    if (!reply_.pairReady())
        return StepResult::WaitForInput;
    if (reply_.take() == kOpenMarker)
        loop_.setState(State::kSdBlock);
    return StepResult::Acted;
}

void SdUpload::sendBlock()
{
    reply_.beginRequest();
    const size_t n = std::min<size_t>(contents_.size() - readPosition_, kMaxBlock);
    frame_[0] = kBlockMarker;
    frame_[1] = static_cast<uint8_t>(n);
    const auto first = contents_.begin() + static_cast<std::ptrdiff_t>(readPosition_);
    std::copy(first, first + static_cast<std::ptrdiff_t>(n), frame_.begin() + 2);
    readPosition_ += n;
    blockSum_ = static_cast<uint8_t>(std::accumulate(frame_.begin() + 2, frame_.begin() + 2 + static_cast<std::ptrdiff_t>(n), 0u));
    // The marker, the length and the data leave as one write: the same bytes as three sends.
    loop_.comm().SendData(frame_.data(), static_cast<uint32_t>(2 + n));
    host_.setTransferPanel(2, QString::number(readPosition_));
    loop_.setState(State::kSdBlockAck);
}

SdUpload::StepResult SdUpload::block()
{
    sendBlock();
    return StepResult::Acted;
}

SdUpload::StepResult SdUpload::blockAck()
{
    if (!reply_.pairReady())
        return StepResult::WaitForInput;
    const ReplyReader::BlockAck ack = reply_.takeBlockAck(kBlockMarker, blockSum_);
    if (ack == ReplyReader::BlockAck::Stray)
        return StepResult::Acted;
    const size_t acknowledged = readPosition_;
    const uint32_t now = loop_.tick();
    if (ack == ReplyReader::BlockAck::WrongSum) {
        loop_.setState(State::kSdFileError);
    } else if (acknowledged < contents_.size()) {
        // The next block leaves at once, before the window is told about this one.
        sendBlock();
    } else {
        loop_.setState(State::kSdClose);
    }
    host_.showAcknowledged(static_cast<int32_t>(acknowledged),
                           speedFigure(static_cast<int64_t>(acknowledged), now, startTick_));
    return StepResult::Acted;
}

SdUpload::StepResult SdUpload::close()
{
    reply_.beginRequest();
    const uint8_t closeFrame[] = {kCloseMarker, 0x00};
    loop_.comm().SendData(closeFrame, sizeof closeFrame);
    loop_.setState(State::kSdCloseAck);
    return StepResult::Acted;
}

SdUpload::StepResult SdUpload::closeAck()
{
    if (!reply_.pairReady())
        return StepResult::WaitForInput;
    if (reply_.take() == kCloseMarker) {
        host_.setTransferPanel(1, QStringLiteral("File ") + devicePath_ + QStringLiteral(" written"));
        release();
        loop_.setState(returnState_);
    }
    return StepResult::Acted;
}

SdUpload::StepResult SdUpload::fileError()
{
    host_.setTransferPanel(1, QStringLiteral("File ") + devicePath_ + QStringLiteral(" error"));
    release();
    loop_.setState(returnState_);
    return StepResult::Acted;
}

SdUpload::StepResult SdUpload::afterFile()
{
    if (fileIndex_ < fileNames_.size() - 1) {
        ++fileIndex_;
        loop_.setState(State::kSdNextFile);
    } else {
        host_.setTransferPanel(1, QStringLiteral("Files is loaded to SD..."));
        loop_.setState(State::kIdle);
    }
    return StepResult::Acted;
}

void SdUpload::release()
{
    contents_ = {};
    readPosition_ = 0;
}
