// Receiving: counting once, the component's input queue, Read, purges and a lost connection.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>
#include <atomic>
#include <thread>

#include "comm_fixture.h"

namespace {

using CommReceive = OpenPtyComm;

TEST_F(CommReceive, BytesArrivingInPiecesAreCountedOnceAndReadInOrder)
{
    const std::vector<std::string> pieces = {"\x01\x02", "\x03\x04", "\x05\x06"};
    uint32_t expected = 0;
    for (const std::string& piece : pieces) {
        pty.Write(piece);
        expected += static_cast<uint32_t>(piece.size());
        ASSERT_TRUE(WaitUntil([&] { return comm->TotalReceived() >= expected; }));
    }
    QThread::msleep(kQuietPeriod.count());
    EXPECT_EQ(comm->TotalReceived(), 6u) << "no byte counted twice";
    for (uint8_t want = 1; want <= 6; ++want) {
        uint8_t got = 0;
        comm->Read(&got, 1);
        EXPECT_EQ(got, want);
    }
    EXPECT_EQ(comm->TotalReceived(), 6u) << "reading does not lower the total";
}

TEST_F(CommReceive, AReplyInTwoPartsRaisesTheTotalByEachPart)
{
    std::vector<uint8_t> reply(28);
    for (size_t i = 0; i < reply.size(); ++i)
        reply[i] = static_cast<uint8_t>(0xA0 + i);
    pty.Write(std::vector<uint8_t>(reply.begin(), reply.begin() + 10));
    ASSERT_TRUE(WaitUntil([&] { return comm->TotalReceived() == 10; }));
    pty.Write(std::vector<uint8_t>(reply.begin() + 10, reply.end()));
    ASSERT_TRUE(WaitUntil([&] { return comm->TotalReceived() == 28; }));
    std::vector<uint8_t> got(28);
    comm->Read(got.data(), 28);
    EXPECT_EQ(got, reply);
}

TEST_F(CommReceive, BytesWaitInTheQueueUntilReadOrPurged)
{
    pty.Write("abc");
    ASSERT_TRUE(WaitUntil([&] { return comm->TotalReceived() == 3; }));
    QThread::msleep(kQuietPeriod.count());
    EXPECT_EQ(comm->ReadyForRead(), 3u) << "nothing takes bytes out but Read";

    comm->ClearDeviceInput();
    EXPECT_EQ(comm->ReadyForRead(), 0u);
    EXPECT_EQ(comm->TotalReceived(), 3u) << "a purge keeps the total";
    pty.Write("d");
    ASSERT_TRUE(WaitUntil([&] { return comm->TotalReceived() == 4; }));
    char c = 0;
    comm->Read(&c, 1);
    EXPECT_EQ(c, 'd') << "only bytes after the purge are read";
}

TEST_F(CommReceive, ReadWaitsForMissingBytes)
{
    std::thread writer([&] {
        QThread::msleep(100);
        pty.Write("wx");
        QThread::msleep(50);
        pty.Write("yz");
    });
    char buf[4] = {};
    EXPECT_TRUE(ReadWithin(*comm, buf, 4));
    writer.join();
    EXPECT_EQ(std::string(buf, 4), "wxyz");
}

TEST_F(CommReceive, ReadWithAnIntervalTimeOutEndsWhenTheLineFallsQuiet)
{
    comm->SetTimeoutRead(50);
    pty.Write("pq");
    char buf[4] = {'-', '-', '-', '-'};
    EXPECT_TRUE(ReadWithin(*comm, buf, 4)) << "the interval time-out ends the read";
    EXPECT_EQ(std::string(buf, 4), "pq--") << "what was read stays, the rest is untouched";
}

TEST_F(CommReceive, ReadOfNothingOrOnAClosedPortReturnsAtOnce)
{
    char c = '#';
    comm->Read(&c, 0);
    EXPECT_EQ(c, '#');
    comm->SetActive(false);
    EXPECT_TRUE(ReadWithin(*comm, &c, 1));
    EXPECT_EQ(c, '#');
}

TEST_F(CommReceive, TheCountingHookRunsOnEveryGrowth)
{
    comm->SetActive(false);
    std::atomic<int> calls{0};
    std::atomic<uint32_t> seen{0};
    comm->SetOnBytesCounted([&] {
        ++calls;
        seen = comm->TotalReceived();
    });
    comm->SetActive(true);
    pty.Write("12345");
    ASSERT_TRUE(WaitUntil([&] { return seen.load() == 5; }));
    EXPECT_GE(calls.load(), 1);
    EXPECT_EQ(comm->ReadyForRead(), 5u) << "the hook is no consumer";
}

TEST(CommReceiveMainThread, WithUseMainThreadTheHandlingRunsOnTheComponentsThread)
{
    PtyPair pty;
    auto comm = MakeComm(pty);
    comm->SetUseMainThread(true);
    std::atomic<bool> onMain{false};
    comm->SetOnBytesCounted([&] { onMain = QThread::currentThread() == comm->thread(); });
    comm->SetActive(true);
    pty.Write("ab");
    ASSERT_TRUE(WaitUntil([&] { return comm->TotalReceived() == 2; }));
    EXPECT_TRUE(onMain.load());

    // a Read waiting on the component's thread runs the handling itself: no deadlock
    std::thread writer([&] {
        QThread::msleep(50);
        pty.Write("cd");
    });
    char buf[4] = {};
    EXPECT_TRUE(ReadWithin(*comm, buf, 4));
    writer.join();
    EXPECT_EQ(std::string(buf, 4), "abcd");
}

struct LostConnection : ::testing::Test {
    static void Routine(void* object, QObject*, int32_t code)
    {
        auto* self = static_cast<LostConnection*>(object);
        if (code == 1)
            self->closedOnOtherThread = QThread::currentThread() != qApp->thread();
        std::lock_guard<std::mutex> guard(self->lock);
        self->codes.push_back(code);
    }
    std::vector<int32_t> Codes()
    {
        std::lock_guard<std::mutex> guard(lock);
        return codes;
    }
    PtyPair pty;
    std::mutex lock;
    std::vector<int32_t> codes;  // written on a receive thread
    std::atomic<bool> closedOnOtherThread{false};
};

TEST_F(LostConnection, TheFarEndClosingClosesThePortFromTheReceiveSide)
{
    auto comm = MakeComm(pty);
    std::atomic<int> onClose{0};
    comm->SetOnClose([&](QObject*) { ++onClose; });
    int commErrors = 0;
    comm->SetOnCommError([&](TnrBaseIO*, uint32_t, uint32_t, TComStateFlags, bool&) { ++commErrors; });
    comm->SetActive(true);
    comm->NotifyAdd(&LostConnection::Routine, this);

    pty.Write("last");
    ASSERT_TRUE(WaitUntil([&] { return comm->TotalReceived() == 4; }));
    pty.CloseMaster();
    ASSERT_TRUE(WaitUntil([&] { return !comm->Active(); })) << "the port closes by itself";
    EXPECT_TRUE(WaitUntil([&] { return onClose.load() == 1 && Codes().size() == 1; }));
    EXPECT_EQ(Codes(), (std::vector<int32_t>{1}));
    EXPECT_TRUE(closedOnOtherThread.load());
    EXPECT_EQ(comm->TotalReceived(), 4u) << "the counters keep their values";

    comm->SendChar(u'a');
    EXPECT_EQ(comm->TotalSent(), 0u) << "a send on the closed port does nothing";
    EXPECT_EQ(commErrors, 0);
    char c = '#';
    EXPECT_TRUE(ReadWithin(*comm, &c, 1));
    EXPECT_EQ(c, '#');
    EXPECT_THROW(comm->SetActive(true), EnrCommError) << "the device is gone";
}

TEST_F(LostConnection, AReadInProgressEnds)
{
    auto comm = MakeComm(pty);
    comm->SetActive(true);
    std::thread closer([&] {
        QThread::msleep(100);
        pty.CloseMaster();
    });
    char buf[8] = {};
    EXPECT_TRUE(ReadWithin(*comm, buf, 8)) << "the close ends the read";
    closer.join();
    EXPECT_TRUE(WaitUntil([&] { return !comm->Active(); }));
}

}  // namespace
