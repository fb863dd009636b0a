#pragma once
// The machine's port map on Windows: the registry's serial-device map. Windows build only.
#include <string>

#include "serial/port_map.h"

class TnrRegistryPortMap : public TnrPortMapSource {
public:
    enum class Root { LocalMachine, CurrentUser };
    // The system's map: HKEY_LOCAL_MACHINE\HARDWARE\DEVICEMAP\SERIALCOMM.
    TnrRegistryPortMap();
    // Another key laid out the same way (for tests).
    TnrRegistryPortMap(Root root, std::wstring subKey);

    // Each value in enumeration order: (value name, its text). A value whose name or text does not
    // fit the scan's room (129 characters of name, 260 bytes of text) ends the scan there.
    std::vector<TnrPortMapEntry> Entries() const override;
    // A listed port opens as \\.\COM<n>, and so does a number the map lacks.
    std::string ListedPath(const TnrPortMapEntry& entry) const override;
    std::string HardwarePath(uint32_t portNo) const override;

private:
    Root root_;
    std::wstring subKey_;
};
