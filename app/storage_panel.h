#pragma once
// The storage panel: the sizes the display reports for its disks and its SD card, and the
// reset buttons below them.
#include <QWidget>

#include <optional>

class KEdit;
class QPushButton;
struct SizeReply;

class StoragePanel : public QWidget {
    Q_OBJECT
public:
    // `windowFont` is the font of the window the panel is made for.
    explicit StoragePanel(const QFont& windowFont, QWidget* parent = nullptr);

    void showSizes(const SizeReply& sizes);
    // The sizes of an earlier greeting stay readable, dimmed, until this display answers.
    void setSizesStale(bool stale);
    // The size of disk 0..3 as this connection's display reported it; none while it is stale.
    std::optional<unsigned> diskMb(int disk) const;

    KEdit* Edit6 = nullptr;           // "Disk 0:\"
    KEdit* Edit7 = nullptr;           // "Disk 1:\"
    KEdit* Edit8 = nullptr;           // "Disk 2:\"
    KEdit* Edit9 = nullptr;           // "Disk 3:\"
    KEdit* Edit10 = nullptr;          // "SD:\"
    QPushButton* BitBtn21 = nullptr;  // "Reset SERVICE Records"
    QPushButton* Button22 = nullptr;  // "Reset all BC"
    QPushButton* Button43 = nullptr;  // "Shell program Update", hidden
};
