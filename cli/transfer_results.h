#pragma once
#include "transfer/transfer_host.h"
#include "transfer/transfer_results.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <string>
#include <vector>

// The TransferHost of a program without a window: the file list of one folder, the code page,
// and the progress for whoever draws it. What became of each file is the transfer's own account
// (SdUpload::results(), FlashLoader::slotResult()), as in the window.
class CliTransferHost : public TransferHost {
public:
    struct Progress {
        int64_t position = 0;
        int64_t total = 0;
        int64_t bytesPerSecond = 0;
    };

    // files: the bare names in the order they go; codePage for the SD names.
    CliTransferHost(QStringList files, int codePage);

    QStringList sdFileNames() const override { return files_; }
    int ansiCodePage() const override { return codePage_; }
    void setTransferPanel(int panel, const QString& text) override;
    void setProgressRange(int32_t maximum) override;
    void setProgressPosition(int32_t position) override;
    void showSlotResult(int slot, const FileResult& result) override;

    void setOnProgress(std::function<void(const Progress&)> onProgress) { onProgress_ = std::move(onProgress); }
    void setOnSlotResult(std::function<void(int, const FileResult&)> onSlotResult) { onSlotResult_ = std::move(onSlotResult); }

private:
    QStringList files_;
    int codePage_;
    Progress progress_;
    std::function<void(const Progress&)> onProgress_;
    std::function<void(int, const FileResult&)> onSlotResult_;
};

// The result lines of a transfer: one per file, "<file>\t<result>", printed once, as soon as the
// file's result is final (a file still awaited may yet go, so it is not final).
class ResultLines {
public:
    using Writer = std::function<void(const std::string&)>;
    explicit ResultLines(Writer write) : write_(std::move(write)) {}

    static bool isFinal(const FileResult& result);
    static std::string line(const QString& file, const FileResult& result);

    // The row's result as it stands now; its line goes out the first time it is final.
    void offer(int row, const QString& file, const FileResult& result);
    bool printed(int row) const;

private:
    Writer write_;
    std::vector<bool> printed_;
};
