#include "transfer/whole_file.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <new>

bool fileExists(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

namespace {

WholeFile readOpened(QFile& f, const std::atomic<bool>* cancel);

}  // namespace

int64_t reportedFileSize(const QString& path)
{
    const QFileInfo info(path);
    return info.isFile() ? info.size() : -1;
}

WholeFile readWholeFile(const QString& path, const std::atomic<bool>* cancel)
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
        file.reason = QStringLiteral("not an ordinary file");
        return file;
    }
    if (f.size() > kLargestTransferFile) {
        file.outcome = WholeFile::Outcome::TooLarge;
        return file;
    }
    if (!f.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        file.outcome = WholeFile::Outcome::Unreadable;
        file.reason = f.errorString();
        return file;
    }
    try {
        return readOpened(f, cancel);
    } catch (const std::bad_alloc&) {
        // The memory for the file is not there: this file's error, nothing else ends.
        file.outcome = WholeFile::Outcome::Unreadable;
        file.reason = QStringLiteral("not enough memory");
        return file;
    }
}

namespace {

WholeFile readOpened(QFile& f, const std::atomic<bool>* cancel)
{
    constexpr size_t kChunk = 2 * 1024 * 1024;
    WholeFile file;
    // The size is known before anything is read: one allocation. Some files report a size of 0
    // (or too small) and still hold data: what follows is read on to the end in small pieces,
    // probed first, so a file of the size it reports never has its buffer grown.
    file.bytes.resize(static_cast<size_t>(f.size()));
    size_t filled = 0;
    std::vector<uint8_t> probe(64 * 1024);
    for (;;) {
        if (cancel && cancel->load()) {
            file.outcome = WholeFile::Outcome::Unreadable;
            file.reason = QStringLiteral("stopped");
            file.bytes = {};
            return file;
        }
        qint64 n = 0;
        if (filled < file.bytes.size()) {
            const size_t want = std::min(kChunk, file.bytes.size() - filled);
            n = f.read(reinterpret_cast<char*>(file.bytes.data() + filled), static_cast<qint64>(want));
        } else {
            n = f.read(reinterpret_cast<char*>(probe.data()), static_cast<qint64>(probe.size()));
            if (n > 0) {
                if (static_cast<int64_t>(filled) + n > kLargestTransferFile) {
                    file.outcome = WholeFile::Outcome::TooLarge;
                    file.bytes = {};
                    return file;
                }
                file.bytes.insert(file.bytes.end(), probe.begin(), probe.begin() + n);
            }
        }
        if (n < 0) {
            file.outcome = WholeFile::Outcome::Unreadable;
            file.reason = f.errorString();
            file.bytes = {};
            return file;
        }
        if (n == 0)
            break;
        filled += static_cast<size_t>(n);
    }
    file.bytes.resize(filled);
    file.outcome = WholeFile::Outcome::Read;
    return file;
}

}  // namespace
