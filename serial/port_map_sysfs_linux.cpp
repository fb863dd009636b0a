// The machine's port map on Linux: port links, then the hardware ports listed in sysfs.
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "serial/net_address.h"
#include "serial/port_links.h"
#include "serial/port_map.h"

namespace fs = std::filesystem;

namespace {

std::string ReadFirstLine(const fs::path& file)
{
    std::ifstream in(file);
    std::string line;
    if (in)
        std::getline(in, line);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' '))
        line.pop_back();
    return line;
}

bool IsPortLinkName(const std::string& name)
{
    if (name.size() < 4 || name.compare(0, 3, "COM") != 0)
        return false;
    return std::all_of(name.begin() + 3, name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool IsCharacterDevice(const fs::path& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
}

// A serial-core port whose UART type is unknown (PORT_UNKNOWN, 0) is a placeholder that cannot be
// opened: the 8250 driver registers up to 32 of them. The type is what tells, not the driver's
// name: before kernel 6.5 the tty's device is bound to "serial8250", since then to the port
// driver "port" of the serial-base bus, and other UART drivers may leave placeholders too.
bool IsPlaceholderPort(const fs::path& ttyDir, const fs::path& devPath)
{
    const std::string type = ReadFirstLine(ttyDir / "type");  // serial core's attribute
    if (!type.empty())
        return type == "0";
    // no attribute (an old kernel): only a serial-core port of the 8250 driver is asked itself;
    // opening any other tty could reset what hangs on it
    std::error_code ec;
    const std::string driver = fs::read_symlink(ttyDir / "device" / "driver", ec).filename().string();
    if (ec || (driver != "serial8250" && driver != "port"))
        return false;
    const int fd = ::open(devPath.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;  // cannot tell: keep it listed
    struct serial_struct info {};
    const bool unknown = ::ioctl(fd, TIOCGSERIAL, &info) == 0 && info.type == PORT_UNKNOWN;
    ::close(fd);
    return unknown;
}

}  // namespace

TnrSystemPortMap::TnrSystemPortMap() : TnrSystemPortMap(portLinksFolder(), "/sys/class/tty", "/dev") {}

TnrSystemPortMap::TnrSystemPortMap(std::string linksFolder, std::string sysClassTty, std::string devFolder)
    : linksFolder_(std::move(linksFolder)), sysClassTty_(std::move(sysClassTty)), devFolder_(std::move(devFolder))
{}

std::vector<TnrPortMapEntry> TnrSystemPortMap::Entries() const
{
    std::vector<TnrPortMapEntry> entries;
    std::error_code ec;

    // 1. port links: to a tty, or to a network bridge's address ("tcp://host:port", the link's
    // target as written, which opens the bridge instead of a file)
    std::vector<std::pair<std::string, std::string>> links;  // name, what it opens
    for (fs::directory_iterator it(linksFolder_, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (!IsPortLinkName(name) || !fs::is_symlink(it->symlink_status()))
            continue;
        std::error_code e2;
        const std::string target = fs::read_symlink(it->path(), e2).string();
        if (!e2 && ParseNetAddress(target))
            links.emplace_back(name, ParseNetAddress(target)->Text());
        else if (IsCharacterDevice(it->path()))
            links.emplace_back(name, (fs::path(linksFolder_) / name).string());
    }
    std::sort(links.begin(), links.end());
    for (const auto& [name, path] : links)
        entries.push_back({path, name});

    // 2. hardware ports
    std::vector<std::string> ttys;
    ec.clear();
    for (fs::directory_iterator it(sysClassTty_, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code e2;
        if (fs::exists(it->path() / "device", e2))
            ttys.push_back(it->path().filename().string());
    }
    std::sort(ttys.begin(), ttys.end());
    uint32_t other = 0;
    for (const std::string& name : ttys) {
        const fs::path dev = fs::path(devFolder_) / name;
        if (IsPlaceholderPort(fs::path(sysClassTty_) / name, dev))
            continue;
        uint32_t n = HardwarePortNumber(name);
        if (n == 0)
            n = 129 + other++;
        entries.push_back({dev.string(), "COM" + std::to_string(n)});
    }
    return entries;
}

std::string TnrSystemPortMap::ProductName(const std::string& devicePath) const
{
    std::error_code ec;
    const fs::path real = fs::canonical(devicePath, ec);
    const std::string tty = (ec ? fs::path(devicePath) : real).filename().string();
    fs::path dir = fs::canonical(fs::path(sysClassTty_) / tty / "device", ec);
    if (ec)
        return std::string();
    // walk up from the interface to the USB device, which has the vendor id and the product name
    for (int level = 0; level < 6 && !dir.empty() && dir != dir.root_path(); ++level, dir = dir.parent_path()) {
        if (fs::exists(dir / "idVendor", ec))
            return ReadFirstLine(dir / "product");
    }
    return std::string();
}

std::string TnrSystemPortMap::HardwarePath(uint32_t portNo) const
{
    const std::string name = HardwareTtyName(portNo);
    return name.empty() ? std::string() : (fs::path(devFolder_) / name).string();
}
