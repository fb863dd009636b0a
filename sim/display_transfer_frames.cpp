// The file transfer frames: the SD card's open, block and close, and the flash slots' open and
// block. Each is answered with two bytes, its own marker first; a block's second byte is the
// 8-bit sum of the bytes the display received.
#include "sim/display_simulator.h"

#include <cstdio>
#include <numeric>

namespace {

constexpr std::size_t kMaxSdBlock = 250;
constexpr std::size_t kFlashBlock = 1024;
constexpr std::uint8_t kRefused = 0xFF;  // second byte of an open or close answer the display could not carry out

std::uint8_t sum8(std::span<const std::uint8_t> bytes)
{
    return static_cast<std::uint8_t>(std::accumulate(bytes.begin(), bytes.end(), 0u));
}

std::string hexByte(std::uint8_t b)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02X", b);
    return buf;
}

}  // namespace

DisplaySimulator::ScanResult DisplaySimulator::scanSdOpen(std::span<const std::uint8_t> pending)
{
    if (pending.size() < 2)
        return {Scan::Incomplete};
    const std::size_t length = 2 + std::size_t{pending[1]};
    return pending.size() >= length ? ScanResult{Scan::Complete, length} : ScanResult{Scan::Incomplete};
}

// A block longer than 250 bytes is taken whole, as its length byte says, but not acted on.
DisplaySimulator::ScanResult DisplaySimulator::scanSdBlock(std::span<const std::uint8_t> pending) { return scanSdOpen(pending); }

DisplaySimulator::ScanResult DisplaySimulator::scanSdClose(std::span<const std::uint8_t> pending)
{
    if (pending.size() < 2)
        return {Scan::Incomplete};
    return pending[1] == 0x00 ? ScanResult{Scan::Complete, 2} : ScanResult{Scan::NotAFrame};
}

DisplaySimulator::ScanResult DisplaySimulator::scanFlashOpen(std::span<const std::uint8_t> pending)
{
    if (pending.size() >= 2 && pending[1] != 0x01)
        return {Scan::NotAFrame};
    return pending.size() >= 3 ? ScanResult{Scan::Complete, 3} : ScanResult{Scan::Incomplete};
}

DisplaySimulator::ScanResult DisplaySimulator::scanFlashBlock(std::span<const std::uint8_t> pending)
{
    if (pending.size() >= 2 && pending[1] != 0x00)
        return {Scan::NotAFrame};
    return pending.size() >= 2 + kFlashBlock ? ScanResult{Scan::Complete, 2 + kFlashBlock} : ScanResult{Scan::Incomplete};
}

std::vector<std::uint8_t> DisplaySimulator::takeSdOpen(FrameRecord& record)
{
    record.kind = FrameKind::SdOpen;
    record.name = "SD open";
    const bool opened = storage_.openSd(std::span(record.raw).subspan(2));
    const TransferRecord& file = storage_.transfers().back();
    record.transferFile = file.file;
    record.detail = "file " + std::to_string(file.file) + " '" + file.devicePath + "'";
    if (!file.storedAt.empty())
        record.detail += " -> " + file.storedAt.string();
    if (!opened)
        record.detail += ": " + file.error;
    return {0xAA, opened ? std::uint8_t{0x00} : kRefused};
}

std::vector<std::uint8_t> DisplaySimulator::takeSdBlock(FrameRecord& record)
{
    record.kind = FrameKind::SdBlock;
    record.name = "SD block";
    if (record.raw[1] > kMaxSdBlock) {
        record.wellFormed = false;
        record.detail = std::to_string(record.raw[1]) + " bytes: more than a block holds";
        return {};
    }
    return takeBlock(record, TransferKind::Sd, std::span(record.raw).subspan(2));
}

std::vector<std::uint8_t> DisplaySimulator::takeSdClose(FrameRecord& record)
{
    record.kind = FrameKind::SdClose;
    record.name = "SD close";
    const TransferRecord* file = storage_.current();
    record.transferFile = file && file->kind == TransferKind::Sd ? file->file : 0;
    const bool closed = storage_.closeSd();
    record.detail = record.transferFile != 0 ? "file " + std::to_string(record.transferFile) : "no file open";
    return {0xAC, closed ? std::uint8_t{0x00} : kRefused};
}

std::vector<std::uint8_t> DisplaySimulator::takeFlashOpen(FrameRecord& record)
{
    record.kind = FrameKind::FlashOpen;
    record.name = "flash open";
    const int slot = record.raw[2];
    const bool opened = storage_.openFlash(slot);
    const TransferRecord& file = storage_.transfers().back();
    record.transferFile = file.file;
    record.wellFormed = slot < static_cast<int>(kFlashSlotFiles.size());
    record.detail = "file " + std::to_string(file.file) + " slot " + std::to_string(slot);
    if (!file.storedAt.empty())
        record.detail += " -> " + file.storedAt.string();
    if (!opened)
        record.detail += ": " + file.error;
    return {0xA3, opened ? std::uint8_t{0x00} : kRefused};
}

std::vector<std::uint8_t> DisplaySimulator::takeFlashBlock(FrameRecord& record)
{
    record.kind = FrameKind::FlashBlock;
    record.name = "flash block";
    return takeBlock(record, TransferKind::Flash, std::span(record.raw).subspan(2));
}

std::vector<std::uint8_t> DisplaySimulator::takeBlock(FrameRecord& record, TransferKind kind, std::span<const std::uint8_t> data)
{
    const bool taken = storage_.block(kind, data);
    if (taken) {
        const TransferRecord& file = *storage_.current();
        record.transferFile = file.file;
        record.block = file.blocks;
    }
    const std::uint8_t sum = sum8(data);
    std::uint8_t answer = sum;
    if (failures_.has(FailureMode::WrongSum) && strikes(record)) {
        answer = static_cast<std::uint8_t>(sum + 1);
        if (taken)
            storage_.noteWrongSum();
    }
    record.detail = (taken ? "file " + std::to_string(record.transferFile) + " block " + std::to_string(record.block)
                           : std::string("no file open"))
        + ", " + std::to_string(data.size()) + " bytes, sum " + hexByte(sum);
    if (answer != sum)
        record.detail += ", answered " + hexByte(answer);
    return {record.raw[0], answer};
}
