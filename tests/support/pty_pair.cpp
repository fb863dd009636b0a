#include "tests/support/pty_pair.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <algorithm>
#include <stdexcept>

PtyPair::PtyPair()
{
    char name[256] = {0};
    if (::openpty(&master_, &slaveKeep_, name, nullptr, nullptr) != 0)
        throw std::runtime_error("openpty failed");
    slavePath_ = name;
    ::fcntl(master_, F_SETFD, FD_CLOEXEC);
    ::fcntl(slaveKeep_, F_SETFD, FD_CLOEXEC);
    // the slave must be open once for the master to see it; the component opens its own
    ::close(slaveKeep_);
    slaveKeep_ = -1;
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
}

PtyPair::~PtyPair() { CloseMaster(); }

void PtyPair::CloseMaster()
{
    if (master_ >= 0)
        ::close(master_);
    master_ = -1;
}

void PtyPair::Write(const std::vector<uint8_t>& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
        } else {
            struct pollfd p = {master_, POLLOUT, 0};
            ::poll(&p, 1, 100);
        }
    }
}

void PtyPair::Write(const std::string& bytes) { Write(std::vector<uint8_t>(bytes.begin(), bytes.end())); }

std::vector<uint8_t> PtyPair::Read(size_t n, std::chrono::milliseconds bound)
{
    std::vector<uint8_t> out;
    const auto deadline = std::chrono::steady_clock::now() + bound;
    uint8_t buf[65536];
    while (out.size() < n && std::chrono::steady_clock::now() < deadline) {
        const ssize_t r = ::read(master_, buf, std::min(sizeof buf, n - out.size()));
        if (r > 0) {
            out.insert(out.end(), buf, buf + r);
            continue;
        }
        struct pollfd p = {master_, POLLIN, 0};
        ::poll(&p, 1, 20);
    }
    return out;
}
