#include "serial/nr_custom_serial_comm.h"

#include "serial/net_port_open.h"
#include "serial/port_enumeration.h"
#include "serial/serial_platform.h"

TnrCustomSerialComm::TnrCustomSerialComm(QObject* owner) : TnrCustomComm(owner)
{
    sLogPrefix = "nrComm: ";
    // this platform has no default configuration of a first port: the flag word starts empty
    SetComPort(cpCOM1);
    SetBaudRate(19200);
    SetByteSize(8);
    SetParity(pNone);
    SetStopBits(sbOne);
    SetStreamProtocol(spHardware);
    SetEventChar(0);
}

TnrCustomSerialComm::~TnrCustomSerialComm() { ShutDown(); }

void TnrCustomSerialComm::SetComPortNo(uint16_t value)
{
    const bool wasOpen = IsDeviceOpen();
    if (wasOpen)
        DoClose();
    fComPortNo = value;
    if (wasOpen)
        DoOpen();  // a failure raises, and the change is not announced
    DoNotify(3);
}

TComPort TnrCustomSerialComm::ComPort() const
{
    if (fComPortNo >= 9 || fComPortNo == 0)
        return cpCOMxx;
    return static_cast<TComPort>(fComPortNo - 1);
}

void TnrCustomSerialComm::SetComPort(TComPort value)
{
    if (value != cpCOMxx)
        SetComPortNo(static_cast<uint16_t>(value + 1));
}

std::string TnrCustomSerialComm::ComName() const
{
    const int index = GetDeviceIndex();
    if (index == -1)
        return "COM" + std::to_string(fComPortNo);
    return Device(index)->PortName;
}

int TnrCustomSerialComm::GetDeviceIndex() const
{
    for (int i = 0; i < DeviceCount(); ++i)
        if (Device(i)->Data == static_cast<int32_t>(fComPortNo))
            return i;
    return -1;
}

void TnrCustomSerialComm::SetDeviceIndex(int value)
{
    if (value < 0 || value >= DeviceCount())
        return;
    SetComPortNo(static_cast<uint16_t>(Device(value)->Data & 0xFFFF));
}

void TnrCustomSerialComm::DeviceListLoad()
{
    std::vector<TnrPortMapEntry> map = PortMapSource()->Entries();
    for (const auto& [number, address] : bridges_)
        map.push_back(TnrPortMapEntry{address, "COM" + std::to_string(number)});
    for (const TnrNameListEntry& entry : ReadSerialDeviceMap(map)) {
        auto* d = new TnrDevice;
        d->NameFriendly = TrimSpacesAndControls(entry.Label());
        d->NameDeviceDos = d->NameFriendly;
        d->NamePDO = entry.ValueName();
        d->Data = entry.number;
        d->PortName = d->NameDeviceDos;
        InsertDevice(d);
    }
}

uint16_t TnrCustomSerialComm::AddNetworkBridge(const std::string& text)
{
    const std::optional<NetAddress> address = ParseNetAddress(text);
    if (!address)
        return 0;
    const std::string normal = address->Text();
    GetDeviceList(nullptr);
    for (int i = 0; i < DeviceCount(); ++i)  // a port link to the same bridge, or one added before
        if (Device(i)->NamePDO == normal)
            return static_cast<uint16_t>(Device(i)->Data);
    uint16_t number = kFirstBridgePortNo;
    auto taken = [&](uint16_t n) {
        for (int i = 0; i < DeviceCount(); ++i)
            if (Device(i)->Data == n)
                return true;
        return false;
    };
    while (taken(number) && number < 0xFFFF)
        ++number;
    bridges_.emplace_back(number, normal);
    Update();
    return number;
}

void TnrCustomSerialComm::Update()
{
    ClearDeviceList();
    GetDeviceList(nullptr);
    DoNotify(3);
}

void TnrCustomSerialComm::SetPortMapSource(std::shared_ptr<TnrPortMapSource> source)
{
    portMap_ = std::move(source);
    if (DeviceCount() > 0)
        Update();
}

std::shared_ptr<TnrPortMapSource> TnrCustomSerialComm::PortMapSource() const
{
    if (!portMap_)
        portMap_ = MakeSystemPortMap();
    return portMap_;
}

std::string TnrCustomSerialComm::DevicePath() const
{
    const int index = GetDeviceIndex();
    if (index >= 0) {  // the device the map lists for the name
        const TnrDevice* device = Device(index);
        if (LooksLikeNetAddress(device->NamePDO))  // a bridge is opened by its address, whatever the map
            return device->NamePDO;
        return PortMapSource()->ListedPath(TnrPortMapEntry{device->NamePDO, device->PortName});
    }
    return PortMapSource()->HardwarePath(fComPortNo);
}

nrplatform::PortPtr TnrCustomSerialComm::OpenDevice(int& error)
{
    if (fExtHandle != kInvalidHandle) {
        const TnrHandle h = fExtHandle;
        fExtHandle = kInvalidHandle;  // serves one opening only
        error = 0;
        return nrplatform::AdoptPort(h);
    }
    GetDeviceList(nullptr);  // the map names the port, when it lists it
    const std::string path = DevicePath();
    if (portOpener_)
        return portOpener_(path, error);
    if (LooksLikeNetAddress(path)) {  // a network bridge the map lists by its address
        const std::optional<NetAddress> address = ParseNetAddress(path);
        if (!address) {
            error = nrplatform::kErrNameNotFound;
            return nullptr;
        }
        NetOpenHooks hooks;
        hooks.keepWaiting = openWait_;
        hooks.note = [this](const std::string& text) { WriteLog(dlSimple, text); };
        return OpenNetworkPort(*address, hooks, error);
    }
    return nrplatform::OpenPort(path, error);
}
