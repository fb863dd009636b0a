// The simulator's network line: a TCP listener on a loopback (or given) address, one connection
// at a time, raw or with RFC 2217 on top.
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

#include "serial/net_address.h"
#include "sim/sim_pty_server.h"

namespace {

std::runtime_error socketError(const std::string& what) { return std::runtime_error(what + ": " + std::strerror(errno)); }

}  // namespace

void SimPtyServer::listen()
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(options_.listenPort);
    if (const int rc = ::getaddrinfo(options_.listenAddress.c_str(), service.c_str(), &hints, &found); rc != 0)
        throw std::runtime_error("cannot listen on " + options_.listenAddress + ": " + ::gai_strerror(rc));
    const int fd = ::socket(found->ai_family, found->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, found->ai_protocol);
    if (fd < 0) {
        ::freeaddrinfo(found);
        throw socketError("cannot create a socket");
    }
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (::bind(fd, found->ai_addr, found->ai_addrlen) != 0 || ::listen(fd, 1) != 0) {
        const auto error = socketError("cannot listen on " + options_.listenAddress + " port " + service);
        ::freeaddrinfo(found);
        ::close(fd);
        throw error;
    }
    ::freeaddrinfo(found);
    sockaddr_storage bound{};
    socklen_t length = sizeof bound;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length);
    const int port = bound.ss_family == AF_INET6 ? ntohs(reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port)
                                                 : ntohs(reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
    listener_ = fd;
    boundPort_ = port;
    NetAddress address;
    address.kind = options_.transport == SimTransport::Rfc2217 ? NetLinkKind::Rfc2217 : NetLinkKind::RawTcp;
    address.host = options_.listenAddress;
    address.port = static_cast<uint16_t>(port);
    std::lock_guard lock(mutex_);
    slavePath_ = address.Text();
}

void SimPtyServer::acceptConnection()
{
    const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0)
        return;
    if (master_ >= 0) {  // one shell at a time, as on a serial line
        ::close(fd);
        return;
    }
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    master_ = fd;
    if (options_.transport == SimTransport::Rfc2217)
        rfc2217_ = std::make_unique<Rfc2217Server>([this](const std::string& note) {
            {
                std::lock_guard lock(mutex_);
                requestedLine_ = rfc2217_->line();
            }
            if (options_.onLinkNote)
                options_.onLinkNote(note);
        });
    simulator_.startLine();
}

void SimPtyServer::endConnection()
{
    if (master_ >= 0)
        ::close(master_);
    master_ = -1;
    queue_.clear();  // answers for a connection that is gone are lost with it
    dropQueued_ = false;
    awaitingNext_ = false;
}

bool SimPtyServer::receiveFromConnection(std::span<std::uint8_t> buffer, std::int64_t& readNs, std::vector<std::uint8_t>& data)
{
    const ssize_t n = ::recv(master_, buffer.data(), buffer.size(), MSG_DONTWAIT);
    readNs = steadyNowNs();
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return true;
    if (n <= 0) {
        endConnection();  // the shell closed it, or it broke
        return false;
    }
    const auto got = buffer.first(static_cast<std::size_t>(n));
    if (!rfc2217_) {
        data.assign(got.begin(), got.end());
        return true;
    }
    std::vector<std::uint8_t> reply;
    rfc2217_->Receive(got.data(), got.size(), data, reply);
    {
        std::lock_guard lock(mutex_);
        requestedLine_ = rfc2217_->line();
    }
    if (!reply.empty())
        sendRaw(reply);  // a stop asked for meanwhile is seen by the serving loop
    return true;
}

Rfc2217Server::LineState SimPtyServer::requestedLine() const
{
    std::lock_guard lock(mutex_);
    return requestedLine_;
}

bool SimPtyServer::sendToConnection(const std::vector<std::uint8_t>& bytes)
{
    if (master_ < 0)
        return true;  // no one is connected: the answer is lost as on an unplugged line
    std::vector<std::uint8_t> wire;
    if (rfc2217_)
        Rfc2217Server::Escape(bytes.data(), bytes.size(), wire);
    if (!sendRaw(rfc2217_ ? wire : bytes))
        return false;
    if (options_.recordBytes) {
        std::lock_guard lock(mutex_);
        sentBytes_.insert(sentBytes_.end(), bytes.begin(), bytes.end());
    }
    sent_.notify_all();
    return true;
}

bool SimPtyServer::sendRaw(const std::vector<std::uint8_t>& wire)
{
    std::size_t done = 0;
    while (done < wire.size() && master_ >= 0) {
        const ssize_t n = ::send(master_, wire.data() + done, wire.size() - done, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            endConnection();  // the shell is gone; the answer with it
            return true;
        }
        pollfd fds[2] = {{master_, POLLOUT, 0}, {stopFd_, POLLIN, 0}};
        if (::poll(fds, 2, -1) > 0 && (fds[1].revents & POLLIN))
            return false;
    }
    return true;
}
