#pragma once
#include <QString>

struct SizeReply;

// What the protocol loop needs of the window. The loop owns the exchange with the display;
// the window only shows what the loop tells it.
class LoopHost {
public:
    virtual ~LoopHost() = default;

    // Status bar panels 0 to 6 (0 connect attempts, 4 protocol state, 5 received total, ...).
    virtual void setStatusPanel(int panel, const QString& text) = 0;
    // Tooltip of panel 0: the reason of the last failed opening, so a user who lacks
    // permission for the port can see why the attempts go on.
    virtual void setConnectFailureReason(const QString& reason) = 0;
    // Item index of the link type group ("UART", "Bluetooth", "WiFi"); -1 when none is selected.
    virtual int linkTypeIndex() const = 0;
    // The chip picture of the left panel.
    virtual void setChipVisible(bool visible) = 0;
    // The page control: enabled once the port is open, visible once the display is greeted.
    virtual void enablePages() = 0;
    virtual void showPages() = 0;
    // The storage panel and what depends on it (image pickers, SD page).
    virtual void showSizes(const SizeReply& sizes) = 0;
    // The general error report: an error raised inside a step ends the loop and lands here.
    virtual void reportError(const QString& text) = 0;
    // What a status panel shows now, so that a passing notice can give the text back.
    virtual QString statusPanelText(int panel) const
    {
        (void)panel;
        return QString();
    }
    // The storage fields show sizes from an earlier greeting until this display's size reply.
    virtual void setSizesStale(bool stale) { (void)stale; }
};
