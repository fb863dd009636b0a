#pragma once
#include "protocol/protocol_loop.h"
#include "transfer/display_facts.h"
#include "transfer/file_transfer_core.h"
#include "transfer/transfer_results.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <string>

class TransferHost;

// The SD card upload: every file of one PC folder goes to one SD folder, file after file, in
// blocks of at most 250 bytes that the display acknowledges with their 8-bit sum. "Load Packet"
// only records the folders and sets the batch's first state; the loop's passes do the rest.
// Every file of the batch gets a result (results()), and the batch ends with a true account:
// the success text only when every file went, otherwise the count of those that did not.
// While a batch runs it is the loop's job: stop() ends it where it stands.
//
// Wire frames: open AA L path (the device path in the ANSI code page), block AB n data, close
// AC 00. Replies: AA x, AB sum, AC x.
class SdUpload {
public:
    static constexpr int kMaxBlock = display::kSdMaxBlock;

    SdUpload(ProtocolLoop& loop, TransferHost& host);

    // The device path as the open frame tells it: in the code page, at most 255 bytes; nothing
    // when the display cannot be told it.
    static std::optional<std::string> devicePathBytes(const QString& devicePath, int codePage);
    // Whether a listed file can go to the SD folder at all: its name decodes, and its device path
    // can be told. A file that cannot ends in the file error, with nothing sent for it.
    static bool nameWritable(const QString& sdFolder, const QString& name, int codePage);

    // "Load Packet": the SD folder as typed (used unchanged), the PC folder the tree shows now.
    // The batch's files are opened in that PC folder, whatever the tree shows later.
    // False when the loop refused it (another job runs; it said so) or no loop runs.
    bool loadPacket(const QString& sdFolder, const QString& pcFolder);
    // "Send failed again": the files of the last batch that did not go, to the same folders.
    // False (nothing starts) when every file went, or when the loop refused it.
    bool sendFailedAgain();
    // Stop: nothing more is sent; the current file is marked where it stood.
    void stop();
    bool running() const { return running_; }

    // The last batch's account, one row per file.
    TransferResults& results() { return results_; }
    const TransferResults& results() const { return results_; }

    // Batch state, for the tests and the window.
    const QString& sdFolder() const { return sdFolder_; }
    const QString& pcFolder() const { return pcFolder_; }
    const QString& devicePath() const { return devicePath_; }
    int32_t fileIndex() const { return fileIndex_; }

private:
    using StepResult = ProtocolLoop::StepResult;
    bool begin();
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
    // The acknowledgement that ends the file's blocks: the close, or the sum error.
    void blocksEnded(const HotBlockPath::Progress& p, double seconds);
    // The current file's row, changed by `change` and shown.
    template <class Change>
    void updateRow(Change change);
    void fail(FileResult::Outcome outcome, const QString& reason = {});
    void endBatch(FileResult::Outcome current);

    ProtocolLoop& loop_;
    TransferHost& host_;
    FileTransferCore core_;
    TransferResults results_;

    QString sdFolder_ = QStringLiteral("/");
    QString pcFolder_;
    std::optional<QStringList> again_;  // the names "Send failed again" sends
    QStringList fileNames_;
    int32_t fileIndex_ = 0;
    int32_t returnState_ = 0;
    QString devicePath_;
    bool running_ = false;
    bool batchBegun_ = false;  // the batch has taken its file list
};
