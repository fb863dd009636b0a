#include "bench/floor_client.h"

#include "serial/hop_trace.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <numeric>
#include <poll.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {
constexpr int kAnswerTimeoutMs = 5000;
constexpr size_t kSdBlock = 250;
constexpr size_t kFlashBlock = 1024;

uint8_t sum8(std::span<const uint8_t> bytes) { return static_cast<uint8_t>(std::accumulate(bytes.begin(), bytes.end(), 0u)); }
}  // namespace

FloorClient::FloorClient(const std::string& path)
{
    fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0)
        return;
    termios tio{};
    if (::tcgetattr(fd_, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(fd_, TCSANOW, &tio);
    }
}

FloorClient::~FloorClient()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool FloorClient::writeAll(const uint8_t* bytes, size_t n)
{
    size_t done = 0;
    while (done < n) {
        const ssize_t w = ::write(fd_, bytes + done, n - done);
        if (w > 0) {
            done += static_cast<size_t>(w);
        } else if (w < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd p{fd_, POLLOUT, 0};
            ::poll(&p, 1, kAnswerTimeoutMs);
        } else {
            return false;
        }
    }
    hoptrace::Mark(hoptrace::Hop::Written);
    return true;
}

bool FloorClient::readAnswer(uint8_t (&answer)[2])
{
    size_t got = 0;
    while (got < 2) {
        const ssize_t r = ::read(fd_, answer + got, 2 - got);
        if (r > 0) {
            got += static_cast<size_t>(r);
            continue;
        }
        if (r == 0 || (errno != EAGAIN && errno != EINTR))
            return false;
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, kAnswerTimeoutMs) <= 0)
            return false;
        hoptrace::Mark(hoptrace::Hop::LineEvent);
    }
    return true;
}

bool FloorClient::sendSdFile(const std::string& devicePath, std::span<const uint8_t> data)
{
    if (fd_ < 0 || devicePath.size() > 255)
        return false;
    uint8_t answer[2];
    std::vector<uint8_t> frame{0xAA, static_cast<uint8_t>(devicePath.size())};
    frame.insert(frame.end(), devicePath.begin(), devicePath.end());
    if (!writeAll(frame.data(), frame.size()) || !readAnswer(answer) || answer[0] != 0xAA)
        return false;
    size_t position = 0;
    do {
        const size_t n = std::min(data.size() - position, kSdBlock);
        const std::span<const uint8_t> block = data.subspan(position, n);
        frame.assign({0xAB, static_cast<uint8_t>(n)});
        frame.insert(frame.end(), block.begin(), block.end());
        if (!writeAll(frame.data(), frame.size()) || !readAnswer(answer) || answer[0] != 0xAB || answer[1] != sum8(block))
            return false;
        position += n;
    } while (position < data.size());
    const uint8_t close[] = {0xAC, 0x00};
    return writeAll(close, sizeof close) && readAnswer(answer) && answer[0] == 0xAC;
}

bool FloorClient::sendFlashImage(uint8_t slot, std::span<const uint8_t> data)
{
    if (fd_ < 0)
        return false;
    uint8_t answer[2];
    const uint8_t open[] = {0xA3, 0x01, slot};
    if (!writeAll(open, sizeof open) || !readAnswer(answer) || answer[0] != 0xA3)
        return false;
    std::vector<uint8_t> frame(2 + kFlashBlock);
    size_t position = 0;
    do {
        const size_t n = std::min(data.size() - position, kFlashBlock);
        frame[0] = 0xA4;
        frame[1] = 0x00;
        std::fill(frame.begin() + 2, frame.end(), uint8_t{0});
        std::copy_n(data.begin() + static_cast<std::ptrdiff_t>(position), n, frame.begin() + 2);
        const uint8_t sum = sum8(std::span<const uint8_t>(frame).subspan(2));
        if (!writeAll(frame.data(), frame.size()) || !readAnswer(answer) || answer[0] != 0xA4 || answer[1] != sum)
            return false;
        position += n;
    } while (position < data.size());
    return true;
}
