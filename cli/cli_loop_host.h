#pragma once
#include "protocol/loop_host.h"
#include "protocol/size_reply.h"

#include <QString>

#include <optional>

// The loop's window, for a program without one: it keeps what the loop shows, for the session
// to read (the last open error, the lost line, the sizes).
class CliLoopHost : public LoopHost {
public:
    explicit CliLoopHost(int linkIndex) : linkIndex_(linkIndex) {}

    void setStatusPanel(int panel, const QString& text) override
    {
        if (panel == 1)
            message_ = text;
    }
    void setConnectFailureReason(const QString& reason) override { openError_ = reason; }
    int linkTypeIndex() const override { return linkIndex_; }
    void setChipVisible(bool) override {}
    void enablePages() override {}
    void showPages() override {}
    void showSizes(const SizeReply& sizes) override { sizes_ = sizes; }
    void reportError(const QString& text) override { error_ = text; }

    const QString& openError() const { return openError_; }
    const QString& message() const { return message_; }
    const std::optional<SizeReply>& sizes() const { return sizes_; }
    const QString& error() const { return error_; }

private:
    int linkIndex_;
    QString openError_;
    QString message_;
    QString error_;
    std::optional<SizeReply> sizes_;
};
