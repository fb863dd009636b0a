#pragma once
#include "transfer/transfer_host.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

// What happened to each file of a transfer, read from the transfer's own messages ("Loading
// file ...", "File ... written", "File ... error"), and the TransferHost of a program without
// a window: the file list of one folder, the code page, the progress.
class CliTransferHost : public TransferHost {
public:
    enum class Outcome { Pending, Written, Failed, Stopped };
    struct FileResult {
        QString name;      // the file's bare name
        QString target;    // the SD path or the slot's name, as the messages name it
        Outcome outcome = Outcome::Pending;
    };
    struct Progress {
        QString file;
        int64_t position = 0;
        int64_t total = 0;
        int64_t bytesPerSecond = 0;
    };

    // files: the bare names in the order they go; codePage for the SD names.
    CliTransferHost(QStringList files, QString pcFolder, int codePage);

    QStringList sdFileNames() const override { return files_; }
    QString sdPcFolder() const override { return pcFolder_; }
    int ansiCodePage() const override { return codePage_; }
    void setTransferPanel(int panel, const QString& text) override;
    void setProgressRange(int32_t maximum) override;
    void setProgressPosition(int32_t position) override;

    // The target each file's messages use: the SD folder and the name, or the bare name.
    void setTargets(const QStringList& targets);
    // Called when a file has its result; and on progress.
    void setOnResult(std::function<void(const FileResult&)> onResult) { onResult_ = std::move(onResult); }
    void setOnProgress(std::function<void(const Progress&)> onProgress) { onProgress_ = std::move(onProgress); }

    // Marks the file in progress as stopped (Ctrl+C, a lost line).
    void stopCurrent();
    bool batchEnded() const { return batchEnded_; }
    const std::vector<FileResult>& results() const { return results_; }
    int failedCount() const;

    static const char* outcomeText(Outcome outcome);

private:
    void settle(const QString& target, Outcome outcome);

    QStringList files_;
    QString pcFolder_;
    int codePage_;
    std::vector<FileResult> results_;
    int current_ = -1;
    bool batchEnded_ = false;
    Progress progress_;
    std::function<void(const FileResult&)> onResult_;
    std::function<void(const Progress&)> onProgress_;
};
