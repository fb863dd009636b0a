#include "sim/port_link_registration.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "serial/port_links.h"

namespace {

std::string readLink(const std::string& path)
{
    std::vector<char> buf(4096);
    const ssize_t n = ::readlink(path.c_str(), buf.data(), buf.size() - 1);
    return n < 0 ? std::string() : std::string(buf.data(), static_cast<std::size_t>(n));
}

std::runtime_error linkError(const std::string& what, const std::string& path, int err)
{
    return std::runtime_error(what + " " + path + ": " + std::strerror(err));
}

}  // namespace

PortLinkRegistration::~PortLinkRegistration() { remove(); }

void PortLinkRegistration::create(int portNumber, const std::string& target)
{
    remove();
    if (portNumber < 1)
        throw std::runtime_error("port number must be 1 or more, not " + std::to_string(portNumber));
    if (!ensurePortLinksFolder())
        throw linkError("cannot create the port links folder", portLinksFolder(), errno);
    const std::string path = portLinksFolder() + "/COM" + std::to_string(portNumber);

    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        struct stat targetSt {};
        const bool live = ::stat(path.c_str(), &targetSt) == 0;
        if (!S_ISLNK(st.st_mode))
            throw std::runtime_error(path + " exists and is not a port link; remove it or choose another port");
        if (live)
            throw std::runtime_error("COM" + std::to_string(portNumber) + " is already in use: " + path + " points at "
                                     + readLink(path) + "; choose another port");
        if (::unlink(path.c_str()) != 0 && errno != ENOENT)  // left behind by a run that died
            throw linkError("cannot remove the stale port link", path, errno);
    }
    if (::symlink(target.c_str(), path.c_str()) != 0)
        throw linkError("cannot create the port link", path, errno);
    path_ = path;
    target_ = target;
}

void PortLinkRegistration::retarget(const std::string& target)
{
    if (path_.empty())
        return;
    // A fresh link beside the old one, renamed over it, so the name never goes missing.
    const std::string temp = path_ + ".new";
    ::unlink(temp.c_str());
    if (::symlink(target.c_str(), temp.c_str()) != 0)
        throw linkError("cannot create the port link", temp, errno);
    if (::rename(temp.c_str(), path_.c_str()) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        throw linkError("cannot replace the port link", path_, err);
    }
    target_ = target;
}

void PortLinkRegistration::remove()
{
    if (path_.empty())
        return;
    if (readLink(path_) == target_)
        ::unlink(path_.c_str());
    path_.clear();
    target_.clear();
}
