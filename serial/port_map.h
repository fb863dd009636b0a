#pragma once
// The port map: pairs (kernel device name = device path, port name) that the enumeration reads.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct TnrPortMapEntry {
    std::string kernelName;  // the device path, e.g. /dev/ttyUSB0
    std::string portName;    // e.g. COM34
};

class TnrPortMapSource {
public:
    virtual ~TnrPortMapSource() = default;
    // The map's entries in enumeration order.
    virtual std::vector<TnrPortMapEntry> Entries() const = 0;
    // For a USB device: its product name; else empty.
    virtual std::string ProductName(const std::string& devicePath) const;
    // The path a port the map lists opens: its kernel device name (the device path) by default.
    virtual std::string ListedPath(const TnrPortMapEntry& entry) const;
    // The path a port name opens when the map does not list it (the hardware rule), or empty
    // when the number has no such path.
    virtual std::string HardwarePath(uint32_t portNo) const;
};

// The machine's own map, as the platform keeps it (each platform's port map file makes it).
std::shared_ptr<TnrPortMapSource> MakeSystemPortMap();

// A source with fixed pairs (for a caller that knows its devices, and for tests).
class TnrFixedPortMap : public TnrPortMapSource {
public:
    explicit TnrFixedPortMap(std::vector<TnrPortMapEntry> entries, std::string devFolder = "/dev")
        : entries_(std::move(entries)), devFolder_(std::move(devFolder))
    {}
    std::vector<TnrPortMapEntry> Entries() const override { return entries_; }
    std::string HardwarePath(uint32_t portNo) const override;

private:
    std::vector<TnrPortMapEntry> entries_;
    std::string devFolder_;
};

// The Linux machine's own map: port links first, then the hardware ports of /sys/class/tty.
class TnrSystemPortMap : public TnrPortMapSource {
public:
    TnrSystemPortMap();  // port links folder of portLinksFolder(), sysfs at /sys/class/tty
    TnrSystemPortMap(std::string linksFolder, std::string sysClassTty, std::string devFolder = "/dev");
    std::vector<TnrPortMapEntry> Entries() const override;
    std::string ProductName(const std::string& devicePath) const override;
    std::string HardwarePath(uint32_t portNo) const override;

private:
    std::string linksFolder_;
    std::string sysClassTty_;
    std::string devFolder_;
};

// The fixed numbering of hardware ports: ttyS<k> is COM<k+1>, ttyUSB<k> COM<33+k>, ttyACM<k>
// COM<65+k>, rfcomm<k> COM<97+k>; 0 for any other name.
uint32_t HardwarePortNumber(const std::string& ttyName);
// The tty name a port number stands for under that numbering ("ttyS2" for 3), or empty.
std::string HardwareTtyName(uint32_t portNo);
