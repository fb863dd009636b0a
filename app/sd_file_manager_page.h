#pragma once
// Page "ver.7.5 SD File Manager": a folder of the PC to a folder of the display's SD card.
#include <QStringList>
#include <QWidget>

class KComboBox;
class KDirectoryListBox;
class KDriveComboBox;
class KFileListBox;
class PageHost;
class QLabel;
class QPushButton;
class SdUpload;
class TransferResultsView;

class SdFileManagerPage : public QWidget {
    Q_OBJECT
public:
    SdFileManagerPage(PageHost& host, SdUpload& upload, QWidget* parent = nullptr);

    void Button7Click();             // "Load Packet"
    void DirectoryListBox1Change();  // the folder tree opened a folder
    void sendFailedAgainClick();     // "Send failed again"
    // The job has ended: "Send failed again" follows the last batch.
    void jobEnded();

    QLabel* Label3 = nullptr;
    KDriveComboBox* DriveComboBox1 = nullptr;
    KDirectoryListBox* DirectoryListBox1 = nullptr;
    KFileListBox* FileListBox1 = nullptr;
    KComboBox* ComboBox2 = nullptr;
    QPushButton* Button7 = nullptr;   // "Load Packet"
    QPushButton* BitBtn9 = nullptr;   // "Update RG"
    QPushButton* BitBtn20 = nullptr;  // "Reset SERVICE Records ..."
    QPushButton* sdStop = nullptr;
    QPushButton* sdSendFailedAgain = nullptr;
    TransferResultsView* sdResults = nullptr;

private:
    PageHost& host_;
    SdUpload& upload_;
};
