// The port map's enumeration, the device list and the naming of the port.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "serial/nr_comm.h"
#include "serial/port_enumeration.h"

namespace {

std::vector<std::string> Labels(const std::vector<TnrNameListEntry>& list)
{
    std::vector<std::string> out;
    for (const auto& e : list)
        out.push_back(e.text);
    return out;
}

std::unique_ptr<TnrComm> CommWithMap(std::vector<TnrPortMapEntry> map)
{
    auto comm = std::make_unique<TnrComm>();
    comm->SetPortMapSource(std::make_shared<TnrFixedPortMap>(std::move(map)));
    comm->GetDeviceList(nullptr);
    return comm;
}

std::vector<std::string> Names(TnrBaseIO& comm)
{
    std::vector<std::string> out;
    for (int i = 0; i < comm.DeviceCount(); ++i)
        out.push_back(comm.Device(i)->NameFriendly);
    return out;
}

TEST(PortMapReading, PortsAreOrderedByNumber)
{
    EXPECT_EQ(Labels(ReadSerialDeviceMap({{"/dev/a", "COM10"}, {"/dev/b", "COM2"}})),
              (std::vector<std::string>{"COM2=/dev/b", "COM10=/dev/a"}));
    EXPECT_EQ(Labels(ReadSerialDeviceMap({{"/dev/b", "COM2"}, {"/dev/a", "COM10"}})),
              (std::vector<std::string>{"COM2=/dev/b", "COM10=/dev/a"}));
}

TEST(PortMapReading, LabelsAreTrimmedAndUpperCase)
{
    EXPECT_EQ(Labels(ReadSerialDeviceMap({{"/dev/x", " com5 "}})), (std::vector<std::string>{"COM5=/dev/x"}));
    EXPECT_EQ(Labels(ReadSerialDeviceMap({{"/dev/x", "\tCom6\r\n"}})), (std::vector<std::string>{"COM6=/dev/x"}));
}

TEST(PortMapReading, ValuesThatAreNotComAndANumberAreSkipped)
{
    EXPECT_TRUE(
        ReadSerialDeviceMap(
            {{"/dev/1", "LPT1"}, {"/dev/2", "COM"}, {"/dev/3", "COMA"}, {"/dev/4", "XCOM1"}, {"/dev/5", "COM1X"}, {"/dev/6", ""}})
            .empty());
}

TEST(PortMapReading, TheSamePortTwiceGivesOneEntryFromTheFirstValue)
{
    const auto list = ReadSerialDeviceMap({{"/dev/first", "COM3"}, {"/dev/second", "COM3"}});
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].ValueName(), "/dev/first");
}

TEST(PortMapReading, AValueTooLongEndsTheScan)
{
    const std::string longName(kMaxMapValueName + 1, 'n');
    EXPECT_EQ(Labels(ReadSerialDeviceMap({{"/dev/a", "COM1"}, {longName, "COM2"}, {"/dev/c", "COM3"}})),
              (std::vector<std::string>{"COM1=/dev/a"}));
    const std::string longestName(kMaxMapValueName, 'n');
    EXPECT_EQ(ReadSerialDeviceMap({{longestName, "COM2"}}).size(), 1u);
}

TEST(PortMapReading, OrderedAdditionInsertsBeforeTheFirstGreaterNumber)
{
    std::vector<TnrNameListEntry> list;
    AddOrdered(list, "COM5=a", 5);
    AddOrdered(list, "COM9=b", 9);
    AddOrdered(list, "COM7=c", 7);
    AddOrdered(list, "COM7=c", 7);   // the same text: nothing
    AddOrdered(list, "COM09=d", 9);  // the last entry has the number: not added
    AddOrdered(list, "COM05=e", 5);  // before the first greater one
    EXPECT_EQ(Labels(list), (std::vector<std::string>{"COM5=a", "COM05=e", "COM7=c", "COM9=b"}));
}

TEST(DeviceList, TwoLabelsWithOneNumberGiveOneRecordTheFirst)
{
    auto comm = CommWithMap({{"/dev/a", "COM3"}, {"/dev/b", "COM03"}, {"/dev/c", "COM1"}});
    EXPECT_EQ(Names(*comm), (std::vector<std::string>{"COM1", "COM3"}));
    EXPECT_EQ(comm->Device(1)->NamePDO, "/dev/a");
}

TEST(DeviceList, RecordsCarryTheirFieldsIndexAndParent)
{
    auto comm = CommWithMap({{"/dev/ttyUSB0", "COM33"}, {"/dev/ttyS0", "COM1"}});
    ASSERT_EQ(comm->DeviceCount(), 2);
    const TnrDevice* d = comm->Device(1);
    EXPECT_EQ(d->NameFriendly, "COM33");
    EXPECT_EQ(d->NameDeviceDos, "COM33");
    EXPECT_EQ(d->PortName, "COM33");
    EXPECT_EQ(d->NamePDO, "/dev/ttyUSB0");
    EXPECT_EQ(d->Data, 33);
    EXPECT_EQ(d->Index(), 1);
    EXPECT_EQ(d->Parent(), comm.get());
    EXPECT_EQ(comm->Device(2), nullptr);
    EXPECT_EQ(comm->Device(-1), nullptr);
}

TEST(DeviceList, InsertingKeepsTheOrderAndRejectsATakenNumber)
{
    TnrComm comm;
    auto make = [](int32_t n) {
        auto* d = new TnrDevice;
        d->Data = n;
        d->NameFriendly = "COM" + std::to_string(n);
        return d;
    };
    EXPECT_EQ(comm.InsertDevice(make(2)), 0);
    EXPECT_EQ(comm.InsertDevice(make(8)), 1);
    EXPECT_EQ(comm.InsertDevice(make(5)), 1);
    EXPECT_EQ(comm.InsertDevice(make(5)), -1);
    EXPECT_EQ(Names(comm), (std::vector<std::string>{"COM2", "COM5", "COM8"}));
    for (int i = 0; i < comm.DeviceCount(); ++i)
        EXPECT_EQ(comm.Device(i)->Index(), i);
}

TEST(PortNaming, TheNameIsTheListedPortOrComAndTheNumber)
{
    auto comm = CommWithMap({{"/dev/x", " com5 "}});
    comm->SetComPortNo(3);
    EXPECT_EQ(comm->DeviceIndex(), -1);
    EXPECT_EQ(comm->ComName(), "COM3");
    EXPECT_EQ(comm->DevicePath(), "/dev/ttyS2") << "the hardware rule for a name the map lacks";
    comm->SetComPortNo(5);
    EXPECT_EQ(comm->DeviceIndex(), 0);
    EXPECT_EQ(comm->ComName(), "COM5");
    EXPECT_EQ(comm->DevicePath(), "/dev/x");
}

TEST(PortNaming, ComPortIsASecondViewOfTheNumber)
{
    TnrComm comm;
    EXPECT_EQ(comm.ComPortNo(), 1);
    EXPECT_EQ(comm.ComPort(), cpCOM1);
    comm.SetComPortNo(9);
    EXPECT_EQ(comm.ComPort(), cpCOMxx);
    comm.SetComPortNo(8);
    EXPECT_EQ(comm.ComPort(), cpCOM8);
    comm.SetComPort(cpCOM2);
    EXPECT_EQ(comm.ComPortNo(), 2);
    comm.SetComPort(cpCOMxx);
    EXPECT_EQ(comm.ComPortNo(), 2);
}

struct CodeCounter {
    int count = 0;
    static void Routine(void* o, QObject*, int32_t code)
    {
        if (code == 3)
            ++static_cast<CodeCounter*>(o)->count;
    }
};

TEST(PortNaming, SetDeviceIndexOutsideTheListChangesNothing)
{
    auto comm = CommWithMap({{"/dev/a", "COM4"}, {"/dev/b", "COM6"}});
    comm->SetComPortNo(4);
    CodeCounter changes;
    comm->NotifyAdd(&CodeCounter::Routine, &changes);
    comm->SetDeviceIndex(-1);
    comm->SetDeviceIndex(2);
    EXPECT_EQ(comm->ComPortNo(), 4);
    EXPECT_EQ(changes.count, 0);
    comm->SetDeviceIndex(1);
    EXPECT_EQ(comm->ComPortNo(), 6);
    EXPECT_EQ(changes.count, 1);
}

class ChangingMap : public TnrPortMapSource {
public:
    std::vector<TnrPortMapEntry> entries;
    std::vector<TnrPortMapEntry> Entries() const override { return entries; }
};

TEST(DeviceChanges, UpdateEnumeratesAgainAndAnnouncesIt)
{
    auto map = std::make_shared<ChangingMap>();
    map->entries = {{"/dev/a", "COM1"}};
    TnrComm comm;
    comm.SetPortMapSource(map);
    comm.GetDeviceList(nullptr);
    map->entries.push_back({"/dev/b", "COM2"});
    comm.GetDeviceList(nullptr);
    EXPECT_EQ(comm.DeviceCount(), 1) << "a filled list is not enumerated again";
    CodeCounter changes;
    comm.NotifyAdd(&CodeCounter::Routine, &changes);
    comm.Update();
    EXPECT_EQ(comm.DeviceCount(), 2);
    EXPECT_EQ(changes.count, 1);
}

TEST(DeviceChanges, OnlyPortArrivalsRemovalsAndNodeChangesUpdate)
{
    struct Case {
        TWMDeviceChange message;
        int result;
    };
    const Case cases[] = {
        {{WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0}, 1},
        {{WM_DEVICECHANGE, DBT_DEVICEARRIVAL, DBT_DEVTYP_PORT}, 1},
        {{WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, DBT_DEVTYP_PORT}, 1},
        {{WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 5}, 0},
        {{WM_DEVICECHANGE, 0x8001, DBT_DEVTYP_PORT}, 0},
        {{0x0218, DBT_DEVNODES_CHANGED, 0}, 0},
    };
    TnrComm comm;
    comm.SetPortMapSource(std::make_shared<TnrFixedPortMap>(std::vector<TnrPortMapEntry>{}));
    for (const Case& c : cases) {
        CodeCounter changes;
        comm.NotifyAdd(&CodeCounter::Routine, &changes);
        EXPECT_EQ(comm.WMDeviceChange(c.message), c.result) << std::hex << c.message.Event;
        EXPECT_EQ(changes.count, c.result);
        comm.NotifyDelete(&CodeCounter::Routine, &changes);
    }
}

TEST(HardwareNumbering, EachFamilyHasItsFixedRange)
{
    const std::pair<const char*, uint32_t> table[] = {{"ttyS0", 1},    {"ttyS2", 3},    {"ttyS31", 32},   {"ttyUSB0", 33},
                                                      {"ttyUSB1", 34}, {"ttyACM0", 65}, {"ttyACM31", 96}, {"rfcomm0", 97},
                                                      {"ttyS32", 0},   {"ttyAMA0", 0},  {"ttyS", 0},      {"ttyUSBx", 0}};
    for (auto [name, number] : table) {
        EXPECT_EQ(HardwarePortNumber(name), number) << name;
        if (number != 0) {
            EXPECT_EQ(HardwareTtyName(number), name) << number;
        }
    }
    EXPECT_EQ(HardwareTtyName(0), "");
    EXPECT_EQ(HardwareTtyName(129), "");
}

}  // namespace
