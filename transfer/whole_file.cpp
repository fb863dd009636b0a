#include "transfer/whole_file.h"

#include <QFile>
#include <QFileInfo>

bool fileExists(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

WholeFile readWholeFile(const QString& path)
{
    WholeFile file;
    QFile f(path);
    if (!f.exists()) {
        file.outcome = WholeFile::Outcome::Missing;
        return file;
    }
    // A pipe or a device would block the window in its opening or never end: not a file to send.
    if (!QFileInfo(path).isFile()) {
        file.outcome = WholeFile::Outcome::Unreadable;
        return file;
    }
    if (f.size() > kLargestTransferFile) {
        file.outcome = WholeFile::Outcome::TooLarge;
        return file;
    }
    if (!f.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        file.outcome = WholeFile::Outcome::Unreadable;
        return file;
    }
    // Some files report a size of 0 and still hold data: read to the end, not to the size.
    file.bytes.resize(static_cast<size_t>(f.size()));
    size_t filled = 0;
    for (;;) {
        if (filled == file.bytes.size())
            file.bytes.resize(filled + 64 * 1024);
        const qint64 n = f.read(reinterpret_cast<char*>(file.bytes.data() + filled),
                                static_cast<qint64>(file.bytes.size() - filled));
        if (n < 0) {
            file.outcome = WholeFile::Outcome::Unreadable;
            file.bytes = {};
            return file;
        }
        if (n == 0)
            break;
        filled += static_cast<size_t>(n);
        if (static_cast<int64_t>(filled) > kLargestTransferFile) {
            file.outcome = WholeFile::Outcome::TooLarge;
            file.bytes = {};
            return file;
        }
    }
    file.bytes.resize(filled);
    file.outcome = WholeFile::Outcome::Read;
    return file;
}
