#pragma once
#include <QString>

#include <atomic>
#include <cstdint>
#include <vector>

// A file to be sent, read whole into memory.
struct WholeFile {
    enum class Outcome { Read, Missing, TooLarge, Unreadable };
    Outcome outcome = Outcome::Missing;
    std::vector<uint8_t> bytes;
    QString reason;  // why it is Unreadable, in words
};

// The largest file the progress bar can count: its range is a 32-bit signed integer.
inline constexpr int64_t kLargestTransferFile = INT32_MAX;

// True when something other than a folder exists under that path.
bool fileExists(const QString& path);

// Reads the file at path. Its size is checked before anything is read, so a file too large for
// the progress bar is refused without being loaded; a file that grows past that size while it
// is read is refused too. A file that cannot be opened or read to its end, or that is not an
// ordinary file (a pipe, a device), is Unreadable.
// When cancel is given and becomes true, the read ends within one chunk, Unreadable.
WholeFile readWholeFile(const QString& path, const std::atomic<bool>* cancel = nullptr);

// The size the file reports, -1 when there is none to read.
int64_t reportedFileSize(const QString& path);
