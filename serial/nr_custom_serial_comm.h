#pragma once
// Port number, external handle, enumeration mode and device naming of the serial component.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "serial/nr_custom_comm.h"
#include "serial/port_map.h"

class QWidget;

// Opens a device path as the system would (error: the system's code when it returns null).
using TnrPortOpener = std::function<nrplatform::PortPtr(const std::string& path, int& error)>;

class TnrCustomSerialComm : public TnrCustomComm {
    Q_OBJECT
public:
    explicit TnrCustomSerialComm(QObject* owner = nullptr);
    ~TnrCustomSerialComm() override;

    uint16_t ComPortNo() const { return fComPortNo; }
    void SetComPortNo(uint16_t value);
    TComPort ComPort() const;
    void SetComPort(TComPort value);
    TnrEnumPorts EnumPorts() const { return fEnumPorts; }
    void SetEnumPorts(TnrEnumPorts value) { fEnumPorts = value; }
    // A descriptor handed in from outside: the next opening takes it instead of opening a path.
    void SetExtHandle(TnrHandle handle) { fExtHandle = handle; }
    std::string ComName() const override;
    // The path the next opening opens when no external handle is set.
    std::string DevicePath() const;

    int GetDeviceIndex() const override;
    void SetDeviceIndex(int value) override;
    void DeviceListLoad() override;
    void Update() override;

    // The source of the port map; set before the list is built (setting it later rebuilds the list).
    void SetPortMapSource(std::shared_ptr<TnrPortMapSource> source);
    std::shared_ptr<TnrPortMapSource> PortMapSource() const;

    // A network bridge ("tcp://host:port", "rfc2217://host:port") listed for this run after the
    // map's ports, under a number no hardware rule gives (kFirstBridgePortNo on); an address the
    // list holds already keeps its number. Returns the number, 0 for a malformed address.
    static constexpr uint16_t kFirstBridgePortNo = 1001;
    uint16_t AddNetworkBridge(const std::string& address);

    // Shows a small dialog with the line settings for ComName; applies them when confirmed.
    bool ConfigDialog(QWidget* parent = nullptr);

    // Stored configuration and probing: not built on this platform.
    bool SaveConfig() { return false; }
    bool LoadConfig() { return false; }
    std::string GetPNPDeviceString() const { return std::string(); }
    bool InitDeviceConnect() { return false; }

    // Opens the device path from now on instead of the system (null: the system's OpenPort): a
    // test's display in the same process, with no device behind it. Set it while the port is closed.
    void SetPortOpener(TnrPortOpener opener) { portOpener_ = std::move(opener); }
    // Asked every few milliseconds while a network bridge's lookup and connection wait, on the
    // thread that opens; false abandons the opening. The window keeps its events going here and
    // "Exit" says stop. Set it while the port is closed.
    void SetOpenWait(std::function<bool()> keepWaiting) { openWait_ = std::move(keepWaiting); }

protected:
    nrplatform::PortPtr OpenDevice(int& error) override;

private:
    uint16_t fComPortNo = 1;
    TnrHandle fExtHandle = kInvalidHandle;
    TnrPortOpener portOpener_;
    std::function<bool()> openWait_;
    std::vector<std::pair<uint16_t, std::string>> bridges_;  // added for this run: number, address
    TnrEnumPorts fEnumPorts = epQuickAll;
    mutable std::shared_ptr<TnrPortMapSource> portMap_;  // the machine's map unless one is set
};
