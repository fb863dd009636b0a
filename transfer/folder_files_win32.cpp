#include "transfer/folder_files.h"

#include <QDir>

// Windows names are UTF-16 throughout: every one decodes, and the folder lists them all.
QStringList regularFileNames(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

bool nameHasUndecodableBytes(const QString& name) { return name.contains(QChar(QChar::ReplacementCharacter)); }
