#pragma once
// The floor of a transfer's speed: the SD and flash frames sent to the display simulator by the
// plainest client there is, one thread doing open, write, poll and read on the pseudo-terminal,
// with no serial component, no event loop and no window. What the shell loses against it is the
// shell's own cost.
#include <cstdint>
#include <span>
#include <string>

class FloorClient {
public:
    explicit FloorClient(const std::string& path);
    ~FloorClient();
    FloorClient(const FloorClient&) = delete;
    FloorClient& operator=(const FloorClient&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    // One SD file: the open frame AA L path, blocks AB n data of at most 250 bytes, the close
    // frame AC 00, each answered before the next leaves. False on a missing or wrong answer.
    bool sendSdFile(const std::string& devicePath, std::span<const uint8_t> data);
    // One flash image: the open frame A3 01 slot, then blocks A4 00 of 1024 bytes, the last one
    // filled with zeros. False on a missing or wrong answer.
    bool sendFlashImage(uint8_t slot, std::span<const uint8_t> data);

private:
    bool writeAll(const uint8_t* bytes, size_t n);
    // The two bytes of an answer; false when they do not come within a few seconds.
    bool readAnswer(uint8_t (&answer)[2]);

    int fd_ = -1;
};
