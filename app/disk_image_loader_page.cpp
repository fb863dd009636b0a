// Page "ver.7.6-7.7 Disk Image Loader": the eight image slots of the display's built-in flash.
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/disk_image_loader_page.h"
#include "app/page_host.h"
#include "app/page_helpers.h"
#include "app/pictures.h"
#include "app/widgets/k_edit.h"
#include "app/widgets/k_page_control.h"
#include "protocol/protocol_loop.h"
#include "protocol/size_reply.h"
#include "transfer/display_facts.h"
#include "transfer/transfer_results.h"
#include "transfer/flash_loader.h"
#include "transfer/image_fit.h"
#include "transfer/whole_file.h"

#include <QFileInfo>

namespace {

// The widgets of each slot's row; the row index is the slot number sent.
struct SlotWidgets {
    const char* fileBox;
    const char* picker;
    const char* send;
};

constexpr SlotWidgets kSlotWidgets[display::kImageSlots] = {
    {"Edit5", "BitBtn10", "BitBtn11"},  {"Edit11", "BitBtn12", "BitBtn13"}, {"Edit12", "BitBtn14", "BitBtn15"},
    {"Edit13", "BitBtn16", "BitBtn17"}, {"Edit74", "BitBtn36", "BitBtn37"}, {"Edit75", "BitBtn38", "BitBtn39"},
    {"Edit76", "BitBtn40", "BitBtn41"}, {"Edit77", "BitBtn42", "BitBtn43"},
};

}  // namespace

DiskImageLoaderPage::DiskImageLoaderPage(PageHost& host, FlashLoader& loader, std::function<std::optional<unsigned>(int)> diskMb,
                                         QWidget* parent)
    : QWidget(parent), host_(host), loader_(loader), diskMb_(std::move(diskMb))
{
    setObjectName(QStringLiteral("TabSheet4"));
    setAccessibleName(QStringLiteral("ver.7.6-7.7 Disk Image Loader"));
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(10, 10, 10, 10);
    page->setSpacing(10);

    page->addWidget(form::label(this, QStringLiteral("The page for uploading files to the built-in flash MFD version 7.6"),
                                "descriptionLabel"));

    QGroupBox* slotGroup = form::group(this, QString(), "GroupBoxImageSlots");
    slotGroup->setAccessibleName(QStringLiteral("Image slots"));
    auto* grid = new QGridLayout(slotGroup);
    grid->setContentsMargins(10, 4, 10, 10);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(5);
    for (int i = 0; i < display::kImageSlots; ++i) {
        const SlotWidgets& s = kSlotWidgets[i];
        const QString name = imageSlotLabel(i);
        QLabel* label = form::label(slotGroup, name);
        label->setMinimumWidth(92);
        auto* box = new KEdit(slotGroup);
        box->setObjectName(QString::fromLatin1(s.fileBox));
        box->setText(QStringLiteral("Select file...."));
        box->setAccessibleName(QStringLiteral("Image file for slot %1").arg(name));
        label->setBuddy(box);
        QPushButton* pick = form::button(slotGroup, s.picker, QStringLiteral("..."),
                                         QStringLiteral("Choose the image file for slot %1").arg(name));
        pick->setIcon(pictures::folder());
        pick->setFixedWidth(52);
        form::markSendsNothing(pick);  // choosing a file sends nothing; its "Send" follows the loop
        QPushButton* send = form::button(slotGroup, s.send, QStringLiteral("Send"), QStringLiteral("Send slot %1").arg(name));
        send->setIcon(pictures::send());
        send->setFixedWidth(74);
        send->setEnabled(false);  // until a file that exists is chosen
        grid->addWidget(label, i, 0);
        grid->addWidget(box, i, 1);
        grid->addWidget(pick, i, 2);
        grid->addWidget(send, i, 3);
        // The slot's last result, beside it.
        auto* result = new QLabel(slotGroup);
        result->setObjectName(QStringLiteral("imageResult%1").arg(i));
        result->setMinimumWidth(150);
        result->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        result->setAccessibleName(QStringLiteral("Last result of slot %1: none").arg(i + 1));
        grid->addWidget(result, i, 4);
        imageResult[i] = result;
        imageFileBox[i] = box;
        imagePicker[i] = pick;
        imageSend[i] = send;
        connect(pick, &QPushButton::clicked, this, [this, i] { host_.guarded([this, i] { imagePickerClick(i); }); });
        connect(send, &QPushButton::clicked, this, [this, i] { host_.guarded([this, i] { imageSendClick(i); }); });
    }
    grid->setColumnStretch(1, 1);
    page->addWidget(slotGroup);

    // Stop, right under the slots whose "Send" it ends.
    auto* transfer = new QHBoxLayout;
    flashStop = host_.stopButton(this, "flashStop", &loader_);
    flashStop->setMinimumSize(90, 30);
    transfer->addWidget(flashStop);
    transfer->addStretch(1);
    page->addLayout(transfer);

    auto* commands = new QHBoxLayout;
    commands->setSpacing(8);
    Button38 = form::button(this, "Button38", QStringLiteral("Check Flash Disk ..."));
    BitBtn18 = form::button(this, "BitBtn18", QStringLiteral("Reboot"));
    BitBtn18->setIcon(pictures::reboot());
    BitBtn35 = form::button(this, "BitBtn35", QStringLiteral("Wipe system sector"));
    BitBtn35->setIcon(pictures::erase());
    for (QPushButton* b : {Button38, BitBtn18, BitBtn35}) {
        b->setMinimumSize(140, 30);
        commands->addWidget(b);
    }
    commands->addStretch(1);
    page->addLayout(commands);
    page->addStretch(1);

    // One open-file dialog for all eight slots, without a filter, starting in the home folder.
    OD2 = new QFileDialog(this);
    OD2->setObjectName(QStringLiteral("OD2"));
    OD2->setAcceptMode(QFileDialog::AcceptOpen);
    OD2->setFileMode(QFileDialog::ExistingFile);
    OD2->setDirectory(QDir::homePath());
}

void DiskImageLoaderPage::imagePickerClick(int slot)
{
    const QString defaultName = defaultImageName(slot);
    OD2->selectFile(defaultName);
    OD2->setDefaultSuffix(defaultName);
    if (host_.runFileDialog(*OD2) && !OD2->selectedFiles().isEmpty())
        imageFileBox[slot]->setText(OD2->selectedFiles().first());
    // While a job runs the loop would refuse it: its "Send" waits for the job's end.
    imageSend[slot]->setEnabled(fileExists(imageFileBox[slot]->text()) && host_.loop().mayStart());
}

void DiskImageLoaderPage::imageSendClick(int slot)
{
    if (!host_.mayStoreRequest())
        return;
    const QString file = imageFileBox[slot]->text();
    auto send = [this, file, slot] { loader_.send(file, static_cast<uint8_t>(slot)); };
    // An image larger than the disk the display reported for the slot, or named for another
    // slot, goes only once the user says so. Sizes of an earlier connection do not count.
    ImageFitCheck check;
    check.slot = slot;
    check.fileName = QFileInfo(file).fileName();
    check.fileSize = reportedFileSize(file);
    if (slot < 4)
        if (const std::optional<unsigned> mb = diskMb_(slot))
            check.diskMb = *mb;
    if (const std::optional<QString> concern = imageFitConcern(check)) {
        Question q;
        q.title = QStringLiteral("Send the image?");
        q.text = *concern + QStringLiteral(" Send it anyway?");
        q.confirmCaption = QStringLiteral("Send");
        host_.ask(q, send);
        return;
    }
    send();
}

void DiskImageLoaderPage::showSizes(const SizeReply& sizes)
{
    for (int i = 0; i < 4; ++i) {
        const unsigned v = sizes.disks[static_cast<size_t>(i)];
        if (v == 0)
            imageFileBox[i]->setColor(QColor(255, 0, 0));
        imagePicker[i]->setEnabled(v != 0);
    }
}

void DiskImageLoaderPage::showSlotResult(int slot, const FileResult& result)
{
    if (slot < 0 || slot >= display::kImageSlots || !imageResult[slot])
        return;
    QString text = result.outcomeText();
    if (result.outcome == FileResult::Outcome::Written)
        text += QStringLiteral(" (%1 bytes)").arg(result.bytesSent);
    imageResult[slot]->setText(text);
    imageResult[slot]->setToolTip(QFileInfo(result.name).fileName() + QStringLiteral(": ") + text);
    imageResult[slot]->setAccessibleName(QStringLiteral("Last result of slot %1: %2").arg(slot + 1).arg(text));
}

void DiskImageLoaderPage::jobEnded()
{
    for (int i = 0; i < display::kImageSlots; ++i)
        imageSend[i]->setEnabled(fileExists(imageFileBox[i]->text()));
}
