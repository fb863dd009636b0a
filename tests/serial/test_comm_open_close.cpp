// Opening and closing the port over pseudo-terminals: counters, no-ops, errors, baud rates.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <fstream>

#include "comm_fixture.h"

namespace {

TEST(CommOpenClose, EveryOpeningStartsBothCountersFromZero)
{
    PtyPair pty;
    auto comm = MakeComm(pty);
    comm->SetActive(true);
    ASSERT_TRUE(comm->Active());
    pty.Write("hello");
    ASSERT_TRUE(WaitUntil([&] { return comm->TotalReceived() == 5; }));
    comm->SendChar(u'x');
    EXPECT_EQ(comm->TotalSent(), 1u);

    comm->SetActive(false);
    EXPECT_FALSE(comm->Active());
    EXPECT_EQ(comm->TotalReceived(), 5u) << "a close keeps the counters";
    EXPECT_EQ(comm->TotalSent(), 1u);

    comm->SetActive(true);
    EXPECT_EQ(comm->TotalReceived(), 0u);
    EXPECT_EQ(comm->TotalSent(), 0u);
    pty.Write("ab");
    ASSERT_TRUE(WaitUntil([&] { return comm->TotalReceived() == 2; }));
    char buf[2] = {0, 0};
    comm->Read(buf, 2);
    EXPECT_EQ(std::string(buf, 2), "ab") << "bytes of the earlier opening are gone";
}

TEST(CommOpenClose, SettingActiveToItsCurrentValueDoesNothing)
{
    PtyPair pty;
    NotifyRecorder notes;
    int traces = 0;
    auto comm = MakeComm(pty);
    comm->NotifyAdd(&NotifyRecorder::Routine, &notes);
    comm->SetOnTraceState([&](TnrBaseIO*, TTraceStates) { ++traces; });

    comm->SetActive(false);  // closed already
    EXPECT_TRUE(notes.Codes().empty());
    EXPECT_EQ(traces, 0) << "no close sequence ran";

    comm->SetActive(true);
    EXPECT_EQ(traces, 1) << "an opening starts with a close sequence";
    pty.Write("abc");
    ASSERT_TRUE(WaitUntil([&] { return comm->TotalReceived() == 3; }));
    comm->SetActive(true);  // open already
    EXPECT_EQ(comm->TotalReceived(), 3u) << "no counter reset";
    EXPECT_EQ(notes.Codes(), (std::vector<int32_t>{2}));
    EXPECT_EQ(traces, 1);

    comm->SetActive(false);
    EXPECT_EQ(notes.Codes(), (std::vector<int32_t>{2, 1}));
    EXPECT_EQ(traces, 2);
}

TEST(CommOpenClose, AMissingPortRaisesTheOpenErrorWithTheSystemText)
{
    QTemporaryDir emptyDev;
    TnrComm comm;
    RecordingLog log;
    comm.SetLog(&log);
    comm.SetPortMapSource(std::make_shared<TnrFixedPortMap>(std::vector<TnrPortMapEntry>{}, emptyDev.path().toStdString()));
    comm.SetComPortNo(7);
    try {
        comm.SetActive(true);
        FAIL() << "no exception";
    } catch (const EnrCommError& e) {
        EXPECT_STREQ(e.what(), "Device \"COM7\" Open Error !!!\rNo such file or directory");
    }
    EXPECT_FALSE(comm.Active());
    EXPECT_EQ(comm.TotalReceived(), 0u);
    EXPECT_EQ(comm.LastErrorString(), "Device \"COM7\" Open Error !!!\rNo such file or directory");
    EXPECT_EQ(log.Count("Fatal Error: 1, 0, Device \"COM7\" Open Error !!!\rNo such file or directory"), 1);
    EXPECT_EQ(comm.DevicePath(), emptyDev.path().toStdString() + "/ttyS6") << "the hardware rule names the path";
}

TEST(CommOpenClose, OpenErrorsNameTheSystemsReason)
{
    QTemporaryDir dir;
    const std::string plainFile = dir.filePath("COM4.txt").toStdString();
    std::ofstream(plainFile) << "not a tty";
    PtyPair pty;
    auto holder = MakeComm(pty, 3);
    holder->SetActive(true);

    struct Case {
        std::string what;
        std::vector<TnrPortMapEntry> map;
        uint16_t port;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"port in use", {{pty.SlavePath(), "COM3"}}, 3, "Device \"COM3\" Open Error !!!\rDevice or resource busy"},
        {"not a serial device", {{plainFile, "COM4"}}, 4, "Device \"COM4\" Open Error !!!\rInappropriate ioctl for device"},
        {"number without a path", {}, 200, "Device \"COM200\" Open Error !!!\rNo such file or directory"},
    };
    for (const Case& c : cases) {
        TnrComm comm;
        comm.SetPortMapSource(std::make_shared<TnrFixedPortMap>(c.map, dir.path().toStdString()));
        comm.SetComPortNo(c.port);
        try {
            comm.SetActive(true);
            ADD_FAILURE() << c.what << ": no exception";
        } catch (const EnrCommError& e) {
            EXPECT_EQ(std::string(e.what()), c.expected) << c.what;
        }
        EXPECT_FALSE(comm.Active()) << c.what;
    }
    EXPECT_TRUE(holder->Active()) << "the holder keeps its port";
}

TEST(CommOpenClose, AClosedPortCanBeOpenedAgainByAnotherComponent)
{
    PtyPair pty;
    {
        auto first = MakeComm(pty);
        first->SetActive(true);
        ASSERT_TRUE(first->Active());
    }  // destroying the component closes its port
    auto second = MakeComm(pty);
    EXPECT_NO_THROW(second->SetActive(true));
    EXPECT_TRUE(second->Active());
}

TEST(CommOpenClose, BaudRateSetWhileClosedIsUsedByTheNextOpening)
{
    for (uint32_t rate : {921600u, 230400u, 128000u, 19200u}) {
        PtyPair pty;
        auto comm = MakeComm(pty);
        comm->SetBaudRate(rate);
        EXPECT_EQ(comm->BaudRate(), rate);
        comm->SetActive(true);
        EXPECT_EQ(ReadBackBaud(pty.Master()), rate) << rate;
    }
}

TEST(CommOpenClose, BaudRateSetWhileOpenSwitchesThePortAtOnce)
{
    PtyPair pty;
    auto comm = MakeComm(pty);
    comm->SetBaudRate(921600);
    comm->SetActive(true);
    for (uint32_t rate : {230400u, 128000u, 921600u}) {
        comm->SetBaudRate(rate);
        EXPECT_EQ(ReadBackBaud(pty.Master()), rate) << rate;
    }
}

TEST(CommOpenClose, TheShellsLineSettingsReachThePort)
{
    PtyPair pty;
    auto comm = MakeComm(pty);
    comm->SetBaudRate(921600);
    comm->SetByteSize(8);
    comm->SetParity(pNone);
    comm->SetStopBits(sbTwo);
    comm->SetStreamProtocol(spNone);
    comm->SetActive(true);
    ReadBackFlags f = ReadBackTermios(pty.Master());
    ASSERT_TRUE(f.ok);
    EXPECT_EQ(f.dataBits, 8);
    EXPECT_TRUE(f.twoStopBits);
    EXPECT_FALSE(f.parity);
    EXPECT_FALSE(f.ctsRts);
    EXPECT_FALSE(f.xonOut);
    EXPECT_FALSE(f.echo) << "raw bytes: nothing is echoed back";
    EXPECT_FALSE(f.canonical);
    EXPECT_FALSE(f.outputProcessing);

    // (a pseudo-terminal keeps eight bits without parity whatever it is asked for)
    comm->SetParity(pMark);
    comm->SetStopBits(sbOneAndHalf);
    comm->SetStreamProtocol(spXonXoff);
    f = ReadBackTermios(pty.Master());
    EXPECT_TRUE(f.inputCheck) << "parity check on";
    EXPECT_TRUE(f.twoStopBits) << "one and a half stop bits count as two";
    EXPECT_TRUE(f.xonOut && f.xonIn);
    EXPECT_EQ(f.startChar, 0x11);
    EXPECT_EQ(f.stopChar, 0x13);
}

TEST(CommOpenClose, ChangingThePortNumberWhileOpenMovesThePort)
{
    PtyPair a, b;
    NotifyRecorder notes;
    TnrComm comm;
    comm.SetUseMainThread(false);
    comm.SetPortMapSource(
        std::make_shared<TnrFixedPortMap>(std::vector<TnrPortMapEntry>{{a.SlavePath(), "COM3"}, {b.SlavePath(), "COM5"}}));
    comm.SetComPortNo(3);
    comm.SetActive(true);
    comm.NotifyAdd(&NotifyRecorder::Routine, &notes);

    comm.SetComPortNo(5);
    EXPECT_TRUE(comm.Active());
    EXPECT_EQ(comm.ComName(), "COM5");
    EXPECT_EQ(notes.Codes(), (std::vector<int32_t>{1, 2, 3}));
    b.Write("z");
    EXPECT_TRUE(WaitUntil([&] { return comm.TotalReceived() == 1; }));

    comm.SetComPortNo(5);  // the same number: announced all the same
    EXPECT_EQ(notes.Codes().back(), 3);
}

TEST(CommOpenClose, AFailedReopeningKeepsTheNewNumberAndSendsNoChange)
{
    PtyPair a;
    QTemporaryDir emptyDev;
    NotifyRecorder notes;
    TnrComm comm;
    comm.SetUseMainThread(false);
    comm.SetPortMapSource(
        std::make_shared<TnrFixedPortMap>(std::vector<TnrPortMapEntry>{{a.SlavePath(), "COM3"}}, emptyDev.path().toStdString()));
    comm.SetComPortNo(3);
    comm.SetActive(true);
    comm.NotifyAdd(&NotifyRecorder::Routine, &notes);
    EXPECT_THROW(comm.SetComPortNo(6), EnrCommError);
    EXPECT_EQ(comm.ComPortNo(), 6);
    EXPECT_FALSE(comm.Active());
    EXPECT_EQ(notes.Codes(), (std::vector<int32_t>{1})) << "closed, and no change announced";
}

}  // namespace
