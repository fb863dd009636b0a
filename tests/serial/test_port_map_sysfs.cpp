// The machine's port map over a made-up port links folder and sysfs tree.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <algorithm>
#include <filesystem>
#include <fstream>

#include "comm_fixture.h"
#include "serial/port_links.h"
#include "serial/port_map.h"

namespace fs = std::filesystem;

namespace {

class SystemPortMap : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = fs::path(dir.path().toStdString());
        links = root / "links";
        sys = root / "sys";
        devices = root / "devices";
        fs::create_directories(links);
        fs::create_directories(sys);
    }
    // A tty in sysfs; with a device link when devicePath is given, with driver and UART type when set.
    void AddTty(const std::string& name, const std::string& devicePath, const std::string& driver = "",
                const std::string& type = "")
    {
        fs::create_directories(sys / name);
        if (!devicePath.empty()) {
            fs::create_directories(devices / devicePath);
            fs::create_directory_symlink(devices / devicePath, sys / name / "device");
            if (!driver.empty()) {
                fs::create_directories(root / "drivers" / driver);
                fs::create_directory_symlink(root / "drivers" / driver, devices / devicePath / "driver");
            }
        }
        if (!type.empty())
            std::ofstream(sys / name / "type") << type << "\n";
    }
    TnrSystemPortMap Map() const { return TnrSystemPortMap(links.string(), sys.string(), "/dev"); }

    QTemporaryDir dir;
    fs::path root, links, sys, devices;
};

TEST_F(SystemPortMap, PortLinksComeFirstThenHardwarePortsWithFixedNumbers)
{
    PtyPair pty;
    fs::create_symlink(pty.SlavePath(), links / "COM7");
    fs::create_symlink(pty.SlavePath(), links / "COMX");  // not COM and a number
    std::ofstream(root / "plain") << "x";
    fs::create_symlink(root / "plain", links / "COM8");              // not a device
    std::ofstream(links / "COM9") << "x";                            // not a link
    fs::create_symlink("rfc2217://127.0.0.1:7000", links / "COM5");  // a network bridge, by its address
    fs::create_symlink("tcp://no port", links / "COM6");             // neither an address nor a device
    AddTty("ttyS0", "platform/serial8250/tty/ttyS0", "serial8250", "4");
    AddTty("ttyS1", "platform/serial8250/tty/ttyS1", "serial8250", "0");  // a placeholder
    AddTty("ttyUSB1", "pci/usb1/1-1/1-1:1.0/ttyUSB1/tty/ttyUSB1", "ftdi_sio");
    AddTty("ttyAMA0", "amba/ttyAMA0/tty/ttyAMA0", "uart-pl011");
    AddTty("ttyXR0", "pci/xr/tty/ttyXR0", "xr");
    AddTty("tty0", "");  // a virtual console has no device

    const auto entries = Map().Entries();
    std::vector<std::pair<std::string, std::string>> got;
    for (const auto& e : entries)
        got.emplace_back(e.kernelName, e.portName);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"rfc2217://127.0.0.1:7000", "COM5"},
        {(links / "COM7").string(), "COM7"},
        {"/dev/ttyAMA0", "COM129"},
        {"/dev/ttyS0", "COM1"},
        {"/dev/ttyUSB1", "COM34"},
        {"/dev/ttyXR0", "COM130"},
    };
    EXPECT_EQ(got, expected);
}

TEST_F(SystemPortMap, PlaceholderUartsAreLeftOutInBothSysfsLayouts)
{
    // Before kernel 6.5 the tty's device is the 8250 platform device; since then it is a port
    // device on the serial-base bus whose driver is named "port". Either way the type says it.
    struct Case {
        const char* tty;
        const char* device;
        const char* driver;
        const char* type;
        bool listed;
    };
    const Case cases[] = {
        {"ttyS0", "platform/serial8250/tty/ttyS0", "serial8250", "4", true},                        // old, a 16550A
        {"ttyS1", "platform/serial8250/tty/ttyS1", "serial8250", "0", false},                       // old, a placeholder
        {"ttyS2", "pnp0/00:00/00:00:0/00:00:0.0", "port", "4", true},                               // new, a 16550A
        {"ttyS3", "platform/serial8250/serial8250:0/serial8250:0.3", "port", "0", false},           // new, a placeholder
        {"ttyS4", "platform/dw-apb-uart.0/dw-apb-uart.0:0/dw-apb-uart.0:0.0", "port", "0", false},  // another UART
        {"ttyUSB0", "pci/usb1/1-1/1-1:1.0/ttyUSB0/tty/ttyUSB0", "ftdi_sio", "", true},              // no type: not serial core
    };
    for (const Case& c : cases)
        AddTty(c.tty, c.device, c.driver, c.type);

    std::vector<std::string> listed;
    for (const auto& e : Map().Entries())
        listed.push_back(e.kernelName);
    for (const Case& c : cases) {
        const bool found = std::find(listed.begin(), listed.end(), std::string("/dev/") + c.tty) != listed.end();
        EXPECT_EQ(found, c.listed) << c.tty << " bound to " << c.driver << " with type \"" << c.type << "\"";
    }
}

TEST_F(SystemPortMap, UsbDevicesGiveTheirProductName)
{
    const std::string usbDevice = "pci/usb1/1-2";
    AddTty("ttyUSB0", usbDevice + "/1-2:1.0/ttyUSB0/tty/ttyUSB0", "cp210x");
    std::ofstream(devices / usbDevice / "idVendor") << "10c4\n";
    std::ofstream(devices / usbDevice / "product") << "USB to UART Bridge\n";
    AddTty("ttyS0", "platform/serial8250/tty/ttyS0", "serial8250", "4");
    EXPECT_EQ(Map().ProductName("/dev/ttyUSB0"), "USB to UART Bridge");
    EXPECT_EQ(Map().ProductName("/dev/ttyS0"), "");
    EXPECT_EQ(Map().ProductName("/dev/nothing"), "");
}

TEST_F(SystemPortMap, AMissingFolderGivesAnEmptyMap)
{
    EXPECT_TRUE(TnrSystemPortMap((root / "none").string(), (root / "none2").string(), "/dev").Entries().empty());
    EXPECT_EQ(Map().HardwarePath(3), "/dev/ttyS2");
    EXPECT_EQ(Map().HardwarePath(66), "/dev/ttyACM1");
    EXPECT_EQ(Map().HardwarePath(129), "");
}

TEST_F(SystemPortMap, APortLinkOpensTheDeviceItPointsAt)
{
    PtyPair pty;
    fs::create_symlink(pty.SlavePath(), links / "COM3");
    TnrComm comm;
    comm.SetUseMainThread(false);
    comm.SetPortMapSource(std::make_shared<TnrSystemPortMap>(links.string(), sys.string(), (root / "dev").string()));
    comm.SetComPortNo(3);
    comm.SetActive(true);
    ASSERT_TRUE(comm.Active());
    pty.Write("k");
    EXPECT_TRUE(WaitUntil([&] { return comm.TotalReceived() == 1; }));
}

TEST(PortLinks, TheFolderLivesUnderTheRuntimeFolder)
{
    const std::string folder = portLinksFolder();
    EXPECT_NE(folder.find("korvane/ports"), std::string::npos);
}

}  // namespace
