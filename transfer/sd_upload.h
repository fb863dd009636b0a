#pragma once
#include "protocol/protocol_loop.h"
#include "transfer/reply_reader.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <vector>

class TransferHost;

// The SD card upload: every file of one PC folder goes to one SD folder, file after file, in
// blocks of at most 250 bytes that the display acknowledges with their 8-bit sum. "Load Packet"
// only records the folders and sets the batch's first state; the loop's passes do the rest.
//
// Wire frames: open AA L path (the device path in the ANSI code page), block AB n data, close
// AC 00. Replies: AA x, AB sum, AC x.
class SdUpload {
public:
    static constexpr int kMaxBlock = 250;

    SdUpload(ProtocolLoop& loop, TransferHost& host);

    // "Load Packet": the SD folder as typed (used unchanged), the PC folder the tree shows now.
    // The batch's files are opened in that PC folder, whatever the tree shows later.
    void loadPacket(const QString& sdFolder, const QString& pcFolder);

    // Batch state, for the tests and the window.
    const QString& sdFolder() const { return sdFolder_; }
    const QString& pcFolder() const { return pcFolder_; }
    const QString& devicePath() const { return devicePath_; }
    int32_t fileIndex() const { return fileIndex_; }

private:
    using StepResult = ProtocolLoop::StepResult;
    StepResult batchStart();
    StepResult nextFile();
    StepResult open();
    StepResult openAck();
    StepResult block();
    StepResult blockAck();
    StepResult close();
    StepResult closeAck();
    StepResult fileError();
    StepResult afterFile();
    void sendBlock();
    void release();

    ProtocolLoop& loop_;
    TransferHost& host_;
    ReplyReader reply_;

    QString sdFolder_ = QStringLiteral("/");
    QString pcFolder_;
    QStringList fileNames_;
    int32_t fileIndex_ = 0;
    int32_t returnState_ = 0;
    QString devicePath_;
    std::vector<uint8_t> contents_;
    size_t readPosition_ = 0;
    uint8_t blockSum_ = 0;
    uint32_t startTick_ = 0;
    // A block frame as it goes out: AB, n and up to 250 data bytes.
    std::array<uint8_t, 2 + kMaxBlock> frame_{};
};
