#pragma once
#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Where the display keeps what it is sent: its SD card as a folder, its eight flash image slots
// as files of another folder. An empty folder keeps nothing on disk; counts and sums still hold.
struct StorageOptions {
    std::filesystem::path sdFolder;
    std::filesystem::path flashFolder;
    int codePage = 1252;  // code page of the SD file names (1251 Cyrillic, 1252 Western, ...)
};

// The flash slots' files, by slot number 0..7.
inline constexpr std::array<std::string_view, 8> kFlashSlotFiles{
    "sys.imz", "disk1.imz", "disk2.imz", "disk3.imz", "fdisk.imz", "backs.imz", "diag.imz", "logos.imz",
};

enum class TransferKind { Sd, Flash };

// One file the display was sent: from its open frame to its close frame (SD) or to the last
// block that came (flash, which has no close frame).
struct TransferRecord {
    TransferKind kind = TransferKind::Sd;
    int file = 0;                       // 1-based count of open frames (SD and flash) since the display started
    std::vector<std::uint8_t> rawName;  // SD: the name bytes of the open frame
    std::string devicePath;             // SD: the name decoded from the code page, in UTF-8; flash: the slot's file
    int slot = -1;                      // flash: 0..7
    std::filesystem::path storedAt;     // the file written; empty when nothing is kept on disk or it failed
    std::uint64_t bytes = 0;            // data bytes taken in blocks (SD: the n bytes; flash: 1024 per block)
    int blocks = 0;
    int wrongSums = 0;    // blocks answered with a wrong sum on purpose
    bool closed = false;  // SD: the close frame came
    std::string error;    // why the file could not be opened or written; empty when all went well
};

// The display's files. Opening a file ends the one before it, whether or not it was closed.
class DisplayStorage {
public:
    explicit DisplayStorage(StorageOptions options = {});
    DisplayStorage(const DisplayStorage&) = delete;
    DisplayStorage& operator=(const DisplayStorage&) = delete;
    ~DisplayStorage();

    // Each returns false when the display refuses (a name it cannot decode or place, a file it cannot create).
    bool openSd(std::span<const std::uint8_t> name);
    bool closeSd();
    bool openFlash(int slot);
    // Counts a block into the file under way and stores it where the file is kept; false when no
    // file of that kind is under way.
    bool block(TransferKind kind, std::span<const std::uint8_t> data);
    void noteWrongSum();

    // The file under way: opened (even if the open failed) and neither closed nor followed by another.
    const TransferRecord* current() const;
    const std::vector<TransferRecord>& transfers() const { return transfers_; }
    const StorageOptions& options() const { return options_; }

private:
    TransferRecord& begin(TransferKind kind);
    bool openFile(TransferRecord& record, const std::filesystem::path& path);
    void closeFile();

    StorageOptions options_;
    std::vector<TransferRecord> transfers_;
    bool underWay_ = false;  // the last record takes blocks
    int fd_ = -1;
};

// The SD folder's file for a device path ("/3D/a.txt", "abca.txt"): the path's parts under the
// folder; nothing for an empty name, a folder name, or parts such as ".." that would leave it.
std::filesystem::path sdFilePath(const std::filesystem::path& sdFolder, std::string_view devicePath);

// The whole of a file the display stored, for tests and tools; empty when it cannot be read.
std::vector<std::uint8_t> readStoredFile(const std::filesystem::path& path);
