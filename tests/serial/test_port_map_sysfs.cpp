// The machine's port map over a made-up port links folder and sysfs tree.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>

#include "pty_pair.h"
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
      if (!type.empty()) std::ofstream(sys / name / "type") << type << "\n";
  }
  TnrSystemPortMap Map() const { return TnrSystemPortMap(links.string(), sys.string(), "/dev"); }

  QTemporaryDir dir;
  fs::path root, links, sys, devices;
};

TEST_F(SystemPortMap, PortLinksComeFirstThenHardwarePortsWithFixedNumbers)
{
    PtyPair pty;
    fs::create_symlink(pty.SlavePath(), links / "COM7");
    fs::create_symlink(pty.SlavePath(), links / "COMX");      // not COM and a number
    std::ofstream(root / "plain") << "x";
    fs::create_symlink(root / "plain", links / "COM8");       // not a device
    std::ofstream(links / "COM9") << "x";                     // not a link
    AddTty("ttyS0", "platform/serial8250/tty/ttyS0", "serial8250", "4");
    AddTty("ttyS1", "platform/serial8250/tty/ttyS1", "serial8250", "0");  // a placeholder
    AddTty("ttyUSB1", "pci/usb1/1-1/1-1:1.0/ttyUSB1/tty/ttyUSB1", "ftdi_sio");
    AddTty("ttyAMA0", "amba/ttyAMA0/tty/ttyAMA0", "uart-pl011");
    AddTty("ttyXR0", "pci/xr/tty/ttyXR0", "xr");
    AddTty("tty0", "");  // a virtual console has no device

    const auto entries = Map().Entries();
    std::vector<std::pair<std::string, std::string>> got;
    for (const auto& e : entries) got.emplace_back(e.kernelName, e.portName);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {(links / "COM7").string(), "COM7"}, {"/dev/ttyAMA0", "COM129"}, {"/dev/ttyS0", "COM1"},
        {"/dev/ttyUSB1", "COM34"},           {"/dev/ttyXR0", "COM130"},
    };
    EXPECT_EQ(got, expected);
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
