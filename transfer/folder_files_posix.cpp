#include "transfer/folder_files.h"

#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

QStringList regularFileNames(const QString& folder)
{
    QStringList names;
    const int dirFd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0)
        return names;
    DIR* dir = ::fdopendir(dirFd);
    if (!dir) {
        ::close(dirFd);
        return names;
    }
    while (const dirent* entry = ::readdir(dir)) {
        // An ordinary file, or a link to one, as the file list has always shown them.
        struct stat st {};
        if (::fstatat(dirFd, entry->d_name, &st, 0) != 0 || !S_ISREG(st.st_mode))
            continue;
        // Qt decodes a name the locale cannot decode lossily: each byte it cannot read becomes
        // U+FFFD, so the name is listed, and known for what it is.
        names << QFile::decodeName(entry->d_name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

bool nameHasUndecodableBytes(const QString& name) { return name.contains(QChar(QChar::ReplacementCharacter)); }
