#pragma once
#include <QString>
#include <QStringList>

#include <cstdint>

struct FileResult;

// What the transfer states need of the window: the SD page's file list, the system's
// ANSI code page, the status panels and the progress bar. The window implements it; the
// benchmark and the tests implement it without widgets.
class TransferHost {
public:
    virtual ~TransferHost() = default;

    // The entries of the SD page's file list ("Files"), in list order: bare file names.
    virtual QStringList sdFileNames() const = 0;
    // The single-byte Windows code page of the user's locale (1250 to 1254), in which the
    // display expects SD file names.
    virtual int ansiCodePage() const = 0;

    // Status panels 1 (messages), 2 (bytes sent), 3 (speed) and 6 (bytes of the awaited reply).
    virtual void setTransferPanel(int panel, const QString& text) = 0;
    // The window's progress bar; its range is a 32-bit signed integer.
    virtual void setProgressRange(int32_t maximum) = 0;
    virtual void setProgressPosition(int32_t position) = 0;
    // The tooltip of a status panel: after a batch with failures, panel 1's names the files.
    virtual void setTransferPanelToolTip(int panel, const QString& text)
    {
        (void)panel;
        (void)text;
    }
    // The last result of an image slot, once the flash loader has one.
    virtual void showSlotResult(int slot, const FileResult& result)
    {
        (void)slot;
        (void)result;
    }

    // After a block has been acknowledged: the speed in panel 3, the progress bar at the position.
    void showAcknowledged(int32_t position, int64_t bytesPerSecond)
    {
        setTransferPanel(3, QString::number(bytesPerSecond));
        setProgressPosition(position);
    }
};
