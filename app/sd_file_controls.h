#pragma once
// The file controls of the SD page: places, a folder tree and a file list, bound together.
#include <QComboBox>
#include <QListWidget>
#include <QTreeWidget>

// `DriveComboBox1`: the places to browse from: the file system root, the home folder and every
// mounted volume. Choosing one raises placeChosen with its folder.
class KDriveComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit KDriveComboBox(QWidget* parent = nullptr);
    // Lists the places again (the mounted volumes change).
    void refreshPlaces();
    // Selects the place that holds the folder (the longest matching one), raising nothing.
    void showPlaceOf(const QString& folder);

signals:
    void placeChosen(const QString& folder);
};

// `DirectoryListBox1`: the opened folder, with the folders that lead to it above and its own
// subfolders below; folders only. The selected entry is the opened folder, and its text is the
// folder's own name ("/" for the root). Activating an entry opens it and raises changed().
class KDirectoryListBox : public QTreeWidget {
    Q_OBJECT
public:
    explicit KDirectoryListBox(QWidget* parent = nullptr);

    // Opens the folder and raises changed().
    void setFolder(const QString& path);
    // Opens the folder without raising changed().
    void showFolder(const QString& path);
    QString folder() const { return folder_; }
    // The selected entry's text; empty when nothing is selected.
    QString selectedText() const;

signals:
    void changed();

private:
    void rebuild();
    QString folder_;
};

// `FileListBox1`: the ordinary files of a folder by bare name, sorted by name, single selection.
class KFileListBox : public QListWidget {
    Q_OBJECT
public:
    explicit KFileListBox(QWidget* parent = nullptr);
    void setFolder(const QString& path);
    QStringList entries() const;
};
