// The port map on Windows: the registry's serial-device map, read into the device list and the picker.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "serial/nr_comm.h"
#include "serial/nr_device_box.h"
#include "serial/port_map_registry_win32.h"

// After the component's headers: the system's headers define the event and error names as macros.
#include <windows.h>

namespace {

// A key of the current user laid out like HARDWARE\DEVICEMAP\SERIALCOMM, removed afterwards.
class RegistryMap : public ::testing::Test {
protected:
    void SetUp() override
    {
        parent_ = L"Software\\KorvaneShellTest-" + std::to_wstring(GetCurrentProcessId());
        subKey_ = parent_ + L"\\SERIALCOMM";
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, subKey_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override
    {
        if (key_)
            RegCloseKey(key_);
        RegDeleteTreeW(HKEY_CURRENT_USER, parent_.c_str());
    }
    void Add(const std::wstring& name, const std::wstring& text)
    {
        const DWORD size = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
        ASSERT_EQ(RegSetValueExW(key_, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), size),
                  ERROR_SUCCESS);
    }
    std::shared_ptr<TnrRegistryPortMap> Map() const
    {
        return std::make_shared<TnrRegistryPortMap>(TnrRegistryPortMap::Root::CurrentUser, subKey_);
    }
    std::unique_ptr<TnrComm> Comm() const
    {
        auto comm = std::make_unique<TnrComm>();
        comm->SetPortMapSource(Map());
        comm->GetDeviceList(nullptr);
        return comm;
    }
    static std::vector<std::pair<std::string, std::string>> Pairs(const std::vector<TnrPortMapEntry>& entries)
    {
        std::vector<std::pair<std::string, std::string>> out;
        for (const auto& e : entries)
            out.emplace_back(e.kernelName, e.portName);
        return out;
    }
    static std::vector<std::string> Names(const TnrComm& comm)
    {
        std::vector<std::string> out;
        for (int i = 0; i < comm.DeviceCount(); ++i)
            out.push_back(comm.Device(i)->NameFriendly);
        return out;
    }

    std::wstring parent_, subKey_;
    HKEY key_ = nullptr;
};

TEST_F(RegistryMap, ValuesAreReadAsValueNameAndTheirText)
{
    Add(L"\\Device\\Serial0", L"COM1");
    Add(L"\\Device\\Serial1", L" com7 ");
    EXPECT_EQ(Pairs(Map()->Entries()),
              (std::vector<std::pair<std::string, std::string>>{{"\\Device\\Serial0", "COM1"}, {"\\Device\\Serial1", " com7 "}}));
}

TEST_F(RegistryMap, PortsAreListedByNumberTrimmedAndInUpperCaseAndOnlyComWithANumber)
{
    Add(L"\\Device\\Serial0", L"COM10");
    Add(L"\\Device\\Serial1", L" com2 ");
    Add(L"\\Device\\Parallel0", L"LPT1");
    Add(L"\\Device\\VCP0", L"COMA");
    Add(L"\\Device\\VCP1", L"COM");
    Add(L"\\Device\\VCP2", L"XCOM1");
    auto comm = Comm();
    EXPECT_EQ(Names(*comm), (std::vector<std::string>{"COM2", "COM10"}));
    EXPECT_EQ(comm->Device(0)->NamePDO, "\\Device\\Serial1");
    EXPECT_EQ(comm->Device(1)->NamePDO, "\\Device\\Serial0");
}

TEST_F(RegistryMap, APortOpensByItsDosNameListedOrNot)
{
    Add(L"\\Device\\Serial1", L" com5 ");
    auto comm = Comm();
    comm->SetComPortNo(5);
    EXPECT_EQ(comm->ComName(), "COM5");
    EXPECT_EQ(comm->DevicePath(), "\\\\.\\COM5");
    comm->SetComPortNo(3);
    EXPECT_EQ(comm->DeviceIndex(), -1);
    EXPECT_EQ(comm->ComName(), "COM3");
    EXPECT_EQ(comm->DevicePath(), "\\\\.\\COM3");
}

TEST_F(RegistryMap, AValueWhoseNameOrTextDoesNotFitEndsTheScan)
{
    // The registry lists this key's values in name order (A, B, C ...).
    Add(L"A", L"COM1");
    Add(L"B" + std::wstring(127, L'n'), L"COM2");  // 128 characters: the longest name that fits
    Add(L"C" + std::wstring(128, L'n'), L"COM3");  // 129: too long
    Add(L"D", L"COM4");
    EXPECT_EQ(Names(*Comm()), (std::vector<std::string>{"COM1", "COM2"}));

    RegDeleteValueW(key_, (L"C" + std::wstring(128, L'n')).c_str());
    Add(L"C", L"COM3" + std::wstring(125, L' '));  // 129 characters of text: fits
    EXPECT_EQ(Names(*Comm()), (std::vector<std::string>{"COM1", "COM2", "COM3", "COM4"}));
    Add(L"C", L"COM3" + std::wstring(126, L' '));  // 130: too long
    EXPECT_EQ(Names(*Comm()), (std::vector<std::string>{"COM1", "COM2"}));
}

TEST_F(RegistryMap, TheSamePortTwiceGivesOneEntryFromTheFirstValue)
{
    Add(L"\\Device\\Serial0", L"COM3");
    Add(L"\\Device\\Serial1", L"COM3");
    Add(L"\\Device\\Serial2", L"COM03");
    auto comm = Comm();
    EXPECT_EQ(Names(*comm), (std::vector<std::string>{"COM3"}));
    EXPECT_EQ(comm->Device(0)->NamePDO, "\\Device\\Serial0");
}

TEST_F(RegistryMap, AMissingKeyGivesNoPortsAndTheNumberStillOpensByName)
{
    TnrComm comm;
    comm.SetPortMapSource(std::make_shared<TnrRegistryPortMap>(TnrRegistryPortMap::Root::CurrentUser, parent_ + L"\\Nothing"));
    comm.GetDeviceList(nullptr);
    EXPECT_EQ(comm.DeviceCount(), 0);
    comm.SetComPortNo(3);
    EXPECT_EQ(comm.DevicePath(), "\\\\.\\COM3");
}

TEST_F(RegistryMap, EachPickerEntryShowsItsValueNameAsTooltip)
{
    Add(L"\\Device\\Serial0", L"COM3");
    Add(L"\\Device\\ProlificSerial0", L"COM12");
    auto comm = Comm();
    comm->SetComPortNo(3);
    TnrDeviceBox box;
    box.SetnrComm(comm.get());
    ASSERT_EQ(box.count(), 3);  // the two ports, then "Network bridge…"
    EXPECT_EQ(box.itemText(2), QStringLiteral("Network bridge\u2026"));
    EXPECT_EQ(box.itemText(0), QStringLiteral("COM3"));
    EXPECT_EQ(box.itemData(0, Qt::ToolTipRole).toString(), QStringLiteral("\\Device\\Serial0"));
    EXPECT_EQ(box.itemText(1), QStringLiteral("COM12"));
    EXPECT_EQ(box.itemData(1, Qt::ToolTipRole).toString(), QStringLiteral("\\Device\\ProlificSerial0"));
    EXPECT_EQ(box.currentIndex(), 0);
    box.SetnrComm(nullptr);
}

}  // namespace
