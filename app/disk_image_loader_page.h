#pragma once
// Page "ver.7.6-7.7 Disk Image Loader": the eight image slots of the display's built-in flash.
#include <QWidget>

#include <functional>
#include <optional>

#include "transfer/display_facts.h"

class FlashLoader;
class KEdit;
class PageHost;
class QFileDialog;
class QLabel;
class QPushButton;
struct FileResult;
struct SizeReply;

class DiskImageLoaderPage : public QWidget {
    Q_OBJECT
public:
    // `diskMb` gives the size the display reported for disk 0..3, if it is of this connection.
    DiskImageLoaderPage(PageHost& host, FlashLoader& loader, std::function<std::optional<unsigned>(int)> diskMb,
                        QWidget* parent = nullptr);

    void imagePickerClick(int slot);  // "..." of an image slot (BitBtn10Click, BitBtn12Click, ...)
    void imageSendClick(int slot);    // "Send" of an image slot (BitBtn11Click, BitBtn13Click, ...)
    // The size reply: a missing disk's slot is marked and cannot be chosen.
    void showSizes(const SizeReply& sizes);
    void showSlotResult(int slot, const FileResult& result);
    // The job has ended: a "Send" whose file was chosen meanwhile follows its file box.
    void jobEnded();

    KEdit* imageFileBox[display::kImageSlots] = {};       // Edit5, Edit11, Edit12, Edit13, Edit74 .. Edit77
    QPushButton* imagePicker[display::kImageSlots] = {};  // BitBtn10, 12, 14, 16, 36, 38, 40, 42 ("...")
    QPushButton* imageSend[display::kImageSlots] = {};    // BitBtn11, 13, 15, 17, 37, 39, 41, 43 ("Send")
    QLabel* imageResult[display::kImageSlots] = {};       // each slot's last result
    QPushButton* flashStop = nullptr;
    QPushButton* Button38 = nullptr;  // "Check Flash Disk ..."
    QPushButton* BitBtn18 = nullptr;  // "Reboot"
    QPushButton* BitBtn35 = nullptr;  // "Wipe system sector"
    QFileDialog* OD2 = nullptr;

private:
    PageHost& host_;
    FlashLoader& loader_;
    std::function<std::optional<unsigned>(int)> diskMb_;
};
