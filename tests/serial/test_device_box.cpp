// The port picker: binding, selection, picks, rebuilds, tooltips and failures.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include "comm_fixture.h"
#include "serial/nr_device_box.h"

namespace {

class ProductMap : public TnrFixedPortMap {
public:
    using TnrFixedPortMap::TnrFixedPortMap;
    std::string ProductName(const std::string& path) const override { return path == "/dev/ttyUSB0" ? "FT232R USB UART" : ""; }
};

std::unique_ptr<TnrComm> Comm(std::vector<TnrPortMapEntry> map, uint16_t port = 3, std::string dev = "/dev")
{
    auto comm = std::make_unique<TnrComm>();
    comm->SetUseMainThread(false);
    comm->SetPortMapSource(std::make_shared<ProductMap>(std::move(map), std::move(dev)));
    comm->SetComPortNo(port);
    return comm;
}

// What a user's pick in the drop-down list does: the entry becomes current, then activated.
void Pick(TnrDeviceBox& box, int index)
{
    box.setCurrentIndex(index);
    emit box.activated(index);
}

QStringList Items(const QComboBox& box)
{
    QStringList items;
    for (int i = 0; i < box.count(); ++i)
        items << box.itemText(i);
    return items;
}

TEST(DeviceBox, IsADropDownListOfTheComponentsPortsWithTheCurrentOneSelected)
{
    auto comm = Comm({{"/dev/a", "COM10"}, {"/dev/b", "COM2"}, {"/dev/c", "COM3"}});
    TnrDeviceBox box;
    EXPECT_FALSE(box.isEditable());
    box.SetnrComm(comm.get());
    EXPECT_EQ(Items(box), (QStringList{"COM2", "COM3", "COM10"}));
    EXPECT_EQ(box.currentText(), "COM3");
    EXPECT_EQ(box.nrComm(), comm.get());
}

TEST(DeviceBox, ABridgeIsListedWithItsAddressUnderANumberNoHardwareRuleGives)
{
    auto comm = Comm({{"/dev/c", "COM3"}, {"tcp://127.0.0.1:7001", "COM5"}, {"/dev/x", "COM1001"}});
    TnrDeviceBox box;
    box.SetnrComm(comm.get());
    EXPECT_EQ(comm->AddNetworkBridge("TCP://127.0.0.1:7001"), 5) << "a port link to the same bridge keeps its name";
    EXPECT_EQ(comm->AddNetworkBridge("rfc2217://[::1]:7000"), 1002) << "the first free number from 1001";
    EXPECT_EQ(comm->AddNetworkBridge("rfc2217://[::1]:7000"), 1002) << "added once";
    EXPECT_EQ(comm->AddNetworkBridge("tcp://nowhere"), 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(Items(box), (QStringList{"COM3", "COM5  tcp://127.0.0.1:7001", "COM1001", "COM1002  rfc2217://[::1]:7000"}));
    comm->SetComPortNo(1002);
    EXPECT_EQ(comm->DevicePath(), "rfc2217://[::1]:7000");
    EXPECT_EQ(comm->ComName(), "COM1002");
}

TEST(DeviceBox, APortMissingFromTheListShowsNoSelectionAndAPickRebuilds)
{
    auto comm = Comm({{"/dev/a", "COM1"}, {"/dev/b", "COM5"}});
    TnrDeviceBox box;
    box.SetnrComm(comm.get());
    EXPECT_EQ(box.currentIndex(), -1);
    EXPECT_EQ(comm->ComName(), "COM3");

    Pick(box, 1);  // the user picks COM5
    EXPECT_EQ(comm->ComPortNo(), 5);
    EXPECT_EQ(Items(box), (QStringList{"COM1", "COM5"}));
    EXPECT_EQ(box.currentText(), "COM5") << "rebuilt on the change, still showing the pick";
}

TEST(DeviceBox, APortChangeFromElsewhereMovesTheSelection)
{
    auto comm = Comm({{"/dev/a", "COM1"}, {"/dev/b", "COM5"}});
    TnrDeviceBox box;
    box.SetnrComm(comm.get());
    comm->SetComPortNo(1);
    EXPECT_EQ(box.currentText(), "COM1");
    box.SetnrComm(comm.get());  // binding twice keeps one listener
    EXPECT_EQ(comm->NotifyList().Count(), 1);
}

TEST(DeviceBox, EachItemsTooltipNamesItsDeviceAndAUsbProduct)
{
    auto comm = Comm({{"/dev/ttyUSB0", "COM33"}, {"/dev/ttyS0", "COM1"}});
    TnrDeviceBox box;
    box.SetnrComm(comm.get());
    EXPECT_TRUE(box.itemData(0, Qt::ToolTipRole).toString().startsWith("/dev/ttyS0"));
    const QString usb = box.itemData(1, Qt::ToolTipRole).toString();
    EXPECT_TRUE(usb.startsWith("/dev/ttyUSB0")) << usb.toStdString();
    EXPECT_TRUE(usb.endsWith("\nFT232R USB UART")) << usb.toStdString();
}

TEST(DeviceBox, APickThatCannotReopenThePortIsReportedNotThrown)
{
    PtyPair pty;
    QTemporaryDir emptyDev;
    auto comm =
        Comm({{pty.SlavePath(), "COM3"}, {emptyDev.filePath("gone").toStdString(), "COM4"}}, 3, emptyDev.path().toStdString());
    comm->SetActive(true);
    TnrDeviceBox box;
    box.SetnrComm(comm.get());
    QString reported;
    box.SetErrorReport([&](const QString& text) { reported = text; });
    Pick(box, 1);
    EXPECT_EQ(reported, "Device \"COM4\" Open Error !!!\rNo such file or directory");
    EXPECT_EQ(comm->ComPortNo(), 4);
    EXPECT_FALSE(comm->Active());
    EXPECT_EQ(box.currentText(), "COM4") << "the picker keeps the entry the user picked";
}

TEST(DeviceBox, UnbindingAndDestructionLetGoOfTheComponent)
{
    auto comm = Comm({{"/dev/a", "COM3"}});
    {
        TnrDeviceBox box;
        box.SetnrComm(comm.get());
        EXPECT_EQ(comm->NotifyList().Count(), 1);
        box.SetnrComm(nullptr);
        EXPECT_EQ(comm->NotifyList().Count(), 0);
        EXPECT_EQ(box.count(), 0);
        box.SetnrComm(comm.get());
    }
    EXPECT_EQ(comm->NotifyList().Count(), 0) << "a destroyed picker unsubscribes";

    TnrDeviceBox box;
    box.SetnrComm(comm.get());
    comm.reset();
    EXPECT_EQ(box.nrComm(), nullptr) << "a destroyed component is forgotten";
    EXPECT_EQ(box.currentIndex(), -1);
    box.Change(0);  // nothing to do, nothing crashes
}

}  // namespace
