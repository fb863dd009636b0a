#include "serial/port_map.h"

#include <cctype>

namespace {
struct Family {
    const char* prefix;
    uint32_t first;  // port number of index 0
};
// Fixed numbers, so that a cable keeps its name: 32 numbers per family.
constexpr Family kFamilies[] = {{"ttyS", 1}, {"ttyUSB", 33}, {"ttyACM", 65}, {"rfcomm", 97}};
constexpr uint32_t kFamilySize = 32;

bool AllDigits(const std::string& s)
{
    if (s.empty() || s.size() > 3)
        return false;
    for (char c : s)
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    return true;
}
}  // namespace

uint32_t HardwarePortNumber(const std::string& ttyName)
{
    for (const Family& f : kFamilies) {
        const std::string prefix = f.prefix;
        if (ttyName.rfind(prefix, 0) != 0)
            continue;
        const std::string rest = ttyName.substr(prefix.size());
        if (!AllDigits(rest))
            continue;
        const uint32_t k = static_cast<uint32_t>(std::stoul(rest));
        if (k < kFamilySize)
            return f.first + k;
    }
    return 0;
}

std::string HardwareTtyName(uint32_t portNo)
{
    for (const Family& f : kFamilies)
        if (portNo >= f.first && portNo < f.first + kFamilySize)
            return std::string(f.prefix) + std::to_string(portNo - f.first);
    return std::string();
}

std::string TnrPortMapSource::ProductName(const std::string& /*devicePath*/) const { return std::string(); }

std::string TnrPortMapSource::ListedPath(const TnrPortMapEntry& entry) const { return entry.kernelName; }

std::string TnrPortMapSource::HardwarePath(uint32_t portNo) const
{
    const std::string name = HardwareTtyName(portNo);
    return name.empty() ? std::string() : "/dev/" + name;
}

std::string TnrFixedPortMap::HardwarePath(uint32_t portNo) const
{
    const std::string name = HardwareTtyName(portNo);
    return name.empty() ? std::string() : devFolder_ + "/" + name;
}
