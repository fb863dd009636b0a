#include "app/sd_file_controls.h"

#include "transfer/folder_files.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QStorageInfo>

namespace {
constexpr int kPathRole = Qt::UserRole;
}

// ---------------------------------------------------------------- places

KDriveComboBox::KDriveComboBox(QWidget* parent) : QComboBox(parent)
{
    refreshPlaces();
    connect(this, &QComboBox::activated, this, [this](int index) { emit placeChosen(itemData(index, kPathRole).toString()); });
}

void KDriveComboBox::refreshPlaces()
{
    const QSignalBlocker quiet(this);
    clear();
    QStringList seen;
    auto add = [&](const QString& text, const QString& path) {
        if (path.isEmpty() || seen.contains(path))
            return;
        seen << path;
        addItem(text, path);
        setItemData(count() - 1, path, Qt::ToolTipRole);
    };
    add(QStringLiteral("/"), QStringLiteral("/"));
    add(QDir::homePath(), QDir::homePath());
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady())
            continue;
        const QString name = volume.displayName();
        add(name == volume.rootPath() ? name : QStringLiteral("%1 (%2)").arg(volume.rootPath(), name), volume.rootPath());
    }
}

void KDriveComboBox::showPlaceOf(const QString& folder)
{
    int best = -1;
    qsizetype bestLength = -1;
    for (int i = 0; i < count(); ++i) {
        const QString place = itemData(i, kPathRole).toString();
        const bool holds = folder == place || place == QStringLiteral("/") || folder.startsWith(place + QLatin1Char('/'));
        if (holds && place.size() > bestLength) {
            best = i;
            bestLength = place.size();
        }
    }
    const QSignalBlocker quiet(this);
    setCurrentIndex(best);
}

// ---------------------------------------------------------------- folder tree

KDirectoryListBox::KDirectoryListBox(QWidget* parent) : QTreeWidget(parent)
{
    setHeaderHidden(true);
    header()->setAccessibleName(QStringLiteral("Folder"));
    setColumnCount(1);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setRootIsDecorated(false);
    setIndentation(12);
    connect(this, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem* item) { setFolder(item->data(0, kPathRole).toString()); });
    connect(this, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
        const QString path = item->data(0, kPathRole).toString();
        if (path != folder_)
            setFolder(path);
    });
}

void KDirectoryListBox::setFolder(const QString& path)
{
    showFolder(path);
    emit changed();
}

void KDirectoryListBox::showFolder(const QString& path)
{
    folder_ = QDir::cleanPath(QDir(path).absolutePath());
    rebuild();
}

QString KDirectoryListBox::selectedText() const
{
    const QList<QTreeWidgetItem*> items = selectedItems();
    return items.isEmpty() ? QString() : items.first()->text(0);
}

void KDirectoryListBox::rebuild()
{
    const QSignalBlocker quiet(this);
    clear();
    // The chain from the root down to the opened folder.
    QStringList chain;
    for (QDir d(folder_);;) {
        chain.prepend(d.absolutePath());
        if (d.isRoot() || !d.cdUp())
            break;
    }
    QTreeWidgetItem* parentItem = nullptr;
    for (const QString& path : chain) {
        const QString name = QDir(path).isRoot() ? path : QFileInfo(path).fileName();
        auto* item = parentItem ? new QTreeWidgetItem(parentItem) : new QTreeWidgetItem(this);
        item->setText(0, name);
        item->setData(0, kPathRole, path);
        item->setToolTip(0, path);
        item->setExpanded(true);
        parentItem = item;
    }
    if (!parentItem)
        return;
    const QDir opened(folder_);
    for (const QString& sub : opened.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        auto* item = new QTreeWidgetItem(parentItem);
        item->setText(0, sub);
        item->setData(0, kPathRole, opened.filePath(sub));
        item->setToolTip(0, opened.filePath(sub));
    }
    parentItem->setExpanded(true);
    setCurrentItem(parentItem);
    parentItem->setSelected(true);
    scrollToItem(parentItem);
}

// ---------------------------------------------------------------- file list

KFileListBox::KFileListBox(QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
}

void KFileListBox::setFolder(const QString& path)
{
    clear();
    // Every ordinary file, whatever bytes its name holds (a name the locale cannot decode shows
    // replacement characters; the upload reports it instead of leaving it out).
    addItems(regularFileNames(path));
}

QStringList KFileListBox::entries() const
{
    QStringList names;
    names.reserve(count());
    for (int i = 0; i < count(); ++i)
        names << item(i)->text();
    return names;
}
