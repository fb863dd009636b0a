#pragma once
// One enumerated serial device.
#include <array>
#include <cstdint>
#include <string>

class TnrBaseIO;

class TnrDevice {
public:
    int32_t Index() const { return fIndex; }
    TnrBaseIO* Parent() const { return fParent; }

    uint32_t Handle = 0;
    uint32_t DevInst = 0;
    int32_t Data = 0;  // port number n of COMn
    uint32_t DataEx = 0;
    std::string NameFriendly;   // the label the picker shows
    std::string NamePDO;        // kernel device name: the device path
    std::string NameDeviceDos;  // the port's device name
    std::string NameSymbolic;
    std::string RegKey;
    std::string Description;
    std::string Service;
    std::string Driver;
    std::string InstanceId;
    std::string BusRelations;
    std::string PortName;  // the name under which the component opens the port
    std::string Manufacturer;
    std::string SerialNumber;
    std::array<uint8_t, 16> GuidClass{};

private:
    friend class TnrBaseIO;
    int32_t fIndex = -1;
    TnrBaseIO* fParent = nullptr;
};
