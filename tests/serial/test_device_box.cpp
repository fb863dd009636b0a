// The port picker: binding, selection, picks, rebuilds, tooltips and failures.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include "comm_fixture.h"
#include "serial/net_bridge_dialog.h"
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
    EXPECT_EQ(Items(box), (QStringList{"COM2", "COM3", "COM10", "Network bridge\u2026"}));
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
    EXPECT_EQ(
        Items(box),
        (QStringList{"COM3", "COM5  tcp://127.0.0.1:7001", "COM1001", "COM1002  rfc2217://[::1]:7000", "Network bridge\u2026"}));
    comm->SetComPortNo(1002);
    EXPECT_EQ(comm->DevicePath(), "rfc2217://[::1]:7000");
    EXPECT_EQ(comm->ComName(), "COM1002");
}

// Windows' map opens a listed port by its name ("\\.\COM3"), not by the path it lists.
class NamedPortMap : public TnrFixedPortMap {
public:
    using TnrFixedPortMap::TnrFixedPortMap;
    std::string ListedPath(const TnrPortMapEntry& entry) const override { return "\\\\.\\" + entry.portName; }
};

TEST(DeviceBox, ABridgeIsOpenedByItsAddressWhereverTheMapOpensPortsByName)
{
    auto comm = std::make_unique<TnrComm>();
    comm->SetUseMainThread(false);
    comm->SetPortMapSource(std::make_shared<NamedPortMap>(std::vector<TnrPortMapEntry>{{"\\Device\\Serial2", "COM3"}}));
    comm->SetComPortNo(comm->AddNetworkBridge("tcp://127.0.0.1:7001"));
    EXPECT_EQ(comm->ComName(), "COM1001");
    EXPECT_EQ(comm->DevicePath(), "tcp://127.0.0.1:7001");
    comm->SetComPortNo(3);
    EXPECT_EQ(comm->DevicePath(), "\\\\.\\COM3");
}

TEST(DeviceBox, TheBridgeDialogOffersOkOnlyForAnAddressAndGivesTheChosenKind)
{
    struct Case {
        const char* typed;
        bool rfc2217;
        std::optional<std::string> address;
    };
    const Case cases[] = {
        {"", false, std::nullopt},
        {"bridge.local", false, std::nullopt},
        {"::1:7000", false, std::nullopt},  // IPv6 needs its brackets
        {"127.0.0.1:70000", false, std::nullopt},
        {" 127.0.0.1:7000 ", false, "tcp://127.0.0.1:7000"},
        {"[::1]:7000", true, "rfc2217://[::1]:7000"},
        {"bridge.local:23", true, "rfc2217://bridge.local:23"},
    };
    for (const Case& c : cases) {
        TnrNetBridgeDialog dialog;
        EXPECT_TRUE(dialog.rawTcpButton()->isChecked()) << "raw TCP unless chosen otherwise";
        dialog.hostPortEdit()->setText(QString::fromLatin1(c.typed));
        if (c.rfc2217)
            dialog.rfc2217Button()->setChecked(true);
        const std::optional<NetAddress> address = dialog.address();
        EXPECT_EQ(address ? std::optional(address->Text()) : std::nullopt, c.address) << c.typed;
        EXPECT_EQ(dialog.buttons()->button(QDialogButtonBox::Ok)->isEnabled(), c.address.has_value()) << c.typed;
    }
}

TEST(DeviceBox, NetworkBridgeEndsTheListAndOnlyAConfirmedAddressChangesThePort)
{
    auto comm = Comm({{"/dev/a", "COM1"}, {"/dev/c", "COM3"}});
    TnrDeviceBox box;
    box.SetnrComm(comm.get());
    ASSERT_EQ(Items(box), (QStringList{"COM1", "COM3", "Network bridge\u2026"}));
    ASSERT_EQ(box.BridgeEntryIndex(), 2);

    // The user's answers, in turn, to "Network bridge…" chosen from the list.
    struct Answer {
        const char* what;
        const char* typed;
        bool rfc2217;
        bool confirm;
        uint16_t portAfter;
        QString shownAfter;
    };
    const Answer answers[] = {
        {"cancelled with an address typed", "127.0.0.1:7000", false, false, 3, "COM3"},
        {"raw TCP confirmed", "127.0.0.1:7000", false, true, 1001, "COM1001  tcp://127.0.0.1:7000"},
        {"RFC 2217 confirmed", "[::1]:7001", true, true, 1002, "COM1002  rfc2217://[::1]:7001"},
        {"the first bridge again", "127.0.0.1:7000", false, true, 1001, "COM1001  tcp://127.0.0.1:7000"},
        {"cancelled on a bridge", "", false, false, 1001, "COM1001  tcp://127.0.0.1:7000"},
    };
    for (const Answer& a : answers) {
        const uint16_t before = comm->ComPortNo();
        const int shownBefore = box.currentIndex();
        std::optional<uint16_t> portWhileAsked;
        QString shownWhileAsked;
        box.SetBridgeDialogRunner([&](TnrNetBridgeDialog& dialog) {
            portWhileAsked = comm->ComPortNo();
            shownWhileAsked = box.currentText();
            dialog.hostPortEdit()->setText(QString::fromLatin1(a.typed));
            dialog.rfc2217Button()->setChecked(a.rfc2217);
            dialog.buttons()->button(a.confirm ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
            return dialog.result() == QDialog::Accepted;
        });
        Pick(box, box.BridgeEntryIndex());
        QCoreApplication::processEvents();
        EXPECT_EQ(portWhileAsked, before) << a.what << ": choosing the entry changes no port";
        EXPECT_EQ(shownWhileAsked, box.itemText(shownBefore)) << a.what;
        EXPECT_EQ(comm->ComPortNo(), a.portAfter) << a.what;
        EXPECT_EQ(box.currentText(), a.shownAfter) << a.what;
        EXPECT_EQ(box.itemText(box.count() - 1), "Network bridge\u2026") << a.what;
    }
    EXPECT_EQ(
        Items(box),
        (QStringList{"COM1", "COM3", "COM1001  tcp://127.0.0.1:7000", "COM1002  rfc2217://[::1]:7001", "Network bridge\u2026"}));
    EXPECT_EQ(comm->DevicePath(), "tcp://127.0.0.1:7000");
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
    EXPECT_EQ(Items(box), (QStringList{"COM1", "COM5", "Network bridge\u2026"}));
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
