#pragma once
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

// The shell's side of the line in the tests: opens a tty the way the serial component
// does (raw, exclusive) and reads with an upper bound on every wait.
class PtyClient {
public:
    explicit PtyClient(const std::string& path);
    PtyClient(const PtyClient&) = delete;
    PtyClient& operator=(const PtyClient&) = delete;
    ~PtyClient();

    bool isOpen() const { return fd_ >= 0; }
    int error() const { return error_; }  // errno of a failed opening

    void send(const std::vector<std::uint8_t>& bytes);
    // Reads until n bytes arrived or the time ran out; returns what arrived.
    std::vector<std::uint8_t> receive(std::size_t n, std::chrono::milliseconds timeout);
    // Reads whatever arrives within the time.
    std::vector<std::uint8_t> receiveFor(std::chrono::milliseconds duration);
    // True when the far end closed the line within the time.
    bool waitForHangup(std::chrono::milliseconds timeout);

private:
    int fd_ = -1;
    int error_ = 0;
};
