#pragma once
#include "protocol/loop_host.h"
#include "protocol/size_reply.h"

#include <QString>

#include <array>
#include <vector>

// A window stand-in for the protocol loop: remembers what the loop showed.
struct RecordingHost : LoopHost {
    std::array<QString, 7> panels;
    std::vector<QString> panel0History;
    QString failureReason;
    int linkType = 0;
    bool chipVisible = false;
    int pagesEnabled = 0;
    int pagesShown = 0;
    std::vector<SizeReply> sizes;
    std::vector<QString> errors;

    void setStatusPanel(int panel, const QString& text) override
    {
        panels.at(static_cast<size_t>(panel)) = text;
        if (panel == 0)
            panel0History.push_back(text);
    }
    void setConnectFailureReason(const QString& reason) override { failureReason = reason; }
    int linkTypeIndex() const override { return linkType; }
    void setChipVisible(bool visible) override { chipVisible = visible; }
    void enablePages() override { ++pagesEnabled; }
    void showPages() override { ++pagesShown; }
    void showSizes(const SizeReply& s) override { sizes.push_back(s); }
    void reportError(const QString& text) override { errors.push_back(text); }
    QString statusPanelText(int panel) const override { return panels.at(static_cast<size_t>(panel)); }
};
