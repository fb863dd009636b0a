// Page "ver.7.5 SD File Manager": a folder of the PC to a folder of the display's SD card.
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/sd_file_manager_page.h"
#include "app/page_host.h"
#include "app/page_helpers.h"
#include "app/pictures.h"
#include "app/sd_file_controls.h"
#include "app/transfer_results_view.h"
#include "app/widgets/k_combo_box.h"
#include "app/widgets/k_page_control.h"
#include "transfer/sd_upload.h"

namespace {

// The SD card's folders, in the order the display's firmware knows them.
const QStringList kSdFolders = {
    QStringLiteral("/"),         QStringLiteral("/3D/"),    QStringLiteral("/main/"),    QStringLiteral("/params/"),
    QStringLiteral("/service/"), QStringLiteral("/warn/"),  QStringLiteral("/updates/"), QStringLiteral("/str/"),
    QStringLiteral("/sys/"),     QStringLiteral("/logos/"), QStringLiteral("/diag/"),    QStringLiteral("/icons/"),
};

}  // namespace

SdFileManagerPage::SdFileManagerPage(PageHost& host, SdUpload& upload, QWidget* parent)
    : QWidget(parent), host_(host), upload_(upload)
{
    setObjectName(QStringLiteral("cxTabSheet4"));
    setAccessibleName(QStringLiteral("ver.7.5 SD File Manager"));
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(10, 10, 10, 10);
    page->setSpacing(8);

    Label3 = form::label(this, QStringLiteral("The download page for the MFD SD card version 7.0 and 7.5."), "Label3");
    page->addWidget(Label3);

    auto* browse = new QGridLayout;
    browse->setHorizontalSpacing(10);
    browse->setVerticalSpacing(4);
    QLabel* folderLabel = form::label(this, QStringLiteral("Folder"));
    QLabel* filesLabel = form::label(this, QStringLiteral("Files"));
    DriveComboBox1 = new KDriveComboBox(this);
    DriveComboBox1->setObjectName(QStringLiteral("DriveComboBox1"));
    DriveComboBox1->setAccessibleName(QStringLiteral("Place"));
    DirectoryListBox1 = new KDirectoryListBox(this);
    DirectoryListBox1->setObjectName(QStringLiteral("DirectoryListBox1"));
    DirectoryListBox1->setAccessibleName(QStringLiteral("Folder"));
    folderLabel->setBuddy(DirectoryListBox1);
    FileListBox1 = new KFileListBox(this);
    FileListBox1->setObjectName(QStringLiteral("FileListBox1"));
    FileListBox1->setAccessibleName(QStringLiteral("Files"));
    filesLabel->setBuddy(FileListBox1);
    browse->addWidget(folderLabel, 0, 0);
    browse->addWidget(filesLabel, 0, 1);
    browse->addWidget(DriveComboBox1, 1, 0);
    browse->addWidget(DirectoryListBox1, 2, 0);
    browse->addWidget(FileListBox1, 1, 1, 2, 1);
    browse->setColumnStretch(0, 1);
    browse->setColumnStretch(1, 1);
    // The pages share one height, set by the tallest; the lists keep to a height that leaves
    // "Load Packet" in view.
    for (QWidget* list : {static_cast<QWidget*>(DirectoryListBox1), static_cast<QWidget*>(FileListBox1)})
        list->setFixedHeight(list == FileListBox1 ? 200 : 170);
    page->addLayout(browse);

    auto* load = new QHBoxLayout;
    load->setSpacing(8);
    ComboBox2 = new KComboBox(this);
    ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
    ComboBox2->setAccessibleName(QStringLiteral("SD folder"));
    ComboBox2->setEditable(true);
    ComboBox2->setItems(kSdFolders);
    ComboBox2->setItemIndex(0);
    ComboBox2->setMinimumWidth(170);
    Button7 = form::button(this, "Button7", QStringLiteral("Load Packet"), QStringLiteral("Load Packet to the SD folder"));
    Button7->setIcon(pictures::send());
    Button7->setMinimumSize(130, 30);
    load->addWidget(ComboBox2);
    load->addWidget(Button7);
    load->addStretch(1);
    page->addLayout(load);

    // Below "Load Packet", so that a small window keeps every button in reach.
    auto* batch = new QHBoxLayout;
    batch->setSpacing(8);
    sdStop = host_.stopButton(this, "sdStop", &upload_);
    sdStop->setMinimumSize(90, 30);
    batch->addWidget(sdStop);
    sdSendFailedAgain = form::button(this, "sdSendFailedAgain", QStringLiteral("Send failed again"),
                                     QStringLiteral("Send failed again: the files of the last batch that did not go"));
    sdSendFailedAgain->setMinimumSize(130, 30);
    sdSendFailedAgain->setEnabled(false);  // until a batch leaves files behind
    connect(sdSendFailedAgain, &QPushButton::clicked, this, [this] { host_.guarded([this] { sendFailedAgainClick(); }); });
    batch->addWidget(sdSendFailedAgain);
    batch->addStretch(1);
    page->addLayout(batch);

    // The last batch's account, file by file.
    QLabel* resultsLabel = form::label(this, QStringLiteral("Results"));
    sdResults = new TransferResultsView(this);
    sdResults->setObjectName(QStringLiteral("sdResults"));
    sdResults->setAccessibleName(QStringLiteral("Results of the last batch"));
    sdResults->setFixedHeight(150);
    resultsLabel->setBuddy(sdResults);
    page->addWidget(resultsLabel);
    page->addWidget(sdResults);

    auto* row = new QHBoxLayout;
    BitBtn9 = form::button(this, "BitBtn9", QStringLiteral("Update RG"));
    BitBtn9->setIcon(pictures::update());
    BitBtn20 = form::button(this, "BitBtn20", QStringLiteral("Reset SERVICE Records ..."));
    BitBtn20->setIcon(pictures::erase());
    for (QPushButton* b : {BitBtn9, BitBtn20}) {
        b->setMinimumSize(170, 30);
        row->addWidget(b);
    }
    row->addStretch(1);
    page->addLayout(row);
    page->addStretch(1);

    // The tree starts in the home folder; the description stays until the user opens a folder.
    connect(DirectoryListBox1, &KDirectoryListBox::changed, this, [this] {
        FileListBox1->setFolder(DirectoryListBox1->folder());
        DriveComboBox1->showPlaceOf(DirectoryListBox1->folder());
        host_.guarded([this] { DirectoryListBox1Change(); });
    });
    connect(DriveComboBox1, &KDriveComboBox::placeChosen, this,
            [this](const QString& folder) { DirectoryListBox1->setFolder(folder); });
    DirectoryListBox1->showFolder(QDir::homePath());
    FileListBox1->setFolder(DirectoryListBox1->folder());
    DriveComboBox1->showPlaceOf(DirectoryListBox1->folder());
    connect(Button7, &QPushButton::clicked, this, [this] { host_.guarded([this] { Button7Click(); }); });
}

void SdFileManagerPage::Button7Click()
{
    if (!host_.mayStoreRequest())
        return;
    upload_.loadPacket(ComboBox2->Text(), DirectoryListBox1->folder());
}

void SdFileManagerPage::DirectoryListBox1Change()
{
    const QString name = DirectoryListBox1->selectedText();
    if (name.isEmpty()) {
        ComboBox2->setItemIndex(0);
        return;
    }
    Label3->setText(name);
    const QString wanted = QStringLiteral("/") + name + QStringLiteral("/");
    int match = 0;
    for (int i = 0; i < ComboBox2->count(); ++i) {
        if (ComboBox2->itemText(i).compare(wanted, Qt::CaseInsensitive) == 0) {
            match = i;
            break;
        }
    }
    ComboBox2->setItemIndex(match);
}

void SdFileManagerPage::sendFailedAgainClick() { upload_.sendFailedAgain(); }

void SdFileManagerPage::jobEnded() { sdSendFailedAgain->setEnabled(upload_.results().failedCount() > 0); }
