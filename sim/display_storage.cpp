#include "sim/display_storage.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <system_error>
#include <unistd.h>

#include "sim/code_page.h"

namespace fs = std::filesystem;

DisplayStorage::DisplayStorage(StorageOptions options) : options_(std::move(options)) {}

DisplayStorage::~DisplayStorage() { closeFile(); }

TransferRecord& DisplayStorage::begin(TransferKind kind)
{
    closeFile();
    TransferRecord record;
    record.kind = kind;
    record.file = static_cast<int>(transfers_.size()) + 1;
    transfers_.push_back(std::move(record));
    underWay_ = true;
    return transfers_.back();
}

bool DisplayStorage::openFile(TransferRecord& record, const fs::path& path)
{
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    if (ec) {
        record.error = "cannot create " + path.parent_path().string() + ": " + ec.message();
        return false;
    }
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd_ < 0) {
        record.error = "cannot create " + path.string() + ": " + std::strerror(errno);
        return false;
    }
    record.storedAt = path;
    return true;
}

void DisplayStorage::closeFile()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

bool DisplayStorage::openSd(std::span<const std::uint8_t> name)
{
    TransferRecord& record = begin(TransferKind::Sd);
    record.rawName.assign(name.begin(), name.end());
    const std::optional<std::string> decoded = decodeCodePage(name, options_.codePage);
    if (!decoded) {
        record.error = "the name is not text of code page " + std::to_string(options_.codePage);
        return false;
    }
    record.devicePath = *decoded;
    if (!options_.sdFolder.empty()) {
        const fs::path path = sdFilePath(options_.sdFolder, record.devicePath);
        if (path.empty()) {
            record.error = "'" + record.devicePath + "' does not name a file";
            return false;
        }
        return openFile(record, path);
    }
    return true;
}

bool DisplayStorage::closeSd()
{
    if (!underWay_ || transfers_.back().kind != TransferKind::Sd)
        return false;
    transfers_.back().closed = true;
    underWay_ = false;
    closeFile();
    return transfers_.back().error.empty();
}

bool DisplayStorage::openFlash(int slot)
{
    TransferRecord& record = begin(TransferKind::Flash);
    record.slot = slot;
    if (slot < 0 || slot >= static_cast<int>(kFlashSlotFiles.size())) {
        record.error = "there is no flash slot " + std::to_string(slot);
        return false;
    }
    record.devicePath = kFlashSlotFiles[static_cast<std::size_t>(slot)];
    return options_.flashFolder.empty() || openFile(record, options_.flashFolder / record.devicePath);
}

bool DisplayStorage::block(TransferKind kind, std::span<const std::uint8_t> data)
{
    if (!underWay_ || transfers_.back().kind != kind)
        return false;
    TransferRecord& record = transfers_.back();
    ++record.blocks;
    record.bytes += data.size();
    std::size_t done = 0;
    while (fd_ >= 0 && done < data.size()) {
        const ssize_t n = ::write(fd_, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            record.error = "cannot write " + record.storedAt.string() + ": " + std::strerror(errno);
            closeFile();
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

void DisplayStorage::noteWrongSum()
{
    if (!transfers_.empty())
        ++transfers_.back().wrongSums;
}

const TransferRecord* DisplayStorage::current() const { return underWay_ ? &transfers_.back() : nullptr; }

fs::path sdFilePath(const fs::path& sdFolder, std::string_view devicePath)
{
    if (devicePath.empty() || devicePath.back() == '/')
        return {};
    fs::path path = sdFolder;
    std::size_t start = 0;
    while (start <= devicePath.size()) {
        const std::size_t end = std::min(devicePath.find('/', start), devicePath.size());
        const std::string_view part = devicePath.substr(start, end - start);
        if (part == "." || part == ".." || part.find('\0') != std::string_view::npos)
            return {};
        if (!part.empty())
            path /= fs::path(std::string(part));
        start = end + 1;
    }
    return path == sdFolder ? fs::path{} : path;
}

std::vector<std::uint8_t> readStoredFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
